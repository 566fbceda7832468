// twreg: the registry of a machine root, for people (in the manner of reg.exe).
//
// Works on the computer named by TWPRINTER_ROOT (or the default root). Exit
// codes: 0 done, 1 the operation failed (why on stderr), 2 the command line
// was wrong (with a short usage hint).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "platform/machine_root.h"
#include "platform/registry.h"
#include "platform/text.h"

namespace {

using namespace platform;

constexpr const char* kUsage =
    "Usage:\n"
    "  twreg query  KEY [/v NAME | /ve] [/s]\n"
    "  twreg add    KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/s SEPARATOR] [/f]\n"
    "  twreg delete KEY [/v NAME | /ve | /va] [/f]\n"
    "  twreg import FILE\n"
    "  twreg export KEY [FILE] [/y]\n"
    "  twreg --help\n";

constexpr const char* kHelp =
    "\n"
    "KEY is ROOT[\\SUBKEY...], ROOT being HKEY_LOCAL_MACHINE (HKLM) or HKEY_CURRENT_USER (HKCU).\n"
    "Options may start with / or -; letter case does not matter.\n"
    "  /v NAME   the value NAME          /ve  the default (unnamed) value\n"
    "  /va       every value of the key  /s   query: the whole subtree\n"
    "  /t TYPE   REG_SZ (default), REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_BINARY\n"
    "  /d DATA   the data: text; a number for REG_DWORD (decimal or 0x..); hex digits\n"
    "            for REG_BINARY; strings separated by \\0 (or by /s SEPARATOR) for\n"
    "            REG_MULTI_SZ\n"
    "  /f, /y    accepted for reg.exe habits; twreg never asks\n"
    "delete without /v, /ve or /va deletes the key with all its subkeys.\n"
    "export writes the key and its subtree as a REGEDIT4 file, to standard output\n"
    "without FILE. The machine root is $TWPRINTER_ROOT or the default root.\n";

struct UsageError {
    std::string what;
};

struct Command {
    std::string verb;
    std::vector<std::string> positional;
    std::optional<std::string> value_name;  // set by /v or /ve ("")
    bool all_values = false;                // /va
    bool recursive = false;                 // query /s
    std::optional<std::string> type, data, separator;
};

bool is_option(const std::string& arg, const char* name) {
    return arg.size() >= 2 && (arg[0] == '/' || arg[0] == '-') && iequals(std::string_view(arg).substr(1), name);
}

Command parse_command(const std::vector<std::string>& args) {
    Command c;
    c.verb = to_lower(args[0]);
    auto take = [&](std::size_t& i) -> std::string {
        if (i + 1 >= args.size()) throw UsageError{args[i] + " needs a value"};
        return args[++i];
    };
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto set_name = [&](std::string name) {
            if (c.value_name || c.all_values) throw UsageError{"give only one of /v, /ve and /va"};
            c.value_name = std::move(name);
        };
        if (is_option(a, "v")) {
            set_name(take(i));
        } else if (is_option(a, "ve")) {
            set_name("");
        } else if (is_option(a, "va")) {
            if (c.value_name) throw UsageError{"give only one of /v, /ve and /va"};
            c.all_values = true;
        } else if (is_option(a, "t")) {
            c.type = take(i);
        } else if (is_option(a, "d")) {
            c.data = take(i);
        } else if (is_option(a, "s")) {
            if (c.verb == "add")
                c.separator = take(i);
            else
                c.recursive = true;
        } else if (is_option(a, "f") || is_option(a, "y")) {
            // reg.exe would ask before overwriting; twreg never asks.
        } else if (a.size() >= 2 && a[0] == '-') {
            // Unknown words after '/' are taken as file names: this is a POSIX system.
            throw UsageError{"unknown option " + a};
        } else {
            c.positional.push_back(a);
        }
    }
    return c;
}

struct KeyName {
    RootKey root;
    std::string path;  // below the root
};

KeyName parse_key(const std::string& text) {
    std::size_t slash = text.find('\\');
    auto root = parse_root_name(std::string_view(text).substr(0, slash));
    if (!root) throw UsageError{"unknown root key in " + text + " (use HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER)"};
    return KeyName{*root, slash == std::string::npos ? std::string() : text.substr(slash + 1)};
}

[[noreturn]] void failed(const Error& e) {
    std::cerr << "twreg: " << e.describe() << "\n";
    std::exit(1);
}

template <class T>
T must(Result<T> r) {
    if (!r) failed(r.error());
    return std::move(r).value();
}

void must(const Status& s) {
    if (!s) failed(s.error());
}

std::string type_name(std::uint32_t type) {
    static const char* const kNames[] = {"REG_NONE", "REG_SZ", "REG_EXPAND_SZ", "REG_BINARY",
                                         "REG_DWORD", "REG_DWORD_BIG_ENDIAN", "REG_LINK", "REG_MULTI_SZ",
                                         "REG_RESOURCE_LIST", "REG_FULL_RESOURCE_DESCRIPTOR",
                                         "REG_RESOURCE_REQUIREMENTS_LIST", "REG_QWORD"};
    if (type < std::size(kNames)) return kNames[type];
    return "REG_TYPE_" + std::to_string(type);
}

