// shortstr: the value type of every text in the program. At most 255 bytes of
// code page 1250; building or joining anything longer cuts it at 255 bytes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "text/cp1250.h"

struct shortstr {
    static constexpr std::size_t maxlen = 255;

    std::uint8_t len = 0;    // bytes in use, 0..255
    char buf[maxlen + 1]{};  // the bytes; buf[len] is always 0

    constexpr shortstr() = default;
    constexpr shortstr(const char *s, std::size_t n) { assign(s, n); }
    constexpr shortstr(std::string_view v) { assign(v.data(), v.size()); }
    constexpr shortstr(const char *s) { assign(s, s ? std::char_traits<char>::length(s) : 0); }
    shortstr(const std::string &s) { assign(s.data(), s.size()); }

    // Bytes copied in one call at run time (std::copy_n becomes memmove for
    // bytes): every text passes through here. memmove, as a text may be
    // assigned a piece of itself.
    static constexpr void copy(char *to, const char *from, std::size_t n) { std::copy_n(from, n, to); }

    constexpr void assign(const char *s, std::size_t n) {
        if (n > maxlen) n = maxlen;
        copy(buf, s, n);
        len = std::uint8_t(n);
        buf[len] = 0;
    }

    constexpr std::size_t size() const { return len; }
    constexpr bool empty() const { return len == 0; }
    constexpr const char *data() const { return buf; }
    constexpr const char *c_str() const { return buf; }
    constexpr std::string_view view() const { return std::string_view(buf, len); }
    std::string str() const { return std::string(buf, len); }

    // Byte at a 0-based position, as unsigned.
    constexpr unsigned char at(std::size_t i) const { return (unsigned char)buf[i]; }
    constexpr char operator[](std::size_t i) const { return buf[i]; }
    constexpr char &operator[](std::size_t i) { return buf[i]; }

    // Appending cuts at 255 bytes.
    constexpr shortstr &append(const char *s, std::size_t n) {
        std::size_t room = maxlen - len;
        if (n > room) n = room;
        copy(buf + len, s, n);
        len = std::uint8_t(len + n);
        buf[len] = 0;
        return *this;
    }
    constexpr shortstr &operator+=(const shortstr &o) { return append(o.buf, o.len); }
    constexpr shortstr &operator+=(std::string_view v) { return append(v.data(), v.size()); }
    constexpr shortstr &operator+=(const char *s) { return *this += std::string_view(s); }
    constexpr shortstr &operator+=(char c) { return append(&c, 1); }

    // Bytes [pos, pos+n) (clamped to the text).
    constexpr shortstr sub(std::size_t pos, std::size_t n = maxlen) const {
        if (pos >= len) return shortstr();
        if (n > len - pos) n = len - pos;
        return shortstr(buf + pos, n);
    }
    // Removes n bytes at pos (clamped).
    constexpr void erase(std::size_t pos, std::size_t n = maxlen) {
        if (pos >= len) return;
        if (n > len - pos) n = len - pos;
        for (std::size_t i = pos; i + n < len; i++) buf[i] = buf[i + n];
        len = std::uint8_t(len - n);
        buf[len] = 0;
    }
    constexpr void resize(std::size_t n) {
        if (n < len) {
            len = std::uint8_t(n);
            buf[len] = 0;
        }
    }

    friend constexpr bool operator==(const shortstr &a, const shortstr &b) { return a.view() == b.view(); }
    friend constexpr bool operator==(const shortstr &a, std::string_view b) { return a.view() == b; }
    friend constexpr bool operator==(const shortstr &a, const char *b) { return a.view() == std::string_view(b); }
};

constexpr shortstr operator+(shortstr a, const shortstr &b) { return a += b; }
constexpr shortstr operator+(shortstr a, std::string_view b) { return a += b; }
constexpr shortstr operator+(shortstr a, const char *b) { return a += b; }
constexpr shortstr operator+(shortstr a, char c) { return a += c; }
constexpr shortstr operator+(const char *a, const shortstr &b) { return shortstr(a) += b; }

// "Zamknij program"_pl: a UTF-8 source literal stored as code page 1250.
template <cplit L>
constexpr shortstr operator""_pl() {
    return shortstr(L.b, L.n);
}
