#pragma once
// A recording stand-in for the platform's drawing operations: every call the frame composition
// makes is kept, in order, for the tests to compare.

#include "display/draw.h"

#include <ostream>
#include <string>
#include <vector>

enum class DrawOp { Clear, Copy, BeginText, Text, EndText, Present };

struct DrawCall {
    DrawOp op;
    DrawRect source;      // Copy
    DrawRect destination; // Clear, Copy
    std::uint32_t fill;   // Clear
    int x, y;             // Text
    std::string text;     // Text
};

extern std::vector<DrawCall> DrawCalls;
// What BeginOverlayText answers; true unless a test takes the device context away.
extern bool OverlayAvailable;

void ResetDrawCalls();

// The copies of the last frame, in order.
std::vector<DrawCall> RecordedCopies();

bool operator==(const DrawRect &a, const DrawRect &b);
std::ostream &operator<<(std::ostream &out, const DrawRect &rect);
