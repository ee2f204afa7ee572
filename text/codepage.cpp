// The 18 Polish letters with diacritics in 19 code pages, conversion between
// the pages letter by letter, detection of a text's page by counting letters,
// and console output of a text.

#include "text/codepage.h"

#include <array>
#include <cstdio>

namespace {

constexpr shortstr cprow(std::array<unsigned char, 18> b) {
    shortstr r;
    for (std::size_t i = 0; i < b.size(); i++) r.buf[i] = char(b[i]);
    r.len = std::uint8_t(b.size());
    r.buf[r.len] = 0;
    return r;
}

}  // namespace

// Letters in the order Ą Ć Ę Ł Ń Ó Ś Ź Ż ą ć ę ł ń ó ś ź ż. Page 1 maps Ź and Ż
// (and ź and ż) to the same letter, so it is only ever a target.
// One row a line, as the code pages are read side by side.
// clang-format off
constexpr shortstr cptable[cpcount + 1] = {
    shortstr(),
    cprow({0x41, 0x43, 0x45, 0x4C, 0x4E, 0x4F, 0x53, 0x5A, 0x5A, 0x61, 0x63, 0x65, 0x6C, 0x6E, 0x6F, 0x73, 0x7A, 0x7A}),  // 1: letters without diacritics
    cprow({0xA4, 0x8F, 0xA8, 0x9D, 0xE3, 0xE0, 0x97, 0x8D, 0xBD, 0xA5, 0x86, 0xA9, 0x88, 0xE4, 0xA2, 0x98, 0xAB, 0xBE}),  // 2: CP852
    cprow({0x8F, 0x95, 0x90, 0x9C, 0xA5, 0xA3, 0x98, 0xA0, 0xA1, 0x86, 0x8D, 0x91, 0x92, 0xA4, 0xA2, 0x9E, 0xA6, 0xA7}),  // 3: Mazovia
    cprow({0xA5, 0xC6, 0xCA, 0xA3, 0xD1, 0xD3, 0x8C, 0x8F, 0xAF, 0xB9, 0xE6, 0xEA, 0xB3, 0xF1, 0xF3, 0x9C, 0x9F, 0xBF}),  // 4: Windows-1250
    cprow({0xA1, 0xC6, 0xCA, 0xA3, 0xD1, 0xD3, 0xA6, 0xAC, 0xAF, 0xB1, 0xE6, 0xEA, 0xB3, 0xF1, 0xF3, 0xB6, 0xBC, 0xBF}),  // 5: ISO 8859-2
    cprow({0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F, 0x90, 0x91}),  // 6
    cprow({0x8F, 0x80, 0x90, 0x9C, 0xA5, 0x93, 0x98, 0x9D, 0x92, 0xA0, 0x9B, 0x82, 0x9F, 0xA4, 0xA2, 0x87, 0xA8, 0x91}),  // 7
    cprow({0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x88, 0x87, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA8, 0xA7}),  // 8
    cprow({0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x88, 0x87, 0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x98, 0x97}),  // 9
    cprow({0xC2, 0xCA, 0xCB, 0xCE, 0xCF, 0xD3, 0xD4, 0xDA, 0xDB, 0xE2, 0xEA, 0xEB, 0xEE, 0xEF, 0xF3, 0xF4, 0xFA, 0xFB}),  // 10
    cprow({0xC6, 0xC7, 0xCA, 0xCE, 0xD1, 0xD3, 0xD5, 0xDB, 0xDE, 0xE6, 0xE7, 0xEA, 0xEE, 0xF1, 0xF3, 0xF5, 0xFB, 0xFE}),  // 11
    cprow({0x8F, 0x80, 0x90, 0x9C, 0xA5, 0x99, 0xEB, 0x9D, 0x92, 0xA0, 0x9B, 0x82, 0x9F, 0xA4, 0xA2, 0x87, 0xA8, 0x91}),  // 12
    cprow({0x97, 0x99, 0xA5, 0xA6, 0x92, 0x8F, 0x8E, 0x90, 0x80, 0x96, 0x94, 0xA4, 0xA7, 0x91, 0xA2, 0x84, 0x82, 0x87}),  // 13
    cprow({0xC1, 0xC3, 0xC5, 0xCC, 0xCE, 0xCF, 0xD3, 0xDA, 0xD9, 0xE1, 0xE3, 0xE5, 0xEC, 0xEE, 0xEF, 0xF3, 0xFA, 0xF9}),  // 14
    cprow({0x84, 0x8C, 0xA2, 0xFC, 0xC1, 0xEE, 0xE5, 0x8F, 0xFB, 0x88, 0x8D, 0xAB, 0xB8, 0xC4, 0x97, 0xE6, 0x90, 0xFD}),  // 15: Macintosh Central European
    cprow({0x81, 0x82, 0x86, 0x8A, 0x8B, 0xD3, 0x91, 0x99, 0x9B, 0xA1, 0xA2, 0xA6, 0xAA, 0xAB, 0xF3, 0xB1, 0xB9, 0xBB}),  // 16: Cork (T1) font encoding
    cprow({0xC2, 0xC7, 0xCA, 0xCE, 0xD1, 0xD3, 0xD4, 0xDA, 0xDB, 0xE2, 0xE7, 0xEA, 0xEE, 0xF1, 0xF3, 0xF4, 0xFA, 0xFB}),  // 17
    cprow({0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC8, 0xC7, 0xE6, 0xE7, 0xEA, 0xEE, 0xF1, 0xF3, 0xF5, 0xFB, 0xFE}),  // 18
    cprow({0x8F, 0x95, 0x90, 0x9C, 0xA5, 0xA3, 0x98, 0xA0, 0xA1, 0x86, 0x87, 0x91, 0x92, 0xA4, 0xA2, 0x9E, 0xA6, 0xA7}),  // 19: Mazovia with ć at 87
};
// clang-format on

