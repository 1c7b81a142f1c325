#pragma once
// The oddities planted in the demo world, as a real data set has them. mkworld plants exactly
// these and nothing else of the kind; the tests and the checker assert exactly these.

struct WorldCellLayer {
    int segment; // index into SegmentFiles
    int row;
    int column;
    int layer;
};

// A later record repeating an earlier record's (kind, level). The lookup never finds the later
// one; it points at a warning tile (orange and black stripes) that must never be seen.
struct WorldDuplicate {
    int first;
    int later;
};
inline constexpr WorldDuplicate WORLD_DUPLICATES[] = {{5, 450}, {67, 451}, {164, 452}, {218, 453}};

// A record whose kind is 0: (0, 7) names a tile, since a reference is empty only when both of
// its bytes are 0. It is the village well.
inline constexpr int WORLD_ZERO_KIND_RECORD = 454;
inline constexpr int WORLD_ZERO_KIND_LEVEL = 7;
inline constexpr WorldCellLayer WORLD_ZERO_KIND_CELLS[] = {
    {0, 7, 12, 3},
    {1, 20, 20, 3},
};

// The table's last record is in use: the lighthouse.
inline constexpr int WORLD_LAST_RECORD = 465;
inline constexpr int WORLD_LAST_RECORD_KIND = 250;
inline constexpr int WORLD_LAST_RECORD_LEVEL = 6;
inline constexpr WorldCellLayer WORLD_LAST_RECORD_CELLS[] = {
    {0, 3, 9, 3},
};

// References inside the drawn window (rows 0 to 85, columns 0 to 144) that no record holds.
// Each sits on a layer of a cell whose other layers still draw.
struct WorldMissingRef {
    WorldCellLayer where;
    int kind;
    int level;
};
inline constexpr WorldMissingRef WORLD_MISSING_REFS[] = {
    {{0, 6, 15, 1}, 251, 6},
    {{0, 40, 100, 2}, 0, 3},
    {{3, 12, 30, 2}, 77, 250},
};
