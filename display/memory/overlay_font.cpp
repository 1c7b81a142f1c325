#include "display/memory/overlay_font.h"

#include <cstring>

namespace {

constexpr int GLYPH_WIDTH = 6;
constexpr int GLYPH_HEIGHT = 10;
constexpr int GLYPH_LEFT = 1; // where the glyph sits inside its cell
constexpr int GLYPH_TOP = 3;

// Two-pixel strokes, close to the weight of the system font the other platform writes with.
constexpr const char *GLYPHS[11][GLYPH_HEIGHT] = {
    {" #### ", "##  ##", "##  ##", "##  ##", "##  ##", "##  ##", "##  ##", "##  ##", "##  ##",
     " #### "},
    {"  ##  ", " ###  ", "####  ", "  ##  ", "  ##  ", "  ##  ", "  ##  ", "  ##  ", "  ##  ",
     "######"},
    {" #### ", "##  ##", "    ##", "    ##", "   ## ", "  ##  ", " ##   ", "##    ", "##    ",
     "######"},
    {" #### ", "##  ##", "    ##", "    ##", "  ### ", "    ##", "    ##", "    ##", "##  ##",
     " #### "},
    {"   ## ", "  ### ", " #### ", "## ## ", "## ## ", "######", "   ## ", "   ## ", "   ## ",
     "   ## "},
    {"######", "##    ", "##    ", "##### ", "    ##", "    ##", "    ##", "    ##", "##  ##",
     " #### "},
    {"  ### ", " ##   ", "##    ", "##    ", "##### ", "##  ##", "##  ##", "##  ##", "##  ##",
     " #### "},
    {"######", "    ##", "    ##", "   ## ", "   ## ", "  ##  ", "  ##  ", "  ##  ", "  ##  ",
     "  ##  "},
    {" #### ", "##  ##", "##  ##", "##  ##", " #### ", "##  ##", "##  ##", "##  ##", "##  ##",
     " #### "},
    {" #### ", "##  ##", "##  ##", "##  ##", "##  ##", " #####", "    ##", "    ##", "   ## ",
     " ###  "},
    {"      ", "      ", "      ", "      ", "      ", "######", "      ", "      ", "      ",
     "      "},
};

int GlyphOf(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return c == '-' ? 10 : -1;
}

} // namespace

bool OverlayGlyphInk(char c, int column, int row) {
    const int glyph = GlyphOf(c);
    const int gx = column - GLYPH_LEFT;
    const int gy = row - GLYPH_TOP;
    if (glyph < 0 || gx < 0 || gx >= GLYPH_WIDTH || gy < 0 || gy >= GLYPH_HEIGHT) {
        return false;
    }
    return GLYPHS[glyph][gy][gx] == '#';
}

void DrawOverlayGlyphs(std::uint8_t *pixels, int pitch, int width, int height, int x, int y,
                       const char *text, std::uint8_t ink, std::uint8_t paper) {
    const int length = static_cast<int>(std::strlen(text));
    for (int row = 0; row < OVERLAY_CELL_HEIGHT; ++row) {
        const int py = y + row;
        if (py < 0 || py >= height) {
            continue;
        }
        std::uint8_t *line = pixels + static_cast<long>(py) * pitch;
        for (int i = 0; i < length; ++i) {
            for (int column = 0; column < OVERLAY_CELL_WIDTH; ++column) {
                const int px = x + i * OVERLAY_CELL_WIDTH + column;
                if (px >= 0 && px < width) {
                    line[px] = OverlayGlyphInk(text[i], column, row) ? ink : paper;
                }
            }
        }
    }
}
