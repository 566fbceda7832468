// A registry key of the computer whose string values name the simulated
// printer behind each entry: value name = what a caller passes (a port, a
// printer or port name), data = the simulator's printer name. The stand-ins
// that reach simulated printers (the local-port provider, the older two-way
// library) keep their configuration this way, so a person can read and edit it
// with twreg.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/win_error.h"

namespace twsim {

class SimulatorMap {
public:
    // `key_path` under HKEY_LOCAL_MACHINE.
    explicit SimulatorMap(std::string key_path) : key_path_(std::move(key_path)) {}

    // Creates the key when needed; names compare without regard to letter case.
    platform::Status map(std::string_view name, std::string_view simulator) const;
    platform::Status unmap(std::string_view name) const;
    // The simulator behind `name`; empty when the key, the value or its data is missing.
    std::string lookup(std::string_view name) const;
    // Every entry in the key's order (an empty list when the key is missing).
    std::vector<std::pair<std::string, std::string>> entries() const;

private:
    std::string key_path_;
};

}  // namespace twsim
