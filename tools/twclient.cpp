// twclient: talks to a printer through TWAPI2, as an application would, for
// application writers and administrators: list a printer's channels, read its
// device ID and status, send a printer command and print the reply.
//
// TWAPI2 is loaded by its Windows name ("TWAPI2.DLL"), so it is found where the
// platform's library search finds it (this program's folder, the machine's
// system folder, TWPRINTER_LIBRARY_PATH).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/library.h"
#include "twapi/api_binding.h"

namespace {

constexpr const char* kUsage =
    "usage: twclient [--port] COMMAND PRINTER [ARGS]\n"
    "  channels PRINTER                  list the printer's channels and their mode words\n"
    "  deviceid PRINTER                  print the printer's IEEE 1284 device ID\n"
    "  status PRINTER [CHANNEL]          print the status reply (raw) and a one-line summary\n"
    "  command PRINTER CMD [HEX...]      send a printer command, two letters and parameter\n"
    "                                    bytes in hex (\"command P ii 01\"), print the reply\n"
    "  --port          PRINTER is a port name (\\\\SERVER\\share) instead of a printer name\n"
    "  --channel N     use channel N (default: the first that offers status, or commands)\n"
    "  --timeout MS    how long to wait for a command's reply (default 5000)\n"
    "Exit codes: 0 done, 1 the printer or the API refused (the code is named), 2 bad command line.\n";

// The API's result codes, as people should read them.
const char* result_text(int code) {
    switch (code) {
    case -3: return "-3: the provider failed the request";
    case -4: return "-4: the buffer was too small";
    case -5: return "-5: the printer or port is not known to any route";
    case -6: return "-6: the printer has no such channel";
    case -7: return "-7: not a valid channel handle";
    case -9: return "-9: no reply in time (or the wait was cancelled)";
    case -10: return "-10: no data yet; a window message will announce it";
    case -11: return "-11: cancel refused, or the older two-way library failed";
    case -13: return "-13: not initialised, or no route reached the printer";
    case -14: return "-14: unknown option";
    case -15: return "-15: a required argument was missing";
    case -16: return "-16: the provider could not reach the printer";
    case -17: return "-17: the provider reported an error (-12)";
    case -18: return "-18: the provider reported an error (-15)";
    default: return nullptr;
    }
}

struct Channel {
    std::uint32_t number;
    std::uint16_t mode;
};

int fail(const char* what, int code) {
    const char* text = result_text(code);
    if (text)
        std::fprintf(stderr, "twclient: %s: %s\n", what, text);
    else
        std::fprintf(stderr, "twclient: %s: result %d\n", what, code);
    return 1;
}

int usage_error(const std::string& what) {
    std::fprintf(stderr, "twclient: %s\n%s", what.c_str(), kUsage);
    return 2;
}

// Prints bytes as text where they are printable, \xNN elsewhere.
void print_bytes(const std::vector<unsigned char>& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c >= 0x20 && c < 0x7F && c != '\\') out += static_cast<char>(c);
        else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    std::printf("%s\n", out.c_str());
}

// "ST:04;ER:00;IQ:504030;" -> a line people read. Fields the reply lacks are
// left out; unknown fields are passed over.
std::string status_summary(const std::vector<unsigned char>& reply) {
    std::string text(reply.begin(), reply.end());
    auto field = [&](const char* code) -> std::string {
        auto at = text.find(code);
        if (at == std::string::npos) return {};
        auto end = text.find(';', at);
        if (end == std::string::npos) return {};
        return text.substr(at + 3, end - at - 3);
    };
    std::string out;
    if (auto st = field("ST:"); !st.empty()) out += "state " + st;
    if (auto er = field("ER:"); !er.empty()) out += (out.empty() ? "" : ", ") + std::string("error ") + er;
    if (auto iq = field("IQ:"); !iq.empty()) {
        out += (out.empty() ? "" : ", ") + std::string("ink");
        for (size_t i = 0; i + 1 < iq.size(); i += 2) {
            std::string item = iq.substr(i, 2);
            char* end = nullptr;
            long v = std::strtol(item.c_str(), &end, 16);
            out += " " + (end && *end == 0 ? std::to_string(v) + "%" : item);
        }
    }
    if (auto wr = field("WR:"); !wr.empty()) out += (out.empty() ? "" : ", ") + std::string("warnings ") + wr;
    return out.empty() ? "no status fields" : out;
}

}  // namespace

