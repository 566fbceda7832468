// Windows paths on the host's file system.
//
// Mirrors Windows: "C:\WINDOWS\x.ini", "c:/windows/X.INI" and "C:WINDOWS\x.ini"
// name the same file; a path that starts with one backslash is on drive C:;
// "." and ".." are resolved by the text of the path; existing files and folders
// are found whatever the letter case of the path, while new names keep the
// case they were given.
// Drive letters map to folders given in the machine's facts: A: and C: are
// folders of the machine root, Z: is the host's "/" (so every host file has a
// Windows name, and a module loaded from the build tree reports one).
// Differs: a path that starts with "/" is taken as a host path as it stands,
// for tools and tests; UNC paths ("\\server\share") have no host file and
// fail with ERROR_BAD_PATHNAME. Relative paths are relative to the process's
// current directory.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/win_error.h"

namespace platform {

// The host path of a Windows path. Fails for an unmapped drive letter
// (ERROR_PATH_NOT_FOUND) or a UNC path (ERROR_BAD_PATHNAME).
Result<std::filesystem::path> to_host_path(std::string_view windows_path);

// The Windows name of a host path: the drive whose folder holds it most
// closely (Z: at the worst), with backslashes.
std::string to_windows_path(const std::filesystem::path& host_path);

// The host path of an existing entry found by letter case folding, component
// by component; components that do not exist are kept as given.
std::filesystem::path find_case_insensitive(const std::filesystem::path& host_path);

// The machine's folders as host paths (created when the root is created).
Result<std::filesystem::path> windows_directory_host_path();
Result<std::filesystem::path> system_directory_host_path();
Result<std::filesystem::path> temp_directory_host_path();

}  // namespace platform
