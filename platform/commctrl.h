// The common controls: progress bar ("msctls_progress32"), list view
// ("SysListView32", report mode) and tree view ("SysTreeView32"), their
// messages, styles, records and notifications, and the small image lists they
// draw item pictures from.
//
// Mirrors Windows:
// - init_common_controls() / init_common_controls_ex() register the classes
//   as CS_GLOBALCLASS classes of the process, so a window or dialog of any
//   module can create them by name; calling them again does nothing more.
//   load_library("COMCTL32.DLL") succeeds and registers them too (the
//   library is built into the platform, see library.h).
// - Messages, numbers, records and notification codes are the Windows ones.
//   Notifications reach the parent as WM_NOTIFY (wParam = the control's id,
//   lParam = the record, which starts with NMHDR), sent on the control's
//   thread; the record lives for the duration of the send only.
// - lParam of an item, HTREEITEM and the text pointers in the records are
//   pointer-sized, so a program may keep pointers in them as on Windows.
//
// Differs:
// - HTREEITEM is a pointer-sized number the tree view gives out, never the
//   address of anything; a handle of a deleted item is refused (the calls
//   that take one fail) instead of reaching freed memory.
// - HIMAGELIST is a 32-bit handle of this process's handle table.
// - The scroll bars of the list view, tree view and rich-text display are
//   drawn inside the client rectangle (the windows have no non-client area)
//   and are SM_CXVSCROLL = 16 pixels wide.
// - Only report mode of the list view is offered (LVS_REPORT); the other
//   views lay items out as report rows.
// Thread rules: a control is used from the thread that made it, as on Windows
// (send_message from another thread of the process is queued to it).
#pragma once

#include <cstdint>
#include <string>

#include "platform/gdi_types.h"
#include "platform/handle_table.h"
#include "platform/image.h"
#include "platform/messages.h"

