// Files on a POSIX host. Attributes that have no mode bit ride in one
// extended attribute; everything else maps onto stat/statx and friends.
// Errors are translated from errno, with one Windows rule applied by hand:
// a missing last component is ERROR_FILE_NOT_FOUND, a missing folder on the
// way ERROR_PATH_NOT_FOUND (the host says ENOENT for both).
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/files.h"
#include "platform/library.h"
#include "platform/machine_root.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace platform {

XattrCalls& xattr_calls() {
    static XattrCalls calls{&::getxattr, &::setxattr, &::removexattr};
    return calls;
}

namespace {

constexpr std::uint32_t kStoredBits =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

Error fail(Error error) {
    error.make_last();
    return error;
}

// The Windows error for a failed call on `path`.
Error path_error(std::string_view call, const fs::path& path, int err) {
    Error e = errno_error(call, path.string(), err);
    if (err == ENOENT) {
        std::error_code ec;
        bool parent_there = fs::is_directory(path.parent_path(), ec);
        e.code = parent_there ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    } else if (err == ENOTDIR) {
        e.code = ERROR_PATH_NOT_FOUND;
    }
    return fail(std::move(e));
}

Result<fs::path> host(std::string_view path) {
    auto h = to_host_path(path);
    if (!h) return fail(h.error());
    return h;
}

FileTime to_file_time(std::int64_t sec, std::int64_t nsec) {
    return static_cast<FileTime>(sec * 10'000'000 + nsec / 100 + static_cast<std::int64_t>(kUnixEpochAsFileTime));
}

timespec to_timespec(FileTime t) {
    std::int64_t ticks = static_cast<std::int64_t>(t) - static_cast<std::int64_t>(kUnixEpochAsFileTime);
    std::int64_t sec = ticks / 10'000'000;
    std::int64_t rem = ticks % 10'000'000;
    if (rem < 0) {
        rem += 10'000'000;
        --sec;
    }
    return timespec{static_cast<time_t>(sec), static_cast<long>(rem * 100)};
}

FileTimes times_from(const struct statx& st) {
    FileTimes t;
    const auto& born = (st.stx_mask & STATX_BTIME) ? st.stx_btime : st.stx_ctime;
    t.creation = to_file_time(born.tv_sec, born.tv_nsec);
    t.last_access = to_file_time(st.stx_atime.tv_sec, st.stx_atime.tv_nsec);
    t.last_write = to_file_time(st.stx_mtime.tv_sec, st.stx_mtime.tv_nsec);
    return t;
}

int statx_of(const fs::path& path, struct statx& st) {
    return ::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &st);
}

std::uint32_t stored_bits(const fs::path& path) {
    char buf[32];
    ssize_t n = xattr_calls().get(path.c_str(), kAttributesXattr, buf, sizeof buf - 1);
    if (n <= 0) return 0;
    buf[n] = 0;
    return static_cast<std::uint32_t>(std::strtoul(buf, nullptr, 10)) & kStoredBits;
}

std::uint32_t attributes_from(mode_t mode, const fs::path& path) {
    std::uint32_t a = stored_bits(path);
    if (S_ISDIR(mode)) {
        a |= FILE_ATTRIBUTE_DIRECTORY;
    } else {
        // Root may write anything, so only the bit itself can tell.
        a &= ~FILE_ATTRIBUTE_READONLY;
        if ((mode & S_IWUSR) == 0) a |= FILE_ATTRIBUTE_READONLY;
    }
    return a == 0 ? FILE_ATTRIBUTE_NORMAL : a;
}

Status store_bits(const fs::path& path, std::uint32_t bits) {
    if (bits != 0) {
        std::string text = std::to_string(bits);
        if (xattr_calls().set(path.c_str(), kAttributesXattr, text.data(), text.size(), 0) == 0) return {};
        int err = errno;
        Error e = errno_error("setxattr", path.string(), err);
        if (err == ENOTSUP) {
            e.code = ERROR_NOT_SUPPORTED;
            e.text += " (this file system keeps no hidden, system or archive attribute)";
        }
        return fail(std::move(e));
    }
    if (xattr_calls().remove(path.c_str(), kAttributesXattr) == 0 || errno == ENODATA || errno == ENOTSUP)
        return {};
    return path_error("removexattr", path, errno);
}

