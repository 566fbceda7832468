// Replies: the size protocol with kept replies, waits, window
// notifications, cancel, long replies and the orderly stop.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "platform/thread.h"
#include "platform/tick.h"
#include "tests/twapi/twapi_fixture.h"

namespace twtest {
namespace {

using scriptprov::kReplyLength;
using scriptprov::Request;

class TwapiReceiveTest : public TwapiTest {};

constexpr int kReadWindow = 0x1234;
constexpr int kStatusWindow = 0x5678;

TEST_F(TwapiReceiveTest, KeptRepliesServeTheSecondCallOfEachKind) {
    // Each kind: a 100-byte reply asked for with 10 bytes gives -4 and the
    // size; the call with 100 bytes gets it without a new request.
    const std::string reply(100, 'r');
    lpt_->set_auto_reply(Request::DeviceId, kReplyLength, "MFG:Test;" + std::string(91, 'd'));
    lpt_->set_auto_reply(Request::Status, kReplyLength, "@BDC ST" + std::string(93, 's'));
    lpt_->set_auto_reply(Request::Send, kReplyLength, reply);
    int handle = open_local("P");

    char small[10];
    char big[100];
    struct Kind {
        const char* what;
        const char* request;
        std::function<int(void*, int*)> call;
        char first;
        int success;
    };
    const Kind kinds[] = {
        {"device ID", "deviceid", [&](void* b, int* s) { return api_.TWGetDeviceID(1, "P", b, s); }, 'M', 0},
        {"status", "status", [&](void* b, int* s) { return api_.TWGetStatus(handle, b, s); }, '@', 100},
        {"received data", "send",
         [&](void* b, int* s) {
             return api_.TWReceive(handle, b, s, -1);
         },
         'r', 100},
    };
    for (const Kind& k : kinds) {
        if (std::string(k.request) == "send") {
            ASSERT_EQ(api_.TWSend(handle, "rq", 2), 2);
        }
        int size = sizeof small;
        EXPECT_EQ(k.call(small, &size), -4) << k.what;
        EXPECT_EQ(size, 100) << k.what;
        std::size_t requests = calls_of(lpt_, k.request).size();
        size = 99;
        EXPECT_EQ(k.call(big, &size), -4) << k.what << ": still too small";
        EXPECT_EQ(size, 100);
        size = sizeof big;
        EXPECT_EQ(k.call(big, &size), k.success) << k.what;
        EXPECT_EQ(size, 100) << k.what;
        EXPECT_EQ(big[0], k.first) << k.what;
        EXPECT_EQ(calls_of(lpt_, k.request).size(), requests) << k.what << ": no new request for the kept reply";
    }
    // Each kept reply was handed out once: a new status call asks again.
    lpt_->set_auto_reply(Request::Status, kReplyLength, "@BDC again");
    int size = sizeof big;
    EXPECT_EQ(api_.TWGetStatus(handle, big, &size), 10);
    EXPECT_EQ(std::string(big, 10), "@BDC again");
}

TEST_F(TwapiReceiveTest, KeptStatusIsDiscardedByAFetchOfAnotherKind) {
    add_local_printer("P", {1, 2});
    lpt_->set_auto_reply(Request::Status, kReplyLength, std::string(50, 's'));
    lpt_->set_auto_reply(Request::Send, kReplyLength, "data");
    ASSERT_EQ(api_.TWInitialize(), 0);
    int status_channel = api_.TWOpenChannel(1, "P", 1);
    int data_channel = api_.TWOpenChannel(1, "P", 2);
    char buffer[64];
    int size = 4;
    ASSERT_EQ(api_.TWGetStatus(status_channel, buffer, &size), -4);
    ASSERT_EQ(api_.TWSend(data_channel, "q", 1), 1);
    size = sizeof buffer;
    ASSERT_EQ(api_.TWReceive(data_channel, buffer, &size, -1), 4);
    size = sizeof buffer;
    lpt_->set_auto_reply(Request::Status, kReplyLength, "fresh");
    EXPECT_EQ(api_.TWGetStatus(status_channel, buffer, &size), 5) << "the kept status was dropped; asked again";
    EXPECT_EQ(std::string(buffer, 5), "fresh");
    EXPECT_EQ(calls_of(lpt_, "status").size(), 2u);
}

TEST_F(TwapiReceiveTest, StatusRequestReplacesAPendingSend) {
    lpt_->hold_replies(true);
    lpt_->set_auto_reply(Request::Send, kReplyLength, "answer to send");
    lpt_->set_auto_reply(Request::Status, kReplyLength, "status");
    int handle = open_local("P");
    ASSERT_EQ(api_.TWSend(handle, "cmd", 3), 3);
    lpt_->release_held();
    lpt_->hold_replies(false);
    char buffer[64];
    int size = sizeof buffer;
    EXPECT_EQ(api_.TWGetStatus(handle, buffer, &size), 6);
    EXPECT_EQ(std::string(buffer, 6), "status");
    size = sizeof buffer;
    EXPECT_EQ(api_.TWReceive(handle, buffer, &size, 0), -9) << "the send's reply is never delivered";
}

TEST_F(TwapiReceiveTest, ReceiveWithoutReplyTimesOutAfterOneSlice) {
    int handle = open_local("P");
    ASSERT_EQ(api_.TWSend(handle, "cmd", 3), 3);
    char buffer[16];
    int size = sizeof buffer;
    std::uint32_t start = platform::get_tick_count();
    EXPECT_EQ(api_.TWReceive(handle, buffer, &size, 0), -9);
    EXPECT_GE(platform::get_tick_count() - start, 500u);
}

TEST_F(TwapiReceiveTest, LateReplyAfterATimeOutIsDroppedNotDelivered) {
    int handle = open_local("P");
    ASSERT_EQ(api_.TWSend(handle, "cmd", 3), 3);
    int late_id = calls_of(lpt_, "send").back().request_id;
    char buffer[16];
    int size = sizeof buffer;
    ASSERT_EQ(api_.TWReceive(handle, buffer, &size, 0), -9);
    lpt_->push_reply(late_id, 4, "late");
    ASSERT_EQ(api_.TWSend(handle, "cmd", 3), 3);
    int id = calls_of(lpt_, "send").back().request_id;
    lpt_->push_reply(id, 5, "fresh");
    size = sizeof buffer;
    EXPECT_EQ(api_.TWReceive(handle, buffer, &size, -1), 5);
    EXPECT_EQ(std::string(buffer, 5), "fresh");
}

TEST_F(TwapiReceiveTest, ReadWindowIsToldWhenTheReplyArrives) {
    const int window = static_cast<int>(notification_window());
    lpt_->hold_replies(true);
    lpt_->set_auto_reply(Request::Send, kReplyLength, "reply bytes");
    int handle = open_local("P");
    ASSERT_EQ(api_.TWSetOption(handle, 3, &window), 0);
    ASSERT_EQ(api_.TWSend(handle, "cmd", 3), 3);
    char buffer[64];
    int size = sizeof buffer;
    EXPECT_EQ(api_.TWReceive(handle, buffer, &size, -1), -10) << "no data yet, a message will follow";
    EXPECT_TRUE(notifications().all().empty());

    lpt_->release_held();
    ASSERT_TRUE(notifications().wait_for(1, 10000));
    auto posted = notifications().all();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].window, static_cast<std::uint32_t>(window));
    EXPECT_EQ(posted[0].message, 1025u);
    EXPECT_EQ(posted[0].wparam, 0u);
    EXPECT_EQ(posted[0].lparam, handle);
    EXPECT_EQ(posted[0].thread_id, window_.thread_id()) << "received by the window's own thread";
    EXPECT_NE(posted[0].thread_id, platform::current_thread_id());

