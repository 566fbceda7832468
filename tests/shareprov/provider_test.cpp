// TwpShre2 loaded as TWAPI2 loads it, against an agent stand-in process that
// serves its queues by script (agent_stand_in.h).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "common/queue_entries.h"
#include "common/shared_queue.h"
#include "platform/event.h"
#include "platform/library.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/thread.h"
#include "platform/tick.h"
#include "tests/shareprov/agent_stand_in.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"
#include "twapi/provider.h"

using namespace platform;
using Clock = std::chrono::steady_clock;

namespace {

constexpr const char* kEnv = "Software\\KAVRO\\TWPrinter\\TWProvider\\SHARE2\\Env";

std::vector<std::uint8_t> from_hex(const std::string& text) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        out.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    }
    return out;
}

std::string hex_of(std::size_t count, std::uint8_t first) {
    std::string out;
    char buf[3];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", static_cast<std::uint8_t>(first + i));
        out += buf;
    }
    return out;
}

class ShareProviderTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (attached_) provider_.TWPReceiveCancel();
        if (module_ != kNullHandle) (void)free_library(module_);
    }

    static void set_env(const char* name, std::uint32_t value) {
        auto key = RegKey::create(RootKey::LocalMachine, kEnv);
        ASSERT_TRUE(key);
        ASSERT_TRUE(key->key.set_dword(name, value).ok());
    }

    void start_agent(std::vector<std::string> script) {
        agent_.emplace(twtest::spawn_child("agent", script));
        ASSERT_EQ(agent_->read_line(), "ready");
    }

    // Loads the library and calls its export; on success keeps a copy of the
    // record, as TWAPI2 does.
    int load_and_attach() {
        auto module = load_library(TWPSHRE2_PATH);
        if (!module) return 1000;
        module_ = *module;
        auto entry = get_proc_address(module_, "TWPGetProviderInfo");
        if (!entry) return 1001;
        ProviderRecord* record = nullptr;
        int rc = reinterpret_cast<TWPGetProviderInfoFn>(*entry)(&record);
        if (rc == 0) {
            provider_ = *record;
            attached_ = true;
        }
        return rc;
    }

    void attach() {
        ASSERT_EQ(load_and_attach(), 0);
        ASSERT_EQ(agent_->read_line(), "attached " + std::to_string(static_cast<std::int32_t>(current_thread_id())));
    }

    void detach() {
        ASSERT_TRUE(attached_);
        EXPECT_EQ(provider_.TWPReceiveCancel(), 0);
        attached_ = false;
        EXPECT_EQ(agent_->read_line(), "detach");
    }

    // A connection for \\SRV\<printer>, answered by the agent's script.
    std::int32_t connect(const std::string& printer) {
        std::int32_t connection = 0;
        std::uint8_t table[twapi::kChannelTableSize] = {};
        int rc = provider_.TWPGetConnectInfo(("\\\\SRV\\" + printer).c_str(), &connection, table);
        EXPECT_GE(rc, 0);
        return connection;
    }

    struct Received {
        int rc;
        int request_id;
        std::vector<std::uint8_t> data;
    };
    Received receive(int size = twapi::kReceiveBufferSize) {
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size));
        int request_id = -99;
        int rc = provider_.TWPReceive(&request_id, buffer.data(), &size);
        if (rc > 0) buffer.resize(static_cast<std::size_t>(rc));
        else buffer.clear();
        return {rc, request_id, buffer};
    }

    twtest::TempMachineRoot root_;
    std::optional<twtest::ChildProcess> agent_;
    Handle module_ = kNullHandle;
    ProviderRecord provider_{};
    bool attached_ = false;
};

