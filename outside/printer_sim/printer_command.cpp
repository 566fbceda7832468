#include "outside/printer_sim/printer_command.h"

#include <algorithm>

namespace twsim {

namespace {
bool is_letter(std::uint8_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
}  // namespace

DecodedCommands decode_commands(std::span<const std::uint8_t> bytes) {
    DecodedCommands out;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t left = bytes.size() - at;
        // Judge the letters on what is there, so a lone "x" is garbage and a
        // lone "p" is a command still arriving.
        if (!is_letter(bytes[at]) || (left >= 2 && !is_letter(bytes[at + 1]))) {
            out.tail = CommandTail::NotACommand;
            return out;
        }
        if (left < 4) {
            out.tail = CommandTail::Incomplete;
            return out;
        }
        std::size_t length = static_cast<std::size_t>(bytes[at + 2] | (bytes[at + 3] << 8));
        if (left - 4 < length) {
            out.tail = CommandTail::Incomplete;
            return out;
        }
        PrinterCommand c;
        c.letters[0] = static_cast<char>(bytes[at]);
        c.letters[1] = static_cast<char>(bytes[at + 1]);
        c.parameter.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at + 4),
                           bytes.begin() + static_cast<std::ptrdiff_t>(at + 4 + length));
        out.commands.push_back(std::move(c));
        at += 4 + length;
    }
    return out;
}

Bytes encode_command(const char (&letters)[3], std::span<const std::uint8_t> parameter) {
    Bytes out(4 + parameter.size());
    out[0] = static_cast<std::uint8_t>(letters[0]);
    out[1] = static_cast<std::uint8_t>(letters[1]);
    out[2] = static_cast<std::uint8_t>(parameter.size() & 0xFF);
    out[3] = static_cast<std::uint8_t>((parameter.size() >> 8) & 0xFF);
    std::copy(parameter.begin(), parameter.end(), out.begin() + 4);
    return out;
}

Bytes command_paper_out_return() {
    const std::uint8_t p[] = {0x01};
    return encode_command("pe", p);
}
Bytes command_paper_jam_return() {
    const std::uint8_t p[] = {0x01};
    return encode_command("pj", p);
}
Bytes command_reset() {
    const std::uint8_t p[] = {0x01};
    return encode_command("rs", p);
}
Bytes command_ink_information() {
    const std::uint8_t p[] = {0x01};
    return encode_command("ii", p);
}
Bytes command_ink_remain() {
    const std::uint8_t p[] = {0x80};
    return encode_command("ir", p);
}
Bytes command_cartridge_check() {
    const std::uint8_t p[] = {0x00, 0x00, 0x00, 0x00, 0x19, 0x00};
    return encode_command("ex", p);
}

}  // namespace twsim
