#include "outside/printer_sim/endpoint.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "platform/machine_root.h"

namespace twsim {

namespace fs = std::filesystem;
using platform::Error;
using platform::Result;
using platform::Status;

UniqueFd& UniqueFd::operator=(UniqueFd&& o) noexcept {
    if (this != &o) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = o.release();
    }
    return *this;
}

UniqueFd::~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
}

namespace {

std::string file_stem(std::string_view name) {
    std::string out(name);
    for (auto& c : out) c = static_cast<char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
    return out;
}

// The address of path, going through an opened folder when the path is too
// long for sockaddr_un. `folder` keeps that folder open while it is in use.
Result<sockaddr_un> address_of(const fs::path& path, UniqueFd& folder) {
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::string p = path.string();
    if (p.size() >= sizeof a.sun_path) {
        folder = UniqueFd(::open(path.parent_path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!folder) return platform::errno_error("open", path.parent_path().string(), errno);
        p = "/proc/self/fd/" + std::to_string(folder.get()) + "/" + path.filename().string();
        if (p.size() >= sizeof a.sun_path)
            return Error{platform::ERROR_BAD_PATHNAME, "socket name too long: " + path.string()};
    }
    std::memcpy(a.sun_path, p.c_str(), p.size() + 1);
    return a;
}

}  // namespace

Status validate_printer_name(std::string_view name) {
    auto bad = [&](const std::string& why) {
        return Error{platform::ERROR_INVALID_NAME, "invalid printer name '" + std::string(name) + "': " + why};
    };
    if (name.empty() || name.size() > 64) return bad("it must have 1 to 64 characters");
    if (name.front() == '.' || name.front() == ' ') return bad("it must not start with '.' or a space");
    for (char c : name) {
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' ||
                  c == '.' || c == '_' || c == '-' || c == '+';
        if (!ok) return bad("only letters, digits, space, '.', '_', '-' and '+' are allowed");
    }
    return {};
}

Result<fs::path> printers_folder() {
    auto root = platform::ensure_machine_root();
    if (!root) return std::move(root).error();
    fs::path folder = *root / "printers";
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) return Error{platform::ERROR_CANTWRITE, "cannot create " + folder.string() + ": " + ec.message()};
    return folder;
}

Result<fs::path> socket_path(std::string_view name) {
    if (auto s = validate_printer_name(name); !s) return s.error();
    auto folder = printers_folder();
    if (!folder) return folder;
    return *folder / (file_stem(name) + ".sock");
}

Result<fs::path> pid_path(std::string_view name) {
    if (auto s = validate_printer_name(name); !s) return s.error();
    auto folder = printers_folder();
    if (!folder) return folder;
    return *folder / (file_stem(name) + ".pid");
}

Result<UniqueFd> listen_at(const fs::path& path) {
    if (auto live = connect_to(path); live)
        return Error{platform::ERROR_ALREADY_EXISTS, "a simulator already answers at " + path.string()};
    std::error_code ec;
    fs::remove(path, ec);  // a socket file left by one that died
    UniqueFd folder;
    auto a = address_of(path, folder);
    if (!a) return std::move(a).error();
    UniqueFd s(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!s) return platform::errno_error("socket", path.string(), errno);
    if (::bind(s.get(), reinterpret_cast<const sockaddr*>(&*a), sizeof *a) != 0)
        return platform::errno_error("bind", path.string(), errno);
    if (::listen(s.get(), 16) != 0) return platform::errno_error("listen", path.string(), errno);
    return s;
}

Result<UniqueFd> connect_to(const fs::path& path) {
    UniqueFd folder;
    auto a = address_of(path, folder);
    if (!a) return std::move(a).error();
    UniqueFd s(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!s) return platform::errno_error("socket", path.string(), errno);
    int rc;
    do {
        rc = ::connect(s.get(), reinterpret_cast<const sockaddr*>(&*a), sizeof *a);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        int err = errno;
        if (err == ENOENT || err == ECONNREFUSED)
            return Error{platform::ERROR_FILE_NOT_FOUND, "no simulated printer answers at " + path.string()};
        return platform::errno_error("connect", path.string(), err);
    }
    return s;
}

Result<std::vector<RunningPrinter>> list_printers() {
    auto folder = printers_folder();
    if (!folder) return std::move(folder).error();
    std::vector<RunningPrinter> out;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(*folder, ec)) {
        if (entry.path().extension() != ".pid") continue;
        std::ifstream in(entry.path());
        RunningPrinter p;
        std::string pid_line;
        if (!std::getline(in, pid_line) || !std::getline(in, p.name)) continue;
        p.pid = std::strtol(pid_line.c_str(), nullptr, 10);
        fs::path sock = entry.path();
        sock.replace_extension(".sock");
        p.answering = static_cast<bool>(connect_to(sock));
        out.push_back(std::move(p));
    }
    if (ec) return Error{platform::ERROR_CANTREAD, "cannot read " + folder->string() + ": " + ec.message()};
    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    return out;
}

}  // namespace twsim
