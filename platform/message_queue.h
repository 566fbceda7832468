// Message queues: PostMessage, PostThreadMessage, SendMessage, GetMessage,
// PeekMessage, DispatchMessage, TranslateMessage, PostQuitMessage,
// WaitMessage, MsgWaitForMultipleObjects, SetTimer, KillTimer.
//
// Mirrors Windows:
// - A thread gets a queue when it asks (ensure_message_queue, or any call
//   below that reads its queue, creates a window or sets a timer). Posting to
//   a thread without one fails with ERROR_INVALID_THREAD_ID, to a window that
//   is gone with ERROR_INVALID_WINDOW_HANDLE; a full queue (10000 posted
//   messages) with ERROR_NOT_ENOUGH_QUOTA.
// - Posts reach a window or thread of any process of the computer, in the
//   order they were posted. Within a process wParam and lParam arrive whole;
//   into another process they travel as 32-bit values (wParam zero-extended,
//   lParam sign-extended), since a pointer means nothing there.
// - Retrieval order: sent messages are handled first (their procedures are
//   called inside get/peek), then posted messages, then the quit request of
//   post_quit_message, then due timers. Filters: hwnd 0 takes every message of
//   the thread, (HWND)-1 only thread messages (hwnd 0), another window its
//   messages and its descendants'; min == max == 0 takes every number. WM_QUIT
//   is returned whatever the range. get_message returns 0 for WM_QUIT, -1 for
//   a filter window that is not the calling thread's.
// - send_message to a window of the calling thread calls its procedure; to a
//   window of another thread of this process it queues the call for that
//   thread and waits, and while it waits it handles the messages other threads
//   send to the caller, so that sends back and forth do not deadlock. If the
//   receiving thread ends first, the send returns 0.
// - Timers belong to a window (and id) of the calling thread or, with a null
//   window, to the thread. Setting an existing id replaces it. A timer makes at
//   most one WM_TIMER wait at a time however many periods pass (a slow loop
//   gets one, not a backlog); the next one comes at the first period boundary
//   after it was taken. Intervals below 10 ms are raised to 10 ms. A WM_TIMER
//   whose lParam is a TIMERPROC is dispatched to that procedure.
// - msg_wait_for_multiple_objects returns WAIT_OBJECT_0 + i for the first
//   ready kernel object i, WAIT_OBJECT_0 + count when the queue has a message
//   (posted, sent, quit or timer), WAIT_TIMEOUT, or WAIT_FAILED.
// Differs:
// - The wait reports input whenever the queue holds any, including input an
//   earlier peek left there (Windows only reports input new since the last
//   look); the wake mask is accepted and every kind of input wakes.
// - Sending to a window of another process is not offered: send_message
//   returns 0 with ERROR_ACCESS_DENIED. Post instead.
// - Retrieval order in full: sent messages, posted messages, input (the mouse
//   and keyboard messages made from delivered input, one event at a time),
//   the quit request, WM_PAINT for a window of the thread that needs painting
//   (parents before children; never posted, made up while the need lasts),
//   then due timers.
// - The platform's own messages (WM_TWP_FIRST_INTERNAL..WM_TWP_LAST_INTERNAL)
//   are taken by the queue itself whatever the filter, never returned nor
//   dispatched: WM_TWP_INPUT becomes input messages (input.h), the others go
//   to the handler registered for their number.
// - When a get or peek finds nothing, the thread's top-level windows whose
//   pixels changed are handed to the display (display.h) before it sleeps.
// - translate_message is in input.h.
// Blocking: get_message, wait_message, send_message across threads and the
// wait sleep in the kernel on the queue's word (futex) and never poll.
#pragma once

#include <cstdint>
#include <span>

#include "platform/handle_table.h"
#include "platform/messages.h"

namespace platform {

inline constexpr HWND kThreadMessagesOnly = 0xFFFFFFFFu;  // (HWND)-1 as a get/peek filter
inline constexpr UINT USER_TIMER_MINIMUM = 10;

using TIMERPROC = void (*)(HWND, UINT, WPARAM, std::uint32_t);

bool ensure_message_queue();

bool post_message(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
bool post_thread_message(std::uint32_t thread_id, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT send_message(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

int get_message(MSG* msg, HWND hwnd, UINT filter_min, UINT filter_max);
bool peek_message(MSG* msg, HWND hwnd, UINT filter_min, UINT filter_max, UINT remove);
LRESULT dispatch_message(const MSG* msg);
bool translate_message(const MSG* msg);
void post_quit_message(int exit_code);
// Sleeps until the queue has a message.
bool wait_message();

std::uint32_t msg_wait_for_multiple_objects(std::span<const Handle> handles, std::uint32_t timeout_ms,
                                            UINT wake_mask);

// The timer id (for a null window, a new id unless `id` names an existing
// thread timer), or 0: ERROR_INVALID_WINDOW_HANDLE, ERROR_ACCESS_DENIED for a
// window of another thread.
std::uintptr_t set_timer(HWND hwnd, std::uintptr_t id, UINT elapse_ms, TIMERPROC proc);
bool kill_timer(HWND hwnd, std::uintptr_t id);

// The handler the queue calls, on the receiving thread inside get/peek, for
// a platform-internal message number (WM_TWP_AUTOMATION...); null removes it.
// WM_TWP_INPUT is the queue's own and cannot be taken over.
void register_internal_message_handler(UINT message, void (*handler)(const MSG&));

}  // namespace platform
