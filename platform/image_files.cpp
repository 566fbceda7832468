// BMP and ICO decoding. Both are little-endian records followed by pixel rows;
// every read goes through Bytes, which checks the offset against the span, so
// a damaged file gives an error and never a read outside it.
#include "platform/image_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>

namespace platform {
namespace {

constexpr int kMaxSide = 16384;
constexpr std::int64_t kMaxPixels = 64ll * 1024 * 1024;

constexpr std::uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6;

Error bad(const std::string& why) { return Error{ERROR_BAD_FORMAT, why}; }

class Bytes {
public:
    explicit Bytes(std::span<const std::uint8_t> b) : b_(b) {}
    std::size_t size() const { return b_.size(); }
    bool has(std::size_t off, std::size_t n) const { return off <= b_.size() && n <= b_.size() - off; }
    std::uint8_t u8(std::size_t off) const { return b_[off]; }
    std::uint16_t u16(std::size_t off) const { return static_cast<std::uint16_t>(b_[off] | (b_[off + 1] << 8)); }
    std::uint32_t u32(std::size_t off) const {
        return static_cast<std::uint32_t>(b_[off]) | (static_cast<std::uint32_t>(b_[off + 1]) << 8) |
               (static_cast<std::uint32_t>(b_[off + 2]) << 16) | (static_cast<std::uint32_t>(b_[off + 3]) << 24);
    }
    std::span<const std::uint8_t> span() const { return b_; }

private:
    std::span<const std::uint8_t> b_;
};

struct DibHeader {
    std::size_t size = 0;  // header bytes
    int width = 0;
    int height = 0;        // rows of the colour picture
    bool top_down = false;
    int bpp = 0;
    std::uint32_t compression = BI_RGB;
    std::uint32_t colours_used = 0;
    bool core = false;     // BITMAPCOREHEADER: 3-byte palette entries
    std::uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
};

Result<DibHeader> read_header(const Bytes& b, std::size_t at, bool icon) {
    if (!b.has(at, 4)) return bad("the bitmap header is cut short");
    DibHeader h;
    h.size = b.u32(at);
    std::int64_t height = 0;
    if (h.size == 12) {
        if (!b.has(at, 12)) return bad("the bitmap header is cut short");
        h.core = true;
        h.width = b.u16(at + 4);
        height = b.u16(at + 6);
        h.bpp = b.u16(at + 10);
    } else if (h.size >= 40 && h.size <= 1024) {
        if (!b.has(at, h.size)) return bad("the bitmap header is cut short");
        h.width = static_cast<std::int32_t>(b.u32(at + 4));
        height = static_cast<std::int32_t>(b.u32(at + 8));
        h.bpp = b.u16(at + 14);
        h.compression = b.u32(at + 16);
        h.colours_used = b.u32(at + 32);
        if (h.compression == BI_BITFIELDS || h.compression == BI_ALPHABITFIELDS) {
            std::size_t masks_at = h.size >= 52 ? at + 40 : at + h.size;
            int count = (h.compression == BI_ALPHABITFIELDS || h.size >= 56) ? 4 : 3;
            if (!b.has(masks_at, 4u * static_cast<std::size_t>(count))) return bad("the bitmap's colour masks are cut short");
            for (int i = 0; i < count; ++i) h.masks[i] = b.u32(masks_at + 4u * static_cast<std::size_t>(i));
        } else if (h.size >= 56 && h.bpp == 32) {
            h.masks[3] = b.u32(at + 52);  // a V3+ header may name an alpha mask for plain pixels
        }
    } else {
        return bad("unknown bitmap header size " + std::to_string(h.size));
    }
    if (height < 0) {
        h.top_down = true;
        height = -height;
    }
    if (icon) height /= 2;  // colour rows, then as many mask rows
    if (h.width <= 0 || height <= 0) return bad("a bitmap of " + std::to_string(h.width) + " x " + std::to_string(height) + " pixels");
    if (h.width > kMaxSide || height > kMaxSide || static_cast<std::int64_t>(h.width) * height > kMaxPixels)
        return bad("a bitmap of " + std::to_string(h.width) + " x " + std::to_string(height) + " pixels is too large");
    h.height = static_cast<int>(height);
    switch (h.bpp) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return bad("bitmaps of " + std::to_string(h.bpp) + " bits per pixel are not supported");
    }
    bool ok = h.compression == BI_RGB || (h.compression == BI_RLE8 && h.bpp == 8) ||
              (h.compression == BI_RLE4 && h.bpp == 4) ||
              ((h.compression == BI_BITFIELDS || h.compression == BI_ALPHABITFIELDS) && (h.bpp == 16 || h.bpp == 32));
    if (!ok) return bad("bitmap compression " + std::to_string(h.compression) + " with " + std::to_string(h.bpp) +
                        " bits per pixel is not supported");
    if ((h.compression == BI_RLE8 || h.compression == BI_RLE4) && (h.top_down || icon))
        return bad("a compressed bitmap must be stored bottom-up");
    return h;
}

// Pixel value through a mask, scaled to 8 bits.
std::uint32_t channel(std::uint32_t pixel, std::uint32_t mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1u) == 0) ++shift;
    std::uint32_t max = mask >> shift;
    std::uint32_t v = (pixel & mask) >> shift;
    return static_cast<std::uint32_t>((static_cast<std::uint64_t>(v) * 255 + max / 2) / max);
}

