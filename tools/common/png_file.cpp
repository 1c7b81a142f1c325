#include "tools/common/png_file.h"

#include "tools/common/file_bytes.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// libpng reports through a callback and a long jump; the message waits here for the caller.
char PngError[256];

void OnPngError(png_structp png, png_const_charp message) {
    std::snprintf(PngError, sizeof PngError, "%s", message);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp /*png*/, png_const_charp /*message*/) {}

// Everything between the file's opening and closing; answers false after a libpng error.
bool WriteRows(std::FILE *file, const std::uint8_t *pixels, int pitch, int width, int height,
               const PaletteEntry colours[PALETTE_ENTRIES], int transparentIndex) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        std::snprintf(PngError, sizeof PngError, "out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color palette[PALETTE_ENTRIES];
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        palette[i] = png_color{colours[i].red, colours[i].green, colours[i].blue};
    }
    png_set_PLTE(png, info, palette, PALETTE_ENTRIES);
    if (transparentIndex >= 0 && transparentIndex < PALETTE_ENTRIES) {
        png_byte alpha[PALETTE_ENTRIES];
        std::memset(alpha, 0xFF, sizeof alpha);
        alpha[transparentIndex] = 0;
        png_set_tRNS(png, info, alpha, transparentIndex + 1, nullptr);
    }
    png_write_info(png, info);
    for (int row = 0; row < height; ++row) {
        png_write_row(png, pixels + static_cast<std::ptrdiff_t>(row) * pitch);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

// The transformations that turn any PNG into one byte per index, or into 8-bit RGBA.
void ExpandToBytes(png_structp png, png_infop info, PngPicture &picture) {
    const png_byte colourType = png_get_color_type(png, info);
    picture.indexed = colourType == PNG_COLOR_TYPE_PALETTE;
    if (picture.indexed) {
        png_set_packing(png);
        png_colorp colours = nullptr;
        int count = 0;
        png_get_PLTE(png, info, &colours, &count);
        png_bytep alpha = nullptr;
        int alphaCount = 0;
        png_get_tRNS(png, info, &alpha, &alphaCount, nullptr);
        picture.palette.assign(PALETTE_ENTRIES, {0, 0, 0, 255});
        for (int i = 0; i < count && i < PALETTE_ENTRIES; ++i) {
            picture.palette[i] = {colours[i].red, colours[i].green, colours[i].blue,
                                  static_cast<std::uint8_t>(i < alphaCount ? alpha[i] : 255)};
        }
    } else {
        png_set_expand(png); // low bit depths to 8, a transparent colour to alpha
        png_set_strip_16(png);
        png_set_gray_to_rgb(png);
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
}

// The bytes libpng has not read yet.
struct PngBytes {
    const std::uint8_t *data;
    std::size_t left;
};

void ReadFromBytes(png_structp png, png_bytep out, png_size_t length) {
    auto *bytes = static_cast<PngBytes *>(png_get_io_ptr(png));
    if (length > bytes->left) {
        png_error(png, "cut short: the file ends inside the picture");
    }
    std::memcpy(out, bytes->data, length);
    bytes->data += length;
    bytes->left -= length;
}

// Answers false after a libpng error or a picture of another size.
bool ReadRows(PngBytes bytes, int width, int height, PngPicture &picture,
              std::vector<png_bytep> &rows) {
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        std::snprintf(PngError, sizeof PngError, "out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &bytes, ReadFromBytes);
    // Text, profiles and the other chunks the picture needs none of are skipped unread: libpng
    // would allocate whatever such a chunk's length claims (2 GB from a 239-byte file) before it
    // finds the data missing.
    static constexpr png_byte SKIPPED[] = "iCCP\0iTXt\0tEXt\0zTXt\0sPLT\0eXIf";
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, SKIPPED, sizeof SKIPPED / 5);
    png_read_info(png, info);
    const png_uint_32 fileWidth = png_get_image_width(png, info);
    const png_uint_32 fileHeight = png_get_image_height(png, info);
    if (fileWidth != static_cast<png_uint_32>(width) ||
        fileHeight != static_cast<png_uint_32>(height)) {
        std::snprintf(PngError, sizeof PngError, "the picture is %u x %u pixels, not %d x %d",
                      fileWidth, fileHeight, width, height);
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    ExpandToBytes(png, info, picture);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(rowBytes * static_cast<std::size_t>(height));
    rows.resize(static_cast<std::size_t>(height));
    for (std::size_t y = 0; y < rows.size(); ++y) {
        rows[y] = picture.pixels.data() + y * rowBytes;
    }
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

} // namespace

bool WriteIndexedPng(const char *path, const std::uint8_t *pixels, int pitch, int width, int height,
                     const PaletteEntry colours[PALETTE_ENTRIES], std::string &error,
                     int transparentIndex) {
    errno = 0;
    std::FILE *file = std::fopen(path, "wb");
    if (file == nullptr) {
        error = errno != 0 ? std::strerror(errno) : "cannot be written";
        return false;
    }
    PngError[0] = '\0';
    const bool written = WriteRows(file, pixels, pitch, width, height, colours, transparentIndex);
    errno = 0;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        error = !written ? PngError : std::strerror(errno);
        std::remove(path); // no half-written picture is left behind
        return false;
    }
    return true;
}

bool ReadPngBytes(const std::uint8_t *data, std::size_t size, int width, int height,
                  PngPicture &picture, std::string &error) {
    PngError[0] = '\0';
    std::vector<png_bytep> rows;
    const bool read = ReadRows(PngBytes{data, size}, width, height, picture, rows);
    if (!read) {
        error = PngError;
    }
    return read;
}

bool ReadPng(const char *path, int width, int height, PngPicture &picture, std::string &error) {
    std::vector<std::uint8_t> bytes;
    return ReadWholeFile(path, bytes, error) &&
           ReadPngBytes(bytes.data(), bytes.size(), width, height, picture, error);
}
