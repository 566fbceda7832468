#include "twapi/rcv.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/event.h"
#include "platform/thread.h"
#include "platform/wait.h"
#include "twapi/notification.h"

namespace twapi {

CRcv::~CRcv() { stop(); }

bool CRcv::start(const ProviderRecord* record, platform::Handle event) {
    if (record == nullptr || event == platform::kNullHandle) return false;
    if (record->TWPReceive == nullptr || record->TWPReceiveCancel == nullptr) return false;
    // The record is copied whole (native pointer width, documented order).
    std::memcpy(&record_, record, sizeof(ProviderRecord));
    event_ = event;
    running_.store(true);
    thread_ = platform::create_thread([this] { return run(); }, kStackSize, platform::ThreadStart::Running, nullptr);
    if (thread_ == platform::kNullHandle) {
        running_.store(false);
        event_ = platform::kNullHandle;
        return false;
    }
    return true;
}

void CRcv::stop() {
    if (thread_ == platform::kNullHandle) return;
    running_.store(false);
    record_.TWPReceiveCancel();
    platform::wait_for_single_object(thread_, platform::kInfinite);
    platform::close_handle(thread_);
    thread_ = platform::kNullHandle;
    event_ = platform::kNullHandle;
}

void CRcv::record(int request_id, int result, const void* data, int length) {
    RcvData reply;
    reply.request_id = request_id;
    reply.result = result;
    reply.length = std::max(length, 0);
    if (result > 0 && reply.length > 0) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        reply.data.assign(bytes, bytes + reply.length);
    }
    std::optional<Registration> registration = replies_.add_reply_take_registration(std::move(reply));
    // The reply is in the list before the window hears of it.
    if (registration) post_notification(registration->window, registration->message, registration->channel);
    platform::set_event(event_);
}

std::uint32_t CRcv::run() {
    std::vector<std::uint8_t> large;
    while (running_.load()) {
        std::uint8_t buffer[kReceiveBufferSize];
        int request_id = 0;
        int size = kReceiveBufferSize;
        int result = record_.TWPReceive(&request_id, buffer, &size);
        if (!running_.load()) break;
        if (result == kProviderNothingReceived) continue;
        if (result != kProviderBufferTooSmall || size <= kReceiveBufferSize) {
            // Never trust a length beyond the buffer the provider was given.
            record(request_id, result, buffer, std::min(size, kReceiveBufferSize));
            continue;
        }
        // A reply longer than the buffer: the provider keeps it and hands it
        // out whole to the next call with a buffer of the size it asked for.
        int id = request_id;
        int needed = size;
        bool too_long = false;
        for (;;) {
            if (needed > kMaxReplyLength) {
                too_long = true;
                break;
            }
            try {
                if (large.size() < static_cast<std::size_t>(needed)) large.resize(static_cast<std::size_t>(needed));
            } catch (const std::bad_alloc&) {
                too_long = true;
                break;
            }
            size = needed;
            result = record_.TWPReceive(&id, large.data(), &size);
            if (!running_.load()) return 0;
            if (result == kProviderBufferTooSmall && size > needed) {
                needed = size;
                continue;
            }
            break;
        }
        if (too_long) {
            // Too long to take in: the caller hears of a failed request
            // instead of waiting for ever.
            record(id, kProviderFailed, nullptr, 0);
            continue;
        }
        if (result == kProviderNothingReceived) continue;
        record(id, result, large.data(), std::min(size, needed));
        if (large.size() > static_cast<std::size_t>(kReceiveBufferSize) * 4) {
            large.clear();
            large.shrink_to_fit();
        }
    }
    return 0;
}

}  // namespace twapi
