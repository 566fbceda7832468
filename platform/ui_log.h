// The computer's record of what the user interface did that a test cannot see
// on a screen: sounds played, documents and help opened. Each kind has a log
// file in the machine root's ui/ folder (ui/sounds.log, ui/shell.log), one
// line per event:
//
//     2026-12-11T14:40:00.123Z pid=1234 <what happened>
//
// Lines are appended with one write(2) on a file opened O_APPEND, so lines of
// several processes never mix. A log that cannot be written loses the line
// (the caller's action still happens): the record is for people and tests,
// not for the system. Thread-safe.
#pragma once

#include <string>
#include <string_view>

#include "platform/win_error.h"

namespace platform {

// Appends "<UTC time> pid=<pid> <text>" to <root>/ui/<log_name>.
Status append_ui_log(std::string_view log_name, std::string_view text);

// The current time as "2026-12-11T14:40:00.123Z".
std::string utc_timestamp();

}  // namespace platform
