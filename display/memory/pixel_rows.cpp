#include "display/memory/pixel_rows.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define DRAVIK_HAVE_AVX2_PATH 1 // and the AVX-512BW path
#endif

namespace {

void KeyedCopyRowScalar(const std::uint8_t *source, std::uint8_t *destination, int width,
                        std::uint8_t key) {
    for (int x = 0; x < width; ++x) {
        // Branch-free, so that compilers may vectorise it where no hand-written path exists.
        destination[x] = source[x] == key ? destination[x] : source[x];
    }
}

#if defined(__SSE2__)

// Blending a block twice gives the same result as once (kept pixels keep the destination,
// the others take the source again), so a row's ragged end is done as one more block that
// overlaps the last whole one instead of pixel by pixel.
void Blend16(const std::uint8_t *source, std::uint8_t *destination, __m128i key) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i *>(source));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i *>(destination));
    const __m128i keep = _mm_cmpeq_epi8(s, key);
    const __m128i blended = _mm_or_si128(_mm_and_si128(keep, d), _mm_andnot_si128(keep, s));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(destination), blended);
}

void Blend8(const std::uint8_t *source, std::uint8_t *destination, __m128i key) {
    const __m128i s = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(source));
    const __m128i d = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(destination));
    const __m128i keep = _mm_cmpeq_epi8(s, key);
    const __m128i blended = _mm_or_si128(_mm_and_si128(keep, d), _mm_andnot_si128(keep, s));
    _mm_storel_epi64(reinterpret_cast<__m128i *>(destination), blended);
}

void KeyedCopyRowSse2(const std::uint8_t *source, std::uint8_t *destination, int width,
                      __m128i key) {
    if (width >= 16) {
        int x = 0;
        for (; x + 16 <= width; x += 16) {
            Blend16(source + x, destination + x, key);
        }
        if (x < width) {
            Blend16(source + width - 16, destination + width - 16, key);
        }
    } else if (width >= 8) {
        Blend8(source, destination, key);
        Blend8(source + width - 8, destination + width - 8, key);
    } else {
        KeyedCopyRowScalar(source, destination, width,
                           static_cast<std::uint8_t>(_mm_cvtsi128_si32(key)));
    }
}

#endif

} // namespace

#if defined(DRAVIK_HAVE_AVX2_PATH)

// Built for AVX2 alone and taken only when the processor has it; everything else keeps the
// baseline instruction set.
__attribute__((target("avx2"))) void KeyedCopyRowsAvx2(const std::uint8_t *source, int sourcePitch,
                                                       std::uint8_t *destination,
                                                       int destinationPitch, int width, int height,
                                                       std::uint8_t key) {
    const __m256i key32 = _mm256_set1_epi8(static_cast<char>(key));
    const __m128i key16 = _mm_set1_epi8(static_cast<char>(key));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *s = source + static_cast<long>(y) * sourcePitch;
        std::uint8_t *d = destination + static_cast<long>(y) * destinationPitch;
        if (width < 32) {
            KeyedCopyRowSse2(s, d, width, key16);
            continue;
        }
        // As with 16-pixel blocks, the ragged end is one more block overlapping the last.
        for (int x = 0;; x += 32) {
            const int at = x + 32 <= width ? x : width - 32;
            const __m256i sv = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(s + at));
            const __m256i dv = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(d + at));
            const __m256i keep = _mm256_cmpeq_epi8(sv, key32);
            _mm256_storeu_si256(reinterpret_cast<__m256i *>(d + at),
                                _mm256_blendv_epi8(sv, dv, keep));
            if (at + 32 >= width) {
                break;
            }
        }
    }
}

// With AVX-512BW a store can skip the keyed pixels itself: the destination is never read, and
// a row of up to 64 pixels is one masked load, one compare and one masked store.
__attribute__((target("avx512bw"))) void
KeyedCopyRowsAvx512(const std::uint8_t *source, int sourcePitch, std::uint8_t *destination,
                    int destinationPitch, int width, int height, std::uint8_t key) {
    const __m512i key64 = _mm512_set1_epi8(static_cast<char>(key));
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *s = source + static_cast<long>(y) * sourcePitch;
        std::uint8_t *d = destination + static_cast<long>(y) * destinationPitch;
        for (int x = 0; x < width; x += 64) {
            const int left = width - x;
            const __mmask64 inside = left >= 64 ? ~__mmask64{0} : (__mmask64{1} << left) - 1;
            const __m512i sv = _mm512_maskz_loadu_epi8(inside, s + x);
            const __mmask64 drawn = _mm512_mask_cmpneq_epi8_mask(inside, sv, key64);
            _mm512_mask_storeu_epi8(d + x, drawn, sv);
        }
    }
}

bool ProcessorHasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

bool ProcessorHasAvx512() {
    static const bool has = __builtin_cpu_supports("avx512bw");
    return has;
}

#endif

void KeyedCopyRowsBaseline(const std::uint8_t *source, int sourcePitch, std::uint8_t *destination,
                           int destinationPitch, int width, int height, std::uint8_t key) {
#if defined(__SSE2__)
    const __m128i keyVector = _mm_set1_epi8(static_cast<char>(key));
    for (int y = 0; y < height; ++y) {
        KeyedCopyRowSse2(source + static_cast<long>(y) * sourcePitch,
                         destination + static_cast<long>(y) * destinationPitch, width, keyVector);
    }
#else
    KeyedCopyRowsScalar(source, sourcePitch, destination, destinationPitch, width, height, key);
#endif
}

void KeyedCopyRowsScalar(const std::uint8_t *source, int sourcePitch, std::uint8_t *destination,
                         int destinationPitch, int width, int height, std::uint8_t key) {
    for (int y = 0; y < height; ++y) {
        KeyedCopyRowScalar(source + static_cast<long>(y) * sourcePitch,
                           destination + static_cast<long>(y) * destinationPitch, width, key);
    }
}

void KeyedCopyRows(const std::uint8_t *source, int sourcePitch, std::uint8_t *destination,
                   int destinationPitch, int width, int height, std::uint8_t key) {
#if defined(DRAVIK_HAVE_AVX2_PATH)
    if (ProcessorHasAvx512()) {
        KeyedCopyRowsAvx512(source, sourcePitch, destination, destinationPitch, width, height, key);
        return;
    }
    if (ProcessorHasAvx2()) {
        KeyedCopyRowsAvx2(source, sourcePitch, destination, destinationPitch, width, height, key);
        return;
    }
#endif
    KeyedCopyRowsBaseline(source, sourcePitch, destination, destinationPitch, width, height, key);
}

void ExpandIndexedRows(const std::uint8_t *source, int sourcePitch, const std::uint32_t *colours,
                       std::uint32_t *destination, int destinationPitch, int width, int height) {
    for (int y = 0; y < height; ++y) {
        const std::uint8_t *in = source + static_cast<long>(y) * sourcePitch;
        std::uint32_t *out =
            reinterpret_cast<std::uint32_t *>(reinterpret_cast<std::uint8_t *>(destination) +
                                              static_cast<long>(y) * destinationPitch);
        for (int x = 0; x < width; ++x) {
            out[x] = colours[in[x]];
        }
    }
}
