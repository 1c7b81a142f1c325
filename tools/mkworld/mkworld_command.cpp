#include "tools/mkworld/mkworld_command.h"

bool ParseMkworldCommand(int argc, const char *const *argv, MkworldCommand &command,
                         std::string &error) {
    for (int i = 1; i < argc; ++i) {
        TakeAboutOption(SplitOptionArgument(argv[i]), command.about);
    }
    if (command.about != AboutRequest::None) {
        return true;
    }
    if (argc != 2) {
        error = "one folder expected";
        return false;
    }
    command.folder = argv[1];
    return true;
}
