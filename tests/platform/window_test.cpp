// Window classes and windows: registration, the creation and destruction
// message sequences, window data, state, and the computer-wide table seen
// from other processes.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/message_queue.h"
#include "platform/thread.h"
#include "platform/window.h"
#include "tests/platform/window_recorder.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"

using namespace platform;
using twtest::Recorder;

namespace {

constexpr Handle kModule = 0x1000;
constexpr Handle kOtherModule = 0x2000;

LRESULT printing_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_USER && message < WM_APP)
        std::printf("got %u %" PRIuPTR " %" PRIdPTR "\n", message - WM_USER, wParam, lParam);
    return def_window_proc(hwnd, message, wParam, lParam);
}

// A window in another process: args are the class and title. Prints
// "ready <hwnd> <tid>", then every WM_USER+n it gets as "got n w l", and
// "quit" when its loop ends.
twtest::ChildRole own_window("own-window", [](const std::vector<std::string>& args) {
    WNDCLASS wc;
    wc.lpfnWndProc = printing_proc;
    wc.lpszClassName = args.at(0).c_str();
    if (!register_class(wc)) return 1;
    HWND hwnd = create_window_ex(0, args.at(0).c_str(), args.at(1).c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                 100, 100, 0, 0, 0, nullptr);
    if (!hwnd) return 2;
    std::printf("ready %u %u\n", hwnd, current_thread_id());
    MSG msg;
    while (get_message(&msg, 0, 0, 0) > 0) {
        if (msg.hwnd == 0 && msg.message >= WM_USER)
            std::printf("thread %u %" PRIuPTR " %" PRIdPTR "\n", msg.message - WM_USER, msg.wParam, msg.lParam);
        dispatch_message(&msg);
    }
    std::printf("quit %" PRIuPTR "\n", msg.wParam);
    return 0;
});

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        Recorder::instance().clear();
        WNDCLASS wc;
        wc.lpfnWndProc = twtest::recording_proc;
        wc.cbWndExtra = 40;
        wc.cbClsExtra = 16;
        wc.hInstance = kModule;
        wc.hCursor = 0x77;
        wc.hbrBackground = 6;
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpszClassName = "TwpRecorded";
        ASSERT_NE(register_class(wc), 0);
    }
    void TearDown() override {
        for (HWND h : made_)
            if (is_window(h)) destroy_window(h);
        EXPECT_TRUE(unregister_class("TwpRecorded", kModule));
    }
    HWND make(const char* title, std::uint32_t style, HWND parent = 0, std::uint32_t ex = 0, std::uintptr_t id = 0) {
        HWND h = create_window_ex(ex, "TwpRecorded", title, style, 10, 20, 300, 200, parent, id, kModule, nullptr);
        if (h) made_.push_back(h);
        return h;
    }

    twtest::TempMachineRoot root_;
    std::vector<HWND> made_;
};

TEST_F(WindowTest, ClassesBelongToTheirModuleAndNamesIgnoreCase) {
    WNDCLASS wc;
    wc.lpfnWndProc = twtest::recording_proc;
    wc.hInstance = kModule;
    wc.lpszClassName = "TWPRECORDED";
    EXPECT_EQ(register_class(wc), 0);
    EXPECT_EQ(last_error(), ERROR_CLASS_ALREADY_EXISTS);
    wc.hInstance = kOtherModule;
    ATOM other = register_class(wc);
    EXPECT_NE(other, 0) << "another module may use the same name";

    // A module without the class finds no class, unless the class is global.
    EXPECT_EQ(create_window_ex(0, "NoSuchClass", "", 0, 0, 0, 1, 1, 0, 0, kModule, nullptr), 0u);
    EXPECT_EQ(last_error(), ERROR_CANNOT_FIND_WND_CLASS);
    EXPECT_EQ(create_window_ex(0, "TwpRecorded", "", 0, 0, 0, 1, 1, 0, 0, 0x3000, nullptr), 0u);
    WNDCLASS global;
    global.style = CS_GLOBALCLASS;
    global.lpfnWndProc = twtest::recording_proc;
    global.hInstance = kOtherModule;
    global.lpszClassName = "TwpShared";
    ASSERT_NE(register_class(global), 0);
    HWND h = create_window_ex(0, "twpshared", "", 0, 0, 0, 1, 1, 0, 0, 0x3000, nullptr);
    EXPECT_NE(h, 0u);

    EXPECT_FALSE(unregister_class("TwpShared", kOtherModule));
    EXPECT_EQ(last_error(), ERROR_CLASS_HAS_WINDOWS);
    EXPECT_TRUE(destroy_window(h));
    EXPECT_TRUE(unregister_class("TwpShared", kOtherModule));
    EXPECT_FALSE(unregister_class("TwpShared", kOtherModule));
    EXPECT_EQ(last_error(), ERROR_CLASS_DOES_NOT_EXIST);
    EXPECT_TRUE(unregister_class("TwpRecorded", kOtherModule));

    WNDCLASS info;
    ASSERT_TRUE(get_class_info(kModule, "twprecorded", &info));
    EXPECT_EQ(info.hCursor, 0x77u);
    EXPECT_EQ(info.hbrBackground, 6u);
    EXPECT_EQ(info.cbWndExtra, 40);
    EXPECT_EQ(info.style, CS_HREDRAW | CS_VREDRAW);
    EXPECT_STREQ(info.lpszClassName, "TwpRecorded");
}

