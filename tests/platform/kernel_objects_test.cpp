// Events, mutexes and file mappings, within a process and across real processes
// of one computer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/event.h"
#include "platform/file_mapping.h"
#include "platform/mutex.h"
#include "platform/thread.h"
#include "platform/wait.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"

using namespace platform;

namespace {

// Child roles. Each prints "ready" once its objects exist, then waits to be
// told (on stdin-less children: by an event) or killed.
twtest::ChildRole hold_event("hold-event", [](const std::vector<std::string>&) {
    Handle e = create_event("Global\\TestHeldEvent", EventReset::Manual, false);
    if (!e) return 1;
    std::printf("ready\n");
    sleep_ms(kInfinite);
    return 0;
});

twtest::ChildRole wait_event("wait-event", [](const std::vector<std::string>&) {
    Handle e = create_event("TestWakeEvent", EventReset::Auto, false);
    std::printf("ready\n");
    if (wait_for_single_object(e, kInfinite) != WAIT_OBJECT_0) return 1;
    std::printf("woke\n");
    return 0;
});

twtest::ChildRole own_mutex("own-mutex", [](const std::vector<std::string>&) {
    Handle m = create_mutex("TestOwnedMutex", true);
    if (!m || last_error() != ERROR_SUCCESS) return 1;
    std::printf("ready\n");
    sleep_ms(kInfinite);
    return 0;
});

twtest::ChildRole write_mapping("write-mapping", [](const std::vector<std::string>&) {
    Handle m = create_file_mapping("TestSharedSlot", 2340);
    if (!m || last_error() != ERROR_ALREADY_EXISTS) return 1;
    auto* p = static_cast<char*>(map_view_of_file(m, 0, 0));
    if (!p) return 2;
    std::strcpy(p + 100, "written by the child");
    Handle done = open_event("TestMappingWritten");
    set_event(done);
    return 0;
});

class KernelObjectTest : public ::testing::Test {
protected:
    twtest::TempMachineRoot root_;
};

TEST_F(KernelObjectTest, AutoResetEventReleasesOneWaitPerSet) {
    UniqueHandle e(create_event("", EventReset::Auto, false));
    ASSERT_TRUE(e);
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            if (wait_for_single_object(e.get(), kInfinite) == WAIT_OBJECT_0) ++woken;
        });
    for (int i = 1; i <= 3; ++i) {
        ASSERT_TRUE(set_event(e.get()));
        while (woken.load() < i) std::this_thread::yield();
    }
    for (auto& t : waiters) t.join();
    EXPECT_EQ(woken.load(), 3);
    // Every set was taken by exactly one wait: nothing is left signalled.
    EXPECT_EQ(wait_for_single_object(e.get(), 0), WAIT_TIMEOUT);
}

TEST_F(KernelObjectTest, ManualResetEventReleasesEveryWaitUntilReset) {
    UniqueHandle e(create_event("", EventReset::Manual, false));
    std::vector<std::thread> waiters;
    std::atomic<int> woken{0};
    for (int i = 0; i < 4; ++i)
        waiters.emplace_back([&] {
            if (wait_for_single_object(e.get(), kInfinite) == WAIT_OBJECT_0) ++woken;
        });
    set_event(e.get());
    for (auto& t : waiters) t.join();
    EXPECT_EQ(woken.load(), 4);
    EXPECT_EQ(wait_for_single_object(e.get(), 0), WAIT_OBJECT_0);
    reset_event(e.get());
    EXPECT_EQ(wait_for_single_object(e.get(), 0), WAIT_TIMEOUT);
}

