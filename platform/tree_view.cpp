// The tree view: items under items, expanded and collapsed, one selected
// (the caret), with the notifications a folder chooser relies on.
//
// Expansion asks the parent first (TVN_ITEMEXPANDING, which may insert the
// children it is about to show, or refuse), then tells it (TVN_ITEMEXPANDED).
// As on Windows, TVM_EXPAND notifies only until the item has been expanded
// once (TVIS_EXPANDEDONCE); what a person does always notifies. Handles are
// numbers that are never reused, so one kept after its item was deleted is
// refused rather than reaching another item. The parent may change the tree
// from inside any notification: handles are looked up again after each send.
#include "platform/tree_view.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"

namespace platform::controls {
namespace {

TVITEM describe(const TreeView& tv, HTREEITEM h) {
    TVITEM item;
    const TreeNode* n = tv.node(h);
    if (n == nullptr) return item;
    item.mask = TVIF_HANDLE | TVIF_STATE | TVIF_PARAM;
    item.hItem = h;
    item.state = n->state;
    item.stateMask = 0xFFFFFFFFu;
    item.lParam = n->param;
    return item;
}

LRESULT notify_tree(TreeView& tv, UINT code, UINT action, HTREEITEM old_item, HTREEITEM new_item, POINT pt = {}) {
    NMTREEVIEW nm;
    nm.action = action;
    nm.itemOld = describe(tv, old_item);
    nm.itemNew = describe(tv, new_item);
    nm.ptDrag = pt;
    return notify_parent(tv.hwnd, code, &nm.hdr);
}

bool is_ancestor(const TreeView& tv, HTREEITEM ancestor, HTREEITEM item) {
    for (const TreeNode* n = tv.node(item); n != nullptr && n->parent != 0; n = tv.node(n->parent))
        if (n->parent == ancestor) return true;
    return false;
}

void refresh(TreeView& tv) {
    tree_update_rows(tv);
    invalidate_control(tv.hwnd);
}

bool select_item(TreeView& tv, HTREEITEM h, UINT action);

// Expands, collapses or toggles; `by_person` for clicks and keys.
bool expand(TreeView& tv, HTREEITEM h, UINT code, bool by_person) {
    TreeNode* n = tv.node(h);
    if (n == nullptr) return false;
    UINT op = code & 3;
    bool expanded = (n->state & TVIS_EXPANDED) != 0;
    bool expanding = op == TVE_EXPAND || (op == TVE_TOGGLE && !expanded);
    if (op == 0) return false;
    if (expanding && expanded) return true;
    if (!expanding && !expanded && !(code & TVE_COLLAPSERESET)) return true;
    if (expanding && !tree_has_children(tv, h)) return false;
    n = tv.node(h);
    if (n == nullptr) return false;
    UINT action = expanding ? TVE_EXPAND : TVE_COLLAPSE;
    bool notify = by_person || !(n->state & TVIS_EXPANDEDONCE);
    if (notify) {
        if (notify_tree(tv, TVN_ITEMEXPANDING, action, 0, h) != 0) return false;
        n = tv.node(h);
        if (n == nullptr) return false;
    }
    if (expanding) {
        n->state |= TVIS_EXPANDED | TVIS_EXPANDEDONCE;
    } else {
        n->state &= ~TVIS_EXPANDED;
        // The caret cannot hide inside a collapsed item: it moves to the item.
        if (tv.caret != 0 && is_ancestor(tv, h, tv.caret)) select_item(tv, h, TVC_UNKNOWN);
        n = tv.node(h);
        if (n == nullptr) return false;
        if (code & TVE_COLLAPSERESET) {
            std::vector<HTREEITEM> children = n->children;
            for (HTREEITEM child : children) send_message(tv.hwnd, TVM_DELETEITEM, 0, static_cast<LPARAM>(child));
            n = tv.node(h);
            if (n == nullptr) return false;
            n->state &= ~TVIS_EXPANDEDONCE;
        }
    }
    refresh(tv);
    if (notify) notify_tree(tv, TVN_ITEMEXPANDED, action, 0, h);
    return true;
}

// Expands every collapsed ancestor of the item, outermost first.
void expand_ancestors(TreeView& tv, HTREEITEM h) {
    std::vector<HTREEITEM> chain;
    for (const TreeNode* n = tv.node(h); n != nullptr && n->parent != 0; n = tv.node(n->parent))
        chain.push_back(n->parent);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const TreeNode* n = tv.node(*it);
        if (n != nullptr && !(n->state & TVIS_EXPANDED)) expand(tv, *it, TVE_EXPAND, false);
    }
}

bool ensure_visible(TreeView& tv, HTREEITEM h) {
    if (tv.node(h) == nullptr) return false;
    expand_ancestors(tv, h);
    int row = tree_row_of(tv, h);
    if (row >= 0 && tv.scroll.ensure_visible(row)) invalidate_control(tv.hwnd);
    return row >= 0;
}

bool select_item(TreeView& tv, HTREEITEM h, UINT action) {
    if (h != 0 && tv.node(h) == nullptr) return false;
    if (h == tv.caret) {
        if (h != 0) ensure_visible(tv, h);
        return true;
    }
    HTREEITEM old = tv.caret;
    if (notify_tree(tv, TVN_SELCHANGING, action, old, h) != 0) return false;
    if (h != 0 && tv.node(h) == nullptr) return false;
    if (TreeNode* o = tv.node(tv.caret)) o->state &= ~TVIS_SELECTED;
    tv.caret = h;
    if (TreeNode* n = tv.node(h)) n->state |= TVIS_SELECTED;
    if (h != 0) ensure_visible(tv, h);
    invalidate_control(tv.hwnd);
    notify_tree(tv, TVN_SELCHANGED, action, tv.node(old) ? old : 0, h);
    return true;
}

HTREEITEM insert_item(TreeView& tv, const TVINSERTSTRUCT* in) {
    if (in == nullptr) return 0;
    HTREEITEM parent = in->hParent == TVI_ROOT ? 0 : in->hParent;
    if (parent != 0 && tv.node(parent) == nullptr) return 0;
    TreeNode n;
    n.parent = parent;
    const TVITEM& item = in->item;
    if ((item.mask & TVIF_TEXT) && item.pszText) n.text = item.pszText;
    if (item.mask & TVIF_IMAGE) n.image = item.iImage;
    if (item.mask & TVIF_SELECTEDIMAGE) n.selected_image = item.iSelectedImage;
    if (item.mask & TVIF_PARAM) n.param = item.lParam;
    if (item.mask & TVIF_CHILDREN) {
        n.children_given = true;
        n.children_flag = item.cChildren;
    }
    if (item.mask & TVIF_STATE) n.state = item.state & item.stateMask & ~static_cast<UINT>(TVIS_SELECTED);

    std::vector<HTREEITEM>& siblings = parent ? tv.node(parent)->children : tv.roots;
    std::size_t at = siblings.size();
    if (in->hInsertAfter == TVI_FIRST) {
        at = 0;
    } else if (in->hInsertAfter == TVI_SORT) {
        at = 0;
        while (at < siblings.size() && icompare(tv.nodes.at(siblings[at]).text, n.text) <= 0) ++at;
    } else if (in->hInsertAfter != TVI_LAST && in->hInsertAfter != 0) {
        auto it = std::find(siblings.begin(), siblings.end(), in->hInsertAfter);
        if (it != siblings.end()) at = static_cast<std::size_t>(it - siblings.begin()) + 1;
    }
    HTREEITEM h = tv.next_handle++;
    siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(at), h);
    tv.nodes.emplace(h, std::move(n));
    refresh(tv);
    return h;
}

