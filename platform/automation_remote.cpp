// Requests to a window of another thread or process.
//
// The asker writes "<pid>-<serial>.request" under <root>/ui/automation/
// (written beside, then renamed, so the window's thread never reads half of
// it), creates the named event "TwpAutomation-<pid>-<serial>", posts
// WM_TWP_AUTOMATION (wParam the serial, lParam its pid) to the window's
// top-level window and sleeps on the event. The window's thread reads the
// request in the queue's handler, performs it, writes "<...>.reply" the same
// way and sets the event.
//
// Input requests are answered late: the queue turns delivered input into
// mouse and keyboard messages only after the posted messages, so the answer
// waits for a thread timer with a procedure, which the queue hands out only
// when no posted message, input or painting is left. By then the click's
// WM_COMMAND has been sent and the window repainted. Pictures are taken at
// that moment too, for the same reason.
#include <unistd.h>

#include <atomic>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

#include "platform/automation.h"
#include "platform/automation_internal.h"
#include "platform/event.h"
#include "platform/handle_table.h"
#include "platform/machine_root.h"
#include "platform/message_queue.h"
#include "platform/process.h"
#include "platform/thread.h"
#include "platform/wait.h"
#include "platform/window_table.h"

namespace platform::automation::detail {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxField = 1 << 20;

fs::path folder() { return machine_root_path() / "ui" / "automation"; }

std::string key_of(std::uint32_t pid, std::uint32_t serial) {
    return std::to_string(pid) + "-" + std::to_string(serial);
}

std::string event_name(const std::string& key) { return "TwpAutomation-" + key; }

// "<length>:<bytes>\n"
void put_field(std::string& out, std::string_view field) {
    out += std::to_string(field.size());
    out += ':';
    out += field;
    out += '\n';
}

std::optional<std::string_view> take_field(std::string_view& in) {
    std::size_t colon = in.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 8) return std::nullopt;
    std::size_t length = 0;
    auto [end, ec] = std::from_chars(in.data(), in.data() + colon, length);
    if (ec != std::errc{} || end != in.data() + colon || length > kMaxField) return std::nullopt;
    if (in.size() - colon - 1 < length + 1 || in[colon + 1 + length] != '\n') return std::nullopt;
    std::string_view field = in.substr(colon + 1, length);
    in.remove_prefix(colon + 1 + length + 1);
    return field;
}

std::optional<std::uint32_t> take_number(std::string_view& in) {
    auto field = take_field(in);
    if (!field) return std::nullopt;
    std::uint32_t n = 0;
    auto [end, ec] = std::from_chars(field->data(), field->data() + field->size(), n);
    if (ec != std::errc{} || end != field->data() + field->size()) return std::nullopt;
    return n;
}

bool read_file(const fs::path& path, std::string* out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    *out = s.str();
    return true;
}

bool write_file_atomically(const fs::path& path, const std::string& content) {
    fs::path temp = path;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out << content;
        if (!out.flush()) return false;
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    return !ec;
}

void answer(const std::string& key, const Reply& reply) {
    write_file_atomically(folder() / (key + ".reply"), encode(reply));
    Handle event = open_event(event_name(key));
    if (event == kNullHandle) return;  // the asker gave up
    set_event(event);
    close_handle(event);
}

// Requests of this thread whose answer waits until its input and painting are done.
struct Deferred {
    std::string key;
    Request request;
    std::optional<Reply> reply;  // empty: perform it then
};
thread_local std::vector<Deferred> t_deferred;
thread_local std::uintptr_t t_timer = 0;

void answer_deferred(HWND, UINT, WPARAM, std::uint32_t) {
    kill_timer(0, t_timer);
    t_timer = 0;
    auto list = std::move(t_deferred);
    t_deferred.clear();
    for (auto& d : list) answer(d.key, d.reply ? *d.reply : perform(d.request));
}

void defer(Deferred d) {
    t_deferred.push_back(std::move(d));
    if (t_timer == 0) t_timer = set_timer(0, 0, USER_TIMER_MINIMUM, answer_deferred);
    if (t_timer == 0) answer_deferred(0, 0, 0, 0);  // no timer: answer now rather than never
}

void on_request(const MSG& msg) {
    const std::uint32_t serial = static_cast<std::uint32_t>(msg.wParam);
    const std::uint32_t pid = static_cast<std::uint32_t>(msg.lParam);
    const std::string key = key_of(pid, serial);
    const fs::path file = folder() / (key + ".request");
    std::string text;
    if (!read_file(file, &text)) return;  // the asker gave up and took it back
    std::error_code ec;
    fs::remove(file, ec);
    auto request = decode_request(text);
    if (!request) {
        answer(key, Reply{ERROR_INVALID_PARAMETER, "malformed automation request"});
        return;
    }
    if (request->op == Op::Shot) return defer({key, *request, std::nullopt});
    Reply reply = perform(*request);
    if (reply.code == 0 && gives_input(request->op)) return defer({key, *request, reply});
    answer(key, reply);
}

