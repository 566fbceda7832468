// The local-port provider as TWAPI2 drives it: loaded with the platform
// loader, bound through its export, called through its provider record, with
// a real simulated printer process behind a spooler printer's port.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <set>
#include <thread>

#include "outside/lptprov/lpt_config.h"
#include "twapi/provider.h"
#include "outside/printer_sim/printer.h"
#include "outside/printer_sim/printer_command.h"
#include "outside/printer_sim/sim_connection.h"
#include "platform/library.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"

namespace {

using namespace std::chrono_literals;

twtest::ChildRole run_sim("run-sim", [](const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>(TWPRINTER_SIM_PROGRAM)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(TWPRINTER_SIM_PROGRAM, argv.data());
    std::perror("execv " TWPRINTER_SIM_PROGRAM);
    return 127;
});

struct Reply {
    int result = 0;
    int id = 0;
    std::string bytes;
};

// A computer with:
//   Office   on port SIM1:, which leads to the simulated printer "Office Kestrel"
//   Plain    on port LPT1:, which is no port of the provider
//   \\ATTIC\Upstairs, a connection whose server reports port SIM1: too
//   Dark     on port SIM2:, whose simulated printer is not running
class LptProviderTest : public ::testing::Test {
protected:
    void SetUp() override {
        start_simulator();
        ASSERT_TRUE(platform::add_printer({.printer_name = "Office", .port_name = "SIM1:", .driver_name = "d"}));
        ASSERT_TRUE(platform::add_printer({.printer_name = "Plain", .port_name = "LPT1:", .driver_name = "d"}));
        ASSERT_TRUE(platform::add_printer({.printer_name = "Dark", .port_name = "SIM2:", .driver_name = "d"}));
        ASSERT_TRUE(platform::add_printer_connection(
            {.server_name = "ATTIC", .printer_name = "Upstairs", .port_name = "SIM1:", .driver_name = "d"}));
        ASSERT_TRUE(lptprov::map_port("SIM1:", "Office Kestrel"));
        ASSERT_TRUE(lptprov::map_port("SIM2:", "Switched Off"));

        auto module = platform::load_library(TWP_LPT_PROVIDER);
        ASSERT_TRUE(module) << module.error().describe();
        module_ = *module;
        auto info = platform::get_proc_address(module_, "TWPGetProviderInfo");
        ASSERT_TRUE(info);
        auto local = platform::get_proc_address(module_, "TWPGetLocal");
        ASSERT_TRUE(local);
        get_provider_info_ = reinterpret_cast<TWPGetProviderInfoFn>(*info);
        get_local_ = reinterpret_cast<TWPGetLocalFn>(*local);
        ProviderRecord* record = nullptr;
        ASSERT_EQ(get_provider_info_(&record), 0);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->number3, 6u);
        record_ = *record;  // TWAPI2 keeps a copy, so do we
    }

    void TearDown() override {
        if (module_ != platform::kNullHandle) {
            record_.TWPReceiveCancel();
            EXPECT_TRUE(platform::free_library(module_));
        }
    }

    void start_simulator() {
        simulator_ = std::make_unique<twtest::ChildProcess>(twtest::spawn_child("run-sim", {"serve", "Office Kestrel"}));
        std::string line = simulator_->read_line();
        ASSERT_EQ(line.rfind("ready: printer Office Kestrel", 0), 0u) << line;
    }

    // Connect info for an address: the result, and the connection it wrote.
    int connect(const char* address, std::string* connection = nullptr, std::vector<std::uint8_t>* table = nullptr) {
        char conn[260];
        std::uint8_t channels[128];
        std::memset(conn, 0x55, sizeof conn);
        int n = record_.TWPGetConnectInfo(address, conn, channels);
        if (n > 0 && connection) connection->assign(conn, strnlen(conn, sizeof conn));
        if (n > 0 && table) table->assign(channels, channels + 8 * n);
        return n;
    }

