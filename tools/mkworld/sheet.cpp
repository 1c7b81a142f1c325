#include "tools/mkworld/sheet.h"

#include "tools/mkworld/palette.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

std::uint8_t SheetPixels[TILE_SHEET_HEIGHT][TILE_SHEET_WIDTH];
unsigned char TerrainBytes[TERRAIN_TABLE_SIZE];
SheetRegion SheetRegions[MAX_SHEET_REGIONS];
int SheetRegionCount;

namespace {

int ShelfX;
int ShelfY;
int ShelfHeight;
int NextRecord;
int NextKind[256];
DrawRect LastSource;

int CanvasW;
int CanvasH;
short CanvasPixels[CANVAS_MAX][CANVAS_MAX];

void PutI32LE(unsigned char *at, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int byte = 0; byte < 4; ++byte) {
        at[byte] = static_cast<unsigned char>(bits >> (8 * byte));
    }
}

[[noreturn]] void Fail(const char *what) {
    std::fprintf(stderr, "mkworld: %s\n", what);
    std::exit(1);
}

DrawRect AllocateSlot(int width, int height) {
    if (ShelfX + width > TILE_SHEET_WIDTH) {
        ShelfX = 0;
        ShelfY += ShelfHeight;
        ShelfHeight = 0;
    }
    if (ShelfY + height > TILE_SHEET_HEIGHT) {
        Fail("the tile sheet is full");
    }
    const DrawRect slot{ShelfX, ShelfY, ShelfX + width, ShelfY + height};
    ShelfX += width;
    ShelfHeight = height > ShelfHeight ? height : ShelfHeight;
    if (SheetRegionCount > 0) {
        SheetRegions[SheetRegionCount - 1].bottom = ShelfY + ShelfHeight;
    }
    return slot;
}

void CopyCanvasTo(const DrawRect &slot) {
    for (int y = 0; y < CanvasH; ++y) {
        for (int x = 0; x < CanvasW; ++x) {
            const int index = CanvasPixels[y][x];
            SheetPixels[slot.top + y][slot.left + x] =
                static_cast<std::uint8_t>(index < 0 ? TRANSPARENT_INDEX : index);
        }
    }
}

} // namespace

void ResetSheet() {
    std::memset(SheetPixels, TRANSPARENT_INDEX, sizeof SheetPixels);
    std::memset(TerrainBytes, 0, sizeof TerrainBytes);
    ShelfX = ShelfY = ShelfHeight = 0;
    NextRecord = 0;
    SheetRegionCount = 0;
    for (int &kind : NextKind) {
        kind = 1;
    }
}

void StartFamily(const char *family) {
    if (ShelfX > 0) {
        ShelfX = 0;
        ShelfY += ShelfHeight;
        ShelfHeight = 0;
    }
    if (SheetRegionCount == MAX_SHEET_REGIONS) {
        Fail("too many tile families");
    }
    SheetRegions[SheetRegionCount++] = SheetRegion{family, ShelfY, ShelfY};
}

void ClearCanvas(int width, int height) {
    CanvasW = width;
    CanvasH = height;
    for (auto &row : CanvasPixels) {
        for (short &pixel : row) {
            pixel = -1;
        }
    }
}

int CanvasWidth() {
    return CanvasW;
}
int CanvasHeight() {
    return CanvasH;
}

void Plot(int x, int y, int index) {
    if (x >= 0 && y >= 0 && x < CanvasW && y < CanvasH) {
        CanvasPixels[y][x] = static_cast<short>(index);
    }
}

void PlotUnder(int x, int y, int index) {
    if (Peek(x, y) < 0) {
        Plot(x, y, index);
    }
}

int Peek(int x, int y) {
    if (x < 0 || y < 0 || x >= CanvasW || y >= CanvasH) {
        return -1;
    }
    return CanvasPixels[y][x];
}

void OutlineCanvas() {
    static short outline[CANVAS_MAX][CANVAS_MAX];
    static constexpr int STEPS[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (int y = 0; y < CanvasH; ++y) {
        for (int x = 0; x < CanvasW; ++x) {
            outline[y][x] = -1;
            if (CanvasPixels[y][x] >= 0) {
                continue;
            }
            for (const auto &step : STEPS) {
                const int neighbour = Peek(x + step[0], y + step[1]);
                const int ramp = neighbour >= 0 ? RampOfIndex(neighbour) : -1;
                if (neighbour >= 0) {
                    outline[y][x] = static_cast<short>(
                        ramp >= 0 ? Shade(static_cast<Ramp>(ramp), 0.0) : PALETTE_BLACK);
                }
            }
        }
    }
    for (int y = 0; y < CanvasH; ++y) {
        for (int x = 0; x < CanvasW; ++x) {
            if (outline[y][x] >= 0) {
                CanvasPixels[y][x] = outline[y][x];
            }
        }
    }
}

void WriteRecord(int index, TileRef ref, const DrawRect &source, int anchorX, int anchorY) {
    unsigned char *record = TerrainBytes + index * TERRAIN_RECORD_SIZE;
    record[TERRAIN_KIND_OFFSET] = ref.kind;
    record[TERRAIN_LEVEL_OFFSET] = ref.level;
    PutI32LE(record + TERRAIN_SRC_LEFT_OFFSET, source.left);
    PutI32LE(record + TERRAIN_SRC_TOP_OFFSET, source.top);
    PutI32LE(record + TERRAIN_SRC_RIGHT_OFFSET, source.right);
    PutI32LE(record + TERRAIN_SRC_BOTTOM_OFFSET, source.bottom);
    PutI32LE(record + TERRAIN_ANCHOR_X_OFFSET, anchorX);
    PutI32LE(record + TERRAIN_ANCHOR_Y_OFFSET, anchorY);
}

TileRef PlaceCanvasAtRecord(int index, TileRef ref, int anchorX, int anchorY) {
    const DrawRect slot = AllocateSlot(CanvasW, CanvasH);
    CopyCanvasTo(slot);
    WriteRecord(index, ref, slot, anchorX, anchorY);
    LastSource = slot;
    return ref;
}

TileRef PlaceCanvasAs(TileRef ref, int anchorX, int anchorY) {
    if (NextRecord >= PLANTED_RECORDS_FIRST) {
        Fail("too many terrain records");
    }
    return PlaceCanvasAtRecord(NextRecord++, ref, anchorX, anchorY);
}

TileRef PlaceCanvas(int level, int anchorX, int anchorY) {
    if (NextKind[level] > 255) {
        Fail("too many kinds on one level");
    }
    const TileRef ref{static_cast<std::uint8_t>(NextKind[level]++),
                      static_cast<std::uint8_t>(level)};
    return PlaceCanvasAs(ref, anchorX, anchorY);
}

DrawRect LastPlacedSource() {
    return LastSource;
}
int PlacedRecordCount() {
    return NextRecord;
}
