#include "shareprov/provider_thread.h"

#include <array>
#include <mutex>

#include "platform/thread.h"
#include "platform/tick.h"
#include "platform/wait.h"
#include "shareprov/records.h"
#include "shareprov/send_step.h"

namespace shareprov {
namespace {

constexpr std::uint32_t kWaitMs = 2500;
constexpr std::uint32_t kRereadPauseMs = 100;
constexpr std::uint32_t kFailedWaitPauseMs = 200;

// Takes entries of one kind for as long as there are any; the pause lets the
// agent put the next one into the single slot.
void take_all(ProviderState& s, std::uint32_t kind, std::vector<common::ReplyQueueEntry>& into) {
    for (;;) {
        common::ReplyQueueEntry entry;
        if (s.agent->take_reply(kind, &entry) != 0) return;
        into.push_back(std::move(entry));
        platform::sleep_ms(kRereadPauseMs);
    }
}

bool lists_hold_requests(ProviderState& s) { return !s.connect_list.items.empty() || !s.request_list.items.empty(); }

void fail_earlier_waiting(ProviderState& s, RequestList& list, const Request& request) {
    for (Request* failed : list.fail_earlier_waiting(request)) {
        failed->result = -1;
        // The request list's waiter finds these when it looks for the later
        // one; a connect-info caller waits for its own request only.
        if (failed->done.get() != platform::kNullHandle) wake(s, *failed);
    }
}

// Fails a request the agent answered with something unreadable, so its caller
// is not left waiting for the time-out.
void fail_unreadable_reply(ProviderState& s, std::uint32_t pid) {
    for (RequestList* list : {&s.connect_list, &s.request_list}) {
        Request* request = list->find_pid(pid);
        if (!request) continue;
        if (request->state != RequestState::Written && request->state != RequestState::Acknowledged) continue;
        bool was_written = request->state == RequestState::Written;
        request->state = RequestState::Failed;
        request->result = -1;
        wake(s, *request);
        if (was_written) write_next_queued(s, *list, *request);
    }
}

}  // namespace

void process_acknowledgements(ProviderState& s, std::vector<common::ReplyQueueEntry>& acks) {
    std::scoped_lock both(s.connect_list.lock, s.request_list.lock);
    if (acks.empty() || !lists_hold_requests(s)) return;
    std::uint32_t now = platform::get_tick_count();
    for (const auto& ack : acks) {
        for (RequestList* list : {&s.connect_list, &s.request_list}) {
            Request* request = list->find_pid(ack.pid);
            if (!request || request->state != RequestState::Written) continue;
            if (ack.send_flag != 0) {
                request->tick = now;
                request->state = RequestState::Acknowledged;
            } else {
                request->state = RequestState::Failed;
                request->result = -1;
                fail_earlier_waiting(s, *list, *request);
                wake(s, *request);
            }
            write_next_queued(s, *list, *request);
        }
    }
    acks.clear();
}

void process_replies(ProviderState& s, std::vector<common::ReplyQueueEntry>& replies) {
    std::scoped_lock both(s.connect_list.lock, s.request_list.lock);
    if (replies.empty() || !lists_hold_requests(s)) return;
    for (auto& reply : replies) {
        auto record = decode_record(reply.data);
        if (!record) {
            fail_unreadable_reply(s, reply.pid);
            continue;
        }
        RequestList& list = list_for(s, record->cmd);
        // requestId and CMD name the request; the PID makes it this one among
        // connect-info requests, which all carry requestId 0.
        Request* request = list.find_pid(reply.pid);
        if (!request || request->request_id != record->request_id || request->cmd != record->cmd) continue;
        if (request->state != RequestState::Written && request->state != RequestState::Acknowledged) continue;
        bool overtook_acknowledgement = request->state == RequestState::Written;
        request->result = record->channel_or_result;
        request->data = std::move(record->data);
        fail_earlier_waiting(s, list, *request);
        if (overtook_acknowledgement) write_next_queued(s, list, *request);
        request->state = RequestState::Replied;
        wake(s, *request);
    }
    replies.clear();
}

void timeout_scan(ProviderState& s) {
    std::scoped_lock both(s.connect_list.lock, s.request_list.lock);
    std::uint32_t now = platform::get_tick_count();
    if (elapsed_ms(s.start_tick.load(), now) < s.settings.timeout_interval_ms || !lists_hold_requests(s)) return;
    for (RequestList* list : {&s.connect_list, &s.request_list}) {
        for (auto& item : list->items) {
            Request& request = *item;
            if (request.state != RequestState::Written && request.state != RequestState::Acknowledged) continue;
            // Read afresh: a request written during this scan (the next of a
            // timed-out one) is newer than a tick read at its start, and
            // would look as if the counter had wrapped.
            if (elapsed_ms(request.tick, platform::get_tick_count()) <= s.settings.send_rcv_timeout_ms) continue;
            bool never_acknowledged = request.state == RequestState::Written;
            if (never_acknowledged) s.agent->delete_request(request.pid);
            request.state = RequestState::Failed;
            request.result = -1;
            wake(s, request);
            // The connection's queued requests waited for this one's
            // acknowledgement, which will never come: let the next one go.
            if (never_acknowledged) write_next_queued(s, *list, request);
        }
    }
}

std::uint32_t provider_thread_main() {
    ProviderState& s = state();
    const std::array<platform::Handle, 2> handles{s.agent->reply_event(), s.stop_event.get()};
    std::vector<common::ReplyQueueEntry> acks;
    std::vector<common::ReplyQueueEntry> replies;
    for (;;) {
        std::uint32_t r = platform::wait_for_multiple_objects(handles, kWaitMs);
        if (r == platform::WAIT_OBJECT_0 + 1) return 0;
        if (r == platform::WAIT_FAILED) {
            platform::sleep_ms(kFailedWaitPauseMs);
            continue;
        }
        take_all(s, common::kAcknowledgement, acks);
        process_acknowledgements(s, acks);
        take_all(s, common::kReply, replies);
        process_replies(s, replies);
        if (r == platform::WAIT_TIMEOUT) timeout_scan(s);
    }
}

}  // namespace shareprov
