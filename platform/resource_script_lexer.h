// The front half of the resource script reader: comments, the preprocessor
// lines a resource script uses (#define, #include, #if and friends) and the
// tokens of what remains, with defined names already replaced by their
// values. Internal to resource_script.cpp and its tests.
//
// A script is read as the resource compiler reads one: C comments, object-like
// #define values expanded wherever the name appears, #include "x.h" of a
// header (whose lines other than preprocessor lines are skipped, as the
// resource compiler skips C declarations), #include <x.h> ignored (the
// Windows names a script uses are built in, see builtin_symbol). Every token
// remembers the file and line it came from, so errors can name them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_error.h"

namespace platform::rc {

struct Token {
    enum class Kind { End, Identifier, Number, String, Punct };
    Kind kind = Kind::End;
    // Identifier and punctuation: their text. String: the source between the
    // quotes, escapes not applied (file names are taken from it).
    std::string text;
    std::uint32_t number = 0;   // Number
    bool is_long = false;       // Number written with an L suffix
    bool wide = false;          // String written L"..."
    // String: its characters after escapes, bytes for a narrow string, code
    // points for a wide one.
    std::vector<std::uint32_t> units;
    int file = 0;               // index into Lexed::files
    int line = 0;

    bool is(std::string_view punct) const { return kind == Kind::Punct && text == punct; }
    // An identifier with this name, letter case ignored (keywords).
    bool is_word(std::string_view word) const;
};

struct Lexed {
    std::vector<std::filesystem::path> files;  // [0] is the script itself
    std::vector<Token> tokens;                 // always ends with an End token
};

// Reads `text` as the script `file` (whose folder is where includes are found).
// Errors: ERROR_BAD_EXE_FORMAT with "<file> line <n>: <reason>".
Result<Lexed> lex_resource_script(const std::filesystem::path& file, std::string_view text);

// "<file> line <n>: <reason>" as an ERROR_BAD_EXE_FORMAT error.
Error script_error(const std::filesystem::path& file, int line, std::string_view reason);

// The value of a Windows name a script may use without defining it: window,
// dialog and control styles (WS_CHILD, DS_MODALFRAME, BS_PUSHBUTTON, SS_ICON,
// ES_AUTOHSCROLL, PBS_SMOOTH, LVS_REPORT, TVS_HASLINES, ...), the standard
// dialog ids (IDOK, IDCANCEL, IDC_STATIC) and the version-information
// constants (VS_FF_*, VOS_*, VFT_*).
std::optional<std::uint32_t> builtin_symbol(std::string_view name);

// A string token's text as UTF-8: wide strings are converted from their code
// points; a narrow string is taken as UTF-8 when it is valid UTF-8 and as
// Latin-1 otherwise.
std::string token_text(const Token& string_token);
// A string token's bytes as a data block holds them: a narrow string's bytes,
// a wide string's UTF-16LE units. No terminator is added.
std::vector<std::uint8_t> token_bytes(const Token& string_token);

// An expression's value. `is_long` is set when a number in it was written with
// an L suffix (a 32-bit item of a data block).
struct Value {
    std::uint32_t value = 0;
    bool is_long = false;
};

// Names met in an expression: their value, or nothing for an unknown name.
using SymbolLookup = std::function<std::optional<std::uint32_t>(const Token&)>;

// Evaluates the C expression starting at tokens[pos] (numbers, names through
// `lookup`, parentheses, unary - + ~ !, binary * / % + - << >> < <= > >= ==
// != & ^ | && ||), 32-bit arithmetic that wraps. `stop_at_or` leaves a `|`
// at the top level unread (style lists, where NOT may follow a `|`).
// Advances `pos` past the expression.
Result<Value> evaluate_expression(const Lexed& lexed, std::size_t& pos, const SymbolLookup& lookup,
                                  bool stop_at_or = false);

}  // namespace platform::rc
