// Provider slots, routing keys and name resolution.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/twapi/twapi_fixture.h"
#include "platform/spooler.h"

namespace twtest {
namespace {

class TwapiRouterTest : public TwapiTest {};

// Which slots came up, seen from outside: a printer each provider knows.
struct Bound {
    bool local;
    bool share;
};

Bound probe(TwapiTest& t, TwApi& api, scriptprov::ScriptControl* lpt, scriptprov::ScriptControl* share) {
    (void)t;
    lpt->set_connect_answer("UFName:LocalOnly", 1, "LPT1", channel_table({1}));
    share->set_connect_answer("\\\\srv\\shared", 1, "\x05", channel_table({1}));
    EXPECT_EQ(api.TWInitialize(), 0);
    Bound bound{api.TWOpenChannel(1, "LocalOnly", 1) > 0, api.TWOpenChannel(0, "\\\\srv\\shared", 1) > 0};
    EXPECT_EQ(api.TWRelease(), 0);
    return bound;
}

TEST_F(TwapiRouterTest, RoutingValuesSwitchSlotsOn) {
    struct Case {
        const char* what;
        RouterValues values;
        bool key_present;
        Bound expected;
    };
    const Case cases[] = {
        {"no routing key", {}, false, {true, true}},
        {"empty routing key", {}, true, {false, false}},
        {"TWPShare=share", {{"TWPShare", "share"}}, true, {false, true}},
        {"XTWP=LPT", {{"XTWP", "LPT"}}, true, {false, false}},
        {"twp1=lpt", {{"twp1", "lpt"}}, true, {true, false}},
        {"TWP=Lpt", {{"TWP", "Lpt"}}, true, {true, false}},
        {"TW=LPT", {{"TW", "LPT"}}, true, {false, false}},
        {"TWPx=SHARE2", {{"TWPx", "SHARE2"}}, true, {false, false}},
        {"TWPx=LPT1", {{"TWPx", "LPT1"}}, true, {false, false}},
        {"other values around", {{"Other", "LPT"}, {"TWPa", "share"}, {"TWPb", "LPT"}}, true, {true, true}},
        {"a name too long ends the search",
         {{"TWPa", "share"}, {"TWP" + std::string(300, 'n'), "x"}, {"TWPb", "lpt"}}, true, {false, true}},
        {"data too long ends the search",
         {{"TWPa", std::string(300, 'd')}, {"TWPb", "lpt"}}, true, {false, false}},
    };
    for (const Case& c : cases) {
        set_router(c.values, c.key_present);
        Bound bound = probe(*this, api_, lpt_, share_);
        EXPECT_EQ(bound.local, c.expected.local) << c.what;
        EXPECT_EQ(bound.share, c.expected.share) << c.what;
    }
}

TEST_F(TwapiRouterTest, ShareOnlyLeavesLocalQueryUnbound) {
    set_router({{"TWPShare", "share"}});
    lpt_->set_local("UFName:P");
    ASSERT_EQ(api_.TWInitialize(), 0);
    EXPECT_EQ(api_.TWGetLocal("P"), -5);
    EXPECT_EQ(lpt_->cancel_count(), 0);
    EXPECT_TRUE(lpt_->calls().empty());
}

TEST_F(TwapiRouterTest, ProviderThatFailsItsInfoCallIsLeftOut) {
    lpt_->set_provider_info_result(1);
    lpt_->set_local("UFName:P");
    add_local_printer("P", {1});
    ASSERT_EQ(api_.TWInitialize(), 0);
    EXPECT_EQ(api_.TWGetLocal("P"), -5) << "slot 0 empty: no local query";
    EXPECT_EQ(api_.TWOpenChannel(1, "P", 1), -13) << "no route reached the printer";
    EXPECT_TRUE(calls_of(lpt_, "connect").empty());
    ASSERT_EQ(api_.TWRelease(), 0);
    EXPECT_EQ(lpt_->cancel_count(), 0) << "a slot that never came up is not cancelled";
}

TEST_F(TwapiRouterTest, SlotWithoutPathStaysEmpty) {
    set_provider_path(0, "");
    add_local_printer("P", {1});
    EXPECT_EQ(api_.TWInitialize(), 0);
    EXPECT_EQ(api_.TWOpenChannel(1, "P", 1), -13);
    set_provider_path(1, "/nonexistent/folder/NoSuchProvider.so");
    EXPECT_EQ(api_.TWRelease(), 0);
    EXPECT_EQ(api_.TWInitialize(), 0) << "a provider that cannot be loaded does not fail initialisation";
}

TEST_F(TwapiRouterTest, ResolutionAsksTheRoutesInOrder) {
    // What slot 0 answers for "UFName:P", and where resolution then ends.
    struct Case {
        const char* what;
        int local_answer;
        int share_answer;
        int expected;      // TWGetAvailableChannel result
        bool share_asked;  // with the spooler's port
    };
    const Case cases[] = {
        {"local accepts", 2, 2, 2, false},
        {"local refuses with -15", -15, 2, -5, false},
        {"local does not know it (-4), share accepts", -4, 3, 3, true},
        {"local fails (-1), share accepts", -1, 3, 3, true},
        {"local -4, share -4: older library missing", -4, -4, -13, true},
        {"local -4, share -15", -4, -15, -5, true},
        {"local -2 ends resolution", -2, 2, -3, false},
        {"local -11", -11, 2, -13, false},
        {"share -2 ends resolution", -4, -2, -3, true},
        {"no channels", 0, 2, -5, false},
        {"more channels than a caller can take", 17, 2, -5, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string name = "P" + std::to_string(n++);
        // A printer of this computer whose port is another computer's share.
        ASSERT_TRUE(platform::add_printer({"", name, "", "\\\\srv\\p-share", "Driver", 0, 0}).ok());
        lpt_->reset();
        share_->reset();
        lpt_->set_connect_answer("UFName:" + name, c.local_answer, "LPT1",
                                 channel_table({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
        share_->set_connect_answer("\\\\srv\\p-share", c.share_answer, "\x07", channel_table({1, 2, 3}));
        ASSERT_EQ(api_.TWInitialize(), 0);
        std::uint8_t buffer[128];
        int size = sizeof buffer;
        EXPECT_EQ(api_.TWGetAvailableChannel(1, name.c_str(), buffer, &size), c.expected) << c.what;
        auto asked = calls_of(share_, "connect");
        EXPECT_EQ(!asked.empty(), c.share_asked) << c.what;
        if (!asked.empty()) {
            EXPECT_EQ(asked[0].address, "\\\\srv\\p-share") << c.what;
        }
        ASSERT_EQ(api_.TWRelease(), 0);
    }
}

TEST_F(TwapiRouterTest, WithoutALocalSlotPrinterNamesGoStraightToTheShareRoute) {
    set_router({{"TWPShare", "SHARE"}});
    // A connection to a printer shared by HOST: its port is the share's path.
    ASSERT_TRUE(platform::add_printer_connection({"\\\\HOST", "remote", "rshare", "", "Driver", 0, 0}).ok());
    share_->set_connect_answer("\\\\HOST\\rshare", 1, "\x02", channel_table({1}));
    share_->set_auto_reply(scriptprov::Request::DeviceId, scriptprov::kReplyLength, "MFG:X;");
    ASSERT_EQ(api_.TWInitialize(), 0);
    char id[32];
    int size = sizeof id;
    EXPECT_EQ(api_.TWGetDeviceID(1, "\\\\HOST\\remote", id, &size), 0);
    EXPECT_EQ(std::string(id, static_cast<std::size_t>(size)), "MFG:X;");
    EXPECT_TRUE(lpt_->calls().empty());
    size = sizeof id;
    EXPECT_EQ(api_.TWGetDeviceID(1, "Unknown", id, &size), -13)
        << "a printer the spooler does not know: empty address refused, older library missing";
    auto asked = calls_of(share_, "connect");
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].address, "");
}

TEST_F(TwapiRouterTest, PortNamesGoToTheShareProviderAsTheyAre) {
    share_->set_connect_answer("PORTX", 1, "\x09", channel_table({4}));
    lpt_->set_connect_answer("UFName:PORTX", 1, "LPT1", channel_table({1}));
    ASSERT_EQ(api_.TWInitialize(), 0);
    EXPECT_EQ(api_.TWOpenChannel(0, "PORTX", 1), -6) << "the share provider's channels, not the local one's";
    EXPECT_GT(api_.TWOpenChannel(0, "PORTX", 4), 0);
    EXPECT_TRUE(calls_of(lpt_, "connect").empty());
    EXPECT_EQ(api_.TWOpenChannel(2, "PORTX2", 4), -13) << "other kinds reach the older library only";
    EXPECT_TRUE(calls_of(lpt_, "connect").empty());
    EXPECT_EQ(calls_of(share_, "connect").size(), 1u);
}

TEST_F(TwapiRouterTest, ShareConnectionIsPassedAsItsFirstFourBytes) {
    share_->set_connect_answer("\\\\srv\\q", 1, std::string("\x2A\x00\x00\x00", 4), channel_table({1}));
    ASSERT_EQ(api_.TWInitialize(), 0);
    int handle = api_.TWOpenChannel(0, "\\\\srv\\q", 1);
    ASSERT_GT(handle, 0);
    EXPECT_EQ(api_.TWSend(handle, "x", 1), 1);
    auto sends = calls_of(share_, "send");
    ASSERT_EQ(sends.size(), 1u);
    EXPECT_EQ(sends[0].connection, "\x2A");
}

TEST_F(TwapiRouterTest, NamesAreLookedUpWithoutRegardToLetterCase) {
    add_local_printer("Office Printer", {1, 2});
    ASSERT_EQ(api_.TWInitialize(), 0);
    std::uint8_t entries[128];
    int size = sizeof entries;
    EXPECT_EQ(api_.TWGetAvailableChannel(1, "Office Printer", entries, &size), 2);
    EXPECT_EQ(api_.TWGetAvailableChannel(1, "OFFICE printer", entries, &size), 2);
    EXPECT_GT(api_.TWOpenChannel(1, "office PRINTER", 2), 0);
    EXPECT_GT(api_.TWOpenChannel(0, "Office Printer", 1), 0) << "a record made by kind 1 serves kind 0";
    EXPECT_EQ(calls_of(lpt_, "connect").size(), 1u) << "resolved once, served from the list after";
    EXPECT_TRUE(calls_of(share_, "connect").empty());
}

TEST_F(TwapiRouterTest, AvailableChannelsFollowTheSizeProtocol) {
    add_local_printer("P", {1, 0x10000005, 0x02000001});
    ASSERT_EQ(api_.TWInitialize(), 0);
    int size = 500;
    EXPECT_EQ(api_.TWGetAvailableChannel(1, "P", nullptr, &size), -4);
    EXPECT_EQ(size, 24);
    std::uint8_t entries[24];
    size = 23;
    EXPECT_EQ(api_.TWGetAvailableChannel(1, "P", entries, &size), -4);
    EXPECT_EQ(size, 24);
    EXPECT_EQ(api_.TWGetAvailableChannel(1, "P", entries, &size), 3);
    EXPECT_EQ(size, 24);
    auto expected = channel_table({1, 0x10000005, 0x02000001});
    EXPECT_EQ(std::memcmp(entries, expected.data(), sizeof entries), 0) << "entries passed through untouched";
}

}  // namespace
}  // namespace twtest
