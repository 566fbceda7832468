// Prints the speed of one request/reply queue pair between two processes, as
// the share provider and the status agent use it: round-trip latency (median,
// p99) of a request entry answered by a reply entry, and entries per second.
// The answering side is this program started again with "--agent".
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/bench_stats.h"
#include "common/queue_entries.h"
#include "common/shared_queue.h"
#include "platform/event.h"
#include "platform/futex.h"
#include "platform/machine_root.h"
#include "platform/wait.h"

extern char** environ;

using namespace common;
using namespace platform;

namespace {

constexpr std::int32_t kTwpid = 777;
constexpr int kRounds = 20000;

// The agent's part: take each request, answer it with a reply of the same PID.
int agent() {
    SharedQueue requests, replies;
    requests.open(QueueKind::Request, kTwpid);
    replies.open(QueueKind::Reply, kTwpid);
    UniqueHandle ready(open_event("QueueBenchReady"));
    set_event(ready.get());
    EntrySlot in{};
    std::uint32_t length = 0;
    for (int i = 0; i < kRounds; ++i) {
        while (true) {
            wait_for_single_object(requests.event(), kInfinite);
            if (requests.read_all(in.data(), in.size(), &length) == 0 && writer_name(in) == kProviderWriter) break;
        }
        auto request = decode_request(in);
        auto reply = encode_reply_queue_entry({kAgentWriter, kReply, request->pid, 0, "BENCH", request->data});
        replies.write(reply->data(), static_cast<std::uint32_t>(reply->size()));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--agent") == 0) return agent();
    std::string tmpl = (std::filesystem::temp_directory_path() / "twqbench-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) return 1;
    ::setenv("TWPRINTER_ROOT", tmpl.c_str(), 1);
    if (!ensure_machine_root()) return 1;

    SharedQueue requests, replies;
    requests.open(QueueKind::Request, kTwpid);
    replies.open(QueueKind::Reply, kTwpid);
    UniqueHandle ready(create_event("QueueBenchReady", EventReset::Manual, false));
    char self[4096];
    ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    self[n > 0 ? n : 0] = 0;
    char arg0[] = "queue_bench";
    char arg1[] = "--agent";
    char* args[] = {arg0, arg1, nullptr};
    pid_t pid;
    if (posix_spawn(&pid, self, nullptr, nullptr, args, environ) != 0) return 1;
    wait_for_single_object(ready.get(), kInfinite);

    std::vector<std::uint8_t> data(64, 0x42);
    std::vector<double> round_trips;
    round_trips.reserve(kRounds);
    EntrySlot out{};
    std::uint32_t length = 0;
    std::int64_t begin = futex::monotonic_ns();
    for (int i = 0; i < kRounds; ++i) {
        auto request = encode_request({kProviderWriter, static_cast<std::uint32_t>(i + 1), kTwpid, kCmdStatus, "BENCH", data});
        std::int64_t t0 = futex::monotonic_ns();
        requests.write(request->data(), static_cast<std::uint32_t>(request->size()));
        while (replies.read_matching(out.data(), out.size(), &length, kReply, kOffsetKind) != 0)
            wait_for_single_object(replies.event(), kInfinite);
        round_trips.push_back(static_cast<double>(futex::monotonic_ns() - t0) / 1000.0);
    }
    double seconds = static_cast<double>(futex::monotonic_ns() - begin) / 1e9;
    int status = 0;
    waitpid(pid, &status, 0);
    std::printf("twprinter queue benchmark: one request/reply queue pair between two processes\n");
    twbench::print_spread("request entry -> reply entry, round trip", round_trips);
    twbench::print_rate("entries through the queues (requests + replies)", 2.0 * kRounds / seconds);
    requests.close();
    replies.close();
    if (auto objects = machine_objects_folder()) std::filesystem::remove_all(*objects);
    std::filesystem::remove_all(tmpl);
    return 0;
}
