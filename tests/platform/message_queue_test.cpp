// Message queues: posts within a thread, between threads and between
// processes; sends between threads; quit; timers; the message-or-object wait.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/event.h"
#include "platform/message_queue.h"
#include "platform/thread.h"
#include "platform/wait.h"
#include "platform/window.h"
#include "tests/platform/window_recorder.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"

using namespace platform;
using twtest::Recorder;
using Clock = std::chrono::steady_clock;

namespace {

std::int64_t ms_since(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Posts to the window and thread given as arguments, with values that do not
// fit 32 bits, then says "posted".
twtest::ChildRole post_to("post-to", [](const std::vector<std::string>& args) {
    HWND hwnd = static_cast<HWND>(std::stoul(args.at(0)));
    std::uint32_t tid = static_cast<std::uint32_t>(std::stoul(args.at(1)));
    bool ok = post_message(hwnd, WM_USER + 1, static_cast<WPARAM>(0xABCDEF0123456789ull), -5) &&
              post_message(hwnd, WM_USER + 2, 7, static_cast<LPARAM>(0x180000000ll)) &&
              post_thread_message(tid, WM_USER + 3, 0xFFFFFFFFu, 0x7FFFFFFF);
    std::printf(ok ? "posted\n" : "failed %u\n", last_error());
    return ok ? 0 : 1;
});

class MessageQueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        Recorder::instance().clear();
        WNDCLASS wc;
        wc.lpfnWndProc = twtest::recording_proc;
        wc.lpszClassName = "TwpQueued";
        ASSERT_NE(register_class(wc), 0);
    }
    void TearDown() override {
        for (HWND h : made_)
            if (is_window(h)) destroy_window(h);
        MSG msg;
        while (peek_message(&msg, 0, 0, 0, PM_REMOVE)) {
        }
        EXPECT_TRUE(unregister_class("TwpQueued", 0));
    }
    HWND make(std::uint32_t style = 0, HWND parent = 0) {
        HWND h = create_window_ex(0, "TwpQueued", "", style, 0, 0, 10, 10, parent, 0, 0, nullptr);
        if (h) made_.push_back(h);
        return h;
    }

    twtest::TempMachineRoot root_;
    std::vector<HWND> made_;
};

