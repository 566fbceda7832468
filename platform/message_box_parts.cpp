// What message boxes measure and draw: the text's size in the box's font,
// and the four icons, drawn as shapes into 32 x 32 pictures.

#include <algorithm>
#include <cmath>

#include "platform/gdi.h"
#include "platform/image.h"
#include "platform/message_box.h"
#include "platform/message_box_internal.h"
#include "platform/system_metrics.h"
#include "platform/window.h"
#include "platform/window_place.h"

namespace platform::detail {

namespace {

constexpr int kSize = 32;
constexpr std::uint32_t kClear = 0x00000000;

std::uint32_t opaque(std::uint32_t rgb) { return 0xFF000000u | rgb; }

bool in_circle(int x, int y) {
    const double dx = x + 0.5 - 16, dy = y + 0.5 - 16;
    return dx * dx + dy * dy <= 14.5 * 14.5;
}

void fill(Image& img, int l, int t, int r, int b, std::uint32_t color) {
    for (int y = t; y < b; ++y)
        for (int x = l; x < r; ++x) img.at(x, y) = color;
}

Image blank() {
    Image img;
    img.width = img.height = kSize;
    img.pixels.assign(kSize * kSize, kClear);
    return img;
}

// A disc of `disc` with a glyph of rectangles in `ink`.
Image disc_icon(std::uint32_t disc, std::uint32_t ink, UINT kind) {
    Image img = blank();
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            if (in_circle(x, y)) img.at(x, y) = opaque(disc);
    if (kind == MB_ICONINFORMATION) {
        fill(img, 14, 7, 18, 11, opaque(ink));   // the dot
        fill(img, 14, 13, 18, 25, opaque(ink));  // the stem
    } else if (kind == MB_ICONQUESTION) {
        fill(img, 11, 7, 21, 10, opaque(ink));
        fill(img, 18, 10, 21, 15, opaque(ink));
        fill(img, 14, 14, 20, 17, opaque(ink));
        fill(img, 14, 17, 17, 20, opaque(ink));
        fill(img, 14, 22, 17, 25, opaque(ink));
    } else {  // error: a cross
        for (int i = 9; i < 23; ++i)
            for (int w = -1; w <= 1; ++w) {
                img.at(i, std::clamp(i + w, 0, kSize - 1)) = opaque(ink);
                img.at(i, std::clamp(kSize - 1 - i + w, 0, kSize - 1)) = opaque(ink);
            }
    }
    return img;
}

Image warning_icon() {
    Image img = blank();
    for (int y = 3; y < 30; ++y) {
        const int half = (y - 3) * 15 / 27;
        for (int x = 16 - half - 1; x <= 15 + half + 1; ++x)
            if (x >= 0 && x < kSize) img.at(x, y) = opaque(0x000000);
        for (int x = 16 - half; x <= 15 + half; ++x)
            if (x >= 0 && x < kSize && y < 29 && y > 4) img.at(x, y) = opaque(0xFFFF00);
    }
    fill(img, 14, 11, 18, 22, opaque(0x000000));
    fill(img, 14, 24, 18, 27, opaque(0x000000));
    return img;
}

}  // namespace

void message_box_work_area(RECT* area) {
    *area = RECT{0, 0, get_system_metrics(SM_CXSCREEN), get_system_metrics(SM_CYSCREEN)};
    system_parameters_info(SPI_GETWORKAREA, 0, area, 0);
}

void message_box_frame(HWND box, RECT* rect) {
    adjust_window_rect_ex(rect, static_cast<std::uint32_t>(get_window_long(box, GWL_STYLE)), false,
                          static_cast<std::uint32_t>(get_window_long(box, GWL_EXSTYLE)));
}

SIZE_PX message_box_text_size(HFONT font, const std::string& text, int max_width) {
    HDC hdc = create_compatible_dc(0);
    const HGDIOBJ old = select_object(hdc, font ? font : get_stock_object(SYSTEM_FONT));
    RECT r{0, 0, max_width, 0};
    draw_text(hdc, text.empty() ? std::string_view(" ") : std::string_view(text), &r,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    select_object(hdc, old);
    delete_dc(hdc);
    return {r.right - r.left, r.bottom - r.top};
}

HICON message_box_icon(UINT icon_kind) {
    switch (icon_kind) {
    case MB_ICONINFORMATION: return create_icon_from_image(disc_icon(0x0000FF, 0xFFFFFF, MB_ICONINFORMATION));
    case MB_ICONQUESTION: return create_icon_from_image(disc_icon(0x0000FF, 0xFFFFFF, MB_ICONQUESTION));
    case MB_ICONERROR: return create_icon_from_image(disc_icon(0xFF0000, 0xFFFFFF, MB_ICONERROR));
    case MB_ICONWARNING: return create_icon_from_image(warning_icon());
    default: return 0;
    }
}

void release_message_box_icon(HICON icon) {
    if (icon) destroy_icon(icon);
}

}  // namespace platform::detail
