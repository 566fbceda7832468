// The older two-way library stand-in (TWAPI.so) on its own, loaded and called
// as TWAPI2 calls it: its printers from the registry, the size protocol, its
// own channel handles and the messages it posts with them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <optional>
#include <thread>

#include "outside/older_twapi/older_config.h"
#include "outside/printer_sim/printer_command.h"
#include "outside/printer_sim/sim_connection.h"
#include "platform/library.h"
#include "platform/message_queue.h"
#include "platform/window.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"
#include "twapi/api_binding.h"

namespace {

twtest::ChildRole run_sim("run-sim", [](const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>(TWPRINTER_SIM_PROGRAM)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(TWPRINTER_SIM_PROGRAM, argv.data());
    std::perror("execv " TWPRINTER_SIM_PROGRAM);
    return 127;
});

constexpr int kStatusChannel = 4;
constexpr int kCommandChannel = 0x10000005;

std::string as_text(const std::vector<char>& bytes, int length) { return std::string(bytes.data(), length); }

// "\\ATTIC\Old" and "Back Office" lead to the running simulated printer
// "Old Kestrel"; "Switched Off" to one that does not run.
class OlderTwapiTest : public ::testing::Test {
protected:
    void SetUp() override {
        simulator_ = std::make_unique<twtest::ChildProcess>(twtest::spawn_child("run-sim", {"serve", "Old Kestrel"}));
        std::string line = simulator_->read_line();
        ASSERT_EQ(line.rfind("ready: printer Old Kestrel", 0), 0u) << line;
        ASSERT_TRUE(oldtwapi::map_printer("\\\\ATTIC\\Old", "Old Kestrel"));
        ASSERT_TRUE(oldtwapi::map_printer("Back Office", "Old Kestrel"));
        ASSERT_TRUE(oldtwapi::map_printer("Switched Off", "Nobody Home"));

        auto module = platform::load_library(TWAPI_PATH);
        ASSERT_TRUE(module) << module.error().describe();
        module_ = *module;
        // The older library has every export of the family but TWGetLocal.
        EXPECT_FALSE(platform::get_proc_address(module_, "TWGetLocal"));
        bind_twelve();
        ASSERT_EQ(api_.TWInitialize(), 0);
    }

    void TearDown() override {
        if (api_.TWRelease) api_.TWRelease();
        if (window_) platform::destroy_window(window_);
        if (module_) (void)platform::free_library(module_);
    }

    void bind_twelve() {
        auto get = [&](const char* name) {
            auto p = platform::get_proc_address(module_, name);
            EXPECT_TRUE(p) << name;
            return p ? *p : nullptr;
        };
        api_.TWInitialize = reinterpret_cast<int (*)()>(get("TWInitialize"));
        api_.TWRelease = reinterpret_cast<int (*)()>(get("TWRelease"));
        api_.TWGetDeviceID = reinterpret_cast<int (*)(int, const char*, void*, int*)>(get("TWGetDeviceID"));
        api_.TWGetAvailableChannel = reinterpret_cast<int (*)(int, const char*, void*, int*)>(get("TWGetAvailableChannel"));
        api_.TWOpenChannel = reinterpret_cast<int (*)(int, const char*, int)>(get("TWOpenChannel"));
        api_.TWCloseChannel = reinterpret_cast<int (*)(int)>(get("TWCloseChannel"));
        api_.TWSend = reinterpret_cast<int (*)(int, const void*, int)>(get("TWSend"));
        api_.TWReceive = reinterpret_cast<int (*)(int, void*, int*, int)>(get("TWReceive"));
        api_.TWReceiveCancel = reinterpret_cast<int (*)(int)>(get("TWReceiveCancel"));
        api_.TWGetStatus = reinterpret_cast<int (*)(int, void*, int*)>(get("TWGetStatus"));
        api_.TWSetOption = reinterpret_cast<int (*)(int, int, const int*)>(get("TWSetOption"));
        api_.TWGetOption = reinterpret_cast<int (*)(int, int, int*, unsigned int*)>(get("TWGetOption"));
    }