    size = sizeof buffer;
    EXPECT_EQ(api_.TWReceive(handle, buffer, &size, 0), 11) << "the reply was in the list before the message";
    EXPECT_EQ(std::string(buffer, 11), "reply bytes");
}

TEST_F(TwapiReceiveTest, StatusWindowIsToldAndTheNextCallMakesNoRequest) {
    const int window = static_cast<int>(notification_window());
    lpt_->hold_replies(true);
    lpt_->set_auto_reply(Request::Status, kReplyLength, "@BDC ST2");
    int handle = open_local("P");
    ASSERT_EQ(api_.TWSetOption(handle, 4, &window), 0);
    char buffer[64];
    int size = sizeof buffer;
    EXPECT_EQ(api_.TWGetStatus(handle, buffer, &size), 0);
    EXPECT_EQ(size, 0);
    lpt_->release_held();
    ASSERT_TRUE(notifications().wait_for(1, 10000));
    auto posted = notifications().all();
    EXPECT_EQ(posted[0].window, static_cast<std::uint32_t>(window));
    EXPECT_EQ(posted[0].message, 1026u);
    EXPECT_EQ(posted[0].lparam, handle);
    size = sizeof buffer;
    EXPECT_EQ(api_.TWGetStatus(handle, buffer, &size), 8);
    EXPECT_EQ(std::string(buffer, 8), "@BDC ST2");
    EXPECT_EQ(calls_of(lpt_, "status").size(), 1u);
}

