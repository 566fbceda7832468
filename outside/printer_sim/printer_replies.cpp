#include "outside/printer_sim/printer_replies.h"

#include <cstdio>

namespace twsim {

namespace {

constexpr std::uint8_t kTerminator = 0x0C;

void append(Bytes& out, std::string_view s) {
    out.insert(out.end(), s.begin(), s.end());
}

std::string hex(unsigned value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
    return buffer;
}

std::string amount_text(RemainAmount a) {
    switch (a.kind) {
        case RemainAmount::Kind::NotAvailable: return "NAVL";
        case RemainAmount::Kind::Busy: return "BUSY";
        case RemainAmount::Kind::Amount: break;
    }
    return hex(a.amount, 4);
}

}  // namespace

Bytes encode_status_reply(const StatusFields& f) {
    Bytes out;
    append(out, "@BDC ST\r\n");
    append(out, "ST:" + hex(f.st, 2) + ";");
    if (f.er) append(out, "ER:" + hex(*f.er, 2) + ";");
    if (!f.iq.empty()) {
        std::string items;
        for (const auto& item : f.iq) items += item;
        append(out, "IQ:" + items + ";");
    }
    if (!f.wr.empty()) {
        std::string codes;
        for (std::size_t i = 0; i < f.wr.size(); ++i) codes += (i ? "," : "") + hex(f.wr[i], 2);
        append(out, "WR:" + codes + ";");
    }
    if (f.rv) append(out, "RV:" + hex(*f.rv & 0x0F, 1) + ";");
    if (f.tc) append(out, "TC:" + hex(*f.tc, 4) + ";");
    if (f.rc) append(out, "RC:" + hex(*f.rc, 2) + ";");
    out.push_back(kTerminator);
    return out;
}

Bytes encode_record_reply(std::uint8_t st, std::optional<std::uint8_t> er, std::uint8_t status_number) {
    Bytes out;
    append(out, "hbm");
    out.insert(out.end(), {0x01, 0x02, st, er.value_or(0xFF)});
    out.insert(out.end(), {0xFE, 0x01, status_number});
    out.insert(out.end(), {0xFF, 0x00});
    return out;
}

Bytes encode_ink_information_reply(const std::vector<CartridgeChip>& present) {
    Bytes out;
    append(out, "@BDC PS\r\nII:");
    append(out, present.empty() ? "NA;" : "01;");
    for (const auto& c : present) {
        append(out, "PDY:" + hex(c.year, 2) + ";PDM:" + hex(c.month, 2) + ";");
        append(out, "IC1:" + hex(c.ink_code1, 4) + ";IC2:" + hex(c.ink_code2, 4) + ";");
        append(out, "IK1:" + hex(c.ink_kind1, 2) + ";IK2:" + hex(c.ink_kind2, 2) + ";");
        append(out, "LOG:" + c.maker + ";");
    }
    out.push_back(kTerminator);
    return out;
}

Bytes encode_ink_remain_reply(RemainAmount black, RemainAmount colour) {
    Bytes out;
    append(out, "@BDC PS\r\nIR:" + amount_text(black) + amount_text(colour) + ";");
    out.push_back(kTerminator);
    return out;
}

Bytes encode_command_answer(std::string_view letters, std::uint8_t first_parameter, bool ok) {
    Bytes out;
    append(out, std::string(letters) + ":" + hex(first_parameter, 2) + (ok ? ":OK;" : ":NG;"));
    out.push_back(kTerminator);
    return out;
}

Bytes encode_not_available(std::string_view letters) {
    Bytes out;
    append(out, std::string(letters) + ":NA;");
    out.push_back(kTerminator);
    return out;
}

Bytes encode_device_id(const DeviceIdFields& f) {
    std::string text = "MFG:" + f.maker + ";CMD:" + f.command_set + ";MDL:" + f.model +
                       ";CLS:PRINTER;DES:" + f.description + ";";
    std::size_t total = text.size() + 2;
    Bytes out{static_cast<std::uint8_t>((total >> 8) & 0xFF), static_cast<std::uint8_t>(total & 0xFF)};
    append(out, text);
    return out;
}

}  // namespace twsim
