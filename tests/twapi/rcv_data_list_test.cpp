// The reply list on its own: the poll's answers, registrations that never
// miss their reply, and the limits that keep unfetched replies from piling up.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "twapi/rcv_data_list.h"

namespace twapi {
namespace {

RcvData reply(int id, int result, const std::string& bytes) {
    RcvData r;
    r.request_id = id;
    r.result = result;
    r.length = static_cast<int>(bytes.size());
    r.data.assign(bytes.begin(), bytes.end());
    return r;
}

TEST(CRcvDataListTest, PollAnswersInProviderCodes) {
    CRcvDataList list;
    list.add_reply_take_registration(reply(1, 5, "hello"));
    list.add_reply_take_registration(reply(2, -3, ""));
    list.add_reply_take_registration(reply(3, 0, ""));
    char buffer[8];
    int size = sizeof buffer;
    EXPECT_EQ(list.poll(1, buffer, nullptr), -7);
    EXPECT_EQ(list.poll(9, buffer, &size), 0) << "no reply";
    EXPECT_EQ(list.poll(2, buffer, &size), -3);
    EXPECT_EQ(list.poll(2, buffer, &size), -3) << "a failed reply stays";
    EXPECT_EQ(list.poll(3, buffer, &size), 0) << "a zero result counts as no reply";
    size = 4;
    EXPECT_EQ(list.poll(1, buffer, &size), -5);
    EXPECT_EQ(size, 5);
    size = 100;
    EXPECT_EQ(list.poll(1, nullptr, &size), -5) << "no buffer";
    EXPECT_EQ(size, 5);
    size = sizeof buffer;
    EXPECT_EQ(list.poll(1, buffer, &size), 5);
    EXPECT_EQ(std::string(buffer, 5), "hello");
    EXPECT_EQ(list.poll(1, buffer, &size), 0) << "handed out once";
}

TEST(CRcvDataListTest, RegistrationMeetsItsReplyEitherWay) {
    CRcvDataList list;
    // Registration first: the reply takes it.
    EXPECT_EQ(list.add_registration(1, 0x10, 1025, 7), RegisterOutcome::Added);
    EXPECT_EQ(list.add_registration(1, 0x11, 1025, 8), RegisterOutcome::Refused);
    auto taken = list.add_reply_take_registration(reply(1, 2, "ok"));
    ASSERT_TRUE(taken.has_value());
    EXPECT_EQ(taken->window, 0x10u);
    EXPECT_EQ(taken->message, 1025u);
    EXPECT_EQ(taken->channel, 7);
    // Reply first: the registration is refused and says why, so the caller
    // takes the reply instead of waiting for a message.
    EXPECT_FALSE(list.add_reply_take_registration(reply(2, 2, "ok")).has_value());
    EXPECT_EQ(list.add_registration(2, 0x10, 1026, 7), RegisterOutcome::ReplyPresent);
    // A second reply for an id is dropped.
    EXPECT_FALSE(list.add_reply_take_registration(reply(2, 3, "new")).has_value());
    char buffer[8];
    int size = sizeof buffer;
    EXPECT_EQ(list.poll(2, buffer, &size), 2);
}

TEST(CRcvDataListTest, AbandonedRequestsLeaveNothingBehind) {
    CRcvDataList list;
    list.add_reply_take_registration(reply(1, 2, "ab"));
    list.abandon(1);  // arrived: removed at once
    list.abandon(2);  // not arrived: dropped when it comes
    EXPECT_EQ(list.add_registration(3, 0x10, 1025, 4), RegisterOutcome::Added);
    list.abandon(3);  // a registration goes too
    EXPECT_EQ(list.entry_count(), 0u);
    EXPECT_FALSE(list.add_reply_take_registration(reply(2, 2, "ab")).has_value());
    EXPECT_FALSE(list.add_reply_take_registration(reply(3, 2, "ab")).has_value()) << "no message for a closed channel";
    EXPECT_EQ(list.entry_count(), 0u);
    EXPECT_EQ(list.abandoned_count(), 0u) << "each abandoned id is forgotten once its reply came";
}

TEST(CRcvDataListTest, UnfetchedRepliesAndAbandonedIdsAreBounded) {
    CRcvDataList list;
    const int n = static_cast<int>(CRcvDataList::kMaxReplies) + 100;
    for (int id = 1; id <= n; ++id) list.add_reply_take_registration(reply(id, 1, "x"));
    EXPECT_EQ(list.entry_count(), CRcvDataList::kMaxReplies);
    char buffer[4];
    int size = sizeof buffer;
    EXPECT_EQ(list.poll(1, buffer, &size), 0) << "the oldest went first";
    EXPECT_EQ(list.poll(n, buffer, &size), 1) << "the newest stays";

    for (int id = 1; id <= static_cast<int>(CRcvDataList::kMaxAbandoned) * 2; ++id) list.abandon(100000 + id);
    EXPECT_EQ(list.abandoned_count(), CRcvDataList::kMaxAbandoned);
}

}  // namespace
}  // namespace twapi
