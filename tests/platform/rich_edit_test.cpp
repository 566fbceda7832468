// The rich-text display: the RTF reader, the text messages, streaming in,
// wrapping and scrolling, and formats drawn as they say.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/gdi.h"
#include "platform/library.h"
#include "platform/message_queue.h"
#include "platform/richedit.h"
#include "platform/rtf_reader.h"
#include "tests/platform/control_host.h"

using namespace platform;
using platform::controls::RichFormat;
using platform::controls::RichText;

namespace {

// The runs as "text|flags" with b, i, u, the size and the colour when set.
std::vector<std::string> runs(const RichText& text) {
    std::vector<std::string> out;
    for (const auto& run : text.runs) {
        std::string line = run.text + "|";
        if (run.format.bold) line += "b";
        if (run.format.italic) line += "i";
        if (run.format.underline) line += "u";
        if (run.format.half_points) line += std::to_string(run.format.half_points);
        if (run.format.color != controls::kAutoColor) {
            char color[16];
            std::snprintf(color, sizeof color, "#%06x", run.format.color);
            line += color;
        }
        out.push_back(line);
    }
    return out;
}

TEST(RtfReaderTest, ReadsTheFormatsTheSystemUses) {
    struct Case {
        const char* rtf;
        std::vector<std::string> runs;
    };
    const Case cases[] = {
        {R"({\rtf1\ansi{\fonttbl{\f0\fswiss Arial;}}\f0\fs20 Plain \b bold\b0  back\par next})",
         {"Plain |20", "bold|b20", " back\nnext|20"}},
        {R"({\rtf1{\colortbl;\red255\green0\blue0;\red0\green0\blue255;}\cf1 red \cf2 blue\cf0  auto})",
         {"red |#0000ff", "blue|#ff0000", " auto|"}},
        {R"({\rtf1 a{\i\ul inner}b\tab c})", {"a|", "inner|iu", "b\tc|"}},
        {R"({\rtf1 caf\'e9 \{x\} back\\slash})", {"caf\xe9 {x} back\\slash|"}},
        {R"({\rtf1 \b on\plain off \ul u\ulnone n})", {"on|b", "off |", "u|u", "n|"}},
        {R"({\rtf1{\*\generator Writer;}{\stylesheet{\s0 Normal;}}{\info{\title T}}kept})", {"kept|"}},
        {R"({\rtf1 x\unknownword42 y\uc1\u8364?z})", {"xy?z|"}},
        {"{\\rtf1 line\\line two\r\nthree}", {"line\ntwothree|"}},
    };
    for (const auto& c : cases) EXPECT_EQ(runs(controls::rich_text_from_rtf(c.rtf)), c.runs) << c.rtf;
}

TEST(RtfReaderTest, BadInputNeverFails) {
    const char* cases[] = {
        "{\\rtf1 unclosed {group",
        "{\\rtf1 closed too often}}}} tail",
        "{\\rtf1 cut escape \\'",
        "{\\rtf1 cut escape \\'4",
        "{\\rtf1 \\",
        "{\\rtf1 \\fs99999999999999999999 big}",
        "{\\rtf1 \\cf7 no table}",
    };
    for (const char* c : cases) {
        RichText text = controls::rich_text_from_rtf(c);
        EXPECT_LE(text.chars().size(), std::strlen(c)) << c;
    }
    std::string deep = "{\\rtf1 " + std::string(5000, '{') + "deep" + std::string(5000, '}') + "}";
    EXPECT_EQ(controls::rich_text_from_rtf(deep).chars(), "deep");
    EXPECT_EQ(controls::rich_text_from_rtf("{\\rtf1 \\cf7 no table}").runs.at(0).format.color, controls::kAutoColor);
}

TEST(RtfReaderTest, PlainTextKeepsItsCharactersAndEndsParagraphsAnyWay) {
    RichText text = controls::rich_text_from_plain("one\r\ntwo\nthree\rfour");
    EXPECT_EQ(text.chars(), "one\ntwo\nthree\nfour");
    EXPECT_EQ(text.plain(), "one\r\ntwo\r\nthree\r\nfour");
    EXPECT_EQ(controls::rich_text_from_rtf("not {\\rtf").chars(), "not {\\rtf");
}

class RichEditTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(load_library("RichEd32.Dll")); }
    HWND make(int width = 200, int height = 100, const char* cls = RICHEDIT_CLASS) {
        return host_.make(cls, 0, 390, width, height);
    }
    twtest::ControlHost host_;
};

