#include "shareprov/functions.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "common/queue_entries.h"
#include "platform/event.h"
#include "platform/process.h"
#include "platform/thread.h"
#include "platform/tick.h"
#include "platform/wait.h"
#include "shareprov/provider_state.h"
#include "shareprov/provider_thread.h"
#include "shareprov/send_step.h"

namespace shareprov {
namespace {

constexpr int kFailed = -1;
constexpr int kInvalidAddress = -4;
constexpr int kBufferTooSmall = -5;
constexpr int kStopping = -6;
constexpr int kBadArgument = -7;
constexpr int kNotHere = -11;
constexpr std::uint8_t kChannelMark = 0xC0;
constexpr std::size_t kChannelEntrySize = 8;
constexpr std::size_t kMaxChannelTable = twapi::kMaxChannels * kChannelEntrySize;
constexpr std::uint32_t kDetachPollMs = 100;

bool stopping(const ProviderState& s) {
    return platform::wait_for_single_object(s.stop_event.get(), 0) == platform::WAIT_OBJECT_0;
}

int refuse_address(ProviderState& s, const char* name, const std::string& value) {
    if (s.messages_on()) s.trace->message_text("TWPGetConnectInfo: TWPER_INVALIDADDRESS", name, value);
    return kInvalidAddress;
}

// Steps 3 to 10 of TWPGetConnectInfo, inside the busy count.
int connect_info(ProviderState& s, const char* port_name, void* connection, void* channels) {
    std::string port(port_name);
    PortName parts = split_port_name(port);
    if (is_network_printer(parts.computer)) return refuse_address(s, "PortName", port);
    if (parts.computer.size() >= 16) return refuse_address(s, "ComputerName", parts.computer);
    if (parts.computer.empty() || parts.printer.empty()) return refuse_address(s, "TargetComputerName", parts.computer);
    if (!s.agent || stopping(s)) return kStopping;

    std::int32_t id = s.targets.add(port, parts);
    Request* request = nullptr;
    int rc = SendHeraldRequestPacket(s, common::kCmdConnectInfo, 0, &id, 0, {}, &request);
    if (rc < 0) {
        s.message("TWPGetConnectInfo: SendHeraldRequestPacket error", "RC", rc);
        return rc;
    }
    const platform::Handle handles[] = {request->done.get(), s.stop_event.get()};
    std::uint32_t woke = platform::wait_for_multiple_objects(handles, platform::kInfinite);

    std::lock_guard guard(s.connect_list.lock);
    if (woke != platform::WAIT_OBJECT_0) {
        rc = kStopping;
    } else if (request->state == RequestState::Replied) {
        std::size_t length = request->data.size();
        if (request->result < 0) {
            rc = request->result;
        } else if (length > kMaxChannelTable) {
            rc = kFailed;
        } else {
            std::size_t count = length / kChannelEntrySize;
            auto* table = static_cast<std::uint8_t*>(channels);
            if (count > 0) std::memcpy(table, request->data.data(), count * kChannelEntrySize);
            for (std::size_t i = 0; i < count; ++i) table[i * kChannelEntrySize + 5] |= kChannelMark;
            std::memcpy(connection, &id, sizeof id);
            rc = static_cast<int>(count);
        }
    } else {
        rc = kFailed;
    }
    s.connect_list.remove(request);
    return rc;
}

int request(const char* name, std::int32_t cmd, int request_id, const void* connection, int channel,
            std::span<const std::uint8_t> data) {
    ProviderState& s = state();
    int rc = SendHeraldRequestPacket(s, cmd, request_id, connection, channel, data);
    s.message(name, "RC", rc);
    return rc;
}

}  // namespace

int TWPGetConnectInfo(const char* port_name, void* connection, void* channels) {
    ProviderState& s = state();
    if (port_name == nullptr || connection == nullptr || channels == nullptr) {
        s.message("TWPGetConnectInfo: Parameter error");
        return kBadArgument;
    }
    ++s.connect_busy;
    int rc = connect_info(s, port_name, connection, channels);
    --s.connect_busy;
    s.message("TWPGetConnectInfo", "RC", rc);
    return rc;
}

int TWPDeviceIDRequest(int request_id, const void* connection) {
    return request("TWPDeviceIDRequest", common::kCmdDeviceId, request_id, connection, 0, {});
}

int TWPSend(int request_id, const void* connection, int channel, const void* data, int length) {
    if (length < 0 || (data == nullptr && length > 0)) {
        state().message("TWPSend", "RC", kFailed);
        return kFailed;
    }
    auto bytes = std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(length));
    int rc = request("TWPSend", common::kCmdSend, request_id, connection, channel, bytes);
    return rc >= 0 ? length : rc;
}

int TWPStatusRequest(int request_id, const void* connection, int channel) {
    return request("TWPStatusRequest", common::kCmdStatus, request_id, connection, channel, {});
}

