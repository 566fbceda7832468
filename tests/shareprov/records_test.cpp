// The request/reply record layout, byte for byte, and its defensive decoding.
#include "shareprov/records.h"

#include <gtest/gtest.h>

#include <vector>

using namespace shareprov;

namespace {

TEST(RecordTest, EncodesTheDocumentedLayout) {
    auto bytes = encode_record({0x01020304, "PRN", 35, 7, {0xAA, 0xBB}});
    ASSERT_TRUE(bytes);
    const std::vector<std::uint8_t> expected = {0x04, 0x03, 0x02, 0x01, 3, 'P', 'R', 'N', 35, 0, 0, 0,
                                                7,    0,    0,    0,    2, 0,   0xAA, 0xBB};
    EXPECT_EQ(*bytes, expected);
    auto back = decode_record(*bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->request_id, 0x01020304);
    EXPECT_EQ(back->printer, "PRN");
    EXPECT_EQ(back->cmd, 35);
    EXPECT_EQ(back->channel_or_result, 7);
    EXPECT_EQ(back->data, (std::vector<std::uint8_t>{0xAA, 0xBB}));
}

TEST(RecordTest, NegativeResultOfAReplySurvives) {
    auto bytes = encode_record({9, "", 36, -12, {}});
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->size(), kRecordFixedSize);
    auto back = decode_record(*bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->channel_or_result, -12);
    EXPECT_TRUE(back->data.empty());
}

TEST(RecordTest, EncoderRefusesWhatDoesNotFitAnEntry) {
    EXPECT_TRUE(encode_record({1, "P", 35, 0, std::vector<std::uint8_t>(2048 - 16)}));
    EXPECT_FALSE(encode_record({1, "P", 35, 0, std::vector<std::uint8_t>(2048 - 15)})) << "15 + n + L above 2048";
    EXPECT_FALSE(encode_record({1, std::string(256, 'x'), 35, 0, {}})) << "name length is one byte";
}

TEST(RecordTest, DecoderRefusesLengthsThatDoNotFitTheEntry) {
    auto good = *encode_record({5, "AB", 35, 0, {1, 2, 3}});
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    auto with = [&](std::size_t at, std::uint8_t value) {
        auto b = good;
        b[at] = value;
        return b;
    };
    const Case cases[] = {
        {"empty", {}},
        {"shorter than the fixed fields", std::vector<std::uint8_t>(good.begin(), good.begin() + 14)},
        {"name longer than the entry", with(4, 200)},
        {"data length one more than there is", with(5 + 2 + 8, 4)},
        {"data length high byte", with(5 + 2 + 9, 1)},
        {"last data byte missing", std::vector<std::uint8_t>(good.begin(), good.end() - 1)},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(decode_record(c.bytes)) << c.what;
    }
    EXPECT_TRUE(decode_record(good));
}

}  // namespace
