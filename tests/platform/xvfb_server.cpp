#include "tests/platform/xvfb_server.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

namespace twtest {
namespace {

std::string find_xvfb() {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    dirs += ":/usr/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string candidate = dirs.substr(start, end - start) + "/Xvfb";
        if (end > start && ::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

XvfbServer::XvfbServer() {
    const std::string program = find_xvfb();
    if (program.empty()) {
        why_not_ = "Xvfb is not installed (Debian package xvfb)";
        return;
    }
    for (int n = 90; n < 140; ++n) {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
        const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
        if (exists(socket) || exists(lock)) continue;
        const std::string name = ":" + std::to_string(n);
        pid_t pid = ::fork();
        if (pid < 0) {
            why_not_ = "fork failed";
            return;
        }
        if (pid == 0) {
            int null = ::open("/dev/null", O_RDWR);
            if (null >= 0) {
                ::dup2(null, 1);
                ::dup2(null, 2);
            }
            ::execl(program.c_str(), program.c_str(), name.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Up to 15 s for the socket; a server that exits meanwhile lost a race
        // for the number (or cannot run at all).
        bool up = false, died = false;
        for (int i = 0; i < 300 && !up && !died; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) died = true;
            else up = exists(socket);
        }
        if (up) {
            pid_ = pid;
            name_ = name;
            return;
        }
        if (!died) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            why_not_ = "Xvfb did not open its socket " + socket + " within 15 s";
            return;
        }
        why_not_ = "Xvfb exited at start on display " + name;
    }
    if (why_not_.empty()) why_not_ = "no free display number from :90 to :139";
}

XvfbServer::~XvfbServer() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 100; ++i) {
        if (::waitpid(pid_, &status, WNOHANG) == pid_) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
}

}  // namespace twtest
