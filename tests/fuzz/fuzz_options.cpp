// Any command line given to the tools' parsers: tileview-export's and tileview-sheet's options,
// tileview-check's, tileview-tiled's and mkworld's command lines, and the shared pieces. A line
// that is taken gives values in their documented ranges and reads back the same when written
// out again; a refused one says why in one line; the number and colour readers agree with a
// plain reading of the text.
//
// Input: a first byte choosing the parser (modulo PARSER_COUNT), then the arguments, argv[0]
// first, each ended by a NUL byte (the last needs none).

#include "display/viewer_modes.h"
#include "mapdata/segment.h"
#include "tests/fuzz/fuzz_support.h"
#include "tools/check/check_command.h"
#include "tools/common/option_values.h"
#include "tools/export/export_options.h"
#include "tools/mkworld/mkworld_command.h"
#include "tools/sheet/sheet_options.h"
#include "tools/tiled/tiled_command.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <strings.h>
#include <vector>

namespace {

using Arguments = std::vector<std::string>;

enum Parser { EXPORT, SHEET, CHECK, TILED, MKWORLD, VALUES, PARSER_COUNT };

template <class Options>
bool Parse(bool (*parse)(int, const char *const *, Options &, std::string &),
           const Arguments &arguments, Options &options, std::string &error) {
    std::vector<const char *> argv;
    for (const std::string &argument : arguments) {
        argv.push_back(argument.c_str());
    }
    argv.push_back(nullptr);
    return parse(static_cast<int>(arguments.size()), argv.data(), options, error);
}

// A refusal is one line of its own; the parsers quote a wrong argument as it was given, so an
// argument holding a line break brings more.
void RequireRefusal(const std::string &error, const Arguments &arguments) {
    Require(!error.empty() && (error.find('\n') == std::string::npos ||
                               std::any_of(arguments.begin(), arguments.end(),
                                           [](const std::string &a) {
                                               return a.find('\n') != std::string::npos;
                                           })),
            "a refused command line says why in one line");
}

bool AnyAbout(const Arguments &arguments) {
    return std::any_of(arguments.begin() + 1, arguments.end(), [](const std::string &a) {
        return a == "--help" || a == "-h" || a == "--version";
    });
}

// A decimal integer as strtoll reads it in the C locale (white space, a sign, digits) with
// nothing after it, within 32 bits, worked out digit by digit.
bool ReferenceInt32(const std::string &text, std::int32_t &value) {
    std::size_t at = text.find_first_not_of(" \t\n\v\f\r");
    at = at == std::string::npos ? text.size() : at;
    const bool negative = at < text.size() && text[at] == '-';
    at += at < text.size() && (text[at] == '-' || text[at] == '+') ? 1 : 0;
    const std::size_t digits = at;
    std::int64_t magnitude = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        magnitude = std::min<std::int64_t>(magnitude * 10 + (text[at] - '0'), 1LL << 32);
    }
    const std::int64_t signedValue = negative ? -magnitude : magnitude;
    if (at == digits || at != text.size() || signedValue < INT32_MIN || signedValue > INT32_MAX) {
        return false;
    }
    value = static_cast<std::int32_t>(signedValue);
    return true;
}

