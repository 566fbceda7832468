// Libraries the platform provides itself: the common controls ("COMCTL32")
// and the rich-text display ("RICHED32", "RICHED20"). Loading one of them by
// name (any extension, any folder, letter case ignored) registers its window
// classes and gives the executable's module handle, as a program that links
// them in would see; freeing it does nothing, as for the executable.
#pragma once

#include <string_view>

namespace platform {

// Runs the set-up of the built-in library `name`; false when the name is
// not one of them.
bool start_builtin_library(std::string_view name);

}  // namespace platform
