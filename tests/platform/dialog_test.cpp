// Dialogs from templates: the messages a dialog procedure receives, dialog
// units, the modal loop, and the keyboard interface of the dialog manager.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/gdi.h"
#include "platform/keys.h"
#include "platform/library.h"
#include "platform/message_queue.h"
#include "platform/standard_controls.h"
#include "platform/window.h"
#include "tests/platform/dialog_fixture.h"
#include "tests/platform/window_recorder.h"
#include "tests/support/test_root.h"

using namespace platform;
using twtest::Recorder;

namespace {

constexpr int kLabel = 100, kName = 101, kLoud = 102, kRed = 103, kBlue = 104;

// A small settings dialog: a label, an edit field, a check box, a group of
// two radio buttons, OK (the default) and Cancel.
DialogTemplate settings_template() {
    DialogTemplate t;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    t.x = 20;
    t.y = 30;
    t.cx = 180;
    t.cy = 90;
    t.caption = "Settings";
    t.font_face = "MS Sans Serif";
    t.font_points = 8;
    const std::uint32_t vis = WS_CHILD | WS_VISIBLE;
    t.items = {
        {"STATIC", "&Name:", kLabel, vis | SS_LEFT, 0, 7, 9, 40, 8},
        {"EDIT", "", kName, vis | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, 50, 7, 100, 12},
        {"BUTTON", "&Loud", kLoud, vis | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 7, 25, 60, 10},
        {"BUTTON", "&Red", kRed, vis | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 0, 7, 40, 60, 10},
        {"BUTTON", "Bl&ue", kBlue, vis | BS_AUTORADIOBUTTON, 0, 7, 52, 60, 10},
        {"BUTTON", "OK", IDOK, vis | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0, 70, 70, 50, 14},
        {"BUTTON", "Cancel", IDCANCEL, vis | WS_TABSTOP | BS_PUSHBUTTON, 0, 124, 70, 50, 14},
    };
    return t;
}

// What the recording dialog procedure answers WM_INITDIALOG with.
std::intptr_t init_answer = 1;

std::intptr_t recording_dlgproc(HWND hdlg, UINT message, WPARAM wParam, LPARAM lParam) {
    Recorder::instance().add({hdlg, message, wParam, lParam});
    if (message == WM_INITDIALOG) return init_answer;
    if (message == WM_COMMAND && hiword(wParam) == BN_CLICKED &&
        (loword(wParam) == IDOK || loword(wParam) == IDCANCEL)) {
        end_dialog(hdlg, loword(wParam));
        return 1;
    }
    return 0;
}

// The WM_COMMAND notifications the dialog got, as "id:code".
std::vector<std::string> commands() {
    std::vector<std::string> out;
    for (const auto& r : Recorder::instance().received())
        if (r.message == WM_COMMAND) out.push_back(std::to_string(loword(r.wParam)) + ":" + std::to_string(hiword(r.wParam)));
    return out;
}

MSG key(HWND hwnd, UINT message, WPARAM vk) {
    MSG m;
    m.hwnd = hwnd;
    m.message = message;
    m.wParam = vk;
    return m;
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        Recorder::instance().clear();
        init_answer = 1;
    }
    void TearDown() override {
        if (hdlg_ && is_window(hdlg_)) destroy_window(hdlg_);
    }
    HWND make(const DialogTemplate& t = settings_template(), LPARAM param = 0x5EED) {
        hdlg_ = create_dialog_indirect_param(0, t, 0, recording_dlgproc, param);
        Recorder::instance().name(hdlg_, "D");
        return hdlg_;
    }
    // Hands a key to the dialog manager as the loop would, with the focus window as target.
    bool press(UINT message, WPARAM vk) {
        MSG m = key(get_focus(), message, vk);
        return is_dialog_message(hdlg_, &m);
    }
    void tab(bool back = false) { twtest::press_key(hdlg_, VK_TAB, back); }

    twtest::TempMachineRoot root_;
    HWND hdlg_ = 0;
};