namespace platform {

// --- Registration ------------------------------------------------------------

inline constexpr std::uint32_t ICC_LISTVIEW_CLASSES = 0x0001;
inline constexpr std::uint32_t ICC_TREEVIEW_CLASSES = 0x0002;
inline constexpr std::uint32_t ICC_BAR_CLASSES = 0x0004;
inline constexpr std::uint32_t ICC_TAB_CLASSES = 0x0008;
inline constexpr std::uint32_t ICC_UPDOWN_CLASS = 0x0010;
inline constexpr std::uint32_t ICC_PROGRESS_CLASS = 0x0020;
inline constexpr std::uint32_t ICC_HOTKEY_CLASS = 0x0040;
inline constexpr std::uint32_t ICC_ANIMATE_CLASS = 0x0080;
inline constexpr std::uint32_t ICC_WIN95_CLASSES = 0x00FF;

struct INITCOMMONCONTROLSEX {
    std::uint32_t dwSize = sizeof(INITCOMMONCONTROLSEX);
    std::uint32_t dwICC = 0;
};

inline constexpr const char* PROGRESS_CLASS = "msctls_progress32";
inline constexpr const char* WC_LISTVIEW = "SysListView32";
inline constexpr const char* WC_TREEVIEW = "SysTreeView32";

// Registers all three classes (InitCommonControls).
void init_common_controls();
// Registers the classes the ICC_ bits name; false (ERROR_INVALID_PARAMETER)
// for a null record or a wrong dwSize. Unknown bits are accepted, as the
// classes they name are simply not offered.
bool init_common_controls_ex(const INITCOMMONCONTROLSEX* icc);

// --- Notifications -------------------------------------------------------------

struct NMHDR {
    HWND hwndFrom = 0;
    std::uintptr_t idFrom = 0;
    UINT code = 0;
};

inline constexpr UINT NM_FIRST = 0u;
inline constexpr UINT NM_OUTOFMEMORY = NM_FIRST - 1;
inline constexpr UINT NM_CLICK = NM_FIRST - 2;
inline constexpr UINT NM_DBLCLK = NM_FIRST - 3;
inline constexpr UINT NM_RETURN = NM_FIRST - 4;
inline constexpr UINT NM_RCLICK = NM_FIRST - 5;
inline constexpr UINT NM_RDBLCLK = NM_FIRST - 6;
inline constexpr UINT NM_SETFOCUS = NM_FIRST - 7;
inline constexpr UINT NM_KILLFOCUS = NM_FIRST - 8;

inline constexpr COLORREF CLR_NONE = 0xFFFFFFFFu;
inline constexpr COLORREF CLR_DEFAULT = 0xFF000000u;

// The control-wide messages (CCM_*).
inline constexpr UINT CCM_FIRST = 0x2000;
inline constexpr UINT CCM_SETBKCOLOR = CCM_FIRST + 1;

// --- Image lists ------------------------------------------------------------------

using HIMAGELIST = Handle;

inline constexpr UINT ILC_MASK = 0x0001;
inline constexpr UINT ILC_COLOR = 0x0000;
inline constexpr UINT ILC_COLORDDB = 0x00FE;
inline constexpr UINT ILC_COLOR4 = 0x0004;
inline constexpr UINT ILC_COLOR8 = 0x0008;
inline constexpr UINT ILC_COLOR16 = 0x0010;
inline constexpr UINT ILC_COLOR24 = 0x0018;
inline constexpr UINT ILC_COLOR32 = 0x0020;

inline constexpr UINT ILD_NORMAL = 0x0000;
inline constexpr UINT ILD_TRANSPARENT = 0x0001;
inline constexpr UINT ILD_MASK = 0x0010;
inline constexpr UINT ILD_BLEND25 = 0x0002;
inline constexpr UINT ILD_BLEND50 = 0x0004;
inline constexpr UINT ILD_SELECTED = ILD_BLEND50;
inline constexpr UINT ILD_FOCUS = ILD_BLEND25;

// ImageList_Create: cx x cy pictures; `initial` and `grow` are accepted and
// only reserve room. 0 for sizes below 1 (ERROR_INVALID_PARAMETER).
HIMAGELIST image_list_create(int cx, int cy, UINT flags, int initial, int grow);
bool image_list_destroy(HIMAGELIST list);
int image_list_get_image_count(HIMAGELIST list);
bool image_list_get_icon_size(HIMAGELIST list, int* cx, int* cy);
// Adds the pictures of a bitmap cut into cx-wide pieces (a bitmap narrower
// than cx adds one, padded); the index of the first, or -1. With ILC_MASK
// and a mask bitmap, its white (non-zero) pixels are transparent.
int image_list_add(HIMAGELIST list, HBITMAP image, HBITMAP mask);
// Adds with the pixels of `mask_color` transparent (with ILC_MASK).
int image_list_add_masked(HIMAGELIST list, HBITMAP image, COLORREF mask_color);
// Replaces picture `index` with an icon, or adds it when `index` is -1; the
// index, or -1.
int image_list_replace_icon(HIMAGELIST list, int index, HICON icon);
// Adds a picture already decoded (its alpha < 0x80 is transparent with ILC_MASK).
int image_list_add_image(HIMAGELIST list, const Image& picture);
// Draws picture `index` with its top-left at x,y: ILD_NORMAL and
// ILD_TRANSPARENT leave the masked pixels alone; ILD_SELECTED/ILD_BLEND50 mix
// the picture half and half with COLOR_HIGHLIGHT, ILD_FOCUS/ILD_BLEND25 a
// quarter. False for a bad list or index.
bool image_list_draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);

// --- Progress bar ------------------------------------------------------------------

inline constexpr std::uint32_t PBS_SMOOTH = 0x01;
inline constexpr std::uint32_t PBS_VERTICAL = 0x04;

