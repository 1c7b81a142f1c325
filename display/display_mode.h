#pragma once
// The display mode of this build. Sources that include this header are compiled once per mode.

#if !defined(DRAVIK_W) || !defined(DRAVIK_H)
#error "DRAVIK_W and DRAVIK_H name the display mode; the build sets them per program"
#endif

inline constexpr int W = DRAVIK_W;
inline constexpr int H = DRAVIK_H;
