// What the dialog functions, the dialog manager and the standard controls
// share about dialogs. Internal to the platform layer.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/dialog_template.h"
#include "platform/gdi_types.h"
#include "platform/handle_table.h"
#include "platform/messages.h"

namespace platform::detail {

// What a dialog made by the dialog functions keeps beside its window data.
struct DialogInfo {
    HFONT font = 0;
    bool owns_font = false;
    int base_x = 0;  // the dialog font's base units, in pixels
    int base_y = 0;
    int def_id = 0;      // DM_SETDEFID; 0 until one is set or a default push button made
    HWND saved_focus = 0;  // the item that had the focus when the dialog lost activation
    bool ended = false;
    std::intptr_t result = 0;
    Handle instance = 0;
};

// Whether `hwnd` is a dialog made here; its state into `out` when given.
bool dialog_info(HWND hwnd, DialogInfo* out = nullptr);
// Changes a dialog's state under the lock; false when it is not a dialog.
bool update_dialog_info(HWND hwnd, const std::function<void(DialogInfo&)>& change);

// The child windows of `parent` in creation (and z-) order, first created first.
std::vector<HWND> child_windows(HWND parent);

// The dialog's font and base units for a template: the template's font
// (DS_SETFONT or a face given), else the system font. `owned` says whether
// the dialog must delete the font when it goes.
struct DialogFont {
    HFONT font = 0;
    bool owned = false;
    int base_x = 0;
    int base_y = 0;
};
DialogFont make_dialog_font(const DialogTemplate& tmpl);
void release_dialog_font(const DialogFont& font);

// Moves the focus to `hctl`, an item of `hdlg`, as the dialog manager does:
// an edit control gets its whole text selected, and the default push button
// follows (see dialog_item_focused).
void set_dialog_focus(HWND hdlg, HWND hctl);
// Called by the standard controls when they get the focus: when their parent
// is a dialog, a push button that gets it becomes the default-looking one and
// any other control gives that look back to the dialog's default button.
void dialog_item_focused(HWND hctl);

}  // namespace platform::detail