// Decodes RLE8/RLE4 data into indices (bottom-up rows); pixels the data skips
// stay at index 0.
Status decode_rle(const Bytes& b, std::size_t at, const DibHeader& h, std::vector<std::uint8_t>& idx) {
    const bool four = h.compression == BI_RLE4;
    int x = 0, y = 0;  // y counts from the bottom row
    auto put = [&](std::uint8_t v) {
        if (x < h.width && y < h.height) idx[static_cast<std::size_t>(h.height - 1 - y) * h.width + x] = v;
        ++x;
    };
    std::size_t pos = at;
    while (b.has(pos, 2)) {
        std::uint8_t n = b.u8(pos), c = b.u8(pos + 1);
        pos += 2;
        if (n > 0) {
            for (int i = 0; i < n; ++i) put(four ? static_cast<std::uint8_t>(i % 2 == 0 ? c >> 4 : c & 0xF) : c);
        } else if (c == 0) {
            x = 0;
            ++y;
        } else if (c == 1) {
            return {};
        } else if (c == 2) {
            if (!b.has(pos, 2)) return bad("a bitmap's compressed data is cut short");
            x += b.u8(pos);
            y += b.u8(pos + 1);
            pos += 2;
        } else {
            std::size_t bytes = four ? (c + 1u) / 2 : c;
            if (!b.has(pos, bytes)) return bad("a bitmap's compressed data is cut short");
            for (int i = 0; i < c; ++i) {
                std::uint8_t byte = b.u8(pos + (four ? static_cast<std::size_t>(i / 2) : static_cast<std::size_t>(i)));
                put(four ? static_cast<std::uint8_t>(i % 2 == 0 ? byte >> 4 : byte & 0xF) : byte);
            }
            pos += (bytes + 1) & ~std::size_t{1};  // runs are padded to 16 bits
        }
        if (y > h.height) break;
    }
    return {};  // data that ends without its end mark keeps what it drew
}

