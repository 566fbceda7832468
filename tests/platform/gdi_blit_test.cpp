// Blits: raster operations, the mask pair a drawn mark uses, monochrome and
// colour conversions, stretching, 8-bit bitmaps with palettes, and icons.
#include <gtest/gtest.h>

#include <functional>

#include "platform/gdi.h"
#include "tests/platform/gdi_fixture.h"

namespace platform {
namespace {

using testing::kBlack;
using testing::kBlue;
using testing::kGreen;
using testing::kRed;
using testing::kWhite;
using testing::PaintCanvas;
using testing::rows;

TEST(GdiBlitTest, RasterOperationsCombineSourceDestinationAndPattern) {
    const COLORREF s = rgb(0xF0, 0xCC, 0x0F), d = rgb(0xAA, 0x33, 0x55), p = rgb(0x0F, 0xF0, 0x3C);
    auto mix = [](std::function<std::uint32_t(std::uint32_t, std::uint32_t, std::uint32_t)> f) {
        return [f](COLORREF ps, COLORREF ss, COLORREF ds) { return f(ps, ss, ds) & 0xFFFFFF; };
    };
    struct Case {
        const char* name;
        std::uint32_t rop;
        std::function<COLORREF(COLORREF, COLORREF, COLORREF)> expected;  // (P, S, D)
    } cases[] = {
        {"SRCCOPY", SRCCOPY, mix([](auto, auto S, auto) { return S; })},
        {"SRCAND", SRCAND, mix([](auto, auto S, auto D) { return S & D; })},
        {"SRCPAINT", SRCPAINT, mix([](auto, auto S, auto D) { return S | D; })},
        {"SRCINVERT", SRCINVERT, mix([](auto, auto S, auto D) { return S ^ D; })},
        {"SRCERASE", SRCERASE, mix([](auto, auto S, auto D) { return S & ~D; })},
        {"NOTSRCCOPY", NOTSRCCOPY, mix([](auto, auto S, auto) { return ~S; })},
        {"NOTSRCERASE", NOTSRCERASE, mix([](auto, auto S, auto D) { return ~(S | D); })},
        {"MERGECOPY", MERGECOPY, mix([](auto P, auto S, auto) { return P & S; })},
        {"MERGEPAINT", MERGEPAINT, mix([](auto, auto S, auto D) { return ~S | D; })},
        {"PATCOPY", PATCOPY, mix([](auto P, auto, auto) { return P; })},
        {"PATPAINT", PATPAINT, mix([](auto P, auto S, auto D) { return P | ~S | D; })},
        {"PATINVERT", PATINVERT, mix([](auto P, auto, auto D) { return P ^ D; })},
        {"DSTINVERT", DSTINVERT, mix([](auto, auto, auto D) { return ~D; })},
        {"BLACKNESS", BLACKNESS, mix([](auto, auto, auto) { return 0u; })},
        {"WHITENESS", WHITENESS, mix([](auto, auto, auto) { return 0xFFFFFFu; })},
        // A ternary operation with no name: (S AND P) OR (NOT S AND D), 0xE2.
        {"DSPDxax", 0x00E20746, mix([](auto P, auto S, auto D) { return (S & P) | (~S & D); })},
    };
    PaintCanvas source(2, 1, s);
    HBRUSH pattern = create_solid_brush(p);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PaintCanvas dest(3, 1, d);
        HGDIOBJ old = select_object(dest.dc(), pattern);
        ASSERT_TRUE(bit_blt(dest.dc(), 1, 0, 2, 1, source.dc(), 0, 0, c.rop));
        select_object(dest.dc(), old);
        EXPECT_EQ(dest.at(1, 0), c.expected(p, s, d));
        EXPECT_EQ(dest.at(2, 0), c.expected(p, s, d));
        EXPECT_EQ(dest.at(0, 0), d);  // outside the blit
    }
    delete_object(pattern);
}

TEST(GdiBlitTest, MaskWithMergePaintThenImageWithSrcAndDrawsOnlyTheMark) {
    // The mark: a red cross on white; its mask: white where transparent.
    const char* shape[] = {".x.", "xxx", ".x."};
    PaintCanvas image(3, 3, kWhite), mask(3, 3, kWhite);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            if (shape[y][x] == 'x') {
                set_pixel(image.dc(), x, y, kRed);
                set_pixel(mask.dc(), x, y, kBlack);
            }
    PaintCanvas dest(5, 4, kBlue);
    ASSERT_TRUE(bit_blt(dest.dc(), 1, 1, 3, 3, mask.dc(), 0, 0, MERGEPAINT));
    ASSERT_TRUE(bit_blt(dest.dc(), 1, 1, 3, 3, image.dc(), 0, 0, SRCAND));
    EXPECT_EQ(dest.picture({{kBlue, '.'}, {kRed, 'r'}}), rows({".....", "..r..", ".rrr.", "..r.."}));
}

TEST(GdiBlitTest, MonochromeAndColourConvertAsGdiDoes) {
    // Mono to colour: 0 bits take the destination's text colour, 1 bits its
    // background colour.
    std::uint32_t bits[] = {0, 1, 1, 0};
    HBITMAP mono = create_bitmap(4, 1, 1, bits);
    HDC mono_dc = create_compatible_dc(0);
    HGDIOBJ old = select_object(mono_dc, mono);
    PaintCanvas colour(4, 1);
    set_text_color(colour.dc(), kRed);
    set_bk_color(colour.dc(), kGreen);
    bit_blt(colour.dc(), 0, 0, 4, 1, mono_dc, 0, 0, SRCCOPY);
    EXPECT_EQ(colour.picture({{kRed, 'r'}, {kGreen, 'g'}}), "rggr\n");

    // Colour to mono: the source's background colour becomes 1 (white), the rest 0.
    PaintCanvas picture(4, 1, kBlue);
    set_pixel(picture.dc(), 2, 0, kRed);
    set_bk_color(picture.dc(), kBlue);
    bit_blt(mono_dc, 0, 0, 4, 1, picture.dc(), 0, 0, SRCCOPY);
    Image read = bitmap_to_image(mono);
    ASSERT_EQ(read.indices.size(), 4u);
    EXPECT_EQ(read.indices[0], 1);
    EXPECT_EQ(read.indices[2], 0);
    EXPECT_EQ(read.indices[3], 1);

    // Drawing a colour straight into a mono bitmap takes the nearer of
    // black and white.
    EXPECT_EQ(set_pixel(mono_dc, 0, 0, rgb(200, 200, 200)), kWhite);
    EXPECT_EQ(set_pixel(mono_dc, 1, 0, rgb(100, 100, 100)), kBlack);
    select_object(mono_dc, old);
    delete_dc(mono_dc);
    delete_object(mono);
}

TEST(GdiBlitTest, NewMemoryDcHoldsAOnePixelMonochromeBitmap) {
    HDC dc = create_compatible_dc(0);
    BITMAP bm;
    ASSERT_EQ(get_object(get_current_object(dc, OBJ_BITMAP), sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmWidth, 1);
    EXPECT_EQ(bm.bmHeight, 1);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    // A bitmap compatible with it is monochrome, as on Windows.
    HBITMAP compatible = create_compatible_bitmap(dc, 8, 8);
    get_object(compatible, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    delete_object(compatible);
    Surface surface;
    surface.resize(4, 4);
    HDC window = create_surface_dc(&surface, POINT{}, RECT{0, 0, 4, 4});
    compatible = create_compatible_bitmap(window, 8, 8);
    get_object(compatible, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 32);
    delete_object(compatible);
    delete_dc(window);
    delete_dc(dc);
}

TEST(GdiBlitTest, DibSectionPixelsAreTheBitmapsOwn) {
    std::uint32_t* bits = nullptr;
    HBITMAP dib = create_dib_section(3, 2, &bits);
    ASSERT_NE(bits, nullptr);
    bits[1 * 3 + 2] = 0x00FF00;  // (2, 1), 0x00RRGGBB from the top row
    HDC dc = create_compatible_dc(0);
    HGDIOBJ old = select_object(dc, dib);
    EXPECT_EQ(get_pixel(dc, 2, 1), kGreen);
    set_pixel(dc, 0, 0, kRed);
    EXPECT_EQ(bits[0], 0xFF0000u);
    BITMAP bm;
    get_object(dib, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBits, bits);
    EXPECT_EQ(bm.bmWidthBytes, 12);
    select_object(dc, old);
    delete_dc(dc);
    delete_object(dib);
}

TEST(GdiBlitTest, OverlappingBlitWithinOneBitmapReadsThePixelsFirst) {
    PaintCanvas canvas(6, 1);
    const COLORREF colours[] = {kRed, kGreen, kBlue, kBlack};
    for (int x = 0; x < 4; ++x) set_pixel(canvas.dc(), x, 0, colours[x]);
    bit_blt(canvas.dc(), 1, 0, 4, 1, canvas.dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(canvas.picture({{kRed, 'r'}, {kGreen, 'g'}, {kBlue, 'b'}, {kBlack, 'k'}, {kWhite, '.'}}), "rrgbk.\n");
}

TEST(GdiBlitTest, DoubleBufferedPaintCopiesOneFinishedPicture) {
    Surface surface;
    surface.resize(20, 10);
    HDC window = create_surface_dc(&surface, POINT{5, 2}, RECT{5, 2, 15, 8});
    HDC memory = create_compatible_dc(window);
    HBITMAP buffer = create_compatible_bitmap(window, 10, 6);
    HGDIOBJ old = select_object(memory, buffer);
    fill_rect(memory, RECT{0, 0, 10, 6}, get_sys_color_brush(COLOR_BTNFACE));
    select_object(memory, get_stock_object(BLACK_PEN));
    move_to_ex(memory, 0, 0, nullptr);
    line_to(memory, 10, 0);
    std::uint64_t before = surface.version;
    bit_blt(window, 0, 0, 10, 6, memory, 0, 0, SRCCOPY);
    EXPECT_GT(surface.version, before);
    EXPECT_EQ(surface.pixels[2 * 20 + 5], 0u);                 // the line
    EXPECT_EQ(surface.pixels[3 * 20 + 5], 0xD4D0C8u);          // button face
    EXPECT_EQ(surface.pixels[1 * 20 + 5], 0xFFFFFFu);          // outside the window
    select_object(memory, old);
    delete_object(buffer);
    delete_dc(memory);
    delete_dc(window);
}

TEST(GdiStretchTest, EnlargesShrinksAndMirrors) {
    PaintCanvas source(2, 2, kWhite);
    set_pixel(source.dc(), 0, 0, kRed);
    set_pixel(source.dc(), 1, 1, kBlue);
    const std::vector<std::pair<COLORREF, char>> legend = {{kRed, 'r'}, {kBlue, 'b'}, {kWhite, '.'}, {kBlack, 'k'}};

    PaintCanvas big(4, 4, kBlack);
    ASSERT_TRUE(stretch_blt(big.dc(), 0, 0, 4, 4, source.dc(), 0, 0, 2, 2, SRCCOPY));
    EXPECT_EQ(big.picture(legend), rows({"rr..", "rr..", "..bb", "..bb"}));

    PaintCanvas mirrored(2, 2, kBlack);
    stretch_blt(mirrored.dc(), 1, 0, -2, 2, source.dc(), 0, 0, 2, 2, SRCCOPY);
    EXPECT_EQ(mirrored.picture(legend), rows({".r", "b."}));

    // Shrinking a one-pixel black line: BLACKONWHITE (the default) keeps it,
    // COLORONCOLOR may drop it.
    PaintCanvas lines(4, 4, kWhite);
    fill_rect(lines.dc(), RECT{0, 1, 4, 2}, get_stock_object(BLACK_BRUSH));
    PaintCanvas keep(2, 2, kRed), drop(2, 2, kRed);
    EXPECT_EQ(get_stretch_blt_mode(keep.dc()), BLACKONWHITE);
    stretch_blt(keep.dc(), 0, 0, 2, 2, lines.dc(), 0, 0, 4, 4, SRCCOPY);
    set_stretch_blt_mode(drop.dc(), COLORONCOLOR);
    stretch_blt(drop.dc(), 0, 0, 2, 2, lines.dc(), 0, 0, 4, 4, SRCCOPY);
    EXPECT_EQ(keep.picture(legend), rows({"kk", ".."}));
    EXPECT_EQ(drop.picture(legend), rows({"..", ".."}));
}

TEST(GdiPaletteTest, EightBitBitmapsKeepTheirIndicesAndPalette) {
    Image picture;
    picture.width = 3;
    picture.height = 1;
    picture.bits_per_pixel = 8;
    picture.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    picture.indices = {3, 1, 2};
    picture.pixels = {0xFF0000FF, 0xFFFF0000, 0xFF00FF00};
    HBITMAP bitmap = create_bitmap_from_image(picture);
    ASSERT_NE(bitmap, 0u);
    BITMAP bm;
    get_object(bitmap, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 8);
    EXPECT_EQ(get_dib_color_table(bitmap), picture.palette);

    // Drawing into it stores the nearest entry of its table.
    HDC dc = create_compatible_dc(0);
    HGDIOBJ old = select_object(dc, bitmap);
    EXPECT_EQ(get_pixel(dc, 0, 0), kBlue);
    EXPECT_EQ(set_pixel(dc, 2, 0, rgb(250, 10, 10)), kRed);
    Image back = bitmap_to_image(bitmap);
    EXPECT_EQ(back.indices, (std::vector<std::uint8_t>{3, 1, 1}));
    EXPECT_EQ(back.pixels[1], 0xFFFF0000u);

    // A new colour table recolours the pixels through their indices.
    set_dib_color_table(bitmap, 1, {0xFFFFFF});
    EXPECT_EQ(get_pixel(dc, 1, 0), kWhite);
    EXPECT_EQ(get_pixel(dc, 0, 0), kBlue);

    // A palette from the table, realised on a palette display.
    std::vector<PALETTEENTRY> entries;
    for (std::uint32_t c : get_dib_color_table(bitmap))
        entries.push_back(PALETTEENTRY{static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                                       static_cast<std::uint8_t>(c), 0});
    HPALETTE palette = create_palette(entries);
    EXPECT_EQ(get_nearest_palette_index(palette, rgb(0, 0, 200)), 3u);
    Surface surface;
    surface.resize(4, 4);
    HDC screen = create_surface_dc(&surface, POINT{}, RECT{0, 0, 4, 4});
    EXPECT_EQ(get_device_caps(screen, BITSPIXEL), 32);
    EXPECT_EQ(get_device_caps(screen, RASTERCAPS) & RC_PALETTE, 0);
    set_display_bits_per_pixel(8);
    EXPECT_EQ(get_device_caps(screen, BITSPIXEL), 8);
    EXPECT_NE(get_device_caps(screen, RASTERCAPS) & RC_PALETTE, 0);
    EXPECT_EQ(get_device_caps(screen, SIZEPALETTE), 256);
    HPALETTE previous = select_palette(screen, palette, 0);
    EXPECT_EQ(previous, get_stock_object(DEFAULT_PALETTE));
    EXPECT_EQ(realize_palette(screen), 4u);
    set_display_bits_per_pixel(32);
    EXPECT_EQ(realize_palette(screen), 0u);
    EXPECT_EQ(get_device_caps(screen, LOGPIXELSY), 96);
    EXPECT_EQ(get_device_caps(screen, HORZRES), 4);
    select_palette(screen, previous, 0);
    bit_blt(screen, 0, 0, 3, 1, dc, 0, 0, SRCCOPY);
    EXPECT_EQ(surface.pixels[0], 0x0000FFu);
    EXPECT_EQ(surface.pixels[1], 0xFFFFFFu);
    delete_dc(screen);
    delete_object(palette);
    select_object(dc, old);
    delete_dc(dc);
    delete_object(bitmap);
}

TEST(GdiIconTest, MaskedPixelsLeaveTheBackground) {
    Image color, mask;
    color.width = mask.width = 2;
    color.height = mask.height = 2;
    color.pixels = {0xFFFF0000, 0xFF000000, 0xFF000000, 0xFF0000FF};
    mask.pixels = {0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000};
    HICON icon = create_icon_from_image(color, &mask);
    ASSERT_NE(icon, 0u);
    PaintCanvas canvas(4, 2, kGreen);
    ASSERT_TRUE(draw_icon(canvas.dc(), 0, 0, icon));
    // Stretched to 2 x 1 in the second half.
    ASSERT_TRUE(draw_icon_ex(canvas.dc(), 2, 0, icon, 2, 1, 0, 0, DI_NORMAL));
    EXPECT_EQ(canvas.picture({{kGreen, 'g'}, {kRed, 'r'}, {kBlue, 'b'}}), rows({"rgrg", "gbgg"}));

    // Without a mask the picture's alpha decides.
    color.pixels = {0x00FF0000, 0xFF00FF00, 0xFF0000FF, 0x80FFFFFF};
    HICON alpha = create_icon_from_image(color);
    PaintCanvas plain(2, 2, kBlack);
    draw_icon(plain.dc(), 0, 0, alpha);
    EXPECT_EQ(plain.picture({{kBlack, 'k'}, {kGreen, 'g'}, {kBlue, 'b'}, {kWhite, 'w'}}), rows({"kg", "bw"}));
    EXPECT_TRUE(destroy_icon(icon));
    EXPECT_FALSE(destroy_icon(icon));
    destroy_icon(alpha);
}

}  // namespace
}  // namespace platform