TEST_F(KernelObjectTest, NamedCreateReportsExistingObjectAsWindowsDoes) {
    UniqueHandle first(create_event("Local\\Shared", EventReset::Manual, true));
    ASSERT_TRUE(first);
    EXPECT_EQ(last_error(), ERROR_SUCCESS);
    // Same name, other arguments: the existing event, state kept.
    UniqueHandle second(create_event("Shared", EventReset::Auto, false));
    ASSERT_TRUE(second);
    EXPECT_EQ(last_error(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(wait_for_single_object(second.get(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(wait_for_single_object(second.get(), 0), WAIT_OBJECT_0) << "manual reset kept";
    // Names are case-sensitive; a name held by an event is no mutex.
    EXPECT_EQ(open_event("shared"), kNullHandle);
    EXPECT_EQ(last_error(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(create_mutex("Shared", false), kNullHandle);
    EXPECT_EQ(last_error(), ERROR_INVALID_HANDLE);
    // Gone with the last handle.
    first.reset();
    second.reset();
    EXPECT_EQ(open_event("Shared"), kNullHandle);
}

TEST_F(KernelObjectTest, NamedObjectLivesWhileAnyProcessHoldsIt) {
    auto child = twtest::spawn_child("hold-event");
    ASSERT_TRUE(child.wait_for_line("ready"));
    UniqueHandle e(open_event("TestHeldEvent"));
    ASSERT_TRUE(e) << "made as Global\\TestHeldEvent in the child";
    child.kill();
    // The child is gone but we hold it.
    UniqueHandle again(create_event("TestHeldEvent", EventReset::Manual, false));
    EXPECT_EQ(last_error(), ERROR_ALREADY_EXISTS);
    again.reset();
    e.reset();
    EXPECT_EQ(open_event("TestHeldEvent"), kNullHandle);
    EXPECT_EQ(last_error(), ERROR_FILE_NOT_FOUND);
}

TEST_F(KernelObjectTest, KilledLastHolderTakesTheObjectWithIt) {
    auto child = twtest::spawn_child("hold-event");
    ASSERT_TRUE(child.wait_for_line("ready"));
    child.kill();
    EXPECT_EQ(open_event("TestHeldEvent"), kNullHandle);
    UniqueHandle fresh(create_event("TestHeldEvent", EventReset::Manual, false));
    ASSERT_TRUE(fresh);
    EXPECT_EQ(last_error(), ERROR_SUCCESS);
}

TEST_F(KernelObjectTest, SetInOneProcessWakesWaitInAnother) {
    auto child = twtest::spawn_child("wait-event");
    ASSERT_TRUE(child.wait_for_line("ready"));
    UniqueHandle e(open_event("TestWakeEvent"));
    ASSERT_TRUE(e);
    set_event(e.get());
    EXPECT_EQ(child.read_line(), "woke");
    EXPECT_EQ(child.wait(), 0);
}

TEST_F(KernelObjectTest, MutexIsRecursiveAndOnlyItsOwnerReleasesIt) {
    UniqueHandle m(create_mutex("", true));
    ASSERT_TRUE(m);
    EXPECT_EQ(wait_for_single_object(m.get(), 0), WAIT_OBJECT_0);  // owner again: count 2
    std::thread([&] {
        EXPECT_EQ(wait_for_single_object(m.get(), 0), WAIT_TIMEOUT);
        EXPECT_FALSE(release_mutex(m.get()));
        EXPECT_EQ(last_error(), ERROR_NOT_OWNER);
    }).join();
    EXPECT_TRUE(release_mutex(m.get()));
    std::thread([&] { EXPECT_EQ(wait_for_single_object(m.get(), 0), WAIT_TIMEOUT) << "still held once"; }).join();
    EXPECT_TRUE(release_mutex(m.get()));
    std::thread([&] {
        EXPECT_EQ(wait_for_single_object(m.get(), 0), WAIT_OBJECT_0);
        EXPECT_TRUE(release_mutex(m.get()));
    }).join();
}

TEST_F(KernelObjectTest, EveryOneOfSeveralSleepingWaitersGetsTheMutexInTurn) {
    UniqueHandle m(create_mutex("", true));
    std::atomic<int> taken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i)
        waiters.emplace_back([&] {
            EXPECT_EQ(wait_for_single_object(m.get(), kInfinite), WAIT_OBJECT_0);
            ++taken;
            EXPECT_TRUE(release_mutex(m.get()));
        });
    // Let all three fall asleep on the held mutex before it is released.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(taken.load(), 0);
    EXPECT_TRUE(release_mutex(m.get()));
    for (auto& t : waiters) t.join();
    EXPECT_EQ(taken.load(), 3);
}

TEST_F(KernelObjectTest, MutexOfKilledProcessIsTakenOverAsAbandoned) {
    auto child = twtest::spawn_child("own-mutex");
    ASSERT_TRUE(child.wait_for_line("ready"));
    UniqueHandle m(create_mutex("TestOwnedMutex", true));
    EXPECT_EQ(last_error(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(wait_for_single_object(m.get(), 0), WAIT_TIMEOUT) << "initial ownership is not granted on an existing mutex";
    std::atomic<std::uint32_t> result{0};
    std::thread waiter([&] { result = wait_for_single_object(m.get(), kInfinite); });
    child.kill();
    waiter.join();
    EXPECT_EQ(result.load(), WAIT_ABANDONED_0);
}

TEST_F(KernelObjectTest, MutexOfEndedThreadIsAbandonedAndThenOwnedNormally) {
    UniqueHandle m(create_mutex("", false));
    std::thread([&] { EXPECT_EQ(wait_for_single_object(m.get(), kInfinite), WAIT_OBJECT_0); }).join();
    EXPECT_EQ(wait_for_single_object(m.get(), kInfinite), WAIT_ABANDONED_0);
    EXPECT_TRUE(release_mutex(m.get()));
    EXPECT_EQ(wait_for_single_object(m.get(), kInfinite), WAIT_OBJECT_0);
    EXPECT_TRUE(release_mutex(m.get()));
}

TEST_F(KernelObjectTest, WaitOnMutexAndEventWakesForWhicheverComesFirst) {
    UniqueHandle m(create_mutex("", false));
    UniqueHandle e(create_event("", EventReset::Auto, false));
    std::atomic<bool> held{false};
    UniqueHandle release_now(create_event("", EventReset::Auto, false));
    std::thread owner([&] {
        wait_for_single_object(m.get(), kInfinite);
        held = true;
        wait_for_single_object(release_now.get(), kInfinite);
        release_mutex(m.get());
    });
    while (!held) std::this_thread::yield();
    Handle both[] = {e.get(), m.get()};
    set_event(e.get());
    EXPECT_EQ(wait_for_multiple_objects(both, kInfinite), WAIT_OBJECT_0);
    set_event(release_now.get());
    EXPECT_EQ(wait_for_multiple_objects(both, kInfinite), WAIT_OBJECT_0 + 1);
    EXPECT_TRUE(release_mutex(m.get()));
    owner.join();
}

TEST_F(KernelObjectTest, MappingIsZeroFilledAndSharedBetweenProcesses) {
    UniqueHandle m(create_file_mapping("TestSharedSlot", 2340));
    ASSERT_TRUE(m);
    EXPECT_EQ(last_error(), ERROR_SUCCESS);
    EXPECT_EQ(file_mapping_size(m.get()), 2340u);
    auto* p = static_cast<const char*>(map_view_of_file(m.get(), 0, 0));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 2340; ++i) ASSERT_EQ(p[i], 0);
    UniqueHandle written(create_event("TestMappingWritten", EventReset::Manual, false));
    auto child = twtest::spawn_child("write-mapping");
    ASSERT_EQ(wait_for_single_object(written.get(), 20000), WAIT_OBJECT_0);
    EXPECT_STREQ(p + 100, "written by the child");
    EXPECT_EQ(child.wait(), 0);
    // A view keeps the mapping after its handle is closed.
    m.reset();
    UniqueHandle again(open_file_mapping("TestSharedSlot"));
    EXPECT_TRUE(again);
    again.reset();
    EXPECT_TRUE(unmap_view_of_file(p));
    EXPECT_EQ(open_file_mapping("TestSharedSlot"), kNullHandle);
    EXPECT_FALSE(unmap_view_of_file(p));
}

TEST_F(KernelObjectTest, ViewsOutsideTheMappingAreRefused) {
    UniqueHandle m(create_file_mapping("", 8192));
    EXPECT_EQ(map_view_of_file(m.get(), 4096, 8192), nullptr);
    EXPECT_EQ(map_view_of_file(m.get(), 100, 10), nullptr);
    EXPECT_EQ(last_error(), ERROR_INVALID_PARAMETER);
    void* tail = map_view_of_file(m.get(), 4096, 0);
    ASSERT_NE(tail, nullptr);
    EXPECT_TRUE(unmap_view_of_file(tail));
    EXPECT_EQ(create_file_mapping("", 0), kNullHandle);
}

}  // namespace
