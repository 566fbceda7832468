// The printer model. The status reply is derived from the state on every
// request rather than kept up to date, so that no combination of assignments
// and commands can leave a stale reply behind.
#include "outside/printer_sim/printer.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "outside/printer_sim/printer_command.h"

namespace twsim {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (auto& c : out) c = static_cast<char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
    return out;
}

std::string hex2(unsigned v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02X", v & 0xFF);
    return b;
}

PrinterModel make_model(std::string key, std::string name, std::vector<std::string> inks) {
    PrinterModel m;
    m.key = std::move(key);
    m.device_id = {"KAVRO", "KPL2,BDC", name, "KAVRO " + name};
    m.inks = std::move(inks);
    return m;
}

std::optional<std::uint32_t> parse_number(std::string_view s, std::uint32_t max) {
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s.remove_prefix(2);
        base = 16;
    }
    if (s.empty()) return std::nullopt;
    std::uint64_t v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc() || end != s.data() + s.size() || v > max) return std::nullopt;
    return static_cast<std::uint32_t>(v);
}

std::optional<bool> parse_flag(std::string_view s) {
    if (s == "1" || s == "on" || s == "yes" || s == "true") return true;
    if (s == "0" || s == "off" || s == "no" || s == "false") return false;
    return std::nullopt;
}

const char* mark_text(InkMark m) {
    switch (m) {
        case InkMark::NA: return "NA";
        case InkMark::RE: return "RE";
        case InkMark::WE: return "WE";
        case InkMark::CI: return "CI";
        case InkMark::Level: break;
    }
    return "";
}

std::string setting_text(const Setting& s) {
    switch (s.mode) {
        case Setting::Mode::Auto: return "auto";
        case Setting::Mode::Absent: return "none";
        case Setting::Mode::Value: break;
    }
    return std::to_string(s.value);
}

RemainAmount lowest_level(const std::vector<Ink>& inks, std::size_t from, std::size_t to) {
    if (from >= to) return {RemainAmount::Kind::NotAvailable, 0};
    std::uint16_t lowest = 0xFFFF;
    for (std::size_t i = from; i < to; ++i) {
        if (inks[i].mark != InkMark::Level) return {RemainAmount::Kind::NotAvailable, 0};
        lowest = std::min<std::uint16_t>(lowest, inks[i].level);
    }
    return {RemainAmount::Kind::Amount, lowest};
}

std::string remain_text(RemainAmount a, bool automatic) {
    if (automatic) return "auto";
    switch (a.kind) {
        case RemainAmount::Kind::NotAvailable: return "navl";
        case RemainAmount::Kind::Busy: return "busy";
        case RemainAmount::Kind::Amount: break;
    }
    return std::to_string(a.amount);
}

