// tiled_render_compare RENDER.png RENDER_SIZE POSTER.png WIDTH HEIGHT TOP: Tiled's picture of a
// map (RENDER_SIZE pixels square, RGBA) against the viewer's poster of the same segment (WIDTH x
// HEIGHT, indexed), whose map starts TOP rows down (the poster's margin for the tiles of the top
// row; its left margin is taken to be 0). Where Tiled draws nothing the poster must show the
// clear colour. Prints how many pixels Tiled drew and how many differ, and the first
// few that do; exit code 0 only when none differs.

#include "tools/common/png_file.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int CLEAR_INDEX = 170;
constexpr int SHOWN_DIFFERENCES = 5;

} // namespace

int main(int argc, char **argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: %s RENDER.png SIZE POSTER.png WIDTH HEIGHT TOP\n", argv[0]);
        return 2;
    }
    const int size = std::atoi(argv[2]);
    const int width = std::atoi(argv[4]);
    const int height = std::atoi(argv[5]);
    const int top = std::atoi(argv[6]);
    PngPicture render;
    PngPicture poster;
    std::string error;
    if (!ReadPng(argv[1], size, size, render, error) ||
        !ReadPng(argv[3], width, height, poster, error) || render.indexed || !poster.indexed) {
        std::fprintf(stderr, "cannot compare: %s\n", error.c_str());
        return 2;
    }
    long drawn = 0;
    long differ = 0;
    // Tiled's picture laid on the colour the viewer clears to, against the poster's colours.
    const auto &clear = poster.palette[CLEAR_INDEX];
    for (int y = top; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint8_t *tiled =
                &render.pixels[(static_cast<std::size_t>(y - top) * size + x) * 4];
            const std::uint8_t entry = poster.pixels[static_cast<std::size_t>(y) * width + x];
            const auto &want = poster.palette[entry];
            const std::uint8_t *got = tiled[3] == 0 ? clear.data() : tiled;
            const bool same = (tiled[3] == 0 || tiled[3] == 255) && got[0] == want[0] &&
                              got[1] == want[1] && got[2] == want[2];
            drawn += tiled[3] != 0 ? 1 : 0;
            if (!same && ++differ <= SHOWN_DIFFERENCES) {
                std::printf("differs at (%d, %d): Tiled (%d, %d, %d, alpha %d), poster entry %d\n",
                            x, y, tiled[0], tiled[1], tiled[2], tiled[3], entry);
            }
        }
    }
    std::printf("drawn %ld differ %ld\n", drawn, differ);
    return differ == 0 ? 0 : 1;
}