struct CreationCase {
    const char* what;
    std::uint32_t style;
    std::uint32_t ex_style;
    bool child_of_parent;
    std::vector<std::string> expected;
};

TEST_F(WindowTest, CreationSendsItsMessagesInWindowsOrder) {
    const std::vector<CreationCase> cases = {
        {"hidden top-level", WS_OVERLAPPEDWINDOW, 0, false,
         {"W:WM_GETMINMAXINFO", "W:WM_NCCREATE", "W:WM_NCCALCSIZE", "W:WM_CREATE", "W:WM_SIZE", "W:WM_MOVE"}},
        {"visible top-level", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, false,
         {"W:WM_GETMINMAXINFO", "W:WM_NCCREATE", "W:WM_NCCALCSIZE", "W:WM_CREATE", "W:WM_SIZE", "W:WM_MOVE",
          "W:WM_SHOWWINDOW", "W:WM_WINDOWPOSCHANGING", "W:WM_WINDOWPOSCHANGED", "W:WM_ACTIVATE", "W:WM_SETFOCUS"}},
        {"pop-up without a sizing frame", WS_POPUP, 0, false,
         {"W:WM_NCCREATE", "W:WM_NCCALCSIZE", "W:WM_CREATE", "W:WM_SIZE", "W:WM_MOVE"}},
        {"child", WS_CHILD, 0, true,
         {"W:WM_NCCREATE", "W:WM_NCCALCSIZE", "W:WM_CREATE", "W:WM_SIZE", "W:WM_MOVE", "P:WM_PARENTNOTIFY"}},
        {"visible child", WS_CHILD | WS_VISIBLE, 0, true,
         {"W:WM_NCCREATE", "W:WM_NCCALCSIZE", "W:WM_CREATE", "W:WM_SIZE", "W:WM_MOVE", "P:WM_PARENTNOTIFY",
          "W:WM_SHOWWINDOW", "W:WM_WINDOWPOSCHANGING", "W:WM_WINDOWPOSCHANGED"}},
        {"child that does not notify", WS_CHILD, WS_EX_NOPARENTNOTIFY, true,
         {"W:WM_NCCREATE", "W:WM_NCCALCSIZE", "W:WM_CREATE", "W:WM_SIZE", "W:WM_MOVE"}},
    };
    HWND parent = make("parent", WS_OVERLAPPEDWINDOW);
    ASSERT_NE(parent, 0u);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Recorder::instance().clear();
        Recorder::instance().name(parent, "P");
        HWND w = make(c.what, c.style, c.child_of_parent ? parent : 0, c.ex_style, 7);
        ASSERT_NE(w, 0u);
        Recorder::instance().name(w, "W");
        EXPECT_EQ(Recorder::instance().sequence(), c.expected);
        EXPECT_TRUE(destroy_window(w));
    }
}

struct SeenCreate {
    void* param = nullptr;
    std::uintptr_t menu = 0;
    HWND parent = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::uint32_t style = 0;
    std::string name;
    std::string class_name;
};
SeenCreate seen_create;

LRESULT capture_create(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCT*>(lParam);
        seen_create = {cs->lpCreateParams, cs->hMenu, cs->hwndParent, cs->x, cs->y, cs->cx, cs->cy, cs->style,
                       cs->lpszName, cs->lpszClass};
    }
    return twtest::recording_proc(hwnd, message, wParam, lParam);
}

