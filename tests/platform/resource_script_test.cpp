#include "platform/resource_script.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/test_root.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

// Style bits as Windows numbers them, for the expectations below.
constexpr std::uint32_t WS_POPUP = 0x80000000, WS_CHILD = 0x40000000, WS_VISIBLE = 0x10000000;
constexpr std::uint32_t WS_CAPTION = 0x00C00000, WS_BORDER = 0x00800000, WS_SYSMENU = 0x00080000;
constexpr std::uint32_t WS_GROUP = 0x00020000, WS_TABSTOP = 0x00010000, WS_DISABLED = 0x08000000;
constexpr std::uint32_t DS_SETFONT = 0x40, DS_MODALFRAME = 0x80, WS_EX_TOOLWINDOW = 0x80;
constexpr std::uint32_t CV = WS_CHILD | WS_VISIBLE;

class ResourceScriptTest : public ::testing::Test {
protected:
    fs::path dir() const { return root_.path() / "scripts"; }
    void write(const std::string& name, const std::string& text) {
        fs::create_directories((dir() / name).parent_path());
        std::ofstream(dir() / name, std::ios::binary) << text;
    }
    Result<ResourceScript> parse(const std::string& text) {
        write("test.rc", text);
        return parse_resource_script(dir() / "test.rc");
    }
    ResourceScript parse_ok(const std::string& text) {
        auto r = parse(text);
        EXPECT_TRUE(r.ok()) << (r.ok() ? "" : r.error().describe());
        return r.ok() ? std::move(*r) : ResourceScript{};
    }

    twtest::TempMachineRoot root_;
};

TEST_F(ResourceScriptTest, ShorthandControlsGetTheResourceCompilersDefaultStyles) {
    auto script = parse_ok(R"(
101 DIALOG 0, 0, 200, 100
BEGIN
    LTEXT "left", 1, 1, 2, 3, 4
    RTEXT "right", 2, 0, 0, 10, 10
    CTEXT "centre", 3, 0, 0, 10, 10
    PUSHBUTTON "push", 4, 0, 0, 10, 10
    DEFPUSHBUTTON "def", 5, 0, 0, 10, 10
    CHECKBOX "check", 6, 0, 0, 10, 10
    AUTOCHECKBOX "auto", 7, 0, 0, 10, 10
    RADIOBUTTON "radio", 8, 0, 0, 10, 10
    AUTORADIOBUTTON "autoradio", 9, 0, 0, 10, 10
    GROUPBOX "group", 10, 0, 0, 10, 10
    EDITTEXT 11, 0, 0, 10, 10
    ICON 500, 12, 5, 6
    SCROLLBAR 13, 0, 0, 10, 10
    PUSHBUTTON "extra", 14, 0, 0, 10, 10, WS_DISABLED | NOT WS_TABSTOP
    EDITTEXT 15, 0, 0, 10, 10, ES_AUTOHSCROLL | NOT WS_BORDER, WS_EX_TOOLWINDOW
    CONTROL "", 16, "msctls_progress32", PBS_SMOOTH | NOT WS_VISIBLE, 1, 2, 30, 8
    CONTROL 110, 17, "Static", SS_BITMAP, 0, 0, 10, 10
    ICON IDI_PRINTER, 18, 0, 0, 20, 20, SS_CENTERIMAGE
END
)");
    const DialogTemplate& d = script.dialogs.at(101);
    struct Expected {
        const char* class_name;
        const char* text;
        std::uint32_t style;
        std::uint32_t ex_style;
    };
    const Expected expected[] = {
        {"STATIC", "left", CV | WS_GROUP | 0x0, 0},
        {"STATIC", "right", CV | WS_GROUP | 0x2, 0},
        {"STATIC", "centre", CV | WS_GROUP | 0x1, 0},
        {"BUTTON", "push", CV | WS_TABSTOP | 0x0, 0},
        {"BUTTON", "def", CV | WS_TABSTOP | 0x1, 0},
        {"BUTTON", "check", CV | WS_TABSTOP | 0x2, 0},
        {"BUTTON", "auto", CV | WS_TABSTOP | 0x3, 0},
        {"BUTTON", "radio", CV | WS_TABSTOP | 0x4, 0},
        {"BUTTON", "autoradio", CV | WS_TABSTOP | 0x9, 0},
        {"BUTTON", "group", CV | 0x7, 0},
        {"EDIT", "", CV | WS_BORDER | WS_TABSTOP, 0},
        {"STATIC", "#500", CV | 0x3, 0},
        {"SCROLLBAR", "", CV, 0},
        {"BUTTON", "extra", CV | WS_DISABLED, 0},
        {"EDIT", "", CV | WS_TABSTOP | 0x80, WS_EX_TOOLWINDOW},
        {"msctls_progress32", "", WS_CHILD | 0x1, 0},
        {"Static", "#110", CV | 0xE, 0},
        {"STATIC", "IDI_PRINTER", CV | 0x3 | 0x200, 0},
    };
    ASSERT_EQ(d.items.size(), std::size(expected));
    for (std::size_t i = 0; i < d.items.size(); ++i) {
        SCOPED_TRACE("control " + std::to_string(i + 1));
        EXPECT_EQ(d.items[i].id, i + 1);
        EXPECT_EQ(d.items[i].class_name, expected[i].class_name);
        EXPECT_EQ(d.items[i].text, expected[i].text);
        EXPECT_EQ(d.items[i].style, expected[i].style);
        EXPECT_EQ(d.items[i].ex_style, expected[i].ex_style);
    }
    EXPECT_EQ(d.items[0].x, 1);
    EXPECT_EQ(d.items[0].y, 2);
    EXPECT_EQ(d.items[0].cx, 3);
    EXPECT_EQ(d.items[0].cy, 4);
    EXPECT_EQ(d.items[11].x, 5);  // ICON without a size
    EXPECT_EQ(d.items[11].cx, 0);
    EXPECT_EQ(d.items[17].cx, 20);
}

