#include "tools/tiled/tiled_command.h"

#include <vector>

bool ParseTiledCommand(int argc, const char *const *argv, TiledCommand &command,
                       std::string &error) {
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        const OptionArgument option = SplitOptionArgument(argv[i]);
        if (TakeAboutOption(option, command.about)) {
            continue;
        }
        if (option.name.size() > 1 && option.name[0] == '-') {
            error = "unknown option '" + std::string(argv[i]) + "'";
            return false;
        }
        words.emplace_back(argv[i]);
    }
    if (command.about != AboutRequest::None) {
        return true;
    }
    if (words.size() != 3 || (words[0] != "export" && words[0] != "import")) {
        error = words.empty() ? "no command given (export or import)"
                              : "expected 'export WORLD OUT' or 'import MAPS WORLD'";
        return false;
    }
    command.action = words[0] == "export" ? TiledAction::Export : TiledAction::Import;
    command.from = words[1];
    command.to = words[2];
    return true;
}
