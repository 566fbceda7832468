// What TWAPI2 holds while it is initialised: the initialisation count, the
// printer and channel lists, the two provider slots with their receivers, the
// request counter and the local-port query.
//
// The initialisation count has no lock of its own: TWInitialize and
// TWRelease never run beside another call (the callers' rule); every other
// call only reads these objects.
#pragma once

#include <atomic>
#include <memory>

#include "platform/handle_table.h"
#include "twapi/chnl_list.h"
#include "twapi/printer_list.h"
#include "twapi/provider.h"
#include "twapi/rcv.h"
#include "twapi/request_counter.h"

namespace twapi {

struct ProviderSlot {
    platform::Handle library = platform::kNullHandle;
    platform::Handle event = platform::kNullHandle;  // auto-reset, set by the receiver per reply
    ProviderRecord record{};                         // copied whole; see provider.h

    bool bound() const { return library != platform::kNullHandle; }
};

struct Globals {
    std::atomic<int> init_count{0};
    std::unique_ptr<CPrinterList> printers;
    std::unique_ptr<CChnlList> channels;
    std::unique_ptr<CRcv> receivers[2];
    ProviderSlot slots[2];
    std::unique_ptr<RequestCounter> requests;
    std::atomic<TWPGetLocalFn> get_local{nullptr};

    bool initialised() const { return init_count.load(std::memory_order_acquire) > 0; }
};

Globals& globals();

}  // namespace twapi
