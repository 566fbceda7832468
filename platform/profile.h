// INI profile files, with the behaviour of the Windows private-profile functions.
//
// Mirrors Windows:
//   - section and key names compare without regard to letter case; the first
//     of two equal sections or keys is the one read;
//   - a value loses the blanks around it, and one pair of matching quotes
//     ("..." or '...') around the whole value;
//   - lines whose first non-blank character is ';' are comments, kept on write;
//   - a missing file, section or key reads as the default (which loses its
//     trailing blanks, as on Windows);
//   - read_int takes an optional sign and decimal digits after leading blanks
//     and stops at the first other character; a key whose value does not start
//     with a number reads as 0, a missing key as the default;
//   - writing a key creates the file and the section as needed; the file keeps
//     its line endings (new files get "\r\n"); writing "no value" deletes the
//     key, deleting a section removes its header and keys.
//   - read_string_into fills a caller's buffer exactly as GetPrivateProfileString
//     does, truncation and double-zero-terminated name lists included.
// Differs: every call reads the file afresh (Windows caches a few files); a
// write holds an exclusive lock on the file while it rewrites it and a read a
// shared one, so processes never see half a write.
//
// Files are host paths: use profile_path() to turn the name the system uses
// ("MODEL.INI", "C:\WINDOWS\MODEL.INI") into one.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/win_error.h"

namespace platform::profile {

using Path = std::filesystem::path;

// A bare file name is in the Windows directory; anything else is a path
// (see paths.h).
Path profile_path(std::string_view windows_name);

std::string read_string(const Path& file, std::string_view section, std::string_view key,
                        std::string_view default_value = {});
std::int32_t read_int(const Path& file, std::string_view section, std::string_view key,
                      std::int32_t default_value);

// Names in file order, each once.
std::vector<std::string> section_names(const Path& file);
std::vector<std::string> key_names(const Path& file, std::string_view section);
// The section's lines as "key=value" (comments left out), in file order.
std::vector<std::string> read_section(const Path& file, std::string_view section);

// Writes key=value; creates what is missing.
Status write_string(const Path& file, std::string_view section, std::string_view key,
                    std::string_view value);
Status delete_key(const Path& file, std::string_view section, std::string_view key);
Status delete_section(const Path& file, std::string_view section);

// GetPrivateProfileString into a buffer of `size` bytes. A null section lists
// the section names, a null key the section's key names, each zero-terminated
// and the list closed by a second zero. Returns the number of characters
// written without the final zero; a truncated value returns size - 1, a
// truncated list size - 2.
std::uint32_t read_string_into(const Path& file, const char* section, const char* key,
                               const char* default_value, char* buffer, std::uint32_t size);

}  // namespace platform::profile
