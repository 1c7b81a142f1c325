#pragma once
// The work of tileview-export in one display mode: the viewer's own loading, commands, frame
// composition and memory frame, run without a window, and the back buffer written as a PNG.
// Compiled once per display mode, and once more at the size of a poster.

#include "tools/export/export_options.h"

// Composes the frame (or the poster) that options ask for and writes it. Answers the exit code;
// errors are reported on stderr, the poster's progress too.
int ComposeAndExport(const ExportOptions &options);
