#include "platform/builtin_libraries.h"

#include "platform/commctrl.h"
#include "platform/library.h"
#include "platform/richedit.h"
#include "platform/text.h"

namespace platform {

bool start_builtin_library(std::string_view name) {
    std::string base = library_file_name(name);
    base.resize(base.size() - 3);  // ".so"
    if (iequals(base, "COMCTL32")) {
        init_common_controls();
        return true;
    }
    if (iequals(base, "RICHED32") || iequals(base, "RICHED20")) {
        init_rich_edit();
        return true;
    }
    return false;
}

}  // namespace platform
