#include "platform/text.h"

namespace platform {

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (ascii_lower(a[i]) != ascii_lower(b[i])) return false;
    return true;
}

int icompare(std::string_view a, std::string_view b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(ascii_lower(a[i]));
        unsigned char y = static_cast<unsigned char>(ascii_lower(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string to_upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = ascii_upper(c);
    return out;
}

std::string to_lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = ascii_lower(c);
    return out;
}

static bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string_view trim_right(std::string_view s) {
    while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
    return trim_right(s);
}

std::vector<std::string> split(std::string_view s, char separator) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (true) {
        size_t at = s.find(separator, pos);
        out.emplace_back(s.substr(pos, at == std::string_view::npos ? s.npos : at - pos));
        if (at == std::string_view::npos) break;
        pos = at + 1;
    }
    return out;
}

}  // namespace platform
