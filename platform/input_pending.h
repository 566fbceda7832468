// Stand-ins for the input half of the paint layer until it lands.
#pragma once
#include <cstdint>
#include "platform/messages.h"
namespace platform {
HWND set_capture(HWND hwnd);
bool release_capture();
HWND get_capture();
std::int16_t get_key_state(int vk);
bool call_msg_filter(MSG* msg, int code);
}  // namespace platform
