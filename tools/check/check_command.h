#pragma once
// The command line of tileview-check: [--json] [DIR].

#include "tools/common/option_values.h"

#include <string>

struct CheckCommand {
    bool json = false;        // --json: one JSON object instead of the text report
    std::string folder = "."; // DIR: the data folder
    AboutRequest about = AboutRequest::None;
};

// Reads argv into command. The first --help or --version ends the reading: it is answered
// whatever follows. Answers false with error set to a one-line reason.
bool ParseCheckCommand(int argc, const char *const *argv, CheckCommand &command,
                       std::string &error);
