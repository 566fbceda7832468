#include "platform/spooler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/machine_root.h"
#include "platform/registry.h"
#include "tests/support/test_root.h"

using namespace platform;

namespace {

// A computer with one plain local printer, one shared local printer and the
// user's connection to a printer shared by another computer.
class SpoolerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(add_printer({.printer_name = "Office Kestrel", .port_name = "SIM1:",
                                 .driver_name = "KAVRO Kestrel 800"}));
        ASSERT_TRUE(add_printer({.printer_name = "Hall", .share_name = "hallshare", .port_name = "LPT1:",
                                 .driver_name = "KAVRO Kestrel 860", .status = 0x8}));
        ASSERT_TRUE(add_printer_connection({.server_name = "\\\\ATTIC", .printer_name = "Upstairs",
                                            .share_name = "upstairs", .port_name = "USB001",
                                            .driver_name = "KAVRO Kestrel 870",
                                            .attributes = PRINTER_ATTRIBUTE_SHARED | PRINTER_ATTRIBUTE_LOCAL}));
    }

    static std::vector<std::string> names(const std::vector<PrinterInfo2>& list) {
        std::vector<std::string> out;
        for (const auto& p : list) out.push_back(p.printer_name);
        return out;
    }

    twtest::TempMachineRoot root_;
};

