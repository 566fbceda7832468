// Files and folders by their Windows names: attributes, times, free space,
// the temporary folder and temporary file names, folder and file
// management, finding files by wildcard, and the file name of a module.
//
// Every path is a Windows path, translated with to_host_path() (so letter
// case of existing names is ignored and "/..." host paths work too).
//
// Mirrors Windows:
// - Attributes (GetFileAttributes / SetFileAttributes): READONLY, HIDDEN,
//   SYSTEM, ARCHIVE can be set and are given back by a later read, in this
//   and in every other process. READONLY of a file is its owner write
//   permission bit (cleared = read-only), so `ls -l` shows it; setting it
//   clears all write bits, clearing it gives the owner write permission back.
//   HIDDEN, SYSTEM, ARCHIVE (and READONLY of a folder, which on Windows does
//   not stop anyone writing into it, while a mode bit would) live in the
//   extended attribute "user.twprinter.attributes" as a decimal number.
//   NORMAL is reported only when nothing else is; DIRECTORY comes from the
//   file type and cannot be set. A missing file gives INVALID_FILE_ATTRIBUTES
//   with ERROR_FILE_NOT_FOUND, a missing folder on the way
//   ERROR_PATH_NOT_FOUND.
// - DeleteFile refuses a read-only file (ERROR_ACCESS_DENIED), even though
//   the host would let us (tests run as root); CopyFile refuses to overwrite
//   a read-only file the same way. CopyFile carries attributes and the last
//   write time over; MoveFile works across host file systems by copying.
// - Times are FILETIMEs: 100-ns ticks since 1601-01-01 UTC. Creation is the
//   file's birth time where the file system records one, else its change
//   time.
// - GetTempFileName: "<up to 3 chars of prefix><4 hex digits>.TMP"; with
//   unique 0 it picks a number and creates the (empty) file, trying the next
//   number while a name is taken; with any other unique it only makes the name.
// - FindFirstFile/FindNextFile: '*' and '?' in the last component, letter
//   case ignored; "*.*" matches every name, also one without a dot.
//
// Differs:
// - The creation time cannot be set (Linux keeps no settable birth time);
//   set_file_times() leaves it alone.
// - ARCHIVE is not set by writes; it is only what was last set.
// - find_files() returns everything at once, sorted by name ignoring case,
//   and never lists "." and "..". '?' always stands for exactly one
//   character (the old DOS rule that lets it match none before a dot is not
//   kept), and there are no 8.3 short names to match against.
// - Where the file system refuses extended attributes, setting HIDDEN,
//   SYSTEM or ARCHIVE fails with ERROR_NOT_SUPPORTED (reading gives none).
//
// Every call blocks on the file system. Thread-safe. Failing calls return an
// Error and also make it the thread's last error, as the Windows calls do.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/handle_table.h"
#include "platform/win_error.h"

namespace platform {

inline constexpr std::uint32_t FILE_ATTRIBUTE_READONLY = 0x1;
inline constexpr std::uint32_t FILE_ATTRIBUTE_HIDDEN = 0x2;
inline constexpr std::uint32_t FILE_ATTRIBUTE_SYSTEM = 0x4;
inline constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr std::uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr std::uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

// The extended attribute that keeps the bits the mode cannot show.
inline constexpr const char* kAttributesXattr = "user.twprinter.attributes";

// GetFileAttributes: the attributes, or INVALID_FILE_ATTRIBUTES with the last
// error set.
std::uint32_t get_file_attributes(std::string_view path);

// SetFileAttributes. NORMAL alone clears everything; DIRECTORY is ignored.
Status set_file_attributes(std::string_view path, std::uint32_t attributes);

// A FILETIME as one number: 100-ns ticks since 1601-01-01 00:00 UTC.
using FileTime = std::uint64_t;

// Ticks between 1601-01-01 and the Unix epoch.
inline constexpr FileTime kUnixEpochAsFileTime = 116444736000000000ull;

struct FileTimes {
    FileTime creation = 0;
    FileTime last_access = 0;
    FileTime last_write = 0;
};

Result<FileTimes> get_file_times(std::string_view path);

// SetFileTime: times left empty are not changed; creation is never changed.
Status set_file_times(std::string_view path, std::optional<FileTime> last_access,
                      std::optional<FileTime> last_write);

// GetDiskFreeSpaceEx for the file system that holds `path` (a folder or file).
struct DiskFreeSpace {
    std::uint64_t free_bytes_available_to_caller = 0;
    std::uint64_t total_bytes = 0;
    std::uint64_t total_free_bytes = 0;
};
Result<DiskFreeSpace> get_disk_free_space(std::string_view path);

// GetTempPath: the computer's temporary folder as a Windows path ending in '\'.
Result<std::string> get_temp_path();

// GetTempFileName: the Windows path of a temporary file in `folder`. Fails
// with ERROR_DIRECTORY when the folder does not exist, ERROR_FILE_EXISTS when
// every number is taken.
Result<std::string> get_temp_file_name(std::string_view folder, std::string_view prefix,
                                       std::uint32_t unique);

// The name alone that get_temp_file_name() makes for a unique number
// ("TWP01A2.TMP"); touches no disk.
std::string temp_file_name_for(std::string_view prefix, std::uint32_t unique);

// CreateDirectory (ERROR_ALREADY_EXISTS, ERROR_PATH_NOT_FOUND) and
// RemoveDirectory (ERROR_DIR_NOT_EMPTY, ERROR_DIRECTORY for a file).
Status create_directory(std::string_view path);
Status remove_directory(std::string_view path);

// DeleteFile: ERROR_ACCESS_DENIED for a read-only file or a folder.
Status delete_file(std::string_view path);

enum class IfExists { Fail, Replace };

// CopyFile: ERROR_FILE_EXISTS when the target exists and `if_exists` is Fail.
Status copy_file(std::string_view from, std::string_view to, IfExists if_exists);

// MoveFile(Ex): ERROR_ALREADY_EXISTS when the target exists and `if_exists`
// is Fail. Renaming a file to its own name in another letter case works.
Status move_file(std::string_view from, std::string_view to, IfExists if_exists = IfExists::Fail);

// One entry found by find_files(), as WIN32_FIND_DATA describes it.
struct FoundFile {
    std::string name;  // the file name alone, as stored
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    FileTimes times;
};

// FindFirstFile/FindNextFile with a pattern such as "C:\\DISKS\\DISK?.CAB".
// ERROR_FILE_NOT_FOUND when nothing matches, ERROR_PATH_NOT_FOUND when the
// folder does not exist.
Result<std::vector<FoundFile>> find_files(std::string_view pattern);

// Whether `name` matches a Windows wildcard pattern, letter case ignored.
bool wildcard_match(std::string_view pattern, std::string_view name);

// GetModuleFileName: the Windows path of the executable (module 0) or of a
// module from load_library(); ERROR_INVALID_HANDLE for anything else. Host
// files outside the machine root come out on drive Z:.
Result<std::string> get_module_file_name(Handle module);

// The extended-attribute calls, replaceable so that tests can play a file
// system that refuses them. Not for use outside tests.
struct XattrCalls {
    ssize_t (*get)(const char* path, const char* name, void* value, size_t size);
    int (*set)(const char* path, const char* name, const void* value, size_t size, int flags);
    int (*remove)(const char* path, const char* name);
};
XattrCalls& xattr_calls();

}  // namespace platform
