// Processes: CreateProcess with a Windows command line, the exit code,
// TerminateProcess, and the command line as the started program sees it.
//
// Mirrors Windows:
// - A command line is one string. It is split into arguments by the rules of
//   the Windows C runtime (CommandLineToArgvW):
//     * spaces and tabs separate arguments, except inside a "..." run;
//     * 2n backslashes followed by a quote give n backslashes, and the quote
//       starts or ends a quoted run;
//     * 2n+1 backslashes followed by a quote give n backslashes and a literal
//       quote;
//     * backslashes not followed by a quote are literal;
//     * inside a quoted run, "" gives one literal quote and the run goes on;
//     * the first argument (the program) is special: it ends at the next
//       space or tab, or, when it starts with a quote, at the next quote;
//       backslashes in it are always literal ("C:\Dir\" stays as it is).
// - The program ("X.EXE", "X", or a Windows or host path) is found as the
//   host program X with letter case ignored, where Windows looks: a name with
//   a path is taken from there; otherwise the folder of the executable, the
//   current folder, the system folder, the Windows folder, then each folder of
//   the host PATH. In each place the name is tried as written, then without a
//   final ".exe" in any letter case.
// - A process handle is a KernelObject of kind Process; it is signalled when
//   the process ends, so the wait functions work on it. The exit code is
//   STILL_ACTIVE (259) while it runs, then its exit status, or 128 + the
//   signal number when a signal ended it, or the code given to
//   terminate_process().
// - Process ids are 32-bit numbers (the host pid).
//
// Differs:
// - The child gets the command line verbatim in the environment variable
//   TWPRINTER_COMMAND_LINE, and its show flag in TWPRINTER_SHOW_WINDOW (the
//   STARTUPINFO wShowWindow number), because a host program receives only an
//   argument vector. get_command_line() uses the variable only when it still
//   splits into this process's own arguments, so a grandchild started some
//   other way does not inherit a stranger's command line; otherwise it quotes
//   its own arguments back into one line.
// - The environment is always inherited; extra entries are added or replace
//   the inherited ones of the same name (names compare with letter case, as
//   the host does).
// - No thread handle is returned, and there is no suspended start.
// - An unquoted program path with blanks ("C:\Program Files\x.exe a") is not
//   tried piece by piece as Windows does: the program ends at the first blank.
// - Children inherit standard input, output and error and no other
//   descriptor.
//
// Blocking: create_process() returns once the program has been started (or
// could not be); waits sleep in wait.h. Each child has a reaper thread that
// sleeps until the child ends, collects its status and signals the handle.
// Thread-safe.
// Failing calls return an Error and make it the thread's last error.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/handle_table.h"
#include "platform/thread.h"  // STILL_ACTIVE
#include "platform/wait.h"
#include "platform/win_error.h"

namespace platform {

// ShowWindow numbers for a new process's main window.
enum class ShowWindow : std::uint32_t {
    Hide = 0,
    Normal = 1,
    Minimized = 2,
    Maximized = 3,
    NoActivate = 4,
    Show = 5,
};

struct ProcessOptions {
    // The child's current folder as a Windows path; empty keeps ours.
    std::string current_directory;
    ShowWindow show = ShowWindow::Normal;
    // "NAME=value" entries added to the inherited environment.
    std::vector<std::string> environment;
};

struct ProcessInfo {
    Handle process = kNullHandle;  // close with close_handle()
    std::uint32_t process_id = 0;
};

// Splits a command line into arguments by the rules above.
std::vector<std::string> split_command_line(std::string_view command_line);

// The inverse: quotes each argument as needed and joins them, so that
// split_command_line() gives the same arguments back. The first argument is
// quoted as a program name (it cannot hold a quote).
std::string join_command_line(std::span<const std::string> arguments);

// CreateProcess. ERROR_FILE_NOT_FOUND when the program is nowhere,
// ERROR_DIRECTORY for a current folder that does not exist,
// ERROR_BAD_EXE_FORMAT / ERROR_ACCESS_DENIED when the host will not run it,
// ERROR_INVALID_PARAMETER for an empty command line.
Result<ProcessInfo> create_process(std::string_view command_line, const ProcessOptions& options = {});

// The host file create_process() would start for a program token.
Result<std::string> find_program(std::string_view program);

// GetExitCodeProcess: STILL_ACTIVE while the process runs.
Result<std::uint32_t> get_exit_code_process(Handle process);

// TerminateProcess: ends the process at once (SIGKILL); its exit code is then
// `exit_code`. ERROR_ACCESS_DENIED when it had already ended.
Status terminate_process(Handle process, std::uint32_t exit_code);

// wait_for_single_object() for process handles only: WAIT_OBJECT_0 once the
// process has ended, WAIT_TIMEOUT after `timeout_ms`, WAIT_FAILED (with
// ERROR_INVALID_HANDLE) for a handle that is not a process.
std::uint32_t wait_for_process(Handle process, std::uint32_t timeout_ms);

// The process id behind a process handle (GetProcessId); 0 for a bad handle.
std::uint32_t get_process_id(Handle process);

// GetCurrentProcessId.
std::uint32_t get_current_process_id();

// GetCommandLine: this process's command line, as its starter wrote it.
const std::string& get_command_line();

}  // namespace platform
