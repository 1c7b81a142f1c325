#pragma once
// The command line of tileview-sheet.

#include "tools/common/option_values.h"
#include "tools/sheet/sheet_palette.h"

#include <string>

inline constexpr int SHEET_EXIT_WRITTEN = 0;
inline constexpr int SHEET_EXIT_DATA = 1;  // the picture cannot be read or used, or not written
inline constexpr int SHEET_EXIT_USAGE = 2; // the command line is wrong

struct SheetOptions {
    std::string input;
    std::string output;
    SheetColours colours;
    AboutRequest about = AboutRequest::None;
};

extern const char SHEET_USAGE[];

// Reads argv into options. Answers false with error set to a one-line reason.
bool ParseSheetOptions(int argc, const char *const *argv, SheetOptions &options,
                       std::string &error);
