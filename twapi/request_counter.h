// Request ids: every device-ID request, send and status request gets the
// counter's current value, and the counter moves on by one, under its own lock.
#pragma once

#include <cstdint>
#include <mutex>

namespace twapi {

class RequestCounter {
public:
    // Starts at 1 and stays positive: id 0 means "no request" on a channel,
    // so after the largest int the counter goes on at 1.
    int next();

private:
    std::mutex lock_;
    int value_ = 1;
};

}  // namespace twapi
