// Inside the platform: how the resource functions (resources.cpp) reach the
// resources of a loaded module (library.cpp keeps them with the module).
#pragma once

#include <memory>

#include "platform/handle_table.h"
#include "platform/resource_script.h"
#include "platform/win_error.h"

namespace platform {

// The resources of a loaded module; module 0 (or the executable's handle) is
// the executable, whose script is read on first use. ERROR_INVALID_HANDLE for
// anything else, ERROR_RESOURCE_DATA_NOT_FOUND for a module without a script,
// and the script's own error when the executable's script does not read.
// The script stays valid while the caller holds it.
Result<std::shared_ptr<const ResourceScript>> module_resources(Handle module);

}  // namespace platform
