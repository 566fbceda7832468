#include "common/queue_entries.h"

#include <cstring>

namespace common {
namespace {

void put_u32(std::uint8_t* at, std::uint32_t v) {
    at[0] = static_cast<std::uint8_t>(v);
    at[1] = static_cast<std::uint8_t>(v >> 8);
    at[2] = static_cast<std::uint8_t>(v >> 16);
    at[3] = static_cast<std::uint8_t>(v >> 24);
}

std::uint32_t get_u32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

// A zero-terminated text field: cut to leave room for the zero.
void put_text(std::uint8_t* at, std::size_t field, const std::string& text) {
    std::size_t n = text.size() < field - 1 ? text.size() : field - 1;
    std::memcpy(at, text.data(), n);
}

std::string get_text(const std::uint8_t* at, std::size_t field) {
    std::size_t n = 0;
    while (n < field && at[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(at), n);
}

}  // namespace

std::string writer_name(std::span<const std::uint8_t> slot) {
    return get_text(slot.data(), slot.size() < kWriterNameSize ? slot.size() : kWriterNameSize);
}

GlobalSlot encode_global_request(const GlobalRequestEntry& entry) {
    GlobalSlot slot{};
    put_text(slot.data(), kWriterNameSize, entry.writer);
    put_u32(slot.data() + 16, static_cast<std::uint32_t>(entry.twpid));
    return slot;
}

std::optional<GlobalRequestEntry> decode_global_request(std::span<const std::uint8_t> slot) {
    if (slot.size() != kGlobalSlotSize) return std::nullopt;
    return GlobalRequestEntry{writer_name(slot), static_cast<std::int32_t>(get_u32(slot.data() + 16))};
}

std::optional<EntrySlot> encode_request(const RequestEntry& entry) {
    if (entry.data.size() > kMaxEntryData) return std::nullopt;
    EntrySlot slot{};
    put_text(slot.data(), kWriterNameSize, entry.writer);
    put_u32(slot.data() + kOffsetKind, entry.pid);
    put_u32(slot.data() + kOffsetPid, static_cast<std::uint32_t>(entry.twpid));
    put_u32(slot.data() + kOffsetWord24, static_cast<std::uint32_t>(entry.cmd));
    put_text(slot.data() + kOffsetComputer, kComputerNameSize, entry.computer);
    put_u32(slot.data() + kOffsetLength, static_cast<std::uint32_t>(entry.data.size()));
    if (!entry.data.empty()) std::memcpy(slot.data() + kOffsetData, entry.data.data(), entry.data.size());
    return slot;
}

std::optional<RequestEntry> decode_request(std::span<const std::uint8_t> slot) {
    if (slot.size() != kEntrySlotSize) return std::nullopt;
    std::uint32_t length = get_u32(slot.data() + kOffsetLength);
    if (length > kMaxEntryData) return std::nullopt;
    RequestEntry e;
    e.writer = writer_name(slot);
    e.pid = get_u32(slot.data() + kOffsetKind);
    e.twpid = static_cast<std::int32_t>(get_u32(slot.data() + kOffsetPid));
    e.cmd = static_cast<std::int32_t>(get_u32(slot.data() + kOffsetWord24));
    e.computer = get_text(slot.data() + kOffsetComputer, kComputerNameSize);
    e.data.assign(slot.data() + kOffsetData, slot.data() + kOffsetData + length);
    return e;
}

std::optional<EntrySlot> encode_reply_queue_entry(const ReplyQueueEntry& entry) {
    if (entry.data.size() > kMaxEntryData) return std::nullopt;
    EntrySlot slot{};
    put_text(slot.data(), kWriterNameSize, entry.writer);
    put_u32(slot.data() + kOffsetKind, entry.kind);
    put_u32(slot.data() + kOffsetPid, entry.pid);
    put_u32(slot.data() + kOffsetWord24, entry.send_flag);
    put_text(slot.data() + kOffsetComputer, kComputerNameSize, entry.computer);
    put_u32(slot.data() + kOffsetLength, static_cast<std::uint32_t>(entry.data.size()));
    if (!entry.data.empty()) std::memcpy(slot.data() + kOffsetData, entry.data.data(), entry.data.size());
    return slot;
}

std::optional<ReplyQueueEntry> decode_reply_queue_entry(std::span<const std::uint8_t> slot) {
    if (slot.size() != kEntrySlotSize) return std::nullopt;
    ReplyQueueEntry e;
    e.writer = writer_name(slot);
    e.kind = get_u32(slot.data() + kOffsetKind);
    e.pid = get_u32(slot.data() + kOffsetPid);
    e.send_flag = get_u32(slot.data() + kOffsetWord24);
    // The acknowledgement's later fields carry no meaning: only a reply has them.
    if (e.kind == kReply) {
        std::uint32_t length = get_u32(slot.data() + kOffsetLength);
        if (length > kMaxEntryData) return std::nullopt;
        e.computer = get_text(slot.data() + kOffsetComputer, kComputerNameSize);
        e.data.assign(slot.data() + kOffsetData, slot.data() + kOffsetData + length);
    }
    return e;
}

}  // namespace common
