// Menus are lists of items in one process-wide table under one lock. A
// window's system menu is a menu like any other, whose handle the window
// keeps.
#include "platform/menu.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/win_error.h"
#include "platform/window_objects.h"

namespace platform {
namespace {

struct MenuItem {
    UINT flags = 0;
    std::uintptr_t id = 0;
    std::string text;
};

struct Menus {
    std::mutex lock;
    std::unordered_map<HMENU, std::vector<MenuItem>> menus;
    HMENU next = 0x4000;
};

Menus& menus() {
    static auto* m = new Menus;
    return *m;
}

constexpr UINT kStateFlags = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR;

HMENU new_menu_locked() {
    Menus& m = menus();
    HMENU h = m.next++;
    m.menus[h];
    return h;
}

std::vector<MenuItem>* find_menu_locked(HMENU menu) {
    auto it = menus().menus.find(menu);
    if (it == menus().menus.end()) {
        set_last_error(ERROR_INVALID_MENU_HANDLE);
        return nullptr;
    }
    return &it->second;
}

MenuItem* find_item_locked(std::vector<MenuItem>& items, UINT item, UINT flags, std::size_t* index = nullptr) {
    if (flags & MF_BYPOSITION) {
        if (item >= items.size()) return nullptr;
        if (index) *index = item;
        return &items[item];
    }
    for (std::size_t i = 0; i < items.size(); ++i)
        if (!(items[i].flags & MF_SEPARATOR) && items[i].id == item) {
            if (index) *index = i;
            return &items[i];
        }
    return nullptr;
}

void fill_system_menu_locked(std::vector<MenuItem>& items) {
    items = {{0, SC_RESTORE, "&Restore"},  {0, SC_MOVE, "&Move"},         {0, SC_SIZE, "&Size"},
             {0, SC_MINIMIZE, "Mi&nimize"}, {0, SC_MAXIMIZE, "Ma&ximize"}, {MF_SEPARATOR, 0, ""},
             {0, SC_CLOSE, "&Close\tAlt+F4"}};
}

bool remove_item(HMENU menu, UINT position, UINT flags) {
    std::lock_guard guard(menus().lock);
    auto* items = find_menu_locked(menu);
    if (!items) return false;
    std::size_t index = 0;
    if (!find_item_locked(*items, position, flags, &index)) {
        set_last_error(ERROR_MENU_ITEM_NOT_FOUND);
        return false;
    }
    items->erase(items->begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

}  // namespace

HMENU create_menu() {
    std::lock_guard guard(menus().lock);
    return new_menu_locked();
}

HMENU create_popup_menu() { return create_menu(); }

bool destroy_menu(HMENU menu) {
    std::lock_guard guard(menus().lock);
    if (menus().menus.erase(menu) == 0) {
        set_last_error(ERROR_INVALID_MENU_HANDLE);
        return false;
    }
    return true;
}

HMENU get_system_menu(HWND hwnd, bool revert) {
    auto w = window_objects::local_window(hwnd);
    if (!w) return 0;
    HMENU old = 0;
    {
        std::lock_guard guard(window_objects::state().lock);
        old = w->system_menu;
        if (revert) w->system_menu = 0;
    }
    if (revert) {
        if (old) destroy_menu(old);
        return 0;
    }
    if (old) return old;
    HMENU fresh;
    {
        std::lock_guard guard(menus().lock);
        fresh = new_menu_locked();
        fill_system_menu_locked(menus().menus[fresh]);
    }
    std::lock_guard guard(window_objects::state().lock);
    if (w->system_menu) {  // another thread made one meanwhile
        std::lock_guard mguard(menus().lock);
        menus().menus.erase(fresh);
        return w->system_menu;
    }
    w->system_menu = fresh;
    return fresh;
}

bool append_menu(HMENU menu, UINT flags, std::uintptr_t id, const char* text) {
    std::lock_guard guard(menus().lock);
    auto* items = find_menu_locked(menu);
    if (!items) return false;
    items->push_back(MenuItem{flags & kStateFlags, (flags & MF_SEPARATOR) ? 0 : id,
                              (flags & MF_SEPARATOR) || !text ? "" : text});
    return true;
}

bool delete_menu(HMENU menu, UINT position, UINT flags) { return remove_item(menu, position, flags); }
bool remove_menu(HMENU menu, UINT position, UINT flags) { return remove_item(menu, position, flags); }

UINT enable_menu_item(HMENU menu, UINT item, UINT flags) {
    std::lock_guard guard(menus().lock);
    auto* items = find_menu_locked(menu);
    if (!items) return kMenuItemNotFound;
    MenuItem* it = find_item_locked(*items, item, flags);
    if (!it) return kMenuItemNotFound;
    const UINT previous = it->flags & (MF_GRAYED | MF_DISABLED);
    it->flags = (it->flags & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
    return previous;
}

UINT get_menu_state(HMENU menu, UINT item, UINT flags) {
    std::lock_guard guard(menus().lock);
    auto* items = find_menu_locked(menu);
    if (!items) return kMenuItemNotFound;
    MenuItem* it = find_item_locked(*items, item, flags);
    return it ? it->flags : kMenuItemNotFound;
}

int get_menu_item_count(HMENU menu) {
    std::lock_guard guard(menus().lock);
    auto* items = find_menu_locked(menu);
    return items ? static_cast<int>(items->size()) : -1;
}

UINT get_menu_item_id(HMENU menu, int position) {
    std::lock_guard guard(menus().lock);
    auto* items = find_menu_locked(menu);
    if (!items || position < 0 || static_cast<std::size_t>(position) >= items->size()) return kMenuItemNotFound;
    return static_cast<UINT>((*items)[static_cast<std::size_t>(position)].id);
}

int get_menu_string(HMENU menu, UINT item, char* buffer, int size, UINT flags) {
    std::lock_guard guard(menus().lock);
    auto* items = find_menu_locked(menu);
    if (!items) return 0;
    MenuItem* it = find_item_locked(*items, item, flags);
    if (!it) return 0;
    if (!buffer) return static_cast<int>(it->text.size());
    return window_objects::copy_out(it->text, buffer, size);
}

}  // namespace platform
