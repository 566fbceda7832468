// The rich-text display: formatted text set by a program, word-wrapped and
// scrolled by lines, read-only.
#include "platform/rich_edit.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi.h"
#include "platform/richedit.h"

namespace platform {
namespace controls {
namespace {

void set_text(RichEdit& re, RichText text) {
    // Cut to the limit, character by character across the runs.
    std::size_t room = static_cast<std::size_t>(std::max(re.limit, 0));
    RichText cut;
    for (auto& run : text.runs) {
        if (room == 0) break;
        if (run.text.size() > room) run.text.resize(room);
        room -= run.text.size();
        cut.append(run.text, run.format);
    }
    re.text = std::move(cut);
    re.sel_min = re.sel_max = 0;
    re.scroll.top = 0;
    re.laid_out_width = -1;
    rich_edit_update_layout(re);
    invalidate_control(re.hwnd);
}

void apply_char_format(RichFormat& f, const CHARFORMAT& cf) {
    if (cf.dwMask & CFM_BOLD) f.bold = (cf.dwEffects & CFE_BOLD) != 0;
    if (cf.dwMask & CFM_ITALIC) f.italic = (cf.dwEffects & CFE_ITALIC) != 0;
    if (cf.dwMask & CFM_UNDERLINE) f.underline = (cf.dwEffects & CFE_UNDERLINE) != 0;
    if (cf.dwMask & CFM_SIZE) f.half_points = cf.yHeight > 0 ? std::clamp(cf.yHeight / 10, 1, 3276) : 0;
    if (cf.dwMask & CFM_COLOR) f.color = (cf.dwEffects & CFE_AUTOCOLOR) ? kAutoColor : cf.crTextColor;
}

// Changes the format of characters [from, to).
void format_range(RichEdit& re, std::size_t from, std::size_t to, const CHARFORMAT& cf) {
    RichText out;
    std::size_t at = 0;
    for (const auto& run : re.text.runs) {
        std::size_t end = at + run.text.size();
        std::size_t a = std::clamp(from, at, end), b = std::clamp(to, at, end);
        RichFormat changed = run.format;
        apply_char_format(changed, cf);
        out.append(std::string_view(run.text).substr(0, a - at), run.format);
        out.append(std::string_view(run.text).substr(a - at, b - a), changed);
        out.append(std::string_view(run.text).substr(b - at), run.format);
        at = end;
    }
    re.text = std::move(out);
    re.laid_out_width = -1;
    rich_edit_update_layout(re);
    invalidate_control(re.hwnd);
}

void set_selection(RichEdit& re, std::int32_t from, std::int32_t to) {
    auto size = static_cast<std::int32_t>(re.text.plain().size());
    if (from < 0) {
        re.sel_min = re.sel_max = size;
    } else {
        if (to < 0 || to > size) to = size;
        from = std::min(from, size);
        re.sel_min = std::min(from, to);
        re.sel_max = std::max(from, to);
    }
    invalidate_control(re.hwnd);
}

LRESULT stream_in(RichEdit& re, UINT format, EDITSTREAM* stream) {
    if (stream == nullptr || stream->pfnCallback == nullptr) return 0;
    std::string data;
    std::uint8_t buffer[4096];
    // Read until the callback has no more to give; a stream longer than
    // anything the limit lets through stops being read.
    const std::size_t most = static_cast<std::size_t>(std::max(re.limit, 0)) * 8 + 65536;
    while (data.size() < most) {
        std::int32_t got = 0;
        std::uint32_t error = stream->pfnCallback(stream->dwCookie, buffer, sizeof buffer, &got);
        if (error != 0) {
            stream->dwError = error;
            break;
        }
        if (got <= 0) break;
        data.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(std::min<std::int32_t>(got, sizeof buffer)));
    }
    RichText text = (format & SF_RTF) && looks_like_rtf(data) ? rich_text_from_rtf(data)
                                                                : rich_text_from_plain(data, re.default_format);
    set_text(re, std::move(text));
    return static_cast<LRESULT>(re.text.plain().size());
}

}  // namespace

LRESULT rich_edit_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* re = state_of<RichEdit>(hwnd);
    if (re == nullptr && message != WM_NCCREATE) return def_window_proc(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_NCCREATE: {
        auto state = std::make_unique<RichEdit>();
        state->hwnd = hwnd;
        state->read_only = (get_window_long(hwnd, GWL_STYLE) & ES_READONLY) != 0;
        RichEdit* r = attach_state(hwnd, std::move(state));
        auto* cs = reinterpret_cast<const CREATESTRUCT*>(lParam);
        if (cs && cs->lpszName && *cs->lpszName) r->text = rich_text_from_rtf(cs->lpszName);
        return def_window_proc(hwnd, message, wParam, lParam);
    }
    case WM_NCDESTROY:
        detach_state<RichEdit>(hwnd);
        return def_window_proc(hwnd, message, wParam, lParam);
    case WM_CREATE:
    case WM_SIZE: rich_edit_update_layout(*re); return 0;

    case WM_SETTEXT: {
        const char* text = reinterpret_cast<const char*>(lParam);
        set_text(*re, text && looks_like_rtf(text) ? rich_text_from_rtf(text)
                                                   : rich_text_from_plain(text ? text : "", re->default_format));
        return 1;
    }
    case WM_GETTEXT: return copy_text(re->text.plain(), reinterpret_cast<char*>(lParam), static_cast<int>(wParam));
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(re->text.plain().size());
    case EM_STREAMIN: return stream_in(*re, static_cast<UINT>(wParam), reinterpret_cast<EDITSTREAM*>(lParam));
    case EM_GETTEXTRANGE: {
        auto* range = reinterpret_cast<TEXTRANGE*>(lParam);
        if (range == nullptr || range->lpstrText == nullptr) return 0;
        std::string plain = re->text.plain();
        auto size = static_cast<std::int32_t>(plain.size());
        std::int32_t from = std::clamp(range->chrg.cpMin, 0, size);
        std::int32_t to = range->chrg.cpMax < 0 ? size : std::clamp(range->chrg.cpMax, from, size);
        std::memcpy(range->lpstrText, plain.data() + from, static_cast<std::size_t>(to - from));
        range->lpstrText[to - from] = '\0';
        return to - from;
    }
    case EM_SETBKGNDCOLOR: {
        COLORREF old = re->back_color;
        re->back_color = wParam ? CLR_DEFAULT : static_cast<COLORREF>(lParam);
        invalidate_control(hwnd);
        return static_cast<LRESULT>(old == CLR_DEFAULT ? get_sys_color(COLOR_WINDOW) : old);
    }
    case EM_SETREADONLY: {
        re->read_only = wParam != 0;
        auto style = static_cast<std::uint32_t>(get_window_long(hwnd, GWL_STYLE));
        style = re->read_only ? style | ES_READONLY : style & ~ES_READONLY;
        set_window_long(hwnd, GWL_STYLE, static_cast<std::int32_t>(style));
        return 1;
    }
    case EM_EXLIMITTEXT:
        re->limit = lParam <= 0 ? 65536 : static_cast<std::int32_t>(std::min<LPARAM>(lParam, 0x7FFFFFFF));
        return 0;
    case EM_LIMITTEXT:
        re->limit = wParam == 0 ? 65536 : static_cast<std::int32_t>(std::min<WPARAM>(wParam, 0x7FFFFFFF));
        return 0;
    case EM_GETLIMITTEXT: return re->limit;
    case EM_SETEVENTMASK: {
        std::uint32_t old = re->event_mask;
        re->event_mask = static_cast<std::uint32_t>(lParam);
        return old;
    }
    case EM_GETEVENTMASK: return re->event_mask;
    case EM_AUTOURLDETECT: return 0;
    case EM_GETLINECOUNT: return static_cast<LRESULT>(std::max<std::size_t>(1, re->lines.size()));
    case EM_GETFIRSTVISIBLELINE: return re->scroll.top;
    case EM_LINEINDEX: {
        auto line = static_cast<std::int32_t>(static_cast<std::intptr_t>(wParam));
        if (line == -1) {
            line = 0;
            for (std::size_t i = 0; i < re->lines.size(); ++i)
                if (re->lines[i].start <= static_cast<std::size_t>(re->sel_min)) line = static_cast<std::int32_t>(i);
        }
        if (line < 0 || line >= static_cast<std::int32_t>(re->lines.size())) return -1;
        return static_cast<LRESULT>(re->lines[static_cast<std::size_t>(line)].start);
    }
    case EM_LINESCROLL:
        if (re->scroll.scroll_to(re->scroll.top + static_cast<int>(lParam))) invalidate_control(hwnd);
        return 1;
    case WM_VSCROLL:
        if (re->scroll.apply(loword(wParam), hiword(wParam))) invalidate_control(hwnd);
        return 0;
    case WM_MOUSEWHEEL: {
        int notches = static_cast<std::int16_t>(hiword(wParam)) / 120;
        if (re->scroll.scroll_to(re->scroll.top - 3 * notches)) invalidate_control(hwnd);
        return 0;
    }
    case EM_SETSEL: set_selection(*re, static_cast<std::int32_t>(wParam), static_cast<std::int32_t>(lParam)); return 0;
    case EM_GETSEL:
        if (wParam) *reinterpret_cast<std::uint32_t*>(wParam) = static_cast<std::uint32_t>(re->sel_min);
        if (lParam) *reinterpret_cast<std::uint32_t*>(lParam) = static_cast<std::uint32_t>(re->sel_max);
        return make_lparam(static_cast<std::uint16_t>(std::min(re->sel_min, 0xFFFF)),
                           static_cast<std::uint16_t>(std::min(re->sel_max, 0xFFFF)));
    case EM_EXSETSEL: {
        auto* range = reinterpret_cast<const CHARRANGE*>(lParam);
        if (range) set_selection(*re, range->cpMin, range->cpMax);
        return re->sel_max;
    }
    case EM_EXGETSEL: {
        if (auto* range = reinterpret_cast<CHARRANGE*>(lParam)) {
            range->cpMin = re->sel_min;
            range->cpMax = re->sel_max;
        }
        return 0;
    }
    case EM_SETCHARFORMAT: {
        auto* cf = reinterpret_cast<const CHARFORMAT*>(lParam);
        if (cf == nullptr) return 0;
        if (wParam & SCF_ALL) {
            format_range(*re, 0, re->text.size(), *cf);
        } else if (wParam & SCF_SELECTION) {
            // Selection positions count "\r\n" as two; the runs hold '\n'.
            std::string plain = re->text.plain();
            auto to_chars = [&](std::int32_t pos) {
                std::size_t n = 0;
                for (std::int32_t i = 0; i < pos && i < static_cast<std::int32_t>(plain.size()); ++i)
                    if (plain[static_cast<std::size_t>(i)] != '\r') ++n;
                return n;
            };
            format_range(*re, to_chars(re->sel_min), to_chars(re->sel_max), *cf);
        } else {
            apply_char_format(re->default_format, *cf);
        }
        return 1;
    }
    case EM_REPLACESEL:
    case WM_CHAR:
    case WM_KEYDOWN: return 0;  // a display: nothing typed changes it
    case WM_SETFONT:
        re->font = static_cast<HFONT>(wParam);
        re->laid_out_width = -1;
        rich_edit_update_layout(*re);
        if (lParam) invalidate_control(hwnd);
        return 0;
    case WM_GETFONT: return re->font;
    case WM_SETFOCUS: re->focused = true; invalidate_control(hwnd); return 0;
    case WM_KILLFOCUS: re->focused = false; invalidate_control(hwnd); return 0;
    case WM_LBUTTONDOWN: {
        if (get_focus() != hwnd) set_focus(hwnd);
        RECT client;
        get_client_rect(hwnd, &client);
        scroll_bar_click(hwnd, client, re->scroll, point_from_lparam(lParam));
        return 0;
    }
    case WM_GETDLGCODE: return kDlgcWantArrows | kDlgcWantChars;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        paint_control(hwnd, message, wParam, [&](HDC dc, const RECT& client) { draw_rich_edit(dc, client, *re); });
        return 0;
    default: return def_window_proc(hwnd, message, wParam, lParam);
    }
}