TEST_F(ShareProviderTest, ConnectInfoMarksEveryChannelAndKeepsConnectionIdsPerPortName) {
    const std::string table3 = "0102030405000708" "1112131415a61718" "21222324253f2728";
    start_agent({"take", "ack", "reply:3:" + table3,  // \\SRV\Laser
                 "take", "ack", "reply:1:" + table3.substr(0, 16),
                 "take", "ack", "reply:-10:-",  // \\SRV\Other, relayed error
                 "take", "ack", "reply:0:-"});
    attach();
    EXPECT_EQ(provider_.number1, 4u);
    EXPECT_EQ(provider_.number2, 11u);
    EXPECT_EQ(provider_.number3, 6u);

    std::int32_t connection = 0;
    std::uint8_t table[twapi::kChannelTableSize] = {};
    ASSERT_EQ(provider_.TWPGetConnectInfo("\\\\SRV\\Laser", &connection, table), 3);
    EXPECT_EQ(agent_->read_line(), "req cmd=34 rid=0 ch=0 name=Laser nm=SRV data=-");
    EXPECT_EQ(connection, 1);
    auto expected = from_hex(table3);
    for (std::size_t entry = 0; entry < 3; ++entry) expected[entry * 8 + 5] |= 0xC0;
    EXPECT_EQ(std::vector<std::uint8_t>(table, table + 24), expected);
    EXPECT_EQ(table[24], 0) << "nothing written past the reply's entries";

    connection = 0;
    EXPECT_EQ(provider_.TWPGetConnectInfo("\\\\SRV\\Laser", &connection, table), 1);
    EXPECT_EQ(connection, 1) << "same port name, same connection";
    EXPECT_EQ(agent_->read_line(), "req cmd=34 rid=0 ch=0 name=Laser nm=SRV data=-");

    connection = 0;
    EXPECT_EQ(provider_.TWPGetConnectInfo("\\\\SRV\\Other", &connection, table), -10);
    EXPECT_EQ(connection, 0) << "a failed call leaves the connection alone";
    EXPECT_EQ(agent_->read_line(), "req cmd=34 rid=0 ch=0 name=Other nm=SRV data=-");
    EXPECT_EQ(provider_.TWPGetConnectInfo("\\\\SRV\\Other", &connection, table), 0);
    EXPECT_EQ(connection, 2);
    EXPECT_EQ(agent_->read_line(), "req cmd=34 rid=0 ch=0 name=Other nm=SRV data=-");
    detach();
}

TEST_F(ShareProviderTest, ConcurrentConnectInfoCallsEachEndWithTheirOwnReply) {
    // Both requests are out before either is answered, and the later one is
    // answered first: every connect-info request carries requestId 0.
    start_agent({"take", "ack", "take", "ack", "reply:1:echo", "replyto:0:1:echo"});
    attach();
    auto call = [this](std::string printer, std::string* table_start, int* rc) {
        std::int32_t connection = 0;
        std::uint8_t table[twapi::kChannelTableSize] = {};
        *rc = provider_.TWPGetConnectInfo(("\\\\SRV\\" + printer).c_str(), &connection, table);
        *table_start = std::string(reinterpret_cast<char*>(table), 4);
    };
    std::string a, b;
    int rc_a = 0, rc_b = 0;
    std::thread first(call, "AAAA", &a, &rc_a);
    std::thread second(call, "BBBB", &b, &rc_b);
    first.join();
    second.join();
    std::set<std::string> seen = {agent_->read_line(), agent_->read_line()};
    EXPECT_EQ(seen, (std::set<std::string>{"req cmd=34 rid=0 ch=0 name=AAAA nm=SRV data=-",
                                           "req cmd=34 rid=0 ch=0 name=BBBB nm=SRV data=-"}));
    EXPECT_EQ(rc_a, 1);
    EXPECT_EQ(rc_b, 1);
    EXPECT_EQ(a, "AAAA");
    EXPECT_EQ(b, "BBBB");
    detach();
}

