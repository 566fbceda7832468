// The provider's rules that need no agent: port names, the elapsed time on a
// wrapping tick count, the protocol set and the per-connection list rules.
#include <gtest/gtest.h>

#include "platform/machine_root.h"
#include "platform/registry.h"
#include "shareprov/request_list.h"
#include "shareprov/settings.h"
#include "shareprov/targets.h"
#include "tests/support/test_root.h"

using namespace shareprov;

namespace {

TEST(PortNameTest, SplitsOnlyWellFormedShareNames) {
    struct Case {
        std::string port;
        const char* computer;
        const char* printer;
    };
    const Case cases[] = {
        {"\\\\SRV\\Laser", "SRV", "Laser"},
        {"\\\\SRV\\Laser\\extra", "SRV", ""},
        {"SRV\\Laser", "", ""},
        {"\\SRV\\Laser", "", ""},
        {"\\\\SRV", "", ""},
        {"\\\\SRV\\", "SRV", ""},
        {"\\\\\\Laser", "", "Laser"},
        {"\\\\S\\" + std::string(255, 'p'), "S", nullptr},  // 259 bytes: still split
        {"\\\\S\\" + std::string(256, 'p'), "", ""},        // 260 bytes: too long
    };
    for (const auto& c : cases) {
        auto parts = split_port_name(c.port);
        EXPECT_EQ(parts.computer, c.computer) << c.port;
        if (c.printer) {
            EXPECT_EQ(parts.printer, c.printer) << c.port;
        } else {
            EXPECT_EQ(parts.printer.size(), 255u);
        }
    }
}

TEST(PortNameTest, ComputersRegisteredAsNetworkPrintersAreRecognised) {
    twtest::TempMachineRoot root;
    auto ip = platform::RegKey::create(platform::RootKey::LocalMachine, "SOFTWARE\\KAVRO\\TWPrinter\\TWProvider\\TWPIP");
    auto spool = platform::RegKey::create(platform::RootKey::LocalMachine, "SOFTWARE\\KavroNet\\NetSpool\\KNSPIP");
    ASSERT_TRUE(ip && spool);
    ASSERT_TRUE(ip->key.set_string("ID0", "\\\\NetBox\\lp").ok());
    ASSERT_TRUE(ip->key.set_string("Name", "\\\\NotAnId\\lp").ok());
    ASSERT_TRUE(ip->key.set_string("id1", "\\\\LowerCaseId\\lp").ok());
    ASSERT_TRUE(spool->key.set_string("ID7", "\\\\Spooled").ok());
    ASSERT_TRUE(spool->key.set_string("ID8", "NoSlashes").ok());
    struct Case {
        const char* computer;
        bool registered;
    };
    const Case cases[] = {
        {"NetBox", true},   {"NETBOX", true},        {"Spooled", true},  {"NotAnId", false},
        {"LowerCaseId", false}, {"NoSlashes", false}, {"Net", false},
    };
    for (const auto& c : cases) EXPECT_EQ(is_network_printer(c.computer), c.registered) << c.computer;
}

TEST(TargetTableTest, SamePortSameIdAndNewPortsTheNextFreeId) {
    TargetTable table;
    EXPECT_EQ(table.add("\\\\A\\p", split_port_name("\\\\A\\p")), 1);
    EXPECT_EQ(table.add("\\\\B\\p", split_port_name("\\\\B\\p")), 2);
    EXPECT_EQ(table.add("\\\\A\\p", split_port_name("\\\\A\\p")), 1);
    EXPECT_EQ(table.add("\\\\a\\p", split_port_name("\\\\a\\p")), 3) << "port names compare with letter case";
    ASSERT_TRUE(table.find(2));
    EXPECT_EQ(table.find(2)->computer, "B");
    EXPECT_FALSE(table.find(4));
    table.clear();
    EXPECT_FALSE(table.find(1));
    EXPECT_EQ(table.add("\\\\B\\p", split_port_name("\\\\B\\p")), 1);
}

TEST(ElapsedTest, DifferencesAcrossTheWrapCountOneLess) {
    struct Case {
        std::uint32_t earlier, now, elapsed;
    };
    const Case cases[] = {
        {100, 100, 0},
        {100, 2600, 2500},
        {0xFFFFFFF0u, 0xFFFFFFFFu, 0xF},
        {0xFFFFFFF0u, 0x10u, 0x1F},
        {0xFFFFFFFFu, 0u, 0},
        {0x80000000u, 0x7FFFFFFFu, 0xFFFFFFFEu},
    };
    for (const auto& c : cases) EXPECT_EQ(elapsed_ms(c.earlier, c.now), c.elapsed) << c.earlier << " " << c.now;
}

TEST(ProtocolTest, AvailableProtocolsFollowTheReportedSystem) {
    twtest::TempMachineRoot root;
    struct Case {
        const char* platform;
        const char* major;
        bool nwlink;
        std::uint32_t set;
    };
    const Case cases[] = {
        {"2", "5", false, kProtocolMailslot | kProtocolUdp},
        {"2", "4", true, kProtocolMailslot | kProtocolUdp},
        {"1", "4", false, kProtocolMailslot | kProtocolUdp},
        {"1", "4", true, kProtocolUdp},
        {"1", "3", false, kProtocolUdp},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(platform::set_machine_fact("PlatformId", c.platform).ok());
        ASSERT_TRUE(platform::set_machine_fact("MajorVersion", c.major).ok());
        if (c.nwlink) {
            ASSERT_TRUE(platform::RegKey::create(platform::RootKey::LocalMachine, "Enum\\Network\\NWLINK"));
        } else if (auto key = platform::RegKey::open(platform::RootKey::LocalMachine, "Enum")) {
            ASSERT_TRUE(key->delete_tree("Network").ok());
        }
        EXPECT_EQ(available_protocols(), c.set) << c.platform << "." << c.major << " nwlink " << c.nwlink;
    }
}

// A list built from (connection, state) pairs.
void fill(RequestList& list, std::initializer_list<std::pair<int, RequestState>> rows) {
    int id = 1;
    for (auto [connection, state] : rows) {
        auto r = std::make_unique<Request>();
        r->request_id = id++;
        r->connection = connection;
        r->state = state;
        list.items.push_back(std::move(r));
    }
}

std::vector<int> ids(const RequestList& list) {
    std::vector<int> out;
    for (const auto& r : list.items) out.push_back(r->request_id);
    return out;
}

TEST(RequestListTest, LaterReplyFailsOnlyEarlierWaitingRequestsOfItsConnection) {
    using enum RequestState;
    RequestList list;
    fill(list, {{1, Acknowledged}, {2, Acknowledged}, {1, Written}, {1, Acknowledged}, {1, Acknowledged}});
    auto& answered = *std::next(list.items.begin(), 3)->get();
    auto failed = list.fail_earlier_waiting(answered);
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0]->request_id, 1);
    std::vector<RequestState> states;
    for (const auto& r : list.items) states.push_back(r->state);
    EXPECT_EQ(states, (std::vector<RequestState>{Failed, Acknowledged, Written, Acknowledged, Acknowledged}));
}

