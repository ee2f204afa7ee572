// Little-endian 32-bit numbers of binary files (trelik.cfg, .uam records),
// and the byte searches of the line readers: sixteen bytes a step where the
// processor has SSE2 (every x86-64 one), one at a time elsewhere. Neither
// reads a byte past p + n.
#pragma once

#include <cstdint>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

inline std::int32_t getle32(const unsigned char *b) {
    return std::int32_t(std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
                        std::uint32_t(b[3]) << 24);
}

inline void putle32(unsigned char *b, std::int32_t v) {
    std::uint32_t u = std::uint32_t(v);
    b[0] = (unsigned char)(u);
    b[1] = (unsigned char)(u >> 8);
    b[2] = (unsigned char)(u >> 16);
    b[3] = (unsigned char)(u >> 24);
}

// The place of the first a or b in the n bytes at p; n when there is none.
inline std::uint32_t findeither(const unsigned char *p, std::uint32_t n, unsigned char a, unsigned char b) {
    std::uint32_t i = 0;
#ifdef __SSE2__
    const __m128i va = _mm_set1_epi8(char(a)), vb = _mm_set1_epi8(char(b));
    for (; i + 16 <= n; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
        unsigned m = unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb))));
        if (m) return i + std::uint32_t(__builtin_ctz(m));
    }
#endif
    for (; i < n; ++i)
        if (p[i] == a || p[i] == b) return i;
    return n;
}

// The places of the first max bytes c in the n bytes at p, into at; the
// result is their number.
inline std::uint32_t findeach(const unsigned char *p, std::uint32_t n, unsigned char c, std::uint32_t *at,
                              std::uint32_t max) {
    std::uint32_t i = 0, k = 0;
#ifdef __SSE2__
    const __m128i vc = _mm_set1_epi8(char(c));
    for (; i + 16 <= n; i += 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
        unsigned m = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, vc)));
        for (; m && k < max; m &= m - 1) at[k++] = i + std::uint32_t(__builtin_ctz(m));
        if (k == max) return k;
    }
#endif
    for (; i < n && k < max; ++i)
        if (p[i] == c) at[k++] = i;
    return k;
}

// Whether the n bytes at w (0 < n) are a piece of the hn bytes at h: the
// places where w's first and last bytes both fit are tried, sixteen at a
// time with SSE2.
inline bool holdspiece(const unsigned char *h, std::uint32_t hn, const unsigned char *w, std::uint32_t n) {
    if (n > hn) return false;
    std::uint32_t i = 0, places = hn - n + 1;
    auto same = [&](std::uint32_t at) {
        for (std::uint32_t k = 1; k + 1 < n; ++k)
            if (h[at + k] != w[k]) return false;
        return true;
    };
#ifdef __SSE2__
    const __m128i vf = _mm_set1_epi8(char(w[0])), vl = _mm_set1_epi8(char(w[n - 1]));
    for (; i + 16 <= places; i += 16) {
        __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(h + i));
        __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(h + i + n - 1));
        unsigned m = unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, vf), _mm_cmpeq_epi8(b, vl))));
        for (; m; m &= m - 1)
            if (same(i + std::uint32_t(__builtin_ctz(m)))) return true;
    }
#endif
    for (; i < places; ++i)
        if (h[i] == w[0] && h[i + n - 1] == w[n - 1] && same(i)) return true;
    return false;
}

// Whether the n bytes at p hold two blanks side by side.
inline bool holdsdoubleblank(const unsigned char *p, std::uint32_t n) {
    std::uint32_t i = 0;
#ifdef __SSE2__
    const __m128i blank = _mm_set1_epi8(' ');
    auto at = [&](std::uint32_t k) {
        __m128i a = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + k)), blank);
        __m128i b = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + k + 1)), blank);
        return _mm_movemask_epi8(_mm_and_si128(a, b)) != 0;
    };
    if (n >= 17) {
        for (; i + 17 <= n; i += 16)
            if (at(i)) return true;
        // The rest in one more step that overlaps the last.
        return i < n - 1 && at(n - 17);
    }
#endif
    for (; i + 1 < n; ++i)
        if (p[i] == ' ' && p[i + 1] == ' ') return true;
    return false;
}
