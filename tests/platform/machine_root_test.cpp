#include "platform/machine_root.h"

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"

namespace {

twtest::ChildRole print_version("print-version", [](const std::vector<std::string>&) {
    auto facts = platform::machine_facts();
    if (!facts) return 1;
    std::printf("%u.%u %s\n", facts->version.major, facts->version.minor, facts->computer_name.c_str());
    return 0;
});

TEST(MachineRootTest, NewRootHasDefaultsAndFolders) {
    twtest::TempMachineRoot root;
    auto facts = platform::machine_facts();
    ASSERT_TRUE(facts.ok());
    EXPECT_EQ(facts->version.platform_id, 2u);
    EXPECT_EQ(facts->version.major, 5u);
    EXPECT_FALSE(facts->computer_name.empty());
    EXPECT_EQ(facts->addresses, std::vector<std::string>{"127.0.0.1"});
    EXPECT_TRUE(std::filesystem::is_directory(root.path() / "drives/c/WINNT/SYSTEM32"));
    EXPECT_TRUE(std::filesystem::is_directory(root.path() / "drives/c/TEMP"));
    auto sys = platform::system_directory_host_path();
    ASSERT_TRUE(sys.ok());
    EXPECT_EQ(*sys, root.path() / "drives/c/WINNT/SYSTEM32");
}

TEST(MachineRootTest, ChangedFactsReachOtherProcessesOfTheComputer) {
    twtest::TempMachineRoot root;
    ASSERT_TRUE(platform::set_machine_fact("MajorVersion", "4").ok());
    ASSERT_TRUE(platform::set_machine_fact("ProductSuite", "Terminal Server, Enterprise").ok());
    ASSERT_TRUE(platform::set_machine_fact("ComputerName", "PRINTSRV").ok());
    auto facts = platform::machine_facts();
    ASSERT_TRUE(facts.ok());
    EXPECT_EQ(facts->version.major, 4u);
    EXPECT_EQ(facts->version.product_suite, (std::vector<std::string>{"Terminal Server", "Enterprise"}));
    auto child = twtest::spawn_child("print-version");
    EXPECT_EQ(child.read_line(), "4.0 PRINTSRV");
    EXPECT_EQ(child.wait(), 0);
}

TEST(PathsTest, WindowsPathsMapToDriveFoldersWhateverTheirCase) {
    twtest::TempMachineRoot root;
    auto c = root.path() / "drives/c";
    std::filesystem::create_directories(c / "Data/Sub");
    struct Case { const char* windows; std::filesystem::path host; } cases[] = {
        {"C:\\data\\SUB\\new.txt", c / "Data/Sub/new.txt"},
        {"c:/Data/./x/../Sub", c / "Data/Sub"},
        {"\\DATA", c / "Data"},
        {"C:DATA\\sub", c / "Data/Sub"},
        {"A:\\f.cab", root.path() / "drives/a/f.cab"},
        {"Z:\\tmp", "/tmp"},
    };
    for (auto& k : cases) {
        auto host = platform::to_host_path(k.windows);
        ASSERT_TRUE(host.ok()) << k.windows;
        EXPECT_EQ(*host, k.host) << k.windows;
    }
    EXPECT_EQ(platform::to_host_path("Q:\\x").error().code, platform::ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(platform::to_host_path("\\\\SERVER\\share").error().code, platform::ERROR_BAD_PATHNAME);
    EXPECT_EQ(platform::to_windows_path(c / "Data/Sub"), "C:\\Data\\Sub");
    EXPECT_EQ(platform::to_windows_path("/usr/lib"), "Z:\\usr\\lib");
}

}  // namespace