inline constexpr UINT PBM_SETRANGE = WM_USER + 1;
inline constexpr UINT PBM_SETPOS = WM_USER + 2;
inline constexpr UINT PBM_DELTAPOS = WM_USER + 3;
inline constexpr UINT PBM_SETSTEP = WM_USER + 4;
inline constexpr UINT PBM_STEPIT = WM_USER + 5;
inline constexpr UINT PBM_SETRANGE32 = WM_USER + 6;
inline constexpr UINT PBM_GETRANGE = WM_USER + 7;
inline constexpr UINT PBM_GETPOS = WM_USER + 8;
inline constexpr UINT PBM_SETBARCOLOR = WM_USER + 9;
inline constexpr UINT PBM_SETBKCOLOR = CCM_SETBKCOLOR;

struct PBRANGE {
    int iLow = 0;
    int iHigh = 0;
};

// --- List view -------------------------------------------------------------------

inline constexpr std::uint32_t LVS_ICON = 0x0000;
inline constexpr std::uint32_t LVS_REPORT = 0x0001;
inline constexpr std::uint32_t LVS_SMALLICON = 0x0002;
inline constexpr std::uint32_t LVS_LIST = 0x0003;
inline constexpr std::uint32_t LVS_TYPEMASK = 0x0003;
inline constexpr std::uint32_t LVS_SINGLESEL = 0x0004;
inline constexpr std::uint32_t LVS_SHOWSELALWAYS = 0x0008;
inline constexpr std::uint32_t LVS_SORTASCENDING = 0x0010;
inline constexpr std::uint32_t LVS_SORTDESCENDING = 0x0020;
inline constexpr std::uint32_t LVS_SHAREIMAGELISTS = 0x0040;
inline constexpr std::uint32_t LVS_NOLABELWRAP = 0x0080;
inline constexpr std::uint32_t LVS_AUTOARRANGE = 0x0100;
inline constexpr std::uint32_t LVS_EDITLABELS = 0x0200;
inline constexpr std::uint32_t LVS_NOSCROLL = 0x2000;
inline constexpr std::uint32_t LVS_NOCOLUMNHEADER = 0x4000;
inline constexpr std::uint32_t LVS_NOSORTHEADER = 0x8000;

inline constexpr std::uint32_t LVS_EX_GRIDLINES = 0x0001;
inline constexpr std::uint32_t LVS_EX_SUBITEMIMAGES = 0x0002;
inline constexpr std::uint32_t LVS_EX_CHECKBOXES = 0x0004;
inline constexpr std::uint32_t LVS_EX_TRACKSELECT = 0x0008;
inline constexpr std::uint32_t LVS_EX_HEADERDRAGDROP = 0x0010;
inline constexpr std::uint32_t LVS_EX_FULLROWSELECT = 0x0020;

