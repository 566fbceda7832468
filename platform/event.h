// Events: CreateEvent / OpenEvent / SetEvent / ResetEvent.
//
// Mirrors Windows: an auto-reset event releases exactly one wait and turns
// non-signalled again; a manual-reset event releases every wait until it is
// reset. Named events are shared by every process of the computer; creating a
// name that exists opens the existing event (its reset kind and state are
// kept, the arguments ignored) and sets the last error to ERROR_ALREADY_EXISTS,
// a fresh one clears it. A name held by a mutex or mapping fails with
// ERROR_INVALID_HANDLE. The event lives while any process holds a handle.
// Wait on it with wait.h. Thread-safe; set and reset never block.
#pragma once

#include <string_view>

#include "platform/handle_table.h"

namespace platform {

enum class EventReset { Auto, Manual };

// Empty name: an unnamed event. kNullHandle on failure (last error set).
Handle create_event(std::string_view name, EventReset reset, bool initially_set);
// ERROR_FILE_NOT_FOUND when no event of that name exists.
Handle open_event(std::string_view name);
bool set_event(Handle event);
bool reset_event(Handle event);

}  // namespace platform
