// One thread, one poll() loop. Each client has a FrameReader for what it
// sends and a byte queue for what it is owed; sockets are non-blocking, so a
// client that stops reading only fills its own queue (and is dropped when
// that grows past kMaxQueued) and never stalls the printer for the others.
#include "outside/printer_sim/sim_server.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <chrono>
#include <fstream>
#include <map>
#include <queue>
#include <set>
#include <vector>

namespace twsim {

namespace fs = std::filesystem;
using platform::Error;
using platform::Result;
using platform::Status;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kMaxQueued = 16 * 1024 * 1024;

struct Client {
    UniqueFd fd;
    FrameReader reader;
    Bytes out;
    std::size_t out_sent = 0;
    std::multiset<std::uint32_t> open_channels;
    Clock::time_point last_due{};
    bool closing = false;  // drop once `out` is written
};

struct Pending {
    Clock::time_point due;
    std::uint64_t order;
    std::uint64_t client;
    Bytes frame;
    bool operator>(const Pending& o) const { return due != o.due ? due > o.due : order > o.order; }
};

std::string escape(const Bytes& b) {
    std::string out;
    for (auto c : b) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c < 0x20 || c >= 0x7F) {
            char h[8];
            std::snprintf(h, sizeof h, "\\x%02X", c);
            out += h;
        } else out += static_cast<char>(c);
    }
    return out;
}

std::vector<std::string> split_lines(const Bytes& payload) {
    std::vector<std::string> lines;
    std::string current;
    for (auto c : payload) {
        if (c == '\n') {
            lines.push_back(std::move(current));
            current.clear();
        } else {
            current += static_cast<char>(c);
        }
    }
    if (!current.empty()) lines.push_back(std::move(current));
    return lines;
}

}  // namespace

struct SimulatorServer::State {
    explicit State(const PrinterModel& model) : printer(model) {}
    Printer printer;
    std::map<std::uint64_t, Client> clients;
    std::uint64_t next_client = 1;
    std::priority_queue<Pending, std::vector<Pending>, std::greater<>> pending;
    std::uint64_t next_order = 0;
    bool stop = false;

    void queue_bytes(std::uint64_t id, const Bytes& bytes) {
        auto it = clients.find(id);
        if (it == clients.end()) return;
        Client& c = it->second;
        c.out.insert(c.out.end(), bytes.begin(), bytes.end());
        if (c.out.size() - c.out_sent > kMaxQueued) {
            // It stopped reading: give up on it rather than hold its bytes without bound.
            c.closing = true;
            c.out.clear();
            c.out_sent = 0;
            return;
        }
        flush(c);
    }

    static void flush(Client& c) {
        while (c.out_sent < c.out.size()) {
            ssize_t n = ::send(c.fd.get(), c.out.data() + c.out_sent, c.out.size() - c.out_sent, MSG_NOSIGNAL);
            if (n > 0) {
                c.out_sent += static_cast<std::size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return;
            } else {
                c.closing = true;
                c.out.clear();
                c.out_sent = 0;
                return;
            }
        }
        c.out.clear();
        c.out_sent = 0;
    }

    void answer(std::uint64_t id, const FrameHeader& request, WireResult result, std::span<const std::uint8_t> payload = {},
                std::int32_t value = 0) {
        FrameHeader h;
        h.kind = FrameKind::Answer;
        h.tag = request.tag;
        h.request_id = request.request_id;
        h.channel = request.channel;
        h.result = result == WireResult::Ok ? value : static_cast<std::int32_t>(result);
        queue_bytes(id, encode_frame(h, payload));
    }

    // The printer's later reply to a request, as it would come from hardware.
    void reply(std::uint64_t id, const FrameHeader& request, const Bytes& data) {
        const PrinterState& s = printer.state();
        if (s.silent) return;
        FrameHeader h;
        h.kind = FrameKind::Reply;
        h.request_id = request.request_id;
        h.channel = request.channel;
        Bytes frame = encode_frame(h, data);
        Client& c = clients.at(id);
        Clock::time_point due = Clock::now() + std::chrono::milliseconds(s.busy_ms);
        if (due < c.last_due) due = c.last_due;
        c.last_due = due;
        if (s.busy_ms == 0 && pending.empty()) {
            queue_bytes(id, frame);
            return;
        }
        pending.push({due, next_order++, id, std::move(frame)});
    }

