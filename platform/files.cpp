// The host-independent half of files.h: wildcard matching and the parts of
// the temporary file name that do not touch the disk.
#include "platform/files.h"

#include <cstdio>

#include "platform/text.h"

namespace platform {
namespace {

// Plain '*' / '?' matching with folded case, iterative with one backtrack
// point, so that long names cannot make it explode.
bool glob_match(std::string_view pattern, std::string_view name) {
    size_t p = 0, n = 0;
    size_t star = std::string_view::npos, star_n = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || ascii_upper(pattern[p]) == ascii_upper(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            star_n = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++star_n;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace

bool wildcard_match(std::string_view pattern, std::string_view name) {
    // "*.*" is the old way of saying "everything" and matches names without
    // a dot as well; installers still use it.
    if (pattern == "*.*") return true;
    if (glob_match(pattern, name)) return true;
    // A pattern ending in "." matches names without an extension ("*." finds
    // "README"): the name is taken as if it ended in a dot.
    if (!pattern.empty() && pattern.back() == '.' && name.find('.') == std::string_view::npos)
        return glob_match(pattern, std::string(name) + ".");
    return false;
}

std::string temp_file_name_for(std::string_view prefix, std::uint32_t unique) {
    char number[8];
    std::snprintf(number, sizeof number, "%04X", static_cast<unsigned>(unique & 0xFFFFu));
    return std::string(prefix.substr(0, 3)) + number + ".TMP";
}

}  // namespace platform
