// The print spooler: the printers of the computer and the winspool calls the
// system makes on them (OpenPrinter, GetPrinter at level 2, EnumPrinters at
// level 2, ClosePrinter), plus AddPrinter / DeletePrinter and printer
// connections for tools and tests.
//
// Where printers live, as Windows keeps them:
//   local printers   HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Printers\<name>
//                    "Name", "Port", "Share Name", "Printer Driver" (REG_SZ),
//                    "Attributes", "Status" (REG_DWORD)
//   connections      HKEY_CURRENT_USER\Printers\Connections\,,<SERVER>,<name>
//                    (the user's connections to printers shared by another
//                    computer; the key name is the printer's "\\SERVER\name"
//                    with backslashes turned into commas, as Windows names it)
//                    "Server" = "\\SERVER", "Provider" = "win32spl.dll", and the
//                    level-2 facts the server gave when the connection was made:
//                    "Share Name", "Port", "Printer Driver", "Attributes", "Status"
// A person may edit either with the registry tool; a missing "Name" is the key
// name, missing "Attributes" are worked out (local, plus shared when there is a
// share name), a missing "Status" is 0.
//
// Mirrors Windows:
//   - printer names compare ignoring letter case; a local printer may also be
//     opened as "\\THISCOMPUTER\name"; a connection is opened by its full name
//     "\\SERVER\name";
//   - level-2 information: a local printer has an empty server name and its
//     own name; a connection has server "\\SERVER" (with the leading
//     backslashes) and printer name "\\SERVER\name", and the network attribute;
//   - EnumPrinters flags: PRINTER_ENUM_LOCAL gives the local printers,
//     PRINTER_ENUM_CONNECTIONS the user's connections, PRINTER_ENUM_SHARED keeps
//     only printers with the shared attribute; local printers come first, each
//     group sorted by name ignoring letter case;
//   - a level other than 2 fails with ERROR_INVALID_LEVEL; an unknown printer
//     with ERROR_INVALID_PRINTER_NAME (1801).
//
// Windows 95/98: some of those spoolers refuse EnumPrinters(PRINTER_ENUM_LOCAL)
// at level 2 with ERROR_INVALID_PARAMETER, and callers must then read the port
// from the printer's registry key. This computer does so when it reports
// platform 1 (machine fact PlatformId=1) and the DWORD value
//   HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print  "Win9xLocalEnumLevel2Fails"
// is non-zero. On the NT family the value is ignored.
//
// Deliberately different: printer handles are RAII objects of this process, not
// numbers of the handle table; no ports, drivers or forms are checked or kept
// (a port is just the name stored with the printer); a connection does not ask
// the other computer anything, it keeps what it was given when it was added.
//
// Print jobs (GetJob / EnumJobs / SetJob, which the monitor's job follower and
// the print-side calls need) are not here yet; they will be kept beside the
// printer, under its key's "Jobs" subkey, and reached through Printer.
//
// Blocking: every call reads (and add/delete write) the registry hives.
// Threads: every call is thread-safe; a Printer may be moved between threads.
// Failing calls also set the thread's last error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win_error.h"

namespace platform {

inline constexpr WinError ERROR_INVALID_LEVEL = 124;
inline constexpr WinError ERROR_INVALID_FLAGS = 1004;
inline constexpr WinError ERROR_INVALID_PRINTER_NAME = 1801;
inline constexpr WinError ERROR_PRINTER_ALREADY_EXISTS = 1802;

inline constexpr std::uint32_t PRINTER_ENUM_LOCAL = 0x2;
inline constexpr std::uint32_t PRINTER_ENUM_CONNECTIONS = 0x4;
inline constexpr std::uint32_t PRINTER_ENUM_SHARED = 0x20;

inline constexpr std::uint32_t PRINTER_ATTRIBUTE_SHARED = 0x8;
inline constexpr std::uint32_t PRINTER_ATTRIBUTE_NETWORK = 0x10;
inline constexpr std::uint32_t PRINTER_ATTRIBUTE_LOCAL = 0x40;

// Registry places, relative to their roots (HKEY_LOCAL_MACHINE and
// HKEY_CURRENT_USER).
inline constexpr const char* kPrintersKey = "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers";
inline constexpr const char* kPrintKey = "SYSTEM\\CurrentControlSet\\Control\\Print";
inline constexpr const char* kConnectionsKey = "Printers\\Connections";
inline constexpr const char* kWin9xEnumSwitch = "Win9xLocalEnumLevel2Fails";

// PRINTER_INFO_2, the fields the system reads. Absent strings are empty.
struct PrinterInfo2 {
    std::string server_name{};   // "" for a local printer, "\\SERVER" for a connection
    std::string printer_name{};  // "name", or "\\SERVER\name" for a connection
    std::string share_name{};
    std::string port_name{};
    std::string driver_name{};
    std::uint32_t attributes = 0;
    std::uint32_t status = 0;
};

// An open printer (OpenPrinter's handle); closed when destroyed.
class Printer {
public:
    Printer() = default;
    Printer(Printer&&) noexcept = default;
    Printer& operator=(Printer&&) noexcept = default;
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;

    // OpenPrinter: ERROR_INVALID_PRINTER_NAME when no printer has that name.
    [[nodiscard]] static Result<Printer> open(std::string_view name);

    bool is_open() const { return !key_.empty(); }
    // ClosePrinter.
    void close() { key_.clear(); }

    // GetPrinter. Fails with ERROR_INVALID_LEVEL for levels other than 2,
    // ERROR_INVALID_HANDLE on a closed Printer, and ERROR_INVALID_PRINTER_NAME
    // when the printer was deleted since it was opened.
    [[nodiscard]] Result<PrinterInfo2> get_printer(std::uint32_t level) const;

private:
    Printer(bool connection, std::string key) : connection_(connection), key_(std::move(key)) {}
    bool connection_ = false;
    std::string key_;  // subkey name under kPrintersKey or kConnectionsKey
};

// EnumPrinters for this computer (the name argument of Windows is always null
// in the system's calls). Flags other than the three above fail with
// ERROR_INVALID_FLAGS.
[[nodiscard]] Result<std::vector<PrinterInfo2>> enum_printers(std::uint32_t flags, std::uint32_t level);

// AddPrinter at level 2 for a local printer: needs printer name, port and
// driver; the server name must be empty; attributes get the local bit, and the
// shared bit when there is a share name. A name may not contain '\' or ',' and
// has 1 to 220 characters (ERROR_INVALID_PRINTER_NAME);
// ERROR_PRINTER_ALREADY_EXISTS when the name is taken in any letter case.
[[nodiscard]] Status add_printer(const PrinterInfo2& info);
// DeletePrinter by name.
[[nodiscard]] Status delete_printer(std::string_view name);

// AddPrinterConnection, with the facts the server would report: server_name
// ("\\SERVER" or "SERVER") and printer_name (the name on that server) are
// needed; the network bit is set and the local bit cleared.
[[nodiscard]] Status add_printer_connection(const PrinterInfo2& info);
// DeletePrinterConnection by "\\SERVER\name".
[[nodiscard]] Status delete_printer_connection(std::string_view name);

}  // namespace platform
