#pragma once
// Row loops over 8-bit indexed pixels: the keyed tile copy and the expansion through the palette
// for presentation. Plain memory in, plain memory out, so that they can be tested and measured
// apart from any surface.

#include <cstdint>

// Copies width x height pixels from source to destination, leaving destination pixels alone
// where the source pixel equals key. The two blocks must not overlap.
void KeyedCopyRows(const std::uint8_t *source, int sourcePitch, std::uint8_t *destination,
                   int destinationPitch, int width, int height, std::uint8_t key);

// The baseline path: SSE2 where the target has it, else KeyedCopyRowsScalar. KeyedCopyRows
// takes the widest path the processor offers: AVX-512BW, AVX2 or the baseline.
void KeyedCopyRowsBaseline(const std::uint8_t *source, int sourcePitch, std::uint8_t *destination,
                           int destinationPitch, int width, int height, std::uint8_t key);

#if defined(__x86_64__) && defined(__GNUC__)
// The wider paths, to be called only where the processor has their instructions.
bool ProcessorHasAvx2();
bool ProcessorHasAvx512();
void KeyedCopyRowsAvx2(const std::uint8_t *source, int sourcePitch, std::uint8_t *destination,
                       int destinationPitch, int width, int height, std::uint8_t key);
void KeyedCopyRowsAvx512(const std::uint8_t *source, int sourcePitch, std::uint8_t *destination,
                         int destinationPitch, int width, int height, std::uint8_t key);
#endif

// The same, one pixel at a time: the reference the vector path is held to, and the path of
// targets without SSE2.
void KeyedCopyRowsScalar(const std::uint8_t *source, int sourcePitch, std::uint8_t *destination,
                         int destinationPitch, int width, int height, std::uint8_t key);

// Writes each index's colour from colours (256 entries, 0xAARRGGBB) to the 32-bit destination.
void ExpandIndexedRows(const std::uint8_t *source, int sourcePitch, const std::uint32_t *colours,
                       std::uint32_t *destination, int destinationPitch, int width, int height);
