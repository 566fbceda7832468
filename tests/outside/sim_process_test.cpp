// A real twprinter-sim process per test, in a machine root of its own,
// reached through the client library and changed with the control tool while
// it runs.
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <thread>

#include "outside/printer_sim/endpoint.h"
#include "outside/printer_sim/printer.h"
#include "outside/printer_sim/printer_command.h"
#include "outside/printer_sim/sim_connection.h"
#include "tests/support/child_process.h"
#include "tests/support/test_root.h"

namespace {

using namespace std::chrono_literals;
using twsim::Bytes;
using twsim::SimulatorConnection;

// Runs the simulator program with the given arguments in this child's place.
twtest::ChildRole run_program("run-sim", [](const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>(TWPRINTER_SIM_PROGRAM)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(TWPRINTER_SIM_PROGRAM, argv.data());
    std::perror("execv " TWPRINTER_SIM_PROGRAM);
    return 127;
});

platform::Status as_status(const platform::Result<std::int32_t>& r) {
    if (r) return {};
    return r.error();
}

std::string text(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

// Runs the control tool to its end; its exit code.
int tool(const std::vector<std::string>& args) {
    auto child = twtest::spawn_child("run-sim", args);
    while (!child.read_line(20000).empty()) {
    }
    return child.wait();
}

class SimProcessTest : public ::testing::Test {
protected:
    static constexpr const char* kName = "Office Kestrel";

    void SetUp() override { start(kName); }

    twtest::ChildProcess& start(const std::string& name, std::vector<std::string> extra = {}) {
        std::vector<std::string> args{"serve", name};
        args.insert(args.end(), extra.begin(), extra.end());
        servers_.push_back(std::make_unique<twtest::ChildProcess>(twtest::spawn_child("run-sim", args)));
        std::string line = servers_.back()->read_line();
        EXPECT_EQ(line.rfind("ready: printer " + name, 0), 0u) << line;
        return *servers_.back();
    }

    std::unique_ptr<SimulatorConnection> connect(const std::string& name = kName) {
        auto c = SimulatorConnection::connect(name);
        EXPECT_TRUE(c) << c.error().describe();
        return c ? std::move(*c) : nullptr;
    }

    // Asks for status and waits for its reply.
    std::string status(SimulatorConnection& c, std::uint32_t id, std::uint32_t channel = twsim::kStatusChannel) {
        EXPECT_TRUE(c.request_status(id, channel));
        auto r = c.receive(20s);
        EXPECT_TRUE(r) << r.error().describe();
        if (!r) return {};
        EXPECT_EQ(r->request_id, id);
        EXPECT_EQ(r->channel, channel);
        return text(r->data);
    }

    twtest::TempMachineRoot root_;
    std::vector<std::unique_ptr<twtest::ChildProcess>> servers_;
};

TEST_F(SimProcessTest, AnswersThroughTheClientLibrary) {
    auto c = connect("office KESTREL");  // names ignore letter case
    ASSERT_TRUE(c);
    auto channels = c->channels();
    ASSERT_TRUE(channels);
    std::vector<std::uint32_t> numbers;
    for (const auto& e : *channels) numbers.push_back(e.number);
    EXPECT_EQ(numbers, (std::vector<std::uint32_t>{4, 0x10000005, 0x10010003, 0x10000003, 0x02000001}));

    ASSERT_TRUE(c->request_device_id(41));
    auto id = c->receive(20s);
    ASSERT_TRUE(id);
    EXPECT_EQ(id->request_id, 41u);
    EXPECT_NE(text(id->data).find("MDL:Kestrel 800;"), std::string::npos);

    EXPECT_EQ(status(*c, 42), "@BDC ST\r\nST:04;IQ:64646464;RV:0;TC:0000;\x0c");

    auto sent = c->send(43, twsim::kCommandChannel, twsim::command_ink_remain());
    ASSERT_TRUE(sent);
    EXPECT_EQ(*sent, 5);
    auto reply = c->receive(20s);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->request_id, 43u);
    EXPECT_EQ(text(reply->data), "@BDC PS\r\nIR:00640064;\x0c");

    EXPECT_TRUE(c->open_channel(twsim::kCommandChannel));
    EXPECT_TRUE(c->close_channel(twsim::kCommandChannel));
}

TEST_F(SimProcessTest, RefusalsNameTheProblem) {
    auto c = connect();
    ASSERT_TRUE(c);
    struct Case {
        const char* what;
        platform::Status result;
        twsim::WireResult expected;
    };
    Case cases[] = {
        {"send to a status-only channel", as_status(c->send(1, twsim::kStatusChannel, twsim::command_reset())),
         twsim::WireResult::WrongMode},
        {"status on a channel it lacks", c->request_status(2, 5), twsim::WireResult::UnknownChannel},
        {"open a channel it lacks", c->open_channel(0x10000004), twsim::WireResult::UnknownChannel},
        {"close a channel never opened", c->close_channel(4), twsim::WireResult::NotOpen},
        {"an unknown setting", c->set({"colour=red"}), twsim::WireResult::BadControl},
    };
    for (const auto& k : cases) {
        ASSERT_FALSE(k.result.ok()) << k.what;
        EXPECT_EQ(twsim::wire_result_of(k.result.error()), k.expected) << k.what << ": " << k.result.error().describe();
    }
    // None of them produced a reply.
    auto r = c->receive(200ms);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.error().code, platform::ERROR_TIMEOUT);
}