// The item's subtree, children before their parent.
void collect_subtree(const TreeView& tv, HTREEITEM h, std::vector<HTREEITEM>& out) {
    const TreeNode* n = tv.node(h);
    if (n == nullptr) return;
    for (HTREEITEM child : n->children) collect_subtree(tv, child, out);
    out.push_back(h);
}

bool delete_item(TreeView& tv, HTREEITEM h) {
    std::vector<HTREEITEM> tops;
    if (h == 0 || h == TVI_ROOT) {
        tops = tv.roots;
    } else {
        if (tv.node(h) == nullptr) return false;
        tops.push_back(h);
    }
    for (HTREEITEM top : tops) {
        const TreeNode* n = tv.node(top);
        if (n == nullptr) continue;
        // The caret inside what goes moves on: to the next sibling, else the
        // parent, else the previous sibling, after the items are gone.
        HTREEITEM successor = 0;
        bool caret_inside = tv.caret == top || is_ancestor(tv, top, tv.caret);
        if (caret_inside) {
            const auto& siblings = tv.siblings_of(*n);
            auto it = std::find(siblings.begin(), siblings.end(), top);
            if (it + 1 != siblings.end()) successor = *(it + 1);
            else if (n->parent != 0) successor = n->parent;
            else if (it != siblings.begin()) successor = *(it - 1);
        }
        std::vector<HTREEITEM> doomed;
        collect_subtree(tv, top, doomed);
        for (HTREEITEM d : doomed) {
            if (tv.node(d) == nullptr) continue;
            notify_tree(tv, TVN_DELETEITEM, 0, d, 0);
            TreeNode* dn = tv.node(d);
            if (dn == nullptr) continue;
            auto& siblings = dn->parent ? tv.node(dn->parent)->children : tv.roots;
            std::erase(siblings, d);
            if (tv.caret == d) tv.caret = 0;
            if (tv.drop_target == d) tv.drop_target = 0;
            tv.nodes.erase(d);
        }
        refresh(tv);
        if (caret_inside && tv.caret == 0 && successor != 0 && tv.node(successor) && tv.hwnd != 0 && is_window(tv.hwnd))
            select_item(tv, successor, TVC_UNKNOWN);
    }
    return true;
}

