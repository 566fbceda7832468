// Window geometry: frames, positions, stacking and the coordinate
// conversions. Positions are kept as Windows keeps them (a child's in its
// parent's client coordinates), so every question about the screen or the
// surface walks up the parents.
#include "platform/window_place.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "platform/display.h"
#include "platform/message_queue.h"
#include "platform/paint_internal.h"
#include "platform/system_metrics.h"
#include "platform/thread.h"
#include "platform/window_internal.h"
#include "platform/window_objects.h"
#include "platform/window_table.h"

namespace platform {

namespace window_objects {

POINT window_origin_locked(const Window& w) {
    if (!w.parent) return {w.x, w.y};
    const Window* p = find_locked(w.parent);
    if (!p) return {w.x, w.y};
    const POINT o = client_origin_locked(*p);
    return {o.x + w.x, o.y + w.y};
}

POINT client_origin_locked(const Window& w) {
    const POINT o = window_origin_locked(w);
    return {o.x + w.client.left, o.y + w.client.top};
}

Window* top_locked(Window& w) {
    Window* c = &w;
    while (c->parent) {
        Window* p = find_locked(c->parent);
        if (!p) break;
        c = p;
    }
    return c;
}

POINT surface_offset_locked(const Window& w) {
    const Window* top = top_locked(const_cast<Window&>(w));
    const POINT a = window_origin_locked(w);
    const POINT t = window_origin_locked(*top);
    return {a.x - t.x, a.y - t.y};
}

bool visible_locked(const Window& w) {
    const Window* c = &w;
    while (c) {
        if (!(c->style & WS_VISIBLE) || c->minimized) return false;
        c = c->parent ? find_locked(c->parent) : nullptr;
    }
    return true;
}

namespace {

RECT intersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (r.right <= r.left || r.bottom <= r.top) return RECT{};
    return r;
}

}  // namespace

RECT visible_rect_locked(const Window& w, bool client_only) {
    const POINT o = surface_offset_locked(w);
    RECT r = client_only ? RECT{o.x + w.client.left, o.y + w.client.top, o.x + w.client.right, o.y + w.client.bottom}
                         : RECT{o.x, o.y, o.x + w.cx, o.y + w.cy};
    for (const Window* p = w.parent ? find_locked(w.parent) : nullptr; p; p = p->parent ? find_locked(p->parent) : nullptr) {
        const POINT po = surface_offset_locked(*p);
        r = intersect(r, RECT{po.x + p->client.left, po.y + p->client.top, po.x + p->client.right,
                              po.y + p->client.bottom});
    }
    const Window* top = top_locked(const_cast<Window&>(w));
    return intersect(r, RECT{0, 0, top->cx, top->cy});
}

RECT frame_insets(std::uint32_t style, std::uint32_t ex_style) {
    int edge = 0;
    if (style & WS_THICKFRAME)
        edge = get_system_metrics(SM_CXFRAME);
    else if ((style & WS_DLGFRAME) || (ex_style & WS_EX_DLGMODALFRAME))
        edge = get_system_metrics(SM_CXDLGFRAME);
    else if (style & WS_BORDER)
        edge = get_system_metrics(SM_CXBORDER);
    if (ex_style & WS_EX_CLIENTEDGE) edge += get_system_metrics(SM_CXEDGE);
    if (ex_style & WS_EX_STATICEDGE) edge += get_system_metrics(SM_CXBORDER);
    RECT r{edge, edge, edge, edge};
    if ((style & WS_CAPTION) == WS_CAPTION) r.top += get_system_metrics(SM_CYCAPTION);
    if (style & WS_VSCROLL) r.right += get_system_metrics(SM_CXVSCROLL);
    if (style & WS_HSCROLL) r.bottom += get_system_metrics(SM_CYHSCROLL);
    return r;
}

}  // namespace window_objects

using namespace window_objects;

