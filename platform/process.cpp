// The host-independent half of process.h: command-line splitting and
// quoting, and finding the program a command line names.
#include "platform/process.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/paths.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

Error fail(Error error) {
    error.make_last();
    return error;
}

bool ends_with_exe(std::string_view name) {
    return name.size() > 4 && iequals(name.substr(name.size() - 4), ".exe");
}

std::optional<fs::path> runnable_in(const fs::path& folder, std::string_view name) {
    fs::path candidate = find_case_insensitive(folder / std::string(name));
    std::error_code ec;
    if (fs::is_regular_file(candidate, ec) && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    return std::nullopt;
}

}  // namespace

std::vector<std::string> split_command_line(std::string_view line) {
    std::vector<std::string> args;
    size_t i = 0;
    const size_t n = line.size();
    while (i < n && is_blank(line[i])) ++i;
    if (i == n) return args;

    // The program: quotes delimit it, backslashes mean nothing.
    std::string program;
    if (line[i] == '"') {
        ++i;
        while (i < n && line[i] != '"') program += line[i++];
        if (i < n) ++i;
    } else {
        while (i < n && !is_blank(line[i])) program += line[i++];
    }
    args.push_back(std::move(program));

    while (true) {
        while (i < n && is_blank(line[i])) ++i;
        if (i == n) break;
        std::string arg;
        bool quoted = false;
        while (i < n && (quoted || !is_blank(line[i]))) {
            char c = line[i];
            if (c == '\\') {
                size_t count = 0;
                while (i < n && line[i] == '\\') {
                    ++count;
                    ++i;
                }
                if (i < n && line[i] == '"') {
                    arg.append(count / 2, '\\');
                    if (count % 2 == 1) {
                        arg += '"';
                        ++i;
                    }
                } else {
                    arg.append(count, '\\');
                }
            } else if (c == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    arg += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg += c;
                ++i;
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::string join_command_line(std::span<const std::string> arguments) {
    std::string line;
    for (size_t k = 0; k < arguments.size(); ++k) {
        const std::string& arg = arguments[k];
        if (k > 0) line += ' ';
        bool needs_quotes = arg.empty() || arg.find_first_of(" \t\"") != std::string::npos;
        if (k == 0) {
            if (needs_quotes) line += '"' + arg + '"';
            else line += arg;
            continue;
        }
        if (!needs_quotes) {
            line += arg;
            continue;
        }
        line += '"';
        size_t backslashes = 0;
        for (char c : arg) {
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            // Backslashes before a quote are doubled, and the quote escaped.
            line.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
            backslashes = 0;
            line += c;
        }
        // Backslashes before the closing quote are doubled too.
        line.append(backslashes * 2, '\\');
        line += '"';
    }
    return line;
}

Result<std::string> find_program(std::string_view program) {
    if (program.empty()) return fail(Error{ERROR_INVALID_PARAMETER, "no program named"});
    auto cut = program.find_last_of("\\/");
    std::string_view name = cut == std::string_view::npos ? program : program.substr(cut + 1);
    std::vector<std::string_view> names{name};
    if (ends_with_exe(name)) names.push_back(name.substr(0, name.size() - 4));

    std::vector<fs::path> folders;
    if (cut != std::string_view::npos) {
        auto folder = to_host_path(program.substr(0, cut + 1));
        if (!folder) return fail(folder.error());
        std::error_code ec;
        if (!fs::is_directory(*folder, ec))
            return fail(Error{ERROR_PATH_NOT_FOUND, "no folder " + std::string(program.substr(0, cut + 1))});
        folders.push_back(*folder);
    } else {
        std::error_code ec;
        folders.push_back(fs::read_symlink("/proc/self/exe", ec).parent_path());
        folders.push_back(fs::current_path(ec));
        if (auto sys = system_directory_host_path()) folders.push_back(*sys);
        if (auto win = windows_directory_host_path()) folders.push_back(*win);
        if (const char* path = std::getenv("PATH"))
            for (const auto& folder : split(path, ':'))
                if (!folder.empty()) folders.push_back(folder);
    }
    for (const auto& folder : folders)
        for (auto candidate : names)
            if (auto found = runnable_in(folder, candidate)) return found->string();
    return fail(Error{ERROR_FILE_NOT_FOUND, "no program " + std::string(program)});
}

}  // namespace platform
