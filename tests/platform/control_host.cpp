#include "tests/platform/control_host.h"

#include <cstdio>

#include "platform/gdi.h"
#include "platform/message_queue.h"

namespace twtest {

using namespace platform;

namespace {

ControlHost* current = nullptr;

LRESULT host_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY && current) return current->notified(reinterpret_cast<const NMHDR*>(lParam));
    return def_window_proc(hwnd, message, wParam, lParam);
}

std::string code_name(UINT code) {
    static const std::map<UINT, const char*> names = {
        {LVN_ITEMCHANGING, "LVN_ITEMCHANGING"}, {LVN_ITEMCHANGED, "LVN_ITEMCHANGED"},
        {LVN_INSERTITEM, "LVN_INSERTITEM"},     {LVN_DELETEITEM, "LVN_DELETEITEM"},
        {LVN_DELETEALLITEMS, "LVN_DELETEALLITEMS"}, {LVN_KEYDOWN, "LVN_KEYDOWN"},
        {NM_CLICK, "NM_CLICK"},                 {NM_DBLCLK, "NM_DBLCLK"},
        {NM_RCLICK, "NM_RCLICK"},               {NM_RETURN, "NM_RETURN"},
        {NM_SETFOCUS, "NM_SETFOCUS"},           {NM_KILLFOCUS, "NM_KILLFOCUS"},
        {TVN_SELCHANGING, "TVN_SELCHANGING"},   {TVN_SELCHANGED, "TVN_SELCHANGED"},
        {TVN_ITEMEXPANDING, "TVN_ITEMEXPANDING"}, {TVN_ITEMEXPANDED, "TVN_ITEMEXPANDED"},
        {TVN_DELETEITEM, "TVN_DELETEITEM"},     {TVN_KEYDOWN, "TVN_KEYDOWN"},
        {TVN_GETDISPINFO, "TVN_GETDISPINFO"},
    };
    auto it = names.find(code);
    return it != names.end() ? it->second : std::to_string(static_cast<int>(code));
}

bool is_list_code(UINT code) { return code <= LVN_FIRST && code > LVN_FIRST - 100; }
bool is_tree_code(UINT code) { return code <= TVN_FIRST && code > TVN_FIRST - 100; }

}  // namespace

ControlHost::ControlHost() {
    current = this;
    init_common_controls();
    WNDCLASS wc;
    wc.lpfnWndProc = host_proc;
    wc.lpszClassName = "TwpControlHost";
    register_class(wc);
    parent_ = create_window_ex(0, "TwpControlHost", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, 0, 0, 0,
                               nullptr);
}

ControlHost::~ControlHost() {
    answer = nullptr;
    on_notify = nullptr;
    if (is_window(parent_)) destroy_window(parent_);
    unregister_class("TwpControlHost", 0);
    current = nullptr;
}

HWND ControlHost::make(const char* class_name, std::uint32_t style, int id, int width, int height, const char* text) {
    return create_window_ex(0, class_name, text, WS_CHILD | WS_VISIBLE | style, 10, 10, width, height, parent_,
                            static_cast<std::uintptr_t>(id), 0, nullptr);
}

ControlHost::Picture ControlHost::render(HWND control) {
    RECT client;
    get_client_rect(control, &client);
    Picture picture;
    picture.width = client.right;
    picture.height = client.bottom;
    std::uint32_t* bits = nullptr;
    HBITMAP bitmap = create_dib_section(picture.width, picture.height, &bits);
    HDC dc = create_compatible_dc(0);
    HGDIOBJ old = select_object(dc, bitmap);
    send_message(control, WM_PRINTCLIENT, static_cast<WPARAM>(dc), 0);
    picture.pixels.assign(bits, bits + static_cast<std::size_t>(picture.width) * picture.height);
    select_object(dc, old);
    delete_dc(dc);
    delete_object(bitmap);
    return picture;
}

LRESULT ControlHost::notified(const NMHDR* hdr) {
    notes_.emplace_back(hdr->code, describe(hdr));
    if (on_notify) on_notify(hdr);
    return answer ? answer(hdr) : 0;
}

std::vector<std::string> ControlHost::notes(bool all) const {
    std::vector<std::string> out;
    for (const auto& [code, line] : notes_) {
        bool noise = code == NM_SETFOCUS || code == NM_KILLFOCUS || code == LVN_KEYDOWN || code == TVN_KEYDOWN;
        if (all || !noise) out.push_back(line);
    }
    return out;
}

std::string ControlHost::item_name(HTREEITEM item) const {
    if (item == 0) return "0";
    auto it = names_.find(item);
    return it != names_.end() ? it->second : "#" + std::to_string(item);
}

std::string ControlHost::describe(const NMHDR* hdr) const {
    std::string line = code_name(hdr->code);
    char buffer[128];
    if (hdr->code == LVN_KEYDOWN || hdr->code == TVN_KEYDOWN) {
        std::snprintf(buffer, sizeof buffer, " vk=%u", reinterpret_cast<const NMLVKEYDOWN*>(hdr)->wVKey);
        return line + buffer;
    }
    char class_name[64] = {};
    get_class_name(hdr->hwndFrom, class_name, sizeof class_name);
    bool from_list = std::string(class_name) == WC_LISTVIEW;
    bool activation = hdr->code == NM_CLICK || hdr->code == NM_DBLCLK || hdr->code == NM_RCLICK;
    if (is_list_code(hdr->code) || (from_list && activation)) {
        auto* nm = reinterpret_cast<const NMLISTVIEW*>(hdr);
        std::snprintf(buffer, sizeof buffer, " item=%d", nm->iItem);
        line += buffer;
        if (hdr->code == LVN_ITEMCHANGING || hdr->code == LVN_ITEMCHANGED) {
            std::snprintf(buffer, sizeof buffer, " new=%#x old=%#x changed=%u", nm->uNewState, nm->uOldState,
                          nm->uChanged);
            line += buffer;
        }
        return line;
    }
    if (is_tree_code(hdr->code)) {
        auto* nm = reinterpret_cast<const NMTREEVIEW*>(hdr);
        if (hdr->code == TVN_SELCHANGING || hdr->code == TVN_SELCHANGED) {
            const char* by = nm->action == TVC_BYMOUSE ? "mouse" : nm->action == TVC_BYKEYBOARD ? "key" : "unknown";
            return line + " " + item_name(nm->itemOld.hItem) + "->" + item_name(nm->itemNew.hItem) + " by " + by;
        }
        if (hdr->code == TVN_ITEMEXPANDING || hdr->code == TVN_ITEMEXPANDED)
            return line + " " + item_name(nm->itemNew.hItem) + (nm->action == TVE_EXPAND ? " expand" : " collapse");
        if (hdr->code == TVN_DELETEITEM) return line + " " + item_name(nm->itemOld.hItem);
    }
    return line;
}

}  // namespace twtest