HTREEITEM next_item(TreeView& tv, UINT code, HTREEITEM h) {
    auto sibling = [&](int step) -> HTREEITEM {
        const TreeNode* n = tv.node(h);
        if (n == nullptr) return 0;
        const auto& siblings = tv.siblings_of(*n);
        auto it = std::find(siblings.begin(), siblings.end(), h);
        auto index = (it - siblings.begin()) + step;
        return index >= 0 && index < static_cast<std::ptrdiff_t>(siblings.size()) ? siblings[static_cast<std::size_t>(index)] : 0;
    };
    auto visible = [&](int step) -> HTREEITEM {
        int row = tree_row_of(tv, h);
        if (row < 0) return 0;
        int next = row + step;
        return next >= 0 && next < static_cast<int>(tv.rows.size()) ? tv.rows[static_cast<std::size_t>(next)].item : 0;
    };
    switch (code) {
    case TVGN_ROOT: return tv.roots.empty() ? 0 : tv.roots.front();
    case TVGN_NEXT: return sibling(1);
    case TVGN_PREVIOUS: return sibling(-1);
    case TVGN_PARENT: {
        const TreeNode* n = tv.node(h);
        return n ? n->parent : 0;
    }
    case TVGN_CHILD: {
        if (h == 0 || h == TVI_ROOT) return tv.roots.empty() ? 0 : tv.roots.front();
        const TreeNode* n = tv.node(h);
        return n && !n->children.empty() ? n->children.front() : 0;
    }
    case TVGN_CARET: return tv.caret;
    case TVGN_DROPHILITE: return tv.drop_target;
    case TVGN_FIRSTVISIBLE:
        return tv.rows.empty() ? 0 : tv.rows[static_cast<std::size_t>(std::min<int>(tv.scroll.top, static_cast<int>(tv.rows.size()) - 1))].item;
    case TVGN_NEXTVISIBLE: return visible(1);
    case TVGN_PREVIOUSVISIBLE: return visible(-1);
    case TVGN_LASTVISIBLE: return tv.rows.empty() ? 0 : tv.rows.back().item;
    default: return 0;
    }
}

