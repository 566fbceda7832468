// The progress bar: a range, a position and a step, drawn as a bar of blocks
// (or one smooth bar) inside a sunken edge.
#include "platform/progress_bar.h"

#include <algorithm>

#include "platform/controls_internal.h"

namespace platform {
namespace controls {
namespace {

struct ProgressBar {
    int low = 0;
    int high = 100;
    int pos = 0;
    int step = 10;
    COLORREF bar_color = CLR_DEFAULT;
    COLORREF back_color = CLR_DEFAULT;
    HFONT font = 0;
};

LRESULT packed_range(const ProgressBar& p) {
    return static_cast<LRESULT>(static_cast<std::uint32_t>(make_lparam(static_cast<std::uint16_t>(p.low),
                                                                       static_cast<std::uint16_t>(p.high))));
}

// Sets the position, kept inside the range; repaints when it changed.
int set_position(HWND hwnd, ProgressBar& p, long long pos) {
    int old = p.pos;
    p.pos = static_cast<int>(std::clamp<long long>(pos, p.low, p.high));
    if (p.pos != old) invalidate_control(hwnd);
    return old;
}

void set_range(HWND hwnd, ProgressBar& p, int low, int high) {
    p.low = low;
    p.high = high;
    // Windows keeps the position inside a new range only when it can.
    if (high >= low) p.pos = std::clamp(p.pos, low, high);
    invalidate_control(hwnd);
}

}  // namespace

LRESULT progress_bar_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* p = state_of<ProgressBar>(hwnd);
    if (p == nullptr && message != WM_NCCREATE) return def_window_proc(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_NCCREATE:
        attach_state(hwnd, std::make_unique<ProgressBar>());
        return def_window_proc(hwnd, message, wParam, lParam);
    case WM_NCDESTROY:
        detach_state<ProgressBar>(hwnd);
        return def_window_proc(hwnd, message, wParam, lParam);
    case PBM_SETRANGE: {
        LRESULT old = packed_range(*p);
        set_range(hwnd, *p, static_cast<std::uint16_t>(loword(static_cast<std::uintptr_t>(lParam))),
                  static_cast<std::uint16_t>(hiword(static_cast<std::uintptr_t>(lParam))));
        return old;
    }
    case PBM_SETRANGE32: {
        LRESULT old = packed_range(*p);
        set_range(hwnd, *p, static_cast<int>(wParam), static_cast<int>(lParam));
        return old;
    }
    case PBM_GETRANGE: {
        if (auto* range = reinterpret_cast<PBRANGE*>(lParam)) {
            range->iLow = p->low;
            range->iHigh = p->high;
        }
        return wParam ? p->low : p->high;
    }
    case PBM_SETPOS: return set_position(hwnd, *p, static_cast<int>(wParam));
    case PBM_GETPOS: return p->pos;
    case PBM_DELTAPOS: return set_position(hwnd, *p, static_cast<long long>(p->pos) + static_cast<int>(wParam));
    case PBM_SETSTEP: {
        int old = p->step;
        p->step = static_cast<int>(wParam);
        return old;
    }
    case PBM_STEPIT: {
        // Past the end the bar starts over from the beginning, as on Windows.
        int old = p->pos;
        long long next = static_cast<long long>(p->pos) + p->step;
        long long span = static_cast<long long>(p->high) - p->low;
        if (span > 0) {
            if (next > p->high) next = p->low + (next - p->low) % span;
            if (next < p->low) next = p->high - (p->low - next) % span;
        }
        set_position(hwnd, *p, next);
        return old;
    }
    case PBM_SETBARCOLOR: {
        COLORREF old = p->bar_color;
        p->bar_color = static_cast<COLORREF>(lParam);
        invalidate_control(hwnd);
        return old;
    }
    case PBM_SETBKCOLOR: {
        COLORREF old = p->back_color;
        p->back_color = static_cast<COLORREF>(lParam);
        invalidate_control(hwnd);
        return old;
    }
    case WM_SETFONT: p->font = static_cast<HFONT>(wParam); return 0;
    case WM_GETFONT: return p->font;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT: {
        ProgressBarLook look{p->low, p->high, p->pos, p->bar_color, p->back_color,
                             static_cast<std::uint32_t>(get_window_long(hwnd, GWL_STYLE))};
        paint_control(hwnd, message, wParam, [&](HDC dc, const RECT& client) { draw_progress_bar(dc, client, look); });
        return 0;
    }
    default: return def_window_proc(hwnd, message, wParam, lParam);
    }
}

RECT progress_bar_inside(const RECT& client) {
    return RECT{client.left + 1, client.top + 1, client.right - 1, client.bottom - 1};
}

std::vector<RECT> progress_bar_blocks(const RECT& client, const ProgressBarLook& look) {
    RECT inside = progress_bar_inside(client);
    RECT bar{inside.left + 1, inside.top + 1, inside.right - 1, inside.bottom - 1};
    std::vector<RECT> blocks;
    bool vertical = (look.style & PBS_VERTICAL) != 0;
    int length = vertical ? bar.bottom - bar.top : bar.right - bar.left;
    int thickness = vertical ? bar.right - bar.left : bar.bottom - bar.top;
    long long span = static_cast<long long>(look.high) - look.low;
    if (length <= 0 || thickness <= 0 || span <= 0 || look.pos <= look.low) return blocks;
    int filled = static_cast<int>(std::min<long long>(length, (static_cast<long long>(look.pos) - look.low) * length / span));
    if (filled <= 0) return blocks;
    auto piece = [&](int from, int to) {
        // `from`/`to` count from the start edge: the left, or the bottom.
        if (vertical) return RECT{bar.left, bar.bottom - to, bar.right, bar.bottom - from};
        return RECT{bar.left + from, bar.top, bar.left + to, bar.bottom};
    };
    if (look.style & PBS_SMOOTH) {
        blocks.push_back(piece(0, filled));
        return blocks;
    }
    int block = std::max(1, thickness * 2 / 3);
    for (int at = 0; at < filled; at += block + 2) blocks.push_back(piece(at, std::min(at + block, length)));
    return blocks;
}

}  // namespace controls
}  // namespace platform
