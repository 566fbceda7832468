// TWAPI: the older two-way library, as a working stand-in. It exports twelve
// functions of the two-way API with the family's names, arguments and result
// codes (TWGetLocal is not among them) and serves the printers named in its
// registry key (older_config.h), each of which is a simulated printer.
//
// Its own bookkeeping, independent of any caller:
// - one link per simulated printer, made on first need and made again once
//   when the printer went away; every link delivers its replies into one
//   reply queue, drained by the library's own reader thread while the
//   library is initialised;
// - its own channel handles, counted from 0x5000 so that they never look
//   like a caller's small numbers;
// - per channel one pending send and one pending status request; a reply
//   waits on the channel until fetched, and is announced with 1025 (a send's
//   reply) or 1026 (a status reply) to the window set with option 3 or 4,
//   lParam the library's own channel handle;
// - options 1 and 2 are stored values with defaults of its own (4096, 512).
//
// Result codes: -4 buffer too small (*size = the size needed; the reply is
// kept for the next call), -5 not one of its printers, -6 no such channel,
// -3 the channel does not offer what was asked, -7 invalid handle, -9 time-out
// or cancelled (also a printer that does not run), -10 no data yet and a
// message will follow, -11 cancel refused with both windows set, -13 not
// initialised, -14 unknown option, -15 null argument, -16 the printer went
// away.
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "outside/older_twapi/older_config.h"
#include "outside/printer_sim/sim_connection.h"
#include "platform/message_queue.h"
#include "platform/text.h"

namespace {

constexpr int kOk = 0;
constexpr int kNotAPrinterOption = -3;
constexpr int kTooSmall = -4;
constexpr int kNotFound = -5;
constexpr int kBadChannel = -6;
constexpr int kInvalidHandle = -7;
constexpr int kTimeout = -9;
constexpr int kPendingRead = -10;
constexpr int kCancelRefused = -11;
constexpr int kNotInitialised = -13;
constexpr int kBadOption = -14;
constexpr int kNullArgument = -15;
constexpr int kPrinterGone = -16;

constexpr std::uint32_t kReadMessage = 1025;    // WM_USER + 1
constexpr std::uint32_t kStatusMessage = 1026;  // WM_USER + 2
constexpr int kFirstHandle = 0x5000;
constexpr int kMaxChannels = 16;
// A device ID comes at once from a printer that runs; one that does not
// answer in this time counts as not reachable.
constexpr auto kDeviceIdLimit = std::chrono::seconds(10);

using twsim::SimulatorConnection;

struct Reply {
    int result = 0;  // the length, or a negative code
    twsim::Bytes data;
};

struct Link {
    std::string simulator;
    std::shared_ptr<SimulatorConnection> connection;
};

struct Channel {
    int handle = 0;
    std::string printer;  // the name the caller gave, upper case
    std::shared_ptr<SimulatorConnection> connection;
    std::uint32_t number = 0;
    int option1 = 4096;
    int option2 = 512;
    std::uint32_t read_window = 0;
    std::uint32_t status_window = 0;
    std::uint32_t send_id = 0;    // the pending send's request id, 0 = none
    std::uint32_t status_id = 0;  // the pending status request's id, 0 = none
    std::optional<Reply> received;
    std::optional<Reply> status;
    bool cancelled = false;
};

int code_of(const platform::Error& e) {
    if (auto wire = twsim::wire_result_of(e)) {
        switch (*wire) {
            case twsim::WireResult::UnknownChannel: return kBadChannel;
            case twsim::WireResult::WrongMode: return kNotAPrinterOption;
            default: return kPrinterGone;
        }
    }
    return kPrinterGone;
}

bool link_lost(const platform::Error& e) {
    return e.code == platform::ERROR_BROKEN_PIPE || e.code == platform::ERROR_FILE_NOT_FOUND;
}

// The size protocol on a reply held for the caller: -4 and the size needed
// when it does not fit (the reply stays), else the bytes and the reply's
// result, and the reply is handed over.
int hand_over(std::optional<Reply>& held, void* buffer, int* size) {
    const int length = static_cast<int>(held->data.size());
    if (held->result >= 0 && (buffer == nullptr || *size < length)) {
        *size = length;
        return kTooSmall;
    }
    if (held->result >= 0 && length > 0) std::memcpy(buffer, held->data.data(), held->data.size());
    *size = held->result >= 0 ? length : 0;
    int result = held->result;
    held.reset();
    return result;
}

class OlderLibrary {
public:
    int initialize() {
        std::unique_lock lock(mutex_);
        if (count_++ > 0) return kOk;
        queue_ = std::make_shared<twsim::ReplyQueue>();
        reader_ = std::thread([this, queue = queue_] { read_replies(queue); });
        return kOk;
    }

