#include "platform/resources.h"

#include <dlfcn.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/files.h"
#include "platform/library.h"
#include "platform/paths.h"
#include "tests/support/test_root.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

// A 2 x 1 bitmap file: red, then blue.
std::string two_pixel_bmp() {
    const unsigned char b[] = {'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,  // file header
                               40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 8, 0, 0, 0,
                               0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                               0, 0, 0xFF, 0xFF, 0, 0, 0, 0};
    return std::string(reinterpret_cast<const char*>(b), sizeof b);
}

// A WAVE file of `samples` silent 8-bit mono samples at 8000 Hz.
std::string wave(std::uint32_t samples) {
    std::string w = "RIFF";
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) w += static_cast<char>(v >> (8 * i));
    };
    auto put16 = [&](std::uint32_t v) {
        w += static_cast<char>(v);
        w += static_cast<char>(v >> 8);
    };
    put32(36 + samples);
    w += "WAVEfmt ";
    put32(16);
    put16(1);
    put16(1);
    put32(8000);
    put32(8000);
    put16(1);
    put16(8);
    w += "data";
    put32(samples);
    w += std::string(samples, '\x80');
    return w;
}

constexpr const char* kScript = R"(#include "ids.h"
STRINGTABLE
BEGIN
    IDS_CAPTION "Printer status"
    42 "Ink: caf\xC3\xA9"
END
IDD_STATUS DIALOGEX 0, 0, 200, 100
CAPTION "Status"
FONT 8, "MS Sans Serif"
BEGIN
    CONTROL "", 314, "KVInkMeterLIB", 0, 10, 10, 20, 60
END
IDB_PRINTER BITMAP "printer.bmp"
5001 WAVE "ding.wav"
11012 RCDATA BEGIN 0x0102, 3L END
Guide RCDATA BEGIN "G" END
)";

class ResourcesTest : public ::testing::Test {
protected:
    ResourcesTest() {
        libs_ = root_.path() / "libs";
        fs::create_directories(libs_);
        write(libs_ / "ids.h", "#define IDS_CAPTION 1100\n#define IDD_STATUS 102\n#define IDB_PRINTER 500\n");
        write(libs_ / "printer.bmp", two_pixel_bmp());
        write(libs_ / "ding.wav", wave(800));
        write(libs_ / "KVRes.RC", kScript);
        ::setenv("TWPRINTER_LIBRARY_PATH", libs_.c_str(), 1);
    }
    ~ResourcesTest() override { ::unsetenv("TWPRINTER_LIBRARY_PATH"); }

    static void write(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

    twtest::TempMachineRoot root_;
    fs::path libs_;
};

TEST_F(ResourcesTest, AResourceOnlyLibraryLoadsByItsWindowsName) {
    auto module = load_library("KVRES.DLL");
    ASSERT_TRUE(module.ok()) << module.error().describe();
    auto again = get_module_handle("kvres.dll");
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(*again, *module);
    auto file = get_module_file_name(*module);
    ASSERT_TRUE(file.ok());
    EXPECT_EQ(*file, to_windows_path(libs_ / "KVRes.RC"));
    EXPECT_EQ(get_proc_address(*module, "Anything").error().code, ERROR_PROC_NOT_FOUND);

    EXPECT_EQ(*load_string(*module, 1100), "Printer status");
    const DialogTemplate* status = find_dialog_template(*module, 102);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(status->caption, "Status");
    EXPECT_EQ(status->items.at(0).class_name, "KVInkMeterLIB");

    HRSRC data = find_resource(*module, 11012, RT_RCDATA);
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(sizeof_resource(*module, data), 6u);
    const auto* bytes = static_cast<const std::uint8_t*>(lock_resource(load_resource(*module, data)));
    EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 6), (std::vector<std::uint8_t>{2, 1, 3, 0, 0, 0}));
    EXPECT_NE(find_resource(*module, "guide", RT_RCDATA), nullptr);
    EXPECT_NE(find_resource(*module, "#11012", RT_RCDATA), nullptr);

    auto sound = resource_bytes(*module, 5001, RT_WAVE);
    ASSERT_TRUE(sound.ok());
    EXPECT_EQ(sound->size(), wave(800).size());

    // A bitmap resource is the file without its file header.
    HRSRC bitmap = find_resource(*module, 500, RT_BITMAP);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(sizeof_resource(*module, bitmap), two_pixel_bmp().size() - 14);
    auto picture = load_image_resource(*module, 500, IMAGE_BITMAP);
    ASSERT_TRUE(picture.ok()) << picture.error().describe();
    EXPECT_EQ(picture->pixels, (std::vector<std::uint32_t>{0xFFFF0000, 0xFF0000FF}));

    EXPECT_TRUE(free_library(*module).ok());
}

