// The API frame: initialisation counting, the argument checks in their
// order, channel options, provider-code translation, TWGetLocal.
#include <gtest/gtest.h>

#include <functional>

#include "tests/twapi/twapi_fixture.h"

namespace twtest {
namespace {

using scriptprov::Request;

class TwapiApiTest : public TwapiTest {};

TEST_F(TwapiApiTest, NestedInitialiseStaysUpUntilTheLastRelease) {
    add_local_printer("P", {1});
    for (int i = 0; i < 3; ++i) EXPECT_EQ(api_.TWInitialize(), 0);
    EXPECT_EQ(api_.TWRelease(), 0);
    EXPECT_EQ(api_.TWRelease(), 0);
    EXPECT_GT(api_.TWOpenChannel(1, "P", 1), 0) << "two releases of three leave the library initialised";
    EXPECT_EQ(lpt_->cancel_count(), 0);

    EXPECT_EQ(api_.TWRelease(), 0);
    EXPECT_EQ(lpt_->cancel_count(), 1) << "the third release stops the receiver";
    EXPECT_EQ(api_.TWOpenChannel(1, "P", 1), -13);
    EXPECT_EQ(api_.TWRelease(), 0);
    EXPECT_EQ(lpt_->cancel_count(), 1) << "a fourth release does nothing";

    // Initialised again from zero: the providers are loaded afresh.
    EXPECT_EQ(api_.TWInitialize(), 0);
    EXPECT_GT(api_.TWOpenChannel(1, "P", 1), 0);
}

TEST_F(TwapiApiTest, ArgumentChecksComeFirstInTheirOrder) {
    add_local_printer("P", {1});
    char buffer[64];
    int size = sizeof buffer;
    int value = 7;
    unsigned usize = 4;
    const int unknown_handle = 0x7654321;

    struct Case {
        const char* what;
        std::function<int(int handle)> call;
        int uninitialised;  // before TWInitialize
        int initialised;    // after, with a valid channel handle at hand
    };
    const Case cases[] = {
        {"GetDeviceID null name", [&](int) { return api_.TWGetDeviceID(1, nullptr, buffer, &size); }, -13, -15},
        {"GetDeviceID null size", [&](int) { return api_.TWGetDeviceID(1, "P", buffer, nullptr); }, -13, -15},
        {"GetAvailableChannel null name", [&](int) { return api_.TWGetAvailableChannel(1, nullptr, buffer, &size); }, -13, -15},
        {"GetAvailableChannel null size", [&](int) { return api_.TWGetAvailableChannel(1, "P", buffer, nullptr); }, -13, -15},
        {"OpenChannel null name", [&](int) { return api_.TWOpenChannel(1, nullptr, 1); }, -13, -15},
        {"CloseChannel unknown handle", [&](int) { return api_.TWCloseChannel(unknown_handle); }, -13, 0},
        {"Send null data", [&](int h) { return api_.TWSend(h, nullptr, 3); }, -13, -15},
        {"Send null data, bad handle", [&](int) { return api_.TWSend(unknown_handle, nullptr, 3); }, -13, -15},
        {"Send bad handle", [&](int) { return api_.TWSend(unknown_handle, "abc", 3); }, -13, -7},
        {"Receive null size, bad handle", [&](int) { return api_.TWReceive(unknown_handle, buffer, nullptr, 0); }, -13, -15},
        {"Receive bad handle", [&](int) { return api_.TWReceive(unknown_handle, buffer, &size, 0); }, -13, -7},
        {"ReceiveCancel bad handle", [&](int) { return api_.TWReceiveCancel(unknown_handle); }, -13, -7},
        {"GetStatus null size, bad handle", [&](int) { return api_.TWGetStatus(unknown_handle, buffer, nullptr); }, -13, -15},
        {"GetStatus bad handle", [&](int) { return api_.TWGetStatus(unknown_handle, buffer, &size); }, -13, -7},
        {"SetOption null value, bad handle", [&](int) { return api_.TWSetOption(unknown_handle, 1, nullptr); }, -13, -15},
        {"SetOption bad handle, bad option", [&](int) { return api_.TWSetOption(unknown_handle, 9, &value); }, -13, -7},
        {"SetOption option 5", [&](int h) { return api_.TWSetOption(h, 5, &value); }, -13, -14},
        {"SetOption option 0", [&](int h) { return api_.TWSetOption(h, 0, &value); }, -13, -14},
        {"GetOption null size", [&](int) { return api_.TWGetOption(unknown_handle, 1, &value, nullptr); }, -13, -15},
        {"GetOption null value", [&](int) { return api_.TWGetOption(unknown_handle, 1, nullptr, &usize); }, -13, -15},
        {"GetOption bad handle, bad option", [&](int) { return api_.TWGetOption(unknown_handle, 9, &value, &usize); }, -13, -7},
        {"GetOption option 5", [&](int h) { return api_.TWGetOption(h, 5, &value, &usize); }, -13, -14},
        {"GetLocal null name", [&](int) { return api_.TWGetLocal(nullptr); }, -15, -15},
    };
    for (const Case& c : cases) EXPECT_EQ(c.call(0), c.uninitialised) << c.what << " before TWInitialize";
    ASSERT_EQ(api_.TWInitialize(), 0);
    int handle = api_.TWOpenChannel(1, "P", 1);
    ASSERT_GT(handle, 0);
    for (const Case& c : cases) EXPECT_EQ(c.call(handle), c.initialised) << c.what;
    EXPECT_TRUE(calls_of(lpt_, "send").empty()) << "a refused call reaches no provider";
}

TEST_F(TwapiApiTest, OptionsStartAtTheirDefaultsAndKeepWhatIsSet) {
    int handle = open_local("P");
    const int defaults[] = {2048, 1024, 0, 0};
    for (int option = 1; option <= 4; ++option) {
        int value = -1;
        unsigned size = 4;
        EXPECT_EQ(api_.TWGetOption(handle, option, &value, &size), 0);
        EXPECT_EQ(value, defaults[option - 1]) << "option " << option;
        EXPECT_EQ(size, 4u);
    }
    int v = 77;
    EXPECT_EQ(api_.TWSetOption(handle, 2, &v), 0);
    int bad = 99;
    EXPECT_EQ(api_.TWSetOption(handle, 5, &bad), -14);
    int value = 0;
    unsigned size = 3;
    EXPECT_EQ(api_.TWGetOption(handle, 2, &value, &size), -4);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(value, 0) << "nothing written when the size is too small";
    size = 100;
    EXPECT_EQ(api_.TWGetOption(handle, 2, &value, &size), 0);
    EXPECT_EQ(value, 77);
    EXPECT_EQ(size, 100u) << "the size is left alone on success";
}

TEST_F(TwapiApiTest, ProviderCodesAreTranslatedByTheTable) {
    int handle = open_local("P");
    const int table[][2] = {{-15, -18}, {-14, -5}, {-13, -5}, {-12, -17}, {-11, -13}, {-10, -9}, {-9, -16},
                            {-8, -16},  {-7, -15}, {-6, -10}, {-5, -4},  {-4, -5},   {-3, -6},  {-2, -3},
                            {-1, -5},   {-16, -16}, {-100, -100}, {0, 0}, {3, 3}};
    for (const auto& row : table) {
        lpt_->set_request_result(Request::Send, row[0]);
        EXPECT_EQ(api_.TWSend(handle, "abc", 3), row[1]) << "provider code " << row[0];
    }
    EXPECT_EQ(calls_of(lpt_, "send").size(), std::size(table)) << "a failed send still went to the provider";
}

TEST_F(TwapiApiTest, SendPassesTheRequestToTheChannelsProvider) {
    int handle = open_local("P", 3);
    EXPECT_EQ(api_.TWSend(handle, "hello", 5), 5);
    EXPECT_EQ(api_.TWSend(handle, "hi", 2), 2);
    auto sends = calls_of(lpt_, "send");
    ASSERT_EQ(sends.size(), 2u);
    EXPECT_EQ(sends[0].data, "hello");
    EXPECT_EQ(sends[0].channel, 3);
    EXPECT_EQ(sends[0].connection, "LPT-P");
    EXPECT_GT(sends[0].request_id, 0);
    EXPECT_GT(sends[1].request_id, sends[0].request_id) << "every request takes a new id";
}

TEST_F(TwapiApiTest, GetLocalAsksTheLocalPortProviderWithItsAddress) {
    EXPECT_EQ(api_.TWGetLocal("P"), -5) << "no local-port provider bound before TWInitialize";
    lpt_->set_local("UFName:P");
    ASSERT_EQ(api_.TWInitialize(), 0);
    EXPECT_EQ(api_.TWGetLocal("P"), 0);
    EXPECT_EQ(api_.TWGetLocal("Q"), -5);
    ASSERT_EQ(api_.TWRelease(), 0);
    EXPECT_EQ(api_.TWGetLocal("P"), -5) << "unbound again after the last release";
}

TEST_F(TwapiApiTest, ChannelHandlesAreDistinctAndDieWithTheirChannel) {
    add_local_printer("P", {1, 2});
    ASSERT_EQ(api_.TWInitialize(), 0);
    int a = api_.TWOpenChannel(1, "P", 1);
    int b = api_.TWOpenChannel(1, "P", 1);
    EXPECT_GT(a, 0);
    EXPECT_GT(b, 0);
    EXPECT_NE(a, b) << "two channels on the same number are two records";
    EXPECT_EQ(api_.TWOpenChannel(1, "P", 3), -6);
    EXPECT_EQ(api_.TWCloseChannel(a), 0);
    EXPECT_EQ(api_.TWSend(a, "x", 1), -7);
    EXPECT_EQ(api_.TWSend(b, "x", 1), 1);
    EXPECT_EQ(api_.TWCloseChannel(a), 0) << "closing twice does nothing";
    int c = api_.TWOpenChannel(1, "P", 2);
    EXPECT_NE(c, a) << "a closed handle is not handed out again at once";
    EXPECT_NE(c, b);
}

}  // namespace
}  // namespace twtest
