// The process's handle table: every kernel object, thread, process and module
// handle the platform gives out is a 32-bit number from here, never an address,
// so handles fit the 32-bit fields the system keeps them in.
//
// Mirrors Windows: handle values are non-zero multiples of 4; a handle stays
// valid until close_handle(); closing one handle leaves other handles to the
// same object working; the object itself lives while any handle (or any other
// reference, such as a mapped view) holds it. Values are not reused until
// about a billion other handles have been given out, so a stale handle fails
// with ERROR_INVALID_HANDLE instead of reaching a stranger's object.
//
// Thread-safe. Window handles are not in this table: they are computer-wide.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

#include "platform/win_error.h"

namespace platform {

using Handle = std::uint32_t;
inline constexpr Handle kNullHandle = 0;

enum class ObjectKind { Event, Mutex, FileMapping, Thread, Process, Module, Other };

class Waitable;

// Anything a handle can stand for.
class KernelObject {
public:
    virtual ~KernelObject() = default;
    virtual ObjectKind kind() const = 0;
    // The object's wait interface, or null for objects one cannot wait on.
    virtual Waitable* waitable() { return nullptr; }
};

// Enters an object into the table; returns its new handle (kNullHandle only when
// the table is full, with ERROR_NOT_ENOUGH_MEMORY as the last error).
Handle insert_handle(std::shared_ptr<KernelObject> object);

// The object behind a handle, or null (last error ERROR_INVALID_HANDLE).
std::shared_ptr<KernelObject> lookup_handle(Handle handle);

// The object behind a handle when it is of type T, otherwise null with
// ERROR_INVALID_HANDLE.
template <class T>
std::shared_ptr<T> lookup_handle_as(Handle handle) {
    auto object = std::dynamic_pointer_cast<T>(lookup_handle(handle));
    if (!object) set_last_error(ERROR_INVALID_HANDLE);
    return object;
}

// A second handle to the same object (DuplicateHandle within the process).
Handle duplicate_handle(Handle handle);

// CloseHandle: false with ERROR_INVALID_HANDLE when the handle is not open.
bool close_handle(Handle handle);

// Number of open handles in this process (for leak checks in tests).
std::size_t open_handle_count();

// Owns one handle and closes it when it goes.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != kNullHandle; }
    Handle release() noexcept { return std::exchange(handle_, kNullHandle); }
    void reset(Handle handle = kNullHandle) {
        Handle old = std::exchange(handle_, handle);
        if (old != kNullHandle) close_handle(old);
    }

private:
    Handle handle_ = kNullHandle;
};

}  // namespace platform