TEST_F(ShareProviderTest, RequestsFinishAsTheAgentAnswersThem) {
    struct Case {
        const char* what;
        std::vector<std::string> script;  // after "take"
        int (*call)(const ProviderRecord&, std::int32_t*);
        const char* request_line;
        int rc;
        std::string data;  // hex
    };
    const Case cases[] = {
        {"device ID, acknowledged then answered", {"ack", "reply:0:4d46473a"},
         [](const ProviderRecord& p, std::int32_t* c) { return p.TWPDeviceIDRequest(11, c); },
         "req cmd=33 rid=11 ch=0 name=P nm=SRV data=-", 4, "4d46473a"},
        {"send, acknowledged then answered", {"ack", "reply:0:00"},
         [](const ProviderRecord& p, std::int32_t* c) {
             const std::uint8_t bytes[] = {0x1b, 0x40, 0x00};
             return p.TWPSend(12, c, 2, bytes, 3) == 3 ? 0 : -100;
         },
         "req cmd=35 rid=12 ch=2 name=P nm=SRV data=1b4000", 1, "00"},
        {"status, answered with an error", {"ack", "reply:-3:-"},
         [](const ProviderRecord& p, std::int32_t* c) { return p.TWPStatusRequest(13, c, 5); },
         "req cmd=36 rid=13 ch=5 name=P nm=SRV data=-", -3, ""},
        {"status, reply overtaking its acknowledgement", {"reply:0:0102", "ack"},
         [](const ProviderRecord& p, std::int32_t* c) { return p.TWPStatusRequest(14, c, 0); },
         "req cmd=36 rid=14 ch=0 name=P nm=SRV data=-", 2, "0102"},
        {"send the agent could not deliver (send flag 0)", {"ack0"},
         [](const ProviderRecord& p, std::int32_t* c) {
             const std::uint8_t bytes[] = {7};
             return p.TWPSend(15, c, 1, bytes, 1) == 1 ? 0 : -100;
         },
         "req cmd=35 rid=15 ch=1 name=P nm=SRV data=07", -1, ""},
    };
    std::vector<std::string> script = {"take", "ack", "reply:0:-"};
    for (const auto& c : cases) {
        script.push_back("take");
        script.insert(script.end(), c.script.begin(), c.script.end());
    }
    start_agent(script);
    attach();
    std::int32_t connection = connect("P");
    agent_->read_line();
    int expected_id = 11;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(c.call(provider_, &connection), 0);
        EXPECT_EQ(agent_->read_line(), c.request_line);
        auto got = receive();
        EXPECT_EQ(got.rc, c.rc);
        EXPECT_EQ(got.request_id, expected_id++);
        EXPECT_EQ(got.data, from_hex(c.data));
    }
    detach();
}

TEST_F(ShareProviderTest, RequestsOfOneConnectionReachTheAgentOneAtATime) {
    // The agent looks at its request slot a while after taking the first
    // request: the second may only come once the first is acknowledged.
    start_agent({"take", "ack", "reply:0:-",            // connection
                 "take", "sleep:300", "peek", "ack", "reply:0:a1",
                 "take", "ack", "reply:0:a2"});
    attach();
    std::int32_t connection = connect("P");
    agent_->read_line();
    const std::uint8_t one[] = {1}, two[] = {2};
    EXPECT_EQ(provider_.TWPSend(1, &connection, 0, one, 1), 1);
    EXPECT_EQ(provider_.TWPSend(2, &connection, 0, two, 1), 1) << "queued, not refused";
    EXPECT_EQ(agent_->read_line(), "req cmd=35 rid=1 ch=0 name=P nm=SRV data=01");
    EXPECT_EQ(agent_->read_line(), "slot-empty");
    EXPECT_EQ(agent_->read_line(), "req cmd=35 rid=2 ch=0 name=P nm=SRV data=02");
    auto first = receive();
    auto second = receive();
    EXPECT_EQ(first.request_id, 1);
    EXPECT_EQ(first.data, from_hex("a1"));
    EXPECT_EQ(second.request_id, 2);
    EXPECT_EQ(second.data, from_hex("a2"));
    detach();
}

TEST_F(ShareProviderTest, ReplyBeforeAcknowledgementReleasesTheNextQueuedRequest) {
    // The first request is never acknowledged before its reply; only the
    // reply can let the second one go.
    start_agent({"take", "ack", "reply:0:-",
                 "take", "reply:0:c1", "sleep:200", "ack",
                 "take", "ack", "reply:0:c2"});
    attach();
    std::int32_t connection = connect("P");
    agent_->read_line();
    EXPECT_EQ(provider_.TWPStatusRequest(1, &connection, 0), 0);
    EXPECT_EQ(provider_.TWPStatusRequest(2, &connection, 0), 0);
    EXPECT_EQ(agent_->read_line(), "req cmd=36 rid=1 ch=0 name=P nm=SRV data=-");
    EXPECT_EQ(agent_->read_line(), "req cmd=36 rid=2 ch=0 name=P nm=SRV data=-");
    auto first = receive();
    auto second = receive();
    EXPECT_EQ(first.request_id, 1);
    EXPECT_EQ(first.data, from_hex("c1"));
    EXPECT_EQ(second.request_id, 2);
    EXPECT_EQ(second.data, from_hex("c2"));
    detach();
}

