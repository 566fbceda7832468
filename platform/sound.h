// Sound: PlaySound and MessageBeep.
//
// There is no audio output: every play and stop is recorded instead, as a
// line in the computer's ui/sounds.log (ui_log.h) and in a list of this
// process that tests read (recorded_sounds()). A line reads
//
//     <time> pid=<pid> play sound=#5001 module=C:\...\KVRES.rc bytes=6444 ms=100 flags=0x40005
//
// with "play", "stop", "default" (the sound asked for was not found and the
// default sound plays instead) or "beep".
//
// Mirrors Windows: SND_RESOURCE plays a "WAVE" resource of a module (0: the
// executable), SND_FILENAME a file (Windows or host path), SND_ALIAS a system
// sound by name; without one of them the name is a file. A sound that is not
// found returns false and plays the default sound, unless SND_NODEFAULT; a
// WAVE that is not a RIFF WAVE with its format and data returns false. A null
// name, or SND_PURGE, stops what plays. SND_NOSTOP returns false while an
// asynchronous sound is still playing (for its length, or until stopped when
// it loops).
//
// Differs: a synchronous play returns at once (there is nothing to wait for);
// SND_MEMORY is not offered (ERROR_NOT_SUPPORTED). Thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/handle_table.h"
#include "platform/resource_name.h"

namespace platform {

inline constexpr std::uint32_t SND_SYNC = 0x0000;
inline constexpr std::uint32_t SND_ASYNC = 0x0001;
inline constexpr std::uint32_t SND_NODEFAULT = 0x0002;
inline constexpr std::uint32_t SND_MEMORY = 0x0004;
inline constexpr std::uint32_t SND_LOOP = 0x0008;
inline constexpr std::uint32_t SND_NOSTOP = 0x0010;
inline constexpr std::uint32_t SND_PURGE = 0x0040;
inline constexpr std::uint32_t SND_APPLICATION = 0x0080;
inline constexpr std::uint32_t SND_NOWAIT = 0x00002000;
inline constexpr std::uint32_t SND_ALIAS = 0x00010000;
inline constexpr std::uint32_t SND_FILENAME = 0x00020000;
inline constexpr std::uint32_t SND_RESOURCE = 0x00040004;

inline constexpr std::uint32_t MB_OK_BEEP = 0x00000000;  // MessageBeep(MB_OK)
inline constexpr std::uint32_t MB_SIMPLE_BEEP = 0xFFFFFFFF;

struct SoundRecord {
    enum class Kind { Play, Stop, Default, Beep };
    Kind kind = Kind::Play;
    std::string sound;        // "#5001", a resource name, a file's Windows path or an alias
    std::string module;       // the module file's Windows path (SND_RESOURCE)
    std::uint32_t bytes = 0;  // the WAVE's size
    std::uint32_t milliseconds = 0;
    std::uint32_t flags = 0;
};

// PlaySoundA with the name as a string: a file, an alias, or with SND_RESOURCE
// a resource name ("#5001" for a number). Null stops.
bool play_sound(const char* name, Handle module, std::uint32_t flags);
// PlaySound with MAKEINTRESOURCE: a resource by number or name (SND_RESOURCE
// is implied). An empty name stops.
bool play_sound(const ResourceName& name, Handle module, std::uint32_t flags);

// MessageBeep: recorded as a beep of that type.
bool message_beep(std::uint32_t type);

// What this process played and stopped, oldest first.
std::vector<SoundRecord> recorded_sounds();
void clear_recorded_sounds();

}  // namespace platform
