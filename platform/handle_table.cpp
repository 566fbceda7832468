#include "platform/handle_table.h"

#include <mutex>
#include <unordered_map>

#include "platform/win_error.h"

namespace platform {
namespace {

struct Table {
    std::mutex lock;
    std::unordered_map<Handle, std::shared_ptr<KernelObject>> entries;
    Handle next = 4;
};

Table& table() {
    // Never destroyed: handles may be closed from static destructors of
    // other libraries after this one's statics would have gone.
    static Table* t = new Table;
    return *t;
}

}  // namespace

Handle insert_handle(std::shared_ptr<KernelObject> object) {
    Table& t = table();
    std::lock_guard guard(t.lock);
    if (t.entries.size() >= (1u << 24)) {
        set_last_error(ERROR_NOT_ENOUGH_MEMORY);
        return kNullHandle;
    }
    Handle h;
    do {
        h = t.next;
        t.next += 4;
        if (t.next == 0 || t.next >= 0xFFFFFFF0u) t.next = 4;
    } while (t.entries.count(h) != 0);
    t.entries.emplace(h, std::move(object));
    return h;
}

std::shared_ptr<KernelObject> lookup_handle(Handle handle) {
    Table& t = table();
    {
        std::lock_guard guard(t.lock);
        auto it = t.entries.find(handle);
        if (it != t.entries.end()) return it->second;
    }
    set_last_error(ERROR_INVALID_HANDLE);
    return nullptr;
}

Handle duplicate_handle(Handle handle) {
    auto object = lookup_handle(handle);
    if (!object) return kNullHandle;
    return insert_handle(std::move(object));
}

bool close_handle(Handle handle) {
    std::shared_ptr<KernelObject> object;
    Table& t = table();
    {
        std::lock_guard guard(t.lock);
        auto it = t.entries.find(handle);
        if (it == t.entries.end()) {
            set_last_error(ERROR_INVALID_HANDLE);
            return false;
        }
        object = std::move(it->second);
        t.entries.erase(it);
    }
    // Outside the table lock: the object's teardown may close further handles.
    object.reset();
    return true;
}

std::size_t open_handle_count() {
    Table& t = table();
    std::lock_guard guard(t.lock);
    return t.entries.size();
}

}  // namespace platform
