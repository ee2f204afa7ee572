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

// A town with its centre in units of 0.0001 degree; points fall within about
// 4 km of it, well inside the country.
struct town {
    shortstr name;   // code page 1250
    int lat;         // latitude, 0.0001 degree
    int lon;         // longitude, 0.0001 degree
};

const town towns[] = {
    {"Warszawa"_pl, 522297, 210122},        {"Kraków"_pl, 500647, 199450},
    {"Łódź"_pl, 517592, 194560},            {"Wrocław"_pl, 511079, 170385},
    {"Poznań"_pl, 524064, 169252},          {"Gdańsk"_pl, 543520, 186466},
    {"Szczecin"_pl, 534285, 145528},        {"Bydgoszcz"_pl, 531235, 180084},
    {"Lublin"_pl, 512465, 225684},          {"Białystok"_pl, 531325, 231688},
    {"Katowice"_pl, 502649, 190238},        {"Gdynia"_pl, 545189, 185305},
    {"Częstochowa"_pl, 508118, 191203},     {"Radom"_pl, 514027, 211471},
    {"Toruń"_pl, 530138, 185984},           {"Kielce"_pl, 508661, 206286},
    {"Rzeszów"_pl, 500412, 219991},         {"Gliwice"_pl, 502945, 186714},
    {"Olsztyn"_pl, 537784, 204801},         {"Bielsko-Biała"_pl, 498224, 190584},
    {"Zielona Góra"_pl, 519356, 155062},    {"Ruda Śląska"_pl, 502558, 188556},
    {"Opole"_pl, 506751, 179213},           {"Gorzów Wielkopolski"_pl, 527368, 152288},
    {"Elbląg"_pl, 541561, 194045},          {"Płock"_pl, 525463, 197065},
    {"Wałbrzych"_pl, 507714, 162843},       {"Włocławek"_pl, 526483, 190677},
    {"Tarnów"_pl, 500121, 209858},          {"Koszalin"_pl, 541944, 161722},
    {"Kalisz"_pl, 517611, 180910},          {"Legnica"_pl, 512070, 161553},
    {"Grudziądz"_pl, 534837, 187536},       {"Słupsk"_pl, 544641, 170285},
    {"Jelenia Góra"_pl, 509044, 157194},    {"Nowy Sącz"_pl, 496175, 207153},
    {"Siedlce"_pl, 521676, 222901},         {"Przemyśl"_pl, 497838, 227678},
    {"Suwałki"_pl, 541118, 229309},         {"Łomża"_pl, 531781, 220590},
    {"Zamość"_pl, 507231, 232519},          {"Ełk"_pl, 538281, 223647},
    {"Zakopane"_pl, 492992, 199496},        {"Sopot"_pl, 544416, 185601},
    {"Żyrardów"_pl, 520488, 204459},        {"Gniezno"_pl, 525348, 175826},
    {"Piła"_pl, 531514, 167378},            {"Chełm"_pl, 511431, 234716},
    {"Sieradz"_pl, 515956, 187302},         {"Świdnica"_pl, 508451, 164897},
};

// Kinds of places, each with a lower-case category for field D.
struct kind {
    shortstr name;   // as written in field A
    shortstr cat;    // lower-case category
};

