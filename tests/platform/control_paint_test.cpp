// How the standard controls look, checked pixel by pixel: each control draws
// itself into a memory bitmap through WM_PRINTCLIENT.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/gdi.h"
#include "platform/message_queue.h"
#include "platform/paint.h"
#include "platform/standard_controls.h"
#include "platform/window.h"
#include "tests/support/test_root.h"

using namespace platform;

namespace {

constexpr Handle kModule = 0x4300;
constexpr int kW = 60, kH = 24;

// What the parent does with WM_CTLCOLORSTATIC (0: nothing) and the
// WM_DRAWITEM records it gets.
HBRUSH static_brush = 0;
std::vector<DRAWITEMSTRUCT> drawn;

LRESULT parent_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CTLCOLORSTATIC && static_brush) {
        set_text_color(static_cast<HDC>(wParam), rgb(0, 0, 255));
        set_bk_mode(static_cast<HDC>(wParam), TRANSPARENT);
        return static_cast<LRESULT>(static_brush);
    }
    if (message == WM_DRAWITEM) {
        drawn.push_back(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        return 1;
    }
    return def_window_proc(hwnd, message, wParam, lParam);
}

// The pixels of a control as it draws itself.
struct Picture {
    std::vector<COLORREF> px;
    COLORREF at(int x, int y) const { return px[static_cast<std::size_t>(y) * kW + x]; }
    bool has(COLORREF c) const { return std::find(px.begin(), px.end(), c) != px.end(); }
    // Text is antialiased: its strongest pixels come within a few steps of its colour.
    bool has_near(COLORREF c, int tolerance = 24) const {
        return std::any_of(px.begin(), px.end(), [&](COLORREF p) { return near(p, c, tolerance); });
    }
    static bool near(COLORREF a, COLORREF b, int tolerance = 24) {
        return std::abs(get_r_value(a) - get_r_value(b)) <= tolerance &&
               std::abs(get_g_value(a) - get_g_value(b)) <= tolerance &&
               std::abs(get_b_value(a) - get_b_value(b)) <= tolerance;
    }
    // The darkest pixel (smallest r + g + b).
    COLORREF darkest() const {
        return *std::min_element(px.begin(), px.end(), [](COLORREF a, COLORREF b) {
            return get_r_value(a) + get_g_value(a) + get_b_value(a) < get_r_value(b) + get_g_value(b) + get_b_value(b);
        });
    }
};

class ControlPaintTest : public ::testing::Test {
protected:
    void SetUp() override {
        static_brush = 0;
        drawn.clear();
        WNDCLASS wc;
        wc.lpfnWndProc = parent_proc;
        wc.hInstance = kModule;
        wc.lpszClassName = "TwpPaintParent";
        ASSERT_NE(register_class(wc), 0);
        parent_ = create_window_ex(0, "TwpPaintParent", "", WS_POPUP, 0, 0, 200, 100, 0, 0, kModule, nullptr);
        font_ = create_font(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "MS Sans Serif");
    }
    void TearDown() override {
        destroy_window(parent_);
        unregister_class("TwpPaintParent", kModule);
        delete_object(font_);
        if (static_brush) delete_object(static_brush);
    }
    HWND make(const char* cls, const char* text, std::uint32_t style) {
        HWND h = create_window_ex(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, kW, kH, parent_, 7, kModule, nullptr);
        send_message(h, WM_SETFONT, font_, 0);
        return h;
    }
    static Picture draw(HWND control) {
        HDC mem = create_compatible_dc(0);
        HBITMAP bmp = create_bitmap(kW, kH, 32);
        select_object(mem, bmp);
        pat_blt(mem, 0, 0, kW, kH, WHITENESS);
        send_message(control, WM_PRINTCLIENT, mem, 0);
        Picture p;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) p.px.push_back(get_pixel(mem, x, y));
        delete_dc(mem);
        delete_object(bmp);
        return p;
    }

    twtest::TempMachineRoot root_;
    HWND parent_ = 0;
    HFONT font_ = 0;
};

