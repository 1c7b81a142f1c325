#include "tools/export/export_options.h"

#include "display/viewer_modes.h"
#include "mapdata/segment.h"
#include "tools/common/option_values.h"

#include <cstdio>

const char EXPORT_USAGE[] =
    "Usage: tileview-export [OPTION]... [-o FILE.png]\n"
    "  or:  tileview-export --poster [--segment N] [--data DIR] [-o FILE.png]\n"
    "Compose the frame a Dravik viewer shows, or a whole segment, as a PNG.\n"
    "\n"
    "The frame is the one the viewer of the chosen display mode shows after the\n"
    "keys and the click, composed without a window: no display is needed. The\n"
    "picture keeps the tile sheet's 256 colours as its palette.\n"
    "\n"
    "Options:\n"
    "  --mode MODE    the viewer whose frame is composed: 1024, 1600, 1280 or 640\n"
    "                 (default 1024)\n"
    "  --segment N    the segment shown first, 0 to 5 (default 0)\n"
    "  --scroll X,Y   the screen position of the grid's cell (0, 0) before the keys\n"
    "                 (default 0,0)\n"
    "  --keys KEYS    characters typed into the viewer, in order (a d w s scroll\n"
    "                 one cell, e q step to the next or previous segment)\n"
    "  --click X,Y    a left click at screen pixel X,Y after the keys (its column\n"
    "                 and row shown)\n"
    "  --poster       the whole drawn window of the segment (145 x 86 cells) in\n"
    "                 one picture\n"
    "  --data DIR     the data folder (default: the working directory)\n"
    "  -o FILE.png    the picture (default frame-MODE.png, or poster-segN.png)\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0  the picture was written\n"
    "  1  a data file cannot be read or the picture cannot be written\n"
    "  2  the command line is wrong\n";

namespace {

bool ParseMode(const std::string &text, int &mode) {
    for (const ViewerMode &known : VIEWER_MODES) {
        if (text == known.name) {
            mode = known.width;
            return true;
        }
    }
    return false;
}

std::string ModeNames() {
    std::string names;
    for (const ViewerMode &known : VIEWER_MODES) {
        names += (names.empty() ? "" : ", ") + std::string(known.name);
    }
    return names;
}

bool ParseClick(const std::string &text, ExportOptions &options) {
    std::int32_t x = -1;
    std::int32_t y = -1;
    if (!ParseInt32Pair(text, x, y) || x < 0 || y < 0 || x > 0xFFFF || y > 0xFFFF) {
        return false;
    }
    options.clickX = static_cast<std::uint16_t>(x);
    options.clickY = static_cast<std::uint16_t>(y);
    return true;
}

bool ApplyOption(const std::string &name, const std::string &value, ExportOptions &options,
                 bool &scrollOrKeys, bool &modeGiven, std::string &error) {
    std::int32_t number = 0;
    if (name == "--mode") {
        modeGiven = true;
        if (!ParseMode(value, options.mode)) {
            error = "--mode '" + value + "': not one of " + ModeNames();
            return false;
        }
    } else if (name == "--segment") {
        if (!ParseInt32(value.c_str(), number) || number < 0 || number >= SEGMENT_COUNT) {
            error = "--segment '" + value + "': not a segment index 0 to 5";
            return false;
        }
        options.segment = number;
    } else if (name == "--scroll") {
        scrollOrKeys = true;
        options.scrollGiven = true;
        if (!ParseInt32Pair(value, options.scrollX, options.scrollY)) {
            error = "--scroll '" + value + "': not X,Y (two 32-bit integers)";
            return false;
        }
    } else if (name == "--keys") {
        scrollOrKeys = true;
        options.keys = value;
    } else if (name == "--click") {
        scrollOrKeys = true;
        options.clickGiven = true;
        if (!ParseClick(value, options)) {
            error = "--click '" + value + "': not X,Y (two pixel positions 0 to 65535)";
            return false;
        }
    } else if (name == "--data") {
        options.data = value;
    } else {
        options.output = value; // -o
    }
    return true;
}

} // namespace

bool ParseExportOptions(int argc, const char *const *argv, ExportOptions &options,
                        std::string &error) {
    bool scrollOrKeys = false;
    bool modeGiven = false;
    for (int i = 1; i < argc; ++i) {
        const OptionArgument option = SplitOptionArgument(argv[i]);
        const std::string &name = option.name;
        const bool hasInline = option.hasInlineValue;
        if (TakeAboutOption(option, options.about)) {
            continue;
        }
        if (name == "--poster" && !hasInline) {
            options.poster = true;
        } else if (name == "--mode" || name == "--segment" || name == "--scroll" ||
                   name == "--keys" || name == "--click" || name == "--data" || name == "-o") {
            std::string value;
            if (!TakeOptionValue(argc, argv, i, option, value)) {
                error = name + " needs a value";
                return false;
            }
            if (!ApplyOption(name, value, options, scrollOrKeys, modeGiven, error)) {
                return false;
            }
        } else {
            error = "unexpected argument '" + std::string(argv[i]) + "'";
            return false;
        }
    }
    if (options.poster && (scrollOrKeys || modeGiven)) {
        error =
            "--poster draws the whole window of a segment: --mode, --scroll, --keys and --click do "
            "not apply";
        return false;
    }
    if (options.data.empty()) {
        error = "--data needs a folder";
        return false;
    }
    return true;
}

std::string DefaultExportOutput(const ExportOptions &options) {
    return options.poster ? "poster-seg" + std::to_string(options.segment) + ".png"
                          : "frame-" + std::to_string(options.mode) + ".png";
}

std::optional<int> ReadExportCommandLine(int argc, const char *const *argv,
                                         ExportOptions &options) {
    std::string error;
    if (!ParseExportOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "tileview-export: %s\n%s", error.c_str(), EXPORT_USAGE);
        return EXPORT_EXIT_USAGE;
    }
    if (options.about != AboutRequest::None) {
        PrintAbout(options.about, "tileview-export", EXPORT_USAGE);
        return EXPORT_EXIT_OK;
    }
    return std::nullopt;
}
