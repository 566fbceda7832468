#include "platform/tick.h"

#include <atomic>

#include "platform/futex.h"
#include "platform/machine_root.h"

namespace platform {
namespace {

std::atomic<bool> bias_known{false};
std::atomic<std::uint32_t> bias{0};

std::uint32_t clock_ms() { return static_cast<std::uint32_t>(futex::monotonic_ms()); }

}  // namespace

std::uint32_t get_tick_count() {
    if (!bias_known.load(std::memory_order_acquire)) {
        auto facts = machine_facts();
        bias.store(facts ? facts->tick_bias : 0, std::memory_order_relaxed);
        bias_known.store(true, std::memory_order_release);
    }
    return clock_ms() + bias.load(std::memory_order_relaxed);
}

void set_tick_count_for_testing(std::uint32_t value) {
    bias.store(value - clock_ms(), std::memory_order_relaxed);
    bias_known.store(true, std::memory_order_release);
}

std::uint32_t tick_bias_for(std::uint32_t value) { return value - clock_ms(); }

}  // namespace platform
