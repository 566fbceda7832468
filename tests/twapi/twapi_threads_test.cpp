// Many callers at once, each on its own channel: every caller gets the
// reply to its own request.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/twapi/twapi_fixture.h"

namespace twtest {
namespace {

using scriptprov::kReplyLength;
using scriptprov::Request;

class TwapiThreadsTest : public TwapiTest {};

TEST_F(TwapiThreadsTest, ManyThreadsGetTheStatusOfTheirOwnChannels) {
    constexpr int kThreads = 8;
    constexpr int kRounds = 25;
    std::vector<int> numbers;
    for (int i = 1; i <= kThreads; ++i) numbers.push_back(i);
    // Two printers, so that channels of one printer and of different
    // printers both run side by side; one through each provider slot.
    add_local_printer("P", numbers);
    share_->set_connect_answer("\\\\srv\\q", kThreads, "\x03", channel_table(numbers));
    lpt_->set_auto_reply(Request::Status, kReplyLength, "@BDC ST ch={ch} id={id}");
    share_->set_auto_reply(Request::Status, kReplyLength, "@BDC ST ch={ch} id={id}");
    ASSERT_EQ(api_.TWInitialize(), 0);

    std::vector<std::string> failures(kThreads * 2);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads * 2; ++t) {
        threads.emplace_back([&, t] {
            const int channel = t % kThreads + 1;
            const bool shared = t >= kThreads;
            int handle = shared ? api_.TWOpenChannel(0, "\\\\srv\\q", channel) : api_.TWOpenChannel(1, "P", channel);
            if (handle <= 0) {
                failures[t] = "open failed";
                return;
            }
            const std::string expected = "@BDC ST ch=" + std::to_string(channel) + " id=";
            for (int round = 0; round < kRounds; ++round) {
                char buffer[256];
                int size = sizeof buffer;
                int length = api_.TWGetStatus(handle, buffer, &size);
                if (length <= 0 || std::string(buffer, static_cast<std::size_t>(length)).rfind(expected, 0) != 0) {
                    failures[t] = "round " + std::to_string(round) + ": " + std::to_string(length) + " " +
                                  (length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : "");
                    return;
                }
            }
            api_.TWCloseChannel(handle);
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads * 2; ++t) EXPECT_EQ(failures[t], "") << "thread " << t;
    EXPECT_EQ(calls_of(lpt_, "status").size() + calls_of(share_, "status").size(),
              static_cast<std::size_t>(kThreads * 2 * kRounds));
}

}  // namespace
}  // namespace twtest
