// twui: look at and drive the windows of the computer (TWPRINTER_ROOT), as a
// test does, from a shell.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/automation.h"

namespace {

namespace ui = platform::automation;

constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kNoWindow = 3;

void usage(FILE* to) {
    std::fputs(
        "usage: twui [--timeout MS] COMMAND ...\n"
        "  list                                  every window of the computer\n"
        "  text  WINDOW [CONTROL-ID]             a window's text\n"
        "  state WINDOW [CONTROL-ID]             text, enabled, visible, focus, check, position, selection\n"
        "  click WINDOW [CONTROL-ID]             a left click at the centre\n"
        "  type  WINDOW TEXT                     types TEXT to the focus of the window's thread\n"
        "  key   WINDOW KEY                      Enter, Escape, Tab, Space, Left, ..., F1..F12, Shift+Tab\n"
        "  choose WINDOW CONTROL-ID ITEM-TEXT    clicks an item of a list view or tree view\n"
        "  shot  WINDOW FILE.png                 the window's picture\n"
        "WINDOW: a handle (0x...) or a top-level window's title or class (or part of the title).\n"
        "Exit codes: 0 done, 1 the request failed, 2 usage, 3 no such window or control.\n",
        to);
}

int report(const platform::Error& e) {
    std::fprintf(stderr, "twui: %s\n", e.describe().c_str());
    return e.code == platform::ERROR_INVALID_WINDOW_HANDLE || e.code == platform::ERROR_NOT_FOUND ? kNoWindow : kFailed;
}

bool parse_id(const std::string& text, std::uint32_t* id) {
    char* end = nullptr;
    unsigned long v = std::strtoul(text.c_str(), &end, 0);
    if (text.empty() || *end != 0 || v > 0xFFFFFFFFul) return false;
    *id = static_cast<std::uint32_t>(v);
    return true;
}

// WINDOW, or its control with the id when one is given.
platform::Result<platform::HWND> target(const std::string& window, const std::string* control_id) {
    auto top = ui::find_window_by_name(window);
    if (!top || !control_id) return top;
    std::uint32_t id = 0;
    if (!parse_id(*control_id, &id))
        return platform::Error{platform::ERROR_INVALID_PARAMETER, "not a control id: " + *control_id};
    return ui::find_control(*top, id);
}

std::string flags(const ui::WindowInfo& w) {
    std::string f;
    f += w.visible() ? 'v' : '-';
    f += w.enabled() ? 'e' : '-';
    return f;
}

int list() {
    std::printf("%-10s %-10s %6s %-2s %7s  %-20s %s\n", "HANDLE", "PARENT", "ID", "VE", "PID", "CLASS", "TEXT");
    for (const auto& w : ui::list_windows()) {
        std::string cls(static_cast<std::size_t>(w.depth) * 2, ' ');
        cls += w.class_name;
        std::printf("0x%08X 0x%08X %6u %-2s %7u  %-20s \"%s\"\n", w.hwnd, w.parent, w.id, flags(w).c_str(), w.pid,
                    cls.c_str(), w.text.c_str());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    while (!args.empty() && args[0].rfind("--", 0) == 0) {
        if (args[0] == "--help") {
            usage(stdout);
            return 0;
        }
        std::uint32_t ms = 0;
        if (args[0] == "--timeout" && args.size() > 1 && parse_id(args[1], &ms)) {
            ui::set_timeout_ms(ms);
            args.erase(args.begin(), args.begin() + 2);
            continue;
        }
        std::fprintf(stderr, "twui: unknown option %s\n", args[0].c_str());
        usage(stderr);
        return kUsage;
    }
    if (args.empty()) {
        usage(stderr);
        return kUsage;
    }
    const std::string command = args[0];
    const std::size_t n = args.size() - 1;  // arguments after the command
    auto bad = [&] {
        std::fprintf(stderr, "twui: wrong arguments for %s\n", command.c_str());
        usage(stderr);
        return kUsage;
    };

    if (command == "list") return n == 0 ? list() : bad();

    if (command == "text" || command == "state" || command == "click") {
        if (n < 1 || n > 2) return bad();
        auto hwnd = target(args[1], n == 2 ? &args[2] : nullptr);
        if (!hwnd) return report(hwnd.error());
        if (command == "text") {
            auto text = ui::get_text(*hwnd);
            if (!text) return report(text.error());
            std::printf("%s\n", text->c_str());
        } else if (command == "state") {
            auto state = ui::get_state(*hwnd);
            if (!state) return report(state.error());
            std::printf("handle=0x%08X\n%s\n", *hwnd, state->to_text().c_str());
        } else {
            auto done = ui::click(*hwnd);
            if (!done) return report(done.error());
        }
        return 0;
    }
    if (command == "type" || command == "key" || command == "shot") {
        if (n != 2) return bad();
        auto hwnd = target(args[1], nullptr);
        if (!hwnd) return report(hwnd.error());
        platform::Status done = command == "type"  ? ui::type_text(*hwnd, args[2])
                                : command == "key" ? ui::press_key(*hwnd, args[2])
                                                   : ui::screenshot(*hwnd, args[2]);
        if (!done) return report(done.error());
        return 0;
    }
    if (command == "choose") {
        if (n != 3) return bad();
        auto hwnd = target(args[1], &args[2]);
        if (!hwnd) return report(hwnd.error());
        auto done = ui::choose_item(*hwnd, args[3]);
        if (!done) return report(done.error());
        return 0;
    }
    std::fprintf(stderr, "twui: unknown command %s\n", command.c_str());
    usage(stderr);
    return kUsage;
}
