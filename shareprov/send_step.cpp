#include "shareprov/send_step.h"

#include <cstring>

#include "common/queue_entries.h"
#include "platform/event.h"
#include "platform/tick.h"
#include "shareprov/records.h"

namespace shareprov {

RequestList& list_for(ProviderState& s, std::int32_t cmd) {
    return cmd == common::kCmdConnectInfo ? s.connect_list : s.request_list;
}

void wake(ProviderState& s, Request& request) {
    if (request.done.get() != platform::kNullHandle) {
        platform::set_event(request.done.get());
    } else {
        platform::set_event(s.request_reply_event.get());
    }
}

bool write_request(ProviderState& s, Request& request) {
    request.tick = platform::get_tick_count();
    auto target = s.targets.find(request.connection);
    if (!target || !s.agent) return false;
    auto record = encode_record({request.request_id, target->printer, request.cmd, request.channel, request.data});
    if (!record) return false;
    return s.agent->WriteToDLLRequestQueue(request.cmd, *record, target->computer, &request.pid);
}

void write_next_queued(ProviderState& s, RequestList& list, const Request& request) {
    const Request* after = &request;
    while (Request* next = list.next_queued(*after)) {
        bool written = write_request(s, *next);
        if (written || next->pid != 0) {
            next->state = RequestState::Written;
            return;
        }
        // Not even an entry could be made of it (the record is too long):
        // it fails now and the connection goes on with the next one.
        next->state = RequestState::Failed;
        next->result = -1;
        wake(s, *next);
        after = next;
    }
}

int SendHeraldRequestPacket(ProviderState& s, std::int32_t cmd, std::int32_t request_id, const void* connection,
                            std::int32_t channel, std::span<const std::uint8_t> data, Request** created) {
    if (connection == nullptr) return -4;
    std::int32_t id = 0;
    std::memcpy(&id, connection, sizeof id);
    if (!s.targets.find(id)) return -4;

    auto request = std::make_unique<Request>();
    request->request_id = request_id;
    request->cmd = cmd;
    request->channel = channel;
    request->connection = id;
    request->data.assign(data.begin(), data.end());
    if (cmd == common::kCmdConnectInfo) {
        request->done = platform::UniqueHandle(platform::create_event("", platform::EventReset::Manual, false));
    }
    if (created) *created = request.get();

    RequestList& list = list_for(s, cmd);
    std::lock_guard guard(list.lock);
    Request* last = list.last_of(id);
    if (last && (last->state == RequestState::Queued || last->state == RequestState::Written)) {
        request->state = RequestState::Queued;
        list.items.push_back(std::move(request));
        return 0;
    }
    if (write_request(s, *request)) {
        request->state = RequestState::Written;
    } else {
        request->state = RequestState::Failed;
        request->result = -1;
        wake(s, *request);
    }
    request->tick = platform::get_tick_count();
    list.items.push_back(std::move(request));
    return 0;
}

}  // namespace shareprov
