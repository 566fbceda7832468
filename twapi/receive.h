// Fetching replies: the channel wait, the reading of a channel's pending
// reply (by waiting, or by registering the channel's window), the device-ID
// wait, and the fetch with kept reply that carries the size protocol.
#pragma once

#include <functional>

#include "twapi/chnl_list.h"
#include "twapi/printer_list.h"

namespace twapi {

inline constexpr int kNoTimeout = -1;
inline constexpr std::uint32_t kChannelWaitSlice = 500;
inline constexpr std::uint32_t kDeviceIdWaitSlice = 5000;

// TWReceive's and the status fetch's core: the reply to the channel's pending
// request, through the kept reply on the printer. When no kept reply answers,
// `make_request` (if given) is called first and may make the request; its
// negative result (an API code) ends the fetch. API codes.
int fetch_channel_reply(ChannelRecord& channel, KeptKind kind, void* buffer, int* size, int timeout,
                        const std::function<int()>& make_request);

// The device ID, through the kept reply on the printer. When no kept reply
// answers, `make_request` sends the request and returns its id (positive)
// or the provider's negative result. Provider codes: -5 when the buffer is
// too small.
int fetch_device_id(PrinterRecord& printer, const std::function<int()>& make_request, void* buffer, int* size);

// A reply of the older library (slot 255) through the kept reply on the
// printer: `ask` calls the older library's own function, which answers -4
// with the size needed when the buffer is missing or too small. Its results
// are returned unchanged.
int fetch_older_reply(PrinterRecord& printer, KeptKind kind, void* buffer, int* size,
                      const std::function<int(void*, int*)>& ask);

}  // namespace twapi
