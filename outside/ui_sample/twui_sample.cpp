// twui-sample: a modeless dialog of the windowing layer, shown live on X11
// when a display is there, or pictured headless with --shot.
//
//   twui-sample [--shot FILE.png [--after-ms N]]
//
// With --shot the program saves the dialog as PNG N ms (default 1500) after
// it appeared, then ends: exit code 0 when the picture was written.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "outside/ui_sample/twui_sample_ids.h"
#include "platform/automation.h"
#include "platform/commctrl.h"
#include "platform/dialog.h"
#include "platform/display.h"
#include "platform/message_box.h"
#include "platform/message_queue.h"
#include "platform/resources.h"
#include "platform/window.h"

namespace {

using namespace platform;

constexpr std::uintptr_t kProgressTimer = 1;
constexpr std::uintptr_t kShotTimer = 2;
constexpr UINT kProgressStepMs = 100;

struct Options {
    std::string shot;
    UINT after_ms = 1500;
};

Options g_options;
int g_exit_code = 0;
int g_percent = 0;

std::string string_resource(std::uint32_t id) {
    auto s = load_string(0, id);
    return s ? *s : std::string();
}

void advance(HWND dlg) {
    g_percent = (g_percent + 2) % 102;
    send_dlg_item_message(dlg, IDC_PROGRESS, PBM_SETPOS, static_cast<WPARAM>(g_percent), 0);
    std::string label = g_percent == 100 ? string_resource(IDS_DONE) : std::to_string(g_percent) + " %";
    set_dlg_item_text(dlg, IDC_PERCENT, label.c_str());
}

void take_shot(HWND dlg) {
    kill_timer(dlg, kShotTimer);
    auto written = automation::screenshot(dlg, g_options.shot);
    if (!written) {
        std::fprintf(stderr, "twui-sample: %s\n", written.error().describe().c_str());
        g_exit_code = 1;
    } else {
        std::printf("twui-sample: wrote %s\n", g_options.shot.c_str());
    }
    destroy_window(dlg);
}

std::intptr_t sample_proc(HWND dlg, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        send_dlg_item_message(dlg, IDC_PROGRESS, PBM_SETRANGE, 0, make_lparam(0, 100));
        set_timer(dlg, kProgressTimer, kProgressStepMs, nullptr);
        if (!g_options.shot.empty()) set_timer(dlg, kShotTimer, g_options.after_ms, nullptr);
        return 1;
    case WM_TIMER:
        if (wParam == kProgressTimer) advance(dlg);
        if (wParam == kShotTimer) take_shot(dlg);
        return 1;
    case WM_COMMAND:
        switch (loword(wParam)) {
        case IDC_ABOUT: {
            std::string title = string_resource(IDS_TITLE);
            message_box(dlg, string_resource(IDS_ABOUT).c_str(), title.c_str(), MB_OK | MB_ICONINFORMATION);
            return 1;
        }
        case IDCANCEL: destroy_window(dlg); return 1;
        default: return 0;
        }
    case WM_CLOSE: destroy_window(dlg); return 1;
    case WM_DESTROY:
        kill_timer(dlg, kProgressTimer);
        post_quit_message(g_exit_code);
        return 1;
    default: return 0;
    }
}

bool parse(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--shot" && i + 1 < argc) {
            g_options.shot = argv[++i];
        } else if (a == "--after-ms" && i + 1 < argc) {
            char* end = nullptr;
            unsigned long ms = std::strtoul(argv[++i], &end, 10);
            if (*end != 0 || ms > 600000) return false;
            g_options.after_ms = static_cast<UINT>(ms);
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (!parse(argc, argv)) {
        std::fprintf(stderr, "usage: twui-sample [--shot FILE.png [--after-ms N]]\n");
        return 2;
    }
    init_common_controls();
    const DialogTemplate* tmpl = find_dialog_template(0, ResourceName(IDD_SAMPLE));
    HWND dlg = tmpl ? create_dialog_indirect_param(0, *tmpl, 0, sample_proc, 0) : 0;
    if (!dlg) {
        std::fprintf(stderr, "twui-sample: cannot create the dialog: %s\n", last_error_text().empty()
                                                                                 ? std::string(error_message(last_error())).c_str()
                                                                                 : last_error_text().c_str());
        return 1;
    }
    show_window(dlg, SW_SHOW);
    if (g_options.shot.empty() && !display::available())
        std::fprintf(stderr, "twui-sample: no display; drive the dialog with twui (handle 0x%08X)\n", dlg);
    MSG msg;
    int got = 0;
    while ((got = get_message(&msg, 0, 0, 0)) > 0) {
        if (is_window(dlg) && is_dialog_message(dlg, &msg)) continue;
        translate_message(&msg);
        dispatch_message(&msg);
    }
    return got == 0 ? static_cast<int>(msg.wParam) : 1;
}
