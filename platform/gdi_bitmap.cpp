// Bitmaps (monochrome, 8-bit with a colour table, 32-bit), their exchange
// with decoded pictures, and icons.
//
// Every bitmap keeps its pixels as 0x00RRGGBB whatever its depth, so that
// drawing and blitting read one format; the depth decides what a write may
// store (black or white, a table colour, anything) and an 8-bit bitmap also
// keeps the index of each pixel, which a palette display needs.
#include <algorithm>

#include "platform/gdi_internal.h"

namespace platform {
namespace gdi {

std::uint8_t Bitmap::nearest_index(std::uint32_t px) const {
    std::uint8_t best = 0;
    long best_distance = -1;
    for (std::size_t i = 0; i < table.size(); ++i) {
        std::uint32_t c = table[i];
        long dr = static_cast<long>((c >> 16) & 0xFF) - static_cast<long>((px >> 16) & 0xFF);
        long dg = static_cast<long>((c >> 8) & 0xFF) - static_cast<long>((px >> 8) & 0xFF);
        long db = static_cast<long>(c & 0xFF) - static_cast<long>(px & 0xFF);
        long d = dr * dr + dg * dg + db * db;
        if (best_distance < 0 || d < best_distance) {
            best = static_cast<std::uint8_t>(i);
            best_distance = d;
            if (d == 0) break;
        }
    }
    return best;
}

// Pixels are 0x00RRGGBB; COLORREF values are 0x00BBGGRR. Drawing code works
// in pixel order throughout and converts COLORREFs once, on entry.
std::uint32_t Bitmap::map(std::uint32_t px) const {
    px &= 0xFFFFFF;
    if (bpp == 1) {
        int sum = static_cast<int>((px >> 16) & 0xFF) + static_cast<int>((px >> 8) & 0xFF) + static_cast<int>(px & 0xFF);
        return sum >= 383 ? 0xFFFFFF : 0;
    }
    if (bpp == 8 && !table.empty()) return table[nearest_index(px)];
    return px;
}

void Bitmap::store(int x, int y, std::uint32_t px) {
    std::size_t i = static_cast<std::size_t>(y) * width + x;
    px &= 0xFFFFFF;
    if (bpp == 8 && !table.empty()) {
        std::uint8_t index = nearest_index(px);
        indices[i] = index;
        pixels[i] = table[index];
        return;
    }
    pixels[i] = bpp == 1 ? map(px) : px;
}

}  // namespace gdi

using namespace gdi;

namespace {

std::vector<std::uint32_t> grey_table() {
    std::vector<std::uint32_t> t(256);
    for (std::uint32_t i = 0; i < 256; ++i) t[i] = (i << 16) | (i << 8) | i;
    return t;
}

bool valid_size(int width, int height) {
    // Large enough for any window; small enough that width * height * 4 fits.
    return width > 0 && height > 0 && width <= 16384 && height <= 16384;
}

std::shared_ptr<Bitmap> make_bitmap(int width, int height, int bpp) {
    auto b = std::make_shared<Bitmap>();
    b->width = width;
    b->height = height;
    b->bpp = bpp;
    b->pixels.assign(static_cast<std::size_t>(width) * height, 0);
    if (bpp == 8) {
        b->table = grey_table();
        b->indices.assign(b->pixels.size(), 0);
    }
    return b;
}

}  // namespace

HBITMAP create_bitmap(int width, int height, int bits_per_pixel, const std::uint32_t* bits) {
    if (!valid_size(width, height)) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int bpp = bits_per_pixel == 1 ? 1 : bits_per_pixel == 8 ? 8 : 32;
    auto b = make_bitmap(width, height, bpp);
    if (bits) {
        for (std::size_t i = 0; i < b->pixels.size(); ++i) {
            if (bpp == 1) {
                b->pixels[i] = bits[i] ? 0xFFFFFF : 0;
            } else if (bpp == 8) {
                b->indices[i] = static_cast<std::uint8_t>(bits[i]);
                b->pixels[i] = b->table[b->indices[i]];
            } else {
                b->pixels[i] = bits[i] & 0xFFFFFF;
            }
        }
    }
    return insert(b);
}

HBITMAP create_compatible_bitmap(HDC hdc, int width, int height) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    bool mono = !dc->surface && dc->state.bitmap && dc->state.bitmap->bpp == 1;
    return create_bitmap(width, height, mono ? 1 : 32);
}

HBITMAP create_dib_section(int width, int height, std::uint32_t** bits) {
    if (!valid_size(width, height)) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto b = make_bitmap(width, height, 32);
    b->dib = true;
    if (bits) *bits = b->pixels.data();
    return insert(b);
}

HBITMAP create_indexed_bitmap(int width, int height, const std::vector<std::uint32_t>& color_table,
                              const std::uint8_t* indices) {
    if (!valid_size(width, height) || color_table.empty() || color_table.size() > 256) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto b = make_bitmap(width, height, 8);
    b->table = color_table;
    for (auto& c : b->table) c &= 0xFFFFFF;
    for (std::size_t i = 0; i < b->pixels.size(); ++i) {
        std::uint8_t index = indices ? indices[i] : 0;
        if (index >= b->table.size()) index = 0;  // an index past the table reads its first colour
        b->indices[i] = index;
        b->pixels[i] = b->table[index];
    }
    return insert(b);
}

HBITMAP create_bitmap_from_image(const Image& image) {
    if (image.empty() || image.pixels.size() != static_cast<std::size_t>(image.width) * image.height) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!image.palette.empty() && image.indices.size() == image.pixels.size())
        return create_indexed_bitmap(image.width, image.height, image.palette, image.indices.data());
    HBITMAP h = create_bitmap(image.width, image.height, 32, image.pixels.data());
    return h;
}

