// Lines, rectangles, polygons, pattern fills, bevels, focus rectangles and
// clipping, checked pixel by pixel.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "platform/gdi.h"
#include "tests/platform/gdi_fixture.h"

namespace platform {
namespace {

using testing::kBlack;
using testing::kBlue;
using testing::kRed;
using testing::kWhite;
using testing::PaintCanvas;
using testing::rows;

TEST(GdiLineTest, EveryOctantStartsAtItsStartAndLeavesOutItsEndPoint) {
    // Ends around (10, 10) in all eight octants, on the axes, on the
    // diagonals and in between.
    const POINT ends[] = {{20, 10}, {20, 14}, {20, 20}, {14, 20}, {10, 20}, {6, 20}, {0, 20}, {0, 14},
                          {0, 10},  {0, 6},   {0, 0},   {6, 0},   {10, 0},  {14, 0}, {20, 0}, {20, 6},
                          {17, 13}, {3, 19},  {1, 2},   {19, 1}};
    for (POINT end : ends) {
        SCOPED_TRACE(::testing::Message() << "to " << end.x << "," << end.y);
        PaintCanvas canvas(21, 21);
        move_to_ex(canvas.dc(), 10, 10, nullptr);
        ASSERT_TRUE(line_to(canvas.dc(), end.x, end.y));
        POINT pos;
        get_current_position_ex(canvas.dc(), &pos);
        EXPECT_EQ(pos.x, end.x);
        EXPECT_EQ(pos.y, end.y);

        auto pixels = canvas.painted(kWhite);
        int dx = end.x - 10, dy = end.y - 10;
        // One pixel per step along the major axis, the end point excluded.
        EXPECT_EQ(static_cast<int>(pixels.size()), std::max(std::abs(dx), std::abs(dy)));
        EXPECT_EQ(canvas.at(10, 10), kBlack);
        EXPECT_EQ(canvas.at(end.x, end.y), kWhite);
        // Every pixel lies within half a pixel of the true line, measured
        // along the minor axis.
        for (POINT p : pixels) {
            if (std::abs(dx) >= std::abs(dy)) {
                double ideal = 10 + static_cast<double>(p.x - 10) * dy / dx;
                EXPECT_LE(std::abs(p.y - ideal), 0.5) << p.x << "," << p.y;
            } else {
                double ideal = 10 + static_cast<double>(p.y - 10) * dx / dy;
                EXPECT_LE(std::abs(p.x - ideal), 0.5) << p.x << "," << p.y;
            }
        }
    }
}

TEST(GdiLineTest, DottedPenAlternatesPixelsAndFillsGapsOnlyWhenOpaque) {
    HPEN dotted = create_pen(PS_DOT, 1, kRed);
    for (int mode : {OPAQUE, TRANSPARENT}) {
        PaintCanvas canvas(8, 1, kWhite);
        HGDIOBJ old = select_object(canvas.dc(), dotted);
        set_bk_mode(canvas.dc(), mode);
        set_bk_color(canvas.dc(), kBlue);
        move_to_ex(canvas.dc(), 0, 0, nullptr);
        line_to(canvas.dc(), 7, 0);
        select_object(canvas.dc(), old);
        EXPECT_EQ(canvas.picture({{kWhite, '.'}, {kRed, 'r'}, {kBlue, 'b'}}),
                  mode == OPAQUE ? "rbrbrbr.\n" : "r.r.r.r.\n");
    }
    delete_object(dotted);
}

TEST(GdiLineTest, BinaryRasterOperationsCombinePenAndDestination) {
    struct Case {
        int rop2;
        COLORREF expected;  // pen rgb(240, 15, 0) over rgb(51, 102, 153)
    } cases[] = {
        {R2_COPYPEN, rgb(240, 15, 0)},
        {R2_XORPEN, rgb(240 ^ 51, 15 ^ 102, 0 ^ 153)},
        {R2_NOT, rgb(255 - 51, 255 - 102, 255 - 153)},
        {R2_NOTXORPEN, rgb(~(240 ^ 51) & 255, ~(15 ^ 102) & 255, ~(0 ^ 153) & 255)},
        {R2_MASKPEN, rgb(240 & 51, 15 & 102, 0)},
        {R2_MERGEPEN, rgb(240 | 51, 15 | 102, 153)},
        {R2_NOP, rgb(51, 102, 153)},
        {R2_BLACK, rgb(0, 0, 0)},
        {R2_WHITE, rgb(255, 255, 255)},
    };
    HPEN pen = create_pen(PS_SOLID, 1, rgb(240, 15, 0));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rop2);
        PaintCanvas canvas(4, 1, rgb(51, 102, 153));
        HGDIOBJ old = select_object(canvas.dc(), pen);
        EXPECT_EQ(set_rop2(canvas.dc(), c.rop2), R2_COPYPEN);
        move_to_ex(canvas.dc(), 0, 0, nullptr);
        line_to(canvas.dc(), 3, 0);
        EXPECT_EQ(canvas.at(1, 0), c.expected);
        EXPECT_EQ(canvas.at(3, 0), rgb(51, 102, 153));
        select_object(canvas.dc(), old);
    }
    delete_object(pen);
}