std::string last_component(std::string_view windows_path) {
    auto cut = windows_path.find_last_of("\\/");
    return std::string(cut == std::string_view::npos ? windows_path : windows_path.substr(cut + 1));
}

// Copies the contents, the mode, the stored attribute bits and the last write
// time of `from` onto `to` (created or truncated).
Status copy_contents(const fs::path& from, const fs::path& to, const struct stat& src, IfExists if_exists) {
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return path_error("open", from, errno);
    int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (if_exists == IfExists::Fail ? O_EXCL : 0);
    int out = ::open(to.c_str(), flags, 0600);
    if (out < 0) {
        int err = errno;
        ::close(in);
        if (err == EEXIST) return fail(Error{ERROR_FILE_EXISTS, "the file " + to.string() + " exists"});
        return path_error("open", to, err);
    }
    char buf[65536];
    Status status;
    while (true) {
        ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            status = path_error("read", from, errno);
            break;
        }
        if (n == 0) break;
        for (ssize_t done = 0; done < n;) {
            ssize_t w = ::write(out, buf + done, static_cast<size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) {
                status = path_error("write", to, errno);
                break;
            }
            done += w;
        }
        if (!status) break;
    }
    if (status) {
        timespec times[2] = {{0, UTIME_NOW}, src.st_mtim};
        if (::fchmod(out, src.st_mode & 07777) != 0 || ::futimens(out, times) != 0)
            status = path_error("fchmod/futimens", to, errno);
    }
    ::close(in);
    ::close(out);
    if (!status) return status;
    // The attribute bits go along where the target's file system keeps them.
    if (std::uint32_t bits = stored_bits(from) & ~FILE_ATTRIBUTE_READONLY) {
        Status ignored = store_bits(to, bits);
        (void)ignored;
        set_last_error(ERROR_SUCCESS);
    }
    return {};
}

}  // namespace

std::uint32_t get_file_attributes(std::string_view path) {
    auto h = host(path);
    if (!h) return INVALID_FILE_ATTRIBUTES;
    struct stat st;
    if (::stat(h->c_str(), &st) != 0) {
        path_error("stat", *h, errno);
        return INVALID_FILE_ATTRIBUTES;
    }
    return attributes_from(st.st_mode, *h);
}

Status set_file_attributes(std::string_view path, std::uint32_t attributes) {
    auto h = host(path);
    if (!h) return h.error();
    struct stat st;
    if (::stat(h->c_str(), &st) != 0) return path_error("stat", *h, errno);
    bool folder = S_ISDIR(st.st_mode);
    std::uint32_t bits = attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    if (folder) bits |= attributes & FILE_ATTRIBUTE_READONLY;
    if (auto stored = store_bits(*h, bits); !stored) return stored;
    if (!folder) {
        mode_t mode = st.st_mode & 07777;
        mode_t wanted = (attributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~mode_t{0222}) : (mode | S_IWUSR);
        if (wanted != mode && ::chmod(h->c_str(), wanted) != 0) return path_error("chmod", *h, errno);
    }
    return {};
}

Result<FileTimes> get_file_times(std::string_view path) {
    auto h = host(path);
    if (!h) return h.error();
    struct statx st;
    if (statx_of(*h, st) != 0) return path_error("statx", *h, errno);
    return times_from(st);
}

Status set_file_times(std::string_view path, std::optional<FileTime> last_access, std::optional<FileTime> last_write) {
    auto h = host(path);
    if (!h) return h.error();
    timespec times[2] = {{0, UTIME_OMIT}, {0, UTIME_OMIT}};
    if (last_access) times[0] = to_timespec(*last_access);
    if (last_write) times[1] = to_timespec(*last_write);
    if (::utimensat(AT_FDCWD, h->c_str(), times, 0) != 0) return path_error("utimensat", *h, errno);
    return {};
}

