// twmachine: shows and changes the facts of a simulated computer (its machine
// root), and translates its Windows paths.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/machine_root.h"
#include "platform/paths.h"

namespace {

constexpr const char* kUsage =
    "usage: twmachine show               print the machine root and its facts\n"
    "       twmachine set KEY VALUE      change a fact (a drive as LETTER: FOLDER)\n"
    "       twmachine path WINDOWS-PATH  print the host file behind a Windows path\n"
    "       twmachine --help\n"
    "The computer is the machine root named by TWPRINTER_ROOT (default:\n"
    "$XDG_DATA_HOME/twprinter or ~/.local/share/twprinter), created on first use.\n";

int usage_error(const char* what) {
    std::fprintf(stderr, "twmachine: %s\n%s", what, kUsage);
    return 2;
}

int fail(const platform::Error& e) {
    std::fprintf(stderr, "twmachine: %s\n", e.describe().c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage_error("missing command");
    std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "show" && argc == 2) {
        auto root = platform::ensure_machine_root();
        if (!root) return fail(root.error());
        auto lines = platform::machine_fact_lines();
        if (!lines) return fail(lines.error());
        std::printf("Machine root: %s\n", root->c_str());
        for (const auto& [key, value] : *lines) std::printf("  %-18s %s\n", key.c_str(), value.c_str());
        return 0;
    }
    if (command == "set" && argc == 4) {
        platform::Status s = platform::set_machine_fact(argv[2], argv[3]);
        return s ? 0 : fail(s.error());
    }
    if (command == "path" && argc == 3) {
        auto host = platform::to_host_path(argv[2]);
        if (!host) return fail(host.error());
        std::printf("%s\n", host->c_str());
        return 0;
    }
    return usage_error(("bad command line for '" + command + "'").c_str());
}
