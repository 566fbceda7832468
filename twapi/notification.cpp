#include "twapi/notification.h"

#include "platform/message_queue.h"

namespace twapi {

bool post_notification(std::uint32_t window, std::uint32_t message, std::int32_t channel_handle) {
    return platform::post_message(window, message, 0, channel_handle);
}

}  // namespace twapi