// --- Layout --------------------------------------------------------------------

namespace {

struct Char {
    char c;
    std::size_t run;
    std::size_t offset;
};

}  // namespace

std::vector<RichLine> lay_out_rich_text(const RichText& text, int width, RichMeasure& measure) {
    std::vector<Char> chars;
    for (std::size_t r = 0; r < text.runs.size(); ++r)
        for (std::size_t o = 0; o < text.runs[r].text.size(); ++o) chars.push_back({text.runs[r].text[o], r, o});
    const RichFormat plain{};
    auto format_of = [&](std::size_t i) -> const RichFormat& {
        return chars.empty() ? plain : text.runs[chars[std::min(i, chars.size() - 1)].run].format;
    };
    // The width of chars [a, b) starting at x (tabs go to the next stop).
    auto span_width = [&](std::size_t a, std::size_t b, int x) {
        int start = x;
        std::size_t i = a;
        while (i < b) {
            if (chars[i].c == '\t') {
                x = (x / kRichTabStop + 1) * kRichTabStop;
                ++i;
                continue;
            }
            std::size_t j = i;
            std::string piece;
            while (j < b && chars[j].run == chars[i].run && chars[j].c != '\t') piece += chars[j++].c;
            x += measure.width(format_of(i), piece);
            i = j;
        }
        return x - start;
    };

    std::vector<RichLine> lines;
    int top = 0;
    auto finish = [&](std::size_t a, std::size_t b, std::size_t end_with) {
        RichLine line;
        line.start = a;
        line.length = end_with - a;
        line.top = top;
        int asc = 0, desc = 0;
        int x = 0;
        std::size_t i = a;
        if (a == b) {
            const RichFormat& f = format_of(a == 0 ? 0 : a - 1);
            asc = measure.ascent(f);
            desc = measure.height(f) - asc;
        }
        while (i < b) {
            std::size_t j = i;
            while (j < b && chars[j].run == chars[i].run && chars[j].c != '\t') ++j;
            if (j == i) {  // a tab
                x = (x / kRichTabStop + 1) * kRichTabStop;
                ++i;
                continue;
            }
            const RichFormat& f = format_of(i);
            line.pieces.push_back({chars[i].run, chars[i].offset, j - i, x});
            x += span_width(i, j, x);
            asc = std::max(asc, measure.ascent(f));
            desc = std::max(desc, measure.height(f) - measure.ascent(f));
            i = j;
        }
        line.ascent = asc;
        line.height = std::max(1, asc + desc);
        top += line.height;
        lines.push_back(std::move(line));
    };

    std::size_t i = 0;
    while (true) {
        // One paragraph: [i, end), then its '\n' (if any).
        std::size_t end = i;
        while (end < chars.size() && chars[end].c != '\n') ++end;
        std::size_t line_start = i;
        int x = 0;
        std::size_t k = i;
        while (k < end) {
            // A word and the blanks after it.
            std::size_t w = k;
            while (w < end && chars[w].c != ' ' && chars[w].c != '\t') ++w;
            std::size_t s = w;
            while (s < end && (chars[s].c == ' ' || chars[s].c == '\t')) ++s;
            int word = span_width(k, w, x);
            if (x + word > width && k > line_start) {
                finish(line_start, k, k);
                line_start = k;
                x = 0;
                word = span_width(k, w, 0);
            }
            if (word > width && k == line_start) {
                // Longer than a line: as many characters as fit, at least one.
                std::size_t cut = k + 1;
                while (cut < w && span_width(k, cut + 1, 0) <= width) ++cut;
                if (cut < w) {
                    finish(line_start, cut, cut);
                    line_start = k = cut;
                    x = 0;
                    continue;
                }
            }
            x += span_width(k, s, x);
            k = s;
        }
        bool has_break = end < chars.size();
        finish(line_start, end, has_break ? end + 1 : end);
        if (!has_break) break;
        i = end + 1;
        if (i == chars.size()) {
            // Text that ends with a paragraph end shows an empty last line.
            finish(i, i, i);
            break;
        }
    }
    return lines;
}

