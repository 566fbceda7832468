// Every wait is the same loop: note each object's word, try each object in
// order, and if none is ready sleep on all the words at once until one changes.
// Noting the words before trying closes the window in which an object becomes
// ready after its try but before the sleep.
#include "platform/wait.h"

#include <vector>

#include "platform/futex.h"
#include "platform/waitable.h"
#include "platform/win_error.h"

namespace platform {

std::uint32_t wait_for_waitables(std::span<Waitable* const> objects, std::uint32_t timeout_ms) {
    if (objects.empty() || objects.size() > kMaximumWaitObjects + 1) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    const std::int64_t deadline =
        timeout_ms == kInfinite ? -1 : futex::monotonic_ns() + static_cast<std::int64_t>(timeout_ms) * 1000000;
    FutexWatch watches[kMaximumWaitObjects + 1];
    bool slept = false;
    auto finish = [&](size_t taken, std::uint32_t result) {
        if (slept)
            for (size_t i = 0; i < objects.size(); ++i)
                if (i != taken) objects[i]->wait_ended_without_it();
        return result;
    };
    while (true) {
        for (size_t i = 0; i < objects.size(); ++i) watches[i] = objects[i]->watch();
        for (size_t i = 0; i < objects.size(); ++i) {
            switch (objects[i]->try_acquire()) {
            case Acquire::Acquired: return finish(i, WAIT_OBJECT_0 + static_cast<std::uint32_t>(i));
            case Acquire::Abandoned: return finish(i, WAIT_ABANDONED_0 + static_cast<std::uint32_t>(i));
            case Acquire::NotReady: break;
            }
        }
        if (deadline >= 0 && futex::monotonic_ns() >= deadline) return finish(objects.size(), WAIT_TIMEOUT);
        for (size_t i = 0; i < objects.size(); ++i) objects[i]->sleeping(true);
        futex::wait_any(std::span(watches, objects.size()), deadline);
        for (size_t i = 0; i < objects.size(); ++i) objects[i]->sleeping(false);
        slept = true;
    }
}

std::uint32_t wait_for_multiple_objects(std::span<const Handle> handles, std::uint32_t timeout_ms) {
    if (handles.empty() || handles.size() > kMaximumWaitObjects) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    // The objects stay referenced for the whole wait, even if another thread
    // closes a handle meanwhile.
    std::vector<std::shared_ptr<KernelObject>> held;
    held.reserve(handles.size());
    Waitable* objects[kMaximumWaitObjects];
    for (size_t i = 0; i < handles.size(); ++i) {
        auto object = lookup_handle(handles[i]);
        Waitable* w = object ? object->waitable() : nullptr;
        if (!w) {
            set_last_error(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        objects[i] = w;
        held.push_back(std::move(object));
    }
    return wait_for_waitables(std::span<Waitable* const>(objects, handles.size()), timeout_ms);
}

std::uint32_t wait_for_single_object(Handle handle, std::uint32_t timeout_ms) {
    return wait_for_multiple_objects(std::span<const Handle>(&handle, 1), timeout_ms);
}

}  // namespace platform
