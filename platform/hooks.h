// Message-filter hooks: SetWindowsHookEx(WH_MSGFILTER), UnhookWindowsHookEx,
// CallNextHookEx, CallMsgFilter.
//
// Mirrors Windows:
// - A WH_MSGFILTER hook belongs to a thread and sees the messages of that
//   thread's modal loops: the dialog manager and the dialogs' modal loops
//   call call_msg_filter(&msg, MSGF_DIALOGBOX) for each message before they
//   handle it. The chain runs newest hook first; each hook decides whether
//   to pass the message on with call_next_hook_ex. call_msg_filter returns
//   true when the chain answered non-zero: the hook took the message and the
//   loop must not handle it.
// - A hook is called with the code the loop gave (MSGF_...), wParam 0 and
//   lParam the MSG*. A negative code must be passed on untouched.
// Differs: only WH_MSGFILTER, only for the calling thread (thread_id 0 means
// the calling thread: there are no global hooks); WH_SYSMSGFILTER is not run.
// Thread rules: hooks are per thread; set, unhook and call on that thread.
#pragma once

#include <cstdint>

#include "platform/messages.h"

namespace platform {

using HHOOK = std::uint32_t;
using HOOKPROC = LRESULT (*)(int code, WPARAM wParam, LPARAM lParam);

inline constexpr int WH_MSGFILTER = -1;
inline constexpr int MSGF_DIALOGBOX = 0;
inline constexpr int MSGF_MESSAGEBOX = 1;
inline constexpr int MSGF_MENU = 2;
inline constexpr int MSGF_SCROLLBAR = 5;
inline constexpr int MSGF_NEXTWINDOW = 6;
inline constexpr int MSGF_USER = 4096;

// 0 on failure: ERROR_INVALID_HOOK_FILTER for another hook kind,
// ERROR_INVALID_PARAMETER for a null procedure or another thread.
HHOOK set_windows_hook_ex(int id, HOOKPROC proc, std::uint32_t module, std::uint32_t thread_id);
bool unhook_windows_hook_ex(HHOOK hook);
// Calls the hook after `hook` in the calling thread's chain; 0 at its end.
LRESULT call_next_hook_ex(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);
bool call_msg_filter(MSG* msg, int code);

}  // namespace platform
