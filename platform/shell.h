// Shell: ShellExecute and WinHelp.
//
// Every call is recorded, as a line in the computer's ui/shell.log (ui_log.h)
// and in a list of this process that tests read (recorded_shell_calls()):
//
//     <time> pid=<pid> open verb=open file=C:\GUIDE\INDEX.HTM params= dir= show=1 result=42 via=xdg-open
//     <time> pid=<pid> help file=C:\X\PRINTER.HLP command=0x1 data=2001 result=1 via=
//
// What cannot happen here is handed to the desktop: a document or web page
// goes to `xdg-open` when that program is on PATH and a display is there
// (DISPLAY or WAYLAND_DISPLAY), unless TWPRINTER_NO_OPENER=1 (tests set it).
// A program (a .exe/.com/.bat target) is started with create_process
// (process.h), which finds "X.EXE" as the program X.
//
// Mirrors Windows: shell_execute returns a value above 32 on success (42)
// and an error number up to 32 otherwise: SE_ERR_FNF (2) for a local file
// that does not exist, SE_ERR_PNF (3) when its folder does not exist either,
// SE_ERR_NOASSOC (31) for a verb no one handles, ERROR_BAD_FORMAT (11) for a
// program the host will not run. A relative file is taken in `directory`.
// Verbs: null, "open", "print", "edit", "explore", "find", "properties",
// "runas". win_help: HELP_CONTEXT, HELP_FINDER, HELP_INDEX/CONTENTS,
// HELP_KEY, HELP_QUIT and the others are all recorded; a "file>window" name
// loses its window part.
//
// Differs: nothing checks file associations: a document that exists counts
// as opened once recorded (and handed over where a desktop is). win_help
// returns false with ERROR_FILE_NOT_FOUND for a help file that does not exist
// (Windows starts its help program, which then complains); help files are
// handed over whole, without the topic. Thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/messages.h"

namespace platform {

inline constexpr std::intptr_t SE_ERR_FNF = 2;
inline constexpr std::intptr_t SE_ERR_PNF = 3;
inline constexpr std::intptr_t SE_ERR_ACCESSDENIED = 5;
inline constexpr std::intptr_t SE_ERR_OOM = 8;
inline constexpr std::intptr_t SE_ERR_BAD_FORMAT = 11;  // ERROR_BAD_FORMAT
inline constexpr std::intptr_t SE_ERR_NOASSOC = 31;

inline constexpr std::uint32_t HELP_CONTEXT = 0x0001;
inline constexpr std::uint32_t HELP_QUIT = 0x0002;
inline constexpr std::uint32_t HELP_INDEX = 0x0003;
inline constexpr std::uint32_t HELP_CONTENTS = 0x0003;
inline constexpr std::uint32_t HELP_HELPONHELP = 0x0004;
inline constexpr std::uint32_t HELP_SETINDEX = 0x0005;
inline constexpr std::uint32_t HELP_CONTEXTPOPUP = 0x0008;
inline constexpr std::uint32_t HELP_FORCEFILE = 0x0009;
inline constexpr std::uint32_t HELP_FINDER = 0x000B;
inline constexpr std::uint32_t HELP_KEY = 0x0101;
inline constexpr std::uint32_t HELP_COMMAND = 0x0102;
inline constexpr std::uint32_t HELP_PARTIALKEY = 0x0105;

struct ShellRecord {
    enum class Kind { Open, Program, Help };
    Kind kind = Kind::Open;
    HWND hwnd = 0;
    std::string verb;       // Open, Program
    std::string file;       // as given (a URL, or a Windows path made whole)
    std::string parameters;
    std::string directory;
    int show = 0;
    std::uint32_t help_command = 0;  // Help
    std::uintptr_t help_data = 0;
    std::intptr_t result = 0;        // what the call returned
    std::string handed_to;           // "xdg-open", "process" or empty
};

// ShellExecuteA. Null strings are allowed where Windows allows them.
std::intptr_t shell_execute(HWND hwnd, const char* verb, const char* file, const char* parameters,
                            const char* directory, int show);

// WinHelpA.
bool win_help(HWND hwnd, const char* help_file, std::uint32_t command, std::uintptr_t data);

// What this process asked of the shell, oldest first.
std::vector<ShellRecord> recorded_shell_calls();
void clear_recorded_shell_calls();

}  // namespace platform
