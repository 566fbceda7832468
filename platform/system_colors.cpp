// The system colours of the Windows 2000 classic scheme, and one stock brush
// per colour for the (HBRUSH)(COLOR_x + 1) convention of class backgrounds.
#include <array>

#include "platform/gdi_internal.h"

namespace platform {

using namespace gdi;

namespace {

constexpr int kColorCount = COLOR_GRADIENTINACTIVECAPTION + 1;

constexpr std::array<COLORREF, kColorCount> kClassic = {
    rgb(212, 208, 200),  // COLOR_SCROLLBAR
    rgb(58, 110, 165),   // COLOR_BACKGROUND
    rgb(10, 36, 106),    // COLOR_ACTIVECAPTION
    rgb(128, 128, 128),  // COLOR_INACTIVECAPTION
    rgb(212, 208, 200),  // COLOR_MENU
    rgb(255, 255, 255),  // COLOR_WINDOW
    rgb(0, 0, 0),        // COLOR_WINDOWFRAME
    rgb(0, 0, 0),        // COLOR_MENUTEXT
    rgb(0, 0, 0),        // COLOR_WINDOWTEXT
    rgb(255, 255, 255),  // COLOR_CAPTIONTEXT
    rgb(212, 208, 200),  // COLOR_ACTIVEBORDER
    rgb(212, 208, 200),  // COLOR_INACTIVEBORDER
    rgb(128, 128, 128),  // COLOR_APPWORKSPACE
    rgb(10, 36, 106),    // COLOR_HIGHLIGHT
    rgb(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    rgb(212, 208, 200),  // COLOR_BTNFACE
    rgb(128, 128, 128),  // COLOR_BTNSHADOW
    rgb(128, 128, 128),  // COLOR_GRAYTEXT
    rgb(0, 0, 0),        // COLOR_BTNTEXT
    rgb(212, 208, 200),  // COLOR_INACTIVECAPTIONTEXT
    rgb(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    rgb(64, 64, 64),     // COLOR_3DDKSHADOW
    rgb(212, 208, 200),  // COLOR_3DLIGHT
    rgb(0, 0, 0),        // COLOR_INFOTEXT
    rgb(255, 255, 225),  // COLOR_INFOBK
    rgb(181, 181, 181),  // 25, unused
    rgb(0, 0, 128),      // COLOR_HOTLIGHT
    rgb(166, 202, 240),  // COLOR_GRADIENTACTIVECAPTION
    rgb(192, 192, 192),  // COLOR_GRADIENTINACTIVECAPTION
};

const std::array<HBRUSH, kColorCount>& brushes() {
    static const std::array<HBRUSH, kColorCount>* table = [] {
        auto* t = new std::array<HBRUSH, kColorCount>;
        for (int i = 0; i < kColorCount; ++i) {
            auto brush = std::make_shared<Brush>();
            brush->log.lbStyle = BS_SOLID;
            brush->log.lbColor = kClassic[static_cast<std::size_t>(i)];
            brush->stock = true;
            (*t)[static_cast<std::size_t>(i)] = insert(brush);
        }
        return t;
    }();
    return *table;
}

}  // namespace

COLORREF get_sys_color(int index) {
    if (index < 0 || index >= kColorCount) return 0;
    return kClassic[static_cast<std::size_t>(index)];
}

HBRUSH get_sys_color_brush(int index) {
    if (index < 0 || index >= kColorCount) return 0;
    return brushes()[static_cast<std::size_t>(index)];
}

HBRUSH brush_from_class_background(std::uintptr_t background) {
    if (background > 0 && background <= static_cast<std::uintptr_t>(kColorCount))
        return get_sys_color_brush(static_cast<int>(background) - 1);
    return static_cast<HBRUSH>(background);
}

}  // namespace platform
