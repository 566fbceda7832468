// The provider record and the provider entry points: the one definition that
// TWAPI2 and every provider library (share provider, local-port provider, test
// providers) compile against.
//
// A provider library exports TWPGetProviderInfo (and, for the local-port
// provider, optionally TWPGetLocal), both with C linkage. TWPGetProviderInfo
// hands back the address of the provider's record; TWAPI2 copies the record
// once and from then on calls the six entry points through its copy.
//
// The record is documented as 36 bytes: nine 32-bit words on a 32-bit
// machine. Here the entry points are native pointers, so the record is
// 12 + 6 * sizeof(void*) bytes; the field order is the documented one and
// whoever copies the record copies sizeof(ProviderRecord).
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

// Slot 0. Finds the printer named by `address`; writes its connection into
// `connection` (at most kConnectionSize bytes: the local-port provider writes
// a zero-terminated string, the share provider a 32-bit value) and its
// channel table into `channels` (at most 16 entries of 8 bytes). Returns the
// channel count, -4 or -1 when the address is not one of this provider's
// printers (TWAPI2 tries its next route), -15 when the address is refused.
// May block until the printer answers. Called from any caller thread.
typedef int (*TWPGetConnectInfoFn)(const char* address, void* connection, void* channels);

// Slot 1. Asks for the printer's device ID. Returns 0 or more when accepted;
// the reply comes later through TWPReceive under `request_id`. Must not block
// on the printer. Called from any caller thread.
typedef int (*TWPDeviceIDRequestFn)(int request_id, const void* connection);

// Slot 2. Sends `length` bytes on `channel`. A non-negative result (the share
// provider returns the length) goes to the application as it is; the printer's
// answer comes later through TWPReceive under `request_id`.
typedef int (*TWPSendFn)(int request_id, const void* connection, int channel, const void* data, int length);

// Slot 3. Asks for the printer's status on `channel`; as slot 1.
typedef int (*TWPStatusRequestFn)(int request_id, const void* connection, int channel);

// Slot 4. Called in a loop by TWAPI2's receive thread for this provider, and
// only there. Blocks until a reply is available, then writes its request id,
// copies its bytes into `buffer`, writes their number into *size and returns
// the reply's result (its length, or the request's negative result). -7 means
// "nothing received" and the thread simply calls again; -6 that the provider
// is stopping.
// A reply longer than *size (TWAPI2 starts with 2048 bytes): write the
// request id, set *size to the needed length and return -5 without giving the
// reply away. TWAPI2 then calls again at once with a buffer of that size, and
// the provider hands out the same reply whole (writing the id again is
// allowed, not required).
typedef int (*TWPReceiveFn)(int* request_id, void* buffer, int* size);

// Slot 5. Called once, from the thread that runs the last TWRelease, while
// TWPReceive may be blocked on the receive thread: it must make that call
// return (TWAPI2 waits for the receive thread without a limit) and end the
// provider's receiving. Returns 0.
typedef int (*TWPReceiveCancelFn)();

struct ProviderRecord {
    std::uint32_t number1;  // copied, read by nobody
    std::uint32_t number2;  // copied, read by nobody
    std::uint32_t number3;  // count of the entry points that follow (6)
    TWPGetConnectInfoFn TWPGetConnectInfo;
    TWPDeviceIDRequestFn TWPDeviceIDRequest;
    TWPSendFn TWPSend;
    TWPStatusRequestFn TWPStatusRequest;
    TWPReceiveFn TWPReceive;
    TWPReceiveCancelFn TWPReceiveCancel;
};

// The library export: stores the address of the provider's record through
// `record` and returns 0; any other result means "not available here", and
// TWAPI2 unloads the library again.
typedef int (*TWPGetProviderInfoFn)(ProviderRecord** record);

// Optional export of the local-port provider: 0 when `address`
// ("UFName:" + printer name) is one of its own printers.
typedef int (*TWPGetLocalFn)(const char* address);

}  // extern "C"

namespace twapi {

// Buffers TWAPI2 hands to TWPGetConnectInfo.
inline constexpr std::size_t kConnectionSize = 260;
inline constexpr std::size_t kChannelTableSize = 128;
inline constexpr int kMaxChannels = 16;
// What TWAPI2 offers TWPReceive first.
inline constexpr int kReceiveBufferSize = 2048;

// Provider result codes that TWAPI2 itself looks at.
inline constexpr int kProviderFailed = -1;
inline constexpr int kProviderInvalidAddress = -4;
inline constexpr int kProviderBufferTooSmall = -5;
inline constexpr int kProviderStopping = -6;
inline constexpr int kProviderNothingReceived = -7;  // from TWPReceive
inline constexpr int kProviderRefused = -15;         // from TWPGetConnectInfo

}  // namespace twapi
