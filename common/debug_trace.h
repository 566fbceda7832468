// The diagnostic trace file that the share provider and the status agent write
// when their registry switch is on. One implementation for both programs; each
// has its own switch value and file name (settings below).
//
// A trace exists only when the switch is non-zero and the file name is not
// empty; otherwise from_registry() gives none and nothing is ever written.
// Each line is appended under the trace's lock by opening the file, writing at
// its end and closing it again, so several processes may share a file (their
// lines may interleave) and the file is never emptied. Every line starts with
// "\r\n" and a time stamp "%2d:%2d.%03d  " made from the tick count (minutes
// since the computer started, not reduced; seconds; milliseconds). The
// formatted text of a line keeps at most 255 characters; data bytes that
// follow a line are written raw, whole.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace common {

// Switch bits.
inline constexpr std::uint32_t kTraceMessages = 0x100;
inline constexpr std::uint32_t kTraceQueues = 0x1;
inline constexpr std::uint32_t kTraceQueueData = 0x10;
inline constexpr std::uint32_t kTraceUdp = 0x2;
inline constexpr std::uint32_t kTraceUdpData = 0x20;
inline constexpr std::uint32_t kTraceMailslots = 0x4;
inline constexpr std::uint32_t kTraceMailslotData = 0x40;

struct TraceSettings {
    const char* key;         // under HKEY_LOCAL_MACHINE
    const char* flags_value;
    const char* file_value;
};
inline constexpr TraceSettings kShareProviderTrace{"Software\\KAVRO\\TWPrinter\\TWProvider\\SHARE2\\Env",
                                                   "ShrDebugFlags", "ShrDebugOutFileName"};
inline constexpr TraceSettings kAgentTrace{"Software\\KAVRO\\TWPrinter\\Herald2\\Env", "AgentDebugFlags",
                                           "AgentDebugOutFileName"};

// "\r\n%2d:%2d.%03d  " for a tick count.
std::string trace_time_stamp(std::uint32_t tick);

class DebugTrace {
public:
    // Reads the switch (DWORD) and the file name (string, a Windows path);
    // null when the trace is off.
    static std::unique_ptr<DebugTrace> from_registry(const TraceSettings& settings);
    DebugTrace(std::uint32_t flags, std::string windows_file);

    std::uint32_t flags() const { return flags_; }
    bool wants(std::uint32_t bits) const { return (flags_ & bits) == bits; }

    // "<text>" alone (switch 0x100), for messages that carry no value.
    void message(std::string_view text);
    // "<text> <name>=0x<value>[ *** ErrorCode:<n> ***]" (switch 0x100).
    void message(std::string_view text, std::string_view value_name, std::uint32_t value,
                 std::optional<int> error_code = std::nullopt);
    // "<text> <name>=<value>" (switch 0x100).
    void message_text(std::string_view text, std::string_view value_name, std::string_view value);
    // "<label> L(<length>) <detail>", then "\r\n  Data: " and the bytes when
    // `data` is given. The caller decides by the switch bits whether to write.
    void data_line(std::string_view label, int length, std::string_view detail,
                   std::optional<std::span<const std::uint8_t>> data = std::nullopt);
    // "<label> L(<length>) <detail> *** ErrorCode:<n> ***".
    void error_data_line(std::string_view label, int length, std::string_view detail, int error_code);

    // The tick count used for time stamps; tests replace it.
    void set_clock_for_testing(std::uint32_t (*clock)()) { clock_ = clock; }

private:
    void write_line(std::string text, std::span<const std::uint8_t> data = {});

    std::uint32_t flags_;
    std::string file_;
    std::mutex lock_;
    std::uint32_t (*clock_)();
};

}  // namespace common