inline constexpr UINT LVM_FIRST = 0x1000;
inline constexpr UINT LVM_GETBKCOLOR = LVM_FIRST + 0;
inline constexpr UINT LVM_SETBKCOLOR = LVM_FIRST + 1;
inline constexpr UINT LVM_GETIMAGELIST = LVM_FIRST + 2;
inline constexpr UINT LVM_SETIMAGELIST = LVM_FIRST + 3;
inline constexpr UINT LVM_GETITEMCOUNT = LVM_FIRST + 4;
inline constexpr UINT LVM_GETITEM = LVM_FIRST + 5;
inline constexpr UINT LVM_SETITEM = LVM_FIRST + 6;
inline constexpr UINT LVM_INSERTITEM = LVM_FIRST + 7;
inline constexpr UINT LVM_DELETEITEM = LVM_FIRST + 8;
inline constexpr UINT LVM_DELETEALLITEMS = LVM_FIRST + 9;
inline constexpr UINT LVM_GETNEXTITEM = LVM_FIRST + 12;
inline constexpr UINT LVM_FINDITEM = LVM_FIRST + 13;
inline constexpr UINT LVM_GETITEMRECT = LVM_FIRST + 14;
inline constexpr UINT LVM_HITTEST = LVM_FIRST + 18;
inline constexpr UINT LVM_ENSUREVISIBLE = LVM_FIRST + 19;
inline constexpr UINT LVM_GETCOLUMN = LVM_FIRST + 25;
inline constexpr UINT LVM_SETCOLUMN = LVM_FIRST + 26;
inline constexpr UINT LVM_INSERTCOLUMN = LVM_FIRST + 27;
inline constexpr UINT LVM_DELETECOLUMN = LVM_FIRST + 28;
inline constexpr UINT LVM_GETCOLUMNWIDTH = LVM_FIRST + 29;
inline constexpr UINT LVM_SETCOLUMNWIDTH = LVM_FIRST + 30;
inline constexpr UINT LVM_GETTEXTCOLOR = LVM_FIRST + 35;
inline constexpr UINT LVM_SETTEXTCOLOR = LVM_FIRST + 36;
inline constexpr UINT LVM_GETTEXTBKCOLOR = LVM_FIRST + 37;
inline constexpr UINT LVM_SETTEXTBKCOLOR = LVM_FIRST + 38;
inline constexpr UINT LVM_GETTOPINDEX = LVM_FIRST + 39;
inline constexpr UINT LVM_GETCOUNTPERPAGE = LVM_FIRST + 40;
inline constexpr UINT LVM_SETITEMSTATE = LVM_FIRST + 43;
inline constexpr UINT LVM_GETITEMSTATE = LVM_FIRST + 44;
inline constexpr UINT LVM_GETITEMTEXT = LVM_FIRST + 45;
inline constexpr UINT LVM_SETITEMTEXT = LVM_FIRST + 46;
inline constexpr UINT LVM_GETSELECTEDCOUNT = LVM_FIRST + 50;
inline constexpr UINT LVM_SETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 54;
inline constexpr UINT LVM_GETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 55;

inline constexpr UINT LVIF_TEXT = 0x0001;
inline constexpr UINT LVIF_IMAGE = 0x0002;
inline constexpr UINT LVIF_PARAM = 0x0004;
inline constexpr UINT LVIF_STATE = 0x0008;
inline constexpr UINT LVIF_INDENT = 0x0010;

inline constexpr UINT LVIS_FOCUSED = 0x0001;
inline constexpr UINT LVIS_SELECTED = 0x0002;
inline constexpr UINT LVIS_CUT = 0x0004;
inline constexpr UINT LVIS_DROPHILITED = 0x0008;
inline constexpr UINT LVIS_OVERLAYMASK = 0x0F00;
inline constexpr UINT LVIS_STATEIMAGEMASK = 0xF000;
// INDEXTOSTATEIMAGEMASK: 1 is an unchecked check box, 2 a checked one.
constexpr UINT index_to_state_image_mask(UINT i) { return i << 12; }

inline constexpr UINT LVNI_ALL = 0x0000;
inline constexpr UINT LVNI_FOCUSED = 0x0001;
inline constexpr UINT LVNI_SELECTED = 0x0002;
inline constexpr UINT LVNI_ABOVE = 0x0100;
inline constexpr UINT LVNI_BELOW = 0x0200;

inline constexpr UINT LVFI_PARAM = 0x0001;
inline constexpr UINT LVFI_STRING = 0x0002;
inline constexpr UINT LVFI_PARTIAL = 0x0008;
inline constexpr UINT LVFI_WRAP = 0x0020;

inline constexpr int LVIR_BOUNDS = 0;
inline constexpr int LVIR_ICON = 1;
inline constexpr int LVIR_LABEL = 2;
inline constexpr int LVIR_SELECTBOUNDS = 3;

inline constexpr UINT LVCF_FMT = 0x0001;
inline constexpr UINT LVCF_WIDTH = 0x0002;
inline constexpr UINT LVCF_TEXT = 0x0004;
inline constexpr UINT LVCF_SUBITEM = 0x0008;
inline constexpr int LVCFMT_LEFT = 0;
inline constexpr int LVCFMT_RIGHT = 1;
inline constexpr int LVCFMT_CENTER = 2;