std::optional<std::uint32_t> type_from_name(const std::string& name) {
    for (std::uint32_t t : {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_BINARY})
        if (iequals(name, type_name(t))) return t;
    return std::nullopt;
}

std::string show_data(const RegValue& v) {
    std::string out;
    char buf[16];
    switch (v.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        for (auto b : v.data) {
            if (b == 0) break;
            out += static_cast<char>(b);
        }
        return out;
    case REG_DWORD:
        if (v.data.size() == 4) {
            std::uint32_t n = v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) |
                              (static_cast<std::uint32_t>(v.data[3]) << 24);
            std::snprintf(buf, sizeof buf, "0x%x", n);
            return buf;
        }
        break;
    case REG_MULTI_SZ: {
        // reg.exe shows the strings joined by a literal \0.
        std::string current;
        bool first = true;
        for (std::size_t i = 0; i < v.data.size(); ++i) {
            if (v.data[i] != 0) {
                current += static_cast<char>(v.data[i]);
                continue;
            }
            if (current.empty()) break;
            if (!first) out += "\\0";
            out += current;
            current.clear();
            first = false;
        }
        if (!current.empty()) out += (first ? "" : "\\0") + current;
        return out;
    }
    default:
        break;
    }
    for (auto b : v.data) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        out += buf;
    }
    return out;
}

void print_value(const RegValue& v) {
    std::cout << "    " << (v.name.empty() ? "(Default)" : v.name) << "    " << type_name(v.type) << "    "
              << show_data(v) << "\n";
}

std::vector<RegValue> all_values(const RegKey& key) {
    std::vector<RegValue> out;
    for (std::uint32_t i = 0;; ++i) {
        auto v = key.enum_value(i);
        if (!v) {
            if (v.error().code == ERROR_NO_MORE_ITEMS) return out;
            failed(v.error());
        }
        out.push_back(std::move(v).value());
    }
}

std::vector<std::string> all_subkeys(const RegKey& key) {
    std::vector<std::string> out;
    for (std::uint32_t i = 0;; ++i) {
        auto k = key.enum_key(i);
        if (!k) {
            if (k.error().code == ERROR_NO_MORE_ITEMS) return out;
            failed(k.error());
        }
        out.push_back(std::move(k).value());
    }
}

// Prints a key with its values (all, or the one named) and its subtree.
void query_tree(const RegKey& key, const std::optional<std::string>& name, int& matches) {
    std::vector<RegValue> shown;
    for (auto& v : all_values(key))
        if (!name || iequals(v.name, *name)) shown.push_back(std::move(v));
    if (!name || !shown.empty()) {
        std::cout << "\n" << key.path() << "\n";
        for (const auto& v : shown) print_value(v);
        matches += name ? static_cast<int>(shown.size()) : 1;
    }
    for (const auto& sub : all_subkeys(key)) query_tree(must(key.open(sub)), name, matches);
}

int run_query(const Command& c) {
    if (c.positional.size() != 1) throw UsageError{"query takes one KEY"};
    KeyName k = parse_key(c.positional[0]);
    RegKey key = must(RegKey::open(k.root, k.path));
    if (c.recursive) {
        int matches = 0;
        query_tree(key, c.value_name, matches);
        std::cout << "\nEnd of search: " << matches << " match(es) found.\n";
        return 0;
    }
    if (c.value_name) {
        RegValue v = must(key.query_value(*c.value_name));
        std::cout << "\n" << key.path() << "\n";
        print_value(v);
        std::cout << "\n";
        return 0;
    }
    std::cout << "\n" << key.path() << "\n";
    for (const auto& v : all_values(key)) print_value(v);
    auto subkeys = all_subkeys(key);
    std::cout << "\n";
    for (const auto& s : subkeys) std::cout << key.path() << "\\" << s << "\n";
    return 0;
}

std::uint32_t parse_dword(const std::string& text) {
    std::string_view s = trim(text);
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty()) throw UsageError{"REG_DWORD data must be a number, not \"" + text + "\""};
    unsigned long long n = 0;
    for (char ch : s) {
        int d = (ch >= '0' && ch <= '9') ? ch - '0'
                : (base == 16 && ch >= 'a' && ch <= 'f') ? ch - 'a' + 10
                : (base == 16 && ch >= 'A' && ch <= 'F') ? ch - 'A' + 10
                                                          : -1;
        if (d < 0) throw UsageError{"REG_DWORD data must be a number, not \"" + text + "\""};
        n = n * static_cast<unsigned>(base) + static_cast<unsigned>(d);
        if (n > 0xFFFFFFFFull) throw UsageError{"REG_DWORD data " + text + " does not fit in 32 bits"};
    }
    return static_cast<std::uint32_t>(n);
}

std::vector<std::uint8_t> parse_binary(const std::string& text) {
    std::vector<std::uint8_t> out;
    if (text.size() % 2 != 0) throw UsageError{"REG_BINARY data needs an even number of hex digits"};
    for (std::size_t i = 0; i < text.size(); i += 2) {
        auto digit = [&](char ch) {
            if (ch >= '0' && ch <= '9') return ch - '0';
            if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
            if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
            throw UsageError{"REG_BINARY data must be hex digits, not \"" + text + "\""};
        };
        out.push_back(static_cast<std::uint8_t>(digit(text[i]) * 16 + digit(text[i + 1])));
    }
    return out;
}

