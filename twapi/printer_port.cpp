#include "twapi/printer_port.h"

#include <optional>

#include "platform/registry.h"
#include "platform/spooler.h"
#include "platform/text.h"
#include "platform/version.h"

namespace twapi {

namespace {

// The registry's own copy of a printer's port, for the Windows 95/98
// spoolers that refuse the local enumeration at level 2.
constexpr std::size_t kRegistryPortLimit = 1024;

std::string port_from_registry(std::string_view printer_name) {
    std::string path = "System\\CurrentControlSet\\control\\Print\\Printers\\" + std::string(printer_name);
    auto key = platform::RegKey::open(platform::RootKey::LocalMachine, path);
    if (!key) return {};
    auto port = key->query_string("Port");
    if (!port || port->size() >= kRegistryPortLimit) return {};
    return *port;
}

std::optional<platform::PrinterInfo2> nt_printer(std::string_view printer_name) {
    auto printer = platform::Printer::open(printer_name);
    if (!printer) return std::nullopt;
    auto info = printer->get_printer(2);
    if (!info) return std::nullopt;
    return *info;
}

std::string port_of(const platform::PrinterInfo2& info) {
    // The spooler gives the server with its leading backslashes.
    std::string_view server = info.server_name;
    while (!server.empty() && server.front() == '\\') server.remove_prefix(1);
    if (server.empty() || platform::iequals(server, platform::get_computer_name())) return info.port_name;
    if (!info.share_name.empty()) return info.server_name + "\\" + info.share_name;
    return {};
}

}  // namespace

std::string printer_port(std::string_view printer_name) {
    auto version = platform::get_version_ex();
    if (!version) return {};
    if (version->platform_id == platform::VER_PLATFORM_WIN32_NT) {
        auto info = nt_printer(printer_name);
        return info ? port_of(*info) : std::string();
    }
    auto printers = platform::enum_printers(platform::PRINTER_ENUM_LOCAL, 2);
    if (!printers) {
        if (printers.error().code == platform::ERROR_INVALID_PARAMETER) return port_from_registry(printer_name);
        return {};
    }
    for (const auto& info : *printers)
        if (info.printer_name == printer_name) return port_of(info);  // letter case counts here
    return {};
}

}  // namespace twapi