TEST_F(ControlPaintTest, APushButtonIsARaisedBevelThatSinksWhenPressed) {
    HWND b = make("BUTTON", "", BS_PUSHBUTTON);
    const Picture up = draw(b);
    EXPECT_EQ(up.at(0, 0), get_sys_color(COLOR_3DHILIGHT)) << "light from the top-left";
    EXPECT_EQ(up.at(kW - 1, kH - 1), get_sys_color(COLOR_3DDKSHADOW)) << "dark at the bottom-right";
    EXPECT_EQ(up.at(kW - 2, kH - 2), get_sys_color(COLOR_3DSHADOW));
    EXPECT_EQ(up.at(kW / 2, kH / 2), get_sys_color(COLOR_BTNFACE));

    send_message(b, BM_SETSTATE, 1, 0);
    const Picture down = draw(b);
    EXPECT_EQ(down.at(0, 0), get_sys_color(COLOR_3DSHADOW)) << "pressed: flat, in shadow";
    EXPECT_FALSE(down.has(get_sys_color(COLOR_3DHILIGHT))) << "no light edge while pressed";
}

TEST_F(ControlPaintTest, TheDefaultButtonHasABlackFrameAndTheFocusADottedRectangle) {
    HWND b = make("BUTTON", "", BS_DEFPUSHBUTTON);
    const Picture plain = draw(b);
    for (auto [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {kW - 1, 0}, {0, kH - 1}, {kW / 2, kH - 1}})
        EXPECT_EQ(plain.at(x, y), rgb(0, 0, 0)) << x << "," << y;
    EXPECT_EQ(plain.at(1, 1), get_sys_color(COLOR_3DHILIGHT)) << "the bevel inside the frame";

    send_message(b, BM_SETSTATE, 1, 0);
    const Picture pressed = draw(b);
    EXPECT_EQ(pressed.at(1, 1), get_sys_color(COLOR_3DSHADOW)) << "pressed default: flat shadow frame";
    EXPECT_EQ(pressed.at(kW - 2, kH - 2), get_sys_color(COLOR_3DSHADOW));
    send_message(b, BM_SETSTATE, 0, 0);

    set_focus(b);
    const Picture focused = draw(b);
    int changed = 0;
    for (int x = 4; x < kW - 4; ++x) changed += focused.at(x, 4) != plain.at(x, 4);
    EXPECT_GT(changed, (kW - 8) / 3) << "a dotted line four pixels in (frame + 3)";
    EXPECT_EQ(focused.at(kW / 2, kH / 2), plain.at(kW / 2, kH / 2));
}

TEST_F(ControlPaintTest, DisabledTextIsGrayInStaticsAndEmbossedOnButtons) {
    HWND s = make("STATIC", "Hello", SS_LEFT);
    EXPECT_TRUE(Picture::near(draw(s).darkest(), get_sys_color(COLOR_WINDOWTEXT)));
    enable_window(s, false);
    const Picture gray = draw(s);
    EXPECT_TRUE(Picture::near(gray.darkest(), get_sys_color(COLOR_GRAYTEXT))) << "no pixel darker than the gray text";

    HWND b = make("BUTTON", "Hello", BS_PUSHBUTTON);
    const Picture on = draw(b);
    enable_window(b, false);
    const Picture off = draw(b);
    // Inside the bevel: black text when enabled, gray and white when not.
    auto inner_has = [](const Picture& p, COLORREF c) {
        for (int y = 3; y < kH - 3; ++y)
            for (int x = 3; x < kW - 3; ++x)
                if (Picture::near(p.at(x, y), c)) return true;
        return false;
    };
    EXPECT_TRUE(inner_has(on, get_sys_color(COLOR_BTNTEXT)));
    EXPECT_FALSE(inner_has(off, get_sys_color(COLOR_BTNTEXT)));
    EXPECT_TRUE(inner_has(off, get_sys_color(COLOR_GRAYTEXT)));
    EXPECT_TRUE(inner_has(off, get_sys_color(COLOR_3DHILIGHT)));
}

TEST_F(ControlPaintTest, TheParentsCtlColorBrushAndTextColourAreUsed) {
    static_brush = create_solid_brush(rgb(255, 0, 0));
    HWND s = make("STATIC", "Hello", SS_LEFT);
    const Picture p = draw(s);
    EXPECT_EQ(p.at(kW - 1, kH - 1), rgb(255, 0, 0)) << "the background is the parent's brush";
    EXPECT_TRUE(p.has_near(rgb(0, 0, 255), 60)) << "the text in the parent's colour";
    EXPECT_FALSE(p.has(rgb(255, 255, 255)));
}

