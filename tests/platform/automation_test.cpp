// The automation layer driving a real dialog: from the thread that owns it
// (input queued for the test's own loop), from another thread, and from
// another process, where each answer to input must come after the dialog
// procedure has seen the input's effect.
#include "platform/automation.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "platform/automation_internal.h"
#include "platform/commctrl.h"
#include "platform/image_files.h"
#include "platform/keys.h"
#include "platform/message_queue.h"
#include "platform/standard_controls.h"
#include "platform/window.h"
#include "tests/platform/probe_dialog.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"

namespace {

using namespace platform;
namespace ui = platform::automation;
using twtest::ProbeEvent;

bool contains(const std::vector<ProbeEvent>& events, ProbeEvent e) {
    return std::find(events.begin(), events.end(), e) != events.end();
}

std::string hex(HWND h) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", h);
    return buf;
}

// The dialog in another process: prints its handle, then runs its loop.
// With "stall" it stops reading its queue after showing the dialog.
twtest::ChildRole probe_process("probe", [](const std::vector<std::string>& args) {
    HWND dlg = twtest::create_probe_dialog("Probe Window");
    if (!dlg) return 1;
    const bool stall = !args.empty() && args[0] == "stall";
    // A stalling probe settles before it names its window, so that no request
    // of the test can be served by that last pump.
    if (stall) twtest::pump_messages(dlg);
    std::printf("%s\n", hex(dlg).c_str());
    std::fflush(stdout);
    if (stall) {
        ::sleep(30);
        return 0;
    }
    twtest::run_probe_loop(dlg);
    return 0;
});

class AutomationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("TWPRINTER_HEADLESS", "1", 1);
        dlg_ = twtest::create_probe_dialog("Probe Here");
        ASSERT_NE(dlg_, 0u);
        twtest::pump_messages(dlg_);
        twtest::clear_probe_events();
    }
    void TearDown() override {
        if (is_window(dlg_)) destroy_window(dlg_);
        ::unsetenv("TWPRINTER_HEADLESS");
    }
    HWND control(int id) {
        auto h = ui::find_control(dlg_, static_cast<std::uint32_t>(id));
        EXPECT_TRUE(h.ok());
        return h.ok() ? *h : 0;
    }

    twtest::TempMachineRoot root_;
    HWND dlg_ = 0;
};

TEST_F(AutomationTest, ListShowsTheDialogAndItsControlsWithIdsAndFlags) {
    enable_window(control(twtest::kProbeCheck), false);
    auto windows = ui::list_windows();
    auto at = std::find_if(windows.begin(), windows.end(), [&](auto& w) { return w.hwnd == dlg_; });
    ASSERT_NE(at, windows.end());
    EXPECT_EQ(at->depth, 0);
    EXPECT_EQ(at->text, "Probe Here");
    EXPECT_EQ(at->pid, static_cast<std::uint32_t>(::getpid()));
    std::vector<std::pair<std::uint32_t, std::string>> children;
    for (auto it = at + 1; it != windows.end() && it->depth > 0; ++it) {
        EXPECT_EQ(it->parent, dlg_);
        children.emplace_back(it->id, it->class_name);
        if (it->id == twtest::kProbePress) {
            EXPECT_EQ(it->text, "Press");
            EXPECT_TRUE(it->enabled() && it->visible());
        }
        if (it->id == twtest::kProbeCheck) {
            EXPECT_FALSE(it->enabled());
        }
    }
    // Template order is creation order.
    ASSERT_GE(children.size(), 6u);
    EXPECT_EQ(children[0].first, 101u);
    EXPECT_EQ(children[3].second, "SysListView32");
    EXPECT_EQ(children[5].first, 106u);
}

TEST_F(AutomationTest, WindowsAreFoundByHandleTitleClassOrPartOfTheTitle) {
    struct Case {
        std::string name;
        bool found;
    } cases[] = {
        {hex(dlg_), true}, {std::to_string(dlg_), true}, {"Probe Here", true}, {"probe here", true},
        {"#32770", true},  {"obe He", true},             {"Nothing Like It", false}, {"0x00000000", false},
    };
    for (const auto& c : cases) {
        auto h = ui::find_window_by_name(c.name);
        EXPECT_EQ(h.ok(), c.found) << c.name;
        if (!h.ok()) {
            EXPECT_EQ(h.error().code, ERROR_INVALID_WINDOW_HANDLE) << c.name;
        } else if (c.found) {
            EXPECT_EQ(*h, dlg_) << c.name;
        }
    }
    auto missing = ui::find_control(dlg_, 999);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, ERROR_NOT_FOUND);
}

