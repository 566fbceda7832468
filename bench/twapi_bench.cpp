// Status requests through TWAPI2, the local-port provider and a simulated
// printer, and back: latency (median, p99) of one request at a time, requests
// per second with 1 and with 8 threads (each on its own channel), and the
// process's resident memory before and after 100 000 requests, which must stay
// flat. Runs on a machine root of its own with one simulated printer, both
// removed at the end.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_stats.h"
#include "platform/futex.h"
#include "platform/library.h"
#include "platform/machine_root.h"
#include "twapi/api_binding.h"

extern char** environ;

namespace {

constexpr const char* kPrinter = "Bench Printer";

using Api = twapi::ApiBinding;

long resident_kib() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

int run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// One status request, answered; false on any failure.
bool status_once(const Api& api, int handle) {
    unsigned char reply[2048];
    int size = sizeof reply;
    return api.TWGetStatus(handle, reply, &size) > 0;
}

double rate(const Api& api, int threads, int per_thread) {
    std::vector<int> handles;
    for (int i = 0; i < threads; ++i) handles.push_back(api.TWOpenChannel(1, kPrinter, 4));
    std::atomic<int> failures{0};
    std::int64_t t0 = platform::futex::monotonic_ns();
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i)
        workers.emplace_back([&, i] {
            for (int k = 0; k < per_thread; ++k)
                if (!status_once(api, handles[static_cast<size_t>(i)])) ++failures;
        });
    for (auto& w : workers) w.join();
    double seconds = static_cast<double>(platform::futex::monotonic_ns() - t0) / 1e9;
    for (int h : handles) api.TWCloseChannel(h);
    if (failures) std::printf("  (%d requests failed)\n", failures.load());
    return threads * per_thread / seconds;
}

}  // namespace

int main() {
    std::string root = (std::filesystem::temp_directory_path() / "twapibench-XXXXXX").string();
    if (!::mkdtemp(root.data())) return 1;
    ::setenv("TWPRINTER_ROOT", root.c_str(), 1);
    ::setenv("TWPRINTER_LIBRARY_PATH", TWAPI2_FOLDER, 1);
    if (run({TWSPOOL_PATH, "add-sim", kPrinter}) != 0) {
        std::printf("twapi benchmark: cannot add the simulated printer\n");
        return 1;
    }
    auto module = platform::load_library("TWAPI2.DLL");
    if (!module) return 1;
    auto bound = twapi::bind_api(*module);
    if (!bound) return 1;
    const Api& api = *bound;
    api.TWInitialize();

    std::printf("twprinter TWAPI2 benchmark: status requests to a simulated printer on a local port\n");
    int handle = api.TWOpenChannel(1, kPrinter, 4);
    for (int i = 0; i < 500; ++i) status_once(api, handle);  // warm up
    std::vector<double> latencies;
    for (int i = 0; i < 10000; ++i) {
        std::int64_t t0 = platform::futex::monotonic_ns();
        status_once(api, handle);
        latencies.push_back(static_cast<double>(platform::futex::monotonic_ns() - t0) / 1000.0);
    }
    api.TWCloseChannel(handle);
    twbench::print_spread("status request round trip, one at a time", latencies);
    twbench::print_rate("status requests, 1 thread", rate(api, 1, 10000));
    twbench::print_rate("status requests, 8 threads on 8 channels", rate(api, 8, 2500));

    long before = resident_kib();
    rate(api, 8, 12500);  // 100 000 requests
    long after = resident_kib();
    std::printf("%-52s %8ld KiB before, %8ld KiB after 100 000 requests\n", "resident memory", before, after);

    api.TWRelease();
    std::ifstream pid_file(std::filesystem::path(root) / "printers" / "bench printer.pid");
    long pid = 0;
    if (pid_file >> pid && pid > 0) ::kill(static_cast<pid_t>(pid), SIGTERM);
    if (auto objects = platform::machine_objects_folder()) std::filesystem::remove_all(*objects);
    std::filesystem::remove_all(root);
    return 0;
}
