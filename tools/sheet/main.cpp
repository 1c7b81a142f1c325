// tileview-sheet IN -o tiles.bmp [--key RRGGBB] [--clear RRGGBB]: makes from any picture of the
// sheet's size a tiles.bmp the viewer reads as meant: the 40-byte header it takes its palette
// from, 8 bits per pixel, and the transparent and clear colours on the entries it gives them.

#include "tools/common/bitmap_writer.h"
#include "tools/common/file_bytes.h"
#include "tools/sheet/sheet_input.h"
#include "tools/sheet/sheet_options.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

namespace {

Bytes SheetFile(const SheetPalette &palette) {
    // The tile sheet's: 40-byte header, bottom-up, 256 colours; 72 dots per inch as mkworld's.
    BitmapLayout layout{.pixelsPerMetre = 2835};
    const Bytes table = BitmapColourTable(layout, PALETTE_ENTRIES, [&](int i) {
        const std::uint32_t rgb = palette.entries[i];
        return BitmapColour{static_cast<std::uint8_t>(rgb >> 16),
                            static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb)};
    });
    const Bytes rows = BitmapRows(layout, [&](int y, unsigned char *row) {
        std::memcpy(row, &palette.indices[static_cast<std::size_t>(y) * TILE_SHEET_WIDTH],
                    TILE_SHEET_WIDTH);
    });
    layout.imageSize = static_cast<std::uint32_t>(rows.size());
    return MakeBitmapFile(layout, table, rows);
}

// Writes a temporary file beside path and renames it into place, so that a failure at any
// point leaves whatever path held as it was. Answers the reason on failure.
std::optional<std::string> ReplaceFile(const std::string &path, const Bytes &bytes) {
    const std::string temporary = path + ".tmp-" + std::to_string(getpid());
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0) {
        return std::string(std::strerror(errno));
    }
    bool ok = WriteWhole(fd, bytes.data(), bytes.size()) && fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        unlink(temporary.c_str());
        return std::string(std::strerror(error));
    }
    return std::nullopt;
}

int Fail(const std::string &file, const std::string &reason) {
    std::fprintf(stderr, "tileview-sheet: %s: %s\n", file.c_str(), reason.c_str());
    return SHEET_EXIT_DATA;
}

} // namespace

int main(int argc, char **argv) {
    SheetOptions options;
    std::string error;
    if (!ParseSheetOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "tileview-sheet: %s\n%s", error.c_str(), SHEET_USAGE);
        return SHEET_EXIT_USAGE;
    }
    if (options.about != AboutRequest::None) {
        PrintAbout(options.about, "tileview-sheet", SHEET_USAGE);
        return SHEET_EXIT_WRITTEN;
    }
    SheetPicture picture;
    if (!ReadSheetPicture(options.input.c_str(), options.colours.key, picture, error)) {
        return Fail(options.input, error);
    }
    SheetPalette palette{};
    if (!MakeSheetPalette(picture, options.colours, palette)) {
        return Fail(options.input,
                    std::to_string(palette.otherColours) +
                        " colours besides black, white, the transparent and the clear colour; "
                        "a sheet has room for " +
                        std::to_string(SHEET_FREE_ENTRIES) +
                        ": reduce the picture's colours first");
    }
    if (const std::optional<std::string> reason = ReplaceFile(options.output, SheetFile(palette))) {
        return Fail(options.output, *reason);
    }
    std::printf("tileview-sheet: wrote %s (%d colours besides the four fixed ones)\n",
                options.output.c_str(), palette.otherColours);
    return SHEET_EXIT_WRITTEN;
}
