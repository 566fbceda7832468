#include "twapi/request_counter.h"

#include <limits>

namespace twapi {

int RequestCounter::next() {
    std::lock_guard guard(lock_);
    int id = value_;
    value_ = value_ == std::numeric_limits<int>::max() ? 1 : value_ + 1;
    return id;
}

}  // namespace twapi
