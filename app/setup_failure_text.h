#pragma once
// What the Windows programs say when the display cannot be set up, in words a user can act on.

#include "display/setup_step.h"

#include <cstdint>
#include <string>

// The four viewers, one per display mode, in the order they are built.
struct ViewerMode {
    int width;
    int height;
    const char *program;
};
inline constexpr int VIEWER_MODE_COUNT = 4;
inline constexpr ViewerMode VIEWER_MODES[VIEWER_MODE_COUNT] = {
    {1024, 768, "tileview-1024.exe"},
    {1600, 1200, "tileview-1600.exe"},
    {1280, 1024, "tileview-1280.exe"},
    {640, 480, "tileview-640.exe"},
};

// The screen refused width x height at 8 bits. offered[i] tells whether it lists VIEWER_MODES[i]
// at 8 bits; the other viewers it lists are suggested.
std::string DisplayModeFailureText(int width, int height, const bool (&offered)[VIEWER_MODE_COUNT]);

// Any other set-up step: its name, and the error's name and code.
std::string SetUpStepFailureText(SetUpStep step, const char *errorName, std::uint32_t code);
