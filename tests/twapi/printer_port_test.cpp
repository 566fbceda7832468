// The port of a printer for the share route, on both spooler families.
#include <gtest/gtest.h>

#include "platform/machine_root.h"
#include "platform/registry.h"
#include "platform/spooler.h"
#include "tests/support/test_root.h"
#include "twapi/printer_port.h"

namespace twapi {
namespace {

using platform::PrinterInfo2;

class PrinterPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(platform::set_machine_fact("ComputerName", "HERE").ok());
        ASSERT_TRUE(platform::add_printer({"", "Local", "", "LPT1:", "Driver", 0, 0}).ok());
        ASSERT_TRUE(platform::add_printer({"", "OnShare", "", "\\\\srv\\a", "Driver", 0, 0}).ok());
        ASSERT_TRUE(platform::add_printer_connection({"\\\\OTHER", "shared", "pshare", "LPT1:", "Driver", 0, 0}).ok());
        ASSERT_TRUE(platform::add_printer_connection({"\\\\OTHER", "unshared", "", "LPT2:", "Driver", 0, 0}).ok());
        ASSERT_TRUE(platform::add_printer_connection({"\\\\here", "mine", "m", "LPT3:", "Driver", 0, 0}).ok());
    }
    twtest::TempMachineRoot root_;
};

TEST_F(PrinterPortTest, WindowsNtAsksTheSpoolerByName) {
    const std::pair<const char*, const char*> cases[] = {
        {"Local", "LPT1:"},
        {"local", "LPT1:"},  // the spooler opens printers in any letter case
        {"OnShare", "\\\\srv\\a"},
        {"\\\\OTHER\\shared", "\\\\OTHER\\pshare"},
        {"\\\\OTHER\\unshared", ""},
        {"\\\\here\\mine", "LPT3:"},  // this computer's own server name: its port
        {"Unknown", ""},
    };
    for (const auto& [name, port] : cases) EXPECT_EQ(printer_port(name), port) << name;
}

TEST_F(PrinterPortTest, Windows95EnumeratesLocalPrintersWithExactCase) {
    ASSERT_TRUE(platform::set_machine_fact("PlatformId", "1").ok());
    EXPECT_EQ(printer_port("Local"), "LPT1:");
    EXPECT_EQ(printer_port("local"), "") << "letter case counts in the enumeration";
    EXPECT_EQ(printer_port("OnShare"), "\\\\srv\\a");
}

TEST_F(PrinterPortTest, Windows95FallsBackToTheRegistryWhenEnumerationIsRefused) {
    ASSERT_TRUE(platform::set_machine_fact("PlatformId", "1").ok());
    auto print = platform::RegKey::create(platform::RootKey::LocalMachine, platform::kPrintKey);
    ASSERT_TRUE(print.ok());
    ASSERT_TRUE(print->key.set_dword(platform::kWin9xEnumSwitch, 1).ok());
    auto local = print->key.create("Printers\\Local");
    ASSERT_TRUE(local.ok());
    ASSERT_TRUE(local->key.set_string("Port", "LPT7:").ok());
    EXPECT_EQ(printer_port("Local"), "LPT7:") << "the registry's value, as it stands";
    EXPECT_EQ(printer_port("Unknown"), "");
}

}  // namespace
}  // namespace twapi
