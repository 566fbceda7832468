// The update areas of windows and the choice of the next WM_PAINT. The DCs
// and the default painting are in paint_dc.cpp.
#include "platform/paint.h"

#include <algorithm>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/display.h"
#include "platform/message_queue.h"
#include "platform/paint_internal.h"
#include "platform/thread.h"
#include "platform/window_objects.h"

namespace platform {

using namespace window_objects;

namespace {

bool empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT intersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    return empty(r) ? RECT{} : r;
}

RECT unite(const RECT& a, const RECT& b) {
    if (empty(a)) return b;
    if (empty(b)) return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

RECT client_box(const Window& w) {
    return RECT{0, 0, std::max(0, w.client.right - w.client.left), std::max(0, w.client.bottom - w.client.top)};
}

bool has_frame(const Window& w) {
    return w.client.left != 0 || w.client.top != 0 || w.client.right != w.cx || w.client.bottom != w.cy;
}

// What is left of `area` after `taken` is cut out, when that is a rectangle.
RECT subtract(const RECT& area, const RECT& taken) {
    const RECT cut = intersect(area, taken);
    if (empty(cut)) return area;
    if (cut.left == area.left && cut.right == area.right) {
        if (cut.top == area.top && cut.bottom == area.bottom) return RECT{};
        if (cut.top == area.top) return RECT{area.left, cut.bottom, area.right, area.bottom};
        if (cut.bottom == area.bottom) return RECT{area.left, area.top, area.right, cut.top};
    }
    if (cut.top == area.top && cut.bottom == area.bottom) {
        if (cut.left == area.left) return RECT{cut.right, area.top, area.right, area.bottom};
        if (cut.right == area.right) return RECT{area.left, area.top, cut.left, area.bottom};
    }
    return area;
}

bool within_locked(HWND hwnd, HWND ancestor);

bool wants_paint_locked(const Window& w) {
    return (w.needs_paint || w.nc_dirty) && !w.redraw_off && visible_locked(w);
}

}  // namespace

void detail::invalidate_locked(Window& w, const RECT* rect, bool erase, bool frame, bool children) {
    const RECT box = client_box(w);
    const RECT r = rect ? intersect(*rect, box) : box;
    if (!empty(r)) {
        w.update = unite(w.update, r);
        w.needs_paint = true;
        w.erase = w.erase || erase;
    }
    if (frame && has_frame(w)) w.nc_dirty = true;
    for (HWND c : w.children) {
        Window* child = find_locked(c);
        if (!child || !(child->style & WS_VISIBLE)) continue;
        if (children) {
            invalidate_locked(*child, nullptr, erase, true, true);
            continue;
        }
        if (w.style & WS_CLIPCHILDREN) continue;
        // The parent paints over the part of the child inside `r`: the child
        // paints again afterwards.
        const RECT over = intersect(r, RECT{child->x, child->y, child->x + child->cx, child->y + child->cy});
        if (empty(over)) continue;
        const RECT in_client{over.left - child->x - child->client.left, over.top - child->y - child->client.top,
                             over.right - child->x - child->client.left, over.bottom - child->y - child->client.top};
        invalidate_locked(*child, &in_client, erase, true, false);
    }
}

void detail::invalidate_parent_area_locked(Window& w, const RECT& in_parent) {
    Window* p = w.parent ? find_locked(w.parent) : nullptr;
    if (!p) return;
    invalidate_locked(*p, &in_parent, true, false, false);
    // Siblings under the window show again where it was.
    for (HWND c : p->children) {
        Window* s = find_locked(c);
        if (!s || s == &w || !(s->style & WS_VISIBLE)) continue;
        const RECT over = intersect(in_parent, RECT{s->x, s->y, s->x + s->cx, s->y + s->cy});
        if (empty(over)) continue;
        const RECT in_client{over.left - s->x - s->client.left, over.top - s->y - s->client.top,
                             over.right - s->x - s->client.left, over.bottom - s->y - s->client.top};
        invalidate_locked(*s, &in_client, true, true, false);
    }
}

HWND detail::next_window_to_paint(std::uint32_t tid, HWND filter) {
    while (true) {
        HWND found = 0;
        bool frame_only = false;
        {
            std::lock_guard guard(state().lock);
            // Depth first from each top-level window of the thread: a parent
            // is met before its children, siblings in stacking order.
            std::function<bool(const Window&)> walk = [&](const Window& w) {
                if (!(w.style & WS_VISIBLE) || w.minimized) return false;
                if (w.tid == tid && wants_paint_locked(w) &&
                    (filter == 0 || within_locked(w.hwnd, filter))) {
                    found = w.hwnd;
                    return true;
                }
                for (HWND c : w.children)
                    if (const Window* child = find_locked(c); child && walk(*child)) return true;
                return false;
            };
            std::vector<const Window*> tops;
            for (const auto& [h, w] : state().windows)
                if (!w->parent && w->tid == tid) tops.push_back(w.get());
            std::sort(tops.begin(), tops.end(), [](const Window* a, const Window* b) { return a->hwnd < b->hwnd; });
            for (const Window* t : tops)
                if (walk(*t)) break;
            if (!found) return 0;
            Window* w = find_locked(found);
            frame_only = !w->needs_paint;
            if (frame_only) w->nc_dirty = false;
        }
        if (!frame_only) return found;
        // Only the frame: Windows repaints it without a WM_PAINT.
        send_message(found, WM_NCPAINT, 1, 0);
    }
}

bool detail::thread_needs_paint(std::uint32_t tid) {
    std::lock_guard guard(state().lock);
    for (const auto& [h, w] : state().windows)
        if (w->tid == tid && wants_paint_locked(*w)) return true;
    return false;
}

void detail::flush_surfaces(std::uint32_t tid) {
    std::vector<std::pair<HWND, const Surface*>> changed;
    {
        std::lock_guard guard(state().lock);
        for (const auto& [h, w] : state().windows) {
            if (w->parent || w->tid != tid || !w->surface || !visible_locked(*w)) continue;
            if (w->surface->version == w->shown_version) continue;
            w->shown_version = w->surface->version;
            changed.emplace_back(h, w->surface.get());
        }
    }
    for (const auto& [h, s] : changed) display::surface_changed(h, *s);
}

namespace {

bool within_locked(HWND hwnd, HWND ancestor) {
    for (const Window* w = find_locked(hwnd); w; w = w->parent ? find_locked(w->parent) : nullptr)
        if (w->hwnd == ancestor) return true;
    return false;
}

// Another thread's window may need painting now: its thread may be asleep.
void wake_owner(const Window& w) {
    if (w.tid != current_thread_id()) detail::wake_thread(w.tid);
}

}  // namespace

bool invalidate_rect(HWND hwnd, const RECT* rect, bool erase) {
    auto w = local_window(hwnd);
    if (!w) return false;
    std::lock_guard guard(state().lock);
    detail::invalidate_locked(*w, rect, erase, false, false);
    wake_owner(*w);
    return true;
}

bool validate_rect(HWND hwnd, const RECT* rect) {
    auto w = local_window(hwnd);
    if (!w) return false;
    std::lock_guard guard(state().lock);
    w->update = rect ? subtract(w->update, *rect) : RECT{};
    if (empty(w->update)) {
        w->update = RECT{};
        w->needs_paint = false;
        w->erase = false;
    }
    return true;
}

bool update_window(HWND hwnd) {
    auto w = local_window(hwnd);
    if (!w) return false;
    bool paint = false, frame = false;
    {
        std::lock_guard guard(state().lock);
        paint = wants_paint_locked(*w) && w->needs_paint;
        frame = !paint && wants_paint_locked(*w) && w->nc_dirty;
        if (frame) w->nc_dirty = false;
    }
    if (frame) send_message(hwnd, WM_NCPAINT, 1, 0);
    if (paint) send_message(hwnd, WM_PAINT, 0, 0);
    return true;
}

bool redraw_window(HWND hwnd, const RECT* rect, HRGN, UINT flags) {
    auto w = local_window(hwnd);
    if (!w) return false;
    std::vector<HWND> subtree;
    {
        std::lock_guard guard(state().lock);
        const bool children = (flags & RDW_ALLCHILDREN) != 0;
        if (flags & RDW_INVALIDATE) {
            detail::invalidate_locked(*w, rect, (flags & RDW_ERASE) != 0, (flags & RDW_FRAME) != 0, children);
            wake_owner(*w);
        }
        if (flags & RDW_VALIDATE) {
            std::function<void(Window&)> validate = [&](Window& v) {
                v.update = RECT{};
                v.needs_paint = v.erase = false;
                if (flags & RDW_NOFRAME) v.nc_dirty = false;
                if (children)
                    for (HWND c : v.children)
                        if (Window* cw = find_locked(c)) validate(*cw);
            };
            if (!rect) {
                validate(*w);
            } else {
                w->update = subtract(w->update, *rect);
                if (empty(w->update)) w->needs_paint = w->erase = false;
            }
        }
        if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
            std::function<void(const Window&)> collect = [&](const Window& v) {
                subtree.push_back(v.hwnd);
                if (children)
                    for (HWND c : v.children)
                        if (const Window* cw = find_locked(c)) collect(*cw);
            };
            collect(*w);
        }
    }
    // Parents before children, as the queue would.
    for (HWND h : subtree) update_window(h);
    return true;
}

}  // namespace platform
