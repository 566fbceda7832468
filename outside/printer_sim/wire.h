// The simulator's wire protocol: how a client (the local-port provider, the
// control tool, a test) talks to one simulated printer over its socket.
//
// Every message is a frame: a fixed 24-byte little-endian header followed by
// `payload_length` payload bytes.
//
//   offset  size  field
//   0       4     payload_length   bytes after the header, at most kMaxPayload
//   4       2     kind             FrameKind
//   6       2     flags            0; frames with other flags are refused
//   8       4     tag              the client's call number, echoed in the Answer
//   12      4     request_id       the caller's request id, echoed in the Reply
//   16      4     channel          printer channel number, where the kind has one
//   20      4     result           signed; 0 or more is success (Answer, Reply)
//
// Every request frame gets exactly one Answer frame with the same tag, at
// once. The three requests that reach the printer itself (DeviceId, Send,
// Status) also get a Reply frame later, carrying the request id, when the
// printer answers; a printer that is silent never sends it, and a busy one
// sends it late. Replies of one connection keep the order of their requests.
//
// This file holds the one encoder and the one decoder of frames and of the
// channel table. Decoders take untrusted bytes: they never read past the
// length they are given, and a frame that announces more than kMaxPayload
// bytes is refused rather than buffered. Not thread-safe per object; the
// functions are pure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace twsim {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::size_t kHeaderSize = 24;
inline constexpr std::uint32_t kMaxPayload = 64 * 1024;

enum class FrameKind : std::uint16_t {
    // Requests, client to printer.
    DeviceId = 1,      // Answer: result 0; later Reply: IEEE 1284 device ID
    Channels = 2,      // Answer: payload = channel table (8-byte entries)
    OpenChannel = 3,   // Answer: result 0, or UnknownChannel
    CloseChannel = 4,  // Answer: result 0, or UnknownChannel / NotOpen
    Send = 5,          // payload = bytes for the channel; Answer: result = length taken;
                       // later Reply: the printer's answer, if it gives one
    Status = 6,        // Answer: result 0; later Reply: the status reply of the channel
    ControlSet = 7,    // payload = assignments, one per line; Answer: payload = error text on failure
    ControlShow = 8,   // Answer: payload = the printer's state as assignments
    ControlStop = 9,   // Answer: result 0; then the simulator ends
    // From the printer.
    Answer = 64,
    Reply = 65,
};

// Results in the header's result field.
enum class WireResult : std::int32_t {
    Ok = 0,
    Failed = -1,
    BadRequest = -2,      // unknown kind or malformed payload
    UnknownChannel = -3,  // channel not in the printer's table
    WrongMode = -4,       // the channel does not offer this (no commands / no status)
    BadControl = -5,      // a control assignment was refused; payload says why
    NotOpen = -6,         // close of a channel that is not open
};

std::string_view describe(WireResult r);

struct FrameHeader {
    std::uint32_t payload_length = 0;
    FrameKind kind = FrameKind::Answer;
    std::uint16_t flags = 0;
    std::uint32_t tag = 0;
    std::uint32_t request_id = 0;
    std::uint32_t channel = 0;
    std::int32_t result = 0;
};

struct Frame {
    FrameHeader header;
    Bytes payload;
};

// Encodes a frame; payload_length is taken from the payload. Payloads longer
// than kMaxPayload are the caller's error and are cut to kMaxPayload.
Bytes encode_frame(FrameHeader header, std::span<const std::uint8_t> payload);

enum class DecodeError { None, Oversized, BadFlags, BadKind };

// Decodes a header from exactly kHeaderSize bytes (fewer gives nullopt).
std::optional<FrameHeader> decode_header(std::span<const std::uint8_t> bytes, DecodeError* error);

// Accumulates bytes from a stream and hands out whole frames. After a decode
// error the stream is out of step and the reader stays failed: the owner
// drops the connection.
class FrameReader {
public:
    void feed(std::span<const std::uint8_t> bytes);
    // The next whole frame, nullopt when more bytes are needed or after an error.
    std::optional<Frame> next();
    DecodeError error() const { return error_; }
    std::size_t buffered() const { return buffer_.size() - consumed_; }

private:
    Bytes buffer_;
    std::size_t consumed_ = 0;
    DecodeError error_ = DecodeError::None;
};

// One entry of a printer's channel table: 8 bytes on the wire, the channel
// number (u32) then four attribute bytes whose first 16-bit word is the mode.
struct ChannelEntry {
    std::uint32_t number = 0;
    std::uint16_t mode = 0;
    std::uint16_t extra = 0;  // the other two attribute bytes, kept as they came
    bool operator==(const ChannelEntry&) const = default;
};

inline constexpr std::size_t kChannelEntrySize = 8;
inline constexpr std::size_t kMaxChannels = 16;

// Mode bits a channel offers.
inline constexpr std::uint16_t kModeCommands = 0x0001;  // takes printer commands; answers a status request
inline constexpr std::uint16_t kModeReplies = 0x0002;   // returns replies to commands
inline constexpr std::uint16_t kModeStatus = 0x0004;    // delivers status

Bytes encode_channel_table(std::span<const ChannelEntry> entries);
// Refuses a length that is not a multiple of 8 or more than 16 entries.
std::optional<std::vector<ChannelEntry>> decode_channel_table(std::span<const std::uint8_t> bytes);

inline std::span<const std::uint8_t> as_bytes(std::string_view s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}
inline std::string as_text(std::span<const std::uint8_t> b) {
    return std::string(reinterpret_cast<const char*>(b.data()), b.size());
}

}  // namespace twsim
