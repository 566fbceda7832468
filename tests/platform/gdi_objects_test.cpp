// The GDI table and the life of objects: handles, stock objects, selection
// and deletion, saved DC states, regions, system colours and surfaces.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "platform/gdi.h"
#include "platform/win_error.h"
#include "tests/platform/gdi_fixture.h"

namespace platform {
namespace {

using testing::kBlack;
using testing::kRed;
using testing::kWhite;
using testing::PaintCanvas;

TEST(GdiObjectTest, HandlesAreDistinctMultiplesOfFourAndDieOnce) {
    std::set<HGDIOBJ> seen;
    HGDIOBJ objects[] = {create_pen(PS_SOLID, 1, kRed), create_solid_brush(kRed), create_rect_rgn(0, 0, 1, 1),
                         create_bitmap(2, 2, 32), create_font_indirect(LOGFONT{}), create_compatible_dc(0)};
    const int kinds[] = {OBJ_PEN, OBJ_BRUSH, OBJ_REGION, OBJ_BITMAP, OBJ_FONT, OBJ_MEMDC};
    for (std::size_t i = 0; i < std::size(objects); ++i) {
        EXPECT_NE(objects[i], 0u);
        EXPECT_EQ(objects[i] % 4, 0u);
        EXPECT_TRUE(seen.insert(objects[i]).second);
        EXPECT_EQ(get_object_type(objects[i]), kinds[i]);
    }
    for (HGDIOBJ h : objects) EXPECT_TRUE(delete_object(h));
    for (HGDIOBJ h : objects) {
        EXPECT_FALSE(delete_object(h));
        EXPECT_EQ(last_error(), ERROR_INVALID_HANDLE);
        EXPECT_EQ(get_object_type(h), 0);
    }
    EXPECT_EQ(create_pen(42, 1, 0), 0u);
    EXPECT_EQ(create_bitmap(0, 5, 32), 0u);
    EXPECT_EQ(create_bitmap(100000, 100000, 32), 0u);
    EXPECT_EQ(create_hatch_brush(9, 0), 0u);
}

TEST(GdiObjectTest, StockObjectsSurviveDeletion) {
    for (int which : {WHITE_BRUSH, BLACK_BRUSH, NULL_BRUSH, HOLLOW_BRUSH, GRAY_BRUSH, BLACK_PEN, WHITE_PEN,
                      NULL_PEN, SYSTEM_FONT, DEFAULT_GUI_FONT, ANSI_VAR_FONT, DEFAULT_PALETTE}) {
        HGDIOBJ h = get_stock_object(which);
        ASSERT_NE(h, 0u) << which;
        EXPECT_EQ(get_stock_object(which), h);
        EXPECT_TRUE(delete_object(h));
        EXPECT_NE(get_object_type(h), 0) << which;
    }
    EXPECT_EQ(get_stock_object(HOLLOW_BRUSH), get_stock_object(NULL_BRUSH));
    LOGPEN pen;
    ASSERT_EQ(get_object(get_stock_object(WHITE_PEN), sizeof pen, &pen), static_cast<int>(sizeof pen));
    EXPECT_EQ(pen.lopnColor, kWhite);
    LOGFONT font;
    get_object(get_stock_object(DEFAULT_GUI_FONT), sizeof font, &font);
    EXPECT_LT(font.lfHeight, 0);
    EXPECT_EQ(get_stock_object(99), 0u);
}

TEST(GdiObjectTest, SelectReturnsThePreviousObjectOfEachKind) {
    HDC dc = create_compatible_dc(0);
    EXPECT_EQ(get_current_object(dc, OBJ_PEN), get_stock_object(BLACK_PEN));
    EXPECT_EQ(get_current_object(dc, OBJ_BRUSH), get_stock_object(WHITE_BRUSH));
    EXPECT_EQ(get_current_object(dc, OBJ_FONT), get_stock_object(SYSTEM_FONT));
    HPEN pen = create_pen(PS_DOT, 1, kRed);
    HBRUSH brush = create_solid_brush(kRed);
    EXPECT_EQ(select_object(dc, pen), get_stock_object(BLACK_PEN));
    EXPECT_EQ(select_object(dc, brush), get_stock_object(WHITE_BRUSH));
    EXPECT_EQ(select_object(dc, get_stock_object(NULL_PEN)), pen);
    EXPECT_EQ(get_current_object(dc, OBJ_BRUSH), brush);
    EXPECT_EQ(select_object(dc, 12345), 0u);
    LOGPEN log;
    get_object(pen, sizeof log, &log);
    EXPECT_EQ(log.lopnStyle, static_cast<std::uint32_t>(PS_DOT));
    EXPECT_EQ(log.lopnColor, kRed);
    select_object(dc, get_stock_object(WHITE_BRUSH));
    delete_object(pen);
    delete_object(brush);
    delete_dc(dc);
}

TEST(GdiObjectTest, DeletingASelectedBrushWaitsUntilItIsDeselected) {
    PaintCanvas canvas(2, 1);
    std::size_t before = gdi_object_count();
    HBRUSH brush = create_solid_brush(kRed);
    select_object(canvas.dc(), brush);
    EXPECT_TRUE(delete_object(brush));
    // Still drawing with it, but no longer counted as the caller's.
    EXPECT_EQ(gdi_object_count(), before);
    pat_blt(canvas.dc(), 0, 0, 1, 1, PATCOPY);
    EXPECT_EQ(canvas.at(0, 0), kRed);
    EXPECT_EQ(select_object(canvas.dc(), brush), 0u);  // no new selections of a dying brush
    select_object(canvas.dc(), get_stock_object(BLACK_BRUSH));
    EXPECT_EQ(get_object_type(brush), 0);
}

TEST(GdiObjectTest, ABitmapLivesInOneDcAtATimeAndCannotBeDeletedThere) {
    HBITMAP bitmap = create_bitmap(4, 4, 32);
    HDC a = create_compatible_dc(0), b = create_compatible_dc(0);
    HGDIOBJ old = select_object(a, bitmap);
    EXPECT_NE(old, 0u);
    EXPECT_EQ(select_object(b, bitmap), 0u);
    EXPECT_FALSE(delete_object(bitmap));
    EXPECT_EQ(select_object(a, old), bitmap);
    EXPECT_NE(select_object(b, bitmap), 0u);
    delete_dc(b);  // deleting the DC lets the bitmap go
    EXPECT_TRUE(delete_object(bitmap));
    delete_dc(a);
}

TEST(GdiObjectTest, SaveAndRestoreDcState) {
    PaintCanvas canvas(4, 1);
    HPEN red = create_pen(PS_SOLID, 1, kRed);
    int first = save_dc(canvas.dc());
    EXPECT_EQ(first, 1);
    select_object(canvas.dc(), red);
    set_text_color(canvas.dc(), kRed);
    set_viewport_org_ex(canvas.dc(), 1, 0, nullptr);
    intersect_clip_rect(canvas.dc(), 0, 0, 1, 1);
    EXPECT_EQ(save_dc(canvas.dc()), 2);
    set_bk_mode(canvas.dc(), TRANSPARENT);
    // -1 restores the latest save; a level restores that one and drops those above.
    EXPECT_TRUE(restore_dc(canvas.dc(), -1));
    EXPECT_EQ(get_bk_mode(canvas.dc()), OPAQUE);
    EXPECT_EQ(get_text_color(canvas.dc()), kRed);
    EXPECT_TRUE(restore_dc(canvas.dc(), first));
    EXPECT_EQ(get_text_color(canvas.dc()), kBlack);
    EXPECT_EQ(get_current_object(canvas.dc(), OBJ_PEN), get_stock_object(BLACK_PEN));
    POINT org;
    get_viewport_org_ex(canvas.dc(), &org);
    EXPECT_EQ(org.x, 0);
    EXPECT_FALSE(restore_dc(canvas.dc(), 1));  // nothing saved any more
    // The bitmap stays: the clip was restored too, so the whole row draws.
    fill_rect(canvas.dc(), RECT{0, 0, 4, 1}, get_stock_object(BLACK_BRUSH));
    EXPECT_EQ(canvas.at(3, 0), kBlack);
    EXPECT_TRUE(delete_object(red));
    EXPECT_EQ(get_object_type(red), 0);
}

TEST(GdiRegionTest, CombineRectangleLists) {
    struct Case {
        int mode;
        int kind;
        RECT box;
        std::vector<POINT> in, out;
    } cases[] = {
        {RGN_AND, SIMPLEREGION, {5, 5, 10, 10}, {{5, 5}, {9, 9}}, {{4, 5}, {10, 10}}},
        {RGN_OR, COMPLEXREGION, {0, 0, 15, 15}, {{0, 0}, {14, 14}, {7, 7}}, {{14, 0}, {0, 14}}},
        {RGN_DIFF, COMPLEXREGION, {0, 0, 10, 10}, {{0, 0}, {9, 4}, {4, 9}}, {{5, 5}, {9, 9}}},
        {RGN_XOR, COMPLEXREGION, {0, 0, 15, 15}, {{0, 0}, {14, 14}}, {{5, 5}, {9, 9}}},
        {RGN_COPY, SIMPLEREGION, {0, 0, 10, 10}, {{5, 5}}, {{10, 10}}},
    };
    HRGN a = create_rect_rgn(0, 0, 10, 10), b = create_rect_rgn(5, 5, 15, 15), d = create_rect_rgn(0, 0, 0, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        EXPECT_EQ(combine_rgn(d, a, b, c.mode), c.kind);
        RECT box;
        get_rgn_box(d, &box);
        EXPECT_EQ(box.left, c.box.left);
        EXPECT_EQ(box.top, c.box.top);
        EXPECT_EQ(box.right, c.box.right);
        EXPECT_EQ(box.bottom, c.box.bottom);
        for (POINT p : c.in) EXPECT_TRUE(pt_in_region(d, p.x, p.y)) << p.x << "," << p.y;
        for (POINT p : c.out) EXPECT_FALSE(pt_in_region(d, p.x, p.y)) << p.x << "," << p.y;
    }
    HRGN far = create_rect_rgn(50, 50, 60, 60);
    EXPECT_EQ(combine_rgn(d, a, far, RGN_AND), NULLREGION);
    EXPECT_EQ(combine_rgn(d, a, 0, RGN_AND), RGN_ERROR);
    for (HRGN r : {a, b, d, far}) delete_object(r);
}

TEST(GdiSystemColorTest, ClassicSchemeAndClassBackgrounds) {
    struct Case {
        int index;
        COLORREF color;
    } cases[] = {
        {COLOR_BTNFACE, rgb(212, 208, 200)},   {COLOR_BTNSHADOW, rgb(128, 128, 128)},
        {COLOR_BTNHIGHLIGHT, rgb(255, 255, 255)}, {COLOR_3DDKSHADOW, rgb(64, 64, 64)},
        {COLOR_3DLIGHT, rgb(212, 208, 200)},   {COLOR_WINDOW, rgb(255, 255, 255)},
        {COLOR_WINDOWTEXT, rgb(0, 0, 0)},      {COLOR_GRAYTEXT, rgb(128, 128, 128)},
        {COLOR_HIGHLIGHT, rgb(10, 36, 106)},   {COLOR_HIGHLIGHTTEXT, rgb(255, 255, 255)},
        {COLOR_ACTIVECAPTION, rgb(10, 36, 106)}, {COLOR_GRADIENTACTIVECAPTION, rgb(166, 202, 240)},
        {COLOR_INACTIVECAPTION, rgb(128, 128, 128)}, {COLOR_CAPTIONTEXT, rgb(255, 255, 255)},
        {COLOR_INFOBK, rgb(255, 255, 225)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(get_sys_color(c.index), c.color) << c.index;
        HBRUSH brush = get_sys_color_brush(c.index);
        LOGBRUSH log;
        ASSERT_TRUE(get_object(brush, sizeof log, &log));
        EXPECT_EQ(log.lbColor, c.color);
        EXPECT_EQ(brush_from_class_background(static_cast<std::uintptr_t>(c.index) + 1), brush);
        EXPECT_TRUE(delete_object(brush));  // never really deleted
        EXPECT_EQ(get_object_type(brush), OBJ_BRUSH);
    }
    HBRUSH own = create_solid_brush(kRed);
    EXPECT_EQ(brush_from_class_background(own), own);
    EXPECT_EQ(brush_from_class_background(0), 0u);
    delete_object(own);
}

TEST(GdiSurfaceTest, ResizeKeepsTheTopLeftAndImagesAreOpaque) {
    Surface surface;
    surface.resize(3, 2);
    EXPECT_EQ(surface.pixels.size(), 6u);
    surface.pixels[0] = 0x112233;
    surface.pixels[4] = 0x445566;  // (1, 1)
    std::uint64_t v = surface.version;
    surface.resize(2, 3);
    EXPECT_GT(surface.version, v);
    EXPECT_EQ(surface.pixels[0], 0x112233u);
    EXPECT_EQ(surface.pixels[1 * 2 + 1], 0x445566u);
    Image image = surface.to_image();
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 3);
    EXPECT_EQ(image.at(0, 0), 0xFF112233u);
    surface.resize(-1, 4);
    EXPECT_TRUE(surface.pixels.empty());
}

TEST(GdiObjectTest, ManyThreadsCreateSelectAndDeleteWithoutLeaks) {
    std::size_t before = gdi_object_count();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i) {
                PaintCanvas canvas(4, 4);
                HBRUSH brush = create_solid_brush(rgb(static_cast<std::uint8_t>(t), static_cast<std::uint8_t>(i), 0));
                HPEN pen = create_pen(PS_SOLID, 1, kRed);
                select_object(canvas.dc(), brush);
                select_object(canvas.dc(), pen);
                rectangle(canvas.dc(), 0, 0, 4, 4);
                delete_object(brush);  // while selected
                select_object(canvas.dc(), get_stock_object(BLACK_PEN));
                delete_object(pen);
                select_object(canvas.dc(), get_stock_object(WHITE_BRUSH));
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(gdi_object_count(), before);
}

}  // namespace
}  // namespace platform
