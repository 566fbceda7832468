// A modeless dialog with one control of each kind the automation layer and
// the display serve: a push button, an auto check box, an edit field, a
// report list view, a tree view and a progress bar. Its procedure writes down
// every WM_COMMAND and WM_NOTIFY it receives, and a click on the push button
// renames the dialog ("<title> pressed N"), so that another process sees the
// click through the computer's window table. Its client area is painted in
// kProbeBackground.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/messages.h"

namespace twtest {

inline constexpr int kProbePress = 101;
inline constexpr int kProbeCheck = 102;
inline constexpr int kProbeEdit = 103;
inline constexpr int kProbeList = 104;
inline constexpr int kProbeTree = 105;
inline constexpr int kProbeProgress = 106;
inline constexpr std::uint32_t kProbeBackground = 0x204060;  // 0x00RRGGBB

// Items: list "Alpha", "Beta", "Gamma"; tree "Folders" > "Inks" > "Black", "Folders" > "Papers".
inline constexpr int kProbeProgressPosition = 40;

struct ProbeEvent {
    platform::UINT message = 0;  // WM_COMMAND or WM_NOTIFY
    int id = 0;
    int code = 0;  // the notification code
    bool operator==(const ProbeEvent&) const = default;
};

// Makes the dialog on the calling thread, shown; 0 on failure.
platform::HWND create_probe_dialog(const std::string& title);
// What the dialog procedures of this process received, in order (any thread).
std::vector<ProbeEvent> probe_events();
void clear_probe_events();
// Runs the calling thread's message loop, with the dialog manager, until
// the dialog is destroyed (WM_CLOSE destroys it).
void run_probe_loop(platform::HWND dialog);
// Handles what is waiting in the calling thread's queue, without sleeping.
void pump_messages(platform::HWND dialog);
// A point of the dialog's client area in its surface's coordinates.
platform::POINT probe_client_point(platform::HWND dialog, int x, int y);

}  // namespace twtest