TEST_F(MessageQueueTest, PostedMessagesComeBackInOrderWithTheirValues) {
    HWND w1 = make(), w2 = make();
    int local = 0;
    const auto pointer = reinterpret_cast<LPARAM>(&local);
    ASSERT_TRUE(post_message(w1, WM_USER + 1, 1, pointer));
    ASSERT_TRUE(post_message(0, WM_USER + 2, 2, -2));  // a thread message
    ASSERT_TRUE(post_message(w2, WM_USER + 3, ~WPARAM{0}, 3));
    ASSERT_TRUE(post_message(w1, WM_USER + 4, 4, 4));
    struct Expected {
        HWND hwnd;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    for (const Expected& e : {Expected{w1, WM_USER + 1, 1, pointer}, Expected{0, WM_USER + 2, 2, -2},
                              Expected{w2, WM_USER + 3, ~WPARAM{0}, 3}, Expected{w1, WM_USER + 4, 4, 4}}) {
        MSG msg;
        ASSERT_EQ(get_message(&msg, 0, 0, 0), 1);
        EXPECT_EQ(msg.hwnd, e.hwnd);
        EXPECT_EQ(msg.message, e.message);
        EXPECT_EQ(msg.wParam, e.wParam) << "pointer-sized within the process";
        EXPECT_EQ(msg.lParam, e.lParam);
        dispatch_message(&msg);
    }
    Recorder::instance().name(w1, "W1");
    Recorder::instance().name(w2, "W2");
    EXPECT_EQ(Recorder::instance().sequence({WM_USER + 1, WM_USER + 3, WM_USER + 4}),
              (std::vector<std::string>{"W1:WM_USER+1", "W2:WM_USER+3", "W1:WM_USER+4"}));
    MSG msg;
    EXPECT_FALSE(peek_message(&msg, 0, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, PeekFiltersByWindowAndRangeAndKeepsTheRestInOrder) {
    HWND w1 = make(), w2 = make();
    HWND child = make(WS_CHILD, w1);
    struct Posted {
        HWND hwnd;
        UINT message;
    };
    const std::vector<Posted> queue = {{w1, WM_USER + 1}, {w2, WM_USER + 2}, {0, WM_USER + 3}, {child, WM_USER + 4}};
    struct Case {
        const char* what;
        HWND hwnd;
        UINT min, max;
        int expected;  // index into queue, -1: nothing
    };
    const std::vector<Case> cases = {
        {"everything", 0, 0, 0, 0},
        {"one window", w2, 0, 0, 1},
        {"thread messages only", kThreadMessagesOnly, 0, 0, 2},
        {"a window and its children", child, 0, 0, 3},
        {"a range", 0, WM_USER + 2, WM_USER + 3, 1},
        {"a range and a window", w1, WM_USER + 2, WM_USER + 9, 3},
        {"an empty range", 0, WM_USER + 5, WM_USER + 9, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const Posted& p : queue) ASSERT_TRUE(post_message(p.hwnd, p.message, 0, 0));
        MSG msg;
        if (c.expected < 0) {
            EXPECT_FALSE(peek_message(&msg, c.hwnd, c.min, c.max, PM_REMOVE));
        } else {
            for (UINT remove : {PM_NOREMOVE, PM_NOREMOVE, PM_REMOVE}) {
                ASSERT_TRUE(peek_message(&msg, c.hwnd, c.min, c.max, remove));
                EXPECT_EQ(msg.hwnd, queue[c.expected].hwnd);
                EXPECT_EQ(msg.message, queue[c.expected].message);
            }
        }
        // What is left comes out in the order it went in.
        std::vector<UINT> rest;
        while (peek_message(&msg, 0, 0, 0, PM_REMOVE)) rest.push_back(msg.message);
        std::vector<UINT> expected_rest;
        for (int i = 0; i < static_cast<int>(queue.size()); ++i)
            if (i != c.expected) expected_rest.push_back(queue[i].message);
        EXPECT_EQ(rest, expected_rest);
    }
}

TEST_F(MessageQueueTest, QuitComesAfterThePostedMessagesAndEndsTheLoop) {
    HWND w = make();
    post_message(w, WM_USER + 1, 0, 0);
    post_quit_message(7);
    post_message(w, WM_USER + 2, 0, 0);
    std::vector<UINT> got;
    MSG msg;
    int r;
    while ((r = get_message(&msg, 0, WM_USER, WM_USER + 100)) > 0) got.push_back(msg.message);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(got, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
    EXPECT_EQ(msg.message, WM_QUIT) << "returned whatever the range";
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(peek_message(&msg, 0, 0, 0, PM_REMOVE)) << "the quit request is taken once";

    // A WM_QUIT posted like any other message ends a loop too.
    ASSERT_TRUE(post_thread_message(current_thread_id(), WM_QUIT, 9, 0));
    EXPECT_EQ(get_message(&msg, 0, 0, 0), 0);
    EXPECT_EQ(msg.wParam, 9u);
}

TEST_F(MessageQueueTest, PostsFromOtherThreadsWakeTheLoopAndKeepEachThreadsOrder) {
    HWND w = make();
    constexpr int kThreads = 3, kEach = 300;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t)
        posters.emplace_back([=] {
            for (int i = 0; i < kEach; ++i) ASSERT_TRUE(post_message(w, WM_USER + t, static_cast<WPARAM>(i), t));
        });
    std::vector<WPARAM> next(kThreads, 0);
    MSG msg;
    for (int n = 0; n < kThreads * kEach; ++n) {
        ASSERT_EQ(get_message(&msg, 0, 0, 0), 1);
        ASSERT_EQ(msg.hwnd, w);
        const int t = static_cast<int>(msg.message - WM_USER);
        ASSERT_GE(t, 0);
        ASSERT_LT(t, kThreads);
        EXPECT_EQ(msg.lParam, t);
        EXPECT_EQ(msg.wParam, next[t]++) << "from thread " << t;
    }
    for (auto& p : posters) p.join();
}

TEST_F(MessageQueueTest, PostsAreRefusedWhereTheyCannotGo) {
    std::atomic<std::uint32_t> bare_tid{0};
    std::atomic<bool> release{false};
    std::thread bare([&] {
        bare_tid = current_thread_id();
        while (!release) std::this_thread::yield();
    });
    while (bare_tid == 0) std::this_thread::yield();
    HWND gone = make();
    destroy_window(gone);
    struct Case {
        const char* what;
        std::function<bool()> post;
        WinError error;
    };
    const std::vector<Case> cases = {
        {"a window that is gone", [&] { return post_message(gone, WM_USER, 0, 0); }, ERROR_INVALID_WINDOW_HANDLE},
        {"a thread without a queue", [&] { return post_thread_message(bare_tid, WM_USER, 0, 0); },
         ERROR_INVALID_THREAD_ID},
        {"no thread at all", [&] { return post_thread_message(0, WM_USER, 0, 0); }, ERROR_INVALID_THREAD_ID},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        set_last_error(ERROR_SUCCESS);
        EXPECT_FALSE(c.post());
        EXPECT_EQ(last_error(), c.error);
    }
    release = true;
    bare.join();

    // A thread whose queue ended with it.
    std::uint32_t ended_tid = 0;
    std::thread([&] {
        ensure_message_queue();
        ended_tid = current_thread_id();
    }).join();
    EXPECT_FALSE(post_thread_message(ended_tid, WM_USER, 0, 0));
    EXPECT_EQ(last_error(), ERROR_INVALID_THREAD_ID);

    MSG msg;
    EXPECT_EQ(get_message(&msg, gone, 0, 0), -1) << "a filter window must be the thread's own";
}

TEST_F(MessageQueueTest, AFullQueueRefusesPostsAndKeepsWhatItHas) {
    HWND w = make();
    int accepted = 0;
    while (post_message(w, WM_USER, static_cast<WPARAM>(accepted), 0)) ++accepted;
    EXPECT_EQ(last_error(), ERROR_NOT_ENOUGH_QUOTA);
    EXPECT_EQ(accepted, 10000);
    MSG msg;
    ASSERT_TRUE(peek_message(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u) << "nothing was overwritten";
    EXPECT_TRUE(post_message(w, WM_USER, 1, 0)) << "room again";
}

// --- Sends between threads ---------------------------------------------------

std::atomic<HWND> main_window{0};
std::atomic<std::uint32_t> main_proc_thread{0};
std::atomic<std::uint32_t> worker_proc_thread{0};

LRESULT main_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER + 10) {
        main_proc_thread = current_thread_id();
        return static_cast<LRESULT>(wParam * 2);
    }
    return def_window_proc(hwnd, message, wParam, lParam);
}

LRESULT worker_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_USER + 20) {
        worker_proc_thread = current_thread_id();
        // Sends back to the thread that is waiting for this very call.
        return send_message(main_window, WM_USER + 10, wParam, 0) + 1;
    }
    return def_window_proc(hwnd, message, wParam, lParam);
}