std::vector<std::string> parse_multi(const std::string& text, const std::optional<std::string>& separator) {
    std::vector<std::string> out;
    if (text.empty()) return out;
    std::string sep = separator ? *separator : "\\0";
    if (sep.empty()) throw UsageError{"/s needs a separator"};
    std::size_t pos = 0;
    while (true) {
        std::size_t at = text.find(sep, pos);
        out.push_back(text.substr(pos, at == std::string::npos ? std::string::npos : at - pos));
        if (at == std::string::npos) break;
        pos = at + sep.size();
    }
    if (!out.empty() && out.back().empty()) out.pop_back();  // "a\0b\0" ends with the separator
    for (const auto& s : out)
        if (s.empty()) throw UsageError{"REG_MULTI_SZ data cannot hold an empty string"};
    return out;
}

int run_add(const Command& c) {
    if (c.positional.size() != 1) throw UsageError{"add takes one KEY"};
    if (c.all_values) throw UsageError{"add does not take /va"};
    KeyName k = parse_key(c.positional[0]);
    std::uint32_t type = REG_SZ;
    if (c.type) {
        auto t = type_from_name(*c.type);
        if (!t) throw UsageError{"unknown type " + *c.type};
        type = *t;
    }
    if (!c.value_name && (c.type || c.data)) throw UsageError{"/t and /d need /v NAME or /ve"};
    if (c.separator && type != REG_MULTI_SZ) throw UsageError{"/s SEPARATOR is for REG_MULTI_SZ"};
    std::string data = c.data.value_or("");
    // Check the data before touching the registry, so a bad command changes nothing.
    std::optional<std::uint32_t> dword;
    std::vector<std::uint8_t> binary;
    std::vector<std::string> multi;
    if (c.value_name) {
        if (type == REG_DWORD) dword = parse_dword(data.empty() ? "0" : data);
        if (type == REG_BINARY) binary = parse_binary(data);
        if (type == REG_MULTI_SZ) multi = parse_multi(data, c.separator);
    }
    RegKey key = must(RegKey::create(k.root, k.path)).key;
    if (c.value_name) {
        const std::string& name = *c.value_name;
        switch (type) {
        case REG_DWORD: must(key.set_dword(name, *dword)); break;
        case REG_BINARY: must(key.set_value(name, REG_BINARY, binary)); break;
        case REG_MULTI_SZ: must(key.set_multi_string(name, multi)); break;
        default: must(key.set_string(name, data, type)); break;
        }
    }
    std::cout << "The operation completed successfully.\n";
    return 0;
}

int run_delete(const Command& c) {
    if (c.positional.size() != 1) throw UsageError{"delete takes one KEY"};
    KeyName k = parse_key(c.positional[0]);
    if (c.value_name) {
        RegKey key = must(RegKey::open(k.root, k.path));
        must(key.delete_value(*c.value_name));
    } else if (c.all_values) {
        RegKey key = must(RegKey::open(k.root, k.path));
        for (const auto& v : all_values(key)) must(key.delete_value(v.name));
    } else {
        if (trim(k.path).empty() || k.path == "\\") {
            std::cerr << "twreg: a root key cannot be deleted\n";
            return 1;
        }
        must(RegKey::root(k.root).delete_tree(k.path));
    }
    std::cout << "The operation completed successfully.\n";
    return 0;
}

int run_import(const Command& c) {
    if (c.positional.size() != 1) throw UsageError{"import takes one FILE"};
    must(import_reg_file(c.positional[0]));
    std::cout << "The operation completed successfully.\n";
    return 0;
}

int run_export(const Command& c) {
    if (c.positional.empty() || c.positional.size() > 2) throw UsageError{"export takes KEY and an optional FILE"};
    KeyName k = parse_key(c.positional[0]);
    RegKey key = must(RegKey::open(k.root, k.path));
    std::string text = must(key.export_text());
    if (c.positional.size() == 1) {
        std::cout << text;
        return 0;
    }
    std::ofstream out(c.positional[1], std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::cerr << "twreg: cannot write " << c.positional[1] << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << kUsage;
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "/?" || iequals(args[0], "help")) {
        std::cout << kUsage << kHelp;
        return 0;
    }
    try {
        Command c = parse_command(args);
        int (*run)(const Command&) = c.verb == "query"    ? run_query
                                     : c.verb == "add"    ? run_add
                                     : c.verb == "delete" ? run_delete
                                     : c.verb == "import" ? run_import
                                     : c.verb == "export" ? run_export
                                                          : nullptr;
        if (!run) throw UsageError{"unknown command " + args[0]};
        if (auto root = ensure_machine_root(); !root) failed(root.error());
        return run(c);
    } catch (const UsageError& e) {
        std::cerr << "twreg: " << e.what << "\n" << kUsage;
        return 2;
    }
}
