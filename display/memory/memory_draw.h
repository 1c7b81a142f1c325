#pragma once
// The back buffer in plain memory: the build's W x H palette indices, on which memory_draw.cpp
// clears, copies tiles and writes the overlay, as display/draw.h declares them. The present is
// each platform's own: SDL and the page convert the frame through DisplayPalette and show it;
// the tools write it out.

#include "display/display_mode.h"

#include <cstdint>

extern std::uint8_t BackBufferPixels[W * H];
