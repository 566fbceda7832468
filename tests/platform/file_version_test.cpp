#include "platform/file_version.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>

#include "platform/paths.h"
#include "tests/support/test_root.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

constexpr const char* kVersionScript = R"(
1 VERSIONINFO
 FILEVERSION 2,1,0,37
 PRODUCTVERSION 2,1
 FILEFLAGSMASK VS_FFI_FILEFLAGSMASK
 FILEFLAGS VS_FF_PRERELEASE
 FILEOS VOS_NT_WINDOWS32
 FILETYPE VFT_DLL
 FILESUBTYPE 0
BEGIN
    BLOCK "StringFileInfo"
    BEGIN
        BLOCK "040904b0"
        BEGIN
            VALUE "CompanyName", "Example Works"
            VALUE "ProductVersion", "2.1"
            VALUE "Comments", ""
        END
    END
    BLOCK "VarFileInfo"
    BEGIN
        VALUE "Translation", 0x409, 1200
    END
END
)";

class FileVersionTest : public ::testing::Test {
protected:
    FileVersionTest() {
        folder_ = *to_host_path("C:\\") / "RES";
        fs::create_directories(folder_);
        std::ofstream(folder_ / "KVRES.rc") << kVersionScript;
    }
    std::vector<std::uint8_t> block(const std::string& file) {
        std::uint32_t handle = 99;
        std::uint32_t size = get_file_version_info_size(file, &handle);
        EXPECT_EQ(handle, 0u);
        if (size == 0) return {};
        std::vector<std::uint8_t> data(size);
        EXPECT_TRUE(get_file_version_info(file, handle, size, data.data()));
        return data;
    }
    static std::string text(const std::vector<std::uint8_t>& b, const char* path) {
        const void* value = nullptr;
        std::uint32_t length = 0;
        if (!ver_query_value(b.data(), path, &value, &length)) return "<none>";
        EXPECT_EQ(std::strlen(static_cast<const char*>(value)) + 1, length) << path;
        return static_cast<const char*>(value);
    }

    twtest::TempMachineRoot root_;
    fs::path folder_;
};

TEST_F(FileVersionTest, TheFixedPartTextsAndTranslationAreFound) {
    // The library's Windows name reaches the script beside where it would be.
    auto b = block("C:\\res\\kvres.dll");
    ASSERT_FALSE(b.empty()) << last_error_text();

    const void* value = nullptr;
    std::uint32_t length = 0;
    ASSERT_TRUE(ver_query_value(b.data(), "\\", &value, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, value, sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00020001u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0x00000025u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00020001u);
    EXPECT_EQ(fixed.dwProductVersionLS, 0u);
    EXPECT_EQ(fixed.dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed.dwFileFlags, 0x2u);
    EXPECT_EQ(fixed.dwFileOS, 0x40004u);
    EXPECT_EQ(fixed.dwFileType, 2u);

    EXPECT_EQ(text(b, "\\StringFileInfo\\040904B0\\ProductVersion"), "2.1");
    EXPECT_EQ(text(b, "\\stringfileinfo\\040904b0\\CompanyName"), "Example Works");
    EXPECT_EQ(text(b, "\\StringFileInfo\\040904B0\\Comments"), "");
    EXPECT_EQ(text(b, "\\StringFileInfo\\040904B0\\FileDescription"), "<none>");
    EXPECT_EQ(text(b, "\\StringFileInfo\\041104B0\\ProductVersion"), "<none>");

    ASSERT_TRUE(ver_query_value(b.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    const auto* t = static_cast<const std::uint8_t*>(value);
    EXPECT_EQ(t[0] | (t[1] << 8), 0x409);
    EXPECT_EQ(t[2] | (t[3] << 8), 1200);
}

TEST_F(FileVersionTest, ModulesWithoutVersionInformation) {
    std::ofstream(folder_ / "Plain.rc") << "STRINGTABLE { 1 \"no version here\" }\n";
    EXPECT_EQ(get_file_version_info_size("C:\\RES\\PLAIN.DLL"), 0u);
    EXPECT_EQ(last_error(), ERROR_RESOURCE_TYPE_NOT_FOUND);
    EXPECT_EQ(get_file_version_info_size("C:\\RES\\NOWHERE.DLL"), 0u);
    EXPECT_EQ(last_error(), ERROR_FILE_NOT_FOUND);
    std::ofstream(folder_ / "Broken.rc") << "1 VERSIONINFO\nFILEVERSION 1\n";
    EXPECT_EQ(get_file_version_info_size("C:\\RES\\BROKEN.RC"), 0u);
    EXPECT_EQ(last_error(), ERROR_BAD_EXE_FORMAT);

    std::vector<std::uint8_t> small(8);
    EXPECT_FALSE(get_file_version_info("C:\\RES\\KVRES.DLL", 0, 8, small.data()));
    EXPECT_EQ(last_error(), ERROR_INSUFFICIENT_BUFFER);
}

// A block that was damaged (or is not a block at all) answers "not found" and
// is never read past its own length.
TEST_F(FileVersionTest, DamagedBlocksAreNeverReadPastTheirLength) {
    const auto good = block("C:\\RES\\KVRES.RC");
    ASSERT_FALSE(good.empty());
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        auto b = good;
        for (int k = 0; k < 4; ++k) b[rng() % b.size()] = static_cast<std::uint8_t>(rng());
        if (round % 3 == 0) b[0] = static_cast<std::uint8_t>(rng());  // a wrong total length
        // The block claims at most its first word; keep that much readable.
        const std::size_t claimed = b[0] | (b[1] << 8);
        if (claimed > b.size()) b.resize(claimed, 0);
        const void* value = nullptr;
        std::uint32_t length = 0;
        for (const char* path : {"\\", "\\StringFileInfo\\040904B0\\ProductVersion", "\\VarFileInfo\\Translation"}) {
            if (ver_query_value(b.data(), path, &value, &length)) {
                const auto* v = static_cast<const std::uint8_t*>(value);
                EXPECT_LE(v + length, b.data() + claimed);
            }
        }
    }
}

}  // namespace
