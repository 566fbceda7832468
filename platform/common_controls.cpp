// Registration of the common controls and what they share: notifications to
// the parent and the vertical scroll bar they draw inside their client area.
#include <mutex>

#include "platform/commctrl.h"
#include "platform/controls_internal.h"
#include "platform/win_error.h"

namespace platform {
namespace controls {

void register_control_class(const char* name, WNDPROC proc) {
    WNDCLASS wc;
    wc.style = CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.cbWndExtra = kStateBytes;
    wc.lpszClassName = name;
    WNDCLASS existing;
    if (get_class_info(0, name, &existing) && existing.lpfnWndProc == proc) return;
    register_class(wc);
}

int copy_text(const std::string& text, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return 0;
    int n = std::min(static_cast<int>(text.size()), size - 1);
    std::copy_n(text.data(), n, buffer);
    buffer[n] = '\0';
    return n;
}

LRESULT notify_parent(HWND control, UINT code, NMHDR* hdr) {
    hdr->hwndFrom = control;
    hdr->idFrom = static_cast<std::uintptr_t>(static_cast<std::uint32_t>(get_window_long(control, GWL_ID)));
    hdr->code = code;
    HWND parent = get_parent(control);
    if (parent == 0) return 0;
    return send_message(parent, WM_NOTIFY, hdr->idFrom, reinterpret_cast<LPARAM>(hdr));
}

ScrollBarLayout scroll_bar_layout(const RECT& client, const VerticalScroll& scroll) {
    ScrollBarLayout l;
    l.bar = RECT{client.right - kScrollBarWidth, client.top, client.right, client.bottom};
    int height = client.bottom - client.top;
    int arrow = std::min(kScrollBarWidth, height / 2);
    l.up = RECT{l.bar.left, l.bar.top, l.bar.right, l.bar.top + arrow};
    l.down = RECT{l.bar.left, l.bar.bottom - arrow, l.bar.right, l.bar.bottom};
    int track = std::max(0, height - 2 * arrow);
    int count = std::max(scroll.count, 1);
    int thumb = std::clamp(track * std::max(scroll.page, 1) / count, std::min(8, track), track);
    int range = scroll.max_top();
    int offset = range > 0 ? (track - thumb) * scroll.top / range : 0;
    l.thumb = RECT{l.bar.left, l.up.bottom + offset, l.bar.right, l.up.bottom + offset + thumb};
    return l;
}

int scroll_bar_hit(const ScrollBarLayout& l, POINT pt) {
    if (!point_in_rect(l.bar, pt)) return -1;
    if (point_in_rect(l.up, pt)) return kSbLineUp;
    if (point_in_rect(l.down, pt)) return kSbLineDown;
    if (pt.y < l.thumb.top) return kSbPageUp;
    if (pt.y >= l.thumb.bottom) return kSbPageDown;
    return kSbThumbTrack;
}

bool scroll_bar_click(HWND hwnd, const RECT& client, VerticalScroll& scroll, POINT pt) {
    if (!scroll.needed()) return false;
    int request = scroll_bar_hit(scroll_bar_layout(client, scroll), pt);
    if (request < 0) return false;
    // A press on the thumb starts no drag here: the thumb stays where it is.
    if (request != static_cast<int>(kSbThumbTrack))
        send_message(hwnd, WM_VSCROLL, make_wparam(static_cast<std::uint16_t>(request), 0), 0);
    return true;
}

}  // namespace controls

bool init_common_controls_ex(const INITCOMMONCONTROLSEX* icc) {
    if (icc == nullptr || icc->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return false;
    }
    // One lock, so that two threads initialising at once register each class once.
    static std::mutex lock;
    std::lock_guard guard(lock);
    if (icc->dwICC & ICC_PROGRESS_CLASS) controls::register_control_class(PROGRESS_CLASS, controls::progress_bar_proc);
    if (icc->dwICC & ICC_LISTVIEW_CLASSES) controls::register_control_class(WC_LISTVIEW, controls::list_view_proc);
    if (icc->dwICC & ICC_TREEVIEW_CLASSES) controls::register_control_class(WC_TREEVIEW, controls::tree_view_proc);
    return true;
}

void init_common_controls() {
    INITCOMMONCONTROLSEX icc;
    icc.dwICC = ICC_WIN95_CLASSES;
    init_common_controls_ex(&icc);
}

}  // namespace platform
