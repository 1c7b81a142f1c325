#pragma once
// Little-endian field access on raw file blocks. Fields are assembled from bytes so that the
// result does not depend on the host's byte order or on the alignment of the block.

#include <cstdint>

inline std::uint32_t ReadU32LE(const unsigned char *p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::int32_t ReadI32LE(const unsigned char *p) {
    return static_cast<std::int32_t>(ReadU32LE(p));
}

inline std::uint16_t ReadU16LE(const unsigned char *p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
