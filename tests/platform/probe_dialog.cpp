#include "tests/platform/probe_dialog.h"

#include <mutex>

#include "platform/commctrl.h"
#include "platform/dialog.h"
#include "platform/gdi.h"
#include "platform/input.h"
#include "platform/message_queue.h"
#include "platform/standard_controls.h"
#include "platform/window.h"
#include "platform/window_place.h"

namespace twtest {
namespace {

using namespace platform;

std::mutex g_lock;
std::vector<ProbeEvent> g_events;
std::string g_title;
int g_presses = 0;

void record(ProbeEvent e) {
    std::lock_guard guard(g_lock);
    g_events.push_back(e);
}

HTREEITEM add_tree_item(HWND tree, HTREEITEM parent, const char* text) {
    TVINSERTSTRUCT ins;
    ins.hParent = parent;
    ins.hInsertAfter = TVI_LAST;
    ins.item.mask = TVIF_TEXT;
    ins.item.pszText = const_cast<char*>(text);
    return static_cast<HTREEITEM>(send_message(tree, TVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&ins)));
}

void fill_controls(HWND dlg) {
    HWND list = get_dlg_item(dlg, kProbeList);
    LVCOLUMN column;
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 120;
    column.pszText = const_cast<char*>("Name");
    send_message(list, LVM_INSERTCOLUMN, 0, reinterpret_cast<LPARAM>(&column));
    const char* names[] = {"Alpha", "Beta", "Gamma"};
    for (int i = 0; i < 3; ++i) {
        LVITEM item;
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<char*>(names[i]);
        send_message(list, LVM_INSERTITEM, 0, reinterpret_cast<LPARAM>(&item));
    }
    HWND tree = get_dlg_item(dlg, kProbeTree);
    HTREEITEM folders = add_tree_item(tree, TVI_ROOT, "Folders");
    HTREEITEM inks = add_tree_item(tree, folders, "Inks");
    add_tree_item(tree, inks, "Black");
    add_tree_item(tree, folders, "Papers");
    send_dlg_item_message(dlg, kProbeProgress, PBM_SETPOS, kProbeProgressPosition, 0);
}

std::intptr_t probe_proc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: fill_controls(dlg); return 1;
    case WM_ERASEBKGND: {
        RECT r;
        get_client_rect(dlg, &r);
        HBRUSH brush = create_solid_brush(rgb(0x20, 0x40, 0x60));
        fill_rect(static_cast<HDC>(wParam), r, brush);
        delete_object(brush);
        set_window_long_ptr(dlg, DWLP_MSGRESULT, 1);
        return 1;
    }
    case WM_COMMAND: {
        const int id = loword(wParam), code = hiword(wParam);
        record({WM_COMMAND, id, code});
        if (id == kProbePress && code == BN_CLICKED) {
            int n = 0;
            {
                std::lock_guard guard(g_lock);
                n = ++g_presses;
            }
            set_window_text(dlg, (g_title + " pressed " + std::to_string(n)).c_str());
        }
        return 1;
    }
    case WM_NOTIFY: {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lParam);
        record({WM_NOTIFY, static_cast<int>(hdr->idFrom), static_cast<int>(hdr->code)});
        return 0;
    }
    case WM_CLOSE: destroy_window(dlg); return 1;
    default: return 0;
    }
}

DialogItemTemplate item(const char* cls, const char* text, int id, std::uint32_t style, int x, int y, int cx, int cy) {
    DialogItemTemplate t;
    t.class_name = cls;
    t.text = text;
    t.id = static_cast<std::uint32_t>(id);
    t.style = WS_CHILD | WS_VISIBLE | style;
    t.x = x;
    t.y = y;
    t.cx = cx;
    t.cy = cy;
    return t;
}

}  // namespace

HWND create_probe_dialog(const std::string& title) {
    init_common_controls();
    {
        // Each probe counts its own presses, so tests sharing a process do not
        // see each other's clicks.
        std::lock_guard guard(g_lock);
        g_title = title;
        g_presses = 0;
    }
    DialogTemplate t;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE | DS_SETFONT;
    t.x = 20;
    t.y = 20;
    t.cx = 240;
    t.cy = 160;
    t.caption = title;
    t.font_face = "MS Shell Dlg";
    t.font_points = 8;
    t.items = {
        item("BUTTON", "Press", kProbePress, BS_PUSHBUTTON | WS_TABSTOP, 8, 8, 50, 14),
        item("BUTTON", "Check", kProbeCheck, BS_AUTOCHECKBOX | WS_TABSTOP, 66, 8, 60, 14),
        item("EDIT", "", kProbeEdit, WS_BORDER | ES_AUTOHSCROLL | WS_TABSTOP, 130, 8, 100, 14),
        item("SysListView32", "", kProbeList, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP,
             8, 30, 110, 70),
        item("SysTreeView32", "", kProbeTree,
             TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP, 124, 30,
             106, 70),
        item("msctls_progress32", "", kProbeProgress, WS_BORDER, 8, 108, 222, 10),
    };
    return create_dialog_indirect_param(0, t, 0, probe_proc, 0);
}

std::vector<ProbeEvent> probe_events() {
    std::lock_guard guard(g_lock);
    return g_events;
}

void clear_probe_events() {
    std::lock_guard guard(g_lock);
    g_events.clear();
}

void run_probe_loop(HWND dialog) {
    MSG msg;
    while (is_window(dialog) && get_message(&msg, 0, 0, 0) > 0) {
        if (is_dialog_message(dialog, &msg)) continue;
        translate_message(&msg);
        dispatch_message(&msg);
    }
}

void pump_messages(HWND dialog) {
    MSG msg;
    while (peek_message(&msg, 0, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) break;
        if (is_window(dialog) && is_dialog_message(dialog, &msg)) continue;
        translate_message(&msg);
        dispatch_message(&msg);
    }
}

POINT probe_client_point(HWND dialog, int x, int y) {
    POINT pt{x, y};
    client_to_screen(dialog, &pt);
    RECT r;
    get_window_rect(dialog, &r);
    return {pt.x - r.left, pt.y - r.top};
}

}  // namespace twtest
