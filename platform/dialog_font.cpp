// The dialog font and its base units.
#include "platform/dialog_internal.h"

namespace platform::detail {

DialogFont make_dialog_font(const DialogTemplate&) { return DialogFont{0, false, 6, 13}; }
void release_dialog_font(const DialogFont&) {}

}  // namespace platform::detail
