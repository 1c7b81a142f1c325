#pragma once
// Shared by the fuzz targets: the check that keeps a breaking input, and the taking apart of an
// input into the pieces a target feeds its reader.

#include <cstddef>
#include <cstdint>

// Stops the process with a message when a property of the code under test does not hold, so
// that the fuzzer keeps the input that broke it.
void Require(bool holds, const char *what);

// The input still to be taken, front first.
struct FuzzBytes {
    const std::uint8_t *data;
    std::size_t size;
};

// The next n bytes (fewer when the input ends sooner).
FuzzBytes TakeBytes(FuzzBytes &input, std::size_t n);

// The next little-endian 16- or 32-bit number, zero-filled when the input ends sooner.
std::uint16_t TakeU16(FuzzBytes &input);
std::uint32_t TakeU32(FuzzBytes &input);
