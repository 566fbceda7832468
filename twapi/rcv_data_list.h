// CRcvDataList: one provider slot's replies and registrations.
//
// An entry is either a reply (complete = 1: what TWPReceive handed over for a
// request id) or a registration (complete = 0: the window to tell when the
// reply for that id arrives). There is at most one entry per request id.
//
// Replies nobody fetches must not pile up in a long-running process, so the
// list also forgets on purpose:
//   - abandon(id) removes the id's entry and, when its reply has not arrived
//     yet, remembers the id so that the reply is dropped on arrival. Callers
//     abandon a request whose channel was closed, whose wait ended, or that a
//     newer request on the same channel replaced.
//   - at most kMaxReplies replies are held; beyond that the oldest is
//     dropped, and at most kMaxAbandoned abandoned ids are remembered.
//
// Thread-safe: every operation runs under the list's own lock, which is never
// held while calling a provider or posting a message.
#pragma once

#include <cstdint>
#include <deque>
#include <list>
#include <mutex>
#include <optional>
#include <unordered_set>
#include <vector>

namespace twapi {

// The header fields keep the documented order (request id, window, message,
// channel, complete, length, result); the data live in their own buffer
// instead of following the header in one block.
struct RcvData {
    int request_id = 0;
    std::uint32_t window = 0;
    std::uint32_t message = 0;
    std::int32_t channel = 0;
    int complete = 0;
    int length = 0;
    int result = 0;
    std::vector<std::uint8_t> data;  // present only when result > 0
};

struct Registration {
    std::uint32_t window = 0;
    std::uint32_t message = 0;
    std::int32_t channel = 0;
};

enum class RegisterOutcome {
    Added,         // the window will be told when the reply arrives
    ReplyPresent,  // the reply is already here: poll again instead of waiting
    Refused,       // another registration for the id exists
};

class CRcvDataList {
public:
    static constexpr std::size_t kMaxReplies = 1024;
    static constexpr std::size_t kMaxAbandoned = 4096;

    CRcvDataList() = default;
    virtual ~CRcvDataList() = default;
    CRcvDataList(const CRcvDataList&) = delete;
    CRcvDataList& operator=(const CRcvDataList&) = delete;

    // Records a reply and, in the same step, takes the registration that
    // waited for it (if any), so that a registration and its reply never
    // miss each other. A reply for an abandoned id, or for an id that
    // already has a reply, is dropped: returns nullopt then too.
    std::optional<Registration> add_reply_take_registration(RcvData reply);

    RegisterOutcome add_registration(int request_id, std::uint32_t window, std::uint32_t message,
                                     std::int32_t channel);

    // The poll, in provider codes: size null -7; no reply 0; a reply whose
    // result is 0 or negative gives that result and stays; a reply longer
    // than *size, or no buffer, gives -5 with *size = its length and stays;
    // otherwise the bytes are copied, *size = length, the entry is removed and
    // the length returned.
    int poll(int request_id, void* buffer, int* size);

    // Removes the entry for the id (reply or registration); true if one was there.
    bool remove(int request_id);
    // The request will never be fetched: remove its entry, or drop its reply
    // when it comes.
    void abandon(int request_id);
    void remove_all();

    std::size_t entry_count();
    std::size_t abandoned_count();

private:
    std::list<RcvData>::iterator find(int request_id);
    void forget_abandoned(int request_id);

    std::mutex lock_;
    std::list<RcvData> entries_;
    std::size_t reply_count_ = 0;
    std::deque<int> abandoned_order_;
    std::unordered_set<int> abandoned_;
};

}  // namespace twapi
