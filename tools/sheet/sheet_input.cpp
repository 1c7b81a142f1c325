#include "tools/sheet/sheet_input.h"

#include "display/bitmap_header.h"
#include "display/draw.h"
#include "tools/common/png_file.h"

#include <SDL.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {

constexpr int PNG_SIGNATURE_SIZE = 8;
constexpr unsigned char PNG_SIGNATURE[PNG_SIGNATURE_SIZE] = {0x89, 'P',  'N',  'G',
                                                             '\r', '\n', 0x1A, '\n'};
constexpr std::uint8_t FULLY_TRANSPARENT = 0;

std::uint32_t Rgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<std::uint32_t>(red) << 16 | static_cast<std::uint32_t>(green) << 8 | blue;
}

std::uint32_t ColourOf(const std::array<std::uint8_t, 4> &rgba, std::uint32_t key) {
    return rgba[3] == FULLY_TRANSPARENT ? key : Rgb(rgba[0], rgba[1], rgba[2]);
}

std::string SizeText(int width, int height) {
    return "the picture is " + std::to_string(width) + " x " + std::to_string(height) +
           " pixels, not " + std::to_string(TILE_SHEET_WIDTH) + " x " +
           std::to_string(TILE_SHEET_HEIGHT);
}

void StartPicture(SheetPicture &picture) {
    picture.width = TILE_SHEET_WIDTH;
    picture.height = TILE_SHEET_HEIGHT;
    picture.colours.resize(static_cast<std::size_t>(TILE_SHEET_WIDTH) * TILE_SHEET_HEIGHT);
    picture.sourceIndices.clear();
    picture.sourcePalette.clear();
}

// The palette's colours, the indices kept beside them.
void TakeIndexed(SheetPicture &picture, std::uint32_t key,
                 const std::vector<std::array<std::uint8_t, 4>> &palette,
                 const std::function<std::uint8_t(std::size_t)> &indexAt) {
    for (const auto &rgba : palette) {
        picture.sourcePalette.push_back(ColourOf(rgba, key));
    }
    picture.sourcePalette.resize(PALETTE_ENTRIES, RGB_BLACK);
    picture.sourceIndices.resize(picture.colours.size());
    for (std::size_t i = 0; i < picture.colours.size(); ++i) {
        picture.sourceIndices[i] = indexAt(i);
        picture.colours[i] = picture.sourcePalette[picture.sourceIndices[i]];
    }
}

bool ReadPngPicture(const char *path, std::uint32_t key, SheetPicture &picture,
                    std::string &error) {
    PngPicture png;
    if (!ReadPng(path, TILE_SHEET_WIDTH, TILE_SHEET_HEIGHT, png, error)) {
        return false;
    }
    StartPicture(picture);
    if (png.indexed) {
        TakeIndexed(picture, key, png.palette, [&](std::size_t i) { return png.pixels[i]; });
        return true;
    }
    for (std::size_t i = 0; i < picture.colours.size(); ++i) {
        const std::uint8_t *p = &png.pixels[4 * i];
        picture.colours[i] = ColourOf({p[0], p[1], p[2], p[3]}, key);
    }
    return true;
}

// Refuses a bitmap of another size from its header, before the loader allocates the picture.
bool BitmapHeaderFits(const unsigned char bytes[BITMAP_HEADERS_SIZE], std::string &error) {
    const BitmapHeader header = ReadBitmapHeader(bytes);
    const int height = header.height < 0 ? -header.height : header.height;
    if (header.width != TILE_SHEET_WIDTH || height != TILE_SHEET_HEIGHT) {
        error = SizeText(header.width, height);
        return false;
    }
    return true;
}

bool TakeSurface(SDL_Surface *surface, std::uint32_t key, SheetPicture &picture) {
    StartPicture(picture);
    const SDL_Palette *palette = surface->format->palette;
    if (palette != nullptr && surface->format->BitsPerPixel == 8) {
        std::vector<std::array<std::uint8_t, 4>> colours;
        for (int i = 0; i < palette->ncolors; ++i) {
            const SDL_Color &c = palette->colors[i];
            colours.push_back({c.r, c.g, c.b, 255}); // a bitmap's colour table has no alpha
        }
        const auto *pixels = static_cast<const std::uint8_t *>(surface->pixels);
        TakeIndexed(picture, key, colours, [&](std::size_t i) {
            return pixels[i / TILE_SHEET_WIDTH * surface->pitch + i % TILE_SHEET_WIDTH];
        });
        return true;
    }
    SDL_Surface *rgba = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_RGBA32, 0);
    if (rgba == nullptr) {
        return false;
    }
    const auto *pixels = static_cast<const std::uint8_t *>(rgba->pixels);
    for (std::size_t i = 0; i < picture.colours.size(); ++i) {
        const std::uint8_t *p =
            pixels + i / TILE_SHEET_WIDTH * rgba->pitch + i % TILE_SHEET_WIDTH * 4;
        picture.colours[i] = ColourOf({p[0], p[1], p[2], p[3]}, key);
    }
    SDL_FreeSurface(rgba);
    return true;
}

bool ReadBitmapPicture(const char *path, std::uint32_t key, SheetPicture &picture,
                       const unsigned char header[BITMAP_HEADERS_SIZE], std::string &error) {
    if (!BitmapHeaderFits(header, error)) {
        return false;
    }
    SDL_Surface *surface = SDL_LoadBMP(path);
    if (surface == nullptr) {
        error = std::string("not a bitmap the viewer can read (") + SDL_GetError() + ")";
        return false;
    }
    const bool taken = surface->w == TILE_SHEET_WIDTH && surface->h == TILE_SHEET_HEIGHT &&
                       TakeSurface(surface, key, picture);
    if (!taken) {
        error = surface->w == TILE_SHEET_WIDTH && surface->h == TILE_SHEET_HEIGHT
                    ? std::string("cannot be converted (") + SDL_GetError() + ")"
                    : SizeText(surface->w, surface->h);
    }
    SDL_FreeSurface(surface);
    return taken;
}

} // namespace

bool ReadSheetPicture(const char *path, std::uint32_t key, SheetPicture &picture,
                      std::string &error) {
    unsigned char start[BITMAP_HEADERS_SIZE] = {};
    errno = 0;
    std::FILE *file = std::fopen(path, "rb");
    if (file == nullptr) {
        error = errno != 0 ? std::strerror(errno) : "cannot be opened";
        return false;
    }
    const std::size_t length = std::fread(start, 1, sizeof start, file);
    std::fclose(file);
    if (length >= PNG_SIGNATURE_SIZE &&
        std::memcmp(start, PNG_SIGNATURE, PNG_SIGNATURE_SIZE) == 0) {
        return ReadPngPicture(path, key, picture, error);
    }
    if (ReadBitmapHeader(start).signature) {
        if (length < sizeof start) {
            error = "cut short: not even a whole bitmap header";
            return false;
        }
        return ReadBitmapPicture(path, key, picture, start, error);
    }
    error = "neither a PNG nor a bitmap";
    return false;
}
