// A decoded picture, as image files and resources hand it to the drawing
// layer: 32-bit pixels plus what the file said about its depth and palette.
//
// Pixels are 0xAARRGGBB, row-major from the top row, width * height of them.
// Alpha is 0xFF for opaque pixels; formats without alpha give 0xFF. A picture
// that came from an 8-bit (or smaller) file keeps its colour table in
// `palette` (0x00RRGGBB entries) and its index per pixel in `indices`, so a
// palette display can realise the colours the picture was drawn with.
#pragma once

#include <cstdint>
#include <vector>

namespace platform {

struct Image {
    int width = 0;
    int height = 0;
    int bits_per_pixel = 32;  // the depth the file stored (1, 4, 8, 24, 32)
    std::vector<std::uint32_t> pixels;
    std::vector<std::uint32_t> palette;  // empty above 8 bits per pixel
    std::vector<std::uint8_t> indices;   // one per pixel when `palette` is set

    bool empty() const { return width <= 0 || height <= 0; }
    std::uint32_t& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

}  // namespace platform