TEST_F(SimProcessTest, ControlToolChangesAreSeenInTheNextStatus) {
    auto c = connect();
    ASSERT_TRUE(c);
    EXPECT_EQ(tool({"set", kName, "ink.black=0", "ink.cyan=NA"}), 0);
    EXPECT_EQ(status(*c, 1), "@BDC ST\r\nST:00;ER:05;IQ:00NA6464;RV:0;TC:0000;\x0c");

    // A printer command changes it back, as the status window's button would.
    EXPECT_EQ(tool({"set", kName, "ink.all=50", "paperout=1"}), 0);
    EXPECT_NE(status(*c, 2).find("ER:06;"), std::string::npos);
    ASSERT_TRUE(c->send(3, twsim::kCommandChannel, twsim::command_paper_out_return()));
    auto r = c->receive(20s);
    ASSERT_TRUE(r);
    EXPECT_EQ(text(r->data), "pe:01:OK;\x0c");
    EXPECT_EQ(status(*c, 4), "@BDC ST\r\nST:04;IQ:32323232;RV:0;TC:0000;\x0c");

    auto shown = c->show();
    ASSERT_TRUE(shown);
    EXPECT_NE(shown->find("ink.black=50\n"), std::string::npos);
    EXPECT_NE(shown->find("paperout=0\n"), std::string::npos);
}

TEST_F(SimProcessTest, ControlToolExitCodes) {
    struct Case {
        std::vector<std::string> args;
        int code;
    };
    const Case cases[] = {
        {{"--help"}, 0},
        {{"show", kName}, 0},
        {{"list"}, 0},
        {{"models"}, 0},
        {{}, 2},
        {{"frobnicate"}, 2},
        {{"set", kName}, 2},
        {{"set", kName, "ink.black"}, 2},
        {{"set", kName, "ink.black=999"}, 2},
        {{"set", "bad/name", "jam=1"}, 2},
        {{"serve", "x", "--model", "unknown"}, 2},
        {{"set", "Nobody Here", "jam=1"}, 1},
        {{"show", "Nobody Here"}, 1},
        {{"serve", kName}, 1},  // already running
    };
    for (const auto& c : cases) {
        std::string line;
        for (const auto& a : c.args) line += a + " ";
        EXPECT_EQ(tool(c.args), c.code) << line;
    }
    // The refused ones changed nothing and the printer still runs.
    auto conn = connect();
    ASSERT_TRUE(conn);
    EXPECT_EQ(status(*conn, 1), "@BDC ST\r\nST:04;IQ:64646464;RV:0;TC:0000;\x0c");
}

