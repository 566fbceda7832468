// The registry of the computer: the Win32 registry model on the machine root's
// hive files.
//
// Mirrors Windows:
//   - two predefined roots, HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER; keys
//     hold subkeys and typed values, one of them the unnamed default value;
//   - key and value names compare ignoring ASCII letter case and keep the
//     spelling they were first written with;
//   - strings are ANSI bytes; a REG_SZ or REG_EXPAND_SZ stores what the
//     caller gives, conventionally including the terminating zero (the
//     convenience setters add it, the convenience readers drop it);
//   - RegQueryValueEx buffer rules (query_value with a buffer), ERROR_MORE_DATA
//     with the needed size, ERROR_FILE_NOT_FOUND for a missing key or value,
//     ERROR_NO_MORE_ITEMS past the last item of an enumeration;
//   - deleting a key that still has subkeys fails with ERROR_ACCESS_DENIED, as
//     on Windows NT; delete_tree removes a whole subtree (RegDeleteTree);
//   - subkeys enumerate sorted by name ignoring case; values in the order
//     they were first written (a value keeps its place when it is rewritten).
//
// Deliberately different:
//   - an open RegKey names its key by path, not by identity: when another
//     handle or process deletes the key, calls on it fail with
//     ERROR_KEY_DELETED, but if the same path is created again the old RegKey
//     sees the new key;
//   - key and value names may not contain CR, LF or NUL (the hive is a text
//     file of lines): ERROR_INVALID_PARAMETER;
//   - no security, no volatile keys, no notifications, no 64-bit views;
//   - the registry functions also store their error as the calling thread's
//     last error (with a text naming file and line for a broken hive), so that
//     tools can print it; Windows leaves the last error alone.
//
// Storage: registry/HKEY_LOCAL_MACHINE.reg and registry/HKEY_CURRENT_USER.reg
// in the machine root, in the regedit text format (registry_hive.h). A hive
// file that does not exist is created with its seed keys on first use. Every
// change takes an exclusive flock on registry/<hive>.lock, re-reads the hive
// if another process changed it, applies the change and replaces the file by
// rename, so no update is lost and no reader sees half a file. Reads take no
// lock: they re-parse the file only when its identity (inode, size, times)
// changed, and otherwise cost one stat().
//
// A hive that does not parse (a person broke it by hand) makes every call on
// that hive fail with ERROR_BADDB and the text "<file> line <n>: <reason>";
// the file is left as it is until someone repairs or replaces it.
//
// Blocking: calls read and write files; a change waits for other processes'
// changes to the same hive. Threads: every call is thread-safe, on the same
// RegKey too; a RegKey may be moved between threads.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_error.h"

namespace platform {

inline constexpr std::uint32_t REG_NONE = 0;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_EXPAND_SZ = 2;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;
inline constexpr std::uint32_t REG_MULTI_SZ = 7;

enum class RootKey { LocalMachine, CurrentUser };

// "HKEY_LOCAL_MACHINE"/"HKLM", "HKEY_CURRENT_USER"/"HKCU", any letter case.
std::optional<RootKey> parse_root_name(std::string_view name);
// The full name, "HKEY_LOCAL_MACHINE".
std::string_view root_name(RootKey root);

namespace registry_detail {
struct Hive;
// Test seam: the write(2) that stores hive files, so a test can make a write
// fail halfway. Returns the previous function; not for use while other
// threads change the registry.
using WriteFunction = long (*)(int fd, const void* data, unsigned long size);
WriteFunction replace_write_for_testing(WriteFunction write);
}  // namespace registry_detail

struct RegValue {
    std::string name;
    std::uint32_t type = REG_NONE;
    std::vector<std::uint8_t> data;
};

// What RegQueryInfoKey reports. Name lengths are in characters without the
// terminating zero; max_value_data is in bytes.
struct RegKeyInfo {
    std::uint32_t subkeys = 0;
    std::uint32_t max_subkey_name = 0;
    std::uint32_t values = 0;
    std::uint32_t max_value_name = 0;
    std::uint32_t max_value_data = 0;
};

enum class RegDisposition { CreatedNew, OpenedExisting };  // REG_CREATED_NEW_KEY / REG_OPENED_EXISTING_KEY

struct CreatedKey;

// An open key (HKEY). Closed when destroyed; movable, not copyable.
class RegKey {
public:
    RegKey() = default;
    RegKey(RegKey&&) noexcept = default;
    RegKey& operator=(RegKey&&) noexcept = default;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey() = default;

