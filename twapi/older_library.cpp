#include "twapi/older_library.h"

#include "twapi/result_codes.h"

namespace twapi {

int older_library_channels(int /*kind*/, const char* /*name*/, void* /*channels*/) { return TW_CANCEL_REFUSED; }

bool is_older_library_server(std::string_view /*port_or_name*/) { return false; }

}  // namespace twapi
