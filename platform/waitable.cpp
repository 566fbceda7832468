#include "platform/waitable.h"

#include "platform/futex.h"

namespace platform {

void SignalOnce::set() {
    word_.store(1, std::memory_order_release);
    futex::wake_all(&word_);
}

}  // namespace platform