TEST(GdiRectangleTest, PenOutlineAndBrushInsideStopBeforeRightAndBottom) {
    PaintCanvas canvas(8, 7);
    HBRUSH grey = create_solid_brush(rgb(128, 128, 128));
    HGDIOBJ old = select_object(canvas.dc(), grey);
    ASSERT_TRUE(rectangle(canvas.dc(), 1, 1, 7, 6));
    select_object(canvas.dc(), old);
    delete_object(grey);
    EXPECT_EQ(canvas.picture({{kWhite, '.'}, {kBlack, '#'}, {rgb(128, 128, 128), 'g'}}),
              rows({"........",
                    ".######.",
                    ".#gggg#.",
                    ".#gggg#.",
                    ".#gggg#.",
                    ".######.",
                    "........"}));
}

TEST(GdiRectangleTest, NullPenAndNullBrush) {
    struct Case {
        int pen;
        int brush;
        std::string expected;
    } cases[] = {
        // Without a pen the fill is one pixel smaller to the right and bottom.
        {NULL_PEN, BLACK_BRUSH, rows({"......", ".###..", ".###..", "......", "......"})},
        {BLACK_PEN, NULL_BRUSH, rows({"......", ".####.", ".#..#.", ".####.", "......"})},
        {NULL_PEN, NULL_BRUSH, rows({"......", "......", "......", "......", "......"})},
    };
    for (const Case& c : cases) {
        PaintCanvas canvas(6, 5);
        select_object(canvas.dc(), get_stock_object(c.pen));
        select_object(canvas.dc(), get_stock_object(c.brush));
        rectangle(canvas.dc(), 1, 1, 5, 4);
        EXPECT_EQ(canvas.picture({{kWhite, '.'}, {kBlack, '#'}}), c.expected) << c.pen << " " << c.brush;
    }
}

TEST(GdiRectangleTest, InsideFramePenStaysInsideTheRectangle) {
    PaintCanvas canvas(9, 8);
    HPEN thick = create_pen(PS_INSIDEFRAME, 2, kRed);
    select_object(canvas.dc(), thick);
    select_object(canvas.dc(), get_stock_object(NULL_BRUSH));
    rectangle(canvas.dc(), 1, 1, 8, 7);
    select_object(canvas.dc(), get_stock_object(BLACK_PEN));
    delete_object(thick);
    EXPECT_EQ(canvas.picture({{kWhite, '.'}, {kRed, 'r'}}),
              rows({".........",
                    ".rrrrrrr.",
                    ".rrrrrrr.",
                    ".rr...rr.",
                    ".rr...rr.",
                    ".rrrrrrr.",
                    ".rrrrrrr.",
                    "........."}));
}

TEST(GdiFillTest, FillRectFrameRectAndSystemColourIndices) {
    PaintCanvas canvas(7, 6);
    HBRUSH red = create_solid_brush(kRed);
    fill_rect(canvas.dc(), RECT{1, 1, 6, 5}, red);
    // A system colour index + 1 stands for that colour's brush.
    frame_rect(canvas.dc(), RECT{1, 1, 6, 5}, static_cast<HBRUSH>(COLOR_BTNSHADOW + 1));
    // Empty and inverted rectangles draw nothing.
    fill_rect(canvas.dc(), RECT{3, 3, 3, 5}, get_stock_object(BLACK_BRUSH));
    fill_rect(canvas.dc(), RECT{5, 5, 2, 2}, get_stock_object(BLACK_BRUSH));
    delete_object(red);
    EXPECT_EQ(canvas.picture({{kWhite, '.'}, {kRed, 'r'}, {rgb(128, 128, 128), 's'}}),
              rows({".......",
                    ".sssss.",
                    ".srrrs.",
                    ".srrrs.",
                    ".sssss.",
                    "......."}));
}

