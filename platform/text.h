// Small text helpers with the Windows notion of letter case: names compare by
// ASCII case folding only, as the registry, profile files and file names of
// the system expect.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
inline char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

bool iequals(std::string_view a, std::string_view b);
// Three-way comparison ignoring letter case (negative, 0, positive).
int icompare(std::string_view a, std::string_view b);
std::string to_upper(std::string_view s);
std::string to_lower(std::string_view s);

std::string_view trim(std::string_view s);
std::string_view trim_right(std::string_view s);

// Splits at each separator; empty pieces are kept.
std::vector<std::string> split(std::string_view s, char separator);

}  // namespace platform
