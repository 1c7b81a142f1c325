#include "display/default_palette.h"

#include <cstdint>

void BuildDefaultPaletteEntries(PaletteEntry entries[PALETTE_ENTRIES]) {
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        entries[i] = PaletteEntry{static_cast<std::uint8_t>((i >> 5) * 255 / 7),
                                  static_cast<std::uint8_t>(((i >> 2) & 7) * 255 / 7),
                                  static_cast<std::uint8_t>((i & 3) * 255 / 3), 0};
    }
}
