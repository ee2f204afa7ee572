// Polish-aware string operations over code page 1250. Every operation is a
// plain loop over the bytes of a shortstr; letters are looked up in byte tables
// derived from the two alphabets, never searched for.

#include "text/strutil.h"

#include <cstring>

#include "text/bytes.h"

#include "text/codepage.h"

constexpr shortstr lowerletters = "aąbcćdeęfghijklłmnńoópqrsśtuvwxyzźż"_pl;
constexpr shortstr upperletters = "AĄBCĆDEĘFGHIJKLŁMNŃOÓPQRSŚTUVWXYZŹŻ"_pl;
static_assert(lowerletters.size() == 35 && upperletters.size() == 35);

shortstr extrachars;        // characters cleanname keeps besides letters and digits
bool textbasemode = false;  // cleanname keeps every byte but CR and LF

namespace {

// Byte tables derived from the alphabets. They are computed at compile time,
// so they are right from the program's first instruction, even for a caller
// that runs before textinit.
struct texttables {
    unsigned char lower[256];  // byte -> its small letter (other bytes: itself)
    unsigned char upper[256];  // byte -> its capital letter (other bytes: itself)
    bool word[256];            // letter of either alphabet, or a digit
    unsigned char rank[256];   // position of the byte in the collation order
};

constexpr texttables buildtables() {
    texttables t{};
    for (int b = 0; b < 256; b++) {
        t.lower[b] = (unsigned char)b;
        t.upper[b] = (unsigned char)b;
        t.word[b] = b >= '0' && b <= '9';
    }
    for (std::size_t k = 0; k < lowerletters.size(); k++) {
        unsigned char lo = lowerletters.at(k), up = upperletters.at(k);
        t.lower[up] = lo;
        t.upper[lo] = up;
        t.word[lo] = t.word[up] = true;
    }
    // Collation: bytes 0..64, the capitals in alphabetical order, 91..96,
    // the small letters in alphabetical order, 123 and 124, then every other
    // byte from 125 upward in byte order. Each of the 256 bytes gets a place,
    // so that 255 sorts last instead of falling outside the order.
    bool placed[256]{};
    int pos = 0;
    auto put = [&](unsigned char b) {
        if (!placed[b]) {
            placed[b] = true;
            t.rank[b] = (unsigned char)pos++;
        }
    };
    for (int b = 0; b <= 64; b++) put((unsigned char)b);
    for (std::size_t k = 0; k < upperletters.size(); k++) put(upperletters.at(k));
    for (int b = 91; b <= 96; b++) put((unsigned char)b);
    for (std::size_t k = 0; k < lowerletters.size(); k++) put(lowerletters.at(k));
    for (int b = 123; b <= 255; b++) put((unsigned char)b);
    return t;
}

constexpr texttables tt = buildtables();

// Index of the first byte that is neither blank nor tab.
inline std::size_t skipleft(const shortstr &s) {
    std::size_t i = 0;
    while (i < s.size() && isblanktab(s.at(i))) i++;
    return i;
}

// Length without the trailing blanks and tabs.
inline std::size_t skipright(const shortstr &s) {
    std::size_t n = s.size();
    while (n > 0 && isblanktab(s.at(n - 1))) n--;
    return n;
}

// Length of the word that starts at byte i, in the given mode.
inline std::size_t wordlenat(const shortstr &s, std::size_t i, int mode) {
    std::size_t j = i;
    if (mode == wordchars)
        while (j < s.size() && tt.word[s.at(j)]) j++;
    else
        while (j < s.size() && s.at(j) != ' ') j++;
    return j - i;
}

// Start of the word that ends before byte n, in the given mode.
inline std::size_t wordstartbefore(const shortstr &s, std::size_t n, int mode) {
    std::size_t j = n;
    if (mode == wordchars)
        while (j > 0 && tt.word[s.at(j - 1)]) j--;
    else
        while (j > 0 && s.at(j - 1) != ' ') j--;
    return j;
}

// First position at or after `from` where pat occurs in s, or npos.
constexpr std::size_t npos = std::size_t(-1);
std::size_t findfrom(const shortstr &s, const shortstr &pat, std::size_t from) {
    std::size_t n = s.size(), m = pat.size();
    if (m == 0 || m > n) return npos;
    for (std::size_t p = from; p + m <= n; p++)
        if (std::memcmp(s.data() + p, pat.data(), m) == 0) return p;
    return npos;
}

}  // namespace