int main(int argc, char** argv) {
    int kind = 1;
    long channel_arg = -1;
    int timeout = 5000;
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == "--port") {
            kind = 0;
        } else if ((a == "--channel" || a == "--timeout") && i + 1 < argc) {
            char* end = nullptr;
            long v = std::strtol(argv[++i], &end, 0);
            if (!end || *end != 0 || v < 0) return usage_error("not a number: " + std::string(argv[i]));
            if (a == "--channel")
                channel_arg = v;
            else
                timeout = static_cast<int>(v);
        } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            return usage_error("unknown option " + std::string(a));
        } else {
            words.emplace_back(a);
        }
    }
    if (words.size() < 2) return usage_error("missing command or printer");
    const std::string& command = words[0];
    const std::string& printer = words[1];
    if (command == "status" && words.size() == 3) channel_arg = std::strtol(words[2].c_str(), nullptr, 0);
    else if (command != "command" && words.size() != 2) return usage_error("too many words for '" + command + "'");
    if (command == "command" && words.size() < 3) return usage_error("missing the printer command");

    auto module = platform::load_library("TWAPI2.DLL");
    if (!module) {
        std::fprintf(stderr, "twclient: cannot load TWAPI2: %s\n", module.error().describe().c_str());
        return 1;
    }
    auto bound = twapi::bind_api(*module);
    if (!bound) {
        std::fprintf(stderr, "twclient: TWAPI2: %s\n", bound.error().describe().c_str());
        return 1;
    }
    twapi::ApiBinding& api = *bound;
    if (int r = api.TWInitialize(); r != 0) return fail("TWInitialize", r);
    struct Release {
        twapi::ApiBinding& api;
        ~Release() { api.TWRelease(); }
    } release{api};

    // The channel table: null buffer first for its size, as the API wants.
    int size = 0;
    int r = api.TWGetAvailableChannel(kind, printer.c_str(), nullptr, &size);
    if (r != -4) return fail(("channels of " + printer).c_str(), r);
    std::vector<unsigned char> table(static_cast<size_t>(size));
    r = api.TWGetAvailableChannel(kind, printer.c_str(), table.data(), &size);
    if (r < 0) return fail(("channels of " + printer).c_str(), r);
    std::vector<Channel> channels;
    for (int i = 0; i < r; ++i) {
        Channel c{};
        std::memcpy(&c.number, table.data() + 8 * i, 4);
        std::memcpy(&c.mode, table.data() + 8 * i + 4, 2);
        channels.push_back(c);
    }

    if (command == "channels") {
        std::printf("%-12s %s\n", "channel", "mode");
        for (const auto& c : channels)
            std::printf("0x%08X   0x%04X%s%s\n", c.number, c.mode, (c.mode & 4) ? "  status" : "",
                        (c.mode & 3) == 3 ? "  commands" : "");
        return 0;
    }
    if (command == "deviceid") {
        std::vector<unsigned char> id(1024);
        int n = static_cast<int>(id.size());
        r = api.TWGetDeviceID(kind, printer.c_str(), id.data(), &n);
        if (r == -4) {
            id.resize(static_cast<size_t>(n));
            r = api.TWGetDeviceID(kind, printer.c_str(), id.data(), &n);
        }
        if (r < 0) return fail("device ID", r);
        id.resize(static_cast<size_t>(n));
        // The first two bytes are the ID's length, high byte first.
        if (id.size() >= 2) id.erase(id.begin(), id.begin() + 2);
        print_bytes(id);
        return 0;
    }

    auto pick = [&](std::uint16_t wanted) -> long {
        if (channel_arg >= 0) return channel_arg;
        for (const auto& c : channels)
            if ((c.mode & wanted) == wanted) return static_cast<long>(c.number);
        return -1;
    };
    if (command == "status") {
        long number = pick(4);
        if (number < 0) return fail("status", -6);
        int handle = api.TWOpenChannel(kind, printer.c_str(), static_cast<int>(number));
        if (handle <= 0) return fail("open channel", handle);
        std::vector<unsigned char> reply(2048);
        int n = static_cast<int>(reply.size());
        r = api.TWGetStatus(handle, reply.data(), &n);
        if (r == -4) {
            reply.resize(static_cast<size_t>(n));
            r = api.TWGetStatus(handle, reply.data(), &n);
        }
        api.TWCloseChannel(handle);
        if (r < 0) return fail("status", r);
        reply.resize(static_cast<size_t>(r));
        print_bytes(reply);
        std::printf("%s\n", status_summary(reply).c_str());
        return 0;
    }
    if (command == "command") {
        const std::string& letters = words[2];
        if (letters.size() != 2) return usage_error("a printer command is two letters: " + letters);
        std::vector<unsigned char> bytes(letters.begin(), letters.end());
        std::vector<unsigned char> params;
        for (size_t i = 3; i < words.size(); ++i) {
            char* end = nullptr;
            long v = std::strtol(words[i].c_str(), &end, 16);
            if (!end || *end != 0 || v < 0 || v > 255) return usage_error("not a hex byte: " + words[i]);
            params.push_back(static_cast<unsigned char>(v));
        }
        bytes.push_back(static_cast<unsigned char>(params.size() & 0xFF));
        bytes.push_back(static_cast<unsigned char>(params.size() >> 8));
        bytes.insert(bytes.end(), params.begin(), params.end());
        long number = pick(3);
        if (number < 0) return fail("command", -6);
        int handle = api.TWOpenChannel(kind, printer.c_str(), static_cast<int>(number));
        if (handle <= 0) return fail("open channel", handle);
        r = api.TWSend(handle, bytes.data(), static_cast<int>(bytes.size()));
        if (r < 0) {
            api.TWCloseChannel(handle);
            return fail("send", r);
        }
        std::vector<unsigned char> reply(2048);
        int n = static_cast<int>(reply.size());
        r = api.TWReceive(handle, reply.data(), &n, timeout);
        if (r == -4) {
            reply.resize(static_cast<size_t>(n));
            r = api.TWReceive(handle, reply.data(), &n, timeout);
        }
        api.TWCloseChannel(handle);
        if (r < 0) return fail("reply", r);
        reply.resize(static_cast<size_t>(r));
        print_bytes(reply);
        return 0;
    }
    return usage_error("unknown command '" + command + "'");
}