TEST_F(ResourceScriptTest, DialogHeaderStatements) {
    auto script = parse_ok(R"(
LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US
102 DIALOGEX DISCARDABLE 10, 20, 300, 150, 77
CAPTION "Status " "window"
FONT 8, "MS Sans Serif", 700, 1, 0x1
EXSTYLE WS_EX_TOOLWINDOW
CLASS "MyDialogClass"
MENU 400
BEGIN
    LTEXT "x", IDC_STATIC, 0, 0, 1, 1
END
103 DIALOG 0, 0, 10, 10
STYLE DS_MODALFRAME | WS_POPUP
CAPTION "Explicit"
{
    CONTROL "y", IDC_STATIC, "Button", BS_OWNERDRAW, 0, 0, 1, 1
}
"NAMED" DIALOG 0, 0, 10, 10
BEGIN
END
)");
    const DialogTemplate& ex = script.dialogs.at(102);
    EXPECT_EQ(ex.x, 10);
    EXPECT_EQ(ex.y, 20);
    EXPECT_EQ(ex.cx, 300);
    EXPECT_EQ(ex.cy, 150);
    EXPECT_EQ(ex.caption, "Status window");
    EXPECT_EQ(ex.style, WS_POPUP | WS_BORDER | WS_SYSMENU | WS_CAPTION | DS_SETFONT);
    EXPECT_EQ(ex.ex_style, WS_EX_TOOLWINDOW);
    EXPECT_EQ(ex.class_name, "MyDialogClass");
    EXPECT_EQ(ex.font_face, "MS Sans Serif");
    EXPECT_EQ(ex.font_points, 8);
    EXPECT_EQ(ex.font_weight, 700);
    EXPECT_TRUE(ex.font_italic);
    EXPECT_EQ(ex.items.at(0).id, 0xFFFFFFFFu);  // 32-bit ids in a DIALOGEX

    const DialogTemplate& plain = script.dialogs.at(103);
    EXPECT_EQ(plain.style, DS_MODALFRAME | WS_POPUP);  // a STYLE line is taken as written
    EXPECT_EQ(plain.items.at(0).id, 0xFFFFu);          // 16-bit ids in a DIALOG
    EXPECT_EQ(plain.items.at(0).style, CV | 0xB);

    const DialogTemplate& named = script.dialogs.at(ResourceName("named"));
    EXPECT_EQ(named.style, WS_POPUP | WS_BORDER | WS_SYSMENU);
    EXPECT_TRUE(named.items.empty());
    EXPECT_NE(script.find(102, RT_DIALOG), nullptr);
}