TEST_F(AutomationTest, ClickOnTheOwnThreadTakesEffectInTheCallersLoop) {
    ASSERT_TRUE(ui::click(control(twtest::kProbePress)).ok());
    EXPECT_TRUE(twtest::probe_events().empty()) << "input must wait for the caller's loop";
    twtest::pump_messages(dlg_);
    EXPECT_TRUE(contains(twtest::probe_events(), {WM_COMMAND, twtest::kProbePress, BN_CLICKED}));
    EXPECT_EQ(*ui::get_text(dlg_), "Probe Here pressed 1");

    // A disabled control takes no clicks.
    twtest::clear_probe_events();
    enable_window(control(twtest::kProbePress), false);
    ASSERT_TRUE(ui::click(control(twtest::kProbePress)).ok());
    twtest::pump_messages(dlg_);
    EXPECT_FALSE(contains(twtest::probe_events(), {WM_COMMAND, twtest::kProbePress, BN_CLICKED}));
}

TEST_F(AutomationTest, StateReadsCheckProgressSelectionAndFocus) {
    HWND check = control(twtest::kProbeCheck);
    auto before = ui::get_state(check);
    ASSERT_TRUE(before.ok());
    EXPECT_EQ(before->check, 0);
    EXPECT_EQ(before->class_name, "Button");
    EXPECT_TRUE(before->enabled);
    ASSERT_TRUE(ui::click(check).ok());
    twtest::pump_messages(dlg_);
    auto after = ui::get_state(check);
    EXPECT_EQ(after->check, 1);
    EXPECT_TRUE(after->focused);
    EXPECT_EQ(after->text, "Check");

    EXPECT_EQ(ui::get_state(control(twtest::kProbeProgress))->position, twtest::kProbeProgressPosition);
    EXPECT_EQ(ui::get_state(control(twtest::kProbePress))->check, -1);

    ASSERT_TRUE(ui::choose_item(control(twtest::kProbeList), "Beta").ok());
    twtest::pump_messages(dlg_);
    auto list = ui::get_state(control(twtest::kProbeList));
    EXPECT_EQ(list->selected, 1);
    EXPECT_EQ(list->selected_text, "Beta");
    EXPECT_TRUE(contains(twtest::probe_events(), {WM_NOTIFY, twtest::kProbeList, static_cast<int>(LVN_ITEMCHANGED)}));

    // "Black" lies under two collapsed items.
    ASSERT_TRUE(ui::choose_item(control(twtest::kProbeTree), "Black").ok());
    twtest::pump_messages(dlg_);
    auto tree = ui::get_state(control(twtest::kProbeTree));
    EXPECT_EQ(tree->selected_text, "Black");
    EXPECT_TRUE(contains(twtest::probe_events(), {WM_NOTIFY, twtest::kProbeTree, static_cast<int>(TVN_SELCHANGED)}));
}

TEST_F(AutomationTest, ChoosingWhatIsNotThereFails) {
    struct Case {
        int control;
        const char* item;
        WinError code;
    } cases[] = {
        {twtest::kProbeList, "Delta", ERROR_NOT_FOUND},
        {twtest::kProbeTree, "Cyan", ERROR_NOT_FOUND},
        {twtest::kProbePress, "Alpha", ERROR_NOT_SUPPORTED},
    };
    for (const auto& c : cases) {
        auto done = ui::choose_item(control(c.control), c.item);
        ASSERT_FALSE(done.ok()) << c.item;
        EXPECT_EQ(done.error().code, c.code) << c.item;
    }
}

