#pragma once
// The command line of mkworld: DIR.

#include "tools/common/option_values.h"

#include <string>

struct MkworldCommand {
    AboutRequest about = AboutRequest::None;
    std::string folder; // DIR, unless about is asked
};

// Reads argv into command: --help and --version are taken wherever they stand; otherwise the
// one argument is the folder, whatever it looks like. Answers false with error set to a
// one-line reason.
bool ParseMkworldCommand(int argc, const char *const *argv, MkworldCommand &command,
                         std::string &error);
