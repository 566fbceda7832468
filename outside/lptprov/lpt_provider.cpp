// TwpLpt: the local-port provider of slot 0. It reaches the printers on this
// computer's own ports, which here are simulated printers (lpt_config.h says
// which port leads to which).
//
// One link per port: the first TWPGetConnectInfo for a printer connects to the
// simulated printer behind its port and keeps the link; the connection it
// hands TWAPI2 is the port name as a zero-terminated string, and every later
// request finds its link by that name. All links deliver their replies into
// one reply queue, which TWPReceive drains on TWAPI2's receive thread, so one
// thread hears every printer. A link whose printer went away (stopped and
// started again) is made anew once, on the next call that finds it broken.
//
// TWPReceiveCancel cancels the queue for good and drops the links; a later
// TWPGetProviderInfo (the library loaded again without being unloaded) starts
// a fresh queue.
//
// Provider result codes: -1 the printer did not answer or went away; -2 the
// channel does not offer what was asked (no commands or no status there); -3
// the channel is not one of the printer's; -4 the address or the connection
// is not one of this provider's; -5 the reply is larger than the buffer (kept
// for the next TWPReceive); -6 the provider is stopping; -7 a required pointer
// is null, or (TWPReceive) nothing was received.
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "outside/lptprov/lpt_config.h"
#include "twapi/provider.h"
#include "outside/printer_sim/sim_connection.h"
#include "platform/text.h"

namespace {

constexpr std::size_t kConnectionSize = 260;
constexpr std::size_t kMaxChannels = 16;

constexpr int kFailed = -1;
constexpr int kWrongMode = -2;
constexpr int kUnknownChannel = -3;
constexpr int kInvalidAddress = -4;
constexpr int kBufferTooSmall = -5;
constexpr int kStopping = -6;
constexpr int kNullArgument = -7;
constexpr int kNothingReceived = -7;

using twsim::SimulatorConnection;

int provider_code(const platform::Error& e) {
    if (auto wire = twsim::wire_result_of(e)) {
        switch (*wire) {
            case twsim::WireResult::UnknownChannel: return kUnknownChannel;
            case twsim::WireResult::WrongMode:
            case twsim::WireResult::BadRequest: return kWrongMode;
            default: return kFailed;
        }
    }
    return kFailed;
}

bool link_lost(const platform::Error& e) {
    return e.code == platform::ERROR_BROKEN_PIPE || e.code == platform::ERROR_FILE_NOT_FOUND;
}

// A link that could not be made: the printer is not running, or the
// provider began stopping meanwhile.
int link_error_code(const platform::Error& e) {
    if (e.code == platform::ERROR_INVALID_HANDLE) return kStopping;
    return kFailed;
}

struct Link {
    std::string simulator;
    std::shared_ptr<SimulatorConnection> connection;
};

class LocalPortProvider {
public:
    LocalPortProvider() : queue_(std::make_shared<twsim::ReplyQueue>()) {}
    ~LocalPortProvider() { cancel(); }

    void attach() {
        std::lock_guard lock(mutex_);
        if (!stopping_) return;
        stopping_ = false;
        queue_ = std::make_shared<twsim::ReplyQueue>();
        kept_.reset();
    }

    int connect_info(const char* address, void* connection, void* channels) {
        if (!address || !connection || !channels) return kNullArgument;
        if (stopping()) return kStopping;
        auto printer = lptprov::printer_of_address(address);
        if (!printer) return kInvalidAddress;
        auto target = lptprov::target_of_printer(*printer);
        if (!target || target->port.size() >= kConnectionSize) return kInvalidAddress;

        auto link = link_for(target->port, target->simulator);
        if (!link) return link_error_code(link.error());
        auto table = (*link)->channels();
        if (!table && link_lost(table.error())) {
            link = relink(target->port, *link);
            if (!link) return link_error_code(link.error());
            table = (*link)->channels();
        }
        if (!table) return provider_code(table.error());
        if (table->size() > kMaxChannels) return kFailed;
        twsim::Bytes bytes = twsim::encode_channel_table(*table);
        std::memcpy(channels, bytes.data(), bytes.size());
        std::memcpy(connection, target->port.c_str(), target->port.size() + 1);
        return static_cast<int>(table->size());
    }