class SendTest : public MessageQueueTest {
protected:
    void SetUp() override {
        MessageQueueTest::SetUp();
        main_proc_thread = 0;
        worker_proc_thread = 0;
        for (auto [name, proc] : {std::pair{"TwpMain", &main_proc}, std::pair{"TwpWorker", &worker_proc}}) {
            WNDCLASS wc;
            wc.lpfnWndProc = proc;
            wc.lpszClassName = name;
            ASSERT_NE(register_class(wc), 0);
        }
    }
    void TearDown() override {
        for (HWND h : made_)
            if (is_window(h)) destroy_window(h);
        unregister_class("TwpMain", 0);
        unregister_class("TwpWorker", 0);
        MessageQueueTest::TearDown();
    }
};

TEST_F(SendTest, SendToAnotherThreadReturnsItsResultAndServesTheSendBack) {
    HWND mine = create_window_ex(0, "TwpMain", "", 0, 0, 0, 1, 1, 0, 0, 0, nullptr);
    made_.push_back(mine);
    main_window = mine;
    std::atomic<HWND> theirs{0};
    std::atomic<std::uint32_t> worker_tid{0};
    std::thread worker([&] {
        HWND h = create_window_ex(0, "TwpWorker", "", 0, 0, 0, 1, 1, 0, 0, 0, nullptr);
        worker_tid = current_thread_id();
        theirs = h;
        MSG msg;
        while (get_message(&msg, 0, 0, 0) > 0) dispatch_message(&msg);
        destroy_window(h);
    });
    while (theirs == 0) std::this_thread::yield();

    EXPECT_EQ(send_message(theirs, WM_USER + 20, 21, 0), 43);
    EXPECT_EQ(worker_proc_thread.load(), worker_tid.load()) << "the receiver's procedure runs on its own thread";
    EXPECT_EQ(main_proc_thread.load(), current_thread_id()) << "the nested send was served by the waiting sender";
    // Within the thread, a send is a plain call.
    EXPECT_EQ(send_message(mine, WM_USER + 10, 5, 0), 10);

    ASSERT_TRUE(post_thread_message(worker_tid, WM_QUIT, 0, 0));
    worker.join();
}

