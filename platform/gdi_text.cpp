// Text through pango and cairo: fonts, metrics, extents and drawing.
//
// A font's metrics follow from its LOGFONT height the way GDI derives them
// from a TrueType face: the face's ascent and descent per em (read once per
// face at a large size, so rounding does not enter) give, for a negative
// height h, an em of |h| pixels with ascent and descent rounded from it; for a
// positive height h, a cell of exactly h pixels split in the face's ratio.
// Widths come from pango layouts with metrics hinting on, so every advance is
// a whole pixel and the same text always measures the same.
//
// Drawing renders the layout's glyph coverage (grayscale antialiasing) into an
// 8-bit cairo surface and blends the text colour into the destination pixels
// through the DC's clip. Pango's font map is not thread-safe: every call here
// holds one lock.
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <tuple>

#include "platform/gdi_internal.h"
#include "platform/text.h"

namespace platform {

using namespace gdi;

namespace {

// ------------------------------------------------------------------ strings

constexpr std::uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void append_utf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The system's strings are ANSI: UTF-8 passes, anything else is Windows-1252.
std::string to_utf8(std::string_view text) {
    // Embedded NULs end the string, as for the C strings the system passes.
    text = text.substr(0, text.find('\0'));
    if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return std::string(text);
    std::string out;
    for (unsigned char c : text) {
        if (c < 0x80) out += static_cast<char>(c);
        else if (c < 0xA0) append_utf8(out, kCp1252High[c - 0x80]);
        else append_utf8(out, c);
    }
    return out;
}

std::size_t utf8_char_length(const std::string& s, std::size_t at) {
    if (at >= s.size()) return 0;
    const char* p = s.data() + at;
    return static_cast<std::size_t>(g_utf8_next_char(p) - p);
}

// A line of text with an optional underlined range (the mnemonic of an
// `&` prefix), byte offsets into `text`.
struct Line {
    std::string text;
    int underline_start = -1;
    int underline_end = -1;
};

// `&x` underlines x, `&&` is one `&`; a last lone `&` is dropped.
Line strip_prefix(const std::string& text, bool show_underline) {
    Line line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            line.text += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '&') {
            line.text += '&';
            ++i;
            continue;
        }
        if (i + 1 < text.size() && show_underline) {
            line.underline_start = static_cast<int>(line.text.size());
            line.underline_end = line.underline_start + static_cast<int>(utf8_char_length(text, i + 1));
        }
    }
    return line;
}

// --------------------------------------------------------------------- fonts

struct FaceRatios {
    double ascent = 0.93;
    double descent = 0.24;
    double ave = 0.5;
};

std::string pango_family(const LOGFONT& lf) {
    std::string face = to_lower(lf.lfFaceName);
    if (face == "courier new" || face == "courier" || face == "fixedsys" || face == "terminal" ||
        face == "lucida console" || face.find("mono") != std::string::npos)
        return "DejaVu Sans Mono";
    if (face == "times new roman" || face == "times" || face == "tms rmn" || face.find("serif") != std::string::npos)
        return face.find("sans") != std::string::npos ? "DejaVu Sans" : "DejaVu Serif";
    if (face.empty()) {
        if ((lf.lfPitchAndFamily & 0x03) == FIXED_PITCH || (lf.lfPitchAndFamily & 0xF0) == FF_MODERN)
            return "DejaVu Sans Mono";
        if ((lf.lfPitchAndFamily & 0xF0) == FF_ROMAN) return "DejaVu Serif";
    }
    return "DejaVu Sans";
}

bool is_bold(const LOGFONT& lf) { return lf.lfWeight >= 600; }

class Engine {
public:
    Engine() {
        map_ = pango_cairo_font_map_new();
        context_ = pango_font_map_create_context(map_);
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
        pango_cairo_context_set_font_options(context_, options);
        cairo_font_options_destroy(options);
        pango_cairo_context_set_resolution(context_, 96.0);
    }

    PangoContext* context() const { return context_; }

