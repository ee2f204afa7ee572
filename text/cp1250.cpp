// Conversions between code page 1250 and UTF-8 / UTF-16 at the program's edges
// (terminal, file-system calls). Bad input never stops a conversion: each
// malformed sequence and each character the page cannot hold becomes "?".

#include "text/cp1250.h"

#include <array>

namespace {

constexpr char32_t badcp = 0xFFFFFFFF;  // a malformed sequence

// Byte of code page 1250 for each code point below 0x180 (0: none); this
// range holds all the page's letters.
struct lowmap {
    unsigned char b[0x180];
};

constexpr lowmap buildlow() {
    lowmap m{};
    for (int i = 0; i < 128; i++)
        if (cp1250hi[i] != 0 && cp1250hi[i] < 0x180) m.b[cp1250hi[i]] = (unsigned char)(0x80 + i);
    return m;
}

constexpr lowmap low = buildlow();

// The few code points of the page at 0x180 and above: quotes, dashes, the euro
// sign, the trade mark and the spacing accents.
struct highentry {
    char16_t cp;
    unsigned char b;
};

constexpr int counthigh() {
    int n = 0;
    for (int i = 0; i < 128; i++)
        if (cp1250hi[i] >= 0x180) n++;
    return n;
}

constexpr std::array<highentry, counthigh()> buildhigh() {
    std::array<highentry, counthigh()> h{};
    int n = 0;
    for (int i = 0; i < 128; i++)
        if (cp1250hi[i] >= 0x180) h[n++] = {cp1250hi[i], (unsigned char)(0x80 + i)};
    return h;
}

constexpr auto high = buildhigh();

// Byte for a code point, or -1 when the page cannot hold it.
int tobyte(char32_t cp) {
    if (cp < 0x80) return int(cp);
    if (cp < 0x180) return low.b[cp] ? low.b[cp] : -1;
    for (const highentry &e : high)
        if (e.cp == cp) return e.b;
    return -1;
}

// Decodes the character at s[i] and moves i past it. A malformed sequence
// (a stray continuation byte, a byte that cannot start one, a truncated
// sequence, an overlong form, a surrogate, a value above U+10FFFF) gives badcp
// and is passed over whole: the lead byte and the continuation bytes it
// claims, never a byte that could start the next character.
char32_t nextutf8(std::string_view s, std::size_t &i) {
    unsigned char c = (unsigned char)s[i++];
    if (c < 0x80) return c;
    int more;
    char32_t cp, min;
    if (c >= 0xC0 && c <= 0xDF) {
        more = 1;
        cp = c & 0x1F;
        min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        more = 2;
        cp = c & 0x0F;
        min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF7) {
        more = 3;
        cp = c & 0x07;
        min = 0x10000;
    } else return badcp;
    int got = 0;
    while (got < more && i < s.size() && ((unsigned char)s[i] & 0xC0) == 0x80) {
        cp = (cp << 6) | ((unsigned char)s[i] & 0x3F);
        i++;
        got++;
    }
    if (got < more || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return badcp;
    return cp;
}

// Decodes the character at s[i] and moves i past it. A surrogate pair is one
// character (above U+FFFF, so never in the page); a lone surrogate gives badcp.
char32_t nextutf16(std::u16string_view s, std::size_t &i) {
    char16_t u = s[i++];
    if (u < 0xD800 || u > 0xDFFF) return u;
    if (u <= 0xDBFF && i < s.size() && s[i] >= 0xDC00 && s[i] <= 0xDFFF) {
        char32_t cp = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(s[i]) - 0xDC00);
        i++;
        return cp;
    }
    return badcp;
}

}  // namespace

// Code page 1250 from a text decoded by next, "?" for what the page lacks.
template <class view>
static std::string cp1250from(view s, char32_t (*next)(view, std::size_t &)) {
    std::string r;
    r.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        char32_t cp = next(s, i);
        int b = cp == badcp ? -1 : tobyte(cp);
        r += b < 0 ? '?' : char(b);
    }
    return r;
}

std::string cp1250fromutf8(std::string_view s) { return cp1250from(s, nextutf8); }

namespace {

// Each byte's UTF-8 bytes (at most three) and their number, made at compile
// time from the code page: one look-up a byte instead of a decision.
struct utf8row {
    unsigned char n;
    char b[3];
};
struct utf8table {
    utf8row row[256];
};

constexpr utf8table buildutf8() {
    utf8table t{};
    for (int i = 0; i < 256; i++) {
        char32_t cp = cp1250cp((unsigned char)i);
        utf8row &r = t.row[i];
        if (cp < 0x80) {
            r = {1, {char(cp), 0, 0}};
        } else if (cp == 0xFFFD) {
            r = {1, {'?', 0, 0}};
        } else if (cp < 0x800) {
            r = {2, {char(0xC0 | (cp >> 6)), char(0x80 | (cp & 0x3F)), 0}};
        } else {
            r = {3, {char(0xE0 | (cp >> 12)), char(0x80 | ((cp >> 6) & 0x3F)), char(0x80 | (cp & 0x3F))}};
        }
    }
    return t;
}

constexpr utf8table utf8of = buildutf8();

}  // namespace

std::string utf8fromcp1250(std::string_view s) {
    // Written through a pointer into room for the longest result, then cut
    // to what was written.
    std::string r(s.size() * 3, '\0');
    char *o = r.data();
    for (char ch : s) {
        const utf8row &u = utf8of.row[(unsigned char)ch];
        o[0] = u.b[0];
        o[1] = u.b[1];
        o[2] = u.b[2];
        o += u.n;
    }
    r.resize(std::size_t(o - r.data()));
    return r;
}

