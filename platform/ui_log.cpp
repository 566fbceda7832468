#include "platform/ui_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>
#include <filesystem>

#include "platform/machine_root.h"

namespace platform {

std::string utc_timestamp() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    ::gmtime_r(&seconds, &tm);
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(millis));
    return text;
}

Status append_ui_log(std::string_view log_name, std::string_view text) {
    auto root = ensure_machine_root();
    if (!root) return root.error();
    const std::filesystem::path folder = *root / "ui";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) return errno_error("mkdir", folder.string(), ec.value());
    const std::filesystem::path file = folder / std::string(log_name);
    std::string line = utc_timestamp() + " pid=" + std::to_string(::getpid()) + " ";
    for (char c : text) line += (c == '\n' || c == '\r') ? ' ' : c;  // one event, one line
    line += '\n';
    int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return errno_error("open", file.string(), errno);
    ssize_t n = ::write(fd, line.data(), line.size());
    int err = errno;
    ::close(fd);
    if (n != static_cast<ssize_t>(line.size())) return errno_error("write", file.string(), n < 0 ? err : EIO);
    return {};
}

}  // namespace platform
