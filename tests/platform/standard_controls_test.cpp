// BUTTON, STATIC and EDIT: their state, the messages they answer and the
// notifications their parent gets, as sequences.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/keys.h"
#include "platform/message_queue.h"
#include "platform/standard_controls.h"
#include "platform/window.h"
#include "tests/platform/window_recorder.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"

using namespace platform;
using twtest::Recorder;

namespace {

constexpr Handle kModule = 0x4100;

// Prints the title of each window handle given, as another process sees it.
twtest::ChildRole read_titles("read-titles", [](const std::vector<std::string>& args) {
    for (const auto& a : args) std::printf("[%s]\n", window_text(static_cast<HWND>(std::stoul(a))).c_str());
    return 0;
});
constexpr int kId = 55;

// The parent's WM_COMMAND notifications as "id:code".
std::vector<std::string> notes() {
    std::vector<std::string> out;
    for (const auto& r : Recorder::instance().received())
        if (r.message == WM_COMMAND) out.push_back(std::to_string(loword(r.wParam)) + ":" + std::to_string(hiword(r.wParam)));
    return out;
}

LPARAM at(int x, int y) { return make_lparam(static_cast<std::uint16_t>(x), static_cast<std::uint16_t>(y)); }

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        Recorder::instance().clear();
        WNDCLASS wc;
        wc.lpfnWndProc = twtest::recording_proc;
        wc.hInstance = kModule;
        wc.lpszClassName = "TwpControlParent";
        ASSERT_NE(register_class(wc), 0);
        parent_ = create_window_ex(0, "TwpControlParent", "parent", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, 0, 0,
                                   kModule, nullptr);
        ASSERT_NE(parent_, 0u);
    }
    void TearDown() override {
        destroy_window(parent_);
        unregister_class("TwpControlParent", kModule);
    }
    // A control made without registering anything: the standard classes are there.
    HWND make(const char* cls, const char* text, std::uint32_t style, int id = kId) {
        HWND h = create_window_ex(0, cls, text, WS_CHILD | WS_VISIBLE | style, 10, 10, 80, 24, parent_,
                                  static_cast<std::uintptr_t>(id), kModule, nullptr);
        EXPECT_NE(h, 0u) << cls;
        Recorder::instance().clear();
        return h;
    }

    twtest::TempMachineRoot root_;
    HWND parent_ = 0;
};

// --- BUTTON -------------------------------------------------------------------------