TEST(RequestListTest, NextQueuedIsTheFirstQueuedOfTheConnectionAfterTheGivenOne) {
    using enum RequestState;
    RequestList list;
    fill(list, {{1, Queued}, {1, Written}, {2, Queued}, {1, Queued}, {1, Queued}});
    auto& written = *std::next(list.items.begin(), 1)->get();
    Request* next = list.next_queued(written);
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->request_id, 4);
    EXPECT_EQ(list.next_queued(*list.items.back()), nullptr);
}

TEST(RequestListTest, FinishedRequestDropsEarlierUnansweredOnesOfItsConnection) {
    using enum RequestState;
    RequestList list;
    fill(list, {{2, Acknowledged}, {1, Acknowledged}, {1, Queued}, {1, Replied}, {1, Failed}});
    auto found = list.find_finished();
    ASSERT_NE(found, list.items.end());
    EXPECT_EQ((*found)->request_id, 4);
    EXPECT_EQ(ids(list), (std::vector<int>{1, 3, 4, 5}));
    RequestList failed;
    fill(failed, {{1, Acknowledged}, {1, Failed}});
    ASSERT_NE(failed.find_finished(), failed.items.end());
    EXPECT_EQ(ids(failed), (std::vector<int>{1, 2})) << "a failure on this side supersedes nothing";
    RequestList none;
    fill(none, {{1, Acknowledged}, {1, Written}});
    EXPECT_EQ(none.find_finished(), none.items.end());
    EXPECT_EQ(ids(none), (std::vector<int>{1, 2}));
}

}  // namespace
