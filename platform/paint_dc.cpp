// Device contexts of windows and the default painting: begin_paint,
// end_paint, get_dc, get_window_dc, release_dc, the class background erase,
// the controls' default colours, and the copy of a window's pixels.
//
// A window DC is a surface DC of the window's top-level surface (gdi.h):
// its origin is the window's (client or frame) corner in the surface, its
// clip what of the window shows inside its ancestors' client areas, less the
// visible children for WS_CLIPCHILDREN windows. Each DC handed out is
// remembered with its window, so release_dc and end_paint can refuse a DC
// that is not that window's.
#include <algorithm>
#include <mutex>
#include <unordered_map>

#include "platform/gdi.h"
#include "platform/input.h"
#include "platform/message_queue.h"
#include "platform/paint.h"
#include "platform/paint_internal.h"
#include "platform/window_objects.h"

namespace platform {

using namespace window_objects;

namespace {

struct DcRecord {
    HWND hwnd = 0;
    HWND top = 0;
};

std::mutex dc_lock;
std::unordered_map<HDC, DcRecord>& dcs() {
    static auto* m = new std::unordered_map<HDC, DcRecord>;
    return *m;
}

bool empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT intersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    return empty(r) ? RECT{} : r;
}

// A DC for the window: client area or whole window, cut to `limit` (client
// or window coordinates as `client_only` says) when given.
HDC window_dc(HWND hwnd, bool client_only, const RECT* limit) {
    auto w = local_window(hwnd);
    if (!w) return 0;
    Surface* surface = nullptr;
    POINT origin;
    RECT clip;
    std::vector<RECT> excluded;  // surface coordinates
    HWND top = 0;
    {
        std::lock_guard guard(state().lock);
        Window* t = top_locked(*w);
        if (!t->surface) return 0;
        surface = t->surface.get();
        top = t->hwnd;
        const POINT o = surface_offset_locked(*w);
        origin = client_only ? POINT{o.x + w->client.left, o.y + w->client.top} : o;
        clip = visible_locked(*w) ? visible_rect_locked(*w, client_only) : RECT{};
        if (limit)
            clip = intersect(clip, RECT{origin.x + limit->left, origin.y + limit->top, origin.x + limit->right,
                                        origin.y + limit->bottom});
        if (w->style & WS_CLIPCHILDREN) {
            const POINT co{o.x + w->client.left, o.y + w->client.top};
            for (HWND c : w->children) {
                const Window* child = find_locked(c);
                if (!child || !(child->style & WS_VISIBLE) || child->minimized) continue;
                excluded.push_back(RECT{co.x + child->x, co.y + child->y, co.x + child->x + child->cx,
                                        co.y + child->y + child->cy});
            }
        }
    }
    const HDC hdc = create_surface_dc(surface, origin, clip);
    if (!hdc) return 0;
    for (const RECT& r : excluded)
        exclude_clip_rect(hdc, r.left - origin.x, r.top - origin.y, r.right - origin.x, r.bottom - origin.y);
    // The window's font and colours start as a new DC's; the system font as on Windows.
    std::lock_guard guard(dc_lock);
    dcs()[hdc] = DcRecord{hwnd, top};
    return hdc;
}

bool forget_dc(HWND hwnd, HDC hdc) {
    {
        std::lock_guard guard(dc_lock);
        auto it = dcs().find(hdc);
        if (it == dcs().end() || (hwnd && it->second.hwnd != hwnd)) return false;
        dcs().erase(it);
    }
    delete_dc(hdc);
    return true;
}

HBRUSH class_background(HWND hwnd) {
    std::lock_guard guard(state().lock);
    const Window* w = find_locked(hwnd);
    return w ? brush_from_class_background(w->cls->info.hbrBackground) : 0;
}

}  // namespace

HDC get_dc(HWND hwnd) { return window_dc(hwnd, true, nullptr); }

HDC get_window_dc(HWND hwnd) { return window_dc(hwnd, false, nullptr); }

int release_dc(HWND hwnd, HDC hdc) { return forget_dc(hwnd, hdc) ? 1 : 0; }