TEST_F(ResourceScriptTest, DefinesIncludesConditionsAndExpressions) {
    write("sub/ids.h", R"(
#ifndef IDS_H
#define IDS_H
/* C declarations in a header are skipped */
int ignored_function(void);
#define IDB_BASE        15000
#define IDS_TITLE       (1100)
#define IDD_STATUS      102
#define IDC_LONG_NAME   0x10 | \
                        3
#endif
)");
    auto script = parse_ok(R"(#include <windows.h>
#include "SUB\IDS.H"
#include "afxres.h"
#define IDS_ALIAS IDS_TITLE
#if defined(IDS_H) && IDB_BASE > 100
#define PICKED 1
#else
#define PICKED 2
#endif
#ifdef NOT_DEFINED
this line is not read at all
#endif
STRINGTABLE
BEGIN
    IDS_ALIAS "title"
    IDS_TITLE + 1, "next"
    PICKED "picked"
    -1 + 3 * (2 + 1) "arithmetic"
END
IDB_BASE + 4 * 1 RCDATA BEGIN IDC_LONG_NAME END
PrinterPicture RCDATA BEGIN 1 END
"Quoted Name" RCDATA BEGIN 2 END
)");
    EXPECT_EQ(script.strings.at(1100), "title");
    EXPECT_EQ(script.strings.at(1101), "next");
    EXPECT_EQ(script.strings.at(1), "picked");
    EXPECT_EQ(script.strings.at(8), "arithmetic");
    const ResourceEntry* data = script.find(15004, RT_RCDATA);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->bytes, (std::vector<std::uint8_t>{0x13, 0x00}));
    EXPECT_NE(script.find(ResourceName("printerpicture"), RT_RCDATA), nullptr);
    EXPECT_NE(script.find(ResourceName("QUOTED NAME"), RT_RCDATA), nullptr);
}

