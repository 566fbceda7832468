// A profile file is kept as its lines, so that a write changes only the lines it
// must and comments, blank lines and odd formatting survive.
#include "platform/profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/paths.h"
#include "platform/text.h"

namespace platform::profile {
namespace {

struct Line {
    enum Kind { Blank, Comment, Section, Entry } kind;
    std::string raw;    // the line as in the file, without its line ending
    std::string name;   // section or key name, trimmed
    std::string value;  // entry value, trimmed, quotes kept
};

struct Document {
    std::vector<Line> lines;
    std::string eol = "\r\n";
};

Line parse_line(std::string raw) {
    Line line{Line::Blank, std::move(raw), {}, {}};
    std::string_view t = trim(line.raw);
    if (t.empty()) return line;
    if (t.front() == ';') {
        line.kind = Line::Comment;
    } else if (t.front() == '[') {
        line.kind = Line::Section;
        auto close = t.find(']');
        line.name = std::string(trim(t.substr(1, close == std::string_view::npos ? t.npos : close - 1)));
    } else {
        line.kind = Line::Entry;
        auto eq = t.find('=');
        line.name = std::string(trim(t.substr(0, eq)));
        if (eq != std::string_view::npos) line.value = std::string(trim(t.substr(eq + 1)));
    }
    return line;
}

Document parse(std::string_view text) {
    Document doc;
    if (!text.empty() && text.find("\r\n") == std::string_view::npos &&
        text.find('\n') != std::string_view::npos)
        doc.eol = "\n";
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        size_t next = end == std::string_view::npos ? text.size() : end + 1;
        std::string_view l = text.substr(pos, (end == std::string_view::npos ? text.size() : end) - pos);
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        doc.lines.push_back(parse_line(std::string(l)));
        pos = next;
    }
    return doc;
}

std::string serialise(const Document& doc) {
    std::string out;
    for (const Line& l : doc.lines) {
        out += l.raw;
        out += doc.eol;
    }
    return out;
}

std::string unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

// Index range [begin, end) of the first section named `section`: begin is the
// header line. Returns false when there is none.
bool find_section(const Document& doc, std::string_view section, size_t& begin, size_t& end) {
    for (size_t i = 0; i < doc.lines.size(); ++i) {
        if (doc.lines[i].kind == Line::Section && iequals(doc.lines[i].name, section)) {
            begin = i;
            end = i + 1;
            while (end < doc.lines.size() && doc.lines[end].kind != Line::Section) ++end;
            return true;
        }
    }
    return false;
}

const Line* find_key(const Document& doc, std::string_view section, std::string_view key) {
    size_t b, e;
    if (!find_section(doc, section, b, e)) return nullptr;
    for (size_t i = b + 1; i < e; ++i)
        if (doc.lines[i].kind == Line::Entry && iequals(doc.lines[i].name, key)) return &doc.lines[i];
    return nullptr;
}

// Reads the file under a shared lock; a missing file is an empty document.
Document load(const Path& file) {
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    ::flock(fd, LOCK_SH);
    std::string text;
    char buf[8192];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
    ::close(fd);
    return parse(text);
}

// Read-modify-write under an exclusive lock on the file itself; the file is
// rewritten in place so the lock stays on the one inode every process opens.
template <class Change>
Status modify(const Path& file, Change change) {
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return errno_error("open", file.string(), errno);
    ::flock(fd, LOCK_EX);
    std::string text;
    char buf[8192];
    ssize_t n;
    while ((n = ::pread(fd, buf, sizeof buf, static_cast<off_t>(text.size()))) > 0)
        text.append(buf, static_cast<size_t>(n));
    Document doc = parse(text);
    if (!change(doc)) {
        ::close(fd);
        return {};
    }
    std::string out = serialise(doc);
    Status result;
    if (::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, out.data(), out.size(), 0) != static_cast<ssize_t>(out.size()))
        result = errno_error("write", file.string(), errno);
    ::close(fd);
    return result;
}

std::vector<std::string> unique_names(std::vector<std::string> names) {
    std::vector<std::string> out;
    for (auto& n : names)
        if (std::none_of(out.begin(), out.end(), [&](const std::string& o) { return iequals(o, n); }))
            out.push_back(std::move(n));
    return out;
}

// Copies a zero-separated list into a Windows buffer with its truncation rules.
std::uint32_t copy_list(const std::vector<std::string>& items, char* buffer, std::uint32_t size) {
    if (size == 0 || buffer == nullptr) return 0;
    if (size == 1) {
        buffer[0] = 0;
        return 0;
    }
    std::uint32_t pos = 0;
    for (const auto& item : items) {
        if (pos + item.size() + 1 > size - 1) {
            // Truncated: as much as fits, then two zeros.
            std::uint32_t fit = size - 2 - pos;
            std::memcpy(buffer + pos, item.data(), fit);
            buffer[size - 2] = 0;
            buffer[size - 1] = 0;
            return size - 2;
        }
        std::memcpy(buffer + pos, item.data(), item.size());
        pos += static_cast<std::uint32_t>(item.size());
        buffer[pos++] = 0;
    }
    buffer[pos] = 0;
    return pos == 0 ? 0 : pos;
}