TEST_F(AutomationTest, TypedTextAndNamedKeysReachTheFocus) {
    set_focus(control(twtest::kProbeEdit));
    ASSERT_TRUE(ui::type_text(dlg_, "Ink: 50% (Black)").ok());
    twtest::pump_messages(dlg_);
    EXPECT_EQ(*ui::get_text(control(twtest::kProbeEdit)), "Ink: 50% (Black)");
    ASSERT_TRUE(ui::press_key(dlg_, "Backspace").ok());
    ASSERT_TRUE(ui::press_key(dlg_, "Home").ok());
    ASSERT_TRUE(ui::press_key(dlg_, "Delete").ok());
    twtest::pump_messages(dlg_);
    EXPECT_EQ(*ui::get_text(control(twtest::kProbeEdit)), "nk: 50% (Black");

    // Shift+Tab moves the focus back (the dialog manager sees Shift held).
    ASSERT_TRUE(ui::press_key(dlg_, "Shift+Tab").ok());
    twtest::pump_messages(dlg_);
    EXPECT_EQ(get_focus(), control(twtest::kProbeCheck));

    for (const char* bad : {"Hyper", "Meta+Tab", "F13", ""}) {
        auto done = ui::press_key(dlg_, bad);
        ASSERT_FALSE(done.ok()) << bad;
        EXPECT_EQ(done.error().code, ERROR_NOT_SUPPORTED) << bad;
    }
}

TEST_F(AutomationTest, ScreenshotIsAPngOfTheWindowAsItShows) {
    twtest::pump_messages(dlg_);
    auto png = root_.path() / "probe.png";
    ASSERT_TRUE(ui::screenshot(dlg_, png).ok());
    auto image = read_image_file(png);
    ASSERT_TRUE(image.ok()) << image.error().describe();
    RECT r;
    get_window_rect(dlg_, &r);
    EXPECT_EQ(image->width, r.right - r.left);
    EXPECT_EQ(image->height, r.bottom - r.top);
    POINT in_client = twtest::probe_client_point(dlg_, 2, 2);
    EXPECT_EQ(image->at(in_client.x, in_client.y) & 0xFFFFFF, twtest::kProbeBackground);

    auto unwritable = ui::screenshot(dlg_, root_.path() / "no-such-folder" / "x.png");
    EXPECT_FALSE(unwritable.ok());
}

TEST_F(AutomationTest, ClickFromAnotherThreadIsAnsweredAfterTheDialogHandledIt) {
    destroy_window(dlg_);
    std::atomic<HWND> other{0};
    std::thread owner([&] {
        HWND d = twtest::create_probe_dialog("Probe Thread");
        other = d;
        twtest::run_probe_loop(d);
    });
    while (other == 0) std::this_thread::yield();
    auto button = ui::find_control(other, twtest::kProbePress);
    ASSERT_TRUE(button.ok());
    ASSERT_TRUE(ui::click(*button).ok());
    // No waiting here: the answer itself comes after the WM_COMMAND.
    EXPECT_TRUE(contains(twtest::probe_events(), {WM_COMMAND, twtest::kProbePress, BN_CLICKED}));
    EXPECT_EQ(*ui::get_text(other), "Probe Thread pressed 1");
    post_message(other, WM_CLOSE, 0, 0);
    owner.join();
}

class AutomationProcessTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("TWPRINTER_HEADLESS", "1", 1); }
    void TearDown() override {
        ::unsetenv("TWPRINTER_HEADLESS");
        ui::set_timeout_ms(5000);
    }
    twtest::TempMachineRoot root_;
};

