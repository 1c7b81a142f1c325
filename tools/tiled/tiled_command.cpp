#include "tools/tiled/tiled_command.h"

#include <vector>

namespace {

struct ActionWords {
    const char *name;
    TiledAction action;
    std::size_t words; // the name and its operands
};

constexpr ActionWords ACTIONS[] = {{"export", TiledAction::Export, 3},
                                   {"import", TiledAction::Import, 3},
                                   {"map", TiledAction::Map, 3},
                                   {"segment", TiledAction::Segment, 3},
                                   {"install-extension", TiledAction::InstallExtension, 1}};

} // namespace

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
    for (const ActionWords &action : ACTIONS) {
        if (!words.empty() && words[0] == action.name && words.size() == action.words) {
            command.action = action.action;
            command.from = words.size() > 1 ? words[1] : "";
            command.to = words.size() > 2 ? words[2] : "";
            return true;
        }
    }
    error = words.empty() ? "no command given (export, import, map, segment or install-extension)"
                          : "expected 'export WORLD OUT', 'import MAPS WORLD', 'map SEGMENT OUT', "
                            "'segment MAP SEGMENT' or 'install-extension'";
    return false;
}
