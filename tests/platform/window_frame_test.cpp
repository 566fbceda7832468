// Frames, placement, coordinates, metrics and the system menu.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/input.h"
#include "platform/machine_root.h"
#include "platform/menu.h"
#include "platform/message_queue.h"
#include "platform/system_metrics.h"
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
    while (peek_message(&msg, 0, 0, 0, PM_REMOVE)) {
        translate_message(&msg);
        dispatch_message(&msg);
    }
}

// Keeps windows hidden and at least 150 wide, as a monitor window that
// refuses to show before it is ready would.
LRESULT stubborn_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_WINDOWPOSCHANGING) {
        auto* wp = reinterpret_cast<WINDOWPOS*>(lParam);
        wp->flags &= ~SWP_SHOWWINDOW;
        if (!(wp->flags & SWP_NOSIZE)) wp->cx = std::max(wp->cx, 150);
    }
    return twtest::recording_proc(hwnd, message, wParam, lParam);
}

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        Recorder::instance().clear();
        WNDCLASS wc;
        wc.lpfnWndProc = twtest::recording_proc;
        wc.lpszClassName = "TwpFramed";
        ASSERT_NE(register_class(wc), 0);
        wc.lpfnWndProc = stubborn_proc;
        wc.lpszClassName = "TwpStubborn";
        ASSERT_NE(register_class(wc), 0);
    }
    void TearDown() override {
        for (HWND h : made_)
            if (is_window(h)) destroy_window(h);
        pump();
        EXPECT_TRUE(unregister_class("TwpFramed", 0));
        EXPECT_TRUE(unregister_class("TwpStubborn", 0));
    }
    HWND make(const char* name, std::uint32_t style, int x, int y, int cx, int cy, HWND parent = 0,
              std::uint32_t ex = 0, const char* cls = "TwpFramed") {
        HWND h = create_window_ex(ex, cls, name, style, x, y, cx, cy, parent, 0, 0, nullptr);
        if (h) {
            made_.push_back(h);
            Recorder::instance().name(h, name);
        }
        return h;
    }

    twtest::TempMachineRoot root_;
    std::vector<HWND> made_;
};

struct FrameCase {
    const char* what;
    std::uint32_t style;
    std::uint32_t ex_style;
    RECT client;  // in window coordinates
    std::vector<std::pair<POINT, LRESULT>> hits;  // window coordinates
};

