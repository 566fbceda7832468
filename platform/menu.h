// Menus, as far as the system's windows use them: the system menu of a
// window (GetSystemMenu) and the item calls that change it.
//
// Mirrors Windows:
// - get_system_menu(hwnd, false) gives the window's own copy of the system
//   menu, made on first need with Restore, Move, Size, Minimize, Maximize, a
//   separator and Close (SC_ ids); get_system_menu(hwnd, true) throws the copy
//   away and returns 0, so the next call starts again from the default.
// - enable_menu_item and get_menu_state return the previous / current state
//   flags (MF_GRAYED, MF_DISABLED, MF_SEPARATOR, MF_CHECKED...) or
//   0xFFFFFFFF when the item does not exist. Items are found by command id
//   (MF_BYCOMMAND, the default) or by position (MF_BYPOSITION).
// - Graying SC_CLOSE in a window's system menu draws its close box grayed and
//   makes the close box and Alt+F4 give no SC_CLOSE.
// Differs: no menu bar, no pop-up menu is ever shown, and there are no
// sub-menus: a menu is a list of items that the frame reads. Menus belong to
// the process; the calls are thread-safe.
#pragma once

#include <cstdint>

#include "platform/messages.h"

namespace platform {

using HMENU = std::uint32_t;

inline constexpr UINT MF_BYCOMMAND = 0x0000;
inline constexpr UINT MF_BYPOSITION = 0x0400;
inline constexpr UINT MF_STRING = 0x0000;
inline constexpr UINT MF_ENABLED = 0x0000;
inline constexpr UINT MF_GRAYED = 0x0001;
inline constexpr UINT MF_DISABLED = 0x0002;
inline constexpr UINT MF_CHECKED = 0x0008;
inline constexpr UINT MF_SEPARATOR = 0x0800;
inline constexpr UINT kMenuItemNotFound = 0xFFFFFFFFu;

HMENU create_menu();
HMENU create_popup_menu();
bool destroy_menu(HMENU menu);
HMENU get_system_menu(HWND hwnd, bool revert);

bool append_menu(HMENU menu, UINT flags, std::uintptr_t id, const char* text);
// Both take the item away; delete_menu would also destroy a sub-menu, which
// these menus do not have.
bool delete_menu(HMENU menu, UINT position, UINT flags);
bool remove_menu(HMENU menu, UINT position, UINT flags);
// MF_ENABLED, MF_GRAYED or MF_DISABLED, with MF_BYCOMMAND or MF_BYPOSITION.
UINT enable_menu_item(HMENU menu, UINT item, UINT flags);
UINT get_menu_state(HMENU menu, UINT item, UINT flags);
// -1 for a bad menu.
int get_menu_item_count(HMENU menu);
// The command id of the item at a position (0 for a separator), 0xFFFFFFFF
// when there is none.
UINT get_menu_item_id(HMENU menu, int position);
// Copies the item's text; the number of characters copied (the length when
// `buffer` is null), 0 when the item does not exist.
int get_menu_string(HMENU menu, UINT item, char* buffer, int size, UINT flags);

}  // namespace platform