namespace {

// Not a handle the window table gives out (its low 12 bits are never 0).
constexpr HWND kDesktopWindow = 0x00010000u;

RECT screen_rect() { return RECT{0, 0, get_system_metrics(SM_CXSCREEN), get_system_metrics(SM_CYSCREEN)}; }

bool contains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

// Moves a child within its parent's stacking order.
void restack_locked(Window& w, HWND after) {
    Window* p = find_locked(w.parent);
    if (!p) return;
    auto& v = p->children;
    std::erase(v, w.hwnd);
    if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
        v.insert(v.begin(), w.hwnd);
    } else if (after == HWND_BOTTOM) {
        v.push_back(w.hwnd);
    } else {
        auto it = std::find(v.begin(), v.end(), after);
        v.insert(it == v.end() ? v.end() : it + 1, w.hwnd);
    }
}

}  // namespace

bool set_window_pos(HWND hwnd, HWND insert_after, int x, int y, int cx, int cy, UINT flags) {
    auto w = local_window(hwnd);
    if (!w) return false;
    WINDOWPOS wp{hwnd, insert_after, x, y, cx, cy, flags};
    {
        std::lock_guard guard(state().lock);
        if (flags & SWP_NOMOVE) {
            wp.x = w->x;
            wp.y = w->y;
        }
        if (flags & SWP_NOSIZE) {
            wp.cx = w->cx;
            wp.cy = w->cy;
        }
        const bool visible = (w->style & WS_VISIBLE) != 0;
        if (visible) wp.flags &= ~SWP_SHOWWINDOW;
        if (!visible) wp.flags &= ~SWP_HIDEWINDOW;
    }
    if (!(wp.flags & SWP_NOSENDCHANGING)) send_message(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    flags = wp.flags;

    RECT old_rect, old_client;
    bool was_visible, child, top_level;
    {
        std::lock_guard guard(state().lock);
        if (state().windows.find(hwnd) == state().windows.end()) return false;  // destroyed on the way
        old_rect = RECT{w->x, w->y, w->x + w->cx, w->y + w->cy};
        old_client = w->client;
        was_visible = visible_locked(*w);
        child = w->parent != 0;
        top_level = is_top_level(*w);
    }
    const int nx = (flags & SWP_NOMOVE) ? old_rect.left : wp.x;
    const int ny = (flags & SWP_NOMOVE) ? old_rect.top : wp.y;
    const int ncx = (flags & SWP_NOSIZE) ? old_rect.right - old_rect.left : std::max(0, wp.cx);
    const int ncy = (flags & SWP_NOSIZE) ? old_rect.bottom - old_rect.top : std::max(0, wp.cy);
    const bool moved = nx != old_rect.left || ny != old_rect.top;
    const bool sized = ncx != old_rect.right - old_rect.left || ncy != old_rect.bottom - old_rect.top;

    RECT client = old_client;
    if (sized || (flags & SWP_FRAMECHANGED)) {
        RECT r{nx, ny, nx + ncx, ny + ncy};
        send_message(hwnd, WM_NCCALCSIZE, 0, reinterpret_cast<LPARAM>(&r));
        client = RECT{r.left - nx, r.top - ny, r.right - nx, r.bottom - ny};
    }

    bool now_visible = false;
    {
        std::lock_guard guard(state().lock);
        if (state().windows.find(hwnd) == state().windows.end()) return false;
        if (child && was_visible && (moved || sized || (flags & SWP_HIDEWINDOW)))
            detail::invalidate_parent_area_locked(*w, old_rect);
        w->x = nx;
        w->y = ny;
        w->cx = ncx;
        w->cy = ncy;
        w->client = client;
        if (flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
        if (flags & SWP_HIDEWINDOW) w->style &= ~WS_VISIBLE;
        if (!(flags & SWP_NOZORDER)) {
            if (child) {
                restack_locked(*w, wp.hwndInsertAfter);
            } else if (wp.hwndInsertAfter == HWND_TOPMOST) {
                w->ex_style |= WS_EX_TOPMOST;
            } else if (wp.hwndInsertAfter == HWND_NOTOPMOST) {
                w->ex_style &= ~WS_EX_TOPMOST;
            }
        }
        if (w->surface && (sized || !w->surface->width)) w->surface->resize(ncx, ncy);
        now_visible = visible_locked(*w);
        if (now_visible && (!was_visible || sized || (moved && child) || (flags & SWP_FRAMECHANGED)) &&
            !(flags & SWP_NOREDRAW))
            detail::invalidate_locked(*w, nullptr, true, true, true);
        if (!child && (flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW))) w->shown_version = 0;
    }
    if (flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) publish(hwnd);
    if (top_level && !(flags & SWP_NOZORDER) && wp.hwndInsertAfter != HWND_BOTTOM &&
        wp.hwndInsertAfter != HWND_NOTOPMOST)
        detail::table_bring_to_top(hwnd);

    UINT changed = flags & ~(SWP_NOCLIENTSIZE | SWP_NOCLIENTMOVE);
    const bool client_sized = sized || (client.right - client.left) != (old_client.right - old_client.left) ||
                              (client.bottom - client.top) != (old_client.bottom - old_client.top);
    const bool client_moved = moved || client.left != old_client.left || client.top != old_client.top;
    if (!client_sized) changed |= SWP_NOCLIENTSIZE;
    if (!client_moved) changed |= SWP_NOCLIENTMOVE;
    WINDOWPOS done{hwnd, wp.hwndInsertAfter, nx, ny, ncx, ncy, changed};
    send_message(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&done));

    if (top_level) {
        RECT screen{nx, ny, nx + ncx, ny + ncy};
        if ((flags & SWP_HIDEWINDOW) && was_visible) display::window_hidden(hwnd);
        if (now_visible && !was_visible) {
            Surface* s = nullptr;
            std::string title;
            {
                std::lock_guard guard(state().lock);
                s = w->surface.get();
                title = w->text;
            }
            if (s) display::window_shown(hwnd, *s, screen, title);
        } else if (now_visible && (moved || sized)) {
            display::window_moved(hwnd, screen);
        }
        if (now_visible && !(flags & SWP_NOACTIVATE) && w->tid == current_thread_id()) set_active_window(hwnd);
    }
    return true;
}

