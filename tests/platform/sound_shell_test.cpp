#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/library.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/thread.h"
#include "platform/shell.h"
#include "platform/sound.h"
#include "platform/wait.h"
#include "tests/support/test_root.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

// A WAVE of `bytes` bytes of 8-bit mono sound at 8000 bytes a second.
std::string wave(std::uint32_t bytes) {
    std::string w = "RIFF";
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) w += static_cast<char>(v >> (8 * i));
    };
    auto put16 = [&](std::uint32_t v) {
        w += static_cast<char>(v);
        w += static_cast<char>(v >> 8);
    };
    put32(36 + bytes);
    w += "WAVEfmt ";
    put32(16);
    put16(1);
    put16(1);
    put32(8000);
    put32(8000);
    put16(1);
    put16(8);
    w += "data";
    put32(bytes);
    w += std::string(bytes, '\x80');
    return w;
}

std::vector<std::string> log_lines(const fs::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

class SoundTest : public ::testing::Test {
protected:
    SoundTest() {
        clear_recorded_sounds();
        fs::path libs = root_.path() / "libs";
        fs::create_directories(libs);
        std::ofstream(libs / "ding.wav", std::ios::binary) << wave(4000);
        // RIFF and WAVE, but no format or data: the loader takes it, the player does not.
        std::ofstream(libs / "bad.wav", std::ios::binary) << std::string("RIFF\x04\0\0\0WAVE", 12);
        std::ofstream(libs / "Sounds.rc") << "5001 WAVE \"ding.wav\"\nAlarm WAVE \"ding.wav\"\n5002 WAVE \"bad.wav\"\n";
        module_ = *load_library((libs / "Sounds.rc").string());
    }
    ~SoundTest() override { (void)free_library(module_); }

    twtest::TempMachineRoot root_;
    Handle module_ = kNullHandle;
};

TEST_F(SoundTest, PlaysAndStopsAreRecordedInOrder) {
    EXPECT_TRUE(play_sound(5001, module_, SND_ASYNC | SND_NODEFAULT));
    EXPECT_TRUE(play_sound("alarm", module_, SND_RESOURCE | SND_ASYNC));
    EXPECT_TRUE(play_sound("#5001", module_, SND_RESOURCE));
    EXPECT_TRUE(play_sound(nullptr, kNullHandle, 0));
    EXPECT_TRUE(play_sound(ResourceName(), module_, SND_PURGE));

    auto sounds = recorded_sounds();
    ASSERT_EQ(sounds.size(), 5u);
    EXPECT_EQ(sounds[0].kind, SoundRecord::Kind::Play);
    EXPECT_EQ(sounds[0].sound, "#5001");
    EXPECT_EQ(sounds[0].bytes, wave(4000).size());
    EXPECT_EQ(sounds[0].milliseconds, 500u);
    EXPECT_EQ(sounds[0].module, to_windows_path(root_.path() / "libs" / "Sounds.rc"));
    EXPECT_EQ(sounds[1].sound, "ALARM");
    EXPECT_EQ(sounds[2].sound, "#5001");
    EXPECT_EQ(sounds[3].kind, SoundRecord::Kind::Stop);
    EXPECT_EQ(sounds[4].kind, SoundRecord::Kind::Stop);

    auto lines = log_lines(root_.path() / "ui" / "sounds.log");
    ASSERT_EQ(lines.size(), 5u);
    std::string pid = " pid=" + std::to_string(::getpid()) + " ";
    EXPECT_NE(lines[0].find(pid + "play sound=#5001 module=" + sounds[0].module + " bytes=" +
                            std::to_string(wave(4000).size()) + " ms=500 flags=0x40007"),  // SND_RESOURCE is implied
              std::string::npos)
        << lines[0];
    EXPECT_NE(lines[3].find(pid + "stop "), std::string::npos) << lines[3];
}

TEST_F(SoundTest, MissingAndBrokenSounds) {
    // Missing: the default sound plays, unless SND_NODEFAULT; false either way.
    EXPECT_FALSE(play_sound(5999, module_, SND_ASYNC));
    EXPECT_FALSE(play_sound(5999, module_, SND_ASYNC | SND_NODEFAULT));
    EXPECT_FALSE(play_sound("C:\\NOWHERE.WAV", kNullHandle, SND_FILENAME | SND_NODEFAULT));
    // Not a WAVE with format and data.
    EXPECT_FALSE(play_sound(5002, module_, SND_NODEFAULT));
    auto sounds = recorded_sounds();
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds[0].kind, SoundRecord::Kind::Default);
    EXPECT_EQ(sounds[0].sound, "#5999");
}

TEST_F(SoundTest, FilesAliasesAndNoStop) {
    std::string file = to_windows_path(root_.path() / "libs" / "DING.WAV");
    EXPECT_TRUE(play_sound(file.c_str(), kNullHandle, SND_FILENAME | SND_ASYNC));
    // The half-second sound still plays: SND_NOSTOP refuses to cut it.
    EXPECT_FALSE(play_sound("SystemAsterisk", kNullHandle, SND_ALIAS | SND_NOSTOP));
    EXPECT_TRUE(play_sound("SystemAsterisk", kNullHandle, SND_ALIAS));
    EXPECT_TRUE(message_beep(0x40));
    auto sounds = recorded_sounds();
    ASSERT_EQ(sounds.size(), 3u);
    EXPECT_EQ(sounds[0].sound, to_windows_path(root_.path() / "libs" / "ding.wav"));
    EXPECT_EQ(sounds[1].sound, "SystemAsterisk");
    EXPECT_EQ(sounds[2].kind, SoundRecord::Kind::Beep);
    EXPECT_EQ(sounds[2].sound, "0x40");
}

