// Where the replies of simulated printers wait for their receiver.
//
// One queue may serve several printer connections, so that one receiving
// thread (the local-port provider's TWPReceive loop) hears every printer it
// talks to. Replies come out in the order they arrived.
//
// Thread-safe. receive() blocks; cancel() wakes every blocked receive() with
// kReceiveCancelled, and every later one: cancelling ends the queue's life.
// A queue kept by one connection alone is closed when that printer goes away:
// receive() then gives ERROR_BROKEN_PIPE once the queue is empty.
//
// At most `max_kept` replies wait; beyond that the oldest are dropped and
// counted, so a process that stops fetching does not grow without bound.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

#include "outside/printer_sim/wire.h"
#include "platform/win_error.h"

namespace twsim {

inline constexpr platform::WinError kReceiveCancelled = 995;  // ERROR_OPERATION_ABORTED
inline constexpr std::size_t kMaxKeptReplies = 1024;

// What came back for an earlier request.
struct PrinterReply {
    std::uint32_t request_id = 0;
    std::uint32_t channel = 0;
    Bytes data;
    // 0 for the printer's answer; ERROR_BROKEN_PIPE when the printer went
    // away before it answered this request (data is then empty).
    platform::WinError error = 0;
};

class ReplyQueue {
public:
    explicit ReplyQueue(std::size_t max_kept = kMaxKeptReplies) : max_kept_(max_kept) {}

    // Blocks until a reply is there, cancel(), close() with nothing left, or
    // the time limit (none: no limit; then ERROR_TIMEOUT).
    platform::Result<PrinterReply> receive(std::optional<std::chrono::milliseconds> limit = std::nullopt);
    void cancel();

    void push(PrinterReply reply);
    void close();

    std::uint64_t dropped() const;

private:
    const std::size_t max_kept_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<PrinterReply> replies_;
    std::uint64_t dropped_ = 0;
    bool cancelled_ = false;
    bool closed_ = false;
};

}  // namespace twsim
