#include "tools/export/png_file.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

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
               const PaletteEntry colours[PALETTE_ENTRIES]) {
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
    png_write_info(png, info);
    for (int row = 0; row < height; ++row) {
        png_write_row(png, pixels + static_cast<std::ptrdiff_t>(row) * pitch);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool WriteIndexedPng(const char *path, const std::uint8_t *pixels, int pitch, int width, int height,
                     const PaletteEntry colours[PALETTE_ENTRIES], std::string &error) {
    errno = 0;
    std::FILE *file = std::fopen(path, "wb");
    if (file == nullptr) {
        error = errno != 0 ? std::strerror(errno) : "cannot be written";
        return false;
    }
    PngError[0] = '\0';
    const bool written = WriteRows(file, pixels, pitch, width, height, colours);
    errno = 0;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        error = !written ? PngError : std::strerror(errno);
        std::remove(path); // no half-written picture is left behind
        return false;
    }
    return true;
}
