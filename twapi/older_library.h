// The older two-way library's route, as name resolution sees it. The route
// itself (binding the older library, forwarding calls on its printers, the
// register of its print servers) is not built yet: until it is, the route
// behaves as it does when the older library is missing — it cannot be bound,
// so the route ends with -11 and no printer ever gets slot 255.
#pragma once

#include <string_view>

namespace twapi {

// The older library's channel count for the name (written into `channels`,
// 128 bytes), or its own negative code; -11 when it cannot be bound.
int older_library_channels(int kind, const char* name, void* channels);

// Whether the print server of `port_or_name` ("\\server\share") is
// registered as one whose printers answer only through the older library.
bool is_older_library_server(std::string_view port_or_name);

}  // namespace twapi
