#include "tests/fuzz/fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

void Require(bool holds, const char *what) {
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

FuzzBytes TakeBytes(FuzzBytes &input, std::size_t n) {
    const FuzzBytes taken{input.data, std::min(n, input.size)};
    input.data += taken.size;
    input.size -= taken.size;
    return taken;
}

std::uint16_t TakeU16(FuzzBytes &input) {
    const FuzzBytes b = TakeBytes(input, 2);
    std::uint16_t value = 0;
    for (std::size_t i = b.size; i-- > 0;) {
        value = static_cast<std::uint16_t>(value << 8U | b.data[i]);
    }
    return value;
}

std::uint32_t TakeU32(FuzzBytes &input) {
    const FuzzBytes b = TakeBytes(input, 4);
    std::uint32_t value = 0;
    for (std::size_t i = b.size; i-- > 0;) {
        value = value << 8U | b.data[i];
    }
    return value;
}