std::uint32_t copy_value(std::string_view value, char* buffer, std::uint32_t size) {
    if (size == 0 || buffer == nullptr) return 0;
    std::uint32_t n = static_cast<std::uint32_t>(std::min<size_t>(value.size(), size - 1));
    std::memcpy(buffer, value.data(), n);
    buffer[n] = 0;
    return n;
}

}  // namespace

Path profile_path(std::string_view windows_name) {
    if (windows_name.find_first_of("\\/:") == std::string_view::npos) {
        auto dir = windows_directory_host_path();
        if (dir) return *dir / std::string(windows_name);
    }
    auto host = to_host_path(windows_name);
    return host ? *host : Path(std::string(windows_name));
}

std::string read_string(const Path& file, std::string_view section, std::string_view key,
                        std::string_view default_value) {
    Document doc = load(file);
    if (const Line* l = find_key(doc, section, key)) return unquote(l->value);
    return std::string(trim_right(default_value));
}

std::int32_t read_int(const Path& file, std::string_view section, std::string_view key,
                      std::int32_t default_value) {
    Document doc = load(file);
    const Line* l = find_key(doc, section, key);
    if (!l) return default_value;
    std::string v = unquote(l->value);
    std::string_view s = trim(v);
    bool negative = false;
    size_t i = 0;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    std::uint32_t n = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) n = n * 10 + static_cast<std::uint32_t>(s[i] - '0');
    return static_cast<std::int32_t>(negative ? 0u - n : n);
}

std::vector<std::string> section_names(const Path& file) {
    std::vector<std::string> names;
    for (const Line& l : load(file).lines)
        if (l.kind == Line::Section) names.push_back(l.name);
    return unique_names(std::move(names));
}

std::vector<std::string> key_names(const Path& file, std::string_view section) {
    Document doc = load(file);
    std::vector<std::string> names;
    size_t b, e;
    if (find_section(doc, section, b, e))
        for (size_t i = b + 1; i < e; ++i)
            if (doc.lines[i].kind == Line::Entry) names.push_back(doc.lines[i].name);
    return unique_names(std::move(names));
}

std::vector<std::string> read_section(const Path& file, std::string_view section) {
    Document doc = load(file);
    std::vector<std::string> out;
    size_t b, e;
    if (find_section(doc, section, b, e))
        for (size_t i = b + 1; i < e; ++i)
            if (doc.lines[i].kind == Line::Entry) out.emplace_back(trim(doc.lines[i].raw));
    return out;
}

Status write_string(const Path& file, std::string_view section, std::string_view key,
                    std::string_view value) {
    return modify(file, [&](Document& doc) {
        std::string raw = std::string(key) + "=" + std::string(value);
        size_t b, e;
        if (!find_section(doc, section, b, e)) {
            if (!doc.lines.empty() && doc.lines.back().kind != Line::Blank)
                doc.lines.push_back(parse_line(""));
            doc.lines.push_back(parse_line("[" + std::string(section) + "]"));
            doc.lines.push_back(parse_line(std::move(raw)));
            return true;
        }
        size_t last_entry = b;
        for (size_t i = b + 1; i < e; ++i) {
            if (doc.lines[i].kind == Line::Entry && iequals(doc.lines[i].name, key)) {
                doc.lines[i] = parse_line(std::move(raw));
                return true;
            }
            if (doc.lines[i].kind != Line::Blank) last_entry = i;
        }
        doc.lines.insert(doc.lines.begin() + static_cast<std::ptrdiff_t>(last_entry + 1), parse_line(std::move(raw)));
        return true;
    });
}

Status delete_key(const Path& file, std::string_view section, std::string_view key) {
    return modify(file, [&](Document& doc) {
        size_t b, e;
        if (!find_section(doc, section, b, e)) return false;
        for (size_t i = b + 1; i < e; ++i) {
            if (doc.lines[i].kind == Line::Entry && iequals(doc.lines[i].name, key)) {
                doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(i));
                return true;
            }
        }
        return false;
    });
}

Status delete_section(const Path& file, std::string_view section) {
    return modify(file, [&](Document& doc) {
        size_t b, e;
        if (!find_section(doc, section, b, e)) return false;
        doc.lines.erase(doc.lines.begin() + static_cast<std::ptrdiff_t>(b),
                        doc.lines.begin() + static_cast<std::ptrdiff_t>(e));
        return true;
    });
}

std::uint32_t read_string_into(const Path& file, const char* section, const char* key,
                               const char* default_value, char* buffer, std::uint32_t size) {
    if (section == nullptr) return copy_list(section_names(file), buffer, size);
    if (key == nullptr) return copy_list(key_names(file, section), buffer, size);
    return copy_value(read_string(file, section, key, default_value ? default_value : ""), buffer, size);
}

}  // namespace platform::profile
