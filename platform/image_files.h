// Picture files in and out: BMP, ICO/CUR and PNG decoded into an Image
// (image.h); PNG written from one.
//
// BMP: the file header and a BITMAPCOREHEADER (12 bytes) or BITMAPINFOHEADER
// (40 bytes, or the longer V4/V5 forms); 1, 4, 8, 16, 24 and 32 bits per
// pixel; uncompressed, BI_BITFIELDS, RLE8 and RLE4; bottom-up (positive
// height) and top-down (negative height) rows. A picture of 8 bits or fewer
// keeps its colour table in Image::palette and each pixel's index in
// Image::indices. A 32-bit picture whose fourth bytes are all zero is opaque
// (that byte is unused in such files); otherwise it is its alpha.
//
// ICO/CUR: the entry nearest the requested size is chosen (the least
// difference in width plus height; of equal ones the deepest, then the
// larger); 0 asks for
// the standard 32 x 32. An entry is a PNG or a DIB with its AND mask: a pixel
// whose mask bit is set is transparent (alpha 0), the others opaque, unless a
// 32-bit entry carries alpha of its own.
//
// PNG: read and written through cairo. Colours are straight (not
// premultiplied) 0xAARRGGBB in an Image; a picture whose pixels are all
// opaque is written without alpha.
//
// Differs: a file that Windows might half-show is refused whole: a size or
// offset that points outside the file, a palette index past the table (these
// read as black on Windows), pictures larger than 16384 pixels a side or 64
// million pixels. Every decoder checks each length against the bytes it was
// given and never reads outside them.
//
// Errors: ERROR_BAD_FORMAT with a text saying what is wrong;
// ERROR_FILE_NOT_FOUND and the like for files that cannot be read,
// ERROR_WRITE_FAULT when a PNG cannot be written. Thread-safe.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "platform/image.h"
#include "platform/win_error.h"

namespace platform {

// A .bmp file (starting "BM").
Result<Image> decode_bmp(std::span<const std::uint8_t> file);
// A packed DIB: a bitmap's info header, colour table and pixels without the
// file header, as a bitmap resource holds them.
Result<Image> decode_dib(std::span<const std::uint8_t> dib);
// A .ico or .cur file; `width`/`height` 0 ask for 32 x 32.
Result<Image> decode_ico(std::span<const std::uint8_t> file, int width = 0, int height = 0);
// A .png file.
Result<Image> decode_png(std::span<const std::uint8_t> file);
// Any of the above, told apart by their first bytes.
Result<Image> decode_image(std::span<const std::uint8_t> file, int width = 0, int height = 0);

// Reads and decodes a picture file (a host path).
Result<Image> read_image_file(const std::filesystem::path& file, int width = 0, int height = 0);

// The picture as PNG bytes.
Result<std::vector<std::uint8_t>> encode_png(const Image& image);
// Writes the picture as a PNG file (a host path), replacing it.
Status write_png(const Image& image, const std::filesystem::path& file);

// The whole content of a file.
Result<std::vector<std::uint8_t>> read_file_bytes(const std::filesystem::path& file);

}  // namespace platform
