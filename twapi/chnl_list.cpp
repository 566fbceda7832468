#include "twapi/chnl_list.h"

#include <limits>

namespace twapi {

bool CChnlList::in_use_locked(std::int32_t handle) const {
    for (const auto& record : records_)
        if (record->handle == handle) return true;
    return false;
}

std::shared_ptr<ChannelRecord> CChnlList::add(int channel_number, PrinterRecord* printer, int older_handle) {
    std::lock_guard guard(lock_);
    bool listed = false;
    for (int i = 0; i < printer->channel_count && i < 16; ++i)
        if (printer->channels[i].channel == channel_number) listed = true;
    if (!listed) return nullptr;

    auto record = std::make_shared<ChannelRecord>();
    record->channel_number = channel_number;
    record->printer = printer;
    record->slot = printer->slot;
    record->older_handle = older_handle;
    do {
        record->handle = next_handle_;
        next_handle_ = next_handle_ == std::numeric_limits<std::int32_t>::max() ? 1 : next_handle_ + 1;
    } while (in_use_locked(record->handle));
    records_.push_back(record);
    return record;
}

std::shared_ptr<ChannelRecord> CChnlList::remove(std::int32_t handle) {
    std::lock_guard guard(lock_);
    for (auto it = records_.begin(); it != records_.end(); ++it) {
        if ((*it)->handle == handle && (*it)->signature == kChannelSignature) {
            auto record = *it;
            records_.erase(it);
            record->signature = 0;
            return record;
        }
    }
    return nullptr;
}

std::shared_ptr<ChannelRecord> CChnlList::find(std::int32_t handle) {
    if (handle <= 0) return nullptr;
    std::lock_guard guard(lock_);
    for (const auto& record : records_)
        if (record->handle == handle && record->signature == kChannelSignature) return record;
    return nullptr;
}

std::shared_ptr<ChannelRecord> CChnlList::find_by_older_handle(int older_handle) {
    std::lock_guard guard(lock_);
    std::shared_ptr<ChannelRecord> found;
    for (const auto& record : records_)
        if (record->older_handle != 0 && record->older_handle == older_handle) found = record;
    return found;
}

}  // namespace twapi