const kind kinds[] = {
    {"Apteka"_pl, "zdrowie"_pl},               {"Przychodnia"_pl, "zdrowie"_pl},
    {"Ośrodek zdrowia"_pl, "zdrowie"_pl},      {"Szpital"_pl, "zdrowie"_pl},
    {"Sklep spożywczy"_pl, "zakupy"_pl},       {"Piekarnia"_pl, "zakupy"_pl},
    {"Cukiernia"_pl, "zakupy"_pl},             {"Kwiaciarnia"_pl, "zakupy"_pl},
    {"Księgarnia"_pl, "zakupy"_pl},            {"Market"_pl, "zakupy"_pl},
    {"Poczta"_pl, "usługi"_pl},                {"Bankomat"_pl, "usługi"_pl},
    {"Fryzjer"_pl, "usługi"_pl},               {"Pralnia"_pl, "usługi"_pl},
    {"Restauracja"_pl, "gastronomia"_pl},      {"Kawiarnia"_pl, "gastronomia"_pl},
    {"Bar mleczny"_pl, "gastronomia"_pl},      {"Pizzeria"_pl, "gastronomia"_pl},
    {"Przystanek autobusowy"_pl, "transport"_pl}, {"Dworzec kolejowy"_pl, "transport"_pl},
    {"Stacja paliw"_pl, "transport"_pl},       {"Przejście dla pieszych"_pl, "transport"_pl},
    {"Postój taksówek"_pl, "transport"_pl},    {"Kościół"_pl, "kultura"_pl},
    {"Biblioteka"_pl, "kultura"_pl},           {"Muzeum"_pl, "kultura"_pl},
    {"Teatr"_pl, "kultura"_pl},                {"Kino"_pl, "kultura"_pl},
    {"Szkoła podstawowa"_pl, "edukacja"_pl},   {"Przedszkole"_pl, "edukacja"_pl},
    {"Żłobek"_pl, "edukacja"_pl},              {"Urząd gminy"_pl, "urząd"_pl},
    {"Urząd skarbowy"_pl, "urząd"_pl},         {"Sąd rejonowy"_pl, "urząd"_pl},
    {"Komisariat policji"_pl, "bezpieczeństwo"_pl}, {"Straż pożarna"_pl, "bezpieczeństwo"_pl},
    {"Park"_pl, "wypoczynek"_pl},              {"Basen"_pl, "wypoczynek"_pl},
    {"Hotel"_pl, "noclegi"_pl},                {"Schronisko"_pl, "noclegi"_pl},
};

// Own names that follow a kind now and then.
const shortstr ownnames[] = {
    "Pod Lipą"_pl, "Centrum"_pl, "Na Rogu"_pl, "Złoty Róg"_pl, "Mazowsze"_pl,
    "Słoneczko"_pl, "Jagódka"_pl, "Pod Arkadami"_pl, "Rodzinna"_pl, "Stary Młyn"_pl,
    "Nocna"_pl, "Zielony Gaj"_pl, "Bursztyn"_pl, "Kaprys"_pl, "Żurawinka"_pl,
    "Pod Dębem"_pl, "Miejska"_pl, "Wiślana"_pl,
};

// Marks the converter turns into blanks, each with the text it wraps.
const shortstr markedopen[] = {"("_pl, "\""_pl, "["_pl, "'"_pl, "#"_pl, "*"_pl, "<"_pl, "{"_pl};
const shortstr markedclose[] = {")"_pl, "\""_pl, "]"_pl, "'"_pl, ""_pl, "*"_pl, ">"_pl, "}"_pl};
const shortstr markedtext[] = {
    "całodobowa"_pl, "nr 5"_pl, "nieczynne"_pl, "Pod Żaglami"_pl, "2"_pl,
    "nowość"_pl, "wejście od podwórza"_pl, "I piętro"_pl,
};

const shortstr streetkinds[] = {"ul. "_pl, "ul. "_pl, "ul. "_pl, "ul. "_pl, "al. "_pl, "pl. "_pl, "os. "_pl};

const shortstr streets[] = {
    "Mickiewicza"_pl, "Słowackiego"_pl, "Kościuszki"_pl, "Piłsudskiego"_pl,
    "Żeromskiego"_pl, "Sienkiewicza"_pl, "Kopernika"_pl, "Chopina"_pl,
    "Konopnickiej"_pl, "Reymonta"_pl, "Prusa"_pl, "Orzeszkowej"_pl,
    "Długa"_pl, "Krótka"_pl, "Polna"_pl, "Leśna"_pl, "Ogrodowa"_pl,
    "Kwiatowa"_pl, "Słoneczna"_pl, "Szkolna"_pl, "Kolejowa"_pl, "Dworcowa"_pl,
    "Źródlana"_pl, "Łąkowa"_pl, "Wąska"_pl, "Piękna"_pl, "Grunwaldzka"_pl,
    "Niepodległości"_pl, "Jagiellońska"_pl, "Wojska Polskiego"_pl, "3 Maja"_pl,
    "Armii Krajowej"_pl, "Świętokrzyska"_pl, "Królewska"_pl, "Zielona"_pl,
    "Różana"_pl, "Jaśminowa"_pl, "Wrzosowa"_pl, "Bażantowa"_pl, "Rynek"_pl,
    "Ściegiennego"_pl, "Żwirki i Wigury"_pl, "Stefana Batorego"_pl, "Fabryczna"_pl,
};

