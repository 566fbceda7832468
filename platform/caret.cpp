// The caret is one per thread, as on Windows: its window, size, place and
// hide count. Nothing here draws it.
#include <cstdint>

#include "platform/input.h"
#include "platform/thread.h"
#include "platform/window.h"

namespace platform {
namespace {

struct Caret {
    HWND hwnd = 0;
    int width = 0;
    int height = 0;
    POINT pos;
    int hidden = 1;  // a new caret is hidden until show_caret
};

thread_local Caret caret;

}  // namespace

bool create_caret(HWND hwnd, HBITMAP, int width, int height) {
    if (!is_window(hwnd)) return false;
    caret = Caret{hwnd, width, height, {}, 1};
    return true;
}

bool destroy_caret() {
    if (!caret.hwnd) return false;
    caret = Caret{};
    return true;
}

bool show_caret(HWND hwnd) {
    if (!caret.hwnd || (hwnd && hwnd != caret.hwnd)) return false;
    if (caret.hidden > 0) caret.hidden--;
    return true;
}

bool hide_caret(HWND hwnd) {
    if (!caret.hwnd || (hwnd && hwnd != caret.hwnd)) return false;
    caret.hidden++;
    return true;
}

bool set_caret_pos(int x, int y) {
    if (!caret.hwnd) return false;
    caret.pos = POINT{x, y};
    return true;
}

bool get_caret_pos(POINT* pt) {
    if (!pt) return false;
    *pt = caret.pos;
    return true;
}

bool caret_visible(HWND hwnd) { return caret.hwnd && caret.hwnd == hwnd && caret.hidden == 0 && is_window(hwnd); }

}  // namespace platform
