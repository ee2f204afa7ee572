// Code page 1250 and Unicode: the one table of the 128 upper bytes, shared by
// every build (the terminal, Linux paths and the Windows edge all use it), and
// the conversions done at the program's edges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Unicode code point of each byte 0x80..0xFF of code page 1250; 0 marks the
// five bytes the code page leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98).
inline constexpr char16_t cp1250hi[128] = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021, 0x0000, 0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// Byte of code page 1250 for a code point, or -1 when the page cannot hold it.
constexpr int cp1250byte(char32_t cp) {
    if (cp < 0x80) return int(cp);
    if (cp == 0) return -1;
    for (int i = 0; i < 128; i++)
        if (cp1250hi[i] == cp) return 0x80 + i;
    return -1;
}

// Code point of a byte of code page 1250; U+FFFD for the undefined ones.
constexpr char32_t cp1250cp(unsigned char b) {
    if (b < 0x80) return b;
    char16_t c = cp1250hi[b - 0x80];
    return c ? char32_t(c) : char32_t(0xFFFD);
}

// Runtime conversions at the edges. Text in: a character that code page 1250
// cannot hold (or a malformed UTF-8 / UTF-16 sequence) becomes "?". Text out:
// an undefined byte becomes "?".
std::string cp1250fromutf8(std::string_view s);
std::string utf8fromcp1250(std::string_view s);
// One byte of code page 1250 as UTF-8 at to (room for 3 bytes); the bytes
// written. For writers that build their lines in place.
std::size_t cp1250toutf8(char c, char *to);
std::string cp1250fromutf16(std::u16string_view s);
std::u16string utf16fromcp1250(std::string_view s);

// Texts read from outside files (UTF-8 inputs, XML): a Polish letter is its
// byte of code page 1250, any other Latin letter its plain letter (ö → o,
// ŵ → w), as the names keep only the letters of the Polish alphabet; a
// combining accent is dropped (the letter before it stays); any other
// character the page holds is its byte, the rest "?". The result of cp1250fold is a
// byte, or -1 for a character that is dropped.
int cp1250fold(char32_t cp);
// Folds UTF-8 at b (n bytes) into code page 1250 in place (the result is
// never longer) and gives the bytes made. A sequence cut off by the end of
// the n bytes is left: used tells how many bytes were taken, so that the rest
// can be put before the next piece. A malformed byte is kept as it is (taken
// for a code page 1250 byte).
std::size_t utf8fold(unsigned char *b, std::size_t n, std::size_t &used);
// The same for a whole text, appended to a code page 1250 text of at most
// max bytes (what does not fit is cut at a whole character); an unfinished
// sequence at the end counts as malformed.
void utf8foldto(std::string_view s, std::string &to, std::size_t max);
// What the bytes tell of a text's encoding: utf8yes when its first byte above
// 127 starts a well-formed multi-byte sequence and every sequence after it is
// well formed (one cut off by the end aside), utf8no when a byte above 127 is
// malformed, utf8open when no byte above 127 settles it.
enum : int { utf8open = 0, utf8yes = 1, utf8no = 2 };
int utf8verdict(const unsigned char *b, std::size_t n);
// The bytes at the end of b (n bytes) that begin a UTF-8 sequence cut off
// there: 0 to 3. A reader in pieces keeps them for the next piece.
std::size_t utf8cutoff(const unsigned char *b, std::size_t n);

// True when every character of the UTF-8 text (well formed) has a byte in code
// page 1250; used to refuse paths that would otherwise be changed by "?".
bool utf8fitscp1250(std::string_view s);
bool utf16fitscp1250(std::u16string_view s);

// Compile-time conversion of a UTF-8 source literal into code page 1250, so that
// the program's Polish texts stay readable in the source and are stored as
// code page 1250 bytes. A character the page cannot hold fails the build.
template <std::size_t N>
struct cplit {
    char b[N]{};
    std::size_t n = 0;
    consteval cplit(const char (&s)[N]) {
        std::size_t i = 0;
        while (i + 1 < N && s[i] != 0) {
            unsigned char c = (unsigned char)s[i];
            char32_t cp;
            int more;
            if (c < 0x80) {
                cp = c;
                more = 0;
            } else if ((c & 0xE0) == 0xC0) {
                cp = c & 0x1F;
                more = 1;
            } else if ((c & 0xF0) == 0xE0) {
                cp = c & 0x0F;
                more = 2;
            } else throw "literal holds a character outside code page 1250";
            i++;
            for (int k = 0; k < more; k++, i++) {
                if (i + 1 >= N || ((unsigned char)s[i] & 0xC0) != 0x80) throw "malformed UTF-8 in literal";
                cp = (cp << 6) | ((unsigned char)s[i] & 0x3F);
            }
            int byte = cp1250byte(cp);
            if (byte < 0) throw "literal holds a character outside code page 1250";
            b[n++] = char(byte);
        }
    }
};
