// The provider contract as the local-port provider meets it: the provider
// record and the types of its entry points.
//
// TWAPI2 keeps the one shared definition of this contract; until that header
// is part of the tree, this is the same definition (same names, same field
// order), so that switching is a change of one include.
//
// The record is documented as 36 bytes: nine 32-bit words on a 32-bit
// machine. Here the entry points are native pointers, so the record is
// 12 + 6 * sizeof(void*) bytes in the documented field order.
#pragma once

#include <cstdint>

extern "C" {

// Slot 0: find the printer named by `address`, write its connection (at most
// 260 bytes) and channel table (at most 16 entries of 8 bytes); returns the
// channel count, -4 or -1 when the printer is not this provider's.
typedef int (*TWPGetConnectInfoFn)(const char* address, void* connection, void* channels);
// Slot 1: ask for the device ID; the reply comes through TWPReceive.
typedef int (*TWPDeviceIDRequestFn)(int request_id, const void* connection);
// Slot 2: send bytes on a channel; the answer comes through TWPReceive.
typedef int (*TWPSendFn)(int request_id, const void* connection, int channel, const void* data, int length);
// Slot 3: ask for the status of a channel; the reply comes through TWPReceive.
typedef int (*TWPStatusRequestFn)(int request_id, const void* connection, int channel);
// Slot 4: block until a reply is available and hand it over.
typedef int (*TWPReceiveFn)(int* request_id, void* buffer, int* size);
// Slot 5: make a blocked TWPReceive return and end receiving.
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

typedef int (*TWPGetProviderInfoFn)(ProviderRecord** record);
typedef int (*TWPGetLocalFn)(const char* address);

}  // extern "C"
