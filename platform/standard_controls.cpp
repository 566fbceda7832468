// Registration of the standard control classes, and what their procedures share.

#include "platform/standard_controls.h"

#include <mutex>

#include "platform/control_state.h"
#include "platform/dialog.h"
#include "platform/message_queue.h"
#include "platform/standard_controls_internal.h"
#include "platform/text.h"

namespace platform {

namespace {

struct StandardClass {
    const char* name;
    WNDPROC (*proc)();
    UINT style;
};

constexpr StandardClass kClasses[] = {
    {"BUTTON", detail::button_window_proc, CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW | CS_PARENTDC},
    {"STATIC", detail::static_window_proc, CS_GLOBALCLASS | CS_DBLCLKS | CS_PARENTDC},
    {"EDIT", detail::edit_window_proc, CS_GLOBALCLASS | CS_DBLCLKS | CS_PARENTDC},
};

}  // namespace

void ensure_standard_controls() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (const auto& c : kClasses) {
            WNDCLASS wc;
            wc.style = c.style;
            wc.lpfnWndProc = c.proc();
            wc.cbWndExtra = detail::kControlExtraBytes;
            wc.lpszClassName = c.name;
            register_class(wc);
        }
        // The common controls (progress bar, list view, tree view, rich edit)
        // register themselves here once they are part of the layer.
    });
}

bool is_standard_control_class(const char* name) {
    if (!name) return false;
    for (const auto& c : kClasses)
        if (iequals(c.name, name)) return true;
    return false;
}

void detail::notify_parent(HWND hwnd, std::uint16_t code) {
    HWND parent = get_parent(hwnd);
    if (!parent) return;
    send_message(parent, WM_COMMAND, make_wparam(static_cast<std::uint16_t>(get_window_long(hwnd, GWL_ID)), code),
                 static_cast<LPARAM>(hwnd));
}

}  // namespace platform
