// The entries that travel through the share provider's and the status agent's
// shared-memory queues, byte for byte. One encoder and one decoder per entry
// kind; decoders take a whole slot and never read past it.
//
// All integers are 32-bit little-endian. Every entry starts with a 16-byte,
// zero-padded writer name ("TWPSHARE2" from the provider, "HERALD2" from the
// agent), so a written slot never starts with 0 and an empty slot is all zeros.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace common {

inline constexpr std::size_t kWriterNameSize = 16;
inline constexpr std::size_t kComputerNameSize = 260;
inline constexpr std::size_t kMaxEntryData = 2048;
inline constexpr std::size_t kGlobalSlotSize = 20;
inline constexpr std::size_t kEntrySlotSize = 2340;

inline constexpr const char* kProviderWriter = "TWPSHARE2";
inline constexpr const char* kAgentWriter = "HERALD2";

// Commands of a request entry.
inline constexpr std::int32_t kCmdDeviceId = 33;
inline constexpr std::int32_t kCmdConnectInfo = 34;
inline constexpr std::int32_t kCmdSend = 35;
inline constexpr std::int32_t kCmdStatus = 36;
inline constexpr std::int32_t kCmdDetach = 37;

// The word at offset 16 of a reply-queue entry.
inline constexpr std::uint32_t kAcknowledgement = 160;
inline constexpr std::uint32_t kReply = 161;

// Offsets inside a 2340-byte entry.
inline constexpr std::size_t kOffsetKind = 16;  // request: PID; reply queue: 160/161
inline constexpr std::size_t kOffsetPid = 20;   // request: TWPID; reply queue: PID
inline constexpr std::size_t kOffsetWord24 = 24;
inline constexpr std::size_t kOffsetComputer = 28;
inline constexpr std::size_t kOffsetLength = 288;
inline constexpr std::size_t kOffsetData = 292;
static_assert(kOffsetData + kMaxEntryData == kEntrySlotSize);
static_assert(kOffsetComputer + kComputerNameSize == kOffsetLength);

// Kind 1: a provider announces itself to the agent.
struct GlobalRequestEntry {
    std::string writer;
    std::int32_t twpid = 0;
};

// Kind 2: a provider's request.
struct RequestEntry {
    std::string writer;
    std::uint32_t pid = 0;   // the request's identity: the provider's tick count when written
    std::int32_t twpid = 0;  // the writing provider
    std::int32_t cmd = 0;
    std::string computer;    // NM: the target computer
    std::vector<std::uint8_t> data;  // 1 to 2048 bytes
};

// Kind 3: the agent's acknowledgement (160) or reply (161).
struct ReplyQueueEntry {
    std::string writer;
    std::uint32_t kind = 0;       // kAcknowledgement or kReply
    std::uint32_t pid = 0;        // the request acknowledged or answered
    std::uint32_t send_flag = 0;  // acknowledgement: non-zero when delivered to the print server
    std::string computer;         // reply: the computer that answered
    std::vector<std::uint8_t> data;  // reply: up to 2048 bytes
};

using GlobalSlot = std::array<std::uint8_t, kGlobalSlotSize>;
using EntrySlot = std::array<std::uint8_t, kEntrySlotSize>;

// Encoders: names longer than their field are cut to leave the terminating
// zero; data beyond 2048 bytes is refused (empty optional).
GlobalSlot encode_global_request(const GlobalRequestEntry& entry);
std::optional<EntrySlot> encode_request(const RequestEntry& entry);
std::optional<EntrySlot> encode_reply_queue_entry(const ReplyQueueEntry& entry);

// Decoders: an empty optional for a slot of the wrong size or an entry whose
// data length does not fit its slot. They do not judge the writer name; the
// caller does.
std::optional<GlobalRequestEntry> decode_global_request(std::span<const std::uint8_t> slot);
std::optional<RequestEntry> decode_request(std::span<const std::uint8_t> slot);
std::optional<ReplyQueueEntry> decode_reply_queue_entry(std::span<const std::uint8_t> slot);

// The zero-terminated writer name at the start of a slot (empty for an empty slot).
std::string writer_name(std::span<const std::uint8_t> slot);

}  // namespace common