TEST_F(TwapiReceiveTest, NoMessageForAClosedChannelOrAReplacedRequest) {
    const int window = static_cast<int>(notification_window());
    lpt_->hold_replies(true);
    lpt_->set_auto_reply(Request::Send, kReplyLength, "reply to {id}");
    add_local_printer("P", {1});
    ASSERT_EQ(api_.TWInitialize(), 0);
    int closed = api_.TWOpenChannel(1, "P", 1);
    int open = api_.TWOpenChannel(1, "P", 1);
    char buffer[64];
    for (int handle : {closed, open}) {
        ASSERT_EQ(api_.TWSetOption(handle, 3, &window), 0);
        ASSERT_EQ(api_.TWSend(handle, "cmd", 3), 3);
        int size = sizeof buffer;
        ASSERT_EQ(api_.TWReceive(handle, buffer, &size, -1), -10);
    }
    ASSERT_EQ(api_.TWCloseChannel(closed), 0);
    ASSERT_EQ(api_.TWSend(open, "again", 5), 5) << "replaces the registered send";
    int size = sizeof buffer;
    ASSERT_EQ(api_.TWReceive(open, buffer, &size, -1), -10);
    const int current = calls_of(lpt_, "send").back().request_id;

    lpt_->release_held();
    ASSERT_TRUE(notifications().wait_for(1, 10000));
    platform::sleep_ms(200);  // time for any wrong message to show up too
    auto posted = notifications().all();
    ASSERT_EQ(posted.size(), 1u) << "one message, for the current request of the open channel";
    EXPECT_EQ(posted[0].lparam, open);
    size = sizeof buffer;
    std::string expected = "reply to " + std::to_string(current);
    ASSERT_EQ(api_.TWReceive(open, buffer, &size, 0), static_cast<int>(expected.size()));
    EXPECT_EQ(std::string(buffer, expected.size()), expected);
}

TEST_F(TwapiReceiveTest, ReplyArrivingBeforeTheWindowCallIsHandedOverAtOnce) {
    const int window = static_cast<int>(notification_window());
    // The reply is in before the caller looks: no registration is left
    // waiting for a message that would never come.
    lpt_->set_auto_reply(Request::Status, kReplyLength, "quick");
    int handle = open_local("P");
    ASSERT_EQ(api_.TWSetOption(handle, 4, &window), 0);
    char buffer[64];
    int size = sizeof buffer;
    int result = api_.TWGetStatus(handle, buffer, &size);
    if (result == 0) {
        // The reply was not there yet: then the window hears of it.
        ASSERT_TRUE(notifications().wait_for(1, 10000));
        size = sizeof buffer;
        result = api_.TWGetStatus(handle, buffer, &size);
    }
    EXPECT_EQ(result, 5);
    EXPECT_EQ(std::string(buffer, 5), "quick");
}

TEST_F(TwapiReceiveTest, CancelEndsAWaitingReceiveFromAnotherThread) {
    int handle = open_local("P");
    ASSERT_EQ(api_.TWSend(handle, "cmd", 3), 3);
    std::atomic<int> result{1};
    std::thread waiter([&] {
        char buffer[16];
        int size = sizeof buffer;
        result = api_.TWReceive(handle, buffer, &size, -1);
    });
    platform::sleep_ms(100);
    EXPECT_EQ(result.load(), 1) << "still waiting";
    EXPECT_EQ(api_.TWReceiveCancel(handle), 0);
    waiter.join();
    EXPECT_EQ(result.load(), -9);

    // The mark stays: every later wait ends at once, whatever arrives.
    lpt_->set_auto_reply(Request::Send, kReplyLength, "ok");
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(api_.TWSend(handle, "cmd", 3), 3);
        char buffer[16];
        int size = sizeof buffer;
        EXPECT_EQ(api_.TWReceive(handle, buffer, &size, -1), -9);
    }
    int status_size = 16;
    char status[16];
    EXPECT_EQ(api_.TWGetStatus(handle, status, &status_size), -9);
}

