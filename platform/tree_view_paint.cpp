// The tree view's drawing: dotted lines joining items to their parents and
// siblings, +/- buttons, pictures, labels with the selection, scroll bar.
#include "platform/gdi.h"
#include "platform/tree_view.h"

namespace platform::controls {
namespace {

// Every other pixel, in the same phase everywhere, as the classic look has it.
void dotted_vertical(HDC dc, int x, int top, int bottom, COLORREF color) {
    for (int y = top; y < bottom; ++y)
        if (((x + y) & 1) == 0) set_pixel_v(dc, x, y, color);
}

void dotted_horizontal(HDC dc, int y, int left, int right, COLORREF color) {
    for (int x = left; x < right; ++x)
        if (((x + y) & 1) == 0) set_pixel_v(dc, x, y, color);
}

bool has_next_sibling(const TreeView& tv, HTREEITEM h) {
    const TreeNode* n = tv.node(h);
    if (n == nullptr) return false;
    const auto& siblings = tv.siblings_of(*n);
    return !siblings.empty() && siblings.back() != h;
}

void draw_lines(HDC dc, const TreeView& tv, int row, const TreeRowLayout& l) {
    const TreeRow& r = tv.rows[static_cast<std::size_t>(row)];
    COLORREF color = get_sys_color(COLOR_GRAYTEXT);
    int center_x = l.level_x - tv.indent / 2 - 1;
    if (center_x < 0) return;  // root items without lines at the root
    int mid = (l.row.top + l.row.bottom) / 2;
    const TreeNode& n = tv.nodes.at(r.item);
    bool first_at_root = n.parent == 0 && !tv.roots.empty() && tv.roots.front() == r.item;
    dotted_horizontal(dc, mid, center_x, l.level_x - 1, color);
    dotted_vertical(dc, center_x, first_at_root ? mid : l.row.top, has_next_sibling(tv, r.item) ? l.row.bottom : mid + 1,
                    color);
    // Lines of the ancestors that have siblings still to come.
    int x = center_x;
    for (HTREEITEM a = n.parent; a != 0; a = tv.nodes.at(a).parent) {
        x -= tv.indent;
        if (x < 0) break;
        if (has_next_sibling(tv, a)) dotted_vertical(dc, x, l.row.top, l.row.bottom, color);
    }
}

void draw_button(HDC dc, const RECT& box, bool expanded) {
    fill_solid(dc, box, get_sys_color(COLOR_WINDOW));
    HBRUSH frame = get_sys_color_brush(COLOR_GRAYTEXT);
    frame_rect(dc, box, frame);
    COLORREF sign = get_sys_color(COLOR_WINDOWTEXT);
    int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    fill_solid(dc, RECT{box.left + 2, cy, box.right - 2, cy + 1}, sign);
    if (!expanded) fill_solid(dc, RECT{cx, box.top + 2, cx + 1, box.bottom - 2}, sign);
}

}  // namespace

void draw_tree_view(HDC dc, const RECT& client, TreeView& tv) {
    RECT content = client;
    if (tv.scroll.needed()) content.right -= kScrollBarWidth;
    fill_solid(dc, content, color_or(tv.back_color, COLOR_WINDOW));
    int saved = save_dc(dc);
    intersect_clip_rect(dc, content.left, content.top, content.right, content.bottom);
    select_object(dc, control_font(tv.font));
    set_bk_mode(dc, TRANSPARENT);
    std::uint32_t style = tv.style();
    bool show_selection = tv.focused || (style & TVS_SHOWSELALWAYS);
    int last = std::min(static_cast<int>(tv.rows.size()), tv.scroll.top + tv.scroll.page + 1);
    for (int row = tv.scroll.top; row < last; ++row) {
        TreeRowLayout l = tree_row_layout(tv, row);
        HTREEITEM h = tv.rows[static_cast<std::size_t>(row)].item;
        const TreeNode& n = tv.nodes.at(h);
        if (style & TVS_HASLINES) draw_lines(dc, tv, row, l);
        if ((style & TVS_HASBUTTONS) && l.button.right > l.button.left && tree_has_children(tv, h))
            draw_button(dc, l.button, (n.state & TVIS_EXPANDED) != 0);
        bool selected = h == tv.caret && show_selection;
        bool lit = selected || h == tv.drop_target;
        if (tv.images) {
            int picture = h == tv.caret ? n.selected_image : n.image;
            image_list_draw(tv.images, picture, dc, l.image.left, l.image.top, ILD_NORMAL);
        }
        bool strong = lit && (tv.focused || h == tv.drop_target);
        if (lit) fill_solid(dc, l.label, strong ? get_sys_color(COLOR_HIGHLIGHT) : get_sys_color(COLOR_3DFACE));
        set_text_color(dc, strong ? get_sys_color(COLOR_HIGHLIGHTTEXT)
                                  : lit ? get_sys_color(COLOR_BTNTEXT) : color_or(tv.text_color, COLOR_WINDOWTEXT));
        RECT text{l.label.left + 2, l.label.top, l.label.right, l.label.bottom};
        draw_text(dc, n.text, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        if (h == tv.caret && tv.focused) draw_focus_rect(dc, l.label);
    }
    restore_dc(dc, saved);
    draw_scroll_bar(dc, client, tv.scroll);
}

}  // namespace platform::controls
