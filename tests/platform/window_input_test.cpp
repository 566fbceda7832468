// Input, capture, hooks, placement and the frame: the messages windows get,
// recorded and compared with the sequences Windows gives.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/hooks.h"
#include "platform/input.h"
#include "platform/menu.h"
#include "platform/message_queue.h"
#include "platform/surface.h"
#include "platform/thread.h"
#include "platform/system_metrics.h"
#include "platform/machine_root.h"
#include "platform/window.h"
#include "platform/window_place.h"
#include "tests/platform/window_recorder.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"

using namespace platform;
using twtest::Recorder;
using Seq = std::vector<std::string>;

namespace {

// Delivers a click at a point of the top-level window given as arguments,
// from another process, then says "clicked".
twtest::ChildRole click_from_afar("click-from-afar", [](const std::vector<std::string>& args) {
    const HWND top = static_cast<HWND>(std::stoul(args.at(0)));
    InputEvent e;
    e.pt = POINT{std::stoi(args.at(1)), std::stoi(args.at(2))};
    e.kind = InputEvent::Kind::ButtonDown;
    bool ok = deliver_input(top, e);
    e.kind = InputEvent::Kind::ButtonUp;
    ok = ok && deliver_input(top, e);
    std::printf(ok ? "clicked\n" : "failed %u\n", last_error());
    return ok ? 0 : 1;
});

void pump() {
    MSG msg;
    while (peek_message(&msg, 0, 0, 0, PM_REMOVE)) {
        translate_message(&msg);
        dispatch_message(&msg);
    }
}

InputEvent mouse(InputEvent::Kind kind, int x, int y, int button = 1) {
    InputEvent e;
    e.kind = kind;
    e.pt = POINT{x, y};
    e.button = button;
    return e;
}

InputEvent key(InputEvent::Kind kind, std::uint32_t vk, std::uint32_t ch = 0) {
    InputEvent e;
    e.kind = kind;
    e.vk = vk;
    e.ch = ch;
    return e;
}

void click(HWND top, int x, int y, int button = 1) {
    ASSERT_TRUE(deliver_input(top, mouse(InputEvent::Kind::ButtonDown, x, y, button)));
    ASSERT_TRUE(deliver_input(top, mouse(InputEvent::Kind::ButtonUp, x, y, button)));
}

const std::vector<UINT> kMouse = {WM_MOUSEACTIVATE, WM_ACTIVATE,   WM_LBUTTONDOWN, WM_LBUTTONUP,  WM_LBUTTONDBLCLK,
                                  WM_RBUTTONDOWN,   WM_RBUTTONUP,  WM_MOUSEMOVE,   WM_CAPTURECHANGED};

class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        Recorder::instance().clear();
        for (auto [name, style] : {std::pair{"TwpInput", 0u}, std::pair{"TwpDouble", CS_DBLCLKS}}) {
            WNDCLASS wc;
            wc.lpfnWndProc = twtest::recording_proc;
            wc.lpszClassName = name;
            wc.style = style;
            ASSERT_NE(register_class(wc), 0);
        }
    }
    void TearDown() override {
        release_capture();
        for (HWND h : made_)
            if (is_window(h)) destroy_window(h);
        pump();
        EXPECT_TRUE(unregister_class("TwpInput", 0));
        EXPECT_TRUE(unregister_class("TwpDouble", 0));
    }
    HWND make(const char* name, std::uint32_t style, int x, int y, int cx, int cy, HWND parent = 0,
              const char* cls = "TwpInput", std::uintptr_t id = 0) {
        HWND h = create_window_ex(0, cls, name, style, x, y, cx, cy, parent, id, 0, nullptr);
        if (h) {
            made_.push_back(h);
            Recorder::instance().name(h, name);
        }
        return h;
    }

    twtest::TempMachineRoot root_;
    std::vector<HWND> made_;
};

