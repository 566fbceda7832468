// The bytes a simulated printer answers with: the text status reply, the
// record status reply, the ink information and ink remain replies, the short
// answers to the other printer commands, and the IEEE 1284 device ID.
//
// Each format has its one encoder here; the values come already decided (the
// printer model decides what a state looks like, this file only spells it).
//
//   status reply    "@BDC ST\r\n" ST:hh; [ER:hh;] IQ:<items>; [WR:hh,hh;]
//                   [RV:h;] [TC:hhhh;] [RC:hh;] 0x0C
//   record reply    "hbm" then records [code][length][data]: 01 02 ST ER,
//                   FE 01 <status number>, FF 00
//   ink information "@BDC PS\r\nII:01;" then per present cartridge
//                   PDY:hh;PDM:hh;IC1:hhhh;IC2:hhhh;IK1:hh;IK2:hh;LOG:text;
//                   then 0x0C; "II:NA;" and 0x0C when no cartridge is present
//   ink remain      "@BDC PS\r\nIR:" black colour ";" 0x0C, each amount four
//                   hex digits (high byte first), "NAVL" or "BUSY"
//   command answer  "pe:01:OK;" 0x0C: the letters, the first parameter byte
//                   in hex, OK or NG, for pe, pj, rs and ex
//   not available   "xx:NA;" 0x0C: a command this printer does not know, or
//                   a known one with a parameter it does not take
//   device ID       two length bytes, high byte first, counting themselves,
//                   then "MFG:..;CMD:..;MDL:..;CLS:PRINTER;DES:..;"
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "outside/printer_sim/wire.h"

namespace twsim {

// Hex digits are written in upper case, as the printers do.
struct StatusFields {
    std::uint8_t st = 4;
    std::optional<std::uint8_t> er;
    std::vector<std::string> iq;  // one two-character item per ink, black first
    std::vector<std::uint8_t> wr;
    std::optional<std::uint8_t> rv;  // one hex digit: 0 to 15
    std::optional<std::uint16_t> tc;
    std::optional<std::uint8_t> rc;
};
Bytes encode_status_reply(const StatusFields& f);

Bytes encode_record_reply(std::uint8_t st, std::optional<std::uint8_t> er, std::uint8_t status_number);

// Data on a cartridge's chip.
struct CartridgeChip {
    std::uint8_t year = 0;
    std::uint8_t month = 0;
    std::uint16_t ink_code1 = 0;
    std::uint16_t ink_code2 = 0;
    std::uint8_t ink_kind1 = 0;
    std::uint8_t ink_kind2 = 0;
    std::string maker;  // the chip's manufacturer text; ';' is not allowed in it
};
// Records for the present cartridges, black first.
Bytes encode_ink_information_reply(const std::vector<CartridgeChip>& present);

// An ink remain amount: a number, or the printer cannot tell.
struct RemainAmount {
    enum class Kind { Amount, NotAvailable, Busy } kind = Kind::Amount;
    std::uint16_t amount = 0;
};
Bytes encode_ink_remain_reply(RemainAmount black, RemainAmount colour);

Bytes encode_command_answer(std::string_view letters, std::uint8_t first_parameter, bool ok);
Bytes encode_not_available(std::string_view letters);

struct DeviceIdFields {
    std::string maker;
    std::string command_set;
    std::string model;
    std::string description;
};
Bytes encode_device_id(const DeviceIdFields& f);

}  // namespace twsim
