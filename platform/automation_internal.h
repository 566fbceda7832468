// The automation layer's requests, as they run on a window's own thread and
// as they travel to it. Internal to the platform layer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/messages.h"
#include "platform/win_error.h"

namespace platform::automation::detail {

enum class Op : std::uint32_t { Text = 1, State, Click, Type, Key, Choose, Shot };

struct Request {
    Op op = Op::Text;
    HWND hwnd = 0;
    std::string argument;  // the text to type, the key, the item text, the PNG path
};

struct Reply {
    WinError code = 0;  // 0: done
    std::string text;   // the answer, or the error's words
};

// Whether the request gives input, whose answer waits until the input is handled.
bool gives_input(Op op);

// Runs a request on the thread that owns the window.
Reply perform(const Request& request);

// Runs a request on the window's thread, wherever that is, and returns its answer.
Reply run(const Request& request);

// One encoder and one decoder for each record; the decoders never read past
// the text they are given and refuse anything malformed.
std::string encode(const Request& request);
std::optional<Request> decode_request(std::string_view text);
std::string encode(const Reply& reply);
std::optional<Reply> decode_reply(std::string_view text);

std::uint32_t timeout_ms();

}  // namespace platform::automation::detail
