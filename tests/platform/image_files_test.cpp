#include "platform/image_files.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/support/test_root.h"

using namespace platform;
using Bytes = std::vector<std::uint8_t>;

namespace {

void put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A 40-byte BITMAPINFOHEADER, the colour table (0xRRGGBB entries) and the
// pixel rows exactly as given.
Bytes dib(int width, int height, int bpp, const std::vector<std::uint32_t>& palette, const Bytes& rows,
          std::uint32_t compression = 0) {
    Bytes b;
    put32(b, 40);
    put32(b, static_cast<std::uint32_t>(width));
    put32(b, static_cast<std::uint32_t>(height));
    put16(b, 1);
    put16(b, static_cast<std::uint32_t>(bpp));
    put32(b, compression);
    put32(b, static_cast<std::uint32_t>(rows.size()));
    put32(b, 2835);
    put32(b, 2835);
    put32(b, static_cast<std::uint32_t>(palette.size()));
    put32(b, 0);
    for (std::uint32_t c : palette) put32(b, c & 0xFFFFFF);
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

// The same with the 14-byte file header in front.
Bytes bmp(int width, int height, int bpp, const std::vector<std::uint32_t>& palette, const Bytes& rows,
          std::uint32_t compression = 0) {
    Bytes info = dib(width, height, bpp, palette, rows, compression);
    Bytes b = {'B', 'M'};
    put32(b, static_cast<std::uint32_t>(14 + info.size()));
    put32(b, 0);
    put32(b, static_cast<std::uint32_t>(14 + 40 + 4 * palette.size()));
    b.insert(b.end(), info.begin(), info.end());
    return b;
}

constexpr std::uint32_t RED = 0xFFFF0000, GREEN = 0xFF00FF00, BLUE = 0xFF0000FF, WHITE = 0xFFFFFFFF, BLACK = 0xFF000000;

struct BmpCase {
    const char* name;
    Bytes file;
    int width, height;
    std::vector<std::uint32_t> pixels;  // top row first
};

std::vector<BmpCase> bmp_cases() {
    return {
        // Bottom-up: the first row in the file is the bottom one. Bits from the high end.
        {"1 bpp", bmp(3, 2, 1, {0xFF0000, 0x0000FF}, {0x80, 0, 0, 0, /*top*/ 0x60, 0, 0, 0}), 3, 2,
         {RED, BLUE, BLUE, BLUE, RED, RED}},
        // Top-down (negative height); high nibble first; a 3-entry table.
        {"4 bpp top-down", bmp(3, -2, 4, {0x000000, 0x00FF00, 0xFFFFFF}, {0x12, 0x00, 0, 0, 0x22, 0x10, 0, 0}), 3, 2,
         {GREEN, WHITE, BLACK, WHITE, WHITE, GREEN}},
        {"8 bpp", bmp(2, 2, 8, {0x123456, 0xABCDEF}, {0, 1, 0, 0, /*top*/ 1, 0, 0, 0}), 2, 2,
         {0xFFABCDEF, 0xFF123456, 0xFF123456, 0xFFABCDEF}},
        // Blue, green, red byte order; rows padded to 4 bytes.
        {"24 bpp", bmp(2, 2, 24, {}, {0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, /*top*/ 0, 0, 0xFF, 0, 0xFF, 0, 0, 0}), 2, 2,
         {RED, GREEN, BLUE, WHITE}},
        {"16 bpp 5-5-5", bmp(2, 1, 16, {}, {0x00, 0x7C, 0x1F, 0x00}), 2, 1, {RED, BLUE}},
        // A fourth byte that is zero everywhere is unused: opaque.
        {"32 bpp without alpha", bmp(2, -1, 32, {}, {0x33, 0x22, 0x11, 0, 0x66, 0x55, 0x44, 0}), 2, 1,
         {0xFF112233, 0xFF445566}},
        {"32 bpp with alpha", bmp(2, -1, 32, {}, {0x33, 0x22, 0x11, 0x80, 0, 0, 0, 0}), 2, 1, {0x80112233, 0x00000000}},
        // Bottom row: a run of two 1s, end of line; top row: three literal
        // pixels (padded to 16 bits), end of bitmap. Skipped pixels are index 0.
        {"RLE8", bmp(4, 2, 8, {0x000000, 0xFFFFFF}, {2, 1, 0, 0, 0, 3, 1, 0, 1, 0, 0, 1}, 1), 4, 2,
         {WHITE, BLACK, WHITE, BLACK, WHITE, WHITE, BLACK, BLACK}},
        {"RLE4", bmp(4, 1, 4, {0x000000, 0xFFFFFF}, {4, 0x10, 0, 1}, 2), 4, 1, {WHITE, BLACK, WHITE, BLACK}},
    };
}

TEST(ImageFilesTest, BitmapsOfEveryDepthDecodeToTheirPixels) {
    for (const auto& c : bmp_cases()) {
        auto image = decode_bmp(c.file);
        ASSERT_TRUE(image.ok()) << c.name << ": " << image.error().describe();
        EXPECT_EQ(image->width, c.width) << c.name;
        EXPECT_EQ(image->height, c.height) << c.name;
        EXPECT_EQ(image->pixels, c.pixels) << c.name;
    }
}

TEST(ImageFilesTest, PaletteBitmapsKeepTheirColourTableAndIndices) {
    auto image = decode_bmp(bmp(2, 2, 8, {0x123456, 0xABCDEF}, {0, 1, 0, 0, 1, 0, 0, 0}));
    ASSERT_TRUE(image.ok());
    EXPECT_EQ(image->bits_per_pixel, 8);
    EXPECT_EQ(image->palette, (std::vector<std::uint32_t>{0x123456, 0xABCDEF}));
    EXPECT_EQ(image->indices, (std::vector<std::uint8_t>{1, 0, 0, 1}));

    auto deep = decode_bmp(bmp(1, 1, 24, {}, {1, 2, 3, 0}));
    ASSERT_TRUE(deep.ok());
    EXPECT_EQ(deep->bits_per_pixel, 24);
    EXPECT_TRUE(deep->palette.empty());
    EXPECT_TRUE(deep->indices.empty());
}

TEST(ImageFilesTest, DamagedBitmapsAreRefusedWithAReason) {
    struct Case {
        const char* name;
        Bytes file;
        const char* reason;
    };
    Bytes cut = bmp(2, 2, 24, {}, Bytes(16, 0));
    cut.resize(cut.size() - 1);
    const Case cases[] = {
        {"pixels cut short", cut, "pixels are cut short"},
        {"index past the table", bmp(1, 1, 8, {0xFFFFFF}, {3, 0, 0, 0}), "colour index 3 past the 1 colours"},
        {"table too long", bmp(1, 1, 1, {1, 2, 3}, {0, 0, 0, 0}), "colour table of 3 entries"},
        {"huge", bmp(100000, 1, 24, {}, {}), "too large"},
        {"odd depth", bmp(1, 1, 7, {}, {0, 0, 0, 0}), "7 bits per pixel"},
        {"no header", Bytes{'B', 'M', 0, 0}, "no BM header"},
    };
    for (const auto& c : cases) {
        auto image = decode_bmp(c.file);
        ASSERT_FALSE(image.ok()) << c.name;
        EXPECT_EQ(image.error().code, ERROR_BAD_FORMAT) << c.name;
        EXPECT_NE(image.error().text.find(c.reason), std::string::npos) << c.name << ": " << image.error().text;
    }
}

// An icon picture of one colour whose left column is masked out.
Bytes icon_entry(int side, std::uint32_t colour) {
    Bytes rows;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) put32(rows, colour & 0xFFFFFF);  // no alpha: the mask decides
    const int mask_stride = ((side + 31) / 32) * 4;
    for (int y = 0; y < side; ++y) {
        rows.push_back(0x80);
        rows.insert(rows.end(), static_cast<std::size_t>(mask_stride - 1), 0);
    }
    return dib(side, 2 * side, 32, {}, rows);
}

Bytes ico(const std::vector<std::pair<int, Bytes>>& entries) {
    Bytes b;
    put16(b, 0);
    put16(b, 1);
    put16(b, static_cast<std::uint32_t>(entries.size()));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
    for (const auto& [side, data] : entries) {
        b.push_back(static_cast<std::uint8_t>(side));
        b.push_back(static_cast<std::uint8_t>(side));
        b.push_back(0);
        b.push_back(0);
        put16(b, 1);
        put16(b, 32);
        put32(b, static_cast<std::uint32_t>(data.size()));
        put32(b, offset);
        offset += static_cast<std::uint32_t>(data.size());
    }
    for (const auto& e : entries) b.insert(b.end(), e.second.begin(), e.second.end());
    return b;
}

TEST(ImageFilesTest, IconsGiveTheNearestSizeWithTheirMaskAsAlpha) {
    Image small;
    small.width = small.height = 3;
    small.pixels.assign(9, 0xFF00FF00);
    small.pixels[4] = 0x00000000;
    auto png = encode_png(small);
    ASSERT_TRUE(png.ok());
    Bytes file = ico({{2, icon_entry(2, 0x0000FF)}, {3, *png}, {16, icon_entry(16, 0xFF0000)}, {48, icon_entry(48, 0x00FF00)}});

    struct Case {
        int asked;
        int side;
    };
    for (const Case c : {Case{2, 2}, Case{16, 16}, Case{20, 16}, Case{0, 48}, Case{64, 48}, Case{3, 3}}) {
        auto image = decode_ico(file, c.asked, c.asked);
        ASSERT_TRUE(image.ok()) << c.asked << ": " << image.error().describe();
        EXPECT_EQ(image->width, c.side) << "asked for " << c.asked;
        EXPECT_EQ(image->height, c.side) << "asked for " << c.asked;
    }
    auto sixteen = decode_ico(file, 16, 16);
    ASSERT_TRUE(sixteen.ok());
    EXPECT_EQ(sixteen->at(0, 5), 0x00FF0000u);  // masked: transparent
    EXPECT_EQ(sixteen->at(1, 5), 0xFFFF0000u);
    EXPECT_EQ(sixteen->at(15, 15), 0xFFFF0000u);
    auto three = decode_ico(file, 3, 3);  // the PNG entry
    ASSERT_TRUE(three.ok());
    EXPECT_EQ(three->pixels, small.pixels);
}

TEST(ImageFilesTest, PngWrittenAndReadBackKeepsItsPixels) {
    twtest::TempMachineRoot root;
    Image opaque;
    opaque.width = 3;
    opaque.height = 2;
    opaque.pixels = {RED, GREEN, BLUE, WHITE, BLACK, 0xFF123456};
    ASSERT_TRUE(write_png(opaque, root.path() / "opaque.png").ok());
    auto back = read_image_file(root.path() / "opaque.png");
    ASSERT_TRUE(back.ok()) << back.error().describe();
    EXPECT_EQ(back->width, 3);
    EXPECT_EQ(back->height, 2);
    EXPECT_EQ(back->pixels, opaque.pixels);

    Image translucent;
    translucent.width = 3;
    translucent.height = 1;
    translucent.pixels = {0x00ABCDEF, 0xFF102030, 0x80FF8040};
    ASSERT_TRUE(write_png(translucent, root.path() / "alpha.png").ok());
    back = read_image_file(root.path() / "alpha.png");
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back->at(0, 0), 0x00000000u);  // fully transparent keeps no colour
    EXPECT_EQ(back->at(1, 0), 0xFF102030u);
    const std::uint32_t half = back->at(2, 0);
    EXPECT_EQ(half >> 24, 0x80u);
    for (int shift : {16, 8, 0})
        EXPECT_NEAR(static_cast<int>((half >> shift) & 0xFF), static_cast<int>((0x80FF8040u >> shift) & 0xFF), 1);

