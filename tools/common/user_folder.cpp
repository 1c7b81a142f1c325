#include "tools/common/user_folder.h"

#include <cstdlib>

bool XdgFolder(const char *variable, const char *fallback, std::filesystem::path &folder) {
    const char *set = std::getenv(variable);
    const char *home = std::getenv("HOME");
    if (set != nullptr && set[0] == '/') {
        folder = set;
    } else if (home != nullptr && home[0] != '\0') {
        folder = std::filesystem::path(home) / fallback;
    } else {
        return false;
    }
    return true;
}