bool get_item(TreeView& tv, TVITEM* out) {
    if (out == nullptr) return false;
    const TreeNode* n = tv.node(out->hItem);
    if (n == nullptr) return false;
    if (out->mask & TVIF_TEXT) copy_text(n->text, out->pszText, out->cchTextMax);
    if (out->mask & TVIF_IMAGE) out->iImage = n->image;
    if (out->mask & TVIF_SELECTEDIMAGE) out->iSelectedImage = n->selected_image;
    if (out->mask & TVIF_PARAM) out->lParam = n->param;
    if (out->mask & TVIF_STATE) out->state = n->state & (out->stateMask ? out->stateMask : 0xFFFFFFFFu);
    if (out->mask & TVIF_CHILDREN)
        out->cChildren = n->children_given && n->children_flag == I_CHILDRENCALLBACK ? I_CHILDRENCALLBACK
                                                                                      : (tree_has_children(tv, out->hItem) ? 1 : 0);
    return true;
}

bool set_item(TreeView& tv, const TVITEM* in) {
    if (in == nullptr) return false;
    TreeNode* n = tv.node(in->hItem);
    if (n == nullptr) return false;
    if ((in->mask & TVIF_TEXT) && in->pszText) n->text = in->pszText;
    if (in->mask & TVIF_IMAGE) n->image = in->iImage;
    if (in->mask & TVIF_SELECTEDIMAGE) n->selected_image = in->iSelectedImage;
    if (in->mask & TVIF_PARAM) n->param = in->lParam;
    if (in->mask & TVIF_CHILDREN) {
        n->children_given = true;
        n->children_flag = in->cChildren;
    }
    if (in->mask & TVIF_STATE) {
        // The selection follows the caret, which TVM_SELECTITEM moves.
        UINT mask = in->stateMask & ~static_cast<UINT>(TVIS_SELECTED);
        n->state = (n->state & ~mask) | (in->state & mask);
    }
    refresh(tv);
    return true;
}

void press(TreeView& tv, POINT pt, bool double_click) {
    if (get_focus() != tv.hwnd) set_focus(tv.hwnd);
    RECT client;
    get_client_rect(tv.hwnd, &client);
    if (scroll_bar_click(tv.hwnd, client, tv.scroll, pt)) return;
    UINT flags = 0;
    HTREEITEM h = tree_hit_test(tv, pt, &flags);
    if (h != 0 && (flags & TVHT_ONITEMBUTTON)) {
        if (!double_click) expand(tv, h, TVE_TOGGLE, true);
        return;
    }
    if (double_click) {
        NMHDR hdr;
        // A parent answering non-zero keeps the item as it is.
        if (notify_parent(tv.hwnd, NM_DBLCLK, &hdr) == 0 && h != 0 && (flags & TVHT_ONITEM))
            expand(tv, h, TVE_TOGGLE, true);
        return;
    }
    if (h != 0 && (flags & TVHT_ONITEM)) select_item(tv, h, TVC_BYMOUSE);
    tv.pressed = true;
    tv.pressed_at = pt;
}

void key_down(TreeView& tv, UINT vk) {
    NMTVKEYDOWN nm;
    nm.wVKey = static_cast<std::uint16_t>(vk);
    notify_parent(tv.hwnd, TVN_KEYDOWN, &nm.hdr);
    if (tv.rows.empty()) return;
    HTREEITEM caret = tv.caret;
    int row = tree_row_of(tv, caret);
    int last = static_cast<int>(tv.rows.size()) - 1;
    int page = std::max(1, tv.scroll.page);
    auto select_row = [&](int r) { select_item(tv, tv.rows[static_cast<std::size_t>(std::clamp(r, 0, last))].item, TVC_BYKEYBOARD); };
    switch (vk) {
    case kVkUp: select_row(row < 0 ? 0 : row - 1); break;
    case kVkDown: select_row(row < 0 ? 0 : row + 1); break;
    case kVkHome: select_row(0); break;
    case kVkEnd: select_row(last); break;
    case kVkPrior: select_row(row < 0 ? 0 : row - page); break;
    case kVkNext: select_row(row < 0 ? 0 : row + page); break;
    case kVkLeft: {
        const TreeNode* n = tv.node(caret);
        if (n == nullptr) break;
        if ((n->state & TVIS_EXPANDED) && !n->children.empty()) expand(tv, caret, TVE_COLLAPSE, true);
        else if (n->parent != 0) select_item(tv, n->parent, TVC_BYKEYBOARD);
        break;
    }
    case kVkRight: {
        if (tv.node(caret) == nullptr || !tree_has_children(tv, caret)) break;
        if (!(tv.node(caret)->state & TVIS_EXPANDED)) expand(tv, caret, TVE_EXPAND, true);
        else if (const TreeNode* n = tv.node(caret); n && !n->children.empty())
            select_item(tv, n->children.front(), TVC_BYKEYBOARD);
        break;
    }
    case kVkAdd:
        if (caret) expand(tv, caret, TVE_EXPAND, true);
        break;
    case kVkSubtract:
        if (caret) expand(tv, caret, TVE_COLLAPSE, true);
        break;
    case kVkReturn: {
        NMHDR hdr;
        notify_parent(tv.hwnd, NM_RETURN, &hdr);
        break;
    }
    default: break;
    }
}

}  // namespace

