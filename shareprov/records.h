// The request record that the share provider puts in the data of a request
// entry, and the reply record that comes back in the data of a reply entry.
// Both have one layout, little-endian and unpadded:
//
//   4  requestId
//   1  n, the printer name's length
//   n  printer (share) name, no terminator
//   4  CMD
//   4  channel (request) or result (reply, a provider result code)
//   2  L, the data length
//   L  data
//
// 15 + n + L bytes, which must fit the 2048 data bytes of an entry. The reply
// carries the answered request's requestId and CMD and an empty name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace shareprov {

inline constexpr std::size_t kRecordFixedSize = 15;

struct Record {
    std::int32_t request_id = 0;
    std::string printer;          // at most 255 bytes
    std::int32_t cmd = 0;
    std::int32_t channel_or_result = 0;
    std::vector<std::uint8_t> data;  // at most 65535 bytes, and the whole must fit an entry
};

// Empty when the record would not fit an entry (name above 255 bytes, data
// above 65535 bytes, or 15 + n + L above 2048).
std::optional<std::vector<std::uint8_t>> encode_record(const Record& record);

// Empty when the bytes are too few for the fixed fields or for the lengths the
// record states; nothing past `bytes` is read.
std::optional<Record> decode_record(std::span<const std::uint8_t> bytes);

}  // namespace shareprov
