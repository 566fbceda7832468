#include "platform/registry.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/machine_root.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"

using namespace platform;

namespace {

std::vector<std::uint8_t> bytes(std::string_view s) { return {s.begin(), s.end()}; }

std::string hex(const std::vector<std::uint8_t>& data) {
    std::string out;
    char buf[4];
    for (auto b : data) {
        std::snprintf(buf, sizeof buf, "%02x", b);
        out += buf;
    }
    return out;
}

std::filesystem::path hive_file(RootKey root) {
    return machine_root_path() / "registry" / (std::string(root_name(root)) + ".reg");
}

std::string read_file(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void write_file(const std::filesystem::path& file, const std::string& text) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

RegKey create(RootKey root, std::string_view path) {
    auto made = RegKey::create(root, path);
    EXPECT_TRUE(made.ok()) << made.error().describe();
    return std::move(made).value().key;
}

// Prints "name|type|hex" for each value of a key, as another process sees it.
twtest::ChildRole print_values("print-values", [](const std::vector<std::string>& args) {
    auto key = RegKey::open(RootKey::LocalMachine, args.at(0));
    if (!key) return 1;
    for (std::uint32_t i = 0;; ++i) {
        auto v = key->enum_value(i);
        if (!v) return v.error().code == ERROR_NO_MORE_ITEMS ? 0 : 2;
        std::printf("%s|%u|%s\n", v->name.c_str(), v->type, hex(v->data).c_str());
    }
});

// Waits for the test's signal file, then adds `count` values "<prefix><i>".
twtest::ChildRole add_values("add-values", [](const std::vector<std::string>& args) {
    auto key = RegKey::create(RootKey::LocalMachine, args.at(0));
    if (!key) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    auto go = machine_root_path() / "go";
    while (!std::filesystem::exists(go)) ::usleep(1000);
    int count = std::atoi(args.at(2).c_str());
    for (int i = 0; i < count; ++i)
        if (!key->key.set_dword(args.at(1) + std::to_string(i), static_cast<std::uint32_t>(i))) return 2;
    std::printf("done\n");
    return 0;
});

TEST(RegistryTest, EveryValueTypeComesBackFromAnotherProcessByteForByte) {
    twtest::TempMachineRoot root;
    RegKey key = create(RootKey::LocalMachine, "Software\\Types");
    struct Case { const char* name; std::uint32_t type; std::vector<std::uint8_t> data; } cases[] = {
        {"", REG_SZ, bytes(std::string_view("default\0", 8))},
        {"sz", REG_SZ, bytes(std::string_view("C:\\Pr \"q\"\0", 11))},
        {"sz no zero", REG_SZ, bytes("raw")},
        {"sz lines", REG_SZ, bytes(std::string_view("a\nb\0", 4))},
        {"expand", REG_EXPAND_SZ, bytes(std::string_view("%TEMP%\\x\0", 9))},
        {"binary", REG_BINARY, {0, 1, 0xfe, 0xff}},
        {"empty binary", REG_BINARY, {}},
        {"dword", REG_DWORD, {0xef, 0xbe, 0xad, 0xde}},
        {"multi", REG_MULTI_SZ, bytes(std::string_view("a\0bc\0\0", 6))},
        {"qword", 11, {1, 2, 3, 4, 5, 6, 7, 8}},
    };
    for (const auto& c : cases) ASSERT_TRUE(key.set_value(c.name, c.type, c.data).ok()) << c.name;

    auto child = twtest::spawn_child("print-values", {"software\\TYPES"});
    for (const auto& c : cases)
        EXPECT_EQ(child.read_line(), std::string(c.name) + "|" + std::to_string(c.type) + "|" + hex(c.data));
    EXPECT_EQ(child.read_line(), "");
    EXPECT_EQ(child.wait(), 0);
}

TEST(RegistryTest, BufferQueriesFollowWindowsSizeRules) {
    twtest::TempMachineRoot root;
    RegKey key = create(RootKey::CurrentUser, "Software\\Buf");
    ASSERT_TRUE(key.set_string("sz", "abc").ok());
    ASSERT_TRUE(key.set_string("exp", "%X%", REG_EXPAND_SZ).ok());
    ASSERT_TRUE(key.set_dword("dw", 7).ok());
    ASSERT_TRUE(key.set_multi_string("multi", {"a", "b"}).ok());
    ASSERT_TRUE(key.set_value("bin", REG_BINARY, std::vector<std::uint8_t>{9, 8, 7}).ok());
    struct Case { const char* name; std::uint32_t type; std::vector<std::uint8_t> data; } cases[] = {
        {"sz", REG_SZ, bytes(std::string_view("abc\0", 4))},
        {"exp", REG_EXPAND_SZ, bytes(std::string_view("%X%\0", 4))},
        {"dw", REG_DWORD, {7, 0, 0, 0}},
        {"multi", REG_MULTI_SZ, bytes(std::string_view("a\0b\0\0", 5))},
        {"bin", REG_BINARY, {9, 8, 7}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto need = static_cast<std::uint32_t>(c.data.size());
        std::uint32_t type = 99, size = 0;
        // Size only.
        EXPECT_EQ(key.query_value(c.name, &type, nullptr, &size), ERROR_SUCCESS);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(size, need);
        // One byte short: the needed size, the buffer untouched.
        std::vector<std::uint8_t> buf(need + 4, 0xcc);
        size = need - 1;
        EXPECT_EQ(key.query_value(c.name, &type, buf.data(), &size), ERROR_MORE_DATA);
        EXPECT_EQ(size, need);
        EXPECT_EQ(buf[0], 0xcc);
        // Exact and larger buffers.
        for (std::uint32_t given : {need, need + 4}) {
            std::fill(buf.begin(), buf.end(), 0xcc);
            size = given;
            EXPECT_EQ(key.query_value(c.name, nullptr, buf.data(), &size), ERROR_SUCCESS);
            EXPECT_EQ(size, need);
            EXPECT_EQ(std::vector<std::uint8_t>(buf.begin(), buf.begin() + need), c.data);
            EXPECT_EQ(buf[need], 0xcc);
        }
    }
    std::uint32_t size = 4;
    std::uint8_t small[4];
    EXPECT_EQ(key.query_value("missing", nullptr, small, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key.query_value("sz", nullptr, small, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(key.query_value(nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);  // no default value yet
}

TEST(RegistryTest, ConvenientReadersGiveValuesAndRefuseOtherTypes) {
    twtest::TempMachineRoot root;
    RegKey key = create(RootKey::CurrentUser, "Software\\Conv");
    ASSERT_TRUE(key.set_string("", "default").ok());
    ASSERT_TRUE(key.set_dword("n", 0x80000001u).ok());
    ASSERT_TRUE(key.set_multi_string("list", {"one", "two"}).ok());
    ASSERT_TRUE(key.set_multi_string("none", {}).ok());

    EXPECT_EQ(key.query_string("").value(), "default");
    EXPECT_EQ(key.query_dword("N").value(), 0x80000001u);
    EXPECT_EQ(key.query_multi_string("LIST").value(), (std::vector<std::string>{"one", "two"}));
    EXPECT_TRUE(key.query_multi_string("none").value().empty());
    EXPECT_EQ(key.query_string("n").error().code, ERROR_UNSUPPORTED_TYPE);
    EXPECT_EQ(key.query_dword("list").error().code, ERROR_UNSUPPORTED_TYPE);
    EXPECT_EQ(key.query_multi_string("").error().code, ERROR_UNSUPPORTED_TYPE);
    auto missing = key.query_dword("absent");
    EXPECT_EQ(missing.error().code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(last_error(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(last_error_text(), "value absent not found in key HKEY_CURRENT_USER\\Software\\Conv");
    EXPECT_EQ(key.set_string("bad\nname", "x").error().code, ERROR_INVALID_PARAMETER);
}

TEST(RegistryTest, NamesIgnoreLetterCaseAndKeepTheirFirstSpelling) {
    twtest::TempMachineRoot root;
    auto first = RegKey::create(RootKey::LocalMachine, "Software\\MyMaker\\Model");
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(first->disposition, RegDisposition::CreatedNew);
    auto again = RegKey::create(RootKey::LocalMachine, "SOFTWARE\\mymaker\\MODEL");
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again->disposition, RegDisposition::OpenedExisting);
    EXPECT_EQ(again->key.path(), "HKEY_LOCAL_MACHINE\\Software\\MyMaker\\Model");

    ASSERT_TRUE(first->key.set_string("PortName", "LPT1:").ok());
    ASSERT_TRUE(again->key.set_string("PORTNAME", "USB001").ok());
    auto v = first->key.enum_value(0);
    ASSERT_TRUE(v.ok());
    EXPECT_EQ(v->name, "PortName");
    EXPECT_EQ(first->key.query_string("portname").value(), "USB001");
    EXPECT_EQ(first->key.enum_value(1).error().code, ERROR_NO_MORE_ITEMS);

    auto opened = RegKey::open(RootKey::LocalMachine, "software\\MYMAKER\\");
    ASSERT_TRUE(opened.ok());
    EXPECT_EQ(opened->path(), "HKEY_LOCAL_MACHINE\\Software\\MyMaker");
    EXPECT_EQ(read_file(hive_file(RootKey::LocalMachine)).find("mymaker"), std::string::npos);
}

TEST(RegistryTest, SubkeysEnumerateSortedAndValuesInFirstWrittenOrder) {
    twtest::TempMachineRoot root;
    RegKey key = create(RootKey::CurrentUser, "Software\\Order");
    for (const char* name : {"beta", "Alpha", "gamma", "_under", "Delta"}) create(RootKey::CurrentUser, std::string("Software\\Order\\") + name);
    for (const char* name : {"zeta", "alpha", "Mid"}) ASSERT_TRUE(key.set_dword(name, 1).ok());
    ASSERT_TRUE(key.set_dword("ZETA", 2).ok());       // rewritten: keeps its place
    ASSERT_TRUE(key.delete_value("alpha").ok());
    ASSERT_TRUE(key.set_string("Alpha", "back").ok());  // deleted and written again: goes last

    auto names = [&](auto enumerate) {
        std::vector<std::string> out;
        for (std::uint32_t i = 0;; ++i) {
            auto item = enumerate(i);
            if (!item) {
                EXPECT_EQ(item.error().code, ERROR_NO_MORE_ITEMS);
                return out;
            }
            if constexpr (std::is_same_v<std::decay_t<decltype(*item)>, std::string>)
                out.push_back(*item);
            else
                out.push_back(item->name);
        }
    };
    EXPECT_EQ(names([&](std::uint32_t i) { return key.enum_key(i); }),
              (std::vector<std::string>{"_under", "Alpha", "beta", "Delta", "gamma"}));
    EXPECT_EQ(names([&](std::uint32_t i) { return key.enum_value(i); }),
              (std::vector<std::string>{"zeta", "Mid", "Alpha"}));

    auto info = key.query_info();
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info->subkeys, 5u);
    EXPECT_EQ(info->max_subkey_name, 6u);  // "_under"
    EXPECT_EQ(info->values, 3u);
    EXPECT_EQ(info->max_value_name, 5u);   // "Alpha"
    EXPECT_EQ(info->max_value_data, 5u);   // "back" and its zero
}

TEST(RegistryTest, DeleteKeyRefusesSubkeysAndDeleteTreeRemovesAll) {
    twtest::TempMachineRoot root;
    RegKey software = RegKey::open(RootKey::LocalMachine, "Software").value();
    RegKey leaf = create(RootKey::LocalMachine, "Software\\Tree\\Branch\\Leaf");
    ASSERT_TRUE(leaf.set_dword("x", 1).ok());

    auto refused = software.delete_key("Tree");
    EXPECT_EQ(refused.error().code, ERROR_ACCESS_DENIED);
    EXPECT_TRUE(RegKey::open(RootKey::LocalMachine, "Software\\Tree\\Branch\\Leaf").ok());
    EXPECT_EQ(software.delete_key("Nothing").error().code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(software.delete_tree("Nothing").error().code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(leaf.delete_value("nothing").error().code, ERROR_FILE_NOT_FOUND);

    EXPECT_TRUE(software.delete_key("Tree\\Branch\\Leaf").ok());  // no subkeys: allowed
    EXPECT_EQ(leaf.query_dword("x").error().code, ERROR_KEY_DELETED);
    EXPECT_EQ(leaf.set_dword("x", 2).error().code, ERROR_KEY_DELETED);

    create(RootKey::LocalMachine, "Software\\Tree\\Branch\\Other");
    EXPECT_TRUE(software.delete_tree("TREE").ok());
    EXPECT_EQ(RegKey::open(RootKey::LocalMachine, "Software\\Tree").error().code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(last_error_text(), "key HKEY_LOCAL_MACHINE\\Software\\Tree not found");
    EXPECT_EQ(RegKey::root(RootKey::LocalMachine).delete_key("").error().code, ERROR_ACCESS_DENIED);
    RegKey self = create(RootKey::LocalMachine, "Software\\Self");
    EXPECT_TRUE(self.delete_key("").ok());
    EXPECT_EQ(RegKey::open(RootKey::LocalMachine, "Software\\Self").error().code, ERROR_FILE_NOT_FOUND);

    // An empty path empties the key but keeps it.
    RegKey holder = create(RootKey::LocalMachine, "Software\\Holder\\Sub");
    RegKey parent = RegKey::open(RootKey::LocalMachine, "Software\\Holder").value();
    ASSERT_TRUE(parent.set_dword("v", 1).ok());
    ASSERT_TRUE(parent.delete_tree("").ok());
    auto info = parent.query_info();
    ASSERT_TRUE(info.ok());
    EXPECT_EQ(info->subkeys + info->values, 0u);
}

TEST(RegistryTest, NewRootIsSeededFromTheMachineFacts) {
    twtest::TempMachineRoot root;
    ASSERT_TRUE(set_machine_fact("ProductSuite", "Terminal Server, Enterprise").ok());
    auto options = RegKey::open(RootKey::LocalMachine, "System\\CurrentControlSet\\Control\\ProductOptions");
    ASSERT_TRUE(options.ok()) << options.error().describe();
    EXPECT_EQ(options->query_multi_string("ProductSuite").value(),
              (std::vector<std::string>{"Terminal Server", "Enterprise"}));
    EXPECT_TRUE(RegKey::open(RootKey::LocalMachine, "Software").ok());
    EXPECT_TRUE(RegKey::open(RootKey::CurrentUser, "Software").ok());
    EXPECT_TRUE(std::filesystem::exists(hive_file(RootKey::CurrentUser)));
}

TEST(RegistryTest, ChildProcessesAddingValuesAtOnceLoseNone) {
    twtest::TempMachineRoot root;
    constexpr int kChildren = 4;
    constexpr int kEach = 40;
    std::vector<twtest::ChildProcess> children;
    for (int c = 0; c < kChildren; ++c)
        children.push_back(twtest::spawn_child("add-values", {"Software\\Shared", "c" + std::to_string(c) + "-",
                                                              std::to_string(kEach)}));
    for (auto& child : children) ASSERT_EQ(child.read_line(), "ready");
    write_file(root.path() / "go", "");
    for (auto& child : children) {
        EXPECT_EQ(child.read_line(), "done");
        EXPECT_EQ(child.wait(), 0);
    }
    RegKey key = RegKey::open(RootKey::LocalMachine, "Software\\Shared").value();
    EXPECT_EQ(key.query_info().value().values, static_cast<std::uint32_t>(kChildren * kEach));
    for (int c = 0; c < kChildren; ++c)
        for (int i = 0; i < kEach; ++i)
            EXPECT_EQ(key.query_dword("c" + std::to_string(c) + "-" + std::to_string(i)).value(),
                      static_cast<std::uint32_t>(i));
    // Only the hive and its lock remain: every temporary file was renamed into place.
    std::vector<std::string> files;
    for (const auto& e : std::filesystem::directory_iterator(root.path() / "registry"))
        files.push_back(e.path().filename().string());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"HKEY_LOCAL_MACHINE.lock", "HKEY_LOCAL_MACHINE.reg"}));
}

TEST(RegistryTest, ThreadsWritingAtOnceLoseNone) {
    twtest::TempMachineRoot root;
    RegKey shared = create(RootKey::CurrentUser, "Software\\Threads");
    constexpr int kThreads = 4;
    constexpr int kEach = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&shared, t] {
            // Half the threads use the shared handle, half their own.
            auto own = RegKey::open(RootKey::CurrentUser, "Software\\Threads");
            const RegKey& key = (t % 2 == 0) ? shared : own.value();
            for (int i = 0; i < kEach; ++i) {
                std::string name = "t" + std::to_string(t) + "-" + std::to_string(i);
                EXPECT_TRUE(key.set_dword(name, static_cast<std::uint32_t>(i)).ok());
                EXPECT_EQ(key.query_dword(name).value(), static_cast<std::uint32_t>(i));
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(shared.query_info().value().values, static_cast<std::uint32_t>(kThreads * kEach));
}

TEST(RegistryTest, AHiveEditedByHandReadsBackAndKeepsItsContentOnWrite) {
    twtest::TempMachineRoot root;
    write_file(hive_file(RootKey::CurrentUser),
               "Windows Registry Editor Version 5.00\n"
               "; my settings\n"
               "\n"
               "[HKEY_CURRENT_USER\\Software\\Maker\\Monitor]\n"
               "\"Interval\"=dword:000003e8\n"
               "@=\"on\"\n"
               "\"Colours\"=hex(7):63,79,61,6e,00,\\\n"
               "    6d,61,67,65,6e,74,61,00,00\n"
               "\n"
               "[hkcu\\software\\MAKER\\Monitor\\Sub]\n");
    auto key = RegKey::open(RootKey::CurrentUser, "Software\\Maker\\Monitor");
    ASSERT_TRUE(key.ok()) << key.error().describe();
    EXPECT_EQ(key->query_dword("interval").value(), 1000u);
    EXPECT_EQ(key->query_string("").value(), "on");
    EXPECT_EQ(key->query_multi_string("Colours").value(), (std::vector<std::string>{"cyan", "magenta"}));
    EXPECT_EQ(key->enum_key(0).value(), "Sub");

    ASSERT_TRUE(key->set_dword("Added", 5).ok());
    std::string text = read_file(hive_file(RootKey::CurrentUser));
    EXPECT_EQ(text.rfind("REGEDIT4\r\n", 0), 0u);
    EXPECT_NE(text.find("\"Interval\"=dword:000003e8\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"Added\"=dword:00000005\r\n"), std::string::npos);
}

TEST(RegistryTest, ABrokenHiveFailsWithBadDbNamingTheLineAndIsNeverOverwritten) {
    struct Case { const char* text; int line; const char* reason; } cases[] = {
        {"REGEDIT4\n\n\"Orphan\"=\"x\"\n[HKEY_LOCAL_MACHINE\\Software]\n", 3, "value line outside a key"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n\"a\"=\"unfinished\n", 3, "unterminated string"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n\"a\"=hex:0q\n", 3, "bad hex byte"},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n[HKEY_CURRENT_USER\\Software]\n", 3,
         "does not belong in HKEY_LOCAL_MACHINE"},
        {"[HKEY_LOCAL_MACHINE\\Software]\n", 1, "missing REGEDIT4 header"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        twtest::TempMachineRoot root;
        auto file = hive_file(RootKey::LocalMachine);
        write_file(file, c.text);
        std::string expected = file.string() + " line " + std::to_string(c.line) + ": ";

        auto opened = RegKey::open(RootKey::LocalMachine, "Software");
        ASSERT_FALSE(opened.ok());
        EXPECT_EQ(opened.error().code, ERROR_BADDB);
        EXPECT_EQ(last_error(), ERROR_BADDB);
        EXPECT_EQ(last_error_text().rfind(expected, 0), 0u) << last_error_text();
        EXPECT_NE(last_error_text().find(c.reason), std::string::npos) << last_error_text();

        RegKey hklm = RegKey::root(RootKey::LocalMachine);
        EXPECT_EQ(hklm.set_dword("x", 1).error().code, ERROR_BADDB);
        EXPECT_EQ(RegKey::create(RootKey::LocalMachine, "Software\\New").error().code, ERROR_BADDB);
        EXPECT_EQ(hklm.delete_tree("Software").error().code, ERROR_BADDB);
        EXPECT_EQ(import_reg_text("REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n").error().code, ERROR_BADDB);
        EXPECT_EQ(read_file(file), c.text);

        // The other hive is unaffected; a repaired file is used again.
        EXPECT_TRUE(RegKey::create(RootKey::CurrentUser, "Software\\Fine").ok());
        write_file(file, "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Repaired]\n\"ok\"=dword:00000001\n");
        auto repaired = RegKey::open(RootKey::LocalMachine, "Software\\Repaired");
        ASSERT_TRUE(repaired.ok()) << repaired.error().describe();
        EXPECT_EQ(repaired->query_dword("ok").value(), 1u);
    }
}

// Lets the first half of a hive reach the disk, then reports a full disk.
long half_then_disk_full(int fd, const void* data, unsigned long size) {
    static bool wrote_half = false;
    if (!wrote_half && size > 1) {
        wrote_half = true;
        return ::write(fd, data, size / 2);
    }
    wrote_half = false;
    errno = ENOSPC;
    return -1;
}

TEST(RegistryTest, AFailedWriteLeavesTheHiveAsItWasAndForgetsTheChange) {
    twtest::TempMachineRoot root;
    RegKey key = create(RootKey::LocalMachine, "Software\\Disk");
    ASSERT_TRUE(key.set_string("before", "kept").ok());
    const std::string before = read_file(hive_file(RootKey::LocalMachine));

    auto previous = registry_detail::replace_write_for_testing(half_then_disk_full);
    auto failed = key.set_string("after", std::string(500, 'x'));
    auto failed_create = RegKey::create(RootKey::LocalMachine, "Software\\Disk\\Sub");
    registry_detail::replace_write_for_testing(previous);

    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().code, ERROR_DISK_FULL);
    EXPECT_EQ(failed_create.error().code, ERROR_DISK_FULL);
    EXPECT_EQ(read_file(hive_file(RootKey::LocalMachine)), before);
    EXPECT_EQ(key.query_value("after").error().code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key.enum_key(0).error().code, ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(root.path() / "registry"),
                            std::filesystem::directory_iterator()),
              2);  // no temporary file left behind
    EXPECT_TRUE(key.set_string("after", "now").ok());
    EXPECT_EQ(key.query_string("before").value(), "kept");
}

TEST(RegistryTest, ImportMergesAndDeletesAndExportRoundTrips) {
    twtest::TempMachineRoot root;
    RegKey app = create(RootKey::LocalMachine, "Software\\App");
    ASSERT_TRUE(app.set_string("Keep", "kept").ok());
    ASSERT_TRUE(app.set_string("Old", "old").ok());
    create(RootKey::LocalMachine, "Software\\App\\Gone\\Deep");

    ASSERT_TRUE(import_reg_text("REGEDIT4\r\n"
                                "\r\n"
                                "[HKEY_LOCAL_MACHINE\\Software\\App]\r\n"
                                "\"Old\"=-\r\n"
                                "\"New\"=dword:0000002a\r\n"
                                "\"Missing\"=-\r\n"
                                "[-HKEY_LOCAL_MACHINE\\Software\\App\\Gone]\r\n"
                                "[-HKEY_LOCAL_MACHINE\\Software\\NeverWas]\r\n"
                                "[HKEY_LOCAL_MACHINE\\Software\\App\\Sub\\Deeper]\r\n"
                                "@=hex(2):25,50,25,00\r\n"
                                "[HKEY_CURRENT_USER\\Software\\App]\r\n"
                                "\"User\"=\"yes\"\r\n",
                                "in.reg")
                    .ok())
        << last_error_text();
    EXPECT_EQ(app.query_string("Keep").value(), "kept");
    EXPECT_EQ(app.query_value("Old").error().code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(app.query_dword("New").value(), 42u);
    EXPECT_EQ(RegKey::open(RootKey::LocalMachine, "Software\\App\\Gone").error().code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegKey::open(RootKey::LocalMachine, "Software\\App\\Sub\\Deeper").value().query_string("").value(), "%P%");
    EXPECT_EQ(RegKey::open(RootKey::CurrentUser, "Software\\App").value().query_string("User").value(), "yes");

    // Export, wipe, import the export: the same subtree comes back.
    std::string exported = app.export_text().value();
    EXPECT_EQ(exported.rfind("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\App]\r\n", 0), 0u) << exported;
    ASSERT_TRUE(RegKey::root(RootKey::LocalMachine).delete_tree("Software\\App").ok());
    ASSERT_TRUE(import_reg_text(exported).ok()) << last_error_text();
    auto back = RegKey::open(RootKey::LocalMachine, "Software\\App");
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back->export_text().value(), exported);

    // A text that does not parse, or names an unknown root, changes nothing.
    std::string before = read_file(hive_file(RootKey::LocalMachine));
    struct Bad { const char* text; const char* message; } bad[] = {
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\App]\n\"Keep\"=-\n\"x\"=dword:zz\n", "bad.reg line 4: "},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\App]\n\"Keep\"=-\n[HKEY_USERS\\X]\n", "bad.reg line 4: unknown root"},
        {"REGEDIT4\n[-HKEY_LOCAL_MACHINE]\n", "bad.reg line 2: a root key cannot be deleted"},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(b.text);
        EXPECT_FALSE(import_reg_text(b.text, "bad.reg").ok());
        EXPECT_EQ(last_error_text().rfind(b.message, 0), 0u) << last_error_text();
        EXPECT_EQ(read_file(hive_file(RootKey::LocalMachine)), before);
    }
}

}  // namespace
