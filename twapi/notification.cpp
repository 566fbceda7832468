#include "twapi/notification.h"

#include <atomic>

namespace twapi {

namespace {
std::atomic<NotificationSink> g_sink{nullptr};
}

bool post_notification(std::uint32_t window, std::uint32_t message, std::int32_t channel_handle) {
    NotificationSink sink = g_sink.load(std::memory_order_acquire);
    if (sink == nullptr) return false;
    return sink(window, message, 0, channel_handle);
}

NotificationSink set_notification_sink_for_testing(NotificationSink sink) {
    return g_sink.exchange(sink, std::memory_order_acq_rel);
}

}  // namespace twapi
