#pragma once
// Composes one complete frame of the current view on the back buffer and presents it.

// Always 1.
int RenderFrame();