TEST_F(DialogTest, ProcedureSeesFontThenInitDialogAndTheFirstTabStopGetsTheFocus) {
    ASSERT_NE(make(), 0u);
    const std::vector<std::string> expected = {"D:WM_SETFONT", "D:WM_INITDIALOG", "D:WM_COMMAND"};
    EXPECT_EQ(Recorder::instance().sequence({WM_CREATE, WM_NCCREATE, WM_SETFONT, WM_INITDIALOG, WM_COMMAND}),
              expected);
    HWND name = get_dlg_item(hdlg_, kName);
    const auto init = Recorder::instance().received()[1];
    EXPECT_EQ(init.wParam, static_cast<WPARAM>(name)) << "wParam names the first WS_TABSTOP item";
    EXPECT_EQ(init.lParam, 0x5EED);
    EXPECT_EQ(get_focus(), name);
    EXPECT_EQ(commands(), (std::vector<std::string>{"101:256"})) << "EN_SETFOCUS from the field";
    EXPECT_FALSE(is_window_visible(hdlg_)) << "no WS_VISIBLE in the template";

    // Items carry their template facts, and the dialog font.
    char cls[32];
    get_class_name(get_dlg_item(hdlg_, kLoud), cls, sizeof cls);
    EXPECT_STREQ(cls, "Button");
    EXPECT_EQ(window_text(get_dlg_item(hdlg_, kLoud)), "&Loud");
    EXPECT_EQ(get_dlg_ctrl_id(name), kName);
    EXPECT_EQ(get_parent(name), hdlg_);
    EXPECT_TRUE(get_window_long(name, GWL_EXSTYLE) & WS_EX_NOPARENTNOTIFY);
    EXPECT_EQ(send_message(name, WM_GETFONT, 0, 0), send_message(hdlg_, WM_GETFONT, 0, 0));
    EXPECT_EQ(send_message(hdlg_, DM_GETDEFID, 0, 0), make_lparam(IDOK, DC_HASDEFID));
    EXPECT_EQ(get_dlg_item(hdlg_, 999), 0u);
}

TEST_F(DialogTest, InitDialogAnsweringFalseLeavesTheFocusAlone) {
    init_answer = 0;
    ASSERT_NE(make(), 0u);
    EXPECT_EQ(get_focus(), 0u);
    EXPECT_TRUE(commands().empty());
}

TEST_F(DialogTest, ItemsLandWhereTheirDialogUnitsSay) {
    ASSERT_NE(make(), 0u);
    const int base_x = loword(static_cast<std::uintptr_t>(twtest::dialog_base_units(hdlg_)));
    const int base_y = hiword(static_cast<std::uintptr_t>(twtest::dialog_base_units(hdlg_)));
    ASSERT_GT(base_x, 0);
    ASSERT_GT(base_y, 0);
    for (const auto& item : settings_template().items) {
        const RECT r = twtest::item_rect(hdlg_, static_cast<int>(item.id));
        SCOPED_TRACE(item.text);
        EXPECT_EQ(r.left, twtest::mul_div(item.x, base_x, 4));
        EXPECT_EQ(r.top, twtest::mul_div(item.y, base_y, 8));
        EXPECT_EQ(r.right - r.left, twtest::mul_div(item.cx, base_x, 4));
        EXPECT_EQ(r.bottom - r.top, twtest::mul_div(item.cy, base_y, 8));
    }
    RECT client;
    get_client_rect(hdlg_, &client);
    EXPECT_EQ(client.right, twtest::mul_div(180, base_x, 4));
    EXPECT_EQ(client.bottom, twtest::mul_div(90, base_y, 8));
    // The template's face at 8 points for 96 pixels per inch.
    LOGFONT lf;
    ASSERT_NE(get_object(static_cast<HFONT>(send_message(hdlg_, WM_GETFONT, 0, 0)), sizeof lf, &lf), 0);
    EXPECT_EQ(lf.lfHeight, -11);
    EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
    RECT du{10, 20, 14, 28};
    ASSERT_TRUE(map_dialog_rect(hdlg_, &du));
    EXPECT_EQ(du.left, twtest::mul_div(10, base_x, 4));
    EXPECT_EQ(du.bottom, twtest::mul_div(28, base_y, 8));
}