LRESULT tree_view_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* tv = state_of<TreeView>(hwnd);
    if (tv == nullptr && message != WM_NCCREATE) return def_window_proc(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_NCCREATE: {
        auto state = std::make_unique<TreeView>();
        state->hwnd = hwnd;
        attach_state(hwnd, std::move(state));
        return def_window_proc(hwnd, message, wParam, lParam);
    }
    case WM_CREATE:
    case WM_SIZE: tree_update_rows(*tv); return def_window_proc(hwnd, message, wParam, lParam);
    case WM_DESTROY:
        // The parent frees what it keeps in lParam on TVN_DELETEITEM.
        delete_item(*tv, TVI_ROOT);
        return def_window_proc(hwnd, message, wParam, lParam);
    case WM_NCDESTROY:
        detach_state<TreeView>(hwnd);
        return def_window_proc(hwnd, message, wParam, lParam);

    case TVM_INSERTITEM: return static_cast<LRESULT>(insert_item(*tv, reinterpret_cast<const TVINSERTSTRUCT*>(lParam)));
    case TVM_DELETEITEM: return delete_item(*tv, static_cast<HTREEITEM>(lParam));
    case TVM_EXPAND: return expand(*tv, static_cast<HTREEITEM>(lParam), static_cast<UINT>(wParam), false);
    case TVM_GETNEXTITEM: return static_cast<LRESULT>(next_item(*tv, static_cast<UINT>(wParam), static_cast<HTREEITEM>(lParam)));
    case TVM_SELECTITEM: {
        auto h = static_cast<HTREEITEM>(lParam);
        switch (wParam) {
        case TVGN_CARET: return select_item(*tv, h, TVC_UNKNOWN);
        case TVGN_DROPHILITE:
            if (h != 0 && tv->node(h) == nullptr) return 0;
            tv->drop_target = h;
            invalidate_control(hwnd);
            return 1;
        case TVGN_FIRSTVISIBLE: {
            if (!ensure_visible(*tv, h)) return 0;
            if (tv->scroll.scroll_to(tree_row_of(*tv, h))) invalidate_control(hwnd);
            return 1;
        }
        default: return 0;
        }
    }
    case TVM_GETITEM: return get_item(*tv, reinterpret_cast<TVITEM*>(lParam));
    case TVM_SETITEM: return set_item(*tv, reinterpret_cast<const TVITEM*>(lParam));
    case TVM_GETCOUNT: return static_cast<LRESULT>(tv->nodes.size());
    case TVM_GETVISIBLECOUNT: return tv->scroll.page;
    case TVM_GETINDENT: return tv->indent;
    case TVM_SETINDENT:
        tv->indent = std::max(static_cast<int>(wParam), 8);
        refresh(*tv);
        return 0;
    case TVM_GETITEMRECT: {
        auto* rect = reinterpret_cast<RECT*>(lParam);
        if (rect == nullptr) return 0;
        HTREEITEM h;
        static_assert(sizeof(RECT) >= sizeof(HTREEITEM));
        std::memcpy(&h, rect, sizeof h);
        int row = tree_row_of(*tv, h);
        if (row < 0) return 0;
        TreeRowLayout l = tree_row_layout(*tv, row);
        *rect = wParam ? l.label : l.row;
        return 1;
    }
    case TVM_HITTEST: {
        auto* info = reinterpret_cast<TVHITTESTINFO*>(lParam);
        if (info == nullptr) return 0;
        info->hItem = tree_hit_test(*tv, info->pt, &info->flags);
        return static_cast<LRESULT>(info->hItem);
    }
    case TVM_ENSUREVISIBLE: return ensure_visible(*tv, static_cast<HTREEITEM>(lParam));
    case TVM_SETIMAGELIST: {
        HIMAGELIST* slot = wParam == TVSIL_STATE ? &tv->state_images : &tv->images;
        HIMAGELIST old = *slot;
        *slot = static_cast<HIMAGELIST>(lParam);
        refresh(*tv);
        return old;
    }
    case TVM_GETIMAGELIST: return wParam == TVSIL_STATE ? tv->state_images : tv->images;
    case TVM_SETBKCOLOR: {
        COLORREF old = tv->back_color;
        tv->back_color = static_cast<COLORREF>(lParam);
        invalidate_control(hwnd);
        return old == CLR_DEFAULT ? -1 : static_cast<LRESULT>(old);
    }
    case TVM_GETBKCOLOR: return tv->back_color == CLR_DEFAULT ? -1 : static_cast<LRESULT>(tv->back_color);
    case TVM_SETTEXTCOLOR: {
        COLORREF old = tv->text_color;
        tv->text_color = static_cast<COLORREF>(lParam);
        invalidate_control(hwnd);
        return old == CLR_DEFAULT ? -1 : static_cast<LRESULT>(old);
    }
    case TVM_GETTEXTCOLOR: return tv->text_color == CLR_DEFAULT ? -1 : static_cast<LRESULT>(tv->text_color);

    case WM_SETFONT:
        tv->font = static_cast<HFONT>(wParam);
        refresh(*tv);
        return 0;
    case WM_GETFONT: return tv->font;
    case WM_GETDLGCODE: return kDlgcWantArrows | kDlgcWantChars;
    case WM_SETFOCUS: {
        tv->focused = true;
        NMHDR hdr;
        notify_parent(hwnd, NM_SETFOCUS, &hdr);
        invalidate_control(hwnd);
        return 0;
    }
    case WM_KILLFOCUS: {
        tv->focused = false;
        tv->pressed = false;
        NMHDR hdr;
        notify_parent(hwnd, NM_KILLFOCUS, &hdr);
        invalidate_control(hwnd);
        return 0;
    }
    case WM_LBUTTONDOWN: press(*tv, point_from_lparam(lParam), false); return 0;
    case WM_LBUTTONDBLCLK: press(*tv, point_from_lparam(lParam), true); return 0;
    case WM_LBUTTONUP:
        if (tv->pressed) {
            tv->pressed = false;
            NMHDR hdr;
            notify_parent(hwnd, NM_CLICK, &hdr);
        }
        return 0;
    case WM_RBUTTONDOWN: {
        NMHDR hdr;
        notify_parent(hwnd, NM_RCLICK, &hdr);
        return 0;
    }
    case WM_KEYDOWN: key_down(*tv, static_cast<UINT>(wParam)); return 0;
    case WM_CHAR: return 0;
    case WM_VSCROLL:
        if (tv->scroll.apply(loword(wParam), hiword(wParam))) invalidate_control(hwnd);
        return 0;
    case WM_MOUSEWHEEL: {
        int notches = static_cast<std::int16_t>(hiword(wParam)) / 120;
        if (tv->scroll.scroll_to(tv->scroll.top - 3 * notches)) invalidate_control(hwnd);
        return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
        paint_control(hwnd, message, wParam, [&](HDC dc, const RECT& client) { draw_tree_view(dc, client, *tv); });
        return 0;
    default: return def_window_proc(hwnd, message, wParam, lParam);
    }
}

