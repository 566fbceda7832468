// The thirteen exports of TWAPI2: argument checks in their fixed order, each
// with its own code, then the work. Everything but TWInitialize, TWRelease
// and TWGetLocal answers -13 while the library is not initialised.
#include <cstring>
#include <string>

#include "platform/event.h"

#include "twapi/globals.h"
#include "twapi/older_library.h"
#include "twapi/receive.h"
#include "twapi/resolution.h"
#include "twapi/result_codes.h"
#include "twapi/router.h"

using namespace twapi;

namespace {

std::shared_ptr<ChannelRecord> channel_of(int handle) { return globals().channels->find(handle); }

const ProviderRecord& provider_of(const ChannelRecord& channel) { return globals().slots[channel.slot].record; }

bool is_older(const ChannelRecord& channel) { return channel.slot == kSlotOlderLibrary; }

// The value is kept in the record, then given to the older library. For the
// two windows the older library gets the notification window instead, whose
// messages are turned into the caller's; a window switched off (0) stays 0
// there too, so that the older library goes back to waiting.
int set_older_option(ChannelRecord& channel, int option, int value) {
    int given = value;
    switch (option) {
        case 1: channel.option1 = value; break;
        case 2: channel.option2 = value; break;
        case 3: channel.read_window = static_cast<std::uint32_t>(value); break;
        case 4: channel.status_window = static_cast<std::uint32_t>(value); break;
        default: break;
    }
    if ((option == 3 || option == 4) && value != 0) given = static_cast<int>(older_notification_window());
    return older_api().TWSetOption(channel.older_handle, option, &given);
}

}  // namespace

