// CRcv: the receiver of one provider slot. Its thread sits in the provider's
// TWPReceive, records every reply in the slot's CRcvDataList, posts the
// notification a caller registered for it, and sets the slot's event so that
// a waiting caller looks again.
#pragma once

#include <atomic>
#include <cstddef>

#include "platform/handle_table.h"
#include "twapi/provider.h"
#include "twapi/rcv_data_list.h"

namespace twapi {

class CRcv {
public:
    // The receive thread's stack, as every receiver has had it.
    static constexpr std::size_t kStackSize = 16384;
    // The largest reply the thread fetches with a bigger buffer after the
    // provider reported -5; see provider.h.
    static constexpr int kMaxReplyLength = 16 * 1024 * 1024;

    CRcv() = default;
    virtual ~CRcv();
    CRcv(const CRcv&) = delete;
    CRcv& operator=(const CRcv&) = delete;

    // Copies the record and starts the receive thread. False when the record
    // has no TWPReceive/TWPReceiveCancel, the event is missing, or the thread
    // cannot be created.
    bool start(const ProviderRecord* record, platform::Handle event);
    // Clears the running mark, calls TWPReceiveCancel and waits for the
    // thread without a limit. Does nothing when not started.
    void stop();

    CRcvDataList& replies() { return replies_; }
    platform::Handle event() const { return event_; }

private:
    std::uint32_t run();
    // Stores one reply, posts its registration's message, sets the event.
    void record(int request_id, int result, const void* data, int length);

    ProviderRecord record_{};
    CRcvDataList replies_;
    std::atomic<bool> running_{false};
    platform::Handle event_ = platform::kNullHandle;
    platform::Handle thread_ = platform::kNullHandle;
};

}  // namespace twapi
