#include "outside/older_twapi/older_config.h"

#include "outside/printer_sim/simulator_map.h"

#include "platform/registry.h"

namespace oldtwapi {

using platform::Error;

namespace {
const twsim::SimulatorMap& printers() {
    static const twsim::SimulatorMap map(kPrintersKey);
    return map;
}
}  // namespace

platform::Status map_printer(std::string_view name, std::string_view simulator) {
    if (name.empty() || simulator.empty())
        return Error{platform::ERROR_INVALID_PARAMETER, "a printer name and a simulated printer are needed"};
    return printers().map(name, simulator);
}

platform::Status unmap_printer(std::string_view name) { return printers().unmap(name); }

platform::Result<std::string> simulator_of(std::string_view name) {
    std::string simulator = name.empty() ? std::string() : printers().lookup(name);
    if (simulator.empty())
        return Error{platform::ERROR_FILE_NOT_FOUND, std::string(name) + " is no printer of the older library"};
    return simulator;
}

std::vector<std::pair<std::string, std::string>> mapped_printers() { return printers().entries(); }

}  // namespace oldtwapi
