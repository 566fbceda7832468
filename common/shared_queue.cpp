#include "common/shared_queue.h"

#include <cstring>
#include <vector>

#include "common/queue_entries.h"
#include "platform/event.h"
#include "platform/file_mapping.h"
#include "platform/mutex.h"
#include "platform/registry.h"
#include "platform/thread.h"
#include "platform/tick.h"
#include "platform/version.h"
#include "platform/wait.h"

namespace common {

using namespace platform;

std::string queue_name(QueueKind kind, std::int32_t twpid) {
    switch (kind) {
    case QueueKind::GlobalRequest: return "KAVRO_Share2_GlobalRequestQueue";
    case QueueKind::Request: return "KAVRO_Share2_DLLRequestQueue" + std::to_string(twpid);
    case QueueKind::Reply: return "KAVRO_Share2_DLLReplyQueue" + std::to_string(twpid);
    }
    return {};
}

std::uint32_t slot_size(QueueKind kind) {
    return kind == QueueKind::GlobalRequest ? static_cast<std::uint32_t>(kGlobalSlotSize)
                                            : static_cast<std::uint32_t>(kEntrySlotSize);
}

std::string object_prefix() {
    auto version = get_version_ex();
    if (!version || version->platform_id != VER_PLATFORM_WIN32_NT) return {};
    if (version->major > 4) return "Global\\";
    if (version->major < 4) return {};
    auto key = RegKey::open(RootKey::LocalMachine, "System\\CurrentControlSet\\Control\\ProductOptions");
    if (!key) return {};
    std::vector<char> suite(1024, 0);
    std::uint32_t type = 0;
    std::uint32_t size = static_cast<std::uint32_t>(suite.size());
    if (key->query_value("ProductSuite", &type, suite.data(), &size) != ERROR_SUCCESS || type != REG_MULTI_SZ)
        return {};
    // The strings follow each other, each closed by a zero; the zeroed buffer
    // ends the list even when the value was cut.
    for (std::size_t at = 0; at < suite.size() && suite[at] != 0;) {
        std::size_t end = at;
        while (end < suite.size() && suite[end] != 0) ++end;
        if (std::string_view(suite.data() + at, end - at) == "Terminal Server") return "Global\\";
        at = end + 1;
    }
    return {};
}

QueueObjectNames queue_object_names(QueueKind kind, std::int32_t twpid) {
    std::string p = object_prefix();
    std::string q = queue_name(kind, twpid);
    return {p + "KAVRO_Share2_CommonMemoryMutex" + q, p + "KAVRO_Share2_CommonMemoryEvent" + q, p + q};
}

void SharedQueue::open(QueueKind kind, std::int32_t twpid) {
    close();
    QueueObjectNames names = queue_object_names(kind, twpid);
    slot_size_ = slot_size(kind);
    mutex_ = create_mutex(names.mutex, false);
    event_ = create_event(names.event, EventReset::Auto, false);
    // The mutex makes "open the mapping, see whether it existed, clear it" one
    // step for everybody who opens the queue.
    if (mutex_ != kNullHandle) wait_for_single_object(mutex_, kInfinite);
    mapping_ = create_file_mapping(names.mapping, slot_size_);
    created_ = mapping_ != kNullHandle && last_error() != ERROR_ALREADY_EXISTS;
    if (mapping_ != kNullHandle) {
        view_ = static_cast<std::uint8_t*>(map_view_of_file(mapping_, 0, slot_size_));
        if (view_ == nullptr) {
            close_handle(mapping_);
            mapping_ = kNullHandle;
        } else if (created_) {
            std::memset(view_, 0, slot_size_);
        }
    }
    if (mutex_ != kNullHandle) release_mutex(mutex_);
    lock_timeout_ms_ = kLockTimeoutMs;
}

void SharedQueue::close() {
    if (view_) unmap_view_of_file(view_);
    view_ = nullptr;
    for (Handle* h : {&mapping_, &mutex_, &event_}) {
        if (*h != kNullHandle) close_handle(*h);
        *h = kNullHandle;
    }
    created_ = false;
}

bool SharedQueue::lock() {
    std::uint32_t r = wait_for_single_object(mutex_, lock_timeout_ms_);
    return r == WAIT_OBJECT_0 || r == WAIT_ABANDONED_0;
}

void SharedQueue::unlock() { release_mutex(mutex_); }

int SharedQueue::write(const void* data, std::uint32_t length) {
    if ((data == nullptr && length != 0) || view_ == nullptr || length > slot_size_) return -1;
    const std::uint32_t start = get_tick_count();
    while (get_tick_count() - start < lock_timeout_ms_) {
        if (!lock()) return -2;
        if (view_[0] == 0) {
            if (length != 0) {
                std::memcpy(view_, data, length);
                set_event(event_);
            }
            unlock();
            return 0;
        }
        unlock();
        sleep_ms(kFullSlotRetryMs);
    }
    return -2;
}

int SharedQueue::read_all(void* buffer, std::uint32_t buffer_size, std::uint32_t* out_length) {
    if (view_ == nullptr || buffer == nullptr || out_length == nullptr) return -1;
    if (buffer_size < slot_size_) {
        *out_length = slot_size_;
        return -3;
    }
    if (!lock()) {
        std::memset(buffer, 0, buffer_size);
        *out_length = 0;
        return -2;
    }
    std::memcpy(buffer, view_, slot_size_);
    *out_length = slot_size_;
    std::memset(view_, 0, slot_size_);
    unlock();
    return 0;
}

int SharedQueue::read_matching(void* buffer, std::uint32_t buffer_size, std::uint32_t* out_length,
                               std::uint32_t key, std::uint32_t key_offset) {
    if (view_ == nullptr || slot_size_ < key_offset + 4 || key_offset > slot_size_) return -1;
    if (buffer != nullptr) {
        if (buffer_size < slot_size_) {
            if (out_length) *out_length = slot_size_;
            return -3;
        }
        std::memset(buffer, 0, buffer_size);
        if (out_length) *out_length = 0;
    }
    if (!lock()) return -2;
    std::uint32_t word = 0;
    std::memcpy(&word, view_ + key_offset, 4);  // entries are little-endian, as is this machine
    if (word != key) {
        unlock();
        return 1;
    }
    if (buffer != nullptr) std::memcpy(buffer, view_, slot_size_);
    if (out_length) *out_length = slot_size_;
    std::memset(view_, 0, slot_size_);
    unlock();
    return 0;
}

}  // namespace common
