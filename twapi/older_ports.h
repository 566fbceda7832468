// The register of print servers whose printers answer only through the older
// two-way library: one subkey per server name under
//
//   HKEY_LOCAL_MACHINE\SOFTWARE\KAVRO\TWPrinter\TWAPI2\OldTWAPIPorts
//
// shared by every process of the computer, services included. Every access
// takes the computer-wide mutex "KAVRO_TWAPI2_Old_TWAPI_Port_Reg_Mutex"
// (waited for without a limit), so that a check, a registration and a
// removal in different processes never interleave.
//
// A server is the text between the two leading backslashes of a port or
// port name and the next backslash ("\\ATTIC\Old" -> "ATTIC"); a name
// without them has no server and is never an older-library printer.
// Registry failures are silent: the check then finds nothing, and
// registration and removal do nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace twapi {

inline constexpr const char* kOldPortsKey = "SOFTWARE\\KAVRO\\TWPrinter\\TWAPI2\\OldTWAPIPorts";
inline constexpr const char* kOldPortsMutex = "KAVRO_TWAPI2_Old_TWAPI_Port_Reg_Mutex";

std::optional<std::string> server_of(std::string_view port_or_name);

// Whether the server is registered (its subkey's name equals it exactly,
// letter case counting).
bool is_older_library_server(std::string_view port_or_name);
void register_older_library_server(std::string_view port_or_name);
void unregister_older_library_server(std::string_view port_or_name);

}  // namespace twapi
