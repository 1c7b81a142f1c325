#pragma once
// What the Windows programs say when the display cannot be set up, in words a user can act on.

#include "display/setup_step.h"
#include "display/viewer_modes.h"

#include <cstdint>
#include <string>

// The screen refused width x height at 8 bits. offered[i] tells whether it lists VIEWER_MODES[i]
// at 8 bits; the other viewers it lists are suggested.
std::string DisplayModeFailureText(int width, int height, const bool (&offered)[VIEWER_MODE_COUNT]);

// Any other set-up step: its name, and the error's name and code.
std::string SetUpStepFailureText(SetUpStep step, const char *errorName, std::uint32_t code);
