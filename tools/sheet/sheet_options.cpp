#include "tools/sheet/sheet_options.h"

#include "tools/common/option_values.h"

const char SHEET_USAGE[] =
    "Usage: tileview-sheet IN -o tiles.bmp [--key RRGGBB] [--clear RRGGBB]\n"
    "Make from a picture a tile sheet that the Dravik viewers read as meant.\n"
    "\n"
    "IN is a 1300 x 3900 picture: a PNG, or a bitmap the viewer reads. The sheet\n"
    "written has the 40-byte header the viewer takes its palette from and 8 bits\n"
    "per pixel. Black goes to entry 0, white to 255, every other colour (at most\n"
    "252) to an entry of its own; a picture with a palette keeps its entries\n"
    "wherever these rules allow.\n"
    "\n"
    "Options:\n"
    "  -o FILE         the tile sheet to write (replaced whole, or left as it was\n"
    "                  on failure)\n"
    "  --key RRGGBB    the transparent colour, put at entry 142 (default FF00FF);\n"
    "                  a PNG's fully transparent pixels take it too\n"
    "  --clear RRGGBB  the colour the viewer clears to, put at entry 170 (default\n"
    "                  AAAAAA)\n"
    "  -h, --help      show this help and exit\n"
    "      --version   show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0  the sheet was written\n"
    "  1  the picture cannot be read, used or written\n"
    "  2  the command line is wrong\n";

namespace {

bool ApplyColour(const std::string &name, const std::string &value, SheetOptions &options,
                 std::string &error) {
    std::uint32_t &colour = name == "--key" ? options.colours.key : options.colours.clear;
    if (!ParseRgbHex(value, colour)) {
        error = name + " '" + value + "': not a colour RRGGBB (six hexadecimal digits)";
        return false;
    }
    return true;
}

// The key must be told apart from every other fixed colour, or the viewer would see holes.
bool KeyStandsAlone(const SheetColours &colours, std::string &error) {
    if (colours.key == RGB_BLACK || colours.key == RGB_WHITE || colours.key == colours.clear) {
        error = "--key must differ from black, white and the --clear colour";
        return false;
    }
    return true;
}

} // namespace

bool ParseSheetOptions(int argc, const char *const *argv, SheetOptions &options,
                       std::string &error) {
    for (int i = 1; i < argc; ++i) {
        const OptionArgument option = SplitOptionArgument(argv[i]);
        const std::string &name = option.name;
        if (TakeAboutOption(option, options.about)) {
            continue;
        }
        if (name == "-o" || name == "--key" || name == "--clear") {
            std::string value;
            if (!TakeOptionValue(argc, argv, i, option, value)) {
                error = name + " needs a value";
                return false;
            }
            if (name == "-o") {
                options.output = value;
            } else if (!ApplyColour(name, value, options, error)) {
                return false;
            }
        } else if (options.input.empty() && !name.empty() && name[0] != '-') {
            options.input = name;
        } else {
            error = "unexpected argument '" + std::string(argv[i]) + "'";
            return false;
        }
    }
    if (options.about != AboutRequest::None) {
        return true;
    }
    if (options.input.empty() || options.output.empty()) {
        error = options.input.empty() ? "no picture given" : "no output given (-o tiles.bmp)";
        return false;
    }
    return KeyStandsAlone(options.colours, error);
}
