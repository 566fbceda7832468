// What a request does on the thread that owns the window: reads through the
// window's own messages (WM_GETTEXT, BM_GETCHECK, LVM_..., TVM_...), and
// gives input the way a person would, through deliver_input() to the
// top-level window, at points taken from the window's place on the screen.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

#include "platform/automation.h"
#include "platform/automation_internal.h"
#include "platform/commctrl.h"
#include "platform/image_files.h"
#include "platform/input.h"
#include "platform/keys.h"
#include "platform/message_queue.h"
#include "platform/paint.h"
#include "platform/standard_controls.h"
#include "platform/surface.h"
#include "platform/window.h"
#include "platform/window_place.h"

namespace platform::automation::detail {
namespace {

constexpr std::uint32_t kMkShift = 0x0004;
constexpr std::uint32_t kMkControl = 0x0008;
constexpr std::uint32_t kVkPacket = 0xE7;  // a character that no key of the keyboard types

bool iequal(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string class_of(HWND hwnd) {
    char name[128] = {};
    get_class_name(hwnd, name, sizeof name);
    return name;
}

Reply fail(WinError code, std::string text) { return {code, std::move(text)}; }

Reply gone(HWND hwnd) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "no window 0x%08X on this computer", hwnd);
    return fail(ERROR_INVALID_WINDOW_HANDLE, buf);
}

// A point of `hwnd`'s screen rectangle in its top-level window's surface.
bool surface_point(HWND hwnd, POINT screen, HWND* top, POINT* pt) {
    *top = top_level_of(hwnd);
    RECT top_rect;
    if (*top == 0 || !get_window_rect(*top, &top_rect)) return false;
    *pt = {screen.x - top_rect.left, screen.y - top_rect.top};
    return true;
}

Reply click_at(HWND hwnd, POINT screen) {
    HWND top = 0;
    POINT pt;
    if (!surface_point(hwnd, screen, &top, &pt)) return gone(hwnd);
    InputEvent move;
    move.kind = InputEvent::Kind::MouseMove;
    move.pt = pt;
    InputEvent down = move, up = move;
    down.kind = InputEvent::Kind::ButtonDown;
    up.kind = InputEvent::Kind::ButtonUp;
    if (!deliver_input(top, move) || !deliver_input(top, down) || !deliver_input(top, up)) return gone(top);
    return {};
}

Reply click_centre(HWND hwnd) {
    RECT r;
    if (!get_window_rect(hwnd, &r)) return gone(hwnd);
    return click_at(hwnd, {(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

struct Key {
    std::uint32_t vk = 0;
    std::uint32_t ch = 0;
    bool shift = false;
};

// The key of a US keyboard that types `c`.
Key key_for(std::uint32_t c) {
    if (c >= 'a' && c <= 'z') return {c - 'a' + 'A', c, false};
    if (c >= 'A' && c <= 'Z') return {c, c, true};
    if (c >= '0' && c <= '9') return {c, c, false};
    switch (c) {
    case ' ': return {VK_SPACE, c, false};
    case '\n':
    case '\r': return {VK_RETURN, '\r', false};
    case '\t': return {VK_TAB, '\t', false};
    case '\b': return {VK_BACK, '\b', false};
    case 27: return {VK_ESCAPE, 27, false};
    default: break;
    }
    static const struct {
        char plain, shifted;
        std::uint32_t vk;
    } punctuation[] = {{';', ':', VK_OEM_1},     {'=', '+', VK_OEM_PLUS},  {',', '<', VK_OEM_COMMA},
                       {'-', '_', VK_OEM_MINUS}, {'.', '>', VK_OEM_PERIOD}, {'/', '?', VK_OEM_2},
                       {'`', '~', VK_OEM_3},     {'[', '{', VK_OEM_4},     {'\\', '|', VK_OEM_5},
                       {']', '}', VK_OEM_6},     {'\'', '"', VK_OEM_7}};
    for (const auto& p : punctuation) {
        if (c == static_cast<unsigned char>(p.plain)) return {p.vk, c, false};
        if (c == static_cast<unsigned char>(p.shifted)) return {p.vk, c, true};
    }
    static const char shifted_digits[] = ")!@#$%^&*(";
    for (int i = 0; i < 10; ++i)
        if (c == static_cast<unsigned char>(shifted_digits[i])) return {static_cast<std::uint32_t>('0' + i), c, true};
    return {kVkPacket, c, false};
}

// The next character of UTF-8 text (a byte that is not UTF-8 stands for itself).
std::uint32_t next_char(std::string_view& text) {
    auto b = static_cast<unsigned char>(text[0]);
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    if (extra == 0 || text.size() <= static_cast<std::size_t>(extra)) {
        text.remove_prefix(1);
        return b;
    }
    std::uint32_t c = b & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) {
        auto n = static_cast<unsigned char>(text[static_cast<std::size_t>(i)]);
        if ((n & 0xC0) != 0x80) {
            text.remove_prefix(1);
            return b;
        }
        c = (c << 6) | (n & 0x3F);
    }
    text.remove_prefix(static_cast<std::size_t>(extra) + 1);
    return c;
}

bool send_key(HWND top, std::uint32_t vk, std::uint32_t ch, std::uint32_t modifiers, InputEvent::Kind kind) {
    InputEvent e;
    e.kind = kind;
    e.vk = vk;
    e.ch = kind == InputEvent::Kind::KeyDown ? ch : 0;
    e.modifiers = modifiers;
    return deliver_input(top, e);
}

// Presses `key` with the modifier keys in `held` (VK_SHIFT, VK_CONTROL,
// VK_MENU) down around it.
bool press(HWND top, const Key& key, std::vector<std::uint32_t> held) {
    std::uint32_t modifiers = 0;
    if (key.shift && std::find(held.begin(), held.end(), VK_SHIFT) == held.end()) held.push_back(VK_SHIFT);
    bool ok = true;
    for (std::uint32_t vk : held) {
        ok = ok && send_key(top, vk, 0, modifiers, InputEvent::Kind::KeyDown);
        if (vk == VK_SHIFT) modifiers |= kMkShift;
        if (vk == VK_CONTROL) modifiers |= kMkControl;
    }
    ok = ok && send_key(top, key.vk, key.ch, modifiers, InputEvent::Kind::KeyDown);
    ok = ok && send_key(top, key.vk, 0, modifiers, InputEvent::Kind::KeyUp);
    for (auto it = held.rbegin(); it != held.rend(); ++it) {
        if (*it == VK_SHIFT) modifiers &= ~kMkShift;
        if (*it == VK_CONTROL) modifiers &= ~kMkControl;
        ok = ok && send_key(top, *it, 0, modifiers, InputEvent::Kind::KeyUp);
    }
    return ok;
}

Reply type(HWND hwnd, std::string_view text) {
    HWND top = top_level_of(hwnd);
    if (top == 0) return gone(hwnd);
    while (!text.empty())
        if (!press(top, key_for(next_char(text)), {})) return gone(top);
    return {};
}

// A key as a person names it; vk 0 when the name is not known.
Key named_key(std::string_view name) {
    static const struct {
        const char* name;
        std::uint32_t vk;
        std::uint32_t ch;
    } names[] = {
        {"Enter", VK_RETURN, '\r'}, {"Return", VK_RETURN, '\r'}, {"Escape", VK_ESCAPE, 27}, {"Esc", VK_ESCAPE, 27},
        {"Tab", VK_TAB, '\t'},      {"Space", VK_SPACE, ' '},    {"Backspace", VK_BACK, '\b'}, {"Delete", VK_DELETE, 0},
        {"Insert", VK_INSERT, 0},   {"Home", VK_HOME, 0},        {"End", VK_END, 0},          {"PageUp", VK_PRIOR, 0},
        {"PageDown", VK_NEXT, 0},   {"Left", VK_LEFT, 0},        {"Right", VK_RIGHT, 0},      {"Up", VK_UP, 0},
        {"Down", VK_DOWN, 0},
    };
    for (const auto& n : names)
        if (iequal(name, n.name)) return {n.vk, n.ch, false};
    if (name.size() >= 2 && name.size() <= 3 && (name[0] == 'F' || name[0] == 'f')) {
        int n = 0;
        for (char c : name.substr(1)) n = std::isdigit(static_cast<unsigned char>(c)) ? n * 10 + (c - '0') : 99;
        if (n >= 1 && n <= 12) return {VK_F1 + static_cast<std::uint32_t>(n - 1), 0, false};
    }
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
        Key k = key_for(static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(name[0]))));
        return k;
    }
    return {};
}

Reply key(HWND hwnd, std::string_view name) {
    HWND top = top_level_of(hwnd);
    if (top == 0) return gone(hwnd);
    std::vector<std::uint32_t> held;
    for (;;) {
        std::size_t plus = name.find('+');
        if (plus == std::string_view::npos || plus + 1 == name.size()) break;
        std::string_view modifier = name.substr(0, plus);
        if (iequal(modifier, "Shift")) held.push_back(VK_SHIFT);
        else if (iequal(modifier, "Ctrl") || iequal(modifier, "Control")) held.push_back(VK_CONTROL);
        else if (iequal(modifier, "Alt")) held.push_back(VK_MENU);
        else return fail(ERROR_NOT_SUPPORTED, "unknown modifier \"" + std::string(modifier) + "\"");
        name.remove_prefix(plus + 1);
    }
    Key k = named_key(name);
    if (k.vk == 0) return fail(ERROR_NOT_SUPPORTED, "unknown key \"" + std::string(name) + "\"");
    if (!press(top, k, held)) return gone(top);
    return {};
}

std::string list_item_text(HWND list, int index) {
    char buf[512] = {};
    LVITEM item;
    item.iSubItem = 0;
    item.pszText = buf;
    item.cchTextMax = sizeof buf;
    send_message(list, LVM_GETITEMTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    return buf;
}

std::string tree_item_text(HWND tree, HTREEITEM handle) {
    char buf[512] = {};
    TVITEM item;
    item.mask = TVIF_TEXT | TVIF_HANDLE;
    item.hItem = handle;
    item.pszText = buf;
    item.cchTextMax = sizeof buf;
    send_message(tree, TVM_GETITEM, 0, reinterpret_cast<LPARAM>(&item));
    return buf;
}

// Depth first, in the order the tree shows its items.
HTREEITEM find_tree_item(HWND tree, HTREEITEM first, std::string_view text, int depth) {
    for (HTREEITEM item = first; item != 0 && depth < 64;
         item = static_cast<HTREEITEM>(send_message(tree, TVM_GETNEXTITEM, TVGN_NEXT, static_cast<LPARAM>(item)))) {
        if (tree_item_text(tree, item) == text) return item;
        auto child = static_cast<HTREEITEM>(send_message(tree, TVM_GETNEXTITEM, TVGN_CHILD, static_cast<LPARAM>(item)));
        if (HTREEITEM found = find_tree_item(tree, child, text, depth + 1)) return found;
    }
    return 0;
}

Reply click_client_rect(HWND control, const RECT& r) {
    POINT pt{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    if (!client_to_screen(control, &pt)) return gone(control);
    return click_at(control, pt);
}

Reply choose(HWND control, std::string_view text) {
    const std::string cls = class_of(control);
    if (iequal(cls, "SysListView32")) {
        int count = static_cast<int>(send_message(control, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            if (list_item_text(control, i) != text) continue;
            send_message(control, LVM_ENSUREVISIBLE, static_cast<WPARAM>(i), 0);
            RECT r{};
            r.left = LVIR_LABEL;
            if (!send_message(control, LVM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r)))
                return fail(ERROR_NOT_FOUND, "the list view gives no place for item " + std::to_string(i));
            return click_client_rect(control, r);
        }
        return fail(ERROR_NOT_FOUND, "no item \"" + std::string(text) + "\" in the list view");
    }
    if (iequal(cls, "SysTreeView32")) {
        auto root = static_cast<HTREEITEM>(send_message(control, TVM_GETNEXTITEM, TVGN_ROOT, 0));
        HTREEITEM item = find_tree_item(control, root, text, 0);
        if (item == 0) return fail(ERROR_NOT_FOUND, "no item \"" + std::string(text) + "\" in the tree view");
        send_message(control, TVM_ENSUREVISIBLE, 0, static_cast<LPARAM>(item));  // expands its parents
        RECT r{};
        std::memcpy(static_cast<void*>(&r), &item, sizeof item);  // the item goes in, its rectangle comes out
        if (!send_message(control, TVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r)))
            return fail(ERROR_NOT_FOUND, "the tree view gives no place for \"" + std::string(text) + "\"");
        return click_client_rect(control, r);
    }
    return fail(ERROR_NOT_SUPPORTED, "window is a \"" + cls + "\", not a list view or tree view");
}

bool is_check_button(std::uint32_t style) {
    switch (style & 0x0F) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_AUTORADIOBUTTON: return true;
    default: return false;
    }
}

Reply state(HWND hwnd) {
    ControlState st;
    st.class_name = class_of(hwnd);
    st.text = window_text(hwnd);
    st.visible = is_window_visible(hwnd);
    st.enabled = is_window_enabled(hwnd);
    st.focused = get_focus() == hwnd;
    const auto style = static_cast<std::uint32_t>(get_window_long(hwnd, GWL_STYLE));
    if (iequal(st.class_name, "Button") && is_check_button(style))
        st.check = static_cast<int>(send_message(hwnd, BM_GETCHECK, 0, 0));
    else if (iequal(st.class_name, "msctls_progress32"))
        st.position = static_cast<int>(send_message(hwnd, PBM_GETPOS, 0, 0));
    else if (iequal(st.class_name, "SysListView32")) {
        auto index = static_cast<int>(send_message(hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        if (index >= 0) {
            st.selected = index;
            st.selected_text = list_item_text(hwnd, index);
        }
    } else if (iequal(st.class_name, "SysTreeView32")) {
        auto item = static_cast<HTREEITEM>(send_message(hwnd, TVM_GETNEXTITEM, TVGN_CARET, 0));
        if (item != 0) {
            st.selected = 0;
            st.selected_text = tree_item_text(hwnd, item);
        }
    }
    return {0, st.to_text()};
}

Reply shot(HWND hwnd, const std::string& path) {
    Image image;
    if (!snapshot_window(hwnd, &image)) return gone(hwnd);
    Status written = write_png(image, path);
    if (!written) return fail(written.error().code, written.error().describe());
    return {};
}

}  // namespace

Reply perform(const Request& request) {
    const HWND hwnd = request.hwnd;
    if (!is_window(hwnd)) return gone(hwnd);
    switch (request.op) {
    case Op::Text: return {0, window_text(hwnd)};
    case Op::State: return state(hwnd);
    case Op::Click: return click_centre(hwnd);
    case Op::Type: return type(hwnd, request.argument);
    case Op::Key: return key(hwnd, request.argument);
    case Op::Choose: return choose(hwnd, request.argument);
    case Op::Shot: return shot(hwnd, request.argument);
    }
    return fail(ERROR_INVALID_PARAMETER, "unknown automation request");
}

}  // namespace platform::automation::detail