TEST_F(RichEditTest, LoadingTheLibraryByEitherNameGivesTheClasses) {
    auto again = load_library("C:\\WINNT\\SYSTEM32\\riched20.dll");
    ASSERT_TRUE(again);
    EXPECT_TRUE(free_library(*again));
    EXPECT_NE(make(100, 50, RICHEDIT_CLASS10A), 0u);
    EXPECT_NE(make(100, 50, RICHEDIT_CLASS), 0u);
    EXPECT_TRUE(load_library("COMCTL32.DLL"));
}

TEST_F(RichEditTest, TextSetAsRtfReadsBackPlain) {
    HWND re = make();
    EXPECT_TRUE(set_window_text(re, "{\\rtf1 Replace the \\b black\\b0  cartridge.\\par Then close the cover.}"));
    EXPECT_EQ(window_text(re), "Replace the black cartridge.\r\nThen close the cover.");
    EXPECT_EQ(get_window_text_length(re), 51);
    set_window_text(re, "plain {\\b not rtf}");
    EXPECT_EQ(window_text(re), "plain {\\b not rtf}");

    send_message(re, EM_EXLIMITTEXT, 0, 10);
    set_window_text(re, "{\\rtf1 0123456789ABCDEF}");
    EXPECT_EQ(window_text(re), "0123456789");
}

TEST_F(RichEditTest, StreamInReadsEveryChunkTheCallbackGives) {
    HWND re = make();
    struct Source {
        std::string data;
        std::size_t at = 0;
        int calls = 0;
    } source{"{\\rtf1 first\\par {\\i second}}"};
    EDITSTREAM stream;
    stream.dwCookie = reinterpret_cast<std::uintptr_t>(&source);
    stream.pfnCallback = [](std::uintptr_t cookie, std::uint8_t* buffer, std::int32_t cb, std::int32_t* pcb) -> std::uint32_t {
        auto* s = reinterpret_cast<Source*>(cookie);
        ++s->calls;
        std::int32_t n = std::min<std::int32_t>({cb, 3, static_cast<std::int32_t>(s->data.size() - s->at)});
        std::memcpy(buffer, s->data.data() + s->at, static_cast<std::size_t>(n));
        s->at += static_cast<std::size_t>(n);
        *pcb = n;
        return 0;
    };
    EXPECT_EQ(send_message(re, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream)), 13);
    EXPECT_EQ(window_text(re), "first\r\nsecond");
    EXPECT_GT(source.calls, 9);

    // An error from the callback ends the stream and is reported.
    stream.pfnCallback = [](std::uintptr_t, std::uint8_t*, std::int32_t, std::int32_t* pcb) -> std::uint32_t {
        *pcb = 0;
        return 5;
    };
    send_message(re, EM_STREAMIN, SF_TEXT, reinterpret_cast<LPARAM>(&stream));
    EXPECT_EQ(stream.dwError, 5u);
    EXPECT_EQ(window_text(re), "");
}

