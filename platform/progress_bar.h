// The progress bar's drawing, apart from its window procedure (commctrl.h
// has the messages), so that the geometry can be checked on its own.
//
// Mirrors the classic look: a one-pixel sunken edge, the background inside
// it, and one pixel further in the bar, which grows from the left (from the
// bottom with PBS_VERTICAL) to (pos - low) * length / (high - low) pixels.
// Without PBS_SMOOTH the bar is a row of blocks two thirds of the bar's
// thickness long with two pixels between them; every block that starts inside
// the filled length is drawn whole (cut only at the far edge), as Windows
// draws them.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/commctrl.h"

namespace platform::controls {

struct ProgressBarLook {
    int low = 0;
    int high = 100;
    int pos = 0;
    COLORREF bar_color = CLR_DEFAULT;   // COLOR_HIGHLIGHT
    COLORREF back_color = CLR_DEFAULT;  // COLOR_3DFACE
    std::uint32_t style = 0;
};

// The inside of the edge, where the background goes.
RECT progress_bar_inside(const RECT& client);
// The rectangles drawn in the bar colour.
std::vector<RECT> progress_bar_blocks(const RECT& client, const ProgressBarLook& look);
void draw_progress_bar(HDC dc, const RECT& client, const ProgressBarLook& look);

}  // namespace platform::controls
