// Polish-aware string operations over code page 1250. Letters are recognised
// only through the two alphabet tables, so Polish letters count as letters and
// change case correctly, while other accented letters are left alone.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/shortstr.h"

extern const shortstr lowerletters;  // "aąbcćdeęfghijklłmnńoópqrsśtuvwxyzźż"
extern const shortstr upperletters;  // "AĄBCĆDEĘFGHIJKLŁMNŃOÓPQRSŚTUVWXYZŹŻ", aligned with lowerletters

// Settings of the name clean-up, owned by the runs that set them.
extern shortstr extrachars;  // characters cleanname keeps besides letters and digits
extern bool textbasemode;    // cleanname keeps every character but line breaks

// Start-up of the text utilities and the code pages: derives the code page
// table's byte range, resets the detection and the clean-up settings above;
// called once at start-up,
// before anything else. The letter, word and collation tables are computed at
// compile time, so every operation is already right before this runs.
void textinit();

// Word modes of firstword / popfirstword / lastword / poplastword.
enum : int {
    wordchars = 0,  // a word is a run of word characters (letters, digits)
    uptoblank = 1,  // a word ends at a blank (byte 32); a tab does not end it
};

inline bool isblanktab(unsigned char c) { return c == ' ' || c == '\t'; }  // a blank or a tab
bool isdigitchar(unsigned char c);
bool iswordchar(unsigned char c);
shortstr collapseblanks(const shortstr &s);
shortstr trimleft(const shortstr &s);
shortstr trimright(const shortstr &s);
shortstr trimboth(const shortstr &s);
shortstr pllower(const shortstr &s);
void pllowerinto(const char *s, std::size_t n, char *to);  // n bytes of s in lower case into to
shortstr plupper(const shortstr &s);
shortstr firstword(const shortstr &s, int mode);
shortstr popfirstword(shortstr &s, int mode);
shortstr lastword(const shortstr &s, int mode);
shortstr poplastword(shortstr &s, int mode);
shortstr numtostr(std::int32_t n);
// The decimal digits of n (with "-" when negative) written at p, which has
// room for 11 bytes; the number of bytes written. Runs for every number of
// every record written.
std::uint32_t putdec(char *p, std::int32_t n);
// The longest valid leading number: blanks and tabs, an optional sign, then
// decimal digits, or hexadecimal ones after "$" or "0x". 0 when there is none
// or when it does not fit 32 bits (it is never cut or wrapped).
std::int32_t strtonum(const shortstr &s);
std::int32_t strtonum(std::string_view s);
shortstr zeropad(std::int32_t n, int width);
int trailingdigits(const shortstr &s);
std::int32_t trailingnumber(const shortstr &s);
unsigned char lastchar(const shortstr &s);
// The name clean-up: bytes other than letters, digits and the kept ones
// become blanks, runs of blanks one blank, blanks and tabs at either end go.
void cleanname(shortstr &s);
// The byte map of cleanname under the current settings (each kept byte
// itself, any other a blank), for readers that clean as they go, and the
// same map followed by lower case. A small letter is never a blank, so both
// have their blanks and tabs at the same bytes.
const unsigned char *cleantable();
// Appends to name, each after a blank, the words of more (runs of letters
// and digits) that name does not hold yet as a word, compared without
// regard to case; a word that does not fit the 255 bytes is left out.
void addnewwords(shortstr &name, std::string_view more);
const unsigned char *cleanlowtable();

// Result codes of the comparisons: 0 equal, 1 first sorts before, 2 after.
// comparestr compares bytes; plcompare follows the Polish alphabet: bytes
// 0..64, the capitals (A Ą B C Ć ...), 91..96, the small letters, 123 and
// 124, then the other bytes in byte order. A text sorts before its longer
// continuations.
int comparestr(const shortstr &a, const shortstr &b);
int plcompare(const shortstr &a, const shortstr &b);
// Replaces every occurrence of pat from left to right, each search going on
// after the previous replacement; an empty pattern changes nothing.
void replaceall(shortstr &s, const shortstr &pat, const shortstr &rep);
shortstr reversestr(const shortstr &s);
int lastpos(const shortstr &pat, const shortstr &s);  // 1-based, 0 when absent
void droplastchar(shortstr &s);
bool startswith(const shortstr &s, const shortstr &prefix);  // true for an empty prefix

// A control byte (below 0x20 but the tab, or DEL): shown as "?" wherever a
// text goes out to a terminal, standard error or a pane line.
inline bool iscontrolbyte(char c) { return ((unsigned char)c < 0x20 && c != '\t') || c == 0x7F; }
