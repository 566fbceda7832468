// The standard controls the system's dialogs are made of: BUTTON, STATIC and
// EDIT, with the messages, styles and notifications the system uses.
//
// Mirrors Windows:
// - The classes are global (CS_GLOBALCLASS) classes of the platform's own
//   module, registered on first need: by the dialog functions, or by
//   create_window_ex when a class name is not found. A program never
//   registers them. Each keeps its state behind its window data, so a
//   program may subclass a control (set_window_long_ptr GWL_WNDPROC) and pass
//   messages on with call_window_proc.
// - BUTTON: push, default push, check box, auto check box, radio, auto radio,
//   3-state, auto 3-state, group box and owner-drawn. A left-button press
//   takes the focus and the capture and shows the button pushed; a release
//   over the button (or Space pressed and released) clicks it: auto types
//   change their check (an auto radio button checks itself and unchecks the
//   radio buttons of its group), then WM_COMMAND (id, BN_CLICKED, hwnd) goes to
//   the parent. BM_CLICK clicks as the mouse would. BM_SETCHECK on a radio
//   button sets WS_TABSTOP for the checked one and clears it otherwise.
//   Owner-drawn buttons are painted by the parent through WM_DRAWITEM.
// - STATIC: text (left, centred, right, simple, no word wrap, '&' prefixes
//   unless SS_NOPREFIX), icons and bitmaps (the creation text names the
//   resource of the module given at creation: "#id" or a name; STM_SETIMAGE,
//   STM_GETIMAGE, STM_SETICON, STM_GETICON), rectangles and frames (black,
//   gray, white, etched), SS_SUNKEN, SS_NOTIFY (STN_CLICKED on a left-button
//   press). Painting asks the parent for WM_CTLCOLORSTATIC: the brush it
//   returns fills the background, and its changes to the DC's text colour
//   and background mode are used for the text.
// - EDIT: one line, or several with ES_MULTILINE; ES_READONLY, ES_NUMBER,
//   ES_PASSWORD, ES_UPPERCASE, ES_LOWERCASE, ES_AUTOHSCROLL. The caret and the
//   selection are character positions (EM_SETSEL, EM_GETSEL, EM_REPLACESEL);
//   typing arrives as WM_CHAR (Backspace as character 8), the caret keys and
//   Delete as WM_KEYDOWN (Shift extends the selection); every change of the
//   text sends EN_UPDATE then EN_CHANGE to the parent, and the focus EN_SETFOCUS
//   and EN_KILLFOCUS. A change that would pass the limit (EM_LIMITTEXT) is cut
//   to it and sends EN_MAXTEXT.
// Differs:
// - EDIT does not scroll or wrap: text past the right edge is clipped and a
//   multi-line control shows its lines from the first. Enter in a multi-line
//   control makes a new line only with ES_WANTRETURN (in or out of a dialog);
//   Tab always leaves it. There is no undo.
// - Buttons with BS_ICON/BS_BITMAP show the image set by BM_SETIMAGE in place
//   of the text; BS_PUSHLIKE, BS_FLAT and the BS_ alignment styles are kept
//   but not drawn differently.
// Thread rules: controls are windows of the thread that made them.
#pragma once

#include <cstdint>

#include "platform/gdi_types.h"
#include "platform/messages.h"
#include "platform/resources.h"

