#include "platform/shell.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/paths.h"
#include "platform/process.h"
#include "platform/text.h"
#include "platform/ui_log.h"

extern char** environ;

namespace fs = std::filesystem;

namespace platform {
namespace {

struct ShellState {
    std::mutex lock;
    std::vector<ShellRecord> records;
};

ShellState& state() {
    static ShellState* s = new ShellState;
    return *s;
}

std::string str(const char* s) { return s ? s : ""; }

// "scheme:..." with a scheme of two letters or more (one letter is a drive), or "www.".
bool is_url(std::string_view file) {
    if (file.size() > 4 && iequals(file.substr(0, 4), "www.")) return true;
    auto colon = file.find(':');
    if (colon == std::string_view::npos || colon < 2) return false;
    for (std::size_t i = 0; i < colon; ++i) {
        char c = file[i];
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
        if (!ok) return false;
    }
    return true;
}

bool is_program(std::string_view file) {
    auto dot = file.rfind('.');
    if (dot == std::string_view::npos) return false;
    std::string ext = to_lower(file.substr(dot));
    return ext == ".exe" || ext == ".com" || ext == ".bat";
}

bool is_relative(std::string_view path) {
    if (path.size() >= 2 && path[1] == ':') return false;
    return path.empty() || (path[0] != '\\' && path[0] != '/');
}

// The desktop's opener, when handing over is allowed and possible.
std::optional<std::string> opener() {
    const char* off = std::getenv("TWPRINTER_NO_OPENER");
    if (off && std::string_view(off) == "1") return std::nullopt;
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!display || !*display) && (!wayland || !*wayland)) return std::nullopt;
    const char* path = std::getenv("PATH");
    for (const auto& folder : split(path ? path : "", ':')) {
        if (folder.empty()) continue;
        fs::path candidate = fs::path(folder) / "xdg-open";
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return std::nullopt;
}

// Starts the opener on `target` and lets a thread of its own collect it.
bool hand_over(const std::string& program, const std::string& target) {
    std::vector<std::string> args = {program, target};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return false;
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

void record(ShellRecord r) {
    std::string line;
    switch (r.kind) {
    case ShellRecord::Kind::Open:
    case ShellRecord::Kind::Program:
        line = std::string(r.kind == ShellRecord::Kind::Open ? "open" : "program") + " verb=" + r.verb +
               " file=" + r.file + " params=" + r.parameters + " dir=" + r.directory + " show=" + std::to_string(r.show);
        break;
    case ShellRecord::Kind::Help: {
        char command[16];
        std::snprintf(command, sizeof command, "0x%X", r.help_command);
        line = "help file=" + r.file + " command=" + command + " data=" + std::to_string(r.help_data);
        break;
    }
    }
    line += " result=" + std::to_string(r.result) + " via=" + r.handed_to;
    (void)append_ui_log("shell.log", line);
    ShellState& s = state();
    std::lock_guard guard(s.lock);
    s.records.push_back(std::move(r));
}

std::intptr_t run_program(ShellRecord& r) {
    ProcessOptions options;
    options.current_directory = r.directory;
    options.show = static_cast<ShowWindow>(r.show >= 0 && r.show <= 5 ? r.show : 1);
    std::string line = join_command_line(std::vector<std::string>{r.file});
    if (!r.parameters.empty()) line += " " + r.parameters;
    auto started = create_process(line, options);
    if (!started) {
        switch (started.error().code) {
        case ERROR_FILE_NOT_FOUND: return SE_ERR_FNF;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_DIRECTORY: return SE_ERR_PNF;
        case ERROR_BAD_EXE_FORMAT: return SE_ERR_BAD_FORMAT;
        default: return SE_ERR_ACCESSDENIED;
        }
    }
    (void)close_handle(started->process);
    r.handed_to = "process";
    return 42;
}

}  // namespace

std::intptr_t shell_execute(HWND hwnd, const char* verb, const char* file, const char* parameters,
                            const char* directory, int show) {
    ShellRecord r;
    r.kind = ShellRecord::Kind::Open;
    r.hwnd = hwnd;
    r.verb = str(verb);
    r.file = str(file);
    r.parameters = str(parameters);
    r.directory = str(directory);
    r.show = show;
    auto finish = [&](std::intptr_t result) {
        r.result = result;
        record(r);
        return result;
    };
    if (r.file.empty()) return finish(SE_ERR_FNF);
    static const char* const verbs[] = {"", "open", "print", "edit", "explore", "find", "properties", "runas"};
    bool known = false;
    for (const char* v : verbs) known = known || iequals(r.verb, v);
    if (!known) return finish(SE_ERR_NOASSOC);

    if (is_url(r.file)) {
        if (auto program = opener())
            if (hand_over(*program, r.file)) r.handed_to = "xdg-open";
        return finish(42);
    }
    if (is_relative(r.file) && !r.directory.empty()) {
        std::string dir = r.directory;
        if (!dir.ends_with('\\') && !dir.ends_with('/')) dir += '\\';
        r.file = dir + r.file;
    }
    if (is_program(r.file)) {
        r.kind = ShellRecord::Kind::Program;
        return finish(run_program(r));
    }
    auto host = to_host_path(r.file);
    if (!host) return finish(SE_ERR_PNF);
    fs::path found = find_case_insensitive(*host);
    std::error_code ec;
    if (!fs::exists(found, ec)) return finish(fs::is_directory(find_case_insensitive(host->parent_path()), ec) ? SE_ERR_FNF : SE_ERR_PNF);
    if (auto program = opener())
        if (hand_over(*program, found.string())) r.handed_to = "xdg-open";
    return finish(42);
}

bool win_help(HWND hwnd, const char* help_file, std::uint32_t command, std::uintptr_t data) {
    ShellRecord r;
    r.kind = ShellRecord::Kind::Help;
    r.hwnd = hwnd;
    r.file = str(help_file);
    if (auto window = r.file.find('>'); window != std::string::npos) r.file.resize(window);
    r.help_command = command;
    r.help_data = data;
    if (command == HELP_QUIT) {
        r.result = 1;
        record(r);
        return true;
    }
    std::optional<fs::path> found;
    if (!r.file.empty())
        if (auto host = to_host_path(r.file)) {
            std::error_code ec;
            fs::path f = find_case_insensitive(*host);
            if (fs::is_regular_file(f, ec)) found = f;
        }
    if (!found) {
        set_last_error(r.file.empty() ? ERROR_INVALID_PARAMETER : ERROR_FILE_NOT_FOUND,
                       r.file.empty() ? "no help file" : r.file + ": no such help file");
        r.result = 0;
        record(r);
        return false;
    }
    if (auto program = opener())
        if (hand_over(*program, found->string())) r.handed_to = "xdg-open";
    r.result = 1;
    record(r);
    return true;
}

std::vector<ShellRecord> recorded_shell_calls() {
    ShellState& s = state();
    std::lock_guard guard(s.lock);
    return s.records;
}

void clear_recorded_shell_calls() {
    ShellState& s = state();
    std::lock_guard guard(s.lock);
    s.records.clear();
}

}  // namespace platform