    PangoFontDescription* description(const LOGFONT& lf, double em) const {
        PangoFontDescription* d = pango_font_description_new();
        std::string family = pango_family(lf);
        pango_font_description_set_family(d, family.c_str());
        pango_font_description_set_weight(d, is_bold(lf) ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
        pango_font_description_set_style(d, lf.lfItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
        pango_font_description_set_absolute_size(d, em * PANGO_SCALE);
        return d;
    }

    const FaceRatios& ratios(const LOGFONT& lf) {
        auto key = std::make_tuple(pango_family(lf), is_bold(lf), lf.lfItalic != 0);
        auto it = ratios_.find(key);
        if (it != ratios_.end()) return it->second;
        constexpr double kReference = 1000.0;
        PangoFontDescription* d = description(lf, kReference);
        PangoFontMetrics* m = pango_context_get_metrics(context_, d, nullptr);
        FaceRatios r;
        r.ascent = pango_font_metrics_get_ascent(m) / (kReference * PANGO_SCALE);
        r.descent = pango_font_metrics_get_descent(m) / (kReference * PANGO_SCALE);
        r.ave = pango_font_metrics_get_approximate_char_width(m) / (kReference * PANGO_SCALE);
        pango_font_metrics_unref(m);
        pango_font_description_free(d);
        if (r.ascent <= 0 || r.descent < 0) r = FaceRatios{};
        return ratios_.emplace(key, r).first->second;
    }

private:
    PangoFontMap* map_ = nullptr;
    PangoContext* context_ = nullptr;
    std::map<std::tuple<std::string, bool, bool>, FaceRatios> ratios_;
};

Engine& engine() {
    static Engine* e = new Engine;  // lives for the process: pango objects outlive static destruction
    return *e;
}

int round_half_up(double v) { return static_cast<int>(std::floor(v + 0.5)); }

// A layout of one line in a font, measured or drawn. Call with the text lock held.
class TextLayout {
public:
    TextLayout(const Font& font, const FontMetrics& metrics, const Line& line) {
        Engine& e = engine();
        layout_ = pango_layout_new(e.context());
        PangoFontDescription* d = e.description(font.log, metrics.em_pixels);
        pango_layout_set_font_description(layout_, d);
        pango_font_description_free(d);
        pango_layout_set_text(layout_, line.text.data(), static_cast<int>(line.text.size()));
        PangoAttrList* attrs = pango_attr_list_new();
        if (font.log.lfUnderline) pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
        if (font.log.lfStrikeOut) pango_attr_list_insert(attrs, pango_attr_strikethrough_new(TRUE));
        if (line.underline_start >= 0) {
            PangoAttribute* u = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
            u->start_index = static_cast<guint>(line.underline_start);
            u->end_index = static_cast<guint>(line.underline_end);
            pango_attr_list_insert(attrs, u);
        }
        pango_layout_set_attributes(layout_, attrs);
        pango_attr_list_unref(attrs);
        // Tab stops every eight average characters, as DT_EXPANDTABS sets them.
        PangoTabArray* tabs = pango_tab_array_new_with_positions(1, TRUE, PANGO_TAB_LEFT,
                                                                 std::max(1, 8 * metrics.ave_char_width));
        pango_layout_set_tabs(layout_, tabs);
        pango_tab_array_free(tabs);
        pango_layout_set_single_paragraph_mode(layout_, TRUE);
    }
    ~TextLayout() { g_object_unref(layout_); }
    TextLayout(const TextLayout&) = delete;
    TextLayout& operator=(const TextLayout&) = delete;

    int width() const {
        PangoRectangle logical;
        pango_layout_get_pixel_extents(layout_, nullptr, &logical);
        return std::max(0, logical.x + logical.width);
    }
    double baseline() const { return pango_layout_get_baseline(layout_) / static_cast<double>(PANGO_SCALE); }
    PangoLayout* get() const { return layout_; }

private:
    PangoLayout* layout_ = nullptr;
};

const FontMetrics& resolve(Font& font) {
    if (font.metrics) return *font.metrics;
    const LOGFONT& lf = font.log;
    const FaceRatios& r = engine().ratios(lf);
    FontMetrics m;
    int h = lf.lfHeight == 0 ? 16 : lf.lfHeight;
    if (h < 0) {
        double em = -static_cast<double>(h);
        m.ascent = round_half_up(em * r.ascent);
        m.descent = round_half_up(em * r.descent);
        m.height = m.ascent + m.descent;
        m.em_pixels = em;
    } else {
        m.height = h;
        m.ascent = round_half_up(h * r.ascent / (r.ascent + r.descent));
        m.descent = h - m.ascent;
        m.em_pixels = h / (r.ascent + r.descent);
    }
    m.internal_leading = std::max(0, m.height - round_half_up(m.em_pixels));
    m.ave_char_width = std::max(1, round_half_up(m.em_pixels * r.ave));
    font.metrics = m;  // set before measuring: TextLayout reads the average width
    int widest = 0;
    for (const char* probe : {"W", "M", "@", "m", "w"}) {
        Line line;
        line.text = probe;
        widest = std::max(widest, TextLayout(font, *font.metrics, line).width());
    }
    font.metrics->max_char_width = widest;
    return *font.metrics;
}

// Blends a layout's glyphs into the canvas with its top-left cell corner at
// (x, y) (canvas coordinates). Call with the text lock held.
bool draw_layout(Dc& dc, Canvas& canvas, const std::vector<RECT>& clip, const TextLayout& layout,
                 const FontMetrics& m, int x, int y, int width) {
    int pad = static_cast<int>(m.em_pixels / 2) + 2;
    int sw = width + 2 * pad, sh = m.height + 2 * pad;
    RECT area{x - pad, y - pad, x - pad + sw, y - pad + sh};
    bool visible = false;
    for (const RECT& c : clip) visible = visible || !rect_empty(intersect(c, area));
    if (!visible || sw <= 0 || sh <= 0) return false;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_A8, sw, sh);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgba(cr, 0, 0, 0, 1);
    cairo_move_to(cr, pad, pad + m.ascent - layout.baseline());
    pango_cairo_show_layout(cr, layout.get());
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    std::uint32_t color = to_pixel(dc.state.text_color);
    bool changed = false;
    for (const RECT& c : clip) {
        RECT r = intersect(c, area);
        for (int py = r.top; py < r.bottom; ++py) {
            const unsigned char* row = data + static_cast<std::ptrdiff_t>(py - area.top) * stride;
            for (int px = r.left; px < r.right; ++px) {
                unsigned a = row[px - area.left];
                if (a == 0) continue;
                std::uint32_t d = canvas.read(px, py), out = 0;
                for (int shift = 0; shift <= 16; shift += 8) {
                    unsigned t = (color >> shift) & 0xFF, b = (d >> shift) & 0xFF;
                    out |= ((t * a + b * (255 - a) + 127) / 255) << shift;
                }
                canvas.store(px, py, out);
                changed = true;
            }
        }
    }
    cairo_surface_destroy(surface);
    return changed;
}

// Measures and draws lines in one DC's font, holding the text lock.
class Typesetter {
public:
    explicit Typesetter(Dc& dc) : lock_(text_mutex()), font_(*dc.state.font), metrics_(resolve(font_)) {}

