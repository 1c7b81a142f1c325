#include "app/setup_failure_text.h"

#include <cstdio>

namespace {

// "a", "a or b", "a, b or c".
std::string ListAlternatives(int width, int height, const bool (&offered)[VIEWER_MODE_COUNT]) {
    std::string names[VIEWER_MODE_COUNT];
    int count = 0;
    for (int i = 0; i < VIEWER_MODE_COUNT; ++i) {
        const ViewerMode &mode = VIEWER_MODES[i];
        if (offered[i] && (mode.width != width || mode.height != height)) {
            names[count++] = std::string("tileview-") + mode.name + ".exe";
        }
    }
    std::string list;
    for (int i = 0; i < count; ++i) {
        list += i == 0 ? "" : i == count - 1 ? " or " : ", ";
        list += names[i];
    }
    return list;
}

} // namespace

std::string DisplayModeFailureText(int width, int height,
                                   const bool (&offered)[VIEWER_MODE_COUNT]) {
    // Windows-1252's multiplication sign: the message box takes the program's code page.
    std::string text = "This screen cannot show " + std::to_string(width) + " \xD7 " +
                       std::to_string(height) + " with 256 colours.";
    const std::string others = ListAlternatives(width, height, offered);
    if (others.empty()) {
        return text + " It offers none of the viewers' modes at 256 colours.";
    }
    return text + " Try " + others + ".";
}

std::string SetUpStepFailureText(SetUpStep step, const char *errorName, std::uint32_t code) {
    char hex[16];
    (void)std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(code));
    return std::string("The display could not be set up: ") + SetUpStepName(step) +
           " failed with " + errorName + " (" + hex + ").";
}