namespace {

// Lowest (lo) or highest byte of the letters of pages 2..19.
constexpr unsigned char cpbound(bool lo) {
    unsigned char r = lo ? 255 : 0;
    for (int p = 2; p <= cpcount; p++)
        for (std::size_t k = 0; k < cptable[p].size(); k++) {
            unsigned char b = cptable[p].at(k);
            if (lo ? b < r : b > r) r = b;
        }
    return r;
}

// For each page 2..19 and byte: 1 + the letter's position in the page's row,
// or 0 when the byte is none of the page's letters. Turns convertchar's search
// of the row into one look-up.
struct cpindex {
    std::uint8_t pos[cpcount + 1][256];
};

constexpr cpindex buildindex() {
    cpindex x{};
    for (int p = 2; p <= cpcount; p++)
        for (std::size_t k = cptable[p].size(); k-- > 0;) x.pos[p][cptable[p].at(k)] = std::uint8_t(k + 1);
    return x;
}

constexpr cpindex cpidx = buildindex();

bool validpage(int p) { return p >= 1 && p <= cpcount; }

}  // namespace

// Both are derived again by cpinit at start-up; the initial values are the
// same, so a conversion before start-up is already right.
unsigned char cplow = cpbound(true);
unsigned char cphigh = cpbound(false);

std::int32_t detectcount[cpcount + 1];
std::uint8_t detectorder[cpcount - 1];
std::uint8_t detectedpage;

int consolepage = 1;

// The byte map of the last pair of pages converted between, made again when
// another pair comes: the texts of a run are all converted between one pair.
static unsigned char pagemap[256];
static int pagemapfrom = 0, pagemapto = 0;  // its pages; 0 before the first conversion

void cpinit() {
    cplow = cpbound(true);
    cphigh = cpbound(false);
    pagemapfrom = pagemapto = 0;
    detectreset();
}

unsigned char convertchar(unsigned char c, int from, int to) {
    if (from <= 1 || from == to || from > cpcount || !validpage(to)) return c;
    if (c < cplow || c > cphigh) return c;
    std::uint8_t k = cpidx.pos[from][c];
    return k ? cptable[to].at(k - 1u) : c;
}

void convertpage(shortstr &s, int from, int to) {
    if (from <= 1 || from == to || from > cpcount || !validpage(to)) return;
    if (from != pagemapfrom || to != pagemapto) {
        for (int c = 0; c < 256; c++) pagemap[c] = convertchar((unsigned char)c, from, to);
        pagemapfrom = from;
        pagemapto = to;
    }
    for (std::size_t i = 0, n = s.size(); i < n; i++) s.buf[i] = char(pagemap[s.at(i)]);
}

void detectreset() {
    for (auto &c : detectcount) c = 0;
    for (int i = 0; i < cpcount - 1; i++) detectorder[i] = std::uint8_t(i + 2);
    detectedpage = 0;
}

void detectadd(const shortstr &s) {
    std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n) {
        unsigned char c = s.at(i);
        if (c == ' ' && i + 2 < n && s[i + 2] == ' ') {
            // A one-byte word between blanks (a stray sign) is not counted.
            i += 2;
            continue;
        }
        if (i + 1 < n && s.at(i + 1) == c) {
            // A run of equal bytes counts once, at its last byte.
            i++;
            continue;
        }
        if (c >= cplow && c <= cphigh)
            for (int p = 2; p <= cpcount; p++)
                if (cpidx.pos[p][c] && detectcount[p] < INT32_MAX) detectcount[p]++;
        i++;
    }
}

int detectpage() {
    // Pages by their counts, largest first; a stable insertion sort from
    // ascending page numbers keeps the lower page first among equal counts.
    for (int i = 0; i < cpcount - 1; i++) detectorder[i] = std::uint8_t(i + 2);
    for (int i = 1; i < cpcount - 1; i++) {
        std::uint8_t p = detectorder[i];
        int j = i;
        while (j > 0 && detectcount[p] > detectcount[detectorder[j - 1]]) {
            detectorder[j] = detectorder[j - 1];
            j--;
        }
        detectorder[j] = p;
    }
    std::uint8_t first = detectorder[0];
    detectedpage = detectcount[first] > 0 ? first : std::uint8_t(cpplain);
    return detectedpage;
}

bool consolewrite(const shortstr &s, bool endline) {
    shortstr t = s;
    convertpage(t, cpmazovia, consolepage);
    if (std::fwrite(t.data(), 1, t.size(), stdout) != t.size()) return false;
    if (endline && std::fputc('\n', stdout) == EOF) return false;
    return std::fflush(stdout) == 0;
}
