// The provider thread: takes the agent's acknowledgements and replies from the
// reply queue, moves the requests on, and fails the ones the agent never
// answered. Started suspended by TWPGetProviderInfo, ended by the stop event.
#pragma once

#include <cstdint>
#include <vector>

#include "common/queue_entries.h"
#include "shareprov/provider_state.h"

namespace shareprov {

std::uint32_t provider_thread_main();

// The steps of one pass, each taking both list locks.
void process_acknowledgements(ProviderState& s, std::vector<common::ReplyQueueEntry>& acks);
void process_replies(ProviderState& s, std::vector<common::ReplyQueueEntry>& replies);
void timeout_scan(ProviderState& s);

}  // namespace shareprov
