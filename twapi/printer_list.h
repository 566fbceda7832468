// CPrinterList: one record per printer or port name that was resolved, with
// its route, the provider's connection information, its channels and the
// reply kept for it between the two calls of the size protocol. Records stay
// until the list is destroyed at the last TWRelease.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace twapi {

inline constexpr int kSlotLocal = 0;
inline constexpr int kSlotShare = 1;
inline constexpr int kSlotOlderLibrary = 255;

// One entry of a channel table, as providers write it and callers read it.
struct ChannelInfo {
    std::int32_t channel;
    std::uint8_t attributes[4];  // provider-defined; the first 16-bit word is the mode word
};
static_assert(sizeof(ChannelInfo) == 8);

enum class KeptKind : int { None = 0, DeviceId = 1, Status = 2, Received = 4 };

struct PrinterRecord {
    std::string name;
    std::vector<std::uint8_t> connection;
    int channel_count = 0;
    int slot = 0;
    ChannelInfo channels[16] = {};

    // The kept reply. Several channels of one printer may be used by several
    // threads at once, so the kept reply has a lock of its own.
    std::mutex kept_lock;
    KeptKind kept_kind = KeptKind::None;
    int kept_length = 0;
    std::vector<std::uint8_t> kept_bytes;
    int kept_result = 0;

    const void* connection_data() const { return connection.data(); }
};

class CPrinterList {
public:
    CPrinterList() = default;
    virtual ~CPrinterList() = default;
    CPrinterList(const CPrinterList&) = delete;
    CPrinterList& operator=(const CPrinterList&) = delete;

    // By name, letter case ignored; null when unknown.
    PrinterRecord* find(std::string_view name);
    // Adds the record; when another thread added the same name meanwhile, the
    // new record is dropped and the first one is returned.
    PrinterRecord* insert(std::unique_ptr<PrinterRecord> record);

private:
    PrinterRecord* find_locked(std::string_view name);

    std::mutex lock_;
    std::list<std::unique_ptr<PrinterRecord>> records_;
};

}  // namespace twapi