class ShellTest : public ::testing::Test {
protected:
    ShellTest() {
        clear_recorded_shell_calls();
        ::setenv("TWPRINTER_NO_OPENER", "1", 1);
        docs_ = *to_host_path("C:\\") / "Guide";
        fs::create_directories(docs_);
        std::ofstream(docs_ / "Index.htm") << "<html></html>";
        std::ofstream(docs_ / "Printer.hlp") << "help";
    }
    ~ShellTest() override { ::unsetenv("TWPRINTER_NO_OPENER"); }

    twtest::TempMachineRoot root_;
    fs::path docs_;
};

TEST_F(ShellTest, DocumentsPagesAndMissingFiles) {
    struct Case {
        const char* verb;
        const char* file;
        const char* directory;
        std::intptr_t result;
        const char* recorded_file;
    };
    const Case cases[] = {
        {"open", "C:\\GUIDE\\INDEX.HTM", nullptr, 42, "C:\\GUIDE\\INDEX.HTM"},
        {nullptr, "index.htm", "C:\\Guide", 42, "C:\\Guide\\index.htm"},
        {"open", "http://www.example.com/support", nullptr, 42, "http://www.example.com/support"},
        {"open", "C:\\GUIDE\\MISSING.HTM", nullptr, SE_ERR_FNF, "C:\\GUIDE\\MISSING.HTM"},
        {"open", "C:\\NOFOLDER\\MISSING.HTM", nullptr, SE_ERR_PNF, "C:\\NOFOLDER\\MISSING.HTM"},
        {"frobnicate", "C:\\GUIDE\\INDEX.HTM", nullptr, SE_ERR_NOASSOC, "C:\\GUIDE\\INDEX.HTM"},
        {"open", "", nullptr, SE_ERR_FNF, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(shell_execute(0, c.verb, c.file, nullptr, c.directory, 1), c.result) << c.file;
    auto calls = recorded_shell_calls();
    ASSERT_EQ(calls.size(), std::size(cases));
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].file, cases[i].recorded_file);
        EXPECT_EQ(calls[i].result, cases[i].result);
        EXPECT_EQ(calls[i].handed_to, "") << "TWPRINTER_NO_OPENER keeps everything here";
    }
    auto lines = log_lines(root_.path() / "ui" / "shell.log");
    ASSERT_EQ(lines.size(), std::size(cases));
    EXPECT_NE(lines[0].find("open verb=open file=C:\\GUIDE\\INDEX.HTM params= dir= show=1 result=42 via="),
              std::string::npos)
        << lines[0];
}

TEST_F(ShellTest, ProgramsAreStartedAsProcesses) {
    // "TWPROC_CHILD.EXE" is found as the host program twproc_child, which
    // reports its arguments to a file.
    const fs::path report = root_.path() / "report.txt";
    ::setenv("TWP_CHILD_MODE", "report", 1);
    ::setenv("TWP_REPORT", report.c_str(), 1);
    const fs::path child = TWP_CHILD_PROGRAM;
    const std::string exe = to_windows_path(child.parent_path() / "TWPROC_CHILD.EXE");
    const std::intptr_t result = shell_execute(0, "open", exe.c_str(), "first \"two words\"", "C:\\", 1);
    ::unsetenv("TWP_CHILD_MODE");
    ::unsetenv("TWP_REPORT");
    EXPECT_GT(result, 32);
    auto calls = recorded_shell_calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, ShellRecord::Kind::Program);
    EXPECT_EQ(calls[0].handed_to, "process");

    std::string text;
    for (int i = 0; i < 200 && text.find("extra=") == std::string::npos; ++i) {
        sleep_ms(50);
        std::ifstream in(report);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    EXPECT_NE(text.find("arg=first\narg=two words\n"), std::string::npos) << text;
    EXPECT_NE(text.find("cwd=" + to_host_path("C:\\")->string()), std::string::npos) << text;

    EXPECT_EQ(shell_execute(0, "open", "C:\\NOPROGRAM.EXE", nullptr, nullptr, 1), SE_ERR_FNF);
    EXPECT_EQ(shell_execute(0, "open", "C:\\NOWHERE\\NOPROGRAM.EXE", nullptr, nullptr, 1), SE_ERR_PNF);
}

TEST_F(ShellTest, HelpIsRecordedWithItsCommand) {
    EXPECT_TRUE(win_help(0, "C:\\GUIDE\\PRINTER.HLP>main", HELP_CONTEXT, 2001));
    EXPECT_TRUE(win_help(0, "C:\\GUIDE\\PRINTER.HLP", HELP_FINDER, 0));
    EXPECT_TRUE(win_help(0, "C:\\GUIDE\\PRINTER.HLP", HELP_QUIT, 0));
    EXPECT_FALSE(win_help(0, "C:\\GUIDE\\NONE.HLP", HELP_CONTEXT, 1));
    EXPECT_EQ(last_error(), ERROR_FILE_NOT_FOUND);
    auto calls = recorded_shell_calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].kind, ShellRecord::Kind::Help);
    EXPECT_EQ(calls[0].file, "C:\\GUIDE\\PRINTER.HLP");
    EXPECT_EQ(calls[0].help_command, HELP_CONTEXT);
    EXPECT_EQ(calls[0].help_data, 2001u);
    EXPECT_EQ(calls[1].help_command, HELP_FINDER);
    EXPECT_EQ(calls[2].help_command, HELP_QUIT);
    EXPECT_EQ(calls[3].result, 0);
}

}  // namespace