TEST_F(SendTest, SendToAThreadThatEndsWithoutAnsweringReturnsZero) {
    std::atomic<HWND> theirs{0};
    std::thread worker([&] {
        theirs = create_window_ex(0, "TwpWorker", "", 0, 0, 0, 1, 1, 0, 0, 0, nullptr);
        // Wakes for the send, then ends without reading its queue.
        EXPECT_EQ(msg_wait_for_multiple_objects({}, kInfinite, QS_SENDMESSAGE), WAIT_OBJECT_0);
    });
    while (theirs == 0) std::this_thread::yield();
    EXPECT_EQ(send_message(theirs, WM_USER + 20, 1, 0), 0);
    worker.join();
    EXPECT_EQ(worker_proc_thread.load(), 0u) << "the procedure never ran";
    EXPECT_FALSE(is_window(theirs));
}

// --- Timers --------------------------------------------------------------------

TEST_F(MessageQueueTest, TimerFiresRepeatedlyUntilKilled) {
    HWND w = make();
    const auto start = Clock::now();
    ASSERT_EQ(set_timer(w, 5, 20, nullptr), 5u);
    MSG msg;
    for (int i = 1; i <= 3; ++i) {
        ASSERT_EQ(get_message(&msg, 0, 0, 0), 1);
        EXPECT_EQ(msg.message, WM_TIMER);
        EXPECT_EQ(msg.hwnd, w);
        EXPECT_EQ(msg.wParam, 5u);
        EXPECT_GE(ms_since(start), 20 * i - 1) << "timer message " << i;
        dispatch_message(&msg);
    }
    EXPECT_EQ(Recorder::instance().sequence({WM_TIMER}).size(), 3u);
    EXPECT_TRUE(kill_timer(w, 5));
    EXPECT_FALSE(kill_timer(w, 5));
    sleep_ms(50);
    EXPECT_FALSE(peek_message(&msg, 0, WM_TIMER, WM_TIMER, PM_REMOVE));
}

