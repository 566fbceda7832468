#include "platform/input_pending.h"
#include "platform/keys.h"
#include "platform/standard_controls_internal.h"
namespace platform {
namespace { thread_local HWND capture = 0; }
__attribute__((weak)) HWND set_capture(HWND hwnd) { HWND o = capture; capture = hwnd; return o; }
__attribute__((weak)) bool release_capture() { capture = 0; return true; }
__attribute__((weak)) HWND get_capture() { return capture; }
__attribute__((weak)) std::int16_t get_key_state(int) { return 0; }
__attribute__((weak)) bool call_msg_filter(MSG*, int) { return false; }
namespace detail {
bool shift_pressed() { return get_key_state(VK_SHIFT) < 0; }
void paint_button(HWND, ButtonState&) {}
void paint_static(HWND, const StaticState&) {}
void paint_edit(HWND, const EditState&) {}
void repaint_control(HWND) {}
HGDIOBJ load_control_image(Handle, const char*, UINT) { return 0; }
void delete_control_image(HGDIOBJ, UINT) {}
}
}
#include "platform/message_box_internal.h"
#include "platform/message_box.h"
namespace platform {
namespace detail {
void message_box_work_area(RECT* area) { *area = RECT{0, 0, 1024, 768}; }
void message_box_frame(HWND, RECT*) {}
}
bool message_beep(UINT) { return true; }
}