TEST_F(ShareProviderTest, UnacknowledgedRequestFailsAfterTheTimeOutAndItsEntryIsDeleted) {
    set_env("SendRcvTimeOut", 500);
    set_env("TimeOutInterval", 0);
    set_env("ShrDebugFlags", 0x1);
    ASSERT_TRUE(RegKey::create(RootKey::LocalMachine, kEnv)->key.set_string("ShrDebugOutFileName", "C:\\shr.log").ok());
    // The agent takes the connect request, then stops reading until told.
    start_agent({"take", "ack", "reply:0:-", "await", "take", "ack", "reply:0:08"});
    attach();
    std::int32_t connection = connect("P");
    agent_->read_line();
    auto sent = Clock::now();
    EXPECT_EQ(provider_.TWPStatusRequest(7, &connection, 0), 0);
    EXPECT_EQ(provider_.TWPStatusRequest(8, &connection, 0), 0) << "queued behind 7";
    auto got = receive();
    EXPECT_GE(Clock::now() - sent, std::chrono::milliseconds(500));
    EXPECT_EQ(got.rc, -1);
    EXPECT_EQ(got.request_id, 7);

    // Released, the agent finds the queued request 8, not the timed-out 7.
    UniqueHandle go(create_event(kGoEvent, EventReset::Auto, false));
    set_event(go.get());
    EXPECT_EQ(agent_->read_line(), "go");
    EXPECT_EQ(agent_->read_line(), "req cmd=36 rid=8 ch=0 name=P nm=SRV data=-");
    got = receive();
    EXPECT_EQ(got.request_id, 8);
    EXPECT_EQ(got.data, from_hex("08"));
    detach();

    auto file = to_host_path("C:\\shr.log");
    ASSERT_TRUE(file);
    std::ifstream in(*file, std::ios::binary);
    std::string log((std::istreambuf_iterator<char>(in)), {});
    EXPECT_TRUE(std::regex_search(log, std::regex(R"(\r\n[ \d]*\d:[ \d]\d\.\d{3}  \\ReqDel\\ L\(2340\) \\ReqDel\\ TWPID=0x[0-9a-f]+ PID=0x[0-9a-f]+)")))
        << log;
}

TEST_F(ShareProviderTest, RequestTooLongForAnEntryFailsWithoutHoldingUpItsConnection) {
    // 15 + 1 + 2040 bytes do not fit the 2048 of an entry.
    const std::vector<std::uint8_t> too_long(2040, 0x55);
    start_agent({"take", "ack", "reply:0:-",
                 "take", "sleep:200", "ack", "reply:0:01",
                 "take", "ack", "reply:0:03"});
    attach();
    std::int32_t connection = connect("P");
    agent_->read_line();
    EXPECT_EQ(provider_.TWPStatusRequest(1, &connection, 0), 0);
    EXPECT_EQ(provider_.TWPSend(2, &connection, 0, too_long.data(), 2040), 2040) << "accepted, queued behind 1";
    EXPECT_EQ(provider_.TWPStatusRequest(3, &connection, 0), 0);
    EXPECT_EQ(agent_->read_line(), "req cmd=36 rid=1 ch=0 name=P nm=SRV data=-");
    EXPECT_EQ(agent_->read_line(), "req cmd=36 rid=3 ch=0 name=P nm=SRV data=-");
    // 2 fails when 1 is acknowledged, 1 when its reply comes: which of them is
    // handed out first depends on when the receiver looks; 3 comes last.
    std::map<int, int> results;
    std::vector<int> order;
    for (int i = 0; i < 3; ++i) {
        auto got = receive();
        results[got.request_id] = got.rc;
        order.push_back(got.request_id);
    }
    EXPECT_EQ(results, (std::map<int, int>{{1, 1}, {2, -1}, {3, 1}}));
    EXPECT_EQ(order.back(), 3);
    detach();
}