extern "C" {

int TWInitialize() {
    Globals& g = globals();
    if (g.init_count.fetch_add(1) + 1 != 1) return TW_OK;
    if (g.slots[0].bound() || g.slots[1].bound()) {
        g.init_count.store(0);
        return TW_NOT_INITIALISED;
    }
    g.printers = std::make_unique<CPrinterList>();
    g.channels = std::make_unique<CChnlList>();
    g.receivers[0] = std::make_unique<CRcv>();
    g.receivers[1] = std::make_unique<CRcv>();
    g.requests = std::make_unique<RequestCounter>();
    load_providers(g);
    return TW_OK;
}

int TWRelease() {
    Globals& g = globals();
    if (g.init_count.load() == 0) return TW_OK;
    if (g.init_count.fetch_sub(1) - 1 > 0) return TW_OK;
    release_older_library();
    unload_providers(g);
    g.requests.reset();
    g.receivers[0].reset();
    g.receivers[1].reset();
    g.channels.reset();
    g.printers.reset();
    return TW_OK;
}

int TWGetDeviceID(int kind, const char* name, void* buffer, int* size) {
    Globals& g = globals();
    if (!g.initialised()) return TW_NOT_INITIALISED;
    if (name == nullptr || size == nullptr) return TW_NULL_ARGUMENT;
    Resolution resolution = resolve_printer(kind, name);
    if (resolution.printer == nullptr) return resolution.result;
    PrinterRecord& printer = *resolution.printer;
    if (printer.slot == kSlotOlderLibrary) {
        int older = fetch_older_reply(printer, KeptKind::DeviceId, buffer, size, [&](void* into, int* into_size) {
            return older_api().TWGetDeviceID(kind, name, into, into_size);
        });
        return older < 0 ? older : TW_OK;
    }
    const ProviderRecord& provider = g.slots[printer.slot].record;
    int result = fetch_device_id(
        printer,
        [&] {
            int id = g.requests->next();
            int accepted = provider.TWPDeviceIDRequest != nullptr ? provider.TWPDeviceIDRequest(id, printer.connection_data())
                                                                  : kProviderFailed;
            return accepted < 0 ? accepted : id;
        },
        buffer, size);
    result = translate_provider_code(result);
    return result < 0 ? result : TW_OK;
}

int TWGetAvailableChannel(int kind, const char* name, void* buffer, int* size) {
    if (!globals().initialised()) return TW_NOT_INITIALISED;
    if (name == nullptr || size == nullptr) return TW_NULL_ARGUMENT;
    if (buffer == nullptr) *size = 0;
    Resolution resolution = resolve_printer(kind, name);
    if (resolution.printer == nullptr) return resolution.result;
    const int needed = resolution.printer->channel_count * static_cast<int>(sizeof(ChannelInfo));
    const int given = *size;
    *size = needed;
    if (given < needed) return TW_BUFFER_TOO_SMALL;
    std::memcpy(buffer, resolution.printer->channels, static_cast<std::size_t>(needed));
    return resolution.printer->channel_count;
}

int TWOpenChannel(int kind, const char* name, int channel) {
    Globals& g = globals();
    if (!g.initialised()) return TW_NOT_INITIALISED;
    if (name == nullptr) return TW_NULL_ARGUMENT;
    Resolution resolution = resolve_printer(kind, name);
    if (resolution.printer == nullptr) return resolution.result;
    int older_handle = 0;
    if (resolution.printer->slot == kSlotOlderLibrary) {
        older_handle = older_api().TWOpenChannel(kind, name, channel);
        if (older_handle < 0) return older_handle;
    }
    auto record = g.channels->add(channel, resolution.printer, older_handle);
    if (!record) {
        // Nobody will ever hold the older channel the caller was refused.
        if (older_handle > 0) older_api().TWCloseChannel(older_handle);
        return TW_BAD_CHANNEL;
    }
    return record->handle;
}

int TWCloseChannel(int handle) {
    Globals& g = globals();
    if (!g.initialised()) return TW_NOT_INITIALISED;
    auto record = g.channels->remove(handle);
    if (!record) return TW_OK;
    if (is_older(*record)) {
        older_api().TWCloseChannel(record->older_handle);
        return TW_OK;
    }
    // Its reply (or registration) would otherwise stay until the last TWRelease.
    g.receivers[record->slot]->replies().abandon(record->request_id);
    return TW_OK;
}

int TWSend(int handle, const void* data, int length) {
    Globals& g = globals();
    if (!g.initialised()) return TW_NOT_INITIALISED;
    if (data == nullptr) return TW_NULL_ARGUMENT;
    auto channel = channel_of(handle);
    if (!channel) return TW_INVALID_HANDLE;
    if (is_older(*channel)) return older_api().TWSend(channel->older_handle, data, length);
    // The new request replaces the one before; that one's reply is not wanted.
    g.receivers[channel->slot]->replies().abandon(channel->request_id);
    channel->request_id = g.requests->next();
    channel->pending_kind = PendingKind::Send;
    const ProviderRecord& provider = provider_of(*channel);
    int result = provider.TWPSend != nullptr
                     ? provider.TWPSend(channel->request_id, channel->printer->connection_data(),
                                        channel->channel_number, data, length)
                     : kProviderFailed;
    return translate_provider_code(result);
}

int TWReceive(int handle, void* buffer, int* size, int timeout) {
    if (!globals().initialised()) return TW_NOT_INITIALISED;
    if (size == nullptr) return TW_NULL_ARGUMENT;
    auto channel = channel_of(handle);
    if (!channel) return TW_INVALID_HANDLE;
    if (is_older(*channel)) {
        const int older_handle = channel->older_handle;
        return fetch_older_reply(*channel->printer, KeptKind::Received, buffer, size, [&](void* into, int* into_size) {
            return older_api().TWReceive(older_handle, into, into_size, timeout);
        });
    }
    return fetch_channel_reply(*channel, KeptKind::Received, buffer, size, timeout, nullptr);
}

int TWReceiveCancel(int handle) {
    Globals& g = globals();
    if (!g.initialised()) return TW_NOT_INITIALISED;
    auto channel = channel_of(handle);
    if (!channel) return TW_INVALID_HANDLE;
    if (is_older(*channel)) return older_api().TWReceiveCancel(channel->older_handle);
    if (channel->read_window != 0 && channel->status_window != 0) return TW_CANCEL_REFUSED;
    channel->cancel_mark.store(1);
    platform::set_event(g.slots[channel->slot].event);
    return TW_OK;
}

int TWGetStatus(int handle, void* buffer, int* size) {
    Globals& g = globals();
    if (!g.initialised()) return TW_NOT_INITIALISED;
    if (size == nullptr) return TW_NULL_ARGUMENT;
    auto channel = channel_of(handle);
    if (!channel) return TW_INVALID_HANDLE;
    ChannelRecord& ch = *channel;
    if (is_older(ch)) {
        const int older_handle = ch.older_handle;
        return fetch_older_reply(*ch.printer, KeptKind::Status, buffer, size, [&](void* into, int* into_size) {
            return older_api().TWGetStatus(older_handle, into, into_size);
        });
    }
    auto request_status = [&]() -> int {
        if (ch.pending_kind == PendingKind::Status) return TW_OK;
        g.receivers[ch.slot]->replies().abandon(ch.request_id);
        ch.request_id = g.requests->next();
        ch.pending_kind = PendingKind::Status;
        const ProviderRecord& provider = provider_of(ch);
        int accepted = provider.TWPStatusRequest != nullptr
                           ? provider.TWPStatusRequest(ch.request_id, ch.printer->connection_data(), ch.channel_number)
                           : kProviderFailed;
        if (accepted >= 0) return TW_OK;
        ch.request_id = 0;
        ch.pending_kind = PendingKind::None;
        return translate_provider_code(accepted);
    };
    return fetch_channel_reply(ch, KeptKind::Status, buffer, size, kNoTimeout, request_status);
}

int TWSetOption(int handle, int option, const int* value) {
    if (!globals().initialised()) return TW_NOT_INITIALISED;
    if (value == nullptr) return TW_NULL_ARGUMENT;
    auto channel = channel_of(handle);
    if (!channel) return TW_INVALID_HANDLE;
    if (is_older(*channel)) return set_older_option(*channel, option, *value);
    switch (option) {
        case 1: channel->option1 = *value; return TW_OK;
        case 2: channel->option2 = *value; return TW_OK;
        case 3: channel->read_window = static_cast<std::uint32_t>(*value); return TW_OK;
        case 4: channel->status_window = static_cast<std::uint32_t>(*value); return TW_OK;
        default: return TW_BAD_OPTION;
    }
}

int TWGetOption(int handle, int option, int* value, unsigned int* size) {
    if (!globals().initialised()) return TW_NOT_INITIALISED;
    if (size == nullptr || value == nullptr) return TW_NULL_ARGUMENT;
    auto channel = channel_of(handle);
    if (!channel) return TW_INVALID_HANDLE;
    // The older library answers for every option but the two windows, which
    // only this library knows.
    if (is_older(*channel) && option != 3 && option != 4)
        return older_api().TWGetOption(channel->older_handle, option, value, size);
    if (option < 1 || option > 4) return TW_BAD_OPTION;
    if (*size < sizeof(int)) {
        *size = sizeof(int);
        return TW_BUFFER_TOO_SMALL;
    }
    switch (option) {
        case 1: *value = channel->option1; break;
        case 2: *value = channel->option2; break;
        case 3: *value = static_cast<int>(channel->read_window); break;
        default: *value = static_cast<int>(channel->status_window); break;
    }
    return TW_OK;
}

int TWGetLocal(const char* name) {
    if (name == nullptr) return TW_NULL_ARGUMENT;
    // Without a local-port provider no printer is one of its own.
    TWPGetLocalFn get_local = globals().get_local.load();
    if (get_local == nullptr) return TW_NOT_FOUND;
    std::string address = std::string("UFName:") + name;
    return get_local(address.c_str()) == 0 ? TW_OK : TW_NOT_FOUND;
}

}  // extern "C"
