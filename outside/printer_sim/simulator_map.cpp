#include "outside/printer_sim/simulator_map.h"

#include <cstdint>

#include "platform/registry.h"

namespace twsim {

using platform::RegKey;
using platform::RootKey;

platform::Status SimulatorMap::map(std::string_view name, std::string_view simulator) const {
    auto key = RegKey::create(RootKey::LocalMachine, key_path_);
    if (!key) return key.error();
    return key->key.set_string(name, simulator);
}

platform::Status SimulatorMap::unmap(std::string_view name) const {
    auto key = RegKey::open(RootKey::LocalMachine, key_path_);
    if (!key) return key.error();
    return key->delete_value(name);
}

std::string SimulatorMap::lookup(std::string_view name) const {
    auto key = RegKey::open(RootKey::LocalMachine, key_path_);
    if (!key) return {};
    auto simulator = key->query_string(name);
    return simulator ? *simulator : std::string();
}

std::vector<std::pair<std::string, std::string>> SimulatorMap::entries() const {
    std::vector<std::pair<std::string, std::string>> out;
    auto key = RegKey::open(RootKey::LocalMachine, key_path_);
    if (!key) return out;
    for (std::uint32_t i = 0;; ++i) {
        auto value = key->enum_value(i);
        if (!value) break;
        auto data = key->query_string(value->name);
        out.emplace_back(value->name, data ? *data : std::string());
    }
    return out;
}

}  // namespace twsim
