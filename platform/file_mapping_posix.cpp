#include "platform/file_mapping.h"

#include <sys/mman.h>

#include <cerrno>
#include <map>
#include <mutex>

#include "platform/object_segment.h"

namespace platform {
namespace {

class MappingObject final : public KernelObject {
public:
    explicit MappingObject(std::shared_ptr<ObjectSegment> segment) : segment_(std::move(segment)) {}
    ObjectKind kind() const override { return ObjectKind::FileMapping; }
    const std::shared_ptr<ObjectSegment>& segment() const { return segment_; }

private:
    std::shared_ptr<ObjectSegment> segment_;
};

// Each view keeps its mapping's segment alive, as a view keeps a Windows
// mapping alive after its handle is closed.
struct View {
    std::size_t length;
    std::shared_ptr<ObjectSegment> segment;
};

struct Views {
    std::mutex lock;
    std::map<const void*, View> by_address;
};

Views& views() {
    static Views* v = new Views;
    return *v;
}

}  // namespace

Handle create_file_mapping(std::string_view name, std::uint32_t size) {
    if (size == 0) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return kNullHandle;
    }
    return create_kernel_object<MappingObject>(name, ObjectKind::FileMapping, size, [](void*) {});
}

Handle open_file_mapping(std::string_view name) {
    return open_kernel_object<MappingObject>(name, ObjectKind::FileMapping);
}

std::uint32_t file_mapping_size(Handle mapping) {
    auto m = lookup_handle_as<MappingObject>(mapping);
    return m ? static_cast<std::uint32_t>(m->segment()->data_size()) : 0;
}

void* map_view_of_file(Handle mapping, std::uint32_t offset, std::size_t bytes) {
    auto m = lookup_handle_as<MappingObject>(mapping);
    if (!m) return nullptr;
    const auto& segment = m->segment();
    std::size_t size = segment->data_size();
    if (bytes == 0 && offset < size) bytes = size - offset;
    if (offset % 4096 != 0 || bytes == 0 || offset > size || bytes > size - offset) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    void* view = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, segment->fd(),
                        static_cast<off_t>(ObjectSegment::kDataOffset + offset));
    if (view == MAP_FAILED) {
        errno_error("mmap", segment->name(), errno).make_last();
        return nullptr;
    }
    Views& v = views();
    std::lock_guard guard(v.lock);
    v.by_address[view] = View{bytes, segment};
    return view;
}

bool unmap_view_of_file(const void* view) {
    View gone;
    {
        Views& v = views();
        std::lock_guard guard(v.lock);
        auto it = v.by_address.find(view);
        if (it == v.by_address.end()) {
            set_last_error(ERROR_INVALID_PARAMETER);
            return false;
        }
        gone = std::move(it->second);
        v.by_address.erase(it);
    }
    ::munmap(const_cast<void*>(view), gone.length);
    return true;
}

}  // namespace platform
