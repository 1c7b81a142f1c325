#pragma once
// Where a tool keeps a user's files of one kind (configuration, cache), by the XDG rule.

#include <filesystem>

// $variable when it holds an absolute path (a relative one is ignored, as the rule says), else
// $HOME/fallback; false when neither is set.
bool XdgFolder(const char *variable, const char *fallback, std::filesystem::path &folder);
