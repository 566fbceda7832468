#include "platform/version.h"

namespace platform {

Result<WindowsVersion> get_version_ex() {
    auto facts = machine_facts();
    if (!facts) {
        facts.error().make_last();
        return facts.error();
    }
    return facts->version;
}

std::uint32_t get_version() {
    auto v = get_version_ex();
    if (!v) return 0;
    std::uint32_t packed = (v->major & 0xFF) | ((v->minor & 0xFF) << 8);
    if (v->platform_id == VER_PLATFORM_WIN32_NT)
        packed |= (v->build & 0x7FFF) << 16;
    else
        packed |= 0x80000000u;
    return packed;
}

std::string get_computer_name() {
    auto facts = machine_facts();
    return facts ? facts->computer_name : std::string();
}

}  // namespace platform
