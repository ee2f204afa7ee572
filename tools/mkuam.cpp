// mkuam: writes a made-up AutoMapa user-point file (.uam) of places in Polish
// towns, for the sample in samples/ and for the AutoMapa conversion benchmark.
//
//   mkuam [--seed N] [--records N] [--declared N] [--pairs FILE] OUTFILE
//
// The output depends only on the arguments: the random numbers come from our
// own generator (splitmix64), every number is formatted by our own code, and
// the grid coordinates are PROJ's results rounded to whole metres, so the same
// arguments give the same bytes on every host.
//
// The file: the signature BB 22 D5 3F, the declared number of records (signed
// 32-bit little-endian; --declared writes another number there, to make files
// whose count disagrees with their length), then 362 bytes per record:
// easting and northing in whole metres (signed 32-bit) in the grid
// "+proj=tmerc +lat_0=0 +lon_0=19 +k=0.9993 +x_0=500000 +y_0=-5300000
// +ellps=GRS80 +units=m", an unused byte, the name (64-byte slot), the
// description (255-byte slot), an unused byte, the category number and the
// record's own category name (32-byte slot, meant only with category 99).
// Texts are code page 1250 with Polish letters, ended by a zero byte.
//
// What a reader meets now and then: names of exactly 63 bytes, half of them
// in a slot that holds no zero byte at all (the 64th byte is not zero
// either); descriptions of exactly 254 bytes, empty ones, ones with marks
// (commas, quotes, brackets, dots) and with words repeated from the name or
// the category; category 99 with its own name (about one record in five),
// category 0 and numbers above 99. Bytes that carry nothing are sometimes not
// zero, and a reader must ignore them: the two unused bytes, the bytes after
// the zero that ends a text, and an own category name left in a record whose
// category is not 99.
//
// Points lie within about 3 km of the centres of towns across the whole
// country, the border towns included.
//
// --pairs FILE also writes one line "EASTING NORTHING\n" per record (its two
// integers in decimal), for comparing the conversion with cs2cs.
//
// A regular file is written under a temporary name and renamed into place once
// complete (a device or a pipe is written directly); on any failure the tool
// says so on standard error, leaves no file behind and exits with code 1.
//
// The sample samples/punkty.uam is: mkuam --seed 10 --records 40 samples/punkty.uam
// (make samples).

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <proj.h>
#include <sys/stat.h>

#include "text/shortstr.h"
#include "tools/gentool.h"

