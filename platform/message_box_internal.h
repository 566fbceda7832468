// What message boxes take from the drawing layer. Internal to the platform layer.
#pragma once

#include <string>

#include "platform/gdi_types.h"
#include "platform/messages.h"

namespace platform::detail {

struct SIZE_PX {
    int cx = 0;
    int cy = 0;
};

// The size `text` takes in `font`, lines broken to fit `max_width`.
SIZE_PX message_box_text_size(HFONT font, const std::string& text, int max_width);
// The screen's work area.
void message_box_work_area(RECT* area);
// Grows a client rectangle of the box to its window rectangle.
void message_box_frame(HWND box, RECT* rect);
// The drawn icon of an MB_ICON* kind (0 for none) and its release.
HICON message_box_icon(UINT icon_kind);
void release_message_box_icon(HICON icon);

}  // namespace platform::detail
