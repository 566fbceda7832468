#include "platform/profile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "tests/support/test_root.h"

namespace profile = platform::profile;

namespace {

class ProfileTest : public ::testing::Test {
protected:
    void write_file(const std::string& text) {
        std::ofstream(file_, std::ios::binary) << text;
    }
    std::string file_text() {
        std::ifstream in(file_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    twtest::TempMachineRoot root_;
    std::filesystem::path file_ = root_.path() / "test.ini";
};

TEST_F(ProfileTest, ReadsValuesIgnoringCaseBlanksQuotesAndComments) {
    write_file(
        "; a comment\r\n"
        "[Printer]\r\n"
        "  Name =  Kestrel 800  \r\n"
        "Quoted=\"  padded  \"\r\n"
        "Single='x'\r\n"
        ";Name=commented\r\n"
        "Name=second wins not\r\n"
        "[printer]\r\n"
        "Other=from the second section\r\n");
    EXPECT_EQ(profile::read_string(file_, "PRINTER", "name"), "Kestrel 800");
    EXPECT_EQ(profile::read_string(file_, "Printer", "Quoted"), "  padded  ");
    EXPECT_EQ(profile::read_string(file_, "Printer", "Single"), "x");
    // The first of two equal sections is the one read.
    EXPECT_EQ(profile::read_string(file_, "Printer", "Other", "dflt  "), "dflt");
    EXPECT_EQ(profile::section_names(file_), (std::vector<std::string>{"Printer"}));
    EXPECT_EQ(profile::key_names(file_, "printer"), (std::vector<std::string>{"Name", "Quoted", "Single"}));
}

TEST_F(ProfileTest, ReadIntFollowsWindowsParsing) {
    write_file("[S]\nA=42\nB= -7 apples\nC=apples\nD=\n");
    struct Case { const char* key; int expected; } cases[] = {
        {"A", 42}, {"B", -7}, {"C", 0}, {"D", 0}, {"Missing", 99},
    };
    for (auto& c : cases) EXPECT_EQ(profile::read_int(file_, "S", c.key, 99), c.expected) << c.key;
    EXPECT_EQ(profile::read_int(root_.path() / "absent.ini", "S", "A", 5), 5);
}

TEST_F(ProfileTest, WritesKeepCommentsLineEndingsAndOrder) {
    write_file("; keep me\n[A]\nx=1\n\n[B]\ny=2\n");
    ASSERT_TRUE(profile::write_string(file_, "a", "X", "10").ok());
    ASSERT_TRUE(profile::write_string(file_, "A", "z", "3").ok());
    ASSERT_TRUE(profile::write_string(file_, "C", "w", "4").ok());
    EXPECT_EQ(file_text(), "; keep me\n[A]\nX=10\nz=3\n\n[B]\ny=2\n\n[C]\nw=4\n");
    ASSERT_TRUE(profile::delete_key(file_, "B", "Y").ok());
    ASSERT_TRUE(profile::delete_section(file_, "a").ok());
    EXPECT_EQ(file_text(), "; keep me\n[B]\n\n[C]\nw=4\n");
}

TEST_F(ProfileTest, NewFileGetsWindowsLineEndings) {
    ASSERT_TRUE(profile::write_string(file_, "Sec", "Key", "v").ok());
    EXPECT_EQ(file_text(), "[Sec]\r\nKey=v\r\n");
}

TEST_F(ProfileTest, BufferReadsTruncateAsWindowsDoes) {
    write_file("[One]\nk1=abcdef\nk2=x\n[Two]\n");
    char buf[32];
    EXPECT_EQ(profile::read_string_into(file_, "One", "k1", "", buf, 4), 3u);
    EXPECT_STREQ(buf, "abc");
    // Section names: "One\0Two\0\0".
    EXPECT_EQ(profile::read_string_into(file_, nullptr, nullptr, "", buf, sizeof buf), 8u);
    EXPECT_EQ(std::string(buf, 9), std::string("One\0Two\0\0", 9));
    // Truncated list: size - 2, closed by two zeros.
    EXPECT_EQ(profile::read_string_into(file_, "One", nullptr, "", buf, 5), 3u);
    EXPECT_EQ(std::string(buf, 5), std::string("k1\0k\0", 5).substr(0, 3) + std::string("\0\0", 2));
    EXPECT_EQ(profile::read_string_into(file_, "None", "k", "dflt", buf, sizeof buf), 4u);
    EXPECT_STREQ(buf, "dflt");
}

TEST_F(ProfileTest, BareNameIsInTheWindowsDirectory) {
    ASSERT_TRUE(profile::write_string(profile::profile_path("MODEL.INI"), "S", "K", "v").ok());
    EXPECT_EQ(profile::read_string(profile::profile_path("C:\\winnt\\model.ini"), "s", "k"), "v");
    EXPECT_TRUE(std::filesystem::exists(root_.path() / "drives/c/WINNT/MODEL.INI"));
}

}  // namespace
