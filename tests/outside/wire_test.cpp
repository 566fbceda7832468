// The simulator's frame and channel-table codecs, and random bytes through
// every decoder a printer or a client exposes to the other side.
#include "outside/printer_sim/wire.h"

#include <gtest/gtest.h>

#include <random>

#include "outside/printer_sim/printer.h"
#include "outside/printer_sim/printer_command.h"

namespace {

using namespace twsim;

TEST(WireTest, HeaderRoundTripsEveryField) {
    FrameHeader h;
    h.kind = FrameKind::Reply;
    h.tag = 0xA1B2C3D4;
    h.request_id = 0x7FFFFFFF;
    h.channel = 0x10000005;
    h.result = -5;
    const std::uint8_t payload[] = {1, 2, 3};
    Bytes frame = encode_frame(h, payload);
    ASSERT_EQ(frame.size(), kHeaderSize + 3);
    EXPECT_EQ(frame[0], 3);  // little-endian length first
    EXPECT_EQ(frame[4], 65);
    FrameReader r;
    r.feed(frame);
    auto f = r.next();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->header.kind, FrameKind::Reply);
    EXPECT_EQ(f->header.tag, h.tag);
    EXPECT_EQ(f->header.request_id, h.request_id);
    EXPECT_EQ(f->header.channel, h.channel);
    EXPECT_EQ(f->header.result, -5);
    EXPECT_EQ(f->payload, Bytes({1, 2, 3}));
    EXPECT_FALSE(r.next());
}

TEST(WireTest, ReaderHandsOutOnlyWholeFramesWhateverTheChunking) {
    FrameHeader a, b;
    a.kind = FrameKind::Status;
    a.request_id = 1;
    b.kind = FrameKind::Send;
    b.request_id = 2;
    Bytes stream = encode_frame(a, {});
    Bytes second = encode_frame(b, Bytes(300, 0x5A));
    stream.insert(stream.end(), second.begin(), second.end());
    for (std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{24}, stream.size()}) {
        FrameReader r;
        std::vector<std::uint32_t> seen;
        for (std::size_t at = 0; at < stream.size(); at += chunk) {
            r.feed(std::span(stream).subspan(at, std::min(chunk, stream.size() - at)));
            while (auto f = r.next()) {
                seen.push_back(f->header.request_id);
                if (f->header.request_id == 2) {
                    EXPECT_EQ(f->payload.size(), 300u);
                }
            }
        }
        EXPECT_EQ(seen, (std::vector<std::uint32_t>{1, 2})) << "chunk " << chunk;
        EXPECT_EQ(r.buffered(), 0u);
    }
}

TEST(WireTest, RefusedHeadersStopTheReaderForGood) {
    struct Case {
        const char* what;
        std::size_t at;
        std::uint8_t value;
        DecodeError error;
    };
    const Case cases[] = {
        {"length past the limit", 2, 0x01, DecodeError::Oversized},  // 0x00010000 + ... > 64 KiB
        {"flags set", 6, 0x01, DecodeError::BadFlags},
        {"unknown kind", 4, 0x0A, DecodeError::BadKind},
    };
    for (const auto& c : cases) {
        FrameHeader h;
        h.kind = FrameKind::Status;
        Bytes frame = encode_frame(h, {});
        frame[c.at] = c.value;
        if (c.error == DecodeError::Oversized) frame[0] = 0x01;
        FrameReader r;
        r.feed(frame);
        EXPECT_FALSE(r.next()) << c.what;
        EXPECT_EQ(r.error(), c.error) << c.what;
        r.feed(encode_frame(h, {}));
        EXPECT_FALSE(r.next()) << c.what << ": a good frame after a bad one is not trusted";
    }
    // The limit itself is still taken.
    FrameHeader h;
    h.kind = FrameKind::Send;
    FrameReader r;
    r.feed(encode_frame(h, Bytes(kMaxPayload, 1)));
    auto f = r.next();
    ASSERT_TRUE(f);
    EXPECT_EQ(f->payload.size(), kMaxPayload);
}