namespace {

// Its towns, as positions in towns[] in the order of its draws: the capitals
// of the provinces, then towns at every edge of the country. Points fall
// within about 3 km of a centre.
constexpr std::uint8_t mytowns[] = {
    0,  1,  2,  3,  4,  5,  6,  8,  9,  10, 16, 18, 15, 22, 20, 14,
    50, 51, 34, 52, 53, 42, 54, 37, 40, 55, 38, 56, 57, 29, 23, 25,
};
static_assert(within(mytowns, std::size(towns)));

// Its own names: the first 20 of ownnames[].
const unsigned nnames = 20;
static_assert(nnames <= std::size(ownnames));

// Its streets, as positions in streets[] in the order of its draws.
constexpr std::uint8_t mystreets[] = {
    0, 1, 2, 3, 4, 5, 6, 7, 12, 13, 14, 15, 16, 18, 19, 20, 21, 22, 23, 24, 26, 28, 30, 31, 32, 35, 39, 41,
};
static_assert(within(mystreets, std::size(streets)));

// One of its streets, drawn.
const shortstr &street() { return streets[pick(mystreets)]; }

// Kinds of places: the name's first words, the category number, and the
// category as a record of category 99 names it.
struct kind {
    shortstr name;
    unsigned cat;
    shortstr own;
};

const kind kinds[] = {
    {"Apteka"_pl, 12, "Apteka"_pl},
    {"Apteka dyżurna"_pl, 13, "Apteka nocna"_pl},
    {"Bank Spółdzielczy"_pl, 3, "Bank"_pl},
    {"Bank"_pl, 3, "Bank"_pl},
    {"Bankomat"_pl, 4, "Bankomat"_pl},
    {"Parking"_pl, 5, "Parking"_pl},
    {"Parking strzeżony"_pl, 5, "Parking"_pl},
    {"Stacja paliw"_pl, 6, "Stacja paliw"_pl},
    {"Sklep spożywczy"_pl, 7, "Sklep"_pl},
    {"Supermarket"_pl, 8, "Sklep"_pl},
    {"Poczta"_pl, 2, "Poczta"_pl},
    {"Urząd Pocztowy nr 3"_pl, 2, "Poczta"_pl},
    {"Kościół"_pl, 9, "Kościół"_pl},
    {"Parafia"_pl, 9, "Kościół"_pl},
    {"Restauracja"_pl, 10, "Restauracja"_pl},
    {"Bar mleczny"_pl, 10, "Bar"_pl},
    {"Kawiarnia"_pl, 21, "Kawiarnia"_pl},
    {"Hotel"_pl, 11, "Hotel"_pl},
    {"Pensjonat"_pl, 11, "Nocleg"_pl},
    {"Szpital"_pl, 14, "Szpital"_pl},
    {"Przychodnia"_pl, 15, "Przychodnia"_pl},
    {"Przystanek"_pl, 16, "Przystanek"_pl},
    {"Przystanek tramwajowy"_pl, 17, "Przystanek"_pl},
    {"Dworzec kolejowy"_pl, 18, "Dworzec"_pl},
    {"Szkoła Podstawowa nr 2"_pl, 20, "Szkoła"_pl},
    {"Muzeum"_pl, 25, "Muzeum"_pl},
    {"Kino"_pl, 30, "Kino"_pl},
    {"Teatr"_pl, 30, "Teatr"_pl},
    {"Komisariat Policji"_pl, 41, "Policja"_pl},
    {"Straż Pożarna"_pl, 42, "Straż pożarna"_pl},
    {"Urząd Miasta"_pl, 1, "Urząd"_pl},
    {"Park"_pl, 55, "Park"_pl},
    {"Piekarnia"_pl, 120, "Piekarnia"_pl},
    {"Księgarnia"_pl, 150, "Księgarnia"_pl},
    {"Warsztat samochodowy"_pl, 200, "Warsztat"_pl},
    {"Toaleta publiczna"_pl, 255, "Toaleta"_pl},
    {"Punkt informacji turystycznej"_pl, 98, "Informacja turystyczna"_pl},
};

// The categories as the users name them, to repeat in descriptions; each is
// the plural of the kinds that carry its number.
struct catname {
    unsigned num;
    shortstr name;
};

const catname catnames[] = {
    {1, "Urzędy"_pl},
    {2, "Poczty"_pl},
    {3, "Banki"_pl},
    {4, "Bankomaty"_pl},
    {5, "Parkingi"_pl},
    {6, "Stacje paliw"_pl},
    {7, "Sklepy spożywcze"_pl},
    {8, "Supermarkety"_pl},
    {9, "Kościoły"_pl},
    {10, "Restauracje"_pl},
    {11, "Hotele"_pl},
    {12, "Apteki"_pl},
    {13, "Apteki nocne"_pl},
    {14, "Szpitale"_pl},
    {15, "Przychodnie"_pl},
    {16, "Przystanki autobusowe"_pl},
    {17, "Przystanki tramwajowe"_pl},
    {18, "Dworce"_pl},
    {20, "Szkoły"_pl},
    {21, "Kawiarnie"_pl},
    {25, "Muzea"_pl},
    {30, "Kina i teatry"_pl},
    {41, "Policja"_pl},
    {42, "Straż pożarna"_pl},
    {55, "Parki"_pl},
    {98, "Inne"_pl},
    {120, "Piekarnie"_pl},
    {150, "Księgarnie"_pl},
    {200, "Warsztaty"_pl},
    {255, "Toalety"_pl},
};

const shortstr hours[] = {
    "czynna całą dobę"_pl,
    "Poniedziałek-piątek 8-16"_pl,
    "pn.-pt. 9-17, sob. 9-13"_pl,
    "nieczynne w niedziele"_pl,
    "otwarte 7:00-22:00"_pl,
    "w soboty do 14"_pl,
    "całodobowo"_pl,
    "Godziny otwarcia: 10-18."_pl,
};

const shortstr notes[] = {
    "wejście od podwórza"_pl,     "(obok poczty)"_pl,
    "\"przy rondzie\""_pl,        "[remont]"_pl,
    "I piętro, winda"_pl,         "tel. 22 123 45 67"_pl,
    "wejście od ul. Długiej."_pl, "podjazd dla wózków"_pl,
    "'naprzeciw kościoła'"_pl,    "schody, 5 stopni..."_pl,
    "dzwonek przy drzwiach"_pl,   "przejście podziemne, wyjście nr 2"_pl,
};

shortstr catnameof(unsigned num) {
    for (const catname &c : catnames)
        if (c.num == num) return c.name;
    return shortstr();
}

// Cuts s to exactly n bytes (s is at least that long) whose last byte is not
// a blank, so that a reader that trims blanks still sees all n.
void cutto(shortstr &s, std::size_t n) {
    s.resize(n);
    if (s[n - 1] == ' ') s[n - 1] = '.';
}

// One record before it is laid out.
struct record {
    std::int32_t east = 0, north = 0;
    unsigned cat = 0;
    shortstr name, desc, own;
    bool fullname = false;  // a 63-byte name whose slot holds no zero byte
};

// A part of a description: opening hours, an address, a note with marks, or
// words repeated from the name or the category.
shortstr descpart(const record &r, const kind &k) {
    unsigned w = rbelow(10);
    if (w < 3) return pick(hours);
    if (w < 5) {
        shortstr a = address(street());
        if (rchance(50)) {
            a += ", "_pl;
            a += pick(notes);
        }
        return a;
    }
    if (w < 7) return pick(notes);
    if (w < 8) return r.name;
    if (w < 9) return k.name;
    shortstr c = catnameof(k.cat);
    return c.empty() ? k.own : c;
}

// Makes the next record; false when PROJ cannot place its point.
bool makerecord(record &r, PJ *grid, PJ *geo) {
    // The place: a town's centre and an offset of up to about 3 km, into the
    // grid through PROJ, rounded to whole metres.
    const town &t = towns[pick(mytowns)];
    int dlat = int(rbelow(5401)) - 2700;  // 0.00001 degree, about 3 km
    int dlon = int(rbelow(8001)) - 4000;
    double lat = (t.lat * 10 + dlat) / 100000.0, lon = (t.lon * 10 + dlon) / 100000.0;
    const double rad = 3.14159265358979323846 / 180.0;
    PJ_COORD c = proj_coord(lon * rad, lat * rad, 0, 0);
    c = proj_trans(geo, PJ_INV, c);
    c = proj_trans(grid, PJ_FWD, c);
    if (!std::isfinite(c.v[0]) || !std::isfinite(c.v[1]) || std::fabs(c.v[0]) > 1e9 || std::fabs(c.v[1]) > 1e9)
        return false;
    r.east = std::int32_t(std::lround(c.v[0]));
    r.north = std::int32_t(std::lround(c.v[1]));

    const kind &k = pick(kinds);
    r.name = k.name;
    if (rchance(50)) {
        r.name += ' ';
        r.name += ownnames[rbelow(nnames)];
    }
    if (rchance(10)) {
        r.name += ' ';
        r.name += t.name;
    }
    r.fullname = false;
    if (rchance(6)) {
        // The longest name, 63 bytes; half of them fill the slot, the 64th
        // byte not a zero either.
        r.name += " - "_pl;
        r.name += t.name;
        while (r.name.size() < 63) {
            r.name += ", "_pl;
            r.name += address(street());
        }
        cutto(r.name, 63);
        r.fullname = rchance(50);
    }

    unsigned c99 = rbelow(100);
    r.own = shortstr();
    if (c99 < 20) {
        r.cat = 99;
        r.own = k.own;
        if (rchance(10)) {
            r.own += ' ';
            r.own += t.name;
        }
        if (rchance(5)) {
            // The longest own name: 31 bytes.
            r.own += " przy ulicy "_pl;
            r.own += street();
            r.own += " i w okolicy"_pl;
            cutto(r.own, 31);
        }
        r.own.resize(31);
    } else if (c99 < 24) {
        r.cat = 0;
    } else {
        r.cat = k.cat;
    }

    unsigned d = rbelow(100);
    r.desc = shortstr();
    if (d < 15) return true;  // no description
    unsigned parts = 1 + rbelow(3);
    std::size_t target = 0;
    if (d >= 95) target = 254;                     // the longest one
    else if (d >= 88) target = 120 + rbelow(134);  // long
    for (unsigned i = 0; i < parts || r.desc.size() < target; i++) {
        if (i) {
            unsigned s = rbelow(4);
            r.desc += s == 0 ? ". "_pl : s == 1 ? " "_pl : ", "_pl;
        }
        r.desc += descpart(r, k);
    }
    if (target) cutto(r.desc, target);
    r.desc.resize(254);
    return true;
}

// Field places in a record.
enum : std::size_t {
    reclen = 362,
    ofseast = 0,
    ofsnorth = 4,
    ofsunused1 = 8,
    ofsname = 9,
    namelen = 64,
    ofsdesc = 73,
    desclen = 255,
    ofsunused2 = 328,
    ofscat = 329,
    ofsown = 330,
    ownlen = 32,
};

void put32(unsigned char *p, std::int32_t v) {
    std::uint32_t u = std::uint32_t(v);
    for (int i = 0; i < 4; i++) p[i] = (unsigned char)(u >> (8 * i));
}

// A random byte that is not zero.
unsigned char garbage() { return (unsigned char)(1 + rbelow(255)); }

// Puts text into a zero-filled slot of size bytes with its ending zero; now
// and then the bytes after the zero are random.
void putslot(unsigned char *p, std::size_t size, const shortstr &text) {
    std::memcpy(p, text.data(), text.size());
    if (text.size() + 1 < size && rchance(10)) {
        std::size_t from = text.size() + 1 + rbelow(unsigned(size - text.size() - 1));
        for (std::size_t i = from; i < size; i++) p[i] = (unsigned char)rbelow(256);
    }
}

void layout(unsigned char *p, const record &r) {
    std::memset(p, 0, reclen);
    put32(p + ofseast, r.east);
    put32(p + ofsnorth, r.north);
    if (rchance(10)) p[ofsunused1] = garbage();
    if (rchance(10)) p[ofsunused2] = garbage();
    putslot(p + ofsname, namelen, r.name);
    if (r.fullname) p[ofsname + namelen - 1] = garbage();
    putslot(p + ofsdesc, desclen, r.desc);
    p[ofscat] = (unsigned char)r.cat;
    if (r.cat == 99) {
        putslot(p + ofsown, ownlen, r.own);
    } else if (rchance(5)) {
        // An own name left over from an earlier category.
        putslot(p + ofsown, ownlen, pick(kinds).own);
    }
}

// A signed whole number as text, written into out.
void putint(genout &out, std::int64_t v) {
    if (v < 0) out.put("-");
    out.put(numtext(v < 0 ? std::uint64_t(-v) : std::uint64_t(v)).view());
}

}  // namespace

