#pragma once
// The command line of tileview-tiled: export WORLD OUT, import MAPS WORLD, map SEGMENT OUT,
// segment MAP SEGMENT or install-extension.

#include "tools/common/option_values.h"

#include <string>

enum class TiledAction { None, Export, Import, Map, Segment, InstallExtension };

struct TiledCommand {
    AboutRequest about = AboutRequest::None;
    TiledAction action = TiledAction::None; // set unless about is asked
    std::string from; // export: WORLD; import: MAPS; map: SEGMENT; segment: MAP
    std::string to;   // export: OUT; import: WORLD; map: OUT; segment: SEGMENT
};

// Reads argv into command: --help and --version are taken wherever they stand, but an unknown
// option refuses the whole line. Answers false with error set to a one-line reason.
bool ParseTiledCommand(int argc, const char *const *argv, TiledCommand &command,
                       std::string &error);
