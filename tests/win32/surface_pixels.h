#pragma once
// Test access to DirectDraw surfaces and a window to hold the display.

#include "display/win32/ddraw_display.h"

#include <cstdint>
#include <vector>

// A shown popup window of a class with default handling, for the cooperative level.
HWND CreateTestWindow();

// The surface's 8-bit pixels row by row (width x height), read under Lock; empty if the lock
// fails.
std::vector<std::uint8_t> ReadPixels(IDirectDrawSurface7 *surface, int width, int height);

// Sets the pixels of rows [top, bottom) of the surface to value, under Lock.
bool FillRows(IDirectDrawSurface7 *surface, int top, int bottom, std::uint8_t value);