Image bitmap_to_image(HBITMAP bitmap) {
    Image image;
    auto b = lookup_as<Bitmap>(bitmap);
    if (!b) return image;
    image.width = b->width;
    image.height = b->height;
    image.bits_per_pixel = b->bpp;
    image.pixels.resize(b->pixels.size());
    for (std::size_t i = 0; i < b->pixels.size(); ++i) image.pixels[i] = 0xFF000000 | b->pixels[i];
    if (b->bpp == 8) {
        image.palette = b->table;
        image.indices = b->indices;
    } else if (b->bpp == 1) {
        image.palette = {0x000000, 0xFFFFFF};
        image.indices.resize(b->pixels.size());
        for (std::size_t i = 0; i < b->pixels.size(); ++i) image.indices[i] = b->pixels[i] ? 1 : 0;
    }
    return image;
}

std::vector<std::uint32_t> get_dib_color_table(HBITMAP bitmap) {
    auto b = lookup_as<Bitmap>(bitmap);
    if (!b || b->bpp != 8) return {};
    return b->table;
}

int set_dib_color_table(HBITMAP bitmap, int start, const std::vector<std::uint32_t>& colors) {
    auto b = lookup_as<Bitmap>(bitmap);
    if (!b || b->bpp != 8 || start < 0) return 0;
    int n = 0;
    for (std::size_t i = static_cast<std::size_t>(start); i < b->table.size() && n < static_cast<int>(colors.size());
         ++i, ++n)
        b->table[i] = colors[static_cast<std::size_t>(n)] & 0xFFFFFF;
    for (std::size_t i = 0; i < b->pixels.size(); ++i) b->pixels[i] = b->table[b->indices[i]];
    return n;
}

// --------------------------------------------------------------------- icons

HICON create_icon_from_image(const Image& color, const Image* mask) {
    std::size_t n = static_cast<std::size_t>(color.width) * color.height;
    if (color.empty() || color.pixels.size() != n ||
        (mask && (mask->width != color.width || mask->height != color.height || mask->pixels.size() != n))) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto icon = std::make_shared<Icon>();
    icon->width = color.width;
    icon->height = color.height;
    icon->color.resize(n);
    icon->mask.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t px = color.pixels[i];
        bool transparent = mask ? (mask->pixels[i] & 0xFFFFFF) != 0 : (px >> 24) < 128;
        icon->mask[i] = transparent ? 1 : 0;
        // Without a mask, a transparent pixel must leave the screen alone, so
        // its colour (XORed in after the mask) is black.
        icon->color[i] = (!mask && transparent) ? 0 : (px & 0xFFFFFF);
    }
    return insert(icon);
}

BOOL destroy_icon(HICON icon) {
    auto i = lookup_as<Icon>(icon);
    if (!i) return 0;
    erase(icon);
    return 1;
}

SIZE get_icon_size(HICON icon) {
    auto i = lookup_as<Icon>(icon);
    if (!i) return SIZE{};
    return SIZE{i->width, i->height};
}

BOOL draw_icon(HDC hdc, int x, int y, HICON icon) { return draw_icon_ex(hdc, x, y, icon, 0, 0, 0, 0, DI_NORMAL); }

BOOL draw_icon_ex(HDC hdc, int x, int y, HICON icon, int cx, int cy, std::uint32_t, HBRUSH, std::uint32_t flags) {
    auto dc = lookup_dc(hdc);
    auto ic = lookup_as<Icon>(icon);
    if (!dc || !ic) return 0;
    if (cx <= 0) cx = ic->width;
    if (cy <= 0) cy = ic->height;
    if ((flags & DI_NORMAL) == 0) flags |= DI_NORMAL;
    Canvas canvas = dc->canvas();
    auto clip = dc->clip_rects();
    int ox = dc->to_canvas_x(x), oy = dc->to_canvas_y(y);
    bool changed = false;
    // Only the part of the icon's rectangle that can be seen is visited.
    RECT seen = intersect(rects_box(clip), RECT{ox, oy, static_cast<int>(std::min<long long>(INT32_MAX, 1LL * ox + cx)),
                                                static_cast<int>(std::min<long long>(INT32_MAX, 1LL * oy + cy))});
    for (int j = seen.top - oy; j < seen.bottom - oy; ++j) {
        int sy = static_cast<int>(static_cast<long long>(j) * ic->height / cy);
        for (int i = seen.left - ox; i < seen.right - ox; ++i) {
            int px = ox + i, py = oy + j;
            if (!in_clip(clip, px, py)) continue;
            int sx = static_cast<int>(static_cast<long long>(i) * ic->width / cx);
            std::size_t k = static_cast<std::size_t>(sy) * ic->width + sx;
            // Windows draws an icon as AND with its mask, then XOR with its
            // colours; DI_MASK and DI_IMAGE draw one of the two as a copy.
            std::uint32_t d = canvas.read(px, py);
            std::uint32_t mask = ic->mask[k] ? 0xFFFFFF : 0;
            std::uint32_t out;
            if ((flags & DI_NORMAL) == DI_NORMAL) out = (d & mask) ^ ic->color[k];
            else if (flags & DI_MASK) out = mask;
            else out = ic->color[k];
            canvas.store(px, py, out);
            changed = true;
        }
    }
    if (changed) dc->touched();
    return 1;
}

}  // namespace platform
