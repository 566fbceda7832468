// Resources of a module: FindResource, LoadResource, LockResource,
// SizeofResource, LoadString, and what the windowing layer reads by id
// (dialog templates, pictures, sounds, data blocks).
//
// A module's resources are its resource script (resource_script.h): the
// script of a resource-only library ("KVRES.DLL" loads KVRES.rc, library.h),
// the script beside a library (Vigilo.so + Vigilo.rc), or for the executable
// (module 0, or get_module_handle()) the script beside it with its base name
// ("twui-sample" + "twui-sample.rc"), read when first asked for.
//
// Mirrors Windows:
//   - resources are found by type and name, each a number or a name
//     (ResourceName; names ignore letter case, "#12" is the number 12);
//   - the bytes belong to the module: load_resource/lock_resource give a
//     pointer that stays valid until the module is freed; nothing is freed by
//     the caller;
//   - load_string: LoadStringA's rules — copies at most size - 1 bytes and a
//     terminating zero, returns the bytes copied (0 for a missing or empty
//     string, with an empty buffer when size > 0); a string is cut at a whole
//     UTF-8 character, never inside one;
//   - RT_BITMAP bytes are the bitmap without its file header (a packed DIB),
//     RT_RCDATA and one's own types the bytes the script gives, "WAVE" the
//     sound file, RT_VERSION the version block (file_version.h).
//
// Differs:
//   - an icon or cursor is one resource of type RT_GROUP_ICON / RT_GROUP_CURSOR
//     holding the whole .ico/.cur file; there are no separate RT_ICON entries
//     (load_image_resource picks the picture of the size asked for);
//   - strings and dialogs are not byte blocks: find_resource of RT_DIALOG finds
//     a dialog with no bytes (use find_dialog_template), RT_STRING finds
//     nothing (use load_string);
//   - languages are not kept: a script holds one language.
//
// Errors (set as the last error): ERROR_INVALID_HANDLE (not a module),
// ERROR_RESOURCE_DATA_NOT_FOUND (a module without resources),
// ERROR_RESOURCE_TYPE_NOT_FOUND, ERROR_RESOURCE_NAME_NOT_FOUND; a picture that
// does not decode gives ERROR_BAD_FORMAT. Thread-safe.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/dialog_template.h"
#include "platform/handle_table.h"
#include "platform/image.h"
#include "platform/resource_name.h"
#include "platform/resource_script.h"
#include "platform/win_error.h"

namespace platform {

// A found resource (HRSRC): null when not found.
using HRSRC = const ResourceEntry*;
// A loaded resource (HGLOBAL): the address of its bytes.
using HGLOBAL = const void*;

// FindResource: the resource of `type` named `name` in `module` (0: the executable).
HRSRC find_resource(Handle module, const ResourceName& name, const ResourceName& type);
// LoadResource: its bytes' address (null for a null resource).
HGLOBAL load_resource(Handle module, HRSRC resource);
// LockResource: the same address.
const void* lock_resource(HGLOBAL loaded);
// SizeofResource: its size in bytes (0 for a null resource).
std::uint32_t sizeof_resource(Handle module, HRSRC resource);

// The bytes of a resource, for callers that want them in one step (RCDATA
// tables, WAVE sounds); valid while the module is loaded.
Result<std::span<const std::uint8_t>> resource_bytes(Handle module, const ResourceName& name, const ResourceName& type);

// LoadStringA into `buffer` of `size` bytes (see above).
int load_string(Handle module, std::uint32_t id, char* buffer, int size);
// The whole string; ERROR_RESOURCE_NAME_NOT_FOUND when the module has none
// with that id.
Result<std::string> load_string(Handle module, std::uint32_t id);

// The dialog template `name` of the module (valid while the module is loaded), or null.
const DialogTemplate* find_dialog_template(Handle module, const ResourceName& name);

// LoadImage's kinds.
inline constexpr std::uint32_t IMAGE_BITMAP = 0;
inline constexpr std::uint32_t IMAGE_ICON = 1;
inline constexpr std::uint32_t IMAGE_CURSOR = 2;

// The picture of a BITMAP, ICON or CURSOR resource. For icons and cursors
// `width` and `height` choose among the file's sizes (0: 32 x 32); bitmaps
// ignore them (the drawing layer stretches).
Result<Image> load_image_resource(Handle module, const ResourceName& name, std::uint32_t kind, int width = 0,
                                  int height = 0);

}  // namespace platform
