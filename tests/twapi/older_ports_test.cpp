// The register of older-library print servers: server names, exact letter
// case, and processes that change it at once under the computer-wide mutex.
#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>

#include "platform/handle_table.h"
#include "platform/mutex.h"
#include "platform/registry.h"
#include "platform/wait.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"
#include "twapi/older_ports.h"

namespace {

// Registers servers PREFIX0 .. PREFIX<n-1>, then removes the even ones.
twtest::ChildRole register_many("register-many", [](const std::vector<std::string>& args) {
    const std::string prefix = args.at(0);
    const int n = std::stoi(args.at(1));
    std::printf("started\n");
    std::fflush(stdout);
    for (int i = 0; i < n; ++i) twapi::register_older_library_server("\\\\" + prefix + std::to_string(i) + "\\p");
    for (int i = 0; i < n; i += 2) twapi::unregister_older_library_server("\\\\" + prefix + std::to_string(i));
    return 0;
});

std::set<std::string> registered() {
    std::set<std::string> names;
    auto key = platform::RegKey::open(platform::RootKey::LocalMachine, twapi::kOldPortsKey);
    if (!key) return names;
    for (std::uint32_t i = 0;; ++i) {
        auto name = key->enum_key(i);
        if (!name) break;
        names.insert(*name);
    }
    return names;
}

TEST(OlderPorts, ServerIsTheTextBetweenTheLeadingBackslashesAndTheNext) {
    struct Case {
        const char* port;
        std::optional<std::string> server;
    };
    for (const Case& c : {Case{"\\\\ATTIC\\Old", "ATTIC"}, Case{"\\\\ATTIC", "ATTIC"}, Case{"\\\\a\\b\\c", "a"},
                          Case{"LPT1:", std::nullopt}, Case{"\\ATTIC\\Old", std::nullopt},
                          Case{"\\\\\\Old", std::nullopt}, Case{"", std::nullopt}})
        EXPECT_EQ(twapi::server_of(c.port), c.server) << c.port;
}

TEST(OlderPorts, RegisteredServersMatchWithTheirLetterCase) {
    twtest::TempMachineRoot root;
    EXPECT_FALSE(twapi::is_older_library_server("\\\\Attic\\x"));
    twapi::register_older_library_server("\\\\Attic\\x");
    twapi::register_older_library_server("\\\\Attic\\y");  // already there: fine
    EXPECT_TRUE(twapi::is_older_library_server("\\\\Attic\\z"));
    EXPECT_FALSE(twapi::is_older_library_server("\\\\ATTIC\\z"));
    EXPECT_FALSE(twapi::is_older_library_server("Attic"));
    twapi::register_older_library_server("LPT1:");  // no server: nothing to register
    EXPECT_EQ(registered(), std::set<std::string>{"Attic"});
    twapi::unregister_older_library_server("\\\\Attic\\x");
    EXPECT_TRUE(registered().empty());
}

TEST(OlderPorts, ProcessesChangingTheRegisterAtOnceWaitForTheMutexAndLoseNothing) {
    twtest::TempMachineRoot root;
    platform::Handle mutex = platform::create_mutex(twapi::kOldPortsMutex, true);
    ASSERT_NE(mutex, platform::kNullHandle);

    constexpr int kEach = 30;
    auto a = twtest::spawn_child("register-many", {"A", std::to_string(kEach)});
    auto b = twtest::spawn_child("register-many", {"B", std::to_string(kEach)});
    ASSERT_EQ(a.read_line(), "started");
    ASSERT_EQ(b.read_line(), "started");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(registered().empty()) << "no process may touch the register while another holds its mutex";
    ASSERT_TRUE(platform::release_mutex(mutex));
    platform::close_handle(mutex);

    EXPECT_EQ(a.wait(), 0);
    EXPECT_EQ(b.wait(), 0);
    std::set<std::string> expected;
    for (int i = 1; i < kEach; i += 2) {
        expected.insert("A" + std::to_string(i));
        expected.insert("B" + std::to_string(i));
    }
    EXPECT_EQ(registered(), expected);
}

}  // namespace
