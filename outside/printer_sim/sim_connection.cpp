// A reader thread owns the receiving side of the socket and sorts what comes
// in: answers go to the call that waits for their tag, replies to the reply
// queue. Callers write under one mutex, so frames never interleave. Requests
// are noted as outstanding before they are written, because their reply can
// come in before the answer that accepts them has been read.
#include "outside/printer_sim/sim_connection.h"

#include <sys/socket.h>

#include <cerrno>
#include <condition_variable>
#include <algorithm>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "outside/printer_sim/endpoint.h"

namespace twsim {

using platform::Error;
using platform::Result;
using platform::Status;

std::optional<WireResult> wire_result_of(const Error& e) {
    if ((e.code & kWireResultBit) == 0) return std::nullopt;
    return static_cast<WireResult>(-static_cast<std::int32_t>(e.code & ~kWireResultBit));
}

namespace {
Error refusal(std::int32_t result, const Bytes& payload) {
    std::string text(describe(static_cast<WireResult>(result)));
    if (!payload.empty()) text += ": " + as_text(payload);
    return Error{kWireResultBit | static_cast<platform::WinError>(-result), text};
}
Error gone() {
    return Error{platform::ERROR_BROKEN_PIPE, "the simulated printer closed the connection"};
}
}  // namespace

struct SimulatorConnection::Inner {
    UniqueFd fd;
    std::shared_ptr<ReplyQueue> replies;
    bool own_queue = false;
    std::mutex write_mutex;

    std::mutex mutex;
    std::condition_variable changed;
    std::uint32_t next_tag = 1;
    std::map<std::uint32_t, std::optional<Frame>> answers;  // tag -> answer, once in
    struct Outstanding {
        std::uint32_t request_id;
        std::uint32_t channel;
    };
    std::deque<Outstanding> outstanding;
    bool disconnected = false;
    std::thread reader;

    void read_loop() {
        FrameReader frames;
        std::uint8_t buffer[8192];
        while (true) {
            ssize_t got = ::recv(fd.get(), buffer, sizeof buffer, 0);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            frames.feed({buffer, static_cast<std::size_t>(got)});
            while (auto f = frames.next()) deliver(std::move(*f));
            if (frames.error() != DecodeError::None) break;
        }
        std::deque<Outstanding> unanswered;
        {
            std::lock_guard lock(mutex);
            disconnected = true;
            unanswered.swap(outstanding);
            changed.notify_all();
        }
        for (const auto& o : unanswered) replies->push({o.request_id, o.channel, {}, platform::ERROR_BROKEN_PIPE});
        if (own_queue) replies->close();
    }

    void note_outstanding(std::uint32_t request_id, std::uint32_t channel) {
        std::lock_guard lock(mutex);
        if (outstanding.size() >= kMaxOutstanding) outstanding.pop_front();
        outstanding.push_back({request_id, channel});
    }

    void forget_outstanding(std::uint32_t request_id, std::uint32_t channel) {
        auto it = std::find_if(outstanding.begin(), outstanding.end(), [&](const Outstanding& o) {
            return o.request_id == request_id && o.channel == channel;
        });
        if (it != outstanding.end()) outstanding.erase(it);
    }

