#include "tests/twapi/twapi_fixture.h"

#include <chrono>
#include <future>

#include "platform/library.h"
#include "platform/message_queue.h"
#include "platform/registry.h"
#include "platform/thread.h"
#include "platform/window.h"
#include "twapi/notification.h"

namespace twtest {

void NotificationLog::add(const Notification& n) {
    std::lock_guard guard(lock_);
    log_.push_back(n);
    added_.notify_all();
}

std::vector<Notification> NotificationLog::all() {
    std::lock_guard guard(lock_);
    return log_;
}

bool NotificationLog::wait_for(std::size_t count, int ms) {
    std::unique_lock guard(lock_);
    return added_.wait_for(guard, std::chrono::milliseconds(ms), [&] { return log_.size() >= count; });
}

void NotificationLog::clear() {
    std::lock_guard guard(lock_);
    log_.clear();
}

NotificationLog& notifications() {
    static NotificationLog log;
    return log;
}

namespace {

platform::LRESULT test_window_proc(platform::HWND hwnd, platform::UINT message, platform::WPARAM wparam,
                                   platform::LPARAM lparam) {
    if (message == twapi::WM_TWAPI_READ || message == twapi::WM_TWAPI_STATUS) {
        notifications().add({hwnd, message, static_cast<std::uint32_t>(wparam), static_cast<std::int32_t>(lparam),
                             platform::current_thread_id()});
        return 0;
    }
    if (message == platform::WM_DESTROY) {
        platform::post_quit_message(0);
        return 0;
    }
    return platform::def_window_proc(hwnd, message, wparam, lparam);
}

constexpr const char* kTestWindowClass = "TwapiTestWindow";

scriptprov::ScriptControl* control_of(platform::Handle module) {
    auto control = platform::get_proc_as<scriptprov::ScriptControl*()>(module, "ScriptProvControl");
    return control ? (*control)() : nullptr;
}

}  // namespace

void TwapiTest::SetUp() {
    auto twapi = platform::load_library(TWAPI2_PATH);
    ASSERT_TRUE(twapi.ok()) << twapi.error().describe();
    twapi_module_ = *twapi;
    auto lpt = platform::load_library(SCRIPTPROV_PATH);
    ASSERT_TRUE(lpt.ok()) << lpt.error().describe();
    lpt_module_ = *lpt;
    auto share = platform::load_library(SCRIPTSHARE_PATH);
    ASSERT_TRUE(share.ok()) << share.error().describe();
    share_module_ = *share;
    lpt_ = control_of(lpt_module_);
    share_ = control_of(share_module_);
    ASSERT_NE(lpt_, nullptr);
    ASSERT_NE(share_, nullptr);
    ASSERT_NE(lpt_, share_);
    lpt_->reset();
    share_->reset();

    auto api = twapi::bind_api(twapi_module_);
    ASSERT_TRUE(api.ok()) << api.error().describe();
    api_ = *api;

    notifications().clear();

    set_router({{"TWPLocal", "LPT"}, {"TWPShare", "SHARE"}});
    set_provider_path(0, SCRIPTPROV_PATH);
    set_provider_path(1, SCRIPTSHARE_PATH);
}

void TwapiTest::TearDown() {
    // Balance whatever the test left initialised; extra calls do nothing.
    if (api_.TWRelease != nullptr)
        for (int i = 0; i < 8; ++i) api_.TWRelease();
    window_.stop();
    if (twapi_module_) (void)platform::free_library(twapi_module_);
    if (lpt_module_) (void)platform::free_library(lpt_module_);
    if (share_module_) (void)platform::free_library(share_module_);
}

std::uint32_t TestWindow::start() {
    if (hwnd_ != 0) return hwnd_;
    std::promise<std::pair<std::uint32_t, std::uint32_t>> made;
    auto made_future = made.get_future();
    thread_ = std::thread([&made] {
        platform::WNDCLASS wc;
        wc.lpfnWndProc = test_window_proc;
        wc.lpszClassName = kTestWindowClass;
        platform::register_class(wc);  // already registered by an earlier test: fine
        platform::HWND hwnd = platform::create_window_ex(0, kTestWindowClass, "notifications", 0, 0, 0, 0, 0, 0, 0,
                                                         0, nullptr);
        made.set_value({hwnd, platform::current_thread_id()});
        if (hwnd == 0) return;
        platform::MSG msg;
        while (platform::get_message(&msg, 0, 0, 0) > 0) platform::dispatch_message(&msg);
    });
    auto [hwnd, thread_id] = made_future.get();
    hwnd_ = hwnd;
    thread_id_ = thread_id;
    EXPECT_NE(hwnd_, 0u) << "test window";
    return hwnd_;
}

void TestWindow::stop() {
    if (!thread_.joinable()) return;
    if (hwnd_ != 0) platform::post_message(hwnd_, platform::WM_CLOSE, 0, 0);
    thread_.join();
    hwnd_ = 0;
}

void TwapiTest::set_router(const RouterValues& values, bool present) {
    auto software = platform::RegKey::create(platform::RootKey::LocalMachine, "SOFTWARE\\KAVRO\\TWPrinter");
    ASSERT_TRUE(software.ok());
    (void)software->key.delete_tree("TWRequestRouter");
    (void)software->key.delete_key("TWRequestRouter");
    if (!present) return;
    auto router = software->key.create("TWRequestRouter");
    ASSERT_TRUE(router.ok());
    for (const auto& [name, data] : values) ASSERT_TRUE(router->key.set_string(name, data).ok());
}

void TwapiTest::set_provider_path(int slot, const std::string& path) {
    const char* key_path = slot == 0 ? "SOFTWARE\\KAVRO\\TWPrinter\\TWProvider\\LPT"
                                     : "SOFTWARE\\KAVRO\\TWPrinter\\TWProvider\\SHARE2";
    auto key = platform::RegKey::create(platform::RootKey::LocalMachine, key_path);
    ASSERT_TRUE(key.ok());
    (void)key->key.delete_value("Path");
    if (!path.empty()) {
        ASSERT_TRUE(key->key.set_string("Path", path).ok());
    }
}

void TwapiTest::add_local_printer(const std::string& name, const std::vector<int>& channels,
                                  const std::string& connection) {
    lpt_->set_connect_answer("UFName:" + name, static_cast<int>(channels.size()), connection, channel_table(channels));
}

int TwapiTest::open_local(const std::string& name, int channel) {
    add_local_printer(name, {channel}, "LPT-" + name);
    EXPECT_EQ(api_.TWInitialize(), 0);
    int handle = api_.TWOpenChannel(1, name.c_str(), channel);
    EXPECT_GT(handle, 0);
    return handle;
}

std::vector<scriptprov::Call> TwapiTest::calls_of(scriptprov::ScriptControl* provider, const std::string& what) {
    std::vector<scriptprov::Call> selected;
    for (auto& call : provider->calls())
        if (call.what == what) selected.push_back(call);
    return selected;
}

}  // namespace twtest