    const FontMetrics& metrics() const { return metrics_; }
    int width(const Line& line) const { return TextLayout(font_, metrics_, line).width(); }
    int width(const std::string& text) const {
        Line line;
        line.text = text;
        return width(line);
    }

    // Draws a line with its cell's top-left at canvas (x, y); in OPAQUE mode
    // the cell is filled with the background colour first.
    bool draw(Dc& dc, Canvas& canvas, const std::vector<RECT>& clip, const Line& line, int x, int y) const {
        TextLayout layout(font_, metrics_, line);
        int w = layout.width();
        bool changed = false;
        if (dc.state.bk_mode == OPAQUE && w > 0) {
            std::uint32_t back = canvas.map(to_pixel(dc.state.bk_color));
            for (const RECT& c : clip) {
                RECT r = intersect(c, RECT{x, y, x + w, y + metrics_.height});
                for (int py = r.top; py < r.bottom; ++py)
                    for (int px = r.left; px < r.right; ++px) canvas.store(px, py, back), changed = true;
            }
        }
        changed = draw_layout(dc, canvas, clip, layout, metrics_, x, y, w) || changed;
        return changed;
    }

private:
    std::lock_guard<std::mutex> lock_;
    Font& font_;
    const FontMetrics& metrics_;
};

RECT to_canvas(const Dc& dc, const RECT& r) {
    return RECT{dc.to_canvas_x(r.left), dc.to_canvas_y(r.top), dc.to_canvas_x(r.right), dc.to_canvas_y(r.bottom)};
}

}  // namespace