    Reply receive(int buffer_size = 2048) {
        Reply r;
        std::string buffer(static_cast<std::size_t>(buffer_size), '\0');
        int size = buffer_size;
        r.result = record_.TWPReceive(&r.id, buffer.data(), &size);
        if (r.result >= 0) r.bytes.assign(buffer.data(), static_cast<std::size_t>(size));
        else r.bytes.assign(static_cast<std::size_t>(size), '?');  // size carries the needed length
        return r;
    }

    twtest::TempMachineRoot root_;
    std::unique_ptr<twtest::ChildProcess> simulator_;
    platform::Handle module_ = platform::kNullHandle;
    TWPGetProviderInfoFn get_provider_info_ = nullptr;
    TWPGetLocalFn get_local_ = nullptr;
    ProviderRecord record_{};
};

TEST_F(LptProviderTest, ConnectInfoAndGetLocalTellOwnPrintersFromOthers) {
    struct Case {
        const char* address;
        int connect_result;  // > 0: own printer with that many channels
        bool local;
    };
    const Case cases[] = {
        {"UFName:Office", 5, true},
        {"UFName:OFFICE", 5, true},               // letter case ignored, as the spooler does
        {"UFName:\\\\TWPHOST\\Office", 5, true},  // this computer's own name in front
        {"UFName:Plain", -4, false},              // a port the provider does not serve
        {"UFName:Nobody", -4, false},             // unknown to the spooler
        {"UFName:\\\\ATTIC\\Upstairs", -4, false},  // another computer's printer, whatever its port
        {"UFName:", -4, false},
        {"Office", -4, false},                    // not an address of this provider
        {"UFName:Dark", -1, true},                // its own, but the printer is not running
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        std::string connection;
        std::vector<std::uint8_t> table;
        EXPECT_EQ(connect(c.address, &connection, &table), c.connect_result);
        EXPECT_EQ(get_local_(c.address) == 0, c.local);
        if (c.connect_result > 0) {
            EXPECT_EQ(connection, "SIM1:");
            // First entry: the status channel 4 with mode 4, little-endian.
            ASSERT_GE(table.size(), 8u);
            EXPECT_EQ(std::vector<std::uint8_t>(table.begin(), table.begin() + 8),
                      (std::vector<std::uint8_t>{4, 0, 0, 0, 4, 0, 0, 0}));
        }
    }
    char conn[260];
    std::uint8_t channels[128];
    EXPECT_EQ(record_.TWPGetConnectInfo(nullptr, conn, channels), -7);
    EXPECT_EQ(record_.TWPGetConnectInfo("UFName:Office", nullptr, channels), -7);
    EXPECT_EQ(record_.TWPGetConnectInfo("UFName:Office", conn, nullptr), -7);
    EXPECT_NE(get_local_(nullptr), 0);
}

TEST_F(LptProviderTest, RepliesComeThroughReceiveUnderTheirIdsInOrder) {
    std::string connection;
    ASSERT_EQ(connect("UFName:Office", &connection), 5);
    const auto remain = twsim::command_ink_remain();
    EXPECT_EQ(record_.TWPDeviceIDRequest(101, connection.c_str()), 0);
    EXPECT_EQ(record_.TWPStatusRequest(102, connection.c_str(), 4), 0);
    EXPECT_EQ(record_.TWPSend(103, connection.c_str(), 0x10000005, remain.data(), static_cast<int>(remain.size())),
              static_cast<int>(remain.size()));

    Reply device_id = receive();
    Reply status = receive();
    Reply answer = receive();
    EXPECT_EQ(device_id.id, 101);
    EXPECT_NE(device_id.bytes.find("MFG:KAVRO;"), std::string::npos);
    EXPECT_EQ(device_id.result, static_cast<int>(device_id.bytes.size()));
    EXPECT_EQ(status.id, 102);
    EXPECT_EQ(status.bytes, "@BDC ST\r\nST:04;IQ:64646464;RV:0;TC:0000;\x0c");
    EXPECT_EQ(answer.id, 103);
    EXPECT_EQ(answer.bytes, "@BDC PS\r\nIR:00640064;\x0c");
}