TEST_F(SimProcessTest, SilentPrinterLeavesReceiveWaitingUntilCancelled) {
    auto c = connect();
    ASSERT_TRUE(c);
    ASSERT_TRUE(c->set({"silent=1"}));
    ASSERT_TRUE(c->request_status(7, twsim::kStatusChannel));
    ASSERT_TRUE(c->send(8, twsim::kCommandChannel, twsim::command_ink_information()));

    std::atomic<bool> returned{false};
    platform::WinError code = 0;
    std::thread receiver([&] {
        auto r = c->receive();
        if (!r) code = r.error().code;
        returned = true;
    });
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(returned) << "a silent printer's request must not be answered";
    c->cancel_receive();
    receiver.join();
    EXPECT_EQ(code, twsim::kReceiveCancelled);
    // Cancelling is the end of receiving on that connection.
    auto again = c->receive(10ms);
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error().code, twsim::kReceiveCancelled);

    // Once it answers again, new requests get replies; the withheld ones never come.
    auto other = connect();
    ASSERT_TRUE(other);
    ASSERT_TRUE(other->set({"silent=0"}));
    EXPECT_EQ(status(*other, 9).substr(0, 9), "@BDC ST\r\n");
    EXPECT_FALSE(other->receive(100ms));
}

TEST_F(SimProcessTest, BusyPrinterAnswersLateButInOrder) {
    auto c = connect();
    ASSERT_TRUE(c);
    ASSERT_TRUE(c->set({"busy=400"}));
    auto asked = std::chrono::steady_clock::now();
    ASSERT_TRUE(c->request_status(1, twsim::kStatusChannel));
    ASSERT_TRUE(c->set({"busy=0"}));
    ASSERT_TRUE(c->send(2, twsim::kCommandChannel, twsim::command_cartridge_check()));
    auto first = c->receive(20s);
    auto arrived = std::chrono::steady_clock::now();
    auto second = c->receive(20s);
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    EXPECT_EQ(first->request_id, 1u) << "a later, quicker reply must not overtake";
    EXPECT_EQ(second->request_id, 2u);
    EXPECT_GE(arrived - asked, 400ms);
    EXPECT_EQ(text(second->data), "ex:00:OK;\x0c");
}

TEST_F(SimProcessTest, TwoClientsAtOnceEachGetTheirOwnReplies) {
    auto a = connect();
    auto b = connect();
    ASSERT_TRUE(a && b);
    auto run = [&](SimulatorConnection& c, std::uint32_t base, std::vector<std::uint32_t>& got) {
        for (std::uint32_t i = 0; i < 100; ++i) {
            std::uint32_t channel = i % 2 ? twsim::kCommandStatusChannel : twsim::kStatusChannel;
            if (!c.request_status(base + i, channel)) return;
        }
        for (int i = 0; i < 100; ++i) {
            auto r = c.receive(20s);
            if (!r) return;
            got.push_back(r->request_id);
        }
    };
    std::vector<std::uint32_t> got_a, got_b;
    std::thread ta([&] { run(*a, 1000, got_a); });
    std::thread tb([&] { run(*b, 5000, got_b); });
    ta.join();
    tb.join();
    ASSERT_EQ(got_a.size(), 100u);
    ASSERT_EQ(got_b.size(), 100u);
    for (std::uint32_t i = 0; i < 100; ++i) {
        EXPECT_EQ(got_a[i], 1000 + i);
        EXPECT_EQ(got_b[i], 5000 + i);
    }
    // One client's change is the other's next status.
    ASSERT_TRUE(a->set({"jam=1"}));
    EXPECT_NE(status(*b, 1).find("ST:00;ER:04;"), std::string::npos);
}

TEST_F(SimProcessTest, ABadClientIsDroppedAndTheOthersAreServed) {
    auto good = connect();
    ASSERT_TRUE(good);
    auto path = twsim::socket_path(kName);
    ASSERT_TRUE(path);
    auto raw = twsim::connect_to(*path);
    ASSERT_TRUE(raw);
    // A header announcing far more than a frame may carry, then random bytes.
    std::uint8_t header[twsim::kHeaderSize] = {0xFF, 0xFF, 0xFF, 0x7F, 6, 0};
    ASSERT_EQ(::send(raw->get(), header, sizeof header, MSG_NOSIGNAL), static_cast<ssize_t>(sizeof header));
    std::uint8_t junk[64];
    for (std::size_t i = 0; i < sizeof junk; ++i) junk[i] = static_cast<std::uint8_t>(i * 37);
    (void)::send(raw->get(), junk, sizeof junk, MSG_NOSIGNAL);
    std::uint8_t b;
    EXPECT_EQ(::recv(raw->get(), &b, 1, 0), 0) << "the simulator closes a connection that breaks the protocol";
    EXPECT_EQ(status(*good, 3).substr(0, 9), "@BDC ST\r\n");
}

