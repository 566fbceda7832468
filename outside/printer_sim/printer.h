// One simulated printer: its model, its state, its channel table, and what
// it answers. No input/output and no threads here: the server owns a Printer
// and calls it from one thread. Not thread-safe.
//
// The state is what a person sets (through the control assignments below) plus
// what the printer does to itself when it gets a command. From the state the
// printer derives its status reply, so that every state the status monitor
// knows can be reached with a few assignments:
//
//   condition                   ST  ER   status monitor shows
//   ready                       04  -    ready
//   printing=1                  03  -    printing
//   jam=1                       00  04   paper jam ("pj" clears it)
//   paperout=1                  00  06   paper out ("pe" clears it)
//   an ink at 0, NA, RE, WE, CI 00  05   ink out / cartridge problem by IQ
//   an ink at or below lowlevel 04  -    WR 10 (black) or 11.. (colours): ink low
//   st=.. / er=..               as set   any other row
//
// Control assignments, one per line or argument, "key=value"; numbers are
// decimal or 0x-hex; blank lines and lines starting with '#' are ignored.
// A set of assignments is applied whole or not at all.
//
//   st=N|auto              printer state byte; auto follows the conditions
//   er=N|none|auto         error byte (alias: error); none leaves ER out;
//                          an explicit er with st=auto makes ST 00
//   ink.NAME=L|NA|RE|WE|CI ink level 0..252 (percent; above 100 is sent as is)
//                          or a special item; NAME is black, cyan, magenta,
//                          yellow, lightcyan, lightmagenta, darkyellow (as the
//                          model has them), a 0-based index, or all
//   lowlevel=N             level at or below which an ink warns (default 10)
//   wr=auto|none|N[,N..]   warning codes (decimal); auto derives ink-low codes
//   rv=N|none  tc=N|none  rc=N|none   the RV, TC and RC fields
//   paperout=0|1  jam=0|1  printing=0|1
//   busy=MS                every reply of the printer comes MS ms late (0 = off)
//   silent=0|1             the printer stops answering (replies are dropped)
//   hbm=N                  status number in the record reply on 0x02000001 (default 0)
//   remain.black=N|navl|busy|auto   amounts of the "ir" reply (auto: the
//   remain.color=N|navl|busy|auto   lowest level of that cartridge's inks)
//   cart.black.FIELD=V     chip data for "ii"; FIELD is year, month, ic1,
//   cart.color.FIELD=V     ic2, ik1, ik2 (numbers) or maker (text, no ';')
//
// Commands ("pe", "pj", "rs", "ii", "ir", "ex"): pe clears paper out, pj
// clears a jam, rs ends the job being printed and drops st/er set by hand;
// the physical conditions (ink, paper, jam) stay as they are.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "outside/printer_sim/printer_replies.h"
#include "outside/printer_sim/wire.h"

namespace twsim {

// What tells one model of the family from another.
struct PrinterModel {
    std::string key;          // for --model: "kestrel-800"
    DeviceIdFields device_id;
    std::vector<std::string> inks;  // black first
};

// The models the simulator knows; the first is the default.
const std::vector<PrinterModel>& printer_models();
// By key or by model name, letter case ignored.
const PrinterModel* find_model(std::string_view name);

// The channel numbers of this printer family.
inline constexpr std::uint32_t kStatusChannel = 4;
inline constexpr std::uint32_t kCommandChannel = 0x10000005;
inline constexpr std::uint32_t kCommandStatusChannel = 0x10010003;
inline constexpr std::uint32_t kSecondStatusChannel = 0x10000003;
inline constexpr std::uint32_t kRecordStatusChannel = 0x02000001;

// How a cartridge reports in the IQ field: a level, or one of the special
// items the monitor sorts into classes (NA absent; RE and WE replace; CI).
enum class InkMark { Level, NA, RE, WE, CI };

struct Ink {
    std::string name;
    InkMark mark = InkMark::Level;
    std::uint8_t level = 100;
    bool empty() const { return mark != InkMark::Level || level == 0; }
};

// A setting that may follow the printer's own conditions.
struct Setting {
    enum class Mode { Auto, Absent, Value } mode = Mode::Auto;
    std::uint32_t value = 0;
    static Setting automatic() { return {}; }
    static Setting absent() { return {Mode::Absent, 0}; }
    static Setting of(std::uint32_t v) { return {Mode::Value, v}; }
    bool operator==(const Setting&) const = default;
};

struct PrinterState {
    Setting st;
    Setting er;
    std::vector<Ink> inks;
    std::uint8_t low_level = 10;
    Setting wr;
    std::vector<std::uint8_t> wr_codes;  // when wr is a Value
    Setting rv = Setting::of(0);
    Setting tc = Setting::of(0);
    Setting rc = Setting::absent();
    bool paper_out = false;
    bool jammed = false;
    bool printing = false;
    std::uint32_t busy_ms = 0;
    bool silent = false;
    Setting hbm = Setting::of(0);
    RemainAmount remain_black;
    RemainAmount remain_colour;
    bool remain_black_auto = true;
    bool remain_colour_auto = true;
    CartridgeChip black_chip;
    CartridgeChip colour_chip;
};

class Printer {
public:
    explicit Printer(const PrinterModel& model);

    const PrinterModel& model() const { return model_; }
    const PrinterState& state() const { return state_; }
    const std::vector<ChannelEntry>& channels() const { return channels_; }
    const ChannelEntry* find_channel(std::uint32_t number) const;

    Bytes device_id() const;
    // The fields of the text status reply for the current state.
    StatusFields status_fields() const;
    // The status reply of a channel: the record reply on 0x02000001, the text
    // reply elsewhere.
    Bytes status_reply(std::uint32_t channel) const;

    // Handles the bytes sent on a command channel and returns the printer's
    // answer (the answers of several commands follow each other), or nothing
    // when no whole command was in them.
    std::optional<Bytes> handle_commands(std::span<const std::uint8_t> bytes);

    // Applies control assignments; on refusal nothing changes and the text
    // says which assignment and why.
    std::optional<std::string> apply(const std::vector<std::string>& assignments);
    // The state as assignments that apply() takes back, one per line.
    std::string describe() const;

private:
    std::optional<Bytes> handle_one(const std::string& letters, const Bytes& parameter);

    PrinterModel model_;
    PrinterState state_;
    std::vector<ChannelEntry> channels_;
};

}  // namespace twsim