TEST_F(LptProviderTest, RequestsThatCannotBeMadeSayWhy) {
    std::string connection;
    ASSERT_EQ(connect("UFName:Office", &connection), 5);
    const auto reset = twsim::command_reset();
    const int n = static_cast<int>(reset.size());
    struct Case {
        const char* what;
        int result;
        int expected;
    };
    const Case cases[] = {
        {"status on a channel the printer lacks", record_.TWPStatusRequest(1, connection.c_str(), 5), -3},
        {"commands to a status-only channel", record_.TWPSend(2, connection.c_str(), 4, reset.data(), n), -2},
        {"connection never handed out", record_.TWPStatusRequest(3, "LPT1:", 4), -4},
        {"connection never handed out (device ID)", record_.TWPDeviceIDRequest(4, "SIM9:"), -4},
        {"null connection", record_.TWPStatusRequest(5, nullptr, 4), -7},
        {"null data", record_.TWPSend(6, connection.c_str(), 0x10000005, nullptr, 5), -7},
        {"negative length", record_.TWPSend(7, connection.c_str(), 0x10000005, reset.data(), -1), -7},
    };
    for (const auto& c : cases) EXPECT_EQ(c.result, c.expected) << c.what;
    // The connection string is compared ignoring letter case, as port names are.
    EXPECT_EQ(record_.TWPStatusRequest(8, "sim1:", 4), 0);
    EXPECT_EQ(receive().id, 8);
}

TEST_F(LptProviderTest, AReplyLargerThanTheBufferIsKeptForTheNextCall) {
    std::string connection;
    ASSERT_EQ(connect("UFName:Office", &connection), 5);
    ASSERT_EQ(record_.TWPDeviceIDRequest(7, connection.c_str()), 0);
    ASSERT_EQ(record_.TWPStatusRequest(8, connection.c_str(), 4), 0);

    Reply small = receive(4);
    EXPECT_EQ(small.result, -5);
    EXPECT_EQ(small.id, 7);
    const std::size_t needed = small.bytes.size();
    ASSERT_GT(needed, 4u);
    EXPECT_EQ(receive(static_cast<int>(needed) - 1).result, -5);  // still too small: still kept

    Reply whole = receive(static_cast<int>(needed));
    EXPECT_EQ(whole.result, static_cast<int>(needed));
    EXPECT_EQ(whole.id, 7);
    EXPECT_NE(whole.bytes.find("MFG:KAVRO;"), std::string::npos);
    Reply next = receive();
    EXPECT_EQ(next.id, 8);  // the kept reply is handed out once
    EXPECT_EQ(next.bytes.rfind("@BDC ST\r\n", 0), 0u);
}

TEST_F(LptProviderTest, CancelEndsABlockedReceiveAndTheProviderCanAttachAgain) {
    std::atomic<bool> returned{false};
    int result = 0;
    std::thread receiver([&] {
        result = receive().result;
        returned = true;
    });
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(returned.load());  // nothing was asked, so it still waits
    EXPECT_EQ(record_.TWPReceiveCancel(), 0);
    receiver.join();
    EXPECT_EQ(result, -6);
    EXPECT_EQ(receive().result, -6);  // receiving has ended
    EXPECT_EQ(connect("UFName:Office"), -6);

    ProviderRecord* again = nullptr;
    ASSERT_EQ(get_provider_info_(&again), 0);
    std::string connection;
    ASSERT_EQ(connect("UFName:Office", &connection), 5);
    ASSERT_EQ(record_.TWPStatusRequest(9, connection.c_str(), 4), 0);
    EXPECT_EQ(receive().id, 9);
}

TEST_F(LptProviderTest, APrinterThatGoesAwayFailsItsRequestsAndIsReachedAgainWhenBack) {
    std::string connection;
    ASSERT_EQ(connect("UFName:Office", &connection), 5);
    {
        auto control = twsim::SimulatorConnection::connect("Office Kestrel");
        ASSERT_TRUE(control);
        ASSERT_TRUE((*control)->set({"silent=1"}));
    }
    ASSERT_EQ(record_.TWPStatusRequest(21, connection.c_str(), 4), 0);
    simulator_->kill();
    Reply lost = receive();
    EXPECT_EQ(lost.id, 21);
    EXPECT_EQ(lost.result, -1);

    EXPECT_EQ(record_.TWPStatusRequest(22, connection.c_str(), 4), -1);  // nobody to ask
    start_simulator();
    ASSERT_EQ(record_.TWPStatusRequest(23, connection.c_str(), 4), 0);
    Reply back = receive();
    EXPECT_EQ(back.id, 23);
    EXPECT_EQ(back.bytes.rfind("@BDC ST\r\n", 0), 0u);
}

