#include "display/memory/palette_match.h"

#include <unordered_map>

namespace {

std::uint32_t PackColour(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return (static_cast<std::uint32_t>(red) << 16) | (static_cast<std::uint32_t>(green) << 8) |
           blue;
}

} // namespace

std::uint8_t NearestPaletteIndex(const PaletteEntry palette[PALETTE_ENTRIES], std::uint8_t red,
                                 std::uint8_t green, std::uint8_t blue) {
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        const long dr = palette[i].red - red;
        const long dg = palette[i].green - green;
        const long db = palette[i].blue - blue;
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return static_cast<std::uint8_t>(best);
}

void MapColourTable(const PaletteEntry *table, int count,
                    const PaletteEntry palette[PALETTE_ENTRIES],
                    std::uint8_t map[PALETTE_ENTRIES]) {
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        const PaletteEntry c = i < count ? table[i] : PaletteEntry{0, 0, 0, 0};
        map[i] = NearestPaletteIndex(palette, c.red, c.green, c.blue);
    }
}

void MapColourRows(const std::uint32_t *source, int sourcePitch,
                   const PaletteEntry palette[PALETTE_ENTRIES], std::uint8_t *destination,
                   int destinationPitch, int width, int height) {
    // A sheet has few colours and millions of pixels: each distinct colour is looked up once.
    std::unordered_map<std::uint32_t, std::uint8_t> found;
    for (int i = PALETTE_ENTRIES - 1; i >= 0; --i) {
        found[PackColour(palette[i].red, palette[i].green, palette[i].blue)] =
            static_cast<std::uint8_t>(i); // lowest index last
    }
    for (int y = 0; y < height; ++y) {
        const auto *in = reinterpret_cast<const std::uint32_t *>(
            reinterpret_cast<const std::uint8_t *>(source) + static_cast<long>(y) * sourcePitch);
        std::uint8_t *out = destination + static_cast<long>(y) * destinationPitch;
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
}
