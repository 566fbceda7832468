// The rich-text display's fonts and drawing: one font per format, made from
// the control's font (its face, and its size unless the format has one).
#include <map>
#include <tuple>

#include "platform/gdi.h"
#include "platform/rich_edit.h"

namespace platform::controls {
namespace {

LOGFONT base_font(const RichEdit& re) {
    LOGFONT lf;
    if (get_object(control_font(re.font), sizeof lf, &lf) == 0) lf = LOGFONT{};
    return lf;
}

// Fonts for the formats met while measuring or drawing once; deleted with it.
class FontCache {
public:
    explicit FontCache(const RichEdit& re) : re_(re) {}
    FontCache(const FontCache&) = delete;
    FontCache& operator=(const FontCache&) = delete;
    ~FontCache() {
        for (auto& [key, font] : fonts_) delete_object(font);
    }
    HFONT get(const RichFormat& f) {
        auto key = std::make_tuple(f.bold, f.italic, f.underline, f.half_points);
        auto it = fonts_.find(key);
        if (it != fonts_.end()) return it->second;
        HFONT font = create_rich_font(re_, f);
        fonts_.emplace(key, font);
        return font;
    }

private:
    const RichEdit& re_;
    std::map<std::tuple<bool, bool, bool, int>, HFONT> fonts_;
};

class GdiMeasure final : public RichMeasure {
public:
    explicit GdiMeasure(const RichEdit& re) : fonts_(re), dc_(create_compatible_dc(0)) {}
    ~GdiMeasure() override {
        if (dc_) delete_dc(dc_);
    }
    int width(const RichFormat& f, std::string_view text) override {
        select_object(dc_, fonts_.get(f));
        SIZE size;
        get_text_extent_point32(dc_, text, &size);
        return size.cx;
    }
    int height(const RichFormat& f) override { return metrics(f).tmHeight; }
    int ascent(const RichFormat& f) override { return metrics(f).tmAscent; }

private:
    TEXTMETRIC metrics(const RichFormat& f) {
        select_object(dc_, fonts_.get(f));
        TEXTMETRIC tm;
        get_text_metrics(dc_, &tm);
        return tm;
    }
    FontCache fonts_;
    HDC dc_;
};

}  // namespace

HFONT create_rich_font(const RichEdit& re, const RichFormat& format) {
    LOGFONT lf = base_font(re);
    // Half-points at 96 pixels per inch: pixels = points * 96 / 72.
    if (format.half_points > 0) lf.lfHeight = -mul_div(format.half_points, 96, 144);
    if (format.bold) lf.lfWeight = FW_BOLD;
    if (format.italic) lf.lfItalic = 1;
    if (format.underline) lf.lfUnderline = 1;
    return create_font_indirect(lf);
}

std::unique_ptr<RichMeasure> make_rich_measure(const RichEdit& re) { return std::make_unique<GdiMeasure>(re); }

void draw_rich_edit(HDC dc, const RECT& client, RichEdit& re) {
    RECT content = client;
    if (re.scroll.needed()) content.right -= kScrollBarWidth;
    fill_solid(dc, content, color_or(re.back_color, COLOR_WINDOW));
    if (re.lines.empty()) {
        draw_scroll_bar(dc, client, re.scroll);
        return;
    }
    int saved = save_dc(dc);
    intersect_clip_rect(dc, content.left + kRichMargin, content.top + kRichMargin, content.right - kRichMargin,
                        content.bottom - kRichMargin);
    set_bk_mode(dc, TRANSPARENT);
    FontCache fonts(re);
    COLORREF auto_color = get_sys_color(COLOR_WINDOWTEXT);
    auto first = static_cast<std::size_t>(std::clamp(re.scroll.top, 0, static_cast<int>(re.lines.size()) - 1));
    int origin = content.top + kRichMargin - re.lines[first].top;
    for (std::size_t i = first; i < re.lines.size(); ++i) {
        const RichLine& line = re.lines[i];
        int top = origin + line.top;
        if (top >= content.bottom) break;
        for (const RichPiece& piece : line.pieces) {
            const RichRun& run = re.text.runs[piece.run];
            select_object(dc, fonts.get(run.format));
            TEXTMETRIC tm;
            get_text_metrics(dc, &tm);
            set_text_color(dc, run.format.color == kAutoColor ? auto_color : run.format.color);
            std::string_view text = std::string_view(run.text).substr(piece.offset, piece.length);
            // Tabs inside a piece were placed by the layout; draw the words between them.
            int x = content.left + kRichMargin + piece.x;
            text_out(dc, x, top + line.ascent - tm.tmAscent, text);
        }
    }
    restore_dc(dc, saved);
    draw_scroll_bar(dc, client, re.scroll);
}

}  // namespace platform::controls
