// The list view's drawing: the column header, the rows with their check
// boxes, pictures, texts and selection, grid lines and the scroll bar.
#include "platform/gdi.h"
#include "platform/list_view.h"

namespace platform::controls {
namespace {

void draw_header(HDC dc, const ListView& lv, const RECT& content, int height) {
    int left = 0;
    set_bk_mode(dc, TRANSPARENT);
    set_text_color(dc, get_sys_color(COLOR_BTNTEXT));
    for (const auto& column : lv.columns) {
        RECT r{left, 0, left + column.width, height};
        left += column.width;
        if (r.right <= r.left) continue;
        draw_edge(dc, &r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_SOFT);
        RECT text{r.left + 6, r.top, r.right - 6, r.bottom};
        UINT align = column.fmt == LVCFMT_RIGHT ? DT_RIGHT : column.fmt == LVCFMT_CENTER ? DT_CENTER : DT_LEFT;
        draw_text(dc, column.text, &text, align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    if (left < content.right) {
        RECT rest{left, 0, content.right, height};
        draw_edge(dc, &rest, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_SOFT);
    }
}

void draw_state_picture(HDC dc, const ListView& lv, const ListItem& item, const RECT& cell) {
    UINT index = (item.state & LVIS_STATEIMAGEMASK) >> 12;
    if (index == 0) return;
    if (lv.state_images) {
        int cx = 0, cy = 0;
        image_list_get_icon_size(lv.state_images, &cx, &cy);
        image_list_draw(lv.state_images, static_cast<int>(index) - 1, dc, cell.left,
                        cell.top + (cell.bottom - cell.top - cy) / 2, ILD_NORMAL);
        return;
    }
    // The built-in check box: 13 x 13, centred in its 16-pixel place.
    int top = cell.top + (cell.bottom - cell.top - 13) / 2;
    RECT box{cell.left + 2, top, cell.left + 15, top + 13};
    draw_frame_control(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | (index >= 2 ? DFCS_CHECKED : 0));
}

void draw_row(HDC dc, const ListView& lv, int index, int right) {
    const ListItem& item = lv.items[static_cast<std::size_t>(index)];
    bool show_selection = lv.focused || (lv.style() & LVS_SHOWSELALWAYS);
    bool selected = (item.state & LVIS_SELECTED) && show_selection;
    bool full_row = (lv.ex_style & LVS_EX_FULLROWSELECT) != 0;
    COLORREF back = lv.focused ? get_sys_color(COLOR_HIGHLIGHT) : get_sys_color(COLOR_3DFACE);
    COLORREF fore = lv.focused ? get_sys_color(COLOR_HIGHLIGHTTEXT) : get_sys_color(COLOR_BTNTEXT);
    COLORREF text = color_or(lv.text_color, COLOR_WINDOWTEXT);

    RECT first = list_cell_rect(lv, index, 0);
    RECT label = list_item_rect(lv, index, LVIR_LABEL);
    RECT icon = list_item_rect(lv, index, LVIR_ICON);
    if (lv.has_state_pictures()) draw_state_picture(dc, lv, item, RECT{first.left, first.top, first.left + kStateIconWidth, first.bottom});
    if (lv.small_images) {
        int cx = 0, cy = 0;
        image_list_get_icon_size(lv.small_images, &cx, &cy);
        image_list_draw(lv.small_images, item.image, dc, icon.left, icon.top + (icon.bottom - icon.top - cy) / 2,
                        selected && lv.focused ? ILD_SELECTED : ILD_NORMAL);
    }
    RECT highlight = full_row ? RECT{label.left, label.top, std::min(list_total_width(lv), right), label.bottom} : label;
    if (selected) fill_solid(dc, highlight, back);
    for (int sub = 0; sub < static_cast<int>(lv.columns.size()) || sub == 0; ++sub) {
        RECT cell = sub == 0 ? label : list_cell_rect(lv, index, sub);
        if (cell.right <= cell.left) continue;
        bool lit = selected && (sub == 0 || full_row);
        set_text_color(dc, lit ? fore : text);
        RECT inner{cell.left + (sub == 0 ? 2 : 6), cell.top, cell.right - 2, cell.bottom};
        int fmt = sub < static_cast<int>(lv.columns.size()) ? lv.columns[static_cast<std::size_t>(sub)].fmt : LVCFMT_LEFT;
        UINT align = fmt == LVCFMT_RIGHT ? DT_RIGHT : fmt == LVCFMT_CENTER ? DT_CENTER : DT_LEFT;
        draw_text(dc, item.text(sub), &inner, align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
        if (lv.columns.empty()) break;
    }
    if (lv.focused && (item.state & LVIS_FOCUSED)) draw_focus_rect(dc, highlight);
}

}  // namespace

void draw_list_view(HDC dc, const RECT& client, const ListView& lv) {
    RECT content = list_content_rect(lv);
    content.top = client.top;
    fill_solid(dc, content, color_or(lv.back_color, COLOR_WINDOW));
    int saved = save_dc(dc);
    select_object(dc, control_font(lv.font));
    int header = list_header_height(lv);
    if (header > 0) draw_header(dc, lv, content, header);
    intersect_clip_rect(dc, content.left, header, content.right, content.bottom);
    set_bk_mode(dc, TRANSPARENT);
    int row = list_row_height(lv);
    int last = std::min(lv.count(), lv.scroll.top + lv.scroll.page + 1);
    for (int i = lv.scroll.top; i < last; ++i) draw_row(dc, lv, i, content.right);
    if (lv.ex_style & LVS_EX_GRIDLINES) {
        COLORREF grid = get_sys_color(COLOR_3DFACE);
        int width = std::min(list_total_width(lv), static_cast<int>(content.right));
        for (int y = header + row - 1; y < content.bottom; y += row) fill_solid(dc, RECT{0, y, width, y + 1}, grid);
        int x = 0;
        for (const auto& column : lv.columns) {
            x += column.width;
            fill_solid(dc, RECT{x - 1, header, x, content.bottom}, grid);
        }
    }
    restore_dc(dc, saved);
    draw_scroll_bar(dc, client, lv.scroll);
}

}  // namespace platform::controls