BOOL ext_text_out(HDC hdc, int x, int y, std::uint32_t options, const RECT* rect, std::string_view text) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    Canvas canvas = dc->canvas();
    auto clip = dc->clip_rects();
    bool changed = false;
    if (rect && (options & ETO_OPAQUE)) {
        RECT r = to_canvas(*dc, *rect);
        std::uint32_t back = canvas.map(to_pixel(dc->state.bk_color));
        for (const RECT& c : clip) {
            RECT i = intersect(c, r);
            for (int py = i.top; py < i.bottom; ++py)
                for (int px = i.left; px < i.right; ++px) canvas.store(px, py, back), changed = true;
        }
    }
    if (rect && (options & ETO_CLIPPED)) clip = rects_and(clip, {to_canvas(*dc, *rect)});
    bool update_cp = (dc->state.text_align & TA_UPDATECP) != 0;
    if (update_cp) x = dc->state.position.x, y = dc->state.position.y;
    {
        Typesetter setter(*dc);
        Line line;
        line.text = to_utf8(text);
        const FontMetrics& m = setter.metrics();
        int w = setter.width(line);
        int left = x;
        switch (dc->state.text_align & (TA_CENTER | TA_RIGHT | TA_LEFT)) {
        case TA_CENTER: left = x - w / 2; break;
        case TA_RIGHT: left = x - w; break;
        default: break;
        }
        int top = y;
        switch (dc->state.text_align & TA_BASELINE) {
        case TA_BASELINE: top = y - m.ascent; break;
        case TA_BOTTOM: top = y - m.height; break;
        default: break;
        }
        if (!line.text.empty())
            changed = setter.draw(*dc, canvas, clip, line, dc->to_canvas_x(left), dc->to_canvas_y(top)) || changed;
        if (update_cp) {
            std::uint32_t h = dc->state.text_align & (TA_CENTER | TA_RIGHT | TA_LEFT);
            if (h == TA_LEFT) dc->state.position.x = x + w;
            else if (h == TA_RIGHT) dc->state.position.x = x - w;
        }
    }
    if (changed) dc->touched();
    return 1;
}

BOOL text_out(HDC hdc, int x, int y, std::string_view text) { return ext_text_out(hdc, x, y, 0, nullptr, text); }

BOOL get_text_extent_point32(HDC hdc, std::string_view text, SIZE* size) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    if (!size) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Typesetter setter(*dc);
    size->cx = text.empty() ? 0 : setter.width(to_utf8(text));
    size->cy = setter.metrics().height;
    return 1;
}

BOOL get_text_metrics(HDC hdc, TEXTMETRIC* tm) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    if (!tm) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Typesetter setter(*dc);
    const FontMetrics& m = setter.metrics();
    const LOGFONT& lf = dc->state.font->log;
    *tm = TEXTMETRIC{};
    tm->tmHeight = m.height;
    tm->tmAscent = m.ascent;
    tm->tmDescent = m.descent;
    tm->tmInternalLeading = m.internal_leading;
    tm->tmExternalLeading = 0;
    tm->tmAveCharWidth = m.ave_char_width;
    tm->tmMaxCharWidth = m.max_char_width;
    tm->tmWeight = lf.lfWeight == 0 ? FW_NORMAL : lf.lfWeight;
    tm->tmItalic = lf.lfItalic;
    tm->tmUnderlined = lf.lfUnderline;
    tm->tmStruckOut = lf.lfStrikeOut;
    tm->tmCharSet = lf.lfCharSet;
    // TMPF_FIXED_PITCH (1) is set for variable-pitch fonts, as on Windows;
    // 2 and 4 say vector and TrueType.
    std::string family = pango_family(lf);
    bool mono = family == "DejaVu Sans Mono";
    std::uint8_t kind = mono ? FF_MODERN : family == "DejaVu Serif" ? FF_ROMAN : FF_SWISS;
    tm->tmPitchAndFamily = static_cast<std::uint8_t>(kind | (mono ? 0 : 1) | 2 | 4);
    return 1;
}

int get_text_face(HDC hdc, int count, char* name) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    std::string face = dc->state.font->log.lfFaceName;
    if (face.empty()) face = "System";
    if (!name) return static_cast<int>(face.size()) + 1;
    if (count <= 0) return 0;
    std::size_t n = std::min(face.size(), static_cast<std::size_t>(count - 1));
    std::memcpy(name, face.data(), n);
    name[n] = 0;
    return static_cast<int>(n);
}

SIZE dialog_base_units(HFONT font) {
    auto f = lookup_as<Font>(font);
    if (!f) return SIZE{};
    std::lock_guard lock(text_mutex());
    const FontMetrics& m = resolve(*f);
    Line letters;
    letters.text = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    int width = TextLayout(*f, m, letters).width();
    return SIZE{(width / 26 + 1) / 2, m.height};
}

// ----------------------------------------------------------------- draw_text