    void deliver(Frame f) {
        if (f.header.kind == FrameKind::Reply) {
            {
                std::lock_guard lock(mutex);
                forget_outstanding(f.header.request_id, f.header.channel);
            }
            replies->push({f.header.request_id, f.header.channel, std::move(f.payload), 0});
            return;
        }
        std::lock_guard lock(mutex);
        if (f.header.kind == FrameKind::Answer) {
            auto it = answers.find(f.header.tag);
            if (it != answers.end()) it->second = std::move(f);
        }
        changed.notify_all();
    }
};

SimulatorConnection::SimulatorConnection(std::unique_ptr<Inner> inner, std::shared_ptr<ReplyQueue> replies,
                                         bool own_queue)
    : inner_(std::move(inner)), replies_(std::move(replies)), own_queue_(own_queue) {}

Result<std::unique_ptr<SimulatorConnection>> SimulatorConnection::connect(std::string_view name,
                                                                          std::shared_ptr<ReplyQueue> replies) {
    auto path = socket_path(name);
    if (!path) return std::move(path).error();
    auto c = connect_path(*path, std::move(replies));
    if (!c) {
        Error e = std::move(c).error();
        if (e.code == platform::ERROR_FILE_NOT_FOUND) e.text = "no simulated printer '" + std::string(name) + "' is running";
        return e;
    }
    return c;
}

Result<std::unique_ptr<SimulatorConnection>> SimulatorConnection::connect_path(const std::filesystem::path& socket,
                                                                               std::shared_ptr<ReplyQueue> replies) {
    auto fd = connect_to(socket);
    if (!fd) return std::move(fd).error();
    bool own = !replies;
    if (own) replies = std::make_shared<ReplyQueue>();
    auto inner = std::make_unique<Inner>();
    inner->fd = std::move(*fd);
    inner->replies = replies;
    inner->own_queue = own;
    inner->reader = std::thread([raw = inner.get()] { raw->read_loop(); });
    return std::unique_ptr<SimulatorConnection>(new SimulatorConnection(std::move(inner), std::move(replies), own));
}

SimulatorConnection::~SimulatorConnection() {
    if (own_queue_) replies_->cancel();
    ::shutdown(inner_->fd.get(), SHUT_RDWR);
    if (inner_->reader.joinable()) inner_->reader.join();
}

Result<Frame> SimulatorConnection::call(FrameKind kind, std::uint32_t request_id, std::uint32_t channel,
                                        std::span<const std::uint8_t> payload) {
    if (payload.size() > kMaxPayload)
        return Error{platform::ERROR_INVALID_PARAMETER,
                     "request of " + std::to_string(payload.size()) + " bytes is longer than a frame takes"};
    Inner& in = *inner_;
    bool replied_later = kind == FrameKind::DeviceId || kind == FrameKind::Send || kind == FrameKind::Status;
    std::uint32_t tag;
    {
        std::lock_guard lock(in.mutex);
        if (in.disconnected) return gone();
        tag = in.next_tag++;
        in.answers.emplace(tag, std::nullopt);
    }
    if (replied_later) in.note_outstanding(request_id, channel);
    FrameHeader h;
    h.kind = kind;
    h.tag = tag;
    h.request_id = request_id;
    h.channel = channel;
    Bytes frame = encode_frame(h, payload);
    bool written = true;
    {
        std::lock_guard lock(in.write_mutex);
        std::size_t sent = 0;
        while (sent < frame.size()) {
            ssize_t n = ::send(in.fd.get(), frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                written = false;
                break;
            }
            sent += static_cast<std::size_t>(n);
        }
    }
    std::unique_lock lock(in.mutex);
    if (written) in.changed.wait(lock, [&] { return in.answers[tag].has_value() || in.disconnected; });
    std::optional<Frame> answer = std::move(in.answers[tag]);
    in.answers.erase(tag);
    // A refused request gets no reply; one that never reached the printer
    // neither (when the reader already ended, it reported it as failed).
    if (replied_later && (!answer || answer->header.result < 0)) in.forget_outstanding(request_id, channel);
    if (!answer) return gone();
    if (answer->header.result < 0) return refusal(answer->header.result, answer->payload);
    return std::move(*answer);
}

Result<std::vector<ChannelEntry>> SimulatorConnection::channels() {
    auto a = call(FrameKind::Channels, 0, 0, {});
    if (!a) return std::move(a).error();
    auto table = decode_channel_table(a->payload);
    if (!table) return Error{platform::ERROR_INVALID_DATA, "the printer sent a malformed channel table"};
    return std::move(*table);
}

Status SimulatorConnection::open_channel(std::uint32_t channel) {
    auto a = call(FrameKind::OpenChannel, 0, channel, {});
    if (!a) return std::move(a).error();
    return {};
}

Status SimulatorConnection::close_channel(std::uint32_t channel) {
    auto a = call(FrameKind::CloseChannel, 0, channel, {});
    if (!a) return std::move(a).error();
    return {};
}

Status SimulatorConnection::request_device_id(std::uint32_t request_id) {
    auto a = call(FrameKind::DeviceId, request_id, 0, {});
    if (!a) return std::move(a).error();
    return {};
}

Result<std::int32_t> SimulatorConnection::send(std::uint32_t request_id, std::uint32_t channel,
                                               std::span<const std::uint8_t> bytes) {
    auto a = call(FrameKind::Send, request_id, channel, bytes);
    if (!a) return std::move(a).error();
    return a->header.result;
}

Status SimulatorConnection::request_status(std::uint32_t request_id, std::uint32_t channel) {
    auto a = call(FrameKind::Status, request_id, channel, {});
    if (!a) return std::move(a).error();
    return {};
}

Result<PrinterReply> SimulatorConnection::receive(std::optional<std::chrono::milliseconds> limit) {
    return replies_->receive(limit);
}

void SimulatorConnection::cancel_receive() {
    replies_->cancel();
}

Status SimulatorConnection::set(const std::vector<std::string>& assignments) {
    std::string text;
    for (const auto& a : assignments) text += a + "\n";
    auto a = call(FrameKind::ControlSet, 0, 0, as_bytes(text));
    if (!a) return std::move(a).error();
    return {};
}

Result<std::string> SimulatorConnection::show() {
    auto a = call(FrameKind::ControlShow, 0, 0, {});
    if (!a) return std::move(a).error();
    return as_text(a->payload);
}

Status SimulatorConnection::stop() {
    auto a = call(FrameKind::ControlStop, 0, 0, {});
    if (!a) return std::move(a).error();
    return {};
}

}  // namespace twsim
