// Real child processes for tests whose subject crosses processes.
//
// A test program names its child roles with ChildRole objects at namespace
// scope; spawn_child() starts the test program itself again in that role (the
// test main sees TWTEST_CHILD_ROLE and runs the role instead of the tests).
// The child inherits the environment, so it shares the test's machine root.
// Its standard output comes back through a pipe, line by line, so a child can
// say "ready" and the test can wait for it.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace twtest {

using ChildMain = std::function<int(const std::vector<std::string>& args)>;

// Registers a role; the object must live at namespace scope.
struct ChildRole {
    ChildRole(const char* name, ChildMain main);
};

class ChildProcess {
public:
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&&) = delete;
    ~ChildProcess();  // kills a child still running

    pid_t pid() const { return pid_; }
    // Next line the child printed (without "\n"); empty when it closed its output
    // or after timeout_ms.
    std::string read_line(int timeout_ms = 20000);
    // Reads lines until one equals `line`; false when output ends first.
    bool wait_for_line(const std::string& line, int timeout_ms = 20000);
    // Waits for the child to end; returns its exit code, or 128 + signal.
    int wait();
    // The same, for at most timeout_ms; -1 when the child is still running then
    // (it is left running: the destructor or kill() ends it).
    int wait(int timeout_ms);
    // SIGKILL, then reaps it.
    void kill();

private:
    friend ChildProcess spawn_child(const std::string& role, const std::vector<std::string>& args);
    ChildProcess(pid_t pid, int out_fd) : pid_(pid), out_fd_(out_fd) {}
    pid_t pid_ = -1;
    int out_fd_ = -1;
    int status_ = -1;
    std::string buffer_;
};

ChildProcess spawn_child(const std::string& role, const std::vector<std::string>& args = {});

// Called by the test main: runs the role named in the environment, if any,
// and exits with its result. Returns when this process is not a child.
void run_child_role_if_asked(int argc, char** argv);

}  // namespace twtest
