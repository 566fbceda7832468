// Each thread that asks for a queue gets a ThreadQueue: its posted messages in
// a PostRing (shared memory, so other processes can post), and in process
// memory what only this process can reach: messages sent by other threads of
// the process, its timers and its quit request. Every arrival bumps the ring's
// word, the one word a waiting thread sleeps on, so a sender, a poster in
// another process and a due timer (through the sleep's deadline) all end the
// same sleep.
//
// Timers are not queued at all: WM_TIMER is made up when the queue is read
// and a timer is due, which is how Windows coalesces them, and why a killed
// timer leaves nothing behind.
#include "platform/message_queue.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/futex.h"
#include "platform/input.h"
#include "platform/paint_internal.h"
#include "platform/post_ring.h"
#include "platform/thread.h"
#include "platform/tick.h"
#include "platform/wait.h"
#include "platform/waitable.h"
#include "platform/window_internal.h"
#include "platform/window_table.h"

namespace platform {
namespace {

using detail::PostedMessage;
using detail::PostRing;

struct SentMessage {
    HWND hwnd = 0;
    UINT message = 0;
    WPARAM wparam = 0;
    LPARAM lparam = 0;
    LRESULT result = 0;
    std::atomic<std::uint32_t> done{0};
};

struct Timer {
    HWND hwnd = 0;
    std::uintptr_t id = 0;
    std::int64_t interval_ms = 0;
    TIMERPROC proc = nullptr;
    std::int64_t start_ms = 0;
    std::int64_t due_ms = 0;
};

struct ThreadQueue {
    std::uint32_t tid = 0;
    std::string root;  // the computer the queue belongs to
    std::shared_ptr<PostRing> ring;

    std::mutex lock;
    std::deque<std::shared_ptr<SentMessage>> sends;  // guarded by lock
    bool ended = false;                              // guarded by lock

    // The owning thread's alone.
    std::deque<MSG> input;  // mouse and keyboard messages made from delivered input
    std::vector<Timer> timers;
    bool quit = false;
    int quit_code = 0;
    std::uintptr_t next_thread_timer = 1;
};

constexpr std::size_t kRemoteRingsKept = 64;

struct Registry {
    std::mutex lock;
    std::unordered_map<std::uint32_t, std::shared_ptr<ThreadQueue>> queues;             // this process's
    std::map<std::pair<std::string, std::uint32_t>, std::shared_ptr<PostRing>> remote;  // other processes'
};

Registry& registry() {
    static auto* r = new Registry;
    return *r;
}

const char* root_key() {
    const char* r = std::getenv("TWPRINTER_ROOT");
    return r ? r : "";
}

void finish_send(const std::shared_ptr<SentMessage>& s, LRESULT result) {
    s->result = result;
    s->done.store(1, std::memory_order_release);
    futex::wake_all(&s->done);
}

// Gives the thread's queue up when the thread ends or changes computers.
struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue;

    ~QueueHolder() { release(); }
    void release() {
        if (!queue) return;
        detail::forget_thread_windows(queue->tid, queue->root);
        {
            Registry& r = registry();
            std::lock_guard guard(r.lock);
            auto it = r.queues.find(queue->tid);
            if (it != r.queues.end() && it->second == queue) r.queues.erase(it);
        }
        std::deque<std::shared_ptr<SentMessage>> pending;
        {
            std::lock_guard guard(queue->lock);
            queue->ended = true;
            pending.swap(queue->sends);
        }
        for (auto& s : pending) finish_send(s, 0);
        queue->ring->disown();
        queue.reset();
    }
};

thread_local QueueHolder holder;

ThreadQueue* own_queue(bool create) {
    auto& q = holder.queue;
    if (q && q->root == root_key()) return q.get();
    if (!create) return nullptr;
    holder.release();  // a queue of another computer (tests switch roots) is left behind
    auto ring = PostRing::create_own();
    if (!ring) {
        ring.error().make_last();
        return nullptr;
    }
    auto fresh = std::make_shared<ThreadQueue>();
    fresh->tid = current_thread_id();
    fresh->root = root_key();
    fresh->ring = std::move(ring).value();
    {
        Registry& r = registry();
        std::lock_guard guard(r.lock);
        r.queues[fresh->tid] = fresh;
    }
    q = std::move(fresh);
    return q.get();
}

std::shared_ptr<ThreadQueue> queue_of_thread(std::uint32_t tid) {
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    auto it = r.queues.find(tid);
    if (it == r.queues.end() || it->second->root != root_key()) return nullptr;
    return it->second;
}

LRESULT call_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC proc = detail::window_proc(hwnd);
    if (!proc) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return proc(hwnd, message, wParam, lParam);
}