TEST_F(LptProviderTest, APortMappedToAnotherPrinterIsFollowedAtTheNextConnectInfo) {
    auto second = twtest::spawn_child("run-sim", {"serve", "Second", "--model", "kestrel-870"});
    ASSERT_EQ(second.read_line().rfind("ready: printer Second", 0), 0u);
    auto device_id = [&](int id) {
        std::string connection;
        EXPECT_EQ(connect("UFName:Office", &connection), 5);
        EXPECT_EQ(record_.TWPDeviceIDRequest(id, connection.c_str()), 0);
        Reply r = receive();
        EXPECT_EQ(r.id, id);
        return r.bytes;
    };
    EXPECT_NE(device_id(31).find("MDL:Kestrel 800;"), std::string::npos);
    ASSERT_TRUE(lptprov::map_port("SIM1:", "Second"));
    EXPECT_NE(device_id(32).find("MDL:Kestrel 870;"), std::string::npos);
}

TEST_F(LptProviderTest, ManyThreadsRequestWhileOneReceives) {
    std::string connection;
    ASSERT_EQ(connect("UFName:Office", &connection), 5);
    constexpr int kThreads = 4, kEach = 25;
    const int channels[kThreads] = {4, 0x10010003, 0x10000003, 0x02000001};
    std::multiset<int> ids;
    std::thread receiver([&] {
        for (int i = 0; i < kThreads * kEach; ++i) {
            Reply r = receive();
            if (r.result < 0) break;
            ids.insert(r.id);
        }
    });
    std::vector<std::thread> askers;
    std::atomic<int> refused{0};
    for (int t = 0; t < kThreads; ++t) {
        askers.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i)
                if (record_.TWPStatusRequest(1000 * (t + 1) + i, connection.c_str(), channels[t]) != 0) ++refused;
        });
    }
    for (auto& a : askers) a.join();
    receiver.join();
    EXPECT_EQ(refused.load(), 0);
    std::multiset<int> expected;
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kEach; ++i) expected.insert(1000 * (t + 1) + i);
    EXPECT_EQ(ids, expected);
}

TEST(LptConfigTest, RegistrationSwitchesSlotZeroOnOnce) {
    twtest::TempMachineRoot root;
    using platform::RegKey;
    using platform::RootKey;
    auto router = RegKey::create(RootKey::LocalMachine, lptprov::kRouterKey);
    ASSERT_TRUE(router);
    ASSERT_TRUE(router->key.set_string("TWP1", "SHARE"));  // another slot's switch stays

    ASSERT_TRUE(lptprov::register_provider("C:\\WINNT\\SYSTEM32\\TWPLPT.DLL"));
    ASSERT_TRUE(lptprov::register_provider("/elsewhere/TwpLpt.so"));
    std::map<std::string, std::string> values;
    for (std::uint32_t i = 0;; ++i) {
        auto v = router->key.enum_value(i);
        if (!v) break;
        values[v->name] = *router->key.query_string(v->name);
    }
    EXPECT_EQ(values, (std::map<std::string, std::string>{{"TWP1", "SHARE"}, {"TWP2", "LPT"}}));
    auto provider = RegKey::open(RootKey::LocalMachine, lptprov::kProviderKey);
    ASSERT_TRUE(provider);
    EXPECT_EQ(*provider->query_string("Path"), "/elsewhere/TwpLpt.so");

    EXPECT_EQ(lptprov::free_sim_port(), "SIM1:");
    ASSERT_TRUE(lptprov::map_port("SIM1:", "A"));
    EXPECT_EQ(lptprov::free_sim_port(), "SIM2:");
    EXPECT_EQ(*lptprov::simulator_of_port("sim1:"), "A");
    EXPECT_FALSE(lptprov::simulator_of_port("SIM2:"));
}

}  // namespace
