// Runs the built twreg program as a person would, in a test machine root.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "platform/machine_root.h"
#include "platform/registry.h"
#include "tests/support/test_root.h"

using namespace platform;

namespace {

struct ToolRun {
    int code = -1;
    std::string out, err;
};

std::string read_file(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Output goes to files rather than pipes, so a chatty run cannot block.
ToolRun twreg(const std::vector<std::string>& args) {
    auto dir = machine_root_path();
    auto out_file = dir / "twreg.out", err_file = dir / "twreg.err";
    pid_t pid = ::fork();
    if (pid == 0) {
        int out = ::open(out_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = ::open(err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, 1);
        ::dup2(err, 2);
        std::vector<char*> argv{const_cast<char*>(TWREG_PATH)};
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(TWREG_PATH, argv.data());
        ::_exit(127);
    }
    ToolRun r;
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = read_file(out_file);
    r.err = read_file(err_file);
    return r;
}

TEST(TwregTest, ExitCodesTellSuccessFailureAndMisuse) {
    twtest::TempMachineRoot root;
    ASSERT_TRUE(RegKey::create(RootKey::LocalMachine, "Software\\There").ok());
    struct Case { std::vector<std::string> args; int code; const char* says; } cases[] = {
        {{}, 2, "Usage:"},
        {{"--help"}, 0, "Usage:"},
        {{"-h"}, 0, "REG_MULTI_SZ"},
        {{"frobnicate"}, 2, "unknown command frobnicate"},
        {{"query"}, 2, "query takes one KEY"},
        {{"query", "HKEY_USERS\\x"}, 2, "unknown root key"},
        {{"query", "HKLM\\Software", "/v"}, 2, "/v needs a value"},
        {{"query", "HKLM\\Software", "-zz"}, 2, "unknown option -zz"},
        {{"add", "HKLM\\Software\\N", "/v", "n", "/t", "REG_DWORD", "/d", "12x"}, 2, "must be a number"},
        {{"add", "HKLM\\Software\\N", "/v", "n", "/t", "REG_DWORD", "/d", "4294967296"}, 2, "does not fit"},
        {{"add", "HKLM\\Software\\N", "/v", "n", "/t", "REG_BINARY", "/d", "abc"}, 2, "even number"},
        {{"add", "HKLM\\Software\\N", "/v", "n", "/t", "REG_QWORD"}, 2, "unknown type REG_QWORD"},
        {{"add", "HKLM\\Software\\N", "/v", "a", "/ve"}, 2, "only one of"},
        {{"query", "HKLM\\Software\\X"}, 1, "twreg: key HKEY_LOCAL_MACHINE\\Software\\X not found"},
        {{"query", "HKLM\\Software\\There", "/v", "nope"}, 1, "value nope not found"},
        {{"delete", "HKLM\\Software\\X"}, 1, "not found"},
        {{"delete", "HKLM"}, 1, "root key cannot be deleted"},
        {{"import", "/nonexistent/file.reg"}, 1, "/nonexistent/file.reg"},
        {{"export", "HKCU\\Nothing"}, 1, "HKEY_CURRENT_USER\\Nothing not found"},
        {{"add", "HKLM\\Software\\There", "/v", "ok", "/d", "fine"}, 0, "completed successfully"},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const auto& a : c.args) line += a + " ";
        SCOPED_TRACE(line);
        ToolRun r = twreg(c.args);
        EXPECT_EQ(r.code, c.code) << r.out << r.err;
        const std::string& where = c.code == 0 ? r.out : r.err;
        EXPECT_NE(where.find(c.says), std::string::npos) << where;
    }
    // Refused commands changed nothing.
    EXPECT_EQ(RegKey::open(RootKey::LocalMachine, "Software\\N").error().code, ERROR_FILE_NOT_FOUND);
}

TEST(TwregTest, AddedValuesQueryLikeRegExe) {
    twtest::TempMachineRoot root;
    const std::string key = "HKLM\\Software\\Maker\\Model";
    const std::vector<std::vector<std::string>> adds = {
        {"add", key, "/ve", "/d", "Model 8"},
        {"add", key, "/v", "Port", "/d", "C:\\PORT \"1\""},
        {"add", key, "-v", "Retries", "-t", "reg_dword", "-d", "0x1F"},
        {"add", key, "/v", "Path", "/t", "REG_EXPAND_SZ", "/d", "%TEMP%\\x"},
        {"add", key, "/v", "Inks", "/t", "REG_MULTI_SZ", "/d", "Cyan\\0Black"},
        {"add", key, "/v", "Trays", "/t", "REG_MULTI_SZ", "/d", "A;B", "/s", ";"},
        {"add", key, "/v", "Raw", "/t", "REG_BINARY", "/d", "00ff10", "/f"},
        {"add", key + "\\Sub"},
    };
    for (const auto& a : adds) ASSERT_EQ(twreg(a).code, 0) << a[2];

    ToolRun all = twreg({"query", "hklm\\SOFTWARE\\maker\\model"});
    EXPECT_EQ(all.code, 0);
    EXPECT_EQ(all.out,
              "\n"
              "HKEY_LOCAL_MACHINE\\Software\\Maker\\Model\n"
              "    (Default)    REG_SZ    Model 8\n"
              "    Port    REG_SZ    C:\\PORT \"1\"\n"
              "    Retries    REG_DWORD    0x1f\n"
              "    Path    REG_EXPAND_SZ    %TEMP%\\x\n"
              "    Inks    REG_MULTI_SZ    Cyan\\0Black\n"
              "    Trays    REG_MULTI_SZ    A\\0B\n"
              "    Raw    REG_BINARY    00FF10\n"
              "\n"
              "HKEY_LOCAL_MACHINE\\Software\\Maker\\Model\\Sub\n");

    ToolRun one = twreg({"query", key, "/v", "RETRIES"});
    EXPECT_EQ(one.out, "\nHKEY_LOCAL_MACHINE\\Software\\Maker\\Model\n    Retries    REG_DWORD    0x1f\n\n");

    ToolRun tree = twreg({"query", "HKLM\\Software\\Maker", "/s"});
    EXPECT_EQ(tree.code, 0);
    EXPECT_NE(tree.out.find("\nHKEY_LOCAL_MACHINE\\Software\\Maker\\Model\\Sub\n"), std::string::npos);
    EXPECT_NE(tree.out.find("End of search: 3 match(es) found."), std::string::npos);

    EXPECT_EQ(twreg({"delete", key, "/v", "Port"}).code, 0);
    EXPECT_EQ(twreg({"delete", key, "/ve"}).code, 0);
    EXPECT_EQ(twreg({"query", key, "/v", "port"}).code, 1);
    EXPECT_EQ(twreg({"delete", key, "/va"}).code, 0);
    EXPECT_EQ(RegKey::open(RootKey::LocalMachine, "Software\\Maker\\Model").value().query_info().value().values, 0u);
    EXPECT_EQ(twreg({"delete", "HKLM\\Software\\Maker"}).code, 0);
    EXPECT_EQ(RegKey::open(RootKey::LocalMachine, "Software\\Maker").error().code, ERROR_FILE_NOT_FOUND);
}

TEST(TwregTest, ExportOfAFreshRootAndImportThroughFiles) {
    twtest::TempMachineRoot root;
    ToolRun fresh = twreg({"export", "HKEY_LOCAL_MACHINE"});
    EXPECT_EQ(fresh.code, 0) << fresh.err;
    EXPECT_EQ(fresh.out.rfind("REGEDIT4\r\n", 0), 0u);
    EXPECT_NE(fresh.out.find("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ProductOptions]\r\n"
                             "\"ProductSuite\"=hex(7):00\r\n"),
              std::string::npos)
        << fresh.out;

    auto in = root.path() / "in.reg";
    std::ofstream(in, std::ios::binary) << "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\T]\n\"v\"=\"1\"\n";
    EXPECT_EQ(twreg({"import", in.string()}).code, 0);
    auto out = root.path() / "out.reg";
    EXPECT_EQ(twreg({"export", "HKCU\\Software\\T", out.string(), "/y"}).code, 0);
    EXPECT_EQ(read_file(out), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\T]\r\n\"v\"=\"1\"\r\n\r\n");

    std::ofstream(in, std::ios::binary) << "REGEDIT4\n\"v\"=\"1\"\n";
    ToolRun bad = twreg({"import", in.string()});
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.err.find(in.string() + " line 2: value line outside a key"), std::string::npos) << bad.err;
}

TEST(TwregTest, ABrokenHiveIsReportedWithItsLine) {
    twtest::TempMachineRoot root;
    auto file = root.path() / "registry" / "HKEY_LOCAL_MACHINE.reg";
    const std::string broken = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n\"a\"=\"b\"\n\"c\"=dword:\n";
    std::ofstream(file, std::ios::binary) << broken;
    for (const std::vector<std::string>& args : {std::vector<std::string>{"export", "HKLM"},
                                                 {"add", "HKLM\\Software\\X", "/v", "n", "/d", "1"}}) {
        ToolRun r = twreg(args);
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err, "twreg: " + file.string() + " line 4: bad number \"\" after dword:\n");
    }
    EXPECT_EQ(read_file(file), broken);
}

}  // namespace