void textinit() {
    cpinit();
    extrachars = shortstr();
    textbasemode = false;
}

bool isdigitchar(unsigned char c) { return c >= '0' && c <= '9'; }

bool iswordchar(unsigned char c) { return tt.word[c]; }

shortstr collapseblanks(const shortstr &s) {
    shortstr r;
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size(); i++) {
        char c = s[i];
        if (c == ' ' && n > 0 && r.buf[n - 1] == ' ') continue;
        r.buf[n++] = c;
    }
    r.len = std::uint8_t(n);
    r.buf[n] = 0;
    return r;
}

shortstr trimleft(const shortstr &s) {
    std::size_t i = skipleft(s);
    return shortstr(s.data() + i, s.size() - i);
}

shortstr trimright(const shortstr &s) { return shortstr(s.data(), skipright(s)); }

shortstr trimboth(const shortstr &s) {
    std::size_t n = skipright(s);
    std::size_t i = 0;
    while (i < n && isblanktab(s.at(i))) i++;
    return shortstr(s.data() + i, n - i);
}

shortstr pllower(const shortstr &s) {
    shortstr r = s;
    for (std::size_t i = 0; i < r.size(); i++) r.buf[i] = char(tt.lower[r.at(i)]);
    return r;
}

void pllowerinto(const char *s, std::size_t n, char *to) {
    for (std::size_t i = 0; i < n; i++) to[i] = char(tt.lower[(unsigned char)s[i]]);
}

shortstr plupper(const shortstr &s) {
    shortstr r = s;
    for (std::size_t i = 0; i < r.size(); i++) r.buf[i] = char(tt.upper[r.at(i)]);
    return r;
}

shortstr firstword(const shortstr &s, int mode) {
    std::size_t i = skipleft(s);
    return shortstr(s.data() + i, wordlenat(s, i, mode));
}

shortstr popfirstword(shortstr &s, int mode) {
    std::size_t i = skipleft(s);
    std::size_t n = wordlenat(s, i, mode);
    shortstr w(s.data() + i, n);
    std::size_t j = i + n;
    while (j < s.size() && isblanktab(s.at(j))) j++;
    s.erase(0, j);
    return w;
}

shortstr lastword(const shortstr &s, int mode) {
    std::size_t n = skipright(s);
    std::size_t i = wordstartbefore(s, n, mode);
    return shortstr(s.data() + i, n - i);
}

shortstr poplastword(shortstr &s, int mode) {
    std::size_t n = skipright(s);
    std::size_t i = wordstartbefore(s, n, mode);
    shortstr w(s.data() + i, n - i);
    while (i > 0 && isblanktab(s.at(i - 1))) i--;
    s.resize(i);
    return w;
}