TEST_F(RichEditTest, LongTextWrapsAndScrollsByLines) {
    HWND re = make(120, 60);
    std::string words;
    for (int i = 0; i < 40; ++i) words += "word" + std::to_string(i) + " ";
    set_window_text(re, words.c_str());
    auto lines = send_message(re, EM_GETLINECOUNT, 0, 0);
    EXPECT_GT(lines, 5);
    EXPECT_EQ(send_message(re, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
    send_message(re, EM_LINESCROLL, 0, 2);
    EXPECT_EQ(send_message(re, EM_GETFIRSTVISIBLELINE, 0, 0), 2);
    send_message(re, WM_VSCROLL, make_wparam(7 /* SB_BOTTOM */, 0), 0);
    auto last_top = send_message(re, EM_GETFIRSTVISIBLELINE, 0, 0);
    EXPECT_GT(last_top, 2);
    send_message(re, EM_LINESCROLL, 0, 1000);
    EXPECT_EQ(send_message(re, EM_GETFIRSTVISIBLELINE, 0, 0), last_top);  // not past the end
    // A scroll bar is drawn at the right edge.
    auto p = twtest::ControlHost::render(re);
    EXPECT_NE(p.at(p.width - 8, p.height / 2), p.at(2, p.height - 2));

    // Each line starts where the last one ended, without losing a character.
    std::string joined;
    for (int line = 0; line < lines; ++line) {
        auto start = send_message(re, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
        auto end = line + 1 < lines ? send_message(re, EM_LINEINDEX, static_cast<WPARAM>(line + 1), 0)
                                    : static_cast<LRESULT>(words.size());
        joined += words.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
    }
    EXPECT_EQ(joined, words);
}

bool inked(std::uint32_t c) { return ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF) < 300; }

// The first and last inked x of each band of inked rows (each line of text),
// from the top.
std::vector<std::pair<int, int>> inked_lines(const twtest::ControlHost::Picture& p) {
    std::vector<std::pair<int, int>> lines;
    bool in_line = false;
    for (int y = 0; y < p.height; ++y) {
        int first = p.width, last = -1;
        for (int x = 0; x < p.width; ++x)
            if (inked(p.at(x, y))) first = std::min(first, x), last = std::max(last, x);
        if (last < 0) {
            in_line = false;
            continue;
        }
        if (!in_line) lines.emplace_back(first, last);
        in_line = true;
        lines.back().first = std::min(lines.back().first, first);
        lines.back().second = std::max(lines.back().second, last);
    }
    return lines;
}

TEST_F(RichEditTest, BoldRunIsDrawnWiderThanThePlainOne) {
    HWND re = make(300, 80);
    send_message(re, EM_SETBKGNDCOLOR, 0, rgb(255, 255, 255));
    set_window_text(re, "{\\rtf1 Cartridge\\par \\b Cartridge}");
    auto p = twtest::ControlHost::render(re);
    auto lines = inked_lines(p);
    ASSERT_EQ(lines.size(), 2u);
    auto plain = lines[0], bold = lines[1];
    EXPECT_EQ(plain.first, bold.first);
    EXPECT_GT(bold.second - bold.first, plain.second - plain.first);
    EXPECT_EQ(p.at(p.width - 2, p.height - 2), 0xFFFFFFu);  // the background asked for
}

TEST_F(RichEditTest, ColourAndSizeRunsAreDrawnAsTheySay) {
    HWND re = make(300, 80);
    send_message(re, EM_SETBKGNDCOLOR, 0, rgb(255, 255, 255));
    set_window_text(re, "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\cf1\\fs40 Big}");
    auto p = twtest::ControlHost::render(re);
    int red = 0, top = p.height, bottom = -1;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x)
            if (p.at(x, y) == 0xFF0000u) {
                ++red;
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_GT(red, 20);
    EXPECT_GE(bottom - top, 14);  // 20 points is about 27 pixels of cell, capitals ~19
}

TEST_F(RichEditTest, SelectionAndCharFormatAnswer) {
    HWND re = make();
    set_window_text(re, "abc\r\ndef");
    CHARRANGE range{2, -1};
    send_message(re, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARRANGE got;
    send_message(re, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&got));
    EXPECT_EQ(got.cpMin, 2);
    EXPECT_EQ(got.cpMax, 8);
    CHARFORMAT cf;
    cf.dwMask = CFM_BOLD;
    cf.dwEffects = CFE_BOLD;
    send_message(re, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    EXPECT_EQ(window_text(re), "abc\r\ndef");
    EXPECT_EQ(send_message(re, EM_SETEVENTMASK, 0, ENM_LINK), 0);
    EXPECT_EQ(send_message(re, EM_GETEVENTMASK, 0, 0), static_cast<LRESULT>(ENM_LINK));
}

}  // namespace
