// The dialog font and its base units.
//
// A template's font is made at the template's point size for 96 logical
// pixels per inch (height -MulDiv(points, 96, 72), as the dialog manager asks
// for it); without one, the dialog uses the system font and owns nothing.
#include <algorithm>
#include <cstring>

#include "platform/dialog_internal.h"
#include "platform/gdi.h"

namespace platform::detail {

DialogFont make_dialog_font(const DialogTemplate& tmpl) {
    DialogFont out;
    if (!tmpl.font_face.empty()) {
        LOGFONT lf;
        lf.lfHeight = -mul_div(tmpl.font_points > 0 ? tmpl.font_points : 8, 96, 72);
        lf.lfWeight = tmpl.font_weight > 0 ? tmpl.font_weight : FW_NORMAL;
        lf.lfItalic = tmpl.font_italic ? 1 : 0;
        lf.lfCharSet = DEFAULT_CHARSET;
        const std::size_t n = std::min(tmpl.font_face.size(), sizeof lf.lfFaceName - 1);
        std::memcpy(lf.lfFaceName, tmpl.font_face.data(), n);
        out.font = create_font_indirect(lf);
        out.owned = out.font != 0;
    }
    if (!out.font) out.font = static_cast<HFONT>(get_stock_object(SYSTEM_FONT));
    const SIZE units = dialog_base_units(out.font);
    out.base_x = units.cx;
    out.base_y = units.cy;
    return out;
}

void release_dialog_font(const DialogFont& font) {
    if (font.owned && font.font) delete_object(font.font);
}

}  // namespace platform::detail