TEST_F(SimProcessTest, StoppedByPidItRemovesItsEndpoint) {
    auto pid_file = twsim::pid_path(kName);
    auto sock = twsim::socket_path(kName);
    ASSERT_TRUE(pid_file && sock);
    long pid = 0;
    std::string name;
    {
        std::ifstream in(*pid_file);
        in >> pid;
        in.ignore();
        std::getline(in, name);
    }
    EXPECT_EQ(pid, servers_[0]->pid());
    EXPECT_EQ(name, kName);

    auto c = connect();
    ASSERT_TRUE(c);
    std::thread waiting([&] {
        auto r = c->receive();
        EXPECT_FALSE(r);
        if (!r) {
            EXPECT_EQ(r.error().code, platform::ERROR_BROKEN_PIPE);
        }
    });
    ASSERT_EQ(::kill(static_cast<pid_t>(pid), SIGTERM), 0);
    EXPECT_EQ(servers_[0]->wait(), 0);
    waiting.join();
    EXPECT_FALSE(std::filesystem::exists(*pid_file));
    EXPECT_FALSE(std::filesystem::exists(*sock));
    auto gone = SimulatorConnection::connect(kName);
    ASSERT_FALSE(gone);
    EXPECT_EQ(gone.error().code, platform::ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(c->request_status(1, 4));
}

TEST_F(SimProcessTest, StopCommandEndsItAndTheNameCanServeAgain) {
    start("Second", {"--model", "kestrel-870"});
    EXPECT_EQ(tool({"stop", kName}), 0);
    EXPECT_EQ(servers_[0]->wait(), 0);
    auto listed = twsim::list_printers();
    ASSERT_TRUE(listed);
    ASSERT_EQ(listed->size(), 1u);
    EXPECT_EQ((*listed)[0].name, "Second");
    EXPECT_TRUE((*listed)[0].answering);

    start(kName, {"--model", "Kestrel 860"});
    auto c = connect();
    ASSERT_TRUE(c);
    EXPECT_EQ(status(*c, 1), "@BDC ST\r\nST:04;IQ:646464646464;RV:0;TC:0000;\x0c");
}

TEST_F(SimProcessTest, StartLeavesItRunningInTheBackground) {
    EXPECT_EQ(tool({"start", "Background", "--model", "kestrel-860"}), 0) << "returns once the printer answers";
    auto c = SimulatorConnection::connect("background");
    ASSERT_TRUE(c) << c.error().describe();
    EXPECT_EQ(status(**c, 1), "@BDC ST\r\nST:04;IQ:646464646464;RV:0;TC:0000;\x0c");
    EXPECT_EQ(tool({"start", "Background"}), 1) << "one simulator per name";
    EXPECT_EQ(tool({"stop", "Background"}), 0);
    auto r = (*c)->receive(20s);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().code, platform::ERROR_BROKEN_PIPE);
}

