#include "twapi/router.h"

#include <cstring>
#include <string>

#include "platform/event.h"
#include "platform/library.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace twapi {

namespace {

// Names and data are read into buffers of this size; a longer one ends the
// enumeration as a failed read would.
constexpr std::size_t kRegBuffer = 260;

std::string string_data(const platform::RegValue& value) {
    const auto* bytes = reinterpret_cast<const char*>(value.data.data());
    std::size_t length = 0;
    while (length < value.data.size() && bytes[length] != '\0') ++length;
    return std::string(bytes, length);
}

std::string provider_path(int slot) {
    auto key = platform::RegKey::open(platform::RootKey::LocalMachine, kProviderKeys[slot]);
    if (!key) return {};
    auto value = key->query_value("Path");
    if (!value) return {};
    if (value->type != platform::REG_SZ && value->type != platform::REG_EXPAND_SZ) return {};
    if (value->data.size() > kRegBuffer) return {};
    return string_data(*value);
}

void leave_empty(ProviderSlot& slot) {
    if (slot.library != platform::kNullHandle) (void)platform::free_library(slot.library);
    if (slot.event != platform::kNullHandle) platform::close_handle(slot.event);
    slot = ProviderSlot{};
}

void load_slot(Globals& g, int index) {
    ProviderSlot& slot = g.slots[index];
    slot.event = platform::create_event({}, platform::EventReset::Auto, false);
    if (slot.event == platform::kNullHandle) return;
    if (!router_word_on(kRouterWords[index])) return leave_empty(slot);

    std::string path = provider_path(index);
    if (path.empty()) return leave_empty(slot);
    auto library = platform::load_library(path);
    if (!library) return leave_empty(slot);
    slot.library = *library;

    auto get_info = platform::get_proc_as<std::remove_pointer_t<TWPGetProviderInfoFn>>(slot.library, "TWPGetProviderInfo");
    if (!get_info) return leave_empty(slot);
    ProviderRecord* record = nullptr;
    if ((*get_info)(&record) != 0 || record == nullptr) return leave_empty(slot);
    // The whole record, native pointer width, in its documented order.
    std::memcpy(&slot.record, record, sizeof(ProviderRecord));

    if (!g.receivers[index]->start(&slot.record, slot.event)) return leave_empty(slot);
}

}  // namespace

bool router_word_on(std::string_view word) {
    auto key = platform::RegKey::open(platform::RootKey::LocalMachine, kRouterKey);
    if (!key) return true;
    for (std::uint32_t index = 0;; ++index) {
        auto value = key->enum_value(index);
        if (!value) return false;
        if (value->name.size() >= kRegBuffer || value->data.size() > kRegBuffer) return false;
        if (value->name.size() < 3 || !platform::iequals(std::string_view(value->name).substr(0, 3), "TWP")) continue;
        if (value->type != platform::REG_SZ && value->type != platform::REG_EXPAND_SZ) continue;
        if (platform::iequals(string_data(*value), word)) return true;
    }
}

void load_providers(Globals& g) {
    load_slot(g, 0);
    load_slot(g, 1);
    if (g.slots[0].bound()) {
        auto get_local = platform::get_proc_as<std::remove_pointer_t<TWPGetLocalFn>>(g.slots[0].library, "TWPGetLocal");
        g.get_local.store(get_local ? *get_local : nullptr);
    }
}

void unload_providers(Globals& g) {
    for (int index = 0; index < 2; ++index) {
        ProviderSlot& slot = g.slots[index];
        if (!slot.bound()) continue;
        g.receivers[index]->stop();
        leave_empty(slot);
    }
    g.get_local.store(nullptr);
}

}  // namespace twapi
