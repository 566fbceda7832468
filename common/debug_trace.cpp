#include "common/debug_trace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/tick.h"

namespace common {

std::string trace_time_stamp(std::uint32_t tick) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "\r\n%2d:%2d.%03d  ", static_cast<int>(tick / 60000),
                  static_cast<int>(tick / 1000 % 60), static_cast<int>(tick % 1000));
    return buf;
}

std::unique_ptr<DebugTrace> DebugTrace::from_registry(const TraceSettings& settings) {
    auto key = platform::RegKey::open(platform::RootKey::LocalMachine, settings.key);
    if (!key) return nullptr;
    auto flags = key->query_dword(settings.flags_value);
    auto file = key->query_string(settings.file_value);
    if (!flags || *flags == 0 || !file || file->empty()) return nullptr;
    return std::make_unique<DebugTrace>(*flags, *file);
}

DebugTrace::DebugTrace(std::uint32_t flags, std::string windows_file)
    : flags_(flags), file_(std::move(windows_file)), clock_(&platform::get_tick_count) {}

void DebugTrace::message(std::string_view text) { write_line(std::string(text)); }

void DebugTrace::message(std::string_view text, std::string_view value_name, std::uint32_t value,
                         std::optional<int> error_code) {
    char v[32];
    std::snprintf(v, sizeof v, "=0x%x", value);
    std::string line = std::string(text) + " " + std::string(value_name) + v;
    if (error_code) line += " *** ErrorCode:" + std::to_string(*error_code) + " ***";
    write_line(std::move(line));
}

void DebugTrace::message_text(std::string_view text, std::string_view value_name, std::string_view value) {
    write_line(std::string(text) + " " + std::string(value_name) + "=" + std::string(value));
}

void DebugTrace::data_line(std::string_view label, int length, std::string_view detail,
                           std::optional<std::span<const std::uint8_t>> data) {
    std::string line = std::string(label) + " L(" + std::to_string(length) + ") " + std::string(detail);
    write_line(std::move(line), data ? *data : std::span<const std::uint8_t>{});
}

void DebugTrace::error_data_line(std::string_view label, int length, std::string_view detail, int error_code) {
    write_line(std::string(label) + " L(" + std::to_string(length) + ") " + std::string(detail) +
               " *** ErrorCode:" + std::to_string(error_code) + " ***");
}

void DebugTrace::write_line(std::string text, std::span<const std::uint8_t> data) {
    // The line's text is formatted into a 256-byte buffer: 255 characters at most.
    std::string line = trace_time_stamp(clock_()) + text;
    if (line.size() > 255) line.resize(255);
    if (!data.empty()) line += "\r\n  Data: ";
    std::lock_guard guard(lock_);
    auto host = platform::to_host_path(file_);
    if (!host) return;
    int fd = ::open(host->c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return;
    ::lseek(fd, 0, SEEK_END);
    ssize_t ignored = ::write(fd, line.data(), line.size());
    if (!data.empty()) ignored = ::write(fd, data.data(), data.size());
    (void)ignored;
    ::close(fd);
}

}  // namespace common
