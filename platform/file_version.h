// Version information of a module file: GetFileVersionInfoSize,
// GetFileVersionInfo, VerQueryValue.
//
// A module's version information is the VERSIONINFO resource of its resource
// script (resource_script.h): the script of a resource-only library, or the
// script beside a shared object (X.so + X.rc), found with letter case ignored.
//
// Mirrors Windows: the block is the Windows version block in its 8-bit
// layout (the one 16-bit modules and Windows 95 give to ANSI callers): each
// node is WORD wLength (the node with its children), WORD wValueLength, the
// key as a zero-terminated string, zero bytes to the next 4-byte boundary,
// the value, zero bytes to the next 4-byte boundary, the children. The root
// node "VS_VERSION_INFO" holds a VS_FIXEDFILEINFO; below it "StringFileInfo"
// holds one block per language and code page ("040904B0") of text values, and
// "VarFileInfo" holds "Translation" (pairs of 16-bit language and code page).
// ver_query_value() answers "\\" with the VS_FIXEDFILEINFO, a path such as
// "\\StringFileInfo\\040904B0\\ProductVersion" with the text (its length
// counting the terminating zero) and "\\VarFileInfo\\Translation" with its
// bytes; keys compare without regard to letter case.
//
// Differs: text values are UTF-8 (the scripts' text); the block is the same
// for every caller (there is no 16-bit UTF-16 layout); get_file_version_info
// refuses a buffer smaller than the block (ERROR_INSUFFICIENT_BUFFER) instead
// of copying part of it, so that no query ever reads past what was copied.
//
// Errors (last error set): ERROR_FILE_NOT_FOUND (no such module file and no
// script for it), ERROR_RESOURCE_TYPE_NOT_FOUND (a module without version
// information), ERROR_BAD_EXE_FORMAT (a script that does not read; the text
// says where), ERROR_INSUFFICIENT_BUFFER. Thread-safe; reads the script.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct VS_FIXEDFILEINFO {
    std::uint32_t dwSignature = 0xFEEF04BD;
    std::uint32_t dwStrucVersion = 0x00010000;
    std::uint32_t dwFileVersionMS = 0;
    std::uint32_t dwFileVersionLS = 0;
    std::uint32_t dwProductVersionMS = 0;
    std::uint32_t dwProductVersionLS = 0;
    std::uint32_t dwFileFlagsMask = 0;
    std::uint32_t dwFileFlags = 0;
    std::uint32_t dwFileOS = 0;
    std::uint32_t dwFileType = 0;
    std::uint32_t dwFileSubtype = 0;
    std::uint32_t dwFileDateMS = 0;
    std::uint32_t dwFileDateLS = 0;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);

// One node of a version block below the root: a BLOCK (children, no value) or
// a VALUE (text, or bytes of 16- and 32-bit numbers).
struct VersionNode {
    std::string key;
    bool is_text = false;
    std::string text;                 // is_text
    std::vector<std::uint8_t> bytes;  // !is_text
    std::vector<VersionNode> children;
};

// The block for a fixed part and the nodes below the root. Fails (empty
// result) only when the block would exceed 65535 bytes, a node's limit.
std::vector<std::uint8_t> encode_version_block(const VS_FIXEDFILEINFO& fixed, const std::vector<VersionNode>& nodes);

// GetFileVersionInfoSize: the block's size in bytes, or 0. `file` is a
// Windows or host path of a module (X.DLL, X.so or X.rc). `handle` is set to 0.
std::uint32_t get_file_version_info_size(std::string_view file, std::uint32_t* handle = nullptr);

// GetFileVersionInfo: copies the block into `data` (`size` bytes there).
bool get_file_version_info(std::string_view file, std::uint32_t handle, std::uint32_t size, void* data);

// VerQueryValue on a block from get_file_version_info: points `buffer` at the
// value inside the block and sets `length` (bytes; for text the characters
// with the terminating zero). False when the path names nothing.
bool ver_query_value(const void* block, std::string_view sub_block, const void** buffer, std::uint32_t* length);

}  // namespace platform
