#include "platform/event.h"

#include <atomic>
#include <cstdint>
#include <new>

#include "platform/futex.h"
#include "platform/object_segment.h"
#include "platform/waitable.h"

namespace platform {
namespace {

// Lives in the object's segment, so every process sees the same words.
struct EventState {
    std::atomic<std::uint32_t> signalled;
    std::atomic<std::uint32_t> sleepers;  // threads asleep on `signalled`, on all processes
    std::uint32_t manual;
};

class EventObject final : public KernelObject, public Waitable {
public:
    explicit EventObject(std::shared_ptr<ObjectSegment> segment)
        : segment_(std::move(segment)), state_(static_cast<EventState*>(segment_->state())) {}

    ObjectKind kind() const override { return ObjectKind::Event; }
    Waitable* waitable() override { return this; }

    void set() {
        state_->signalled.store(1, std::memory_order_seq_cst);
        if (state_->sleepers.load(std::memory_order_seq_cst) != 0) futex::wake_all(&state_->signalled);
    }
    void reset() { state_->signalled.store(0, std::memory_order_seq_cst); }

    FutexWatch watch() override { return {&state_->signalled, state_->signalled.load(std::memory_order_seq_cst)}; }
    Acquire try_acquire() override {
        if (state_->manual) return state_->signalled.load(std::memory_order_acquire) ? Acquire::Acquired : Acquire::NotReady;
        std::uint32_t one = 1;
        return state_->signalled.compare_exchange_strong(one, 0, std::memory_order_acq_rel) ? Acquire::Acquired
                                                                                             : Acquire::NotReady;
    }
    void sleeping(bool now_asleep) override {
        if (now_asleep)
            state_->sleepers.fetch_add(1, std::memory_order_seq_cst);
        else
            state_->sleepers.fetch_sub(1, std::memory_order_seq_cst);
    }

private:
    std::shared_ptr<ObjectSegment> segment_;
    EventState* state_;
};

}  // namespace

Handle create_event(std::string_view name, EventReset reset, bool initially_set) {
    auto init = [&](void* state) {
        new (state) EventState{{initially_set ? 1u : 0u}, {0}, reset == EventReset::Manual ? 1u : 0u};
    };
    return create_kernel_object<EventObject>(name, ObjectKind::Event, 0, init);
}

Handle open_event(std::string_view name) { return open_kernel_object<EventObject>(name, ObjectKind::Event); }

bool set_event(Handle event) {
    auto e = lookup_handle_as<EventObject>(event);
    if (!e) return false;
    e->set();
    return true;
}

bool reset_event(Handle event) {
    auto e = lookup_handle_as<EventObject>(event);
    if (!e) return false;
    e->reset();
    return true;
}

}  // namespace platform
