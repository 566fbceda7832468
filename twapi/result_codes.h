// The two-way API's result codes and the one table that turns a provider's
// negative result into them.
#pragma once

namespace twapi {

inline constexpr int TW_OK = 0;
inline constexpr int TW_PROVIDER_MINUS2 = -3;
inline constexpr int TW_BUFFER_TOO_SMALL = -4;
inline constexpr int TW_NOT_FOUND = -5;
inline constexpr int TW_BAD_CHANNEL = -6;
inline constexpr int TW_INVALID_HANDLE = -7;
inline constexpr int TW_TIMEOUT = -9;
inline constexpr int TW_PENDING_READ = -10;
inline constexpr int TW_CANCEL_REFUSED = -11;  // also the older library's "unavailable"
inline constexpr int TW_NOT_INITIALISED = -13;
inline constexpr int TW_BAD_OPTION = -14;
inline constexpr int TW_NULL_ARGUMENT = -15;

// Zero, positive results and codes outside the table pass unchanged.
int translate_provider_code(int provider_code);

}  // namespace twapi
