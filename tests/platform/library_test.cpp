#include "platform/library.h"

#include <dlfcn.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "platform/files.h"
#include "platform/paths.h"
#include "tests/support/test_root.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

// A fresh computer, with the build tree's test libraries reachable through
// TWPRINTER_LIBRARY_PATH, which is removed again afterwards.
class LibraryTest : public ::testing::Test {
protected:
    LibraryTest() {
        ::setenv("TWPRINTER_LIBRARY_PATH", TWP_PLUGIN_DIR, 1);
        system_ = *system_directory_host_path();
        windows_ = *windows_directory_host_path();
    }
    ~LibraryTest() override { ::unsetenv("TWPRINTER_LIBRARY_PATH"); }

    static std::string origin(Handle module) {
        auto f = get_proc_as<const char*()>(module, "TestPlugOrigin");
        return f ? std::string((*f)()) : "error " + std::to_string(f.error().code);
    }
    static int count(Handle module) { return (*get_proc_as<int()>(module, "TestPlugCount"))(); }
    // Whether the host loader still has the file mapped.
    static bool host_has_loaded(const fs::path& file) {
        void* dl = ::dlopen(file.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (dl) ::dlclose(dl);
        return dl != nullptr;
    }

    twtest::TempMachineRoot root_;
    fs::path system_;
    fs::path windows_;
};

TEST_F(LibraryTest, WindowsSpellingsFindTheSharedObjectIgnoringCase) {
    for (const char* name : {"TESTPLUG.DLL", "testplug.dll", "TestPlug", "TestPlug.so", "TestPlug.Drv"}) {
        auto module = load_library(name);
        ASSERT_TRUE(module.ok()) << name << ": " << module.error().describe();
        EXPECT_EQ(origin(*module), "build") << name;
        EXPECT_TRUE(free_library(*module).ok());
    }
}

TEST_F(LibraryTest, SystemFolderComesBeforeWindowsFolderBeforeLibraryPath) {
    // Only in the build tree.
    auto module = load_library("TestPlug.dll");
    ASSERT_TRUE(module.ok());
    EXPECT_EQ(origin(*module), "build");
    ASSERT_TRUE(free_library(*module).ok());

    // The Windows folder wins over the library path.
    fs::copy_file(TWP_PLUGIN_COPY, windows_ / "TESTPLUG.so");
    module = load_library("TestPlug.dll");
    ASSERT_TRUE(module.ok());
    EXPECT_EQ(origin(*module), "copy");
    ASSERT_TRUE(free_library(*module).ok());

    // The system folder wins over the Windows folder.
    fs::copy_file(fs::path(TWP_PLUGIN_DIR) / "TestPlug.so", system_ / "testplug.SO");
    module = load_library("TESTPLUG.DLL");
    ASSERT_TRUE(module.ok());
    EXPECT_EQ(origin(*module), "build");
    auto file = get_module_file_name(*module);
    ASSERT_TRUE(file.ok());
    EXPECT_EQ(*file, "C:\\WINNT\\SYSTEM32\\testplug.SO");
    ASSERT_TRUE(free_library(*module).ok());

    // A path says exactly where.
    module = load_library("C:\\winnt\\TestPlug.DLL");
    ASSERT_TRUE(module.ok());
    EXPECT_EQ(origin(*module), "copy");
    ASSERT_TRUE(free_library(*module).ok());

    // Without the library path, the Windows folder is still searched.
    fs::remove(system_ / "testplug.SO");
    ::unsetenv("TWPRINTER_LIBRARY_PATH");
    module = load_library("testplug");
    ASSERT_TRUE(module.ok());
    EXPECT_EQ(origin(*module), "copy");
    ASSERT_TRUE(free_library(*module).ok());
}

TEST_F(LibraryTest, LoadingAgainCountsAndOnlyTheLastFreeUnloads) {
    auto first = load_library("TESTPLUG.DLL");
    ASSERT_TRUE(first.ok());
    auto path = module_host_path(*first);
    ASSERT_TRUE(path.ok());
    EXPECT_EQ(count(*first), 1);

    auto second = load_library(path->string());  // another name, same file
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(*second, *first);
    EXPECT_EQ(count(*second), 2);  // the same instance, not a second copy

    ASSERT_TRUE(free_library(*first).ok());
    EXPECT_TRUE(host_has_loaded(*path));
    auto found = get_module_handle("testplug.dll");
    ASSERT_TRUE(found.ok());
    EXPECT_EQ(*found, *first);
    EXPECT_EQ(count(*first), 3);

    ASSERT_TRUE(free_library(*first).ok());
    EXPECT_FALSE(host_has_loaded(*path));
    EXPECT_EQ(get_module_handle("testplug.dll").error().code, ERROR_MOD_NOT_FOUND);
    EXPECT_EQ(get_proc_address(*first, "TestPlugCount").error().code, ERROR_INVALID_HANDLE);
    EXPECT_EQ(free_library(*first).error().code, ERROR_INVALID_HANDLE);

    auto again = load_library("TESTPLUG.DLL");
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(count(*again), 1);  // fresh statics: it really was unloaded
    ASSERT_TRUE(free_library(*again).ok());
}

TEST_F(LibraryTest, ExportsAreFoundByNameAndByOrdinal) {
    auto module = load_library("TestPlug.dll");
    ASSERT_TRUE(module.ok());
    auto add = get_proc_as<int(int, int)>(*module, "TestPlugAdd");
    ASSERT_TRUE(add.ok());
    EXPECT_EQ((*add)(2, 3), 5);

    auto by_ordinal = get_proc_address(*module, std::uint32_t{1});
    ASSERT_TRUE(by_ordinal.ok());
    EXPECT_EQ(*by_ordinal, reinterpret_cast<void*>(*add));
    auto origin_by_ordinal = get_proc_address(*module, std::uint32_t{3});
    ASSERT_TRUE(origin_by_ordinal.ok());
    EXPECT_STREQ(reinterpret_cast<const char* (*)()>(*origin_by_ordinal)(), "build");

    struct Case {
        const char* what;
        Result<void*> result;
    } misses[] = {
        {"unknown name", get_proc_address(*module, "TestPlugNothing")},
        {"ordinal not in the table", get_proc_address(*module, std::uint32_t{2})},
        {"ordinal of a missing export", get_proc_address(*module, std::uint32_t{4})},
        {"ordinal zero", get_proc_address(*module, std::uint32_t{0})},
    };
    for (const auto& miss : misses) {
        ASSERT_FALSE(miss.result.ok()) << miss.what;
        EXPECT_EQ(miss.result.error().code, ERROR_PROC_NOT_FOUND) << miss.what;
    }
    set_last_error(ERROR_SUCCESS);
    EXPECT_FALSE(get_proc_address(*module, "TestPlugNothing").ok());
    EXPECT_EQ(last_error(), ERROR_PROC_NOT_FOUND);
    ASSERT_TRUE(free_library(*module).ok());
}

TEST_F(LibraryTest, MissingOrBrokenLibrariesFailWithWindowsCodes) {
    std::ofstream(system_ / "BROKEN.so") << "this is not a library";
    struct Case {
        const char* name;
        WinError code;
    } cases[] = {
        {"NOSUCH.DLL", ERROR_MOD_NOT_FOUND},
        {"C:\\NoFolder\\TestPlug.dll", ERROR_MOD_NOT_FOUND},
        {"", ERROR_MOD_NOT_FOUND},
        {"broken.dll", ERROR_BAD_EXE_FORMAT},
        {"TestNeedy.dll", ERROR_PROC_NOT_FOUND},  // its import is nowhere
    };
    for (const auto& c : cases) {
        set_last_error(ERROR_SUCCESS);
        auto module = load_library(c.name);
        ASSERT_FALSE(module.ok()) << c.name;
        EXPECT_EQ(module.error().code, c.code) << c.name << ": " << module.error().describe();
        EXPECT_EQ(last_error(), c.code) << c.name;
    }
    // The host loader's own words are kept for people.
    ASSERT_FALSE(load_library("broken.dll").ok());
    EXPECT_NE(last_error_text().find("BROKEN.so"), std::string::npos) << last_error_text();
}

TEST_F(LibraryTest, ExecutableHasAModuleHandleOfItsOwn) {
    auto exe = get_module_handle();
    ASSERT_TRUE(exe.ok());
    EXPECT_EQ(*get_module_handle(), *exe);
    auto path = module_host_path(*exe);
    ASSERT_TRUE(path.ok());
    EXPECT_EQ(*path, fs::read_symlink("/proc/self/exe"));
    EXPECT_EQ(*get_module_handle(path->filename().string() + ".EXE"), *exe);
    EXPECT_EQ(*get_module_file_name(*exe), *get_module_file_name(kNullHandle));
    EXPECT_TRUE(free_library(*exe).ok());  // never unloaded
    EXPECT_EQ(*get_module_handle(), *exe);
}

}  // namespace
