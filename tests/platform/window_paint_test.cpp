// Invalidation, WM_PAINT and the pixels windows leave in their top-level
// window's surface.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gdi.h"
#include "platform/input.h"
#include "platform/menu.h"
#include "platform/message_queue.h"
#include "platform/paint.h"
#include "platform/window.h"
#include "platform/window_place.h"
#include "tests/platform/window_recorder.h"
#include "tests/support/test_root.h"

using namespace platform;
using twtest::Recorder;
using Seq = std::vector<std::string>;

namespace {

void pump() {
    MSG msg;
    while (peek_message(&msg, 0, 0, 0, PM_REMOVE)) dispatch_message(&msg);
}

std::uint32_t pixel(HWND top, int x, int y) {
    const Surface* s = window_surface(top);
    return s->pixels[static_cast<std::size_t>(y) * s->width + x] & 0xFFFFFF;
}

std::uint32_t rgb_of(COLORREF c) {
    return (static_cast<std::uint32_t>(get_r_value(c)) << 16) | (static_cast<std::uint32_t>(get_g_value(c)) << 8) |
           get_b_value(c);
}

PAINTSTRUCT last_paint;

// Paints its whole client area red, and tries a blue band far outside it.
LRESULT painting_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        Recorder::instance().add({hwnd, message, wParam, lParam});
        PAINTSTRUCT ps;
        HDC hdc = begin_paint(hwnd, &ps);
        last_paint = ps;
        RECT client;
        get_client_rect(hwnd, &client);
        HBRUSH red = create_solid_brush(rgb(255, 0, 0));
        HBRUSH blue = create_solid_brush(rgb(0, 0, 255));
        fill_rect(hdc, RECT{-100, -100, 0, 500}, blue);
        fill_rect(hdc, client, red);
        delete_object(red);
        delete_object(blue);
        end_paint(hwnd, &ps);
        return 0;
    }
    return twtest::recording_proc(hwnd, message, wParam, lParam);
}

class PaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        Recorder::instance().clear();
        WNDCLASS wc;
        wc.lpfnWndProc = twtest::recording_proc;
        wc.hbrBackground = COLOR_WINDOW + 1;
        wc.lpszClassName = "TwpPlain";
        ASSERT_NE(register_class(wc), 0);
        wc.lpfnWndProc = painting_proc;
        wc.hbrBackground = COLOR_3DFACE + 1;
        wc.lpszClassName = "TwpRed";
        ASSERT_NE(register_class(wc), 0);
    }
    void TearDown() override {
        for (HWND h : made_)
            if (is_window(h)) destroy_window(h);
        pump();
        EXPECT_TRUE(unregister_class("TwpPlain", 0));
        EXPECT_TRUE(unregister_class("TwpRed", 0));
    }
    HWND make(const char* name, const char* cls, std::uint32_t style, int x, int y, int cx, int cy, HWND parent = 0) {
        HWND h = create_window_ex(0, cls, name, style, x, y, cx, cy, parent, 0, 0, nullptr);
        if (h) {
            made_.push_back(h);
            Recorder::instance().name(h, name);
        }
        return h;
    }

    twtest::TempMachineRoot root_;
    std::vector<HWND> made_;
};

TEST_F(PaintTest, PaintComesWhenNothingElseWaitsParentsBeforeChildren) {
    HWND top = make("P", "TwpPlain", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100);
    HWND child = make("C", "TwpPlain", WS_CHILD | WS_VISIBLE, 10, 10, 20, 20, top);
    make("H", "TwpPlain", WS_CHILD, 50, 50, 20, 20, top);  // hidden: never painted
    (void)child;
    post_message(top, WM_USER, 0, 0);
    pump();
    EXPECT_EQ(Recorder::instance().sequence({WM_USER, WM_PAINT, WM_ERASEBKGND}),
              (Seq{"P:WM_USER+0", "P:WM_PAINT", "P:WM_ERASEBKGND", "C:WM_PAINT", "C:WM_ERASEBKGND"}));
    Recorder::instance().clear();
    Recorder::instance().name(top, "P");
    pump();
    EXPECT_TRUE(Recorder::instance().sequence({WM_PAINT}).empty()) << "begin_paint validated them";
}