TEST_F(ControlPaintTest, FramesAndRectanglesUseTheSystemColours) {
    struct Case {
        std::uint32_t style;
        COLORREF edge, middle;
    };
    const std::vector<Case> cases = {
        {SS_BLACKRECT, get_sys_color(COLOR_WINDOWFRAME), get_sys_color(COLOR_WINDOWFRAME)},
        {SS_GRAYFRAME, get_sys_color(COLOR_BTNSHADOW), rgb(255, 255, 255)},
        {SS_ETCHEDFRAME, get_sys_color(COLOR_BTNSHADOW), rgb(255, 255, 255)},
    };
    for (const auto& c : cases) {
        HWND s = make("STATIC", "", c.style);
        const Picture p = draw(s);
        EXPECT_EQ(p.at(0, 0), c.edge) << c.style;
        EXPECT_EQ(p.at(kW / 2, kH / 2), c.middle) << c.style;
        destroy_window(s);
    }
}

TEST_F(ControlPaintTest, OwnerDrawnButtonsAskTheParentWithTheirState) {
    HWND b = make("BUTTON", "", BS_OWNERDRAW);
    draw(b);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0].CtlType, ODT_BUTTON);
    EXPECT_EQ(drawn[0].CtlID, 7u);
    EXPECT_EQ(drawn[0].itemAction, ODA_DRAWENTIRE);
    EXPECT_EQ(drawn[0].itemState, 0u);
    EXPECT_EQ(drawn[0].hwndItem, b);
    EXPECT_EQ(drawn[0].rcItem.right, kW);
    send_message(b, BM_SETSTATE, 1, 0);
    draw(b);
    EXPECT_EQ(drawn[1].itemAction, ODA_SELECT);
    EXPECT_EQ(drawn[1].itemState, ODS_SELECTED);
    send_message(b, BM_SETSTATE, 0, 0);
    enable_window(b, false);
    draw(b);
    EXPECT_EQ(drawn[2].itemState, ODS_DISABLED);
}

TEST_F(ControlPaintTest, AnEditShowsItsSelectionOnlyWithTheFocus) {
    HWND e = make("EDIT", "selected", 0);
    send_message(e, EM_SETSEL, 0, -1);
    EXPECT_FALSE(draw(e).has(get_sys_color(COLOR_HIGHLIGHT)));
    set_focus(e);
    send_message(e, EM_SETSEL, 0, -1);
    EXPECT_TRUE(draw(e).has(get_sys_color(COLOR_HIGHLIGHT)));
}

}  // namespace

namespace {

HBRUSH dialog_brush = 0;

std::intptr_t colour_dialog_proc(HWND, UINT message, WPARAM, LPARAM) {
    if (message == WM_CTLCOLORDLG && dialog_brush) return static_cast<std::intptr_t>(dialog_brush);
    return message == WM_INITDIALOG ? 1 : 0;
}

}  // namespace

// A dialog erases itself with the brush it answers WM_CTLCOLORDLG with: the
// button face when its procedure leaves the message alone.
TEST(DialogPaintTest, BackgroundIsTheBrushOfWmCtlColorDlg) {
    twtest::TempMachineRoot root;
    DialogTemplate t;
    t.style = WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_SETFONT;
    t.cx = 80;
    t.cy = 40;
    t.caption = "Colours";
    t.font_face = "MS Sans Serif";
    t.font_points = 8;
    const struct {
        HBRUSH brush;
        COLORREF expected;
    } cases[] = {{0, get_sys_color(COLOR_3DFACE)}, {create_solid_brush(rgb(200, 30, 40)), rgb(200, 30, 40)}};
    for (const auto& c : cases) {
        dialog_brush = c.brush;
        HWND hdlg = create_dialog_indirect_param(kModule, t, 0, colour_dialog_proc, 0);
        ASSERT_NE(hdlg, 0u);
        MSG msg;
        while (peek_message(&msg, 0, 0, 0, PM_REMOVE)) dispatch_message(&msg);
        Image snap;
        ASSERT_TRUE(snapshot_window(hdlg, &snap));
        RECT client;
        get_client_rect(hdlg, &client);
        POINT middle{client.right / 2, client.bottom / 2};
        client_to_screen(hdlg, &middle);
        RECT frame;
        get_window_rect(hdlg, &frame);
        const std::uint32_t px = snap.at(middle.x - frame.left, middle.y - frame.top) & 0xFFFFFF;
        EXPECT_EQ(px, (static_cast<std::uint32_t>(get_r_value(c.expected)) << 16) |
                          (static_cast<std::uint32_t>(get_g_value(c.expected)) << 8) | get_b_value(c.expected));
        destroy_window(hdlg);
        if (c.brush) delete_object(c.brush);
    }
    dialog_brush = 0;
}
