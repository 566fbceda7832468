// What the older two-way library (the stand-in TWAPI.so) serves, kept in the
// registry so that a person can see and change it:
//
//   HKEY_LOCAL_MACHINE\SOFTWARE\KAVRO\TWPrinter\OldTWAPI\Printers
//
// One string value per printer the library answers for. The value's name is
// the name callers give (a printer name such as "Back Office", or a port name
// such as "\\ATTIC\Old"); its data is the name of the simulated printer
// behind it. Names compare without regard to letter case, as registry value
// names do; the kind a caller passes (printer or port name) does not matter.
//
// Thread-safe; every call reads or writes the registry.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/win_error.h"

namespace oldtwapi {

inline constexpr const char* kPrintersKey = "SOFTWARE\\KAVRO\\TWPrinter\\OldTWAPI\\Printers";

[[nodiscard]] platform::Status map_printer(std::string_view name, std::string_view simulator);
[[nodiscard]] platform::Status unmap_printer(std::string_view name);
// ERROR_FILE_NOT_FOUND when the name is not one of the library's printers.
[[nodiscard]] platform::Result<std::string> simulator_of(std::string_view name);
// (name, simulated printer) pairs in the order they were written.
std::vector<std::pair<std::string, std::string>> mapped_printers();

}  // namespace oldtwapi
