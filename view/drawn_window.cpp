#include "view/drawn_window.h"

#include "mapdata/terrain.h"

#include <limits>

namespace {

bool FitsInt32(std::int64_t value) {
    return value >= std::numeric_limits<std::int32_t>::min() &&
           value <= std::numeric_limits<std::int32_t>::max();
}

} // namespace

bool CellOriginVisible(std::int64_t originX, std::int64_t originY, int width, int height) {
    return originX >= 0 && originX <= width && originY >= 0 && originY <= height;
}

bool PlaceTile(int index, std::int64_t originX, std::int64_t originY, TilePlacement &placement) {
    const TerrainPlacement p = ReadTerrainPlacement(index);
    placement.source = DrawRect{p.srcLeft, p.srcTop, p.srcRight, p.srcBottom};
    const std::int64_t left = originX - p.anchorX;
    const std::int64_t top = originY - p.anchorY;
    const std::int64_t right = left + (static_cast<std::int64_t>(p.srcRight) - p.srcLeft);
    const std::int64_t bottom = top + (static_cast<std::int64_t>(p.srcBottom) - p.srcTop);
    if (!FitsInt32(left) || !FitsInt32(top) || !FitsInt32(right) || !FitsInt32(bottom)) {
        return false;
    }
    placement.destination =
        DrawRect{static_cast<std::int32_t>(left), static_cast<std::int32_t>(top),
                 static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom)};
    return true;
}