TEST(GdiFillTest, PatternBrushesFollowTheBrushOriginAndDcColours) {
    // A monochrome checker: 0 bits take the text colour, 1 bits the background.
    std::uint32_t bits[64];
    for (int i = 0; i < 64; ++i) bits[i] = ((i % 8) + (i / 8)) % 2;
    HBITMAP pattern = create_bitmap(8, 8, 1, bits);
    HBRUSH brush = create_pattern_brush(pattern);
    PaintCanvas canvas(4, 2);
    set_text_color(canvas.dc(), kRed);
    set_bk_color(canvas.dc(), kBlue);
    fill_rect(canvas.dc(), RECT{0, 0, 4, 1}, brush);
    set_brush_org_ex(canvas.dc(), 1, 0, nullptr);
    fill_rect(canvas.dc(), RECT{0, 1, 4, 2}, brush);
    EXPECT_EQ(canvas.picture({{kRed, 'r'}, {kBlue, 'b'}}), rows({"rbrb", "rbrb"}));
    delete_object(brush);
    delete_object(pattern);
}

TEST(GdiFillTest, HatchBrushLeavesTheBackgroundWhenTransparent) {
    HBRUSH hatch = create_hatch_brush(HS_HORIZONTAL, kRed);
    for (int mode : {OPAQUE, TRANSPARENT}) {
        PaintCanvas canvas(2, 8, kWhite);
        set_bk_mode(canvas.dc(), mode);
        set_bk_color(canvas.dc(), kBlue);
        fill_rect(canvas.dc(), RECT{0, 0, 2, 8}, hatch);
        char back = mode == OPAQUE ? 'b' : '.';
        std::string gap = std::string(2, back);
        EXPECT_EQ(canvas.picture({{kWhite, '.'}, {kRed, 'r'}, {kBlue, 'b'}}),
                  rows({gap.c_str(), gap.c_str(), gap.c_str(), "rr", gap.c_str(), gap.c_str(), gap.c_str(),
                        gap.c_str()}));
    }
    delete_object(hatch);
}

TEST(GdiFillTest, PatBltOperationsOnTheDestination) {
    PaintCanvas canvas(3, 1, rgb(10, 20, 30));
    select_object(canvas.dc(), get_stock_object(GRAY_BRUSH));
    pat_blt(canvas.dc(), 0, 0, 1, 1, PATCOPY);
    pat_blt(canvas.dc(), 1, 0, 1, 1, DSTINVERT);
    pat_blt(canvas.dc(), 2, 0, 1, 1, PATINVERT);
    EXPECT_EQ(canvas.at(0, 0), rgb(128, 128, 128));
    EXPECT_EQ(canvas.at(1, 0), rgb(245, 235, 225));
    EXPECT_EQ(canvas.at(2, 0), rgb(10 ^ 128, 20 ^ 128, 30 ^ 128));
    // XOR twice gives back the picture; negative sizes reach left and up.
    pat_blt(canvas.dc(), 3, 1, -1, -1, PATINVERT);
    EXPECT_EQ(canvas.at(2, 0), rgb(10, 20, 30));
    pat_blt(canvas.dc(), 0, 0, 3, 1, BLACKNESS);
    EXPECT_EQ(canvas.at(1, 0), kBlack);
    pat_blt(canvas.dc(), 0, 0, 3, 1, WHITENESS);
    EXPECT_EQ(canvas.at(1, 0), kWhite);
    // An operation that needs a source is refused.
    EXPECT_FALSE(pat_blt(canvas.dc(), 0, 0, 3, 1, SRCCOPY));
}

TEST(GdiPolygonTest, TriangleFillsPixelCentresInsideAndOutlinesWithThePen) {
    PaintCanvas canvas(9, 6);
    HBRUSH red = create_solid_brush(kRed);
    select_object(canvas.dc(), red);
    select_object(canvas.dc(), get_stock_object(NULL_PEN));
    POINT triangle[] = {{0, 0}, {8, 0}, {0, 4}};
    polygon(canvas.dc(), triangle, 3);
    EXPECT_EQ(canvas.picture({{kWhite, '.'}, {kRed, 'r'}}),
              rows({"rrrrrrr..",
                    "rrrrr....",
                    "rrr......",
                    "r........",
                    ".........",
                    "........."}));
    // With a pen the outline closes the figure, last point to first.
    select_object(canvas.dc(), get_stock_object(BLACK_PEN));
    select_object(canvas.dc(), get_stock_object(NULL_BRUSH));
    polygon(canvas.dc(), triangle, 3);
    EXPECT_EQ(canvas.at(8, 0), kBlack);
    EXPECT_EQ(canvas.at(0, 4), kBlack);
    EXPECT_EQ(canvas.at(4, 2), kBlack);
    delete_object(red);
}