TEST_F(InputTest, ClickOnAChildActivatesItsWindowAndArrivesInClientCoordinates) {
    // A plain pop-up (no frame) at 100,50; the child at 20,10 inside it.
    HWND other = make("O", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50);
    HWND top = make("P", WS_POPUP | WS_VISIBLE, 100, 50, 200, 100);
    HWND child = make("C", WS_CHILD | WS_VISIBLE, 20, 10, 60, 40, top);
    set_active_window(other);
    pump();
    Recorder::instance().clear();
    Recorder::instance().name(top, "P");
    Recorder::instance().name(child, "C");
    Recorder::instance().name(other, "O");

    click(top, 25, 15);
    pump();
    EXPECT_EQ(Recorder::instance().sequence(kMouse),
              (Seq{"C:WM_MOUSEACTIVATE", "P:WM_MOUSEACTIVATE", "O:WM_ACTIVATE", "P:WM_ACTIVATE", "C:WM_LBUTTONDOWN",
                   "C:WM_LBUTTONUP"}));
    for (const auto& r : Recorder::instance().received()) {
        if (r.message == WM_LBUTTONDOWN) {
            EXPECT_EQ(r.lParam, make_lparam(5, 5));
            EXPECT_EQ(r.wParam, MK_LBUTTON);
        }
        if (r.message == WM_LBUTTONUP) {
            EXPECT_EQ(r.wParam, 0u);
        }
        if (r.message == WM_ACTIVATE && r.hwnd == top) {
            EXPECT_EQ(loword(r.wParam), WA_CLICKACTIVE);
        }
        if (r.message == WM_MOUSEACTIVATE) {
            EXPECT_EQ(static_cast<HWND>(r.wParam), top);
        }
    }
    POINT cursor;
    ASSERT_TRUE(get_cursor_pos(&cursor));
    EXPECT_EQ(cursor.x, 125);
    EXPECT_EQ(cursor.y, 65);

    // Once active, a click goes straight to the window.
    Recorder::instance().clear();
    Recorder::instance().name(top, "P");
    Recorder::instance().name(child, "C");
    click(top, 150, 80);
    pump();
    EXPECT_EQ(Recorder::instance().sequence(kMouse), (Seq{"P:WM_LBUTTONDOWN", "P:WM_LBUTTONUP"}));
}

TEST_F(InputTest, DisabledChildSwallowsTheClickAndHiddenChildLetsItThrough) {
    HWND top = make("P", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100);
    HWND off = make("D", WS_CHILD | WS_VISIBLE | WS_DISABLED, 0, 0, 50, 50, top);
    make("H", WS_CHILD, 100, 0, 50, 50, top);
    (void)off;
    pump();
    Recorder::instance().clear();
    Recorder::instance().name(top, "P");
    click(top, 10, 10);
    click(top, 110, 10);
    pump();
    EXPECT_EQ(Recorder::instance().sequence(kMouse), (Seq{"P:WM_LBUTTONDOWN", "P:WM_LBUTTONUP"}));
}

TEST_F(InputTest, CaptureGetsTheMouseOutsideItsWindow) {
    HWND top = make("P", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100);
    HWND child = make("C", WS_CHILD | WS_VISIBLE, 50, 20, 30, 30, top);
    pump();
    EXPECT_EQ(set_capture(child), 0u);
    EXPECT_EQ(get_capture(), child);
    Recorder::instance().clear();
    Recorder::instance().name(child, "C");
    ASSERT_TRUE(deliver_input(top, mouse(InputEvent::Kind::MouseMove, 10, 5)));
    ASSERT_TRUE(deliver_input(top, mouse(InputEvent::Kind::ButtonUp, 300, 200)));
    pump();
    EXPECT_TRUE(release_capture());
    EXPECT_EQ(get_capture(), 0u);
    EXPECT_EQ(Recorder::instance().sequence(kMouse), (Seq{"C:WM_MOUSEMOVE", "C:WM_LBUTTONUP", "C:WM_CAPTURECHANGED"}));
    for (const auto& r : Recorder::instance().received()) {
        if (r.message == WM_MOUSEMOVE) {
            EXPECT_EQ(r.lParam, make_lparam(static_cast<std::uint16_t>(-40), static_cast<std::uint16_t>(-15)));
        }
        if (r.message == WM_LBUTTONUP) {
            EXPECT_EQ(r.lParam, make_lparam(250, 180));
        }
    }
}

