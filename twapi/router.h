// The provider router: at the first TWInitialize it decides from the routing
// key which of the two provider slots are on, loads each slot's provider
// library, copies its record and starts the slot's receiver; at the last
// TWRelease it stops the receivers and unloads the libraries.
//
// Slot 0, router word "LPT", key TWProvider\LPT: the local-port provider.
// Slot 1, router word "SHARE", key TWProvider\SHARE2: the share provider.
//
// Every failure leaves its slot empty and is otherwise silent.
#pragma once

#include <string_view>

#include "twapi/globals.h"

namespace twapi {

inline constexpr const char* kRouterKey = "SOFTWARE\\KAVRO\\TWPrinter\\TWRequestRouter";
inline constexpr const char* kProviderKeys[2] = {"Software\\KAVRO\\TWPrinter\\TWProvider\\LPT",
                                                  "Software\\KAVRO\\TWPrinter\\TWProvider\\SHARE2"};
inline constexpr const char* kRouterWords[2] = {"LPT", "SHARE"};

// Whether the routing key switches the slot of `word` on: a value whose name
// begins with "TWP" and whose string equals the word, letter case ignored
// in both; no routing key at all switches every slot on.
bool router_word_on(std::string_view word);

void load_providers(Globals& g);
void unload_providers(Globals& g);

}  // namespace twapi