bool adjust_window_rect_ex(RECT* rect, std::uint32_t style, bool menu, std::uint32_t ex_style) {
    if (!rect) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return false;
    }
    const RECT f = frame_insets(style, ex_style);
    rect->left -= f.left;
    rect->top -= f.top + (menu ? get_system_metrics(SM_CYMENU) : 0);
    rect->right += f.right;
    rect->bottom += f.bottom;
    return true;
}

bool adjust_window_rect(RECT* rect, std::uint32_t style, bool menu) {
    return adjust_window_rect_ex(rect, style, menu, 0);
}

namespace {

// The screen position of a window's client (0,0); the screen's for 0 or the desktop.
bool client_origin(HWND hwnd, POINT* origin) {
    if (hwnd == 0 || hwnd == kDesktopWindow) {
        *origin = {};
        return true;
    }
    auto w = local_window(hwnd);
    if (!w) return false;
    std::lock_guard guard(state().lock);
    *origin = client_origin_locked(*w);
    return true;
}

}  // namespace

bool client_to_screen(HWND hwnd, POINT* pt) {
    POINT o;
    if (!pt || hwnd == 0 || !client_origin(hwnd, &o)) return false;
    pt->x += o.x;
    pt->y += o.y;
    return true;
}

bool screen_to_client(HWND hwnd, POINT* pt) {
    POINT o;
    if (!pt || hwnd == 0 || !client_origin(hwnd, &o)) return false;
    pt->x -= o.x;
    pt->y -= o.y;
    return true;
}

int map_window_points(HWND from, HWND to, POINT* points, UINT count) {
    POINT a, b;
    if (!client_origin(from, &a) || !client_origin(to, &b)) return 0;
    const int dx = a.x - b.x, dy = a.y - b.y;
    for (UINT i = 0; points && i < count; ++i) {
        points[i].x += dx;
        points[i].y += dy;
    }
    set_last_error(ERROR_SUCCESS);
    return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(dx)) |
                            (static_cast<std::uint32_t>(static_cast<std::uint16_t>(dy)) << 16));
}

namespace {

// The child of `parent` under a point in its client coordinates, by the flags.
HWND child_at_locked(const Window& parent, POINT pt, UINT flags) {
    for (HWND c : parent.children) {
        const Window* w = find_locked(c);
        if (!w) continue;
        if ((flags & CWP_SKIPINVISIBLE) && (!(w->style & WS_VISIBLE) || w->minimized)) continue;
        if ((flags & CWP_SKIPDISABLED) && (w->style & WS_DISABLED)) continue;
        if ((flags & CWP_SKIPTRANSPARENT) && (w->ex_style & WS_EX_TRANSPARENT)) continue;
        if (contains(RECT{w->x, w->y, w->x + w->cx, w->y + w->cy}, pt)) return c;
    }
    return 0;
}

}  // namespace

