// The decoder works on one logical line at a time: a physical line, joined with
// the following ones while it is a value line ending in a backslash (the way
// regedit continues long hex lists). Every read goes through a string_view of
// the input, so nothing past the end is ever touched.
#include "platform/registry_hive.h"

#include <algorithm>
#include <cstdio>

#include "platform/text.h"

namespace platform::hive {
namespace {

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;

bool less_name(const Key& k, std::string_view n) { return icompare(k.name, n) < 0; }

// ---- decoding --------------------------------------------------------------

struct Fault {
    std::string reason;
};

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool starts_with_nocase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && iequals(s.substr(0, prefix.size()), prefix);
}

// Reads a quoted string starting at s[pos] == '"'; leaves pos after the
// closing quote. Returns a reason on failure, empty on success.
std::string read_quoted(std::string_view s, std::size_t& pos, std::string& out) {
    ++pos;
    while (true) {
        if (pos >= s.size()) return "unterminated string";
        char c = s[pos];
        if (c == '"') {
            ++pos;
            return {};
        }
        if (c == '\\') {
            if (pos + 1 >= s.size()) return "unterminated string";
            char n = s[pos + 1];
            if (n != '\\' && n != '"')
                return std::string("unknown escape \\") + n + " in string (write \\\\ for a backslash)";
            out += n;
            pos += 2;
            continue;
        }
        out += c;
        ++pos;
    }
}

// "01,02,ff" (spaces allowed around bytes, one trailing comma tolerated).
std::string read_hex_list(std::string_view s, std::vector<std::uint8_t>& out) {
    s = trim(s);
    if (s.empty()) return {};
    if (s.back() == ',') s.remove_suffix(1);
    std::size_t pos = 0;
    while (true) {
        std::size_t comma = s.find(',', pos);
        std::string_view piece = trim(s.substr(pos, comma == std::string_view::npos ? s.npos : comma - pos));
        if (piece.empty() || piece.size() > 2) return "bad hex byte \"" + std::string(piece) + "\"";
        int value = 0;
        for (char c : piece) {
            int d = hex_digit(c);
            if (d < 0) return "bad hex byte \"" + std::string(piece) + "\"";
            value = value * 16 + d;
        }
        out.push_back(static_cast<std::uint8_t>(value));
        if (comma == std::string_view::npos) return {};
        pos = comma + 1;
    }
}

std::string read_hex_number(std::string_view s, std::uint32_t& out) {
    if (s.empty() || s.size() > 8) return "bad number \"" + std::string(s) + "\"";
    out = 0;
    for (char c : s) {
        int d = hex_digit(c);
        if (d < 0) return "bad number \"" + std::string(s) + "\"";
        out = out * 16 + static_cast<std::uint32_t>(d);
    }
    return {};
}

std::string read_value_line(std::string_view s, ValueLine& v) {
    std::size_t pos = 0;
    if (s[0] == '@') {
        pos = 1;
    } else if (auto why = read_quoted(s, pos, v.name); !why.empty()) {
        return why + " in value name";
    }
    while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
    if (pos >= s.size() || s[pos] != '=') return "missing = after value name";
    std::string_view data = trim(s.substr(pos + 1));
    if (data == "-") {
        v.remove = true;
        return {};
    }
    if (!data.empty() && data[0] == '"') {
        std::size_t p = 0;
        std::string text;
        if (auto why = read_quoted(data, p, text); !why.empty()) return why;
        if (!trim(data.substr(p)).empty()) return "text after the closing quote";
        v.type = kRegSz;
        v.data.assign(text.begin(), text.end());
        v.data.push_back(0);
        return {};
    }
    if (starts_with_nocase(data, "dword:")) {
        std::uint32_t n = 0;
        if (auto why = read_hex_number(trim(data.substr(6)), n); !why.empty()) return why + " after dword:";
        v.type = kRegDword;
        for (int i = 0; i < 4; ++i) v.data.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
        return {};
    }
    if (starts_with_nocase(data, "hex:")) {
        v.type = kRegBinary;
        return read_hex_list(data.substr(4), v.data);
    }
    if (starts_with_nocase(data, "hex(")) {
        std::size_t close = data.find(')');
        if (close == std::string_view::npos || close + 1 >= data.size() || data[close + 1] != ':')
            return "hex( without ):";
        if (auto why = read_hex_number(data.substr(4, close - 4), v.type); !why.empty())
            return why + " as value type";
        return read_hex_list(data.substr(close + 2), v.data);
    }
    return "unknown value data \"" + std::string(data.substr(0, 20)) + "\"";
}

std::string read_section_line(std::string_view t, Section& section) {
    if (t.back() != ']') return "key line does not end with ]";
    std::string_view inner = t.substr(1, t.size() - 2);
    if (!inner.empty() && inner[0] == '-') {
        section.remove = true;
        inner.remove_prefix(1);
    }
    if (inner.empty()) return "empty key path";
    section.path = split(inner, '\\');
    if (section.path.back().empty()) section.path.pop_back();  // "[HKEY_X\Key\]"
    for (const auto& part : section.path)
        if (part.empty()) return "empty key name in \"" + std::string(inner) + "\"";
    return {};
}

}  // namespace

