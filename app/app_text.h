#pragma once
// The texts the shell shows, the same on every platform.

inline constexpr const char *APP_TITLE = "Dravik"; // window title and message-box caption
inline constexpr const char *APP_WINDOW_CLASS = "DravikWndClass";
inline constexpr const char *REGISTER_FAILED_TEXT = "RegisterMyWndClass failed";
inline constexpr const char *CREATE_WINDOW_FAILED_TEXT = "CreateWindow (for main window) failed";
inline constexpr const char *TERRAIN_MISSING_TEXT =
    "Cannot open terrain.db.\n\nStart the viewer in the folder that holds terrain.db, the six "
    "segment files and tiles.bmp.";
