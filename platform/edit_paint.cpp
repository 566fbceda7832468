// How an EDIT looks: its lines of text from the top-left (one
// pixel in from the border), the selection in the highlight colours while it
// has the focus, and a one-pixel caret line at the caret.

#include <algorithm>
#include <string>
#include <vector>

#include "platform/gdi.h"
#include "platform/standard_controls_internal.h"

namespace platform::detail {

namespace {

struct Line {
    std::size_t start;  // index of the line's first character in the text
    std::string shown;  // what is drawn (password characters for a password field)
};

std::uint32_t style_of(HWND hwnd) { return static_cast<std::uint32_t>(get_window_long(hwnd, GWL_STYLE)); }

std::vector<Line> lines_of(HWND hwnd, const EditState& s) {
    const std::uint32_t style = style_of(hwnd);
    std::vector<Line> out;
    std::size_t start = 0;
    while (true) {
        std::size_t end = (style & ES_MULTILINE) ? s.text.find('\n', start) : std::string::npos;
        const std::size_t stop = end == std::string::npos ? s.text.size() : end;
        std::string line = s.text.substr(start, stop - start);
        if (!line.empty() && line.back() == '\r' && end != std::string::npos) line.pop_back();
        if (style & ES_PASSWORD) line.assign(line.size(), s.password_char ? s.password_char : '*');
        out.push_back({start, std::move(line)});
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return out;
}

// The border (WS_BORDER, WS_EX_CLIENTEDGE) is the window's frame, drawn
// outside the client area by the window layer.
int border_of(HWND) { return 0; }

int width_of(HDC hdc, const std::string& text) {
    SIZE size;
    get_text_extent_point32(hdc, text, &size);
    return size.cx;
}

// A memory DC with the control's font, for measuring.
struct MeasureDc {
    explicit MeasureDc(HFONT font) : hdc(create_compatible_dc(0)) { select_control_font(hdc, font); }
    ~MeasureDc() { delete_dc(hdc); }
    HDC hdc;
};

}  // namespace

void draw_edit(HWND hwnd, HDC hdc, const EditState& s) {
    RECT rc;
    get_client_rect(hwnd, &rc);
    const std::uint32_t style = style_of(hwnd);
    const bool enabled = is_window_enabled(hwnd);
    const int saved = save_dc(hdc);
    // A read-only or disabled field asks for the static colours, as on Windows.
    const bool passive = !enabled || (style & ES_READONLY);
    const HBRUSH back = control_colors(hwnd, hdc, passive ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
    fill_rect(hdc, rc, back);
    const int border = border_of(hwnd);
    if (!enabled) set_text_color(hdc, get_sys_color(COLOR_GRAYTEXT));
    select_control_font(hdc, s.font);
    TEXTMETRIC tm;
    get_text_metrics(hdc, &tm);
    const RECT inner{rc.left + border, rc.top + border, rc.right - border, rc.bottom - border};
    intersect_clip_rect(hdc, inner.left, inner.top, inner.right, inner.bottom);
    set_bk_mode(hdc, TRANSPARENT);

    const std::size_t sel_from = std::min(s.caret, s.anchor), sel_to = std::max(s.caret, s.anchor);
    const bool show_selection = (s.focused || (style & ES_NOHIDESEL)) && sel_from != sel_to;
    const COLORREF text_color = get_text_color(hdc);
    int y = inner.top + 1;
    for (const Line& line : lines_of(hwnd, s)) {
        const int x0 = inner.left + 1;
        text_out(hdc, x0, y, line.shown);
        if (show_selection) {
            const std::size_t a = std::clamp(sel_from, line.start, line.start + line.shown.size()) - line.start;
            const std::size_t b = std::clamp(sel_to, line.start, line.start + line.shown.size()) - line.start;
            if (b > a) {
                const int xa = x0 + width_of(hdc, line.shown.substr(0, a));
                const std::string part = line.shown.substr(a, b - a);
                fill_rect(hdc, RECT{xa, y, xa + width_of(hdc, part), y + tm.tmHeight},
                          get_sys_color_brush(COLOR_HIGHLIGHT));
                set_text_color(hdc, get_sys_color(COLOR_HIGHLIGHTTEXT));
                text_out(hdc, xa, y, part);
                set_text_color(hdc, text_color);
            }
        }
        if (s.focused && s.caret >= line.start && s.caret <= line.start + line.shown.size()) {
            const int xc = x0 + width_of(hdc, line.shown.substr(0, s.caret - line.start));
            fill_rect(hdc, RECT{xc, y, xc + 1, y + tm.tmHeight}, get_sys_color_brush(COLOR_WINDOWTEXT));
        }
        y += tm.tmHeight;
    }
    restore_dc(hdc, saved);
}

std::size_t edit_position_at(HWND hwnd, const EditState& s, int x, int y) {
    MeasureDc dc(s.font);
    TEXTMETRIC tm;
    get_text_metrics(dc.hdc, &tm);
    const int border = border_of(hwnd);
    const std::vector<Line> lines = lines_of(hwnd, s);
    const int row = std::clamp((y - border - 1) / std::max(1, static_cast<int>(tm.tmHeight)), 0,
                               static_cast<int>(lines.size()) - 1);
    const Line& line = lines[static_cast<std::size_t>(row)];
    const int target = x - border - 1;
    // The boundary nearest the point: before a character while left of its middle.
    int previous = 0;
    for (std::size_t i = 1; i <= line.shown.size(); ++i) {
        const int w = width_of(dc.hdc, line.shown.substr(0, i));
        if (target < (previous + w) / 2) return line.start + i - 1;
        previous = w;
    }
    return line.start + line.shown.size();
}

}  // namespace platform::detail
