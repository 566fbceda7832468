// Dynamic libraries: LoadLibrary, FreeLibrary, GetProcAddress, GetModuleHandle.
//
// Mirrors Windows:
// - A module is named as the system names it, "TWAPI2.DLL" or "TwpShre2.dll":
//   the extension (whatever it is, or none) becomes ".so" and the file is
//   found with letter case ignored ("TWAPI2.so"). Without a path it is looked
//   for in this order:
//     1. the folder of the executable,
//     2. the computer's system folder (C:\WINNT\SYSTEM32),
//     3. the computer's Windows folder (C:\WINNT),
//     4. each host folder in the environment variable TWPRINTER_LIBRARY_PATH
//        (colon-separated), which is how developers and tests reach the
//        libraries in a build tree without copying them.
//   A name with a path (Windows "C:\X\Y.DLL" or host "/x/Y.so") is loaded
//   from that folder only.
// - Modules are reference counted: loading a loaded library again (by any
//   name that reaches the same file) gives the same handle and raises the
//   count; free_library() lowers it and the library is unloaded (dlclose) at
//   the last free, after which the handle is invalid.
// - get_module_handle() finds loaded modules only and does not count; a
//   name without a path compares base names ignoring case; no name means the
//   executable, which has a permanent handle of its own.
// - Resources (resources.h): a module's resources are its resource script.
//   In each folder of the search, after the library itself, the script of
//   the same base name is looked for ("KVRES.DLL" -> KVRES.rc): found, it
//   loads as a resource-only library, which has no exports. A library loads
//   the script beside it (Vigilo.so + Vigilo.rc) with it. A script that does
//   not read refuses the whole load with ERROR_BAD_EXE_FORMAT and
//   "<file> line <n>: <reason>" as the last-error text, before any of the
//   library's code runs.
// - Exports by ordinal: a library of ours declares its ordinals in a C array
//   named `twp_export_ordinals` (see ExportOrdinal below); an ordinal is looked
//   up there, then the named symbol.
//
// - The common controls ("COMCTL32.DLL") and the rich-text display
//   ("RichEd32.Dll", "RICHED20.DLL") are built into the platform
//   (builtin_libraries.h): loading them by name registers their window
//   classes and gives the executable's handle.
//
// Differs: handles are numbers from the handle table, not load addresses; a
// module handle is a KernelObject of kind Module, and close_handle() must not
// be used on it (use free_library()).
//
// Errors: ERROR_MOD_NOT_FOUND (no such file anywhere, or a library it needs
// is missing), ERROR_BAD_EXE_FORMAT (the file is no loadable library),
// ERROR_PROC_NOT_FOUND (no such export), ERROR_INVALID_HANDLE. The loader's
// own words (dlerror) are kept in the last-error text. Failing calls also set
// the thread's last error.
//
// Thread-safe. load_library() and free_library() run the library's
// constructors and destructors on the calling thread while holding the
// module lock; those may load and free libraries themselves (the lock is
// recursive), but must not wait for another thread that does.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "platform/handle_table.h"
#include "platform/win_error.h"

namespace platform {

// One row of a library's ordinal table. A library declares
//
//   extern "C" const platform::ExportOrdinal twp_export_ordinals[] = {
//       {1, "TwpOpen"}, {2, "TwpClose"}, {0, nullptr}};
//
// The table ends with a row whose name is null.
struct ExportOrdinal {
    std::uint32_t ordinal;
    const char* name;
};
inline constexpr const char* kExportOrdinalsSymbol = "twp_export_ordinals";

// The host file name a module name is looked for under ("TWAPI2.DLL" -> "TWAPI2.so").
std::string library_file_name(std::string_view module_name);

// LoadLibrary.
Result<Handle> load_library(std::string_view name);

// FreeLibrary.
Status free_library(Handle module);

// GetProcAddress by name.
Result<void*> get_proc_address(Handle module, std::string_view name);

// GetProcAddress by ordinal (ordinal 0 is never an export).
Result<void*> get_proc_address(Handle module, std::uint32_t ordinal);

// An export as a function of the given type.
template <class F>
Result<F*> get_proc_as(Handle module, std::string_view name) {
    auto p = get_proc_address(module, name);
    if (!p) return p.error();
    return reinterpret_cast<F*>(*p);
}

// GetModuleHandle: an empty name gives the executable's handle.
Result<Handle> get_module_handle(std::string_view name = {});

// The host file of a module (the executable for its handle), for
// get_module_file_name().
Result<std::filesystem::path> module_host_path(Handle module);

}  // namespace platform