    void deliver_due() {
        auto now = Clock::now();
        while (!pending.empty() && pending.top().due <= now) {
            Pending p = pending.top();
            pending.pop();
            // A printer that stopped answering does not answer old questions either.
            if (!printer.state().silent) queue_bytes(p.client, p.frame);
        }
    }

    int poll_timeout() const {
        if (pending.empty()) return -1;
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(pending.top().due - Clock::now()).count();
        return wait < 0 ? 0 : static_cast<int>(std::min<long long>(wait + 1, 60000));
    }

    void handle(std::uint64_t id, const Frame& f) {
        const FrameHeader& h = f.header;
        Client& c = clients.at(id);
        const ChannelEntry* channel = printer.find_channel(h.channel);
        switch (h.kind) {
            case FrameKind::DeviceId:
                answer(id, h, WireResult::Ok);
                reply(id, h, printer.device_id());
                return;
            case FrameKind::Channels:
                answer(id, h, WireResult::Ok, encode_channel_table(printer.channels()),
                       static_cast<std::int32_t>(printer.channels().size()));
                return;
            case FrameKind::OpenChannel:
                if (!channel) return answer(id, h, WireResult::UnknownChannel);
                c.open_channels.insert(h.channel);
                return answer(id, h, WireResult::Ok);
            case FrameKind::CloseChannel: {
                if (!channel) return answer(id, h, WireResult::UnknownChannel);
                auto it = c.open_channels.find(h.channel);
                if (it == c.open_channels.end()) return answer(id, h, WireResult::NotOpen);
                c.open_channels.erase(it);
                return answer(id, h, WireResult::Ok);
            }
            case FrameKind::Send: {
                if (!channel) return answer(id, h, WireResult::UnknownChannel);
                if (!(channel->mode & kModeCommands)) return answer(id, h, WireResult::WrongMode);
                answer(id, h, WireResult::Ok, {}, static_cast<std::int32_t>(f.payload.size()));
                auto data = printer.handle_commands(f.payload);
                if (data && (channel->mode & kModeReplies)) reply(id, h, *data);
                return;
            }
            case FrameKind::Status:
                if (!channel) return answer(id, h, WireResult::UnknownChannel);
                if (!(channel->mode & (kModeStatus | kModeCommands))) return answer(id, h, WireResult::WrongMode);
                answer(id, h, WireResult::Ok);
                reply(id, h, printer.status_reply(h.channel));
                return;
            case FrameKind::ControlSet: {
                auto why = printer.apply(split_lines(f.payload));
                if (why) return answer(id, h, WireResult::BadControl, as_bytes(*why));
                return answer(id, h, WireResult::Ok);
            }
            case FrameKind::ControlShow: {
                std::string text = "# printer " + printer.model().device_id.model + "\n" + printer.describe();
                text += "# status reply: " + escape(printer.status_reply(kStatusChannel)) + "\n";
                text += "# device ID: " + escape(printer.device_id()) + "\n";
                return answer(id, h, WireResult::Ok, as_bytes(text));
            }
            case FrameKind::ControlStop:
                answer(id, h, WireResult::Ok);
                stop = true;
                return;
            case FrameKind::Answer:
            case FrameKind::Reply:
                return answer(id, h, WireResult::BadRequest);
        }
    }
};

SimulatorServer::SimulatorServer(std::string name, const PrinterModel& model, UniqueFd listener, fs::path socket_path,
                                 fs::path pid_path)
    : name_(std::move(name)),
      listener_(std::move(listener)),
      socket_path_(std::move(socket_path)),
      pid_path_(std::move(pid_path)),
      state_(std::make_unique<State>(model)) {}