// Every process with windows answers requests: the handler is in place
// before any window exists.
const bool g_registered = [] {
    register_internal_message_handler(WM_TWP_AUTOMATION, on_request);
    return true;
}();

Reply ask_remote(const Request& request, const platform::detail::WindowRecord& owner) {
    static std::atomic<std::uint32_t> serials{0};
    const std::uint32_t pid = get_current_process_id();
    const std::uint32_t serial = ++serials & 0x7FFFFFFF;
    const std::string key = key_of(pid, serial);
    std::error_code ec;
    fs::create_directories(folder(), ec);
    const fs::path request_file = folder() / (key + ".request");
    const fs::path reply_file = folder() / (key + ".reply");
    if (!write_file_atomically(request_file, encode(request)))
        return {ERROR_WRITE_FAULT, "cannot write " + request_file.string()};
    Handle event = create_event(event_name(key), EventReset::Manual, false);
    if (event == kNullHandle) {
        fs::remove(request_file, ec);
        return {last_error(), "cannot create the answer's event"};
    }
    HWND top = top_level_of(request.hwnd);
    if (top == 0 || !post_message(top, WM_TWP_AUTOMATION, serial, static_cast<LPARAM>(pid))) {
        close_handle(event);
        fs::remove(request_file, ec);
        char buf[64];
        std::snprintf(buf, sizeof buf, "window 0x%08X is gone", request.hwnd);
        return {ERROR_INVALID_WINDOW_HANDLE, buf};
    }
    const std::uint32_t waited = wait_for_single_object(event, timeout_ms());
    close_handle(event);
    std::string text;
    if (waited != WAIT_OBJECT_0 || !read_file(reply_file, &text)) {
        fs::remove(request_file, ec);
        fs::remove(reply_file, ec);
        char buf[160];
        std::snprintf(buf, sizeof buf, "window 0x%08X (process %u, thread %u) did not answer within %u ms",
                      request.hwnd, owner.pid, owner.tid, timeout_ms());
        return {ERROR_TIMEOUT, buf};
    }
    fs::remove(reply_file, ec);
    auto reply = decode_reply(text);
    if (!reply) return {ERROR_INVALID_DATA, "malformed automation reply"};
    return *reply;
}

}  // namespace

bool gives_input(Op op) { return op == Op::Click || op == Op::Type || op == Op::Key || op == Op::Choose; }

std::string encode(const Request& request) {
    std::string out = "twp-automation-request 1\n";
    put_field(out, std::to_string(static_cast<std::uint32_t>(request.op)));
    put_field(out, std::to_string(request.hwnd));
    put_field(out, request.argument);
    return out;
}

std::optional<Request> decode_request(std::string_view text) {
    constexpr std::string_view magic = "twp-automation-request 1\n";
    if (text.substr(0, magic.size()) != magic) return std::nullopt;
    text.remove_prefix(magic.size());
    auto op = take_number(text);
    auto hwnd = take_number(text);
    auto argument = take_field(text);
    if (!op || !hwnd || !argument || !text.empty()) return std::nullopt;
    if (*op < static_cast<std::uint32_t>(Op::Text) || *op > static_cast<std::uint32_t>(Op::Shot)) return std::nullopt;
    return Request{static_cast<Op>(*op), *hwnd, std::string(*argument)};
}

std::string encode(const Reply& reply) {
    std::string out = "twp-automation-reply 1\n";
    put_field(out, std::to_string(reply.code));
    put_field(out, reply.text);
    return out;
}

std::optional<Reply> decode_reply(std::string_view text) {
    constexpr std::string_view magic = "twp-automation-reply 1\n";
    if (text.substr(0, magic.size()) != magic) return std::nullopt;
    text.remove_prefix(magic.size());
    auto code = take_number(text);
    auto words = take_field(text);
    if (!code || !words || !text.empty()) return std::nullopt;
    return Reply{*code, std::string(*words)};
}

Reply run(const Request& request) {
    (void)g_registered;
    auto owner = platform::detail::table_get(request.hwnd, true);
    if (!owner) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "no window 0x%08X on this computer", request.hwnd);
        return {ERROR_INVALID_WINDOW_HANDLE, buf};
    }
    if (owner->pid == get_current_process_id() && owner->tid == current_thread_id()) return perform(request);
    return ask_remote(request, *owner);
}

}  // namespace platform::automation::detail
