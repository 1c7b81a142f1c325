#pragma once
// The user's commands: character keys scroll and step segments, a left click picks a cell.

#include <cstdint>

inline constexpr int CELL_PITCH = 55;

// Rows up to this one are shown counting down to 0; later rows are shown as they are.
inline constexpr int PICK_ROW_FOLD = 42;

// A character code as the platform delivers it; case-sensitive, unknown codes do nothing.
void OnCharacter(std::uint32_t code);

// 1 for the character that steps to the next segment, -1 for the one that steps back, 0 for
// any other: the characters that make OnCharacter read a segment file.
int SegmentStepOf(std::uint32_t code);

// The click position packed as the window system packs it: x in the low 16 bits, y in the next
// 16, each unsigned.
void OnLeftButtonDown(std::uint32_t packedPosition);