inline constexpr int LVSCW_AUTOSIZE = -1;
inline constexpr int LVSCW_AUTOSIZE_USEHEADER = -2;

inline constexpr int LVSIL_NORMAL = 0;
inline constexpr int LVSIL_SMALL = 1;
inline constexpr int LVSIL_STATE = 2;

inline constexpr UINT LVHT_NOWHERE = 0x0001;
inline constexpr UINT LVHT_ONITEMICON = 0x0002;
inline constexpr UINT LVHT_ONITEMLABEL = 0x0004;
inline constexpr UINT LVHT_ONITEMSTATEICON = 0x0008;
inline constexpr UINT LVHT_ONITEM = LVHT_ONITEMICON | LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON;

inline constexpr UINT LVN_FIRST = 0u - 100u;
inline constexpr UINT LVN_ITEMCHANGING = LVN_FIRST - 0;
inline constexpr UINT LVN_ITEMCHANGED = LVN_FIRST - 1;
inline constexpr UINT LVN_INSERTITEM = LVN_FIRST - 2;
inline constexpr UINT LVN_DELETEITEM = LVN_FIRST - 3;
inline constexpr UINT LVN_DELETEALLITEMS = LVN_FIRST - 4;
inline constexpr UINT LVN_COLUMNCLICK = LVN_FIRST - 8;
inline constexpr UINT LVN_KEYDOWN = LVN_FIRST - 55;

struct LVITEM {
    UINT mask = 0;
    int iItem = 0;
    int iSubItem = 0;
    UINT state = 0;
    UINT stateMask = 0;
    char* pszText = nullptr;
    int cchTextMax = 0;
    int iImage = 0;
    LPARAM lParam = 0;
    int iIndent = 0;
};

struct LVCOLUMN {
    UINT mask = 0;
    int fmt = 0;
    int cx = 0;
    char* pszText = nullptr;
    int cchTextMax = 0;
    int iSubItem = 0;
};

struct LVFINDINFO {
    UINT flags = 0;
    const char* psz = nullptr;
    LPARAM lParam = 0;
    POINT pt;
    UINT vkDirection = 0;
};

struct LVHITTESTINFO {
    POINT pt;
    UINT flags = 0;
    int iItem = -1;
    int iSubItem = 0;
};

// LVN_ITEMCHANGING, LVN_ITEMCHANGED, LVN_INSERTITEM, LVN_DELETEITEM,
// LVN_DELETEALLITEMS, LVN_COLUMNCLICK.
struct NMLISTVIEW {
    NMHDR hdr;
    int iItem = -1;
    int iSubItem = 0;
    UINT uNewState = 0;
    UINT uOldState = 0;
    UINT uChanged = 0;
    POINT ptAction;
    LPARAM lParam = 0;
};

// NM_CLICK, NM_DBLCLK, NM_RCLICK of a list view: NMLISTVIEW's fields, then
// the modifier keys.
struct NMITEMACTIVATE {
    NMHDR hdr;
    int iItem = -1;
    int iSubItem = 0;
    UINT uNewState = 0;
    UINT uOldState = 0;
    UINT uChanged = 0;
    POINT ptAction;
    LPARAM lParam = 0;
    UINT uKeyFlags = 0;
};

struct NMLVKEYDOWN {
    NMHDR hdr;
    std::uint16_t wVKey = 0;
    UINT flags = 0;
};

// --- Tree view --------------------------------------------------------------------

using HTREEITEM = std::uintptr_t;
inline constexpr HTREEITEM TVI_ROOT = static_cast<HTREEITEM>(-static_cast<std::intptr_t>(0x10000));
inline constexpr HTREEITEM TVI_FIRST = static_cast<HTREEITEM>(-static_cast<std::intptr_t>(0x0FFFF));
inline constexpr HTREEITEM TVI_LAST = static_cast<HTREEITEM>(-static_cast<std::intptr_t>(0x0FFFE));
inline constexpr HTREEITEM TVI_SORT = static_cast<HTREEITEM>(-static_cast<std::intptr_t>(0x0FFFD));

