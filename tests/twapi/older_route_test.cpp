// The older library's route through TWAPI2: binding the stand-in TWAPI.so
// from the computer's system folder, the register of print servers kept
// across processes, forwarding on its channels, and the notification window
// that turns its messages into the caller's.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "outside/older_twapi/older_config.h"
#include "outside/printer_sim/printer_command.h"
#include "outside/printer_sim/sim_connection.h"
#include "platform/library.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "tests/support/child_process.h"
#include "tests/twapi/twapi_fixture.h"
#include "twapi/older_ports.h"

namespace twtest {
namespace {

twtest::ChildRole run_sim("run-sim", [](const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>(TWPRINTER_SIM_PROGRAM)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(TWPRINTER_SIM_PROGRAM, argv.data());
    std::perror("execv " TWPRINTER_SIM_PROGRAM);
    return 127;
});

// Another process of the same computer resolves a name (kind, name) through
// its own TWAPI2 and prints the result.
twtest::ChildRole resolve_elsewhere("resolve", [](const std::vector<std::string>& args) {
    auto module = platform::load_library(TWAPI2_PATH);
    if (!module) return 3;
    auto api = twapi::bind_api(*module);
    if (!api) return 4;
    api->TWInitialize();
    std::uint8_t table[128];
    int size = sizeof table;
    std::printf("%d\n", api->TWGetAvailableChannel(std::stoi(args.at(0)), args.at(1).c_str(), table, &size));
    std::fflush(stdout);
    api->TWRelease();
    return 0;
});

constexpr int kStatusChannel = 4;
constexpr int kCommandChannel = 0x10000005;

std::vector<std::string> registered_servers() {
    std::vector<std::string> names;
    auto key = platform::RegKey::open(platform::RootKey::LocalMachine, twapi::kOldPortsKey);
    if (!key) return names;
    for (std::uint32_t i = 0;; ++i) {
        auto name = key->enum_key(i);
        if (!name) break;
        names.push_back(*name);
    }
    return names;
}

void register_server(const std::string& server) {
    ASSERT_TRUE(platform::RegKey::create(platform::RootKey::LocalMachine, std::string(twapi::kOldPortsKey) + "\\" + server));
}

// The scripted providers refuse every name (-4), so each name goes on to the
// older library, whose printers "\\ATTIC\Old", "\\ATTIC\Other", "\\BARN\Old"
// and "Old Desk" all lead to the running simulated printer "Old Kestrel".
class OlderRouteTest : public TwapiTest {
protected:
    void SetUp() override {
        TwapiTest::SetUp();
        if (HasFatalFailure()) return;
        simulator_ = std::make_unique<ChildProcess>(spawn_child("run-sim", {"serve", "Old Kestrel"}));
        std::string line = simulator_->read_line();
        ASSERT_EQ(line.rfind("ready: printer Old Kestrel", 0), 0u) << line;
        for (const char* name : {"\\\\ATTIC\\Old", "\\\\ATTIC\\Other", "\\\\BARN\\Old", "Old Desk"})
            ASSERT_TRUE(oldtwapi::map_printer(name, "Old Kestrel"));
    }

    // Puts the stand-in where TWAPI2 looks for it: the system folder.
    void install_older_library() {
        auto system = platform::system_directory_host_path();
        ASSERT_TRUE(system);
        std::filesystem::create_symlink(TWAPI_PATH, *system / "TWAPI.so");
    }

    void set_printer(const std::string& assignment) {
        auto control = twsim::SimulatorConnection::connect("Old Kestrel");
        ASSERT_TRUE(control) << control.error().describe();
        ASSERT_TRUE((*control)->set({assignment}));
    }

    int channels(int kind, const char* name) {
        std::uint8_t table[128];
        int size = sizeof table;
        return api_.TWGetAvailableChannel(kind, name, table, &size);
    }

    int open_older(int channel) {
        install_older_library();
        EXPECT_EQ(api_.TWInitialize(), 0);
        int handle = api_.TWOpenChannel(0, "\\\\ATTIC\\Old", channel);
        EXPECT_GT(handle, 0);
        return handle;
    }