// --- Layout --------------------------------------------------------------------

namespace {

void add_rows(TreeView& tv, const std::vector<HTREEITEM>& items, int depth) {
    for (HTREEITEM h : items) {
        tv.rows.push_back({h, depth});
        const TreeNode& n = tv.nodes.at(h);
        if (n.state & TVIS_EXPANDED) add_rows(tv, n.children, depth + 1);
    }
}

}  // namespace

void tree_update_rows(TreeView& tv) {
    tv.rows.clear();
    add_rows(tv, tv.roots, 0);
    RECT client;
    get_client_rect(tv.hwnd, &client);
    tv.scroll.count = static_cast<int>(tv.rows.size());
    tv.scroll.page = std::max(1, static_cast<int>(client.bottom - client.top) / tree_row_height(tv));
    tv.scroll.clamp();
}

int tree_row_of(const TreeView& tv, HTREEITEM item) {
    for (std::size_t i = 0; i < tv.rows.size(); ++i)
        if (tv.rows[i].item == item) return static_cast<int>(i);
    return -1;
}

int tree_row_height(const TreeView& tv) {
    int height = std::max(font_height(tv.font) + 3, 16);
    int cx = 0, cy = 0;
    if (tv.images && image_list_get_icon_size(tv.images, &cx, &cy)) height = std::max(height, cy);
    return height;
}