TEST_F(WindowTest, CreationMessagesCarryTheCreationRequest) {
    WNDCLASS wc;
    wc.lpfnWndProc = capture_create;
    wc.lpszClassName = "TwpCapture";
    ASSERT_NE(register_class(wc), 0);
    int param = 0;
    HWND parent = make("parent", WS_OVERLAPPEDWINDOW);
    Recorder::instance().clear();
    HWND w = create_window_ex(0, "TwpCapture", "Named", WS_CHILD, 5, 6, 70, 80, parent, 42, 0, &param);
    ASSERT_NE(w, 0u);
    EXPECT_EQ(seen_create.param, &param);
    EXPECT_EQ(seen_create.menu, 42u);
    EXPECT_EQ(seen_create.parent, parent);
    EXPECT_EQ(seen_create.x, 5);
    EXPECT_EQ(seen_create.cy, 80);
    EXPECT_EQ(seen_create.style, WS_CHILD);
    EXPECT_EQ(seen_create.name, "Named");
    EXPECT_EQ(seen_create.class_name, "TwpCapture");
    for (const auto& r : Recorder::instance().received()) {
        if (r.message == WM_SIZE) {
            EXPECT_EQ(r.lParam, make_lparam(70, 80));
        } else if (r.message == WM_MOVE) {
            EXPECT_EQ(r.lParam, make_lparam(5, 6));
        } else if (r.message == WM_PARENTNOTIFY) {
            EXPECT_EQ(r.hwnd, parent);
            EXPECT_EQ(r.wParam, make_wparam(WM_CREATE, 42));
            EXPECT_EQ(static_cast<HWND>(r.lParam), w);
        }
    }
    EXPECT_EQ(get_window_long(w, GWL_ID), 42);
    EXPECT_EQ(get_parent(w), parent);
    EXPECT_TRUE(is_child(parent, w));
    EXPECT_EQ(window_text(w), "Named");
    RECT r;
    ASSERT_TRUE(get_window_rect(w, &r));
    // On the screen: the parent's client area starts inside its frame and caption.
    EXPECT_EQ(r.left, 10 + 4 + 5);
    EXPECT_EQ(r.bottom, 20 + 4 + 19 + 6 + 80);
    ASSERT_TRUE(get_client_rect(w, &r));
    EXPECT_EQ(r.right, 70);
    EXPECT_EQ(r.bottom, 80);
    EXPECT_TRUE(destroy_window(w));
    EXPECT_TRUE(unregister_class("TwpCapture", 0));
}