TEST_F(InputTest, DoubleClicksNeedTheClassStyleTheTimeAndTheDistance) {
    struct Case {
        const char* cls;
        int second_x;
        Seq expected;
    } cases[] = {
        {"TwpDouble", 11, {"W:WM_LBUTTONDOWN", "W:WM_LBUTTONUP", "W:WM_LBUTTONDBLCLK", "W:WM_LBUTTONUP"}},
        {"TwpDouble", 30, {"W:WM_LBUTTONDOWN", "W:WM_LBUTTONUP", "W:WM_LBUTTONDOWN", "W:WM_LBUTTONUP"}},
        {"TwpInput", 10, {"W:WM_LBUTTONDOWN", "W:WM_LBUTTONUP", "W:WM_LBUTTONDOWN", "W:WM_LBUTTONUP"}},
    };
    for (const auto& c : cases) {
        HWND w = make("W", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, 0, c.cls);
        pump();
        Recorder::instance().clear();
        Recorder::instance().name(w, "W");
        click(w, 10, 10);
        click(w, c.second_x, 10);
        // A third press right after a double click starts again.
        pump();
        EXPECT_EQ(Recorder::instance().sequence(kMouse), c.expected) << c.cls << " " << c.second_x;
        destroy_window(w);
        pump();
    }
}

