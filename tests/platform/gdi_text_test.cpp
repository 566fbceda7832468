// Fonts, metrics, extents and drawn text. Exact glyph pixels belong to the
// font engine; these tests check what the system relies on: sizes that grow
// as they should, heights as the LOGFONT asks, text inside its rectangle and
// in its colour, DT_CALCRECT agreeing with what is drawn.
#include <gtest/gtest.h>

#include <thread>

#include "platform/gdi.h"
#include "tests/platform/gdi_fixture.h"

namespace platform {
namespace {

using testing::kBlack;
using testing::kBlue;
using testing::kRed;
using testing::kWhite;
using testing::PaintCanvas;

HFONT font(int height, int weight = FW_NORMAL, const char* face = "Arial", bool italic = false) {
    return create_font(height, 0, 0, 0, weight, italic, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, 0, 0,
                       VARIABLE_PITCH | FF_SWISS, face);
}

SIZE extent(HDC dc, const char* text) {
    SIZE s;
    EXPECT_TRUE(get_text_extent_point32(dc, text, &s));
    return s;
}

RECT ink_box(const PaintCanvas& canvas, COLORREF background) {
    RECT box{canvas.width(), canvas.height(), -1, -1};
    for (POINT p : canvas.painted(background)) {
        box.left = std::min(box.left, p.x);
        box.top = std::min(box.top, p.y);
        box.right = std::max(box.right, p.x + 1);
        box.bottom = std::max(box.bottom, p.y + 1);
    }
    return box;
}

TEST(GdiTextTest, MulDivRoundsHalfAwayFromZero) {
    struct Case {
        int a, b, c, expected;
    } cases[] = {
        {9, 96, 72, 12},  {8, 96, 72, 11},        {10, 96, 72, 13},    {5, 3, 2, 8},
        {-5, 3, 2, -8},   {5, -3, 2, -8},         {-5, -3, -2, -8},    {7, 1, 0, -1},
        {1, 1, 3, 0},     {2, 1, 3, 1},           {0x40000000, 4, 2, -1},  // does not fit 32 bits
        {0x40000000, 4, 4, 0x40000000},
    };
    for (const Case& c : cases) EXPECT_EQ(mul_div(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

TEST(GdiTextTest, HeightsFollowTheLogfontSign) {
    PaintCanvas canvas(10, 10);
    struct Case {
        int height;
        int cell;       // tmHeight expected, 0: not fixed
        int character;  // tmHeight - tmInternalLeading expected, 0: not fixed
    } cases[] = {{-12, 0, 12}, {-20, 0, 20}, {16, 16, 0}, {30, 30, 0}, {0, 16, 0}};
    for (const Case& c : cases) {
        HFONT f = font(c.height);
        HGDIOBJ old = select_object(canvas.dc(), f);
        TEXTMETRIC tm;
        ASSERT_TRUE(get_text_metrics(canvas.dc(), &tm));
        EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
        if (c.cell) {
            EXPECT_EQ(tm.tmHeight, c.cell) << c.height;
        }
        if (c.character) {
            EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, c.character) << c.height;
        }
        EXPECT_GT(tm.tmAveCharWidth, 0);
        EXPECT_GE(tm.tmMaxCharWidth, tm.tmAveCharWidth);
        EXPECT_EQ(tm.tmWeight, FW_NORMAL);
        EXPECT_EQ(extent(canvas.dc(), "x").cy, tm.tmHeight);
        select_object(canvas.dc(), old);
        delete_object(f);
    }
}

TEST(GdiTextTest, ExtentsGrowWithLengthSizeAndWeight) {
    PaintCanvas canvas(10, 10);
    HFONT small = font(-11), large = font(-22), bold = font(-11, FW_BOLD);
    select_object(canvas.dc(), small);
    SIZE a = extent(canvas.dc(), "Ink"), ab = extent(canvas.dc(), "Ink level"), empty = extent(canvas.dc(), "");
    SIZE again = extent(canvas.dc(), "Ink level");
    select_object(canvas.dc(), large);
    SIZE big = extent(canvas.dc(), "Ink level");
    select_object(canvas.dc(), bold);
    SIZE heavy = extent(canvas.dc(), "Ink level");
    select_object(canvas.dc(), get_stock_object(SYSTEM_FONT));

    EXPECT_GT(a.cx, 0);
    EXPECT_GT(ab.cx, a.cx);
    EXPECT_EQ(empty.cx, 0);
    EXPECT_EQ(again.cx, ab.cx);  // the same text measures the same
    EXPECT_GT(big.cx, ab.cx * 3 / 2);
    EXPECT_GT(big.cy, ab.cy * 3 / 2);
    EXPECT_GT(heavy.cx, ab.cx);
    for (HFONT f : {small, large, bold}) delete_object(f);
}

TEST(GdiTextTest, FacesMapToSansMonoAndSerif) {
    PaintCanvas canvas(10, 10);
    HFONT sans = font(-16, FW_NORMAL, "MS Sans Serif"), mono = font(-16, FW_NORMAL, "Courier New");
    select_object(canvas.dc(), mono);
    // A fixed-pitch face gives every character the same advance.
    EXPECT_EQ(extent(canvas.dc(), "iiii").cx, extent(canvas.dc(), "MMMM").cx);
    char face[32];
    EXPECT_EQ(get_text_face(canvas.dc(), sizeof face, face), 11);
    EXPECT_STREQ(face, "Courier New");
    select_object(canvas.dc(), sans);
    EXPECT_LT(extent(canvas.dc(), "iiii").cx, extent(canvas.dc(), "MMMM").cx);
    select_object(canvas.dc(), get_stock_object(SYSTEM_FONT));
    delete_object(sans);
    delete_object(mono);
}

TEST(GdiTextTest, DrawTextStaysInsideItsRectangleInItsColour) {
    PaintCanvas canvas(120, 40);
    HFONT f = font(-mul_div(9, 96, 72));
    select_object(canvas.dc(), f);
    set_text_color(canvas.dc(), kRed);
    set_bk_mode(canvas.dc(), TRANSPARENT);
    RECT r{10, 5, 110, 35};
    int height = draw_text(canvas.dc(), "42%", &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    EXPECT_GT(height, 0);
    RECT ink = ink_box(canvas, kWhite);
    ASSERT_GE(ink.right, ink.left);
    EXPECT_GE(ink.left, r.left);
    EXPECT_LE(ink.right, r.right);
    EXPECT_GE(ink.top, r.top);
    EXPECT_LE(ink.bottom, r.bottom);
    // Centred: the ink's middle is near the rectangle's.
    EXPECT_NEAR((ink.left + ink.right) / 2.0, 60, 3);
    EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 20, 4);
    // Fully covered pixels are the text colour; the rest are blends of it.
    bool solid = false;
    for (POINT p : canvas.painted(kWhite)) {
        COLORREF c = canvas.at(p.x, p.y);
        EXPECT_EQ(get_r_value(c), 255);
        EXPECT_EQ(get_g_value(c), get_b_value(c));
        solid = solid || c == kRed;
    }
    EXPECT_TRUE(solid);
    select_object(canvas.dc(), get_stock_object(SYSTEM_FONT));
    delete_object(f);
}

TEST(GdiTextTest, TextIsClippedToTheDrawTextRectangle) {
    PaintCanvas canvas(60, 30);
    HFONT f = font(-20);
    select_object(canvas.dc(), f);
    RECT r{5, 5, 25, 12};  // narrower and lower than the text
    draw_text(canvas.dc(), "WWWWWW", &r, DT_LEFT | DT_SINGLELINE);
    RECT ink = ink_box(canvas, kWhite);
    EXPECT_GE(ink.left, 5);
    EXPECT_LE(ink.right, 25);
    EXPECT_LE(ink.bottom, 12);
    select_object(canvas.dc(), get_stock_object(SYSTEM_FONT));
    delete_object(f);
}

TEST(GdiTextTest, CalcRectAgreesWithTheExtentAndWrapsWords) {
    PaintCanvas canvas(10, 10);
    HFONT f = font(-12);
    select_object(canvas.dc(), f);
    TEXTMETRIC tm;
    get_text_metrics(canvas.dc(), &tm);
    SIZE one = extent(canvas.dc(), "Cartridge low");
    RECT r{3, 4, 500, 500};
    EXPECT_EQ(draw_text(canvas.dc(), "Cartridge low", &r, DT_SINGLELINE | DT_CALCRECT), tm.tmHeight);
    EXPECT_EQ(r.right - r.left, one.cx);
    EXPECT_EQ(r.bottom - r.top, tm.tmHeight);
    EXPECT_TRUE(canvas.painted(kWhite).empty());  // DT_CALCRECT draws nothing

    // Word breaking at a width that fits one word per line.
    SIZE word = extent(canvas.dc(), "Cartridge");
    RECT narrow{0, 0, word.cx + 2, 0};
    int h = draw_text(canvas.dc(), "Cartridge low soon", &narrow, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_EQ(h, 2 * tm.tmHeight);  // "Cartridge" / "low soon"
    EXPECT_LE(narrow.right, word.cx + 2);
    // Line breaks start new lines without DT_SINGLELINE.
    RECT lines{0, 0, 500, 0};
    EXPECT_EQ(draw_text(canvas.dc(), "a\r\nb\nc", &lines, DT_CALCRECT), 3 * tm.tmHeight);
    select_object(canvas.dc(), get_stock_object(SYSTEM_FONT));
    delete_object(f);
}

TEST(GdiTextTest, PrefixAmpersandsAndEllipsis) {
    PaintCanvas canvas(10, 10);
    HFONT f = font(-12);
    select_object(canvas.dc(), f);
    RECT a{0, 0, 500, 0}, b{0, 0, 500, 0}, c{0, 0, 500, 0}, d{0, 0, 500, 0};
    draw_text(canvas.dc(), "&Cancel", &a, DT_SINGLELINE | DT_CALCRECT);
    draw_text(canvas.dc(), "Cancel", &b, DT_SINGLELINE | DT_CALCRECT);
    draw_text(canvas.dc(), "&Cancel", &c, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
    draw_text(canvas.dc(), "A && B", &d, DT_SINGLELINE | DT_CALCRECT);
    EXPECT_EQ(a.right, b.right);
    EXPECT_GT(c.right, b.right);
    EXPECT_EQ(d.right, extent(canvas.dc(), "A & B").cx);

    // An ellipsis keeps a long line inside the rectangle.
    SIZE full = extent(canvas.dc(), "Remaining ink: black, cyan, magenta, yellow");
    RECT e{0, 0, full.cx / 2, 0};
    draw_text(canvas.dc(), "Remaining ink: black, cyan, magenta, yellow", &e,
              DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
    EXPECT_LE(e.right, full.cx / 2);
    EXPECT_GT(e.right, 0);
    select_object(canvas.dc(), get_stock_object(SYSTEM_FONT));
    delete_object(f);
}

TEST(GdiTextTest, PrefixUnderlinesTheNextCharacter) {
    HFONT f = font(-16);
    auto draw = [&](const char* text) {
        auto canvas = std::make_unique<PaintCanvas>(60, 24);
        select_object(canvas->dc(), f);
        RECT r{0, 0, 60, 24};
        draw_text(canvas->dc(), text, &r, DT_SINGLELINE);
        select_object(canvas->dc(), get_stock_object(SYSTEM_FONT));
        return canvas;
    };
    auto plain = draw("Hello");
    auto marked = draw("&Hello");
    auto differs = [&](int x0, int x1) {
        for (int y = 0; y < 24; ++y)
            for (int x = x0; x < x1; ++x)
                if (plain->at(x, y) != marked->at(x, y)) return true;
        return false;
    };
    SIZE h;
    get_text_extent_point32(plain->dc(), "H", &h);
    EXPECT_TRUE(differs(0, h.cx));       // under the H
    EXPECT_FALSE(differs(h.cx + 1, 60));  // the rest is the same
    delete_object(f);
}

TEST(GdiTextTest, OpaqueTextFillsItsCellAndAlignmentMovesIt) {
    HFONT f = font(-12);
    PaintCanvas canvas(100, 40);
    select_object(canvas.dc(), f);
    set_bk_color(canvas.dc(), kBlue);
    SIZE s = extent(canvas.dc(), "Ok");
    ASSERT_TRUE(text_out(canvas.dc(), 10, 5, "Ok"));
    // The cell is filled: its corners are background, not white.
    EXPECT_EQ(canvas.at(10, 5), kBlue);
    EXPECT_EQ(canvas.at(10 + s.cx - 1, 5 + s.cy - 1), kBlue);
    EXPECT_EQ(canvas.at(10 + s.cx, 5), kWhite);
    EXPECT_EQ(canvas.at(9, 5), kWhite);

    // TA_RIGHT | TA_BOTTOM: (x, y) is the cell's bottom-right corner.
    set_text_align(canvas.dc(), TA_RIGHT | TA_BOTTOM);
    text_out(canvas.dc(), 90, 38, "Ok");
    EXPECT_EQ(canvas.at(89, 37), kBlue);
    EXPECT_EQ(canvas.at(90 - s.cx, 38 - s.cy), kBlue);
    EXPECT_EQ(canvas.at(90, 37), kWhite);
    EXPECT_EQ(canvas.at(89, 38), kWhite);

    // TA_CENTER | TA_BASELINE: x is the middle, y the baseline.
    TEXTMETRIC tm;
    get_text_metrics(canvas.dc(), &tm);
    set_text_align(canvas.dc(), TA_CENTER | TA_BASELINE);
    text_out(canvas.dc(), 50, 30, "Ok");
    int left = 50 - s.cx / 2, top = 30 - tm.tmAscent;
    EXPECT_EQ(canvas.at(left, top), kBlue);
    EXPECT_EQ(canvas.at(left - 1, top), kWhite);
    EXPECT_EQ(canvas.at(left, top - 1), kWhite);
    EXPECT_EQ(canvas.at(left + s.cx - 1, top + s.cy - 1), kBlue);
    EXPECT_EQ(canvas.at(left, top + s.cy), kWhite);

    // ETO_OPAQUE fills the whole rectangle; ETO_CLIPPED keeps the text in it.
    set_text_align(canvas.dc(), TA_LEFT | TA_TOP);
    set_bk_mode(canvas.dc(), TRANSPARENT);
    RECT box{50, 0, 60, 4};
    ext_text_out(canvas.dc(), 50, 0, ETO_OPAQUE | ETO_CLIPPED, &box, "Ok");
    EXPECT_EQ(canvas.at(59, 3), kBlue);
    EXPECT_EQ(canvas.at(60, 3), kWhite);
    for (int x = 50; x < 70; ++x) EXPECT_EQ(canvas.at(x, 4), kWhite);
    select_object(canvas.dc(), get_stock_object(SYSTEM_FONT));
    delete_object(f);
}

TEST(GdiTextTest, DialogBaseUnitsComeFromTheAverageLetterWidth) {
    HFONT f = font(-11, FW_NORMAL, "MS Shell Dlg");
    SIZE units = dialog_base_units(f);
    PaintCanvas canvas(10, 10);
    select_object(canvas.dc(), f);
    SIZE letters = extent(canvas.dc(), "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    TEXTMETRIC tm;
    get_text_metrics(canvas.dc(), &tm);
    EXPECT_EQ(units.cx, (letters.cx / 26 + 1) / 2);
    EXPECT_EQ(units.cy, tm.tmHeight);
    EXPECT_GT(units.cx, 3);
    EXPECT_LT(units.cx, 10);
    select_object(canvas.dc(), get_stock_object(SYSTEM_FONT));
    delete_object(f);
    EXPECT_EQ(dialog_base_units(f).cx, 0);  // a deleted font
}

TEST(GdiTextTest, ThreadsMeasureAndDrawAtOnce) {
    HFONT f = font(-13);
    SIZE expected;
    {
        PaintCanvas canvas(10, 10);
        select_object(canvas.dc(), f);
        get_text_extent_point32(canvas.dc(), "Printer ready", &expected);
        select_object(canvas.dc(), get_stock_object(SYSTEM_FONT));
    }
    std::vector<std::thread> threads;
    std::atomic<int> mismatches{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            PaintCanvas canvas(80, 20);
            select_object(canvas.dc(), f);
            for (int i = 0; i < 20; ++i) {
                SIZE s;
                get_text_extent_point32(canvas.dc(), "Printer ready", &s);
                if (s.cx != expected.cx || s.cy != expected.cy) ++mismatches;
                text_out(canvas.dc(), 0, 0, "Printer ready");
            }
            select_object(canvas.dc(), get_stock_object(SYSTEM_FONT));
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(mismatches.load(), 0);
    delete_object(f);
}

}  // namespace
}  // namespace platform