TEST_F(ShareProviderTest, TooSmallBufferKeepsTheReplyForTheNextCall) {
    const std::string reply = hex_of(100, 0);
    start_agent({"take", "ack", "reply:0:-", "take", "ack", "reply:0:" + reply});
    attach();
    std::int32_t connection = connect("P");
    agent_->read_line();
    ASSERT_EQ(provider_.TWPDeviceIDRequest(21, &connection), 0);
    EXPECT_EQ(agent_->read_line(), "req cmd=33 rid=21 ch=0 name=P nm=SRV data=-");
    struct Step {
        int size;
        int rc;
        int size_after;
    };
    const Step steps[] = {{8, -5, 100}, {50, -5, 100}, {100, 100, 100}};
    std::vector<std::uint8_t> buffer(100);
    int request_id = -99;
    for (const auto& step : steps) {
        int size = step.size;
        EXPECT_EQ(provider_.TWPReceive(&request_id, buffer.data(), &size), step.rc) << step.size;
        EXPECT_EQ(size, step.size_after) << step.size;
        EXPECT_EQ(request_id, 21);
    }
    EXPECT_EQ(buffer, from_hex(reply));
    detach();
}

TEST_F(ShareProviderTest, DetachReleasesBlockedCallsWithStopping) {
    // Two requests out that the agent never answers: a connect info and a send.
    start_agent({"take", "ack", "reply:0:-", "take", "take"});
    attach();
    std::int32_t connection = connect("P");
    agent_->read_line();
    std::atomic<int> connect_rc{0}, receive_rc{0};
    std::thread connecting([&] {
        std::int32_t c = 0;
        std::uint8_t table[twapi::kChannelTableSize];
        connect_rc = provider_.TWPGetConnectInfo("\\\\SRV\\Other", &c, table);
    });
    EXPECT_EQ(agent_->read_line(), "req cmd=34 rid=0 ch=0 name=Other nm=SRV data=-");
    const std::uint8_t bytes[] = {9};
    EXPECT_EQ(provider_.TWPSend(5, &connection, 0, bytes, 1), 1);
    EXPECT_EQ(agent_->read_line(), "req cmd=35 rid=5 ch=0 name=P nm=SRV data=09");
    std::thread receiving([&] {
        int id = 0, size = 2048;
        std::uint8_t buffer[2048];
        receive_rc = provider_.TWPReceive(&id, buffer, &size);
    });
    detach();
    connecting.join();
    receiving.join();
    EXPECT_EQ(connect_rc, -6);
    EXPECT_EQ(receive_rc, -6);
    int id = 0, size = 16;
    std::uint8_t buffer[16];
    EXPECT_EQ(provider_.TWPReceive(&id, buffer, &size), -6) << "still stopping after detach";
}

TEST_F(ShareProviderTest, AgentKilledHoldingTheQueueLockDoesNotStopTheProvider) {
    start_agent({"take", "ack", "reply:0:-", "lock"});
    attach();
    std::int32_t connection = connect("P");
    agent_->read_line();
    ASSERT_EQ(agent_->read_line(), "locked");
    std::atomic<int> send_rc{0};
    std::thread sending([&] {
        const std::uint8_t bytes[] = {0x42};
        send_rc = provider_.TWPSend(31, &connection, 0, bytes, 1);
    });
    sleep_ms(200);
    agent_->kill();
    sending.join();
    EXPECT_EQ(send_rc, 1);
    // A fresh agent serves the provider it learnt of before.
    start_agent({"twpid:" + std::to_string(static_cast<std::int32_t>(current_thread_id())), "take", "ack",
                 "reply:0:d1"});
    EXPECT_EQ(agent_->read_line(), "req cmd=35 rid=31 ch=0 name=P nm=SRV data=42");
    auto got = receive();
    EXPECT_EQ(got.rc, 1) << "the entry was written after the dead agent's lock was taken over";
    EXPECT_EQ(got.request_id, 31);
    EXPECT_EQ(got.data, from_hex("d1"));
    detach();
}

