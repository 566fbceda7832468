// A memory DC over a 32-bit bitmap for drawing tests, and ways to look at
// what was drawn.
#pragma once

#include <string>
#include <vector>

#include "platform/gdi.h"

namespace platform::testing {

class PaintCanvas {
public:
    PaintCanvas(int width, int height, COLORREF fill = rgb(255, 255, 255)) : width_(width), height_(height) {
        dc_ = create_compatible_dc(0);
        bitmap_ = create_bitmap(width, height, 32);
        old_ = select_object(dc_, bitmap_);
        HBRUSH brush = create_solid_brush(fill);
        RECT all{0, 0, width, height};
        fill_rect(dc_, all, brush);
        delete_object(brush);
    }
    ~PaintCanvas() {
        select_object(dc_, old_);
        delete_dc(dc_);
        delete_object(bitmap_);
    }
    PaintCanvas(const PaintCanvas&) = delete;
    PaintCanvas& operator=(const PaintCanvas&) = delete;

    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }
    int width() const { return width_; }
    int height() const { return height_; }
    // Read from the bitmap itself, whatever the DC's clip says.
    COLORREF at(int x, int y) const { return at(bitmap_to_image(bitmap_), x, y); }

    // The drawing as rows of characters: `legend` maps colours to
    // characters, any other colour is '?'.
    std::string picture(const std::vector<std::pair<COLORREF, char>>& legend) const {
        std::string out;
        Image image = bitmap_to_image(bitmap_);
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                char c = '?';
                COLORREF v = at(image, x, y);
                for (const auto& [color, ch] : legend)
                    if (color == v) c = ch;
                out += c;
            }
            out += '\n';
        }
        return out;
    }

    // Points whose colour differs from `background`.
    std::vector<POINT> painted(COLORREF background) const {
        std::vector<POINT> out;
        Image image = bitmap_to_image(bitmap_);
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (at(image, x, y) != background) out.push_back(POINT{x, y});
        return out;
    }

    static COLORREF at(const Image& image, int x, int y) {
        std::uint32_t px = image.at(x, y);
        return rgb(static_cast<std::uint8_t>(px >> 16), static_cast<std::uint8_t>(px >> 8),
                   static_cast<std::uint8_t>(px));
    }

private:
    int width_;
    int height_;
    HDC dc_ = 0;
    HBITMAP bitmap_ = 0;
    HGDIOBJ old_ = 0;
};

// Joins picture rows given one per argument.
inline std::string rows(std::initializer_list<const char*> lines) {
    std::string out;
    for (const char* l : lines) {
        out += l;
        out += '\n';
    }
    return out;
}

inline constexpr COLORREF kWhite = rgb(255, 255, 255);
inline constexpr COLORREF kBlack = rgb(0, 0, 0);
inline constexpr COLORREF kRed = rgb(255, 0, 0);
inline constexpr COLORREF kGreen = rgb(0, 255, 0);
inline constexpr COLORREF kBlue = rgb(0, 0, 255);

}  // namespace platform::testing
