#include "platform/thread.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <set>

#include "platform/machine_root.h"
#include "platform/tick.h"
#include "platform/version.h"
#include "platform/wait.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"

using namespace platform;

namespace {

twtest::ChildRole print_tick("print-tick", [](const std::vector<std::string>&) {
    std::printf("%u\n", get_tick_count());
    return 0;
});

class ThreadTest : public ::testing::Test {
protected:
    twtest::TempMachineRoot root_;
};

TEST_F(ThreadTest, SuspendedThreadRunsOnlyAfterResume) {
    std::atomic<bool> ran{false};
    std::atomic<std::uint32_t> seen_id{0};
    std::uint32_t id = 0;
    UniqueHandle t(create_thread(
        [&] {
            ran = true;
            seen_id = current_thread_id();
            return 42u;
        },
        0, ThreadStart::Suspended, &id));
    ASSERT_TRUE(t);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(get_thread_id(t.get()), id);
    EXPECT_EQ(wait_for_single_object(t.get(), 100), WAIT_TIMEOUT);
    EXPECT_FALSE(ran.load());
    std::uint32_t code = 0;
    ASSERT_TRUE(get_exit_code_thread(t.get(), &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(resume_thread(t.get()), 1u);
    EXPECT_EQ(wait_for_single_object(t.get(), kInfinite), WAIT_OBJECT_0);
    EXPECT_TRUE(ran.load());
    EXPECT_EQ(seen_id.load(), id);
    ASSERT_TRUE(get_exit_code_thread(t.get(), &code));
    EXPECT_EQ(code, 42u);
    EXPECT_EQ(resume_thread(t.get()), 0u);
}

TEST_F(ThreadTest, StackSizeIsHonouredAndIdsAreDistinct) {
    std::set<std::uint32_t> ids{current_thread_id()};
    for (std::size_t requested : {std::size_t(64 * 1024), std::size_t(1024 * 1024)}) {
        std::atomic<std::size_t> got{0};
        std::uint32_t id = 0;
        UniqueHandle t(create_thread(
            [&] {
                pthread_attr_t attr;
                pthread_getattr_np(pthread_self(), &attr);
                std::size_t size = 0;
                pthread_attr_getstacksize(&attr, &size);
                pthread_attr_destroy(&attr);
                got = size;
                return 0u;
            },
            requested, ThreadStart::Running, &id));
        ASSERT_EQ(wait_for_single_object(t.get(), kInfinite), WAIT_OBJECT_0);
        EXPECT_GE(got.load(), requested);
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), 3u);
}

TEST_F(ThreadTest, ClosedHandleLeavesTheThreadRunning) {
    std::atomic<bool> finished{false};
    Handle t = create_thread(
        [&] {
            sleep_ms(50);
            finished = true;
            return 0u;
        },
        0, ThreadStart::Running, nullptr);
    EXPECT_TRUE(close_handle(t));
    while (!finished) sleep_ms(5);
    EXPECT_FALSE(close_handle(t));
    EXPECT_EQ(last_error(), ERROR_INVALID_HANDLE);
}

TEST_F(ThreadTest, TickDifferencesHoldAcrossTheWrap) {
    set_tick_count_for_testing(0xFFFFFFFFu - 100);
    std::uint32_t start = get_tick_count();
    sleep_ms(250);
    std::uint32_t now = get_tick_count();
    EXPECT_LT(now, start) << "the count wrapped";
    EXPECT_GE(static_cast<std::uint32_t>(now - start), 250u);
}

TEST_F(ThreadTest, ComputerWideTickBiasReachesNewProcesses) {
    ASSERT_TRUE(set_machine_fact("TickBias", std::to_string(tick_bias_for(0xFFFFFFFFu - 60000))).ok());
    std::uint32_t before = 0xFFFFFFFFu - 60000;
    auto child = twtest::spawn_child("print-tick");
    std::uint32_t child_tick = static_cast<std::uint32_t>(std::stoul(child.read_line()));
    EXPECT_EQ(child.wait(), 0);
    // Ordered after `before`, modulo 2^32, whether or not it has wrapped yet.
    EXPECT_LT(static_cast<std::uint32_t>(child_tick - before), 0x80000000u);
    EXPECT_GE(child_tick, before) << "a minute is ample to start a child";
}

TEST_F(ThreadTest, VersionQueryAnswersFromTheFacts) {
    struct Case {
        const char *platform, *major, *minor, *build;
        std::uint32_t packed;
    } cases[] = {
        {"2", "5", "0", "2195", 0x08930005u},
        {"2", "4", "0", "1381", 0x05650004u},
        {"1", "4", "10", "1998", 0x80000A04u},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(set_machine_fact("PlatformId", c.platform).ok());
        ASSERT_TRUE(set_machine_fact("MajorVersion", c.major).ok());
        ASSERT_TRUE(set_machine_fact("MinorVersion", c.minor).ok());
        ASSERT_TRUE(set_machine_fact("BuildNumber", c.build).ok());
        EXPECT_EQ(get_version(), c.packed) << c.platform << " " << c.major << "." << c.minor;
        auto v = get_version_ex();
        ASSERT_TRUE(v.ok());
        EXPECT_EQ(v->platform_id, static_cast<std::uint32_t>(std::stoul(c.platform)));
    }
}

}  // namespace
