#include "platform/object_segment.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/machine_root.h"

namespace platform {
namespace {

constexpr std::uint32_t kMagic = 0x4a424f54;  // "TOBJ"

struct Header {
    std::uint32_t magic;
    std::uint32_t kind;
    std::uint64_t data_size;
};
static_assert(sizeof(Header) <= ObjectSegment::kStateOffset);

// Process-wide table of the named segments this process holds.
struct Registry {
    std::mutex lock;
    std::map<std::string, std::weak_ptr<ObjectSegment>> segments;  // by object file path
};

Registry& registry() {
    static Registry* r = new Registry;
    return *r;
}

std::string_view strip_namespace(std::string_view name) {
    for (std::string_view prefix : {"Global\\", "Local\\"})
        if (name.substr(0, prefix.size()) == prefix) return name.substr(prefix.size());
    return name;
}

// A file name for an object name: letters, digits and a few marks stay, the
// rest is %XX; very long names are shortened with a hash of the whole name.
std::string file_name_for(std::string_view name) {
    std::string out;
    for (unsigned char c : name) {
        if (std::isalnum(c) || c == '_' || c == '-' || c == '.') {
            out += static_cast<char>(c);
        } else {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        }
    }
    if (out.size() > 200) {
        std::uint64_t h = 1469598103934665603ull;
        for (unsigned char c : name) h = (h ^ c) * 1099511628211ull;
        char buf[24];
        std::snprintf(buf, sizeof buf, "~%016llx", static_cast<unsigned long long>(h));
        out = out.substr(0, 150) + buf;
    }
    return out;
}

std::size_t total_size(std::size_t data_size) { return ObjectSegment::kDataOffset + data_size; }

// Holds the namespace lock of the computer's objects folder.
class NamespaceLock {
public:
    explicit NamespaceLock(const std::string& folder) {
        fd_ = ::open((folder + "/.namespace.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd_ >= 0)
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~NamespaceLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool ok() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace

Result<std::shared_ptr<ObjectSegment>> ObjectSegment::open(std::string_view raw_name, ObjectKind kind,
                                                           std::size_t data_size, OpenMode mode,
                                                           const std::function<void(void*)>& init,
                                                           bool& existed) {
    existed = false;
    std::string_view name = strip_namespace(raw_name);
    if (name.empty()) return Error{ERROR_INVALID_NAME, "empty object name"};
    auto objects = machine_objects_folder();
    if (!objects) return objects.error();
    std::string folder = objects->string();
    std::string file = folder + "/" + file_name_for(name);

    Registry& reg = registry();
    std::lock_guard guard(reg.lock);
    if (auto it = reg.segments.find(file); it != reg.segments.end()) {
        if (auto held = it->second.lock()) {
            auto* header = static_cast<Header*>(held->base_);
            if (header->kind != static_cast<std::uint32_t>(kind))
                return Error{ERROR_INVALID_HANDLE, "the name " + std::string(raw_name) + " belongs to another kind of object"};
            existed = true;
            return held;
        }
    }

    NamespaceLock ns(folder);
    if (!ns.ok()) return errno_error("open", folder + "/.namespace.lock", errno);
    // Until it succeeds the open works on a bare descriptor: a segment object's
    // destructor would want the namespace lock this function holds.
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return errno_error("open", file, errno);
    auto fail = [&](Error error, void* mapped) {
        if (mapped) ::munmap(mapped, kDataOffset);
        ::close(fd);
        return error;
    };

    void* base = nullptr;
    std::size_t size = data_size;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        // Nobody holds it: the object does not exist (any file content is left
        // over from holders that are gone).
        if (mode == OpenMode::OpenExisting) {
            ::unlink(file.c_str());
            return fail(Error{ERROR_FILE_NOT_FOUND, "no object named " + std::string(raw_name)}, nullptr);
        }
        if (::ftruncate(fd, 0) != 0 || ::ftruncate(fd, static_cast<off_t>(total_size(data_size))) != 0)
            return fail(errno_error("ftruncate", file, errno), nullptr);
        base = ::mmap(nullptr, kDataOffset, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (base == MAP_FAILED) return fail(errno_error("mmap", file, errno), nullptr);
        init(static_cast<char*>(base) + kStateOffset);
        auto* header = static_cast<Header*>(base);
        header->kind = static_cast<std::uint32_t>(kind);
        header->data_size = data_size;
        header->magic = kMagic;
        ::flock(fd, LOCK_SH);  // safe to convert: the namespace lock keeps others out
    } else {
        ::flock(fd, LOCK_SH);
        base = ::mmap(nullptr, kDataOffset, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (base == MAP_FAILED) return fail(errno_error("mmap", file, errno), nullptr);
        auto* header = static_cast<Header*>(base);
        if (header->magic != kMagic || header->kind != static_cast<std::uint32_t>(kind))
            return fail(Error{ERROR_INVALID_HANDLE,
                              "the name " + std::string(raw_name) + " belongs to another kind of object"},
                        base);
        size = header->data_size;
        existed = true;
    }
    auto segment = std::shared_ptr<ObjectSegment>(new ObjectSegment);
    segment->name_ = std::string(raw_name);
    segment->file_ = file;
    segment->fd_ = fd;
    segment->base_ = base;
    segment->data_size_ = size;
    reg.segments[file] = segment;
    return segment;
}

Result<std::shared_ptr<ObjectSegment>> ObjectSegment::create_private(ObjectKind kind, std::size_t data_size,
                                                                     const std::function<void(void*)>& init) {
    int fd = ::memfd_create("twprinter-object", MFD_CLOEXEC);
    if (fd < 0) return errno_error("memfd_create", "", errno);
    auto segment = std::shared_ptr<ObjectSegment>(new ObjectSegment);
    segment->fd_ = fd;
    if (::ftruncate(fd, static_cast<off_t>(total_size(data_size))) != 0) return errno_error("ftruncate", "memfd", errno);
    void* base = ::mmap(nullptr, kDataOffset, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED) return errno_error("mmap", "memfd", errno);
    segment->base_ = base;
    segment->data_size_ = data_size;
    auto* header = static_cast<Header*>(base);
    header->magic = kMagic;
    header->kind = static_cast<std::uint32_t>(kind);
    header->data_size = data_size;
    init(segment->state());
    return segment;
}

ObjectSegment::~ObjectSegment() {
    if (base_ && !keep_mapped_) ::munmap(base_, kDataOffset);
    if (fd_ < 0) return;
    if (!file_.empty()) {
        // The last holder on the computer removes the file; the namespace lock
        // keeps an opener from slipping in between the test and the unlink.
        // The close itself happens after the lock is let go: freeing the file's
        // pages can take a while, and other openers need not wait for it.
        std::string folder = file_.substr(0, file_.rfind('/'));
        NamespaceLock ns(folder);
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) ::unlink(file_.c_str());
    }
    ::close(fd_);
}

}  // namespace platform