TEST_F(DialogTest, AnItemOfAnUnknownClassFailsTheDialogUnlessNoFailCreate) {
    DialogTemplate t = settings_template();
    t.items.push_back({"NoSuchClass", "", 300, WS_CHILD, 0, 0, 0, 10, 10});
    EXPECT_EQ(make(t), 0u);
    EXPECT_EQ(last_error(), ERROR_CANNOT_FIND_WND_CLASS);
    EXPECT_EQ(Recorder::instance().sequence({WM_INITDIALOG}).size(), 0u);

    t.style |= DS_NOFAILCREATE;
    ASSERT_NE(make(t), 0u);
    EXPECT_NE(get_dlg_item(hdlg_, kName), 0u);
    EXPECT_EQ(get_dlg_item(hdlg_, 300), 0u);
}

TEST_F(DialogTest, TabAndShiftTabWalkTheTabStopsAndSkipDisabledItems) {
    ASSERT_NE(make(), 0u);
    enable_window(get_dlg_item(hdlg_, kLoud), false);
    std::vector<int> order;
    for (int i = 0; i < 4; ++i) {
        tab();
        order.push_back(get_dlg_ctrl_id(get_focus()));
    }
    EXPECT_EQ(order, (std::vector<int>{kRed, IDOK, IDCANCEL, kName}));
    tab(true);
    EXPECT_EQ(get_dlg_ctrl_id(get_focus()), IDCANCEL);
}

TEST_F(DialogTest, ArrowsMoveWithinTheGroupAndChooseAutoRadioButtons) {
    ASSERT_NE(make(), 0u);
    set_focus(get_dlg_item(hdlg_, kRed));
    Recorder::instance().clear();
    EXPECT_TRUE(press(WM_KEYDOWN, VK_DOWN));
    EXPECT_EQ(get_dlg_ctrl_id(get_focus()), kBlue);
    EXPECT_EQ(is_dlg_button_checked(hdlg_, kBlue), BST_CHECKED);
    EXPECT_EQ(is_dlg_button_checked(hdlg_, kRed), BST_UNCHECKED);
    EXPECT_EQ(commands(), (std::vector<std::string>{"104:0"}));
    EXPECT_TRUE(press(WM_KEYDOWN, VK_DOWN));  // wraps within the group
    EXPECT_EQ(get_dlg_ctrl_id(get_focus()), kRed);
    EXPECT_EQ(is_dlg_button_checked(hdlg_, kRed), BST_CHECKED);
    EXPECT_EQ(is_dlg_button_checked(hdlg_, kBlue), BST_UNCHECKED);
    // The checked radio button is the group's tab stop.
    EXPECT_TRUE(get_window_long(get_dlg_item(hdlg_, kRed), GWL_STYLE) & WS_TABSTOP);
    EXPECT_FALSE(get_window_long(get_dlg_item(hdlg_, kBlue), GWL_STYLE) & WS_TABSTOP);
}

struct KeyCase {
    const char* what;
    int focus_id;         // the item with the focus
    std::uint32_t vk;
    std::vector<std::string> commands;  // "id:code" the dialog gets
};

