// Post-to-dispatch latency of the message queues: the time from
// post_message() to the moment the window procedure runs, within one thread,
// between two threads of a process and between two processes of a computer.
// Each round posts one message stamped with the clock and waits for the
// receiver's acknowledgement, so the figures are of a quiet queue, not of a
// backlog. Prints the median and the 99th percentile in microseconds.
//
// Runs on a temporary computer of its own (a fresh machine root), started
// again as "message_bench --child <tid>" for the other process.
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_stats.h"
#include "platform/machine_root.h"
#include "platform/message_queue.h"
#include "platform/messages.h"
#include "platform/thread.h"
#include "platform/window.h"

extern char** environ;

using namespace platform;

namespace {

constexpr UINT kStamp = WM_USER + 1;  // lParam: low 32 bits of the clock in ns at the post
constexpr UINT kAck = WM_USER + 2;    // lParam: the latency the receiver measured, in ns
constexpr int kWarmUp = 1000;

std::uint32_t now32() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(ts.tv_sec) * 1000000000ull +
                                      static_cast<std::uint64_t>(ts.tv_nsec));
}

// 32 bits of nanoseconds wrap every 4.3 s; a latency is far below that.
std::uint32_t since(LPARAM stamp) { return now32() - static_cast<std::uint32_t>(stamp); }

std::atomic<std::uint32_t> ack_to{0};  // thread to acknowledge to; 0: record locally
std::uint32_t last_latency = 0;

LRESULT bench_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kStamp) {
        std::uint32_t latency = since(lParam);
        if (ack_to != 0)
            post_thread_message(ack_to, kAck, 0, static_cast<LPARAM>(latency));
        else
            last_latency = latency;
        return 0;
    }
    return def_window_proc(hwnd, message, wParam, lParam);
}

HWND make_target(const char* title) {
    WNDCLASS wc;
    wc.lpfnWndProc = bench_proc;
    wc.lpszClassName = "TwpBenchTarget";
    register_class(wc);
    return create_window_ex(0, "TwpBenchTarget", title, 0, 0, 0, 1, 1, 0, 0, 0, nullptr);
}

void pump_until_quit() {
    MSG msg;
    while (get_message(&msg, 0, 0, 0) > 0) dispatch_message(&msg);
}

void report(const char* what, const std::vector<std::uint32_t>& ns) {
    std::vector<double> micros;
    micros.reserve(ns.size());
    for (std::uint32_t v : ns) micros.push_back(v / 1000.0);
    twbench::print_spread(what, micros);
}

std::vector<std::uint32_t> same_thread(int rounds) {
    ack_to = 0;
    HWND w = make_target("same thread");
    std::vector<std::uint32_t> out;
    MSG msg;
    for (int i = 0; i < kWarmUp + rounds; ++i) {
        post_message(w, kStamp, 0, static_cast<LPARAM>(now32()));
        get_message(&msg, 0, 0, 0);
        dispatch_message(&msg);
        if (i >= kWarmUp) out.push_back(last_latency);
    }
    destroy_window(w);
    return out;
}

// The acknowledgements of `rounds` stamped posts to `target`.
std::vector<std::uint32_t> ping(HWND target, int rounds) {
    std::vector<std::uint32_t> out;
    MSG msg;
    for (int i = 0; i < kWarmUp + rounds; ++i) {
        post_message(target, kStamp, 0, static_cast<LPARAM>(now32()));
        while (get_message(&msg, 0, 0, 0) > 0 && msg.message != kAck) {
        }
        if (i >= kWarmUp) out.push_back(static_cast<std::uint32_t>(msg.lParam));
    }
    return out;
}

std::vector<std::uint32_t> across_threads(int rounds) {
    ensure_message_queue();
    ack_to = current_thread_id();
    std::atomic<HWND> target{0};
    std::atomic<std::uint32_t> tid{0};
    std::thread receiver([&] {
        HWND w = make_target("other thread");
        tid = current_thread_id();
        target = w;
        pump_until_quit();
        destroy_window(w);
    });
    while (target == 0) std::this_thread::yield();
    auto out = ping(target, rounds);
    post_thread_message(tid, WM_QUIT, 0, 0);
    receiver.join();
    return out;
}

std::vector<std::uint32_t> across_processes(int rounds) {
    ensure_message_queue();
    std::string tid = std::to_string(current_thread_id());
    char exe[4096];
    ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n < 0) return {};
    exe[n] = 0;
    char child_flag[] = "--child";
    char* argv[] = {exe, child_flag, tid.data(), nullptr};
    pid_t pid = -1;
    if (::posix_spawn(&pid, exe, nullptr, nullptr, argv, environ) != 0) return {};
    HWND target = 0;
    for (int i = 0; i < 10000 && !(target = find_window("TwpBenchTarget", "other process")); ++i) sleep_ms(1);
    std::vector<std::uint32_t> out;
    if (target) {
        out = ping(target, rounds);
        post_message(target, WM_QUIT, 0, 0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return out;
}

int child_main(std::uint32_t parent_tid) {
    ack_to = parent_tid;
    HWND w = make_target("other process");
    if (!w) return 1;
    pump_until_quit();
    destroy_window(w);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0)
        return child_main(static_cast<std::uint32_t>(std::strtoul(argv[2], nullptr, 10)));
    int rounds = 20000;
    if (argc == 3 && std::strcmp(argv[1], "--rounds") == 0) rounds = std::max(1, std::atoi(argv[2]));

    std::string root = (std::filesystem::temp_directory_path() / "twbench-XXXXXX").string();
    if (!::mkdtemp(root.data())) return 1;
    ::setenv("TWPRINTER_ROOT", root.c_str(), 1);

    report("message post-to-dispatch, same thread", same_thread(rounds));
    report("message post-to-dispatch, between threads", across_threads(rounds));
    auto processes = across_processes(rounds);
    if (processes.empty())
        std::printf("message post-to-dispatch, between processes: the other process did not start\n");
    else
        report("message post-to-dispatch, between processes", processes);

    std::error_code ec;
    if (auto objects = machine_objects_folder()) std::filesystem::remove_all(*objects, ec);
    std::filesystem::remove_all(root, ec);
    return 0;
}