HWND window_from_point(POINT pt) {
    std::vector<HWND> tops;
    for (const auto& r : detail::table_list())
        if (r.pid == self_pid() && !(r.style & WS_CHILD)) tops.push_back(r.hwnd);
    std::lock_guard guard(state().lock);
    // Topmost windows stand in front of the rest.
    std::stable_partition(tops.begin(), tops.end(), [](HWND h) {
        const Window* w = find_locked(h);
        return w && (w->ex_style & WS_EX_TOPMOST);
    });
    for (HWND h : tops) {
        const Window* w = find_locked(h);
        if (!w || !visible_locked(*w)) continue;
        if (!contains(RECT{w->x, w->y, w->x + w->cx, w->y + w->cy}, pt)) continue;
        const Window* at = w;
        while (true) {
            const POINT o = client_origin_locked(*at);
            const POINT local{pt.x - o.x, pt.y - o.y};
            if (!contains(at->client, POINT{local.x + at->client.left, local.y + at->client.top})) break;
            const HWND c = child_at_locked(*at, local, CWP_SKIPINVISIBLE);
            if (!c) break;
            at = find_locked(c);
        }
        return at->hwnd;
    }
    return 0;
}

HWND child_window_from_point_ex(HWND parent, POINT pt, UINT flags) {
    auto w = local_window(parent);
    if (!w) return 0;
    std::lock_guard guard(state().lock);
    const RECT client{0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
    if (!contains(client, pt)) return 0;
    const HWND c = child_at_locked(*w, pt, flags);
    return c ? c : parent;
}

HWND child_window_from_point(HWND parent, POINT pt) { return child_window_from_point_ex(parent, pt, CWP_ALL); }

HWND get_window(HWND hwnd, UINT command) {
    auto w = local_window(hwnd);
    if (!w) return 0;
    std::lock_guard guard(state().lock);
    if (command == GW_CHILD) return w->children.empty() ? 0 : w->children.front();
    if (command == GW_OWNER) return w->owner;
    if (!w->parent) {
        // Top-level windows: this process's, in the computer's stacking order.
        std::vector<HWND> tops;
        for (const auto& r : detail::table_list())
            if (r.parent == 0 && !(r.style & WS_CHILD)) tops.push_back(r.hwnd);
        auto it = std::find(tops.begin(), tops.end(), hwnd);
        if (it == tops.end()) return 0;
        switch (command) {
        case GW_HWNDFIRST: return tops.front();
        case GW_HWNDLAST: return tops.back();
        case GW_HWNDNEXT: return it + 1 == tops.end() ? 0 : *(it + 1);
        case GW_HWNDPREV: return it == tops.begin() ? 0 : *(it - 1);
        default: break;
        }
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const Window* p = find_locked(w->parent);
    if (!p) return 0;
    const auto& v = p->children;
    auto it = std::find(v.begin(), v.end(), hwnd);
    if (it == v.end()) return 0;
    switch (command) {
    case GW_HWNDFIRST: return v.front();
    case GW_HWNDLAST: return v.back();
    case GW_HWNDNEXT: return it + 1 == v.end() ? 0 : *(it + 1);
    case GW_HWNDPREV: return it == v.begin() ? 0 : *(it - 1);
    default: break;
    }
    set_last_error(ERROR_INVALID_PARAMETER);
    return 0;
}

HWND get_top_window(HWND parent) { return get_window(parent, GW_CHILD); }

bool is_iconic(HWND hwnd) {
    auto w = find(hwnd);
    if (!w) return false;
    std::lock_guard guard(state().lock);
    return w->minimized;
}

bool is_zoomed(HWND hwnd) {
    auto w = find(hwnd);
    if (!w) return false;
    std::lock_guard guard(state().lock);
    return w->maximized;
}

HWND get_desktop_window() { return kDesktopWindow; }

namespace detail {

bool desktop_rect(HWND hwnd, RECT* rect) {
    if (hwnd != kDesktopWindow) return false;
    *rect = screen_rect();
    return true;
}

}  // namespace detail

}  // namespace platform
