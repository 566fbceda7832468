// Image lists: equal-sized pictures kept as decoded 32-bit images whose alpha
// says which pixels are transparent, drawn pixel by pixel (the pictures are
// item-sized, 16 x 16 or 32 x 32).
#include <algorithm>
#include <mutex>

#include "platform/commctrl.h"
#include "platform/gdi.h"

namespace platform {
namespace {

class ImageList final : public KernelObject {
public:
    ImageList(int cx, int cy, UINT flags) : cx(cx), cy(cy), flags(flags) {}
    ObjectKind kind() const override { return ObjectKind::Other; }

    const int cx;
    const int cy;
    const UINT flags;
    std::mutex lock;
    std::vector<Image> pictures;
};

std::shared_ptr<ImageList> find(HIMAGELIST list) { return lookup_handle_as<ImageList>(list); }

constexpr std::uint32_t kOpaque = 0xFF000000u;

std::uint32_t pixel_of(COLORREF c) {
    return (static_cast<std::uint32_t>(get_r_value(c)) << 16) | (static_cast<std::uint32_t>(get_g_value(c)) << 8) |
           get_b_value(c);
}

// Cuts a strip into cx-wide pictures; `transparent(x, y)` marks the pixels
// a mask leaves out.
template <class Transparent>
int add_strip(ImageList& list, const Image& strip, Transparent&& transparent) {
    if (strip.empty()) return -1;
    int count = std::max(1, strip.width / list.cx);
    std::lock_guard guard(list.lock);
    int first = static_cast<int>(list.pictures.size());
    for (int n = 0; n < count; ++n) {
        Image picture;
        picture.width = list.cx;
        picture.height = list.cy;
        picture.pixels.assign(static_cast<std::size_t>(list.cx) * list.cy, 0);
        for (int y = 0; y < list.cy && y < strip.height; ++y)
            for (int x = 0; x < list.cx && n * list.cx + x < strip.width; ++x) {
                int sx = n * list.cx + x;
                bool clear = (list.flags & ILC_MASK) && transparent(sx, y);
                picture.at(x, y) = clear ? 0 : ((strip.at(sx, y) & 0x00FFFFFFu) | kOpaque);
            }
        list.pictures.push_back(std::move(picture));
    }
    return first;
}

// An icon as a picture with alpha: drawn once on black and once on white,
// the pixels that differ are the transparent ones.
Image icon_picture(HICON icon, int cx, int cy) {
    Image out;
    std::uint32_t* on_black = nullptr;
    std::uint32_t* on_white = nullptr;
    HBITMAP black = create_dib_section(cx, cy, &on_black);
    HBITMAP white = create_dib_section(cx, cy, &on_white);
    HDC dc = create_compatible_dc(0);
    if (black && white && dc) {
        for (int i = 0; i < cx * cy; ++i) on_white[i] = 0x00FFFFFFu, on_black[i] = 0;
        HGDIOBJ old = select_object(dc, black);
        draw_icon_ex(dc, 0, 0, icon, cx, cy, 0, 0, DI_NORMAL);
        select_object(dc, white);
        draw_icon_ex(dc, 0, 0, icon, cx, cy, 0, 0, DI_NORMAL);
        select_object(dc, old);
        out.width = cx;
        out.height = cy;
        out.pixels.resize(static_cast<std::size_t>(cx) * cy);
        for (int i = 0; i < cx * cy; ++i)
            out.pixels[static_cast<std::size_t>(i)] = on_black[i] == on_white[i] ? (on_black[i] | kOpaque) : 0;
    }
    if (dc) delete_dc(dc);
    if (black) delete_object(black);
    if (white) delete_object(white);
    return out;
}

std::uint32_t blend(std::uint32_t a, std::uint32_t b, int b_quarters) {
    auto mix = [&](int shift) {
        int x = static_cast<int>((a >> shift) & 0xFF), y = static_cast<int>((b >> shift) & 0xFF);
        return static_cast<std::uint32_t>((x * (4 - b_quarters) + y * b_quarters) / 4) << shift;
    };
    return mix(16) | mix(8) | mix(0);
}

}  // namespace

HIMAGELIST image_list_create(int cx, int cy, UINT flags, int initial, int grow) {
    (void)grow;
    if (cx < 1 || cy < 1 || cx > 4096 || cy > 4096) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto list = std::make_shared<ImageList>(cx, cy, flags);
    list->pictures.reserve(static_cast<std::size_t>(std::clamp(initial, 0, 256)));
    return insert_handle(std::move(list));
}

bool image_list_destroy(HIMAGELIST list) {
    if (!find(list)) return false;
    return close_handle(list);
}

int image_list_get_image_count(HIMAGELIST handle) {
    auto list = find(handle);
    if (!list) return 0;
    std::lock_guard guard(list->lock);
    return static_cast<int>(list->pictures.size());
}

bool image_list_get_icon_size(HIMAGELIST handle, int* cx, int* cy) {
    auto list = find(handle);
    if (!list || cx == nullptr || cy == nullptr) return false;
    *cx = list->cx;
    *cy = list->cy;
    return true;
}

int image_list_add(HIMAGELIST handle, HBITMAP image, HBITMAP mask) {
    auto list = find(handle);
    if (!list) return -1;
    Image strip = bitmap_to_image(image);
    Image mask_picture = mask ? bitmap_to_image(mask) : Image{};
    return add_strip(*list, strip, [&](int x, int y) {
        if (mask_picture.empty() || x >= mask_picture.width || y >= mask_picture.height) return false;
        return (mask_picture.at(x, y) & 0x00FFFFFFu) != 0;
    });
}

int image_list_add_masked(HIMAGELIST handle, HBITMAP image, COLORREF mask_color) {
    auto list = find(handle);
    if (!list) return -1;
    Image strip = bitmap_to_image(image);
    std::uint32_t key = pixel_of(mask_color);
    return add_strip(*list, strip, [&](int x, int y) { return (strip.at(x, y) & 0x00FFFFFFu) == key; });
}

int image_list_add_image(HIMAGELIST handle, const Image& picture) {
    auto list = find(handle);
    if (!list) return -1;
    return add_strip(*list, picture, [&](int x, int y) { return (picture.at(x, y) >> 24) < 0x80; });
}

int image_list_replace_icon(HIMAGELIST handle, int index, HICON icon) {
    auto list = find(handle);
    if (!list) return -1;
    Image picture = icon_picture(icon, list->cx, list->cy);
    if (picture.empty()) return -1;
    if (!(list->flags & ILC_MASK))
        for (auto& p : picture.pixels) p |= kOpaque;
    std::lock_guard guard(list->lock);
    if (index == -1) {
        list->pictures.push_back(std::move(picture));
        return static_cast<int>(list->pictures.size()) - 1;
    }
    if (index < 0 || index >= static_cast<int>(list->pictures.size())) return -1;
    list->pictures[static_cast<std::size_t>(index)] = std::move(picture);
    return index;
}

bool image_list_draw(HIMAGELIST handle, int index, HDC dc, int x, int y, UINT style) {
    auto list = find(handle);
    if (!list) return false;
    Image picture;
    {
        std::lock_guard guard(list->lock);
        if (index < 0 || index >= static_cast<int>(list->pictures.size())) return false;
        picture = list->pictures[static_cast<std::size_t>(index)];
    }
    int quarters = (style & ILD_BLEND50) ? 2 : (style & ILD_BLEND25) ? 1 : 0;
    std::uint32_t highlight = pixel_of(get_sys_color(COLOR_HIGHLIGHT));
    for (int j = 0; j < picture.height; ++j)
        for (int i = 0; i < picture.width; ++i) {
            std::uint32_t p = picture.at(i, j);
            if ((p >> 24) < 0x80) continue;
            std::uint32_t c = quarters ? blend(p, highlight, quarters) : (p & 0x00FFFFFFu);
            set_pixel_v(dc, x + i, y + j, rgb(static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                                             static_cast<std::uint8_t>(c)));
        }
    return true;
}

}  // namespace platform
