// PNG through cairo's own reader and writer, so the platform needs no image
// library of its own. cairo keeps premultiplied colours; an Image keeps
// straight ones, so both directions convert.
#include <cairo.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <cstring>
#include <string>

#include "platform/image_files.h"

namespace platform {
namespace {

struct ReadState {
    std::span<const std::uint8_t> bytes;
    std::size_t pos = 0;
};

cairo_status_t read_chunk(void* closure, unsigned char* data, unsigned int length) {
    auto* st = static_cast<ReadState*>(closure);
    if (length > st->bytes.size() - st->pos) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, st->bytes.data() + st->pos, length);
    st->pos += length;
    return CAIRO_STATUS_SUCCESS;
}

cairo_status_t write_chunk(void* closure, const unsigned char* data, unsigned int length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

// cairo reads deep PNGs into wider formats; paint those onto ARGB32.
SurfacePtr as_argb32(cairo_surface_t* src) {
    int w = cairo_image_surface_get_width(src), h = cairo_image_surface_get_height(src);
    SurfacePtr out(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
    cairo_t* cr = cairo_create(out.get());
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, src, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_flush(out.get());
    return out;
}

}  // namespace

Result<Image> decode_png(std::span<const std::uint8_t> file) {
    static constexpr std::uint8_t sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < 8 || std::memcmp(file.data(), sig, 8) != 0) return Error{ERROR_BAD_FORMAT, "not a PNG file"};
    ReadState st{file, 0};
    SurfacePtr surface(cairo_image_surface_create_from_png_stream(read_chunk, &st));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
        return Error{ERROR_BAD_FORMAT, std::string("the PNG picture does not decode: ") +
                                           cairo_status_to_string(cairo_surface_status(surface.get()))};
    cairo_format_t format = cairo_image_surface_get_format(surface.get());
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24) {
        surface = as_argb32(surface.get());
        if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
            return Error{ERROR_NOT_ENOUGH_MEMORY, "no memory for the PNG picture"};
        format = CAIRO_FORMAT_ARGB32;
    }
    cairo_surface_flush(surface.get());
    Image img;
    img.width = cairo_image_surface_get_width(surface.get());
    img.height = cairo_image_surface_get_height(surface.get());
    img.bits_per_pixel = format == CAIRO_FORMAT_RGB24 ? 24 : 32;
    const int stride = cairo_image_surface_get_stride(surface.get());
    const unsigned char* data = cairo_image_surface_get_data(surface.get());
    img.pixels.resize(static_cast<std::size_t>(img.width) * static_cast<std::size_t>(img.height));
    for (int y = 0; y < img.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < img.width; ++x) {
            std::uint32_t p = row[x];
            if (format == CAIRO_FORMAT_RGB24) {
                p |= 0xFF000000;
            } else {
                std::uint32_t a = p >> 24;
                if (a == 0) {
                    p = 0;
                } else if (a != 255) {
                    auto un = [a](std::uint32_t c) { return std::min<std::uint32_t>(255, (c * 255 + a / 2) / a); };
                    p = (a << 24) | (un((p >> 16) & 0xFF) << 16) | (un((p >> 8) & 0xFF) << 8) | un(p & 0xFF);
                }
            }
            img.at(x, y) = p;
        }
    }
    return img;
}

Result<std::vector<std::uint8_t>> encode_png(const Image& image) {
    if (image.empty() || image.pixels.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height))
        return Error{ERROR_INVALID_PARAMETER, "a PNG needs a picture with pixels"};
    bool opaque = true;
    for (std::uint32_t p : image.pixels)
        if ((p >> 24) != 0xFF) {
            opaque = false;
            break;
        }
    const cairo_format_t format = opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32;
    const int stride = cairo_format_stride_for_width(format, image.width);
    if (stride <= 0) return Error{ERROR_INVALID_PARAMETER, "the picture is too wide for a PNG"};
    std::vector<unsigned char> buffer(static_cast<std::size_t>(stride) * static_cast<std::size_t>(image.height));
    for (int y = 0; y < image.height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(buffer.data() + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < image.width; ++x) {
            std::uint32_t p = image.at(x, y);
            std::uint32_t a = p >> 24;
            if (!opaque && a != 255) {
                auto pre = [a](std::uint32_t c) { return (c * a + 127) / 255; };
                p = (a << 24) | (pre((p >> 16) & 0xFF) << 16) | (pre((p >> 8) & 0xFF) << 8) | pre(p & 0xFF);
            }
            row[x] = p;
        }
    }
    SurfacePtr surface(cairo_image_surface_create_for_data(buffer.data(), format, image.width, image.height, stride));
    std::vector<std::uint8_t> out;
    cairo_status_t status = cairo_surface_write_to_png_stream(surface.get(), write_chunk, &out);
    if (status != CAIRO_STATUS_SUCCESS)
        return Error{ERROR_WRITE_FAULT, std::string("cannot encode the PNG: ") + cairo_status_to_string(status)};
    return out;
}

Status write_png(const Image& image, const std::filesystem::path& file) {
    auto bytes = encode_png(image);
    if (!bytes) return bytes.error();
    // Written beside and renamed, so a reader never sees half a picture.
    std::filesystem::path tmp = file;
    tmp += ".tmp" + std::to_string(::getpid());
    std::FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) return errno_error("fopen", tmp.string(), errno);
    bool ok = std::fwrite(bytes->data(), 1, bytes->size(), f) == bytes->size();
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) {
        int err = errno;
        std::remove(tmp.c_str());
        return errno_error("write", tmp.string(), err);
    }
    if (std::rename(tmp.c_str(), file.c_str()) != 0) {
        int err = errno;
        std::remove(tmp.c_str());
        return errno_error("rename", file.string(), err);
    }
    return {};
}

}  // namespace platform
