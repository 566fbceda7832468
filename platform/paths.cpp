#include "platform/paths.h"

#include <unistd.h>

#include <cctype>
#include <system_error>
#include <vector>

#include "platform/machine_root.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace platform {
namespace {

bool is_separator(char c) { return c == '\\' || c == '/'; }

// Splits the part after the drive into components, resolving "." and "..".
std::vector<std::string> components(std::string_view rest) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos <= rest.size()) {
        size_t end = pos;
        while (end < rest.size() && !is_separator(rest[end])) ++end;
        std::string_view c = rest.substr(pos, end - pos);
        if (c == "..") {
            if (!out.empty()) out.pop_back();
        } else if (!c.empty() && c != ".") {
            out.emplace_back(c);
        }
        pos = end + 1;
    }
    return out;
}

fs::path drive_folder(const MachineFacts& facts, char letter) {
    auto it = facts.drives.find(ascii_upper(letter));
    if (it == facts.drives.end()) return {};
    if (it->second.is_absolute()) return it->second;
    return machine_root_path() / it->second;
}

}  // namespace

fs::path find_case_insensitive(const fs::path& host_path) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(host_path, ec))) return host_path;
    fs::path result = host_path.root_path();
    bool searching = true;
    for (const auto& part : host_path.relative_path()) {
        fs::path candidate = result / part;
        if (searching && !fs::exists(fs::symlink_status(candidate, ec))) {
            bool found = false;
            for (fs::directory_iterator it(result, ec), end; !ec && it != end; it.increment(ec)) {
                if (iequals(it->path().filename().string(), part.string())) {
                    candidate = it->path();
                    found = true;
                    break;
                }
            }
            if (!found) searching = false;
        }
        result = std::move(candidate);
    }
    return result;
}

Result<fs::path> to_host_path(std::string_view path) {
    if (!path.empty() && path.front() == '/' && !(path.size() > 1 && path[1] == '/'))
        return find_case_insensitive(fs::path(std::string(path)));
    if (path.size() >= 2 && is_separator(path[0]) && is_separator(path[1]))
        return Error{ERROR_BAD_PATHNAME, "no host file for the network path " + std::string(path)};

    char drive = 0;
    std::string_view rest = path;
    bool absolute = false;
    if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
        drive = path[0];
        rest = path.substr(2);
        absolute = true;  // "C:x" is taken from the root of C:, as we keep no per-drive directory
    } else if (!path.empty() && is_separator(path[0])) {
        drive = 'C';
        absolute = true;
    }

    fs::path base;
    if (absolute) {
        auto facts = machine_facts();
        if (!facts) return facts.error();
        base = drive_folder(*facts, drive);
        if (base.empty())
            return Error{ERROR_PATH_NOT_FOUND, std::string("drive ") + ascii_upper(drive) + ": is not mapped"};
    } else {
        std::error_code ec;
        base = fs::current_path(ec);
    }
    for (auto& c : components(rest)) base /= c;
    return find_case_insensitive(base);
}

std::string to_windows_path(const fs::path& host_path) {
    fs::path abs = fs::absolute(host_path).lexically_normal();
    auto facts = machine_facts();
    char best_letter = 0;
    fs::path best_rel;
    size_t best_len = 0;
    if (facts) {
        for (const auto& [letter, folder_raw] : facts->drives) {
            fs::path folder = drive_folder(*facts, letter).lexically_normal();
            std::string f = folder.string();
            while (f.size() > 1 && f.back() == '/') f.pop_back();
            std::string a = abs.string();
            bool inside = a == f || (a.size() > f.size() && a.compare(0, f.size(), f) == 0 &&
                                     (f == "/" || a[f.size()] == '/'));
            if (inside && f.size() >= best_len) {
                best_len = f.size();
                best_letter = letter;
                best_rel = f == "/" ? fs::path(a.substr(1)) : fs::path(a.substr(std::min(a.size(), f.size() + 1)));
            }
        }
    }
    if (best_letter == 0) return abs.string();
    std::string out;
    out += best_letter;
    out += ":\\";
    std::string rel = best_rel.string();
    for (char& c : rel)
        if (c == '/') c = '\\';
    out += rel;
    return out;
}

Result<fs::path> windows_directory_host_path() {
    auto facts = machine_facts();
    if (!facts) return facts.error();
    return to_host_path(facts->windows_directory);
}

Result<fs::path> system_directory_host_path() {
    auto facts = machine_facts();
    if (!facts) return facts.error();
    return to_host_path(facts->system_directory);
}

Result<fs::path> temp_directory_host_path() {
    auto facts = machine_facts();
    if (!facts) return facts.error();
    return to_host_path(facts->temp_directory);
}

}  // namespace platform
