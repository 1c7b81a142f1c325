#include "tools/sheet/sheet_input.h"

#include "display/bitmap_header.h"
#include "display/draw.h"
#include "tools/common/file_bytes.h"
#include "tools/common/png_file.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>

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

// The size a picture must have.
struct PictureSize {
    int width;
    int height;
};

std::string SizeText(std::int64_t width, std::int64_t height, PictureSize wanted) {
    return "the picture is " + std::to_string(width) + " x " + std::to_string(height) +
           " pixels, not " + std::to_string(wanted.width) + " x " + std::to_string(wanted.height);
}

void StartPicture(SheetPicture &picture, PictureSize size) {
    picture.width = size.width;
    picture.height = size.height;
    picture.colours.resize(static_cast<std::size_t>(size.width) * size.height);
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

bool ReadPngPicture(const std::uint8_t *data, std::size_t size, PictureSize wanted,
                    std::uint32_t key, SheetPicture &picture, std::string &error) {
    PngPicture png;
    if (!ReadPngBytes(data, size, wanted.width, wanted.height, png, error)) {
        return false;
    }
    StartPicture(picture, wanted);
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
bool BitmapHeaderFits(const BitmapHeader &header, PictureSize wanted, std::string &error) {
    // Widened first: a height of -2147483648 has no positive int.
    const std::int64_t height = std::abs(std::int64_t{header.height});
    if (header.width != wanted.width || height != wanted.height) {
        error = SizeText(header.width, height, wanted);
        return false;
    }
    return true;
}

bool TakeSurface(SDL_Surface *surface, std::uint32_t key, SheetPicture &picture) {
    const int width = surface->w;
    StartPicture(picture, {width, surface->h});
    const SDL_Palette *palette = surface->format->palette;
    if (palette != nullptr && surface->format->BitsPerPixel == 8) {
        std::vector<std::array<std::uint8_t, 4>> colours;
        for (int i = 0; i < palette->ncolors; ++i) {
            const SDL_Color &c = palette->colors[i];
            colours.push_back({c.r, c.g, c.b, 255}); // a bitmap's colour table has no alpha
        }
        const auto *pixels = static_cast<const std::uint8_t *>(surface->pixels);
        TakeIndexed(picture, key, colours,
                    [&](std::size_t i) { return pixels[i / width * surface->pitch + i % width]; });
        return true;
    }
    SDL_Surface *rgba = SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_RGBA32, 0);
    if (rgba == nullptr) {
        return false;
    }
    const auto *pixels = static_cast<const std::uint8_t *>(rgba->pixels);
    for (std::size_t i = 0; i < picture.colours.size(); ++i) {
        const std::uint8_t *p = pixels + i / width * rgba->pitch + i % width * 4;
        picture.colours[i] = ColourOf({p[0], p[1], p[2], p[3]}, key);
    }
    SDL_FreeSurface(rgba);
    return true;
}

bool ReadBitmapPicture(const std::uint8_t *data, std::size_t size, PictureSize wanted,
                       std::uint32_t key, SheetPicture &picture, const BitmapHeader &header,
                       std::string &error) {
    if (!BitmapHeaderFits(header, wanted, error)) {
        return false;
    }
    if (size > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
        error = "too large for a bitmap the viewer can read";
        return false;
    }
    SDL_Surface *surface = SDL_LoadBMP_RW(SDL_RWFromConstMem(data, static_cast<int>(size)), 1);
    if (surface == nullptr) {
        error = std::string("not a bitmap the viewer can read (") + SDL_GetError() + ")";
        return false;
    }
    const bool fits = surface->w == wanted.width && surface->h == wanted.height;
    const bool taken = fits && TakeSurface(surface, key, picture);
    if (!taken) {
        error = fits ? std::string("cannot be converted (") + SDL_GetError() + ")"
                     : SizeText(surface->w, surface->h, wanted);
    }
    SDL_FreeSurface(surface);
    return taken;
}

} // namespace

bool ReadSheetPictureBytes(const std::uint8_t *data, std::size_t size, int width, int height,
                           std::uint32_t key, SheetPicture &picture, std::string &error) {
    const PictureSize wanted{width, height};
    if (size >= PNG_SIGNATURE_SIZE && std::memcmp(data, PNG_SIGNATURE, PNG_SIGNATURE_SIZE) == 0) {
        return ReadPngPicture(data, size, wanted, key, picture, error);
    }
    // The headers as the viewer reads them: zero past the end of a short file.
    unsigned char start[BITMAP_HEADERS_SIZE] = {};
    std::copy_n(data, std::min(size, sizeof start), start);
    const BitmapHeader header = ReadBitmapHeader(start);
    if (header.signature) {
        if (size < sizeof start) {
            error = "cut short: not even a whole bitmap header";
            return false;
        }
        return ReadBitmapPicture(data, size, wanted, key, picture, header, error);
    }
    error = "neither a PNG nor a bitmap";
    return false;
}

bool ReadSheetPicture(const char *path, std::uint32_t key, SheetPicture &picture,
                      std::string &error) {
    // Four times the largest picture of the sheet's size (RGBA at 16 bits a sample): reading
    // stops there, rather than take in whatever a mistaken path names whole.
    constexpr std::size_t MOST_BYTES = std::size_t{4} * TILE_SHEET_WIDTH * TILE_SHEET_HEIGHT * 8;
    std::vector<std::uint8_t> bytes;
    return ReadWholeFile(path, bytes, error, MOST_BYTES) &&
           ReadSheetPictureBytes(bytes.data(), bytes.size(), TILE_SHEET_WIDTH, TILE_SHEET_HEIGHT,
                                 key, picture, error);
}
