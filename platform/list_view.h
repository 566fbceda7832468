// The list view's state and layout, shared by its window procedure
// (list_view.cpp) and its drawing (list_view_paint.cpp). commctrl.h has the
// messages programs use.
#pragma once

#include <string>
#include <vector>

#include "platform/controls_internal.h"

namespace platform::controls {

struct ListColumn {
    std::string text;
    int width = 0;
    int fmt = LVCFMT_LEFT;
};

struct ListItem {
    std::vector<std::string> texts = std::vector<std::string>(1);  // [0] the item, then sub-items
    int image = 0;
    LPARAM param = 0;
    UINT state = 0;
    int indent = 0;

    const std::string& text(int sub) const {
        static const std::string empty;
        return sub >= 0 && sub < static_cast<int>(texts.size()) ? texts[static_cast<std::size_t>(sub)] : empty;
    }
};

inline constexpr int kStateIconWidth = 16;  // the check box picture

struct ListView {
    HWND hwnd = 0;
    std::vector<ListColumn> columns;
    std::vector<ListItem> items;
    std::uint32_t ex_style = 0;
    HIMAGELIST small_images = 0;
    HIMAGELIST state_images = 0;
    HIMAGELIST normal_images = 0;
    COLORREF back_color = CLR_DEFAULT;       // COLOR_WINDOW
    COLORREF text_color = CLR_DEFAULT;       // COLOR_WINDOWTEXT
    COLORREF text_back_color = CLR_DEFAULT;  // the background colour
    HFONT font = 0;
    VerticalScroll scroll;
    bool focused = false;  // the control has the keyboard focus
    bool pressed = false;  // a left press waits for its release (NM_CLICK)
    int pressed_item = -1;
    int pressed_sub = 0;

    std::uint32_t style() const { return static_cast<std::uint32_t>(get_window_long(hwnd, GWL_STYLE)); }
    bool has_check_boxes() const { return (ex_style & LVS_EX_CHECKBOXES) != 0; }
    bool has_state_pictures() const { return has_check_boxes() || state_images != 0; }
    int count() const { return static_cast<int>(items.size()); }
    bool valid(int index) const { return index >= 0 && index < count(); }
};

// Layout, in client coordinates.
int list_header_height(const ListView& lv);
int list_row_height(const ListView& lv);
int list_total_width(const ListView& lv);
// The client rectangle less the scroll bar when one is shown.
RECT list_content_rect(const ListView& lv);
// Recounts the rows that fit; call after items, fonts or sizes change.
void list_update_scroll(ListView& lv);
// LVM_GETITEMRECT for any item, shown or scrolled away.
RECT list_item_rect(const ListView& lv, int index, int code);
// The sub-item's cell: the column's extent on the item's row.
RECT list_cell_rect(const ListView& lv, int index, int sub);
// LVM_HITTEST: the item under `pt` (or -1) with LVHT_ flags and the column.
int list_hit_test(const ListView& lv, POINT pt, UINT* flags, int* sub);

void draw_list_view(HDC dc, const RECT& client, const ListView& lv);

}  // namespace platform::controls