TEST_F(TwapiReceiveTest, CancelIsRefusedWithBothWindows) {
    int handle = open_local("P");
    ASSERT_EQ(api_.TWSetOption(handle, 3, &kReadWindow), 0);
    EXPECT_EQ(api_.TWReceiveCancel(handle), 0) << "one window is not full notification";
    int other = api_.TWOpenChannel(1, "P", 1);
    ASSERT_EQ(api_.TWSetOption(other, 3, &kReadWindow), 0);
    ASSERT_EQ(api_.TWSetOption(other, 4, &kStatusWindow), 0);
    EXPECT_EQ(api_.TWReceiveCancel(other), -11);
    lpt_->set_auto_reply(Request::Send, kReplyLength, "ok");
    int zero = 0;
    ASSERT_EQ(api_.TWSetOption(other, 3, &zero), 0);
    ASSERT_EQ(api_.TWSend(other, "c", 1), 1);
    char buffer[8];
    int size = sizeof buffer;
    EXPECT_EQ(api_.TWReceive(other, buffer, &size, -1), 2) << "the refused cancel changed nothing";
}

TEST_F(TwapiReceiveTest, ReleaseStopsAReceiverBlockedInTheProvider) {
    int handle = open_local("P");
    ASSERT_TRUE(lpt_->wait_until_receive_blocks(10000));
    ASSERT_TRUE(share_->wait_until_receive_blocks(10000));
    (void)handle;
    EXPECT_EQ(api_.TWRelease(), 0);
    EXPECT_EQ(lpt_->cancel_count(), 1);
    EXPECT_EQ(share_->cancel_count(), 1);
    EXPECT_EQ(lpt_->receives_ended_by_cancel(), 1) << "the blocked call returned before TWRelease did";
    EXPECT_EQ(share_->receives_ended_by_cancel(), 1);
    EXPECT_EQ(api_.TWSend(handle, "x", 1), -13);
}

TEST_F(TwapiReceiveTest, RepliesLongerThanTheReceiveBufferArriveWhole) {
    std::string reply(5000, '\0');
    for (std::size_t i = 0; i < reply.size(); ++i) reply[i] = static_cast<char>('a' + i % 26);
    lpt_->set_auto_reply(Request::Send, kReplyLength, reply);
    int handle = open_local("P");
    ASSERT_EQ(api_.TWSend(handle, "big", 3), 3);
    std::string buffer(6000, '\0');
    int size = static_cast<int>(buffer.size());
    ASSERT_EQ(api_.TWReceive(handle, buffer.data(), &size, -1), 5000);
    EXPECT_EQ(size, 5000);
    EXPECT_EQ(buffer.substr(0, 5000), reply);
    auto offered = lpt_->receive_sizes();
    ASSERT_GE(offered.size(), 2u);
    EXPECT_EQ(offered[0], 2048);
    EXPECT_EQ(offered[1], 5000) << "asked again with the size the provider needed";
}

TEST_F(TwapiReceiveTest, DeviceIdWaitsForItsReplyAndFailuresAreTranslated) {
    int handle = open_local("P");
    (void)handle;
    lpt_->set_request_result(Request::DeviceId, -4);
    char buffer[64];
    int size = sizeof buffer;
    EXPECT_EQ(api_.TWGetDeviceID(1, "P", buffer, &size), -5) << "refused request: its code translated";

    lpt_->set_request_result(Request::DeviceId, 0);
    lpt_->hold_replies(true);
    lpt_->set_auto_reply(Request::DeviceId, -3, "");
    std::thread releaser([&] {
        lpt_->wait_for_requests(2, 10000);
        platform::sleep_ms(50);
        lpt_->release_held();
    });
    size = sizeof buffer;
    EXPECT_EQ(api_.TWGetDeviceID(1, "P", buffer, &size), -6) << "a failed reply, translated";
    releaser.join();
}

}  // namespace
}  // namespace twtest
