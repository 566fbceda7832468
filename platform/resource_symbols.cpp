// The Windows names a resource script may use without including anything:
// the numbers Windows gives them. Kept as a table here, not as C++ constants,
// so that the facilities that own these styles (dialogs, controls) define
// their constants where they belong.
#include <map>
#include <string>

#include "platform/resource_script_lexer.h"

namespace platform::rc {

std::optional<std::uint32_t> builtin_symbol(std::string_view name) {
    static const std::map<std::string, std::uint32_t, std::less<>> table = {
        // Window styles.
        {"WS_OVERLAPPED", 0x00000000}, {"WS_POPUP", 0x80000000}, {"WS_CHILD", 0x40000000},
        {"WS_MINIMIZE", 0x20000000}, {"WS_VISIBLE", 0x10000000}, {"WS_DISABLED", 0x08000000},
        {"WS_CLIPSIBLINGS", 0x04000000}, {"WS_CLIPCHILDREN", 0x02000000}, {"WS_MAXIMIZE", 0x01000000},
        {"WS_CAPTION", 0x00C00000}, {"WS_BORDER", 0x00800000}, {"WS_DLGFRAME", 0x00400000},
        {"WS_VSCROLL", 0x00200000}, {"WS_HSCROLL", 0x00100000}, {"WS_SYSMENU", 0x00080000},
        {"WS_THICKFRAME", 0x00040000}, {"WS_SIZEBOX", 0x00040000}, {"WS_GROUP", 0x00020000},
        {"WS_TABSTOP", 0x00010000}, {"WS_MINIMIZEBOX", 0x00020000}, {"WS_MAXIMIZEBOX", 0x00010000},
        {"WS_TILED", 0x00000000}, {"WS_ICONIC", 0x20000000}, {"WS_OVERLAPPEDWINDOW", 0x00CF0000},
        {"WS_POPUPWINDOW", 0x80880000}, {"WS_CHILDWINDOW", 0x40000000}, {"WS_TILEDWINDOW", 0x00CF0000},
        // Extended window styles.
        {"WS_EX_DLGMODALFRAME", 0x00000001}, {"WS_EX_NOPARENTNOTIFY", 0x00000004}, {"WS_EX_TOPMOST", 0x00000008},
        {"WS_EX_ACCEPTFILES", 0x00000010}, {"WS_EX_TRANSPARENT", 0x00000020}, {"WS_EX_MDICHILD", 0x00000040},
        {"WS_EX_TOOLWINDOW", 0x00000080}, {"WS_EX_WINDOWEDGE", 0x00000100}, {"WS_EX_CLIENTEDGE", 0x00000200},
        {"WS_EX_CONTEXTHELP", 0x00000400}, {"WS_EX_RIGHT", 0x00001000}, {"WS_EX_LEFT", 0x00000000},
        {"WS_EX_RTLREADING", 0x00002000}, {"WS_EX_LEFTSCROLLBAR", 0x00004000}, {"WS_EX_CONTROLPARENT", 0x00010000},
        {"WS_EX_STATICEDGE", 0x00020000}, {"WS_EX_APPWINDOW", 0x00040000}, {"WS_EX_OVERLAPPEDWINDOW", 0x00000300},
        {"WS_EX_PALETTEWINDOW", 0x00000188},
        // Dialog styles.
        {"DS_ABSALIGN", 0x01}, {"DS_SYSMODAL", 0x02}, {"DS_3DLOOK", 0x04}, {"DS_FIXEDSYS", 0x08},
        {"DS_NOFAILCREATE", 0x10}, {"DS_LOCALEDIT", 0x20}, {"DS_SETFONT", 0x40}, {"DS_MODALFRAME", 0x80},
        {"DS_NOIDLEMSG", 0x100}, {"DS_SETFOREGROUND", 0x200}, {"DS_CONTROL", 0x400}, {"DS_CENTER", 0x800},
        {"DS_CENTERMOUSE", 0x1000}, {"DS_CONTEXTHELP", 0x2000}, {"DS_SHELLFONT", 0x48},
        // Buttons.
        {"BS_PUSHBUTTON", 0x0}, {"BS_DEFPUSHBUTTON", 0x1}, {"BS_CHECKBOX", 0x2}, {"BS_AUTOCHECKBOX", 0x3},
        {"BS_RADIOBUTTON", 0x4}, {"BS_3STATE", 0x5}, {"BS_AUTO3STATE", 0x6}, {"BS_GROUPBOX", 0x7},
        {"BS_USERBUTTON", 0x8}, {"BS_AUTORADIOBUTTON", 0x9}, {"BS_PUSHBOX", 0xA}, {"BS_OWNERDRAW", 0xB},
        {"BS_TYPEMASK", 0xF}, {"BS_LEFTTEXT", 0x20}, {"BS_RIGHTBUTTON", 0x20}, {"BS_TEXT", 0x0},
        {"BS_ICON", 0x40}, {"BS_BITMAP", 0x80}, {"BS_LEFT", 0x100}, {"BS_RIGHT", 0x200}, {"BS_CENTER", 0x300},
        {"BS_TOP", 0x400}, {"BS_BOTTOM", 0x800}, {"BS_VCENTER", 0xC00}, {"BS_PUSHLIKE", 0x1000},
        {"BS_MULTILINE", 0x2000}, {"BS_NOTIFY", 0x4000}, {"BS_FLAT", 0x8000},
        // Statics.
        {"SS_LEFT", 0x0}, {"SS_CENTER", 0x1}, {"SS_RIGHT", 0x2}, {"SS_ICON", 0x3}, {"SS_BLACKRECT", 0x4},
        {"SS_GRAYRECT", 0x5}, {"SS_WHITERECT", 0x6}, {"SS_BLACKFRAME", 0x7}, {"SS_GRAYFRAME", 0x8},
        {"SS_WHITEFRAME", 0x9}, {"SS_USERITEM", 0xA}, {"SS_SIMPLE", 0xB}, {"SS_LEFTNOWORDWRAP", 0xC},
        {"SS_OWNERDRAW", 0xD}, {"SS_BITMAP", 0xE}, {"SS_ENHMETAFILE", 0xF}, {"SS_ETCHEDHORZ", 0x10},
        {"SS_ETCHEDVERT", 0x11}, {"SS_ETCHEDFRAME", 0x12}, {"SS_TYPEMASK", 0x1F}, {"SS_REALSIZECONTROL", 0x40},
        {"SS_NOPREFIX", 0x80}, {"SS_NOTIFY", 0x100}, {"SS_CENTERIMAGE", 0x200}, {"SS_RIGHTJUST", 0x400},
        {"SS_REALSIZEIMAGE", 0x800}, {"SS_SUNKEN", 0x1000}, {"SS_ENDELLIPSIS", 0x4000},
        {"SS_PATHELLIPSIS", 0x8000}, {"SS_WORDELLIPSIS", 0xC000},
        // Edit fields (also rich edit).
        {"ES_LEFT", 0x0}, {"ES_CENTER", 0x1}, {"ES_RIGHT", 0x2}, {"ES_MULTILINE", 0x4}, {"ES_UPPERCASE", 0x8},
        {"ES_LOWERCASE", 0x10}, {"ES_PASSWORD", 0x20}, {"ES_AUTOVSCROLL", 0x40}, {"ES_AUTOHSCROLL", 0x80},
        {"ES_NOHIDESEL", 0x100}, {"ES_OEMCONVERT", 0x400}, {"ES_READONLY", 0x800}, {"ES_WANTRETURN", 0x1000},
        {"ES_NUMBER", 0x2000}, {"ES_SAVESEL", 0x8000}, {"ES_SUNKEN", 0x4000}, {"ES_DISABLENOSCROLL", 0x2000},
        {"ES_SELECTIONBAR", 0x01000000},
        // Scroll bars, list boxes, combo boxes.
        {"SBS_HORZ", 0x0}, {"SBS_VERT", 0x1}, {"SBS_TOPALIGN", 0x2}, {"SBS_LEFTALIGN", 0x2},
        {"SBS_BOTTOMALIGN", 0x4}, {"SBS_RIGHTALIGN", 0x4}, {"SBS_SIZEBOX", 0x8}, {"SBS_SIZEGRIP", 0x10},
        {"LBS_NOTIFY", 0x1}, {"LBS_SORT", 0x2}, {"LBS_NOREDRAW", 0x4}, {"LBS_MULTIPLESEL", 0x8},
        {"LBS_OWNERDRAWFIXED", 0x10}, {"LBS_OWNERDRAWVARIABLE", 0x20}, {"LBS_HASSTRINGS", 0x40},
        {"LBS_USETABSTOPS", 0x80}, {"LBS_NOINTEGRALHEIGHT", 0x100}, {"LBS_MULTICOLUMN", 0x200},
        {"LBS_WANTKEYBOARDINPUT", 0x400}, {"LBS_EXTENDEDSEL", 0x800}, {"LBS_DISABLENOSCROLL", 0x1000},
        {"LBS_NODATA", 0x2000}, {"LBS_NOSEL", 0x4000}, {"LBS_STANDARD", 0x00A00003},
        {"CBS_SIMPLE", 0x1}, {"CBS_DROPDOWN", 0x2}, {"CBS_DROPDOWNLIST", 0x3}, {"CBS_OWNERDRAWFIXED", 0x10},
        {"CBS_OWNERDRAWVARIABLE", 0x20}, {"CBS_AUTOHSCROLL", 0x40}, {"CBS_OEMCONVERT", 0x80}, {"CBS_SORT", 0x100},
        {"CBS_HASSTRINGS", 0x200}, {"CBS_NOINTEGRALHEIGHT", 0x400}, {"CBS_DISABLENOSCROLL", 0x800},
        // Common controls.
        {"CCS_TOP", 0x1}, {"CCS_NOMOVEY", 0x2}, {"CCS_BOTTOM", 0x3}, {"CCS_NORESIZE", 0x4},
        {"CCS_NOPARENTALIGN", 0x8}, {"CCS_ADJUSTABLE", 0x20}, {"CCS_NODIVIDER", 0x40},
        {"PBS_SMOOTH", 0x1}, {"PBS_VERTICAL", 0x4},
        {"LVS_ICON", 0x0}, {"LVS_REPORT", 0x1}, {"LVS_SMALLICON", 0x2}, {"LVS_LIST", 0x3}, {"LVS_TYPEMASK", 0x3},
        {"LVS_SINGLESEL", 0x4}, {"LVS_SHOWSELALWAYS", 0x8}, {"LVS_SORTASCENDING", 0x10},
        {"LVS_SORTDESCENDING", 0x20}, {"LVS_SHAREIMAGELISTS", 0x40}, {"LVS_NOLABELWRAP", 0x80},
        {"LVS_AUTOARRANGE", 0x100}, {"LVS_EDITLABELS", 0x200}, {"LVS_OWNERDATA", 0x1000}, {"LVS_NOSCROLL", 0x2000},
        {"LVS_ALIGNTOP", 0x0}, {"LVS_ALIGNLEFT", 0x800}, {"LVS_OWNERDRAWFIXED", 0x400},
        {"LVS_NOCOLUMNHEADER", 0x4000}, {"LVS_NOSORTHEADER", 0x8000},
        {"TVS_HASBUTTONS", 0x1}, {"TVS_HASLINES", 0x2}, {"TVS_LINESATROOT", 0x4}, {"TVS_EDITLABELS", 0x8},
        {"TVS_DISABLEDRAGDROP", 0x10}, {"TVS_SHOWSELALWAYS", 0x20}, {"TVS_RTLREADING", 0x40},
        {"TVS_NOTOOLTIPS", 0x80}, {"TVS_CHECKBOXES", 0x100}, {"TVS_TRACKSELECT", 0x200},
        {"TVS_SINGLEEXPAND", 0x400}, {"TVS_INFOTIP", 0x800}, {"TVS_FULLROWSELECT", 0x1000},
        {"TVS_NOSCROLL", 0x2000}, {"TVS_NONEVENHEIGHT", 0x4000},
        {"TBS_AUTOTICKS", 0x1}, {"TBS_VERT", 0x2}, {"TBS_HORZ", 0x0}, {"TBS_TOP", 0x4}, {"TBS_BOTTOM", 0x0},
        {"TBS_LEFT", 0x4}, {"TBS_RIGHT", 0x0}, {"TBS_BOTH", 0x8}, {"TBS_NOTICKS", 0x10},
        {"UDS_WRAP", 0x1}, {"UDS_SETBUDDYINT", 0x2}, {"UDS_ALIGNRIGHT", 0x4}, {"UDS_ALIGNLEFT", 0x8},
        {"UDS_AUTOBUDDY", 0x10}, {"UDS_ARROWKEYS", 0x20}, {"UDS_HORZ", 0x40}, {"UDS_NOTHOUSANDS", 0x80},
        // Standard dialog ids.
        {"IDOK", 1}, {"IDCANCEL", 2}, {"IDABORT", 3}, {"IDRETRY", 4}, {"IDIGNORE", 5}, {"IDYES", 6}, {"IDNO", 7},
        {"IDCLOSE", 8}, {"IDHELP", 9}, {"IDC_STATIC", 0xFFFFFFFF},
        // Version information.
        {"VS_FF_DEBUG", 0x1}, {"VS_FF_PRERELEASE", 0x2}, {"VS_FF_PATCHED", 0x4}, {"VS_FF_PRIVATEBUILD", 0x8},
        {"VS_FF_INFOINFERRED", 0x10}, {"VS_FF_SPECIALBUILD", 0x20}, {"VS_FFI_FILEFLAGSMASK", 0x3F},
        {"VS_FFI_SIGNATURE", 0xFEEF04BD}, {"VS_FFI_STRUCVERSION", 0x00010000}, {"VS_VERSION_INFO", 1},
        {"VOS_UNKNOWN", 0x0}, {"VOS_DOS", 0x10000}, {"VOS_OS216", 0x20000}, {"VOS_OS232", 0x30000},
        {"VOS_NT", 0x40000}, {"VOS__BASE", 0x0}, {"VOS__WINDOWS16", 0x1}, {"VOS__PM16", 0x2},
        {"VOS__PM32", 0x3}, {"VOS__WINDOWS32", 0x4}, {"VOS_DOS_WINDOWS16", 0x10001}, {"VOS_DOS_WINDOWS32", 0x10004},
        {"VOS_NT_WINDOWS32", 0x40004},
        {"VFT_UNKNOWN", 0x0}, {"VFT_APP", 0x1}, {"VFT_DLL", 0x2}, {"VFT_DRV", 0x3}, {"VFT_FONT", 0x4},
        {"VFT_VXD", 0x5}, {"VFT_STATIC_LIB", 0x7}, {"VFT2_UNKNOWN", 0x0}, {"VFT2_DRV_PRINTER", 0x1},
        {"VFT2_DRV_KEYBOARD", 0x2}, {"VFT2_DRV_LANGUAGE", 0x3}, {"VFT2_DRV_DISPLAY", 0x4},
        {"VFT2_DRV_MOUSE", 0x5}, {"VFT2_DRV_NETWORK", 0x6}, {"VFT2_DRV_SYSTEM", 0x7},
        {"VFT2_DRV_INSTALLABLE", 0x8}, {"VFT2_DRV_SOUND", 0x9},
        // Languages, for LANGUAGE lines that are read but not used.
        {"LANG_NEUTRAL", 0x00}, {"LANG_ENGLISH", 0x09}, {"LANG_GERMAN", 0x07}, {"LANG_FRENCH", 0x0C},
        {"LANG_JAPANESE", 0x11}, {"SUBLANG_NEUTRAL", 0x00}, {"SUBLANG_DEFAULT", 0x01},
        {"SUBLANG_SYS_DEFAULT", 0x02}, {"SUBLANG_ENGLISH_US", 0x01}, {"SUBLANG_ENGLISH_UK", 0x02},
    };
    auto it = table.find(name);
    if (it == table.end()) return std::nullopt;
    return it->second;
}

}  // namespace platform::rc