inline constexpr std::uint32_t TVS_HASBUTTONS = 0x0001;
inline constexpr std::uint32_t TVS_HASLINES = 0x0002;
inline constexpr std::uint32_t TVS_LINESATROOT = 0x0004;
inline constexpr std::uint32_t TVS_EDITLABELS = 0x0008;
inline constexpr std::uint32_t TVS_DISABLEDRAGDROP = 0x0010;
inline constexpr std::uint32_t TVS_SHOWSELALWAYS = 0x0020;

inline constexpr UINT TV_FIRST = 0x1100;
inline constexpr UINT TVM_INSERTITEM = TV_FIRST + 0;
inline constexpr UINT TVM_DELETEITEM = TV_FIRST + 1;
inline constexpr UINT TVM_EXPAND = TV_FIRST + 2;
inline constexpr UINT TVM_GETITEMRECT = TV_FIRST + 4;
inline constexpr UINT TVM_GETCOUNT = TV_FIRST + 5;
inline constexpr UINT TVM_GETINDENT = TV_FIRST + 6;
inline constexpr UINT TVM_SETINDENT = TV_FIRST + 7;
inline constexpr UINT TVM_GETIMAGELIST = TV_FIRST + 8;
inline constexpr UINT TVM_SETIMAGELIST = TV_FIRST + 9;
inline constexpr UINT TVM_GETNEXTITEM = TV_FIRST + 10;
inline constexpr UINT TVM_SELECTITEM = TV_FIRST + 11;
inline constexpr UINT TVM_GETITEM = TV_FIRST + 12;
inline constexpr UINT TVM_SETITEM = TV_FIRST + 13;
inline constexpr UINT TVM_GETVISIBLECOUNT = TV_FIRST + 16;
inline constexpr UINT TVM_HITTEST = TV_FIRST + 17;
inline constexpr UINT TVM_ENSUREVISIBLE = TV_FIRST + 20;
inline constexpr UINT TVM_SETBKCOLOR = TV_FIRST + 29;
inline constexpr UINT TVM_SETTEXTCOLOR = TV_FIRST + 30;
inline constexpr UINT TVM_GETBKCOLOR = TV_FIRST + 31;
inline constexpr UINT TVM_GETTEXTCOLOR = TV_FIRST + 32;

inline constexpr UINT TVIF_TEXT = 0x0001;
inline constexpr UINT TVIF_IMAGE = 0x0002;
inline constexpr UINT TVIF_PARAM = 0x0004;
inline constexpr UINT TVIF_STATE = 0x0008;
inline constexpr UINT TVIF_HANDLE = 0x0010;
inline constexpr UINT TVIF_SELECTEDIMAGE = 0x0020;
inline constexpr UINT TVIF_CHILDREN = 0x0040;

inline constexpr UINT TVIS_SELECTED = 0x0002;
inline constexpr UINT TVIS_CUT = 0x0004;
inline constexpr UINT TVIS_DROPHILITED = 0x0008;
inline constexpr UINT TVIS_BOLD = 0x0010;
inline constexpr UINT TVIS_EXPANDED = 0x0020;
inline constexpr UINT TVIS_EXPANDEDONCE = 0x0040;
inline constexpr UINT TVIS_STATEIMAGEMASK = 0xF000;

inline constexpr int I_CHILDRENCALLBACK = -1;

inline constexpr UINT TVE_COLLAPSE = 0x0001;
inline constexpr UINT TVE_EXPAND = 0x0002;
inline constexpr UINT TVE_TOGGLE = 0x0003;
inline constexpr UINT TVE_COLLAPSERESET = 0x8000;