TEST_F(ResourceScriptTest, StringEscapesAndJoinedLiterals) {
    struct Case {
        const char* literal;
        std::string text;
    };
    const Case cases[] = {
        {R"("a\nb\tc")", "a\nb\tc"},
        {R"("back\\slash \"quoted\"")", "back\\slash \"quoted\""},
        {R"("say ""hi""")", "say \"hi\""},
        {R"("\x41\102C")", "ABC"},
        {R"("\xE9t\xE9")", "\xC3\xA9t\xC3\xA9"},           // not UTF-8 as bytes: read as Latin-1
        {"\"d\xC3\xA9j\xC3\xA0\"", "d\xC3\xA9j\xC3\xA0"},  // UTF-8 text stays as it is
        {R"(L"\x20AC")", "\xE2\x82\xAC"},
        {R"("one " "two"  "three")", "one twothree"},
        {R"("keep \q")", "keep \\q"},
        {R"("")", ""},
    };
    for (const auto& c : cases) {
        auto script = parse_ok(std::string("STRINGTABLE { 7, ") + c.literal + " }");
        EXPECT_EQ(script.strings[7], c.text) << c.literal;
    }
}

TEST_F(ResourceScriptTest, DataBlocksGiveExactBytes) {
    write("table.bin", std::string("\x01\x02\x00\xFF", 4));
    auto script = parse_ok(R"(
11010 RCDATA
BEGIN
    1, 2, 0x1234, "text\0", 5L, -1, 0x12345678L
    "ab", L"c"
    65535
END
11011 RCDATA "table.bin"
300 GUIDE { 7 }
301 300 "table.bin"
)");
    const ResourceEntry* e = script.find(11010, RT_RCDATA);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->bytes, (std::vector<std::uint8_t>{1, 0, 2, 0, 0x34, 0x12, 't', 'e', 'x', 't', 0, 5, 0, 0, 0, 0xFF, 0xFF,
                                                    0x78, 0x56, 0x34, 0x12, 'a', 'b', 'c', 0, 0xFF, 0xFF}));
    ASSERT_NE(script.find(11011, RT_RCDATA), nullptr);
    EXPECT_EQ(script.find(11011, RT_RCDATA)->bytes, (std::vector<std::uint8_t>{1, 2, 0, 0xFF}));
    ASSERT_NE(script.find(300, ResourceName("guide")), nullptr);
    EXPECT_EQ(script.find(300, ResourceName("GUIDE"))->bytes, (std::vector<std::uint8_t>{7, 0}));
    EXPECT_NE(script.find(301, 300), nullptr);  // a type of one's own by number
}

TEST_F(ResourceScriptTest, BadScriptsAreRefusedWithFileLineAndReason) {
    write("ok.bmp", "not a picture at all");
    struct Case {
        const char* script;
        int line;
        const char* reason;
    };
    const Case cases[] = {
        {"STRINGTABLE\nBEGIN\n  1 \"never closed\nEND\n", 3, "string without its closing quote"},
        {"STRINGTABLE\nBEGIN\n  1 \"a\"\n", 2, "BEGIN without its END"},
        {"101 DIALOG 0, 0, 10, 10\nBEGIN\n  PUSHBUTN \"x\", 1, 0, 0, 1, 1\nEND\n", 3, "unknown control statement PUSHBUTN"},
        {"\n101 DIALOGG 0, 0, 10, 10\n", 2, "unknown statement 101 DIALOGG"},
        {"STRINGTABEL\nBEGIN\nEND\n", 2, "unknown statement STRINGTABEL BEGIN"},
        {"1 BITMAP \"missing.bmp\"\n", 1, "cannot find the file missing.bmp"},
        {"1 BITMAP \"ok.bmp\"\n", 1, "ok.bmp: not a BMP, PNG or ICO picture"},
        {"1 RCDATA { 1 }\n\n1 RCDATA { 2 }\n", 3, "a second resource #1 of type #10 (the first is at line 1)"},
        {"STRINGTABLE { 5 \"a\"\n 5 \"b\" }\n", 2, "a second string 5 (the first is at line 1)"},
        {"1 DIALOG 0,0,1,1 {}\n1 DIALOG 0,0,1,1 {}\n", 2, "a second dialog #1"},
        {"STRINGTABLE { IDS_NOWHERE \"a\" }\n", 1, "unknown name IDS_NOWHERE"},
        {"1 RCDATA { 70000 }\n", 1, "does not fit in a 16-bit word"},
        {"0 RCDATA { 1 }\n", 1, "id 0 is out of range"},
        {"#ifdef X\n1 RCDATA { 1 }\n", 1, "#if without #endif"},
        {"/* never\nclosed\n", 1, "comment without its closing */"},
        {"#include \"nowhere.h\"\n", 1, "cannot open the included file nowhere.h"},
        {"1 DIALOG 0, 0, 10\nBEGIN\nEND\n", 2, "',' expected after a dialog coordinate"},
        {"1 VERSIONINFO\nFILEVERSION 1\nBEGIN\n VALUE \"A\", \"x\", 1\nEND\n", 4, "text or numbers, not both"},
        {"#define F(x) x\n1 RCDATA { F(1) }\n", 2, "macro F takes arguments"},
    };
    for (const auto& c : cases) {
        auto r = parse(c.script);
        ASSERT_FALSE(r.ok()) << c.script;
        EXPECT_EQ(r.error().code, ERROR_BAD_EXE_FORMAT) << c.script;
        std::string where = (dir() / "test.rc").string() + " line " + std::to_string(c.line) + ": ";
        EXPECT_TRUE(r.error().text.starts_with(where)) << c.script << "\n  gave: " << r.error().text;
        EXPECT_NE(r.error().text.find(c.reason), std::string::npos) << c.script << "\n  gave: " << r.error().text;
    }
}

TEST_F(ResourceScriptTest, ErrorsInAnIncludedFileNameThatFile) {
    write("ids.rc2", "STRINGTABLE { 1 \"a\" }\n\n2 BOGUS 3\n");
    auto r = parse("#include \"ids.rc2\"\n");
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().text.substr(0, r.error().text.find(':')), (dir() / "ids.rc2").string() + " line 3");
}

// Windows tools save scripts as UTF-16 with a byte-order mark, or as UTF-8 with one.
TEST_F(ResourceScriptTest, ScriptsWithAByteOrderMarkAreRead) {
    const std::string text = "STRINGTABLE { 1 \"caf\xC3\xA9 \xE2\x82\xAC\" }\r\n";
    std::string utf16 = "\xFF\xFE";
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        std::uint32_t cp = c;
        if (c >= 0xE0) {
            cp = ((c & 0x0Fu) << 12) | ((static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6) |
                 (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
            i += 2;
        } else if (c >= 0xC0) {
            cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
            i += 1;
        }
        utf16 += static_cast<char>(cp & 0xFF);
        utf16 += static_cast<char>(cp >> 8);
    }
    for (const std::string& file : {utf16, "\xEF\xBB\xBF" + text}) {
        auto script = parse_ok(file);
        EXPECT_EQ(script.strings[1], "caf\xC3\xA9 \xE2\x82\xAC");
    }
}

TEST_F(ResourceScriptTest, SkippedResourcesAndOptionsDoNotDisturbTheRest) {
    auto script = parse_ok(R"(
200 MENU
BEGIN
    POPUP "&File"
    BEGIN
        MENUITEM "E&xit", 1
    END
END
STRINGTABLE PRELOAD DISCARDABLE
LANGUAGE 9, 1
BEGIN
    1 "after the menu"
END
)");
    EXPECT_EQ(script.strings.at(1), "after the menu");
}

}  // namespace
