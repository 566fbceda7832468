#include "twapi/rcv_data_list.h"

#include <algorithm>
#include <cstring>

#include "twapi/provider.h"

namespace twapi {

std::list<RcvData>::iterator CRcvDataList::find(int request_id) {
    return std::find_if(entries_.begin(), entries_.end(),
                        [request_id](const RcvData& e) { return e.request_id == request_id; });
}

void CRcvDataList::forget_abandoned(int request_id) {
    abandoned_.erase(request_id);
    auto it = std::find(abandoned_order_.begin(), abandoned_order_.end(), request_id);
    if (it != abandoned_order_.end()) abandoned_order_.erase(it);
}

std::optional<Registration> CRcvDataList::add_reply_take_registration(RcvData reply) {
    std::lock_guard guard(lock_);
    if (abandoned_.contains(reply.request_id)) {
        forget_abandoned(reply.request_id);
        return std::nullopt;
    }
    std::optional<Registration> taken;
    auto it = find(reply.request_id);
    if (it != entries_.end()) {
        if (it->complete) return std::nullopt;
        if (it->window != 0) taken = Registration{it->window, it->message, it->channel};
        entries_.erase(it);
    }
    reply.complete = 1;
    reply.window = 0;
    reply.message = 0;
    reply.channel = 0;
    entries_.push_back(std::move(reply));
    ++reply_count_;
    while (reply_count_ > kMaxReplies) {
        auto oldest = std::find_if(entries_.begin(), entries_.end(), [](const RcvData& e) { return e.complete != 0; });
        entries_.erase(oldest);
        --reply_count_;
    }
    return taken;
}

RegisterOutcome CRcvDataList::add_registration(int request_id, std::uint32_t window, std::uint32_t message,
                                               std::int32_t channel) {
    std::lock_guard guard(lock_);
    auto it = find(request_id);
    if (it != entries_.end()) return it->complete ? RegisterOutcome::ReplyPresent : RegisterOutcome::Refused;
    RcvData entry;
    entry.request_id = request_id;
    entry.window = window;
    entry.message = message;
    entry.channel = channel;
    entries_.push_back(std::move(entry));
    return RegisterOutcome::Added;
}

int CRcvDataList::poll(int request_id, void* buffer, int* size) {
    if (size == nullptr) return kProviderNothingReceived;
    std::lock_guard guard(lock_);
    auto it = std::find_if(entries_.begin(), entries_.end(), [request_id](const RcvData& e) {
        return e.request_id == request_id && e.complete != 0;
    });
    if (it == entries_.end()) return 0;
    if (it->result <= 0) return it->result;
    if (buffer == nullptr || it->length > *size) {
        *size = it->length;
        return kProviderBufferTooSmall;
    }
    if (it->length > 0) std::memcpy(buffer, it->data.data(), static_cast<std::size_t>(it->length));
    *size = it->length;
    int length = it->length;
    entries_.erase(it);
    --reply_count_;
    return length;
}

bool CRcvDataList::remove(int request_id) {
    std::lock_guard guard(lock_);
    auto it = find(request_id);
    if (it == entries_.end()) return false;
    if (it->complete) --reply_count_;
    entries_.erase(it);
    return true;
}

void CRcvDataList::abandon(int request_id) {
    if (request_id == 0) return;
    std::lock_guard guard(lock_);
    auto it = find(request_id);
    if (it != entries_.end()) {
        bool arrived = it->complete != 0;
        if (arrived) --reply_count_;
        entries_.erase(it);
        if (arrived) return;
    }
    if (abandoned_.insert(request_id).second) {
        abandoned_order_.push_back(request_id);
        if (abandoned_order_.size() > kMaxAbandoned) {
            abandoned_.erase(abandoned_order_.front());
            abandoned_order_.pop_front();
        }
    }
}

void CRcvDataList::remove_all() {
    std::lock_guard guard(lock_);
    entries_.clear();
    reply_count_ = 0;
    abandoned_.clear();
    abandoned_order_.clear();
}

std::size_t CRcvDataList::entry_count() {
    std::lock_guard guard(lock_);
    return entries_.size();
}

std::size_t CRcvDataList::abandoned_count() {
    std::lock_guard guard(lock_);
    return abandoned_.size();
}

}  // namespace twapi