std::size_t cp1250toutf8(char c, char *to) {
    const utf8row &u = utf8of.row[(unsigned char)c];
    to[0] = u.b[0];
    to[1] = u.b[1];
    to[2] = u.b[2];
    return u.n;
}

std::string cp1250fromutf16(std::u16string_view s) { return cp1250from(s, nextutf16); }

std::u16string utf16fromcp1250(std::string_view s) {
    std::u16string r;
    r.reserve(s.size());
    for (char ch : s) {
        char32_t cp = cp1250cp((unsigned char)ch);
        r += cp == 0xFFFD ? u'?' : char16_t(cp);
    }
    return r;
}

bool utf8fitscp1250(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        char32_t cp = nextutf8(s, i);
        if (cp == badcp || tobyte(cp) < 0) return false;
    }
    return true;
}

bool utf16fitscp1250(std::u16string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        char32_t cp = nextutf16(s, i);
        if (cp == badcp || tobyte(cp) < 0) return false;
    }
    return true;
}

namespace {

// The plain letter of each code point U+00C0..U+017F, for the letters the
// page lacks ('?': no letter).
constexpr char plainlatin[] =
    "AAAAAAACEEEEIIIIDNOOOOO?OUUUUYTsaaaaaaaceeeeiiiidnooooo?ouuuuyty"
    "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIiIiJjKkkLlLlLlLlLl"
    "NnNnNnnNnOoOoOoOoRrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";
static_assert(sizeof plainlatin - 1 == 0x180 - 0xC0);

// The Polish letters with diacritics: the only letters the names keep.
constexpr char16_t polish[] = {0x104, 0x106, 0x118, 0x141, 0x143, 0xD3, 0x15A, 0x179, 0x17B,
                               0x105, 0x107, 0x119, 0x142, 0x144, 0xF3, 0x15B, 0x17A, 0x17C};

// cp1250fold for the code points below 0x180, made at compile time: a
// Polish letter is its byte, any other Latin letter its plain letter (the
// names would lose it as no letter of the alphabet, even where the page has
// it), any other character the page's byte or '?'.
constexpr lowmap buildfold() {
    lowmap m = buildlow();
    for (int cp = 0; cp < 0x80; cp++) m.b[cp] = (unsigned char)cp;
    for (int cp = 0xC0; cp < 0x180; cp++) {
        bool pl = false;
        for (char16_t p : polish) pl = pl || p == cp;
        if (!pl && plainlatin[cp - 0xC0] != '?') m.b[cp] = (unsigned char)plainlatin[cp - 0xC0];
    }
    for (int cp = 0x80; cp < 0x180; cp++)
        if (!m.b[cp]) m.b[cp] = '?';
    return m;
}
constexpr lowmap fold = buildfold();

// The length of the well-formed sequence at b (at most n bytes), 0 when it
// is malformed, -1 when the n bytes end inside a sequence that could still
// be well formed.
int seqlen(const unsigned char *b, std::size_t n, char32_t &cp) {
    unsigned char c = b[0];
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    int more;
    char32_t min;
    if (c >= 0xC2 && c <= 0xDF) {
        more = 1;
        cp = c & 0x1F;
        min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        more = 2;
        cp = c & 0x0F;
        min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        more = 3;
        cp = c & 0x07;
        min = 0x10000;
    } else return 0;
    for (int k = 1; k <= more; k++) {
        if (std::size_t(k) >= n) return -1;
        if ((b[k] & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b[k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return more + 1;
}

}  // namespace

int cp1250fold(char32_t cp) {
    if (cp < 0x180) return fold.b[cp];
    if (cp >= 0x300 && cp <= 0x36F) return -1;  // a combining accent
    int b = tobyte(cp);
    return b < 0 ? '?' : b;
}

std::size_t utf8fold(unsigned char *b, std::size_t n, std::size_t &used) {
    std::size_t i = 0, o = 0;
    while (i < n) {
        if (b[i] < 0x80) {
            b[o++] = b[i++];
            continue;
        }
        char32_t cp;
        int k = seqlen(b + i, n - i, cp);
        if (k < 0) break;
        if (k == 0) {
            b[o++] = b[i++];
            continue;
        }
        i += std::size_t(k);
        int c = cp1250fold(cp);
        if (c >= 0) b[o++] = (unsigned char)c;
    }
    used = i;
    return o;
}

void utf8foldto(std::string_view s, std::string &to, std::size_t max) {
    const auto *b = reinterpret_cast<const unsigned char *>(s.data());
    std::size_t i = 0;
    while (i < s.size() && to.size() < max) {
        if (b[i] < 0x80) {
            to += char(b[i++]);
            continue;
        }
        char32_t cp;
        int k = seqlen(b + i, s.size() - i, cp);
        if (k <= 0) {
            to += '?';
            ++i;
            continue;
        }
        i += std::size_t(k);
        int c = cp1250fold(cp);
        if (c >= 0) to += char(c);
    }
}

std::size_t utf8cutoff(const unsigned char *b, std::size_t n) {
    for (std::size_t k = 1; k <= 3 && k <= n; ++k) {
        unsigned char c = b[n - k];
        if ((c & 0xC0) == 0x80) continue;  // a continuation byte: look further back
        std::size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return need > k ? k : 0;
    }
    return 0;
}

int utf8verdict(const unsigned char *b, std::size_t n) {
    std::size_t i = 0;
    while (i < n && b[i] < 0x80) ++i;
    bool multi = false;
    while (i < n) {
        if (b[i] < 0x80) {
            ++i;
            continue;
        }
        char32_t cp;
        int k = seqlen(b + i, n - i, cp);
        if (k == 0) return utf8no;
        if (k < 0) break;
        multi = true;
        i += std::size_t(k);
    }
    return multi ? utf8yes : utf8open;
}