int TWPReceive(int* request_id, void* buffer, int* size) {
    ProviderState& s = state();
    if (request_id == nullptr || buffer == nullptr || size == nullptr) return kFailed;
    s.receive_busy = true;
    int rc = kFailed;
    if (s.reply_held) {
        int length = static_cast<int>(s.held_reply.size());
        if (*size < length) {
            *size = length;
            rc = kBufferTooSmall;
        } else {
            if (length > 0) std::memcpy(buffer, s.held_reply.data(), s.held_reply.size());
            *size = length;
            s.held_reply.clear();
            s.reply_held = false;
            rc = length;
        }
    } else {
        for (;;) {
            std::unique_lock guard(s.request_list.lock);
            auto found = s.request_list.find_finished();
            if (found != s.request_list.items.end()) {
                Request& finished = **found;
                *request_id = finished.request_id;
                if (finished.state == RequestState::Replied) {
                    int length = static_cast<int>(finished.data.size());
                    if (finished.result < 0) {
                        rc = finished.result;
                    } else if (*size < length) {
                        s.held_reply = finished.data;
                        s.reply_held = true;
                        rc = kBufferTooSmall;
                    } else {
                        if (length > 0) std::memcpy(buffer, finished.data.data(), finished.data.size());
                        rc = length;
                    }
                    *size = length;
                } else {
                    rc = kFailed;
                }
                s.request_list.items.erase(found);
                break;
            }
            guard.unlock();
            const platform::Handle handles[] = {s.request_reply_event.get(), s.stop_event.get()};
            std::uint32_t woke = platform::wait_for_multiple_objects(handles, platform::kInfinite);
            if (woke != platform::WAIT_OBJECT_0) {
                rc = kStopping;
                break;
            }
        }
    }
    s.receive_busy = false;
    s.message("TWPReceive", "RC", rc);
    return rc;
}

int TWPReceiveCancel() {
    ProviderState& s = state();
    if (!s.agent) {
        s.message("TWPReceiveCancel.", "RC", 0);
        return 0;
    }
    // The agent reads only the CMD of a detach entry.
    const std::uint8_t unused[10] = {};
    std::uint32_t pid = 0;
    (void)s.agent->WriteToDLLRequestQueue(common::kCmdDetach, unused, "", &pid);

    platform::set_event(s.stop_event.get());
    platform::wait_for_single_object(s.thread.get(), platform::kInfinite);
    s.thread.reset();
    while (s.receive_busy || s.connect_busy > 0) platform::sleep_ms(kDetachPollMs);

    {
        std::scoped_lock both(s.connect_list.lock, s.request_list.lock);
        s.connect_list.items.clear();
        s.request_list.items.clear();
    }
    s.targets.clear();
    s.held_reply.clear();
    s.reply_held = false;
    s.agent->close();
    s.agent.reset();
    s.message("TWPReceiveCancel.", "RC", 0);
    return 0;
}

int attach(ProviderRecord** record) {
    ProviderState& s = state();
    if (s.agent) {
        // Attached already: the same record serves.
        *record = &s.record;
        return 0;
    }
    s.start_tick = platform::get_tick_count();
    std::uint32_t process_id = platform::get_current_process_id();
    if (process_id == s.settings.agent_process_id) {
        // Loaded by the agent's own TWAPI2: the agent reaches only local printers.
        s.message("TWPGetProviderInfo: #Load by Herald2.", "ProcessID", static_cast<std::int32_t>(process_id));
        return kNotHere;
    }
    if ((s.settings.available_protocols & (kProtocolMailslot | kProtocolUdp)) == 0) {
        s.message("TWPGetProviderInfo: Abailable Protcol not found !", "AvailableProtcol",
                  static_cast<std::int32_t>(s.settings.available_protocols));
        return kNotHere;
    }
    auto agent = std::make_unique<AgentIF>(s.trace.get());
    if (!agent->AgentIF_Init()) return kNotHere;
    s.agent = std::move(agent);

    platform::reset_event(s.stop_event.get());
    platform::reset_event(s.request_reply_event.get());
    s.thread = platform::UniqueHandle(
        platform::create_thread(provider_thread_main, 0, platform::ThreadStart::Suspended, nullptr));
    if (s.thread.get() == platform::kNullHandle) {
        s.agent->close();
        s.agent.reset();
        return kNotHere;
    }
    platform::resume_thread(s.thread.get());

    s.record.number1 = 4;
    s.record.number2 = 11;
    s.record.number3 = 6;
    s.record.TWPGetConnectInfo = &TWPGetConnectInfo;
    s.record.TWPDeviceIDRequest = &TWPDeviceIDRequest;
    s.record.TWPSend = &TWPSend;
    s.record.TWPStatusRequest = &TWPStatusRequest;
    s.record.TWPReceive = &TWPReceive;
    s.record.TWPReceiveCancel = &TWPReceiveCancel;
    *record = &s.record;
    s.message("TWPGetProviderInfo.", "RC", 0);
    return 0;
}

}  // namespace shareprov
