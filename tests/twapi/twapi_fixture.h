// A machine root with the two scripted providers installed in the routing
// and provider keys, and TWAPI2.so loaded the way an application loads it:
// by the loader, its exports found by name.
#pragma once

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/handle_table.h"
#include "twapi/api_binding.h"
#include "tests/support/test_root.h"
#include "tests/twapi/script_provider.h"

namespace twtest {

using TwApi = twapi::ApiBinding;

struct Notification {
    std::uint32_t window;
    std::uint32_t message;
    std::uint32_t wparam;
    std::int32_t lparam;
    std::uint32_t thread_id;  // the thread whose window procedure got it
};

// Notifications TWAPI2 posted, in order.
class NotificationLog {
public:
    void add(const Notification& n);
    std::vector<Notification> all();
    bool wait_for(std::size_t count, int ms);
    void clear();

private:
    std::mutex lock_;
    std::condition_variable added_;
    std::vector<Notification> log_;
};
NotificationLog& notifications();

// A window on a thread of its own, running a message loop; it logs the
// reply notifications it receives into notifications().
class TestWindow {
public:
    ~TestWindow() { stop(); }
    std::uint32_t start();  // the window handle
    void stop();
    std::uint32_t thread_id() const { return thread_id_; }

private:
    std::thread thread_;
    std::uint32_t hwnd_ = 0;
    std::uint32_t thread_id_ = 0;
};

// Routing values: name and string data.
using RouterValues = std::vector<std::pair<std::string, std::string>>;

class TwapiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Replaces the routing key's values (no key at all when `present` is false).
    void set_router(const RouterValues& values, bool present = true);
    // The provider key of slot 0 ("LPT") or 1 ("SHARE2"); an empty path
    // leaves the key without "Path".
    void set_provider_path(int slot, const std::string& path);
    // A printer of the local-port provider, "UFName:" + name, with the given channels.
    void add_local_printer(const std::string& name, const std::vector<int>& channels, const std::string& connection = "LPT1");
    // Initialises and opens `channel` of a local printer made for it.
    int open_local(const std::string& name, int channel = 1);

    // A real window on another thread that receives notifications.
    std::uint32_t notification_window() { return window_.start(); }

    std::vector<scriptprov::Call> calls_of(scriptprov::ScriptControl* provider, const std::string& what);

    TempMachineRoot root_;
    TestWindow window_;
    platform::Handle twapi_module_ = platform::kNullHandle;
    platform::Handle lpt_module_ = platform::kNullHandle;
    platform::Handle share_module_ = platform::kNullHandle;
    TwApi api_{};
    scriptprov::ScriptControl* lpt_ = nullptr;
    scriptprov::ScriptControl* share_ = nullptr;
};

inline std::vector<scriptprov::Channel> channel_table(const std::vector<int>& numbers) {
    std::vector<scriptprov::Channel> table;
    for (int n : numbers) table.push_back({n, {static_cast<std::uint8_t>(n), 0xA5, 0, 0}});
    return table;
}

}  // namespace twtest