// Runs the procedures for the messages other threads sent to this one.
void serve_sends(ThreadQueue* q) {
    while (true) {
        std::shared_ptr<SentMessage> s;
        {
            std::lock_guard guard(q->lock);
            if (q->sends.empty()) return;
            s = std::move(q->sends.front());
            q->sends.pop_front();
        }
        finish_send(s, call_proc(s->hwnd, s->message, s->wparam, s->lparam));
    }
}

bool has_sends(ThreadQueue* q) {
    std::lock_guard guard(q->lock);
    return !q->sends.empty();
}

struct Filter {
    HWND hwnd = 0;
    UINT min = 0;
    UINT max = 0;

    bool number(UINT m) const { return (min == 0 && max == 0) || (m >= min && m <= max); }
    bool window(HWND h) const {
        if (hwnd == 0) return true;
        if (hwnd == kThreadMessagesOnly) return h == 0;
        return detail::is_self_or_descendant(h, hwnd);
    }
};

std::int64_t next_timer_due(ThreadQueue* q, const Filter& f) {
    if (!f.number(WM_TIMER)) return -1;
    std::int64_t next = -1;
    for (const Timer& t : q->timers)
        if (f.window(t.hwnd) && (next < 0 || t.due_ms < next)) next = t.due_ms;
    return next;
}

bool is_internal(UINT message) { return message >= WM_TWP_FIRST_INTERNAL && message <= WM_TWP_LAST_INTERNAL; }

struct InternalHandlers {
    std::mutex lock;
    std::unordered_map<UINT, void (*)(const MSG&)> handlers;
};

InternalHandlers& internal_handlers() {
    static auto* h = new InternalHandlers;
    return *h;
}

void handle_internal(const PostedMessage& m) {
    const MSG msg{m.hwnd, m.message, static_cast<WPARAM>(m.wparam), static_cast<LPARAM>(m.lparam), m.time, {}};
    if (m.message == WM_TWP_INPUT) {
        detail::handle_input_message(msg);
        return;
    }
    void (*handler)(const MSG&) = nullptr;
    {
        InternalHandlers& h = internal_handlers();
        std::lock_guard guard(h.lock);
        if (auto it = h.handlers.find(m.message); it != h.handlers.end()) handler = it->second;
    }
    if (handler) handler(msg);
}

// One look at the queue in Windows order; true with `msg` filled when a
// message is there.
bool fetch(ThreadQueue* q, MSG* msg, const Filter& f, bool remove) {
    PostedMessage m;
    auto match = [&](const PostedMessage& p) {
        return !is_internal(p.message) && f.number(p.message) && f.window(p.hwnd);
    };
    auto internal = [](const PostedMessage& p) { return is_internal(p.message); };
    while (true) {
        serve_sends(q);
        if (q->ring->take(match, remove, m)) {
            *msg = MSG{m.hwnd, m.message, static_cast<WPARAM>(m.wparam), static_cast<LPARAM>(m.lparam), m.time, {}};
            get_cursor_pos(&msg->pt);
            return true;
        }
        // Input comes after the posted messages, one delivered event at a
        // time, so what a procedure posts while it handles a key (the
        // WM_CHAR of translate_message) comes before the next key.
        auto in = std::find_if(q->input.begin(), q->input.end(),
                               [&](const MSG& i) { return f.number(i.message) && f.window(i.hwnd); });
        if (in != q->input.end()) {
            *msg = *in;
            if (remove) q->input.erase(in);
            return true;
        }
        // The platform's own messages are never returned: their handlers
        // run here, whatever the filter.
        if (!q->ring->take(internal, true, m)) break;
        handle_internal(m);
    }
    if (q->quit) {
        *msg = MSG{0, WM_QUIT, static_cast<WPARAM>(static_cast<std::intptr_t>(q->quit_code)), 0, get_tick_count(), {}};
        if (remove) q->quit = false;
        return true;
    }
    if (f.number(WM_PAINT) && f.hwnd != kThreadMessagesOnly) {
        if (HWND h = detail::next_window_to_paint(q->tid, f.hwnd)) {
            *msg = MSG{h, WM_PAINT, 0, 0, get_tick_count(), {}};
            get_cursor_pos(&msg->pt);
            return true;
        }
    }
    if (f.number(WM_TIMER)) {
        const std::int64_t now = futex::monotonic_ms();
        Timer* due = nullptr;
        for (Timer& t : q->timers)
            if (t.due_ms <= now && f.window(t.hwnd) && (!due || t.due_ms < due->due_ms)) due = &t;
        if (due) {
            *msg = MSG{due->hwnd, WM_TIMER, due->id, reinterpret_cast<LPARAM>(due->proc), get_tick_count(), {}};
            // The next one at the first period boundary after now: periods that
            // passed while the loop was busy are not owed.
            if (remove) due->due_ms = due->start_ms + ((now - due->start_ms) / due->interval_ms + 1) * due->interval_ms;
            return true;
        }
    }
    return false;
}

