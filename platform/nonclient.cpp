// The default handling of a window's frame: the client area's place inside
// it, what a point on it means, its buttons, and the messages that follow a
// change of place. Drawing the frame is in frame_paint.cpp.
//
// The caption layout is the classic one: an 18-pixel bar under the frame's
// top edge, the small icon 2 pixels in, the title after it, and the close
// box (16 x 14) 2 pixels from the bar's right end, 2 pixels down.
#include <mutex>

#include "platform/menu.h"
#include "platform/message_queue.h"
#include "platform/paint_internal.h"
#include "platform/system_metrics.h"
#include "platform/window_objects.h"
#include "platform/window_place.h"

namespace platform {

using namespace window_objects;

namespace detail {

FrameLayout frame_layout_locked(const Window& w) {
    FrameLayout f;
    const RECT in = frame_insets(w.style, w.ex_style);
    f.has_caption = (w.style & WS_CAPTION) == WS_CAPTION;
    int edge = in.left;
    if (w.style & WS_VSCROLL) edge = in.left;
    f.edge = edge;
    if (f.has_caption) {
        const int bar = get_system_metrics(SM_CYCAPTION) - 1;
        f.caption = RECT{edge, edge, w.cx - edge, edge + bar};
        f.has_close = (w.style & WS_SYSMENU) != 0;
        if (f.has_close) {
            const int bw = get_system_metrics(SM_CXSIZE) - 2, bh = bar - 4;
            f.close = RECT{f.caption.right - 2 - bw, f.caption.top + 2, f.caption.right - 2, f.caption.top + 2 + bh};
            f.icon = RECT{f.caption.left + 2, f.caption.top + 1, f.caption.left + 18, f.caption.top + 17};
        }
    }
    return f;
}

bool close_command_enabled(HWND top) {
    HMENU menu = 0;
    {
        std::lock_guard guard(state().lock);
        const Window* w = find_locked(top);
        if (!w || !(w->style & WS_SYSMENU) || (w->cls->info.style & CS_NOCLOSE)) return false;
        menu = w->system_menu;
    }
    if (!menu) return true;
    const UINT st = get_menu_state(menu, SC_CLOSE, MF_BYCOMMAND);
    return st != kMenuItemNotFound && !(st & (MF_GRAYED | MF_DISABLED));
}

LRESULT frame_hit_test(HWND hwnd, POINT screen_pt) {
    std::lock_guard guard(state().lock);
    const Window* w = find_locked(hwnd);
    if (!w) return HTNOWHERE;
    const POINT o = window_origin_locked(*w);
    const POINT p{screen_pt.x - o.x, screen_pt.y - o.y};
    auto in = [](const RECT& r, POINT q) { return q.x >= r.left && q.x < r.right && q.y >= r.top && q.y < r.bottom; };
    if (!in(RECT{0, 0, w->cx, w->cy}, p)) return HTNOWHERE;
    if (in(w->client, p)) return HTCLIENT;
    const FrameLayout f = frame_layout_locked(*w);
    if (f.has_caption && in(f.caption, p)) {
        if (f.has_close && in(f.close, p)) return HTCLOSE;
        if (f.has_close && in(f.icon, p)) return HTSYSMENU;
        return HTCAPTION;
    }
    if ((w->style & WS_VSCROLL) && p.x >= w->client.right && p.y >= w->client.top && p.y < w->client.bottom)
        return HTVSCROLL;
    if ((w->style & WS_HSCROLL) && p.y >= w->client.bottom && p.x >= w->client.left && p.x < w->client.right)
        return HTHSCROLL;
    if (w->style & WS_THICKFRAME) {
        const int e = f.edge;
        const bool left = p.x < e, right = p.x >= w->cx - e, top = p.y < e, bottom = p.y >= w->cy - e;
        if (top && left) return HTTOPLEFT;
        if (top && right) return HTTOPRIGHT;
        if (bottom && left) return HTBOTTOMLEFT;
        if (bottom && right) return HTBOTTOMRIGHT;
        if (left) return HTLEFT;
        if (right) return HTRIGHT;
        if (top) return HTTOP;
        if (bottom) return HTBOTTOM;
    }
    return HTBORDER;
}

namespace {

POINT lparam_point(LPARAM lParam) {
    return POINT{static_cast<std::int16_t>(loword(static_cast<std::uintptr_t>(lParam))),
                 static_cast<std::int16_t>(hiword(static_cast<std::uintptr_t>(lParam)))};
}

void set_close_pressed(HWND hwnd, bool pressed) {
    std::lock_guard guard(state().lock);
    if (Window* w = find_locked(hwnd); w && w->close_pressed != pressed) {
        w->close_pressed = pressed;
        invalidate_locked(*w, &w->client, false, true, false);
    }
}

}  // namespace

LRESULT def_frame_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCALCSIZE: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r) return 0;
        std::uint32_t style = 0, ex_style = 0;
        {
            std::lock_guard guard(state().lock);
            if (const Window* w = find_locked(hwnd)) {
                style = w->style;
                ex_style = w->ex_style;
            }
        }
        const RECT f = frame_insets(style, ex_style);
        r->left += f.left;
        r->top += f.top;
        r->right = std::max(r->left, r->right - f.right);
        r->bottom = std::max(r->top, r->bottom - f.bottom);
        return 0;
    }
    case WM_NCHITTEST: return frame_hit_test(hwnd, lparam_point(lParam));
    case WM_NCLBUTTONDOWN:
        if (wParam == static_cast<WPARAM>(HTCLOSE) && close_command_enabled(hwnd)) set_close_pressed(hwnd, true);
        return 0;
    case WM_NCLBUTTONUP: {
        bool pressed = false;
        {
            std::lock_guard guard(state().lock);
            if (const Window* w = find_locked(hwnd)) pressed = w->close_pressed;
        }
        set_close_pressed(hwnd, false);
        if (pressed && wParam == static_cast<WPARAM>(HTCLOSE) && close_command_enabled(hwnd))
            send_message(hwnd, WM_SYSCOMMAND, SC_CLOSE, lParam);
        return 0;
    }
    case WM_WINDOWPOSCHANGED: {
        const auto* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (!wp) return 0;
        RECT client{};
        POINT at{};
        bool maximized = false;
        {
            std::lock_guard guard(state().lock);
            const Window* w = find_locked(hwnd);
            if (!w) return 0;
            client = w->client;
            at = POINT{w->x + w->client.left, w->y + w->client.top};
            maximized = w->maximized;
        }
        if (!(wp->flags & SWP_NOCLIENTMOVE))
            send_message(hwnd, WM_MOVE, 0, make_lparam(static_cast<std::uint16_t>(at.x), static_cast<std::uint16_t>(at.y)));
        if (!(wp->flags & SWP_NOCLIENTSIZE))
            send_message(hwnd, WM_SIZE, maximized ? SIZE_MAXIMIZED : SIZE_RESTORED,
                         make_lparam(static_cast<std::uint16_t>(client.right - client.left),
                                     static_cast<std::uint16_t>(client.bottom - client.top)));
        return 0;
    }
    default: return def_paint_proc(hwnd, message, wParam, lParam);
    }
}

}  // namespace detail
}  // namespace platform