    int release() {
        std::thread reader;
        std::shared_ptr<twsim::ReplyQueue> queue;
        std::map<std::string, Link> links;
        std::map<int, std::shared_ptr<Channel>> channels;
        {
            std::lock_guard lock(mutex_);
            if (count_ == 0) return kOk;
            if (--count_ > 0) return kOk;
            reader = std::move(reader_);
            queue = std::move(queue_);
            links.swap(links_);
            channels.swap(channels_);
            device_ids_.clear();
            kept_device_ids_.clear();
            changed_.notify_all();
        }
        queue->cancel();
        reader.join();
        return kOk;
    }

    int available_channels(const char* name, void* buffer, int* size) {
        if (name == nullptr || size == nullptr) return kNullArgument;
        if (!initialised()) return kNotInitialised;
        std::vector<twsim::ChannelEntry> table;
        int found = channel_table(name, table);
        if (found < 0) return found;
        const int needed = static_cast<int>(table.size()) * 8;
        const int given = buffer == nullptr ? 0 : *size;
        *size = needed;
        if (given < needed) return kTooSmall;
        twsim::Bytes bytes = twsim::encode_channel_table(table);
        std::memcpy(buffer, bytes.data(), bytes.size());
        return static_cast<int>(table.size());
    }

    int device_id(const char* name, void* buffer, int* size) {
        if (name == nullptr || size == nullptr) return kNullArgument;
        if (!initialised()) return kNotInitialised;
        const std::string key = platform::to_upper(name);
        {
            std::lock_guard lock(mutex_);
            auto kept = kept_device_ids_.find(key);
            if (kept != kept_device_ids_.end()) {
                int result = hand_over(kept->second, buffer, size);
                if (!kept->second) kept_device_ids_.erase(kept);
                return result < 0 ? result : kOk;
            }
        }
        auto link = link_of(name);
        if (!link) return link.error;
        std::uint32_t id = next_id();
        {
            std::lock_guard lock(mutex_);
            device_ids_[id];
        }
        auto asked = link->request_device_id(id);
        std::unique_lock lock(mutex_);
        if (!asked) {
            device_ids_.erase(id);
            return code_of(asked.error());
        }
        changed_.wait_for(lock, kDeviceIdLimit, [&] {
            auto it = device_ids_.find(id);
            return it == device_ids_.end() || it->second.has_value();
        });
        auto it = device_ids_.find(id);
        if (it == device_ids_.end()) return kNotInitialised;  // released meanwhile
        std::optional<Reply> reply = std::move(it->second);
        device_ids_.erase(it);
        if (!reply) return kTimeout;
        int result = hand_over(reply, buffer, size);
        if (reply) kept_device_ids_[key] = std::move(reply);
        return result < 0 ? result : kOk;
    }

    int open_channel(const char* name, int number) {
        if (name == nullptr) return kNullArgument;
        if (!initialised()) return kNotInitialised;
        std::vector<twsim::ChannelEntry> table;
        int found = channel_table(name, table);
        if (found < 0) return found;
        bool listed = false;
        for (const auto& entry : table) listed = listed || entry.number == static_cast<std::uint32_t>(number);
        if (!listed) return kBadChannel;
        auto link = link_of(name);
        if (!link) return link.error;
        auto channel = std::make_shared<Channel>();
        channel->printer = platform::to_upper(name);
        channel->connection = link.connection;
        channel->number = static_cast<std::uint32_t>(number);
        std::lock_guard lock(mutex_);
        if (count_ == 0) return kNotInitialised;
        do {
            channel->handle = next_handle_;
            next_handle_ = next_handle_ >= 0x7FFFFFFF ? kFirstHandle : next_handle_ + 1;
        } while (channels_.count(channel->handle) != 0);
        channels_[channel->handle] = channel;
        return channel->handle;
    }

    int close_channel(int handle) {
        std::lock_guard lock(mutex_);
        if (count_ == 0) return kNotInitialised;
        channels_.erase(handle);
        changed_.notify_all();
        return kOk;
    }

    int send(int handle, const void* data, int length) {
        if (data == nullptr && length > 0) return kNullArgument;
        if (length < 0) return kNullArgument;
        std::shared_ptr<Channel> channel;
        std::uint32_t id = next_id();
        {
            std::lock_guard lock(mutex_);
            if (count_ == 0) return kNotInitialised;
            channel = find(handle);
            if (!channel) return kInvalidHandle;
            // A new send replaces the one before; that one's reply is not wanted.
            channel->send_id = id;
            channel->received.reset();
        }
        std::span<const std::uint8_t> bytes(static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(length));
        auto taken = channel->connection->send(id, channel->number, bytes);
        if (!taken) {
            std::lock_guard lock(mutex_);
            if (channel->send_id == id) channel->send_id = 0;
            return code_of(taken.error());
        }
        return *taken;
    }

