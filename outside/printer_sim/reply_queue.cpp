#include "outside/printer_sim/reply_queue.h"

namespace twsim {

using platform::Error;

platform::Result<PrinterReply> ReplyQueue::receive(std::optional<std::chrono::milliseconds> limit) {
    std::unique_lock lock(mutex_);
    auto ready = [&] { return cancelled_ || !replies_.empty() || closed_; };
    if (limit) {
        if (!changed_.wait_for(lock, *limit, ready))
            return Error{platform::ERROR_TIMEOUT, "no reply from the printer within the time limit"};
    } else {
        changed_.wait(lock, ready);
    }
    if (cancelled_) return Error{kReceiveCancelled, "receiving was cancelled"};
    if (replies_.empty()) return Error{platform::ERROR_BROKEN_PIPE, "the simulated printer closed the connection"};
    PrinterReply r = std::move(replies_.front());
    replies_.pop_front();
    return r;
}

void ReplyQueue::cancel() {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    changed_.notify_all();
}

void ReplyQueue::push(PrinterReply reply) {
    std::lock_guard lock(mutex_);
    if (replies_.size() >= max_kept_) {
        replies_.pop_front();
        ++dropped_;
    }
    replies_.push_back(std::move(reply));
    changed_.notify_all();
}

void ReplyQueue::close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    changed_.notify_all();
}

std::uint64_t ReplyQueue::dropped() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

}  // namespace twsim
