#include "platform/registry_hive.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>

#include "platform/registry.h"

namespace hive = platform::hive;
using platform::ERROR_BADDB;

namespace {

std::vector<std::uint8_t> bytes(std::string_view s) { return {s.begin(), s.end()}; }

TEST(RegistryHiveTest, DecodesAHandWrittenFileInEveryForm) {
    const std::string text =
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n"
        "; written by hand\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Maker]\r\n"
        "@=\"default\"\n"
        "\"Path\" = \"C:\\\\Dir \\\"x\\\"\"\n"
        "\"Count\"=DWORD:A\n"
        "\"Blob\"=hex:01, 2,ff,\\\n"
        "    10,\\\r\n"
        "  20\n"
        "\"Exp\"=hex(2):25,00\n"
        "\"Q\"=hex(b):01,00,00,00,00,00,00,00\n"
        "\"Empty\"=hex:\n"
        "\"Gone\"=-\n"
        "   ; indented comment\n"
        "[-HKEY_CURRENT_USER\\Old\\]\n";
    auto doc = hive::decode(text, "hand.reg", ERROR_BADDB);
    ASSERT_TRUE(doc.ok()) << doc.error().text;
    ASSERT_EQ(doc->sections.size(), 2u);
    const auto& s = doc->sections[0];
    EXPECT_EQ(s.path, (std::vector<std::string>{"HKEY_LOCAL_MACHINE", "Software", "Maker"}));
    EXPECT_EQ(s.line, 4u);
    struct Expected { const char* name; bool remove; std::uint32_t type; std::vector<std::uint8_t> data; };
    const Expected expected[] = {
        {"", false, platform::REG_SZ, bytes(std::string_view("default\0", 8))},
        {"Path", false, platform::REG_SZ, bytes(std::string_view("C:\\Dir \"x\"\0", 11))},
        {"Count", false, platform::REG_DWORD, {10, 0, 0, 0}},
        {"Blob", false, platform::REG_BINARY, {1, 2, 0xff, 0x10, 0x20}},
        {"Exp", false, platform::REG_EXPAND_SZ, {0x25, 0}},
        {"Q", false, 11, {1, 0, 0, 0, 0, 0, 0, 0}},
        {"Empty", false, platform::REG_BINARY, {}},
        {"Gone", true, 0, {}},
    };
    ASSERT_EQ(s.values.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(s.values[i].name, expected[i].name);
        EXPECT_EQ(s.values[i].remove, expected[i].remove);
        if (!expected[i].remove) {
            EXPECT_EQ(s.values[i].type, expected[i].type);
            EXPECT_EQ(s.values[i].data, expected[i].data);
        }
    }
    EXPECT_TRUE(doc->sections[1].remove);
    EXPECT_EQ(doc->sections[1].path, (std::vector<std::string>{"HKEY_CURRENT_USER", "Old"}));
}

// Values that must come back byte for byte, including those a plain "text"
// line cannot carry.
hive::Key sample_tree() {
    hive::Key root;
    root.name = "HKEY_CURRENT_USER";
    hive::Key& k = root.add_subkey("Software").add_subkey("Odd [name] = \"x\"");
    std::vector<std::uint8_t> long_blob;
    for (int i = 0; i < 300; ++i) long_blob.push_back(static_cast<std::uint8_t>(i * 7));
    k.set_value("", platform::REG_SZ, bytes(std::string_view("dflt\0", 5)));
    k.set_value("quote\"and\\slash", platform::REG_SZ, bytes(std::string_view("a\\b\"c\0", 6)));
    k.set_value("no terminator", platform::REG_SZ, bytes("abc"));
    k.set_value("inner zero", platform::REG_SZ, bytes(std::string_view("a\0b\0", 4)));
    k.set_value("line break", platform::REG_SZ, bytes(std::string_view("a\r\nb\0", 5)));
    k.set_value("empty sz", platform::REG_SZ, {});
    k.set_value("ansi", platform::REG_SZ, {0xe9, 0xfc, 0});
    k.set_value("dword", platform::REG_DWORD, {0x78, 0x56, 0x34, 0x12});
    k.set_value("short dword", platform::REG_DWORD, {1, 2});
    k.set_value("blob", platform::REG_BINARY, long_blob);
    k.set_value("multi", platform::REG_MULTI_SZ, bytes(std::string_view("one\0two\0\0", 9)));
    k.set_value("none", platform::REG_NONE, {});
    k.set_value("qword", 11, {1, 2, 3, 4, 5, 6, 7, 8});
    k.set_value("big type", 0x12345, {9});
    root.find_subkey("Software")->add_subkey("Empty");
    return root;
}

TEST(RegistryHiveTest, EncodedTextDecodesToTheSameValuesWithinEightyColumns) {
    hive::Key root = sample_tree();
    std::string text = hive::encode(root, "HKEY_CURRENT_USER");
    auto doc = hive::decode(text, "round.reg", ERROR_BADDB);
    ASSERT_TRUE(doc.ok()) << doc.error().text << "\n" << text;

    ASSERT_EQ(doc->sections.size(), 4u);
    EXPECT_EQ(doc->sections[3].path.back(), "Odd [name] = \"x\"");
    const hive::Key& original = root.subkeys[0].subkeys[1];
    const auto& values = doc->sections[3].values;
    ASSERT_EQ(values.size(), original.values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        SCOPED_TRACE(original.values[i].name);
        EXPECT_EQ(values[i].name, original.values[i].name);
        EXPECT_EQ(values[i].type, original.values[i].type);
        EXPECT_EQ(values[i].data, original.values[i].data);
    }

    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        ASSERT_FALSE(line.empty());
        EXPECT_EQ(line.back(), '\r');
        EXPECT_LE(line.size(), 81u) << line;
    }
}

