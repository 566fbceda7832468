// Dialogs: CreateDialogParam, DialogBoxParam and their Indirect forms,
// EndDialog, DefDlgProc, the dialog item calls, dialog units, and the dialog
// manager (IsDialogMessage).
//
// Mirrors Windows:
// - A dialog is a window of the dialog class WC_DIALOG ("#32770", a global
//   class with DLGWINDOWEXTRA bytes of window data) unless its template names
//   another class. The class procedure is def_dlg_proc: it calls the dialog
//   procedure (DWL_DLGPROC) first; a TRUE return means handled, and the result
//   of the message is then DWL_MSGRESULT (cleared before each call), except for
//   WM_INITDIALOG, the WM_CTLCOLOR* messages, WM_COMPAREITEM, WM_VKEYTOITEM,
//   WM_CHARTOITEM and WM_QUERYDRAGICON, whose result is the return value.
// - Creation from a template: the window is made with the template's style
//   without WS_VISIBLE and its size from the template's client size in dialog
//   units plus the frame; the dialog procedure is attached after creation (it
//   never sees WM_CREATE); the dialog gets WM_SETFONT with the dialog font;
//   the items are made in template order as WS_CHILD windows with
//   WS_EX_NOPARENTNOTIFY, their ids, text, style and class (a class of the
//   template's module or a global class), and each gets WM_SETFONT; then the
//   dialog procedure gets WM_INITDIALOG with wParam = the first WS_TABSTOP item
//   and lParam = the init parameter; a TRUE return puts the focus on that item.
//   WS_VISIBLE shows the dialog last. An item that cannot be made fails the
//   whole dialog (0, the dialog destroyed) unless DS_NOFAILCREATE.
// - Dialog units: x pixels = MulDiv(x, base_x, 4), y pixels = MulDiv(y,
//   base_y, 8), where base_x is the average width of "A".."Z" "a".."z" in the
//   dialog font ((sum + 26) / 52) and base_y its height. Without a font in the
//   template (no DS_SETFONT) the dialog uses the system font.
// - Position: the template's x, y are relative to the owner's client origin
//   (the screen without an owner); DS_CENTER centres the dialog on the owner,
//   or on the screen's work area without one (as DS_CENTER over an owner
//   that is not visible does).
// - dialog_box_* disables an enabled owner, shows the dialog, and runs a
//   nested loop: each message goes to the MSGF_DIALOGBOX message filter, then
//   to is_dialog_message, else it is translated and dispatched. end_dialog
//   (from the dialog procedure or anything it calls) ends the loop; the owner
//   is enabled again before the dialog is destroyed; the end code is returned.
//   A WM_QUIT ends the loop too and is posted again for the outer loop. A
//   missing template, or a dialog that could not be made, returns -1.
// - end_dialog on a modeless dialog hides it; destroying it stays the
//   caller's job.
// - is_dialog_message (see the comment at its declaration).
//
// Differs:
// - The dialog window data is laid out as 64-bit Windows lays it out, since a
//   dialog procedure is pointer-sized: DWL_MSGRESULT at 0, DWL_DLGPROC at 8,
//   DWL_USER at 16 (the DWLP_ names are the same indices).
// - Only the dialog's own module and global classes are searched for item
//   classes; dialog templates hold no menus.
// - The default push button follows the focus when the dialog manager moves
//   the focus (Tab, arrows, WM_NEXTDLGCTL) and when the focus lands on one of
//   the standard controls of standard_controls.h; controls of other classes
//   given the focus with set_focus do not move it.
// Thread rules: every call here is for dialogs of the calling thread.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dialog_template.h"
#include "platform/gdi_types.h"
#include "platform/handle_table.h"
#include "platform/hooks.h"
#include "platform/messages.h"
#include "platform/resource_name.h"
#include "platform/window.h"
#include "platform/window_place.h"