TEST(GdiPolygonTest, FillModeDecidesTheCentreOfAStar) {
    // A five-pointed star drawn in one stroke: its centre is wound twice.
    POINT star[] = {{20, 2}, {31, 36}, {2, 14}, {38, 14}, {9, 36}};
    for (int mode : {ALTERNATE, WINDING}) {
        PaintCanvas canvas(40, 40);
        select_object(canvas.dc(), get_stock_object(BLACK_BRUSH));
        select_object(canvas.dc(), get_stock_object(NULL_PEN));
        set_poly_fill_mode(canvas.dc(), mode);
        polygon(canvas.dc(), star, 5);
        EXPECT_EQ(canvas.at(20, 20), mode == WINDING ? kBlack : kWhite);
        EXPECT_EQ(canvas.at(20, 8), kBlack);  // a point of the star
        EXPECT_EQ(canvas.at(2, 30), kWhite);  // outside
    }
}

TEST(GdiPolygonTest, EllipseIsSymmetricInsideItsBoxWithAPenRim) {
    PaintCanvas canvas(14, 12);
    HBRUSH red = create_solid_brush(kRed);
    select_object(canvas.dc(), red);
    ASSERT_TRUE(ellipse(canvas.dc(), 1, 1, 13, 11));
    select_object(canvas.dc(), get_stock_object(WHITE_BRUSH));
    delete_object(red);
    for (POINT p : canvas.painted(kWhite)) {
        EXPECT_TRUE(p.x >= 1 && p.x < 13 && p.y >= 1 && p.y < 11) << p.x << "," << p.y;
        // Mirror images across both axes of the box match.
        EXPECT_EQ(canvas.at(p.x, p.y), canvas.at(13 - p.x, p.y));
        EXPECT_EQ(canvas.at(p.x, p.y), canvas.at(p.x, 11 - p.y));
    }
    EXPECT_EQ(canvas.at(7, 6), kRed);    // inside
    EXPECT_EQ(canvas.at(1, 6), kBlack);  // rim, on the box's sides
    EXPECT_EQ(canvas.at(7, 1), kBlack);
    EXPECT_EQ(canvas.at(1, 1), kWhite);  // corners of the box stay out
    EXPECT_EQ(canvas.at(12, 10), kWhite);
}