    EXPECT_FALSE(write_png(opaque, root.path() / "no-such-folder" / "x.png").ok());
    EXPECT_EQ(read_image_file(root.path() / "none.png").error().code, ERROR_FILE_NOT_FOUND);
}

// Random damage to good files and random bytes behind good magic numbers:
// every decoder answers with a picture or ERROR_BAD_FORMAT, and (under the
// address sanitizer) never reads outside what it was given.
TEST(ImageFilesTest, DecodersSurviveRandomDamage) {
    std::vector<Bytes> seeds;
    for (const auto& c : bmp_cases()) seeds.push_back(c.file);
    seeds.push_back(ico({{2, icon_entry(2, 0x0000FF)}, {16, icon_entry(16, 0xFF0000)}}));
    Image img;
    img.width = 4;
    img.height = 4;
    img.pixels.assign(16, 0x80402010);
    seeds.push_back(*encode_png(img));
    seeds.push_back({'B', 'M'});
    seeds.push_back({0, 0, 1, 0});

    std::mt19937 rng(20261211);
    for (int round = 0; round < 4000; ++round) {
        Bytes b = seeds[static_cast<std::size_t>(round) % seeds.size()];
        int changes = 1 + static_cast<int>(rng() % 8);
        for (int k = 0; k < changes; ++k) {
            switch (rng() % 4) {
            case 0:
                if (!b.empty()) b[rng() % b.size()] = static_cast<std::uint8_t>(rng());
                break;
            case 1:
                if (!b.empty()) b.resize(rng() % b.size());
                break;
            case 2:
                for (int n = static_cast<int>(rng() % 16); n > 0; --n) b.push_back(static_cast<std::uint8_t>(rng()));
                break;
            case 3:
                if (b.size() > 20) b[10 + rng() % 10] = 0xFF;  // header sizes and offsets
                break;
            }
        }
        auto image = decode_image(b, static_cast<int>(rng() % 64), static_cast<int>(rng() % 64));
        if (!image.ok()) {
            EXPECT_EQ(image.error().code, ERROR_BAD_FORMAT) << image.error().text;
        } else {
            EXPECT_EQ(image->pixels.size(), static_cast<std::size_t>(image->width) * image->height);
        }
        auto as_dib = decode_dib(b);
        if (as_dib.ok()) {
            EXPECT_EQ(as_dib->pixels.size(), static_cast<std::size_t>(as_dib->width) * as_dib->height);
        }
    }
}

}  // namespace