namespace platform {

using DLGPROC = std::intptr_t (*)(HWND, UINT, WPARAM, LPARAM);

inline constexpr const char* WC_DIALOG = "#32770";
inline constexpr int DLGWINDOWEXTRA = 30;

// Dialog window data.
inline constexpr int DWL_MSGRESULT = 0;
inline constexpr int DWL_DLGPROC = 8;
inline constexpr int DWL_USER = 16;
inline constexpr int DWLP_MSGRESULT = DWL_MSGRESULT;
inline constexpr int DWLP_DLGPROC = DWL_DLGPROC;
inline constexpr int DWLP_USER = DWL_USER;

// Dialog styles.
inline constexpr std::uint32_t DS_ABSALIGN = 0x0001;
inline constexpr std::uint32_t DS_SYSMODAL = 0x0002;
inline constexpr std::uint32_t DS_3DLOOK = 0x0004;
inline constexpr std::uint32_t DS_FIXEDSYS = 0x0008;
inline constexpr std::uint32_t DS_NOFAILCREATE = 0x0010;
inline constexpr std::uint32_t DS_LOCALEDIT = 0x0020;
inline constexpr std::uint32_t DS_SETFONT = 0x0040;
inline constexpr std::uint32_t DS_MODALFRAME = 0x0080;
inline constexpr std::uint32_t DS_NOIDLEMSG = 0x0100;
inline constexpr std::uint32_t DS_SETFOREGROUND = 0x0200;
inline constexpr std::uint32_t DS_CONTROL = 0x0400;
inline constexpr std::uint32_t DS_CENTER = 0x0800;
inline constexpr std::uint32_t DS_CENTERMOUSE = 0x1000;
inline constexpr std::uint32_t DS_CONTEXTHELP = 0x2000;
inline constexpr std::uint32_t DS_SHELLFONT = DS_SETFONT | DS_FIXEDSYS;

inline constexpr std::uint32_t WS_EX_CONTROLPARENT = 0x00010000;

// Dialog messages.
inline constexpr UINT DM_GETDEFID = WM_USER + 0;
inline constexpr UINT DM_SETDEFID = WM_USER + 1;
inline constexpr UINT DM_REPOSITION = WM_USER + 2;
inline constexpr std::uint16_t DC_HASDEFID = 0x534B;

// WM_GETDLGCODE results.
inline constexpr UINT DLGC_WANTARROWS = 0x0001;
inline constexpr UINT DLGC_WANTTAB = 0x0002;
inline constexpr UINT DLGC_WANTALLKEYS = 0x0004;
inline constexpr UINT DLGC_WANTMESSAGE = 0x0004;
inline constexpr UINT DLGC_HASSETSEL = 0x0008;
inline constexpr UINT DLGC_DEFPUSHBUTTON = 0x0010;
inline constexpr UINT DLGC_UNDEFPUSHBUTTON = 0x0020;
inline constexpr UINT DLGC_RADIOBUTTON = 0x0040;
inline constexpr UINT DLGC_WANTCHARS = 0x0080;
inline constexpr UINT DLGC_STATIC = 0x0100;
inline constexpr UINT DLGC_BUTTON = 0x2000;

// Standard command ids (the buttons of message boxes carry them too).
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
inline constexpr int IDCLOSE = 8;
inline constexpr int IDHELP = 9;

// The message filter codes of the modal loops (MSGF_DIALOGBOX) are hooks.h's.

// --- Creation and ending ----------------------------------------------------

// The template `name` ("NAME", "#12" or 12) of the module: modeless, the
// dialog window, or 0 (ERROR_RESOURCE_NAME_NOT_FOUND for a missing template,
// or the error of the window that could not be made).
HWND create_dialog_param(Handle instance, const ResourceName& name, HWND owner, DLGPROC proc, LPARAM init_param);
HWND create_dialog_indirect_param(Handle instance, const DialogTemplate& tmpl, HWND owner, DLGPROC proc,
                                  LPARAM init_param);
// Modal: the end code given to end_dialog, or -1 (no template, no dialog).
std::intptr_t dialog_box_param(Handle instance, const ResourceName& name, HWND owner, DLGPROC proc,
                               LPARAM init_param);
std::intptr_t dialog_box_indirect_param(Handle instance, const DialogTemplate& tmpl, HWND owner, DLGPROC proc,
                                        LPARAM init_param);
// Ends a modal dialog's loop with `result` (and hides any dialog). False for
// a window that is not a dialog made here.
bool end_dialog(HWND hdlg, std::intptr_t result);

LRESULT def_dlg_proc(HWND hdlg, UINT message, WPARAM wParam, LPARAM lParam);

// --- The dialog manager -----------------------------------------------------

// Takes a message from the caller's loop if it is for `hdlg` or one of its
// descendants: the MSGF_DIALOGBOX message filter sees it first (a filter that
// takes it ends the handling); the keyboard interface then handles Tab and
// Shift+Tab (the next or previous WS_TABSTOP item), the arrows (the next or
// previous item of the group; a radio button is clicked as it gets the
// focus), Enter (WM_COMMAND BN_CLICKED of the focused push button, else of
// the default id of DM_GETDEFID, else IDOK), Escape (WM_COMMAND IDCANCEL)
// and the mnemonic character of an item's caption, each unless the item with
// the focus asks for the key by its WM_GETDLGCODE; any other message is
// translated and dispatched. TRUE when the message was taken (handled or
// dispatched), FALSE when it is not the dialog's.
bool is_dialog_message(HWND hdlg, MSG* msg);

// --- Items ------------------------------------------------------------------

HWND get_dlg_item(HWND hdlg, int id);
int get_dlg_ctrl_id(HWND hwnd);
bool set_dlg_item_text(HWND hdlg, int id, const char* text);
UINT get_dlg_item_text(HWND hdlg, int id, char* buffer, int size);
bool set_dlg_item_int(HWND hdlg, int id, UINT value, bool is_signed);
// The number the item's text starts with (blanks first are skipped, a sign
// only when `is_signed`); *translated says whether the text was a number.
UINT get_dlg_item_int(HWND hdlg, int id, bool* translated, bool is_signed);
LRESULT send_dlg_item_message(HWND hdlg, int id, UINT message, WPARAM wParam, LPARAM lParam);
bool check_dlg_button(HWND hdlg, int id, UINT check);
UINT is_dlg_button_checked(HWND hdlg, int id);
// Checks `check_id` and unchecks the other ids of first..last.
bool check_radio_button(HWND hdlg, int first_id, int last_id, int check_id);
// The next (or previous) visible, enabled WS_TABSTOP item after `hctl`
// (0: from the start), wrapping; `hctl` itself when there is no other.
HWND get_next_dlg_tab_item(HWND hdlg, HWND hctl, bool previous);
// The next (or previous) visible, enabled item of `hctl`'s group (a group
// starts at a WS_GROUP item and runs to the next one), wrapping.
HWND get_next_dlg_group_item(HWND hdlg, HWND hctl, bool previous);

// --- Dialog units and placing -------------------------------------------------

// Dialog units of `hdlg` to pixels, in place.
bool map_dialog_rect(HWND hdlg, RECT* rect);
// The system font's base units: width in the low word, height in the high.
long get_dialog_base_units();
// Centres `hwnd` over `over` (its window rectangle), or over the screen's
// work area when `over` is 0 or not visible, kept inside the work area.
bool center_window(HWND hwnd, HWND over);

// The dialog's font (WM_GETFONT of the dialog).
HFONT get_dialog_font(HWND hdlg);

}  // namespace platform
