// mkpnt: writes a made-up OziExplorer point file (or waypoint file) of places
// in Polish towns, for the sample in samples/ and for the conversion benchmark.
//
//   mkpnt [--seed N] [--points N] [--format pnt|wpt] OUTFILE
//
// The output depends only on the seed and the number of points: the random
// numbers come from our own generator (splitmix64) and every number is
// formatted by our own code, so the same arguments give the same bytes on
// every host. The two formats hold the same points for the same seed.
//
// pnt: five header lines, the first "OziExplorer Point File Version 1.0", then
// one line per point: latitude, longitude (decimal degrees, 5 to 8 decimals),
// two fields the converter ignores, the kind of place (A), the street (B), the
// town (C) and a category field (D: empty, a "0x" code or lower-case words),
// sometimes followed by extra fields. Names are code page 1250 with Polish
// letters; a few carry brackets, quotes or other marks. A point line takes
// about 90 bytes on average.
//
// wpt: the same points as an OziExplorer waypoint file (header of four lines,
// then number, name, latitude, longitude, date, symbol, status, display
// format, colours, description, pointer, display, proximity, altitude, font
// size, font style and symbol size).
//
// Lines end with CR LF. A regular file is written under a temporary name and
// renamed into place once complete (a device or a pipe is written directly);
// on any failure the tool says so on standard error and exits with code 1.
//
// The sample samples/punkty.pnt is: mkpnt --seed 10 --points 40 samples/punkty.pnt
// (make samples).

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <sys/stat.h>

#include "text/shortstr.h"
#include "tools/gentool.h"

