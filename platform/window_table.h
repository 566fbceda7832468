// The computer-wide window table. Internal to the platform layer (window.cpp
// and message_queue.cpp use it; the system uses window.h).
//
// Every window of every process of the computer has an entry here, so that
// any process can find a window by class and title, learn which thread and
// process own it, bring it to the front and post to it. The entry is a copy of
// what other processes may ask; the window itself (procedure, class, extra
// bytes, text beyond 255 characters) lives only in its owning process.
//
// The table is a named shared-memory object ("TwpWindowTable") of fixed-size
// slots guarded by a robust process-shared mutex; a holder that dies inside is
// taken over. Each entry records its owner's process id and that process's
// start time, so an entry whose process died (or whose pid was reused) is
// recognised and swept when the table is listed or a window is added.
//
// Handles: the low 12 bits are the slot number + 1 (so a handle is never 0),
// the high 20 bits a generation that changes each time the slot is reused,
// starting from a random base when the table is created, so a stale handle
// does not reach the next window in its slot.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/messages.h"
#include "platform/win_error.h"

namespace platform::detail {

inline constexpr std::size_t kWindowTableSlots = 1024;
inline constexpr std::size_t kTableClassChars = 127;
inline constexpr std::size_t kTableTitleChars = 255;

struct WindowRecord {
    HWND hwnd = 0;
    std::uint32_t pid = 0;
    std::uint32_t tid = 0;
    HWND parent = 0;
    HWND owner = 0;
    std::uint32_t style = 0;
    std::uint32_t id = 0;  // a child window's control id
    std::uint64_t z = 0;  // larger is nearer the front
    std::string class_name;
    std::string title;
};

// Enters a window of the calling process; the record's hwnd and z are
// assigned. ERROR_NOT_ENOUGH_MEMORY when every slot is taken.
Result<HWND> table_add(WindowRecord record);
void table_remove(HWND hwnd);
// The same on the table of the computer whose root key (TWPRINTER_ROOT, or ""
// for the default) is given, for windows left on a computer this process has
// moved away from.
void table_remove_on(const std::string& root_key, HWND hwnd);
// Rewrites the parts other processes may ask about (title, style, parent, owner, id).
void table_update(const WindowRecord& record);
// The entry of a window; with `check_owner`, an entry whose process is gone is
// swept and not returned.
std::optional<WindowRecord> table_get(HWND hwnd, bool check_owner);
// Every live window, front to back.
std::vector<WindowRecord> table_list();
// Moves a window in front of all others; false if it is not in the table.
bool table_bring_to_top(HWND hwnd);
// The computer's foreground window (0 when none, or when it is gone).
HWND table_foreground();
void table_set_foreground(HWND hwnd);

// This process's start time as the table records it (clock ticks after boot).
std::uint64_t process_start_time(std::uint32_t pid);

}  // namespace platform::detail
