// Where a simulated printer is reached on a computer, and the socket calls
// that get there.
//
// A running simulator of printer NAME owns, inside the machine root:
//   printers/<name>.sock   its Unix stream socket (the wire protocol of wire.h)
//   printers/<name>.pid    "<pid>\n<NAME>\n", so a test or a person can stop it
// <name> is NAME in lower case: printer names compare without regard to letter
// case, as everywhere on the computer. NAME is 1 to 64 characters of letters,
// digits, space, '.', '_', '-' and '+', not starting with '.' or a space.
//
// Socket paths can be longer than a Unix socket address holds (108 bytes);
// then the folder is opened and the socket is reached through
// /proc/self/fd/<folder>/<file>, which Linux resolves like the real path.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_error.h"

namespace twsim {

// An owned file descriptor.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& o) noexcept : fd_(o.release()) {}
    UniqueFd& operator=(UniqueFd&& o) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd();

    int get() const { return fd_; }
    int release() {
        int f = fd_;
        fd_ = -1;
        return f;
    }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

platform::Status validate_printer_name(std::string_view name);

// <root>/printers, created when missing.
platform::Result<std::filesystem::path> printers_folder();
platform::Result<std::filesystem::path> socket_path(std::string_view name);
platform::Result<std::filesystem::path> pid_path(std::string_view name);

// A listening socket at path (a stale socket file left by a simulator that
// died is replaced; a live one makes this fail with ERROR_ALREADY_EXISTS).
platform::Result<UniqueFd> listen_at(const std::filesystem::path& path);
// A connected socket; ERROR_FILE_NOT_FOUND when nothing listens there.
platform::Result<UniqueFd> connect_to(const std::filesystem::path& path);

struct RunningPrinter {
    std::string name;
    long pid = 0;
    bool answering = false;  // its socket accepts connections
};
// The simulators this computer has pid files for.
platform::Result<std::vector<RunningPrinter>> list_printers();

}  // namespace twsim
