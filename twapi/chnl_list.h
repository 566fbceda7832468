// CChnlList: the open channels. A channel handle is a number from a counter
// that starts at 1, stays positive, wraps before 2^31 and skips numbers still
// in use, so a handle is never 0, never negative and unique among open
// channels; a closed handle is not handed out again until the counter has
// gone round.
//
// Lookups hand out shared ownership: a record closed on one thread stays
// valid for a call that found it just before on another.
#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>

#include "twapi/printer_list.h"

namespace twapi {

inline constexpr std::uint32_t kChannelSignature = 0x43484E4C;  // 'CHNL'

enum class PendingKind : int { None = 0, Status = 1, Send = 2 };

struct ChannelRecord {
    std::uint32_t signature = kChannelSignature;
    int channel_number = 0;
    PrinterRecord* printer = nullptr;
    int request_id = 0;
    PendingKind pending_kind = PendingKind::None;
    // Set by TWReceiveCancel, possibly from another thread than the waiter.
    std::atomic<int> cancel_mark{0};
    int option1 = 2048;
    int option2 = 1024;
    std::uint32_t read_window = 0;
    std::uint32_t status_window = 0;
    std::uint32_t read_message = 1025;
    std::uint32_t status_message = 1026;
    int slot = 0;
    int older_handle = 0;
    std::int32_t handle = 0;
};

class CChnlList {
public:
    CChnlList() = default;
    virtual ~CChnlList() = default;
    CChnlList(const CChnlList&) = delete;
    CChnlList& operator=(const CChnlList&) = delete;

    // Null when the printer has no channel with that number.
    std::shared_ptr<ChannelRecord> add(int channel_number, PrinterRecord* printer, int older_handle);
    // The record taken out of the list, or null when the handle is not open.
    std::shared_ptr<ChannelRecord> remove(std::int32_t handle);
    std::shared_ptr<ChannelRecord> find(std::int32_t handle);
    bool is_valid(std::int32_t handle) { return find(handle) != nullptr; }
    // The last record whose older-library handle is the value asked for.
    std::shared_ptr<ChannelRecord> find_by_older_handle(int older_handle);

private:
    bool in_use_locked(std::int32_t handle) const;

    std::mutex lock_;
    std::list<std::shared_ptr<ChannelRecord>> records_;
    std::int32_t next_handle_ = 1;
};

}  // namespace twapi
