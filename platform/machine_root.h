// The machine root: one simulated Windows computer is one folder.
//
// Every process started with the same TWPRINTER_ROOT belongs to the same
// computer: it sees the same registry hives, drives, named kernel objects and
// windows. Without the variable the default root is $XDG_DATA_HOME/twprinter
// (or ~/.local/share/twprinter). A root is created with default contents on
// first use, by whichever process gets there first; creating it twice at once
// is safe.
//
// What the root holds:
//   machine.ini        the computer's facts (below), a profile file people edit
//   registry/          the hives, HKEY_LOCAL_MACHINE.reg and HKEY_CURRENT_USER.reg
//   objects/           the named kernel objects of the computer (a link to a
//                      folder in /dev/shm, see machine_objects_folder)
//   drives/<letter>/   the folders behind drive letters (A: and C: by default)
//
// The facts are read from machine.ini when it changes, so a test that rewrites
// them (set_machine_fact) is seen by every process of the computer at its next
// question. Thread-safe.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_error.h"

namespace platform {

// The Windows version a computer reports.
struct WindowsVersion {
    std::uint32_t platform_id = 2;  // 1 = Windows 95/98/Me, 2 = Windows NT family
    std::uint32_t major = 5;
    std::uint32_t minor = 0;
    std::uint32_t build = 2195;
    std::string service_pack;  // szCSDVersion, e.g. "Service Pack 4"
    // Product suites the computer has ("Terminal Server", ...). Also seeded into
    // the registry value ProductOptions\ProductSuite when the root is created.
    std::vector<std::string> product_suite;
};

struct MachineFacts {
    std::string computer_name;
    WindowsVersion version;
    std::vector<std::string> addresses;          // this computer's IPv4 addresses
    std::vector<std::string> broadcast_targets;  // where its broadcasts go
    std::string windows_directory;               // Windows paths, e.g. C:\WINDOWS
    std::string system_directory;
    std::string temp_directory;
    // Added to the system's monotonic milliseconds to make the tick count, so
    // tests can put a whole computer just below the 2^32 wrap.
    std::uint32_t tick_bias = 0;
    // The size of the computer's screen in pixels (the windowing layer's
    // SM_CXSCREEN and SM_CYSCREEN).
    int screen_width = 1024;
    int screen_height = 768;
    // Drive letter (upper case) to host folder; relative folders are inside the root.
    std::map<char, std::filesystem::path> drives;
};

// The root named by TWPRINTER_ROOT, or the default one.
std::filesystem::path machine_root_path();

// Creates the root with defaults where anything is missing (idempotent, safe
// against concurrent creation), and returns its path.
Result<std::filesystem::path> ensure_machine_root();

// The folder that holds the computer's named kernel objects. Their memory is
// shared between processes and never needs to reach a disk, so the folder lives
// in /dev/shm (one per machine root, named after a hash of the root's path), with
// a link "objects" in the root pointing at it; where /dev/shm cannot be used it is
// the root's own objects/ folder. Created on demand.
Result<std::filesystem::path> machine_objects_folder();

// The facts of this process's computer (creating the root if needed). Fails
// only when the root cannot be created or machine.ini cannot be read.
Result<MachineFacts> machine_facts();

// Rewrites one fact in machine.ini ([Machine] key, or [Drives] letter when key
// is one letter followed by ':'), for tests and the machine tool.
Status set_machine_fact(std::string_view key, std::string_view value);

// The facts as the machine.ini keys they come from, in file order, for display.
Result<std::vector<std::pair<std::string, std::string>>> machine_fact_lines();

}  // namespace platform
