// The program the process tests start. What it does is chosen by the
// environment, so that its arguments can be anything the test wants to see
// come through:
//   TWP_CHILD_MODE=report  writes what it was given to the file TWP_REPORT:
//                          its command line, then "arg=" per argument, then
//                          "cwd=", "show=", "extra=" (TWP_EXTRA) lines
//   TWP_CHILD_MODE=fds     writes "fd=N" to TWP_REPORT for every descriptor
//                          above 2 it found open at start
//   TWP_CHILD_MODE=exit    exits with the code in TWP_EXIT_CODE
//   TWP_CHILD_MODE=signal  kills itself with the signal in TWP_SIGNAL
//   TWP_CHILD_MODE=fifo    reads an exit code from the FIFO TWP_FIFO
//   TWP_CHILD_MODE=sleep   sleeps until killed
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/process.h"

namespace {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::vector<int> open_descriptors() {
    std::vector<int> fds;
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir) return fds;
    int own = ::dirfd(dir);
    while (dirent* e = ::readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        int fd = std::atoi(e->d_name);
        if (fd > 2 && fd != own) fds.push_back(fd);
    }
    ::closedir(dir);
    return fds;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = env("TWP_CHILD_MODE");
    if (mode == "fds") {
        auto fds = open_descriptors();
        std::ofstream out(env("TWP_REPORT"));
        for (int fd : fds) out << "fd=" << fd << "\n";
        return 0;
    }
    if (mode == "report") {
        std::ofstream out(env("TWP_REPORT"));
        out << platform::get_command_line() << "\n";
        for (int i = 1; i < argc; ++i) out << "arg=" << argv[i] << "\n";
        out << "cwd=" << std::filesystem::current_path().string() << "\n";
        out << "show=" << env("TWPRINTER_SHOW_WINDOW") << "\n";
        out << "extra=" << env("TWP_EXTRA") << "\n";
        return 0;
    }
    if (mode == "exit") return std::atoi(env("TWP_EXIT_CODE").c_str());
    if (mode == "signal") {
        ::raise(std::atoi(env("TWP_SIGNAL").c_str()));
        return 99;
    }
    if (mode == "fifo") {
        std::ifstream in(env("TWP_FIFO"));
        int code = 99;
        in >> code;
        return code;
    }
    if (mode == "sleep") {
        while (true) ::pause();
    }
    std::fprintf(stderr, "unknown TWP_CHILD_MODE '%s'\n", mode.c_str());
    return 98;
}
