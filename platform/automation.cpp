// The public calls: what the computer's window table answers is read here in
// any process; everything else becomes a request run on the window's thread.
#include "platform/automation.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdlib>
#include <map>

#include "platform/automation_internal.h"
#include "platform/text.h"
#include "platform/window.h"
#include "platform/window_table.h"

namespace platform::automation {
namespace {

std::atomic<std::uint32_t> g_timeout_ms{5000};

bool iequal(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool icontains(std::string_view hay, std::string_view needle) {
    if (needle.empty()) return false;
    auto it = std::search(hay.begin(), hay.end(), needle.begin(), needle.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
    return it != hay.end();
}

WindowInfo info_of(const platform::detail::WindowRecord& r, int depth) {
    WindowInfo w;
    w.hwnd = r.hwnd;
    w.parent = r.parent;
    w.owner = r.owner;
    w.id = r.id;
    w.style = r.style;
    w.pid = r.pid;
    w.tid = r.tid;
    w.depth = depth;
    w.class_name = r.class_name;
    w.text = r.title;
    return w;
}

Error no_window(HWND hwnd) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "no window 0x%08X on this computer", hwnd);
    return Error{ERROR_INVALID_WINDOW_HANDLE, buf};
}

Status status_of(const detail::Reply& reply) {
    if (reply.code == 0) return {};
    return Error{reply.code, reply.text};
}

detail::Reply ask(detail::Op op, HWND hwnd, std::string argument = {}) {
    return detail::run(detail::Request{op, hwnd, std::move(argument)});
}

}  // namespace

bool WindowInfo::visible() const { return (style & WS_VISIBLE) != 0; }
bool WindowInfo::enabled() const { return (style & WS_DISABLED) == 0; }

std::vector<WindowInfo> list_windows() {
    auto records = platform::detail::table_list();  // front to back
    std::map<HWND, std::vector<const platform::detail::WindowRecord*>> children;
    for (const auto& r : records)
        if (r.parent) children[r.parent].push_back(&r);
    for (auto& [parent, list] : children)
        std::sort(list.begin(), list.end(), [](auto* a, auto* b) { return a->z < b->z; });  // creation order
    std::vector<WindowInfo> out;
    auto walk = [&](auto& self, const platform::detail::WindowRecord& r, int depth) -> void {
        out.push_back(info_of(r, depth));
        auto it = children.find(r.hwnd);
        if (it == children.end() || depth > 64) return;
        for (const auto* c : it->second) self(self, *c, depth + 1);
    };
    for (const auto& r : records)
        if (r.parent == 0) walk(walk, r, 0);
    return out;
}

HWND top_level_of(HWND hwnd) {
    for (int guard = 0; guard < 64; ++guard) {
        auto r = platform::detail::table_get(hwnd, true);
        if (!r) return 0;
        if (r->parent == 0) return hwnd;
        hwnd = r->parent;
    }
    return 0;
}

Result<HWND> find_window_by_name(std::string_view name) {
    std::uint32_t handle = 0;
    std::string_view digits = name;
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        base = 16;
    }
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), handle, base);
    if (ec == std::errc{} && end == digits.data() + digits.size() && !digits.empty()) {
        if (!platform::detail::table_get(handle, true)) return no_window(handle);
        return handle;
    }
    auto records = platform::detail::table_list();
    for (auto match : {0, 1, 2}) {
        for (const auto& r : records) {
            if (r.parent != 0) continue;
            bool hit = match == 0 ? iequal(r.title, name) : match == 1 ? iequal(r.class_name, name) : icontains(r.title, name);
            if (hit) return r.hwnd;
        }
    }
    return Error{ERROR_INVALID_WINDOW_HANDLE, "no top-level window titled or of class \"" + std::string(name) + "\""};
}

Result<HWND> find_control(HWND top, std::uint32_t id) {
    if (!platform::detail::table_get(top, true)) return no_window(top);
    bool below = false;
    int top_depth = 0;
    for (const auto& w : list_windows()) {
        if (w.hwnd == top) {
            below = true;
            top_depth = w.depth;
            continue;
        }
        if (!below) continue;
        if (w.depth <= top_depth) break;  // past the descendants of `top`
        if (w.id == id) return w.hwnd;
    }
    char buf[80];
    std::snprintf(buf, sizeof buf, "window 0x%08X has no control with id %u", top, id);
    return Error{ERROR_NOT_FOUND, buf};
}

std::string ControlState::to_text() const {
    std::string s;
    s += "class=" + class_name + "\n";
    s += "visible=" + std::to_string(visible ? 1 : 0) + "\n";
    s += "enabled=" + std::to_string(enabled ? 1 : 0) + "\n";
    s += "focused=" + std::to_string(focused ? 1 : 0) + "\n";
    if (check >= 0) s += "check=" + std::to_string(check) + "\n";
    if (position >= 0) s += "position=" + std::to_string(position) + "\n";
    if (selected >= 0) s += "selected=" + std::to_string(selected) + "\n";
    if (selected >= 0) s += "selected_text=" + selected_text + "\n";
    // Last: the text may hold line breaks.
    s += "text=" + text;
    return s;
}

ControlState ControlState::from_text(std::string_view text) {
    ControlState st;
    while (!text.empty()) {
        std::size_t eq = text.find('=');
        if (eq == std::string_view::npos) break;
        std::string_view key = text.substr(0, eq);
        text.remove_prefix(eq + 1);
        if (key == "text") {
            st.text = std::string(text);
            break;
        }
        std::size_t nl = text.find('\n');
        std::string_view value = text.substr(0, nl);
        text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
        int n = -1;
        std::from_chars(value.data(), value.data() + value.size(), n);
        if (key == "class") st.class_name = std::string(value);
        else if (key == "visible") st.visible = n == 1;
        else if (key == "enabled") st.enabled = n == 1;
        else if (key == "focused") st.focused = n == 1;
        else if (key == "check") st.check = n;
        else if (key == "position") st.position = n;
        else if (key == "selected") st.selected = n;
        else if (key == "selected_text") st.selected_text = std::string(value);
    }
    return st;
}

Result<std::string> get_text(HWND hwnd) {
    auto reply = ask(detail::Op::Text, hwnd);
    if (reply.code) return Error{reply.code, reply.text};
    return reply.text;
}

Result<ControlState> get_state(HWND hwnd) {
    auto reply = ask(detail::Op::State, hwnd);
    if (reply.code) return Error{reply.code, reply.text};
    return ControlState::from_text(reply.text);
}

Status click(HWND hwnd) { return status_of(ask(detail::Op::Click, hwnd)); }
Status type_text(HWND window, std::string_view text) { return status_of(ask(detail::Op::Type, window, std::string(text))); }
Status press_key(HWND window, std::string_view key) { return status_of(ask(detail::Op::Key, window, std::string(key))); }
Status choose_item(HWND control, std::string_view item_text) {
    return status_of(ask(detail::Op::Choose, control, std::string(item_text)));
}
Status screenshot(HWND hwnd, const std::filesystem::path& png) {
    std::error_code ec;
    auto absolute = std::filesystem::absolute(png, ec);  // the window's process has a folder of its own
    return status_of(ask(detail::Op::Shot, hwnd, (ec ? png : absolute).string()));
}

void set_timeout_ms(std::uint32_t ms) { g_timeout_ms = ms; }

namespace detail {
std::uint32_t timeout_ms() { return g_timeout_ms; }
}  // namespace detail

}  // namespace platform::automation
