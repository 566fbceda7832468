// SignalOnce wakes every sleeper on its word when it is set.
#include "platform/waitable.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <climits>

namespace platform {

void SignalOnce::set() {
    if (word_.exchange(1, std::memory_order_acq_rel) != 0) return;
    ::syscall(SYS_futex, &word_, FUTEX_WAKE_PRIVATE, INT_MAX, nullptr, nullptr, 0);
}

}  // namespace platform