    int receive(int handle, void* buffer, int* size, int timeout) {
        if (size == nullptr) return kNullArgument;
        std::unique_lock lock(mutex_);
        if (count_ == 0) return kNotInitialised;
        auto channel = find(handle);
        if (!channel) return kInvalidHandle;
        if (channel->received) return hand_over(channel->received, buffer, size);
        if (channel->read_window != 0) return kPendingRead;
        auto ready = [&] { return channel->received.has_value() || channel->cancelled || !find(handle); };
        if (timeout < 0) changed_.wait(lock, ready);
        else changed_.wait_for(lock, std::chrono::milliseconds(timeout), ready);
        if (!channel->received || channel->cancelled) return kTimeout;
        return hand_over(channel->received, buffer, size);
    }

    int cancel(int handle) {
        std::lock_guard lock(mutex_);
        if (count_ == 0) return kNotInitialised;
        auto channel = find(handle);
        if (!channel) return kInvalidHandle;
        if (channel->read_window != 0 && channel->status_window != 0) return kCancelRefused;
        channel->cancelled = true;
        changed_.notify_all();
        return kOk;
    }

    int status(int handle, void* buffer, int* size) {
        if (size == nullptr) return kNullArgument;
        std::unique_lock lock(mutex_);
        if (count_ == 0) return kNotInitialised;
        auto channel = find(handle);
        if (!channel) return kInvalidHandle;
        if (channel->status) return hand_over(channel->status, buffer, size);
        if (channel->status_id == 0) {
            std::uint32_t id = next_id_locked();
            channel->status_id = id;
            lock.unlock();
            auto asked = channel->connection->request_status(id, channel->number);
            lock.lock();
            if (!asked) {
                if (channel->status_id == id) channel->status_id = 0;
                return code_of(asked.error());
            }
        }
        if (channel->status_window != 0) {
            *size = 0;
            return kOk;
        }
        changed_.wait(lock, [&] { return channel->status.has_value() || channel->cancelled || !find(handle); });
        if (!channel->status || channel->cancelled) return kTimeout;
        return hand_over(channel->status, buffer, size);
    }

    int set_option(int handle, int option, const int* value) {
        if (value == nullptr) return kNullArgument;
        std::lock_guard lock(mutex_);
        if (count_ == 0) return kNotInitialised;
        auto channel = find(handle);
        if (!channel) return kInvalidHandle;
        switch (option) {
            case 1: channel->option1 = *value; return kOk;
            case 2: channel->option2 = *value; return kOk;
            case 3: channel->read_window = static_cast<std::uint32_t>(*value); return kOk;
            case 4: channel->status_window = static_cast<std::uint32_t>(*value); return kOk;
            default: return kBadOption;
        }
    }

    int get_option(int handle, int option, int* value, unsigned int* size) {
        if (value == nullptr || size == nullptr) return kNullArgument;
        std::lock_guard lock(mutex_);
        if (count_ == 0) return kNotInitialised;
        auto channel = find(handle);
        if (!channel) return kInvalidHandle;
        if (option < 1 || option > 4) return kBadOption;
        if (*size < sizeof(int)) {
            *size = sizeof(int);
            return kTooSmall;
        }
        switch (option) {
            case 1: *value = channel->option1; break;
            case 2: *value = channel->option2; break;
            case 3: *value = static_cast<int>(channel->read_window); break;
            default: *value = static_cast<int>(channel->status_window); break;
        }
        return kOk;
    }

private:
    bool initialised() {
        std::lock_guard lock(mutex_);
        return count_ > 0;
    }

    std::uint32_t next_id() {
        std::lock_guard lock(mutex_);
        return next_id_locked();
    }
    std::uint32_t next_id_locked() {
        std::uint32_t id = next_id_++;
        if (next_id_ == 0) next_id_ = 1;
        return id;
    }

    std::shared_ptr<Channel> find(int handle) {
        auto it = channels_.find(handle);
        return it == channels_.end() ? nullptr : it->second;
    }

