// The whole road, as a person drives it: a simulated printer added with
// twspool, then twclient asking through TWAPI2, the local-port provider and the
// simulator process; the printer's state changed while it runs and seen in the
// next status. Every program is the built one, started as a child.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "platform/machine_root.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"

namespace {

twtest::ChildRole run_program("run", [](const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    std::perror("execv");
    return 127;
});

struct ToolRun {
    int code;
    std::string output;
};

ToolRun run(std::vector<std::string> args) {
    auto child = twtest::spawn_child("run", args);
    ToolRun r{0, {}};
    for (std::string line; !(line = child.read_line()).empty();) r.output += line + "\n";
    r.code = child.wait();
    return r;
}

class TwclientTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TWPRINTER_LIBRARY_PATH", TWAPI2_FOLDER, 1);
        ToolRun added = run({TWSPOOL_PATH, "add-sim", "Desk Printer"});
        ASSERT_EQ(added.code, 0) << added.output;
    }
    void TearDown() override {
        std::ifstream pid_file(platform::machine_root_path() / "printers" / "desk printer.pid");
        long pid = 0;
        if (pid_file >> pid && pid > 0) ::kill(static_cast<pid_t>(pid), SIGTERM);
        ::unsetenv("TWPRINTER_LIBRARY_PATH");
    }
    ToolRun client(std::vector<std::string> args) {
        args.insert(args.begin(), TWCLIENT_PATH);
        return run(args);
    }
    twtest::TempMachineRoot root_;
};

TEST_F(TwclientTest, DeviceIdChannelsAndStatusComeThroughTheApi) {
    ToolRun id = client({"deviceid", "Desk Printer"});
    EXPECT_EQ(id.code, 0) << id.output;
    EXPECT_NE(id.output.find("MDL:Kestrel 800;"), std::string::npos) << id.output;

    ToolRun channels = client({"channels", "desk printer"});
    EXPECT_EQ(channels.code, 0) << channels.output;
    EXPECT_NE(channels.output.find("0x00000004   0x0004  status"), std::string::npos) << channels.output;
    EXPECT_NE(channels.output.find("0x10000005   0x0003  commands"), std::string::npos) << channels.output;

    ToolRun status = client({"status", "Desk Printer"});
    EXPECT_EQ(status.code, 0) << status.output;
    EXPECT_EQ(status.output.rfind("@BDC ST\\r\\nST:04;", 0), 0u) << status.output;
}

TEST_F(TwclientTest, StateChangedWhileRunningShowsInTheNextStatus) {
    ToolRun set = run({TWPRINTER_SIM_PATH, "set", "Desk Printer", "ink.black=0"});
    ASSERT_EQ(set.code, 0) << set.output;
    ToolRun status = client({"status", "Desk Printer"});
    EXPECT_EQ(status.code, 0) << status.output;
    EXPECT_NE(status.output.find("state 00, error 05, ink 0%"), std::string::npos) << status.output;
}

TEST_F(TwclientTest, CommandsGetTheirRepliesAndRefusalsAreNamed) {
    ToolRun reply = client({"command", "Desk Printer", "ii", "01"});
    EXPECT_EQ(reply.code, 0) << reply.output;
    EXPECT_EQ(reply.output.rfind("@BDC PS\\r\\nII:01;", 0), 0u) << reply.output;

    struct Case {
        std::vector<std::string> args;
        int code;
    } cases[] = {
        {{"status", "No Such Printer"}, 1},
        {{"status", "Desk Printer", "0x7777"}, 1},
        {{"command", "Desk Printer", "toolong"}, 2},
        {{"command", "Desk Printer", "ii", "zz"}, 2},
        {{"bogus", "Desk Printer"}, 2},
        {{"--help"}, 0},
    };
    for (const auto& c : cases) {
        ToolRun r = client(c.args);
        EXPECT_EQ(r.code, c.code) << c.args[0] << ": " << r.output;
    }
}

TEST_F(TwclientTest, APrinterOfTheOlderLibraryIsReachedOnceTwspoolInstalledIt) {
    ToolRun before = client({"--port", "status", "\\\\ATTIC\\Old"});
    EXPECT_EQ(before.code, 1) << "no route to it yet";

    ToolRun added = run({TWSPOOL_PATH, "add-older", "\\\\ATTIC\\Old", "--sim", "Attic Kestrel"});
    ASSERT_EQ(added.code, 0) << added.output;
    ToolRun status = client({"--port", "status", "\\\\attic\\old"});
    ToolRun reply = client({"--port", "command", "\\\\ATTIC\\Old", "ii", "01"});
    ToolRun missing = client({"--port", "status", "\\\\ATTIC\\Gone"});
    run({TWPRINTER_SIM_PATH, "stop", "Attic Kestrel"});

    EXPECT_EQ(status.code, 0) << status.output;
    EXPECT_EQ(status.output.rfind("@BDC ST\\r\\nST:04;", 0), 0u) << status.output;
    EXPECT_EQ(reply.code, 0) << reply.output;
    EXPECT_EQ(reply.output.rfind("@BDC PS\\r\\nII:01;", 0), 0u) << reply.output;
    EXPECT_EQ(missing.code, 1) << "a name the older library does not serve";
}

}  // namespace