TEST_F(AutomationProcessTest, AnotherProcessIsListedReadClickedTypedAndPictured) {
    auto child = twtest::spawn_child("probe");
    std::string handle = child.read_line();
    auto dlg = ui::find_window_by_name(handle);
    ASSERT_TRUE(dlg.ok()) << handle;

    auto windows = ui::list_windows();
    auto at = std::find_if(windows.begin(), windows.end(), [&](auto& w) { return w.hwnd == *dlg; });
    ASSERT_NE(at, windows.end());
    EXPECT_EQ(at->pid, static_cast<std::uint32_t>(child.pid()));
    EXPECT_EQ(*ui::find_window_by_name("Probe Window"), *dlg);

    auto button = ui::find_control(*dlg, twtest::kProbePress);
    ASSERT_TRUE(button.ok());
    EXPECT_EQ(*ui::get_text(*button), "Press");
    ASSERT_TRUE(ui::click(*button).ok());
    EXPECT_EQ(*ui::get_text(*dlg), "Probe Window pressed 1");  // answered after WM_COMMAND

    auto edit = ui::find_control(*dlg, twtest::kProbeEdit);
    ASSERT_TRUE(ui::click(*edit).ok());
    ASSERT_TRUE(ui::type_text(*dlg, "Cyan 7").ok());
    EXPECT_EQ(*ui::get_text(*edit), "Cyan 7");
    auto edit_state = ui::get_state(*edit);
    EXPECT_TRUE(edit_state->focused);

    auto list = ui::find_control(*dlg, twtest::kProbeList);
    ASSERT_TRUE(ui::choose_item(*list, "Gamma").ok());
    EXPECT_EQ(ui::get_state(*list)->selected_text, "Gamma");

    auto png = root_.path() / "other.png";
    ASSERT_TRUE(ui::screenshot(*dlg, png).ok());
    auto image = read_image_file(png);
    ASSERT_TRUE(image.ok());
    // Taken after the painting the click and the typing caused: the title's
    // new text changed the frame, the background is the dialog's own.
    EXPECT_GT(image->width, 100);
    bool background_seen = false;
    for (int y = 0; y < image->height && !background_seen; ++y)
        for (int x = 0; x < image->width && !background_seen; ++x)
            background_seen = (image->at(x, y) & 0xFFFFFF) == twtest::kProbeBackground;
    EXPECT_TRUE(background_seen);

    post_message(*dlg, WM_CLOSE, 0, 0);
    EXPECT_EQ(child.wait(), 0);
    auto gone = ui::get_text(*dlg);
    ASSERT_FALSE(gone.ok());
    EXPECT_EQ(gone.error().code, ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(AutomationProcessTest, AWindowWhoseThreadDoesNotReadItsQueueTimesOutAndLeavesNothingBehind) {
    auto child = twtest::spawn_child("probe", {"stall"});
    auto dlg = ui::find_window_by_name(child.read_line());
    ASSERT_TRUE(dlg.ok());
    ui::set_timeout_ms(300);
    auto text = ui::get_text(*dlg);
    ASSERT_FALSE(text.ok());
    EXPECT_EQ(text.error().code, ERROR_TIMEOUT);
    EXPECT_NE(text.error().text.find(std::to_string(child.pid())), std::string::npos) << text.error().text;
    auto folder = root_.path() / "ui" / "automation";
    EXPECT_TRUE(!std::filesystem::exists(folder) || std::filesystem::is_empty(folder));
    child.kill();
}

TEST(AutomationWireTest, DecodersRefuseWhatTheEncodersDidNotWrite) {
    using namespace platform::automation::detail;
    std::string good = encode(Request{Op::Type, 0x1234, "a\nb:c"});
    auto back = decode_request(good);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->op, Op::Type);
    EXPECT_EQ(back->hwnd, 0x1234u);
    EXPECT_EQ(back->argument, "a\nb:c");

    const std::string magic = "twp-automation-request 1\n";
    for (const std::string& bad : {
             std::string{},
             good.substr(0, good.size() - 1),                 // cut short
             good + "x",                                      // trailing bytes
             magic + "1:9\n4:4660\n0:\n",                     // unknown operation
             magic + "1:3\n4:4660\n99:abc\n",                 // length past the end
             magic + "1:3\n4:4660\n3:abcX",                   // no line end after the field
             magic + "1:3\n4:46x0\n0:\n",                     // not a number
             magic + "1:3\n99999999999:4660\n0:\n",           // absurd length
             std::string("twp-automation-reply 1\n0:\n0:\n"),  // a reply is not a request
         })
        EXPECT_FALSE(decode_request(bad).has_value()) << bad;

    auto reply = decode_reply(encode(Reply{ERROR_TIMEOUT, "slow"}));
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->code, ERROR_TIMEOUT);
    EXPECT_EQ(reply->text, "slow");
    EXPECT_FALSE(decode_reply("twp-automation-reply 1\n4:1460\n").has_value());
}

}  // namespace
