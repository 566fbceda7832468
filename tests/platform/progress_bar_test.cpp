// The progress bar: its range, position and step messages, and the pixels
// of its bar (smooth, in blocks, vertical) inside the sunken edge.
#include <gtest/gtest.h>

#include "platform/commctrl.h"
#include "platform/gdi.h"
#include "platform/message_queue.h"
#include "tests/platform/control_host.h"

using namespace platform;

namespace {

std::uint32_t pixel(COLORREF c) {
    return (static_cast<std::uint32_t>(get_r_value(c)) << 16) | (static_cast<std::uint32_t>(get_g_value(c)) << 8) |
           get_b_value(c);
}

class ProgressBarTest : public ::testing::Test {
protected:
    // 104 x 14: the edge takes a pixel on each side and the bar keeps one
    // more, so the bar is 100 pixels long and 10 thick.
    HWND make(std::uint32_t style, int width = 104, int height = 14) {
        return host_.make(PROGRESS_CLASS, style, 305, width, height);
    }
    twtest::ControlHost host_;
    const std::uint32_t bar_ = 0xFF0000, back_ = 0xFFFFFF;
};

TEST_F(ProgressBarTest, RangePositionAndStepAnswerAsOnWindows) {
    HWND pb = make(PBS_SMOOTH);
    EXPECT_EQ(send_message(pb, PBM_GETPOS, 0, 0), 0);
    EXPECT_EQ(send_message(pb, PBM_SETRANGE, 0, make_lparam(10, 60)), make_lparam(0, 100));  // the old range, packed
    PBRANGE range;
    EXPECT_EQ(send_message(pb, PBM_GETRANGE, 1, reinterpret_cast<LPARAM>(&range)), 10);
    EXPECT_EQ(send_message(pb, PBM_GETRANGE, 0, 0), 60);
    EXPECT_EQ(range.iLow, 10);
    EXPECT_EQ(range.iHigh, 60);

    struct Case {
        UINT message;
        WPARAM wParam;
        LRESULT answer;
        int pos_after;
    };
    const Case cases[] = {
        {PBM_SETPOS, 30, 10, 30},                       // the old position comes back
        {PBM_SETPOS, 500, 30, 60},                      // kept inside the range
        {PBM_SETPOS, static_cast<WPARAM>(-5), 60, 10},
        {PBM_DELTAPOS, 25, 10, 35},
        {PBM_SETSTEP, 20, 10, 35},                      // the old step
        {PBM_STEPIT, 0, 35, 55},
        {PBM_STEPIT, 0, 55, 25},                        // past the end it starts over
    };
    for (const auto& c : cases) {
        EXPECT_EQ(send_message(pb, c.message, c.wParam, 0), c.answer) << "message " << c.message - WM_USER;
        EXPECT_EQ(send_message(pb, PBM_GETPOS, 0, 0), c.pos_after) << "message " << c.message - WM_USER;
    }

    EXPECT_EQ(send_message(pb, PBM_SETRANGE32, 0, 100000), make_lparam(10, 60));
    EXPECT_EQ(send_message(pb, PBM_SETPOS, 70000, 0), 25);
    EXPECT_EQ(send_message(pb, PBM_GETPOS, 0, 0), 70000);  // 32-bit positions
    EXPECT_EQ(static_cast<COLORREF>(send_message(pb, PBM_SETBARCOLOR, 0, rgb(1, 2, 3))), CLR_DEFAULT);
    EXPECT_EQ(static_cast<COLORREF>(send_message(pb, PBM_SETBARCOLOR, 0, rgb(4, 5, 6))), rgb(1, 2, 3));
}

TEST_F(ProgressBarTest, SmoothBarFillsItsShareOfTheLength) {
    HWND pb = make(PBS_SMOOTH);
    send_message(pb, PBM_SETBARCOLOR, 0, rgb(255, 0, 0));
    send_message(pb, PBM_SETBKCOLOR, 0, rgb(255, 255, 255));
    struct Case {
        int pos;
        int filled;  // pixels of bar from x = 2
    };
    for (Case c : {Case{0, 0}, Case{1, 1}, Case{37, 37}, Case{99, 99}, Case{100, 100}}) {
        send_message(pb, PBM_SETPOS, static_cast<WPARAM>(c.pos), 0);
        auto p = twtest::ControlHost::render(pb);
        int bar = 0;
        for (int x = 0; x < p.width; ++x)
            if (p.at(x, 7) == bar_) ++bar;
        EXPECT_EQ(bar, c.filled) << "pos " << c.pos;
        if (c.filled > 0) {
            EXPECT_EQ(p.at(2, 7), bar_);
            EXPECT_EQ(p.at(1 + c.filled, 2), bar_);  // top row of the bar
            EXPECT_EQ(p.at(1 + c.filled, 1), back_);  // one pixel of background above it
        }
        if (c.filled < 100) {
            EXPECT_EQ(p.at(2 + c.filled, 7), back_) << "pos " << c.pos;
        }
    }
    // The sunken edge: shadow along the top and left, highlight along the bottom and right.
    auto p = twtest::ControlHost::render(pb);
    EXPECT_EQ(p.at(0, 0), pixel(get_sys_color(COLOR_BTNSHADOW)));
    EXPECT_EQ(p.at(0, 7), pixel(get_sys_color(COLOR_BTNSHADOW)));
    EXPECT_EQ(p.at(50, 0), pixel(get_sys_color(COLOR_BTNSHADOW)));
    EXPECT_EQ(p.at(103, 13), pixel(get_sys_color(COLOR_BTNHIGHLIGHT)));
    EXPECT_EQ(p.at(103, 0), pixel(get_sys_color(COLOR_BTNHIGHLIGHT)));
}

TEST_F(ProgressBarTest, BlocksAreTwoThirdsOfTheThicknessWithTwoPixelGaps) {
    HWND pb = make(0);
    send_message(pb, PBM_SETBARCOLOR, 0, rgb(255, 0, 0));
    send_message(pb, PBM_SETBKCOLOR, 0, rgb(255, 255, 255));
    send_message(pb, PBM_SETPOS, 50, 0);
    auto p = twtest::ControlHost::render(pb);
    // 10 thick: blocks of 6 every 8 pixels; the one starting at 48 is drawn whole.
    std::string row;
    for (int x = 2; x < 60; ++x) row += p.at(x, 7) == bar_ ? '#' : '.';
    EXPECT_EQ(row, "######..######..######..######..######..######..######....");
}

TEST_F(ProgressBarTest, VerticalBarGrowsFromTheBottom) {
    HWND pb = make(PBS_VERTICAL | PBS_SMOOTH, 14, 104);
    send_message(pb, PBM_SETBARCOLOR, 0, rgb(255, 0, 0));
    send_message(pb, PBM_SETBKCOLOR, 0, rgb(255, 255, 255));
    send_message(pb, PBM_SETPOS, 25, 0);
    auto p = twtest::ControlHost::render(pb);
    EXPECT_EQ(p.at(7, 101), bar_);
    EXPECT_EQ(p.at(7, 77), bar_);
    EXPECT_EQ(p.at(7, 76), back_);
    EXPECT_EQ(p.at(7, 2), back_);
}

TEST_F(ProgressBarTest, DefaultColoursAreTheHighlightOnTheButtonFace) {
    HWND pb = make(PBS_SMOOTH);
    send_message(pb, PBM_SETPOS, 50, 0);
    auto p = twtest::ControlHost::render(pb);
    EXPECT_EQ(p.at(10, 7), pixel(get_sys_color(COLOR_HIGHLIGHT)));
    EXPECT_EQ(p.at(90, 7), pixel(get_sys_color(COLOR_3DFACE)));
}

}  // namespace