TEST_F(WindowTest, DestroyReachesParentsBeforeChildrenAndFreesChildrenFirst) {
    HWND p = make("P", WS_OVERLAPPEDWINDOW);
    HWND c1 = make("C1", WS_CHILD, p, WS_EX_NOPARENTNOTIFY);
    HWND g = make("G", WS_CHILD, c1, WS_EX_NOPARENTNOTIFY);
    HWND c2 = make("C2", WS_CHILD, p, WS_EX_NOPARENTNOTIFY);
    HWND owned = make("O", WS_POPUP, p);
    ASSERT_TRUE(p && c1 && g && c2 && owned);
    EXPECT_EQ(get_window_owner(owned), p);
    Recorder& rec = Recorder::instance();
    rec.clear();
    rec.name(p, "P");
    rec.name(c1, "C1");
    rec.name(g, "G");
    rec.name(c2, "C2");
    rec.name(owned, "O");
    ASSERT_TRUE(destroy_window(p));
    const std::vector<std::string> expected = {
        "O:WM_DESTROY",  "O:WM_NCDESTROY",                                  // owned windows go first
        "P:WM_DESTROY",  "C1:WM_DESTROY",   "G:WM_DESTROY", "C2:WM_DESTROY",  // parents first
        "G:WM_NCDESTROY", "C1:WM_NCDESTROY", "C2:WM_NCDESTROY", "P:WM_NCDESTROY",  // children first
    };
    EXPECT_EQ(rec.sequence(), expected);
    for (HWND h : {p, c1, g, c2, owned}) EXPECT_FALSE(is_window(h));
    EXPECT_FALSE(destroy_window(p));
    EXPECT_EQ(last_error(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(WindowTest, DestroyingAChildNotifiesItsParentFirst) {
    HWND p = make("P", WS_OVERLAPPEDWINDOW);
    HWND c = make("C", WS_CHILD, p, 0, 9);
    Recorder& rec = Recorder::instance();
    rec.clear();
    rec.name(p, "P");
    rec.name(c, "C");
    ASSERT_TRUE(destroy_window(c));
    EXPECT_EQ(rec.sequence(), (std::vector<std::string>{"P:WM_PARENTNOTIFY", "C:WM_DESTROY", "C:WM_NCDESTROY"}));
    EXPECT_EQ(rec.received().front().wParam, make_wparam(WM_DESTROY, 9));
    EXPECT_FALSE(is_child(p, c));
}

LRESULT refuse_nccreate(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    twtest::recording_proc(hwnd, message, wParam, lParam);
    return message == WM_NCCREATE ? 0 : def_window_proc(hwnd, message, wParam, lParam);
}

LRESULT refuse_create(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT r = twtest::recording_proc(hwnd, message, wParam, lParam);
    return message == WM_CREATE ? -1 : r;
}

LRESULT keep_own_title(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) return 1;  // does not pass it on
    return def_window_proc(hwnd, message, wParam, lParam);
}

TEST_F(WindowTest, RefusedCreationIsUndoneWithDestructionMessages) {
    struct Case {
        const char* class_name;
        WNDPROC proc;
        std::vector<UINT> expected;
    };
    const std::vector<Case> cases = {
        {"TwpNoNcCreate", refuse_nccreate, {WM_GETMINMAXINFO, WM_NCCREATE, WM_NCDESTROY}},
        {"TwpNoCreate", refuse_create,
         {WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.class_name);
        WNDCLASS wc;
        wc.lpfnWndProc = c.proc;
        wc.lpszClassName = c.class_name;
        ASSERT_NE(register_class(wc), 0);
        Recorder::instance().clear();
        EXPECT_EQ(create_window_ex(0, c.class_name, "x", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, 0, 0, 0, nullptr), 0u);
        std::vector<UINT> got;
        for (const auto& r : Recorder::instance().received()) got.push_back(r.message);
        EXPECT_EQ(got, c.expected);
        EXPECT_TRUE(unregister_class(c.class_name, 0)) << "no window of the class is left";
    }
}

TEST_F(WindowTest, TitleIsStoredByTheDefaultProcedure) {
    WNDCLASS wc;
    wc.lpfnWndProc = keep_own_title;
    wc.lpszClassName = "TwpOwnTitle";
    ASSERT_NE(register_class(wc), 0);
    HWND bare = create_window_ex(0, "TwpOwnTitle", "Lost", 0, 0, 0, 10, 10, 0, 0, 0, nullptr);
    ASSERT_NE(bare, 0u);
    EXPECT_EQ(window_text(bare), "") << "WM_NCCREATE never reached def_window_proc";
    EXPECT_TRUE(set_window_text(bare, "Later"));
    EXPECT_EQ(window_text(bare), "Later");
    EXPECT_TRUE(destroy_window(bare));
    EXPECT_TRUE(unregister_class("TwpOwnTitle", 0));

    HWND w = make("Status Monitor", 0);
    char small[7];
    EXPECT_EQ(get_window_text(w, small, sizeof small), 6);
    EXPECT_STREQ(small, "Status");
    EXPECT_EQ(get_window_text_length(w), 14);
    EXPECT_TRUE(set_window_text(w, nullptr));
    EXPECT_EQ(window_text(w), "");
}

TEST_F(WindowTest, ExtraBytesHoldValuesAtByteIndices) {
    HWND w = make("data", 0);
    ASSERT_NE(w, 0u);
    EXPECT_EQ(get_window_long(w, 0), 0) << "extra bytes start zeroed";
    EXPECT_EQ(set_window_long(w, 0, 0x11223344), 0);
    EXPECT_EQ(set_window_long(w, 36, -2), 0) << "the last whole value of 40 bytes";
    EXPECT_EQ(set_window_long(w, 0, 5), 0x11223344) << "returns the previous value";
    EXPECT_EQ(get_window_long(w, 36), -2);
    // Byte indices need not be aligned: a value at 2 overlaps those at 0 and 4.
    set_window_long(w, 4, 0);
    set_window_long(w, 2, 0x7F7E7D7C);
    EXPECT_EQ(get_window_long(w, 0) & 0xFFFF0000, 0x7D7C0000);
    EXPECT_EQ(get_window_long(w, 4) & 0xFFFF, 0x7F7E);

    struct Bad {
        int index;
        bool pointer;
    };
    for (Bad bad : {Bad{37, false}, Bad{40, false}, Bad{33, true}, Bad{-100, false}, Bad{1000, true}}) {
        SCOPED_TRACE(bad.index);
        set_last_error(ERROR_SUCCESS);
        EXPECT_EQ(bad.pointer ? get_window_long_ptr(w, bad.index) : get_window_long(w, bad.index), 0);
        EXPECT_EQ(last_error(), ERROR_INVALID_INDEX);
        set_last_error(ERROR_SUCCESS);
        EXPECT_EQ(bad.pointer ? set_window_long_ptr(w, bad.index, 1) : set_window_long(w, bad.index, 1), 0);
        EXPECT_EQ(last_error(), ERROR_INVALID_INDEX);
    }
    EXPECT_EQ(get_window_long(w, 36), -2) << "a refused write changes nothing";

    int block = 0;
    const auto pointer = reinterpret_cast<std::intptr_t>(&block);
    set_window_long_ptr(w, GWL_USERDATA, pointer);
    EXPECT_EQ(get_window_long_ptr(w, GWL_USERDATA), pointer) << "a pointer kept whole";
    set_window_long_ptr(w, 32, pointer);
    EXPECT_EQ(get_window_long_ptr(w, 32), pointer);
    EXPECT_EQ(get_window_long_ptr(w, GWL_WNDPROC), reinterpret_cast<std::intptr_t>(&twtest::recording_proc));
    EXPECT_EQ(get_window_long_ptr(w, GWL_HINSTANCE), static_cast<std::intptr_t>(kModule));
}

LRESULT answer_99(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return message == WM_USER ? 99 : def_window_proc(hwnd, message, wParam, lParam);
}

TEST_F(WindowTest, ReplacedProcedureGetsTheMessages) {
    HWND w = make("sub", 0);
    auto old = reinterpret_cast<WNDPROC>(set_window_long_ptr(w, GWL_WNDPROC, reinterpret_cast<std::intptr_t>(&answer_99)));
    EXPECT_EQ(old, &twtest::recording_proc);
    EXPECT_EQ(send_message(w, WM_USER, 0, 0), 99);
    set_window_long_ptr(w, GWL_WNDPROC, reinterpret_cast<std::intptr_t>(old));
    EXPECT_EQ(send_message(w, WM_USER, 0, 0), 0);
}

TEST_F(WindowTest, ClassDataIsReachedThroughAnyWindowOfTheClass) {
    HWND before = make("before", 0);
    HWND other = make("other", 0);
    EXPECT_EQ(set_class_long_ptr(before, 8, -3), 0);
    EXPECT_EQ(get_class_long_ptr(other, 8), -3) << "one class, shared by its windows";
    set_last_error(ERROR_SUCCESS);
    EXPECT_EQ(get_class_long_ptr(before, 9), 0) << "16 class bytes hold pointer-sized values at 0..8";
    EXPECT_EQ(last_error(), ERROR_INVALID_INDEX);

    EXPECT_EQ(get_class_long_ptr(before, GCL_HCURSOR), 0x77);
    EXPECT_EQ(set_class_long_ptr(before, GCL_HBRBACKGROUND, 9), 6);
    WNDCLASS info;
    ASSERT_TRUE(get_class_info(kModule, "TwpRecorded", &info));
    EXPECT_EQ(info.hbrBackground, 9u);
    EXPECT_EQ(get_class_long_ptr(before, GCL_CBWNDEXTRA), 40);
    EXPECT_EQ(set_class_long_ptr(before, GCL_CBWNDEXTRA, 4), 0) << "the sizes are fixed at registration";
    EXPECT_EQ(last_error(), ERROR_INVALID_INDEX);

    // A new class procedure is for windows made afterwards.
    set_class_long_ptr(before, GCL_WNDPROC, reinterpret_cast<std::intptr_t>(&answer_99));
    HWND after = make("after", 0);
    EXPECT_EQ(send_message(after, WM_USER, 0, 0), 99);
    EXPECT_EQ(send_message(before, WM_USER, 0, 0), 0);
    set_class_long_ptr(before, GCL_WNDPROC, reinterpret_cast<std::intptr_t>(&twtest::recording_proc));
}

TEST_F(WindowTest, StateChangesSendTheirMessagesOnlyWhenSomethingChanges) {
    HWND w = make("state", WS_OVERLAPPEDWINDOW);
    Recorder& rec = Recorder::instance();
    rec.clear();
    rec.name(w, "W");
    EXPECT_FALSE(show_window(w, SW_SHOW));
    EXPECT_TRUE(is_window_visible(w));
    EXPECT_TRUE(get_window_long(w, GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(show_window(w, SW_SHOW));
    EXPECT_FALSE(enable_window(w, false));
    EXPECT_FALSE(is_window_enabled(w));
    EXPECT_TRUE(enable_window(w, false)) << "reports that it was disabled already";
    EXPECT_TRUE(enable_window(w, true));
    EXPECT_TRUE(move_window(w, 10, 20, 300, 200, true)) << "no change";
    EXPECT_TRUE(move_window(w, 11, 20, 300, 200, true));
    EXPECT_TRUE(move_window(w, 11, 20, 301, 200, true));
    EXPECT_EQ(get_active_window(), w);
    EXPECT_TRUE(show_window(w, SW_HIDE));
    EXPECT_EQ(rec.sequence(), (std::vector<std::string>{
                                  "W:WM_SHOWWINDOW", "W:WM_WINDOWPOSCHANGING", "W:WM_WINDOWPOSCHANGED",
                                  "W:WM_ACTIVATE", "W:WM_SETFOCUS",                    // shown and activated
                                  "W:WM_CANCELMODE", "W:WM_KILLFOCUS", "W:WM_ENABLE",  // disabled: loses focus
                                  "W:WM_ENABLE",                                       // enabled
                                  "W:WM_WINDOWPOSCHANGING", "W:WM_WINDOWPOSCHANGED",   // no change
                                  "W:WM_WINDOWPOSCHANGING", "W:WM_WINDOWPOSCHANGED", "W:WM_MOVE",
                                  "W:WM_WINDOWPOSCHANGING", "W:WM_NCCALCSIZE", "W:WM_WINDOWPOSCHANGED", "W:WM_SIZE",
                                  "W:WM_SHOWWINDOW", "W:WM_WINDOWPOSCHANGING", "W:WM_WINDOWPOSCHANGED",
                                  "W:WM_ACTIVATE",  // hidden and deactivated
                              }));
    EXPECT_EQ(get_active_window(), 0u);
}

TEST_F(WindowTest, CloseMessageDestroysThroughTheDefaultProcedure) {
    HWND w = make("closing", 0);
    ASSERT_TRUE(post_message(w, WM_CLOSE, 0, 0));
    MSG msg;
    ASSERT_TRUE(peek_message(&msg, 0, 0, 0, PM_REMOVE));
    dispatch_message(&msg);
    EXPECT_FALSE(is_window(w));
}

TEST_F(WindowTest, OnlyTheOwningThreadDestroysAWindow) {
    HWND w = make("mine", 0);
    std::thread([&] {
        EXPECT_FALSE(destroy_window(w));
        EXPECT_EQ(last_error(), ERROR_ACCESS_DENIED);
    }).join();
    EXPECT_TRUE(is_window(w));
}

TEST_F(WindowTest, HandlesAreNotReusedForTheNextWindow) {
    HWND first = make("first", 0);
    ASSERT_TRUE(destroy_window(first));
    HWND second = make("second", 0);
    EXPECT_NE(second, first);
    EXPECT_NE(second, 0u);
    EXPECT_FALSE(is_window(first));
    EXPECT_FALSE(post_message(first, WM_USER, 0, 0));
    EXPECT_EQ(last_error(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(get_window_thread_process_id(first, nullptr), 0u);
}

TEST_F(WindowTest, AThreadThatEndsTakesItsWindowsWithIt) {
    HWND left = 0;
    std::thread([&] { left = make("left behind", WS_OVERLAPPEDWINDOW); }).join();
    ASSERT_NE(left, 0u);
    EXPECT_FALSE(is_window(left));
    EXPECT_EQ(find_window("TwpRecorded", "left behind"), 0u);
}

// Reads "ready <hwnd> <tid>" from a child.
void read_ready(twtest::ChildProcess& child, HWND* hwnd, std::uint32_t* tid) {
    std::string line = child.read_line();
    ASSERT_EQ(std::sscanf(line.c_str(), "ready %u %u", hwnd, tid), 2) << line;
}

TEST_F(WindowTest, AnotherProcessFindsAndQueriesAWindow) {
    auto child = twtest::spawn_child("own-window", {"TwpRemoteClass", "Remote Title"});
    HWND remote = 0;
    std::uint32_t remote_tid = 0;
    read_ready(child, &remote, &remote_tid);

    EXPECT_EQ(find_window("twpremoteclass", nullptr), remote);
    EXPECT_EQ(find_window(nullptr, "REMOTE TITLE"), remote);
    EXPECT_EQ(find_window("TwpRemoteClass", "Remote Title"), remote);
    EXPECT_EQ(find_window("TwpRemoteClass", "Other Title"), 0u);
    EXPECT_TRUE(is_window(remote));
    std::uint32_t pid = 0;
    EXPECT_EQ(get_window_thread_process_id(remote, &pid), remote_tid);
    EXPECT_EQ(pid, static_cast<std::uint32_t>(child.pid()));
    EXPECT_EQ(window_text(remote), "Remote Title");
    char cls[64];
    EXPECT_GT(get_class_name(remote, cls, sizeof cls), 0);
    EXPECT_STREQ(cls, "TwpRemoteClass");
    EXPECT_TRUE(is_window_visible(remote));
    EXPECT_TRUE(get_window_long(remote, GWL_STYLE) & WS_VISIBLE);

    // Not ours to change or send to.
    EXPECT_FALSE(set_window_text(remote, "mine"));
    EXPECT_EQ(last_error(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(destroy_window(remote));
    EXPECT_EQ(send_message(remote, WM_USER, 0, 0), 0);
    EXPECT_EQ(last_error(), ERROR_ACCESS_DENIED);

    // The front-most match wins; bringing one to the top changes which.
    WNDCLASS wc;
    wc.lpfnWndProc = twtest::recording_proc;
    wc.lpszClassName = "TwpRemoteClass";
    ASSERT_NE(register_class(wc), 0);
    HWND local = create_window_ex(0, "TwpRemoteClass", "Local", 0, 0, 0, 1, 1, 0, 0, 0, nullptr);
    EXPECT_EQ(find_window("TwpRemoteClass", nullptr), local);
    EXPECT_TRUE(set_foreground_window(remote));
    EXPECT_EQ(find_window("TwpRemoteClass", nullptr), remote);
    EXPECT_EQ(get_foreground_window(), remote);
    EXPECT_TRUE(bring_window_to_top(local));
    EXPECT_EQ(find_window("TwpRemoteClass", nullptr), local);
    destroy_window(local);
    EXPECT_TRUE(unregister_class("TwpRemoteClass", 0));

    ASSERT_TRUE(post_message(remote, WM_CLOSE, 0, 0));  // its default procedure destroys it
    ASSERT_TRUE(post_thread_message(remote_tid, WM_QUIT, 3, 0));
    EXPECT_EQ(child.read_line(), "quit 3");
    EXPECT_EQ(child.wait(), 0);
    EXPECT_FALSE(is_window(remote));
}

TEST_F(WindowTest, TheTableForgetsTheWindowsOfAKilledProcess) {
    auto child = twtest::spawn_child("own-window", {"TwpDoomed", "Doomed"});
    HWND remote = 0;
    std::uint32_t remote_tid = 0;
    read_ready(child, &remote, &remote_tid);
    ASSERT_EQ(find_window("TwpDoomed", nullptr), remote);
    ASSERT_TRUE(post_message(remote, WM_USER, 0, 0));
    EXPECT_EQ(child.read_line(), "got 0 0 0");

    child.kill();
    EXPECT_FALSE(is_window(remote));
    EXPECT_EQ(find_window("TwpDoomed", nullptr), 0u);
    EXPECT_EQ(get_window_thread_process_id(remote, nullptr), 0u);
    EXPECT_FALSE(post_message(remote, WM_USER, 1, 1));
    EXPECT_EQ(last_error(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(post_thread_message(remote_tid, WM_USER, 1, 1));
    EXPECT_EQ(last_error(), ERROR_INVALID_THREAD_ID);
}

}  // namespace