void RequireValues(const Arguments &arguments) {
    for (const std::string &text : arguments) {
        std::int32_t parsed = 0;
        std::int32_t expected = 0;
        const bool taken = ParseInt32(text.c_str(), parsed);
        Require(taken == ReferenceInt32(text, expected) && (!taken || parsed == expected),
                "ParseInt32 reads what strtoll reads, in 32 bits");

        const std::size_t comma = text.find(',');
        std::int32_t x = 0;
        std::int32_t y = 0;
        std::int32_t expectedX = 0;
        std::int32_t expectedY = 0;
        const bool pair = comma != std::string::npos &&
                          ReferenceInt32(text.substr(0, comma), expectedX) &&
                          ReferenceInt32(text.substr(comma + 1), expectedY);
        Require(ParseInt32Pair(text, x, y) == pair && (!pair || (x == expectedX && y == expectedY)),
                "ParseInt32Pair reads two numbers split at the first comma");

        std::uint32_t rgb = 0;
        const std::string digits = text.rfind('#', 0) == 0 ? text.substr(1) : text;
        const bool hex = digits.size() == 6 &&
                         digits.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
        Require(ParseRgbHex(text, rgb) == hex, "ParseRgbHex takes six hexadecimal digits");
        char written[8];
        std::snprintf(written, sizeof written, "%06X", rgb);
        std::uint32_t again = 0;
        Require(!hex || (ParseRgbHex(written, again) && again == rgb &&
                         strcasecmp(written, digits.c_str()) == 0),
                "a colour written out reads back the same");

        const OptionArgument option = SplitOptionArgument(text.c_str());
        const bool inline_ = text.rfind("--", 0) == 0 && text.find('=') != std::string::npos;
        Require(option.hasInlineValue == inline_ &&
                    (inline_ ? option.name + "=" + option.inlineValue == text &&
                                   option.name.find('=') == std::string::npos
                             : option.name == text && option.inlineValue.empty()),
                "a long option splits at its first '=', any other argument stays whole");
    }
    // Each argument as an option asking for a value: its inline one, else the next argument.
    std::vector<const char *> argv;
    for (const std::string &argument : arguments) {
        argv.push_back(argument.c_str());
    }
    const int argc = static_cast<int>(argv.size());
    for (int start = 0; start < argc; ++start) {
        int i = start;
        const OptionArgument option = SplitOptionArgument(argv[static_cast<std::size_t>(i)]);
        std::string value = "unchanged";
        const bool taken = TakeOptionValue(argc, argv.data(), i, option, value);
        const bool next = !option.hasInlineValue && start + 1 < argc;
        Require(taken == (option.hasInlineValue || next) && i == start + (next ? 1 : 0) &&
                    value == (option.hasInlineValue ? option.inlineValue
                              : next                ? argv[static_cast<std::size_t>(i)]
                                                    : "unchanged"),
                "an option's value is its inline one, else the next argument");
    }
}

// The export options written out as a command line, values inline but -o's.
Arguments ExportLine(const ExportOptions &o) {
    Arguments line = {"tileview-export", "--segment=" + std::to_string(o.segment),
                      "--data=" + o.data};
    if (o.poster) {
        line.emplace_back("--poster");
    } else {
        line.push_back("--mode=" + std::to_string(o.mode));
        line.push_back("--keys=" + o.keys);
        if (o.scrollGiven) {
            line.push_back("--scroll=" + std::to_string(o.scrollX) + "," +
                           std::to_string(o.scrollY));
        }
        if (o.clickGiven) {
            line.push_back("--click=" + std::to_string(o.clickX) + "," + std::to_string(o.clickY));
        }
    }
    if (!o.output.empty()) {
        line.insert(line.end(), {"-o", o.output});
    }
    return line;
}

void RequireExport(const Arguments &arguments) {
    ExportOptions o;
    std::string error;
    if (!Parse(ParseExportOptions, arguments, o, error)) {
        RequireRefusal(error, arguments);
        return;
    }
    // ("-o --help" names a picture: an about option may be a value.)
    Require(o.about == AboutRequest::None || AnyAbout(arguments), "about only when asked");
    Require(std::any_of(std::begin(VIEWER_MODES), std::end(VIEWER_MODES),
                        [&](const ViewerMode &m) { return m.width == o.mode; }) &&
                o.segment >= 0 && o.segment < SEGMENT_COUNT && !o.data.empty(),
            "a taken export line gives a viewer's mode, a segment 0 to 5 and a data folder");
    Require(!o.poster || (o.mode == 1024 && !o.scrollGiven && !o.clickGiven && o.keys.empty()),
            "a poster takes no frame options");
    ExportOptions again;
    Require(Parse(ParseExportOptions, ExportLine(o), again, error) && again.mode == o.mode &&
                again.poster == o.poster && again.segment == o.segment &&
                again.scrollGiven == o.scrollGiven && again.scrollX == o.scrollX &&
                again.scrollY == o.scrollY && again.keys == o.keys &&
                again.clickGiven == o.clickGiven && again.clickX == o.clickX &&
                again.clickY == o.clickY && again.output == o.output && again.data == o.data,
            "the export options written out read back the same");
}