inline constexpr UINT TVGN_ROOT = 0x0000;
inline constexpr UINT TVGN_NEXT = 0x0001;
inline constexpr UINT TVGN_PREVIOUS = 0x0002;
inline constexpr UINT TVGN_PARENT = 0x0003;
inline constexpr UINT TVGN_CHILD = 0x0004;
inline constexpr UINT TVGN_FIRSTVISIBLE = 0x0005;
inline constexpr UINT TVGN_NEXTVISIBLE = 0x0006;
inline constexpr UINT TVGN_PREVIOUSVISIBLE = 0x0007;
inline constexpr UINT TVGN_DROPHILITE = 0x0008;
inline constexpr UINT TVGN_CARET = 0x0009;
inline constexpr UINT TVGN_LASTVISIBLE = 0x000A;

inline constexpr UINT TVSIL_NORMAL = 0;
inline constexpr UINT TVSIL_STATE = 2;

inline constexpr UINT TVC_UNKNOWN = 0x0000;
inline constexpr UINT TVC_BYMOUSE = 0x0001;
inline constexpr UINT TVC_BYKEYBOARD = 0x0002;

inline constexpr UINT TVHT_NOWHERE = 0x0001;
inline constexpr UINT TVHT_ONITEMICON = 0x0002;
inline constexpr UINT TVHT_ONITEMLABEL = 0x0004;
inline constexpr UINT TVHT_ONITEMINDENT = 0x0008;
inline constexpr UINT TVHT_ONITEMBUTTON = 0x0010;
inline constexpr UINT TVHT_ONITEMRIGHT = 0x0020;
inline constexpr UINT TVHT_ONITEM = TVHT_ONITEMICON | TVHT_ONITEMLABEL;

inline constexpr UINT TVN_FIRST = 0u - 400u;
inline constexpr UINT TVN_SELCHANGING = TVN_FIRST - 1;
inline constexpr UINT TVN_SELCHANGED = TVN_FIRST - 2;
inline constexpr UINT TVN_GETDISPINFO = TVN_FIRST - 3;
inline constexpr UINT TVN_ITEMEXPANDING = TVN_FIRST - 5;
inline constexpr UINT TVN_ITEMEXPANDED = TVN_FIRST - 6;
inline constexpr UINT TVN_DELETEITEM = TVN_FIRST - 9;
inline constexpr UINT TVN_KEYDOWN = TVN_FIRST - 12;

struct TVITEM {
    UINT mask = 0;
    HTREEITEM hItem = 0;
    UINT state = 0;
    UINT stateMask = 0;
    char* pszText = nullptr;
    int cchTextMax = 0;
    int iImage = 0;
    int iSelectedImage = 0;
    int cChildren = 0;
    LPARAM lParam = 0;
};

struct TVINSERTSTRUCT {
    HTREEITEM hParent = 0;
    HTREEITEM hInsertAfter = 0;
    TVITEM item;
};

struct TVHITTESTINFO {
    POINT pt;
    UINT flags = 0;
    HTREEITEM hItem = 0;
};

// TVN_SELCHANGING/ED, TVN_ITEMEXPANDING/ED, TVN_DELETEITEM. For the
// expansion notifications `action` is the TVE_ code; for the selection ones
// a TVC_ code. The items carry mask TVIF_HANDLE | TVIF_STATE | TVIF_PARAM
// (and TVIF_TEXT with the text for the selection ones).
struct NMTREEVIEW {
    NMHDR hdr;
    UINT action = 0;
    TVITEM itemOld;
    TVITEM itemNew;
    POINT ptDrag;
};

// TVN_GETDISPINFO: the tree asks the parent for the children count of an
// item inserted with cChildren = I_CHILDRENCALLBACK.
struct NMTVDISPINFO {
    NMHDR hdr;
    TVITEM item;
};

struct NMTVKEYDOWN {
    NMHDR hdr;
    std::uint16_t wVKey = 0;
    UINT flags = 0;
};

}  // namespace platform
