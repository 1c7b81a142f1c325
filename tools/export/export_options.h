#pragma once
// The command line of tileview-export, shared by the program that reads it and the composer of
// each display mode that does the work.

#include "tools/common/option_values.h"

#include <cstdint>
#include <optional>
#include <string>

inline constexpr int EXPORT_EXIT_OK = 0;
inline constexpr int EXPORT_EXIT_FILE = 1;  // a data file cannot be read or the picture written
inline constexpr int EXPORT_EXIT_USAGE = 2; // the command line is wrong

struct ExportOptions {
    int mode = 1024;          // the viewer whose frame is composed: its display width
    bool poster = false;      // the whole drawn window instead of one frame
    int segment = 0;          // 0 to 5, an index into SegmentFiles
    bool scrollGiven = false; // --scroll: the view's offsets before the keys
    std::int32_t scrollX = 0;
    std::int32_t scrollY = 0;
    std::string keys;        // character codes, each as the viewer takes a typed character
    bool clickGiven = false; // --click: a left click after the keys, in screen pixels
    std::uint16_t clickX = 0;
    std::uint16_t clickY = 0;
    std::string output;     // empty: frame-MODE.png or poster-segN.png
    std::string data = "."; // the data folder
    AboutRequest about = AboutRequest::None;
};

extern const char EXPORT_USAGE[];

// Reads argv into options. Answers false with error set to a one-line reason.
bool ParseExportOptions(int argc, const char *const *argv, ExportOptions &options,
                        std::string &error);

// The start every export program shares: reads argv, prints the usage on a wrong command line
// or on --help (the version on --version), and answers the exit code then; otherwise nothing,
// with options filled.
std::optional<int> ReadExportCommandLine(int argc, const char *const *argv, ExportOptions &options);

// The file the picture goes to when -o is not given.
std::string DefaultExportOutput(const ExportOptions &options);
