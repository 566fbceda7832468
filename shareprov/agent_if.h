// `AgentIF`: this provider instance's side of the shared-memory queues to the
// status agent. It announces the instance on the agent's global request queue,
// owns the instance's request queue (entries it writes for the agent) and reply
// queue (acknowledgements and replies the agent writes back), both named after
// the instance's `TWPID`, and writes their traffic to the trace.
//
// The provider's functions and its thread use one AgentIF at once; every queue
// access takes the queue's named mutex, so no further lock is needed here.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string_view>

#include "common/debug_trace.h"
#include "common/queue_entries.h"
#include "common/shared_queue.h"

namespace shareprov {

class AgentIF {
public:
    explicit AgentIF(common::DebugTrace* trace) : trace_(trace) {}
    AgentIF(const AgentIF&) = delete;
    AgentIF& operator=(const AgentIF&) = delete;

    // Checks that the agent runs (its global request queue exists), announces
    // this instance under the calling thread's id as `TWPID` and creates the
    // instance's request and reply queues. False, with the reason traced and
    // nothing left open, when any step fails.
    bool AgentIF_Init();

    std::int32_t twpid() const { return twpid_; }
    platform::Handle reply_event() const { return reply_queue_.event(); }

    // Writes one request entry for `computer`. Its PID (the tick count, made
    // distinct from the previous entry's) is returned through `pid`, also when
    // the write fails. For CMD 37 waits until the agent has taken the entry.
    bool WriteToDLLRequestQueue(std::int32_t cmd, std::span<const std::uint8_t> data, std::string_view computer,
                                std::uint32_t* pid);

    // Takes the reply-queue entry whose word at offset 16 is `kind` (160 or
    // 161): 0 taken (into `entry`), 1 nothing of that kind from the agent
    // there, negative for a queue failure or an entry that does not decode.
    int take_reply(std::uint32_t kind, common::ReplyQueueEntry* entry);

    // Deletes the request entry with this PID when the agent has not taken it.
    void delete_request(std::uint32_t pid);

    // Closes both queues; the agent's next access to them finds them gone.
    void close();

    // The request queue's lock time-out, and with it how long a write waits
    // for a full slot.
    void set_lock_timeout_for_testing(std::uint32_t ms) { request_queue_.set_lock_timeout(ms); }

private:
    std::uint32_t next_pid();
    bool queue_trace() const { return trace_ && trace_->wants(common::kTraceQueues); }
    bool data_trace() const { return trace_ && trace_->wants(common::kTraceQueues | common::kTraceQueueData); }
    void message(std::string_view text);

    common::DebugTrace* trace_;
    std::int32_t twpid_ = 0;
    common::SharedQueue request_queue_;
    common::SharedQueue reply_queue_;
    std::atomic<std::uint32_t> last_pid_{0};
};

}  // namespace shareprov
