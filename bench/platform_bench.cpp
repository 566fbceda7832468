// Prints the platform layer's speed figures: event set-to-wake latency within a
// process and between processes, waits on 64 objects, registry reads and writes
// per second, and named-object open/close per second. Runs in a machine root of
// its own, removed at the end.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_stats.h"
#include "platform/event.h"
#include "platform/file_mapping.h"
#include "platform/futex.h"
#include "platform/machine_root.h"
#include "platform/wait.h"

extern char** environ;

using namespace platform;

namespace {

constexpr int kRounds = 20000;

// Shared between the two sides: the moment of each set, in monotonic nanoseconds.
struct Stamp {
    volatile std::int64_t set_ns;
};

// The answering side: waits for "ping", notes the delay since the stamp, sets "pong".
void pong_loop(const std::string& prefix, std::vector<double>* delays) {
    UniqueHandle ping(create_event(prefix + "Ping", EventReset::Auto, false));
    UniqueHandle pong(create_event(prefix + "Pong", EventReset::Auto, false));
    UniqueHandle map(create_file_mapping(prefix + "Stamp", 4096));
    auto* stamp = static_cast<Stamp*>(map_view_of_file(map.get(), 0, 0));
    for (int i = 0; i < kRounds; ++i) {
        wait_for_single_object(ping.get(), kInfinite);
        if (delays) delays->push_back(static_cast<double>(futex::monotonic_ns() - stamp->set_ns) / 1000.0);
        set_event(pong.get());
    }
    unmap_view_of_file(stamp);
}

// The asking side; returns the answering side's delays when it is a thread, or
// measures the round trip when it is another process.
std::vector<double> ping_loop(const std::string& prefix) {
    UniqueHandle ping(create_event(prefix + "Ping", EventReset::Auto, false));
    UniqueHandle pong(create_event(prefix + "Pong", EventReset::Auto, false));
    UniqueHandle map(create_file_mapping(prefix + "Stamp", 4096));
    auto* stamp = static_cast<Stamp*>(map_view_of_file(map.get(), 0, 0));
    std::vector<double> round_trip_halves;
    for (int i = 0; i < kRounds; ++i) {
        std::int64_t t0 = futex::monotonic_ns();
        stamp->set_ns = t0;
        set_event(ping.get());
        wait_for_single_object(pong.get(), kInfinite);
        round_trip_halves.push_back(static_cast<double>(futex::monotonic_ns() - t0) / 2000.0);
    }
    unmap_view_of_file(stamp);
    return round_trip_halves;
}

void event_latency_in_process() {
    std::vector<double> delays;
    delays.reserve(kRounds);
    UniqueHandle ping(create_event("BenchThreadPing", EventReset::Auto, false));  // made before both sides
    std::thread answer([&] { pong_loop("BenchThread", &delays); });
    ping_loop("BenchThread");
    answer.join();
    twbench::print_spread("event set-to-wake, between threads", delays);
}

void event_latency_between_processes(const char* self) {
    // Hold the objects first so both processes meet on the same ones.
    UniqueHandle ping(create_event("BenchProcPing", EventReset::Auto, false));
    UniqueHandle pong(create_event("BenchProcPong", EventReset::Auto, false));
    char arg0[] = "platform_bench";
    char arg1[] = "--pong";
    char* argv[] = {arg0, arg1, nullptr};
    pid_t pid;
    if (posix_spawn(&pid, self, nullptr, nullptr, argv, environ) != 0) {
        std::printf("event set-to-wake, between processes: cannot start the other process\n");
        return;
    }
    auto halves = ping_loop("BenchProc");
    int status = 0;
    waitpid(pid, &status, 0);
    twbench::print_spread("event set-to-wake, between processes (half round trip)", halves);
}

void wait_on_64() {
    std::vector<UniqueHandle> events;
    std::vector<Handle> handles;
    for (int i = 0; i < 64; ++i) {
        events.emplace_back(create_event("", EventReset::Auto, false));
        handles.push_back(events.back().get());
    }
    UniqueHandle done(create_event("", EventReset::Auto, false));
    std::vector<double> delays;
    constexpr int rounds = 5000;
    volatile std::int64_t stamp = 0;
    std::thread waiter([&] {
        for (int i = 0; i < rounds; ++i) {
            std::uint32_t r = wait_for_multiple_objects(handles, kInfinite);
            delays.push_back(static_cast<double>(futex::monotonic_ns() - stamp) / 1000.0);
            if (r != WAIT_OBJECT_0 + static_cast<std::uint32_t>((i * 37) % 64)) std::abort();
            set_event(done.get());
        }
    });
    for (int i = 0; i < rounds; ++i) {
        stamp = futex::monotonic_ns();
        set_event(handles[static_cast<size_t>((i * 37) % 64)]);
        wait_for_single_object(done.get(), kInfinite);
    }
    waiter.join();
    twbench::print_spread("wait on 64 events, set-to-wake", delays);
}

void named_open_close() {
    constexpr int rounds = 20000;
    std::int64_t t0 = futex::monotonic_ns();
    for (int i = 0; i < rounds; ++i) close_handle(create_event("BenchOpenClose", EventReset::Auto, false));
    double fresh = rounds / (static_cast<double>(futex::monotonic_ns() - t0) / 1e9);
    UniqueHandle holder(create_event("BenchOpenClose", EventReset::Auto, false));
    t0 = futex::monotonic_ns();
    for (int i = 0; i < rounds; ++i) close_handle(open_event("BenchOpenClose"));
    double held = rounds / (static_cast<double>(futex::monotonic_ns() - t0) / 1e9);
    twbench::print_rate("named event create+close, nobody else holding it", fresh);
    twbench::print_rate("named event open+close, held meanwhile", held);
}

}  // namespace

void registry_figures();  // registry_bench.cpp

namespace {

// The message-queue figures come from message_bench, built beside this program.
void message_figures(const char* self) {
    std::fflush(stdout);
    std::string program = (std::filesystem::path(self).parent_path() / "message_bench").string();
    char* argv[] = {program.data(), nullptr};
    pid_t pid;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) {
        std::printf("message post-to-dispatch: %s did not start\n", program.c_str());
        return;
    }
    int status = 0;
    waitpid(pid, &status, 0);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--pong") == 0) {
        pong_loop("BenchProc", nullptr);
        return 0;
    }
    std::string tmpl = (std::filesystem::temp_directory_path() / "twbench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) return 1;
    ::setenv("TWPRINTER_ROOT", tmpl.c_str(), 1);
    if (!ensure_machine_root()) return 1;

    char self[4096];
    ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    self[n > 0 ? n : 0] = 0;

    std::printf("twprinter platform benchmark (%d rounds per latency figure)\n", kRounds);
    event_latency_in_process();
    event_latency_between_processes(self);
    wait_on_64();
    named_open_close();
    registry_figures();
    message_figures(self);
    if (auto objects = machine_objects_folder()) std::filesystem::remove_all(*objects);
    std::filesystem::remove_all(tmpl);
    return 0;
}
