// TWAPI2 with the routing key switching slot 1 on: a port name of the form
// \\SERVER\share reaches the share provider, and through its queues the agent
// stand-in, and the answers come back through the API.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "platform/library.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "platform/thread.h"
#include "tests/shareprov/agent_stand_in.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"
#include "twapi/api_binding.h"

using namespace platform;

namespace {

TEST(ShareRouteTest, PortNameReachesTheAgentThroughTwapi2AndTheShareProvider) {
    twtest::TempMachineRoot root;
    {
        auto router = RegKey::create(RootKey::LocalMachine, "SOFTWARE\\KAVRO\\TWPrinter\\TWRequestRouter");
        ASSERT_TRUE(router.ok());
        ASSERT_TRUE(router->key.set_string("TWP2", "SHARE").ok());
        auto share = RegKey::create(RootKey::LocalMachine, "SOFTWARE\\KAVRO\\TWPrinter\\TWProvider\\SHARE2");
        ASSERT_TRUE(share.ok());
        ASSERT_TRUE(share->key.set_string("Path", TWPSHRE2_PATH).ok());
    }
    // Two channels (4: status; 0x10000005: commands), then a status reply.
    const std::string table = "0400000004000000" "0500001003000000";
    const std::string status = "404244432053540d0a53543a30343b0c";  // "@BDC ST\r\nST:04;\f"
    auto agent = twtest::spawn_child("agent", {"take", "ack", "reply:2:" + table, "take", "ack", "reply:0:" + status,
                                               "take", "ack", "reply:2:" + table});
    // A printer of this computer whose spooler port is such a path (kind 1).
    PrinterInfo2 office;
    office.printer_name = "Office";
    office.port_name = "\\\\SRV\\Laser";
    office.driver_name = "KAVRO Kestrel 800";
    ASSERT_TRUE(add_printer(office).ok());
    ASSERT_EQ(agent.read_line(), "ready");

    auto module = load_library(TWAPI2_PATH);
    ASSERT_TRUE(module.ok()) << module.error().describe();
    auto bound = twapi::bind_api(*module);
    ASSERT_TRUE(bound.ok()) << bound.error().describe();
    const twapi::ApiBinding& api = *bound;

    ASSERT_EQ(api.TWInitialize(), 0);
    EXPECT_EQ(agent.read_line(), "attached " + std::to_string(static_cast<std::int32_t>(current_thread_id())));

    std::uint8_t channels[128] = {};
    int size = sizeof channels;
    ASSERT_EQ(api.TWGetAvailableChannel(0, "\\\\SRV\\Laser", channels, &size), 2);
    EXPECT_EQ(size, 16);
    EXPECT_NE(agent.read_line().find("req cmd=34"), std::string::npos);
    std::uint32_t second = 0;
    std::memcpy(&second, channels + 8, 4);
    EXPECT_EQ(second, 0x10000005u);
    EXPECT_EQ(channels[5] & 0xC0, 0xC0) << "the share provider marks its channels";
    EXPECT_EQ(channels[13] & 0xC0, 0xC0);

    int handle = api.TWOpenChannel(0, "\\\\srv\\laser", 4);
    ASSERT_GT(handle, 0) << "the printer record answers whatever the letter case";
    char reply[256] = {};
    int reply_size = sizeof reply;
    EXPECT_EQ(api.TWGetStatus(handle, reply, &reply_size), 16);
    EXPECT_EQ(std::string(reply, 16), std::string("@BDC ST\r\nST:04;\f"));
    EXPECT_NE(agent.read_line().find("req cmd=36"), std::string::npos);
    EXPECT_EQ(api.TWCloseChannel(handle), 0);

    // By printer name: no local-port slot is on, so the share route gets the
    // spooler's port of the printer.
    size = sizeof channels;
    EXPECT_EQ(api.TWGetAvailableChannel(1, "Office", channels, &size), 2);
    std::string request = agent.read_line();
    EXPECT_NE(request.find("req cmd=34"), std::string::npos) << request;
    EXPECT_NE(request.find("nm=SRV"), std::string::npos) << request;
    EXPECT_EQ(api.TWRelease(), 0);
    EXPECT_EQ(agent.read_line(), "detach");
    EXPECT_EQ(agent.wait(), 0);
    (void)free_library(*module);
}

}  // namespace
