#include "platform/wait.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/event.h"
#include "platform/thread.h"
#include "tests/support/test_root.h"

using namespace platform;

namespace {

class WaitTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 0; i < 64; ++i) events_.emplace_back(create_event("", EventReset::Auto, false));
        for (auto& e : events_) handles_.push_back(e.get());
    }
    twtest::TempMachineRoot root_;
    std::vector<UniqueHandle> events_;
    std::vector<Handle> handles_;
};

TEST_F(WaitTest, WaitOnSixtyFourWakesForTheOneSetFromAnotherThread) {
    for (int target : {0, 37, 63}) {
        std::thread setter([&] {
            sleep_ms(20);
            set_event(handles_[target]);
        });
        EXPECT_EQ(wait_for_multiple_objects(handles_, kInfinite), WAIT_OBJECT_0 + target);
        setter.join();
    }
}

TEST_F(WaitTest, LowestReadyIndexWinsAndOnlyItIsTaken) {
    set_event(handles_[50]);
    set_event(handles_[9]);
    EXPECT_EQ(wait_for_multiple_objects(handles_, 0), WAIT_OBJECT_0 + 9);
    EXPECT_EQ(wait_for_multiple_objects(handles_, 0), WAIT_OBJECT_0 + 50);
    EXPECT_EQ(wait_for_multiple_objects(handles_, 0), WAIT_TIMEOUT);
}

TEST_F(WaitTest, BadArgumentsFail) {
    std::vector<Handle> too_many = handles_;
    too_many.push_back(handles_[0]);
    EXPECT_EQ(wait_for_multiple_objects(too_many, 0), WAIT_FAILED);
    EXPECT_EQ(wait_for_multiple_objects({}, 0), WAIT_FAILED);
    EXPECT_EQ(last_error(), ERROR_INVALID_PARAMETER);
    Handle with_bad[] = {handles_[0], 0x7777770};
    EXPECT_EQ(wait_for_multiple_objects(with_bad, 0), WAIT_FAILED);
    EXPECT_EQ(last_error(), ERROR_INVALID_HANDLE);
}

double thread_cpu_ms() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

TEST_F(WaitTest, TimedOutWaitLastsItsTimeAndSleepsMeanwhile) {
    auto start = std::chrono::steady_clock::now();
    double cpu_before = thread_cpu_ms();
    EXPECT_EQ(wait_for_multiple_objects(handles_, 400), WAIT_TIMEOUT);
    double cpu_used = thread_cpu_ms() - cpu_before;
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(400));
    // A spinning or polling wait would burn most of the 400 ms on this thread.
    EXPECT_LT(cpu_used, 100.0);
}

}  // namespace