    // Runs one request on the link named by `connection`, making the link
    // anew once when its printer went away.
    template <class Request>
    int request(const void* connection, Request run) {
        if (!connection) return kNullArgument;
        const char* text = static_cast<const char*>(connection);
        std::string port(text, strnlen(text, kConnectionSize));
        std::shared_ptr<SimulatorConnection> link;
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return kStopping;
            auto it = links_.find(platform::to_upper(port));
            if (it == links_.end()) return kInvalidAddress;
            link = it->second.connection;
        }
        int result = run(*link);
        if (result != kLinkLost) return result;
        auto again = relink(port, link);
        if (!again) return link_error_code(again.error());
        result = run(**again);
        return result == kLinkLost ? kFailed : result;
    }

    int receive(int* request_id, void* buffer, int* size) {
        if (!request_id || !size || (!buffer && *size > 0)) return kNullArgument;
        std::shared_ptr<twsim::ReplyQueue> queue;
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return kStopping;
            queue = queue_;
        }
        // Only TWAPI2's receive thread calls here, so the kept reply needs no
        // lock of its own beyond the one that guards it against attach().
        std::optional<twsim::PrinterReply> reply;
        {
            std::lock_guard lock(mutex_);
            reply = std::move(kept_);
            kept_.reset();
        }
        if (!reply) {
            auto next = queue->receive();
            if (!next) return next.error().code == twsim::kReceiveCancelled ? kStopping : kNothingReceived;
            reply = std::move(*next);
        }
        *request_id = static_cast<int>(reply->request_id);
        if (reply->error != 0) {
            *size = 0;
            return kFailed;
        }
        int length = static_cast<int>(reply->data.size());
        if (length > *size) {
            *size = length;
            std::lock_guard lock(mutex_);
            kept_ = std::move(reply);
            return kBufferTooSmall;
        }
        if (length > 0) std::memcpy(buffer, reply->data.data(), reply->data.size());
        *size = length;
        return length;
    }

    void cancel() {
        std::map<std::string, Link> dropped;
        std::shared_ptr<twsim::ReplyQueue> queue;
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            queue = queue_;
            dropped.swap(links_);
            kept_.reset();
        }
        queue->cancel();
        // The links' reader threads are joined here, outside the lock.
    }

    static constexpr int kLinkLost = 1 << 30;

    // A request's result, or kLinkLost when the printer went away under it.
    template <class T>
    static int result_of(const platform::Result<T>& r, int success) {
        if (r) return success;
        return link_lost(r.error()) ? kLinkLost : provider_code(r.error());
    }
    static int result_of(const platform::Status& s) {
        if (s) return 0;
        return link_lost(s.error()) ? kLinkLost : provider_code(s.error());
    }