namespace platform {

// Registers BUTTON, STATIC and EDIT once per process (and the common controls
// when they are built in). Safe from any thread.
void ensure_standard_controls();

// Whether `name` is one of the classes ensure_standard_controls registers.
bool is_standard_control_class(const char* name);

// --- BUTTON -----------------------------------------------------------------

inline constexpr std::uint32_t BS_PUSHBUTTON = 0x0000;
inline constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x0001;
inline constexpr std::uint32_t BS_CHECKBOX = 0x0002;
inline constexpr std::uint32_t BS_AUTOCHECKBOX = 0x0003;
inline constexpr std::uint32_t BS_RADIOBUTTON = 0x0004;
inline constexpr std::uint32_t BS_3STATE = 0x0005;
inline constexpr std::uint32_t BS_AUTO3STATE = 0x0006;
inline constexpr std::uint32_t BS_GROUPBOX = 0x0007;
inline constexpr std::uint32_t BS_USERBUTTON = 0x0008;
inline constexpr std::uint32_t BS_AUTORADIOBUTTON = 0x0009;
inline constexpr std::uint32_t BS_OWNERDRAW = 0x000B;
inline constexpr std::uint32_t BS_TYPEMASK = 0x000F;
inline constexpr std::uint32_t BS_LEFTTEXT = 0x0020;
inline constexpr std::uint32_t BS_ICON = 0x0040;
inline constexpr std::uint32_t BS_BITMAP = 0x0080;
inline constexpr std::uint32_t BS_LEFT = 0x0100;
inline constexpr std::uint32_t BS_RIGHT = 0x0200;
inline constexpr std::uint32_t BS_CENTER = 0x0300;
inline constexpr std::uint32_t BS_PUSHLIKE = 0x1000;
inline constexpr std::uint32_t BS_MULTILINE = 0x2000;
inline constexpr std::uint32_t BS_NOTIFY = 0x4000;
inline constexpr std::uint32_t BS_FLAT = 0x8000;

inline constexpr UINT BM_GETCHECK = 0x00F0;
inline constexpr UINT BM_SETCHECK = 0x00F1;
inline constexpr UINT BM_GETSTATE = 0x00F2;
inline constexpr UINT BM_SETSTATE = 0x00F3;
inline constexpr UINT BM_SETSTYLE = 0x00F4;
inline constexpr UINT BM_CLICK = 0x00F5;
inline constexpr UINT BM_GETIMAGE = 0x00F6;
inline constexpr UINT BM_SETIMAGE = 0x00F7;

inline constexpr UINT BST_UNCHECKED = 0x0000;
inline constexpr UINT BST_CHECKED = 0x0001;
inline constexpr UINT BST_INDETERMINATE = 0x0002;
inline constexpr UINT BST_PUSHED = 0x0004;
inline constexpr UINT BST_FOCUS = 0x0008;

inline constexpr std::uint16_t BN_CLICKED = 0;
inline constexpr std::uint16_t BN_PAINT = 1;
inline constexpr std::uint16_t BN_DISABLE = 4;
inline constexpr std::uint16_t BN_DOUBLECLICKED = 5;
inline constexpr std::uint16_t BN_SETFOCUS = 6;
inline constexpr std::uint16_t BN_KILLFOCUS = 7;

// Owner drawing (WM_DRAWITEM's lParam).
inline constexpr UINT ODT_BUTTON = 4;
inline constexpr UINT ODA_DRAWENTIRE = 0x0001;
inline constexpr UINT ODA_SELECT = 0x0002;
inline constexpr UINT ODA_FOCUS = 0x0004;
inline constexpr UINT ODS_SELECTED = 0x0001;
inline constexpr UINT ODS_GRAYED = 0x0002;
inline constexpr UINT ODS_DISABLED = 0x0004;
inline constexpr UINT ODS_CHECKED = 0x0008;
inline constexpr UINT ODS_FOCUS = 0x0010;

struct DRAWITEMSTRUCT {
    UINT CtlType = 0;
    UINT CtlID = 0;
    UINT itemID = 0;
    UINT itemAction = 0;
    UINT itemState = 0;
    HWND hwndItem = 0;
    HDC hDC = 0;
    RECT rcItem;
    std::uintptr_t itemData = 0;
};

// --- STATIC -----------------------------------------------------------------

inline constexpr std::uint32_t SS_LEFT = 0x00;
inline constexpr std::uint32_t SS_CENTER = 0x01;
inline constexpr std::uint32_t SS_RIGHT = 0x02;
inline constexpr std::uint32_t SS_ICON = 0x03;
inline constexpr std::uint32_t SS_BLACKRECT = 0x04;
inline constexpr std::uint32_t SS_GRAYRECT = 0x05;
inline constexpr std::uint32_t SS_WHITERECT = 0x06;
inline constexpr std::uint32_t SS_BLACKFRAME = 0x07;
inline constexpr std::uint32_t SS_GRAYFRAME = 0x08;
inline constexpr std::uint32_t SS_WHITEFRAME = 0x09;
inline constexpr std::uint32_t SS_SIMPLE = 0x0B;
inline constexpr std::uint32_t SS_LEFTNOWORDWRAP = 0x0C;
inline constexpr std::uint32_t SS_OWNERDRAW = 0x0D;
inline constexpr std::uint32_t SS_BITMAP = 0x0E;
inline constexpr std::uint32_t SS_ETCHEDHORZ = 0x10;
inline constexpr std::uint32_t SS_ETCHEDVERT = 0x11;
inline constexpr std::uint32_t SS_ETCHEDFRAME = 0x12;
inline constexpr std::uint32_t SS_TYPEMASK = 0x1F;
inline constexpr std::uint32_t SS_NOPREFIX = 0x0080;
inline constexpr std::uint32_t SS_NOTIFY = 0x0100;
inline constexpr std::uint32_t SS_CENTERIMAGE = 0x0200;
inline constexpr std::uint32_t SS_REALSIZEIMAGE = 0x0800;
inline constexpr std::uint32_t SS_SUNKEN = 0x1000;

inline constexpr UINT STM_SETICON = 0x0170;
inline constexpr UINT STM_GETICON = 0x0171;
inline constexpr UINT STM_SETIMAGE = 0x0172;
inline constexpr UINT STM_GETIMAGE = 0x0173;

// IMAGE_BITMAP and IMAGE_ICON are resources.h's.

inline constexpr std::uint16_t STN_CLICKED = 0;
inline constexpr std::uint16_t STN_DBLCLK = 1;
inline constexpr std::uint16_t STN_ENABLE = 2;
inline constexpr std::uint16_t STN_DISABLE = 3;

// --- EDIT -------------------------------------------------------------------

inline constexpr std::uint32_t ES_LEFT = 0x0000;
inline constexpr std::uint32_t ES_CENTER = 0x0001;
inline constexpr std::uint32_t ES_RIGHT = 0x0002;
inline constexpr std::uint32_t ES_MULTILINE = 0x0004;
inline constexpr std::uint32_t ES_UPPERCASE = 0x0008;
inline constexpr std::uint32_t ES_LOWERCASE = 0x0010;
inline constexpr std::uint32_t ES_PASSWORD = 0x0020;
inline constexpr std::uint32_t ES_AUTOVSCROLL = 0x0040;
inline constexpr std::uint32_t ES_AUTOHSCROLL = 0x0080;
inline constexpr std::uint32_t ES_NOHIDESEL = 0x0100;
inline constexpr std::uint32_t ES_READONLY = 0x0800;
inline constexpr std::uint32_t ES_WANTRETURN = 0x1000;
inline constexpr std::uint32_t ES_NUMBER = 0x2000;

inline constexpr UINT EM_GETSEL = 0x00B0;
inline constexpr UINT EM_SETSEL = 0x00B1;
inline constexpr UINT EM_GETMODIFY = 0x00B8;
inline constexpr UINT EM_SETMODIFY = 0x00B9;
inline constexpr UINT EM_GETLINECOUNT = 0x00BA;
inline constexpr UINT EM_REPLACESEL = 0x00C2;
inline constexpr UINT EM_LIMITTEXT = 0x00C5;
inline constexpr UINT EM_SETLIMITTEXT = EM_LIMITTEXT;
inline constexpr UINT EM_SETPASSWORDCHAR = 0x00CC;
inline constexpr UINT EM_SETREADONLY = 0x00CF;
inline constexpr UINT EM_GETPASSWORDCHAR = 0x00D2;
inline constexpr UINT EM_GETLIMITTEXT = 0x00D5;

inline constexpr std::uint16_t EN_SETFOCUS = 0x0100;
inline constexpr std::uint16_t EN_KILLFOCUS = 0x0200;
inline constexpr std::uint16_t EN_CHANGE = 0x0300;
inline constexpr std::uint16_t EN_UPDATE = 0x0400;
inline constexpr std::uint16_t EN_ERRSPACE = 0x0500;
inline constexpr std::uint16_t EN_MAXTEXT = 0x0501;

}  // namespace platform
