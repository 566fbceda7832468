// Reading resource scripts: the text form of a module's resources, a subset of
// the Windows resource-script language. resources.h serves what is read here
// to the system; this header is the reader and what it produces.
//
// What a script may say:
//   - comments // and /* */; #define NAME value, #undef, #include "file.h"
//     (of a header of #defines: its other lines are skipped), #include <x.h>
//     (ignored: the Windows names are built in), #if/#ifdef/#ifndef/#elif/
//     #else/#endif, #pragma (ignored);
//   - numbers in decimal or hexadecimal, with L (32 bits in a data block) and
//     U suffixes; expressions with | & ^ + - * / % << >> ~ and parentheses;
//     NOT in a style list removes a style from the statement's default;
//   - LANGUAGE, CHARACTERISTICS and VERSION lines and the memory options
//     (PRELOAD, DISCARDABLE, ...): accepted and ignored. A script holds one
//     language; the system chooses a resource library per language;
//   - STRINGTABLE [options] BEGIN id[,] "text" ... END (or { }): escapes \n \t
//     \r \a \b \f \v \\ \" \' \xHH \ooo and "" for a quote; adjacent literals
//     join; text is UTF-8 (a string that is not valid UTF-8 is read as
//     Latin-1), L"..." strings take \xHHHH code points;
//   - id DIALOG[EX] x, y, cx, cy [, helpid] with STYLE, EXSTYLE, CAPTION,
//     FONT points, "face"[, weight, italic, charset], CLASS, MENU (ignored),
//     and a block of controls: CONTROL "text", id, class, style, x, y, cx, cy
//     [, exstyle [, helpid]] and the shorthand statements below, each with
//     its Windows default style, to which a style after the size adds
//     (NOT removes); every control also has WS_CHILD | WS_VISIBLE:
//         LTEXT/RTEXT/CTEXT      STATIC  SS_LEFT/SS_RIGHT/SS_CENTER | WS_GROUP
//         PUSHBUTTON             BUTTON  BS_PUSHBUTTON | WS_TABSTOP
//         DEFPUSHBUTTON          BUTTON  BS_DEFPUSHBUTTON | WS_TABSTOP
//         CHECKBOX/AUTOCHECKBOX  BUTTON  BS_CHECKBOX/BS_AUTOCHECKBOX | WS_TABSTOP
//         RADIOBUTTON/AUTORADIOBUTTON    BS_RADIOBUTTON/BS_AUTORADIOBUTTON | WS_TABSTOP
//         STATE3/AUTO3STATE      BUTTON  BS_3STATE/BS_AUTO3STATE | WS_TABSTOP
//         GROUPBOX               BUTTON  BS_GROUPBOX
//         EDITTEXT (no text)     EDIT    ES_LEFT | WS_BORDER | WS_TABSTOP
//         ICON name, id, x, y [, cx, cy ...]  STATIC SS_ICON (text "#id" or the name)
//         SCROLLBAR (no text)    SCROLLBAR SBS_HORZ
//         LISTBOX (no text)      LISTBOX LBS_NOTIFY | WS_BORDER
//         COMBOBOX (no text)     COMBOBOX CBS_SIMPLE | WS_TABSTOP
//     The dialog's style is WS_POPUP | WS_BORDER | WS_SYSMENU, plus
//     WS_CAPTION when it has a CAPTION, unless a STYLE line says otherwise;
//     DS_SETFONT is added when it has a FONT. In a DIALOG control ids are 16
//     bits (IDC_STATIC, -1, is 0xFFFF), in a DIALOGEX 32 bits;
//   - id BITMAP "file", id ICON "file", id CURSOR "file", id WAVE "file",
//     id RCDATA "file", id TYPE "file" for a type of one's own (a name or a
//     number), the file found beside the script (letter case ignored);
//   - id RCDATA BEGIN items END (also for one's own types): numbers are
//     16-bit little-endian words, 32-bit with an L suffix; strings give their
//     bytes without a terminator ("text\0" to have one), L"..." UTF-16LE;
//   - id VERSIONINFO with FILEVERSION, PRODUCTVERSION, FILEFLAGSMASK,
//     FILEFLAGS, FILEOS, FILETYPE, FILESUBTYPE and nested BLOCK "name"
//     BEGIN ... END with VALUE "name", "text" or VALUE "name", numbers
//     (file_version.h keeps it);
//   - MENU, MENUEX, ACCELERATORS, DLGINIT and TOOLBAR resources are skipped.
// An id is a number or expression (1 to 65535), or a name (an undefined word
// or a string), compared without regard to letter case.
//
// Errors: the whole script is refused at its first error, with
// ERROR_BAD_EXE_FORMAT and the text "<file> line <n>: <reason>": bad syntax,
// an unknown statement, a BEGIN without END, an unknown name in an expression,
// two resources (or two strings) with the same type and id, a value that does
// not fit, a missing or unreadable file, a picture file that does not decode.
//
// Thread-safe (no shared state). Reads the script, its includes and the files
// it names.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/dialog_template.h"
#include "platform/resource_name.h"
#include "platform/win_error.h"

namespace platform {

// One resource other than strings: its type, name and bytes as Windows keeps
// them (RT_BITMAP: the bitmap file without its 14-byte file header; an icon or
// cursor: the whole .ico/.cur file; RT_VERSION: the version block of
// file_version.h; RT_DIALOG: no bytes — the template is in `dialogs`).
struct ResourceEntry {
    ResourceName type;
    ResourceName name;
    std::vector<std::uint8_t> bytes;
    std::filesystem::path file;  // the file the bytes came from; empty for inline data
    int line = 0;                // where the script declares it
};

struct ResourceScript {
    std::filesystem::path path;
    std::map<std::uint16_t, std::string> strings;     // UTF-8
    std::map<ResourceName, DialogTemplate> dialogs;
    std::vector<ResourceEntry> entries;               // in script order, dialogs included

    const ResourceEntry* find(const ResourceName& name, const ResourceName& type) const;
};

// The script of a module file (a host path): the file itself when it is a
// script (.rc), else the script of the same base name beside it (X.so ->
// X.rc, letter case ignored), whether or not the module file exists; empty
// when there is none.
std::filesystem::path resource_script_for(const std::filesystem::path& module_file);

// Reads the script file (a host path) and everything it names.
Result<ResourceScript> parse_resource_script(const std::filesystem::path& file);

// Reads `text` as if it were the file `file`: includes and resource files are
// found in that file's folder, errors name it.
Result<ResourceScript> parse_resource_script_text(std::string_view text, const std::filesystem::path& file);

}  // namespace platform
