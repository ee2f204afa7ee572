// Little-endian 32-bit numbers of binary files (trelik.cfg, .uam records).
#pragma once

#include <cstdint>

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
