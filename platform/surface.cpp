// The pixel buffer of a top-level window.
#include <algorithm>

#include "platform/surface.h"

namespace platform {

void Surface::resize(int w, int h) {
    w = std::max(w, 0);
    h = std::max(h, 0);
    if (w == width && h == height) return;
    // New pixels are white until the window paints them.
    std::vector<std::uint32_t> next(static_cast<std::size_t>(w) * h, 0xFFFFFF);
    int keep_w = std::min(w, width), keep_h = std::min(h, height);
    for (int y = 0; y < keep_h; ++y)
        std::copy_n(pixels.begin() + static_cast<std::ptrdiff_t>(y) * width, keep_w,
                    next.begin() + static_cast<std::ptrdiff_t>(y) * w);
    pixels = std::move(next);
    width = w;
    height = h;
    ++version;
}

Image Surface::to_image() const {
    Image image;
    image.width = width;
    image.height = height;
    image.bits_per_pixel = 32;
    image.pixels.resize(pixels.size());
    for (std::size_t i = 0; i < pixels.size(); ++i) image.pixels[i] = 0xFF000000 | (pixels[i] & 0xFFFFFF);
    return image;
}

}  // namespace platform