    // A window of this thread; its messages are read with next_message().
    platform::HWND window() {
        if (window_) return window_;
        platform::WNDCLASS wc;
        wc.lpfnWndProc = platform::def_window_proc;
        wc.lpszClassName = "OlderTwapiTestWindow";
        platform::register_class(wc);
        window_ = platform::create_window_ex(0, "OlderTwapiTestWindow", "", 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
        EXPECT_NE(window_, 0u);
        return window_;
    }

    // The next message posted to this thread in [1025, 1026], or none after 10 s.
    std::optional<platform::MSG> next_message() {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        platform::MSG msg;
        while (std::chrono::steady_clock::now() < deadline) {
            if (platform::peek_message(&msg, 0, 1025, 1026, platform::PM_REMOVE)) return msg;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return std::nullopt;
    }

    void set_printer(const std::string& assignment) {
        auto control = twsim::SimulatorConnection::connect("Old Kestrel");
        ASSERT_TRUE(control) << control.error().describe();
        ASSERT_TRUE((*control)->set({assignment}));
    }

    int open(int channel, const char* name = "\\\\ATTIC\\Old") {
        int handle = api_.TWOpenChannel(0, name, channel);
        EXPECT_GT(handle, 0);
        return handle;
    }

    twtest::TempMachineRoot root_;
    std::unique_ptr<twtest::ChildProcess> simulator_;
    platform::Handle module_ = platform::kNullHandle;
    twapi::ApiBinding api_{};
    platform::HWND window_ = 0;
};

TEST_F(OlderTwapiTest, ServesTheNamesOfItsKeyWhateverTheKindOrLetterCase) {
    std::uint8_t table[128];
    int size = 0;
    EXPECT_EQ(api_.TWGetAvailableChannel(0, "\\\\ATTIC\\Old", nullptr, &size), -4);
    EXPECT_EQ(size, 5 * 8);
    size = sizeof table;
    EXPECT_EQ(api_.TWGetAvailableChannel(1, "back office", table, &size), 5);
    EXPECT_EQ(size, 40);
    std::int32_t first = 0;
    std::memcpy(&first, table, 4);
    EXPECT_EQ(first, kStatusChannel);

    size = sizeof table;
    EXPECT_EQ(api_.TWGetAvailableChannel(0, "\\\\ATTIC\\Elsewhere", table, &size), -5);
    EXPECT_EQ(api_.TWOpenChannel(7, "Elsewhere", 4), -5);
    size = sizeof table;
    EXPECT_EQ(api_.TWGetAvailableChannel(1, "Switched Off", table, &size), -9) << "a printer that does not run";
    EXPECT_EQ(api_.TWOpenChannel(0, "\\\\ATTIC\\Old", 99), -6);
}

TEST_F(OlderTwapiTest, UninitialisedItRefusesUntilInitialisedAgain) {
    EXPECT_EQ(api_.TWInitialize(), 0);
    EXPECT_EQ(api_.TWRelease(), 0);
    int handle = open(kStatusChannel);
    EXPECT_EQ(api_.TWRelease(), 0);
    std::uint8_t table[128];
    int size = sizeof table;
    EXPECT_EQ(api_.TWGetAvailableChannel(0, "\\\\ATTIC\\Old", table, &size), -13);
    EXPECT_EQ(api_.TWSend(handle, "x", 1), -13);
    ASSERT_EQ(api_.TWInitialize(), 0);
    EXPECT_EQ(api_.TWSend(handle, "x", 1), -7) << "channels end with the last release";
}

TEST_F(OlderTwapiTest, DeviceIdKeepsTheReplyBetweenTheTwoCallsOfTheSizeProtocol) {
    int size = 0;
    ASSERT_EQ(api_.TWGetDeviceID(0, "\\\\ATTIC\\Old", nullptr, &size), -4);
    ASSERT_GT(size, 10);
    // The printer stops answering: the second call is served from the kept reply.
    set_printer("silent=1");
    std::vector<char> id(static_cast<std::size_t>(size));
    int given = size;
    ASSERT_EQ(api_.TWGetDeviceID(0, "\\\\attic\\old", id.data(), &given), 0);
    EXPECT_EQ(given, size);
    EXPECT_NE(as_text(id, given).find("MDL:Kestrel 800;"), std::string::npos);
}

TEST_F(OlderTwapiTest, StatusAndCommandRepliesWaitOnTheirOwnChannel) {
    int status = open(kStatusChannel);
    int command = open(kCommandChannel);
    EXPECT_GE(status, 0x5000) << "its own handles, far from a caller's small numbers";
    EXPECT_NE(status, command);

    std::vector<char> buffer(2048);
    int size = 4;
    ASSERT_EQ(api_.TWGetStatus(status, buffer.data(), &size), -4);
    int needed = size;
    size = static_cast<int>(buffer.size());
    ASSERT_EQ(api_.TWGetStatus(status, buffer.data(), &size), needed);
    EXPECT_EQ(as_text(buffer, size).rfind("@BDC ST\r\nST:04;", 0), 0u) << as_text(buffer, size);

    auto ii = twsim::command_ink_information();
    ASSERT_EQ(api_.TWSend(command, ii.data(), static_cast<int>(ii.size())), static_cast<int>(ii.size()));
    size = static_cast<int>(buffer.size());
    int received = api_.TWReceive(command, buffer.data(), &size, 5000);
    ASSERT_GT(received, 0);
    EXPECT_EQ(size, received);
    EXPECT_EQ(as_text(buffer, size).rfind("@BDC ", 0), 0u);

    // Nothing was sent since: the wait ends at its time-out; a cancel ends it at once.
    size = static_cast<int>(buffer.size());
    EXPECT_EQ(api_.TWReceive(command, buffer.data(), &size, 100), -9);
    EXPECT_EQ(api_.TWReceiveCancel(command), 0);
    size = static_cast<int>(buffer.size());
    EXPECT_EQ(api_.TWReceive(command, buffer.data(), &size, -1), -9);
    EXPECT_EQ(api_.TWCloseChannel(command), 0);
    EXPECT_EQ(api_.TWSend(command, ii.data(), static_cast<int>(ii.size())), -7);
}

TEST_F(OlderTwapiTest, WindowsOfOptionsThreeAndFourHearOfRepliesWithItsOwnHandle) {
    int status = open(kStatusChannel);
    int command = open(kCommandChannel);
    const int hwnd = static_cast<int>(window());
    ASSERT_EQ(api_.TWSetOption(command, 3, &hwnd), 0);
    ASSERT_EQ(api_.TWSetOption(status, 4, &hwnd), 0);
    // Replies come late enough for the first calls to find nothing yet.
    set_printer("busy=300");

    auto ii = twsim::command_ink_information();
    ASSERT_GT(api_.TWSend(command, ii.data(), static_cast<int>(ii.size())), 0);
    std::vector<char> buffer(2048);
    int size = static_cast<int>(buffer.size());
    ASSERT_EQ(api_.TWReceive(command, buffer.data(), &size, -1), -10);
    auto read = next_message();
    ASSERT_TRUE(read);
    EXPECT_EQ(read->hwnd, window_);
    EXPECT_EQ(read->message, 1025u);
    EXPECT_EQ(read->wParam, 0u);
    EXPECT_EQ(read->lParam, command);
    size = static_cast<int>(buffer.size());
    EXPECT_GT(api_.TWReceive(command, buffer.data(), &size, 0), 0);

    size = static_cast<int>(buffer.size());
    ASSERT_EQ(api_.TWGetStatus(status, buffer.data(), &size), 0);
    EXPECT_EQ(size, 0);
    auto announced = next_message();
    ASSERT_TRUE(announced);
    EXPECT_EQ(announced->message, 1026u);
    EXPECT_EQ(announced->lParam, status);
    size = static_cast<int>(buffer.size());
    EXPECT_GT(api_.TWGetStatus(status, buffer.data(), &size), 0);
    EXPECT_EQ(as_text(buffer, size).rfind("@BDC ST", 0), 0u);

    // Both windows set on one channel: a cancel is refused.
    ASSERT_EQ(api_.TWSetOption(status, 3, &hwnd), 0);
    EXPECT_EQ(api_.TWReceiveCancel(status), -11);
}

TEST_F(OlderTwapiTest, OptionsHaveDefaultsOfItsOwnAndTheFamilysChecks) {
    int handle = open(kStatusChannel);
    struct Case {
        int option;
        int expected;
    };
    for (Case c : {Case{1, 4096}, Case{2, 512}, Case{3, 0}, Case{4, 0}}) {
        int value = -1;
        unsigned int size = 4;
        EXPECT_EQ(api_.TWGetOption(handle, c.option, &value, &size), 0) << c.option;
        EXPECT_EQ(value, c.expected) << c.option;
    }
    const int set = 777;
    EXPECT_EQ(api_.TWSetOption(handle, 1, &set), 0);
    int value = 0;
    unsigned int size = 4;
    EXPECT_EQ(api_.TWGetOption(handle, 1, &value, &size), 0);
    EXPECT_EQ(value, 777);
    size = 3;
    EXPECT_EQ(api_.TWGetOption(handle, 1, &value, &size), -4);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(api_.TWSetOption(handle, 5, &set), -14);
    EXPECT_EQ(api_.TWSetOption(handle, 1, nullptr), -15);
    EXPECT_EQ(api_.TWSetOption(handle + 1000, 1, &set), -7);
}

}  // namespace
