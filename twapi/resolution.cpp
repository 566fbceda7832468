#include "twapi/resolution.h"

#include <cstring>
#include <string>

#include "twapi/globals.h"
#include "twapi/older_library.h"
#include "twapi/older_ports.h"
#include "twapi/printer_port.h"
#include "twapi/result_codes.h"

namespace twapi {

namespace {

constexpr int kNoSlot = -1;

struct RouteAnswer {
    int result = 0;
    int slot = kNoSlot;
};

enum class Next { Done, Share, Older };

// -15 ends resolution (as -1, no slot); -4 and -1 move on; anything else
// ends it with this slot.
Next ask_provider(int slot, const std::string& address, std::uint8_t* connection, std::uint8_t* channels,
                  RouteAnswer& answer, Next fallback) {
    const ProviderRecord& record = globals().slots[slot].record;
    int result = record.TWPGetConnectInfo != nullptr
                     ? record.TWPGetConnectInfo(address.c_str(), connection, channels)
                     : kProviderInvalidAddress;
    if (result == kProviderRefused) {
        answer = {kProviderFailed, kNoSlot};
        return Next::Done;
    }
    if (result == kProviderInvalidAddress || result == kProviderFailed) return fallback;
    answer = {result, slot};
    return Next::Done;
}

std::vector<std::uint8_t> stored_connection(int slot, const std::uint8_t* connection) {
    if (slot == kSlotLocal) {
        // A zero-terminated string; one that fills the whole buffer is cut there.
        std::size_t length = strnlen(reinterpret_cast<const char*>(connection), kConnectionSize);
        std::vector<std::uint8_t> copy(connection, connection + length);
        copy.push_back(0);
        return copy;
    }
    return std::vector<std::uint8_t>(connection, connection + 4);
}

}  // namespace

Resolution resolve_printer(int kind, const char* name) {
    Globals& g = globals();
    if (PrinterRecord* known = g.printers->find(name)) return {known->channel_count, known};

    std::uint8_t connection[kConnectionSize] = {};
    std::uint8_t channels[kChannelTableSize] = {};
    RouteAnswer answer{TW_CANCEL_REFUSED, kNoSlot};

    Next next = Next::Older;
    if (kind == 1) next = g.slots[kSlotLocal].bound() ? Next::Done : Next::Share;
    else if (kind == 0) next = Next::Share;

    if (kind == 1 && next == Next::Done)
        next = ask_provider(kSlotLocal, std::string("UFName:") + name, connection, channels, answer, Next::Share);

    // The port (kind 1) or name (kind 0) the share route asks with, and by
    // which the printer's server is registered for the older library.
    std::string address;
    const bool after_share = next == Next::Share;
    if (next == Next::Share) {
        address = kind == 0 ? std::string(name) : printer_port(name);
        if (is_older_library_server(address) || !g.slots[kSlotShare].bound()) {
            next = Next::Older;
        } else {
            std::memset(connection, 0, sizeof connection);
            std::memset(channels, 0, sizeof channels);
            next = ask_provider(kSlotShare, address, connection, channels, answer, Next::Older);
        }
    }

    if (next == Next::Older) {
        std::memset(channels, 0, sizeof channels);
        std::optional<int> older = older_library_channels(kind, name, channels);
        answer = older ? RouteAnswer{*older, kSlotOlderLibrary} : RouteAnswer{TW_CANCEL_REFUSED, kNoSlot};
        // Only printers reached after the share route touch the register;
        // other kinds never do.
        if (older && after_share) {
            if (*older > 0) register_older_library_server(address);
            else if (*older == TW_NOT_FOUND) unregister_older_library_server(address);
        }
    }

    int count = answer.result;
    if (count > 0 && count <= kMaxChannels) {
        auto record = std::make_unique<PrinterRecord>();
        record->name = name;
        record->connection = stored_connection(answer.slot, connection);
        record->channel_count = count;
        record->slot = answer.slot;
        std::memcpy(record->channels, channels, static_cast<std::size_t>(count) * sizeof(ChannelInfo));
        PrinterRecord* stored = g.printers->insert(std::move(record));
        return {stored->channel_count, stored};
    }
    // A printer without channels, or with more than a caller's buffer of 16
    // entries can hold, cannot be used: it counts as not reachable.
    if (count >= 0) return {TW_NOT_FOUND, nullptr};
    if (answer.slot == kSlotOlderLibrary) return {count, nullptr};
    return {translate_provider_code(count), nullptr};
}

}  // namespace twapi
