#include "platform/sound.h"

#include <chrono>
#include <cstdio>
#include <mutex>
#include <optional>

#include "platform/files.h"
#include "platform/image_files.h"
#include "platform/paths.h"
#include "platform/resources.h"
#include "platform/ui_log.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

struct SoundState {
    std::mutex lock;
    std::vector<SoundRecord> records;
    std::optional<Clock::time_point> playing_until;  // an asynchronous sound; max() while it loops
};

SoundState& state() {
    static SoundState* s = new SoundState;  // never destroyed: sounds may play from static destructors
    return *s;
}

std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

// The length of a RIFF WAVE in milliseconds, or nothing when it is not one.
std::optional<std::uint32_t> wave_length(std::span<const std::uint8_t> b) {
    if (b.size() < 12 || std::string_view(reinterpret_cast<const char*>(b.data()), 4) != "RIFF" ||
        std::string_view(reinterpret_cast<const char*>(b.data()) + 8, 4) != "WAVE")
        return std::nullopt;
    std::uint32_t byte_rate = 0;
    std::optional<std::uint32_t> data_size;
    for (std::size_t at = 12; at + 8 <= b.size();) {
        std::string_view id(reinterpret_cast<const char*>(b.data()) + at, 4);
        const std::uint32_t size = le32(b, at + 4);
        if (size > b.size() - at - 8) return std::nullopt;
        if (id == "fmt ") {
            if (size < 16) return std::nullopt;
            byte_rate = le32(b, at + 8 + 8);
        } else if (id == "data") {
            data_size = size;
        }
        at += 8 + size + (size & 1);
    }
    if (byte_rate == 0 || !data_size) return std::nullopt;
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(*data_size) * 1000 / byte_rate);
}

const char* kind_word(SoundRecord::Kind k) {
    switch (k) {
    case SoundRecord::Kind::Play: return "play";
    case SoundRecord::Kind::Stop: return "stop";
    case SoundRecord::Kind::Default: return "default";
    case SoundRecord::Kind::Beep: return "beep";
    }
    return "?";
}

void record(SoundRecord r) {
    char flags[16];
    std::snprintf(flags, sizeof flags, "0x%X", r.flags);
    std::string line = std::string(kind_word(r.kind)) + " sound=" + r.sound;
    if (!r.module.empty()) line += " module=" + r.module;
    line += " bytes=" + std::to_string(r.bytes) + " ms=" + std::to_string(r.milliseconds) + " flags=" + flags;
    (void)append_ui_log("sounds.log", line);
    SoundState& s = state();
    std::lock_guard guard(s.lock);
    if (r.kind == SoundRecord::Kind::Stop) s.playing_until.reset();
    s.records.push_back(std::move(r));
}

bool still_playing() {
    SoundState& s = state();
    std::lock_guard guard(s.lock);
    return s.playing_until && Clock::now() < *s.playing_until;
}

void note_playing(std::uint32_t flags, std::uint32_t ms) {
    SoundState& s = state();
    std::lock_guard guard(s.lock);
    if (!(flags & SND_ASYNC)) {
        s.playing_until.reset();
    } else if (flags & SND_LOOP) {
        s.playing_until = Clock::time_point::max();
    } else {
        s.playing_until = Clock::now() + std::chrono::milliseconds(ms);
    }
}

std::string module_name(Handle module) {
    auto name = get_module_file_name(module);
    return name ? *name : std::string();
}

// Plays bytes that were found: checks them, records the play.
bool play_found(std::span<const std::uint8_t> bytes, SoundRecord r) {
    auto ms = wave_length(bytes);
    if (!ms) {
        set_last_error(ERROR_BAD_FORMAT, r.sound + " is not a WAVE sound");
        return false;
    }
    if ((r.flags & SND_NOSTOP) && still_playing()) return false;
    r.bytes = static_cast<std::uint32_t>(bytes.size());
    r.milliseconds = *ms;
    note_playing(r.flags, *ms);
    record(std::move(r));
    return true;
}

bool not_found(SoundRecord r) {
    if (!(r.flags & SND_NODEFAULT)) {
        r.kind = SoundRecord::Kind::Default;
        record(std::move(r));
    }
    return false;
}

bool stop(Handle module, std::uint32_t flags) {
    SoundRecord r;
    r.kind = SoundRecord::Kind::Stop;
    r.flags = flags;
    if (module != kNullHandle) r.module = module_name(module);
    record(std::move(r));
    return true;
}

bool play_resource(const ResourceName& name, Handle module, std::uint32_t flags) {
    SoundRecord r;
    r.sound = name.to_string();
    r.module = module_name(module);
    r.flags = flags;
    auto bytes = resource_bytes(module, name, RT_WAVE);
    if (!bytes) return not_found(std::move(r));
    return play_found(*bytes, std::move(r));
}

}  // namespace

bool play_sound(const ResourceName& name, Handle module, std::uint32_t flags) {
    if (name.empty() || (flags & SND_PURGE)) return stop(module, flags);
    return play_resource(name, module, flags | SND_RESOURCE);
}

bool play_sound(const char* name, Handle module, std::uint32_t flags) {
    if (!name || !*name || (flags & SND_PURGE)) return stop(module, flags);
    if (flags & SND_MEMORY && (flags & SND_RESOURCE) != SND_RESOURCE) {
        set_last_error(ERROR_NOT_SUPPORTED, "sounds from memory are not offered");
        return false;
    }
    if ((flags & SND_RESOURCE) == SND_RESOURCE) return play_resource(ResourceName(name), module, flags);
    SoundRecord r;
    r.sound = name;
    r.flags = flags;
    if ((flags & SND_ALIAS) && !(flags & SND_FILENAME)) {
        if ((flags & SND_NOSTOP) && still_playing()) return false;
        note_playing(flags, 0);
        record(std::move(r));
        return true;
    }
    auto host = to_host_path(name);
    if (!host) return not_found(std::move(r));
    auto bytes = read_file_bytes(find_case_insensitive(*host));
    if (!bytes) return not_found(std::move(r));
    r.sound = to_windows_path(find_case_insensitive(*host));
    return play_found(*bytes, std::move(r));
}

bool message_beep(std::uint32_t type) {
    SoundRecord r;
    r.kind = SoundRecord::Kind::Beep;
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", type);
    r.sound = text;
    record(std::move(r));
    return true;
}

std::vector<SoundRecord> recorded_sounds() {
    SoundState& s = state();
    std::lock_guard guard(s.lock);
    return s.records;
}

void clear_recorded_sounds() {
    SoundState& s = state();
    std::lock_guard guard(s.lock);
    s.records.clear();
    s.playing_until.reset();
}

}  // namespace platform
