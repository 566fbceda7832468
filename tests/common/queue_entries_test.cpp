#include "common/queue_entries.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using namespace common;

namespace {

void put(std::uint8_t* slot, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) slot[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

TEST(QueueEntriesTest, RequestEntryLaysOutItsFieldsAtTheirOffsets) {
    RequestEntry e{kProviderWriter, 0x11223344, 4321, kCmdStatus, "PRINTSRV", {0xAA, 0xBB, 0xCC}};
    auto slot = encode_request(e);
    ASSERT_TRUE(slot);
    EntrySlot expected{};
    std::memcpy(expected.data(), "TWPSHARE2", 9);
    put(expected.data(), 16, 0x11223344);
    put(expected.data(), 20, 4321);
    put(expected.data(), 24, 36);
    std::memcpy(expected.data() + 28, "PRINTSRV", 8);
    put(expected.data(), 288, 3);
    expected[292] = 0xAA;
    expected[293] = 0xBB;
    expected[294] = 0xCC;
    EXPECT_EQ(*slot, expected);
    auto back = decode_request(*slot);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pid, e.pid);
    EXPECT_EQ(back->twpid, e.twpid);
    EXPECT_EQ(back->cmd, e.cmd);
    EXPECT_EQ(back->computer, e.computer);
    EXPECT_EQ(back->data, e.data);
}

TEST(QueueEntriesTest, HandBuiltAgentEntriesDecode) {
    EntrySlot ack{};
    std::memcpy(ack.data(), "HERALD2", 7);
    put(ack.data(), 16, kAcknowledgement);
    put(ack.data(), 20, 77);
    put(ack.data(), 24, 1);
    put(ack.data(), 288, 0xFFFFFFFF);  // not used in an acknowledgement: ignored
    auto a = decode_reply_queue_entry(ack);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->writer, "HERALD2");
    EXPECT_EQ(a->kind, kAcknowledgement);
    EXPECT_EQ(a->pid, 77u);
    EXPECT_EQ(a->send_flag, 1u);

    EntrySlot reply{};
    std::memcpy(reply.data(), "HERALD2", 7);
    put(reply.data(), 16, kReply);
    put(reply.data(), 20, 78);
    std::memcpy(reply.data() + 28, "SERVER", 6);
    put(reply.data(), 288, 2048);
    std::memset(reply.data() + 292, 0x5A, 2048);
    auto r = decode_reply_queue_entry(reply);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->computer, "SERVER");
    EXPECT_EQ(r->data.size(), 2048u);
    EXPECT_EQ(r->data.back(), 0x5A);

    GlobalSlot g{};
    std::memcpy(g.data(), "TWPSHARE2", 9);
    put(g.data(), 16, static_cast<std::uint32_t>(-5));
    auto gd = decode_global_request(g);
    ASSERT_TRUE(gd);
    EXPECT_EQ(gd->twpid, -5);
    EXPECT_EQ(encode_global_request(*gd), g);
}

TEST(QueueEntriesTest, LengthsThatDoNotFitAreRefusedNeverReadPast) {
    EntrySlot bad{};
    std::memcpy(bad.data(), "HERALD2", 7);
    put(bad.data(), 16, kReply);
    put(bad.data(), 288, 2049);
    EXPECT_FALSE(decode_reply_queue_entry(bad));
    put(bad.data(), 16, 0);
    EXPECT_FALSE(decode_request(bad));
    EXPECT_FALSE(decode_request(std::span<const std::uint8_t>(bad.data(), 100)));
    EXPECT_FALSE(encode_request(RequestEntry{kProviderWriter, 1, 1, kCmdSend, "X", std::vector<std::uint8_t>(2049)}));
    // A name longer than its field keeps its terminating zero.
    auto slot = encode_request(RequestEntry{std::string(40, 'W'), 1, 1, kCmdSend, std::string(300, 'N'), {1}});
    ASSERT_TRUE(slot);
    EXPECT_EQ((*slot)[15], 0);
    EXPECT_EQ((*slot)[28 + 259], 0);
    EXPECT_EQ(decode_request(*slot)->computer.size(), 259u);
}

TEST(QueueEntriesTest, RandomSlotsDecodeOrAreRefused) {
    std::mt19937 rng(7);
    for (int round = 0; round < 2000; ++round) {
        EntrySlot slot;
        for (auto& b : slot) b = static_cast<std::uint8_t>(rng());
        put(slot.data(), 288, rng() % 4096);
        auto r = decode_request(slot);
        auto q = decode_reply_queue_entry(slot);
        if (r) {
            EXPECT_LE(r->data.size(), kMaxEntryData);
        }
        if (q) {
            EXPECT_LE(q->data.size(), kMaxEntryData);
        }
    }
}

}  // namespace