// ---- tree ------------------------------------------------------------------

Key* Key::find_subkey(std::string_view n) {
    auto it = std::lower_bound(subkeys.begin(), subkeys.end(), n, less_name);
    return it != subkeys.end() && iequals(it->name, n) ? &*it : nullptr;
}

const Key* Key::find_subkey(std::string_view n) const { return const_cast<Key*>(this)->find_subkey(n); }

Key& Key::add_subkey(std::string_view n, bool* created) {
    auto it = std::lower_bound(subkeys.begin(), subkeys.end(), n, less_name);
    bool fresh = it == subkeys.end() || !iequals(it->name, n);
    if (created) *created = fresh;
    if (!fresh) return *it;
    Key k;
    k.name = std::string(n);
    return *subkeys.insert(it, std::move(k));
}

bool Key::remove_subkey(std::string_view n) {
    auto it = std::lower_bound(subkeys.begin(), subkeys.end(), n, less_name);
    if (it == subkeys.end() || !iequals(it->name, n)) return false;
    subkeys.erase(it);
    return true;
}

Value* Key::find_value(std::string_view n) {
    for (auto& v : values)
        if (iequals(v.name, n)) return &v;
    return nullptr;
}

const Value* Key::find_value(std::string_view n) const { return const_cast<Key*>(this)->find_value(n); }

bool Key::set_value(std::string_view n, std::uint32_t type, std::vector<std::uint8_t> data) {
    if (Value* v = find_value(n)) {
        if (v->type == type && v->data == data) return false;
        v->type = type;
        v->data = std::move(data);
        return true;
    }
    values.push_back(Value{std::string(n), type, std::move(data)});
    return true;
}

bool Key::remove_value(std::string_view n) {
    auto it = std::find_if(values.begin(), values.end(), [&](const Value& v) { return iequals(v.name, n); });
    if (it == values.end()) return false;
    values.erase(it);
    return true;
}

// ---- decode ----------------------------------------------------------------