int main(int argc, char **argv) {
    std::int64_t seed = 1, records = 1000, declared = 0;
    bool hasdeclared = false;
    const char *path = nullptr, *pairspath = nullptr;
    auto option = [&](std::string_view a, const char *v) {
        if (a == "--seed") return parsenum(v, 0, LLONG_MAX, seed);
        if (a == "--records") return parsenum(v, 0, INT32_MAX, records);
        if (a == "--declared") return hasdeclared = parsenum(v, INT32_MIN, INT32_MAX, declared);
        if (a != "--pairs" || !*v) return false;
        pairspath = v;
        return true;
    };
    if (!readargs(argc, argv, path, option))
        return usage("mkuam [--seed N] [--records N] [--declared N] [--pairs FILE] OUTFILE");
    if (!hasdeclared) declared = records;

    // The two systems, from their definitions alone (no PROJ database).
    PJ_CONTEXT *ctx = proj_context_create();
    PJ *grid = proj_create(ctx,
                           "+proj=tmerc +lat_0=0 +lon_0=19 +k=0.9993 +x_0=500000 +y_0=-5300000 "
                           "+ellps=GRS80 +units=m");
    PJ *geo = proj_create(ctx, "+proj=latlong +ellps=WGS84");
    if (!grid || !geo) {
        std::fprintf(stderr, "mkuam: PROJ cannot create the coordinate systems: %s\n",
                     proj_context_errno_string(ctx, proj_context_errno(ctx)));
        return 1;
    }

    genout out, pairs;
    if (!out.open("mkuam", path)) return 1;
    if (pairspath && !pairs.open("mkuam", pairspath)) {
        out.discard();
        return 1;
    }

    unsigned char head[8] = {0xBB, 0x22, 0xD5, 0x3F};
    put32(head + 4, std::int32_t(declared));
    out.put(std::string_view(reinterpret_cast<const char *>(head), sizeof head));

    rngstate = std::uint64_t(seed);
    record r;
    unsigned char raw[reclen];
    for (std::int64_t i = 0; i < records; i++) {
        if (!makerecord(r, grid, geo)) {
            std::fprintf(stderr, "mkuam: PROJ cannot place a point: %s\n",
                         proj_context_errno_string(ctx, proj_context_errno(ctx)));
            out.discard();
            if (pairspath) pairs.discard();
            return 1;
        }
        layout(raw, r);
        out.put(std::string_view(reinterpret_cast<const char *>(raw), reclen));
        if (pairspath) {
            putint(pairs, r.east);
            pairs.put(" ");
            putint(pairs, r.north);
            pairs.put("\n");
        }
    }
    proj_destroy(geo);
    proj_destroy(grid);
    proj_context_destroy(ctx);

    bool ok = out.close();
    if (pairspath && !pairs.close()) ok = false;
    if (!ok) {
        out.discard();
        if (pairspath) pairs.discard();
        return 1;
    }
    if (pairspath && !pairs.commit()) {
        out.discard();
        pairs.discard();
        return 1;
    }
    if (!out.commit()) {
        out.discard();
        if (pairspath && !pairs.special) std::remove(pairspath);
        return 1;
    }
    return 0;
}
