#pragma once
// Composes one complete frame of the current view on the back buffer and presents it.

inline constexpr int GRID_WINDOW_ROWS = 86;     // rows 0 to 85 of the grid are drawn
inline constexpr int GRID_WINDOW_COLUMNS = 145; // columns 0 to 144

// Always 1.
int RenderFrame();
