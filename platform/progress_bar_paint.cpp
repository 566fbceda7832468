// The progress bar's drawing: edge, background, blocks.
#include "platform/gdi.h"
#include "platform/progress_bar.h"
#include "platform/controls_internal.h"

namespace platform::controls {

void draw_progress_bar(HDC dc, const RECT& client, const ProgressBarLook& look) {
    RECT edge = client;
    draw_edge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
    fill_solid(dc, progress_bar_inside(client), color_or(look.back_color, COLOR_3DFACE));
    COLORREF bar = color_or(look.bar_color, COLOR_HIGHLIGHT);
    for (const RECT& block : progress_bar_blocks(client, look)) fill_solid(dc, block, bar);
}

}  // namespace platform::controls