TEST(GdiEdgeTest, ClassicBevelColours) {
    const COLORREF light = get_sys_color(COLOR_3DLIGHT), hilight = get_sys_color(COLOR_3DHILIGHT),
                   shadow = get_sys_color(COLOR_3DSHADOW), dark = get_sys_color(COLOR_3DDKSHADOW),
                   face = get_sys_color(COLOR_3DFACE);
    struct Case {
        const char* name;
        std::uint32_t edge;
        std::uint32_t flags;
        // outer top-left, outer bottom-right, inner top-left, inner bottom-right, top-right corner
        COLORREF outer_tl, outer_br, inner_tl, inner_br, corner;
    } cases[] = {
        {"raised", EDGE_RAISED, BF_RECT, light, dark, hilight, shadow, dark},
        {"sunken", EDGE_SUNKEN, BF_RECT, shadow, hilight, dark, light, hilight},
        {"etched", EDGE_ETCHED, BF_RECT, shadow, hilight, hilight, shadow, hilight},
        {"bump", EDGE_BUMP, BF_RECT, light, dark, dark, light, dark},
        {"flat", EDGE_RAISED, BF_RECT | BF_FLAT, shadow, shadow, face, face, shadow},
        {"mono", EDGE_SUNKEN, BF_RECT | BF_MONO, get_sys_color(COLOR_WINDOWFRAME),
         get_sys_color(COLOR_WINDOWFRAME), get_sys_color(COLOR_WINDOW), get_sys_color(COLOR_WINDOW),
         get_sys_color(COLOR_WINDOWFRAME)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PaintCanvas canvas(12, 10, kRed);
        RECT r{1, 1, 11, 9};
        ASSERT_TRUE(draw_edge(canvas.dc(), &r, c.edge, c.flags));
        EXPECT_EQ(canvas.at(1, 4), c.outer_tl);
        EXPECT_EQ(canvas.at(5, 1), c.outer_tl);
        EXPECT_EQ(canvas.at(10, 4), c.outer_br);
        EXPECT_EQ(canvas.at(5, 8), c.outer_br);
        EXPECT_EQ(canvas.at(2, 4), c.inner_tl);
        EXPECT_EQ(canvas.at(9, 4), c.inner_br);
        EXPECT_EQ(canvas.at(10, 1), c.corner);
        EXPECT_EQ(canvas.at(1, 8), c.outer_br);   // bottom-left corner belongs to the bottom side
        EXPECT_EQ(canvas.at(5, 5), kRed);        // the middle is left alone without BF_MIDDLE
        EXPECT_EQ(canvas.at(0, 0), kRed);
        EXPECT_EQ(canvas.at(11, 9), kRed);
        EXPECT_EQ(r.left, 1);                    // no BF_ADJUST: the rectangle stays
    }
}

TEST(GdiEdgeTest, AdjustMiddleAndPartialSides) {
    PaintCanvas canvas(10, 10, kRed);
    RECT r{0, 0, 10, 10};
    draw_edge(canvas.dc(), &r, EDGE_SUNKEN, BF_LEFT | BF_TOP | BF_MIDDLE | BF_ADJUST);
    EXPECT_EQ(r.left, 2);
    EXPECT_EQ(r.top, 2);
    EXPECT_EQ(r.right, 10);
    EXPECT_EQ(r.bottom, 10);
    EXPECT_EQ(canvas.at(0, 5), get_sys_color(COLOR_3DSHADOW));
    EXPECT_EQ(canvas.at(9, 5), get_sys_color(COLOR_3DFACE));  // middle, no right side
    EXPECT_EQ(canvas.at(5, 9), get_sys_color(COLOR_3DFACE));
}

TEST(GdiEdgeTest, FocusRectangleInvertsEveryOtherPixelAndUndoesItself) {
    PaintCanvas canvas(8, 6, rgb(212, 208, 200));
    RECT r{1, 1, 7, 5};
    draw_focus_rect(canvas.dc(), r);
    const COLORREF inverted = rgb(255 - 212, 255 - 208, 255 - 200);
    EXPECT_EQ(canvas.picture({{rgb(212, 208, 200), '.'}, {inverted, 'x'}}),
              rows({"........",
                    ".x.x.x..",
                    "......x.",
                    ".x......",
                    "..x.x.x.",
                    "........"}));
    draw_focus_rect(canvas.dc(), r);
    EXPECT_TRUE(canvas.painted(rgb(212, 208, 200)).empty());
}

TEST(GdiEdgeTest, CheckBoxShowsItsMarkOnlyWhenChecked) {
    const COLORREF text = get_sys_color(COLOR_WINDOWTEXT);
    for (std::uint32_t state : {DFCS_BUTTONCHECK, DFCS_BUTTONCHECK | DFCS_CHECKED, DFCS_BUTTONRADIO,
                                DFCS_BUTTONRADIO | DFCS_CHECKED}) {
        PaintCanvas canvas(13, 13, kRed);
        RECT r{0, 0, 13, 13};
        ASSERT_TRUE(draw_frame_control(canvas.dc(), &r, DFC_BUTTON, state));
        bool marked = false;
        for (int y = 3; y < 10; ++y)
            for (int x = 3; x < 10; ++x) marked = marked || canvas.at(x, y) == text;
        EXPECT_EQ(marked, (state & DFCS_CHECKED) != 0) << state;
        EXPECT_EQ(canvas.at(6, 6) == get_sys_color(COLOR_WINDOW) || canvas.at(6, 6) == text, true);
    }
}

TEST(GdiClipTest, FarOffCoordinatesDrawOnlyTheVisiblePartAndFinish) {
    PaintCanvas canvas(8, 4);
    move_to_ex(canvas.dc(), -2000000000, 1, nullptr);
    line_to(canvas.dc(), 2000000000, 1);
    HPEN wide = create_pen(PS_SOLID, 3, kRed);
    select_object(canvas.dc(), wide);
    select_object(canvas.dc(), get_stock_object(NULL_BRUSH));
    rectangle(canvas.dc(), -1000000000, 3, 1000000000, 1000000000);
    select_object(canvas.dc(), get_stock_object(BLACK_PEN));
    delete_object(wide);
    EXPECT_EQ(canvas.picture({{kWhite, '.'}, {kBlack, '#'}, {kRed, 'r'}}),
              rows({"........", "########", "rrrrrrrr", "rrrrrrrr"}));
    // A source rectangle far larger than the source reads only what exists.
    PaintCanvas source(2, 2, kBlue);
    ASSERT_TRUE(stretch_blt(canvas.dc(), 0, 0, 1, 1, source.dc(), 0, 0, 1000000000, 1000000000, SRCCOPY));
    EXPECT_EQ(canvas.at(0, 0), kBlue);
    ASSERT_TRUE(bit_blt(canvas.dc(), 0, 0, 2000000000, 2000000000, source.dc(), -1, -1, SRCCOPY));
    EXPECT_EQ(canvas.at(0, 0), kBlue);  // no source pixel there: left alone
    EXPECT_EQ(canvas.at(1, 1), kBlue);
    EXPECT_EQ(canvas.at(3, 3), kRed);
}

TEST(GdiClipTest, SurfaceDcDrawsOnlyInsideItsClipAndBumpsTheVersion) {
    Surface surface;
    surface.resize(40, 30);
    std::uint64_t before = surface.version;
    // The window's (0,0) is at (10,5) of the surface and it shows 20 x 15.
    HDC dc = create_surface_dc(&surface, POINT{10, 5}, RECT{10, 5, 30, 20});
    ASSERT_NE(dc, 0u);
    fill_rect(dc, RECT{-100, -100, 100, 100}, get_stock_object(BLACK_BRUSH));
    EXPECT_GT(surface.version, before);
    int black = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            bool inside = x >= 10 && x < 30 && y >= 5 && y < 20;
            std::uint32_t px = surface.pixels[static_cast<std::size_t>(y) * 40 + x];
            EXPECT_EQ(px == 0, inside) << x << "," << y;
            black += px == 0;
        }
    EXPECT_EQ(black, 20 * 15);

    RECT box;
    EXPECT_EQ(get_clip_box(dc, &box), SIMPLEREGION);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 20);
    EXPECT_EQ(box.bottom, 15);
    // Window (0,0) is surface (10,5); nothing outside the clip reads back.
    EXPECT_EQ(set_pixel(dc, 0, 0, kRed), kRed);
    EXPECT_EQ(surface.pixels[5 * 40 + 10], 0xFF0000u);
    EXPECT_EQ(get_pixel(dc, -1, 0), CLR_INVALID);
    std::uint64_t quiet = surface.version;
    EXPECT_EQ(set_pixel(dc, 25, 3, kRed), CLR_INVALID);  // outside: nothing changes
    EXPECT_EQ(surface.version, quiet);
    delete_dc(dc);
}