TEST_F(ResourcesTest, MissingResourcesSayWhatIsMissing) {
    auto module = load_library("KVRES.DLL");
    ASSERT_TRUE(module.ok());
    EXPECT_EQ(find_resource(*module, 999, RT_RCDATA), nullptr);
    EXPECT_EQ(find_resource(*module, 11012 + 0x10000, RT_RCDATA), nullptr);  // not cut to 11012
    EXPECT_EQ(last_error(), ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(find_resource(*module, 1, RT_GROUP_ICON), nullptr);
    EXPECT_EQ(last_error(), ERROR_RESOURCE_TYPE_NOT_FOUND);
    EXPECT_EQ(find_dialog_template(*module, 103), nullptr);
    EXPECT_EQ(last_error(), ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(load_image_resource(*module, 501, IMAGE_BITMAP).error().code, ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(load_string(*module, 7).error().code, ERROR_RESOURCE_NAME_NOT_FOUND);
    ASSERT_TRUE(free_library(*module).ok());
}

TEST_F(ResourcesTest, ResourcesLiveAsLongAsTheModule) {
    auto first = load_library("KVRES.DLL");
    auto second = load_library(to_windows_path(libs_ / "kvres.rc"));
    ASSERT_TRUE(first.ok());
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(*first, *second);
    ASSERT_TRUE(free_library(*first).ok());
    EXPECT_EQ(*load_string(*second, 1100), "Printer status");  // one reference left
    ASSERT_TRUE(free_library(*second).ok());
    EXPECT_EQ(find_resource(*second, 11012, RT_RCDATA), nullptr);
    EXPECT_EQ(last_error(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(get_module_handle("KVRES.DLL").ok());
}

TEST_F(ResourcesTest, LoadStringTruncatesAtWholeCharacters) {
    auto module = load_library("KVRES.DLL");
    ASSERT_TRUE(module.ok());
    // String 42 is "Ink: café": 10 bytes, the é being two of them.
    struct Case {
        int size;
        int copied;
        const char* text;
    };
    for (const Case c : {Case{1, 0, ""}, Case{5, 4, "Ink:"}, Case{10, 8, "Ink: caf"}, Case{11, 10, "Ink: caf\xC3\xA9"},
                         Case{64, 10, "Ink: caf\xC3\xA9"}}) {
        char buffer[64];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(load_string(*module, 42, buffer, c.size), c.copied) << "size " << c.size;
        EXPECT_STREQ(buffer, c.text) << "size " << c.size;
    }
    char buffer[8] = "xxxxxxx";
    EXPECT_EQ(load_string(*module, 43, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    ASSERT_TRUE(free_library(*module).ok());
}

TEST_F(ResourcesTest, ABrokenScriptRefusesTheModule) {
    write(libs_ / "Broken.rc", "STRINGTABLE\nBEGIN\n 1 \"ok\"\n 2 oops\nEND\n");
    auto module = load_library("BROKEN.DLL");
    ASSERT_FALSE(module.ok());
    EXPECT_EQ(module.error().code, ERROR_BAD_EXE_FORMAT);
    EXPECT_EQ(last_error(), ERROR_BAD_EXE_FORMAT);
    EXPECT_EQ(last_error_text(), (libs_ / "Broken.rc").string() + " line 4: the text of string 2 in quotes expected, not oops");
    EXPECT_FALSE(get_module_handle("BROKEN.DLL").ok());
}

// A library and the script beside it make one module; a broken script keeps
// the library from loading at all.
TEST_F(ResourcesTest, ALibraryCarriesTheScriptBesideIt) {
    fs::path folder = root_.path() / "plug";
    fs::create_directories(folder);
    fs::copy_file(fs::path(TWP_PLUGIN_DIR) / "TestPlug.so", folder / "TestPlug.so");
    write(folder / "testplug.rc", "STRINGTABLE { 9 \"beside the library\" }\n");
    auto module = load_library(to_windows_path(folder / "TESTPLUG.DLL"));
    ASSERT_TRUE(module.ok()) << module.error().describe();
    EXPECT_TRUE(get_proc_address(*module, "TestPlugOrigin").ok());
    EXPECT_EQ(*load_string(*module, 9), "beside the library");
    ASSERT_TRUE(free_library(*module).ok());

    write(folder / "testplug.rc", "STRINGTABLE { 9 \"unclosed }\n");
    module = load_library(to_windows_path(folder / "TESTPLUG.DLL"));
    ASSERT_FALSE(module.ok());
    EXPECT_EQ(module.error().code, ERROR_BAD_EXE_FORMAT);
    void* dl = ::dlopen((folder / "TestPlug.so").c_str(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_EQ(dl, nullptr);
    if (dl) ::dlclose(dl);
}

// resources_test.rc is copied beside this test program by the build.
TEST_F(ResourcesTest, TheExecutablesOwnScriptIsModuleZero) {
    EXPECT_EQ(*load_string(kNullHandle, 1), "from the executable");
    EXPECT_EQ(*load_string(*get_module_handle(), 1), "from the executable");
    EXPECT_NE(find_dialog_template(kNullHandle, 100), nullptr);
}

}  // namespace
