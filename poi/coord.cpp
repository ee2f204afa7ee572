// Decimal degrees into 0.0000001-degree units, exactly: the digits are
// shifted, never converted through a binary floating-point number, so
// "52.12345675" rounds the same way on every machine.

#include "poi/coord.h"

bool degunits(std::string_view field, std::int32_t limit, std::int32_t &units) {
    const char *p = field.data(), *e = p + field.size();
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (p < e && blank(*p)) ++p;
    while (e > p && blank(e[-1])) --e;
    bool neg = false;
    if (p < e && (*p == '-' || *p == '+')) neg = *p++ == '-';
    // The significant digits (leading zeros dropped, at most 19 kept) and the
    // power of ten of the last one kept; digits past those only tell whether
    // anything non-zero followed (for the rounding).
    std::uint64_t mant = 0;
    int kept = 0, scale = 0, digits = 0;
    bool dot = false, rest = false;
    for (; p < e; ++p) {
        if (*p == '.') {
            if (dot) return false;
            dot = true;
            continue;
        }
        if (unsigned(*p - '0') >= 10) break;
        ++digits;
        if (kept < 19 && (kept > 0 || *p != '0')) {
            mant = mant * 10 + unsigned(*p - '0');
            ++kept;
            if (dot) --scale;
        } else if (kept < 19) {
            if (dot) --scale;  // a leading zero after the dot
        } else {
            if (!dot) ++scale;
            if (*p != '0') rest = true;
        }
    }
    if (digits == 0) return false;
    if (p < e) {
        if (*p != 'e' && *p != 'E') return false;
        ++p;
        bool eneg = false;
        if (p < e && (*p == '-' || *p == '+')) eneg = *p++ == '-';
        if (p == e) return false;
        int x = 0;
        for (; p < e; ++p) {
            if (unsigned(*p - '0') >= 10) return false;
            if (x < 10000) x = x * 10 + (*p - '0');
        }
        scale += eneg ? -x : x;
    }
    // mant * 10^scale degrees; in units that is mant * 10^(scale + 7).
    int shift = scale + 7;
    std::uint64_t v;
    if (mant == 0) {
        v = 0;
    } else if (shift >= 0) {
        // Whole units already; anything larger than the limit is refused
        // before it could overflow.
        if (shift > 10) return false;
        v = mant;
        for (int i = 0; i < shift; ++i) {
            v *= 10;
            if (v > std::uint64_t(limit)) return false;
        }
    } else {
        // Digits below the unit are dropped, rounding half to even.
        if (-shift > 19) {
            v = 0;
        } else {
            std::uint64_t div = 1;
            for (int i = 0; i < -shift; ++i) div *= 10;
            v = mant / div;
            std::uint64_t r = mant % div, half = div / 2;
            if (r > half || (r == half && (rest || (v & 1)))) ++v;
        }
    }
    if (v > std::uint64_t(limit)) return false;
    units = std::int32_t(neg ? -std::int64_t(v) : std::int64_t(v));
    return true;
}