TEST_F(ShareProviderTest, OnlyShareNamesOfShortComputerNamesAreServed) {
    auto ip = RegKey::create(RootKey::LocalMachine, "SOFTWARE\\KAVRO\\TWPrinter\\TWProvider\\TWPIP");
    ASSERT_TRUE(ip && ip->key.set_string("ID3", "\\\\NetBox\\lp").ok());
    start_agent({"take", "ack", "reply:0:-"});
    attach();
    struct Case {
        std::string port;
        int rc;
    };
    const Case cases[] = {
        {"\\\\ABCDEFGHIJKLMNOP\\P", -4},  // 16-byte computer name
        {"\\\\SRV\\P\\extra", -4},
        {"SRV\\P", -4},
        {"\\\\SRV\\", -4},
        {"\\\\\\P", -4},
        {"\\\\SRV", -4},
        {"\\\\netbox\\P", -4},  // a network printer, not a share
        {"\\\\S\\" + std::string(256, 'p'), -4},
        {"\\\\ABCDEFGHIJKLMNO\\P", 0},  // 15 bytes: served
    };
    for (const auto& c : cases) {
        std::int32_t connection = 0;
        std::uint8_t table[twapi::kChannelTableSize] = {};
        EXPECT_EQ(provider_.TWPGetConnectInfo(c.port.c_str(), &connection, table), c.rc) << c.port;
    }
    std::int32_t connection = 0;
    std::uint8_t table[twapi::kChannelTableSize] = {};
    EXPECT_EQ(provider_.TWPGetConnectInfo(nullptr, &connection, table), -7);
    EXPECT_EQ(provider_.TWPGetConnectInfo("\\\\SRV\\P", nullptr, table), -7);
    EXPECT_EQ(provider_.TWPGetConnectInfo("\\\\SRV\\P", &connection, nullptr), -7);
    std::int32_t unknown = 77;
    EXPECT_EQ(provider_.TWPStatusRequest(1, &unknown, 0), -4);
    EXPECT_EQ(provider_.TWPSend(1, &unknown, 0, "x", 1), -4);
    EXPECT_EQ(agent_->read_line(), "req cmd=34 rid=0 ch=0 name=P nm=ABCDEFGHIJKLMNO data=-");
    detach();  // and nothing else reached the agent before the detach entry
}

TEST_F(ShareProviderTest, NullArgumentIsRefusedAndCreatesNothing) {
    auto module = load_library(TWPSHRE2_PATH);
    ASSERT_TRUE(module);
    module_ = *module;
    auto entry = get_proc_address(module_, "TWPGetProviderInfo");
    ASSERT_TRUE(entry);
    EXPECT_EQ(reinterpret_cast<TWPGetProviderInfoFn>(*entry)(nullptr), -7);
    common::SharedQueue global;
    global.open(common::QueueKind::GlobalRequest, 0);
    EXPECT_TRUE(global.created());
}

TEST_F(ShareProviderTest, RefusedInsideTheAgentsOwnProcess) {
    start_agent({});
    ASSERT_TRUE(RegKey::create(RootKey::LocalMachine, "Software\\KAVRO\\TWPrinter\\Herald2")
                    ->key.set_dword("ProcessID", get_current_process_id())
                    .ok());
    EXPECT_EQ(load_and_attach(), -11);
}

TEST_F(ShareProviderTest, RefusedWithoutARunningAgentAndTheGlobalQueueIsReleased) {
    EXPECT_EQ(load_and_attach(), -11);
    common::SharedQueue global;
    global.open(common::QueueKind::GlobalRequest, 0);
    EXPECT_TRUE(global.created()) << "the provider's attempt left nothing open";
}

TEST_F(ShareProviderTest, OnlyExportIsTWPGetProviderInfo) {
    auto module = load_library(TWPSHRE2_PATH);
    ASSERT_TRUE(module);
    module_ = *module;
    EXPECT_TRUE(get_proc_address(module_, "TWPGetProviderInfo"));
    EXPECT_FALSE(get_proc_address(module_, "TWPReceive"));
    EXPECT_FALSE(get_proc_address(module_, "_ZN9shareprov5stateEv"));
}

