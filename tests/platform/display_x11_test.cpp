// Windows under a virtual X server: a top-level window of a child process
// becomes an X window with its title, place and pixels, and what the server
// sends to that window (buttons, keys, the close box) reaches the window
// procedure; a click on a dialog's button reaches its dialog procedure. This
// process looks at the server as a person's desktop would, through a
// connection of its own, and clicks with events sent to the window.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/dialog.h"
#include "platform/display.h"
#include "platform/gdi.h"
#include "platform/input.h"
#include "platform/message_queue.h"
#include "platform/paint.h"
#include "platform/window.h"
#include "platform/window_place.h"
#include "tests/platform/probe_dialog.h"
#include "tests/platform/xvfb_server.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"
// Xlib last: its macros (None, Status, Bool) would rename names above.
#include "tests/platform/x_observer.h"
#include <X11/keysym.h>

namespace {

using namespace platform;

void say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// How long a child may take to end once its window is closed; one still
// running then fails the test (and is killed) rather than hanging it.
constexpr int kExitMs = 10000;

bool g_green = false;
bool g_retitled = false;

LRESULT probe_window_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = begin_paint(hwnd, &ps);
        RECT all;
        get_client_rect(hwnd, &all);
        HBRUSH back = create_solid_brush(g_green ? rgb(0x00, 0xC0, 0x00) : rgb(0x33, 0x66, 0x99));
        fill_rect(dc, all, back);
        delete_object(back);
        HBRUSH red = create_solid_brush(rgb(0xFF, 0, 0));
        fill_rect(dc, RECT{10, 10, 20, 20}, red);
        delete_object(red);
        end_paint(hwnd, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        say(std::string(message == WM_LBUTTONDOWN ? "down " : "up ") + std::to_string(static_cast<std::int16_t>(loword(lParam))) +
            " " + std::to_string(static_cast<std::int16_t>(hiword(lParam))));
        if (message == WM_LBUTTONUP && !g_green) {
            g_green = true;
            invalidate_rect(hwnd, nullptr, true);
        }
        return 0;
    case WM_KEYDOWN:
        say("key " + std::to_string(wParam));
        if (!g_retitled) {
            g_retitled = true;
            set_window_text(hwnd, "Display Probe Typed");
        }
        return 0;
    case WM_CHAR: say("char " + std::to_string(wParam)); return 0;
    case WM_DESTROY:
        say("destroyed");
        post_quit_message(0);
        return 0;
    default: return def_window_proc(hwnd, message, wParam, lParam);
    }
}

// A plain top-level window; says where its client area lies in its surface.
twtest::ChildRole show_window("show-window", [](const std::vector<std::string>&) {
    if (!display::available()) {
        say("no display");
        return 1;
    }
    WNDCLASS wc;
    wc.lpfnWndProc = probe_window_proc;
    wc.lpszClassName = "DisplayProbe";
    register_class(wc);
    HWND hwnd = create_window_ex(0, "DisplayProbe", "Display Probe", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 120, 80, 240,
                                 160, 0, 0, 0, nullptr);
    if (!hwnd) return 2;
    update_window(hwnd);
    POINT origin{0, 0};
    client_to_screen(hwnd, &origin);
    RECT r;
    get_window_rect(hwnd, &r);
    say("ready " + std::to_string(origin.x - r.left) + " " + std::to_string(origin.y - r.top));
    MSG msg;
    while (get_message(&msg, 0, 0, 0) > 0) {
        translate_message(&msg);
        dispatch_message(&msg);
    }
    return 0;
});

// The probe dialog; says where its push button's centre and a point of its
// client area lie in its surface.
twtest::ChildRole show_dialog("show-dialog", [](const std::vector<std::string>&) {
    HWND dlg = twtest::create_probe_dialog("Xvfb Probe");
    if (!dlg) return 1;
    twtest::pump_messages(dlg);
    RECT b;
    get_window_rect(get_dlg_item(dlg, twtest::kProbePress), &b);
    RECT r;
    get_window_rect(dlg, &r);
    POINT client = twtest::probe_client_point(dlg, 3, 3);
    say("ready " + std::to_string((b.left + b.right) / 2 - r.left) + " " + std::to_string((b.top + b.bottom) / 2 - r.top) +
        " " + std::to_string(client.x) + " " + std::to_string(client.y));
    twtest::run_probe_loop(dlg);
    return 0;
});

