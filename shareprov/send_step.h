// `SendHeraldRequestPacket`, the send step shared by the four request
// functions, and the pieces of it the provider thread reuses: writing a
// request's entry, writing the next queued request of a connection, and
// waking whoever waits for a finished request.
#pragma once

#include <cstdint>
#include <span>

#include "shareprov/provider_state.h"

namespace shareprov {

RequestList& list_for(ProviderState& s, std::int32_t cmd);

// Creates the request and writes it, or queues it (state 0) behind the
// connection's request that is not yet acknowledged. 0 when the request is
// in its list (written, queued, or already failed with its waiter woken);
// -4 when the connection names no target. `created` receives the request.
int SendHeraldRequestPacket(ProviderState& s, std::int32_t cmd, std::int32_t request_id, const void* connection,
                            std::int32_t channel, std::span<const std::uint8_t> data, Request** created = nullptr);

// Serialises the request and writes its entry; notes PID and tick. False when
// the record does not fit an entry or the write failed. Caller holds the lock.
bool write_request(ProviderState& s, Request& request);

// Wakes the waiter of a finished request: its own TWPGetConnectInfo call, or
// TWPReceive for the request list.
void wake(ProviderState& s, Request& request);

// Writes the first request queued (state 0) after `request` on its
// connection. A request whose record cannot be written at all fails at once
// and the one after it is tried; a failed write leaves it in state 1 for the
// time-out scan. Caller holds the list's lock.
void write_next_queued(ProviderState& s, RequestList& list, const Request& request);

}  // namespace shareprov
