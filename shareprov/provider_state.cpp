#include "shareprov/provider_state.h"

#include "platform/event.h"
#include "platform/wait.h"

namespace shareprov {

ProviderState::ProviderState()
    : settings(read_settings()),
      trace(common::DebugTrace::from_registry(common::kShareProviderTrace)),
      stop_event(platform::create_event("", platform::EventReset::Manual, false)),
      request_reply_event(platform::create_event("", platform::EventReset::Auto, false)) {}

ProviderState::~ProviderState() {
    // Unloaded while still attached (the host never detached): stop the
    // thread before the lists and queues it uses go away.
    if (thread.get() != platform::kNullHandle) {
        platform::set_event(stop_event.get());
        platform::wait_for_single_object(thread.get(), platform::kInfinite);
    }
    if (agent) agent->close();
}

ProviderState& state() {
    static ProviderState the_state;
    return the_state;
}

}  // namespace shareprov
