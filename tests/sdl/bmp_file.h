#pragma once
// Writes small Windows bitmaps for the tests: 8 bits with a colour table, or 24 bits.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

struct BmpColour {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

namespace bmp_detail {

inline void Put16(std::vector<std::uint8_t> &out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void Put32(std::vector<std::uint8_t> &out, std::uint32_t v) {
    Put16(out, v & 0xFFFFU);
    Put16(out, v >> 16);
}

inline void Headers(std::vector<std::uint8_t> &out, int width, int height, int bits,
                    std::uint32_t tableEntries, bool topDown) {
    const std::uint32_t rowBytes = ((static_cast<std::uint32_t>(width) * bits / 8) + 3U) & ~3U;
    const std::uint32_t offset = 14 + 40 + tableEntries * 4;
    out.push_back('B');
    out.push_back('M');
    Put32(out, offset + rowBytes * static_cast<std::uint32_t>(height));
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(topDown ? -height : height));
    Put16(out, 1);
    Put16(out, static_cast<std::uint32_t>(bits));
    Put32(out, 0); // no compression
    Put32(out, rowBytes * static_cast<std::uint32_t>(height));
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, bits <= 8 ? tableEntries : 0);
    Put32(out, 0);
}

inline bool Save(const char *path, const std::vector<std::uint8_t> &bytes) {
    std::FILE *file = std::fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

} // namespace bmp_detail

// An 8-bit bitmap with a full 256-entry colour table; pixel(x, y) gives the index at (x, y),
// y counted from the top.
inline bool WriteBmp8(const char *path, int width, int height, const BmpColour table[256],
                      const std::function<std::uint8_t(int, int)> &pixel, bool topDown = false) {
    std::vector<std::uint8_t> out;
    bmp_detail::Headers(out, width, height, 8, 256, topDown);
    for (int i = 0; i < 256; ++i) {
        out.push_back(table[i].blue);
        out.push_back(table[i].green);
        out.push_back(table[i].red);
        out.push_back(0);
    }
    const int padding = (4 - width % 4) % 4;
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        for (int x = 0; x < width; ++x) {
            out.push_back(pixel(x, y));
        }
        out.insert(out.end(), static_cast<std::size_t>(padding), 0);
    }
    return bmp_detail::Save(path, out);
}

// A 24-bit bitmap (no colour table); pixel(x, y) gives the colour at (x, y) from the top.
inline bool WriteBmp24(const char *path, int width, int height,
                       const std::function<BmpColour(int, int)> &pixel) {
    std::vector<std::uint8_t> out;
    bmp_detail::Headers(out, width, height, 24, 0, false);
    const int padding = (4 - (width * 3) % 4) % 4;
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;
        for (int x = 0; x < width; ++x) {
            const BmpColour c = pixel(x, y);
            out.push_back(c.blue);
            out.push_back(c.green);
            out.push_back(c.red);
        }
        out.insert(out.end(), static_cast<std::size_t>(padding), 0);
    }
    return bmp_detail::Save(path, out);
}