void RequireSheet(const Arguments &arguments) {
    SheetOptions o;
    std::string error;
    if (!Parse(ParseSheetOptions, arguments, o, error)) {
        RequireRefusal(error, arguments);
        return;
    }
    if (o.about != AboutRequest::None) {
        Require(AnyAbout(arguments), "about only when asked");
        return;
    }
    const SheetColours &c = o.colours;
    Require(!o.input.empty() && o.input[0] != '-' && !o.output.empty() && c.key <= 0xFFFFFF &&
                c.clear <= 0xFFFFFF && c.key != RGB_BLACK && c.key != RGB_WHITE && c.key != c.clear,
            "a taken sheet line names both pictures and a key apart from the fixed colours");
    char key[16];
    char clear[16];
    std::snprintf(key, sizeof key, "--key=%06X", c.key);
    std::snprintf(clear, sizeof clear, "--clear=%06X", c.clear);
    SheetOptions again;
    Require(Parse(ParseSheetOptions, {"tileview-sheet", o.input, "-o", o.output, key, clear}, again,
                  error) &&
                again.input == o.input && again.output == o.output && again.colours.key == c.key &&
                again.colours.clear == c.clear,
            "the sheet options written out read back the same");
}

void RequireCommands(Parser parser, const Arguments &arguments) {
    std::string error;
    bool taken = false;
    bool about = false;
    const Arguments words(arguments.begin() + 1, arguments.end());
    if (parser == CHECK) {
        CheckCommand c;
        taken = Parse(ParseCheckCommand, arguments, c, error);
        about = c.about != AboutRequest::None;
        Require(!taken || about ||
                    (std::all_of(
                         words.begin(), words.end(),
                         [&](const std::string &w) { return w == "--json" || w == c.folder; }) &&
                     c.json == (std::count(words.begin(), words.end(), "--json") > 0) &&
                     (c.folder == "." || std::count(words.begin(), words.end(), c.folder) == 1)),
                "a taken check line is --json and one folder at most");
    } else if (parser == TILED) {
        TiledCommand c;
        taken = Parse(ParseTiledCommand, arguments, c, error);
        about = c.about != AboutRequest::None;
        const std::pair<const char *, TiledAction> actions[] = {
            {"export", TiledAction::Export},
            {"import", TiledAction::Import},
            {"map", TiledAction::Map},
            {"segment", TiledAction::Segment},
            {"install-extension", TiledAction::InstallExtension}};
        const bool named = !words.empty() &&
                           std::any_of(std::begin(actions), std::end(actions), [&](const auto &a) {
                               return words[0] == a.first && c.action == a.second;
                           });
        const bool alone = c.action == TiledAction::InstallExtension;
        Require(!taken || about ||
                    (named && words.size() == (alone ? 1U : 3U) &&
                     (alone || (c.from == words[1] && c.to == words[2]))),
                "a taken tiled line is an action and its two operands, or install-extension");
    } else {
        MkworldCommand c;
        taken = Parse(ParseMkworldCommand, arguments, c, error);
        about = c.about != AboutRequest::None;
        Require(taken == (AnyAbout(arguments) || arguments.size() == 2) &&
                    (!taken || about || c.folder == arguments[1]),
                "mkworld takes one folder, or a question about itself");
    }
    Require(!about || AnyAbout(arguments), "about only when asked");
    if (!taken) {
        RequireRefusal(error, arguments);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    Arguments arguments(1);
    for (std::size_t i = 1; i < size; ++i) {
        if (data[i] == 0) {
            arguments.emplace_back();
        } else {
            arguments.back().push_back(static_cast<char>(data[i]));
        }
    }
    const auto parser = static_cast<Parser>(data[0] % PARSER_COUNT);
    if (parser == EXPORT) {
        RequireExport(arguments);
    } else if (parser == SHEET) {
        RequireSheet(arguments);
    } else if (parser == VALUES) {
        RequireValues(arguments);
    } else {
        RequireCommands(parser, arguments);
    }
    return 0;
}
