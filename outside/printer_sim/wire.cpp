#include "outside/printer_sim/wire.h"

#include <algorithm>

namespace twsim {

namespace {

void put_u16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put_u32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
std::uint16_t get_u16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t get_u32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

bool known_kind(std::uint16_t k) {
    return (k >= 1 && k <= 9) || k == 64 || k == 65;
}

}  // namespace

std::string_view describe(WireResult r) {
    switch (r) {
        case WireResult::Ok: return "success";
        case WireResult::Failed: return "the printer could not do it";
        case WireResult::BadRequest: return "malformed request";
        case WireResult::UnknownChannel: return "the printer has no such channel";
        case WireResult::WrongMode: return "the channel does not offer this";
        case WireResult::BadControl: return "control assignment refused";
        case WireResult::NotOpen: return "the channel is not open";
    }
    return "unknown result";
}

Bytes encode_frame(FrameHeader header, std::span<const std::uint8_t> payload) {
    if (payload.size() > kMaxPayload) payload = payload.first(kMaxPayload);
    Bytes out;
    out.reserve(kHeaderSize + payload.size());
    put_u32(out, static_cast<std::uint32_t>(payload.size()));
    put_u16(out, static_cast<std::uint16_t>(header.kind));
    put_u16(out, header.flags);
    put_u32(out, header.tag);
    put_u32(out, header.request_id);
    put_u32(out, header.channel);
    put_u32(out, static_cast<std::uint32_t>(header.result));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

std::optional<FrameHeader> decode_header(std::span<const std::uint8_t> bytes, DecodeError* error) {
    if (error) *error = DecodeError::None;
    if (bytes.size() < kHeaderSize) return std::nullopt;
    FrameHeader h;
    h.payload_length = get_u32(bytes, 0);
    std::uint16_t kind = get_u16(bytes, 4);
    h.flags = get_u16(bytes, 6);
    h.tag = get_u32(bytes, 8);
    h.request_id = get_u32(bytes, 12);
    h.channel = get_u32(bytes, 16);
    h.result = static_cast<std::int32_t>(get_u32(bytes, 20));
    DecodeError e = DecodeError::None;
    if (h.payload_length > kMaxPayload) e = DecodeError::Oversized;
    else if (h.flags != 0) e = DecodeError::BadFlags;
    else if (!known_kind(kind)) e = DecodeError::BadKind;
    if (e != DecodeError::None) {
        if (error) *error = e;
        return std::nullopt;
    }
    h.kind = static_cast<FrameKind>(kind);
    return h;
}

void FrameReader::feed(std::span<const std::uint8_t> bytes) {
    if (error_ != DecodeError::None) return;
    // Drop what was handed out already before growing, so a long-lived
    // connection does not keep every byte it ever read.
    if (consumed_ > 0 && consumed_ >= buffer_.size() / 2) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(consumed_));
        consumed_ = 0;
    }
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
}

std::optional<Frame> FrameReader::next() {
    if (error_ != DecodeError::None) return std::nullopt;
    std::span<const std::uint8_t> rest(buffer_.data() + consumed_, buffer_.size() - consumed_);
    if (rest.size() < kHeaderSize) return std::nullopt;
    DecodeError e;
    auto header = decode_header(rest.first(kHeaderSize), &e);
    if (!header) {
        error_ = e;
        return std::nullopt;
    }
    if (rest.size() - kHeaderSize < header->payload_length) return std::nullopt;
    Frame f;
    f.header = *header;
    auto payload = rest.subspan(kHeaderSize, header->payload_length);
    f.payload.assign(payload.begin(), payload.end());
    consumed_ += kHeaderSize + header->payload_length;
    return f;
}

Bytes encode_channel_table(std::span<const ChannelEntry> entries) {
    Bytes out;
    for (const auto& e : entries.first(std::min(entries.size(), kMaxChannels))) {
        put_u32(out, e.number);
        put_u16(out, e.mode);
        put_u16(out, e.extra);
    }
    return out;
}

std::optional<std::vector<ChannelEntry>> decode_channel_table(std::span<const std::uint8_t> bytes) {
    if (bytes.size() % kChannelEntrySize != 0 || bytes.size() / kChannelEntrySize > kMaxChannels)
        return std::nullopt;
    std::vector<ChannelEntry> out;
    for (std::size_t at = 0; at < bytes.size(); at += kChannelEntrySize)
        out.push_back({get_u32(bytes, at), get_u16(bytes, at + 4), get_u16(bytes, at + 6)});
    return out;
}

}  // namespace twsim
