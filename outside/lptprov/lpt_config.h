// What the local-port provider keeps in the registry, and how it decides that
// a printer is one of its own.
//
// A printer is the provider's when it is a printer of this computer (the
// spooler knows it, with no other computer as its server) and its port is
// one of the provider's ports. The provider's ports are the values of
//   HKEY_LOCAL_MACHINE\SOFTWARE\KAVRO\TWPrinter\TWProvider\LPT\Ports
// each named by a port ("SIM1:", "LPT1:") with the name of the simulated
// printer behind it as string data. That is where a real device backend
// would name its devices; a person changes it with the registry tool.
//
// TWAPI2 finds the provider through the routing key (a value "TWPn" = "LPT")
// and the provider key's "Path" (register_provider).
//
// Thread-safe; every call reads or writes the registry.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/win_error.h"

namespace lptprov {

inline constexpr const char* kRouterKey = "SOFTWARE\\KAVRO\\TWPrinter\\TWRequestRouter";
inline constexpr const char* kProviderKey = "SOFTWARE\\KAVRO\\TWPrinter\\TWProvider\\LPT";
inline constexpr const char* kPortsKey = "SOFTWARE\\KAVRO\\TWPrinter\\TWProvider\\LPT\\Ports";
inline constexpr std::string_view kAddressPrefix = "UFName:";

// The printer name in an address "UFName:<name>"; nothing for any other text.
std::optional<std::string> printer_of_address(std::string_view address);

// Port names -> simulated printer names.
[[nodiscard]] platform::Status map_port(std::string_view port, std::string_view simulator);
[[nodiscard]] platform::Status unmap_port(std::string_view port);
// ERROR_FILE_NOT_FOUND when the port is not one of the provider's.
[[nodiscard]] platform::Result<std::string> simulator_of_port(std::string_view port);
std::vector<std::pair<std::string, std::string>> mapped_ports();
// "SIM1:", "SIM2:", ...: the first such port that is not mapped yet.
std::string free_sim_port();

// A printer of the provider: its port and the simulated printer behind it.
struct Target {
    std::string port;
    std::string simulator;
};
// ERROR_INVALID_PRINTER_NAME when the spooler does not know the printer or it
// is another computer's; ERROR_FILE_NOT_FOUND when its port is not mapped.
[[nodiscard]] platform::Result<Target> target_of_printer(std::string_view printer);

// Switches slot 0 on in the routing key (adds "TWPn" = "LPT" unless a value
// already routes to LPT) and writes the provider key's "Path", the library
// as the loader takes it (a Windows path, a module name, or a host path).
[[nodiscard]] platform::Status register_provider(std::string_view library_path);

}  // namespace lptprov
