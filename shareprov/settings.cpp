#include "shareprov/settings.h"

#include "platform/registry.h"
#include "platform/version.h"

namespace shareprov {

std::uint32_t available_protocols() {
    auto version = platform::get_version_ex();
    if (!version) return 0;
    std::uint32_t set = kProtocolUdp;
    if (version->platform_id == platform::VER_PLATFORM_WIN32_NT) {
        set |= kProtocolMailslot;
    } else if (version->platform_id == platform::VER_PLATFORM_WIN32_WINDOWS && version->major > 3) {
        if (!platform::RegKey::open(platform::RootKey::LocalMachine, "Enum\\Network\\NWLINK")) set |= kProtocolMailslot;
    }
    return set;
}

Settings read_settings() {
    Settings settings;
    if (auto env = platform::RegKey::open(platform::RootKey::LocalMachine, kEnvKey)) {
        if (auto v = env->query_dword("SendRcvTimeOut")) settings.send_rcv_timeout_ms = *v;
        if (auto v = env->query_dword("TimeOutInterval")) settings.timeout_interval_ms = *v;
    }
    if (auto agent = platform::RegKey::open(platform::RootKey::LocalMachine, kAgentKey)) {
        if (auto v = agent->query_dword("ProcessID")) settings.agent_process_id = *v;
    }
    settings.available_protocols = available_protocols();
    return settings;
}

}  // namespace shareprov
