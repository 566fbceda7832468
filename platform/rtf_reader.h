// Formatted text for the rich-text display: runs of characters with one
// format each, read from plain text or from the Rich Text Format.
//
// The reader takes what the system's texts use: groups, \par and \line
// (paragraph ends), \tab, \b \i \ul (\ulnone, and a 0 parameter switches
// off), \plain, \fs (half-points), \cf with the \colortbl, \'hh (a byte of
// the ANSI code page, kept as that byte) and \uN (kept as a byte when below
// 256, else '?', with the \uc fallback characters skipped), the escapes \\ \{
// \}. The font table, style sheet, information and picture groups and any
// group opened with \* are skipped; other control words are ignored. Bad
// input never fails: an unmatched brace ends or opens a group, nesting deeper
// than 256 groups is read flat, a cut-off escape is dropped.
//
// Paragraph ends are '\n' inside the runs; WM_GETTEXT gives them as "\r\n".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi_types.h"

namespace platform::controls {

inline constexpr COLORREF kAutoColor = 0xFF000000u;  // the control's text colour

struct RichFormat {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int half_points = 0;            // 0: the control's font size
    COLORREF color = kAutoColor;

    bool operator==(const RichFormat&) const = default;
};

struct RichRun {
    std::string text;
    RichFormat format;
};

struct RichText {
    std::vector<RichRun> runs;

    // The characters, paragraph ends as '\n'.
    std::string chars() const;
    // As WM_GETTEXT gives it: paragraph ends as "\r\n".
    std::string plain() const;
    std::size_t size() const;
    // Appends, joining a run with the same format as the last one.
    void append(std::string_view text, const RichFormat& format);
};

// Plain text: "\r\n", "\r" and "\n" all end a paragraph.
RichText rich_text_from_plain(std::string_view text, const RichFormat& format = {});
// Rich Text Format; text that does not start with "{\rtf" is read as plain.
RichText rich_text_from_rtf(std::string_view rtf);
bool looks_like_rtf(std::string_view text);

}  // namespace platform::controls
