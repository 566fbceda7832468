// A window procedure that writes down every message it gets, for tests that
// compare what a window received with an expected sequence.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/messages.h"
#include "platform/window.h"

namespace twtest {

struct Received {
    platform::HWND hwnd;
    platform::UINT message;
    platform::WPARAM wParam;
    platform::LPARAM lParam;
};

class Recorder {
public:
    static Recorder& instance();

    void clear();
    // Names windows in the sequences ("P", "C1", ...).
    void name(platform::HWND hwnd, std::string label);
    // The messages received so far as "label:WM_NAME", leaving out numbers
    // outside `only` when it is not empty.
    std::vector<std::string> sequence(const std::vector<platform::UINT>& only = {});
    std::vector<Received> received();
    void add(const Received& r);

private:
    std::mutex lock_;
    std::vector<Received> received_;
    std::map<platform::HWND, std::string> names_;
};

// Records, then passes the message to def_window_proc.
platform::LRESULT recording_proc(platform::HWND, platform::UINT, platform::WPARAM, platform::LPARAM);

std::string message_name(platform::UINT message);

}  // namespace twtest