TEST(GdiClipTest, ClipRectanglesRegionsAndTheViewport) {
    PaintCanvas canvas(10, 4);
    intersect_clip_rect(canvas.dc(), 1, 0, 9, 4);
    exclude_clip_rect(canvas.dc(), 4, 1, 6, 3);
    fill_rect(canvas.dc(), RECT{0, 0, 10, 4}, get_stock_object(BLACK_BRUSH));
    EXPECT_EQ(canvas.picture({{kWhite, '.'}, {kBlack, '#'}}),
              rows({".########.", ".###..###.", ".###..###.", ".########."}));

    // A region replaces the clip; the viewport moves drawing but not the clip.
    HRGN region = create_rect_rgn(0, 0, 5, 2);
    EXPECT_EQ(select_clip_rgn(canvas.dc(), region), SIMPLEREGION);
    delete_object(region);  // the DC keeps its own copy
    set_viewport_org_ex(canvas.dc(), 2, 1, nullptr);
    fill_rect(canvas.dc(), RECT{0, 0, 10, 4}, static_cast<HBRUSH>(COLOR_WINDOW + 1));
    EXPECT_EQ(canvas.picture({{kWhite, '.'}, {kBlack, '#'}}),
              rows({".########.", ".#....###.", ".###..###.", ".########."}));
    RECT box;
    get_clip_box(canvas.dc(), &box);
    EXPECT_EQ(box.left, -2);
    EXPECT_EQ(box.top, -1);
    EXPECT_EQ(box.right, 3);
    EXPECT_EQ(box.bottom, 1);
    EXPECT_EQ(select_clip_rgn(canvas.dc(), 0), SIMPLEREGION);
}

}  // namespace
}  // namespace platform
