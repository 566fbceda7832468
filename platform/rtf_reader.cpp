// A small reader of the Rich Text Format: one pass over the bytes with a
// stack of group states (format, and whether the group is skipped).
#include "platform/rtf_reader.h"

#include <cctype>
#include <cstdlib>

namespace platform::controls {

std::string RichText::chars() const {
    std::string out;
    for (const auto& run : runs) out += run.text;
    return out;
}

std::string RichText::plain() const {
    std::string out;
    for (const auto& run : runs)
        for (char c : run.text) {
            if (c == '\n') out += "\r\n";
            else out += c;
        }
    return out;
}

std::size_t RichText::size() const {
    std::size_t n = 0;
    for (const auto& run : runs) n += run.text.size();
    return n;
}

void RichText::append(std::string_view text, const RichFormat& format) {
    if (text.empty()) return;
    if (!runs.empty() && runs.back().format == format) runs.back().text += text;
    else runs.push_back({std::string(text), format});
}

RichText rich_text_from_plain(std::string_view text, const RichFormat& format) {
    RichText out;
    std::string chars;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            chars += '\n';
        } else {
            chars += text[i];
        }
    }
    out.append(chars, format);
    return out;
}

bool looks_like_rtf(std::string_view text) { return text.substr(0, 5) == "{\\rtf"; }

namespace {

constexpr int kMaxDepth = 256;

enum class Destination { Text, Skip, ColorTable };

struct Group {
    RichFormat format;
    Destination destination = Destination::Text;
};

class Reader {
public:
    explicit Reader(std::string_view in) : in_(in) {}

    RichText read() {
        stack_.push_back(Group{});
        while (at_ < in_.size()) {
            char c = in_[at_++];
            switch (c) {
            case '{': open_group(); break;
            case '}': close_group(); break;
            case '\\': control(); break;
            case '\r':
            case '\n': break;
            default: put(std::string_view(&c, 1)); break;
            }
        }
        return std::move(out_);
    }

private:
    Group& top() { return stack_.back(); }

    void open_group() {
        if (static_cast<int>(stack_.size()) >= kMaxDepth) {
            ++flat_;
            return;
        }
        stack_.push_back(top());
    }

    void close_group() {
        if (flat_ > 0) {
            --flat_;
            return;
        }
        if (stack_.size() > 1) {
            if (top().destination == Destination::ColorTable && color_seen_) finish_color();
            stack_.pop_back();
        }
    }

    void put(std::string_view text) {
        if (skip_fallback_ > 0) {
            --skip_fallback_;
            return;
        }
        switch (top().destination) {
        case Destination::Text: out_.append(text, top().format); break;
        case Destination::ColorTable:
            if (text == ";") finish_color();
            break;
        case Destination::Skip: break;
        }
    }

    void finish_color() {
        colors_.push_back(color_seen_ ? rgb(static_cast<std::uint8_t>(red_), static_cast<std::uint8_t>(green_),
                                             static_cast<std::uint8_t>(blue_))
                                       : kAutoColor);
        red_ = green_ = blue_ = 0;
        color_seen_ = false;
    }

    void control() {
        if (at_ >= in_.size()) return;
        char c = in_[at_];
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++at_;
            symbol(c);
            return;
        }
        std::size_t start = at_;
        while (at_ < in_.size() && std::isalpha(static_cast<unsigned char>(in_[at_]))) ++at_;
        std::string_view word = in_.substr(start, at_ - start);
        bool has_param = false;
        long param = 0;
        std::size_t digits = at_;
        if (at_ < in_.size() && (in_[at_] == '-' || std::isdigit(static_cast<unsigned char>(in_[at_])))) {
            std::size_t p = at_ + (in_[at_] == '-' ? 1 : 0);
            while (p < in_.size() && std::isdigit(static_cast<unsigned char>(in_[p])) && p - at_ < 10) ++p;
            if (p > at_ + (in_[at_] == '-' ? 1 : 0)) {
                param = std::strtol(std::string(in_.substr(at_, p - at_)).c_str(), nullptr, 10);
                has_param = true;
                digits = p;
            }
        }
        at_ = digits;
        while (at_ < in_.size() && std::isdigit(static_cast<unsigned char>(in_[at_]))) ++at_;  // overlong numbers
        if (at_ < in_.size() && in_[at_] == ' ') ++at_;
        word_(word, has_param, param);
    }

