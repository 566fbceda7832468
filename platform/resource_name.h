// How a resource is named: by a 16-bit number or by a name, as Windows'
// MAKEINTRESOURCE values and name strings do; and the numbers of the standard
// resource types.
//
// Mirrors Windows: a name compares without regard to letter case (kept in
// upper case, as the resource compiler and FindResource both upper-case it);
// the string "#123" names the number 123. Differs: no pointer tricks — a
// ResourceName says which of the two it is.
#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

class ResourceName {
public:
    ResourceName() = default;  // no name (a null LPCSTR)
    // NOLINTNEXTLINE(google-explicit-constructor): ids are written as plain numbers
    // A number outside 0..65535 names no resource (it is not cut to 16 bits).
    ResourceName(int id) : kind_(Kind::Id), id_(static_cast<std::uint32_t>(id)) {}
    // A name, or "#123" for the number 123.
    ResourceName(std::string_view name);
    ResourceName(const char* name) : ResourceName(std::string_view(name ? name : "")) {}
    ResourceName(const std::string& name) : ResourceName(std::string_view(name)) {}

    bool empty() const { return kind_ == Kind::None; }
    bool is_id() const { return kind_ == Kind::Id; }
    bool is_name() const { return kind_ == Kind::Name; }
    std::uint32_t id() const { return id_; }
    const std::string& name() const { return name_; }  // upper case
    // "#123" for a number, the name otherwise (empty for none).
    std::string to_string() const;

    friend bool operator==(const ResourceName&, const ResourceName&) = default;
    friend std::strong_ordering operator<=>(const ResourceName&, const ResourceName&) = default;

private:
    enum class Kind { None, Id, Name };
    Kind kind_ = Kind::None;
    std::uint32_t id_ = 0;
    std::string name_;
};

// Resource types, the Windows numbers.
inline constexpr int RT_CURSOR = 1;
inline constexpr int RT_BITMAP = 2;
inline constexpr int RT_ICON = 3;
inline constexpr int RT_MENU = 4;
inline constexpr int RT_DIALOG = 5;
inline constexpr int RT_STRING = 6;
inline constexpr int RT_ACCELERATOR = 9;
inline constexpr int RT_RCDATA = 10;
inline constexpr int RT_GROUP_CURSOR = 12;
inline constexpr int RT_GROUP_ICON = 14;
inline constexpr int RT_VERSION = 16;
inline constexpr int RT_HTML = 23;
// WAVE sounds have no number: their type is the name "WAVE".
inline constexpr const char* RT_WAVE = "WAVE";

}  // namespace platform
