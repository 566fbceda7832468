// The six functions of the share provider's record, in slot order. Their
// contracts are those of twapi/provider.h; the notes here say only what this
// provider adds.
#pragma once

#include "twapi/provider.h"

namespace shareprov {

// Slot 0. Serves \\computer\printer names (computer below 16 bytes, printer
// without a further backslash) that are not registered as network printers.
// Blocks until the agent answered, the request failed or timed out, or the
// provider detaches (-6). Concurrent calls each wait for their own request.
// A channel table of more than 16 entries does not fit TWAPI2's buffer and
// is refused with -1.
int TWPGetConnectInfo(const char* port_name, void* connection, void* channels);
int TWPDeviceIDRequest(int request_id, const void* connection);
int TWPSend(int request_id, const void* connection, int channel, const void* data, int length);
int TWPStatusRequest(int request_id, const void* connection, int channel);
// Slot 4. Null arguments give -1. A reply refused with -5 is held and handed
// out whole by a later call whose buffer is large enough.
int TWPReceive(int* request_id, void* buffer, int* size);
// Slot 5. Detaches from the agent: tells it (CMD 37), stops the provider
// thread, lets blocked calls return -6, frees every request and target and
// closes the queues. A later TWPGetProviderInfo may attach again.
int TWPReceiveCancel();

// Steps of TWPGetProviderInfo after its argument check (export.cpp).
int attach(ProviderRecord** record);

}  // namespace shareprov
