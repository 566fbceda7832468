// The provider's requests and the two lists that hold them: the connect list
// (connect-info requests, CMD 34) and the request list (device ID, send and
// status, CMD 33, 35, 36). A request's state says how far it has come:
//
//   0 queued: an earlier request of the same connection is not yet acknowledged
//   1 written to the request queue, not yet acknowledged
//   3 acknowledged (delivered to the print server), waiting for the reply
//   4 reply received
//   5 failed (not written, not delivered, superseded or timed out)
//
// Per connection and list at most one request is on its way to the agent and
// not yet acknowledged; the others wait in state 0, in call order.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/handle_table.h"

namespace shareprov {

enum class RequestState : std::int32_t { Queued = 0, Written = 1, Acknowledged = 3, Replied = 4, Failed = 5 };

struct Request {
    std::int32_t request_id = 0;  // from TWAPI2; 0 for connect info
    std::int32_t cmd = 0;
    std::int32_t channel = 0;
    std::int32_t connection = 0;
    std::vector<std::uint8_t> data;  // the bytes to send, later the reply's bytes
    RequestState state = RequestState::Queued;
    std::uint32_t tick = 0;    // when written or acknowledged
    std::int32_t result = 0;   // the reply's result
    std::uint32_t pid = 0;     // the request entry's PID, the key of its acknowledgement
    // Connect info only: set when this request is finished (state 4 or 5), so
    // that each waiting TWPGetConnectInfo call wakes for its own answer.
    platform::UniqueHandle done;
};

using RequestPtr = std::unique_ptr<Request>;

// One list and its lock. The lock is re-entrant for its owner; the provider
// thread takes both lists' locks together (std::scoped_lock).
struct RequestList {
    std::recursive_mutex lock;
    std::list<RequestPtr> items;

    using Iterator = std::list<RequestPtr>::iterator;

    // The last request of the connection, or null.
    Request* last_of(std::int32_t connection);
    Request* find_pid(std::uint32_t pid);
    // Every request before `position` with the same connection still waiting
    // for its reply (state 3) fails: a later reply of the connection supersedes
    // it. Returns the ones failed, so the caller can wake their waiters.
    std::vector<Request*> fail_earlier_waiting(const Request& request);
    // The first request after `request` with the same connection in state 0.
    Request* next_queued(const Request& request);
    // The first request in state 4 or 5. When it was answered (state 4), the
    // ones of the same connection before it still in state 3 are dropped
    // without a reply.
    Iterator find_finished();
    void remove(const Request* request);
};

// Milliseconds from `earlier` to `now` on the 32-bit tick count. When the
// counter has wrapped in between (now below earlier) the difference is one
// less than the modulo-2^32 difference, as the system has always counted it.
std::uint32_t elapsed_ms(std::uint32_t earlier, std::uint32_t now);

}  // namespace shareprov
