#include "platform/system_metrics.h"

#include "platform/machine_root.h"
#include "platform/win_error.h"

namespace platform {
namespace {

struct Screen {
    int width = 1024;
    int height = 768;
};

Screen screen() {
    Screen s;
    if (auto facts = machine_facts()) {
        s.width = facts->screen_width;
        s.height = facts->screen_height;
    }
    return s;
}

}  // namespace

int get_system_metrics(int index) {
    switch (index) {
    case SM_CXSCREEN: return screen().width;
    case SM_CYSCREEN: return screen().height;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB: return 16;
    case SM_CYCAPTION: return 19;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CYMENU: return 19;
    case SM_CYSMCAPTION: return 16;
    case SM_CXSIZE:
    case SM_CYSIZE: return 18;
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    case SM_CXFULLSCREEN: return screen().width;
    case SM_CYFULLSCREEN: return screen().height - kTaskBarHeight - 19;
    case SM_CXMAXIMIZED: return screen().width + 2 * 4;
    case SM_CYMAXIMIZED: return screen().height - kTaskBarHeight + 2 * 4;
    case SM_CMONITORS: return 1;
    default: return 0;
    }
}

bool system_parameters_info(UINT action, UINT, void* param, UINT) {
    if (action != SPI_GETWORKAREA || !param) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return false;
    }
    const Screen s = screen();
    *static_cast<RECT*>(param) = RECT{0, 0, s.width, s.height - kTaskBarHeight};
    return true;
}

}  // namespace platform
