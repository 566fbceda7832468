// The version query: GetVersionEx / GetVersion, answered from the computer's
// facts (machine_root.h), so tests switch a computer between Windows 95/98
// (platform 1) and the NT family (platform 2, major 4 or 5) by rewriting them.
#pragma once

#include <cstdint>
#include <string>

#include "platform/machine_root.h"
#include "platform/win_error.h"

namespace platform {

inline constexpr std::uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr std::uint32_t VER_PLATFORM_WIN32_NT = 2;

// Fails only when the machine root cannot be read.
Result<WindowsVersion> get_version_ex();

// GetVersion's packed form: major in the low byte, minor in the next, the build
// in the high word, and bit 31 set on Windows 95/98.
std::uint32_t get_version();

// GetComputerName.
std::string get_computer_name();

}  // namespace platform
