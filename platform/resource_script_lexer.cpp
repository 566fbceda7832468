// The preprocessor works a line at a time, as a C preprocessor does: comments
// become blanks first (keeping line breaks, so line numbers stay right), then
// each line is a directive or a line of tokens. Macro values are kept as
// tokens and expanded at each use, with a guard against a name that expands
// to itself.
#include "platform/resource_script_lexer.h"

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "platform/paths.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace platform::rc {

bool Token::is_word(std::string_view word) const { return kind == Kind::Identifier && iequals(text, word); }

Error script_error(const fs::path& file, int line, std::string_view reason) {
    return Error{ERROR_BAD_EXE_FORMAT, file.string() + " line " + std::to_string(line) + ": " + std::string(reason)};
}

namespace {

constexpr int kMaxIncludeDepth = 16;
constexpr int kMaxExpansionDepth = 64;

bool is_ident_start(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool is_ident_char(char c) { return is_ident_start(c) || (c >= '0' && c <= '9'); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void append_utf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at s[i]; an invalid byte stands for itself
// (Latin-1). Advances i.
std::uint32_t next_code_point(std::string_view s, std::size_t& i) {
    auto b = static_cast<unsigned char>(s[i]);
    int extra = (b >= 0xC2 && b < 0xE0) ? 1 : (b >= 0xE0 && b < 0xF0) ? 2 : (b >= 0xF0 && b < 0xF5) ? 3 : 0;
    if (extra == 0 || i + static_cast<std::size_t>(extra) >= s.size()) {
        ++i;
        return b;
    }
    std::uint32_t cp = b & (0x3Fu >> extra);
    for (int k = 1; k <= extra; ++k) {
        auto c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((c & 0xC0) != 0x80) {
            ++i;
            return b;
        }
        cp = (cp << 6) | (c & 0x3Fu);
    }
    i += static_cast<std::size_t>(extra) + 1;
    return cp;
}

std::string utf16le_to_utf8(std::string_view b) {
    std::string out;
    auto unit = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(b[i]) | (static_cast<unsigned char>(b[i + 1]) << 8));
    };
    for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
        std::uint32_t u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < b.size()) {
            std::uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        append_utf8(out, u);
    }
    return out;
}