TEST(WireTest, ChannelTableDecoderRefusesWrongSizes) {
    std::vector<ChannelEntry> entries = {{4, 4, 0}, {0x10000005, 3, 0xC000}};
    Bytes table = encode_channel_table(entries);
    auto back = decode_channel_table(table);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, entries);
    EXPECT_FALSE(decode_channel_table(std::span(table).first(7)));
    EXPECT_TRUE(decode_channel_table(Bytes(16 * 8, 0)));
    EXPECT_FALSE(decode_channel_table(Bytes(17 * 8, 0)));
    EXPECT_TRUE(decode_channel_table(Bytes{}));
}

TEST(WireTest, PrinterCommandsEncodeAsTheMonitorSendsThem) {
    EXPECT_EQ(command_paper_out_return(), Bytes({'p', 'e', 1, 0, 1}));
    EXPECT_EQ(command_paper_jam_return(), Bytes({'p', 'j', 1, 0, 1}));
    EXPECT_EQ(command_reset(), Bytes({'r', 's', 1, 0, 1}));
    EXPECT_EQ(command_ink_information(), Bytes({'i', 'i', 1, 0, 1}));
    EXPECT_EQ(command_ink_remain(), Bytes({'i', 'r', 1, 0, 0x80}));
    EXPECT_EQ(command_cartridge_check(), Bytes({'e', 'x', 6, 0, 0, 0, 0, 0, 0x19, 0}));
    auto d = decode_commands(command_cartridge_check());
    ASSERT_EQ(d.commands.size(), 1u);
    EXPECT_EQ(d.commands[0].name(), "ex");
    EXPECT_EQ(d.commands[0].parameter.size(), 6u);
    EXPECT_EQ(d.tail, CommandTail::None);
}

// Random and cut bytes through every decoder and through the printer. Run
// under the address sanitizer, any read past a length fails here.
TEST(WireFuzzTest, RandomAndTruncatedBytesNeverBreakAnyDecoder) {
    std::mt19937 random(20261211);
    Printer printer(printer_models().back());
    std::vector<Bytes> seeds = {command_paper_out_return(), command_ink_information(), command_ink_remain(),
                                command_cartridge_check(), command_reset()};
    FrameHeader h;
    h.kind = FrameKind::Send;
    seeds.push_back(encode_frame(h, command_reset()));
    seeds.push_back(encode_channel_table(printer.channels()));

    auto check = [&](const Bytes& b) {
        auto d = decode_commands(b);
        std::size_t used = 0;
        for (const auto& c : d.commands) used += 4 + c.parameter.size();
        ASSERT_LE(used, b.size());
        auto reply = printer.handle_commands(b);
        if (reply) {
            ASSERT_FALSE(reply->empty());
        }
        if (d.commands.empty()) {
            ASSERT_FALSE(reply);
        }
        FrameReader r;
        r.feed(b);
        while (auto f = r.next()) ASSERT_LE(f->payload.size(), kMaxPayload);
        (void)decode_channel_table(b);
        DecodeError e;
        (void)decode_header(b, &e);
        // The control language takes any text without harm.
        std::string text(b.begin(), b.end());
        Printer scratch(printer_models().front());
        (void)scratch.apply({text, "ink." + text, "cart.black." + text});
    };
    for (int round = 0; round < 4000; ++round) {
        Bytes b;
        if (round % 2 == 0) {
            b.resize(random() % 64);
            for (auto& x : b) x = static_cast<std::uint8_t>(random());
        } else {
            b = seeds[random() % seeds.size()];
            int flips = 1 + random() % 3;
            for (int i = 0; i < flips && !b.empty(); ++i) b[random() % b.size()] = static_cast<std::uint8_t>(random());
        }
        check(b);
        for (std::size_t cut = 0; cut < b.size(); cut += 1 + b.size() / 8) check(Bytes(b.begin(), b.begin() + cut));
    }
    // The printer still answers normally afterwards (its state may have been
    // changed by what got through, so only the shape is checked).
    auto reply = printer.handle_commands(command_ink_remain());
    ASSERT_TRUE(reply);
    EXPECT_EQ(std::string(reply->begin(), reply->begin() + 12), "@BDC PS\r\nIR:");
}

}  // namespace
