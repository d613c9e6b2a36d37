// Which of 64 bytes fall in a range, as one bit each (bit i: byte i), with
// SSE2 where the machine has it and a plain loop elsewhere. The Big5 decoder
// uses these masks to find every character of a stretch at once, instead of
// asking byte by byte where one ends and the next begins.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace session {

// Bit i for each p[i] (i < 64) from `lo` to `hi`, both included.
inline std::uint64_t BytesIn(const unsigned char *p, unsigned char lo, unsigned char hi)
{
#if defined(__SSE2__)
    const __m128i low = _mm_set1_epi8(static_cast<char>(lo));
    const __m128i span = _mm_set1_epi8(static_cast<char>(hi - lo));
    std::uint64_t bits = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * k));
        const __m128i d = _mm_sub_epi8(v, low);
        const __m128i in = _mm_cmpeq_epi8(_mm_min_epu8(d, span), d);
        bits |= std::uint64_t(std::uint16_t(_mm_movemask_epi8(in))) << (16 * k);
    }
    return bits;
#else
    std::uint64_t bits = 0;
    for (int i = 0; i < 64; ++i)
        bits |= std::uint64_t(static_cast<unsigned char>(p[i] - lo) <=
                              static_cast<unsigned char>(hi - lo))
                << i;
    return bits;
#endif
}

// Bit i for each p[i] (i < 64) at or above 0x80.
inline std::uint64_t HighBytes(const unsigned char *p)
{
#if defined(__SSE2__)
    std::uint64_t bits = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * k));
        bits |= std::uint64_t(std::uint16_t(_mm_movemask_epi8(v))) << (16 * k);
    }
    return bits;
#else
    return BytesIn(p, 0x80, 0xFF);
#endif
}

} // namespace session