// Random requests, well framed but with any kind, channel and payload, then
// raw garbage: the simulator answers or drops the connection, and goes on.
TEST_F(SimProcessTest, RandomFramesNeverStopThePrinter) {
    std::mt19937 random(4242);
    auto path = twsim::socket_path(kName);
    ASSERT_TRUE(path);
    const std::uint32_t channels[] = {0, 4, 5, 0x10000005, 0x10010003, 0x10000003, 0x02000001, 0xFFFFFFFF};
    for (int round = 0; round < 20; ++round) {
        auto raw = twsim::connect_to(*path);
        ASSERT_TRUE(raw);
        Bytes stream;
        for (int i = 0; i < 50; ++i) {
            twsim::FrameHeader h;
            // Every kind but stop (9), and the printer's own kinds sent back at it.
            const std::uint16_t kinds[] = {1, 2, 3, 4, 5, 6, 7, 8, 64, 65};
            h.kind = static_cast<twsim::FrameKind>(kinds[random() % std::size(kinds)]);
            h.tag = static_cast<std::uint32_t>(random());
            h.request_id = static_cast<std::uint32_t>(random());
            h.channel = channels[random() % std::size(channels)];
            Bytes payload(random() % 40);
            for (auto& b : payload) b = static_cast<std::uint8_t>(random());
            if (h.kind == twsim::FrameKind::ControlSet && random() % 2)
                payload = Bytes{'s', 'i', 'l', 'e', 'n', 't', '=', '0', '\n', 'b', 'u', 's', 'y', '=', '0'};
            Bytes frame = twsim::encode_frame(h, payload);
            stream.insert(stream.end(), frame.begin(), frame.end());
        }
        if (round % 2) {
            for (int i = 0; i < 30; ++i) stream.push_back(static_cast<std::uint8_t>(random()));
        }
        (void)::send(raw->get(), stream.data(), stream.size(), MSG_NOSIGNAL);
        ::shutdown(raw->get(), SHUT_WR);
        std::uint8_t sink[4096];
        while (::recv(raw->get(), sink, sizeof sink, 0) > 0) {
        }
    }
    auto c = connect();
    ASSERT_TRUE(c);
    ASSERT_TRUE(c->set({"silent=0", "busy=0"}));
    EXPECT_EQ(status(*c, 1).substr(0, 9), "@BDC ST\r\n");
}

// The local-port provider's shape: one receiving thread for every printer it
// talks to, and a request to a printer that goes away still comes back, failed.
TEST_F(SimProcessTest, PrintersSharingOneReplyQueue) {
    start("Upstairs", {"--model", "kestrel-870"});
    auto queue = std::make_shared<twsim::ReplyQueue>();
    auto down = SimulatorConnection::connect(kName, queue);
    auto up = SimulatorConnection::connect("Upstairs", queue);
    ASSERT_TRUE(down && up);

    ASSERT_TRUE((*down)->request_status(1, twsim::kStatusChannel));
    ASSERT_TRUE((*up)->request_status(2, twsim::kStatusChannel));
    std::map<std::uint32_t, std::string> got;
    for (int i = 0; i < 2; ++i) {
        auto r = queue->receive(20s);
        ASSERT_TRUE(r) << r.error().describe();
        EXPECT_EQ(r->error, 0u);
        got[r->request_id] = text(r->data);
    }
    EXPECT_NE(got[1].find("IQ:64646464;"), std::string::npos);
    EXPECT_NE(got[2].find("IQ:64646464646464;"), std::string::npos);

    // Upstairs stops answering, takes two requests, then is stopped.
    ASSERT_TRUE((*up)->set({"silent=1"}));
    ASSERT_TRUE((*up)->request_status(3, twsim::kRecordStatusChannel));
    ASSERT_TRUE((*up)->send(4, twsim::kCommandChannel, twsim::command_ink_information()));
    // A refused request is not waited for.
    EXPECT_FALSE((*up)->request_status(5, 0x12345678));
    EXPECT_EQ(tool({"stop", "Upstairs"}), 0);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> failed;
    for (int i = 0; i < 2; ++i) {
        auto r = queue->receive(20s);
        ASSERT_TRUE(r) << r.error().describe();
        EXPECT_EQ(r->error, platform::ERROR_BROKEN_PIPE);
        EXPECT_TRUE(r->data.empty());
        failed.emplace_back(r->request_id, r->channel);
    }
    EXPECT_EQ(failed, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{3, twsim::kRecordStatusChannel},
                                                                           {4, twsim::kCommandChannel}}));
    // The shared queue is not closed by one printer going away.
    ASSERT_TRUE((*down)->request_status(6, twsim::kStatusChannel));
    auto r = queue->receive(20s);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->request_id, 6u);
    EXPECT_EQ(r->error, 0u);

    // Cancelling wakes the one receiver for all of them.
    std::thread receiver([&] {
        auto c = queue->receive();
        ASSERT_FALSE(c);
        EXPECT_EQ(c.error().code, twsim::kReceiveCancelled);
    });
    std::this_thread::sleep_for(50ms);
    queue->cancel();
    receiver.join();
}

}  // namespace