bool tree_has_children(TreeView& tv, HTREEITEM item) {
    const TreeNode* n = tv.node(item);
    if (n == nullptr) return false;
    if (!n->children.empty()) return true;
    if (!n->children_given) return false;
    if (n->children_flag != I_CHILDRENCALLBACK) return n->children_flag > 0;
    NMTVDISPINFO info;
    info.item.mask = TVIF_CHILDREN;
    info.item.hItem = item;
    info.item.lParam = n->param;
    notify_parent(tv.hwnd, TVN_GETDISPINFO, &info.hdr);
    return info.item.cChildren > 0;
}

TreeRowLayout tree_row_layout(const TreeView& tv, int row) {
    TreeRowLayout l{};
    RECT client;
    get_client_rect(tv.hwnd, &client);
    int right = client.right - (tv.scroll.needed() ? kScrollBarWidth : 0);
    int height = tree_row_height(tv);
    int top = (row - tv.scroll.top) * height;
    l.row = RECT{0, top, right, top + height};
    const TreeRow& r = tv.rows[static_cast<std::size_t>(row)];
    std::uint32_t style = tv.style();
    bool root_lines = (style & TVS_LINESATROOT) && (style & (TVS_HASLINES | TVS_HASBUTTONS));
    l.level_x = (r.depth + (root_lines ? 1 : 0)) * tv.indent + 3;
    if ((style & TVS_HASBUTTONS) && (r.depth > 0 || root_lines)) {
        int cx = l.level_x - tv.indent / 2 - 1, cy = top + height / 2;
        l.button = RECT{cx - 4, cy - 4, cx + 5, cy + 5};
    }
    int x = l.level_x;
    int icx = 0, icy = 0;
    if (tv.images && image_list_get_icon_size(tv.images, &icx, &icy)) {
        l.image = RECT{x, top + (height - icy) / 2, x + icx, top + (height - icy) / 2 + icy};
        x += icx + 1;
    }
    const std::string& text = tv.nodes.at(r.item).text;
    l.label = RECT{x, top, x + text_width(tv.font, text) + 4, top + height};
    return l;
}

HTREEITEM tree_hit_test(TreeView& tv, POINT pt, UINT* flags) {
    *flags = TVHT_NOWHERE;
    RECT client;
    get_client_rect(tv.hwnd, &client);
    if (tv.scroll.needed()) client.right -= kScrollBarWidth;
    if (!point_in_rect(client, pt)) return 0;
    int row = tv.scroll.top + pt.y / tree_row_height(tv);
    if (row < 0 || row >= static_cast<int>(tv.rows.size())) return 0;
    HTREEITEM h = tv.rows[static_cast<std::size_t>(row)].item;
    TreeRowLayout l = tree_row_layout(tv, row);
    if (pt.x < l.level_x) {
        // The whole indent step in front of the item works as its button.
        bool on_button = (tv.style() & TVS_HASBUTTONS) && l.button.right > l.button.left &&
                         pt.x >= l.level_x - tv.indent && tree_has_children(tv, h);
        *flags = on_button ? TVHT_ONITEMBUTTON : TVHT_ONITEMINDENT;
    } else if (pt.x < l.image.right) {
        *flags = TVHT_ONITEMICON;
    } else if (pt.x < l.label.right) {
        *flags = TVHT_ONITEMLABEL;
    } else {
        *flags = TVHT_ONITEMRIGHT;
    }
    return h;
}

}  // namespace platform::controls
