#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

#include "platform/event.h"
#include "platform/paths.h"
#include "platform/wait.h"
#include "tests/support/test_root.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

using Args = std::vector<std::string>;

TEST(CommandLineTest, SplitsByTheWindowsRuntimeRules) {
    struct Case {
        const char* line;
        Args expected;
    } cases[] = {
        {R"(prog a b)", Args{"prog", "a", "b"}},
        {"prog\t a \t\tb  ", Args{"prog", "a", "b"}},
        {R"(prog  "a b"   c)", Args{"prog", "a b", "c"}},
        {R"(prog a"b c"d)", Args{"prog", "ab cd"}},
        {R"(prog a\\b\c)", Args{"prog", R"(a\\b\c)"}},
        {R"(prog a\"b)", Args{"prog", R"(a"b)"}},
        {R"(prog a\\"b c")", Args{"prog", R"(a\b c)"}},
        {R"(prog a\\\"b)", Args{"prog", R"(a\"b)"}},
        {R"(prog a\\\\"b")", Args{"prog", R"(a\\b)"}},
        {R"(prog "a""b")", Args{"prog", R"(a"b)"}},
        {R"(prog "a""b c")", Args{"prog", R"(a"b c)"}},
        {R"(prog "" x)", Args{"prog", "", "x"}},
        {R"(prog "unterminated arg)", Args{"prog", "unterminated arg"}},
        {R"(prog \\server\share\)", Args{"prog", R"(\\server\share\)"}},
        {R"("C:\Program Files\X.EXE" x)", Args{R"(C:\Program Files\X.EXE)", "x"}},
        {R"("C:\Dir\" next)", Args{R"(C:\Dir\)", "next"}},
        {R"(C:\a\"b x)", Args{R"(C:\a\"b)", "x"}},
        {R"("prog"x y)", Args{"prog", "x", "y"}},
        {"", Args{}},
        {"  \t ", Args{}},
    };
    for (const auto& c : cases) EXPECT_EQ(split_command_line(c.line), c.expected) << c.line;
}

TEST(CommandLineTest, JoinedArgumentsSplitBackUnchanged) {
    const Args tricky[] = {
        {"prog", "plain", "two words", "", "quote\"inside", "trailing\\", "trail space\\", "\\\\server\\share"},
        {"C:\\Program Files\\app.exe", "a\\\\\"b", "\t", "\"", "\\\"", "x\\\\ y\\\\"},
        {"prog"},
    };
    for (const auto& args : tricky) {
        std::string line = join_command_line(args);
        EXPECT_EQ(split_command_line(line), args) << line;
    }
    struct Case {
        Args args;
        const char* line;
    } exact[] = {
        {{"prog", "a b"}, R"(prog "a b")"},
        {{"prog", R"(x\)"}, R"(prog x\)"},
        {{"prog", R"(a b\)"}, R"(prog "a b\\")"},
        {{"prog", R"(say "hi")"}, R"(prog "say \"hi\"")"},
        {{"C:\\My Tools\\t.exe"}, R"("C:\My Tools\t.exe")"},
    };
    for (const auto& c : exact) EXPECT_EQ(join_command_line(c.args), c.line);
}

// A computer with the test child program in its system folder as TWCHILD,
// and a report file the child writes what it saw into.
class ProcessTest : public ::testing::Test {
protected:
    ProcessTest() {
        system_ = *system_directory_host_path();
        fs::copy_file(TWP_CHILD_PROGRAM, system_ / "TWCHILD");
        report_ = root_.path() / "report.txt";
    }

    ProcessOptions options(const std::string& mode, std::vector<std::string> extra = {}) {
        ProcessOptions o;
        o.environment = {"TWP_CHILD_MODE=" + mode, "TWP_REPORT=" + report_.string()};
        o.environment.insert(o.environment.end(), extra.begin(), extra.end());
        return o;
    }
    std::vector<std::string> report() {
        std::ifstream in(report_);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // Starts a child, waits for it and gives its exit code.
    std::uint32_t run(const std::string& line, const ProcessOptions& o) {
        auto started = create_process(line, o);
        if (!started) {
            ADD_FAILURE() << line << ": " << started.error().describe();
            return 0xDEAD;
        }
        UniqueHandle process(started->process);
        EXPECT_EQ(wait_for_single_object(process.get(), kInfinite), WAIT_OBJECT_0);
        return *get_exit_code_process(process.get());
    }

    twtest::TempMachineRoot root_;
    fs::path system_;
    fs::path report_;
};

TEST_F(ProcessTest, UpperCaseExeNameInTheSystemFolderGetsItsArgumentsAndLineVerbatim) {
    Args args{"two words", "quote\"d", "back\\slash\\", "", "C:\\Dir\\"};
    // Extra blanks between arguments: only the verbatim line keeps them.
    std::string line = "twchild.exe  ";
    for (const auto& a : args) line += join_command_line(Args{"p", a}).substr(2) + "  ";
    EXPECT_EQ(run(line, options("report")), 0u);
    auto seen = report();
    ASSERT_GE(seen.size(), 1u + args.size());
    EXPECT_EQ(seen[0], line);
    for (size_t i = 0; i < args.size(); ++i) EXPECT_EQ(seen[1 + i], "arg=" + args[i]);
}

TEST_F(ProcessTest, ProgramsAreFoundByPathAndOnTheHostPath) {
    EXPECT_EQ(run("C:\\WINNT\\SYSTEM32\\TwChild.Exe", options("exit", {"TWP_EXIT_CODE=4"})), 4u);
    EXPECT_EQ(run("\"" + (system_ / "TWCHILD").string() + "\"", options("exit", {"TWP_EXIT_CODE=6"})), 6u);
    EXPECT_EQ(run("SH.EXE -c \"exit 5\"", {}), 5u);

    std::ofstream(system_ / "NOTAPROG") << "neither a script nor a program";
    ::chmod((system_ / "NOTAPROG").c_str(), 0755);
    struct Case {
        const char* line;
        WinError code;
    } failures[] = {
        {"nosuchprogram.exe", ERROR_FILE_NOT_FOUND},
        {"C:\\NoFolder\\twchild.exe", ERROR_PATH_NOT_FOUND},
        {"", ERROR_INVALID_PARAMETER},
        {"notaprog.exe", ERROR_BAD_EXE_FORMAT},
    };
    for (const auto& f : failures) {
        set_last_error(ERROR_SUCCESS);
        auto started = create_process(f.line);
        ASSERT_FALSE(started.ok()) << f.line;
        EXPECT_EQ(started.error().code, f.code) << f.line << ": " << started.error().describe();
        EXPECT_EQ(last_error(), f.code) << f.line;
    }
}

TEST_F(ProcessTest, CurrentFolderIsSearchedBeforeTheSystemFolder) {
    fs::path here = root_.path() / "here";
    fs::create_directories(here);
    std::ofstream(here / "TwChild") << "#!/bin/sh\nexit 9\n";
    fs::permissions(here / "TwChild", fs::perms::owner_all);
    fs::path before = fs::current_path();
    fs::current_path(here);
    std::uint32_t from_here = run("TWCHILD.EXE", options("exit", {"TWP_EXIT_CODE=4"}));
    fs::current_path(before);
    EXPECT_EQ(from_here, 9u);
    EXPECT_EQ(run("TWCHILD.EXE", options("exit", {"TWP_EXIT_CODE=4"})), 4u);
}

TEST_F(ProcessTest, ExitStatusOrSignalBecomesTheExitCode) {
    struct Case {
        const char* mode;
        const char* setting;
        std::uint32_t code;
    } cases[] = {
        {"exit", "TWP_EXIT_CODE=0", 0},
        {"exit", "TWP_EXIT_CODE=3", 3},
        {"exit", "TWP_EXIT_CODE=255", 255},
        {"signal", "TWP_SIGNAL=15", 128 + SIGTERM},
    };
    for (const auto& c : cases) EXPECT_EQ(run("twchild", options(c.mode, {c.setting})), c.code) << c.setting;
}

TEST_F(ProcessTest, StillActiveUntilTheChildEnds) {
    fs::path fifo = root_.path() / "exit.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto started = create_process("TWCHILD.EXE", options("fifo", {"TWP_FIFO=" + fifo.string()}));
    ASSERT_TRUE(started.ok()) << started.error().describe();
    UniqueHandle process(started->process);
    EXPECT_EQ(get_process_id(process.get()), started->process_id);
    EXPECT_NE(started->process_id, get_current_process_id());
    EXPECT_EQ(get_current_process_id(), static_cast<std::uint32_t>(::getpid()));

    auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(wait_for_single_object(process.get(), 50), WAIT_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(50));
    EXPECT_EQ(*get_exit_code_process(process.get()), STILL_ACTIVE);

    std::ofstream(fifo) << "42\n";  // opens once the child listens
    EXPECT_EQ(wait_for_single_object(process.get(), kInfinite), WAIT_OBJECT_0);
    EXPECT_EQ(*get_exit_code_process(process.get()), 42u);
    EXPECT_EQ(wait_for_process(process.get(), 0), WAIT_OBJECT_0);
}

TEST_F(ProcessTest, TerminateWakesEveryWaiterAndReportsTheGivenCode) {
    auto started = create_process("twchild.exe", options("sleep"));
    ASSERT_TRUE(started.ok()) << started.error().describe();
    UniqueHandle process(started->process);
    std::uint32_t results[2] = {0, 0};
    std::thread waiters[2];
    for (int i = 0; i < 2; ++i)
        waiters[i] = std::thread([&, i] { results[i] = wait_for_single_object(process.get(), kInfinite); });
    EXPECT_EQ(*get_exit_code_process(process.get()), STILL_ACTIVE);
    ASSERT_TRUE(terminate_process(process.get(), 77).ok());
    for (auto& w : waiters) w.join();
    EXPECT_EQ(results[0], WAIT_OBJECT_0);
    EXPECT_EQ(results[1], WAIT_OBJECT_0);
    EXPECT_EQ(*get_exit_code_process(process.get()), 77u);
    EXPECT_EQ(terminate_process(process.get(), 1).error().code, ERROR_ACCESS_DENIED);
    EXPECT_EQ(*get_exit_code_process(process.get()), 77u);
}

TEST_F(ProcessTest, ProcessCallsRefuseOtherHandles) {
    UniqueHandle event(create_event({}, EventReset::Manual, true));
    ASSERT_TRUE(event);
    EXPECT_EQ(wait_for_process(event.get(), 0), WAIT_FAILED);
    EXPECT_EQ(last_error(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(get_exit_code_process(event.get()).error().code, ERROR_INVALID_HANDLE);
    EXPECT_EQ(terminate_process(event.get(), 1).error().code, ERROR_INVALID_HANDLE);
    EXPECT_EQ(get_process_id(event.get()), 0u);
}

TEST_F(ProcessTest, CurrentFolderShowFlagAndEnvironmentReachTheChild) {
    fs::create_directories(root_.path() / "drives/c/Work");
    auto o = options("report", {"TWP_EXTRA=hello"});
    o.current_directory = "C:\\WORK";
    o.show = ShowWindow::Minimized;
    EXPECT_EQ(run("twchild", o), 0u);
    auto seen = report();
    auto has = [&](const std::string& line) { return std::find(seen.begin(), seen.end(), line) != seen.end(); };
    EXPECT_TRUE(has("cwd=" + (root_.path() / "drives/c/Work").string()));
    EXPECT_TRUE(has("show=2"));
    EXPECT_TRUE(has("extra=hello"));

    o.current_directory = "C:\\NoWork";
    EXPECT_EQ(create_process("twchild", o).error().code, ERROR_DIRECTORY);
}

TEST_F(ProcessTest, ChildInheritsNoStrayDescriptors) {
    int stray = ::open("/dev/null", O_RDONLY);  // deliberately without close-on-exec
    ASSERT_GE(stray, 0);
    EXPECT_EQ(run("twchild", options("fds")), 0u);
    ::close(stray);
    EXPECT_EQ(report(), std::vector<std::string>{});
}

TEST_F(ProcessTest, CommandLineFromAnotherStarterIsNotTakenOver) {
    // The shell inherits TWPRINTER_COMMAND_LINE for its own line and passes it
    // on to the program it runs, whose real arguments differ.
    std::string child = (system_ / "TWCHILD").string();
    EXPECT_EQ(run("sh -c \"exec '" + child + "' one 'two words'\"", options("report")), 0u);
    auto seen = report();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen[0], join_command_line(Args{child, "one", "two words"}));
}

}  // namespace
