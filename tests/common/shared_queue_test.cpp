// The queues between the share provider and the status agent, with a real
// agent stand-in process where the behaviour crosses processes.
#include "common/shared_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "common/queue_entries.h"
#include "platform/machine_root.h"
#include "platform/mutex.h"
#include "platform/registry.h"
#include "platform/thread.h"
#include "platform/wait.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"

using namespace common;
using namespace platform;

namespace {

// The agent's side of the global queue: takes one announcement and prints it.
twtest::ChildRole agent_take_global("agent-take-global", [](const std::vector<std::string>&) {
    SharedQueue global;
    global.open(QueueKind::GlobalRequest, 0);
    if (!global.mapped()) return 1;
    std::printf("ready %d\n", global.created() ? 1 : 0);
    if (wait_for_single_object(global.event(), 20000) != WAIT_OBJECT_0) return 2;
    GlobalSlot slot{};
    std::uint32_t length = 0;
    if (global.read_all(slot.data(), slot.size(), &length) != 0) return 3;
    auto entry = decode_global_request(slot);
    std::printf("%s %d\n", entry->writer.c_str(), entry->twpid);
    return 0;
});

// Holds a request queue's mutex and waits to be killed.
twtest::ChildRole hold_queue_lock("hold-queue-lock", [](const std::vector<std::string>&) {
    SharedQueue q;
    q.open(QueueKind::Request, 99);
    Handle m = open_mutex(queue_object_names(QueueKind::Request, 99).mutex);
    if (wait_for_single_object(m, 0) != WAIT_OBJECT_0) return 1;
    std::printf("locked\n");
    sleep_ms(kInfinite);
    return 0;
});

class SharedQueueTest : public ::testing::Test {
protected:
    twtest::TempMachineRoot root_;
};

TEST_F(SharedQueueTest, NamesCarryTheGlobalPrefixExactlyOnTerminalServerComputers) {
    auto set_version = [](const char* platform, const char* major) {
        ASSERT_TRUE(set_machine_fact("PlatformId", platform).ok());
        ASSERT_TRUE(set_machine_fact("MajorVersion", major).ok());
    };
    auto set_suite = [](std::vector<std::string> suite) {
        auto key = RegKey::create(RootKey::LocalMachine, "System\\CurrentControlSet\\Control\\ProductOptions");
        ASSERT_TRUE(key.ok());
        ASSERT_TRUE(key->key.set_multi_string("ProductSuite", suite).ok());
    };
    struct Case {
        const char* platform;
        const char* major;
        std::vector<std::string> suite;
        const char* prefix;
    } cases[] = {
        {"2", "5", {}, "Global\\"},
        {"2", "4", {}, ""},
        {"2", "4", {"Enterprise", "Terminal Server"}, "Global\\"},
        {"2", "4", {"terminal server"}, ""},
        {"1", "4", {"Terminal Server"}, ""},
    };
    for (const auto& c : cases) {
        set_version(c.platform, c.major);
        set_suite(c.suite);
        EXPECT_EQ(object_prefix(), c.prefix) << c.platform << "." << c.major;
    }
    // A ProductSuite of another type counts as none.
    set_version("2", "4");
    auto key = RegKey::create(RootKey::LocalMachine, "System\\CurrentControlSet\\Control\\ProductOptions");
    ASSERT_TRUE(key->key.set_string("ProductSuite", "Terminal Server").ok());
    EXPECT_EQ(object_prefix(), "");

    set_version("2", "5");
    auto names = queue_object_names(QueueKind::Reply, -12);
    EXPECT_EQ(names.mapping, "Global\\KAVRO_Share2_DLLReplyQueue-12");
    EXPECT_EQ(names.mutex, "Global\\KAVRO_Share2_CommonMemoryMutexKAVRO_Share2_DLLReplyQueue-12");
    EXPECT_EQ(names.event, "Global\\KAVRO_Share2_CommonMemoryEventKAVRO_Share2_DLLReplyQueue-12");
}

TEST_F(SharedQueueTest, CreatedFlagTellsWhetherTheOtherSideHoldsTheQueue) {
    SharedQueue provider;
    provider.open(QueueKind::Request, 5);
    ASSERT_TRUE(provider.mapped());
    EXPECT_TRUE(provider.created());
    EXPECT_EQ(provider.size(), kEntrySlotSize);
    {
        SharedQueue agent;
        agent.open(QueueKind::Request, 5);
        EXPECT_TRUE(agent.mapped());
        EXPECT_FALSE(agent.created());
    }
    provider.close();
    SharedQueue after;
    after.open(QueueKind::Request, 5);
    EXPECT_TRUE(after.created()) << "the provider's queue is gone with its last holder";
}

TEST_F(SharedQueueTest, AnnouncementReachesTheAgentInAnotherProcess) {
    auto agent = twtest::spawn_child("agent-take-global");
    ASSERT_EQ(agent.read_line(), "ready 1");
    SharedQueue global;
    global.open(QueueKind::GlobalRequest, 0);
    EXPECT_FALSE(global.created()) << "the agent made it: it runs";
    auto slot = encode_global_request({kProviderWriter, 4242});
    EXPECT_EQ(global.write(slot.data(), static_cast<std::uint32_t>(slot.size())), 0);
    EXPECT_EQ(agent.read_line(), "TWPSHARE2 4242");
    EXPECT_EQ(agent.wait(), 0);
}

TEST_F(SharedQueueTest, FullSlotMakesTheWriterWaitThenGiveUp) {
    SharedQueue q;
    q.open(QueueKind::GlobalRequest, 0);
    q.set_lock_timeout(400);
    auto slot = encode_global_request({kProviderWriter, 1});
    ASSERT_EQ(q.write(slot.data(), 20), 0);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(q.write(slot.data(), 20), -2);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
    // A zero-length write only waits for the slot to empty.
    EXPECT_EQ(q.write(nullptr, 0), -2);
    GlobalSlot taken{};
    std::uint32_t length = 0;
    ASSERT_EQ(q.read_all(taken.data(), 20, &length), 0);
    EXPECT_EQ(q.write(nullptr, 0), 0);
    ASSERT_EQ(q.read_all(taken.data(), 20, &length), 0);
    EXPECT_EQ(taken, GlobalSlot{}) << "nothing was written";
}

TEST_F(SharedQueueTest, ArgumentsAndBufferSizesAreChecked) {
    SharedQueue q;
    std::uint8_t buf[kEntrySlotSize] = {};
    std::uint32_t length = 0;
    EXPECT_EQ(q.write(buf, 1), -1) << "not mapped";
    EXPECT_EQ(q.read_all(buf, sizeof buf, &length), -1);
    EXPECT_EQ(q.read_matching(buf, sizeof buf, &length, 1, 16), -1);
    q.open(QueueKind::Reply, 8);
    EXPECT_EQ(q.write(nullptr, 5), -1);
    EXPECT_EQ(q.write(buf, kEntrySlotSize + 1), -1);
    EXPECT_EQ(q.read_all(buf, 100, &length), -3);
    EXPECT_EQ(length, kEntrySlotSize);
    EXPECT_EQ(q.read_matching(buf, 100, &length, 1, 16), -3);
    EXPECT_EQ(q.read_matching(buf, sizeof buf, &length, 1, kEntrySlotSize - 3), -1);
    // Read-all of an empty slot takes its zeros.
    std::memset(buf, 0xEE, sizeof buf);
    EXPECT_EQ(q.read_all(buf, sizeof buf, &length), 0);
    EXPECT_EQ(length, kEntrySlotSize);
    EXPECT_EQ(writer_name(std::span<const std::uint8_t>(buf, length)), "");
}

TEST_F(SharedQueueTest, ReadMatchingTakesOnlyTheEntryItWaitsFor) {
    SharedQueue q;
    q.open(QueueKind::Reply, 9);
    auto reply = encode_reply_queue_entry({kAgentWriter, kReply, 31, 0, "SRV", {1, 2, 3}});
    ASSERT_EQ(q.write(reply->data(), kEntrySlotSize), 0);
    std::uint8_t buf[kEntrySlotSize];
    std::uint32_t length = 7;
    EXPECT_EQ(q.read_matching(buf, sizeof buf, &length, kAcknowledgement, 16), 1);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(q.read_matching(buf, sizeof buf, &length, kReply, 16), 0);
    EXPECT_EQ(length, kEntrySlotSize);
    EXPECT_EQ(decode_reply_queue_entry(buf)->data, (std::vector<std::uint8_t>{1, 2, 3}));
    // With no buffer a matching entry is deleted unread.
    ASSERT_EQ(q.write(reply->data(), kEntrySlotSize), 0);
    EXPECT_EQ(q.read_matching(nullptr, 0, nullptr, kReply, 16), 0);
    EXPECT_EQ(q.read_matching(buf, sizeof buf, &length, 0, 0), 0) << "the slot is empty: its first word is 0";
}

TEST_F(SharedQueueTest, LockOfAKilledProcessIsTakenOver) {
    SharedQueue q;
    q.open(QueueKind::Request, 99);
    auto holder = twtest::spawn_child("hold-queue-lock");
    ASSERT_EQ(holder.read_line(), "locked");
    q.set_lock_timeout(300);
    auto entry = encode_request({kProviderWriter, 1, 99, kCmdStatus, "SRV", {1}});
    EXPECT_EQ(q.write(entry->data(), kEntrySlotSize), -2) << "held by the live child";
    holder.kill();
    q.set_lock_timeout(SharedQueue::kLockTimeoutMs);
    EXPECT_EQ(q.write(entry->data(), kEntrySlotSize), 0);
}

}  // namespace
