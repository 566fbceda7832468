// File mappings backed by the paging file: CreateFileMapping(INVALID_HANDLE_VALUE, ...),
// OpenFileMapping, MapViewOfFile, UnmapViewOfFile.
//
// Mirrors Windows: a new mapping's memory is zero-filled; creating a name that
// exists opens the existing mapping (with its own size) and sets the last error
// to ERROR_ALREADY_EXISTS; every process's views of one named mapping share
// the same memory; the mapping lives while any handle or view holds it, in any
// process, and is gone when the last one goes (a killed holder included).
// A view must lie within the mapping's size; its offset a multiple of 4096.
// Differs: mappings of ordinary files (a file handle instead of the paging
// file) are not offered; nothing in the system uses them.
// Thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/handle_table.h"

namespace platform {

// Empty name: an unnamed mapping. `size` must be non-zero.
Handle create_file_mapping(std::string_view name, std::uint32_t size);
Handle open_file_mapping(std::string_view name);
// The mapping's size in bytes (0 with ERROR_INVALID_HANDLE for a bad handle).
std::uint32_t file_mapping_size(Handle mapping);

// bytes == 0 maps from offset to the end. Null on failure (last error set).
void* map_view_of_file(Handle mapping, std::uint32_t offset, std::size_t bytes);
bool unmap_view_of_file(const void* view);

}  // namespace platform