TEST_F(DialogTest, EnterAndEscapeBecomeCommands) {
    const std::vector<KeyCase> cases = {
        {"Enter in the field presses the default button", kName, VK_RETURN, {"1:0"}},
        {"Enter on a push button presses that button", IDCANCEL, VK_RETURN, {"2:0"}},
        {"Escape anywhere is Cancel", kName, VK_ESCAPE, {"2:0"}},
        {"Escape on the check box is Cancel too", kLoud, VK_ESCAPE, {"2:0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NE(make(), 0u);
        set_focus(get_dlg_item(hdlg_, c.focus_id));
        Recorder::instance().clear();
        EXPECT_TRUE(press(WM_KEYDOWN, c.vk));
        std::vector<std::string> got;
        for (auto& s : commands())
            if (s.rfind("101:", 0) != 0) got.push_back(s);  // leave out the field's focus notes
        EXPECT_EQ(got, c.commands);
        destroy_window(hdlg_);
    }
}

TEST_F(DialogTest, EnterWithoutADefaultButtonIsIdOk) {
    DialogTemplate t = settings_template();
    t.items[5].style = (t.items[5].style & ~BS_TYPEMASK) | BS_PUSHBUTTON;
    ASSERT_NE(make(t), 0u);
    EXPECT_EQ(send_message(hdlg_, DM_GETDEFID, 0, 0), 0);
    Recorder::instance().clear();
    EXPECT_TRUE(press(WM_KEYDOWN, VK_RETURN));
    EXPECT_EQ(commands(), (std::vector<std::string>{"1:0"}));

    // DM_SETDEFID names another default, which Enter then presses.
    send_message(hdlg_, DM_SETDEFID, IDCANCEL, 0);
    EXPECT_EQ(get_window_long(get_dlg_item(hdlg_, IDCANCEL), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    Recorder::instance().clear();
    EXPECT_TRUE(press(WM_KEYDOWN, VK_RETURN));
    EXPECT_EQ(commands(), (std::vector<std::string>{"2:0"}));
}

TEST_F(DialogTest, TheDefaultLookFollowsTheFocusAmongPushButtons) {
    ASSERT_NE(make(), 0u);
    HWND ok = get_dlg_item(hdlg_, IDOK), cancel = get_dlg_item(hdlg_, IDCANCEL);
    auto type = [](HWND h) { return static_cast<std::uint32_t>(get_window_long(h, GWL_STYLE)) & BS_TYPEMASK; };
    set_focus(get_dlg_item(hdlg_, kRed));
    tab();  // OK
    EXPECT_EQ(type(ok), BS_DEFPUSHBUTTON);
    tab();  // Cancel takes the look while it has the focus
    EXPECT_EQ(get_focus(), cancel);
    EXPECT_EQ(type(cancel), BS_DEFPUSHBUTTON);
    EXPECT_EQ(type(ok), BS_PUSHBUTTON);
    tab();  // to the field: the look goes back to the dialog's default
    EXPECT_EQ(type(cancel), BS_PUSHBUTTON);
    EXPECT_EQ(type(ok), BS_DEFPUSHBUTTON);
    EXPECT_EQ(send_message(hdlg_, DM_GETDEFID, 0, 0), make_lparam(IDOK, DC_HASDEFID));
    // A click gives the focus, and the look, too.
    send_message(cancel, BM_CLICK, 0, 0);
    EXPECT_EQ(type(cancel), BS_DEFPUSHBUTTON);
    EXPECT_EQ(type(ok), BS_PUSHBUTTON);
}

TEST_F(DialogTest, MnemonicsClickButtonsAndLabelsHandTheFocusOn) {
    ASSERT_NE(make(), 0u);
    set_focus(get_dlg_item(hdlg_, IDOK));
    Recorder::instance().clear();
    EXPECT_TRUE(press(WM_CHAR, 'l'));
    EXPECT_EQ(is_dlg_button_checked(hdlg_, kLoud), BST_CHECKED);
    EXPECT_TRUE(press(WM_CHAR, 'N'));
    EXPECT_EQ(get_dlg_ctrl_id(get_focus()), kName);
    // In the field, letters are typing, not mnemonics.
    EXPECT_TRUE(press(WM_CHAR, 'l'));
    EXPECT_EQ(window_text(get_dlg_item(hdlg_, kName)), "l");
    EXPECT_EQ(is_dlg_button_checked(hdlg_, kLoud), BST_CHECKED);
}

TEST_F(DialogTest, MessagesOfOtherWindowsAreNotTaken) {
    ASSERT_NE(make(), 0u);
    DialogTemplate other = settings_template();
    HWND second = create_dialog_indirect_param(0, other, 0, recording_dlgproc, 0);
    ASSERT_NE(second, 0u);
    MSG m = key(get_dlg_item(second, kName), WM_KEYDOWN, VK_ESCAPE);
    EXPECT_FALSE(is_dialog_message(hdlg_, &m));
    EXPECT_TRUE(is_dialog_message(second, &m));
    destroy_window(second);
}

TEST_F(DialogTest, CloseIsCancelAndEndDialogHidesAModelessDialog) {
    DialogTemplate t = settings_template();
    t.style |= WS_VISIBLE;
    ASSERT_NE(make(t), 0u);
    EXPECT_TRUE(is_window_visible(hdlg_));
    send_message(hdlg_, WM_CLOSE, 0, 0);
    twtest::pump();
    EXPECT_EQ(commands().back(), "2:0");
    EXPECT_FALSE(is_window_visible(hdlg_)) << "end_dialog hid it";
    EXPECT_TRUE(is_window(hdlg_)) << "a modeless dialog is destroyed by its owner";
}

TEST_F(DialogTest, ItemCalls) {
    ASSERT_NE(make(), 0u);
    struct IntCase {
        const char* text;
        bool is_signed;
        bool ok;
        UINT value;
    };
    const std::vector<IntCase> cases = {
        {"42", false, true, 42},       {"  -17 ", true, true, static_cast<UINT>(-17)},
        {"-17", false, false, 0},      {"12abc", false, false, 0},
        {"", false, false, 0},         {"4294967295", false, true, 4294967295u},
        {"4294967296", false, false, 0}, {"2147483648", true, false, 0},
        {"-2147483648", true, true, 0x80000000u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        set_dlg_item_text(hdlg_, kName, c.text);
        bool ok = !c.ok;
        EXPECT_EQ(get_dlg_item_int(hdlg_, kName, &ok, c.is_signed), c.value);
        EXPECT_EQ(ok, c.ok);
    }
    set_dlg_item_int(hdlg_, kName, static_cast<UINT>(-5), true);
    char buf[8];
    EXPECT_EQ(get_dlg_item_text(hdlg_, kName, buf, sizeof buf), 2u);
    EXPECT_STREQ(buf, "-5");

    check_dlg_button(hdlg_, kLoud, BST_CHECKED);
    EXPECT_EQ(is_dlg_button_checked(hdlg_, kLoud), BST_CHECKED);
    EXPECT_TRUE(check_radio_button(hdlg_, kRed, kBlue, kBlue));
    EXPECT_EQ(is_dlg_button_checked(hdlg_, kRed), BST_UNCHECKED);
    EXPECT_EQ(is_dlg_button_checked(hdlg_, kBlue), BST_CHECKED);
    EXPECT_EQ(get_next_dlg_group_item(hdlg_, get_dlg_item(hdlg_, kBlue), false), get_dlg_item(hdlg_, kRed));
    EXPECT_EQ(get_next_dlg_tab_item(hdlg_, get_dlg_item(hdlg_, IDCANCEL), false), get_dlg_item(hdlg_, kName));
}

// --- The modal loop --------------------------------------------------------------

std::intptr_t timed_dlgproc(HWND hdlg, UINT message, WPARAM wParam, LPARAM lParam) {
    Recorder::instance().add({hdlg, message, wParam, lParam});
    switch (message) {
    case WM_INITDIALOG:
        set_timer(hdlg, 7, 20, nullptr);
        return 1;
    case WM_TIMER:
        // Ticks keep coming while the dialog is up; the third clicks Cancel
        // the way a person would, through the queue.
        if (++*reinterpret_cast<int*>(get_window_long_ptr(hdlg, DWL_USER)) == 3)
            post_message(get_dlg_item(hdlg, IDCANCEL), BM_CLICK, 0, 0);
        return 1;
    case WM_COMMAND:
        if (loword(wParam) == IDCANCEL) end_dialog(hdlg, 77);
        return 1;
    default:
        return 0;
    }
}

TEST_F(DialogTest, ModalDialogRunsItsLoopUntilEndDialogAndGivesBackTheOwner) {
    WNDCLASS wc;
    wc.lpfnWndProc = def_window_proc;
    wc.lpszClassName = "TwpDialogOwner";
    wc.hInstance = 0x1234;
    ASSERT_NE(register_class(wc), 0);
    HWND owner = create_window_ex(0, "TwpDialogOwner", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, 0, 0,
                                  0x1234, nullptr);
    ASSERT_NE(owner, 0u);

    int ticks = 0;
    struct Probe {
        static std::intptr_t proc(HWND hdlg, UINT message, WPARAM wParam, LPARAM lParam) {
            if (message == WM_INITDIALOG) {
                set_window_long_ptr(hdlg, DWL_USER, lParam);
                // The owner is already disabled when the dialog starts.
                Recorder::instance().add({get_window_owner(hdlg), is_window_enabled(get_window_owner(hdlg)) ? 1u : 0u, 0, 0});
            }
            return timed_dlgproc(hdlg, message, wParam, lParam);
        }
    };
    const std::intptr_t result =
        dialog_box_indirect_param(0, settings_template(), owner, Probe::proc, reinterpret_cast<LPARAM>(&ticks));
    EXPECT_EQ(result, 77);
    EXPECT_EQ(ticks, 3);
    EXPECT_TRUE(is_window_enabled(owner));
    const auto all = Recorder::instance().received();
    const auto probe = std::find_if(all.begin(), all.end(), [&](const twtest::Received& r) { return r.hwnd == owner; });
    ASSERT_NE(probe, all.end());
    EXPECT_EQ(probe->message, 0u) << "owner disabled during WM_INITDIALOG";
    const HWND hdlg = Recorder::instance().received().back().hwnd;
    EXPECT_FALSE(is_window(hdlg)) << "the modal dialog is destroyed before the call returns";
    EXPECT_TRUE(Recorder::instance().sequence({WM_DESTROY}).size() >= 1);
    destroy_window(owner);
    unregister_class("TwpDialogOwner", 0x1234);
}

TEST_F(DialogTest, ModalDialogGivesAQuitRequestBackToTheOuterLoop) {
    struct Quitter {
        static std::intptr_t proc(HWND, UINT message, WPARAM, LPARAM) {
            if (message == WM_INITDIALOG) post_quit_message(9);
            return message == WM_INITDIALOG;
        }
    };
    EXPECT_EQ(dialog_box_indirect_param(0, settings_template(), 0, Quitter::proc, 0), 0);
    MSG m;
    ASSERT_TRUE(peek_message(&m, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 9u);
}

}  // namespace

namespace {

// A modal dialog from a resource library's script, ended by its own timer
// through a posted click while the nested loop runs.
std::intptr_t resource_dlgproc(HWND hdlg, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        set_timer(hdlg, 3, 20, nullptr);
        return 1;
    case WM_TIMER:
        kill_timer(hdlg, 3);
        post_message(get_dlg_item(hdlg, IDOK), BM_CLICK, 0, 0);
        return 1;
    case WM_COMMAND:
        if (loword(wParam) == IDOK) end_dialog(hdlg, 1234);
        return 1;
    default:
        return 0;
    }
}

TEST(DialogResourceTest, ModalDialogFromAScriptReturnsItsCodeAndAMissingOneIsMinusOne) {
    twtest::TempMachineRoot root;
    const auto libs = root.path() / "libs";
    std::filesystem::create_directories(libs);
    std::ofstream(libs / "DlgRes.rc") << "#define IDD_ASK 210\n"
                                          "IDD_ASK DIALOGEX 0, 0, 120, 50\n"
                                          "STYLE DS_MODALFRAME | WS_POPUP | WS_CAPTION | DS_CENTER\n"
                                          "CAPTION \"Ask\"\n"
                                          "FONT 8, \"MS Sans Serif\"\n"
                                          "BEGIN\n"
                                          "    LTEXT \"Go on?\", -1, 7, 7, 100, 8\n"
                                          "    DEFPUSHBUTTON \"OK\", IDOK, 35, 28, 50, 14\n"
                                          "END\n";
    ::setenv("TWPRINTER_LIBRARY_PATH", libs.c_str(), 1);
    auto module = load_library("DLGRES.DLL");
    ASSERT_TRUE(module.ok()) << module.error().describe();
    EXPECT_EQ(dialog_box_param(*module, 210, 0, resource_dlgproc, 0), 1234);
    EXPECT_EQ(dialog_box_param(*module, 211, 0, resource_dlgproc, 0), -1);
    EXPECT_EQ(create_dialog_param(*module, "NOSUCH", 0, resource_dlgproc, 0), 0u);
    EXPECT_EQ(last_error(), ERROR_RESOURCE_NAME_NOT_FOUND);
    (void)free_library(*module);
    ::unsetenv("TWPRINTER_LIBRARY_PATH");
}

}  // namespace
