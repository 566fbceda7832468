// Message boxes: MessageBox.
//
// Mirrors Windows:
// - message_box shows a modal dialog of the dialog class ("#32770") whose
//   caption is `caption` ("Error" when null), with the text, an icon for
//   MB_ICONINFORMATION / MB_ICONWARNING / MB_ICONERROR / MB_ICONQUESTION, and
//   the buttons of the type, which carry the standard ids (IDOK, IDCANCEL,
//   IDYES, IDNO, IDRETRY, IDABORT, IDIGNORE), so that a program or a test can
//   press them by id. It returns the id of the button pressed. The box is
//   sized from the text (lines are broken at the work area's width) and
//   centred on the screen's work area. The owner, when given, is disabled
//   while the box is up (its top-level window when it is a child).
// - MB_DEFBUTTONn chooses the default button (the first when it names one
//   that is not there), which has the focus at the start. Enter presses the
//   default button; Escape and the close box return IDCANCEL when there is a
//   Cancel button, IDOK when OK is the only button, and do nothing otherwise.
// - Showing the box sounds the beep of its icon kind (message_beep of
//   sound.h, which records it).
// - MB_TOPMOST makes it WS_EX_TOPMOST; MB_SETFOREGROUND, MB_SYSTEMMODAL and
//   MB_TASKMODAL bring it to the front.
// Differs:
// - The icons are drawn shapes of the platform, not the Windows pictures.
// - MB_SYSTEMMODAL and MB_TASKMODAL disable only the owner, like
//   MB_APPLMODAL: no other windows of the thread are disabled.
// - MB_HELP, MB_RIGHT, MB_RTLREADING and MB_SERVICE_NOTIFICATION are ignored.
// Returns 0 when the box could not be made.
#pragma once

#include <cstdint>

#include "platform/messages.h"

namespace platform {

inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_OKCANCEL = 0x00000001;
inline constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
inline constexpr UINT MB_YESNOCANCEL = 0x00000003;
inline constexpr UINT MB_YESNO = 0x00000004;
inline constexpr UINT MB_RETRYCANCEL = 0x00000005;
inline constexpr UINT MB_TYPEMASK = 0x0000000F;
inline constexpr UINT MB_ICONHAND = 0x00000010;
inline constexpr UINT MB_ICONERROR = MB_ICONHAND;
inline constexpr UINT MB_ICONSTOP = MB_ICONHAND;
inline constexpr UINT MB_ICONQUESTION = 0x00000020;
inline constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
inline constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr UINT MB_ICONASTERISK = 0x00000040;
inline constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
inline constexpr UINT MB_ICONMASK = 0x000000F0;
inline constexpr UINT MB_DEFBUTTON1 = 0x00000000;
inline constexpr UINT MB_DEFBUTTON2 = 0x00000100;
inline constexpr UINT MB_DEFBUTTON3 = 0x00000200;
inline constexpr UINT MB_DEFBUTTON4 = 0x00000300;
inline constexpr UINT MB_DEFMASK = 0x00000F00;
inline constexpr UINT MB_APPLMODAL = 0x00000000;
inline constexpr UINT MB_SYSTEMMODAL = 0x00001000;
inline constexpr UINT MB_TASKMODAL = 0x00002000;
inline constexpr UINT MB_HELP = 0x00004000;
inline constexpr UINT MB_SETFOREGROUND = 0x00010000;
inline constexpr UINT MB_DEFAULT_DESKTOP_ONLY = 0x00020000;
inline constexpr UINT MB_TOPMOST = 0x00040000;
inline constexpr UINT MB_RIGHT = 0x00080000;

int message_box(HWND owner, const char* text, const char* caption, UINT type);

}  // namespace platform
