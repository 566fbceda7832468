// A dialog template as a resource script gives it: the dialog's own style,
// place and font, and its controls in template order (which is the tab and
// creation order). Coordinates and sizes are dialog units; the dialog layer
// turns them into pixels from the dialog's font.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct DialogItemTemplate {
    std::string class_name;     // "BUTTON", "STATIC", "EDIT", "msctls_progress32", "SysListView32",
                                // "SysTreeView32", "RichEdit20A", or a class the program registered
    std::string text;           // caption; for a picture control the resource name or "#id"
    std::uint32_t id = 0;
    std::uint32_t style = 0;    // full window style, WS_CHILD | WS_VISIBLE included as the script gives
    std::uint32_t ex_style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
};

struct DialogTemplate {
    std::uint32_t style = 0;
    std::uint32_t ex_style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    std::string caption;
    std::string class_name;            // empty: the dialog class
    std::string font_face;             // empty: the system font
    int font_points = 0;
    int font_weight = 0;
    bool font_italic = false;
    std::vector<DialogItemTemplate> items;
};

}  // namespace platform
