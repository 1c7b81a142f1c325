// tileview-export-MODE (and tileview-export-poster): the composer of one display mode, started
// by tileview-export with the user's command line. Each is built for its own W and H, as each
// viewer is, so that the frame comes out of the very code the viewer runs.

#include "display/display_mode.h"
#include "tools/export/compose.h"
#include "tools/export/export_options.h"

#include <cstdio>
#include <optional>
#include <string>

int main(int argc, char **argv) {
    ExportOptions options;
    if (const std::optional<int> exitCode = ReadExportCommandLine(argc, argv, options)) {
        return *exitCode;
    }
#ifdef DRAVIK_EXPORT_POSTER
    const bool mine = options.poster;
#else
    const bool mine = !options.poster && options.mode == W;
#endif
    if (!mine) {
        std::fprintf(stderr, "tileview-export: this composer draws %s; run tileview-export\n",
#ifdef DRAVIK_EXPORT_POSTER
                     "posters"
#else
                     ("frames of tileview-" + std::to_string(W)).c_str()
#endif
        );
        return EXPORT_EXIT_USAGE;
    }
    return ComposeAndExport(options);
}
