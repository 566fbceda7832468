#include "twapi/result_codes.h"

namespace twapi {

namespace {
// Index: -provider_code - 1, for provider codes -1 to -15.
constexpr int kTable[15] = {
    -5,   // -1  failure
    -3,   // -2
    -6,   // -3
    -5,   // -4  invalid address
    -4,   // -5  buffer too small
    -10,  // -6  stopping
    -15,  // -7  null pointer
    -16,  // -8
    -16,  // -9
    -9,   // -10
    -13,  // -11 not available here
    -17,  // -12
    -5,   // -13
    -5,   // -14
    -18,  // -15 refused
};
}  // namespace

int translate_provider_code(int provider_code) {
    if (provider_code <= -1 && provider_code >= -15) return kTable[-provider_code - 1];
    return provider_code;
}

}  // namespace twapi