TEST_F(InputTest, KeysGoToTheFocusWithRepeatBitsAndTranslateToCharacters) {
    HWND top = make("P", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    HWND edit = make("E", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, top);
    set_focus(edit);
    pump();
    Recorder::instance().clear();
    Recorder::instance().name(edit, "E");
    deliver_input(top, key(InputEvent::Kind::KeyDown, 'A'));
    deliver_input(top, key(InputEvent::Kind::KeyDown, 'A'));  // held: repeats
    deliver_input(top, key(InputEvent::Kind::KeyUp, 'A'));
    deliver_input(top, key(InputEvent::Kind::KeyDown, VK_SHIFT));
    deliver_input(top, key(InputEvent::Kind::KeyDown, 'B'));
    deliver_input(top, key(InputEvent::Kind::KeyUp, 'B'));
    deliver_input(top, key(InputEvent::Kind::KeyUp, VK_SHIFT));
    deliver_input(top, key(InputEvent::Kind::KeyDown, VK_RETURN));
    deliver_input(top, key(InputEvent::Kind::KeyDown, VK_OEM_PERIOD, '.'));  // the character the event carries
    pump();
    const std::vector<UINT> keys = {WM_KEYDOWN, WM_KEYUP, WM_CHAR};
    EXPECT_EQ(Recorder::instance().sequence(keys),
              (Seq{"E:WM_KEYDOWN", "E:WM_CHAR", "E:WM_KEYDOWN", "E:WM_CHAR", "E:WM_KEYUP", "E:WM_KEYDOWN", "E:WM_KEYDOWN",
                   "E:WM_CHAR", "E:WM_KEYUP", "E:WM_KEYUP", "E:WM_KEYDOWN", "E:WM_CHAR", "E:WM_KEYDOWN", "E:WM_CHAR"}));
    std::vector<std::pair<UINT, WPARAM>> got;
    std::vector<LPARAM> key_l;
    for (const auto& r : Recorder::instance().received()) {
        if (r.message == WM_CHAR) got.emplace_back(r.message, r.wParam);
        if (r.message == WM_KEYDOWN || r.message == WM_KEYUP) key_l.push_back(r.lParam);
    }
    EXPECT_EQ(got, (std::vector<std::pair<UINT, WPARAM>>{
                       {WM_CHAR, 'a'}, {WM_CHAR, 'a'}, {WM_CHAR, 'B'}, {WM_CHAR, 13}, {WM_CHAR, '.'}}));
    ASSERT_GE(key_l.size(), 3u);
    EXPECT_EQ(key_l[0] & 0xFFFF, 1);
    EXPECT_EQ((key_l[0] >> 30) & 3, 0) << "first press";
    EXPECT_EQ((key_l[1] >> 30) & 3, 1) << "repeat: bit 30";
    EXPECT_EQ((key_l[2] >> 30) & 3, 3) << "release: bits 30 and 31";
    EXPECT_EQ(get_key_state(VK_SHIFT) & 0x8000, 0);
    EXPECT_NE(get_key_state(VK_RETURN) & 0x8000, 0);
}

TEST_F(InputTest, AltKeysAreSystemKeysAndAltF4ClosesUnlessCloseIsGrayed) {
    HWND top = make("P", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100);
    pump();
    Recorder::instance().clear();
    Recorder::instance().name(top, "P");
    EXPECT_EQ(enable_menu_item(get_system_menu(top, false), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);
    deliver_input(top, key(InputEvent::Kind::KeyDown, VK_MENU));
    deliver_input(top, key(InputEvent::Kind::KeyDown, VK_F4));
    deliver_input(top, key(InputEvent::Kind::KeyUp, VK_F4));
    deliver_input(top, key(InputEvent::Kind::KeyUp, VK_MENU));
    pump();
    EXPECT_TRUE(is_window(top)) << "close is grayed";
    EXPECT_EQ(Recorder::instance().sequence({WM_SYSKEYDOWN, WM_SYSKEYUP, WM_KEYDOWN, WM_KEYUP}).size(), 4u);
    EXPECT_EQ(Recorder::instance().sequence({WM_SYSKEYDOWN}).size(), 2u);

    get_system_menu(top, true);
    deliver_input(top, key(InputEvent::Kind::KeyDown, VK_MENU));
    deliver_input(top, key(InputEvent::Kind::KeyDown, VK_F4));
    deliver_input(top, key(InputEvent::Kind::KeyUp, VK_F4));
    deliver_input(top, key(InputEvent::Kind::KeyUp, VK_MENU));
    pump();
    EXPECT_FALSE(is_window(top));
    EXPECT_EQ(get_key_state(VK_MENU) & 0x8000, 0) << "keys come up even after their window is gone";
}

// The display's close request (the window manager's close box) comes out of
// the queue as the close command, so that the thread's own loop dispatches it
// and sees the window go: a modeless dialog's loop ends on is_window(). A
// grayed close command turns the request into nothing.
TEST_F(InputTest, CloseRequestComesOutOfTheQueueAsTheCloseCommand) {
    for (const bool grayed : {false, true}) {
        SCOPED_TRACE(grayed ? "close grayed" : "close enabled");
        HWND top = make("P", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100);
        pump();
        if (grayed) enable_menu_item(get_system_menu(top, false), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
        InputEvent close;
        close.kind = InputEvent::Kind::Close;
        ASSERT_TRUE(deliver_input(top, close));
        std::vector<UINT> returned;
        MSG msg;
        while (peek_message(&msg, 0, 0, 0, PM_REMOVE)) {
            returned.push_back(msg.message);
            if (msg.message == WM_SYSCOMMAND) {
                EXPECT_EQ(msg.hwnd, top);
                EXPECT_EQ(msg.wParam & 0xFFF0, static_cast<WPARAM>(SC_CLOSE));
                EXPECT_TRUE(is_window(top)) << "the window went before its loop got the message";
            }
            dispatch_message(&msg);
        }
        EXPECT_EQ(returned, grayed ? std::vector<UINT>{} : std::vector<UINT>{WM_SYSCOMMAND});
        EXPECT_EQ(is_window(top), grayed);
    }
}

TEST_F(InputTest, InputDeliveredFromAnotherThreadAndAnotherProcessArrives) {
    HWND top = make("P", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    pump();
    Recorder::instance().clear();
    Recorder::instance().name(top, "P");
    std::thread([&] { click(top, 7, 8); }).join();
    auto child = twtest::spawn_child("click-from-afar", {std::to_string(top), "9", "10"});
    ASSERT_TRUE(child.wait_for_line("clicked"));
    EXPECT_EQ(child.wait(), 0);
    pump();
    EXPECT_EQ(Recorder::instance().sequence(kMouse),
              (Seq{"P:WM_LBUTTONDOWN", "P:WM_LBUTTONUP", "P:WM_LBUTTONDOWN", "P:WM_LBUTTONUP"}));
    auto got = Recorder::instance().received();
    std::vector<LPARAM> at;
    for (const auto& r : got)
        if (r.message == WM_LBUTTONDOWN) at.push_back(r.lParam);
    EXPECT_EQ(at, (std::vector<LPARAM>{make_lparam(7, 8), make_lparam(9, 10)}));

    HWND inner = make("C", WS_CHILD, 0, 0, 5, 5, top);
    EXPECT_FALSE(deliver_input(inner, mouse(InputEvent::Kind::MouseMove, 0, 0))) << "only top-level windows take input";
}

std::vector<UINT> handled_internal;
void record_internal(const MSG& msg) { handled_internal.push_back(static_cast<UINT>(msg.wParam)); }

TEST_F(InputTest, InternalMessagesGoToTheirHandlerAndNeverOutOfTheQueue) {
    HWND top = make("P", WS_POPUP, 0, 0, 10, 10);
    handled_internal.clear();
    register_internal_message_handler(WM_TWP_AUTOMATION, record_internal);
    post_message(top, WM_TWP_AUTOMATION, 7, 0);
    post_message(top, WM_USER, 0, 0);
    post_message(top, WM_TWP_AUTOMATION + 1, 8, 0);  // no handler: dropped
    MSG msg;
    // A filter that matches nothing still runs the handlers.
    EXPECT_FALSE(peek_message(&msg, 0, WM_APP, WM_APP, PM_NOREMOVE));
    EXPECT_EQ(handled_internal, (std::vector<UINT>{7}));
    std::vector<UINT> returned;
    while (peek_message(&msg, 0, 0, 0, PM_REMOVE)) returned.push_back(msg.message);
    EXPECT_EQ(returned, (std::vector<UINT>{WM_USER}));
    register_internal_message_handler(WM_TWP_AUTOMATION, nullptr);
    post_message(top, WM_TWP_AUTOMATION, 9, 0);
    pump();
    EXPECT_EQ(handled_internal, (std::vector<UINT>{7}));
}

// --- Message-filter hooks ----------------------------------------------------------

std::vector<std::string> hook_calls;
HHOOK first_hook = 0, second_hook = 0;

LRESULT older_hook(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    hook_calls.push_back("older " + std::to_string(msg->message));
    if (msg->message == WM_USER + 2) return 1;  // takes it
    return call_next_hook_ex(first_hook, code, wParam, lParam);
}

LRESULT newer_hook(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    hook_calls.push_back("newer " + std::to_string(code));
    if (msg->message == WM_USER + 3) return 0;  // keeps it from the older hook, does not take it
    return call_next_hook_ex(second_hook, code, wParam, lParam);
}

TEST(MessageFilterHookTest, TheChainRunsNewestFirstAndAnyHookCanTakeTheMessage) {
    twtest::TempMachineRoot root;
    hook_calls.clear();
    first_hook = set_windows_hook_ex(WH_MSGFILTER, older_hook, 0, current_thread_id());
    second_hook = set_windows_hook_ex(WH_MSGFILTER, newer_hook, 0, 0);
    ASSERT_NE(first_hook, 0u);
    ASSERT_NE(second_hook, 0u);
    MSG msg;
    msg.message = WM_USER + 1;
    EXPECT_FALSE(call_msg_filter(&msg, MSGF_DIALOGBOX));
    msg.message = WM_USER + 2;
    EXPECT_TRUE(call_msg_filter(&msg, MSGF_DIALOGBOX));
    msg.message = WM_USER + 3;
    EXPECT_FALSE(call_msg_filter(&msg, MSGF_MESSAGEBOX));
    EXPECT_EQ(hook_calls, (Seq{"newer 0", "older 1025", "newer 0", "older 1026", "newer 1"}));

    EXPECT_TRUE(unhook_windows_hook_ex(second_hook));
    EXPECT_FALSE(unhook_windows_hook_ex(second_hook));
    EXPECT_EQ(last_error(), ERROR_INVALID_HOOK_HANDLE);
    hook_calls.clear();
    msg.message = WM_USER + 2;
    EXPECT_TRUE(call_msg_filter(&msg, MSGF_DIALOGBOX));
    EXPECT_EQ(hook_calls, (Seq{"older 1026"}));
    EXPECT_TRUE(unhook_windows_hook_ex(first_hook));
    EXPECT_FALSE(call_msg_filter(&msg, MSGF_DIALOGBOX)) << "no hooks: nobody takes it";

    EXPECT_EQ(set_windows_hook_ex(3 /* WH_GETMESSAGE */, newer_hook, 0, 0), 0u);
    EXPECT_EQ(last_error(), ERROR_INVALID_HOOK_FILTER);
    EXPECT_EQ(set_windows_hook_ex(WH_MSGFILTER, newer_hook, 0, current_thread_id() + 1), 0u);
}

}  // namespace