HDC begin_paint(HWND hwnd, PAINTSTRUCT* ps) {
    auto w = local_window(hwnd);
    if (!w || !ps) return 0;
    *ps = PAINTSTRUCT{};
    hide_caret(hwnd);
    RECT update;
    bool erase = false, frame = false;
    {
        std::lock_guard guard(state().lock);
        update = w->update;
        erase = w->erase;
        frame = w->nc_dirty;
        // Validated before anything is drawn: what is invalidated while the
        // window paints is painted next time.
        w->update = RECT{};
        w->needs_paint = w->erase = w->nc_dirty = false;
    }
    if (frame) send_message(hwnd, WM_NCPAINT, 1, 0);
    const HDC hdc = window_dc(hwnd, true, &update);
    if (!hdc) return 0;
    bool erased = false;
    if (erase) erased = send_message(hwnd, WM_ERASEBKGND, static_cast<WPARAM>(hdc), 0) != 0;
    ps->hdc = hdc;
    ps->fErase = erase && !erased;
    ps->rcPaint = update;
    return hdc;
}

bool end_paint(HWND hwnd, const PAINTSTRUCT* ps) {
    if (!ps) return false;
    show_caret(hwnd);
    return forget_dc(hwnd, ps->hdc);
}

bool get_update_rect(HWND hwnd, RECT* rect, bool erase) {
    auto w = local_window(hwnd);
    if (!w) return false;
    RECT update;
    bool needs = false, owed = false;
    {
        std::lock_guard guard(state().lock);
        update = w->update;
        needs = w->needs_paint;
        owed = w->erase;
        if (erase && owed) w->erase = false;
    }
    if (erase && owed) {
        const HDC hdc = window_dc(hwnd, true, &update);
        if (hdc) {
            send_message(hwnd, WM_ERASEBKGND, static_cast<WPARAM>(hdc), 0);
            forget_dc(hwnd, hdc);
        }
    }
    if (rect) *rect = needs ? update : RECT{};
    return needs;
}

const Surface* window_surface(HWND top) {
    auto w = find(top);
    if (!w) return nullptr;
    std::lock_guard guard(state().lock);
    return w->parent ? nullptr : w->surface.get();
}

bool snapshot_window(HWND hwnd, Image* out) {
    auto w = local_window(hwnd);
    if (!w || !out) return false;
    std::lock_guard guard(state().lock);
    const Window* t = top_locked(*w);
    if (!t->surface) return false;
    const Surface& s = *t->surface;
    const RECT r = intersect(visible_rect_locked(*w, false), RECT{0, 0, s.width, s.height});
    *out = Image{};
    out->width = std::max(0, r.right - r.left);
    out->height = std::max(0, r.bottom - r.top);
    out->pixels.resize(static_cast<std::size_t>(out->width) * out->height);
    for (int y = 0; y < out->height; ++y)
        for (int x = 0; x < out->width; ++x)
            out->at(x, y) = 0xFF000000u | (s.pixels[static_cast<std::size_t>(r.top + y) * s.width + r.left + x] & 0xFFFFFF);
    return true;
}

namespace detail {

LRESULT def_paint_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        if (begin_paint(hwnd, &ps)) end_paint(hwnd, &ps);
        return 0;
    }
    case WM_ERASEBKGND: {
        const HBRUSH brush = class_background(hwnd);
        if (!brush) return 0;
        RECT client;
        get_client_rect(hwnd, &client);
        fill_rect(static_cast<HDC>(wParam), client, brush);
        return 1;
    }
    case WM_PRINTCLIENT: return 0;
    case WM_NCPAINT: paint_frame(hwnd); return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
        // As Windows answers for a window that does not: edits and lists on
        // the window colour, everything else on the button face.
        const auto hdc = static_cast<HDC>(wParam);
        const bool field = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
        set_text_color(hdc, get_sys_color(COLOR_WINDOWTEXT));
        set_bk_color(hdc, get_sys_color(field ? COLOR_WINDOW : COLOR_3DFACE));
        (void)lParam;
        return static_cast<LRESULT>(get_sys_color_brush(field ? COLOR_WINDOW : COLOR_3DFACE));
    }
    default: return 0;
    }
}

}  // namespace detail
}  // namespace platform