TEST_F(PaintTest, InvalidateValidateAndUpdateWindow) {
    HWND w = make("W", "TwpRed", WS_POPUP | WS_VISIBLE, 0, 0, 100, 60);
    pump();
    Recorder::instance().clear();
    Recorder::instance().name(w, "W");

    RECT a{10, 10, 20, 20}, b{30, 5, 40, 15};
    invalidate_rect(w, &a, false);
    invalidate_rect(w, &b, false);
    RECT u;
    ASSERT_TRUE(get_update_rect(w, &u, false));
    EXPECT_EQ(u.left, 10);
    EXPECT_EQ(u.top, 5);
    EXPECT_EQ(u.right, 40);
    EXPECT_EQ(u.bottom, 20);
    ASSERT_TRUE(update_window(w));  // sends it now, without the queue
    EXPECT_EQ(Recorder::instance().sequence({WM_PAINT, WM_ERASEBKGND}), (Seq{"W:WM_PAINT"}));
    EXPECT_EQ(last_paint.rcPaint.left, 10);
    EXPECT_EQ(last_paint.rcPaint.bottom, 20);
    EXPECT_FALSE(last_paint.fErase);
    EXPECT_FALSE(get_update_rect(w, &u, false));

    invalidate_rect(w, nullptr, true);
    RECT top_half{0, 0, 100, 30};
    validate_rect(w, &top_half);
    ASSERT_TRUE(get_update_rect(w, &u, false));
    EXPECT_EQ(u.top, 30) << "what remains of the area";
    validate_rect(w, nullptr);
    Recorder::instance().clear();
    pump();
    EXPECT_TRUE(Recorder::instance().sequence({WM_PAINT}).empty());

    // WM_SETREDRAW FALSE holds painting back.
    send_message(w, WM_SETREDRAW, 0, 0);
    invalidate_rect(w, nullptr, true);
    pump();
    EXPECT_TRUE(Recorder::instance().sequence({WM_PAINT}).empty());
    send_message(w, WM_SETREDRAW, 1, 0);
    pump();
    EXPECT_EQ(Recorder::instance().sequence({WM_PAINT}).size(), 1u);
}

TEST_F(PaintTest, ChildPaintsAtItsPlaceAndNeverOutsideIt) {
    // The parent's background is the window colour; the child paints red and
    // tries blue outside itself.
    HWND top = make("P", "TwpPlain", WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 0, 100, 80);
    HWND child = make("C", "TwpRed", WS_CHILD | WS_VISIBLE, 20, 10, 30, 25, top);
    pump();
    const std::uint32_t white = rgb_of(get_sys_color(COLOR_WINDOW));
    const std::uint32_t red = 0xFF0000;
    // Border 1: the child's client starts at 21,11 in the surface.
    EXPECT_EQ(pixel(top, 21, 11), red);
    EXPECT_EQ(pixel(top, 50, 35), red);
    EXPECT_EQ(pixel(top, 51, 35), white);
    EXPECT_EQ(pixel(top, 20, 11), white) << "blue stayed inside the child's clip";
    EXPECT_EQ(pixel(top, 5, 50), white);
    EXPECT_EQ(pixel(top, 0, 0), rgb_of(get_sys_color(COLOR_WINDOWFRAME))) << "the border";

    Image snap;
    ASSERT_TRUE(snapshot_window(child, &snap));
    EXPECT_EQ(snap.width, 30);
    EXPECT_EQ(snap.height, 25);
    EXPECT_EQ(snap.at(0, 0), 0xFFFF0000u);

    // Hiding the child leaves its place to the parent's background.
    show_window(child, SW_HIDE);
    pump();
    EXPECT_EQ(pixel(top, 30, 20), white);
}

TEST_F(PaintTest, ClassBackgroundErasesWithItsColour) {
    struct Case {
        int color;
    } cases[] = {{COLOR_WINDOW}, {COLOR_3DFACE}, {COLOR_HIGHLIGHT}};
    for (const auto& c : cases) {
        WNDCLASS wc;
        wc.lpfnWndProc = def_window_proc;
        wc.hbrBackground = static_cast<std::uintptr_t>(c.color + 1);
        wc.lpszClassName = "TwpBackground";
        ASSERT_NE(register_class(wc), 0);
        HWND w = create_window_ex(0, "TwpBackground", "", WS_POPUP | WS_VISIBLE, 0, 0, 20, 20, 0, 0, 0, nullptr);
        pump();
        EXPECT_EQ(pixel(w, 10, 10), rgb_of(get_sys_color(c.color))) << c.color;
        destroy_window(w);
        EXPECT_TRUE(unregister_class("TwpBackground", 0));
    }
}

TEST_F(PaintTest, CaptionShowsActivationAndTheCloseBoxItsState) {
    HWND w = make("W", "TwpPlain", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100);
    pump();
    // Caption bar from 4,4; its first column is the active caption colour.
    EXPECT_EQ(pixel(w, 4, 10), rgb_of(get_sys_color(COLOR_ACTIVECAPTION)));
    EXPECT_EQ(pixel(w, 4, 22), rgb_of(get_sys_color(COLOR_3DFACE))) << "the line under the caption";
    // The close box: 16 x 14 at 178,6; its cross starts at 182,9.
    EXPECT_EQ(pixel(w, 182, 9), rgb_of(get_sys_color(COLOR_BTNTEXT)));
    EXPECT_EQ(pixel(w, 179, 7), rgb_of(get_sys_color(COLOR_BTNHIGHLIGHT))) << "raised bevel";

    enable_menu_item(get_system_menu(w, false), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
    redraw_window(w, nullptr, 0, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(pixel(w, 182, 9), rgb_of(get_sys_color(COLOR_BTNSHADOW))) << "grayed cross";
    EXPECT_EQ(pixel(w, 183, 10), rgb_of(get_sys_color(COLOR_BTNSHADOW)));
    EXPECT_EQ(pixel(w, 190, 10), rgb_of(get_sys_color(COLOR_BTNHIGHLIGHT))) << "the cross's engraved shadow";

    set_active_window(0);
    pump();
    EXPECT_EQ(pixel(w, 4, 10), rgb_of(get_sys_color(COLOR_INACTIVECAPTION)));
}

}  // namespace
