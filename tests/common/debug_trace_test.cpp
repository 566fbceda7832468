#include "common/debug_trace.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/registry.h"
#include "tests/support/test_root.h"

using namespace common;

namespace {

std::uint32_t fixed_clock() { return 3723456; }

class DebugTraceTest : public ::testing::Test {
protected:
    std::string file_text() {
        std::ifstream in(root_.path() / "drives/c/trace.log", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    void configure(std::uint32_t flags, const char* file) {
        auto key = platform::RegKey::create(platform::RootKey::LocalMachine, kShareProviderTrace.key);
        ASSERT_TRUE(key.ok());
        ASSERT_TRUE(key->key.set_dword(kShareProviderTrace.flags_value, flags).ok());
        ASSERT_TRUE(key->key.set_string(kShareProviderTrace.file_value, file).ok());
    }
    twtest::TempMachineRoot root_;
};

TEST_F(DebugTraceTest, TimeStampCountsMinutesSinceStartUnreduced) {
    EXPECT_EQ(trace_time_stamp(3723456), "\r\n62: 3.456  ");
    EXPECT_EQ(trace_time_stamp(0), "\r\n 0: 0.000  ");
    EXPECT_EQ(trace_time_stamp(0xFFFFFFFFu), "\r\n71582:47.295  ");
}

TEST_F(DebugTraceTest, TraceIsOnOnlyWithASwitchAndAFileName) {
    EXPECT_EQ(DebugTrace::from_registry(kShareProviderTrace), nullptr) << "no key";
    configure(0x100, "");
    EXPECT_EQ(DebugTrace::from_registry(kShareProviderTrace), nullptr);
    configure(0, "C:\\trace.log");
    EXPECT_EQ(DebugTrace::from_registry(kShareProviderTrace), nullptr);
    configure(0x101, "C:\\trace.log");
    auto trace = DebugTrace::from_registry(kShareProviderTrace);
    ASSERT_NE(trace, nullptr);
    EXPECT_TRUE(trace->wants(kTraceQueues));
    EXPECT_FALSE(trace->wants(kTraceQueues | kTraceQueueData));
}

TEST_F(DebugTraceTest, LinesFollowTheirLayoutsAndAppend) {
    DebugTrace trace(0x111, "C:\\trace.log");
    trace.set_clock_for_testing(fixed_clock);
    trace.message("TWPGetProviderInfo", "RC", 0xfffffff5, -11);
    trace.message_text("Connect", "NM", "PRINTSRV");
    const std::uint8_t data[] = {'@', 0, 0xFF, '\r'};
    trace.data_line("\\ReqOut\\", 4, "TWPID=0x10 PID=0x20 CMD=35 NM=SRV", std::span(data));
    trace.data_line("\\ReqOut\\", 4, "TWPID=0x10 PID=0x21 CMD=35 NM=SRV");
    trace.error_data_line("\\RplyIn\\", 0, "TWPID=0x10", -2);
    std::string expected =
        "\r\n62: 3.456  TWPGetProviderInfo RC=0xfffffff5 *** ErrorCode:-11 ***"
        "\r\n62: 3.456  Connect NM=PRINTSRV"
        "\r\n62: 3.456  \\ReqOut\\ L(4) TWPID=0x10 PID=0x20 CMD=35 NM=SRV\r\n  Data: " +
        std::string(reinterpret_cast<const char*>(data), 4) +
        "\r\n62: 3.456  \\ReqOut\\ L(4) TWPID=0x10 PID=0x21 CMD=35 NM=SRV"
        "\r\n62: 3.456  \\RplyIn\\ L(0) TWPID=0x10 *** ErrorCode:-2 ***";
    EXPECT_EQ(file_text(), expected);
}

TEST_F(DebugTraceTest, LongTextIsCutAt255Characters) {
    DebugTrace trace(0x100, "C:\\trace.log");
    trace.set_clock_for_testing(fixed_clock);
    trace.message_text(std::string(400, 'x'), "N", "v");
    std::string text = file_text();
    EXPECT_EQ(text.size(), 255u);
    EXPECT_EQ(text.substr(0, 13), "\r\n62: 3.456  ");
}

}  // namespace
