// The library's only export. Everything else in TwpShre2 is reached through
// the provider record it hands out.
#include "shareprov/functions.h"
#include "shareprov/provider_state.h"

namespace {
// The state object is built when the library is loaded, so the settings are
// those of the moment of loading.
[[maybe_unused]] shareprov::ProviderState& g_loaded_state = shareprov::state();
}  // namespace

extern "C" __attribute__((visibility("default"))) int TWPGetProviderInfo(ProviderRecord** record) {
    if (record == nullptr) {
        shareprov::state().message("TWPGetProviderInfo: Parameter error");
        return -7;
    }
    return shareprov::attach(record);
}