TEST(RegistryHiveTest, BrokenTextNamesTheLineAndTheFault) {
    struct Case { const char* text; std::size_t line; const char* reason; } cases[] = {
        {"", 1, "missing REGEDIT4 header"},
        {"\n\n[HKEY_LOCAL_MACHINE]\n", 3, "missing REGEDIT4 header"},
        {"REGEDIT4\n\n\"a\"=\"b\"\n", 3, "value line outside a key"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE]\n\"a\"=\"b\n", 3, "unterminated string"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE]\n\"a\"=\"C:\\Windows\"\n", 3, "unknown escape \\W"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE]\n\"a\"=\"b\" junk\n", 3, "text after the closing quote"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE]\n\"a\"=hex:01,zz\n", 3, "bad hex byte \"zz\""},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE]\n\"a\"=hex:01,,02\n", 3, "bad hex byte \"\""},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE]\n\"a\"=hex:01,\\\n  02,\\\n  0g\n\"b\"=\"\"\n", 3, "bad hex byte \"0g\""},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE]\n\"a\"=dword:123456789\n", 3, "bad number"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE]\n\"a\"=hex(7:00\n", 3, "hex( without ):"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE]\n\"a\"=maybe\n", 3, "unknown value data"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE]\n\"a\" \"b\"\n", 3, "missing = after value name"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\n", 2, "key line does not end with ]"},
        {"REGEDIT4\n[]\n", 2, "empty key path"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\\\Software]\n", 2, "empty key name"},
        {"REGEDIT4\n[-HKEY_LOCAL_MACHINE\\X]\n\"a\"=\"b\"\n", 3, "value line under a deleted key"},
        {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE]\r\nname=value\r\n", 3, "unrecognised line"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto doc = hive::decode(c.text, "/x/HIVE.reg", ERROR_BADDB);
        ASSERT_FALSE(doc.ok());
        EXPECT_EQ(doc.error().code, ERROR_BADDB);
        std::string prefix = "/x/HIVE.reg line " + std::to_string(c.line) + ": ";
        EXPECT_EQ(doc.error().text.substr(0, prefix.size()), prefix) << doc.error().text;
        EXPECT_NE(doc.error().text.find(c.reason), std::string::npos) << doc.error().text;
    }
}

// Each prefix of a valid file sits in a buffer of exactly its size, so a read
// past the end shows under the address sanitizer.
TEST(RegistryHiveTest, EveryTruncationOfAFileDecodesOrFailsWithoutOverreading) {
    std::string text = hive::encode(sample_tree(), "HKEY_CURRENT_USER");
    std::size_t failures = 0;
    for (std::size_t n = 0; n <= text.size(); ++n) {
        auto buffer = std::make_unique<char[]>(n);
        std::memcpy(buffer.get(), text.data(), n);
        auto doc = hive::decode(std::string_view(buffer.get(), n), "cut.reg", ERROR_BADDB);
        if (!doc) {
            ++failures;
            EXPECT_NE(doc.error().text.find("cut.reg line "), std::string::npos);
        }
    }
    EXPECT_GT(failures, 0u);  // cuts inside a string or a hex list must be refused
}

}  // namespace