namespace {

// Its towns: the first 50 of towns[], none right at a border; points fall
// within about 4 km of a centre.
const unsigned ntowns = 50;
static_assert(ntowns <= std::size(towns));

// Its own names, as positions in ownnames[], in the order of its draws.
constexpr std::uint8_t mynames[] = {4, 0, 5, 6, 20, 7, 21, 22, 8, 9, 23, 10, 11, 24, 12, 13, 14, 15};
static_assert(within(mynames, std::size(ownnames)));

// Kinds of places, each with a lower-case category for field D.
struct kind {
    shortstr name;  // as written in field A
    shortstr cat;   // lower-case category
};

const kind kinds[] = {
    {"Apteka"_pl, "zdrowie"_pl},
    {"Przychodnia"_pl, "zdrowie"_pl},
    {"Ośrodek zdrowia"_pl, "zdrowie"_pl},
    {"Szpital"_pl, "zdrowie"_pl},
    {"Sklep spożywczy"_pl, "zakupy"_pl},
    {"Piekarnia"_pl, "zakupy"_pl},
    {"Cukiernia"_pl, "zakupy"_pl},
    {"Kwiaciarnia"_pl, "zakupy"_pl},
    {"Księgarnia"_pl, "zakupy"_pl},
    {"Market"_pl, "zakupy"_pl},
    {"Poczta"_pl, "usługi"_pl},
    {"Bankomat"_pl, "usługi"_pl},
    {"Fryzjer"_pl, "usługi"_pl},
    {"Pralnia"_pl, "usługi"_pl},
    {"Restauracja"_pl, "gastronomia"_pl},
    {"Kawiarnia"_pl, "gastronomia"_pl},
    {"Bar mleczny"_pl, "gastronomia"_pl},
    {"Pizzeria"_pl, "gastronomia"_pl},
    {"Przystanek autobusowy"_pl, "transport"_pl},
    {"Dworzec kolejowy"_pl, "transport"_pl},
    {"Stacja paliw"_pl, "transport"_pl},
    {"Przejście dla pieszych"_pl, "transport"_pl},
    {"Postój taksówek"_pl, "transport"_pl},
    {"Kościół"_pl, "kultura"_pl},
    {"Biblioteka"_pl, "kultura"_pl},
    {"Muzeum"_pl, "kultura"_pl},
    {"Teatr"_pl, "kultura"_pl},
    {"Kino"_pl, "kultura"_pl},
    {"Szkoła podstawowa"_pl, "edukacja"_pl},
    {"Przedszkole"_pl, "edukacja"_pl},
    {"Żłobek"_pl, "edukacja"_pl},
    {"Urząd gminy"_pl, "urząd"_pl},
    {"Urząd skarbowy"_pl, "urząd"_pl},
    {"Sąd rejonowy"_pl, "urząd"_pl},
    {"Komisariat policji"_pl, "bezpieczeństwo"_pl},
    {"Straż pożarna"_pl, "bezpieczeństwo"_pl},
    {"Park"_pl, "wypoczynek"_pl},
    {"Basen"_pl, "wypoczynek"_pl},
    {"Hotel"_pl, "noclegi"_pl},
    {"Schronisko"_pl, "noclegi"_pl},
};

// Marks the converter turns into blanks, each with the text it wraps.
const shortstr markedopen[] = {"("_pl, "\""_pl, "["_pl, "'"_pl, "#"_pl, "*"_pl, "<"_pl, "{"_pl};
const shortstr markedclose[] = {")"_pl, "\""_pl, "]"_pl, "'"_pl, ""_pl, "*"_pl, ">"_pl, "}"_pl};
const shortstr markedtext[] = {
    "całodobowa"_pl, "nr 5"_pl,   "nieczynne"_pl,           "Pod Żaglami"_pl,
    "2"_pl,          "nowość"_pl, "wejście od podwórza"_pl, "I piętro"_pl,
};

const shortstr streetkinds[] = {"ul. "_pl, "ul. "_pl, "ul. "_pl, "ul. "_pl, "al. "_pl, "pl. "_pl, "os. "_pl};

// Words that follow the lowered field A in field D (such a D is dropped by the
// converter, since it holds field A).
const shortstr catwords[] = {"dyżurna"_pl, "miejska"_pl, "całodobowa"_pl, "sieciowa"_pl, "prywatna"_pl};

const char hexdigits[] = "0123456789ABCDEF";

template <class T, std::size_t N>
constexpr unsigned count(const T (&)[N]) {
    return unsigned(N);
}

// Lower case of a code page 1250 text: ASCII and the Polish capitals.
shortstr lowered(const shortstr &s) {
    static const unsigned char up[] = {0xA5, 0xC6, 0xCA, 0xA3, 0xD1, 0xD3, 0x8C, 0x8F, 0xAF};
    static const unsigned char lo[] = {0xB9, 0xE6, 0xEA, 0xB3, 0xF1, 0xF3, 0x9C, 0x9F, 0xBF};
    shortstr r = s;
    for (std::size_t i = 0; i < r.size(); i++) {
        unsigned char c = r.at(i);
        if (c >= 'A' && c <= 'Z') r[i] = char(c + 32);
        for (int k = 0; k < 9; k++)
            if (c == up[k]) r[i] = char(lo[k]);
    }
    return r;
}

// One generated point, the same for both formats.
struct point {
    std::int64_t lat;     // latitude, 0.00000001 degree
    std::int64_t lon;     // longitude, 0.00000001 degree
    int latdec;           // decimals written for the latitude, 5..8
    int londec;           // decimals written for the longitude, 5..8
    unsigned icon;        // first ignored field
    std::uint64_t date;   // second ignored field, a day number times 100000
    shortstr a, b, c, d;  // name parts and the category field
    unsigned extra;       // extra fields after field 8, 0..3
};

// Decimals: 5 to 8, with 8 (more than the converter keeps) fairly common.
int decimals() {
    static const int d[] = {5, 6, 6, 7, 7, 7, 8, 8};
    return d[rbelow(8)];
}

void makepoint(point &p) {
    const town &t = towns[rbelow(ntowns)];
    p.lat = std::int64_t(t.lat) * 10000 + std::int64_t(rbelow(8000001)) - 4000000;
    p.lon = std::int64_t(t.lon) * 10000 + std::int64_t(rbelow(12000001)) - 6000000;
    p.latdec = decimals();
    p.londec = decimals();
    p.icon = rbelow(100);
    p.date = 4300000000ull + rbelow(300000000);

    const kind &k = pick(kinds);
    p.a = k.name;
    if (rchance(55)) p.a += " "_pl + ownnames[pick(mynames)];
    if (rchance(6)) {
        unsigned m = rbelow(count(markedopen));
        p.a += " "_pl + markedopen[m] + markedtext[rbelow(count(markedtext))] + markedclose[m];
    }

    char num[16];
    unsigned house = 1 + rbelow(150);
    int n = std::snprintf(num, sizeof num, "%u", house);
    // The street is drawn before its kind, in a statement of its own: the
    // operands of + are evaluated in no fixed order.
    const shortstr &street = pick(streets);
    p.b = pick(streetkinds) + street + " "_pl + std::string_view(num, std::size_t(n));
    if (rchance(15)) p.b += char('a' + rbelow(4));
    else if (rchance(10)) {
        n = std::snprintf(num, sizeof num, "/%u", 1 + rbelow(40));
        p.b += std::string_view(num, std::size_t(n));
    }

    p.c = t.name;

    unsigned r = rbelow(100);
    if (r < 30) {
        p.d = "0x"_pl;
        for (int i = 0; i < 4; i++) p.d += hexdigits[rbelow(16)];
    } else if (r < 55) {
        p.d = k.cat;
    } else if (r < 65) {
        p.d = lowered(p.a) + " "_pl + pick(catwords);
    } else {
        p.d = shortstr();
    }

    p.extra = rchance(15) ? 1 + rbelow(3) : 0;
}

// The output file.
genout out;

void put(std::string_view s) { out.put(s); }

void puts(const shortstr &s) { put(s.view()); }

void putuint(std::uint64_t v) { out.buf += numtext(v).view(); }

// A coordinate in 0.00000001 degree, non-negative, with dec decimals (cut).
void putcoord(std::int64_t v, int dec) {
    putuint(std::uint64_t(v / 100000000));
    out.buf += '.';
    char frac[8];
    std::int64_t f = v % 100000000;
    for (int i = 7; i >= 0; i--) {
        frac[i] = char('0' + f % 10);
        f /= 10;
    }
    out.buf.append(frac, std::size_t(dec));
}

const char *extrafields[] = {",0", ",-777", ",65535", ",Uwagi"};

void putpnt(const point &p) {
    putcoord(p.lat, p.latdec);
    out.buf += ',';
    putcoord(p.lon, p.londec);
    out.buf += ',';
    putuint(p.icon);
    out.buf += ',';
    putuint(p.date / 100000);
    out.buf += '.';
    putuint(p.date % 100000 + 100000);
    out.buf.erase(out.buf.size() - 6, 1);  // the leading 1 that kept the zeros
    out.buf += ',';
    puts(p.a);
    out.buf += ',';
    puts(p.b);
    out.buf += ',';
    puts(p.c);
    out.buf += ',';
    puts(p.d);
    for (unsigned i = 0; i < p.extra; i++) put(extrafields[i]);
    put("\r\n");
}

void putwpt(const point &p, std::uint64_t no) {
    putuint(no);
    out.buf += ',';
    puts(p.a);
    out.buf += ',';
    putcoord(p.lat, p.latdec);
    out.buf += ',';
    putcoord(p.lon, p.londec);
    put(",,0,1,3,0,65535,");
    puts(p.b);
    out.buf += ' ';
    puts(p.c);
    put(",0,0,0,-777,6,0,17\r\n");
}

// Reads a whole decimal number; false when the text is not one.
bool parsenum(const char *s, std::uint64_t &v) {
    if (!*s) return false;
    errno = 0;
    char *end = nullptr;
    unsigned long long x = std::strtoull(s, &end, 10);
    if (*end || errno || *s == '-') return false;
    v = x;
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    std::uint64_t seed = 1, points = 1000;
    bool wpt = false;
    auto option = [&](std::string_view a, const char *v) {
        if (a == "--seed") return parsenum(v, seed);
        if (a == "--points") return parsenum(v, points);
        if (a != "--format") return false;
        if (std::strcmp(v, "pnt") == 0) wpt = false;
        else if (std::strcmp(v, "wpt") == 0) wpt = true;
        else return false;
        return true;
    };
    const char *path = nullptr;
    if (!readargs(argc, argv, path, option)) return usage("mkpnt [--seed N] [--points N] [--format pnt|wpt] OUTFILE");

    if (!out.open("mkpnt", path)) return 1;

    rngstate = seed;
    if (wpt) {
        put("OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nReserved 2\r\nReserved 3\r\n");
    } else {
        put("OziExplorer Point File Version 1.0\r\nWGS 84\r\nReserved 2\r\nReserved 3\r\n");
        put("mkpnt --seed ");
        putuint(seed);
        put(" --points ");
        putuint(points);
        put("\r\n");
    }
    point p;
    for (std::uint64_t i = 0; i < points; i++) {
        makepoint(p);
        if (wpt) putwpt(p, i + 1);
        else putpnt(p);
    }
    if (!out.close() || !out.commit()) {
        out.discard();
        return 1;
    }
    return 0;
}
