// The statements of a resource script, read from the lexer's tokens by
// recursive descent. Each statement kind has one function; all of them stop at
// the first error with the file and line of the token that showed it.
#include "platform/resource_script.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>

#include "platform/file_version.h"
#include "platform/image_files.h"
#include "platform/paths.h"
#include "platform/resource_script_lexer.h"
#include "platform/text.h"

namespace fs = std::filesystem;

namespace platform {

using rc::Token;

ResourceName::ResourceName(std::string_view name) {
    if (name.size() > 1 && name[0] == '#' && name.size() <= 6 &&
        std::all_of(name.begin() + 1, name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        unsigned v = 0;
        for (char c : name.substr(1)) v = v * 10 + static_cast<unsigned>(c - '0');
        if (v <= 0xFFFF) {
            kind_ = Kind::Id;
            id_ = v;
            return;
        }
    }
    if (name.empty()) return;
    kind_ = Kind::Name;
    name_ = to_upper(name);
}

std::string ResourceName::to_string() const {
    if (kind_ == Kind::Id) return "#" + std::to_string(id_);
    return name_;
}

const ResourceEntry* ResourceScript::find(const ResourceName& name, const ResourceName& type) const {
    for (const auto& e : entries)
        if (e.name == name && e.type == type) return &e;
    return nullptr;
}

namespace {

constexpr std::uint32_t kWsChild = 0x40000000, kWsVisible = 0x10000000, kWsPopup = 0x80000000;
constexpr std::uint32_t kWsBorder = 0x00800000, kWsSysMenu = 0x00080000, kWsCaption = 0x00C00000;
constexpr std::uint32_t kWsGroup = 0x00020000, kWsTabStop = 0x00010000, kDsSetFont = 0x40;

// A shorthand control statement: its class, default style and whether it
// starts with a text.
struct ControlKind {
    std::string_view word;
    std::string_view class_name;
    std::uint32_t style;
    bool has_text;
};
constexpr std::array<ControlKind, 18> kControlKinds = {{
    {"LTEXT", "STATIC", 0x0 | kWsGroup, true},
    {"RTEXT", "STATIC", 0x2 | kWsGroup, true},
    {"CTEXT", "STATIC", 0x1 | kWsGroup, true},
    {"PUSHBUTTON", "BUTTON", 0x0 | kWsTabStop, true},
    {"DEFPUSHBUTTON", "BUTTON", 0x1 | kWsTabStop, true},
    {"CHECKBOX", "BUTTON", 0x2 | kWsTabStop, true},
    {"AUTOCHECKBOX", "BUTTON", 0x3 | kWsTabStop, true},
    {"RADIOBUTTON", "BUTTON", 0x4 | kWsTabStop, true},
    {"STATE3", "BUTTON", 0x5 | kWsTabStop, true},
    {"AUTO3STATE", "BUTTON", 0x6 | kWsTabStop, true},
    {"GROUPBOX", "BUTTON", 0x7, true},
    {"AUTORADIOBUTTON", "BUTTON", 0x9 | kWsTabStop, true},
    {"PUSHBOX", "BUTTON", 0xA | kWsTabStop, true},
    {"EDITTEXT", "EDIT", 0x0 | kWsBorder | kWsTabStop, false},
    {"ICON", "STATIC", 0x3, true},
    {"SCROLLBAR", "SCROLLBAR", 0x0, false},
    {"LISTBOX", "LISTBOX", 0x1 | kWsBorder, false},
    {"COMBOBOX", "COMBOBOX", 0x1 | kWsTabStop, false},
}};

// Class names a CONTROL statement may give as a bare word.
std::string class_from_word(const std::string& word) {
    static const std::pair<std::string_view, std::string_view> known[] = {
        {"WC_LISTVIEW", "SysListView32"},  {"WC_TREEVIEW", "SysTreeView32"},
        {"PROGRESS_CLASS", "msctls_progress32"}, {"WC_BUTTON", "Button"},
        {"WC_STATIC", "Static"},           {"WC_EDIT", "Edit"},
        {"TRACKBAR_CLASS", "msctls_trackbar32"}, {"UPDOWN_CLASS", "msctls_updown32"},
        {"RICHEDIT_CLASS", "RichEdit20A"}, {"WC_TABCONTROL", "SysTabControl32"},
    };
    for (const auto& [w, c] : known)
        if (iequals(word, w)) return std::string(c);
    return word;
}

bool is_memory_option(const Token& t) {
    for (const char* w : {"PRELOAD", "LOADONCALL", "FIXED", "MOVEABLE", "DISCARDABLE", "PURE", "IMPURE", "SHARED",
                          "NONSHARED"})
        if (t.is_word(w)) return true;
    return false;
}

class Parser {
public:
    Parser(const rc::Lexed& lexed, fs::path script) : lx_(lexed) { out_.path = std::move(script); }

    Result<ResourceScript> run() {
        while (peek().kind != Token::Kind::End) {
            const Token& t = peek();
            Status s;
            if (t.is_word("STRINGTABLE")) {
                next();
                s = string_table();
            } else if (t.is_word("LANGUAGE") || t.is_word("VERSION") || t.is_word("CHARACTERISTICS")) {
                skip_line();
            } else {
                s = resource();
            }
            if (!s) return s.error();
        }
        return std::move(out_);
    }

private:
    // ---- tokens ----
    const Token& peek(std::size_t k = 0) const {
        std::size_t i = std::min(pos_ + k, lx_.tokens.size() - 1);
        return lx_.tokens[i];
    }
    const Token& next() {
        const Token& t = lx_.tokens[pos_];
        if (pos_ + 1 < lx_.tokens.size()) ++pos_;
        return t;
    }
    const fs::path& file_of(const Token& t) const { return lx_.files[static_cast<std::size_t>(t.file)]; }
    Error error(const Token& t, const std::string& why) const { return rc::script_error(file_of(t), t.line, why); }
    static std::string describe(const Token& t) {
        switch (t.kind) {
        case Token::Kind::End: return "the end of the script";
        case Token::Kind::String: return "\"" + t.text + "\"";
        default: return t.text;
        }
    }
    Status expect(std::string_view punct, std::string_view after) {
        if (peek().is(punct)) {
            next();
            return {};
        }
        return error(peek(), "'" + std::string(punct) + "' expected after " + std::string(after) + ", not " +
                                 describe(peek()));
    }
    bool accept(std::string_view punct) {
        if (!peek().is(punct)) return false;
        next();
        return true;
    }
    bool at_begin() const { return peek().is_word("BEGIN") || peek().is("{"); }
    bool at_end() const { return peek().is_word("END") || peek().is("}"); }
    // BEGIN (or {); the token is kept so that a missing END can name it.
    Result<Token> begin(std::string_view what) {
        if (!at_begin()) return error(peek(), "BEGIN expected for " + std::string(what) + ", not " + describe(peek()));
        return next();
    }
    // True at END (consumed); an error at the end of the script.
    Result<bool> block_done(const Token& begin_token) {
        if (at_end()) {
            next();
            return true;
        }
        if (peek().kind == Token::Kind::End) return error(begin_token, "BEGIN without its END");
        return false;
    }
    void skip_line() {
        const Token start = next();
        while (peek().kind != Token::Kind::End && peek().file == start.file && peek().line == start.line) next();
    }
    void skip_memory_options() {
        while (is_memory_option(peek())) next();
    }
    // Options between a resource's header and its BEGIN.
    void skip_block_options() {
        for (;;) {
            if (is_memory_option(peek())) {
                next();
            } else if (peek().is_word("LANGUAGE") || peek().is_word("VERSION") || peek().is_word("CHARACTERISTICS")) {
                skip_line();
            } else {
                return;
            }
        }
    }

    // ---- values ----
    Result<rc::Value> expression(bool stop_at_or = false) {
        return rc::evaluate_expression(lx_, pos_, [](const Token& t) { return rc::builtin_symbol(t.text); }, stop_at_or);
    }
    Result<std::uint32_t> number(std::string_view what) {
        if (peek().kind == Token::Kind::End || peek().kind == Token::Kind::String || at_begin())
            return error(peek(), std::string(what) + " expected, not " + describe(peek()));
        auto v = expression();
        if (!v) return v.error();
        return v->value;
    }
    // A 16-bit signed or unsigned number (coordinates, version parts).
    Result<int> short_number(std::string_view what) {
        const Token at = peek();
        auto v = number(what);
        if (!v) return v.error();
        auto s = static_cast<std::int32_t>(*v);
        if (s < -32768 || s > 65535) return error(at, std::string(what) + " " + std::to_string(s) + " is out of range");
        return s > 32767 ? s - 65536 : s;
    }
    // A style list: terms separated by |, NOT removing a style; starts from `base`.
    Result<std::uint32_t> style(std::uint32_t base, std::string_view what) {
        std::uint32_t result = base;
        for (;;) {
            bool remove = false;
            if (peek().is_word("NOT")) {
                next();
                remove = true;
            }
            if (peek().kind == Token::Kind::End || peek().kind == Token::Kind::String)
                return error(peek(), std::string(what) + " expected, not " + describe(peek()));
            auto v = expression(true);
            if (!v) return v.error();
            result = remove ? (result & ~v->value) : (result | v->value);
            if (!accept("|")) return result;
        }
    }
    // One string, joined with the literals that follow it directly.
    Result<Token> string_literal(std::string_view what) {
        if (peek().kind != Token::Kind::String)
            return error(peek(), std::string(what) + " in quotes expected, not " + describe(peek()));
        Token s = next();
        while (peek().kind == Token::Kind::String) {
            const Token& more = next();
            s.units.insert(s.units.end(), more.units.begin(), more.units.end());
            s.wide = s.wide || more.wide;
        }
        return s;
    }
    // A resource id: a number (1..65535) or a name.
    Result<ResourceName> resource_name(std::string_view what) {
        const Token t = peek();
        if (t.kind == Token::Kind::Identifier) {
            next();
            return ResourceName(t.text);
        }
        if (t.kind == Token::Kind::String) {
            next();
            return ResourceName(rc::token_text(t));
        }
        if (t.kind == Token::Kind::Number || t.is("(") || t.is("-") || t.is("~")) {
            auto v = expression();
            if (!v) return v.error();
            if (v->value == 0 || v->value > 0xFFFF)
                return error(t, std::string(what) + " id " + std::to_string(static_cast<std::int32_t>(v->value)) +
                                    " is out of range (1 to 65535)");
            return ResourceName(static_cast<int>(v->value));
        }
        return error(t, std::string(what) + " id expected, not " + describe(t));
    }

    // ---- files ----
    Result<fs::path> resource_file(const Token& name) {
        std::string raw;
        for (std::size_t i = 0; i < name.text.size(); ++i) {
            char c = name.text[i];
            if ((c == '\\' || c == '"') && i + 1 < name.text.size() && name.text[i + 1] == c) ++i;
            raw += c;
        }
        if (raw.empty()) return error(name, "empty file name");
        std::vector<fs::path> candidates;
        if (raw.size() > 1 && raw[1] == ':') {
            auto p = to_host_path(raw);
            if (!p) return error(name, "bad file name " + raw + ": " + p.error().describe());
            candidates.push_back(*p);
        } else {
            std::string host = raw;
            std::replace(host.begin(), host.end(), '\\', '/');
            if (host.starts_with("/")) {
                candidates.push_back(host);
            } else {
                candidates.push_back(file_of(name).parent_path() / host);
                candidates.push_back(out_.path.parent_path() / host);
            }
        }
        for (const auto& c : candidates) {
            fs::path found = find_case_insensitive(c);
            std::error_code ec;
            if (fs::is_regular_file(found, ec)) return found;
        }
        return error(name, "cannot find the file " + raw);
    }

    Status add_entry(ResourceEntry entry, const Token& at) {
        if (const ResourceEntry* old = out_.find(entry.name, entry.type)) {
            return error(at, "a second resource " + entry.name.to_string() + " of type " + entry.type.to_string() +
                                 " (the first is at line " + std::to_string(old->line) + ")");
        }
        out_.entries.push_back(std::move(entry));
        return {};
    }

    // ---- statements ----
    Status resource() {
        const Token first = peek();
        auto name = resource_name("resource");
        if (!name) return name.error();
        const Token type_token = next();
        std::string word = type_token.kind == Token::Kind::Identifier ? to_upper(type_token.text) : "";
        if (word == "DIALOG" || word == "DIALOGEX") return dialog(*name, word == "DIALOGEX", first);
        if (word == "VERSIONINFO") return version_info(*name, first);
        if (word == "MENU" || word == "MENUEX" || word == "ACCELERATORS" || word == "DLGINIT" || word == "TOOLBAR")
            return skipped_resource(type_token);
        if (word == "STRINGTABLE" || word == "BEGIN" || word == "END" || word == "CONTROL" || word == "NOT")
            return error(type_token, "unknown statement " + first.text + " " + type_token.text);

        ResourceName type;
        if (word == "BITMAP") type = RT_BITMAP;
        else if (word == "ICON") type = RT_GROUP_ICON;
        else if (word == "CURSOR") type = RT_GROUP_CURSOR;
        else if (word == "RCDATA") type = RT_RCDATA;
        else if (word == "HTML") type = RT_HTML;
        else if (word == "WAVE") type = ResourceName(RT_WAVE);
        else if (type_token.kind == Token::Kind::Identifier) type = ResourceName(type_token.text);
        else if (type_token.kind == Token::Kind::String) type = ResourceName(rc::token_text(type_token));
        else if (type_token.kind == Token::Kind::Number && type_token.number > 0 && type_token.number <= 0xFFFF)
            type = ResourceName(static_cast<int>(type_token.number));
        else
            return error(type_token, "unknown statement " + first.text + " " + describe(type_token));

        skip_memory_options();
        const bool builtin = word == "BITMAP" || word == "ICON" || word == "CURSOR" || word == "WAVE";
        ResourceEntry entry{type, *name, {}, {}, first.line};
        if (peek().kind == Token::Kind::String) {
            const Token file_token = next();
            auto path = resource_file(file_token);
            if (!path) return path.error();
            auto bytes = read_file_bytes(*path);
            if (!bytes) return error(file_token, bytes.error().describe());
            entry.file = *path;
            entry.bytes = std::move(*bytes);
            if (Status s = check_file(word, entry, file_token); !s) return s;
        } else if (!builtin && (at_begin() || peek().is_word("LANGUAGE") || peek().is_word("VERSION") ||
                                peek().is_word("CHARACTERISTICS"))) {
            skip_block_options();
            auto data = data_block();
            if (!data) return data.error();
            entry.bytes = std::move(*data);
        } else if (!builtin && word != "RCDATA" && word != "HTML") {
            return error(type_token, "unknown statement " + first.text + " " + type_token.text);
        } else {
            return error(peek(), "a file name in quotes expected after " + type_token.text + ", not " + describe(peek()));
        }
        return add_entry(std::move(entry), first);
    }

    // Pictures and sounds must be what they claim, so that a broken file is
    // found when the module loads rather than when the window shows.
    Status check_file(const std::string& word, ResourceEntry& entry, const Token& at) {
        if (word == "BITMAP") {
            auto image = decode_image(entry.bytes);
            if (!image) return error(at, entry.file.filename().string() + ": " + image.error().describe());
            // A bitmap resource is the file without its 14-byte file header.
            if (entry.bytes.size() >= 14 && entry.bytes[0] == 'B' && entry.bytes[1] == 'M')
                entry.bytes.erase(entry.bytes.begin(), entry.bytes.begin() + 14);
        } else if (word == "ICON" || word == "CURSOR") {
            auto image = decode_ico(entry.bytes);
            if (!image) return error(at, entry.file.filename().string() + ": " + image.error().describe());
        } else if (word == "WAVE") {
            const auto& b = entry.bytes;
            if (b.size() < 12 || std::string_view(reinterpret_cast<const char*>(b.data()), 4) != "RIFF" ||
                std::string_view(reinterpret_cast<const char*>(b.data()) + 8, 4) != "WAVE")
                return error(at, entry.file.filename().string() + " is not a WAVE file");
        }
        return {};
    }

    Status skipped_resource(const Token& type_token) {
        while (!at_begin()) {
            if (peek().kind == Token::Kind::End) return error(type_token, "BEGIN expected for " + type_token.text);
            next();
        }
        const Token open = next();
        int depth = 1;
        while (depth > 0) {
            if (peek().kind == Token::Kind::End) return error(open, "BEGIN without its END");
            if (at_begin()) ++depth;
            if (at_end()) --depth;
            next();
        }
        return {};
    }

    // BEGIN items END: words, L-suffixed double words, string bytes.
    Result<std::vector<std::uint8_t>> data_block() {
        auto open = begin("the data");
        if (!open) return open.error();
        std::vector<std::uint8_t> bytes;
        for (;;) {
            auto done = block_done(*open);
            if (!done) return done.error();
            if (*done) return bytes;
            if (peek().kind == Token::Kind::String) {
                auto s = string_literal("text");
                if (!s) return s.error();
                auto b = rc::token_bytes(*s);
                bytes.insert(bytes.end(), b.begin(), b.end());
            } else {
                const Token at = peek();
                if (at.kind == Token::Kind::Identifier && !rc::builtin_symbol(at.text) && !at.is_word("NOT"))
                    return error(at, "unknown name " + at.text + " in the data");
                auto v = expression();
                if (!v) return v.error();
                if (v->is_long) {
                    for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<std::uint8_t>(v->value >> (8 * k)));
                } else {
                    auto s = static_cast<std::int32_t>(v->value);
                    if (s < -32768 || s > 65535)
                        return error(at, "the value " + std::to_string(s) +
                                             " does not fit in a 16-bit word (write it with an L suffix for 32 bits)");
                    bytes.push_back(static_cast<std::uint8_t>(v->value));
                    bytes.push_back(static_cast<std::uint8_t>(v->value >> 8));
                }
            }
            accept(",");
        }
    }

    Status string_table() {
        skip_block_options();
        auto open = begin("the STRINGTABLE");
        if (!open) return open.error();
        for (;;) {
            auto done = block_done(*open);
            if (!done) return done.error();
            if (*done) return {};
            const Token at = peek();
            if (at.kind == Token::Kind::String) return error(at, "a string id expected before " + describe(at));
            auto id = number("a string id");
            if (!id) return id.error();
            if (*id > 0xFFFF) return error(at, "string id " + std::to_string(*id) + " is out of range (0 to 65535)");
            accept(",");
            auto text = string_literal("the text of string " + std::to_string(*id));
            if (!text) return text.error();
            auto key = static_cast<std::uint16_t>(*id);
            if (out_.strings.contains(key))
                return error(at, "a second string " + std::to_string(key) + " (the first is at line " +
                                     std::to_string(string_lines_[key]) + ")");
            out_.strings[key] = rc::token_text(*text);
            string_lines_[key] = at.line;
        }
    }

    Status dialog(const ResourceName& name, bool ex, const Token& first) {
        skip_memory_options();
        DialogTemplate d;
        std::array<int*, 4> place = {&d.x, &d.y, &d.cx, &d.cy};
        for (std::size_t i = 0; i < place.size(); ++i) {
            if (i > 0)
                if (Status s = expect(",", "a dialog coordinate"); !s) return s;
            auto v = short_number("a dialog coordinate");
            if (!v) return v.error();
            *place[i] = *v;
        }
        if (ex && accept(",")) {
            auto help = number("a help id");
            if (!help) return help.error();
        }
        bool has_style = false;
        bool has_caption = false;
        while (!at_begin()) {
            const Token t = peek();
            if (t.kind == Token::Kind::End) return error(first, "BEGIN expected for the DIALOG's controls");
            if (t.is_word("LANGUAGE") || t.is_word("VERSION") || t.is_word("CHARACTERISTICS")) {
                skip_line();
                continue;
            }
            next();
            if (t.is_word("STYLE")) {
                auto v = style(0, "a style");
                if (!v) return v.error();
                d.style = *v;
                has_style = true;
            } else if (t.is_word("EXSTYLE")) {
                auto v = style(0, "an extended style");
                if (!v) return v.error();
                d.ex_style = *v;
            } else if (t.is_word("CAPTION")) {
                auto s = string_literal("the caption");
                if (!s) return s.error();
                d.caption = rc::token_text(*s);
                has_caption = true;
            } else if (t.is_word("FONT")) {
                auto points = short_number("the font's point size");
                if (!points) return points.error();
                if (Status s = expect(",", "the font's point size"); !s) return s;
                auto face = string_literal("the font's face name");
                if (!face) return face.error();
                d.font_points = *points;
                d.font_face = rc::token_text(*face);
                if (accept(",")) {
                    auto weight = number("the font's weight");
                    if (!weight) return weight.error();
                    d.font_weight = static_cast<int>(*weight);
                    if (accept(",")) {
                        auto italic = number("the font's italic flag");
                        if (!italic) return italic.error();
                        d.font_italic = *italic != 0;
                        if (accept(",")) {
                            auto charset = number("the font's character set");
                            if (!charset) return charset.error();
                        }
                    }
                }
            } else if (t.is_word("CLASS")) {
                auto cls = control_text("the class");
                if (!cls) return cls.error();
                d.class_name = *cls;
            } else if (t.is_word("MENU")) {
                auto menu = resource_name("menu");
                if (!menu) return menu.error();
            } else if (is_memory_option(t)) {
                continue;
            } else {
                return error(t, "unknown DIALOG statement " + describe(t));
            }
        }
        if (!has_style) d.style = kWsPopup | kWsBorder | kWsSysMenu | (has_caption ? kWsCaption : 0);
        if (!d.font_face.empty()) d.style |= kDsSetFont;

        auto open = begin("the DIALOG's controls");
        if (!open) return open.error();
        for (;;) {
            auto done = block_done(*open);
            if (!done) return done.error();
            if (*done) break;
            auto item = control(ex);
            if (!item) return item.error();
            d.items.push_back(std::move(*item));
        }
        if (out_.dialogs.contains(name))
            return error(first, "a second dialog " + name.to_string() + " (the first is at line " +
                                    std::to_string(out_.find(name, RT_DIALOG)->line) + ")");
        out_.dialogs.emplace(name, std::move(d));
        return add_entry(ResourceEntry{RT_DIALOG, name, {}, {}, first.line}, first);
    }

    // A control's text where a resource may be named instead: "text", a
    // number (a resource id, "#id") or a name.
    Result<std::string> control_text(std::string_view what) {
        const Token t = peek();
        if (t.kind == Token::Kind::String) {
            auto s = string_literal(what);
            if (!s) return s.error();
            return rc::token_text(*s);
        }
        if (t.kind == Token::Kind::Identifier && !rc::builtin_symbol(t.text)) {
            next();
            return t.text;
        }
        auto v = number(what);
        if (!v) return v.error();
        return "#" + std::to_string(*v & 0xFFFF);
    }

    Result<DialogItemTemplate> control(bool ex) {
        const Token keyword = next();
        DialogItemTemplate item;
        const ControlKind* kind = nullptr;
        bool generic = keyword.is_word("CONTROL");
        if (!generic) {
            for (const auto& k : kControlKinds)
                if (keyword.is_word(k.word)) kind = &k;
            if (!kind) return error(keyword, "unknown control statement " + describe(keyword));
        }
        const bool icon = kind && kind->word == "ICON";
        std::string what = "the " + to_upper(keyword.text) + "'s ";

        if (generic || kind->has_text) {
            if (!generic && !icon && peek().kind != Token::Kind::String)
                return error(peek(), what + "text in quotes expected, not " + describe(peek()));
            auto text = control_text(what + "text");
            if (!text) return text.error();
            item.text = *text;
            if (Status s = expect(",", what + "text"); !s) return s.error();
        }
        auto id = number(what + "id");
        if (!id) return id.error();
        item.id = ex ? *id : (*id & 0xFFFF);

        std::uint32_t base = kWsChild | kWsVisible;
        if (generic) {
            if (Status s = expect(",", what + "id"); !s) return s.error();
            const Token cls = peek();
            if (cls.kind == Token::Kind::String) {
                auto s = string_literal(what + "class");
                if (!s) return s.error();
                item.class_name = rc::token_text(*s);
            } else if (cls.kind == Token::Kind::Identifier) {
                next();
                item.class_name = class_from_word(cls.text);
            } else {
                return error(cls, what + "class expected, not " + describe(cls));
            }
            if (Status s = expect(",", what + "class"); !s) return s.error();
            auto st = style(base, what + "style");
            if (!st) return st.error();
            item.style = *st;
        } else {
            item.class_name = std::string(kind->class_name);
            item.style = base | kind->style;
        }

        std::array<int*, 4> place = {&item.x, &item.y, &item.cx, &item.cy};
        for (std::size_t i = 0; i < place.size(); ++i) {
            if (icon && i == 2 && !peek().is(",")) break;  // ICON's size is optional
            if (Status s = expect(",", i == 0 ? what + (generic ? "style" : "id") : what + "position"); !s)
                return s.error();
            auto v = short_number(what + "position or size");
            if (!v) return v.error();
            *place[i] = *v;
        }
        if (accept(",")) {
            if (!generic) {
                auto st = style(item.style, what + "style");
                if (!st) return st.error();
                item.style = *st;
                if (!accept(",")) return item;
            }
            auto exst = style(0, what + "extended style");
            if (!exst) return exst.error();
            item.ex_style = *exst;
            if (ex && accept(",")) {
                auto help = number(what + "help id");
                if (!help) return help.error();
            }
        }
        return item;
    }

    Status version_info(const ResourceName& name, const Token& first) {
        VS_FIXEDFILEINFO fixed;
        while (!at_begin()) {
            const Token t = peek();
            if (t.kind == Token::Kind::End) return error(first, "BEGIN expected for the VERSIONINFO");
            if (is_memory_option(t)) {
                next();
                continue;
            }
            if (t.is_word("LANGUAGE") || t.is_word("VERSION") || t.is_word("CHARACTERISTICS")) {
                skip_line();
                continue;
            }
            next();
            if (t.is_word("FILEVERSION") || t.is_word("PRODUCTVERSION")) {
                std::uint32_t parts[4] = {0, 0, 0, 0};
                for (int i = 0; i < 4; ++i) {
                    if (i > 0 && !accept(",")) break;
                    auto v = short_number("a version number");
                    if (!v) return v.error();
                    parts[i] = static_cast<std::uint32_t>(*v) & 0xFFFF;
                }
                std::uint32_t ms = (parts[0] << 16) | parts[1], ls = (parts[2] << 16) | parts[3];
                if (t.is_word("FILEVERSION")) {
                    fixed.dwFileVersionMS = ms;
                    fixed.dwFileVersionLS = ls;
                } else {
                    fixed.dwProductVersionMS = ms;
                    fixed.dwProductVersionLS = ls;
                }
                continue;
            }
            std::uint32_t* field = t.is_word("FILEFLAGSMASK") ? &fixed.dwFileFlagsMask
                                   : t.is_word("FILEFLAGS")   ? &fixed.dwFileFlags
                                   : t.is_word("FILEOS")      ? &fixed.dwFileOS
                                   : t.is_word("FILETYPE")    ? &fixed.dwFileType
                                   : t.is_word("FILESUBTYPE") ? &fixed.dwFileSubtype
                                                              : nullptr;
            if (!field) return error(t, "unknown VERSIONINFO statement " + describe(t));
            auto v = style(0, "a value");
            if (!v) return v.error();
            *field = *v;
        }
        std::vector<VersionNode> nodes;
        if (Status s = version_children(nodes); !s) return s;
        auto block = encode_version_block(fixed, nodes);
        if (block.empty()) return error(first, "the version information is larger than 64 KB");
        return add_entry(ResourceEntry{RT_VERSION, name, std::move(block), {}, first.line}, first);
    }

    Status version_children(std::vector<VersionNode>& nodes) {
        auto open = begin("the version block");
        if (!open) return open.error();
        for (;;) {
            auto done = block_done(*open);
            if (!done) return done.error();
            if (*done) return {};
            const Token t = next();
            if (!t.is_word("BLOCK") && !t.is_word("VALUE")) return error(t, "BLOCK or VALUE expected, not " + describe(t));
            VersionNode node;
            auto key = string_literal(t.is_word("BLOCK") ? "the BLOCK's name" : "the VALUE's name");
            if (!key) return key.error();
            if (t.is_word("BLOCK")) {
                node.key = rc::token_text(*key);
                if (Status s = version_children(node.children); !s) return s;
            } else {
                node.key = rc::token_text(*key);
                bool numbers = false;
                while (accept(",")) {
                    const Token at = peek();
                    if (at.kind == Token::Kind::String) {
                        auto s = string_literal("text");
                        if (!s) return s.error();
                        if (numbers) return error(at, "a VALUE holds text or numbers, not both");
                        node.is_text = true;
                        node.text += rc::token_text(*s);
                    } else {
                        if (node.is_text) return error(at, "a VALUE holds text or numbers, not both");
                        auto v = expression();
                        if (!v) return v.error();
                        numbers = true;
                        int width = v->is_long ? 4 : 2;
                        for (int k = 0; k < width; ++k) node.bytes.push_back(static_cast<std::uint8_t>(v->value >> (8 * k)));
                    }
                }
            }
            nodes.push_back(std::move(node));
        }
    }

    const rc::Lexed& lx_;
    std::size_t pos_ = 0;
    ResourceScript out_;
    std::map<std::uint16_t, int> string_lines_;
};

}  // namespace

Result<ResourceScript> parse_resource_script_text(std::string_view text, const fs::path& file) {
    auto lexed = rc::lex_resource_script(file, text);
    if (!lexed) return lexed.error();
    return Parser(*lexed, file).run();
}

fs::path resource_script_for(const fs::path& module_file) {
    std::error_code ec;
    fs::path found = find_case_insensitive(module_file);
    if (iequals(module_file.extension().string(), ".rc")) return fs::is_regular_file(found, ec) ? found : fs::path();
    fs::path script = module_file;
    script.replace_extension(".rc");
    script = find_case_insensitive(script);
    return fs::is_regular_file(script, ec) ? script : fs::path();
}

Result<ResourceScript> parse_resource_script(const fs::path& file) {
    auto bytes = read_file_bytes(file);
    if (!bytes) return bytes.error();
    return parse_resource_script_text(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), file);
}

}  // namespace platform
