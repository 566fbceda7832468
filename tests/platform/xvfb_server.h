// A virtual X server for tests that need a display: Xvfb on the first free
// display number from 90 upward, started by the test and stopped by its pid.
#pragma once

#include <sys/types.h>

#include <string>

namespace twtest {

class XvfbServer {
public:
    XvfbServer();   // starts it; check started() and why_not()
    ~XvfbServer();  // stops it
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool started() const { return pid_ > 0; }
    // Why it could not start: not installed, or it did not come up.
    const std::string& why_not() const { return why_not_; }
    // ":N", for DISPLAY.
    const std::string& name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
    std::string why_not_;
};

}  // namespace twtest
