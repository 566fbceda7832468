#include "outside/older_twapi/older_config.h"

#include "platform/registry.h"

namespace oldtwapi {

using platform::Error;
using platform::RegKey;
using platform::RootKey;

platform::Status map_printer(std::string_view name, std::string_view simulator) {
    if (name.empty() || simulator.empty())
        return Error{platform::ERROR_INVALID_PARAMETER, "a printer name and a simulated printer are needed"};
    auto key = RegKey::create(RootKey::LocalMachine, kPrintersKey);
    if (!key) return key.error();
    return key->key.set_string(name, simulator);
}

platform::Status unmap_printer(std::string_view name) {
    auto key = RegKey::open(RootKey::LocalMachine, kPrintersKey);
    if (!key) return key.error();
    return key->delete_value(name);
}

platform::Result<std::string> simulator_of(std::string_view name) {
    Error unknown{platform::ERROR_FILE_NOT_FOUND, std::string(name) + " is no printer of the older library"};
    if (name.empty()) return unknown;
    auto key = RegKey::open(RootKey::LocalMachine, kPrintersKey);
    if (!key) return unknown;
    auto simulator = key->query_string(name);
    if (!simulator || simulator->empty()) return unknown;
    return *simulator;
}

std::vector<std::pair<std::string, std::string>> mapped_printers() {
    std::vector<std::pair<std::string, std::string>> out;
    auto key = RegKey::open(RootKey::LocalMachine, kPrintersKey);
    if (!key) return out;
    for (std::uint32_t i = 0;; ++i) {
        auto value = key->enum_value(i);
        if (!value) break;
        auto data = key->query_string(value->name);
        out.emplace_back(value->name, data ? *data : std::string());
    }
    return out;
}

}  // namespace oldtwapi