Result<Document> decode(std::string_view text, std::string_view source, WinError code) {
    Document doc;
    std::size_t pos = 0;
    std::size_t line_no = 0;
    bool have_header = false;
    auto fail = [&](std::size_t line, const std::string& reason) {
        return Error{code, std::string(source) + " line " + std::to_string(line) + ": " + reason};
    };
    auto next_physical = [&]() {
        std::size_t end = text.find('\n', pos);
        std::string_view l = text.substr(pos, (end == std::string_view::npos ? text.size() : end) - pos);
        pos = end == std::string_view::npos ? text.size() : end + 1;
        ++line_no;
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        return l;
    };
    if (text.substr(0, 3) == "\xEF\xBB\xBF") pos = 3;  // a byte-order mark left by an editor

    while (pos < text.size()) {
        std::string_view t = trim(next_physical());
        std::size_t start = line_no;
        if (t.empty() || t[0] == ';') continue;
        if (!have_header) {
            if (t != kHeader && t != kHeader5) return fail(start, "missing REGEDIT4 header");
            have_header = true;
            continue;
        }
        if (t[0] == '[') {
            Section section;
            section.line = start;
            if (auto why = read_section_line(t, section); !why.empty()) return fail(start, why);
            doc.sections.push_back(std::move(section));
            continue;
        }
        if (t[0] == '"' || t[0] == '@') {
            std::string joined;
            std::string_view logical = t;
            while (!logical.empty() && logical.back() == '\\' && pos < text.size()) {
                if (joined.empty()) joined = std::string(logical);
                joined.pop_back();
                joined += trim(next_physical());
                logical = joined;
            }
            if (doc.sections.empty()) return fail(start, "value line outside a key");
            if (doc.sections.back().remove) return fail(start, "value line under a deleted key");
            ValueLine v;
            if (auto why = read_value_line(logical, v); !why.empty()) return fail(start, why);
            doc.sections.back().values.push_back(std::move(v));
            continue;
        }
        return fail(start, "unrecognised line \"" + std::string(t.substr(0, 40)) + "\"");
    }
    if (!have_header) return fail(line_no == 0 ? 1 : line_no, "missing REGEDIT4 header");
    return doc;
}

// ---- encode ----------------------------------------------------------------

namespace {

void append_quoted(std::string& out, std::string_view s) {
    out += '"';
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
}

// A REG_SZ can be written as "text" only when that reads back as the same
// bytes: one terminating zero, no other zero, nothing that would end the line.
bool plain_string(const Value& v) {
    if (v.type != kRegSz || v.data.empty() || v.data.back() != 0) return false;
    return std::none_of(v.data.begin(), v.data.end() - 1,
                        [](std::uint8_t b) { return b == 0 || b == '\r' || b == '\n'; });
}

void append_value(std::string& out, const Value& v) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::size_t line_start = out.size();
    if (v.name.empty())
        out += '@';
    else
        append_quoted(out, v.name);
    out += '=';
    if (plain_string(v)) {
        append_quoted(out, std::string_view(reinterpret_cast<const char*>(v.data.data()), v.data.size() - 1));
    } else if (v.type == kRegDword && v.data.size() == 4) {
        std::uint32_t n = 0;
        for (int i = 3; i >= 0; --i) n = (n << 8) | v.data[static_cast<std::size_t>(i)];
        out += "dword:";
        for (int shift = 28; shift >= 0; shift -= 4) out += kDigits[(n >> shift) & 15];
    } else {
        if (v.type == kRegBinary) {
            out += "hex:";
        } else {
            char type[16];
            std::snprintf(type, sizeof type, "hex(%x):", v.type);
            out += type;
        }
        // regedit keeps lines within 80 columns, continuing with "\" and two spaces.
        std::size_t column = out.size() - line_start;
        for (std::size_t i = 0; i < v.data.size(); ++i) {
            out += kDigits[v.data[i] >> 4];
            out += kDigits[v.data[i] & 15];
            column += 2;
            if (i + 1 < v.data.size()) {
                out += ',';
                ++column;
                if (column > 76) {
                    out += "\\\r\n  ";
                    column = 2;
                }
            }
        }
    }
    out += "\r\n";
}

void append_key(std::string& out, const Key& key, std::string& path) {
    out += "\r\n[";
    out += path;
    out += "]\r\n";
    for (const Value& v : key.values) append_value(out, v);
    for (const Key& sub : key.subkeys) {
        std::size_t keep = path.size();
        path += '\\';
        path += sub.name;
        append_key(out, sub, path);
        path.resize(keep);
    }
}

}  // namespace

std::string encode(const Key& key, std::string_view full_path) {
    std::string out(kHeader);
    out += "\r\n";
    std::string path(full_path);
    append_key(out, key, path);
    out += "\r\n";
    return out;
}

}  // namespace platform::hive