    void symbol(char c) {
        switch (c) {
        case '\\':
        case '{':
        case '}': put(std::string_view(&c, 1)); break;
        case '~': put(" "); break;
        case '_': put("-"); break;
        case '*': top().destination = Destination::Skip; break;
        case '\'': {
            if (at_ + 2 > in_.size()) {
                at_ = in_.size();
                return;
            }
            char hex[3] = {in_[at_], in_[at_ + 1], 0};
            at_ += 2;
            char* end = nullptr;
            long value = std::strtol(hex, &end, 16);
            if (end == hex + 2) {
                char byte = static_cast<char>(value);
                put(std::string_view(&byte, 1));
            }
            break;
        }
        case '\r':
        case '\n': put("\n"); break;  // a backslash before a line end is \par
        default: break;
        }
    }

    void word_(std::string_view w, bool has_param, long param) {
        Group& g = top();
        bool on = !has_param || param != 0;
        if (g.destination == Destination::ColorTable) {
            if (w == "red") red_ = static_cast<int>(param), color_seen_ = true;
            else if (w == "green") green_ = static_cast<int>(param), color_seen_ = true;
            else if (w == "blue") blue_ = static_cast<int>(param), color_seen_ = true;
            return;
        }
        if (w == "fonttbl" || w == "stylesheet" || w == "info" || w == "pict" || w == "object" || w == "header" ||
            w == "footer" || w == "listtable" || w == "listoverridetable" || w == "generator" || w == "themedata" ||
            w == "latentstyles") {
            g.destination = Destination::Skip;
        } else if (w == "colortbl") {
            g.destination = Destination::ColorTable;
            colors_.clear();
        } else if (g.destination == Destination::Skip) {
            return;
        } else if (w == "par" || w == "line") {
            put("\n");
        } else if (w == "tab") {
            put("\t");
        } else if (w == "b") {
            g.format.bold = on;
        } else if (w == "i") {
            g.format.italic = on;
        } else if (w == "ul") {
            g.format.underline = on;
        } else if (w == "ulnone") {
            g.format.underline = false;
        } else if (w == "plain") {
            g.format = RichFormat{};
        } else if (w == "fs") {
            g.format.half_points = has_param && param > 0 && param < 3276 ? static_cast<int>(param) : 0;
        } else if (w == "cf") {
            g.format.color = has_param && param > 0 && static_cast<std::size_t>(param) < colors_.size()
                                 ? colors_[static_cast<std::size_t>(param)]
                                 : kAutoColor;
        } else if (w == "uc") {
            fallback_ = has_param && param >= 0 && param < 16 ? static_cast<int>(param) : 1;
        } else if (w == "u" && has_param) {
            long code = param < 0 ? param + 65536 : param;
            char byte = code < 256 ? static_cast<char>(code) : '?';
            put(std::string_view(&byte, 1));
            skip_fallback_ = fallback_;
        } else if (w == "emdash") {
            put("\x97");
        } else if (w == "endash") {
            put("\x96");
        } else if (w == "bullet") {
            put("\x95");
        } else if (w == "lquote") {
            put("\x91");
        } else if (w == "rquote") {
            put("\x92");
        }
    }

    std::string_view in_;
    std::size_t at_ = 0;
    std::vector<Group> stack_;
    int flat_ = 0;
    RichText out_;
    std::vector<COLORREF> colors_;
    int red_ = 0, green_ = 0, blue_ = 0;
    bool color_seen_ = false;
    int fallback_ = 1;
    int skip_fallback_ = 0;
};

}  // namespace

RichText rich_text_from_rtf(std::string_view rtf) {
    if (!looks_like_rtf(rtf)) return rich_text_from_plain(rtf);
    RichText text = Reader(rtf).read();
    return text;
}

}  // namespace platform::controls
