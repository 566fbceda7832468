// twui as a person runs it: the built program, started as a child, driving
// a dialog shown by another child process of the same computer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "platform/image_files.h"
#include "tests/platform/probe_dialog.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"

namespace {

twtest::ChildRole run_program("run", [](const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::dup2(1, 2);  // the test reads one stream
    ::execv(argv[0], argv.data());
    std::perror("execv");
    return 127;
});

twtest::ChildRole probe_process("probe", [](const std::vector<std::string>&) {
    platform::HWND dlg = twtest::create_probe_dialog("Tool Probe");
    if (!dlg) return 1;
    std::printf("0x%08X\n", dlg);
    std::fflush(stdout);
    twtest::run_probe_loop(dlg);
    return 0;
});

struct ToolRun {
    int code;
    std::string output;
};

class TwuiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TWPRINTER_HEADLESS", "1", 1);
        probe_.emplace(twtest::spawn_child("probe"));
        handle_ = probe_->read_line();
        ASSERT_EQ(handle_.size(), 10u) << handle_;
    }
    void TearDown() override {
        if (probe_) probe_->kill();
        ::unsetenv("TWPRINTER_HEADLESS");
    }
    ToolRun twui(std::vector<std::string> args) {
        args.insert(args.begin(), TWUI_PATH);
        auto child = twtest::spawn_child("run", args);
        ToolRun r{0, {}};
        for (std::string line; !(line = child.read_line()).empty();) r.output += line + "\n";
        r.code = child.wait();
        return r;
    }

    twtest::TempMachineRoot root_;
    std::optional<twtest::ChildProcess> probe_;
    std::string handle_;
};

TEST_F(TwuiTest, ListTextStateAndClickDriveTheDialog) {
    auto list = twui({"list"});
    ASSERT_EQ(list.code, 0) << list.output;
    EXPECT_NE(list.output.find(handle_ + " 0x00000000"), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("\"Tool Probe\""), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("    101 ve"), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("SysTreeView32"), std::string::npos) << list.output;

    EXPECT_EQ(twui({"text", "Tool Probe", "101"}).output, "Press\n");
    auto state = twui({"state", handle_, "102"});
    EXPECT_NE(state.output.find("check=0\n"), std::string::npos) << state.output;
    EXPECT_EQ(twui({"click", "tool probe", "102"}).code, 0);
    state = twui({"state", handle_, "102"});
    EXPECT_NE(state.output.find("check=1\n"), std::string::npos) << state.output;
    EXPECT_NE(state.output.find("enabled=1\n"), std::string::npos) << state.output;

    EXPECT_EQ(twui({"click", "Probe", "101"}).code, 0);
    EXPECT_EQ(twui({"text", handle_}).output, "Tool Probe pressed 1\n");
}

TEST_F(TwuiTest, TypeKeyChooseAndShot) {
    ASSERT_EQ(twui({"click", handle_, "103"}).code, 0);
    ASSERT_EQ(twui({"type", handle_, "magenta"}).code, 0);
    ASSERT_EQ(twui({"key", handle_, "Backspace"}).code, 0);
    EXPECT_EQ(twui({"text", handle_, "103"}).output, "magent\n");

    ASSERT_EQ(twui({"choose", handle_, "105", "Papers"}).code, 0);
    EXPECT_NE(twui({"state", handle_, "105"}).output.find("selected_text=Papers\n"), std::string::npos);

    auto png = root_.path() / "tool.png";
    auto shot = twui({"shot", handle_, png.string()});
    ASSERT_EQ(shot.code, 0) << shot.output;
    auto image = platform::read_image_file(png);
    ASSERT_TRUE(image.ok());
    EXPECT_GT(image->width, 100);
    EXPECT_GT(image->height, 100);
}

TEST_F(TwuiTest, MistakesGiveTheirOwnExitCodesAndSayWhat) {
    struct Case {
        std::vector<std::string> args;
        int code;
        const char* says;
    } cases[] = {
        {{}, 2, "usage"},
        {{"paint"}, 2, "unknown command"},
        {{"click"}, 2, "wrong arguments"},
        {{"--timeout"}, 2, "unknown option"},
        {{"text", "No Such Window"}, 3, "No Such Window"},
        {{"click", "0x00000FFF"}, 3, "no window 0x00000FFF"},
        {{"click", "Tool Probe", "999"}, 3, "no control with id 999"},
        {{"click", "Tool Probe", "twelve"}, 1, "not a control id"},
        {{"choose", "Tool Probe", "104", "Omega"}, 3, "Omega"},
        {{"choose", "Tool Probe", "101", "Alpha"}, 1, "not a list view"},
        {{"key", "Tool Probe", "Hyper"}, 1, "unknown key"},
    };
    for (const auto& c : cases) {
        auto r = twui(c.args);
        EXPECT_EQ(r.code, c.code) << r.output;
        EXPECT_NE(r.output.find(c.says), std::string::npos) << r.output;
    }
}

}  // namespace
