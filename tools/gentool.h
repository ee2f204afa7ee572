// What the seeded file generators (mkpnt, mkuam, mktba) share: the random
// numbers, the output file and the towns, names and streets they draw from.
// Each must give the same bytes for the same arguments on every host, so the
// random numbers come from our own generator and numbers are formatted by our
// own code.
#pragma once

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <sys/stat.h>

#include "text/shortstr.h"

// Random numbers: splitmix64, small, fast and the same everywhere.
inline std::uint64_t rngstate = 0;  // generator state, set from the seed

inline std::uint64_t rnext() {
    std::uint64_t z = (rngstate += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// A number in 0..n-1 (n > 0); the tiny modulo bias does not matter here.
inline unsigned rbelow(unsigned n) { return unsigned(rnext() % n); }

// True with a chance of pct percent.
inline bool rchance(unsigned pct) { return rbelow(100) < pct; }

// Reads a whole decimal number within lo..hi; false when the text is not one.
inline bool parsenum(const char *s, std::int64_t lo, std::int64_t hi, std::int64_t &v) {
    if (!*s) return false;
    errno = 0;
    char *end = nullptr;
    long long x = std::strtoll(s, &end, 10);
    if (*end || errno || x < lo || x > hi) return false;
    v = x;
    return true;
}

// Reads a generator's command line: options "--name VALUE" and one operand,
// which does not start with '-'. option(name, value) takes each option and
// says whether the tool has it and can use the value. False on an option it
// refuses, on anything else, and when the operand is missing.
template <class F>
bool readargs(int argc, char **argv, const char *&operand, F option) {
    for (int i = 1; i < argc; i++) {
        std::string_view a = argv[i];
        if (a.starts_with("--") && i + 1 < argc) {
            if (!option(a, argv[++i])) return false;
        } else if (!operand && !a.empty() && a[0] != '-') {
            operand = argv[i];
        } else {
            return false;
        }
    }
    return operand != nullptr;
}

// Says on standard error how a generator is called; 1, its exit code then.
inline int usage(const char *synopsis) {
    std::fprintf(stderr, "usage: %s\n", synopsis);
    return 1;
}

// One element of a table, drawn with one random number.
template <class T, std::size_t N>
const T &pick(const T (&a)[N]) {
    return a[rbelow(unsigned(N))];
}

// A whole number as text.
inline shortstr numtext(std::uint64_t v) {
    char b[24];
    int n = 0;
    do {
        b[n++] = char('0' + v % 10);
        v /= 10;
    } while (v);
    shortstr r;
    while (n) r += b[--n];
    return r;
}

// An output file of a generator: a regular file (or a new one) is written
// under a temporary name and renamed into place once complete, anything else
// (a device, a pipe) is written directly and never replaced. Bytes gather in
// buf and go to the file in blocks of 1 MB; every failure is told on standard
// error under the tool's name.
struct genout {
    const char *tool = "";  // the generator's name, for its messages
    std::string path;       // the file asked for
    std::string tmp;        // the file written
    bool special = false;   // path is a device or a pipe
    std::FILE *f = nullptr;
    std::string buf;  // bytes not yet written
    bool ok = true;   // false after a failed write

    bool open(const char *toolname, const char *p) {
        tool = toolname;
        path = p;
        struct stat st;
        special = ::stat(p, &st) == 0 && !S_ISREG(st.st_mode);
        tmp = special ? path : path + ".part";
        f = std::fopen(tmp.c_str(), "wb");
        if (!f) {
            std::fprintf(stderr, "%s: cannot create %s: %s\n", tool, tmp.c_str(), std::strerror(errno));
            return false;
        }
        buf.reserve((1u << 20) + 4096);
        return true;
    }

    void flush() {
        if (ok && !buf.empty() && std::fwrite(buf.data(), 1, buf.size(), f) != buf.size()) ok = false;
        buf.clear();
    }

    void put(std::string_view s) {
        buf.append(s);
        if (buf.size() >= (1u << 20)) flush();
    }

    // Writes what is left and closes the file; false (with a message) on failure.
    bool close() {
        flush();
        if (std::fclose(f) != 0) ok = false;
        f = nullptr;
        if (!ok) std::fprintf(stderr, "%s: cannot write %s\n", tool, tmp.c_str());
        return ok;
    }

    // Puts the closed file in place; false (with a message) when it cannot.
    bool commit() {
        if (special || std::rename(tmp.c_str(), path.c_str()) == 0) return true;
        std::fprintf(stderr, "%s: cannot rename %s to %s: %s\n", tool, tmp.c_str(), path.c_str(), std::strerror(errno));
        return false;
    }

    // Removes the temporary file (a device or a pipe is left alone).
    void discard() {
        if (f) std::fclose(f);
        f = nullptr;
        if (!special) std::remove(tmp.c_str());
    }
};

// The places and names the generators draw from. Each generator draws from
// its own part of a table, in its own order (its first rows, or a list of
// positions in it): the order of the draws fixes the bytes it writes, so a
// row moved or put in the middle changes the samples. New rows go at the end.

// A town with its centre in units of 0.0001 degree and its province. Points
// fall within a few km of a centre. The towns from 50 on lie right at a
// border, for a list that reaches every edge of the country.
struct town {
    shortstr name;  // code page 1250
    int lat;        // latitude, 0.0001 degree
    int lon;        // longitude, 0.0001 degree
    shortstr woj;   // its province, as a name may end with it
};

// The tables keep their rows as laid out: a town a line, streets four a line.
// clang-format off
inline const town towns[] = {
    {"Warszawa"_pl, 522297, 210122, "woj. mazowieckie"_pl},             // 0
    {"Kraków"_pl, 500647, 199450, "woj. małopolskie"_pl},               // 1
    {"Łódź"_pl, 517592, 194560, "woj. łódzkie"_pl},                     // 2
    {"Wrocław"_pl, 511079, 170385, "woj. dolnośląskie"_pl},             // 3
    {"Poznań"_pl, 524064, 169252, "woj. wielkopolskie"_pl},             // 4
    {"Gdańsk"_pl, 543520, 186466, "woj. pomorskie"_pl},                 // 5
    {"Szczecin"_pl, 534285, 145528, "woj. zachodniopomorskie"_pl},      // 6
    {"Bydgoszcz"_pl, 531235, 180084, "woj. kujawsko-pomorskie"_pl},     // 7
    {"Lublin"_pl, 512465, 225684, "woj. lubelskie"_pl},                 // 8
    {"Białystok"_pl, 531325, 231688, "woj. podlaskie"_pl},              // 9
    {"Katowice"_pl, 502649, 190238, "woj. śląskie"_pl},                 // 10
    {"Gdynia"_pl, 545189, 185305, "woj. pomorskie"_pl},                 // 11
    {"Częstochowa"_pl, 508118, 191203, "woj. śląskie"_pl},              // 12
    {"Radom"_pl, 514027, 211471, "woj. mazowieckie"_pl},                // 13
    {"Toruń"_pl, 530138, 185984, "woj. kujawsko-pomorskie"_pl},         // 14
    {"Kielce"_pl, 508661, 206286, "woj. świętokrzyskie"_pl},            // 15
    {"Rzeszów"_pl, 500412, 219991, "woj. podkarpackie"_pl},             // 16
    {"Gliwice"_pl, 502945, 186714, "woj. śląskie"_pl},                  // 17
    {"Olsztyn"_pl, 537784, 204801, "woj. warmińsko-mazurskie"_pl},      // 18
    {"Bielsko-Biała"_pl, 498224, 190584, "woj. śląskie"_pl},            // 19
    {"Zielona Góra"_pl, 519356, 155062, "woj. lubuskie"_pl},            // 20
    {"Ruda Śląska"_pl, 502558, 188556, "woj. śląskie"_pl},              // 21
    {"Opole"_pl, 506751, 179213, "woj. opolskie"_pl},                   // 22
    {"Gorzów Wielkopolski"_pl, 527368, 152288, "woj. lubuskie"_pl},     // 23
    {"Elbląg"_pl, 541561, 194045, "woj. warmińsko-mazurskie"_pl},       // 24
    {"Płock"_pl, 525463, 197065, "woj. mazowieckie"_pl},                // 25
    {"Wałbrzych"_pl, 507714, 162843, "woj. dolnośląskie"_pl},           // 26
    {"Włocławek"_pl, 526483, 190677, "woj. kujawsko-pomorskie"_pl},     // 27
    {"Tarnów"_pl, 500121, 209858, "woj. małopolskie"_pl},               // 28
    {"Koszalin"_pl, 541944, 161722, "woj. zachodniopomorskie"_pl},      // 29
    {"Kalisz"_pl, 517611, 180910, "woj. wielkopolskie"_pl},             // 30
    {"Legnica"_pl, 512070, 161553, "woj. dolnośląskie"_pl},             // 31
    {"Grudziądz"_pl, 534837, 187536, "woj. kujawsko-pomorskie"_pl},     // 32
    {"Słupsk"_pl, 544641, 170285, "woj. pomorskie"_pl},                 // 33
    {"Jelenia Góra"_pl, 509044, 157194, "woj. dolnośląskie"_pl},        // 34
    {"Nowy Sącz"_pl, 496175, 207153, "woj. małopolskie"_pl},            // 35
    {"Siedlce"_pl, 521676, 222901, "woj. mazowieckie"_pl},              // 36
    {"Przemyśl"_pl, 497838, 227678, "woj. podkarpackie"_pl},            // 37
    {"Suwałki"_pl, 541118, 229309, "woj. podlaskie"_pl},                // 38
    {"Łomża"_pl, 531781, 220590, "woj. podlaskie"_pl},                  // 39
    {"Zamość"_pl, 507231, 232519, "woj. lubelskie"_pl},                 // 40
    {"Ełk"_pl, 538281, 223647, "woj. warmińsko-mazurskie"_pl},          // 41
    {"Zakopane"_pl, 492992, 199496, "woj. małopolskie"_pl},             // 42
    {"Sopot"_pl, 544416, 185601, "woj. pomorskie"_pl},                  // 43
    {"Żyrardów"_pl, 520488, 204459, "woj. mazowieckie"_pl},             // 44
    {"Gniezno"_pl, 525348, 175826, "woj. wielkopolskie"_pl},            // 45
    {"Piła"_pl, 531514, 167378, "woj. wielkopolskie"_pl},               // 46
    {"Chełm"_pl, 511431, 234716, "woj. lubelskie"_pl},                  // 47
    {"Sieradz"_pl, 515956, 187302, "woj. łódzkie"_pl},                  // 48
    {"Świdnica"_pl, 508451, 164897, "woj. dolnośląskie"_pl},            // 49
    {"Świnoujście"_pl, 539105, 142476, "woj. zachodniopomorskie"_pl},   // 50
    {"Zgorzelec"_pl, 511493, 150087, "woj. dolnośląskie"_pl},           // 51
    {"Kłodzko"_pl, 504347, 166542, "woj. dolnośląskie"_pl},             // 52
    {"Cieszyn"_pl, 497496, 186321, "woj. śląskie"_pl},                  // 53
    {"Ustrzyki Dolne"_pl, 494303, 225937, "woj. podkarpackie"_pl},      // 54
    {"Terespol"_pl, 520753, 236163, "woj. lubelskie"_pl},               // 55
    {"Sejny"_pl, 541093, 233497, "woj. podlaskie"_pl},                  // 56
    {"Władysławowo"_pl, 547907, 184010, "woj. pomorskie"_pl},           // 57
};

// Own names that follow a kind of place now and then; some with marks.
inline const shortstr ownnames[] = {
    "Centrum"_pl, "Pod Żaglami"_pl, "św. Anny"_pl, "Zdrowie"_pl, "Pod Lipą"_pl,         // 0
    "Na Rogu"_pl, "Złoty Róg"_pl, "Słoneczko"_pl, "Rodzinna"_pl, "Stary Młyn"_pl,       // 5
    "Zielony Gaj"_pl, "Bursztyn"_pl, "Żurawinka"_pl, "Pod Dębem"_pl, "Miejska"_pl,      // 10
    "Wiślana"_pl, "\"Jagódka\""_pl, "(filia nr 4)"_pl, "Śródmieście"_pl, "Łazienki"_pl, // 15
    "Mazowsze"_pl, "Jagódka"_pl, "Pod Arkadami"_pl, "Nocna"_pl, "Kaprys"_pl,            // 20
};

// Street names, without "ul." or the like.
inline const shortstr streets[] = {
    "Mickiewicza"_pl, "Słowackiego"_pl, "Kościuszki"_pl, "Piłsudskiego"_pl,             // 0
    "Żeromskiego"_pl, "Sienkiewicza"_pl, "Kopernika"_pl, "Chopina"_pl,                  // 4
    "Konopnickiej"_pl, "Reymonta"_pl, "Prusa"_pl, "Orzeszkowej"_pl,                     // 8
    "Długa"_pl, "Krótka"_pl, "Polna"_pl, "Leśna"_pl,                                    // 12
    "Ogrodowa"_pl, "Kwiatowa"_pl, "Słoneczna"_pl, "Szkolna"_pl,                         // 16
    "Kolejowa"_pl, "Dworcowa"_pl, "Źródlana"_pl, "Łąkowa"_pl,                           // 20
    "Wąska"_pl, "Piękna"_pl, "Grunwaldzka"_pl, "Niepodległości"_pl,                     // 24
    "Jagiellońska"_pl, "Wojska Polskiego"_pl, "3 Maja"_pl, "Armii Krajowej"_pl,         // 28
    "Świętokrzyska"_pl, "Królewska"_pl, "Zielona"_pl, "Różana"_pl,                      // 32
    "Jaśminowa"_pl, "Wrzosowa"_pl, "Bażantowa"_pl, "Rynek"_pl,                          // 36
    "Ściegiennego"_pl, "Żwirki i Wigury"_pl, "Stefana Batorego"_pl, "Fabryczna"_pl,     // 40
};
// clang-format on

// Whether every position in a generator's list names a row of a table of n.
template <std::size_t N>
constexpr bool within(const std::uint8_t (&pos)[N], std::size_t n) {
    for (std::uint8_t p : pos)
        if (p >= n) return false;
    return true;
}

// A street address such as "ul. Długa 12": the street given, the number drawn.
inline shortstr address(const shortstr &street) {
    shortstr r = "ul. "_pl + street;
    r += ' ';
    r += numtext(1 + rbelow(150));
    return r;
}