bool has_input(ThreadQueue* q) {
    if (has_sends(q) || q->quit || !q->ring->empty() || !q->input.empty()) return true;
    if (detail::thread_needs_paint(q->tid)) return true;
    std::int64_t due = next_timer_due(q, Filter{});
    return due >= 0 && due <= futex::monotonic_ms();
}

// Sleeps on the queue's word until it changes or the deadline (ms, -1: none).
void sleep_on_queue(ThreadQueue* q, std::uint32_t seen, std::int64_t deadline_ms) {
    FutexWatch w{q->ring->word(), seen};
    q->ring->sleeping(true);
    futex::wait_any(std::span(&w, 1), deadline_ms < 0 ? -1 : deadline_ms * 1000000);
    q->ring->sleeping(false);
}

class QueueWaitable final : public Waitable {
public:
    explicit QueueWaitable(ThreadQueue* q) : q_(q) {}
    FutexWatch watch() override { return {q_->ring->word(), q_->ring->word()->load(std::memory_order_seq_cst)}; }
    Acquire try_acquire() override { return has_input(q_) ? Acquire::Acquired : Acquire::NotReady; }
    void sleeping(bool now_asleep) override { q_->ring->sleeping(now_asleep); }

private:
    ThreadQueue* q_;
};

bool window_filter_ok(HWND hwnd) {
    if (hwnd == 0 || hwnd == kThreadMessagesOnly) return true;
    detail::WindowOwner o;
    if (!detail::window_owner(hwnd, &o) || !o.in_process || o.tid != current_thread_id()) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    return true;
}

Status post_to_thread(std::uint32_t tid, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto local = queue_of_thread(tid))
        return local->ring->post(PostedMessage{hwnd, message, static_cast<std::uint64_t>(wParam),
                                               static_cast<std::uint64_t>(lParam), get_tick_count()});
    // Another process: the values as a 32-bit program would post them.
    PostedMessage m{hwnd, message, static_cast<std::uint32_t>(wParam),
                    static_cast<std::uint64_t>(static_cast<std::int64_t>(static_cast<std::int32_t>(lParam))),
                    get_tick_count()};
    Registry& r = registry();
    auto key = std::make_pair(std::string(root_key()), tid);
    std::shared_ptr<PostRing> ring;
    {
        std::lock_guard guard(r.lock);
        if (auto it = r.remote.find(key); it != r.remote.end()) ring = it->second;
    }
    if (!ring) {
        auto opened = PostRing::open(tid);
        if (!opened) return std::move(opened).error();
        ring = std::move(opened).value();
        std::lock_guard guard(r.lock);
        // Each cached ring keeps its queue's memory mapped: let go of those
        // whose threads have ended before the cache grows large.
        if (r.remote.size() >= kRemoteRingsKept)
            std::erase_if(r.remote, [](auto& entry) { return !entry.second->owner_alive(); });
        r.remote[key] = ring;
    }
    Status s = ring->post(m);
    if (!s.ok() && s.error().code == ERROR_INVALID_THREAD_ID) {
        std::lock_guard guard(r.lock);
        r.remote.erase(key);
    }
    return s;
}

}  // namespace

bool ensure_message_queue() { return own_queue(true) != nullptr; }

bool post_thread_message(std::uint32_t thread_id, UINT message, WPARAM wParam, LPARAM lParam) {
    Status s = post_to_thread(thread_id, 0, message, wParam, lParam);
    if (!s.ok()) {
        s.error().make_last();
        return false;
    }
    return true;
}

