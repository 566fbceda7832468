#include "outside/lptprov/lpt_config.h"

#include "outside/printer_sim/simulator_map.h"

#include "platform/registry.h"
#include "platform/spooler.h"
#include "platform/text.h"
#include "platform/version.h"

namespace lptprov {

using platform::Error;
using platform::RegKey;
using platform::RootKey;

std::optional<std::string> printer_of_address(std::string_view address) {
    if (address.size() <= kAddressPrefix.size() ||
        !platform::iequals(address.substr(0, kAddressPrefix.size()), kAddressPrefix))
        return std::nullopt;
    return std::string(address.substr(kAddressPrefix.size()));
}

namespace {
const twsim::SimulatorMap& ports() {
    static const twsim::SimulatorMap map(kPortsKey);
    return map;
}
}  // namespace

platform::Status map_port(std::string_view port, std::string_view simulator) {
    if (port.empty() || simulator.empty())
        return Error{platform::ERROR_INVALID_PARAMETER, "a port and a simulated printer are needed"};
    return ports().map(port, simulator);
}

platform::Status unmap_port(std::string_view port) { return ports().unmap(port); }

platform::Result<std::string> simulator_of_port(std::string_view port) {
    std::string name = ports().lookup(port);
    if (name.empty())
        return Error{platform::ERROR_FILE_NOT_FOUND, "port " + std::string(port) + " is no local-port provider port"};
    return name;
}

std::vector<std::pair<std::string, std::string>> mapped_ports() { return ports().entries(); }

std::string free_sim_port() {
    for (int n = 1;; ++n) {
        std::string port = "SIM" + std::to_string(n) + ":";
        if (!simulator_of_port(port)) return port;
    }
}

platform::Result<Target> target_of_printer(std::string_view printer) {
    auto open = platform::Printer::open(printer);
    if (!open) return open.error();
    auto info = open->get_printer(2);
    if (!info) return info.error();
    // A connection to another computer's printer is reached through its
    // server, never through a port of this computer.
    std::string server = info->server_name;
    while (!server.empty() && server.front() == '\\') server.erase(0, 1);
    if (!server.empty() && !platform::iequals(server, platform::get_computer_name()))
        return Error{platform::ERROR_INVALID_PRINTER_NAME, "printer " + std::string(printer) + " belongs to " + server};
    auto simulator = simulator_of_port(info->port_name);
    if (!simulator) return simulator.error();
    return Target{info->port_name, *simulator};
}

platform::Status register_provider(std::string_view library_path) {
    auto router = RegKey::create(RootKey::LocalMachine, kRouterKey);
    if (!router) return router.error();
    bool routed = false;
    std::vector<std::string> names;
    for (std::uint32_t i = 0;; ++i) {
        auto value = router->key.enum_value(i);
        if (!value) break;
        names.push_back(value->name);
        auto data = router->key.query_string(value->name);
        if (platform::iequals(value->name.substr(0, 3), "TWP") && data && platform::iequals(*data, "LPT")) routed = true;
    }
    if (!routed) {
        std::string name;
        for (int n = 1; name.empty(); ++n) {
            std::string candidate = "TWP" + std::to_string(n);
            bool taken = false;
            for (const auto& existing : names) taken = taken || platform::iequals(existing, candidate);
            if (!taken) name = candidate;
        }
        if (auto s = router->key.set_string(name, "LPT"); !s) return s;
    }
    auto provider = RegKey::create(RootKey::LocalMachine, kProviderKey);
    if (!provider) return provider.error();
    return provider->key.set_string("Path", library_path);
}

}  // namespace lptprov