std::uint32_t putdec(char *p, std::int32_t n) {
    static const char pairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    // The magnitude in unsigned arithmetic, so that the lowest value has one too.
    std::uint32_t u = n < 0 ? 0u - std::uint32_t(n) : std::uint32_t(n);
    std::uint32_t len = 0;
    if (n < 0) p[len++] = '-';
    // The digit count from the bit length (times log10(2), as 1233 / 4096),
    // one less when u lies below the power of ten that count starts at.
    static const std::uint32_t pow10[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
    std::uint32_t t = ((32 - std::uint32_t(__builtin_clz(u | 1))) * 1233) >> 12;
    std::uint32_t digits = t + 1 - ((u | 1) < pow10[t]);
    len += digits;
    char *q = p + len;  // filled from the last digit backwards, two digits a step
    while (u >= 100) {
        std::uint32_t r = u % 100;
        u /= 100;
        *--q = pairs[2 * r + 1];
        *--q = pairs[2 * r];
    }
    if (u >= 10) {
        *--q = pairs[2 * u + 1];
        *--q = pairs[2 * u];
    } else {
        *--q = char('0' + u);
    }
    return len;
}

shortstr numtostr(std::int32_t n) {
    shortstr s;
    s.len = std::uint8_t(putdec(s.buf, n));
    s.buf[s.len] = 0;
    return s;
}

std::int32_t strtonum(const shortstr &s) { return strtonum(s.view()); }

std::int32_t strtonum(std::string_view s) {
    std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n && (s[i] == ' ' || s[i] == '\t')) i++;
    bool neg = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
        neg = s[i] == '-';
        i++;
    }
    unsigned base = 10;
    if (i < n && s[i] == '$') {
        base = 16;
        i++;
    } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        // "0x" with no hex digit after it leaves the number 0, which is also
        // what the loop below gives.
        base = 16;
        i += 2;
    }
    // Larger than the limit means the number does not fit 32 bits: give 0
    // rather than a cut or wrapped value the user did not type.
    const std::uint64_t limit = neg ? 2147483648u : 2147483647u;
    std::uint64_t v = 0;
    if (base == 10) {
        // The usual case, every record of a textbase has two: digits alone.
        for (; i < n; i++) {
            unsigned d = unsigned(static_cast<unsigned char>(s[i])) - '0';
            if (d > 9) break;
            v = v * 10 + d;
            if (v > limit) return 0;
        }
        return std::int32_t(neg ? -std::int64_t(v) : std::int64_t(v));
    }
    for (; i < n; i++) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        unsigned d;
        if (c >= '0' && c <= '9') d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') d = c - 'A' + 10;
        else break;
        v = v * base + d;
        if (v > limit) return 0;
    }
    return std::int32_t(neg ? -std::int64_t(v) : std::int64_t(v));
}

shortstr zeropad(std::int32_t n, int width) {
    shortstr num = numtostr(n);
    if (n < 0 || width <= int(num.size())) return num;
    std::size_t w = width > int(shortstr::maxlen) ? shortstr::maxlen : std::size_t(width);
    shortstr r;
    std::size_t pad = w - num.size();
    std::memset(r.buf, '0', pad);
    std::memcpy(r.buf + pad, num.data(), num.size());
    r.len = std::uint8_t(w);
    r.buf[w] = 0;
    return r;
}

int trailingdigits(const shortstr &s) {
    std::size_t n = s.size();
    while (n > 0 && isdigitchar(s.at(n - 1))) n--;
    return int(s.size() - n);
}

std::int32_t trailingnumber(const shortstr &s) {
    int k = trailingdigits(s);
    if (k == 0) return 0;
    return strtonum(s.sub(s.size() - std::size_t(k)));
}

unsigned char lastchar(const shortstr &s) { return s.empty() ? 0 : s.at(s.size() - 1); }

// One pass: each character is kept or made a blank, leading and trailing
// blanks and tabs go, and runs of blanks become one (the same as mapping,
// then trimming, then collapsing).
// What cleanname makes of each byte (itself, or a blank) for the current
// extrachars and textbasemode, made again when either changes.
static unsigned char cleanmap[256];
static unsigned char cleanlow[256];  // cleanmap, then lower case
static shortstr cleanfor;
static bool cleanfortextbase = false;
static bool cleanmade = false;

const unsigned char *cleantable() {
    if (!cleanmade || cleanfortextbase != textbasemode || cleanfor.view() != extrachars.view()) {
        for (int c = 0; c < 256; c++) {
            bool keep = textbasemode ? c != '\r' && c != '\n' : tt.word[c] || c == ' ';
            cleanmap[c] = keep ? (unsigned char)c : ' ';
        }
        if (!textbasemode)
            for (std::size_t i = 0; i < extrachars.size(); i++) cleanmap[extrachars.at(i)] = extrachars.at(i);
        for (int c = 0; c < 256; c++) cleanlow[c] = tt.lower[cleanmap[c]];
        cleanfor = extrachars;
        cleanfortextbase = textbasemode;
        cleanmade = true;
    }
    return cleanmap;
}

const unsigned char *cleanlowtable() {
    cleantable();
    return cleanlow;
}