namespace {

std::vector<std::string> split_lines(const std::string& text, bool single) {
    std::vector<std::string> lines;
    if (single) {
        std::string one;
        for (char c : text)
            if (c != '\r' && c != '\n') one += c;
        lines.push_back(one);
        return lines;
    }
    std::string current;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(current);
            current.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            current += c;
        }
    }
    lines.push_back(current);
    return lines;
}

// Greedy breaking at spaces: a word wider than the rectangle keeps a line
// of its own (and is clipped), as on Windows.
std::vector<std::string> wrap(const std::string& paragraph, int width, const Typesetter& setter, bool prefix) {
    std::vector<std::string> out;
    auto measure = [&](const std::string& s) { return setter.width(prefix ? strip_prefix(s, false) : Line{s}); };
    std::string current;
    std::size_t i = 0;
    bool any = false;
    while (i < paragraph.size()) {
        std::size_t space = paragraph.find(' ', i);
        std::string word = paragraph.substr(i, space == std::string::npos ? std::string::npos : space - i);
        i = space == std::string::npos ? paragraph.size() : space + 1;
        std::string candidate = any ? current + " " + word : word;
        if (!any || measure(candidate) <= width) {
            current = candidate;
            any = true;
        } else {
            out.push_back(current);
            current = word;
        }
    }
    out.push_back(current);
    return out;
}

void add_ellipsis(Line& line, int width, const Typesetter& setter) {
    if (setter.width(line) <= width) return;
    std::string text = line.text;
    while (!text.empty()) {
        const char* start = text.data();
        const char* last = g_utf8_find_prev_char(start, start + text.size());
        text.resize(last ? static_cast<std::size_t>(last - start) : 0);
        if (setter.width(text + "...") <= width) break;
    }
    line.text = text + "...";
    if (line.underline_end > static_cast<int>(text.size())) line.underline_start = line.underline_end = -1;
}

}  // namespace

int draw_text(HDC hdc, std::string_view text_in, RECT* rect, std::uint32_t format) {
    auto dc = lookup_dc(hdc);
    if (!dc) return 0;
    if (!rect) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string text = to_utf8(text_in);
    bool prefix = !(format & DT_NOPREFIX);
    bool single = (format & DT_SINGLELINE) != 0;
    int box_width = rect->right - rect->left;
    Canvas canvas = dc->canvas();
    bool changed = false;
    int result = 0;
    {
        Typesetter setter(*dc);
        const FontMetrics& m = setter.metrics();
        std::vector<Line> lines;
        for (const std::string& paragraph : split_lines(text, single)) {
            std::vector<std::string> pieces;
            if ((format & DT_WORDBREAK) && !single) pieces = wrap(paragraph, box_width, setter, prefix);
            else pieces.push_back(paragraph);
            for (const std::string& piece : pieces) {
                Line line = prefix ? strip_prefix(piece, !(format & DT_HIDEPREFIX)) : Line{piece};
                if (format & DT_END_ELLIPSIS) add_ellipsis(line, box_width, setter);
                lines.push_back(std::move(line));
            }
        }
        int widest = 0;
        std::vector<int> widths;
        for (const Line& line : lines) {
            widths.push_back(line.text.empty() ? 0 : setter.width(line));
            widest = std::max(widest, widths.back());
        }
        int total = static_cast<int>(lines.size()) * m.height;
        int top = rect->top;
        if (single && (format & DT_VCENTER)) top = rect->top + (rect->bottom - rect->top - m.height) / 2;
        else if (single && (format & DT_BOTTOM)) top = rect->bottom - m.height;
        result = (single && (format & (DT_VCENTER | DT_BOTTOM))) ? top + total - rect->top : total;
        if (format & DT_CALCRECT) {
            rect->right = rect->left + widest;
            rect->bottom = rect->top + total;
            return result;
        }
        auto clip = dc->clip_rects();
        if (!(format & DT_NOCLIP)) clip = rects_and(clip, {to_canvas(*dc, *rect)});
        for (std::size_t i = 0; i < lines.size(); ++i) {
            int left = rect->left;
            if (format & DT_CENTER) left = rect->left + (box_width - widths[i]) / 2;
            else if (format & DT_RIGHT) left = rect->right - widths[i];
            int y = top + static_cast<int>(i) * m.height;
            if (!lines[i].text.empty())
                changed = setter.draw(*dc, canvas, clip, lines[i], dc->to_canvas_x(left), dc->to_canvas_y(y)) ||
                          changed;
        }
    }
    if (changed) dc->touched();
    return result;
}

}  // namespace platform
