// The rich-text display's state and line layout, shared by its window
// procedure (rich_edit.cpp) and its drawing (rich_edit_paint.cpp).
// richedit.h has the messages programs use.
#pragma once

#include <string_view>
#include <vector>

#include "platform/controls_internal.h"
#include "platform/rtf_reader.h"

namespace platform::controls {

// How wide and tall text of a format is; the drawing layer's fonts answer.
class RichMeasure {
public:
    virtual ~RichMeasure() = default;
    virtual int width(const RichFormat& format, std::string_view text) = 0;
    virtual int height(const RichFormat& format) = 0;
    virtual int ascent(const RichFormat& format) = 0;
};

// A piece of one run on one line.
struct RichPiece {
    std::size_t run = 0;
    std::size_t offset = 0;  // into the run's text
    std::size_t length = 0;
    int x = 0;
};

struct RichLine {
    std::size_t start = 0;  // the first character (in RichText::chars())
    std::size_t length = 0; // characters on the line, its paragraph end included
    int top = 0;            // from the top of the text
    int height = 0;
    int ascent = 0;
    std::vector<RichPiece> pieces;
};

inline constexpr int kRichMargin = 1;     // between the edge and the text
inline constexpr int kRichTabStop = 48;   // half an inch at 96 pixels per inch

// Breaks the text into lines no wider than `width` (words go whole to the
// next line; a word longer than a line is cut by characters). Always at
// least one line.
std::vector<RichLine> lay_out_rich_text(const RichText& text, int width, RichMeasure& measure);

struct RichEdit {
    HWND hwnd = 0;
    RichText text;
    RichFormat default_format;
    HFONT font = 0;
    COLORREF back_color = CLR_DEFAULT;  // COLOR_WINDOW
    bool read_only = false;
    std::int32_t limit = 32767;
    std::uint32_t event_mask = 0;
    std::int32_t sel_min = 0;
    std::int32_t sel_max = 0;
    bool focused = false;
    VerticalScroll scroll;  // in lines
    std::vector<RichLine> lines;
    int laid_out_width = -1;  // the width `lines` were made for; -1: none yet
};

// Lays the text out again when the width changed or the text did
// (laid_out_width = -1), and updates the scroll.
void rich_edit_update_layout(RichEdit& re);
// The font a format is drawn in (the caller deletes it).
HFONT create_rich_font(const RichEdit& re, const RichFormat& format);
void draw_rich_edit(HDC dc, const RECT& client, RichEdit& re);
// The measure of the drawing layer, for one control's fonts.
std::unique_ptr<RichMeasure> make_rich_measure(const RichEdit& re);

}  // namespace platform::controls