// One "key=value" against a state; returns the reason on refusal.
std::optional<std::string> assign(PrinterState& s, std::string_view key_in, std::string_view value) {
    std::string key = lower(key_in);
    std::string v = lower(value);
    auto number = [&](std::uint32_t max) { return parse_number(v, max); };
    auto setting = [&](Setting& target, bool allow_auto, bool allow_none,
                       std::uint32_t max) -> std::optional<std::string> {
        if (allow_auto && v == "auto") target = Setting::automatic();
        else if (allow_none && v == "none") target = Setting::absent();
        else if (auto n = number(max)) target = Setting::of(*n);
        else return "expected a number up to " + std::to_string(max) + (allow_auto ? ", auto" : "") +
                    (allow_none ? ", none" : "");
        return std::nullopt;
    };
    auto flag = [&](bool& target) -> std::optional<std::string> {
        auto f = parse_flag(v);
        if (!f) return "expected 0 or 1";
        target = *f;
        return std::nullopt;
    };

    if (key == "st" || key == "state") return setting(s.st, true, false, 255);
    if (key == "er" || key == "error") return setting(s.er, true, true, 255);
    if (key == "rv") return setting(s.rv, false, true, 15);
    if (key == "tc") return setting(s.tc, false, true, 0xFFFF);
    if (key == "rc") return setting(s.rc, false, true, 255);
    if (key == "hbm") return setting(s.hbm, false, false, 255);
    if (key == "paperout") return flag(s.paper_out);
    if (key == "jam") return flag(s.jammed);
    if (key == "printing") return flag(s.printing);
    if (key == "silent") return flag(s.silent);
    if (key == "busy") {
        auto n = number(600000);
        if (!n) return "expected a delay in milliseconds (0 to 600000)";
        s.busy_ms = *n;
        return std::nullopt;
    }
    if (key == "lowlevel") {
        auto n = number(100);
        if (!n) return "expected a level from 0 to 100";
        s.low_level = static_cast<std::uint8_t>(*n);
        return std::nullopt;
    }
    if (key == "wr") {
        if (v == "auto" || v == "none") return setting(s.wr, true, true, 0);
        std::vector<std::uint8_t> codes;
        std::string_view rest = v;
        while (true) {
            auto comma = rest.find(',');
            auto code = parse_number(rest.substr(0, comma), 255);
            if (!code) return "expected auto, none or up to 10 codes separated by ','";
            codes.push_back(static_cast<std::uint8_t>(*code));
            if (comma == std::string_view::npos) break;
            rest.remove_prefix(comma + 1);
        }
        if (codes.size() > 10) return "at most 10 warning codes";
        s.wr = Setting::of(0);
        s.wr_codes = std::move(codes);
        return std::nullopt;
    }
    if (key.starts_with("ink.")) {
        std::string name = key.substr(4);
        std::vector<std::size_t> targets;
        if (name == "all") {
            for (std::size_t i = 0; i < s.inks.size(); ++i) targets.push_back(i);
        } else if (auto index = parse_number(name, 255); index && *index < s.inks.size()) {
            targets.push_back(*index);
        } else {
            for (std::size_t i = 0; i < s.inks.size(); ++i)
                if (s.inks[i].name == name) targets.push_back(i);
        }
        if (targets.empty()) return "this printer has no ink '" + name + "'";
        InkMark mark = InkMark::Level;
        std::uint8_t level = 0;
        if (v == "na") mark = InkMark::NA;
        else if (v == "re") mark = InkMark::RE;
        else if (v == "we") mark = InkMark::WE;
        else if (v == "ci") mark = InkMark::CI;
        else if (auto n = number(252)) level = static_cast<std::uint8_t>(*n);
        else return "expected a level 0 to 252, NA, RE, WE or CI";
        for (auto i : targets) {
            s.inks[i].mark = mark;
            s.inks[i].level = level;
        }
        return std::nullopt;
    }
    if (key.starts_with("remain.")) {
        std::string which = key.substr(7);
        if (which != "black" && which != "color" && which != "colour") return "expected remain.black or remain.color";
        bool& automatic = which == "black" ? s.remain_black_auto : s.remain_colour_auto;
        RemainAmount& amount = which == "black" ? s.remain_black : s.remain_colour;
        if (v == "auto") {
            automatic = true;
        } else if (v == "navl") {
            automatic = false;
            amount = {RemainAmount::Kind::NotAvailable, 0};
        } else if (v == "busy") {
            automatic = false;
            amount = {RemainAmount::Kind::Busy, 0};
        } else if (auto n = number(0xFFFF)) {
            automatic = false;
            amount = {RemainAmount::Kind::Amount, static_cast<std::uint16_t>(*n)};
        } else {
            return "expected an amount 0 to 65535, navl, busy or auto";
        }
        return std::nullopt;
    }
    if (key.starts_with("cart.")) {
        std::string rest = key.substr(5);
        auto dot = rest.find('.');
        if (dot == std::string::npos) return "expected cart.black.FIELD or cart.color.FIELD";
        std::string which = rest.substr(0, dot), field = rest.substr(dot + 1);
        if (which != "black" && which != "color" && which != "colour") return "expected cart.black or cart.color";
        CartridgeChip& chip = which == "black" ? s.black_chip : s.colour_chip;
        if (field == "maker") {
            if (value.empty() || value.find(';') != std::string_view::npos ||
                value.find('\n') != std::string_view::npos || value.size() > 64)
                return "expected a maker text of 1 to 64 characters without ';'";
            chip.maker = std::string(value);  // as written, not lower-cased
            return std::nullopt;
        }
        std::uint32_t wide = 0;
        bool is_code = field == "ic1" || field == "ic2";
        auto n = number(is_code ? 0xFFFF : 0xFF);
        if (field != "year" && field != "month" && !is_code && field != "ik1" && field != "ik2")
            return "unknown cartridge field '" + field + "' (year, month, ic1, ic2, ik1, ik2, maker)";
        if (!n) return is_code ? "expected a number up to 65535" : "expected a number up to 255";
        wide = *n;
        if (field == "year") chip.year = static_cast<std::uint8_t>(wide);
        else if (field == "month") chip.month = static_cast<std::uint8_t>(wide);
        else if (field == "ic1") chip.ink_code1 = static_cast<std::uint16_t>(wide);
        else if (field == "ic2") chip.ink_code2 = static_cast<std::uint16_t>(wide);
        else if (field == "ik1") chip.ink_kind1 = static_cast<std::uint8_t>(wide);
        else chip.ink_kind2 = static_cast<std::uint8_t>(wide);
        return std::nullopt;
    }
    return "unknown setting '" + std::string(key_in) + "'";
}

}  // namespace

