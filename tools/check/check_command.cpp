#include "tools/check/check_command.h"

bool ParseCheckCommand(int argc, const char *const *argv, CheckCommand &command,
                       std::string &error) {
    bool folderGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--json") {
            command.json = true;
        } else if (TakeAboutOption(SplitOptionArgument(argv[i]), command.about)) {
            return true;
        } else if ((arg.empty() || arg[0] != '-') && !folderGiven) {
            command.folder = arg;
            folderGiven = true;
        } else {
            error = "unexpected argument '" + arg + "'";
            return false;
        }
    }
    return true;
}