Result<std::unique_ptr<SimulatorServer>> SimulatorServer::create(std::string name, const PrinterModel& model) {
    auto sock = socket_path(name);
    if (!sock) return std::move(sock).error();
    auto pid = pid_path(name);
    if (!pid) return std::move(pid).error();
    auto listener = listen_at(*sock);
    if (!listener) return std::move(listener).error();
    fs::path temporary = *pid;
    temporary += ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << ::getpid() << "\n" << name << "\n";
        if (!out) return Error{platform::ERROR_CANTWRITE, "cannot write " + temporary.string()};
    }
    std::error_code ec;
    fs::rename(temporary, *pid, ec);
    if (ec) return Error{platform::ERROR_CANTWRITE, "cannot write " + pid->string() + ": " + ec.message()};
    return std::unique_ptr<SimulatorServer>(
        new SimulatorServer(std::move(name), model, std::move(*listener), *sock, *pid));
}

SimulatorServer::~SimulatorServer() {
    std::error_code ec;
    // Only our own files: a newer simulator of the same name may own them now.
    std::ifstream in(pid_path_);
    long pid = 0;
    if (in >> pid && pid == ::getpid()) {
        fs::remove(socket_path_, ec);
        fs::remove(pid_path_, ec);
    }
}

Status SimulatorServer::run(int stop_fd) {
    State& s = *state_;
    std::vector<pollfd> fds;
    std::vector<std::uint64_t> ids;
    while (!s.stop) {
        fds.clear();
        ids.clear();
        fds.push_back({listener_.get(), POLLIN, 0});
        fds.push_back({stop_fd, POLLIN, 0});
        for (auto& [id, c] : s.clients) {
            short events = c.closing ? 0 : POLLIN;
            if (c.out_sent < c.out.size()) events |= POLLOUT;
            fds.push_back({c.fd.get(), events, 0});
            ids.push_back(id);
        }
        int n = ::poll(fds.data(), fds.size(), s.poll_timeout());
        if (n < 0) {
            if (errno == EINTR) continue;
            return platform::errno_error("poll", socket_path_.string(), errno);
        }
        if (stop_fd >= 0 && (fds[1].revents & POLLIN)) break;
        if (fds[0].revents & POLLIN) {
            while (true) {
                int fd = ::accept4(listener_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                if (fd < 0) break;
                s.clients.emplace(s.next_client++, Client{UniqueFd(fd), {}, {}, 0, {}, {}, false});
            }
        }
        for (std::size_t i = 0; i < ids.size(); ++i) {
            auto it = s.clients.find(ids[i]);
            if (it == s.clients.end()) continue;
            Client& c = it->second;
            short re = fds[i + 2].revents;
            if (re & POLLOUT) State::flush(c);
            if (re & (POLLIN | POLLHUP | POLLERR)) {
                std::uint8_t buffer[4096];
                ssize_t got = ::recv(c.fd.get(), buffer, sizeof buffer, 0);
                if (got <= 0 && !(got < 0 && (errno == EAGAIN || errno == EINTR))) {
                    s.clients.erase(it);
                    continue;
                }
                if (got > 0) {
                    c.reader.feed({buffer, static_cast<std::size_t>(got)});
                    while (auto frame = c.reader.next()) {
                        s.handle(ids[i], *frame);
                        if (s.stop) break;
                    }
                    if (c.reader.error() != DecodeError::None) c.closing = true;
                }
            }
        }
        s.deliver_due();
        for (auto it = s.clients.begin(); it != s.clients.end();) {
            bool done = it->second.closing && it->second.out_sent >= it->second.out.size();
            it = done ? s.clients.erase(it) : std::next(it);
        }
    }
    // Let the client that asked us to stop see its answer.
    for (auto& [id, c] : s.clients) {
        for (int tries = 0; tries < 100 && c.out_sent < c.out.size() && !c.closing; ++tries) {
            pollfd p{c.fd.get(), POLLOUT, 0};
            ::poll(&p, 1, 10);
            State::flush(c);
        }
    }
    return {};
}

}  // namespace twsim
