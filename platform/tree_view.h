// The tree view's state and layout, shared by its window procedure
// (tree_view.cpp) and its drawing (tree_view_paint.cpp). commctrl.h has the
// messages programs use.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/controls_internal.h"

namespace platform::controls {

struct TreeNode {
    HTREEITEM parent = 0;  // 0 for an item at the root
    std::vector<HTREEITEM> children;
    std::string text;
    int image = 0;
    int selected_image = 0;
    int children_flag = 0;        // cChildren as given with TVIF_CHILDREN
    bool children_given = false;  // TVIF_CHILDREN was given
    LPARAM param = 0;
    UINT state = 0;               // TVIS_ bits; TVIS_SELECTED follows the caret
};

struct TreeRow {
    HTREEITEM item = 0;
    int depth = 0;
};

struct TreeView {
    HWND hwnd = 0;
    std::unordered_map<HTREEITEM, TreeNode> nodes;
    std::vector<HTREEITEM> roots;
    HTREEITEM next_handle = 0x100;  // handles are never reused
    HTREEITEM caret = 0;
    HTREEITEM drop_target = 0;
    HIMAGELIST images = 0;
    HIMAGELIST state_images = 0;
    int indent = 19;
    COLORREF back_color = CLR_DEFAULT;
    COLORREF text_color = CLR_DEFAULT;
    HFONT font = 0;
    VerticalScroll scroll;
    std::vector<TreeRow> rows;  // the items shown, in order
    bool focused = false;
    bool pressed = false;
    POINT pressed_at;

    std::uint32_t style() const { return static_cast<std::uint32_t>(get_window_long(hwnd, GWL_STYLE)); }
    TreeNode* node(HTREEITEM h) {
        auto it = nodes.find(h);
        return it == nodes.end() ? nullptr : &it->second;
    }
    const TreeNode* node(HTREEITEM h) const {
        auto it = nodes.find(h);
        return it == nodes.end() ? nullptr : &it->second;
    }
    const std::vector<HTREEITEM>& siblings_of(const TreeNode& n) const {
        return n.parent ? nodes.at(n.parent).children : roots;
    }
};

// Rebuilds the rows from the expanded items; keeps the scroll in range.
void tree_update_rows(TreeView& tv);
// The row an item is shown on, or -1 when a collapsed parent hides it.
int tree_row_of(const TreeView& tv, HTREEITEM item);
int tree_row_height(const TreeView& tv);
// Whether the item shows a +/- button: it has children, or said it has.
bool tree_has_children(TreeView& tv, HTREEITEM item);

// Where the parts of a shown row lie (client coordinates).
struct TreeRowLayout {
    RECT row;     // the whole line
    int level_x;  // where the item's picture (or label) starts
    RECT button;  // the +/- box (empty without TVS_HASBUTTONS)
    RECT image;   // empty without an image list
    RECT label;
};
TreeRowLayout tree_row_layout(const TreeView& tv, int row);
HTREEITEM tree_hit_test(TreeView& tv, POINT pt, UINT* flags);

void draw_tree_view(HDC dc, const RECT& client, TreeView& tv);

}  // namespace platform::controls