TEST_F(ShareProviderTest, TimeOutScanWorksAcrossTheTickWrap) {
    // Attached and the request written shortly before the counter wraps; the
    // time-out falls after it.
    set_env("SendRcvTimeOut", 2000);
    set_env("TimeOutInterval", 500);
    set_tick_count_for_testing(0xFFFFFFFFu - 1500);
    start_agent({"take", "ack", "reply:0:-", "take"});
    attach();
    std::int32_t connection = connect("P");
    agent_->read_line();
    auto sent = Clock::now();
    std::uint32_t sent_tick = get_tick_count();
    ASSERT_GT(sent_tick, 0xFFFFFFFFu - 1500) << "written before the wrap";
    EXPECT_EQ(provider_.TWPStatusRequest(3, &connection, 0), 0);
    EXPECT_EQ(agent_->read_line(), "req cmd=36 rid=3 ch=0 name=P nm=SRV data=-");
    auto got = receive();
    EXPECT_EQ(got.rc, -1);
    EXPECT_EQ(got.request_id, 3);
    EXPECT_GE(Clock::now() - sent, std::chrono::milliseconds(2000));
    EXPECT_LT(get_tick_count(), sent_tick) << "the counter wrapped while the request waited";
    detach();
}

TEST_F(ShareProviderTest, TraceLinesFollowTheirLayouts) {
    set_env("ShrDebugFlags", 0x111);
    ASSERT_TRUE(RegKey::create(RootKey::LocalMachine, kEnv)->key.set_string("ShrDebugOutFileName", "C:\\shr.log").ok());
    start_agent({"take", "ack", "reply:0:-", "take", "ack", "reply:0:abcd"});
    attach();
    std::int32_t connection = connect("P");
    agent_->read_line();
    const std::uint8_t bytes[] = {'h', 'i'};
    EXPECT_EQ(provider_.TWPSend(8, &connection, 1, bytes, 2), 2);
    agent_->read_line();
    EXPECT_EQ(receive().rc, 2);
    detach();

    auto file = to_host_path("C:\\shr.log");
    ASSERT_TRUE(file);
    std::ifstream in(*file, std::ios::binary);
    std::string log((std::istreambuf_iterator<char>(in)), {});
    char twpid[16];
    std::snprintf(twpid, sizeof twpid, "0x%x", current_thread_id());
    // Minutes since the computer started are not reduced: two places or more.
    const std::string stamp = R"(\r\n[ \d]*\d:[ \d]\d\.\d{3}  )";
    const std::string send_record = std::string("\x08\0\0\0\x01P\x23\0\0\0\x01\0\0\0\x02\0hi", 18);
    const std::string layouts[] = {
        stamp + R"(\\GlobalOut\\ L\(20\) \\GlobalOut\\ Wt=TWPSHARE2 TWPID=)" + twpid + R"(\r\n)",
        stamp + R"(TWPGetProviderInfo\. RC=0x0\r\n)",
        stamp + R"(\\ReqOut\\ L\(18\) TWPID=)" + twpid + R"( PID=0x([0-9a-f]+) CMD=35 NM=SRV\r\n  Data: )",
        stamp + R"(\\AckIn\\ L\(2340\) \\AckIn\\ TWPID=)" + twpid + R"( PID=0x[0-9a-f]+ Send=OK\r\n)",
        stamp + R"(\\RplyIn\\ L\(17\) TWPID=)" + twpid + R"( PID=0x[0-9a-f]+ NM=PRINTSRV\r\n  Data: )",
        stamp + R"(TWPReceive RC=0x2\r\n)",
        stamp + R"(\\ReqOut\\ L\(0\) Wait Read\. TWPID=)" + twpid + R"(\r\n)",
        stamp + R"(TWPReceiveCancel\. RC=0x0$)",
    };
    for (const auto& layout : layouts) {
        EXPECT_TRUE(std::regex_search(log, std::regex(layout))) << layout << "\n" << log;
    }
    EXPECT_NE(log.find(R"(CMD=35 NM=SRV)" "\r\n  Data: " + send_record), std::string::npos)
        << "the request record follows its line raw";
}

}  // namespace
