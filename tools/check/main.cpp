// tileview-check [--json] [DIR]: reads a data folder the way the viewer reads it and reports what
// would go wrong. Exit code 0 when nothing is wrong, 1 when something is, 2 when the folder (or
// the command line) cannot be used.

#include "tools/check/check_command.h"
#include "tools/check/check_report.h"
#include "tools/common/option_values.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

constexpr int EXIT_CLEAN = 0;
constexpr int EXIT_PROBLEMS = 1;
constexpr int EXIT_UNREADABLE = 2;

const char USAGE[] =
    "Usage: tileview-check [--json] [DIR]\n"
    "Read a data folder as the Dravik viewers do and report what would go wrong.\n"
    "\n"
    "The report names each file with its size against the size expected, the\n"
    "terrain records in use, the references of each segment that no record holds,\n"
    "and the tile sheet's palette; every problem found is marked with '!'.\n"
    "\n"
    "Options:\n"
    "  DIR            the data folder (default: the working directory)\n"
    "  --json         one JSON object on stdout instead of the text report\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "Exit status:\n"
    "  0  nothing wrong\n"
    "  1  problems found\n"
    "  2  the folder cannot be read, or the command line is wrong\n";

// Enters folder, as the viewer runs in its data folder. Answers false, having said why.
bool EnterFolder(const char *folder) {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        std::fprintf(stderr, "tileview-check: %s: %s\n", folder,
                     error ? error.message().c_str() : "not a folder");
        return false;
    }
    std::filesystem::current_path(folder, error);
    if (!error) {
        // A folder that can be entered but not listed cannot be checked either.
        std::filesystem::directory_iterator listing(".", error);
    }
    if (error) {
        std::fprintf(stderr, "tileview-check: %s: %s\n", folder, error.message().c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv) {
    CheckCommand command;
    std::string problem;
    if (!ParseCheckCommand(argc, argv, command, problem)) {
        std::fprintf(stderr, "tileview-check: %s\n%s", problem.c_str(), USAGE);
        return EXIT_UNREADABLE;
    }
    if (command.about != AboutRequest::None) {
        PrintAbout(command.about, "tileview-check", USAGE);
        return EXIT_CLEAN;
    }
    const char *folder = command.folder.c_str();
    const bool json = command.json;
    std::error_code error;
    const std::string shown = std::filesystem::absolute(folder, error).lexically_normal().string();
    if (!EnterFolder(folder)) {
        return EXIT_UNREADABLE;
    }
    const CheckReport report = CheckDataFolder();
    const std::string text = json ? FormatCheckJson(report, shown) : FormatCheckText(report, shown);
    std::fputs(text.c_str(), stdout);
    return report.problems.empty() ? EXIT_CLEAN : EXIT_PROBLEMS;
}