TEST_F(SpoolerTest, LevelTwoInformationOfEachKindOfPrinter) {
    struct Case {
        const char* open_as;
        PrinterInfo2 expected;
    };
    const Case cases[] = {
        {"office KESTREL",
         {"", "Office Kestrel", "", "SIM1:", "KAVRO Kestrel 800", PRINTER_ATTRIBUTE_LOCAL, 0}},
        {"HALL",
         {"", "Hall", "hallshare", "LPT1:", "KAVRO Kestrel 860", PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_SHARED,
          0x8}},
        // The computer's own name in front reaches the local printer.
        {"\\\\twphost\\Hall",
         {"", "Hall", "hallshare", "LPT1:", "KAVRO Kestrel 860", PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_SHARED,
          0x8}},
        // A connection: server with its backslashes, never the local bit.
        {"\\\\attic\\UPSTAIRS",
         {"\\\\ATTIC", "\\\\ATTIC\\Upstairs", "upstairs", "USB001", "KAVRO Kestrel 870",
          PRINTER_ATTRIBUTE_SHARED | PRINTER_ATTRIBUTE_NETWORK, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.open_as);
        auto printer = Printer::open(c.open_as);
        ASSERT_TRUE(printer) << printer.error().describe();
        auto info = printer->get_printer(2);
        ASSERT_TRUE(info) << info.error().describe();
        EXPECT_EQ(info->server_name, c.expected.server_name);
        EXPECT_EQ(info->printer_name, c.expected.printer_name);
        EXPECT_EQ(info->share_name, c.expected.share_name);
        EXPECT_EQ(info->port_name, c.expected.port_name);
        EXPECT_EQ(info->driver_name, c.expected.driver_name);
        EXPECT_EQ(info->attributes, c.expected.attributes);
        EXPECT_EQ(info->status, c.expected.status);

        auto other_level = printer->get_printer(1);
        ASSERT_FALSE(other_level);
        EXPECT_EQ(other_level.error().code, ERROR_INVALID_LEVEL);
    }
}

TEST_F(SpoolerTest, EnumerationFlagsChooseTheGroups) {
    struct Case {
        std::uint32_t flags;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {PRINTER_ENUM_LOCAL, {"Hall", "Office Kestrel"}},
        {PRINTER_ENUM_CONNECTIONS, {"\\\\ATTIC\\Upstairs"}},
        {PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS, {"Hall", "Office Kestrel", "\\\\ATTIC\\Upstairs"}},
        {PRINTER_ENUM_LOCAL | PRINTER_ENUM_SHARED, {"Hall"}},
        {PRINTER_ENUM_CONNECTIONS | PRINTER_ENUM_SHARED, {"\\\\ATTIC\\Upstairs"}},
        {0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        auto list = enum_printers(c.flags, 2);
        ASSERT_TRUE(list) << list.error().describe();
        EXPECT_EQ(names(*list), c.expected);
    }
    // Level-2 fields come through enumeration too, not only through GetPrinter.
    auto local = enum_printers(PRINTER_ENUM_LOCAL, 2);
    ASSERT_TRUE(local);
    EXPECT_EQ((*local)[1].port_name, "SIM1:");
    EXPECT_EQ((*local)[0].share_name, "hallshare");
}

TEST_F(SpoolerTest, BadRequestsFailWithTheirCodes) {
    struct Case {
        const char* what;
        WinError code;
        WinError got;
    };
    auto open_code = [](std::string_view name) {
        auto p = Printer::open(name);
        return p ? ERROR_SUCCESS : p.error().code;
    };
    auto enum_code = [](std::uint32_t flags, std::uint32_t level) {
        auto l = enum_printers(flags, level);
        return l ? ERROR_SUCCESS : l.error().code;
    };
    const Case cases[] = {
        {"unknown printer", ERROR_INVALID_PRINTER_NAME, open_code("Basement")},
        {"empty name", ERROR_INVALID_PRINTER_NAME, open_code("")},
        {"server without printer", ERROR_INVALID_PRINTER_NAME, open_code("\\\\ATTIC")},
        {"connection never made", ERROR_INVALID_PRINTER_NAME, open_code("\\\\ATTIC\\Hall")},
        {"local name under another server", ERROR_INVALID_PRINTER_NAME, open_code("\\\\ELSEWHERE\\Hall")},
        {"path inside the printers key", ERROR_INVALID_PRINTER_NAME, open_code("Hall\\Jobs")},
        {"enumeration at level 1", ERROR_INVALID_LEVEL, enum_code(PRINTER_ENUM_LOCAL, 1)},
        {"unknown enumeration flag", ERROR_INVALID_FLAGS, enum_code(PRINTER_ENUM_LOCAL | 0x1, 2)},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.code) << c.what;

    set_last_error(ERROR_SUCCESS);
    ASSERT_FALSE(Printer::open("Basement"));
    EXPECT_EQ(last_error(), ERROR_INVALID_PRINTER_NAME);
    ASSERT_FALSE(Printer().get_printer(2));
    EXPECT_EQ(last_error(), ERROR_INVALID_HANDLE);
}

TEST_F(SpoolerTest, AddAndDeleteKeepNamesUniqueIgnoringCase) {
    const PrinterInfo2 valid{.printer_name = "x", .port_name = "LPT2:", .driver_name = "d"};
    struct Case {
        const char* what;
        PrinterInfo2 info;
        WinError code;
    };
    auto with = [&](auto change) {
        PrinterInfo2 p = valid;
        change(p);
        return p;
    };
    const Case refused[] = {
        {"taken in other case", with([](auto& p) { p.printer_name = "OFFICE kestrel"; }), ERROR_PRINTER_ALREADY_EXISTS},
        {"backslash", with([](auto& p) { p.printer_name = "a\\b"; }), ERROR_INVALID_PRINTER_NAME},
        {"comma", with([](auto& p) { p.printer_name = "a,b"; }), ERROR_INVALID_PRINTER_NAME},
        {"too long", with([](auto& p) { p.printer_name = std::string(221, 'p'); }), ERROR_INVALID_PRINTER_NAME},
        {"no port", with([](auto& p) { p.port_name.clear(); }), ERROR_INVALID_PARAMETER},
        {"no driver", with([](auto& p) { p.driver_name.clear(); }), ERROR_INVALID_PARAMETER},
        {"server given", with([](auto& p) { p.server_name = "\\\\ATTIC"; }), ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : refused) {
        Status s = add_printer(c.info);
        ASSERT_FALSE(s) << c.what;
        EXPECT_EQ(s.error().code, c.code) << c.what;
    }
    auto again = add_printer_connection({.server_name = "attic", .printer_name = "UPSTAIRS"});
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error().code, ERROR_PRINTER_ALREADY_EXISTS);

    // A printer deleted while open: its handle reports the name as gone.
    auto open = Printer::open("Office Kestrel");
    ASSERT_TRUE(open);
    ASSERT_TRUE(delete_printer("office kestrel"));
    auto gone = open->get_printer(2);
    ASSERT_FALSE(gone);
    EXPECT_EQ(gone.error().code, ERROR_INVALID_PRINTER_NAME);
    EXPECT_FALSE(Printer::open("Office Kestrel"));
    EXPECT_EQ(delete_printer("Office Kestrel").error().code, ERROR_INVALID_PRINTER_NAME);

    ASSERT_TRUE(delete_printer_connection("\\\\ATTIC\\upstairs"));
    auto connections = enum_printers(PRINTER_ENUM_CONNECTIONS, 2);
    ASSERT_TRUE(connections);
    EXPECT_TRUE(connections->empty());
    EXPECT_EQ(delete_printer_connection("Upstairs").error().code, ERROR_INVALID_PRINTER_NAME);
}

TEST_F(SpoolerTest, OnlyOneOfManyConcurrentAddsOfOneNameWins) {
    std::atomic<int> won{0}, refused{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&, i] {
            Status s = add_printer({.printer_name = i % 2 ? "Race" : "RACE", .port_name = "LPT3:", .driver_name = "d"});
            if (s) ++won;
            else if (s.error().code == ERROR_PRINTER_ALREADY_EXISTS) ++refused;
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(won.load(), 1);
    EXPECT_EQ(refused.load(), 7);
}

// A printer key written as regedit exports it, without the values our own
// add_printer always stores: the spooler reads it as Windows would.
TEST(SpoolerRegistryTest, ReadsPrinterKeysWrittenByHand) {
    twtest::TempMachineRoot root;
    ASSERT_TRUE(import_reg_text(
        "REGEDIT4\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\control\\Print\\Printers\\Den]\r\n"
        "\"Port\"=\"LPT1:\"\r\n"
        "\"Share Name\"=\"den\"\r\n"
        "\"Printer Driver\"=\"KAVRO Kestrel 800\"\r\n\r\n"
        "[HKEY_CURRENT_USER\\Printers\\Connections\\,,Loft,Colour]\r\n"
        "\"Port\"=\"LPT2:\"\r\n"));
    auto den = Printer::open("den");
    ASSERT_TRUE(den);
    auto info = den->get_printer(2);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->printer_name, "Den");
    EXPECT_EQ(info->attributes, PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_SHARED);

    auto colour = Printer::open("\\\\LOFT\\colour");
    ASSERT_TRUE(colour);
    auto cinfo = colour->get_printer(2);
    ASSERT_TRUE(cinfo);
    EXPECT_EQ(cinfo->server_name, "\\\\Loft");
    EXPECT_EQ(cinfo->printer_name, "\\\\Loft\\Colour");
    EXPECT_EQ(cinfo->port_name, "LPT2:");
    EXPECT_EQ(cinfo->attributes, PRINTER_ATTRIBUTE_NETWORK);
}

// Windows 95/98: local enumeration at level 2 fails with the invalid-parameter
// error only on a platform-1 computer whose switch is on; the printer's
// registry "Port" stays readable for the caller's fall-back, and the other
// spooler calls keep working.
TEST(SpoolerWin9xTest, LocalEnumerationRefusalNeedsPlatformOneAndTheSwitch) {
    twtest::TempMachineRoot root;
    ASSERT_TRUE(add_printer({.printer_name = "Office", .port_name = "SIM1:", .driver_name = "d"}));
    struct Case {
        const char* platform;
        std::uint32_t switch_value;
        bool refused;
    };
    const Case cases[] = {{"2", 1, false}, {"1", 0, false}, {"1", 1, true}, {"2", 0, false}};
    auto print_key = RegKey::create(RootKey::LocalMachine, kPrintKey);
    ASSERT_TRUE(print_key);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("platform ") + c.platform + " switch " + std::to_string(c.switch_value));
        ASSERT_TRUE(set_machine_fact("PlatformId", c.platform));
        ASSERT_TRUE(print_key->key.set_dword(kWin9xEnumSwitch, c.switch_value));
        auto list = enum_printers(PRINTER_ENUM_LOCAL, 2);
        if (!c.refused) {
            ASSERT_TRUE(list) << list.error().describe();
            ASSERT_EQ(list->size(), 1u);
            continue;
        }
        ASSERT_FALSE(list);
        EXPECT_EQ(list.error().code, ERROR_INVALID_PARAMETER);
        EXPECT_EQ(last_error(), ERROR_INVALID_PARAMETER);
        EXPECT_TRUE(enum_printers(PRINTER_ENUM_CONNECTIONS, 2));

        auto key = RegKey::open(RootKey::LocalMachine, "System\\CurrentControlSet\\control\\Print\\Printers\\Office");
        ASSERT_TRUE(key);
        auto port = key->query_string("Port");
        ASSERT_TRUE(port);
        EXPECT_EQ(*port, "SIM1:");
        auto printer = Printer::open("Office");
        ASSERT_TRUE(printer);
        auto info = printer->get_printer(2);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->port_name, "SIM1:");
    }
}

}  // namespace
