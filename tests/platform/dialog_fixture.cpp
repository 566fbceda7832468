#include "tests/platform/dialog_fixture.h"

#include "platform/gdi.h"
#include "platform/keys.h"
#include "platform/message_queue.h"
#include "platform/window.h"
#include "platform/window_place.h"

namespace twtest {

using namespace platform;

void press_key(HWND hdlg, std::uint32_t vk, bool shift) {
    if (shift) {
        send_message(hdlg, WM_NEXTDLGCTL, 1, 0);
        return;
    }
    for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
        MSG m;
        m.hwnd = get_focus() ? get_focus() : hdlg;
        m.message = message;
        m.wParam = vk;
        is_dialog_message(hdlg, &m);
    }
}

void pump() {
    MSG m;
    while (peek_message(&m, 0, 0, 0, PM_REMOVE)) dispatch_message(&m);
}

LPARAM dialog_base_units(HWND hdlg) {
    // Measured here from the dialog's font, as Windows defines them: the
    // average width of the 52 letters, rounded, and the font's height.
    HDC hdc = create_compatible_dc(0);
    select_object(hdc, static_cast<HFONT>(send_message(hdlg, WM_GETFONT, 0, 0)));
    SIZE letters;
    get_text_extent_point32(hdc, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", &letters);
    TEXTMETRIC tm;
    get_text_metrics(hdc, &tm);
    delete_dc(hdc);
    return make_lparam(static_cast<std::uint16_t>((letters.cx / 26 + 1) / 2), static_cast<std::uint16_t>(tm.tmHeight));
}

RECT item_rect(HWND hdlg, int id) {
    RECT r;
    get_window_rect(get_dlg_item(hdlg, id), &r);
    POINT tl{r.left, r.top};
    screen_to_client(hdlg, &tl);
    return RECT{tl.x, tl.y, tl.x + (r.right - r.left), tl.y + (r.bottom - r.top)};
}

int mul_div(int value, int numerator, int denominator) {
    const long long p = static_cast<long long>(value) * numerator;
    return static_cast<int>(p >= 0 ? (p + denominator / 2) / denominator : (p - denominator / 2) / denominator);
}

}  // namespace twtest
