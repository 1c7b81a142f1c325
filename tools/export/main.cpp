// tileview-export: composes, without a window, the frame a viewer shows (or the poster of a
// whole segment) and writes it as a PNG. The work is done by the composer built for the chosen
// display mode; this program reads the command line and starts it. The composers lie next to
// this program in the build folder, and in DRAVIK_COMPOSER_DIR from it when installed, out of
// the user's commands; both are found relative to this program, so that an unpacked package
// works wherever it lies.

#include "tools/export/export_options.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// The folder this program was started from.
fs::path OwnFolder(const char *argv0) {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return (error ? fs::absolute(argv0, error) : self).parent_path();
}

} // namespace

int main(int argc, char **argv) {
    ExportOptions options;
    if (const std::optional<int> exitCode = ReadExportCommandLine(argc, argv, options)) {
        return *exitCode;
    }
    const fs::path own = OwnFolder(argv[0]);
    const std::string name = "tileview-export-" + (options.poster ? std::string("poster")
                                                                  : std::to_string(options.mode));
    std::string composer = (own / name).string();
    if (access(composer.c_str(), F_OK) != 0) {
        composer = (own / DRAVIK_COMPOSER_DIR / name).lexically_normal().string();
    }
    argv[0] = const_cast<char *>(composer.c_str());
    execv(composer.c_str(), argv);
    std::fprintf(stderr, "tileview-export: %s: %s\n", composer.c_str(), std::strerror(errno));
    return EXPORT_EXIT_FILE;
}