const std::vector<PrinterModel>& printer_models() {
    static const std::vector<PrinterModel> models = {
        make_model("kestrel-800", "Kestrel 800", {"black", "cyan", "magenta", "yellow"}),
        make_model("kestrel-860", "Kestrel 860", {"black", "cyan", "magenta", "yellow", "lightcyan", "lightmagenta"}),
        make_model("kestrel-870", "Kestrel 870",
                   {"black", "cyan", "magenta", "yellow", "lightcyan", "lightmagenta", "darkyellow"}),
    };
    return models;
}

const PrinterModel* find_model(std::string_view name) {
    std::string wanted = lower(name);
    for (const auto& m : printer_models())
        if (m.key == wanted || lower(m.device_id.model) == wanted) return &m;
    return nullptr;
}

Printer::Printer(const PrinterModel& model) : model_(model) {
    for (const auto& name : model.inks) state_.inks.push_back({name, InkMark::Level, 100});
    state_.black_chip = {26, 3, 0x0123, 0x0456, 0x01, 0x02, "KAVRO"};
    state_.colour_chip = {26, 2, 0x0124, 0x0457, 0x01, 0x03, "KAVRO"};
    // The family's channels. 4 and 0x10000003 only deliver status; the
    // command channel 0x10000005 takes commands and returns replies (and
    // answers a status request); 0x10010003 does both, which the ink dialogs
    // need for their status and the monitoring API for its command channel;
    // 0x02000001 gives the record status reply.
    channels_ = {
        {kStatusChannel, kModeStatus, 0},
        {kCommandChannel, kModeCommands | kModeReplies, 0},
        {kCommandStatusChannel, kModeCommands | kModeReplies | kModeStatus, 0},
        {kSecondStatusChannel, kModeStatus, 0},
        {kRecordStatusChannel, kModeStatus, 0},
    };
}

const ChannelEntry* Printer::find_channel(std::uint32_t number) const {
    for (const auto& c : channels_)
        if (c.number == number) return &c;
    return nullptr;
}

Bytes Printer::device_id() const {
    return encode_device_id(model_.device_id);
}

StatusFields Printer::status_fields() const {
    const auto& s = state_;
    // What the printer's own conditions say, most serious first.
    std::uint8_t own_st = s.printing ? 3 : 4;
    std::optional<std::uint8_t> own_er;
    if (s.jammed) {
        own_st = 0;
        own_er = 4;
    } else if (s.paper_out) {
        own_st = 0;
        own_er = 6;
    } else if (std::any_of(s.inks.begin(), s.inks.end(), [](const Ink& i) { return i.empty(); })) {
        own_st = 0;
        own_er = 5;
    }

    StatusFields f;
    if (s.st.mode == Setting::Mode::Value) f.st = static_cast<std::uint8_t>(s.st.value);
    else if (s.er.mode == Setting::Mode::Value) f.st = 0;
    else f.st = own_st;

    if (s.er.mode == Setting::Mode::Value) f.er = static_cast<std::uint8_t>(s.er.value);
    else if (s.er.mode == Setting::Mode::Auto && s.st.mode != Setting::Mode::Value) f.er = own_er;

    for (const auto& ink : s.inks) f.iq.push_back(ink.mark == InkMark::Level ? hex2(ink.level) : mark_text(ink.mark));

    if (s.wr.mode == Setting::Mode::Value) {
        f.wr = s.wr_codes;
    } else if (s.wr.mode == Setting::Mode::Auto) {
        for (std::size_t i = 0; i < s.inks.size() && f.wr.size() < 10; ++i) {
            const auto& ink = s.inks[i];
            if (ink.mark == InkMark::Level && ink.level > 0 && ink.level <= s.low_level)
                f.wr.push_back(static_cast<std::uint8_t>(16 + i));  // 16 black low, 17.. colour low
        }
    }
    if (s.rv.mode == Setting::Mode::Value) f.rv = static_cast<std::uint8_t>(s.rv.value);
    if (s.tc.mode == Setting::Mode::Value) f.tc = static_cast<std::uint16_t>(s.tc.value);
    if (s.rc.mode == Setting::Mode::Value) f.rc = static_cast<std::uint8_t>(s.rc.value);
    return f;
}

Bytes Printer::status_reply(std::uint32_t channel) const {
    StatusFields f = status_fields();
    if (channel == kRecordStatusChannel)
        return encode_record_reply(f.st, f.er, static_cast<std::uint8_t>(state_.hbm.value));
    return encode_status_reply(f);
}

std::optional<Bytes> Printer::handle_commands(std::span<const std::uint8_t> bytes) {
    DecodedCommands decoded = decode_commands(bytes);
    std::optional<Bytes> out;
    for (const auto& c : decoded.commands) {
        auto answer = handle_one(c.name(), c.parameter);
        if (!answer) continue;
        if (!out) out.emplace();
        out->insert(out->end(), answer->begin(), answer->end());
    }
    return out;
}