// The colour picture (and for an icon its AND mask) of a DIB whose header is
// at `at`; `pixels_at` is where its rows start when a file header says so.
Result<Image> decode_dib_at(const Bytes& b, std::size_t at, std::optional<std::size_t> pixels_at, bool icon) {
    auto hr = read_header(b, at, icon);
    if (!hr) return hr.error();
    const DibHeader& h = *hr;

    std::size_t palette_at = at + h.size;
    if (h.size == 40 && (h.compression == BI_BITFIELDS || h.compression == BI_ALPHABITFIELDS))
        palette_at += h.compression == BI_ALPHABITFIELDS ? 16 : 12;
    std::size_t entries = h.colours_used;
    if (h.bpp <= 8) {
        std::size_t full = std::size_t{1} << h.bpp;
        if (entries == 0) entries = full;
        if (entries > full)
            return bad("a colour table of " + std::to_string(entries) + " entries for " + std::to_string(h.bpp) +
                       " bits per pixel");
    } else if (entries > 65536) {
        return bad("a colour table of " + std::to_string(entries) + " entries");
    }
    const std::size_t entry_size = h.core ? 3 : 4;
    if (!b.has(palette_at, entries * entry_size)) return bad("the bitmap's colour table is cut short");

    Image img;
    img.width = h.width;
    img.height = h.height;
    img.bits_per_pixel = h.bpp;
    const std::size_t count = static_cast<std::size_t>(h.width) * static_cast<std::size_t>(h.height);
    img.pixels.assign(count, 0xFF000000);
    if (h.bpp <= 8) {
        for (std::size_t i = 0; i < entries; ++i) {
            std::size_t e = palette_at + i * entry_size;
            img.palette.push_back((static_cast<std::uint32_t>(b.u8(e + 2)) << 16) |
                                  (static_cast<std::uint32_t>(b.u8(e + 1)) << 8) | b.u8(e));
        }
        img.indices.assign(count, 0);
    }

    const std::size_t rows_at = pixels_at ? *pixels_at : palette_at + entries * entry_size;
    const std::size_t stride = ((static_cast<std::size_t>(h.width) * static_cast<std::size_t>(h.bpp) + 31) / 32) * 4;
    auto image_row = [&](int file_row) { return h.top_down ? file_row : h.height - 1 - file_row; };

    if (h.compression == BI_RLE8 || h.compression == BI_RLE4) {
        if (rows_at > b.size()) return bad("the bitmap's pixels start past the end of the file");
        if (Status s = decode_rle(b, rows_at, h, img.indices); !s) return s.error();
    } else {
        if (!b.has(rows_at, stride * static_cast<std::size_t>(h.height))) return bad("the bitmap's pixels are cut short");
        bool any_alpha = false;
        std::uint32_t masks[4] = {h.masks[0], h.masks[1], h.masks[2], h.masks[3]};
        if (h.compression == BI_RGB && h.bpp == 16) {
            masks[0] = 0x7C00;
            masks[1] = 0x03E0;
            masks[2] = 0x001F;
        }
        for (int r = 0; r < h.height; ++r) {
            const std::size_t row = rows_at + stride * static_cast<std::size_t>(r);
            const std::size_t out = static_cast<std::size_t>(image_row(r)) * static_cast<std::size_t>(h.width);
            for (int x = 0; x < h.width; ++x) {
                const auto ux = static_cast<std::size_t>(x);
                std::uint32_t& px = img.pixels[out + ux];
                switch (h.bpp) {
                case 1: img.indices[out + ux] = (b.u8(row + ux / 8) >> (7 - ux % 8)) & 1; break;
                case 4: img.indices[out + ux] = (b.u8(row + ux / 2) >> (ux % 2 == 0 ? 4 : 0)) & 0xF; break;
                case 8: img.indices[out + ux] = b.u8(row + ux); break;
                case 16: {
                    std::uint32_t v = b.u16(row + 2 * ux);
                    px = 0xFF000000 | (channel(v, masks[0]) << 16) | (channel(v, masks[1]) << 8) | channel(v, masks[2]);
                    break;
                }
                case 24:
                    px = 0xFF000000 | (static_cast<std::uint32_t>(b.u8(row + 3 * ux + 2)) << 16) |
                         (static_cast<std::uint32_t>(b.u8(row + 3 * ux + 1)) << 8) | b.u8(row + 3 * ux);
                    break;
                case 32: {
                    std::uint32_t v = b.u32(row + 4 * ux);
                    std::uint32_t a;
                    if (h.compression == BI_RGB) {
                        a = v >> 24;
                        px = v & 0x00FFFFFF;
                    } else {
                        a = masks[3] ? channel(v, masks[3]) : 0;
                        px = (channel(v, masks[0]) << 16) | (channel(v, masks[1]) << 8) | channel(v, masks[2]);
                    }
                    if (a != 0) any_alpha = true;
                    px |= a << 24;
                    break;
                }
                }
            }
        }
        if (h.bpp == 32 && !any_alpha)
            for (auto& px : img.pixels) px |= 0xFF000000;  // the fourth byte was unused: opaque
        img.bits_per_pixel = h.bpp;
        if (icon) {
            const std::size_t mask_at = rows_at + stride * static_cast<std::size_t>(h.height);
            const std::size_t mask_stride = ((static_cast<std::size_t>(h.width) + 31) / 32) * 4;
            if (b.has(mask_at, mask_stride * static_cast<std::size_t>(h.height))) {
                if (!any_alpha) {
                    for (int r = 0; r < h.height; ++r) {
                        const std::size_t row = mask_at + mask_stride * static_cast<std::size_t>(r);
                        const std::size_t out = static_cast<std::size_t>(image_row(r)) * static_cast<std::size_t>(h.width);
                        for (int x = 0; x < h.width; ++x) {
                            const auto ux = static_cast<std::size_t>(x);
                            if ((b.u8(row + ux / 8) >> (7 - ux % 8)) & 1) img.pixels[out + ux] &= 0x00FFFFFF;
                        }
                    }
                }
            } else if (!any_alpha) {
                return bad("the icon's mask is cut short");
            }
        }
    }
    if (h.bpp <= 8) {
        for (std::size_t i = 0; i < count; ++i) {
            if (img.indices[i] >= img.palette.size())
                return bad("colour index " + std::to_string(img.indices[i]) + " past the " +
                           std::to_string(img.palette.size()) + " colours of the table");
            img.pixels[i] = (img.pixels[i] & 0xFF000000) | img.palette[img.indices[i]];
        }
    }
    return img;
}

