#include "display/sdl/palette_match.h"

#include "display/draw.h"

#include <algorithm>
#include <unordered_map>

namespace {

std::uint32_t PackColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return (static_cast<std::uint32_t>(red) << 16) | (static_cast<std::uint32_t>(green) << 8) |
           blue;
}

// An 8-bit picture: one mapping per colour-table entry.
void MapIndexedPicture(SDL_Surface *picture, const SDL_Palette *palette, SDL_Surface *sheet,
                       int width, int height) {
    std::uint8_t map[256];
    const SDL_Palette *own = picture->format->palette;
    for (int i = 0; i < 256; ++i) {
        const SDL_Color c = i < own->ncolors ? own->colors[i] : SDL_Color{0, 0, 0, 255};
        map[i] = NearestPaletteIndex(palette, c.r, c.g, c.b);
    }
    for (int y = 0; y < height; ++y) {
        const auto *in = static_cast<const std::uint8_t *>(picture->pixels) + y * picture->pitch;
        auto *out = static_cast<std::uint8_t *>(sheet->pixels) + y * sheet->pitch;
        for (int x = 0; x < width; ++x) {
            out[x] = map[in[x]];
        }
    }
}

// Any other picture: converted to 32 bits, each distinct colour looked up once.
bool MapTrueColourPicture(SDL_Surface *picture, const SDL_Palette *palette, SDL_Surface *sheet,
                          int width, int height) {
    SDL_Surface *rgb = SDL_ConvertSurfaceFormat(picture, SDL_PIXELFORMAT_RGB888, 0);
    if (rgb == nullptr) {
        return false;
    }
    std::unordered_map<std::uint32_t, std::uint8_t> found;
    for (int i = palette->ncolors - 1; i >= 0; --i) {
        const SDL_Color c = palette->colors[i];
        found[PackColour(c.r, c.g, c.b)] = static_cast<std::uint8_t>(i); // lowest index last
    }
    for (int y = 0; y < height; ++y) {
        const auto *in = reinterpret_cast<const std::uint32_t *>(
            static_cast<const std::uint8_t *>(rgb->pixels) + y * rgb->pitch);
        auto *out = static_cast<std::uint8_t *>(sheet->pixels) + y * sheet->pitch;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t colour = in[x] & 0xFFFFFFU;
            auto it = found.find(colour);
            if (it == found.end()) {
                const std::uint8_t index = NearestPaletteIndex(
                    palette, static_cast<std::uint8_t>(colour >> 16),
                    static_cast<std::uint8_t>(colour >> 8), static_cast<std::uint8_t>(colour));
                it = found.emplace(colour, index).first;
            }
            out[x] = it->second;
        }
    }
    SDL_FreeSurface(rgb);
    return true;
}

} // namespace

std::uint8_t NearestPaletteIndex(const SDL_Palette *palette, std::uint8_t red, std::uint8_t green,
                                 std::uint8_t blue) {
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < palette->ncolors; ++i) {
        const SDL_Color c = palette->colors[i];
        const long dr = c.r - red;
        const long dg = c.g - green;
        const long db = c.b - blue;
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return static_cast<std::uint8_t>(best);
}

bool FillSheetFromPicture(SDL_Surface *picture, const SDL_Palette *palette, SDL_Surface *sheet) {
    SDL_FillRect(sheet, nullptr, TRANSPARENT_INDEX);
    if (picture == nullptr) {
        return false;
    }
    const int width = std::min(picture->w, sheet->w);
    const int height = std::min(picture->h, sheet->h);
    if (picture->format->format == SDL_PIXELFORMAT_INDEX8 && picture->format->palette != nullptr) {
        MapIndexedPicture(picture, palette, sheet, width, height);
        return true;
    }
    return MapTrueColourPicture(picture, palette, sheet, width, height);
}
