#pragma once
// The viewers, one per display mode, in the order they are built: tileview-NAME shows
// WIDTH x HEIGHT at 8 bits. CMake reads this table as it configures
// (cmake/DravikConstants.cmake) to build each program and to write the copies the page and the
// Python tests use; core_tests holds those copies to it. One entry a line, as written here.

struct ViewerMode {
    const char *name;
    int width;
    int height;
};
inline constexpr int VIEWER_MODE_COUNT = 4;
inline constexpr ViewerMode VIEWER_MODES[VIEWER_MODE_COUNT] = {
    {"1024", 1024, 768},
    {"1600", 1600, 1200},
    {"1280", 1280, 1024},
    {"640", 640, 480},
};