void rich_edit_update_layout(RichEdit& re) {
    RECT client;
    get_client_rect(re.hwnd, &client);
    int full = std::max(1, static_cast<int>(client.right - client.left) - 2 * kRichMargin);
    int height = static_cast<int>(client.bottom - client.top) - 2 * kRichMargin;
    auto measure = make_rich_measure(re);
    auto fits = [&](const std::vector<RichLine>& lines) { return lines.empty() || lines.back().top + lines.back().height <= height; };
    // Laid out at the full width first; with a scroll bar when it does not fit.
    std::vector<RichLine> lines = lay_out_rich_text(re.text, full, *measure);
    int width = full;
    if (!fits(lines)) {
        width = std::max(1, full - kScrollBarWidth);
        lines = lay_out_rich_text(re.text, width, *measure);
    }
    re.lines = std::move(lines);
    re.laid_out_width = width;
    re.scroll.count = static_cast<int>(re.lines.size());
    // The lines that fit from the bottom decide how far one can scroll.
    int page = 0, used = 0;
    for (auto it = re.lines.rbegin(); it != re.lines.rend() && used + it->height <= height; ++it, ++page) used += it->height;
    re.scroll.page = fits(re.lines) ? std::max(1, re.scroll.count) : std::max(1, page);
    re.scroll.clamp();
}

}  // namespace controls

void init_rich_edit() {
    controls::register_control_class(RICHEDIT_CLASS, controls::rich_edit_proc);
    controls::register_control_class(RICHEDIT_CLASS10A, controls::rich_edit_proc);
}

}  // namespace platform
