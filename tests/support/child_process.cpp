#include "tests/support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>

extern char** environ;

namespace twtest {
namespace {

std::map<std::string, ChildMain>& roles() {
    static std::map<std::string, ChildMain> r;
    return r;
}

}  // namespace

ChildRole::ChildRole(const char* name, ChildMain main) { roles()[name] = std::move(main); }

ChildProcess spawn_child(const std::string& role, const std::vector<std::string>& args) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    std::vector<std::string> argv_s{"/proc/self/exe"};
    argv_s.insert(argv_s.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argv_s) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env_s;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "TWTEST_CHILD_ROLE=", 18) != 0) env_s.emplace_back(*e);
    env_s.push_back("TWTEST_CHILD_ROLE=" + role);
    std::vector<char*> envp;
    for (auto& e : env_s) envp.push_back(e.data());
    envp.push_back(nullptr);
    char exe[4096];
    ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n < 0) throw std::runtime_error("readlink failed");
    exe[n] = 0;
    pid_t pid = -1;
    int rc = ::posix_spawn(&pid, exe, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        throw std::runtime_error(std::string("posix_spawn failed: ") + std::strerror(rc));
    }
    return ChildProcess(pid, fds[0]);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(other.pid_), out_fd_(other.out_fd_), status_(other.status_), buffer_(std::move(other.buffer_)) {
    other.pid_ = -1;
    other.out_fd_ = -1;
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0 && status_ < 0) kill();
    if (out_fd_ >= 0) ::close(out_fd_);
}

std::string ChildProcess::read_line(int timeout_ms) {
    while (true) {
        auto nl = buffer_.find('\n');
        if (nl != std::string::npos) {
            std::string line = buffer_.substr(0, nl);
            buffer_.erase(0, nl + 1);
            return line;
        }
        if (out_fd_ < 0) return {};
        pollfd p{out_fd_, POLLIN, 0};
        int r = ::poll(&p, 1, timeout_ms);
        if (r <= 0) return {};
        char buf[512];
        ssize_t n = ::read(out_fd_, buf, sizeof buf);
        if (n <= 0) {
            ::close(out_fd_);
            out_fd_ = -1;
            std::string rest = std::move(buffer_);
            buffer_.clear();
            return rest;
        }
        buffer_.append(buf, static_cast<size_t>(n));
    }
}

bool ChildProcess::wait_for_line(const std::string& line, int timeout_ms) {
    while (true) {
        if (out_fd_ < 0 && buffer_.empty()) return false;
        std::string got = read_line(timeout_ms);
        if (got == line) return true;
        if (got.empty() && out_fd_ < 0 && buffer_.empty()) return false;
    }
}

int ChildProcess::wait() {
    if (status_ >= 0) return status_;
    int st = 0;
    while (::waitpid(pid_, &st, 0) < 0 && errno == EINTR) {
    }
    status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    return status_;
}

int ChildProcess::wait(int timeout_ms) {
    if (status_ >= 0) return status_;
    for (int waited = 0;; waited += 10) {
        int st = 0;
        const pid_t r = ::waitpid(pid_, &st, WNOHANG);
        if (r == pid_) {
            status_ = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
            return status_;
        }
        if (r < 0 && errno != EINTR) return -1;
        if (waited >= timeout_ms) return -1;
        ::usleep(10 * 1000);
    }
}

void ChildProcess::kill() {
    if (pid_ <= 0 || status_ >= 0) return;
    ::kill(pid_, SIGKILL);
    wait();
}

void run_child_role_if_asked(int argc, char** argv) {
    const char* role = std::getenv("TWTEST_CHILD_ROLE");
    if (!role) return;
    std::string name = role;
    ::unsetenv("TWTEST_CHILD_ROLE");
    auto it = roles().find(name);
    if (it == roles().end()) {
        std::fprintf(stderr, "no child role named %s\n", name.c_str());
        std::_Exit(99);
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::exit(it->second(std::vector<std::string>(argv + 1, argv + argc)));
}

}  // namespace twtest