class DisplayX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        if (!server_.started()) GTEST_SKIP() << "no virtual X server: " << server_.why_not();
        ::setenv("DISPLAY", server_.name().c_str(), 1);
        ::unsetenv("TWPRINTER_HEADLESS");
        observer_.emplace(server_.name());
        ASSERT_TRUE(observer_->open()) << "cannot open " << server_.name();
    }
    void TearDown() override {
        observer_.reset();
        ::unsetenv("DISPLAY");
    }

    twtest::TempMachineRoot root_;
    twtest::XvfbServer server_;
    std::optional<twtest::XObserver> observer_;
};

TEST_F(DisplayX11Test, TopLevelWindowIsAnXWindowAndItsInputReachesTheProcedure) {
    auto child = twtest::spawn_child("show-window");
    int cx = 0, cy = 0;
    ASSERT_EQ(std::sscanf(child.read_line().c_str(), "ready %d %d", &cx, &cy), 2);
    auto& x = *observer_;

    Window win = x.wait_for_window("Display Probe");
    ASSERT_NE(win, 0u) << "no X window titled \"Display Probe\"";
    const HWND hwnd = x.hwnd_property(win);
    EXPECT_EQ(find_window("DisplayProbe", nullptr), hwnd);
    auto geometry = x.geometry(win);
    EXPECT_EQ(geometry.width, 240);
    EXPECT_EQ(geometry.height, 160);
    EXPECT_EQ(geometry.x, 120);
    EXPECT_EQ(geometry.y, 80);
    EXPECT_TRUE(x.wait_for_pixel(win, cx + 5, cy + 5, 0x336699));
    EXPECT_TRUE(x.wait_for_pixel(win, cx + 15, cy + 15, 0xFF0000));

    x.click(win, cx + 50, cy + 40, 1);
    EXPECT_EQ(child.read_line(), "down 50 40");
    EXPECT_EQ(child.read_line(), "up 50 40");
    EXPECT_TRUE(x.wait_for_pixel(win, cx + 5, cy + 5, 0x00C000)) << "the repainted window did not reach the screen";

    x.key(win, XK_a);
    EXPECT_EQ(child.read_line(), "key 65");
    EXPECT_EQ(child.read_line(), "char 97");
    x.key(win, XK_Return);
    EXPECT_EQ(child.read_line(), "key 13");
    EXPECT_EQ(child.read_line(), "char 13");
    EXPECT_NE(x.wait_for_window("Display Probe Typed"), 0u);

    x.close(win);
    EXPECT_EQ(child.read_line(), "destroyed");
    EXPECT_EQ(child.wait(kExitMs), 0) << "the child did not end after the close request (-1: still running)";
    EXPECT_TRUE(x.wait_until_gone(win));
}

TEST_F(DisplayX11Test, ClickOnADialogButtonReachesTheDialogProcedure) {
    auto child = twtest::spawn_child("show-dialog");
    int bx = 0, by = 0, px = 0, py = 0;
    ASSERT_EQ(std::sscanf(child.read_line().c_str(), "ready %d %d %d %d", &bx, &by, &px, &py), 4);
    auto& x = *observer_;
    Window win = x.wait_for_window("Xvfb Probe");
    ASSERT_NE(win, 0u);
    EXPECT_TRUE(x.wait_for_pixel(win, px, py, twtest::kProbeBackground));
    x.click(win, bx, by, 1);
    EXPECT_NE(x.wait_for_window("Xvfb Probe pressed 1"), 0u) << "the click did not reach the dialog procedure";
    x.close(win);
    EXPECT_EQ(child.wait(kExitMs), 0) << "the dialog's loop did not end after the close request (-1: still running)";
    EXPECT_TRUE(x.wait_until_gone(win));
}

TEST(DisplayHeadlessTest, HeadlessFlagKeepsWindowsOffTheDisplay) {
    // Even with a DISPLAY named, TWPRINTER_HEADLESS=1 means no connection is tried.
    twtest::TempMachineRoot root;
    ::setenv("DISPLAY", ":1", 1);
    ::setenv("TWPRINTER_HEADLESS", "1", 1);
    EXPECT_FALSE(display::available());
    ::unsetenv("TWPRINTER_HEADLESS");
    ::unsetenv("DISPLAY");
}

}  // namespace