void cleanname(shortstr &s) {
    if (s.empty()) return;
    const unsigned char *map = cleantable();
    // Every byte mapped in place first, in one plain loop; the text is moved
    // only when blanks or tabs lead it or two blanks stand together, which
    // most texts never have.
    unsigned char *b = reinterpret_cast<unsigned char *>(s.buf);
    std::size_t len = s.len, i = 0;
    // Four bytes read before any is written: the compiler cannot know that
    // the map is no part of the text, and would read one byte at a time.
    for (; i + 4 <= len; i += 4) {
        unsigned char c0 = b[i], c1 = b[i + 1], c2 = b[i + 2], c3 = b[i + 3];
        b[i] = map[c0];
        b[i + 1] = map[c1];
        b[i + 2] = map[c2];
        b[i + 3] = map[c3];
    }
    for (; i < len; i++) b[i] = map[b[i]];
    i = 0;
    while (i < len && isblanktab(b[i])) i++;
    while (len > i && isblanktab(b[len - 1])) len--;
    std::size_t n = len;
    if (i > 0 || holdsdoubleblank(b, std::uint32_t(len))) {
        n = 0;
        for (; i < len; i++) {
            if (b[i] == ' ' && n > 0 && b[n - 1] == ' ') continue;
            b[n++] = b[i];
        }
    }
    s.len = std::uint8_t(n);
    s.buf[n] = 0;
}

// True when the lower-case word w (n bytes) stands in low as a whole word.
static bool holdsword(const shortstr &low, const char *w, std::size_t n) {
    std::string_view v = low.view(), word(w, n);
    for (std::size_t at = v.find(word); at != std::string_view::npos; at = v.find(word, at + 1)) {
        bool before = at == 0 || !tt.word[(unsigned char)v[at - 1]];
        bool after = at + n == v.size() || !tt.word[(unsigned char)v[at + n]];
        if (before && after) return true;
    }
    return false;
}

void addnewwords(shortstr &name, std::string_view more) {
    shortstr low = pllower(name);
    std::size_t i = 0;
    while (i < more.size()) {
        while (i < more.size() && !tt.word[(unsigned char)more[i]]) ++i;
        std::size_t start = i;
        while (i < more.size() && tt.word[(unsigned char)more[i]]) ++i;
        std::size_t n = i - start;
        if (n == 0) break;
        char w[shortstr::maxlen];
        if (n > sizeof w) continue;
        pllowerinto(more.data() + start, n, w);
        if (holdsword(low, w, n)) continue;
        std::size_t need = n + (name.empty() ? 0 : 1);
        if (name.size() + need > shortstr::maxlen) continue;
        if (!name.empty()) {
            name += ' ';
            low += ' ';
        }
        name.append(more.data() + start, n);
        low.append(w, n);
    }
}

int comparestr(const shortstr &a, const shortstr &b) {
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; i++)
        if (a.at(i) != b.at(i)) return a.at(i) < b.at(i) ? 1 : 2;
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? 1 : 2;
}

int plcompare(const shortstr &a, const shortstr &b) {
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; i++) {
        unsigned char ra = tt.rank[a.at(i)], rb = tt.rank[b.at(i)];
        if (ra != rb) return ra < rb ? 1 : 2;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? 1 : 2;
}

void replaceall(shortstr &s, const shortstr &pat, const shortstr &rep) {
    // Occurrences are replaced from left to right, each search starting after
    // the previous replacement, so a replacement that contains the pattern is
    // neither replaced again nor stops the rest from being replaced.
    std::size_t p = findfrom(s, pat, 0);
    if (p == npos) return;
    shortstr r;
    std::size_t from = 0;
    while (p != npos) {
        r.append(s.data() + from, p - from);
        r += rep;
        from = p + pat.size();
        p = findfrom(s, pat, from);
    }
    r.append(s.data() + from, s.size() - from);
    s = r;
}

shortstr reversestr(const shortstr &s) {
    shortstr r = s;
    for (std::size_t i = 0, n = s.size(); i < n; i++) r.buf[i] = s[n - 1 - i];
    return r;
}

int lastpos(const shortstr &pat, const shortstr &s) {
    std::size_t m = pat.size(), n = s.size();
    if (m == 0 || m > n) return 0;
    for (std::size_t p = n - m + 1; p-- > 0;)
        if (std::memcmp(s.data() + p, pat.data(), m) == 0) return int(p + 1);
    return 0;
}

void droplastchar(shortstr &s) {
    if (!s.empty()) s.resize(s.size() - 1);
}

bool startswith(const shortstr &s, const shortstr &prefix) {
    return prefix.size() <= s.size() && std::memcmp(s.data(), prefix.data(), prefix.size()) == 0;
}
