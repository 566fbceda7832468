// The list view in report mode: columns, items with sub-items, selection,
// focus and check boxes, with the notifications a parent waits for.
//
// A state change goes through one place (change_state): LVN_ITEMCHANGING
// first, whose non-zero answer refuses it, then the change, then
// LVN_ITEMCHANGED. Selecting one item in a single-selection list, or moving
// the focus, first takes the state away from the other items, each with its
// own pair of notifications, which is the order Windows programs see. The
// parent may change the list from inside a notification, so an index is
// checked again after every send.
#include "platform/list_view.h"

#include <algorithm>

#include "platform/text.h"

namespace platform::controls {
namespace {

constexpr UINT kSelectionBits = LVIS_SELECTED | LVIS_FOCUSED;

LRESULT notify_list(ListView& lv, UINT code, int item, UINT new_state, UINT old_state, UINT changed,
                    POINT pt = {}) {
    NMLISTVIEW nm;
    nm.iItem = item;
    nm.uNewState = new_state;
    nm.uOldState = old_state;
    nm.uChanged = changed;
    nm.ptAction = pt;
    nm.lParam = lv.valid(item) ? lv.items[static_cast<std::size_t>(item)].param : 0;
    return notify_parent(lv.hwnd, code, &nm.hdr);
}

void notify_activate(ListView& lv, UINT code, int item, int sub, POINT pt) {
    NMITEMACTIVATE nm;
    nm.iItem = item;
    nm.iSubItem = sub;
    nm.ptAction = pt;
    if (lv.valid(item)) {
        nm.uOldState = nm.uNewState = lv.items[static_cast<std::size_t>(item)].state;
        nm.lParam = lv.items[static_cast<std::size_t>(item)].param;
    }
    notify_parent(lv.hwnd, code, &nm.hdr);
}

// Changes the state bits of `mask` on one item, asking the parent first.
// False when the parent refused or the item is gone.
bool change_state(ListView& lv, int index, UINT state, UINT mask) {
    if (!lv.valid(index)) return false;
    UINT old = lv.items[static_cast<std::size_t>(index)].state;
    UINT next = (old & ~mask) | (state & mask);
    if (next == old) return true;
    if (notify_list(lv, LVN_ITEMCHANGING, index, next, old, LVIF_STATE) != 0) return false;
    if (!lv.valid(index)) return false;
    ListItem& item = lv.items[static_cast<std::size_t>(index)];
    old = item.state;
    next = (old & ~mask) | (state & mask);
    item.state = next;
    notify_list(lv, LVN_ITEMCHANGED, index, next, old, LVIF_STATE);
    invalidate_control(lv.hwnd);
    return true;
}

// Takes `bits` away from every item but `keep`.
void clear_others(ListView& lv, int keep, UINT bits) {
    for (int i = 0; i < lv.count(); ++i)
        if (i != keep && (lv.items[static_cast<std::size_t>(i)].state & bits)) change_state(lv, i, 0, bits);
}

// LVM_SETITEMSTATE on one item: the focus is unique, and so is the selection
// of a single-selection list.
bool set_item_state(ListView& lv, int index, UINT state, UINT mask) {
    if (!lv.valid(index)) return false;
    if ((mask & LVIS_FOCUSED) && (state & LVIS_FOCUSED)) clear_others(lv, index, LVIS_FOCUSED);
    if ((mask & LVIS_SELECTED) && (state & LVIS_SELECTED) && (lv.style() & LVS_SINGLESEL))
        clear_others(lv, index, LVIS_SELECTED);
    return change_state(lv, index, state, mask);
}

// What a click or a caret key does: this item alone selected, and focused.
void select_only(ListView& lv, int index) {
    if (!lv.valid(index)) return;
    clear_others(lv, index, kSelectionBits);
    change_state(lv, index, kSelectionBits, kSelectionBits);
    if (lv.valid(index) && lv.scroll.ensure_visible(index)) invalidate_control(lv.hwnd);
}

void toggle_check(ListView& lv, int index) {
    if (!lv.valid(index) || !lv.has_check_boxes()) return;
    UINT current = lv.items[static_cast<std::size_t>(index)].state & LVIS_STATEIMAGEMASK;
    UINT next = current == index_to_state_image_mask(2) ? index_to_state_image_mask(1) : index_to_state_image_mask(2);
    change_state(lv, index, next, LVIS_STATEIMAGEMASK);
}

int focused_item(const ListView& lv) {
    for (int i = 0; i < lv.count(); ++i)
        if (lv.items[static_cast<std::size_t>(i)].state & LVIS_FOCUSED) return i;
    return -1;
}

int sorted_position(const ListView& lv, const std::string& text) {
    std::uint32_t style = lv.style();
    if (!(style & (LVS_SORTASCENDING | LVS_SORTDESCENDING))) return -1;
    bool descending = (style & LVS_SORTDESCENDING) != 0;
    for (int i = 0; i < lv.count(); ++i) {
        int c = icompare(text, lv.items[static_cast<std::size_t>(i)].text(0));
        if (descending ? c > 0 : c < 0) return i;
    }
    return lv.count();
}

LRESULT insert_item(ListView& lv, const LVITEM* in) {
    if (in == nullptr || in->iSubItem != 0 || in->iItem < 0) return -1;
    ListItem item;
    if ((in->mask & LVIF_TEXT) && in->pszText) item.texts[0] = in->pszText;
    if (in->mask & LVIF_IMAGE) item.image = in->iImage;
    if (in->mask & LVIF_PARAM) item.param = in->lParam;
    if (in->mask & LVIF_INDENT) item.indent = in->iIndent;
    if (in->mask & LVIF_STATE) item.state = in->state & in->stateMask;
    if (lv.has_check_boxes() && (item.state & LVIS_STATEIMAGEMASK) == 0) item.state |= index_to_state_image_mask(1);
    int at = sorted_position(lv, item.texts[0]);
    if (at < 0) at = std::min(in->iItem, lv.count());
    // A new item that comes focused or selected takes that from the others
    // without notifications, as the item itself is announced by LVN_INSERTITEM.
    for (auto& other : lv.items) {
        if (item.state & LVIS_FOCUSED) other.state &= ~LVIS_FOCUSED;
        if ((item.state & LVIS_SELECTED) && (lv.style() & LVS_SINGLESEL)) other.state &= ~LVIS_SELECTED;
    }
    lv.items.insert(lv.items.begin() + at, std::move(item));
    list_update_scroll(lv);
    notify_list(lv, LVN_INSERTITEM, at, 0, 0, 0);
    invalidate_control(lv.hwnd);
    return at;
}

bool set_item(ListView& lv, const LVITEM* in) {
    if (in == nullptr || !lv.valid(in->iItem) || in->iSubItem < 0) return false;
    ListItem& item = lv.items[static_cast<std::size_t>(in->iItem)];
    if (in->mask & LVIF_TEXT) {
        auto sub = static_cast<std::size_t>(in->iSubItem);
        if (item.texts.size() <= sub) item.texts.resize(sub + 1);
        item.texts[sub] = in->pszText ? in->pszText : "";
    }
    if (in->iSubItem == 0) {
        if (in->mask & LVIF_IMAGE) item.image = in->iImage;
        if (in->mask & LVIF_PARAM) item.param = in->lParam;
        if (in->mask & LVIF_INDENT) item.indent = in->iIndent;
    }
    invalidate_control(lv.hwnd);
    if (in->iSubItem == 0 && (in->mask & LVIF_STATE)) return set_item_state(lv, in->iItem, in->state, in->stateMask);
    return true;
}

bool get_item(const ListView& lv, LVITEM* out) {
    if (out == nullptr || !lv.valid(out->iItem)) return false;
    const ListItem& item = lv.items[static_cast<std::size_t>(out->iItem)];
    if (out->mask & LVIF_TEXT) copy_text(item.text(out->iSubItem), out->pszText, out->cchTextMax);
    if (out->mask & LVIF_IMAGE) out->iImage = item.image;
    if (out->mask & LVIF_PARAM) out->lParam = item.param;
    if (out->mask & LVIF_INDENT) out->iIndent = item.indent;
    if (out->mask & LVIF_STATE) out->state = item.state & out->stateMask;
    return true;
}

bool delete_item(ListView& lv, int index) {
    if (!lv.valid(index)) return false;
    notify_list(lv, LVN_DELETEITEM, index, 0, 0, 0);
    if (!lv.valid(index)) return false;
    lv.items.erase(lv.items.begin() + index);
    list_update_scroll(lv);
    invalidate_control(lv.hwnd);
    return true;
}

void delete_all_items(ListView& lv) {
    if (lv.items.empty()) return;
    // A parent that answers LVN_DELETEALLITEMS with TRUE wants no
    // LVN_DELETEITEM for each item.
    bool quiet = notify_list(lv, LVN_DELETEALLITEMS, -1, 0, 0, 0) != 0;
    if (!quiet)
        for (int i = 0; i < lv.count(); ++i) notify_list(lv, LVN_DELETEITEM, i, 0, 0, 0);
    lv.items.clear();
    lv.scroll.top = 0;
    list_update_scroll(lv);
    invalidate_control(lv.hwnd);
}

int next_item(const ListView& lv, int start, UINT flags) {
    if (flags & LVNI_ABOVE) return lv.valid(start - 1) ? start - 1 : -1;
    if (flags & LVNI_BELOW) return lv.valid(start + 1) ? start + 1 : -1;
    UINT wanted = flags & (LVNI_SELECTED | LVNI_FOCUSED);
    for (int i = std::max(start + 1, 0); i < lv.count(); ++i) {
        UINT state = lv.items[static_cast<std::size_t>(i)].state;
        UINT have = (state & LVIS_SELECTED ? LVNI_SELECTED : 0) | (state & LVIS_FOCUSED ? LVNI_FOCUSED : 0);
        if ((have & wanted) == wanted) return i;
    }
    return -1;
}

int find_item(const ListView& lv, int start, const LVFINDINFO* find) {
    if (find == nullptr || lv.items.empty()) return -1;
    auto matches = [&](const ListItem& item) {
        if (find->flags & LVFI_PARAM) return item.param == find->lParam;
        if (!(find->flags & (LVFI_STRING | LVFI_PARTIAL)) || find->psz == nullptr) return false;
        std::string_view wanted(find->psz);
        const std::string& text = item.text(0);
        if (find->flags & LVFI_PARTIAL)
            return text.size() >= wanted.size() && icompare(text.substr(0, wanted.size()), wanted) == 0;
        return icompare(text, wanted) == 0;
    };
    int first = std::max(start + 1, 0);
    for (int i = first; i < lv.count(); ++i)
        if (matches(lv.items[static_cast<std::size_t>(i)])) return i;
    if (find->flags & LVFI_WRAP)
        for (int i = 0; i < std::min(first, lv.count()); ++i)
            if (matches(lv.items[static_cast<std::size_t>(i)])) return i;
    return -1;
}

int insert_column(ListView& lv, int index, const LVCOLUMN* in) {
    if (in == nullptr || index < 0) return -1;
    ListColumn column;
    if ((in->mask & LVCF_TEXT) && in->pszText) column.text = in->pszText;
    if (in->mask & LVCF_WIDTH) column.width = std::max(0, in->cx);
    if (in->mask & LVCF_FMT) column.fmt = in->fmt & 3;
    int at = std::min(index, static_cast<int>(lv.columns.size()));
    lv.columns.insert(lv.columns.begin() + at, std::move(column));
    // Sub-item texts belong to columns: a column put in before others moves
    // their texts along with them.
    if (at > 0)
        for (auto& item : lv.items)
            if (static_cast<int>(item.texts.size()) > at) item.texts.insert(item.texts.begin() + at, std::string());
    invalidate_control(lv.hwnd);
    return at;
}

bool delete_column(ListView& lv, int index) {
    if (index < 0 || index >= static_cast<int>(lv.columns.size())) return false;
    lv.columns.erase(lv.columns.begin() + index);
    // The item's own text stays with the item when the first column goes.
    if (index > 0)
        for (auto& item : lv.items)
            if (static_cast<int>(item.texts.size()) > index) item.texts.erase(item.texts.begin() + index);
    invalidate_control(lv.hwnd);
    return true;
}

int autosize_width(const ListView& lv, int column, bool use_header) {
    const int margin = 12;
    int widest = 0;
    for (const auto& item : lv.items) widest = std::max(widest, text_width(lv.font, item.text(column)));
    if (column == 0) {
        if (lv.has_state_pictures()) widest += kStateIconWidth;
        if (lv.small_images) {
            int cx = 0, cy = 0;
            image_list_get_icon_size(lv.small_images, &cx, &cy);
            widest += cx;
        }
    }
    if (use_header) {
        widest = std::max(widest, text_width(lv.font, lv.columns[static_cast<std::size_t>(column)].text));
        // The last column takes what is left of the width.
        if (column + 1 == static_cast<int>(lv.columns.size())) {
            RECT content = list_content_rect(lv);
            int others = 0;
            for (int i = 0; i < column; ++i) others += lv.columns[static_cast<std::size_t>(i)].width;
            return std::max(widest + margin, static_cast<int>(content.right - content.left) - others);
        }
    }
    return widest + margin;
}

bool set_column_width(ListView& lv, int column, int cx) {
    if (column < 0 || column >= static_cast<int>(lv.columns.size())) return false;
    if (cx == LVSCW_AUTOSIZE || cx == LVSCW_AUTOSIZE_USEHEADER)
        cx = autosize_width(lv, column, cx == LVSCW_AUTOSIZE_USEHEADER);
    lv.columns[static_cast<std::size_t>(column)].width = std::max(0, cx);
    invalidate_control(lv.hwnd);
    return true;
}

std::uint32_t set_extended_style(ListView& lv, std::uint32_t mask, std::uint32_t style) {
    std::uint32_t old = lv.ex_style;
    if (mask == 0) mask = 0xFFFFFFFFu;
    lv.ex_style = (old & ~mask) | (style & mask);
    bool had = (old & LVS_EX_CHECKBOXES) != 0, has = lv.has_check_boxes();
    for (auto& item : lv.items) {
        if (has && !had && (item.state & LVIS_STATEIMAGEMASK) == 0) item.state |= index_to_state_image_mask(1);
        if (had && !has) item.state &= ~LVIS_STATEIMAGEMASK;
    }
    list_update_scroll(lv);
    invalidate_control(lv.hwnd);
    return old;
}

void press(ListView& lv, POINT pt, bool double_click) {
    if (get_focus() != lv.hwnd) set_focus(lv.hwnd);
    RECT client;
    get_client_rect(lv.hwnd, &client);
    if (scroll_bar_click(lv.hwnd, client, lv.scroll, pt)) return;
    UINT flags = 0;
    int sub = 0;
    int index = list_hit_test(lv, pt, &flags, &sub);
    if (index >= 0 && (flags & LVHT_ONITEMSTATEICON) && lv.has_check_boxes()) {
        if (!double_click) toggle_check(lv, index);
    } else if (index >= 0) {
        select_only(lv, index);
    } else if (!double_click) {
        clear_others(lv, -1, LVIS_SELECTED);
    }
    if (double_click) {
        notify_activate(lv, NM_DBLCLK, index, sub, pt);
        return;
    }
    lv.pressed = true;
    lv.pressed_item = index;
    lv.pressed_sub = sub;
}

void key_down(ListView& lv, UINT vk) {
    NMLVKEYDOWN nm;
    nm.wVKey = static_cast<std::uint16_t>(vk);
    notify_parent(lv.hwnd, LVN_KEYDOWN, &nm.hdr);
    if (lv.items.empty()) return;
    int focus = focused_item(lv);
    int last = lv.count() - 1;
    int page = std::max(1, lv.scroll.page);
    int target = -1;
    switch (vk) {
    case kVkUp: target = focus < 0 ? 0 : std::max(0, focus - 1); break;
    case kVkDown: target = focus < 0 ? 0 : std::min(last, focus + 1); break;
    case kVkHome: target = 0; break;
    case kVkEnd: target = last; break;
    case kVkPrior: target = focus < 0 ? 0 : std::max(0, focus - page); break;
    case kVkNext: target = focus < 0 ? 0 : std::min(last, focus + page); break;
    case kVkSpace:
        toggle_check(lv, focus >= 0 ? focus : next_item(lv, -1, LVNI_SELECTED));
        return;
    case kVkReturn: {
        NMHDR hdr;
        notify_parent(lv.hwnd, NM_RETURN, &hdr);
        return;
    }
    default: return;
    }
    select_only(lv, target);
}

}  // namespace

LRESULT list_view_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* lv = state_of<ListView>(hwnd);
    if (lv == nullptr && message != WM_NCCREATE) return def_window_proc(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_NCCREATE: {
        auto state = std::make_unique<ListView>();
        state->hwnd = hwnd;
        attach_state(hwnd, std::move(state));
        return def_window_proc(hwnd, message, wParam, lParam);
    }
    case WM_CREATE:
    case WM_SIZE: list_update_scroll(*lv); return def_window_proc(hwnd, message, wParam, lParam);
    case WM_DESTROY:
        // The parent frees what it keeps in the items' lParam on LVN_DELETEITEM.
        delete_all_items(*lv);
        if (!(lv->style() & LVS_SHAREIMAGELISTS)) {
            for (HIMAGELIST list : {lv->small_images, lv->state_images, lv->normal_images})
                if (list) image_list_destroy(list);
        }
        lv->small_images = lv->state_images = lv->normal_images = 0;
        return def_window_proc(hwnd, message, wParam, lParam);
    case WM_NCDESTROY:
        detach_state<ListView>(hwnd);
        return def_window_proc(hwnd, message, wParam, lParam);

    case LVM_GETITEMCOUNT: return lv->count();
    case LVM_INSERTITEM: return insert_item(*lv, reinterpret_cast<const LVITEM*>(lParam));
    case LVM_SETITEM: return set_item(*lv, reinterpret_cast<const LVITEM*>(lParam));
    case LVM_GETITEM: return get_item(*lv, reinterpret_cast<LVITEM*>(lParam));
    case LVM_SETITEMTEXT: {
        auto* in = reinterpret_cast<const LVITEM*>(lParam);
        if (in == nullptr) return 0;
        LVITEM item = *in;
        item.iItem = static_cast<int>(wParam);
        item.mask = LVIF_TEXT;
        return set_item(*lv, &item);
    }
    case LVM_GETITEMTEXT: {
        auto* out = reinterpret_cast<LVITEM*>(lParam);
        int index = static_cast<int>(wParam);
        if (out == nullptr || !lv->valid(index)) return 0;
        return copy_text(lv->items[static_cast<std::size_t>(index)].text(out->iSubItem), out->pszText, out->cchTextMax);
    }
    case LVM_SETITEMSTATE: {
        auto* in = reinterpret_cast<const LVITEM*>(lParam);
        if (in == nullptr) return 0;
        int index = static_cast<int>(wParam);
        if (index != -1) return set_item_state(*lv, index, in->state, in->stateMask);
        // -1: every item; a single-selection list cannot select them all.
        UINT mask = in->stateMask;
        if ((lv->style() & LVS_SINGLESEL) && (in->state & LVIS_SELECTED)) mask &= ~LVIS_SELECTED;
        mask &= ~static_cast<UINT>(in->state & LVIS_FOCUSED);
        for (int i = 0; i < lv->count(); ++i) change_state(*lv, i, in->state, mask);
        return 1;
    }
    case LVM_GETITEMSTATE: {
        int index = static_cast<int>(wParam);
        return lv->valid(index) ? lv->items[static_cast<std::size_t>(index)].state & static_cast<UINT>(lParam) : 0;
    }
    case LVM_GETSELECTEDCOUNT:
        return std::count_if(lv->items.begin(), lv->items.end(),
                             [](const ListItem& i) { return (i.state & LVIS_SELECTED) != 0; });
    case LVM_DELETEITEM: return delete_item(*lv, static_cast<int>(wParam));
    case LVM_DELETEALLITEMS: delete_all_items(*lv); return 1;
    case LVM_GETNEXTITEM: return next_item(*lv, static_cast<int>(wParam), static_cast<UINT>(loword(static_cast<std::uintptr_t>(lParam))));
    case LVM_FINDITEM: return find_item(*lv, static_cast<int>(wParam), reinterpret_cast<const LVFINDINFO*>(lParam));
    case LVM_GETITEMRECT: {
        auto* rect = reinterpret_cast<RECT*>(lParam);
        int index = static_cast<int>(wParam);
        if (rect == nullptr || !lv->valid(index)) return 0;
        *rect = list_item_rect(*lv, index, rect->left);
        return 1;
    }
    case LVM_HITTEST: {
        auto* info = reinterpret_cast<LVHITTESTINFO*>(lParam);
        if (info == nullptr) return -1;
        info->iItem = list_hit_test(*lv, info->pt, &info->flags, &info->iSubItem);
        return info->iItem;
    }
    case LVM_ENSUREVISIBLE:
        if (!lv->valid(static_cast<int>(wParam))) return 0;
        if (lv->scroll.ensure_visible(static_cast<int>(wParam))) invalidate_control(hwnd);
        return 1;
    case LVM_GETTOPINDEX: return lv->scroll.top;
    case LVM_GETCOUNTPERPAGE: return lv->scroll.page;

    case LVM_INSERTCOLUMN: return insert_column(*lv, static_cast<int>(wParam), reinterpret_cast<const LVCOLUMN*>(lParam));
    case LVM_DELETECOLUMN: return delete_column(*lv, static_cast<int>(wParam));
    case LVM_SETCOLUMN: {
        auto* in = reinterpret_cast<const LVCOLUMN*>(lParam);
        auto index = static_cast<std::size_t>(wParam);
        if (in == nullptr || index >= lv->columns.size()) return 0;
        ListColumn& column = lv->columns[index];
        if ((in->mask & LVCF_TEXT) && in->pszText) column.text = in->pszText;
        if (in->mask & LVCF_WIDTH) column.width = std::max(0, in->cx);
        if (in->mask & LVCF_FMT) column.fmt = in->fmt & 3;
        invalidate_control(hwnd);
        return 1;
    }
    case LVM_GETCOLUMN: {
        auto* out = reinterpret_cast<LVCOLUMN*>(lParam);
        auto index = static_cast<std::size_t>(wParam);
        if (out == nullptr || index >= lv->columns.size()) return 0;
        const ListColumn& column = lv->columns[index];
        if (out->mask & LVCF_TEXT) copy_text(column.text, out->pszText, out->cchTextMax);
        if (out->mask & LVCF_WIDTH) out->cx = column.width;
        if (out->mask & LVCF_FMT) out->fmt = column.fmt;
        if (out->mask & LVCF_SUBITEM) out->iSubItem = static_cast<int>(index);
        return 1;
    }
    case LVM_GETCOLUMNWIDTH: {
        auto index = static_cast<std::size_t>(wParam);
        return index < lv->columns.size() ? lv->columns[index].width : 0;
    }
    case LVM_SETCOLUMNWIDTH:
        return set_column_width(*lv, static_cast<int>(wParam),
                                static_cast<std::int16_t>(loword(static_cast<std::uintptr_t>(lParam))));

    case LVM_SETIMAGELIST: {
        HIMAGELIST list = static_cast<HIMAGELIST>(lParam);
        HIMAGELIST* slot = wParam == static_cast<WPARAM>(LVSIL_SMALL)   ? &lv->small_images
                           : wParam == static_cast<WPARAM>(LVSIL_STATE) ? &lv->state_images
                           : wParam == static_cast<WPARAM>(LVSIL_NORMAL) ? &lv->normal_images
                                                                          : nullptr;
        if (slot == nullptr) return 0;
        HIMAGELIST old = *slot;
        *slot = list;
        list_update_scroll(*lv);
        invalidate_control(hwnd);
        return old;
    }
    case LVM_GETIMAGELIST:
        return wParam == static_cast<WPARAM>(LVSIL_SMALL)   ? lv->small_images
               : wParam == static_cast<WPARAM>(LVSIL_STATE) ? lv->state_images
               : wParam == static_cast<WPARAM>(LVSIL_NORMAL) ? lv->normal_images
                                                              : 0;
    case LVM_SETBKCOLOR: lv->back_color = static_cast<COLORREF>(lParam); invalidate_control(hwnd); return 1;
    case LVM_GETBKCOLOR: return lv->back_color;
    case LVM_SETTEXTCOLOR: lv->text_color = static_cast<COLORREF>(lParam); invalidate_control(hwnd); return 1;
    case LVM_GETTEXTCOLOR: return lv->text_color;
    case LVM_SETTEXTBKCOLOR: lv->text_back_color = static_cast<COLORREF>(lParam); invalidate_control(hwnd); return 1;
    case LVM_GETTEXTBKCOLOR: return lv->text_back_color;
    case LVM_SETEXTENDEDLISTVIEWSTYLE:
        return set_extended_style(*lv, static_cast<std::uint32_t>(wParam), static_cast<std::uint32_t>(lParam));
    case LVM_GETEXTENDEDLISTVIEWSTYLE: return lv->ex_style;

    case WM_SETFONT:
        lv->font = static_cast<HFONT>(wParam);
        list_update_scroll(*lv);
        if (lParam) invalidate_control(hwnd);
        return 0;
    case WM_GETFONT: return lv->font;
    case WM_GETDLGCODE: return kDlgcWantArrows | kDlgcWantChars;
    case WM_SETFOCUS: {
        lv->focused = true;
        NMHDR hdr;
        notify_parent(hwnd, NM_SETFOCUS, &hdr);
        invalidate_control(hwnd);
        return 0;
    }
    case WM_KILLFOCUS: {
        lv->focused = false;
        lv->pressed = false;
        NMHDR hdr;
        notify_parent(hwnd, NM_KILLFOCUS, &hdr);
        invalidate_control(hwnd);
        return 0;
    }
    case WM_LBUTTONDOWN: press(*lv, point_from_lparam(lParam), false); return 0;
    case WM_LBUTTONDBLCLK: press(*lv, point_from_lparam(lParam), true); return 0;
    case WM_LBUTTONUP:
        if (lv->pressed) {
            lv->pressed = false;
            notify_activate(*lv, NM_CLICK, lv->pressed_item, lv->pressed_sub, point_from_lparam(lParam));
        }
        return 0;
    case WM_RBUTTONDOWN: {
        POINT pt = point_from_lparam(lParam);
        UINT flags = 0;
        int sub = 0;
        int index = list_hit_test(*lv, pt, &flags, &sub);
        if (index >= 0) select_only(*lv, index);
        notify_activate(*lv, NM_RCLICK, index, sub, pt);
        return 0;
    }
    case WM_KEYDOWN: key_down(*lv, static_cast<UINT>(wParam)); return 0;
    case WM_CHAR: return 0;
    case WM_VSCROLL:
        if (lv->scroll.apply(loword(wParam), hiword(wParam))) invalidate_control(hwnd);
        return 0;
    case WM_MOUSEWHEEL: {
        int notches = static_cast<std::int16_t>(hiword(wParam)) / 120;
        if (lv->scroll.scroll_to(lv->scroll.top - 3 * notches)) invalidate_control(hwnd);
        return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        paint_control(hwnd, message, wParam, [&](HDC dc, const RECT& client) { draw_list_view(dc, client, *lv); });
        return 0;
    default: return def_window_proc(hwnd, message, wParam, lParam);
    }
}

// --- Layout --------------------------------------------------------------------

int list_header_height(const ListView& lv) {
    return (lv.style() & LVS_NOCOLUMNHEADER) ? 0 : font_height(lv.font) + 7;
}

int list_row_height(const ListView& lv) {
    int height = font_height(lv.font) + 3;
    int cx = 0, cy = 0;
    if (lv.small_images && image_list_get_icon_size(lv.small_images, &cx, &cy)) height = std::max(height, cy + 1);
    if (lv.has_state_pictures()) height = std::max(height, kStateIconWidth + 1);
    return height;
}

int list_total_width(const ListView& lv) {
    int width = 0;
    for (const auto& c : lv.columns) width += c.width;
    return width;
}

RECT list_content_rect(const ListView& lv) {
    RECT client;
    get_client_rect(lv.hwnd, &client);
    if (lv.scroll.needed()) client.right = std::max(client.left, client.right - kScrollBarWidth);
    return client;
}

void list_update_scroll(ListView& lv) {
    RECT client;
    get_client_rect(lv.hwnd, &client);
    int rows = client.bottom - client.top - list_header_height(lv);
    lv.scroll.count = lv.count();
    lv.scroll.page = std::max(1, rows / list_row_height(lv));
    lv.scroll.clamp();
}

RECT list_cell_rect(const ListView& lv, int index, int sub) {
    int row = list_row_height(lv);
    int top = list_header_height(lv) + (index - lv.scroll.top) * row;
    int left = 0;
    for (int i = 0; i < sub && i < static_cast<int>(lv.columns.size()); ++i)
        left += lv.columns[static_cast<std::size_t>(i)].width;
    int width = sub < static_cast<int>(lv.columns.size()) ? lv.columns[static_cast<std::size_t>(sub)].width : 0;
    return RECT{left, top, left + width, top + row};
}

RECT list_item_rect(const ListView& lv, int index, int code) {
    RECT cell = list_cell_rect(lv, index, 0);
    RECT bounds{0, cell.top, list_total_width(lv), cell.bottom};
    int x = cell.left + (lv.has_state_pictures() ? kStateIconWidth : 0);
    int icon = 0, cy = 0;
    if (lv.small_images) image_list_get_icon_size(lv.small_images, &icon, &cy);
    RECT icon_rect{x, cell.top, x + icon, cell.bottom};
    RECT label{x + icon, cell.top, std::max(x + icon, static_cast<int>(cell.right)), cell.bottom};
    switch (code) {
    case LVIR_ICON: return icon_rect;
    case LVIR_LABEL: return label;
    case LVIR_SELECTBOUNDS:
        if (lv.ex_style & LVS_EX_FULLROWSELECT) return RECT{x, bounds.top, bounds.right, bounds.bottom};
        return RECT{icon_rect.left, cell.top, label.right, cell.bottom};
    default: return bounds;
    }
}

int list_hit_test(const ListView& lv, POINT pt, UINT* flags, int* sub) {
    *flags = LVHT_NOWHERE;
    *sub = 0;
    RECT content = list_content_rect(lv);
    int header = list_header_height(lv);
    if (!point_in_rect(content, pt) || pt.y < header) return -1;
    int index = lv.scroll.top + (pt.y - header) / list_row_height(lv);
    if (!lv.valid(index) || pt.x >= list_total_width(lv)) return -1;
    int left = 0;
    for (int i = 0; i < static_cast<int>(lv.columns.size()); ++i) {
        int width = lv.columns[static_cast<std::size_t>(i)].width;
        if (pt.x >= left && pt.x < left + width) *sub = i;
        left += width;
    }
    RECT icon = list_item_rect(lv, index, LVIR_ICON);
    RECT label = list_item_rect(lv, index, LVIR_LABEL);
    if (lv.has_state_pictures() && pt.x < icon.left) {
        *flags = LVHT_ONITEMSTATEICON;
    } else if (pt.x >= icon.left && pt.x < icon.right) {
        *flags = LVHT_ONITEMICON;
    } else if (pt.x >= label.left && pt.x < label.right) {
        *flags = LVHT_ONITEMLABEL;
    } else if (lv.ex_style & LVS_EX_FULLROWSELECT) {
        // Without a full-row selection the sub-items are not part of the item.
        *flags = LVHT_ONITEMLABEL;
    } else {
        return -1;
    }
    return index;
}

}  // namespace platform::controls
