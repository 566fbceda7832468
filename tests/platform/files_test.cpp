#include "platform/files.h"

#include <sys/stat.h>
#include <sys/xattr.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>

#include "platform/paths.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

twtest::ChildRole print_attributes("print-attributes", [](const std::vector<std::string>& args) {
    std::printf("%08X\n", get_file_attributes(args.at(0)));
    return 0;
});

void write_file(const fs::path& path, std::string_view contents) {
    std::ofstream out(path, std::ios::binary);
    out << contents;
}

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

fs::path drive_c(const twtest::TempMachineRoot& root) { return root.path() / "drives/c"; }

FileTime now_as_file_time() {
    auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
    return kUnixEpochAsFileTime +
           static_cast<FileTime>(std::chrono::duration_cast<std::chrono::nanoseconds>(since_epoch).count() / 100);
}

TEST(FileAttributesTest, SetAttributesReadBackAndReadOnlyShowsInTheMode) {
    twtest::TempMachineRoot root;
    write_file(drive_c(root) / "Setup.inf", "x");
    struct Case {
        std::uint32_t set;
        std::uint32_t expected;
    } cases[] = {
        {FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY},
        {FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
        {FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN,
         FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN},
        {FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_NORMAL},
        {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE, FILE_ATTRIBUTE_ARCHIVE},  // DIRECTORY cannot be set
        {0, FILE_ATTRIBUTE_NORMAL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.set);
        ASSERT_TRUE(set_file_attributes("c:\\SETUP.INF", c.set).ok());
        EXPECT_EQ(get_file_attributes("C:\\setup.inf"), c.expected);
        struct stat st;
        ASSERT_EQ(::stat((drive_c(root) / "Setup.inf").c_str(), &st), 0);
        bool read_only = c.expected & FILE_ATTRIBUTE_READONLY;
        EXPECT_EQ((st.st_mode & 0222) == 0, read_only);
        EXPECT_EQ((st.st_mode & S_IWUSR) != 0, !read_only);
    }
}

TEST(FileAttributesTest, ReadOnlyFolderKeepsItsFlagAndStaysWritable) {
    twtest::TempMachineRoot root;
    ASSERT_TRUE(create_directory("C:\\Drivers").ok());
    ASSERT_TRUE(set_file_attributes("C:\\DRIVERS", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN).ok());
    EXPECT_EQ(get_file_attributes("C:\\Drivers"),
              FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    struct stat st;
    ASSERT_EQ(::stat((drive_c(root) / "Drivers").c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IWUSR, 0u);
    ASSERT_TRUE(set_file_attributes("C:\\Drivers", FILE_ATTRIBUTE_NORMAL).ok());
    EXPECT_EQ(get_file_attributes("C:\\Drivers"), FILE_ATTRIBUTE_DIRECTORY);
}

TEST(FileAttributesTest, AnotherProcessOfTheComputerSeesTheAttributes) {
    twtest::TempMachineRoot root;
    write_file(drive_c(root) / "OEM.INF", "x");
    std::uint32_t set = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY;
    ASSERT_TRUE(set_file_attributes("C:\\oem.inf", set).ok());
    auto child = twtest::spawn_child("print-attributes", {"C:\\OEM.INF"});
    char expected[16];
    std::snprintf(expected, sizeof expected, "%08X", set);
    EXPECT_EQ(child.read_line(), expected);
    EXPECT_EQ(child.wait(), 0);
}

TEST(FileAttributesTest, MissingFileOrFolderGivesInvalidAttributesAndTheRightError) {
    twtest::TempMachineRoot root;
    struct Case {
        const char* path;
        WinError error;
    } cases[] = {
        {"C:\\nothing.txt", ERROR_FILE_NOT_FOUND},
        {"C:\\NoFolder\\nothing.txt", ERROR_PATH_NOT_FOUND},
        {"Q:\\unmapped.txt", ERROR_PATH_NOT_FOUND},
    };
    for (const auto& c : cases) {
        set_last_error(ERROR_SUCCESS);
        EXPECT_EQ(get_file_attributes(c.path), INVALID_FILE_ATTRIBUTES) << c.path;
        EXPECT_EQ(last_error(), c.error) << c.path;
        EXPECT_EQ(set_file_attributes(c.path, FILE_ATTRIBUTE_HIDDEN).error().code, c.error) << c.path;
    }
}

// Plays a file system without extended attributes for one test.
class NoXattrFileSystem {
public:
    NoXattrFileSystem() : saved_(xattr_calls()) {
        xattr_calls().get = [](const char*, const char*, void*, size_t) -> ssize_t { return refuse(); };
        xattr_calls().set = [](const char*, const char*, const void*, size_t, int) { return refuse(); };
        xattr_calls().remove = [](const char*, const char*) { return refuse(); };
    }
    ~NoXattrFileSystem() { xattr_calls() = saved_; }

private:
    static int refuse() {
        errno = ENOTSUP;
        return -1;
    }
    XattrCalls saved_;
};

TEST(FileAttributesTest, FileSystemWithoutExtendedAttributesRefusesOnlyTheBitsThatNeedThem) {
    twtest::TempMachineRoot root;
    write_file(drive_c(root) / "plain.txt", "x");
    NoXattrFileSystem no_xattrs;
    auto hidden = set_file_attributes("C:\\plain.txt", FILE_ATTRIBUTE_HIDDEN);
    ASSERT_FALSE(hidden.ok());
    EXPECT_EQ(hidden.error().code, ERROR_NOT_SUPPORTED);
    EXPECT_EQ(last_error(), ERROR_NOT_SUPPORTED);
    EXPECT_TRUE(set_file_attributes("C:\\plain.txt", FILE_ATTRIBUTE_READONLY).ok());
    EXPECT_EQ(get_file_attributes("C:\\plain.txt"), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(set_file_attributes("C:\\plain.txt", FILE_ATTRIBUTE_NORMAL).ok());
    EXPECT_EQ(get_file_attributes("C:\\plain.txt"), FILE_ATTRIBUTE_NORMAL);
}

TEST(FileTimesTest, AccessAndWriteTimesRoundTripAndCreationIsWhenTheFileWasMade) {
    twtest::TempMachineRoot root;
    FileTime before = now_as_file_time();
    write_file(drive_c(root) / "data.bin", "x");
    // Host file stamps come from a coarse clock that may trail the fine one
    // by a tick; one second of slack keeps this an ordering test.
    constexpr FileTime kOneSecond = 10'000'000;

    auto fresh = get_file_times("C:\\DATA.BIN");
    ASSERT_TRUE(fresh.ok());
    EXPECT_GE(fresh->creation + kOneSecond, before);
    EXPECT_LE(fresh->creation, now_as_file_time());
    EXPECT_GE(fresh->last_write, fresh->creation);

    struct Case {
        const char* what;
        FileTime access;
        FileTime write;
    } cases[] = {
        {"2001-02-03 with 100-ns digits", 126255744001234567ull, 126255744009876543ull},
        {"1980-01-01, the cabinet epoch", 119600064000000000ull, 119600064000000000ull},
        {"1960, before the host epoch", 113818176000000000ull, 113818176000000001ull},
        {"2040, after 32-bit seconds run out", 138813120000000000ull, 138813120000000000ull},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(set_file_times("C:\\data.bin", c.access, c.write).ok());
        auto times = get_file_times("C:\\data.bin");
        ASSERT_TRUE(times.ok());
        EXPECT_EQ(times->last_access, c.access);
        EXPECT_EQ(times->last_write, c.write);
    }

    // Only the write time: the access time stays.
    ASSERT_TRUE(set_file_times("C:\\data.bin", std::nullopt, 126255744000000000ull).ok());
    auto times = get_file_times("C:\\data.bin");
    ASSERT_TRUE(times.ok());
    EXPECT_EQ(times->last_access, cases[3].access);
    EXPECT_EQ(times->last_write, 126255744000000000ull);

    EXPECT_EQ(get_file_times("C:\\gone.bin").error().code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(set_file_times("C:\\gone\\x.bin", 1, 1).error().code, ERROR_PATH_NOT_FOUND);
}

TEST(DiskFreeSpaceTest, FiguresAreConsistentAndMissingFolderFails) {
    twtest::TempMachineRoot root;
    auto space = get_disk_free_space("C:\\");
    ASSERT_TRUE(space.ok());
    EXPECT_GT(space->total_bytes, 0u);
    EXPECT_GE(space->total_bytes, space->total_free_bytes);
    EXPECT_GE(space->total_free_bytes, space->free_bytes_available_to_caller);
    EXPECT_EQ(get_disk_free_space("C:\\NoSuchFolder\\").error().code, ERROR_PATH_NOT_FOUND);
}

TEST(TempFilesTest, TempPathIsTheComputersTempFolderWithABackslash) {
    twtest::TempMachineRoot root;
    auto path = get_temp_path();
    ASSERT_TRUE(path.ok());
    EXPECT_EQ(*path, "C:\\TEMP\\");
    auto host = to_host_path(*path);
    ASSERT_TRUE(host.ok());
    EXPECT_TRUE(fs::is_directory(*host));
}

TEST(TempFilesTest, NamesWithUniqueZeroAreDistinctAndCreated) {
    twtest::TempMachineRoot root;
    std::set<std::string> names;
    // "C:\TEMP\TWP" + four upper-case hex digits + ".TMP"
    auto has_shape = [](const std::string& name) {
        const std::string head = "C:\\TEMP\\TWP", tail = ".TMP";
        if (name.size() != head.size() + 4 + tail.size()) return false;
        if (name.compare(0, head.size(), head) != 0 || name.compare(name.size() - 4, 4, tail) != 0) return false;
        return name.substr(head.size(), 4).find_first_not_of("0123456789ABCDEF") == std::string::npos;
    };
    for (int i = 0; i < 50; ++i) {
        auto name = get_temp_file_name("C:\\TEMP", "TWPrinter", 0);
        ASSERT_TRUE(name.ok());
        EXPECT_TRUE(has_shape(*name)) << *name;
        EXPECT_TRUE(names.insert(*name).second) << "given twice: " << *name;
        EXPECT_EQ(get_file_attributes(*name), FILE_ATTRIBUTE_NORMAL) << *name;
        auto host = to_host_path(*name);
        ASSERT_TRUE(host.ok());
        EXPECT_EQ(fs::file_size(*host), 0u);
    }
}

TEST(TempFilesTest, GivenUniqueNumberOnlyMakesTheName) {
    twtest::TempMachineRoot root;
    auto name = get_temp_file_name("C:\\TEMP\\", "ab", 0x1A2);
    ASSERT_TRUE(name.ok());
    EXPECT_EQ(*name, "C:\\TEMP\\ab01A2.TMP");
    EXPECT_EQ(get_file_attributes(*name), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(get_temp_file_name("C:\\NoTemp", "ab", 0).error().code, ERROR_DIRECTORY);
}

class FindFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::path disks = drive_c(root_) / "Disks";
        fs::create_directories(disks / "Drivers");
        for (const char* name : {"setup.inf", "OEM.INF", "readme", "DISK1.CAB", "disk2.cab", "DISK10.CAB", "data.inf.bak"})
            write_file(disks / name, name);
    }
    std::vector<std::string> names(std::string_view pattern) {
        auto found = find_files(pattern);
        if (!found) return {"error " + std::to_string(found.error().code)};
        std::vector<std::string> out;
        for (const auto& f : *found) out.push_back(f.name);
        return out;
    }
    twtest::TempMachineRoot root_;
};

TEST_F(FindFilesTest, WildcardsMatchIgnoringCaseInNameOrder) {
    using Names = std::vector<std::string>;
    struct Case {
        const char* pattern;
        Names expected;
    } cases[] = {
        {"C:\\DISKS\\*.INF", Names{"OEM.INF", "setup.inf"}},
        {"c:\\disks\\DISK?.CAB", Names{"DISK1.CAB", "disk2.cab"}},
        {"C:\\Disks\\disk1?.cab", Names{"DISK10.CAB"}},
        {"C:\\Disks\\*.*", Names{"data.inf.bak", "DISK1.CAB", "DISK10.CAB", "disk2.cab", "Drivers", "OEM.INF",
                                 "readme", "setup.inf"}},
        {"C:\\Disks\\*.", Names{"Drivers", "readme"}},
        {"C:\\Disks\\*inf*", Names{"data.inf.bak", "OEM.INF", "setup.inf"}},
        {"C:\\Disks\\SETUP.INF", Names{"setup.inf"}},
        {"C:\\Disks\\*.exe", Names{"error 2"}},
        {"C:\\NoDisks\\*.*", Names{"error 3"}},
    };
    for (const auto& c : cases) EXPECT_EQ(names(c.pattern), c.expected) << c.pattern;
}

TEST_F(FindFilesTest, EntriesCarryAttributesSizesAndTimes) {
    ASSERT_TRUE(set_file_attributes("C:\\Disks\\OEM.INF", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY).ok());
    ASSERT_TRUE(set_file_times("C:\\Disks\\OEM.INF", 119600064000000000ull, 126255744001234567ull).ok());
    auto found = find_files("C:\\Disks\\o*");
    ASSERT_TRUE(found.ok());
    ASSERT_EQ(found->size(), 1u);
    const FoundFile& oem = found->front();
    EXPECT_EQ(oem.attributes, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(oem.size, 7u);
    EXPECT_EQ(oem.times.last_write, 126255744001234567ull);
    EXPECT_EQ(oem.times.last_access, 119600064000000000ull);

    auto drivers = find_files("C:\\Disks\\DRIVERS");
    ASSERT_TRUE(drivers.ok());
    EXPECT_EQ(drivers->front().attributes, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(drivers->front().size, 0u);
}

TEST(FolderTest, CreateAndRemoveReportWindowsErrors) {
    twtest::TempMachineRoot root;
    ASSERT_TRUE(create_directory("C:\\Work").ok());
    EXPECT_TRUE(fs::is_directory(drive_c(root) / "Work"));
    EXPECT_EQ(create_directory("c:\\WORK").error().code, ERROR_ALREADY_EXISTS);
    EXPECT_EQ(last_error(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(create_directory("C:\\Missing\\Sub").error().code, ERROR_PATH_NOT_FOUND);

    write_file(drive_c(root) / "Work/file.txt", "x");
    EXPECT_EQ(remove_directory("C:\\Work").error().code, ERROR_DIR_NOT_EMPTY);
    EXPECT_EQ(remove_directory("C:\\Work\\file.txt").error().code, ERROR_DIRECTORY);
    EXPECT_EQ(remove_directory("C:\\Gone").error().code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(delete_file("C:\\Work").error().code, ERROR_ACCESS_DENIED);
    ASSERT_TRUE(delete_file("C:\\work\\FILE.TXT").ok());
    ASSERT_TRUE(remove_directory("C:\\work").ok());
    EXPECT_FALSE(fs::exists(drive_c(root) / "Work"));
}

TEST(FileOperationsTest, DeleteRefusesReadOnlyFilesAndMissingOnes) {
    twtest::TempMachineRoot root;
    write_file(drive_c(root) / "locked.dat", "x");
    ASSERT_TRUE(set_file_attributes("C:\\locked.dat", FILE_ATTRIBUTE_READONLY).ok());
    EXPECT_EQ(delete_file("C:\\locked.dat").error().code, ERROR_ACCESS_DENIED);
    EXPECT_TRUE(fs::exists(drive_c(root) / "locked.dat"));
    ASSERT_TRUE(set_file_attributes("C:\\locked.dat", FILE_ATTRIBUTE_NORMAL).ok());
    EXPECT_TRUE(delete_file("C:\\locked.dat").ok());
    EXPECT_EQ(delete_file("C:\\locked.dat").error().code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(delete_file("C:\\nodir\\locked.dat").error().code, ERROR_PATH_NOT_FOUND);
}

TEST(FileOperationsTest, CopyCarriesContentsAttributesAndWriteTime) {
    twtest::TempMachineRoot root;
    write_file(drive_c(root) / "src.dll", "library bytes");
    write_file(drive_c(root) / "old.dll", "old");
    ASSERT_TRUE(set_file_attributes("C:\\src.dll", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY).ok());
    ASSERT_TRUE(set_file_times("C:\\src.dll", std::nullopt, 126255744001234567ull).ok());

    EXPECT_EQ(copy_file("C:\\src.dll", "C:\\OLD.DLL", IfExists::Fail).error().code, ERROR_FILE_EXISTS);
    EXPECT_EQ(read_file(drive_c(root) / "old.dll"), "old");
    ASSERT_TRUE(copy_file("C:\\SRC.DLL", "C:\\old.dll", IfExists::Replace).ok());
    EXPECT_EQ(read_file(drive_c(root) / "old.dll"), "library bytes");
    ASSERT_TRUE(copy_file("C:\\src.dll", "C:\\New.dll", IfExists::Fail).ok());
    EXPECT_EQ(get_file_attributes("C:\\new.dll"), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(get_file_times("C:\\new.dll")->last_write, 126255744001234567ull);

    // The copy is read-only now, so replacing it is refused as on Windows.
    EXPECT_EQ(copy_file("C:\\old.dll", "C:\\new.dll", IfExists::Replace).error().code, ERROR_ACCESS_DENIED);
    EXPECT_EQ(copy_file("C:\\none.dll", "C:\\x.dll", IfExists::Replace).error().code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(copy_file("C:\\src.dll", "C:\\NoDir\\x.dll", IfExists::Replace).error().code, ERROR_PATH_NOT_FOUND);
}

TEST(FileOperationsTest, MoveRefusesAnExistingTargetUnlessAskedAndCanChangeLetterCase) {
    twtest::TempMachineRoot root;
    write_file(drive_c(root) / "a.txt", "a");
    write_file(drive_c(root) / "b.txt", "b");
    EXPECT_EQ(move_file("C:\\a.txt", "C:\\B.TXT").error().code, ERROR_ALREADY_EXISTS);
    EXPECT_EQ(read_file(drive_c(root) / "b.txt"), "b");
    ASSERT_TRUE(move_file("C:\\a.txt", "C:\\B.TXT", IfExists::Replace).ok());
    EXPECT_EQ(read_file(drive_c(root) / "b.txt"), "a");
    EXPECT_FALSE(fs::exists(drive_c(root) / "a.txt"));

    ASSERT_TRUE(move_file("C:\\b.txt", "C:\\Readme.TXT").ok());
    ASSERT_TRUE(move_file("C:\\readme.txt", "C:\\README.TXT").ok());
    auto found = find_files("C:\\readme.*");
    ASSERT_TRUE(found.ok());
    ASSERT_EQ(found->size(), 1u);
    EXPECT_EQ(found->front().name, "README.TXT");
    EXPECT_EQ(move_file("C:\\gone.txt", "C:\\x.txt").error().code, ERROR_FILE_NOT_FOUND);
}

TEST(FileOperationsTest, MoveToAnotherFileSystemCopiesAndRemovesTheSource) {
    twtest::TempMachineRoot root;
    struct stat here, shm;
    if (::stat(root.path().c_str(), &here) != 0 || ::stat("/dev/shm", &shm) != 0 || here.st_dev == shm.st_dev)
        GTEST_SKIP() << "no second file system at /dev/shm";
    fs::path target = fs::path("/dev/shm") / ("twp-move-" + std::to_string(::getpid()));
    write_file(drive_c(root) / "report.log", "moved");
    ASSERT_TRUE(move_file("C:\\report.log", target.string()).ok());
    EXPECT_EQ(read_file(target), "moved");
    EXPECT_FALSE(fs::exists(drive_c(root) / "report.log"));
    fs::remove(target);
}

TEST(ModuleFileNameTest, ExecutableComesOutAsAWindowsPath) {
    twtest::TempMachineRoot root;
    auto name = get_module_file_name(kNullHandle);
    ASSERT_TRUE(name.ok());
    EXPECT_EQ(*name, to_windows_path(fs::read_symlink("/proc/self/exe")));
    EXPECT_EQ(name->rfind("Z:\\", 0), 0u) << *name;
    EXPECT_EQ(get_module_file_name(0x7FFC).error().code, ERROR_INVALID_HANDLE);
}

}  // namespace