bool valid_utf8(const std::vector<std::uint32_t>& bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::uint32_t b = bytes[i];
        int extra = b < 0x80 ? 0 : (b >= 0xC2 && b < 0xE0) ? 1 : (b >= 0xE0 && b < 0xF0) ? 2 : (b >= 0xF0 && b < 0xF5) ? 3 : -1;
        if (extra < 0) return false;
        for (int k = 1; k <= extra; ++k)
            if (i + k >= bytes.size() || (bytes[i + k] & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

// One file being read: its lines after comments were blanked.
struct SourceFile {
    int index = 0;
    fs::path path;
    bool header_only = false;  // a .h/.c file: only preprocessor lines count
    std::vector<std::string> lines;
};

struct Macro {
    std::vector<Token> tokens;
    bool function_like = false;
};

struct Conditional {
    bool parent_active;
    bool taken;   // some branch was active already
    bool active;  // this branch is active
    bool seen_else = false;
    int line;
};

class Lexer {
public:
    Result<Lexed> run(const fs::path& file, std::string_view text) {
        Status s = read_file(file, text, 0);
        if (!s) return s.error();
        Token end;
        end.kind = Token::Kind::End;
        end.file = 0;
        end.line = last_line_;
        out_.tokens.push_back(end);
        return std::move(out_);
    }

private:
    Status read_file(const fs::path& path, std::string_view text, int depth) {
        // Scripts saved by Windows tools start with a byte-order mark, and
        // are often UTF-16.
        std::string converted;
        if (text.starts_with("\xEF\xBB\xBF")) {
            text.remove_prefix(3);
        } else if (text.starts_with("\xFF\xFE")) {
            converted = utf16le_to_utf8(text.substr(2));
            text = converted;
        }
        SourceFile src;
        src.index = static_cast<int>(out_.files.size());
        src.path = path;
        std::string ext = to_lower(path.extension().string());
        src.header_only = ext == ".h" || ext == ".hpp" || ext == ".c" || ext == ".cpp" || ext == ".hh";
        out_.files.push_back(path);
        if (Status s = strip_comments(src, text); !s) return s;
        std::size_t cond_base = conditions_.size();
        for (std::size_t i = 0; i < src.lines.size(); ++i) {
            int line_no = static_cast<int>(i) + 1;
            std::string line = src.lines[i];
            std::string_view t = trim(line);
            if (!t.empty() && t.front() == '#') {
                // Directives continue on the next line after a trailing backslash.
                while (!line.empty() && trim_right(line).ends_with('\\') && i + 1 < src.lines.size()) {
                    std::string_view r = trim_right(line);
                    line = std::string(r.substr(0, r.size() - 1)) + " " + src.lines[++i];
                }
                if (Status s = directive(src, line_no, trim(line).substr(1), depth); !s) return s;
                continue;
            }
            if (!active() || src.header_only) continue;
            std::vector<Token> raw;
            if (Status s = tokenize(src, line_no, line, raw); !s) return s;
            for (const auto& tok : raw)
                if (Status s = emit(tok, 0); !s) return s;
            if (src.index == 0) last_line_ = line_no;
        }
        if (src.index == 0) last_line_ = std::max<int>(last_line_, static_cast<int>(src.lines.size()));
        if (conditions_.size() > cond_base)
            return script_error(path, conditions_.back().line, "#if without #endif");
        return {};
    }

    bool active() const { return conditions_.empty() || conditions_.back().active; }

    // Blanks out comments, keeping line breaks and string literals.
    Status strip_comments(SourceFile& src, std::string_view text) {
        std::string cur;
        int line = 1;
        int comment_line = 0;
        enum { Code, String, LineComment, BlockComment } state = Code;
        for (std::size_t i = 0; i < text.size(); ++i) {
            char c = text[i];
            char next = i + 1 < text.size() ? text[i + 1] : '\0';
            if (c == '\r' && next == '\n') continue;
            if (c == '\n' || c == '\r') {
                src.lines.push_back(std::move(cur));
                cur.clear();
                ++line;
                if (state == LineComment || state == String) state = Code;  // an open string is reported by the tokenizer
                continue;
            }
            switch (state) {
            case Code:
                if (c == '/' && next == '/') {
                    state = LineComment;
                    ++i;
                } else if (c == '/' && next == '*') {
                    state = BlockComment;
                    comment_line = line;
                    cur += ' ';
                    ++i;
                } else {
                    if (c == '"') state = String;
                    cur += c;
                }
                break;
            case String:
                cur += c;
                if (c == '\\' && next != '\n' && next != '\r' && next != '\0') {
                    cur += next;
                    ++i;
                } else if (c == '"') {
                    if (next == '"') {
                        cur += next;
                        ++i;
                    } else {
                        state = Code;
                    }
                }
                break;
            case LineComment:
                break;
            case BlockComment:
                if (c == '*' && next == '/') {
                    state = Code;
                    ++i;
                }
                break;
            }
        }
        if (state == BlockComment) return script_error(src.path, comment_line, "comment without its closing */");
        if (!cur.empty()) src.lines.push_back(std::move(cur));
        return {};
    }

    Status tokenize(const SourceFile& src, int line_no, std::string_view line, std::vector<Token>& out) {
        std::size_t i = 0;
        auto fail = [&](const std::string& why) -> Status { return script_error(src.path, line_no, why); };
        while (i < line.size()) {
            char c = line[i];
            if (c == ' ' || c == '\t' || c == '\f' || c == '\v') {
                ++i;
                continue;
            }
            Token t;
            t.file = src.index;
            t.line = line_no;
            if ((c == 'L' || c == 'l') && i + 1 < line.size() && line[i + 1] == '"') {
                t.wide = true;
                ++i;
                c = '"';
            }
            if (c == '"') {
                t.kind = Token::Kind::String;
                std::size_t start = ++i;
                bool closed = false;
                while (i < line.size()) {
                    if (line[i] == '\\' && i + 1 < line.size()) {
                        i += 2;
                    } else if (line[i] == '"') {
                        if (i + 1 < line.size() && line[i + 1] == '"') {
                            i += 2;
                        } else {
                            closed = true;
                            break;
                        }
                    } else {
                        ++i;
                    }
                }
                if (!closed) return fail("string without its closing quote");
                t.text = std::string(line.substr(start, i - start));
                ++i;
                decode_string(t);
            } else if (is_ident_start(c)) {
                t.kind = Token::Kind::Identifier;
                std::size_t start = i;
                while (i < line.size() && is_ident_char(line[i])) ++i;
                t.text = std::string(line.substr(start, i - start));
            } else if (is_digit(c)) {
                t.kind = Token::Kind::Number;
                std::size_t start = i;
                std::uint64_t v = 0;
                bool hex = c == '0' && i + 1 < line.size() && (line[i + 1] == 'x' || line[i + 1] == 'X');
                if (hex) {
                    i += 2;
                    std::size_t digits = 0;
                    while (i < line.size() && hex_value(line[i]) >= 0) {
                        v = (v << 4) | static_cast<std::uint64_t>(hex_value(line[i]));
                        if (v > 0xFFFFFFFFull) return fail("number too large: " + std::string(line.substr(start, i - start + 1)));
                        ++i;
                        ++digits;
                    }
                    if (digits == 0) return fail("hexadecimal number without digits");
                } else {
                    while (i < line.size() && is_digit(line[i])) {
                        v = v * 10 + static_cast<std::uint64_t>(line[i] - '0');
                        if (v > 0xFFFFFFFFull) return fail("number too large: " + std::string(line.substr(start, i - start + 1)));
                        ++i;
                    }
                }
                while (i < line.size() && (line[i] == 'L' || line[i] == 'l' || line[i] == 'U' || line[i] == 'u')) {
                    if (line[i] == 'L' || line[i] == 'l') t.is_long = true;
                    ++i;
                }
                if (i < line.size() && is_ident_char(line[i]))
                    return fail("bad number " + std::string(line.substr(start, i - start + 1)));
                t.number = static_cast<std::uint32_t>(v);
                t.text = std::string(line.substr(start, i - start));
            } else {
                static constexpr std::string_view two[] = {"<<", ">>", "<=", ">=", "==", "!=", "&&", "||"};
                t.kind = Token::Kind::Punct;
                std::string_view rest = line.substr(i);
                bool matched = false;
                for (auto p : two) {
                    if (rest.starts_with(p)) {
                        t.text = std::string(p);
                        i += 2;
                        matched = true;
                        break;
                    }
                }
                if (!matched) {
                    if (std::string_view(",|+-*/%()~&^{}!<>=").find(c) == std::string_view::npos) {
                        std::ostringstream why;
                        if (static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F)
                            why << "unexpected character '" << c << "'";
                        else
                            why << "unexpected byte 0x" << std::hex << static_cast<int>(static_cast<unsigned char>(c));
                        return fail(why.str());
                    }
                    t.text = std::string(1, c);
                    ++i;
                }
            }
            out.push_back(std::move(t));
        }
        return {};
    }

    static void decode_string(Token& t) {
        const std::string& s = t.text;
        std::size_t i = 0;
        const std::size_t max_hex = t.wide ? 4 : 2;
        while (i < s.size()) {
            char c = s[i];
            if (c == '"' && i + 1 < s.size() && s[i + 1] == '"') {
                t.units.push_back('"');
                i += 2;
            } else if (c == '\\' && i + 1 < s.size()) {
                char e = s[i + 1];
                i += 2;
                switch (e) {
                case 'n': t.units.push_back('\n'); break;
                case 't': t.units.push_back('\t'); break;
                case 'r': t.units.push_back('\r'); break;
                case 'a': t.units.push_back('\a'); break;
                case 'b': t.units.push_back('\b'); break;
                case 'f': t.units.push_back('\f'); break;
                case 'v': t.units.push_back('\v'); break;
                case '\\': t.units.push_back('\\'); break;
                case '"': t.units.push_back('"'); break;
                case '\'': t.units.push_back('\''); break;
                case '?': t.units.push_back('?'); break;
                case 'x':
                case 'X': {
                    std::uint32_t v = 0;
                    std::size_t n = 0;
                    while (n < max_hex && i < s.size() && hex_value(s[i]) >= 0) {
                        v = (v << 4) | static_cast<std::uint32_t>(hex_value(s[i]));
                        ++i;
                        ++n;
                    }
                    if (n == 0) {  // "\x" alone is kept as written
                        t.units.push_back('\\');
                        t.units.push_back(static_cast<unsigned char>(e));
                    } else {
                        t.units.push_back(v);
                    }
                    break;
                }
                default:
                    if (e >= '0' && e <= '7') {
                        std::uint32_t v = static_cast<std::uint32_t>(e - '0');
                        for (int n = 1; n < 3 && i < s.size() && s[i] >= '0' && s[i] <= '7'; ++n, ++i)
                            v = v * 8 + static_cast<std::uint32_t>(s[i] - '0');
                        t.units.push_back(t.wide ? v : (v & 0xFF));
                    } else {
                        // An unknown escape keeps its backslash, as the resource compiler does.
                        t.units.push_back('\\');
                        i -= 1;
                    }
                }
            } else if (t.wide) {
                t.units.push_back(next_code_point(s, i));
            } else {
                t.units.push_back(static_cast<unsigned char>(c));
                ++i;
            }
        }
    }

    // Appends a token to the output, replacing a defined name by its value.
    Status emit(const Token& tok, int depth) {
        if (tok.kind == Token::Kind::Identifier) {
            auto it = macros_.find(tok.text);
            if (it != macros_.end() && !expanding_.contains(tok.text)) {
                if (it->second.function_like)
                    return script_error(out_.files[tok.file], tok.line,
                                        "macro " + tok.text + " takes arguments, which resource scripts do not support");
                if (depth > kMaxExpansionDepth)
                    return script_error(out_.files[tok.file], tok.line, "macro " + tok.text + " expands too deeply");
                expanding_.insert(tok.text);
                for (Token t : it->second.tokens) {
                    t.file = tok.file;
                    t.line = tok.line;
                    if (Status s = emit(t, depth + 1); !s) {
                        expanding_.erase(tok.text);
                        return s;
                    }
                }
                expanding_.erase(tok.text);
                return {};
            }
        }
        out_.tokens.push_back(tok);
        return {};
    }

    Status directive(const SourceFile& src, int line_no, std::string_view rest, int depth) {
        rest = trim(rest);
        std::size_t n = 0;
        while (n < rest.size() && is_ident_char(rest[n])) ++n;
        std::string name(rest.substr(0, n));
        std::string_view args = trim(rest.substr(n));
        auto fail = [&](const std::string& why) -> Status { return script_error(src.path, line_no, why); };

        if (name == "if" || name == "ifdef" || name == "ifndef") {
            bool value = false;
            if (active()) {
                if (name == "if") {
                    auto v = condition(src, line_no, args);
                    if (!v) return v.error();
                    value = *v;
                } else {
                    std::string macro = first_word(args);
                    if (macro.empty()) return fail("#" + name + " without a name");
                    value = macros_.contains(macro) == (name == "ifdef");
                }
            }
            conditions_.push_back({active(), value, active() && value, false, line_no});
            return {};
        }
        if (name == "elif" || name == "else") {
            if (conditions_.empty()) return fail("#" + name + " without #if");
            Conditional& c = conditions_.back();
            if (c.seen_else) return fail("#" + name + " after #else");
            bool value = false;
            if (c.parent_active && !c.taken) {
                if (name == "elif") {
                    auto v = condition(src, line_no, args);
                    if (!v) return v.error();
                    value = *v;
                } else {
                    value = true;
                }
            }
            c.seen_else = name == "else";
            c.active = value;
            c.taken = c.taken || value;
            return {};
        }
        if (name == "endif") {
            if (conditions_.empty()) return fail("#endif without #if");
            conditions_.pop_back();
            return {};
        }
        if (!active()) return {};

        if (name == "define") {
            std::size_t k = 0;
            while (k < args.size() && is_ident_char(args[k])) ++k;
            std::string macro(args.substr(0, k));
            if (macro.empty() || !is_ident_start(macro[0])) return fail("#define without a name");
            Macro m;
            std::string_view value = args.substr(k);
            if (!value.empty() && value.front() == '(') {
                m.function_like = true;
            } else if (Status s = tokenize(src, line_no, value, m.tokens); !s) {
                return s;
            }
            macros_[macro] = std::move(m);
            return {};
        }
        if (name == "undef") {
            macros_.erase(first_word(args));
            return {};
        }
        if (name == "include") return include(src, line_no, args, depth);
        if (name == "error") return fail("#error " + std::string(args));
        if (name == "pragma" || name == "line" || name.empty()) return {};
        return fail("unknown preprocessor line #" + name);
    }

    static std::string first_word(std::string_view s) {
        std::size_t k = 0;
        while (k < s.size() && is_ident_char(s[k])) ++k;
        return std::string(s.substr(0, k));
    }

    Status include(const SourceFile& src, int line_no, std::string_view args, int depth) {
        if (args.starts_with("<")) return {};  // a system header: its names are built in
        if (args.size() < 2 || args.front() != '"' || args.find('"', 1) == std::string_view::npos)
            return script_error(src.path, line_no, "#include needs a file name in quotes");
        std::string name(args.substr(1, args.find('"', 1) - 1));
        std::string host = name;
        for (char& c : host)
            if (c == '\\') c = '/';
        fs::path candidate = host.starts_with("/") ? fs::path(host) : src.path.parent_path() / host;
        if (host.size() > 1 && host[1] == ':') {
            auto p = to_host_path(name);
            if (p) candidate = *p;
        }
        candidate = find_case_insensitive(candidate);
        std::error_code ec;
        if (!fs::is_regular_file(candidate, ec)) {
            // The Windows headers a script may include by quoted name are built in.
            static const std::set<std::string> windows_headers = {
                "windows.h", "winres.h", "afxres.h", "commctrl.h", "winver.h", "richedit.h", "winuser.h", "dlgs.h", "winnt.h"};
            if (windows_headers.contains(to_lower(fs::path(host).filename().string()))) return {};
            return script_error(src.path, line_no, "cannot open the included file " + name);
        }
        if (depth + 1 > kMaxIncludeDepth) return script_error(src.path, line_no, "includes nest too deeply");
        std::ifstream in(candidate, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        if (!in) return script_error(src.path, line_no, "cannot read the included file " + name);
        return read_file(candidate, text.str(), depth + 1);
    }

    // The value of an #if or #elif line: `defined` first, then names expanded,
    // unknown names being 0 as in C.
    Result<bool> condition(const SourceFile& src, int line_no, std::string_view args) {
        std::vector<Token> raw;
        if (Status s = tokenize(src, line_no, args, raw); !s) return s.error();
        std::vector<Token> resolved;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            if (raw[i].kind == Token::Kind::Identifier && raw[i].text == "defined") {
                std::size_t j = i + 1;
                bool paren = j < raw.size() && raw[j].is("(");
                if (paren) ++j;
                if (j >= raw.size() || raw[j].kind != Token::Kind::Identifier)
                    return script_error(src.path, line_no, "defined without a name");
                Token v = raw[j];
                v.kind = Token::Kind::Number;
                v.number = macros_.contains(raw[j].text) ? 1 : 0;
                if (paren) {
                    ++j;
                    if (j >= raw.size() || !raw[j].is(")")) return script_error(src.path, line_no, "defined( without )");
                }
                resolved.push_back(v);
                i = j;
            } else {
                resolved.push_back(raw[i]);
            }
        }
        // Expand into a scratch output, then evaluate.
        Lexed scratch;
        scratch.files = out_.files;
        std::swap(scratch.tokens, out_.tokens);
        Status expanded;
        for (const auto& t : resolved) {
            expanded = emit(t, 0);
            if (!expanded) break;
        }
        std::swap(scratch.tokens, out_.tokens);
        if (!expanded) return expanded.error();
        if (scratch.tokens.empty()) return script_error(src.path, line_no, "#if without a condition");
        Token end;
        end.kind = Token::Kind::End;
        end.file = src.index;
        end.line = line_no;
        scratch.tokens.push_back(end);
        std::size_t pos = 0;
        auto v = evaluate_expression(scratch, pos, [](const Token&) { return std::optional<std::uint32_t>(0); });
        if (!v) return v.error();
        if (scratch.tokens[pos].kind != Token::Kind::End)
            return script_error(src.path, line_no, "unexpected " + scratch.tokens[pos].text + " in #if");
        return v->value != 0;
    }

    Lexed out_;
    std::map<std::string, Macro> macros_;
    std::set<std::string> expanding_;
    std::vector<Conditional> conditions_;
    int last_line_ = 1;
};

// ---- expressions -----------------------------------------------------------

int binary_precedence(const Token& t) {
    if (t.kind != Token::Kind::Punct) return 0;
    static const std::map<std::string, int> table = {
        {"*", 10}, {"/", 10}, {"%", 10}, {"+", 9},  {"-", 9},  {"<<", 8}, {">>", 8}, {"<", 7},  {"<=", 7},
        {">", 7},  {">=", 7}, {"==", 6}, {"!=", 6}, {"&", 5},  {"^", 4},  {"|", 3},  {"&&", 2}, {"||", 1}};
    auto it = table.find(t.text);
    return it == table.end() ? 0 : it->second;
}

class Evaluator {
public:
    Evaluator(const Lexed& lexed, std::size_t& pos, const SymbolLookup& lookup) : lexed_(lexed), pos_(pos), lookup_(lookup) {}

    Result<Value> expression(int min_precedence, bool stop_at_or) {
        auto left = unary();
        if (!left) return left;
        for (;;) {
            const Token& op = lexed_.tokens[pos_];
            int p = binary_precedence(op);
            if (p == 0 || p < min_precedence) break;
            if (stop_at_or && op.is("|")) break;
            ++pos_;
            auto right = expression(p + 1, stop_at_or);
            if (!right) return right;
            auto r = apply(op, *left, *right);
            if (!r) return r;
            left = *r;
        }
        return left;
    }

private:
    Error error_at(const Token& t, const std::string& why) const {
        return script_error(lexed_.files[static_cast<std::size_t>(t.file)], t.line, why);
    }

    Result<Value> unary() {
        const Token& t = lexed_.tokens[pos_];
        if (t.is("-") || t.is("+") || t.is("~") || t.is("!")) {
            ++pos_;
            auto v = unary();
            if (!v) return v;
            if (t.is("-")) v->value = 0u - v->value;
            if (t.is("~")) v->value = ~v->value;
            if (t.is("!")) v->value = v->value == 0 ? 1 : 0;
            return v;
        }
        if (t.kind == Token::Kind::Number) {
            ++pos_;
            return Value{t.number, t.is_long};
        }
        if (t.is("(")) {
            ++pos_;
            auto v = expression(1, false);
            if (!v) return v;
            if (!lexed_.tokens[pos_].is(")")) return error_at(lexed_.tokens[pos_], "( without its )");
            ++pos_;
            return v;
        }
        if (t.kind == Token::Kind::Identifier) {
            auto v = lookup_(t);
            if (!v) return error_at(t, "unknown name " + t.text);
            ++pos_;
            return Value{*v, false};
        }
        if (t.kind == Token::Kind::End) return error_at(t, "a number is missing at the end");
        return error_at(t, "a number is expected, not " + (t.kind == Token::Kind::String ? "\"" + t.text + "\"" : t.text));
    }

    Result<Value> apply(const Token& op, Value a, Value b) const {
        const std::uint32_t x = a.value, y = b.value;
        const auto sx = static_cast<std::int32_t>(x), sy = static_cast<std::int32_t>(y);
        std::uint32_t r = 0;
        const std::string& o = op.text;
        if (o == "*") r = x * y;
        else if (o == "/" || o == "%") {
            if (y == 0) return error_at(op, "division by zero");
            if (sx == INT32_MIN && sy == -1) r = o == "/" ? x : 0;
            else r = static_cast<std::uint32_t>(o == "/" ? sx / sy : sx % sy);
        } else if (o == "+") r = x + y;
        else if (o == "-") r = x - y;
        else if (o == "<<") r = x << (y & 31);
        else if (o == ">>") r = x >> (y & 31);
        else if (o == "<") r = sx < sy;
        else if (o == "<=") r = sx <= sy;
        else if (o == ">") r = sx > sy;
        else if (o == ">=") r = sx >= sy;
        else if (o == "==") r = x == y;
        else if (o == "!=") r = x != y;
        else if (o == "&") r = x & y;
        else if (o == "^") r = x ^ y;
        else if (o == "|") r = x | y;
        else if (o == "&&") r = x && y;
        else if (o == "||") r = x || y;
        return Value{r, a.is_long || b.is_long};
    }

    const Lexed& lexed_;
    std::size_t& pos_;
    const SymbolLookup& lookup_;
};

}  // namespace

Result<Lexed> lex_resource_script(const fs::path& file, std::string_view text) { return Lexer().run(file, text); }

Result<Value> evaluate_expression(const Lexed& lexed, std::size_t& pos, const SymbolLookup& lookup, bool stop_at_or) {
    return Evaluator(lexed, pos, lookup).expression(1, stop_at_or);
}

std::string token_text(const Token& t) {
    std::string out;
    if (t.wide || !valid_utf8(t.units)) {
        for (std::uint32_t u : t.units) append_utf8(out, u);
    } else {
        for (std::uint32_t u : t.units) out += static_cast<char>(u);
    }
    return out;
}

std::vector<std::uint8_t> token_bytes(const Token& t) {
    std::vector<std::uint8_t> out;
    for (std::uint32_t u : t.units) {
        if (!t.wide) {
            out.push_back(static_cast<std::uint8_t>(u));
            continue;
        }
        auto put16 = [&](std::uint32_t w) {
            out.push_back(static_cast<std::uint8_t>(w & 0xFF));
            out.push_back(static_cast<std::uint8_t>((w >> 8) & 0xFF));
        };
        if (u >= 0x10000 && u <= 0x10FFFF) {
            u -= 0x10000;
            put16(0xD800 | (u >> 10));
            put16(0xDC00 | (u & 0x3FF));
        } else {
            put16(u & 0xFFFF);
        }
    }
    return out;
}

}  // namespace platform::rc
