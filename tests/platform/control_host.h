// A top-level window that holds common controls as children and writes down
// the notifications they send it, for tests that compare them with an
// expected table.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/commctrl.h"
#include "platform/window.h"
#include "tests/support/test_root.h"

namespace twtest {

class ControlHost {
public:
    ControlHost();
    ~ControlHost();
    ControlHost(const ControlHost&) = delete;
    ControlHost& operator=(const ControlHost&) = delete;

    platform::HWND parent() const { return parent_; }
    // A visible child control of the host.
    platform::HWND make(const char* class_name, std::uint32_t style, int id, int width = 200, int height = 120,
                        const char* text = "");

    // What the control draws (WM_PRINTCLIENT into a 32-bit bitmap of its
    // client size): 0x00RRGGBB pixels, row by row.
    struct Picture {
        int width = 0, height = 0;
        std::vector<std::uint32_t> pixels;
        std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    };
    static Picture render(platform::HWND control);

    // The notifications so far, one line each (see describe()), leaving out
    // focus and key notifications unless asked for.
    std::vector<std::string> notes(bool all = false) const;
    void clear() { notes_.clear(); }
    // The answer the host gives to a notification (0 when none is set).
    std::function<platform::LRESULT(const platform::NMHDR*)> answer;
    // Called for every notification, after it was written down.
    std::function<void(const platform::NMHDR*)> on_notify;
    // Names tree items in the lines ("root", "a", ...).
    void name(platform::HTREEITEM item, std::string label) { names_[item] = std::move(label); }

    // The host's procedure calls this.
    platform::LRESULT notified(const platform::NMHDR* hdr);

private:
    std::string item_name(platform::HTREEITEM item) const;
    std::string describe(const platform::NMHDR* hdr) const;

    TempMachineRoot root_;
    platform::HWND parent_ = 0;
    std::vector<std::pair<platform::UINT, std::string>> notes_;
    std::map<platform::HTREEITEM, std::string> names_;
};

}  // namespace twtest
