// The one manager of named kernel objects, and the memory every kernel object
// keeps its state in. Internal to the platform layer.
//
// A named object of the computer is a file in the machine root's objects/
// folder: a header page (kind, size), the object's state (an event's words, a
// mutex), then, for a file mapping, its data. Every process that holds the
// object maps the file once and holds a shared flock on it. The flock is the
// object's reference count between processes: when the last holder closes it
// or dies, killed included, the kernel drops the lock, and the next open finds
// the file unlocked and starts a new object in it. Opens and last closes take
// an exclusive lock on the folder's namespace lock, so "does it exist" and
// "create it" are one step.
// Within a process, one segment per name is shared by every handle.
// Unnamed objects use the same layout in an anonymous memory file.
//
// Object names are case-sensitive as on Windows. "Global\" and "Local\" select
// the same namespace: a simulated computer has one session.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/handle_table.h"
#include "platform/win_error.h"

namespace platform {

enum class OpenMode { CreateOrOpen, OpenExisting };

class ObjectSegment {
public:
    static constexpr std::size_t kStateOffset = 64;
    static constexpr std::size_t kDataOffset = 4096;

    // Opens the named object of `kind`, or creates it (running `init` on its
    // fresh state) when it does not exist and the mode allows. `existed` tells
    // which happened. Errors: ERROR_INVALID_HANDLE when the name belongs to an
    // object of another kind, ERROR_FILE_NOT_FOUND for OpenExisting on a name
    // that does not exist, ERROR_INVALID_NAME for a name with no characters
    // after its namespace prefix.
    static Result<std::shared_ptr<ObjectSegment>> open(std::string_view name, ObjectKind kind,
                                                       std::size_t data_size, OpenMode mode,
                                                       const std::function<void(void*)>& init,
                                                       bool& existed);
    // An unnamed object.
    static Result<std::shared_ptr<ObjectSegment>> create_private(ObjectKind kind, std::size_t data_size,
                                                                 const std::function<void(void*)>& init);

    ~ObjectSegment();
    ObjectSegment(const ObjectSegment&) = delete;
    ObjectSegment& operator=(const ObjectSegment&) = delete;

    void* state() const { return static_cast<char*>(base_) + kStateOffset; }
    int fd() const { return fd_; }
    std::size_t data_size() const { return data_size_; }
    const std::string& name() const { return name_; }
    // Leaves the header page mapped when the segment goes (a mutex still owned
    // by another thread of this process keeps its memory valid for that thread).
    void keep_mapped_forever() { keep_mapped_ = true; }

private:
    ObjectSegment() = default;
    std::string name_;  // empty for unnamed objects
    std::string file_;  // host path of the object file
    int fd_ = -1;
    void* base_ = nullptr;
    std::size_t data_size_ = 0;
    bool keep_mapped_ = false;
};

// CreateEvent / CreateMutex / CreateFileMapping share this: an empty name makes
// an unnamed object, any other name opens or creates the named one; the new
// Object (constructed from the segment) enters the handle table, and the last
// error tells ERROR_ALREADY_EXISTS or ERROR_SUCCESS as Windows does. A failure
// becomes the last error and kNullHandle.
template <class Object>
Handle create_kernel_object(std::string_view name, ObjectKind kind, std::size_t data_size,
                            const std::function<void(void*)>& init) {
    bool existed = false;
    auto segment = name.empty() ? ObjectSegment::create_private(kind, data_size, init)
                                : ObjectSegment::open(name, kind, data_size, OpenMode::CreateOrOpen, init, existed);
    if (!segment) {
        segment.error().make_last();
        return kNullHandle;
    }
    Handle h = insert_handle(std::make_shared<Object>(std::move(segment).value()));
    if (h != kNullHandle) set_last_error(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return h;
}

// OpenEvent / OpenMutex / OpenFileMapping: ERROR_FILE_NOT_FOUND when no object
// of that name exists.
template <class Object>
Handle open_kernel_object(std::string_view name, ObjectKind kind) {
    bool existed = false;
    auto segment = ObjectSegment::open(name, kind, 0, OpenMode::OpenExisting, [](void*) {}, existed);
    if (!segment) {
        segment.error().make_last();
        return kNullHandle;
    }
    Handle h = insert_handle(std::make_shared<Object>(std::move(segment).value()));
    if (h != kNullHandle) set_last_error(ERROR_SUCCESS);
    return h;
}

}  // namespace platform
