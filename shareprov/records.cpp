#include "shareprov/records.h"

#include "common/queue_entries.h"

namespace shareprov {
namespace {

void put_u32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint32_t get_u32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> encode_record(const Record& record) {
    if (record.printer.size() > 255 || record.data.size() > 0xFFFF) return std::nullopt;
    if (kRecordFixedSize + record.printer.size() + record.data.size() > common::kMaxEntryData) return std::nullopt;
    std::vector<std::uint8_t> out;
    out.reserve(kRecordFixedSize + record.printer.size() + record.data.size());
    put_u32(out, static_cast<std::uint32_t>(record.request_id));
    out.push_back(static_cast<std::uint8_t>(record.printer.size()));
    out.insert(out.end(), record.printer.begin(), record.printer.end());
    put_u32(out, static_cast<std::uint32_t>(record.cmd));
    put_u32(out, static_cast<std::uint32_t>(record.channel_or_result));
    out.push_back(static_cast<std::uint8_t>(record.data.size()));
    out.push_back(static_cast<std::uint8_t>(record.data.size() >> 8));
    out.insert(out.end(), record.data.begin(), record.data.end());
    return out;
}

std::optional<Record> decode_record(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kRecordFixedSize) return std::nullopt;
    const std::uint8_t* p = bytes.data();
    std::size_t n = p[4];
    if (kRecordFixedSize + n > bytes.size()) return std::nullopt;
    const std::uint8_t* after_name = p + 5 + n;
    std::size_t length = static_cast<std::size_t>(after_name[8]) | static_cast<std::size_t>(after_name[9]) << 8;
    if (kRecordFixedSize + n + length > bytes.size()) return std::nullopt;
    Record record;
    record.request_id = static_cast<std::int32_t>(get_u32(p));
    record.printer.assign(reinterpret_cast<const char*>(p + 5), n);
    record.cmd = static_cast<std::int32_t>(get_u32(after_name));
    record.channel_or_result = static_cast<std::int32_t>(get_u32(after_name + 4));
    record.data.assign(after_name + 10, after_name + 10 + length);
    return record;
}

}  // namespace shareprov