    // A root key of this process's computer. Does no I/O and cannot fail.
    static RegKey root(RootKey root);
    // RegOpenKeyEx: `path` is relative, parts separated by backslashes; an
    // empty path opens the same key again.
    [[nodiscard]] static Result<RegKey> open(RootKey root, std::string_view path);
    [[nodiscard]] Result<RegKey> open(std::string_view path) const;
    // RegCreateKeyEx: opens the key, creating every missing level.
    [[nodiscard]] static Result<CreatedKey> create(RootKey root, std::string_view path);
    [[nodiscard]] Result<CreatedKey> create(std::string_view path) const;

    bool is_open() const { return hive_ != nullptr; }
    void close();
    // Full path with the spelling stored in the hive, "HKEY_LOCAL_MACHINE\Software".
    const std::string& path() const { return full_path_; }

    // RegQueryValueEx. `type`, `data` and `size` may each be null as Windows
    // allows: with data null, *size receives the needed size; with a buffer
    // smaller than the data, ERROR_MORE_DATA and *size the needed size.
    // `name` empty or null means the default value.
    [[nodiscard]] WinError query_value(const char* name, std::uint32_t* type, void* data,
                                       std::uint32_t* size) const;
    // The same, as a value.
    [[nodiscard]] Result<RegValue> query_value(std::string_view name) const;
    // REG_SZ or REG_EXPAND_SZ, up to its first zero (ERROR_UNSUPPORTED_TYPE for others).
    [[nodiscard]] Result<std::string> query_string(std::string_view name) const;
    // REG_DWORD of four bytes (ERROR_UNSUPPORTED_TYPE for others).
    [[nodiscard]] Result<std::uint32_t> query_dword(std::string_view name) const;
    // REG_MULTI_SZ as its strings (ERROR_UNSUPPORTED_TYPE for others).
    [[nodiscard]] Result<std::vector<std::string>> query_multi_string(std::string_view name) const;

    // RegSetValueEx: stores the bytes as given.
    [[nodiscard]] Status set_value(std::string_view name, std::uint32_t type, std::span<const std::uint8_t> data) const;
    // Adds the terminating zero. `type` is REG_SZ or REG_EXPAND_SZ.
    [[nodiscard]] Status set_string(std::string_view name, std::string_view value, std::uint32_t type = REG_SZ) const;
    [[nodiscard]] Status set_dword(std::string_view name, std::uint32_t value) const;
    // Each string zero-terminated, then one more zero.
    [[nodiscard]] Status set_multi_string(std::string_view name, const std::vector<std::string>& values) const;

    // RegDeleteValue.
    [[nodiscard]] Status delete_value(std::string_view name) const;
    // RegDeleteKey: `path` names a subkey, which must have no subkeys; an
    // empty path deletes this key itself (never a root: ERROR_ACCESS_DENIED).
    [[nodiscard]] Status delete_key(std::string_view path) const;
    // RegDeleteTree: the subkey and everything below it; with an empty path,
    // every value and subkey of this key (the key itself stays).
    [[nodiscard]] Status delete_tree(std::string_view path) const;

    // RegEnumKeyEx / RegEnumValue by index; ERROR_NO_MORE_ITEMS past the end.
    [[nodiscard]] Result<std::string> enum_key(std::uint32_t index) const;
    [[nodiscard]] Result<RegValue> enum_value(std::uint32_t index) const;
    // RegQueryInfoKey.
    [[nodiscard]] Result<RegKeyInfo> query_info() const;

    // This key and its subtree as a REGEDIT4 file.
    [[nodiscard]] Result<std::string> export_text() const;

private:
    RegKey(registry_detail::Hive* hive, std::vector<std::string> parts);
    registry_detail::Hive* hive_ = nullptr;
    std::vector<std::string> parts_;  // path below the root, stored spelling
    std::string full_path_;
};

struct CreatedKey {
    RegKey key;
    RegDisposition disposition = RegDisposition::OpenedExisting;
};

// Applies a .reg file: keys and values are merged in, "[-KEY]" deletes a key
// tree, "name"=- deletes a value. The whole text is checked first: a text that
// does not parse changes nothing and fails with ERROR_INVALID_DATA naming
// `source` and the line. Each hive is changed in one step.
[[nodiscard]] Status import_reg_text(std::string_view text, std::string_view source = "import");
[[nodiscard]] Status import_reg_file(const std::filesystem::path& file);

}  // namespace platform