    // The link to the simulated printer behind a name: -5 when the name is
    // not one of the library's printers, -9 when its printer does not run.
    struct LinkOf {
        std::shared_ptr<SimulatorConnection> connection;
        int error = 0;
        explicit operator bool() const { return connection != nullptr; }
        SimulatorConnection* operator->() const { return connection.get(); }
    };
    LinkOf link_of(const std::string& name, bool fresh = false) {
        auto simulator = oldtwapi::simulator_of(name);
        if (!simulator) return {nullptr, kNotFound};
        const std::string key = platform::to_upper(*simulator);
        std::shared_ptr<twsim::ReplyQueue> queue;
        {
            std::lock_guard lock(mutex_);
            if (count_ == 0) return {nullptr, kNotInitialised};
            auto it = links_.find(key);
            if (it != links_.end() && !fresh) return {it->second.connection, 0};
            queue = queue_;
        }
        auto made = SimulatorConnection::connect(*simulator, queue);
        if (!made) return {nullptr, kTimeout};
        std::shared_ptr<SimulatorConnection> connection = std::move(*made);
        std::lock_guard lock(mutex_);
        if (count_ == 0 || queue != queue_) return {nullptr, kNotInitialised};
        links_[key] = Link{*simulator, connection};
        return {connection, 0};
    }

    int channel_table(const std::string& name, std::vector<twsim::ChannelEntry>& table) {
        auto link = link_of(name);
        if (!link) return link.error;
        auto channels = link->channels();
        if (!channels && link_lost(channels.error())) {
            link = link_of(name, true);
            if (!link) return link.error;
            channels = link->channels();
        }
        if (!channels) return code_of(channels.error());
        if (channels->empty() || channels->size() > kMaxChannels) return kPrinterGone;
        table = std::move(*channels);
        return static_cast<int>(table.size());
    }

    void read_replies(std::shared_ptr<twsim::ReplyQueue> queue) {
        for (;;) {
            auto next = queue->receive();
            if (!next) {
                if (next.error().code == twsim::kReceiveCancelled) return;
                continue;
            }
            Reply reply;
            reply.result = next->error != 0 ? kPrinterGone : static_cast<int>(next->data.size());
            reply.data = std::move(next->data);
            deliver(next->request_id, std::move(reply));
        }
    }

    // Hands a reply to whoever waits for its request id, and announces it.
    void deliver(std::uint32_t id, Reply reply) {
        std::uint32_t window = 0, message = 0;
        int handle = 0;
        {
            std::lock_guard lock(mutex_);
            if (auto waiter = device_ids_.find(id); waiter != device_ids_.end()) {
                waiter->second = std::move(reply);
            } else {
                for (auto& [h, channel] : channels_) {
                    if (channel->send_id == id) {
                        channel->send_id = 0;
                        channel->received = std::move(reply);
                        window = channel->read_window;
                        message = kReadMessage;
                    } else if (channel->status_id == id) {
                        channel->status_id = 0;
                        channel->status = std::move(reply);
                        window = channel->status_window;
                        message = kStatusMessage;
                    } else {
                        continue;
                    }
                    handle = h;
                    break;
                }
            }
            changed_.notify_all();
        }
        if (window != 0) platform::post_message(window, message, 0, handle);
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
    std::shared_ptr<twsim::ReplyQueue> queue_;
    std::thread reader_;
    std::map<std::string, Link> links_;  // by simulated printer, upper case
    std::map<int, std::shared_ptr<Channel>> channels_;
    std::map<std::uint32_t, std::optional<Reply>> device_ids_;    // device-ID requests waiting
    std::map<std::string, std::optional<Reply>> kept_device_ids_;  // by printer name, upper case
    int next_handle_ = kFirstHandle;
    std::uint32_t next_id_ = 1;
};

OlderLibrary& library() {
    static OlderLibrary instance;
    return instance;
}

}  // namespace

extern "C" {

int TWInitialize() { return library().initialize(); }
int TWRelease() { return library().release(); }
int TWGetDeviceID(int /*kind*/, const char* name, void* buffer, int* size) {
    return library().device_id(name, buffer, size);
}
int TWGetAvailableChannel(int /*kind*/, const char* name, void* buffer, int* size) {
    return library().available_channels(name, buffer, size);
}
int TWOpenChannel(int /*kind*/, const char* name, int channel) { return library().open_channel(name, channel); }
int TWCloseChannel(int handle) { return library().close_channel(handle); }
int TWSend(int handle, const void* data, int length) { return library().send(handle, data, length); }
int TWReceive(int handle, void* buffer, int* size, int timeout) {
    return library().receive(handle, buffer, size, timeout);
}
int TWReceiveCancel(int handle) { return library().cancel(handle); }
int TWGetStatus(int handle, void* buffer, int* size) { return library().status(handle, buffer, size); }
int TWSetOption(int handle, int option, const int* value) { return library().set_option(handle, option, value); }
int TWGetOption(int handle, int option, int* value, unsigned int* size) {
    return library().get_option(handle, option, value, size);
}

}  // extern "C"
