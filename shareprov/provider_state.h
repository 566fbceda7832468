// The share provider's one global state object, built when the library is
// loaded and torn down when it is unloaded. Its head is the provider record
// that TWPGetProviderInfo hands out.
//
// Locks: each request list has its own re-entrant lock; the provider thread
// takes both together; the send step takes the lock of its list, TWPReceive
// the request list's, TWPGetConnectInfo the connect list's. The target table
// has its own lock, taken inside these.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/debug_trace.h"
#include "platform/handle_table.h"
#include "shareprov/agent_if.h"
#include "shareprov/request_list.h"
#include "shareprov/settings.h"
#include "shareprov/targets.h"
#include "twapi/provider.h"

namespace shareprov {

struct ProviderState {
    ProviderState();
    ~ProviderState();

    ProviderRecord record{};
    Settings settings;
    std::unique_ptr<common::DebugTrace> trace;

    RequestList connect_list;
    RequestList request_list;
    TargetTable targets;

    std::unique_ptr<AgentIF> agent;
    platform::UniqueHandle thread;
    platform::UniqueHandle stop_event;           // manual reset
    platform::UniqueHandle request_reply_event;  // auto reset: wakes TWPReceive

    // Calls inside the provider that detach must wait for. Connect-info calls
    // may run on several threads at once, so theirs is a count.
    std::atomic<bool> receive_busy{false};
    std::atomic<int> connect_busy{0};

    std::atomic<std::uint32_t> start_tick{0};

    // A reply that did not fit the receiver's buffer; only TWPReceive uses it.
    bool reply_held = false;
    std::vector<std::uint8_t> held_reply;

    bool messages_on() const { return trace && trace->wants(common::kTraceMessages); }
    void message(const char* text) const {
        if (messages_on()) trace->message(text);
    }
    void message(const char* text, const char* name, std::int32_t value) const {
        if (messages_on()) trace->message(text, name, static_cast<std::uint32_t>(value));
    }
};

ProviderState& state();

}  // namespace shareprov
