// Mutexes: CreateMutex / OpenMutex / ReleaseMutex.
//
// Mirrors Windows: a mutex is owned by a thread and may be taken again by its
// owner (each wait must be matched by a release); a wait on a mutex whose
// owning thread ended without releasing it — its process killed included —
// takes it over and returns WAIT_ABANDONED_0 (+ index). Creating a name that
// exists opens it, ignores the initial-owner request and sets the last error
// to ERROR_ALREADY_EXISTS. release_mutex by a thread that does not own it fails
// with ERROR_NOT_OWNER.
// Differs: closing the last handle of a mutex in a process while the closing
// thread owns it releases it first (Windows would leave it owned until the
// object goes); this keeps the owner's bookkeeping valid.
// The mutex is a process-shared, robust, recursive POSIX mutex kept in the
// object's shared memory; the kernel marks it when its owner dies.
#pragma once

#include <string_view>

#include "platform/handle_table.h"

namespace platform {

// Empty name: an unnamed mutex. kNullHandle on failure (last error set).
Handle create_mutex(std::string_view name, bool initially_owned);
Handle open_mutex(std::string_view name);
bool release_mutex(Handle mutex);

}  // namespace platform