private:
    bool stopping() {
        std::lock_guard lock(mutex_);
        return stopping_;
    }

    // The link of a port, connecting when there is none or when the port now
    // leads to another simulated printer.
    platform::Result<std::shared_ptr<SimulatorConnection>> link_for(const std::string& port,
                                                                    const std::string& simulator) {
        std::shared_ptr<twsim::ReplyQueue> queue;
        {
            std::lock_guard lock(mutex_);
            auto it = links_.find(platform::to_upper(port));
            if (it != links_.end() && platform::iequals(it->second.simulator, simulator)) return it->second.connection;
            queue = queue_;
        }
        return connect(port, simulator, queue, nullptr);
    }

    // Replaces a broken link (unless another thread already did).
    platform::Result<std::shared_ptr<SimulatorConnection>> relink(const std::string& port,
                                                                  const std::shared_ptr<SimulatorConnection>& broken) {
        auto simulator = lptprov::simulator_of_port(port);
        if (!simulator) return platform::Error{platform::ERROR_FILE_NOT_FOUND, "port is no longer mapped"};
        std::shared_ptr<twsim::ReplyQueue> queue;
        {
            std::lock_guard lock(mutex_);
            auto it = links_.find(platform::to_upper(port));
            if (it != links_.end() && it->second.connection != broken) return it->second.connection;
            queue = queue_;
        }
        return connect(port, *simulator, queue, broken);
    }

    platform::Result<std::shared_ptr<SimulatorConnection>> connect(const std::string& port,
                                                                   const std::string& simulator,
                                                                   std::shared_ptr<twsim::ReplyQueue> queue,
                                                                   const std::shared_ptr<SimulatorConnection>& replacing) {
        auto made = SimulatorConnection::connect(simulator, queue);
        if (!made) return made.error();
        std::shared_ptr<SimulatorConnection> fresh = std::move(*made);
        Link old;
        std::lock_guard lock(mutex_);
        if (stopping_ || queue != queue_) return platform::Error{platform::ERROR_INVALID_HANDLE, "stopping"};
        auto& slot = links_[platform::to_upper(port)];
        // Another thread linked the same port meanwhile: keep the first.
        if (slot.connection && slot.connection != replacing && platform::iequals(slot.simulator, simulator))
            return slot.connection;
        old = std::move(slot);
        slot = Link{simulator, fresh};
        return fresh;
    }

    std::mutex mutex_;
    std::shared_ptr<twsim::ReplyQueue> queue_;
    std::map<std::string, Link> links_;  // by port name in upper case
    std::optional<twsim::PrinterReply> kept_;
    bool stopping_ = false;
};

LocalPortProvider& provider() {
    static LocalPortProvider instance;
    return instance;
}

int TWPGetConnectInfo(const char* address, void* connection, void* channels) {
    return provider().connect_info(address, connection, channels);
}

int TWPDeviceIDRequest(int request_id, const void* connection) {
    return provider().request(connection, [&](SimulatorConnection& c) {
        return LocalPortProvider::result_of(c.request_device_id(static_cast<std::uint32_t>(request_id)));
    });
}

int TWPSend(int request_id, const void* connection, int channel, const void* data, int length) {
    if (length < 0 || (!data && length > 0)) return kNullArgument;
    return provider().request(connection, [&](SimulatorConnection& c) {
        std::span<const std::uint8_t> bytes(static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(length));
        auto taken = c.send(static_cast<std::uint32_t>(request_id), static_cast<std::uint32_t>(channel), bytes);
        return LocalPortProvider::result_of(taken, taken ? *taken : 0);
    });
}

int TWPStatusRequest(int request_id, const void* connection, int channel) {
    return provider().request(connection, [&](SimulatorConnection& c) {
        return LocalPortProvider::result_of(
            c.request_status(static_cast<std::uint32_t>(request_id), static_cast<std::uint32_t>(channel)));
    });
}

int TWPReceive(int* request_id, void* buffer, int* size) { return provider().receive(request_id, buffer, size); }

int TWPReceiveCancel() {
    provider().cancel();
    return 0;
}

ProviderRecord g_record = {1, 0, 6, TWPGetConnectInfo, TWPDeviceIDRequest, TWPSend,
                           TWPStatusRequest, TWPReceive, TWPReceiveCancel};

}  // namespace

extern "C" {

// Attaches the provider (again, after an earlier TWPReceiveCancel) and hands
// TWAPI2 its record. -7 for a null argument.
__attribute__((visibility("default"))) int TWPGetProviderInfo(ProviderRecord** record) {
    if (!record) return kNullArgument;
    provider().attach();
    *record = &g_record;
    return 0;
}

// 0 when the address names one of this provider's printers (a printer of
// this computer on a mapped port), whether or not it is switched on.
__attribute__((visibility("default"))) int TWPGetLocal(const char* address) {
    if (!address) return kNullArgument;
    auto printer = lptprov::printer_of_address(address);
    if (!printer) return kInvalidAddress;
    return lptprov::target_of_printer(*printer) ? 0 : kInvalidAddress;
}

}  // extern "C"