std::optional<Bytes> Printer::handle_one(const std::string& letters, const Bytes& parameter) {
    auto& s = state_;
    bool one_byte = parameter.size() == 1;
    if (letters == "pe" && one_byte) {
        s.paper_out = false;
        if (s.er == Setting::of(6)) s.er = Setting::automatic();
        return encode_command_answer(letters, parameter[0], true);
    }
    if (letters == "pj" && one_byte) {
        s.jammed = false;
        if (s.er == Setting::of(4)) s.er = Setting::automatic();
        return encode_command_answer(letters, parameter[0], true);
    }
    if (letters == "rs" && one_byte) {
        s.printing = false;
        s.st = Setting::automatic();
        s.er = Setting::automatic();
        return encode_command_answer(letters, parameter[0], true);
    }
    if (letters == "ii" && one_byte) {
        std::vector<CartridgeChip> present;
        bool black_present = !s.inks.empty() && s.inks[0].mark != InkMark::NA;
        bool colour_present = s.inks.size() > 1 && std::none_of(s.inks.begin() + 1, s.inks.end(), [](const Ink& i) {
                                  return i.mark == InkMark::NA;
                              });
        if (black_present) present.push_back(s.black_chip);
        if (colour_present) present.push_back(s.colour_chip);
        return encode_ink_information_reply(present);
    }
    if (letters == "ir" && one_byte) {
        RemainAmount black = s.remain_black_auto ? lowest_level(s.inks, 0, std::min<std::size_t>(1, s.inks.size()))
                                                 : s.remain_black;
        RemainAmount colour = s.remain_colour_auto ? lowest_level(s.inks, 1, s.inks.size()) : s.remain_colour;
        return encode_ink_remain_reply(black, colour);
    }
    if (letters == "ex" && parameter.size() == 6) return encode_command_answer(letters, parameter[0], true);
    return encode_not_available(letters);
}

std::optional<std::string> Printer::apply(const std::vector<std::string>& assignments) {
    PrinterState next = state_;
    for (const auto& a : assignments) {
        std::string_view line = a;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
        while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
        if (line.empty() || line.front() == '#') continue;
        auto eq = line.find('=');
        if (eq == std::string_view::npos || eq == 0) return "'" + std::string(line) + "': expected KEY=VALUE";
        if (auto why = assign(next, line.substr(0, eq), line.substr(eq + 1)))
            return "'" + std::string(line) + "': " + *why;
    }
    state_ = std::move(next);
    return std::nullopt;
}

std::string Printer::describe() const {
    const auto& s = state_;
    std::string out;
    auto line = [&](const std::string& k, const std::string& v) { out += k + "=" + v + "\n"; };
    line("st", setting_text(s.st));
    line("er", setting_text(s.er));
    for (const auto& ink : s.inks)
        line("ink." + ink.name, ink.mark == InkMark::Level ? std::to_string(ink.level) : mark_text(ink.mark));
    line("lowlevel", std::to_string(s.low_level));
    if (s.wr.mode == Setting::Mode::Value) {
        std::string codes;
        for (std::size_t i = 0; i < s.wr_codes.size(); ++i) codes += (i ? "," : "") + std::to_string(s.wr_codes[i]);
        line("wr", codes);
    } else {
        line("wr", setting_text(s.wr));
    }
    line("rv", setting_text(s.rv));
    line("tc", setting_text(s.tc));
    line("rc", setting_text(s.rc));
    line("paperout", s.paper_out ? "1" : "0");
    line("jam", s.jammed ? "1" : "0");
    line("printing", s.printing ? "1" : "0");
    line("busy", std::to_string(s.busy_ms));
    line("silent", s.silent ? "1" : "0");
    line("hbm", setting_text(s.hbm));
    line("remain.black", remain_text(s.remain_black, s.remain_black_auto));
    line("remain.color", remain_text(s.remain_colour, s.remain_colour_auto));
    for (int which = 0; which < 2; ++which) {
        const CartridgeChip& c = which == 0 ? s.black_chip : s.colour_chip;
        std::string p = which == 0 ? "cart.black." : "cart.color.";
        line(p + "year", std::to_string(c.year));
        line(p + "month", std::to_string(c.month));
        char code[16];
        std::snprintf(code, sizeof code, "0x%04X", c.ink_code1);
        line(p + "ic1", code);
        std::snprintf(code, sizeof code, "0x%04X", c.ink_code2);
        line(p + "ic2", code);
        line(p + "ik1", std::to_string(c.ink_kind1));
        line(p + "ik2", std::to_string(c.ink_kind2));
        line(p + "maker", c.maker);
    }
    return out;
}

}  // namespace twsim
