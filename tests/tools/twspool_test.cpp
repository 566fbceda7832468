// twspool as a person runs it: the built program, started as a child in a
// machine root of the test's own, and what it leaves behind checked the way
// TWAPI2 would find it (routing key, provider path, spooler port, simulator).
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>

#include "outside/lptprov/lpt_config.h"
#include "twapi/provider.h"
#include "platform/library.h"
#include "platform/machine_root.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"

namespace {

twtest::ChildRole run_twspool("twspool", [](const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>(TWSPOOL_PATH)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(TWSPOOL_PATH, argv.data());
    std::perror("execv " TWSPOOL_PATH);
    return 127;
});

struct ToolRun {
    int code;
    std::string output;
};

ToolRun twspool(const std::vector<std::string>& args) {
    auto child = twtest::spawn_child("twspool", args);
    ToolRun r{0, {}};
    for (std::string line; !(line = child.read_line()).empty();) r.output += line + "\n";
    r.code = child.wait();
    return r;
}

// Stops the simulator a test started, by the pid it wrote into the root.
void stop_simulator(const std::string& file_name) {
    std::ifstream pid_file(platform::machine_root_path() / "printers" / (file_name + ".pid"));
    long pid = 0;
    ASSERT_TRUE(pid_file >> pid);
    ASSERT_GT(pid, 0);
    ::kill(static_cast<pid_t>(pid), SIGTERM);
}

TEST(TwspoolTest, AddSimLeavesAPrinterTheProviderServes) {
    twtest::TempMachineRoot root;
    ToolRun added = twspool({"add-sim", "Den Printer", "--model", "kestrel-870"});
    ASSERT_EQ(added.code, 0) << added.output;
    // Twice is harmless: nothing is added again, the printer keeps its port.
    ToolRun again = twspool({"add-sim", "den printer"});
    EXPECT_EQ(again.code, 0) << again.output;

    auto printers = platform::enum_printers(platform::PRINTER_ENUM_LOCAL, 2);
    ASSERT_TRUE(printers);
    ASSERT_EQ(printers->size(), 1u);
    EXPECT_EQ((*printers)[0].port_name, "SIM1:");
    EXPECT_EQ((*printers)[0].driver_name, "KAVRO Kestrel 870");

    // The provider as TWAPI2 reaches it: through the path in its key.
    auto key = platform::RegKey::open(platform::RootKey::LocalMachine, lptprov::kProviderKey);
    ASSERT_TRUE(key);
    auto path = key->query_string("Path");
    ASSERT_TRUE(path);
    auto module = platform::load_library(*path);
    ASSERT_TRUE(module) << module.error().describe();
    auto info = platform::get_proc_address(module.value(), "TWPGetProviderInfo");
    ASSERT_TRUE(info);
    ProviderRecord* record = nullptr;
    ASSERT_EQ(reinterpret_cast<TWPGetProviderInfoFn>(*info)(&record), 0);
    char connection[260];
    std::uint8_t channels[128];
    EXPECT_EQ(record->TWPGetConnectInfo("UFName:Den Printer", connection, channels), 5);
    EXPECT_EQ(record->TWPStatusRequest(5, connection, 4), 0);
    int id = 0, size = 2048;
    char buffer[2048];
    int n = record->TWPReceive(&id, buffer, &size);
    EXPECT_EQ(id, 5);
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(n > 0 ? n : 0)).rfind("@BDC ST\r\n", 0), 0u);
    record->TWPReceiveCancel();
    EXPECT_TRUE(platform::free_library(*module));
    stop_simulator("den printer");
}

TEST(TwspoolTest, BadCommandLinesAndFailuresHaveTheirExitCodes) {
    twtest::TempMachineRoot root;
    struct Case {
        std::vector<std::string> args;
        int code;
    };
    const Case cases[] = {
        {{}, 2},
        {{"bogus"}, 2},
        {{"add-sim"}, 2},
        {{"add-sim", "X", "--model", "no-such-model"}, 2},
        {{"add-sim", "X", "--port"}, 2},
        {{"add", "Y"}, 1},                 // no port, no driver
        {{"show", "Nobody"}, 1},
        {{"add-sim", "Bad\\Name", "--no-start"}, 1},
        {{"--help"}, 0},
        {{"list"}, 0},
    };
    for (const auto& c : cases) {
        ToolRun r = twspool(c.args);
        EXPECT_EQ(r.code, c.code) << (c.args.empty() ? std::string("(none)") : c.args[0]) << "\n" << r.output;
    }
    EXPECT_TRUE(platform::enum_printers(platform::PRINTER_ENUM_LOCAL, 2)->empty());
}

}  // namespace
