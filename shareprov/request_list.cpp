#include "shareprov/request_list.h"

#include <algorithm>

namespace shareprov {

Request* RequestList::last_of(std::int32_t connection) {
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        if ((*it)->connection == connection) return it->get();
    }
    return nullptr;
}

Request* RequestList::find_pid(std::uint32_t pid) {
    for (auto& request : items) {
        if (request->pid == pid) return request.get();
    }
    return nullptr;
}

std::vector<Request*> RequestList::fail_earlier_waiting(const Request& request) {
    std::vector<Request*> failed;
    for (auto& earlier : items) {
        if (earlier.get() == &request) break;
        if (earlier->connection == request.connection && earlier->state == RequestState::Acknowledged) {
            earlier->state = RequestState::Failed;
            failed.push_back(earlier.get());
        }
    }
    return failed;
}

Request* RequestList::next_queued(const Request& request) {
    auto it = std::find_if(items.begin(), items.end(), [&](const RequestPtr& r) { return r.get() == &request; });
    if (it == items.end()) return nullptr;
    for (++it; it != items.end(); ++it) {
        if ((*it)->connection == request.connection && (*it)->state == RequestState::Queued) return it->get();
    }
    return nullptr;
}

RequestList::Iterator RequestList::find_finished() {
    auto found = std::find_if(items.begin(), items.end(), [](const RequestPtr& r) {
        return r->state == RequestState::Replied || r->state == RequestState::Failed;
    });
    // Only a reply tells that the connection's earlier answers will not come.
    // A request that failed on this side (never written, never delivered,
    // timed out) says nothing about them, and dropping them would lose them.
    if (found == items.end() || (*found)->state != RequestState::Replied) return found;
    std::int32_t connection = (*found)->connection;
    for (auto it = items.begin(); it != found;) {
        if ((*it)->connection == connection && (*it)->state == RequestState::Acknowledged) {
            it = items.erase(it);
        } else {
            ++it;
        }
    }
    return found;
}

void RequestList::remove(const Request* request) {
    items.remove_if([request](const RequestPtr& r) { return r.get() == request; });
}

std::uint32_t elapsed_ms(std::uint32_t earlier, std::uint32_t now) {
    if (now < earlier) return now - earlier - 1;
    return now - earlier;
}

}  // namespace shareprov