TEST_F(MessageQueueTest, SlowLoopGetsOneTimerMessageNotABacklog) {
    HWND w = make();
    set_timer(w, 1, 10, nullptr);
    sleep_ms(120);  // a dozen periods pass unread
    MSG msg;
    ASSERT_TRUE(peek_message(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_FALSE(peek_message(&msg, 0, 0, 0, PM_REMOVE)) << "the missed periods are not owed";
    ASSERT_EQ(get_message(&msg, 0, 0, 0), 1);
    EXPECT_EQ(msg.message, WM_TIMER) << "it goes on firing";
    kill_timer(w, 1);
}

TEST_F(MessageQueueTest, PostedMessagesComeBeforeADueTimer) {
    HWND w = make();
    set_timer(w, 1, 10, nullptr);
    sleep_ms(30);
    post_message(w, WM_USER, 0, 0);
    MSG msg;
    ASSERT_TRUE(peek_message(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER);
    ASSERT_TRUE(peek_message(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_TIMER);
    kill_timer(w, 1);
}

TEST_F(MessageQueueTest, SettingAnExistingIdReplacesTheTimer) {
    HWND w = make();
    set_timer(w, 1, 100000, nullptr);
    set_timer(w, 2, 15, nullptr);
    set_timer(w, 1, 15, nullptr);  // replaces the slow one
    std::vector<WPARAM> ids;
    MSG msg;
    while (ids.size() < 2) {
        ASSERT_EQ(get_message(&msg, 0, 0, 0), 1);
        if (msg.message == WM_TIMER) ids.push_back(msg.wParam);
    }
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<WPARAM>{1, 2}));
    EXPECT_TRUE(kill_timer(w, 1));
    EXPECT_FALSE(kill_timer(w, 1)) << "one timer per id";
    EXPECT_TRUE(kill_timer(w, 2));
}

TEST_F(MessageQueueTest, DestroyingAWindowKillsItsTimers) {
    HWND w = make();
    set_timer(w, 1, 10, nullptr);
    destroy_window(w);
    sleep_ms(30);
    MSG msg;
    EXPECT_FALSE(peek_message(&msg, 0, 0, 0, PM_REMOVE));
    EXPECT_EQ(set_timer(w, 1, 10, nullptr), 0u);
    EXPECT_EQ(last_error(), ERROR_INVALID_WINDOW_HANDLE);
}

std::atomic<int> timer_proc_calls{0};
std::atomic<WPARAM> timer_proc_id{0};
void count_timer(HWND, UINT, WPARAM id, std::uint32_t) {
    ++timer_proc_calls;
    timer_proc_id = id;
}

TEST_F(MessageQueueTest, ThreadTimerCallsItsProcedureWhenDispatched) {
    timer_proc_calls = 0;
    const std::uintptr_t id = set_timer(0, 0, 10, count_timer);
    ASSERT_NE(id, 0u);
    const std::uintptr_t other = set_timer(0, 0, 100000, nullptr);
    EXPECT_NE(other, id) << "each new thread timer gets its own id";
    MSG msg;
    ASSERT_EQ(get_message(&msg, kThreadMessagesOnly, 0, 0), 1);
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(msg.hwnd, 0u);
    EXPECT_EQ(msg.wParam, id);
    dispatch_message(&msg);
    EXPECT_EQ(timer_proc_calls.load(), 1);
    EXPECT_EQ(timer_proc_id.load(), id);
    // A WM_TIMER made up by a poster names no procedure this thread set.
    MSG forged{0, WM_TIMER, 999, reinterpret_cast<LPARAM>(&count_timer), 0, {}};
    dispatch_message(&forged);
    EXPECT_EQ(timer_proc_calls.load(), 1);
    EXPECT_TRUE(kill_timer(0, id));
    EXPECT_TRUE(kill_timer(0, other));
}

// --- Waiting for a message or an object ---------------------------------------------

TEST_F(MessageQueueTest, CombinedWaitWakesForEachKindOfEvent) {
    HWND w = make();
    UniqueHandle event(create_event("", EventReset::Auto, false));
    struct Case {
        const char* what;
        std::function<void()> act;  // run on another thread after a pause; may be empty
        std::uint32_t timeout_ms;
        std::uint32_t expected;
        std::int64_t at_least_ms;
    };
    const std::vector<Case> cases = {
        {"an object", [&] { set_event(event.get()); }, kInfinite, WAIT_OBJECT_0, 20},
        {"a posted message", [&] { post_message(w, WM_USER, 0, 0); }, kInfinite, WAIT_OBJECT_0 + 1, 20},
        {"a sent message", [&] { send_message(w, WM_USER + 1, 0, 0); }, kInfinite, WAIT_OBJECT_0 + 1, 20},
        {"a timer", [&] {}, kInfinite, WAIT_OBJECT_0 + 1, 30},
        {"nothing", nullptr, 60, WAIT_TIMEOUT, 60},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool timer = std::string(c.what) == "a timer";
        const auto start = Clock::now();
        if (timer) set_timer(w, 1, 30, nullptr);
        std::thread actor;
        if (c.act && !timer) actor = std::thread([&] {
            sleep_ms(20);
            c.act();
        });
        const Handle handles[] = {event.get()};
        EXPECT_EQ(msg_wait_for_multiple_objects(handles, c.timeout_ms, QS_ALLINPUT), c.expected);
        EXPECT_GE(ms_since(start), c.at_least_ms - 1);
        // Reading the queue serves a waiting sender.
        MSG msg;
        while (peek_message(&msg, 0, 0, 0, PM_REMOVE)) {
        }
        if (actor.joinable()) actor.join();
        if (timer) kill_timer(w, 1);
    }
    // A message already waiting satisfies a wait that does not sleep.
    post_message(w, WM_USER, 0, 0);
    const Handle handles[] = {event.get()};
    EXPECT_EQ(msg_wait_for_multiple_objects(handles, 0, QS_ALLINPUT), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(msg_wait_for_multiple_objects({}, 0, QS_ALLINPUT), WAIT_OBJECT_0) << "no objects: index 0 is the queue";
}

// --- Between processes -------------------------------------------------------------

TEST_F(MessageQueueTest, PostsFromAnotherProcessArriveAsThirtyTwoBitValues) {
    HWND w = make();
    auto child = twtest::spawn_child("post-to", {std::to_string(w), std::to_string(current_thread_id())});
    ASSERT_EQ(child.read_line(), "posted");
    struct Expected {
        HWND hwnd;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    for (const Expected& e : {Expected{w, WM_USER + 1, 0x23456789u, -5},
                              Expected{w, WM_USER + 2, 7, -2147483648ll},  // the low half, sign-extended
                              Expected{0, WM_USER + 3, 0xFFFFFFFFu, 0x7FFFFFFF}}) {
        MSG msg;
        ASSERT_EQ(get_message(&msg, 0, 0, 0), 1);
        EXPECT_EQ(msg.hwnd, e.hwnd);
        EXPECT_EQ(msg.message, e.message);
        EXPECT_EQ(msg.wParam, e.wParam);
        EXPECT_EQ(msg.lParam, e.lParam);
    }
    EXPECT_EQ(child.wait(), 0);
}

TEST_F(MessageQueueTest, PostsToAnotherProcessReachTheRightWindowAndThread) {
    auto child = twtest::spawn_child("own-window", {"TwpPostTarget", "Target"});
    HWND remote = 0;
    std::uint32_t remote_tid = 0;
    std::string ready = child.read_line();
    ASSERT_EQ(std::sscanf(ready.c_str(), "ready %u %u", &remote, &remote_tid), 2) << ready;
    ASSERT_EQ(find_window("TwpPostTarget", "Target"), remote);
    ASSERT_TRUE(post_message(remote, WM_USER + 4, static_cast<WPARAM>(0x100000002ull), -1));
    ASSERT_TRUE(post_thread_message(remote_tid, WM_USER + 5, 6, -7));
    ASSERT_TRUE(post_message(remote, WM_USER + 6, 0, 0));
    EXPECT_EQ(child.read_line(), "got 4 2 -1");
    EXPECT_EQ(child.read_line(), "thread 5 6 -7");
    EXPECT_EQ(child.read_line(), "got 6 0 0");
    ASSERT_TRUE(post_thread_message(remote_tid, WM_QUIT, 0, 0));
    EXPECT_EQ(child.read_line(), "quit 0");
    EXPECT_EQ(child.wait(), 0);
}

}  // namespace