TEST_F(ControlTest, PressAndReleaseInsideClicksOnceOutsideDoesNot) {
    HWND b = make("BUTTON", "Go", BS_PUSHBUTTON);
    send_message(b, WM_LBUTTONDOWN, 0, at(5, 5));
    EXPECT_EQ(get_focus(), b);
    EXPECT_EQ(send_message(b, BM_GETSTATE, 0, 0) & BST_PUSHED, BST_PUSHED);
    EXPECT_TRUE(notes().empty()) << "nothing until the release";
    send_message(b, WM_LBUTTONUP, 0, at(6, 6));
    EXPECT_EQ(notes(), (std::vector<std::string>{"55:0"}));
    EXPECT_EQ(send_message(b, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);

    // Dragged off before the release: the press is taken back.
    Recorder::instance().clear();
    send_message(b, WM_LBUTTONDOWN, 0, at(5, 5));
    send_message(b, WM_MOUSEMOVE, 0, at(200, 5));
    EXPECT_EQ(send_message(b, BM_GETSTATE, 0, 0) & BST_PUSHED, 0) << "shown raised while outside";
    send_message(b, WM_LBUTTONUP, 0, at(200, 5));
    EXPECT_TRUE(notes().empty());

    // A release without a press is nothing.
    send_message(b, WM_LBUTTONUP, 0, at(5, 5));
    EXPECT_TRUE(notes().empty());
}

TEST_F(ControlTest, SpaceClicksAndBmClickClicksUnlessDisabled) {
    HWND b = make("BUTTON", "Go", BS_PUSHBUTTON);
    set_focus(b);
    Recorder::instance().clear();
    send_message(b, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(send_message(b, BM_GETSTATE, 0, 0) & BST_PUSHED);
    send_message(b, WM_KEYUP, VK_SPACE, 0);
    send_message(b, BM_CLICK, 0, 0);
    EXPECT_EQ(notes(), (std::vector<std::string>{"55:0", "55:0"}));

    enable_window(b, false);
    Recorder::instance().clear();
    send_message(b, BM_CLICK, 0, 0);
    EXPECT_TRUE(notes().empty());
}

struct CheckCase {
    const char* what;
    std::uint32_t style;
    std::vector<UINT> after_clicks;  // BM_GETCHECK after each click
};

TEST_F(ControlTest, ClicksChangeTheCheckOfAutoButtonsOnly) {
    const std::vector<CheckCase> cases = {
        {"auto check box toggles", BS_AUTOCHECKBOX, {1, 0, 1}},
        {"auto 3-state cycles", BS_AUTO3STATE, {1, 2, 0}},
        {"plain check box leaves it to the parent", BS_CHECKBOX, {0, 0, 0}},
        {"auto radio button stays checked", BS_AUTORADIOBUTTON, {1, 1, 1}},
        {"push button has no check", BS_PUSHBUTTON, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HWND b = make("BUTTON", "x", c.style);
        std::vector<UINT> got;
        for (std::size_t i = 0; i < c.after_clicks.size(); ++i) {
            send_message(b, BM_CLICK, 0, 0);
            got.push_back(static_cast<UINT>(send_message(b, BM_GETCHECK, 0, 0)));
        }
        EXPECT_EQ(got, c.after_clicks);
        EXPECT_EQ(notes().size(), c.after_clicks.size()) << "BN_CLICKED every time";
        destroy_window(b);
    }
}

TEST_F(ControlTest, CheckSettingKeepsToTheButtonsKind) {
    HWND check = make("BUTTON", "c", BS_CHECKBOX);
    send_message(check, BM_SETCHECK, BST_INDETERMINATE, 0);
    EXPECT_EQ(send_message(check, BM_GETCHECK, 0, 0), BST_CHECKED) << "two states only";
    HWND three = make("BUTTON", "t", BS_3STATE, 56);
    send_message(three, BM_SETCHECK, BST_INDETERMINATE, 0);
    EXPECT_EQ(send_message(three, BM_GETCHECK, 0, 0), BST_INDETERMINATE);
    EXPECT_TRUE(notes().empty()) << "setting the check is not a click";
}

TEST_F(ControlTest, AnAutoRadioButtonUnchecksItsGroupOnly) {
    HWND a = make("BUTTON", "a", BS_AUTORADIOBUTTON | WS_GROUP, 1);
    HWND b = make("BUTTON", "b", BS_AUTORADIOBUTTON, 2);
    HWND c = make("BUTTON", "c", BS_AUTORADIOBUTTON, 3);
    HWND other = make("BUTTON", "d", BS_AUTORADIOBUTTON | WS_GROUP, 4);
    send_message(a, BM_SETCHECK, BST_CHECKED, 0);
    send_message(other, BM_SETCHECK, BST_CHECKED, 0);
    send_message(c, BM_CLICK, 0, 0);
    EXPECT_EQ(send_message(a, BM_GETCHECK, 0, 0), 0);
    EXPECT_EQ(send_message(b, BM_GETCHECK, 0, 0), 0);
    EXPECT_EQ(send_message(c, BM_GETCHECK, 0, 0), 1);
    EXPECT_EQ(send_message(other, BM_GETCHECK, 0, 0), 1) << "another group";
}

TEST_F(ControlTest, ButtonStyleAndDialogCodes) {
    struct CodeCase {
        std::uint32_t style;
        LRESULT code;
    };
    const std::vector<CodeCase> cases = {
        {BS_PUSHBUTTON, DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON}, {BS_DEFPUSHBUTTON, DLGC_BUTTON | DLGC_DEFPUSHBUTTON},
        {BS_AUTORADIOBUTTON, DLGC_BUTTON | DLGC_RADIOBUTTON}, {BS_GROUPBOX, DLGC_STATIC},
        {BS_AUTOCHECKBOX, DLGC_BUTTON},                       {BS_OWNERDRAW, DLGC_BUTTON},
    };
    for (const auto& c : cases) {
        HWND b = make("BUTTON", "x", c.style);
        EXPECT_EQ(send_message(b, WM_GETDLGCODE, 0, 0), c.code) << c.style;
        destroy_window(b);
    }
    HWND b = make("BUTTON", "x", BS_PUSHBUTTON | BS_NOTIFY);
    send_message(b, BM_SETSTYLE, BS_DEFPUSHBUTTON, 1);
    EXPECT_EQ(static_cast<std::uint32_t>(get_window_long(b, GWL_STYLE)) & (BS_TYPEMASK | BS_NOTIFY),
              BS_DEFPUSHBUTTON | BS_NOTIFY) << "only the type changes";
}

// --- STATIC -------------------------------------------------------------------------

TEST_F(ControlTest, StaticNotifiesClicksOnlyWithSsNotify) {
    HWND quiet = make("STATIC", "label", SS_LEFT, 1);
    HWND loud = make("STATIC", "label", SS_LEFT | SS_NOTIFY, 2);
    send_message(quiet, WM_LBUTTONDOWN, 0, at(1, 1));
    send_message(loud, WM_LBUTTONDOWN, 0, at(1, 1));
    EXPECT_EQ(notes(), (std::vector<std::string>{"2:0"}));
    EXPECT_EQ(send_message(loud, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
}

TEST_F(ControlTest, StaticImagesSwapAndKeepToTheirKind) {
    HWND icon = make("STATIC", "", SS_ICON, 1);
    EXPECT_EQ(send_message(icon, STM_SETICON, 0x51, 0), 0);
    EXPECT_EQ(send_message(icon, STM_SETIMAGE, IMAGE_ICON, 0x52), 0x51) << "the old one comes back";
    EXPECT_EQ(send_message(icon, STM_GETIMAGE, IMAGE_ICON, 0), 0x52);
    EXPECT_EQ(send_message(icon, STM_GETICON, 0, 0), 0x52);
    EXPECT_EQ(send_message(icon, STM_SETIMAGE, IMAGE_BITMAP, 0x53), 0) << "no bitmap in an icon static";
    EXPECT_EQ(send_message(icon, STM_GETIMAGE, IMAGE_ICON, 0), 0x52);

    HWND bitmap = make("STATIC", "", SS_BITMAP, 2);
    send_message(bitmap, STM_SETIMAGE, IMAGE_BITMAP, 0x61);
    EXPECT_EQ(send_message(bitmap, STM_GETIMAGE, IMAGE_BITMAP, 0), 0x61);
    EXPECT_EQ(send_message(bitmap, STM_GETIMAGE, IMAGE_ICON, 0), 0);
}

WNDPROC original_static = nullptr;
int subclass_calls = 0;
LRESULT counting_static(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == STM_SETIMAGE) ++subclass_calls;
    return call_window_proc(original_static, hwnd, message, wParam, lParam);
}

TEST_F(ControlTest, ASubclassedStaticKeepsItsStateThroughTheOriginalProcedure) {
    HWND s = make("STATIC", "", SS_BITMAP);
    original_static = reinterpret_cast<WNDPROC>(
        set_window_long_ptr(s, GWL_WNDPROC, reinterpret_cast<std::intptr_t>(counting_static)));
    ASSERT_NE(original_static, nullptr);
    send_message(s, STM_SETIMAGE, IMAGE_BITMAP, 0x71);
    EXPECT_EQ(send_message(s, STM_GETIMAGE, IMAGE_BITMAP, 0), 0x71);
    EXPECT_EQ(subclass_calls, 1);
    destroy_window(s);  // the state goes with WM_NCDESTROY through the chain
}

// --- EDIT ---------------------------------------------------------------------------

std::string text_of(HWND h) { return window_text(h); }
std::pair<std::uint32_t, std::uint32_t> sel(HWND h) {
    std::uint32_t a = 0, b = 0;
    send_message(h, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    return {a, b};
}
void type(HWND h, const std::string& s) {
    for (char c : s) send_message(h, WM_CHAR, static_cast<unsigned char>(c), 0);
}

TEST_F(ControlTest, TypingReportsUpdateThenChangeForEachCharacter) {
    HWND e = make("EDIT", "", WS_BORDER);
    set_focus(e);
    type(e, "ab");
    send_message(e, WM_CHAR, '\b', 0);
    const std::string up = std::to_string(kId) + ":" + std::to_string(EN_UPDATE);
    const std::string ch = std::to_string(kId) + ":" + std::to_string(EN_CHANGE);
    const std::string focus = std::to_string(kId) + ":" + std::to_string(EN_SETFOCUS);
    EXPECT_EQ(notes(), (std::vector<std::string>{focus, up, ch, up, ch, up, ch}));
    EXPECT_EQ(text_of(e), "a");
    EXPECT_EQ(send_message(e, EM_GETMODIFY, 0, 0), 1);

    Recorder::instance().clear();
    send_message(e, WM_CHAR, '\b', 0);
    send_message(e, WM_CHAR, '\b', 0);  // nothing left to take: no notification
    send_message(e, WM_CHAR, 0x01, 0);  // a control character types nothing
    EXPECT_EQ(notes(), (std::vector<std::string>{up, ch}));
    EXPECT_EQ(text_of(e), "");
}

struct EditCase {
    const char* what;
    std::uint32_t style;
    const char* start;
    std::intptr_t sel_from, sel_to;  // EM_SETSEL before the action
    std::vector<std::pair<UINT, WPARAM>> input;  // WM_CHAR / WM_KEYDOWN
    const char* text;
    std::uint32_t caret;
};

TEST_F(ControlTest, EditingKeysAndSelection) {
    const std::vector<EditCase> cases = {
        {"typing replaces the selection", 0, "hello", 1, 4, {{WM_CHAR, 'E'}}, "hEo", 2},
        {"select all then type", 0, "hello", 0, -1, {{WM_CHAR, 'x'}}, "x", 1},
        {"Delete takes the character after the caret", 0, "abc", 1, 1, {{WM_KEYDOWN, VK_DELETE}}, "ac", 1},
        {"Backspace at the start does nothing", 0, "abc", 0, 0, {{WM_CHAR, '\b'}}, "abc", 0},
        {"Home and End", 0, "abc", 1, 1, {{WM_KEYDOWN, VK_END}, {WM_CHAR, '!'}, {WM_KEYDOWN, VK_HOME}, {WM_CHAR, '>'}},
         ">abc!", 1},
        {"Left and Right", 0, "abc", 3, 3, {{WM_KEYDOWN, VK_LEFT}, {WM_KEYDOWN, VK_LEFT}, {WM_KEYDOWN, VK_RIGHT},
                                             {WM_CHAR, '-'}}, "ab-c", 3},
        {"Left collapses a selection to its start", 0, "abcd", 1, 3, {{WM_KEYDOWN, VK_LEFT}, {WM_CHAR, '_'}},
         "a_bcd", 2},
        {"read-only refuses typing and Delete", ES_READONLY, "abc", 0, 0,
         {{WM_CHAR, 'x'}, {WM_KEYDOWN, VK_DELETE}, {WM_CHAR, '\b'}}, "abc", 0},
        {"numbers only", ES_NUMBER, "", 0, 0, {{WM_CHAR, '4'}, {WM_CHAR, 'x'}, {WM_CHAR, '2'}}, "42", 2},
        {"upper case", ES_UPPERCASE, "", 0, 0, {{WM_CHAR, 'q'}}, "Q", 1},
        {"Enter in one line types nothing", 0, "a", 1, 1, {{WM_CHAR, '\r'}}, "a", 1},
        {"Enter with ES_WANTRETURN makes a line", ES_MULTILINE | ES_WANTRETURN, "a", 1, 1,
         {{WM_CHAR, '\r'}, {WM_CHAR, 'b'}}, "a\r\nb", 4},
        {"Backspace takes a whole line break", ES_MULTILINE, "a\r\nb", 3, 3, {{WM_CHAR, '\b'}}, "ab", 1},
        {"Up and Down keep the column where the line allows", ES_MULTILINE, "abc\r\nde", 2, 2,
         {{WM_KEYDOWN, VK_DOWN}, {WM_CHAR, '*'}, {WM_KEYDOWN, VK_UP}, {WM_CHAR, '+'}}, "abc+\r\nde*", 4},
        {"a selection past the end is cut to it", 0, "ab", 1, 99, {{WM_CHAR, 'z'}}, "az", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HWND e = make("EDIT", c.start, c.style);
        send_message(e, EM_SETSEL, static_cast<WPARAM>(c.sel_from), c.sel_to);
        for (const auto& [message, w] : c.input) send_message(e, message, w, 0);
        EXPECT_EQ(text_of(e), c.text);
        EXPECT_EQ(sel(e), std::make_pair(c.caret, c.caret));
        destroy_window(e);
    }
}

TEST_F(ControlTest, EditLimitCutsAndReportsMaxText) {
    HWND e = make("EDIT", "", 0);
    send_message(e, EM_LIMITTEXT, 4, 0);
    EXPECT_EQ(send_message(e, EM_GETLIMITTEXT, 0, 0), 4);
    type(e, "abc");
    Recorder::instance().clear();
    send_message(e, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>("XYZ"));
    EXPECT_EQ(text_of(e), "abcX");
    const std::string max = std::to_string(kId) + ":" + std::to_string(EN_MAXTEXT);
    EXPECT_EQ(notes().back(), max);
    Recorder::instance().clear();
    type(e, "q");
    EXPECT_EQ(text_of(e), "abcX");
    EXPECT_EQ(notes(), (std::vector<std::string>{max})) << "a refused character changes nothing";
    // Text set by the program is not limited, as on Windows.
    set_window_text(e, "longer than four");
    EXPECT_EQ(text_of(e), "longer than four");
}

TEST_F(ControlTest, SetTextNotifiesOneLineFieldsOnlyAndPasswordsStayPrivate) {
    HWND single = make("EDIT", "", 0, 1);
    HWND multi = make("EDIT", "", ES_MULTILINE, 2);
    set_window_text(single, "x");
    set_window_text(multi, "y");
    EXPECT_EQ(notes(), (std::vector<std::string>{"1:1024", "1:768"}));
    EXPECT_EQ(send_message(single, EM_GETMODIFY, 0, 0), 0) << "set by the program, not modified";
    EXPECT_EQ(sel(single), std::make_pair(0u, 0u));
    EXPECT_EQ(send_message(multi, EM_GETLINECOUNT, 0, 0), 1);
    set_window_text(multi, "1\r\n2\r\n3");
    EXPECT_EQ(send_message(multi, EM_GETLINECOUNT, 0, 0), 3);

    HWND secret = make("EDIT", "hunter2", ES_PASSWORD, 3);
    EXPECT_EQ(text_of(secret), "hunter2") << "the program reads its own field";
    // Another process of the computer reads the fields' titles: the plain
    // field's text, nothing of the password.
    auto child = twtest::spawn_child("read-titles", {std::to_string(single), std::to_string(secret)});
    EXPECT_EQ(child.read_line(), "[x]");
    EXPECT_EQ(child.read_line(), "[]");
    EXPECT_EQ(child.wait(), 0);
}

TEST_F(ControlTest, EditReadOnlyCanBeSwitchedAndFocusIsReported) {
    HWND e = make("EDIT", "abc", 0);
    send_message(e, EM_SETREADONLY, 1, 0);
    EXPECT_TRUE(get_window_long(e, GWL_STYLE) & ES_READONLY);
    type(e, "z");
    EXPECT_EQ(text_of(e), "abc");
    send_message(e, EM_SETREADONLY, 0, 0);
    send_message(e, EM_SETSEL, 3, 3);
    type(e, "z");
    EXPECT_EQ(text_of(e), "abcz");
    HWND other = make("BUTTON", "b", BS_PUSHBUTTON, 9);
    set_focus(e);
    set_focus(other);
    const auto n = notes();
    EXPECT_EQ(std::vector<std::string>(n.end() - 2, n.end()),
              (std::vector<std::string>{"55:" + std::to_string(EN_SETFOCUS), "55:" + std::to_string(EN_KILLFOCUS)}));
    EXPECT_EQ(send_message(e, WM_GETDLGCODE, 0, 0), DLGC_HASSETSEL | DLGC_WANTCHARS | DLGC_WANTARROWS);
}

}  // namespace