bool is_png(std::span<const std::uint8_t> b) {
    static constexpr std::uint8_t sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return b.size() >= 8 && std::equal(sig, sig + 8, b.begin());
}

bool is_ico(std::span<const std::uint8_t> b) {
    return b.size() >= 6 && b[0] == 0 && b[1] == 0 && (b[2] == 1 || b[2] == 2) && b[3] == 0;
}

}  // namespace

Result<Image> decode_bmp(std::span<const std::uint8_t> file) {
    Bytes b(file);
    if (!b.has(0, 14) || file[0] != 'B' || file[1] != 'M') return bad("not a bitmap file (no BM header)");
    std::uint32_t off = b.u32(10);
    if (off > file.size()) return bad("the bitmap's pixels start past the end of the file");
    return decode_dib_at(b, 14, off, false);
}

Result<Image> decode_dib(std::span<const std::uint8_t> dib) { return decode_dib_at(Bytes(dib), 0, std::nullopt, false); }

Result<Image> decode_ico(std::span<const std::uint8_t> file, int width, int height) {
    Bytes b(file);
    if (!is_ico(file)) return bad("not an icon or cursor file");
    const std::size_t count = b.u16(4);
    if (count == 0) return bad("an icon file without pictures");
    if (!b.has(6, 16 * count)) return bad("the icon file's directory is cut short");
    const int want_w = width > 0 ? width : 32;
    const int want_h = height > 0 ? height : 32;
    std::size_t best = 0;
    long best_score = -1;
    int best_depth = -1;
    int best_w = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t e = 6 + 16 * i;
        int w = b.u8(e) == 0 ? 256 : b.u8(e);
        int h = b.u8(e + 1) == 0 ? 256 : b.u8(e + 1);
        int depth = file[2] == 1 ? b.u16(e + 6) : 0;  // a cursor keeps its hot spot there
        if (depth == 0 && b.u8(e + 2) != 0) depth = b.u8(e + 2) <= 2 ? 1 : b.u8(e + 2) <= 16 ? 4 : 8;
        long score = std::labs(static_cast<long>(w - want_w)) + std::labs(static_cast<long>(h - want_h));
        // Of two equally near, the deeper, then the larger (shrinking looks better).
        bool better = best_score < 0 || score < best_score ||
                      (score == best_score && (depth > best_depth || (depth == best_depth && w > best_w)));
        if (better) {
            best = i;
            best_score = score;
            best_depth = depth;
            best_w = w;
        }
    }
    const std::size_t e = 6 + 16 * best;
    const std::size_t size = b.u32(e + 8), offset = b.u32(e + 12);
    if (!b.has(offset, size) || size == 0) return bad("an icon picture lies outside the file");
    auto data = file.subspan(offset, size);
    if (is_png(data)) return decode_png(data);
    return decode_dib_at(Bytes(data), 0, std::nullopt, true);
}

Result<Image> decode_image(std::span<const std::uint8_t> file, int width, int height) {
    if (file.size() >= 2 && file[0] == 'B' && file[1] == 'M') return decode_bmp(file);
    if (is_png(file)) return decode_png(file);
    if (is_ico(file)) return decode_ico(file, width, height);
    return bad("not a BMP, PNG or ICO picture");
}

Result<Image> read_image_file(const std::filesystem::path& file, int width, int height) {
    auto bytes = read_file_bytes(file);
    if (!bytes) return bytes.error();
    auto image = decode_image(*bytes, width, height);
    if (!image) return Error{image.error().code, file.string() + ": " + image.error().text};
    return image;
}

Result<std::vector<std::uint8_t>> read_file_bytes(const std::filesystem::path& file) {
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno_error("open", file.string(), errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(fd);
        return errno_error("read", file.string(), err);
    }
    std::vector<std::uint8_t> out(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < out.size()) {
        ssize_t n = ::read(fd, out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int err = errno;
            ::close(fd);
            return errno_error("read", file.string(), err);
        }
        if (n == 0) break;  // the file shrank meanwhile
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    out.resize(done);
    return out;
}

}  // namespace platform
