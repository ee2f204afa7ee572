// Code page 1250 and Unicode at the program's edges.

#include <gtest/gtest.h>

#include <string>

#include "text/cp1250.h"

namespace {

bool undefinedbyte(int b) { return b == 0x81 || b == 0x83 || b == 0x88 || b == 0x90 || b == 0x98; }

TEST(cp1250, every_byte_round_trips) {
    std::string all, back;
    for (int b = 0; b < 256; b++) {
        all += char(b);
        back += undefinedbyte(b) ? '?' : char(b);
    }
    for (int b = 0; b < 256; b++) {
        std::string one(1, char(b));
        std::string want = undefinedbyte(b) ? "?" : one;
        EXPECT_EQ(cp1250fromutf8(utf8fromcp1250(one)), want) << "byte " << b;
        EXPECT_EQ(cp1250fromutf16(utf16fromcp1250(one)), want) << "byte " << b;
    }
    EXPECT_EQ(cp1250fromutf8(utf8fromcp1250(all)), back);
    EXPECT_EQ(cp1250fromutf16(utf16fromcp1250(all)), back);
    EXPECT_TRUE(utf8fitscp1250(utf8fromcp1250(all)));
    EXPECT_TRUE(utf16fitscp1250(utf16fromcp1250(all)));
    // The five undefined bytes go out as "?", not as a control or an empty text.
    EXPECT_EQ(utf8fromcp1250("a\x81\x83\x88\x90\x98z"), "a?????z");
    EXPECT_EQ(utf16fromcp1250("a\x81\x83\x88\x90\x98z"), u"a?????z");
}

TEST(cp1250, known_characters) {
    struct row {
        std::string cp;
        std::string utf8;
        std::u16string utf16;
    };
    const row rows[] = {
        {"\xA3\xF3\x64\x9F", "Łódź", u"Łódź"},
        {"\xA5\xB9\x8C\x9C\x8F\x9F\xAF\xBF", "ĄąŚśŹźŻż", u"ĄąŚśŹźŻż"},
        {"\x80\x84\x93\x94\x96\x97\x99", "€„“”–—™", u"€„“”–—™"},
        {"\xA0\xE4\xDF\xFF", "\u00A0äß˙", u"\u00A0äß˙"},
        {std::string("a\0b", 3), std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
        {"", "", u""},
    };
    for (const row &r : rows) {
        EXPECT_EQ(utf8fromcp1250(r.cp), r.utf8) << r.utf8;
        EXPECT_EQ(cp1250fromutf8(r.utf8), r.cp) << r.utf8;
        EXPECT_EQ(utf16fromcp1250(r.cp), r.utf16) << r.utf8;
        EXPECT_EQ(cp1250fromutf16(r.utf16), r.cp) << r.utf8;
    }
}

TEST(cp1250, utf8_in) {
    struct row {
        std::string in, out;
        bool fits;
    };
    const row rows[] = {
        {"plain ?", "plain ?", true},
        {"żółw", "\xBF\xF3\xB3w", true},
        {"ñ ы 中", "? ? ?", false},          // not in the page
        {"\xF0\x9F\x98\x80!", "?!", false},  // above U+FFFF
        {"\xEF\xBF\xBD", "?", false},        // U+FFFD itself
        {"A\xC0\xAF"
         "B",
         "A?B", false},                             // overlong "/"
        {"\xC1\xBF", "?", false},                   // overlong
        {"\xE0\x80\x80", "?", false},               // overlong NUL
        {"\xE0\x9F\xBF", "?", false},               // overlong
        {"\xF0\x8F\xBF\xBF", "?", false},           // overlong
        {"\xED\xA0\x80", "?", false},               // surrogate
        {"\xED\xA0\xBD\xED\xB8\x80", "??", false},  // surrogate pair spelt in UTF-8
        {"\xF4\x90\x80\x80", "?", false},           // above U+10FFFF
        {"\xF5\x80\x80\x80", "?", false},           // byte above F4
        {"\xF8\x88\x80\x80\x80", "?????", false},   // no such lead byte
        {"\xFF\xFE", "??", false},
        {"\x80", "?", false},  // stray continuation
        {"\x80\xBF"
         "a",
         "??a", false},
        {"\xC5", "?", false},  // truncated at the end
        {"\xC5"
         "a",
         "?a", false},  // truncated before a letter
        {"\xE2\x82", "?", false},
        {"\xE2\x82"
         "A\xE2\x82\xAC",
         "?A\x80", false},  // then a euro sign
        {"\xF0\x9F\x98", "?", false},
        {"\xC5\xC5\x82", "?\xB3", false},  // a new lead byte ends the sequence
    };
    for (const row &r : rows) {
        EXPECT_EQ(cp1250fromutf8(r.in), r.out) << r.in;
        EXPECT_EQ(utf8fitscp1250(r.in), r.fits) << r.in;
    }
}

TEST(cp1250, utf16_in) {
    struct row {
        std::u16string in;
        std::string out;
        bool fits;
    };
    const row rows[] = {
        {u"Łąka ?", "\xA3\xB9ka ?", true},
        {u"ñ", "?", false},
        {std::u16string{0xD83D, 0xDE00}, "?", false},  // one character above U+FFFF
        {std::u16string{0xD83D, 0xDE00, 'a'}, "?a", false},
        {std::u16string{0xD83D}, "?", false},  // lone high surrogate at the end
        {std::u16string{0xD83D, 'a'}, "?a", false},
        {std::u16string{0xDE00, 'a'}, "?a", false},     // lone low surrogate
        {std::u16string{0xDE00, 0xD83D}, "??", false},  // reversed pair
        {std::u16string{0xD83D, 0xD83D, 0xDE00}, "??", false},
        {std::u16string{0xFFFD, 0xFFFF}, "??", false},
        {u"", "", true},
    };
    for (const row &r : rows) {
        EXPECT_EQ(cp1250fromutf16(r.in), r.out) << r.out;
        EXPECT_EQ(utf16fitscp1250(r.in), r.fits) << r.out;
    }
}

}  // namespace