Result<DiskFreeSpace> get_disk_free_space(std::string_view path) {
    auto h = host(path);
    if (!h) return h.error();
    struct statvfs vfs;
    if (::statvfs(h->c_str(), &vfs) != 0) {
        Error e = path_error("statvfs", *h, errno);
        if (e.code == ERROR_FILE_NOT_FOUND) e.code = ERROR_PATH_NOT_FOUND;
        return fail(std::move(e));
    }
    DiskFreeSpace space;
    space.free_bytes_available_to_caller = std::uint64_t{vfs.f_bavail} * vfs.f_frsize;
    space.total_bytes = std::uint64_t{vfs.f_blocks} * vfs.f_frsize;
    space.total_free_bytes = std::uint64_t{vfs.f_bfree} * vfs.f_frsize;
    return space;
}

Result<std::string> get_temp_path() {
    auto facts = machine_facts();
    if (!facts) return fail(facts.error());
    std::string path = facts->temp_directory;
    if (path.empty() || path.back() != '\\') path += '\\';
    return path;
}

Result<std::string> get_temp_file_name(std::string_view folder, std::string_view prefix, std::uint32_t unique) {
    auto h = host(folder);
    if (!h) return h.error();
    struct stat st;
    if (::stat(h->c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return fail(Error{ERROR_DIRECTORY, "no folder " + std::string(folder)});
    std::string base(folder);
    if (base.empty() || (base.back() != '\\' && base.back() != '/')) base += '\\';
    if (unique != 0) return base + temp_file_name_for(prefix, unique);

    // Start somewhere different in each process and moment, so that several
    // processes making temporary files at once rarely meet.
    auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    std::uint32_t start = static_cast<std::uint32_t>(now ^ (now >> 16) ^ (::getpid() * 2654435761u));
    for (std::uint32_t i = 0; i < 0x10000; ++i) {
        std::uint32_t number = (start + i) & 0xFFFF;
        if (number == 0) continue;
        std::string name = temp_file_name_for(prefix, number);
        fs::path file = *h / name;
        int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return base + name;
        }
        if (errno != EEXIST) return path_error("open", file, errno);
    }
    return fail(Error{ERROR_FILE_EXISTS, "every temporary file name in " + std::string(folder) + " is taken"});
}

Status create_directory(std::string_view path) {
    auto h = host(path);
    if (!h) return h.error();
    if (::mkdir(h->c_str(), 0777) == 0) return {};
    int err = errno;
    if (err == ENOENT) err = ENOTDIR;  // the folder it goes in is missing
    return path_error("mkdir", *h, err);
}

Status remove_directory(std::string_view path) {
    auto h = host(path);
    if (!h) return h.error();
    if (::rmdir(h->c_str()) == 0) return {};
    int err = errno;
    Error e = path_error("rmdir", *h, err);
    if (err == EEXIST || err == ENOTEMPTY) e.code = ERROR_DIR_NOT_EMPTY;
    if (err == ENOTDIR && fs::exists(*h)) e.code = ERROR_DIRECTORY;
    return fail(std::move(e));
}

Status delete_file(std::string_view path) {
    auto h = host(path);
    if (!h) return h.error();
    struct stat st;
    if (::lstat(h->c_str(), &st) != 0) return path_error("lstat", *h, errno);
    if (S_ISDIR(st.st_mode)) return fail(Error{ERROR_ACCESS_DENIED, h->string() + " is a folder"});
    if (!S_ISLNK(st.st_mode) && (st.st_mode & S_IWUSR) == 0)
        return fail(Error{ERROR_ACCESS_DENIED, h->string() + " is read-only"});
    if (::unlink(h->c_str()) != 0) return path_error("unlink", *h, errno);
    return {};
}

Status copy_file(std::string_view from, std::string_view to, IfExists if_exists) {
    auto src = host(from);
    if (!src) return src.error();
    auto dst = host(to);
    if (!dst) return dst.error();
    struct stat st;
    if (::stat(src->c_str(), &st) != 0) return path_error("stat", *src, errno);
    if (S_ISDIR(st.st_mode)) return fail(Error{ERROR_ACCESS_DENIED, src->string() + " is a folder"});
    struct stat existing;
    if (::stat(dst->c_str(), &existing) == 0) {
        if (if_exists == IfExists::Fail) return fail(Error{ERROR_FILE_EXISTS, "the file " + dst->string() + " exists"});
        if (S_ISDIR(existing.st_mode) || (existing.st_mode & S_IWUSR) == 0)
            return fail(Error{ERROR_ACCESS_DENIED, dst->string() + " is read-only or a folder"});
        if (existing.st_dev == st.st_dev && existing.st_ino == st.st_ino) return {};
    }
    return copy_contents(*src, *dst, st, if_exists);
}

Status move_file(std::string_view from, std::string_view to, IfExists if_exists) {
    auto src = host(from);
    if (!src) return src.error();
    auto dst = host(to);
    if (!dst) return dst.error();
    struct stat st;
    if (::lstat(src->c_str(), &st) != 0) return path_error("lstat", *src, errno);
    struct stat existing;
    if (::lstat(dst->c_str(), &existing) == 0) {
        if (existing.st_dev == st.st_dev && existing.st_ino == st.st_ino) {
            // The target was found by folding case: it is the file itself,
            // renamed to another spelling.
            fs::path respelled = dst->parent_path() / last_component(to);
            if (::rename(src->c_str(), respelled.c_str()) != 0) return path_error("rename", respelled, errno);
            return {};
        }
        if (if_exists == IfExists::Fail)
            return fail(Error{ERROR_ALREADY_EXISTS, "the file " + dst->string() + " exists"});
        if (S_ISDIR(existing.st_mode)) return fail(Error{ERROR_ACCESS_DENIED, dst->string() + " is a folder"});
    }
    unsigned flags = if_exists == IfExists::Fail ? RENAME_NOREPLACE : 0;
    if (::renameat2(AT_FDCWD, src->c_str(), AT_FDCWD, dst->c_str(), flags) == 0) return {};
    int err = errno;
    if (err == EEXIST) return fail(Error{ERROR_ALREADY_EXISTS, "the file " + dst->string() + " exists"});
    if (err != EXDEV) return path_error("rename", *dst, err);
    if (S_ISDIR(st.st_mode))
        return fail(Error{ERROR_NOT_SAME_DEVICE, "cannot move the folder " + src->string() + " to another drive"});
    if (auto copied = copy_contents(*src, *dst, st, if_exists); !copied) return copied;
    if (::unlink(src->c_str()) != 0) return path_error("unlink", *src, errno);
    return {};
}

Result<std::vector<FoundFile>> find_files(std::string_view pattern) {
    auto cut = pattern.find_last_of("\\/");
    std::string folder = cut == std::string_view::npos ? std::string(".") : std::string(pattern.substr(0, cut + 1));
    std::string name_pattern(cut == std::string_view::npos ? pattern : pattern.substr(cut + 1));
    auto h = host(folder);
    if (!h) return h.error();
    std::error_code ec;
    if (!fs::is_directory(*h, ec)) return fail(Error{ERROR_PATH_NOT_FOUND, "no folder " + folder});

    std::vector<FoundFile> found;
    for (fs::directory_iterator it(*h, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (!wildcard_match(name_pattern, name)) continue;
        struct statx st;
        if (statx_of(it->path(), st) != 0) continue;  // vanished, or a dangling link
        FoundFile f;
        f.name = std::move(name);
        f.attributes = attributes_from(st.stx_mode, it->path());
        f.size = S_ISDIR(st.stx_mode) ? 0 : st.stx_size;
        f.times = times_from(st);
        found.push_back(std::move(f));
    }
    if (ec) return path_error("readdir", *h, ec.value());
    if (found.empty()) return fail(Error{ERROR_FILE_NOT_FOUND, "nothing matches " + std::string(pattern)});
    std::sort(found.begin(), found.end(),
              [](const FoundFile& a, const FoundFile& b) { return icompare(a.name, b.name) < 0; });
    return found;
}

Result<std::string> get_module_file_name(Handle module) {
    if (module == kNullHandle) {
        std::error_code ec;
        fs::path exe = fs::read_symlink("/proc/self/exe", ec);
        if (ec) return fail(errno_error("readlink", "/proc/self/exe", ec.value()));
        return to_windows_path(exe);
    }
    auto path = module_host_path(module);
    if (!path) return fail(path.error());
    return to_windows_path(*path);
}

}  // namespace platform
