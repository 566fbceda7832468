// The display under a virtual X server: a surface handed to the display
// becomes an X window with its title and pixels, and what the server sends to
// that window (buttons, keys, the close box) comes back as input. The child
// process is the program with the window; this process looks at the server
// as a person's desktop would, through a connection of its own.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/display.h"
#include "platform/surface.h"
#include "tests/platform/xvfb_server.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"
// Xlib last: its macros (None, Status, Bool) would rename names above.
#include "tests/platform/x_observer.h"
#include <X11/keysym.h>

namespace {

constexpr platform::HWND kTop = 0x00ABC001;

std::mutex g_lock;
std::condition_variable g_changed;
std::deque<platform::InputEvent> g_input;

}  // namespace

// The window layer's side, as far as this test needs it: the display's input
// is written down for the child's main thread.
namespace platform {
bool deliver_input(HWND top, const InputEvent& event) {
    if (top != kTop) return false;
    std::lock_guard guard(g_lock);
    g_input.push_back(event);
    g_changed.notify_all();
    return true;
}
}  // namespace platform

namespace {

platform::Surface filled(int w, int h, std::uint32_t colour) {
    platform::Surface s;
    s.width = w;
    s.height = h;
    s.pixels.assign(static_cast<std::size_t>(w) * h, colour);
    return s;
}

std::optional<platform::InputEvent> next_input() {
    std::unique_lock guard(g_lock);
    if (!g_changed.wait_for(guard, std::chrono::seconds(10), [] { return !g_input.empty(); })) return std::nullopt;
    auto e = g_input.front();
    g_input.pop_front();
    return e;
}

// The program with one window: shows it, then reports each input on its
// output, repaints green after the first button, renames itself after the
// first key, and ends at the close box.
twtest::ChildRole show_surface("show-surface", [](const std::vector<std::string>&) {
    using platform::InputEvent;
    if (!platform::display::available()) {
        std::printf("no display\n");
        return 1;
    }
    auto surface = filled(200, 100, 0x336699);
    for (int y = 10; y < 20; ++y)
        for (int x = 10; x < 20; ++x) surface.pixels[static_cast<std::size_t>(y) * 200 + x] = 0xFF0000;
    platform::display::window_shown(kTop, surface, {120, 80, 320, 180}, "Display Probe");
    std::printf("ready\n");
    std::fflush(stdout);
    bool repainted = false, retitled = false;
    for (;;) {
        auto e = next_input();
        if (!e) return 2;
        switch (e->kind) {
        case InputEvent::Kind::ButtonDown:
        case InputEvent::Kind::ButtonUp:
            std::printf("%s %d %d %d\n", e->kind == InputEvent::Kind::ButtonDown ? "down" : "up", e->pt.x, e->pt.y,
                        e->button);
            if (!repainted) {
                platform::display::surface_changed(kTop, filled(200, 100, 0x00C000));
                repainted = true;
            }
            break;
        case InputEvent::Kind::KeyDown:
            std::printf("key %u %u\n", e->vk, e->ch);
            if (!retitled) {
                platform::display::window_retitled(kTop, "Display Probe Typed");
                retitled = true;
            }
            break;
        case InputEvent::Kind::Close:
            platform::display::window_hidden(kTop);
            std::printf("close\n");
            std::fflush(stdout);
            platform::display::window_destroyed(kTop);
            return 0;
        default: continue;
        }
        std::fflush(stdout);
    }
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

TEST_F(DisplayX11Test, ShownSurfaceIsAnXWindowThatSendsItsInputBack) {
    auto child = twtest::spawn_child("show-surface");
    ASSERT_EQ(child.read_line(), "ready");
    auto& x = *observer_;

    Window win = x.wait_for_window("Display Probe");
    ASSERT_NE(win, 0u) << "no X window titled \"Display Probe\"";
    EXPECT_EQ(x.hwnd_property(win), kTop);
    auto geometry = x.geometry(win);
    EXPECT_EQ(geometry.width, 200);
    EXPECT_EQ(geometry.height, 100);
    EXPECT_EQ(geometry.x, 120);
    EXPECT_EQ(geometry.y, 80);
    EXPECT_TRUE(x.wait_for_pixel(win, 5, 5, 0x336699));
    EXPECT_TRUE(x.wait_for_pixel(win, 15, 15, 0xFF0000));

    x.click(win, 50, 40, 1);
    EXPECT_EQ(child.read_line(), "down 50 40 1");
    EXPECT_EQ(child.read_line(), "up 50 40 1");
    EXPECT_TRUE(x.wait_for_pixel(win, 15, 15, 0x00C000)) << "the changed surface did not reach the screen";

    x.key(win, XK_a);
    EXPECT_EQ(child.read_line(), "key 65 97");
    x.key(win, XK_Return);
    EXPECT_EQ(child.read_line(), "key 13 13");
    x.key(win, XK_Escape);
    EXPECT_EQ(child.read_line(), "key 27 27");
    EXPECT_NE(x.wait_for_window("Display Probe Typed"), 0u);

    x.close(win);
    EXPECT_EQ(child.read_line(), "close");
    EXPECT_EQ(child.wait(), 0);
    EXPECT_TRUE(x.wait_until_gone(win));
}

TEST(DisplayHeadlessTest, HeadlessFlagKeepsWindowsOffTheDisplay) {
    // Even with a DISPLAY named, TWPRINTER_HEADLESS=1 means no connection is tried.
    ::setenv("DISPLAY", ":1", 1);
    ::setenv("TWPRINTER_HEADLESS", "1", 1);
    EXPECT_FALSE(platform::display::available());
    platform::display::window_shown(kTop, filled(10, 10, 0), {0, 0, 10, 10}, "unseen");
    platform::display::surface_changed(kTop, filled(10, 10, 1));
    platform::display::window_destroyed(kTop);
    ::unsetenv("TWPRINTER_HEADLESS");
    ::unsetenv("DISPLAY");
}

}  // namespace
