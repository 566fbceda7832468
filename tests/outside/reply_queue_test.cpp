// The queue where printer replies wait for their receiver.
#include "outside/printer_sim/reply_queue.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(ReplyQueueTest, KeepsAtMostItsLimitDroppingTheOldest) {
    twsim::ReplyQueue q(3);
    for (std::uint32_t id = 1; id <= 5; ++id) q.push({id, 4, {}, 0});
    EXPECT_EQ(q.dropped(), 2u);
    for (std::uint32_t id = 3; id <= 5; ++id) {
        auto r = q.receive(0ms);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->request_id, id);
    }
    auto empty = q.receive(0ms);
    ASSERT_FALSE(empty);
    EXPECT_EQ(empty.error().code, platform::ERROR_TIMEOUT);
    q.push({9, 4, {}, 0});
    q.close();
    auto last = q.receive(0ms);
    ASSERT_TRUE(last) << "closing hands out what is still there";
    EXPECT_EQ(last->request_id, 9u);
    EXPECT_EQ(q.receive(0ms).error().code, platform::ERROR_BROKEN_PIPE);
}

TEST(ReplyQueueTest, CancelWakesEveryReceiverAndStays) {
    twsim::ReplyQueue q;
    std::vector<std::thread> receivers;
    std::vector<platform::WinError> codes(3, 0);
    for (int i = 0; i < 3; ++i) {
        receivers.emplace_back([&, i] {
            auto r = q.receive();
            if (!r) codes[static_cast<std::size_t>(i)] = r.error().code;
        });
    }
    std::this_thread::sleep_for(50ms);
    q.cancel();
    for (auto& t : receivers) t.join();
    for (auto code : codes) EXPECT_EQ(code, twsim::kReceiveCancelled);
    q.push({1, 4, {}, 0});
    EXPECT_EQ(q.receive(0ms).error().code, twsim::kReceiveCancelled) << "cancelling is the end of receiving";
}

}  // namespace