    std::unique_ptr<ChildProcess> simulator_;
};

TEST_F(OlderRouteTest, MissingLibraryIsNotLookedForAgainUntilTheLastRelease) {
    ASSERT_EQ(api_.TWInitialize(), 0);
    EXPECT_EQ(channels(1, "Old Desk"), -13);
    install_older_library();
    EXPECT_EQ(channels(0, "\\\\ATTIC\\Old"), -13) << "the route stays unavailable";
    ASSERT_EQ(api_.TWInitialize(), 0);
    ASSERT_EQ(api_.TWRelease(), 0);
    EXPECT_EQ(channels(0, "\\\\ATTIC\\Old"), -13) << "a nested release is not the last";
    ASSERT_EQ(api_.TWRelease(), 0);

    ASSERT_EQ(api_.TWInitialize(), 0);
    EXPECT_EQ(channels(0, "\\\\ATTIC\\Old"), 5);
    EXPECT_EQ(channels(7, "Old Desk"), 5) << "any other kind goes to the older library only";
}

TEST_F(OlderRouteTest, AServerWhosePrinterTheOlderLibraryTookSkipsTheShareRouteInEveryProcess) {
    install_older_library();
    // BARN: refused by the share provider, accepted by the older library.
    ASSERT_EQ(api_.TWInitialize(), 0);
    EXPECT_EQ(channels(0, "\\\\BARN\\Old"), 5);
    ASSERT_EQ(calls_of(share_, "connect").size(), 1u);
    EXPECT_EQ(calls_of(share_, "connect")[0].address, "\\\\BARN\\Old");
    EXPECT_EQ(registered_servers(), std::vector<std::string>{"BARN"});

    // ATTIC: learnt by another process.
    auto child = spawn_child("resolve", {"0", "\\\\ATTIC\\Old"});
    EXPECT_EQ(child.read_line(), "5");
    EXPECT_EQ(child.wait(), 0);
    EXPECT_EQ(registered_servers(), (std::vector<std::string>{"ATTIC", "BARN"}));

    // Here, another printer on ATTIC, by port name and by a spooler printer
    // whose port is on ATTIC, goes straight to the older library.
    ASSERT_TRUE(platform::add_printer({.printer_name = "Old Desk", .port_name = "\\\\ATTIC\\Desk", .driver_name = "d"}));
    share_->reset();
    EXPECT_EQ(channels(0, "\\\\ATTIC\\Other"), 5);
    EXPECT_EQ(channels(1, "Old Desk"), 5);
    EXPECT_TRUE(calls_of(share_, "connect").empty());
    EXPECT_EQ(calls_of(lpt_, "connect").size(), 1u) << "the local-port route still comes first";
}

TEST_F(OlderRouteTest, NotFoundInTheOlderLibraryRemovesTheServerOnlyAfterTheShareRoute) {
    install_older_library();
    struct Case {
        int kind;
        std::vector<std::string> left;
    };
    for (Case c : {Case{2, {"ATTIC", "BARN"}}, Case{0, {"BARN"}}}) {
        register_server("ATTIC");
        register_server("BARN");
        ASSERT_EQ(api_.TWInitialize(), 0);
        EXPECT_EQ(channels(c.kind, "\\\\ATTIC\\Gone"), -5) << c.kind;
        EXPECT_EQ(registered_servers(), c.left) << "kind " << c.kind;
        ASSERT_EQ(api_.TWRelease(), 0);
    }
}

TEST_F(OlderRouteTest, ReadAndStatusWindowsHearWithTheCallersHandle) {
    int command = open_older(kCommandChannel);
    int status = api_.TWOpenChannel(0, "\\\\ATTIC\\Old", kStatusChannel);
    ASSERT_GT(status, 0);
    const int window = static_cast<int>(notification_window());
    ASSERT_EQ(api_.TWSetOption(command, 3, &window), 0);
    ASSERT_EQ(api_.TWSetOption(status, 4, &window), 0);
    int value = 0;
    unsigned int size = 4;
    ASSERT_EQ(api_.TWGetOption(command, 3, &value, &size), 0);
    EXPECT_EQ(value, window) << "the caller's window, not the one the older library was given";
    set_printer("busy=300");

    auto ii = twsim::command_ink_information();
    ASSERT_EQ(api_.TWSend(command, ii.data(), static_cast<int>(ii.size())), static_cast<int>(ii.size()));
    std::vector<char> buffer(2048);
    int length = static_cast<int>(buffer.size());
    ASSERT_EQ(api_.TWReceive(command, buffer.data(), &length, -1), -10);
    length = static_cast<int>(buffer.size());
    ASSERT_EQ(api_.TWGetStatus(status, buffer.data(), &length), 0);
    EXPECT_EQ(length, 0);

    ASSERT_TRUE(notifications().wait_for(2, 10000));
    auto heard = notifications().all();
    ASSERT_EQ(heard.size(), 2u);
    std::map<std::uint32_t, std::int32_t> handle_of_message;
    for (const auto& n : heard) {
        EXPECT_EQ(n.window, static_cast<std::uint32_t>(window));
        EXPECT_EQ(n.wparam, 0u);
        handle_of_message[n.message] = n.lparam;
    }
    EXPECT_EQ(handle_of_message[1025], command);
    EXPECT_EQ(handle_of_message[1026], status);

    length = static_cast<int>(buffer.size());
    EXPECT_GT(api_.TWReceive(command, buffer.data(), &length, 0), 0);
    EXPECT_EQ(std::string(buffer.data(), 5), "@BDC ");
    length = static_cast<int>(buffer.size());
    EXPECT_GT(api_.TWGetStatus(status, buffer.data(), &length), 0);
    EXPECT_EQ(std::string(buffer.data(), 7), "@BDC ST");

    // The read window switched off again: the older library waits again too.
    const int none = 0;
    ASSERT_EQ(api_.TWSetOption(command, 3, &none), 0);
    ASSERT_GT(api_.TWSend(command, ii.data(), static_cast<int>(ii.size())), 0);
    length = static_cast<int>(buffer.size());
    EXPECT_GT(api_.TWReceive(command, buffer.data(), &length, 10000), 0);
}

TEST_F(OlderRouteTest, OptionsOtherThanTheWindowsAreTheOlderLibrarys) {
    int handle = open_older(kStatusChannel);
    int value = 0;
    unsigned int size = 4;
    ASSERT_EQ(api_.TWGetOption(handle, 1, &value, &size), 0);
    EXPECT_EQ(value, 4096) << "the older library's own default, not the channel record's 2048";
    const int set = 777;
    ASSERT_EQ(api_.TWSetOption(handle, 2, &set), 0);
    ASSERT_EQ(api_.TWGetOption(handle, 2, &value, &size), 0);
    EXPECT_EQ(value, 777);
    EXPECT_EQ(api_.TWSetOption(handle, 9, &set), -14) << "its answer for an option it does not know";
}

TEST_F(OlderRouteTest, DeviceIdStatusAndCloseGoThroughTheOlderLibrary) {
    int handle = open_older(kStatusChannel);
    char small[10];
    int size = sizeof small;
    ASSERT_EQ(api_.TWGetDeviceID(0, "\\\\ATTIC\\Old", small, &size), -4);
    std::vector<char> id(static_cast<std::size_t>(size));
    ASSERT_EQ(api_.TWGetDeviceID(0, "\\\\attic\\old", id.data(), &size), 0);
    EXPECT_NE(std::string(id.data(), static_cast<std::size_t>(size)).find("MDL:Kestrel 800;"), std::string::npos);

    size = sizeof small;
    ASSERT_EQ(api_.TWGetStatus(handle, small, &size), -4);
    std::vector<char> status(static_cast<std::size_t>(size));
    const int needed = size;
    EXPECT_EQ(api_.TWGetStatus(handle, status.data(), &size), needed);
    EXPECT_EQ(std::string(status.data(), 15), "@BDC ST\r\nST:04;");

    EXPECT_EQ(api_.TWOpenChannel(0, "\\\\ATTIC\\Old", 12345), -6);
    EXPECT_EQ(api_.TWCloseChannel(handle), 0);
    EXPECT_EQ(api_.TWSend(handle, "x", 1), -7);
}

}  // namespace
}  // namespace twtest