// Words that follow the lowered field A in field D (such a D is dropped by the
// converter, since it holds field A).
const shortstr catwords[] = {"dyżurna"_pl, "miejska"_pl, "całodobowa"_pl, "sieciowa"_pl, "prywatna"_pl};

const char hexdigits[] = "0123456789ABCDEF";

template <class T, std::size_t N>
constexpr unsigned count(const T (&)[N]) { return unsigned(N); }

// Lower case of a code page 1250 text: ASCII and the Polish capitals.
shortstr lowered(const shortstr &s)
{
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
    std::int64_t lat;    // latitude, 0.00000001 degree
    std::int64_t lon;    // longitude, 0.00000001 degree
    int latdec;          // decimals written for the latitude, 5..8
    int londec;          // decimals written for the longitude, 5..8
    unsigned icon;       // first ignored field
    std::uint64_t date;  // second ignored field, a day number times 100000
    shortstr a, b, c, d; // name parts and the category field
    unsigned extra;      // extra fields after field 8, 0..3
};

// Decimals: 5 to 8, with 8 (more than the converter keeps) fairly common.
int decimals()
{
    static const int d[] = {5, 6, 6, 7, 7, 7, 8, 8};
    return d[rbelow(8)];
}

void makepoint(point &p)
{
    const town &t = pick(towns);
    p.lat = std::int64_t(t.lat) * 10000 + std::int64_t(rbelow(8000001)) - 4000000;
    p.lon = std::int64_t(t.lon) * 10000 + std::int64_t(rbelow(12000001)) - 6000000;
    p.latdec = decimals();
    p.londec = decimals();
    p.icon = rbelow(100);
    p.date = 4300000000ull + rbelow(300000000);

    const kind &k = pick(kinds);
    p.a = k.name;
    if (rchance(55)) p.a += " "_pl + pick(ownnames);
    if (rchance(6)) {
        unsigned m = rbelow(count(markedopen));
        p.a += " "_pl + markedopen[m] + markedtext[rbelow(count(markedtext))] + markedclose[m];
    }

    char num[16];
    unsigned house = 1 + rbelow(150);
    int n = std::snprintf(num, sizeof num, "%u", house);
    p.b = pick(streetkinds) + pick(streets) + " "_pl + std::string_view(num, std::size_t(n));
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
void putcoord(std::int64_t v, int dec)
{
    putuint(std::uint64_t(v / 100000000));
    out.buf += '.';
    char frac[8];
    std::int64_t f = v % 100000000;
    for (int i = 7; i >= 0; i--) { frac[i] = char('0' + f % 10); f /= 10; }
    out.buf.append(frac, std::size_t(dec));
}

const char *extrafields[] = {",0", ",-777", ",65535", ",Uwagi"};

void putpnt(const point &p)
{
    putcoord(p.lat, p.latdec);
    out.buf += ',';
    putcoord(p.lon, p.londec);
    out.buf += ',';
    putuint(p.icon);
    out.buf += ',';
    putuint(p.date / 100000);
    out.buf += '.';
    putuint(p.date % 100000 + 100000);
    out.buf.erase(out.buf.size() - 6, 1);   // the leading 1 that kept the zeros
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

void putwpt(const point &p, std::uint64_t no)
{
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
bool parsenum(const char *s, std::uint64_t &v)
{
    if (!*s) return false;
    errno = 0;
    char *end = nullptr;
    unsigned long long x = std::strtoull(s, &end, 10);
    if (*end || errno || *s == '-') return false;
    v = x;
    return true;
}

int usage()
{
    std::fprintf(stderr, "usage: mkpnt [--seed N] [--points N] [--format pnt|wpt] OUTFILE\n");
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    std::uint64_t seed = 1, points = 1000;
    bool wpt = false;
    const char *path = nullptr;
    for (int i = 1; i < argc; i++) {
        std::string_view a = argv[i];
        if ((a == "--seed" || a == "--points" || a == "--format") && i + 1 < argc) {
            const char *v = argv[++i];
            if (a == "--format") {
                if (std::strcmp(v, "pnt") == 0) wpt = false;
                else if (std::strcmp(v, "wpt") == 0) wpt = true;
                else return usage();
            } else if (!parsenum(v, a == "--seed" ? seed : points)) {
                return usage();
            }
        } else if (!path && !a.empty() && a[0] != '-') {
            path = argv[i];
        } else {
            return usage();
        }
    }
    if (!path) return usage();

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
