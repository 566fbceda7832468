// The handle and value types of the drawing layer, apart from its functions
// (gdi.h), so that windows, dialogs and controls can name them.
//
// Every GDI object (device context, pen, brush, font, bitmap, palette, region,
// icon) is a 32-bit handle of this process, like the other handles of the
// platform; 0 is no object. COLORREF is 0x00BBGGRR as on Windows.
#pragma once

#include <cstdint>

namespace platform {

using HGDIOBJ = std::uint32_t;
using HDC = std::uint32_t;
using HPEN = std::uint32_t;
using HBRUSH = std::uint32_t;
using HFONT = std::uint32_t;
using HBITMAP = std::uint32_t;
using HPALETTE = std::uint32_t;
using HRGN = std::uint32_t;
using HICON = std::uint32_t;
using HCURSOR = std::uint32_t;
using COLORREF = std::uint32_t;

constexpr COLORREF rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
constexpr std::uint8_t get_r_value(COLORREF c) { return static_cast<std::uint8_t>(c & 0xFF); }
constexpr std::uint8_t get_g_value(COLORREF c) { return static_cast<std::uint8_t>((c >> 8) & 0xFF); }
constexpr std::uint8_t get_b_value(COLORREF c) { return static_cast<std::uint8_t>((c >> 16) & 0xFF); }

}  // namespace platform