TEST_F(FrameTest, StylesGiveTheirFramesAndHitTests) {
    const FrameCase cases[] = {
        {"sizing frame with caption", WS_OVERLAPPEDWINDOW, 0, RECT{4, 23, 296, 196},
         {{{150, 100}, HTCLIENT},
          {{40, 10}, HTCAPTION},
          {{285, 10}, HTCLOSE},
          {{10, 10}, HTSYSMENU},
          {{1, 100}, HTLEFT},
          {{150, 1}, HTTOP},
          {{299, 199}, HTBOTTOMRIGHT},
          {{150, 198}, HTBOTTOM}}},
        {"dialog frame", WS_POPUP | WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, RECT{3, 22, 297, 197},
         {{{1, 100}, HTBORDER}, {{286, 10}, HTCLOSE}, {{100, 10}, HTCAPTION}}},
        {"caption without system menu", WS_POPUP | WS_CAPTION, 0, RECT{3, 22, 297, 197},
         {{{286, 10}, HTCAPTION}}},
        {"thin border", WS_POPUP | WS_BORDER, 0, RECT{1, 1, 299, 199}, {{{0, 50}, HTBORDER}, {{1, 50}, HTCLIENT}}},
        {"client edge", WS_POPUP, WS_EX_CLIENTEDGE, RECT{2, 2, 298, 198}, {{{1, 50}, HTBORDER}}},
        {"bare", WS_POPUP, 0, RECT{0, 0, 300, 200}, {{{0, 0}, HTCLIENT}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HWND w = make("W", c.style, 10, 20, 300, 200, 0, c.ex_style);
        ASSERT_NE(w, 0u);
        RECT r;
        ASSERT_TRUE(get_window_rect(w, &r));
        EXPECT_EQ(r.left, 10);
        EXPECT_EQ(r.top, 20);
        EXPECT_EQ(r.right, 310);
        EXPECT_EQ(r.bottom, 220);
        ASSERT_TRUE(get_client_rect(w, &r));
        EXPECT_EQ(r.left, 0);
        EXPECT_EQ(r.right, c.client.right - c.client.left);
        EXPECT_EQ(r.bottom, c.client.bottom - c.client.top);
        POINT origin{0, 0};
        ASSERT_TRUE(client_to_screen(w, &origin));
        EXPECT_EQ(origin.x, 10 + c.client.left);
        EXPECT_EQ(origin.y, 20 + c.client.top);
        for (const auto& [pt, code] : c.hits)
            EXPECT_EQ(send_message(w, WM_NCHITTEST, 0, make_lparam(static_cast<std::uint16_t>(10 + pt.x),
                                                                   static_cast<std::uint16_t>(20 + pt.y))),
                      code)
                << pt.x << "," << pt.y;
        // adjust_window_rect_ex is the way back from the client to the window.
        RECT grown{0, 0, c.client.right - c.client.left, c.client.bottom - c.client.top};
        ASSERT_TRUE(adjust_window_rect_ex(&grown, c.style, false, c.ex_style));
        EXPECT_EQ(grown.right - grown.left, 300);
        EXPECT_EQ(grown.bottom - grown.top, 200);
        destroy_window(w);
    }
}

TEST_F(FrameTest, CloseBoxClickClosesThroughSysCommandUnlessCloseIsGrayed) {
    HWND w = make("W", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200);
    pump();
    const std::vector<UINT> only = {WM_NCLBUTTONDOWN, WM_NCLBUTTONUP, WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY};
    auto click_at = [&](POINT down, POINT up) {
        InputEvent e;
        e.kind = InputEvent::Kind::ButtonDown;
        e.pt = down;
        deliver_input(w, e);
        e.kind = InputEvent::Kind::ButtonUp;
        e.pt = up;
        deliver_input(w, e);
        pump();
    };

    // Grayed: the box does nothing.
    HMENU menu = get_system_menu(w, false);
    EXPECT_EQ(enable_menu_item(menu, SC_CLOSE, MF_BYCOMMAND | MF_GRAYED), MF_ENABLED);
    Recorder::instance().clear();
    Recorder::instance().name(w, "W");
    click_at({285, 10}, {285, 10});
    EXPECT_TRUE(is_window(w));
    EXPECT_EQ(Recorder::instance().sequence(only), (Seq{"W:WM_NCLBUTTONDOWN", "W:WM_NCLBUTTONUP"}));

    // Pressed on the box, released on the caption: nothing either.
    EXPECT_EQ(enable_menu_item(menu, SC_CLOSE, MF_BYCOMMAND | MF_ENABLED), MF_GRAYED);
    Recorder::instance().clear();
    Recorder::instance().name(w, "W");
    click_at({285, 10}, {100, 10});
    EXPECT_TRUE(is_window(w));

    Recorder::instance().clear();
    Recorder::instance().name(w, "W");
    click_at({285, 10}, {286, 11});
    EXPECT_FALSE(is_window(w));
    EXPECT_EQ(Recorder::instance().sequence(only), (Seq{"W:WM_NCLBUTTONDOWN", "W:WM_NCLBUTTONUP", "W:WM_SYSCOMMAND",
                                                        "W:WM_CLOSE", "W:WM_DESTROY"}));
}

TEST_F(FrameTest, WindowPosChangingDecidesWhatHappens) {
    HWND w = make("S", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, 0, 0, "TwpStubborn");
    Recorder::instance().clear();
    Recorder::instance().name(w, "S");
    EXPECT_TRUE(set_window_pos(w, HWND_TOP, 5, 6, 100, 80, SWP_SHOWWINDOW | SWP_NOACTIVATE));
    EXPECT_FALSE(is_window_visible(w)) << "the handler cleared SWP_SHOWWINDOW";
    RECT r;
    get_window_rect(w, &r);
    EXPECT_EQ(r.right - r.left, 150) << "the handler's width";
    EXPECT_EQ(r.bottom - r.top, 80);
    EXPECT_EQ(Recorder::instance().sequence(), (Seq{"S:WM_WINDOWPOSCHANGING", "S:WM_NCCALCSIZE",
                                                    "S:WM_WINDOWPOSCHANGED", "S:WM_MOVE", "S:WM_SIZE"}));
    for (const auto& m : Recorder::instance().received()) {
        if (m.message == WM_SIZE) {
            EXPECT_EQ(m.lParam, make_lparam(150 - 8, 80 - 8 - 19)) << "the client size";
        }
        if (m.message == WM_MOVE) {
            EXPECT_EQ(m.lParam, make_lparam(5 + 4, 6 + 4 + 19)) << "the client's place";
        }
    }
}

TEST_F(FrameTest, MinimizeAndRestoreSendTheirSizes) {
    HWND w = make("W", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200);
    Recorder::instance().clear();
    Recorder::instance().name(w, "W");
    show_window(w, SW_MINIMIZE);
    EXPECT_TRUE(is_iconic(w));
    show_window(w, SW_RESTORE);
    EXPECT_FALSE(is_iconic(w));
    show_window(w, SW_MAXIMIZE);
    EXPECT_TRUE(is_zoomed(w));
    RECT r;
    get_client_rect(w, &r);
    RECT work;
    ASSERT_TRUE(system_parameters_info(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ(r.right, work.right);
    std::vector<WPARAM> kinds;
    for (const auto& m : Recorder::instance().received())
        if (m.message == WM_SIZE) kinds.push_back(m.wParam);
    EXPECT_EQ(kinds, (std::vector<WPARAM>{SIZE_MINIMIZED, SIZE_RESTORED, SIZE_MAXIMIZED}));
}

TEST_F(FrameTest, CoordinatesWalkUpTheParents) {
    HWND top = make("P", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200);
    HWND a = make("A", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 100, 100, top);
    HWND b = make("B", WS_CHILD | WS_VISIBLE, 5, 6, 20, 20, a);
    HWND c = make("C", WS_CHILD | WS_VISIBLE, 150, 10, 50, 50, top);
    // Client of P at 104,123; A's client at 115,134; B at 120,140.
    POINT pt{1, 2};
    ASSERT_TRUE(client_to_screen(b, &pt));
    EXPECT_EQ(pt.x, 121);
    EXPECT_EQ(pt.y, 142);
    ASSERT_TRUE(screen_to_client(a, &pt));
    EXPECT_EQ(pt.x, 6);
    EXPECT_EQ(pt.y, 8);
    POINT pts[2] = {{0, 0}, {1, 1}};
    EXPECT_EQ(map_window_points(b, c, pts, 2), make_lparam(static_cast<std::uint16_t>(-134), 7));
    EXPECT_EQ(pts[1].x, -133);
    EXPECT_EQ(window_from_point(POINT{121, 142}), b);
    EXPECT_EQ(window_from_point(POINT{116, 135}), a);
    EXPECT_EQ(window_from_point(POINT{110, 110}), top) << "the frame";
    EXPECT_EQ(child_window_from_point(top, POINT{20, 20}), a) << "one level down only";
    EXPECT_EQ(child_window_from_point(top, POINT{120, 120}), top);
    EXPECT_EQ(child_window_from_point(top, POINT{-1, 0}), 0u);
    show_window(c, SW_HIDE);
    EXPECT_EQ(child_window_from_point_ex(top, POINT{160, 20}, CWP_SKIPINVISIBLE), top);
    EXPECT_EQ(child_window_from_point_ex(top, POINT{160, 20}, CWP_ALL), c);

    // Creation order is stacking and tab order.
    EXPECT_EQ(get_window(top, GW_CHILD), a);
    EXPECT_EQ(get_window(a, GW_HWNDNEXT), c);
    EXPECT_EQ(get_window(c, GW_HWNDPREV), a);
    EXPECT_EQ(get_window(c, GW_HWNDNEXT), 0u);
    set_window_pos(a, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(get_window(top, GW_CHILD), c);
    EXPECT_EQ(get_window(c, GW_HWNDNEXT), a);

    RECT desk;
    ASSERT_TRUE(get_window_rect(get_desktop_window(), &desk));
    EXPECT_EQ(desk.right, get_system_metrics(SM_CXSCREEN));
}

TEST_F(FrameTest, MetricsFollowTheComputersScreen) {
    EXPECT_EQ(get_system_metrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(get_system_metrics(SM_CYSCREEN), 768);
    ASSERT_TRUE(set_machine_fact("ScreenWidth", "800").ok());
    ASSERT_TRUE(set_machine_fact("ScreenHeight", "600").ok());
    EXPECT_EQ(get_system_metrics(SM_CXSCREEN), 800);
    RECT work;
    ASSERT_TRUE(system_parameters_info(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_EQ(work.bottom, 600 - kTaskBarHeight);
    EXPECT_EQ(get_system_metrics(SM_CYFULLSCREEN), work.bottom - get_system_metrics(SM_CYCAPTION));
    EXPECT_FALSE(system_parameters_info(0x1234, 0, &work, 0));
}

TEST_F(FrameTest, SystemMenuIsAPerWindowCopyThatRevertGivesBack) {
    HWND w = make("W", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200);
    HMENU menu = get_system_menu(w, false);
    ASSERT_NE(menu, 0u);
    EXPECT_EQ(get_system_menu(w, false), menu);
    ASSERT_EQ(get_menu_item_count(menu), 7);
    const UINT ids[] = {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, 0, SC_CLOSE};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(get_menu_item_id(menu, i), ids[i]);
    EXPECT_EQ(get_menu_state(menu, 5, MF_BYPOSITION) & MF_SEPARATOR, MF_SEPARATOR);
    EXPECT_EQ(enable_menu_item(menu, SC_MOVE, MF_BYCOMMAND | MF_DISABLED), MF_ENABLED);
    EXPECT_EQ(enable_menu_item(menu, 1, MF_BYPOSITION | MF_GRAYED), MF_DISABLED);
    EXPECT_EQ(enable_menu_item(menu, 0x1234, MF_BYCOMMAND), kMenuItemNotFound);
    char text[32];
    EXPECT_EQ(get_menu_string(menu, SC_CLOSE, text, sizeof text, MF_BYCOMMAND), 13);
    EXPECT_STREQ(text, "&Close\tAlt+F4");
    EXPECT_TRUE(delete_menu(menu, SC_SIZE, MF_BYCOMMAND));
    EXPECT_TRUE(append_menu(menu, MF_STRING, 0x100, "About"));
    EXPECT_EQ(get_menu_item_count(menu), 7);
    EXPECT_EQ(get_menu_item_id(menu, 6), 0x100u);
    EXPECT_FALSE(remove_menu(menu, 99, MF_BYPOSITION));

    EXPECT_EQ(get_system_menu(w, true), 0u);
    HMENU fresh = get_system_menu(w, false);
    EXPECT_EQ(get_menu_item_count(fresh), 7);
    EXPECT_EQ(get_menu_state(fresh, SC_MOVE, MF_BYCOMMAND), 0u);
    EXPECT_EQ(get_menu_item_count(menu), -1) << "the old copy is gone";
}

}  // namespace
