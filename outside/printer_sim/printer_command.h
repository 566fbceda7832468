// Printer commands as they travel on a command channel: two ASCII letters, a
// 16-bit little-endian parameter length, then that many parameter bytes.
// Several commands may follow each other in one send.
//
// This is the one encoder and the one decoder of that format. The decoder
// takes untrusted bytes and never reads past their length. Pure functions.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "outside/printer_sim/wire.h"

namespace twsim {

struct PrinterCommand {
    char letters[2] = {0, 0};
    Bytes parameter;

    std::string name() const { return std::string(letters, 2); }
};

// Why decoding stopped before the end of the bytes.
enum class CommandTail {
    None,        // every byte belonged to a whole command
    Incomplete,  // the last command is cut short (fewer than 4 bytes, or a
                 // parameter length running past the end)
    NotACommand, // bytes that do not start with two ASCII letters
};

struct DecodedCommands {
    std::vector<PrinterCommand> commands;
    CommandTail tail = CommandTail::None;
};

// Splits bytes into whole commands. Decoding stops at the first piece that is
// not a whole command; what came before it is kept.
DecodedCommands decode_commands(std::span<const std::uint8_t> bytes);

Bytes encode_command(const char (&letters)[3], std::span<const std::uint8_t> parameter);

// The six commands the status monitor sends, byte for byte.
Bytes command_paper_out_return();  // "pe" 01 00 01
Bytes command_paper_jam_return();  // "pj" 01 00 01
Bytes command_reset();             // "rs" 01 00 01
Bytes command_ink_information();   // "ii" 01 00 01
Bytes command_ink_remain();        // "ir" 01 00 80
Bytes command_cartridge_check();   // "ex" 06 00 00 00 00 00 19 00

}  // namespace twsim
