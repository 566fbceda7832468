// The text form of registry keys: the regedit export format.
//
// One format serves the hive files of a machine root, `twreg import` and
// `twreg export`, so that a person can read and edit every one of them:
//
//   REGEDIT4                                   (or "Windows Registry Editor Version 5.00")
//
//   [HKEY_LOCAL_MACHINE\Software\Maker]        a key, by its full path
//   @="default value"                          the unnamed value
//   "Name"="C:\\Path with \"quotes\""          REG_SZ; \\ and \" are the only escapes
//   "Count"=dword:0000000a                     REG_DWORD
//   "Blob"=hex:01,02,ff                        REG_BINARY
//   "Path"=hex(2):25,00                        REG_EXPAND_SZ, bytes incl. the zero
//   "List"=hex(7):61,00,62,00,00               REG_MULTI_SZ
//   "Other"=hex(b):01,00,00,00,00,00,00,00     any other type, number in hex
//   "Gone"=-                                   deletes a value (import)
//   [-HKEY_LOCAL_MACHINE\Software\Old]         deletes a key and its subtree (import)
//
// Lines end in CRLF when written and in CRLF or LF when read; blank lines and
// lines starting with ';' are ignored; a hex list may continue on the next line
// after a trailing backslash. Bytes are ANSI and pass through unchanged.
//
// decode() looks at nothing outside the text it is given and reports the first
// fault with its line number; it never throws. Both functions are pure, so any
// thread may call them and a fuzzer can drive decode() directly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_error.h"

namespace platform::hive {

inline constexpr std::string_view kHeader = "REGEDIT4";
inline constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

struct Value {
    std::string name;  // empty for the default value
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

// A key and everything below it, as kept in memory.
struct Key {
    std::string name;           // as first written
    std::vector<Value> values;  // in the order first written
    std::vector<Key> subkeys;   // sorted by name, letter case ignored

    Key* find_subkey(std::string_view n);
    const Key* find_subkey(std::string_view n) const;
    // The subkey named `n`, added in its sorted place when missing.
    Key& add_subkey(std::string_view n, bool* created = nullptr);
    bool remove_subkey(std::string_view n);

    Value* find_value(std::string_view n);
    const Value* find_value(std::string_view n) const;
    // Sets a value; a new name goes last, an existing one keeps its place and
    // spelling. Returns false when the value already held exactly this.
    bool set_value(std::string_view n, std::uint32_t type, std::vector<std::uint8_t> data);
    bool remove_value(std::string_view n);
};

// One value line of a .reg file.
struct ValueLine {
    std::string name;
    bool remove = false;  // "name"=-
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

// One [KEY] section: the full path split at backslashes, the first element
// being the root key's name as written.
struct Section {
    std::vector<std::string> path;
    bool remove = false;  // [-KEY]
    std::size_t line = 0;
    std::vector<ValueLine> values;
};

struct Document {
    std::vector<Section> sections;
};

// Parses .reg text. On failure the error carries `code` and the text
// "<source> line <n>: <reason>".
Result<Document> decode(std::string_view text, std::string_view source, WinError code);

// The text of `key` and its subtree as a complete .reg file; `full_path` is
// the key's path including its root ("HKEY_LOCAL_MACHINE\Software").
std::string encode(const Key& key, std::string_view full_path);

}  // namespace platform::hive
