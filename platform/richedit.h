// The rich-text display: the "RichEdit20A" class (and "RICHEDIT", the first
// version's name), as the system uses it to show formatted, read-only text.
//
// Mirrors Windows:
// - The classes exist once the program loads the rich-edit library:
//   load_library("RichEd32.Dll") or load_library("RICHED20.DLL") succeeds
//   (the library is built into the platform, see library.h) and registers
//   both as global classes; init_rich_edit() does the same directly.
// - Text comes from WM_SETTEXT (Rich Text Format when it starts with
//   "{\rtf", else plain) or EM_STREAMIN (SF_TEXT or SF_RTF, through the
//   caller's EDITSTREAM callback, until it gives 0 bytes or an error). It is
//   cut to the limit (EM_EXLIMITTEXT, 32767 characters by default).
//   WM_GETTEXT and WM_GETTEXTLENGTH give the plain text with "\r\n" between
//   paragraphs.
// - The text is drawn word-wrapped to the control's width in its formats
//   (bold, italic, underline, size, colour) on the background colour
//   (EM_SETBKGNDCOLOR; COLOR_WINDOW until set). When it is taller than the
//   control, a scroll bar appears and WM_VSCROLL, EM_LINESCROLL and the mouse
//   wheel scroll it by lines. EM_GETLINECOUNT counts the wrapped lines.
// - The selection (EM_SETSEL, EM_EXSETSEL, EM_GETSEL, EM_EXGETSEL) is kept
//   and drawn highlighted while the control has the focus; -1 as the end
//   selects to the end, a start of -1 selects nothing.
// - EM_SETCHARFORMAT with SCF_ALL or SCF_SELECTION changes the format of the
//   text (bold, italic, underline, size in twips, colour); SCF_DEFAULT the
//   format of text set afterwards as plain text. WM_SETFONT sets the face and
//   size everything is drawn in.
// Differs:
// - A display only: typing and pasting are ignored whatever EM_SETREADONLY
//   says (the flag is kept and reported in ES_READONLY); no undo, no OLE
//   objects, no EM_STREAMOUT. ENM_LINK and the other event masks are kept
//   (EM_GETEVENTMASK) but no notifications are sent.
// - SFF_SELECTION replaces the whole text rather than the selection.
// - Faces come from the drawing layer (DejaVu in place of the Windows faces).
#pragma once

#include <cstdint>

#include "platform/gdi_types.h"
#include "platform/messages.h"
#include "platform/standard_controls.h"

namespace platform {

inline constexpr const char* RICHEDIT_CLASS = "RichEdit20A";
inline constexpr const char* RICHEDIT_CLASS10A = "RICHEDIT";

// Registers both classes (what loading the rich-edit library does).
void init_rich_edit();

// Edit messages the rich-text display answers beside those of EDIT
// (standard_controls.h).
inline constexpr UINT EM_LINESCROLL = 0x00B6;
inline constexpr UINT EM_LINEINDEX = 0x00BB;
inline constexpr UINT EM_LINELENGTH = 0x00C1;
inline constexpr UINT EM_GETFIRSTVISIBLELINE = 0x00CE;

inline constexpr UINT EM_EXGETSEL = WM_USER + 52;
inline constexpr UINT EM_EXLIMITTEXT = WM_USER + 53;
inline constexpr UINT EM_EXSETSEL = WM_USER + 55;
inline constexpr UINT EM_GETCHARFORMAT = WM_USER + 58;
inline constexpr UINT EM_GETEVENTMASK = WM_USER + 59;
inline constexpr UINT EM_SETBKGNDCOLOR = WM_USER + 67;
inline constexpr UINT EM_SETCHARFORMAT = WM_USER + 68;
inline constexpr UINT EM_SETEVENTMASK = WM_USER + 69;
inline constexpr UINT EM_STREAMIN = WM_USER + 73;
inline constexpr UINT EM_GETTEXTRANGE = WM_USER + 75;
inline constexpr UINT EM_AUTOURLDETECT = WM_USER + 91;

struct CHARRANGE {
    std::int32_t cpMin = 0;
    std::int32_t cpMax = 0;
};

struct TEXTRANGE {
    CHARRANGE chrg;
    char* lpstrText = nullptr;  // room for cpMax - cpMin characters and the terminator
};

// The callback gives up to `cb` bytes in `buffer` and their count in *pcb;
// a non-zero result is an error that ends the stream.
using EDITSTREAMCALLBACK = std::uint32_t (*)(std::uintptr_t cookie, std::uint8_t* buffer, std::int32_t cb,
                                             std::int32_t* pcb);

struct EDITSTREAM {
    std::uintptr_t dwCookie = 0;
    std::uint32_t dwError = 0;
    EDITSTREAMCALLBACK pfnCallback = nullptr;
};

inline constexpr UINT SF_TEXT = 0x0001;
inline constexpr UINT SF_RTF = 0x0002;
inline constexpr UINT SFF_SELECTION = 0x8000;

struct CHARFORMAT {
    UINT cbSize = sizeof(CHARFORMAT);
    std::uint32_t dwMask = 0;
    std::uint32_t dwEffects = 0;
    std::int32_t yHeight = 0;  // twips
    std::int32_t yOffset = 0;
    COLORREF crTextColor = 0;
    std::uint8_t bCharSet = 0;
    std::uint8_t bPitchAndFamily = 0;
    char szFaceName[32] = {};
};

inline constexpr std::uint32_t CFM_BOLD = 0x00000001;
inline constexpr std::uint32_t CFM_ITALIC = 0x00000002;
inline constexpr std::uint32_t CFM_UNDERLINE = 0x00000004;
inline constexpr std::uint32_t CFM_STRIKEOUT = 0x00000008;
inline constexpr std::uint32_t CFM_PROTECTED = 0x00000010;
inline constexpr std::uint32_t CFM_LINK = 0x00000020;
inline constexpr std::uint32_t CFM_SIZE = 0x80000000;
inline constexpr std::uint32_t CFM_COLOR = 0x40000000;
inline constexpr std::uint32_t CFM_FACE = 0x20000000;
inline constexpr std::uint32_t CFM_OFFSET = 0x10000000;
inline constexpr std::uint32_t CFM_CHARSET = 0x08000000;
inline constexpr std::uint32_t CFE_BOLD = 0x0001;
inline constexpr std::uint32_t CFE_ITALIC = 0x0002;
inline constexpr std::uint32_t CFE_UNDERLINE = 0x0004;
inline constexpr std::uint32_t CFE_STRIKEOUT = 0x0008;
inline constexpr std::uint32_t CFE_PROTECTED = 0x0010;
inline constexpr std::uint32_t CFE_LINK = 0x0020;
inline constexpr std::uint32_t CFE_AUTOCOLOR = 0x40000000;

inline constexpr UINT SCF_DEFAULT = 0x0000;
inline constexpr UINT SCF_SELECTION = 0x0001;
inline constexpr UINT SCF_ALL = 0x0004;

inline constexpr std::uint32_t ENM_NONE = 0x00000000;
inline constexpr std::uint32_t ENM_CHANGE = 0x00000001;
inline constexpr std::uint32_t ENM_UPDATE = 0x00000002;
inline constexpr std::uint32_t ENM_SCROLL = 0x00000004;
inline constexpr std::uint32_t ENM_KEYEVENTS = 0x00010000;
inline constexpr std::uint32_t ENM_MOUSEEVENTS = 0x00020000;
inline constexpr std::uint32_t ENM_SELCHANGE = 0x00080000;
inline constexpr std::uint32_t ENM_LINK = 0x04000000;

}  // namespace platform