bool post_message(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd == 0) {
        if (!ensure_message_queue()) return false;
        return post_thread_message(current_thread_id(), message, wParam, lParam);
    }
    detail::WindowOwner o;
    if (!detail::window_owner(hwnd, &o)) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    Status s = post_to_thread(o.tid, hwnd, message, wParam, lParam);
    if (!s.ok()) {
        if (s.error().code == ERROR_INVALID_THREAD_ID) {
            (void)detail::table_get(hwnd, true);  // sweeps the entry of a process that is gone
            set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        } else {
            s.error().make_last();
        }
        return false;
    }
    return true;
}

LRESULT send_message(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    detail::WindowOwner o;
    if (!detail::window_owner(hwnd, &o)) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (!o.in_process) {
        set_last_error(ERROR_ACCESS_DENIED);
        return 0;
    }
    if (o.tid == current_thread_id()) return call_proc(hwnd, message, wParam, lParam);
    auto target = queue_of_thread(o.tid);
    ThreadQueue* me = own_queue(true);
    if (!target || !me) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    auto sent = std::make_shared<SentMessage>();
    sent->hwnd = hwnd;
    sent->message = message;
    sent->wparam = wParam;
    sent->lparam = lParam;
    {
        std::lock_guard guard(target->lock);
        if (target->ended) {
            set_last_error(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        target->sends.push_back(sent);
    }
    target->ring->notify();
    while (true) {
        FutexWatch watches[2] = {{&sent->done, 0}, {me->ring->word(), me->ring->word()->load(std::memory_order_seq_cst)}};
        if (sent->done.load(std::memory_order_acquire)) break;
        serve_sends(me);  // the receiver may be sending to us meanwhile
        if (sent->done.load(std::memory_order_acquire)) break;
        me->ring->sleeping(true);
        futex::wait_any(watches, -1);
        me->ring->sleeping(false);
    }
    return sent->result;
}

int get_message(MSG* msg, HWND hwnd, UINT filter_min, UINT filter_max) {
    ThreadQueue* q = own_queue(true);
    if (!q || !msg) return -1;
    if (!window_filter_ok(hwnd)) return -1;
    const Filter f{hwnd, filter_min, filter_max};
    while (true) {
        const std::uint32_t seen = q->ring->word()->load(std::memory_order_seq_cst);
        if (fetch(q, msg, f, true)) return msg->message == WM_QUIT ? 0 : 1;
        // Nothing left to do: what was painted goes to the display before the sleep.
        detail::flush_surfaces(q->tid);
        sleep_on_queue(q, seen, next_timer_due(q, f));
    }
}

bool peek_message(MSG* msg, HWND hwnd, UINT filter_min, UINT filter_max, UINT remove) {
    ThreadQueue* q = own_queue(true);
    if (!q || !msg || !window_filter_ok(hwnd)) return false;
    if (fetch(q, msg, Filter{hwnd, filter_min, filter_max}, (remove & PM_REMOVE) != 0)) return true;
    detail::flush_surfaces(q->tid);
    return false;
}

bool wait_message() {
    ThreadQueue* q = own_queue(true);
    if (!q) return false;
    while (true) {
        const std::uint32_t seen = q->ring->word()->load(std::memory_order_seq_cst);
        if (has_input(q)) return true;
        detail::flush_surfaces(q->tid);
        sleep_on_queue(q, seen, next_timer_due(q, Filter{}));
    }
}

void register_internal_message_handler(UINT message, void (*handler)(const MSG&)) {
    if (!is_internal(message) || message == WM_TWP_INPUT) return;
    InternalHandlers& h = internal_handlers();
    std::lock_guard guard(h.lock);
    if (handler)
        h.handlers[message] = handler;
    else
        h.handlers.erase(message);
}

void detail::wake_thread(std::uint32_t tid) {
    if (auto q = queue_of_thread(tid)) q->ring->notify();
}

void detail::queue_input_message(const MSG& msg) {
    ThreadQueue* q = own_queue(true);
    if (!q) return;
    q->input.push_back(msg);
}

LRESULT dispatch_message(const MSG* msg) {
    if (!msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        // Only a procedure this thread registered is called: a number posted
        // from elsewhere is not an address to jump to.
        ThreadQueue* q = own_queue(false);
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        if (q && std::any_of(q->timers.begin(), q->timers.end(), [&](const Timer& t) {
                return t.hwnd == msg->hwnd && t.id == msg->wParam && t.proc == proc;
            })) {
            proc(msg->hwnd, WM_TIMER, msg->wParam, get_tick_count());
        }
        return 0;
    }
    if (msg->hwnd == 0) return 0;
    return call_proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void post_quit_message(int exit_code) {
    ThreadQueue* q = own_queue(true);
    if (!q) return;
    q->quit = true;
    q->quit_code = exit_code;
    q->ring->notify();
}

std::uint32_t msg_wait_for_multiple_objects(std::span<const Handle> handles, std::uint32_t timeout_ms, UINT) {
    ThreadQueue* q = own_queue(true);
    if (!q) return WAIT_FAILED;
    if (handles.size() > kMaximumWaitObjects) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<std::shared_ptr<KernelObject>> held;
    Waitable* objects[kMaximumWaitObjects + 1];
    for (std::size_t i = 0; i < handles.size(); ++i) {
        auto object = lookup_handle(handles[i]);
        Waitable* w = object ? object->waitable() : nullptr;
        if (!w) {
            set_last_error(ERROR_INVALID_HANDLE);
            return WAIT_FAILED;
        }
        objects[i] = w;
        held.push_back(std::move(object));
    }
    QueueWaitable queue(q);
    objects[handles.size()] = &queue;
    const std::span<Waitable* const> all(objects, handles.size() + 1);
    const std::int64_t deadline = timeout_ms == kInfinite ? -1 : futex::monotonic_ms() + timeout_ms;
    while (true) {
        // A timer that falls due makes no wake-up call: the wait's own time-out
        // is cut short to meet it.
        const std::int64_t now = futex::monotonic_ms();
        std::int64_t until = deadline;
        const std::int64_t due = next_timer_due(q, Filter{});
        if (due >= 0 && (until < 0 || due < until)) until = due;
        const std::uint32_t slice = until < 0 ? kInfinite : static_cast<std::uint32_t>(std::max<std::int64_t>(0, until - now));
        const std::uint32_t r = wait_for_waitables(all, slice);
        if (r != WAIT_TIMEOUT) return r;
        if (deadline >= 0 && futex::monotonic_ms() >= deadline) return WAIT_TIMEOUT;
    }
}

std::uintptr_t set_timer(HWND hwnd, std::uintptr_t id, UINT elapse_ms, TIMERPROC proc) {
    ThreadQueue* q = own_queue(true);
    if (!q) return 0;
    if (hwnd != 0) {
        detail::WindowOwner o;
        if (!detail::window_owner(hwnd, &o) || !o.in_process) {
            set_last_error(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        if (o.tid != current_thread_id()) {
            set_last_error(ERROR_ACCESS_DENIED);
            return 0;
        }
    }
    auto existing = std::find_if(q->timers.begin(), q->timers.end(),
                                 [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    if (hwnd == 0 && existing == q->timers.end()) {
        // A new thread timer gets a fresh id of its own.
        do {
            id = q->next_thread_timer++;
        } while (std::any_of(q->timers.begin(), q->timers.end(),
                             [&](const Timer& t) { return t.hwnd == 0 && t.id == id; }));
    }
    const std::int64_t interval = std::clamp<std::int64_t>(elapse_ms, USER_TIMER_MINIMUM, 0x7FFFFFFF);
    const std::int64_t now = futex::monotonic_ms();
    Timer t{hwnd, id, interval, proc, now, now + interval};
    if (existing != q->timers.end())
        *existing = t;
    else
        q->timers.push_back(t);
    set_last_error(ERROR_SUCCESS);
    return id != 0 ? id : 1;
}

bool kill_timer(HWND hwnd, std::uintptr_t id) {
    ThreadQueue* q = own_queue(false);
    if (q) {
        auto it = std::find_if(q->timers.begin(), q->timers.end(),
                               [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
        if (it != q->timers.end()) {
            q->timers.erase(it);
            return true;
        }
    }
    set_last_error(ERROR_INVALID_PARAMETER);
    return false;
}

void detail::kill_window_timers(HWND hwnd) {
    ThreadQueue* q = own_queue(false);
    if (!q) return;
    std::erase_if(q->timers, [&](const Timer& t) { return t.hwnd == hwnd; });
}

}  // namespace platform
