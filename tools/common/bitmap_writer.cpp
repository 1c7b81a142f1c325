#include "tools/common/bitmap_writer.h"

#include <cstdio>

namespace {

constexpr std::uint16_t PLANES = 1;

void Put16(Bytes &out, std::uint32_t value) {
    out.push_back(static_cast<unsigned char>(value));
    out.push_back(static_cast<unsigned char>(value >> 8));
}

void Put32(Bytes &out, std::uint32_t value) {
    Put16(out, value & 0xFFFFU);
    Put16(out, value >> 16);
}

bool IsCore(const BitmapLayout &layout) {
    return layout.infoSize == BMP_CORE_HEADER_SIZE;
}

// The core header has 16-bit sizes and ends after the bit count.
void PutInfoHeader(Bytes &out, const BitmapLayout &layout) {
    const bool core = IsCore(layout);
    void (*const putSize)(Bytes &, std::uint32_t) = core ? Put16 : Put32;
    Put32(out, layout.infoSize);
    putSize(out, static_cast<std::uint32_t>(layout.width));
    putSize(out, static_cast<std::uint32_t>(layout.height));
    Put16(out, PLANES);
    Put16(out, layout.bitCount);
    if (core) {
        return;
    }
    Put32(out, layout.compression);
    Put32(out, layout.imageSize);
    Put32(out, static_cast<std::uint32_t>(layout.pixelsPerMetre));
    Put32(out, static_cast<std::uint32_t>(layout.pixelsPerMetre));
    Put32(out, layout.coloursUsed);
    Put32(out, 0); // every colour counts as important
}

} // namespace

Bytes BitmapColourTable(const BitmapLayout &layout, int count,
                        const std::function<BitmapColour(int)> &colourOf) {
    Bytes table;
    for (int i = 0; i < count; ++i) {
        const BitmapColour c = colourOf(i);
        table.insert(table.end(), {c.blue, c.green, c.red});
        if (!IsCore(layout)) {
            table.push_back(0);
        }
    }
    return table;
}

Bytes BitmapRows(const BitmapLayout &layout,
                 const std::function<void(int, unsigned char *)> &fillRow) {
    BitmapHeader shape{};
    shape.width = layout.width;
    shape.height = layout.height;
    shape.bitCount = layout.bitCount;
    const std::size_t rowBytes = BitmapRowBytes(shape);
    const std::int64_t height = layout.height;
    const auto rows = static_cast<std::size_t>(height < 0 ? -height : height);
    Bytes pixels(rowBytes * rows, 0);
    for (std::size_t y = 0; y < rows; ++y) {
        const std::size_t stored = layout.height < 0 ? y : rows - 1 - y;
        fillRow(static_cast<int>(y), pixels.data() + rowBytes * stored);
    }
    return pixels;
}

Bytes MakeBitmapFile(const BitmapLayout &layout, const Bytes &colourTable, const Bytes &pixels) {
    const std::size_t headers =
        BMP_FILE_HEADER_SIZE + (IsCore(layout) ? BMP_CORE_HEADER_SIZE : BMP_INFO_HEADER_SIZE);
    const std::size_t tableEnd = headers + colourTable.size();
    Bytes file{'B', 'M'};
    Put32(file, static_cast<std::uint32_t>(tableEnd + pixels.size()));
    Put32(file, 0); // reserved
    Put32(file,
          layout.pixelOffset != 0 ? layout.pixelOffset : static_cast<std::uint32_t>(tableEnd));
    PutInfoHeader(file, layout);
    file.insert(file.end(), colourTable.begin(), colourTable.end());
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

bool WriteBitmapFile(const char *path, const BitmapLayout &layout, const Bytes &colourTable,
                     const Bytes &pixels) {
    const Bytes bytes = MakeBitmapFile(layout, colourTable, pixels);
    std::FILE *file = std::fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}
