// mktba: writes a made-up textbase (numbered part files of points of interest
// in Polish towns) into a folder, for the textbase benchmark and for tests of
// the check, and prints the statistics that a check of the whole base from
// its first part must end with.
//
//   mktba [--seed N] [--parts N] [--records N] [--width N] [--missing N] DIR
//
// --parts N     part files written (default 10)
// --records N   records per part as a check counts them (default 100)
// --width N     digits of the part numbers in the file names (default 3):
//               "tba" + number padded with zeros to N digits + ".txt"; a wider
//               number is written in full, as the program's generation does
// --missing N   part numbers left without a file (default 0): they fall
//               between the written parts, never before the first or after
//               the last, so the parts are numbered 1 to parts + missing
//
// The output depends only on the arguments: the random numbers come from our
// own generator (splitmix64) and every number is formatted by our own code.
//
// Every part: the signature "textbase kwz part N" (N without zeros), the
// proofreader line "korektor " (now and then with a name after it, or a
// comment line after it), a blank line, the records with blank lines between
// them (now and then two, or one holding only blanks), and the footer
// "textbaseend part N". Lines end with CR LF; texts are code page 1250.
//
// Most records are valid: p (longitude and latitude in units of 1e-7 degree,
// inside Poland), k, o, n, mostly in that order, some in another order, some
// with extra blanks, an empty o or a p line with a comma or a third word.
// A few are remmed (an f line with rem, also after an error, which stays
// remmed), a few faulty (no k, no p, a zero or missing number in p, a second
// n or k line, an error after rem, two records glued without a blank line,
// which a check counts as one faulty record), and a few valid with a warning
// (an unknown identifier, an unknown flag, no n and no o, a footer line in
// the middle of a record).
//
// Standard output gets the five statistics lines of a check of the whole
// base from its first part (count control off, no long-name warnings), in
// UTF-8 as the program prints them: "Wszystkich: N", "Zaremowanych: N",
// "Zawierających błędy: N", "Prawidłowych: N", "Brakujących części bazy: N".
// Parts numbered above 10^width - 1 are beyond a check's search; they are
// written but left out of the figures (a note on standard error says so).
//
// Each part is written under a temporary name and renamed into place once
// complete; on any failure the tool says so on standard error, leaves no
// half-written part behind and exits with code 1.

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <sys/stat.h>

#include "text/shortstr.h"
#include "tools/gentool.h"

namespace {

// Its towns, as positions in towns[] in the order of its draws: the capitals
// of the provinces, then a few more. Points fall within about 4 km of a
// centre.
constexpr std::uint8_t mytowns[] = {
    0, 1, 2, 3, 4, 5, 6, 8, 9, 10, 16, 18, 15, 22, 20, 14, 42, 37, 38, 34, 25, 12,
};
static_assert(within(mytowns, std::size(towns)));

// Its own names, as positions in ownnames[] in the order of its draws.
constexpr std::uint8_t mynames[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 16, 17, 18, 19};
static_assert(within(mynames, std::size(ownnames)));

// Its streets, as positions in streets[] in the order of its draws.
constexpr std::uint8_t mystreets[] = {
    0, 1, 2, 3, 4, 5, 6, 7, 12, 13, 14, 15, 16, 18, 19, 20, 21, 22, 23, 24, 26, 28, 30, 31, 32, 35, 41,
};
static_assert(within(mystreets, std::size(streets)));

// Kinds of places: the category (k) and the first words of the name.
struct kind {
    shortstr cat;
    shortstr name;
};

const kind kinds[] = {
    {"apteka"_pl, "Apteka"_pl},
    {"apteka"_pl, "Apteka dyżurna"_pl},
    {"bank"_pl, "Bank Spółdzielczy"_pl},
    {"bankomat"_pl, "Bankomat"_pl},
    {"parking"_pl, "Parking strzeżony"_pl},
    {"stacja paliw"_pl, "Stacja paliw"_pl},
    {"sklep spożywczy"_pl, "Sklep"_pl},
    {"supermarket"_pl, "Supermarket"_pl},
    {"poczta"_pl, "Urząd Pocztowy nr 3"_pl},
    {"kościół"_pl, "Kościół"_pl},
    {"kościół"_pl, "Parafia"_pl},
    {"restauracja"_pl, "Restauracja"_pl},
    {"bar"_pl, "Bar mleczny"_pl},
    {"kawiarnia"_pl, "Kawiarnia"_pl},
    {"hotel"_pl, "Hotel"_pl},
    {"szpital"_pl, "Szpital Wojewódzki"_pl},
    {"przychodnia"_pl, "Przychodnia"_pl},
    {"przystanek autobusowy"_pl, "Przystanek"_pl},
    {"przystanek tramwajowy"_pl, "Przystanek"_pl},
    {"dworzec"_pl, "Dworzec kolejowy"_pl},
    {"szkoła"_pl, "Szkoła Podstawowa nr 2"_pl},
    {"muzeum"_pl, "Muzeum"_pl},
    {"kino"_pl, "Kino"_pl},
    {"policja"_pl, "Komisariat Policji"_pl},
    {"straż pożarna"_pl, "Straż Pożarna"_pl},
    {"urząd"_pl, "Urząd Miasta"_pl},
    {"park"_pl, "Park"_pl},
    {"piekarnia"_pl, "Piekarnia"_pl},
    {"księgarnia"_pl, "Księgarnia"_pl},
    {"toaleta"_pl, "Toaleta publiczna"_pl},
};

const shortstr notes[] = {
    "czynne całą dobę"_pl,  "pn.-pt. 9-17, sob. 9-13"_pl, "wejście od podwórza"_pl,
    "(obok poczty)"_pl,     "\"przy rondzie\""_pl,        "I piętro, winda"_pl,
    "tel. 22 123 45 67"_pl, "podjazd dla wózków"_pl,      "dzwonek przy drzwiach"_pl,
};

const shortstr proofreaders[] = {
    "Jan Kowalski"_pl,      "Anna Nowak"_pl,        "Łukasz Wiśniewski"_pl,
    "Małgorzata Wójcik"_pl, "Grzegorz Kamiński"_pl, "Zofia Lewandowska"_pl,
};

// Lines a check reports as unknown identifiers (the record stays valid).
const shortstr unknownlines[] = {
    "t 22 123 45 67"_pl, "www apteka.example.pl"_pl, "uwaga sprawdzić w terenie"_pl, "o:brak"_pl, "K apteka"_pl,
};

// Words of an f line other than rem.
const shortstr unknownflags[] = {"stary"_pl, "sprawdz"_pl, "remont"_pl, "REM"_pl};

// A record before it is written.
struct record {
    std::int32_t lon = 0, lat = 0;  // 1e-7 degree
    shortstr cat, desc, name;       // k, o, n
};

// What a block (the lines between two blank lines) holds. Each kind is
// counted by a check as one record of its state.
enum blockkind : std::uint8_t {
    bplain,        // p k o n
    border,        // the four lines in another order
    bspaces,       // extra blanks after the identifier, inside and after values
    bemptyo,       // an empty o line (the field not given)
    bemptythen,    // an empty o line, then one with text: not a duplicate
    bpextra,       // p with a comma after the first number and a third word
    bpdegrees,     // p in degrees with decimal points: read as 21 and 52, non-zero
    bunknownid,    // valid, with an unknown identifier line (warning)
    bunknownflag,  // valid, with an f line of an unknown flag (warning)
    bnonameno,     // valid, no n and no o (warning)
    bfooterin,     // valid, a footer line in the middle (warning)
    brem,          // f rem at the end
    bremfirst,     // f rem first, the rest well-formed
    bremflags,     // f rem plus an unknown flag (warning)
    berrthenrem,   // a second n line, then f rem: remmed
    bnok,          // no k
    bnop,          // no p
    bzerop,        // a zero number in p
    bonenum,       // only one number in p
    bdupn,         // a second n line
    bdupk,         // a second k line
    bremthenerr,   // f rem, then a second n line: faulty
    bglued,        // two records without a blank line between: one faulty record
};

enum : std::uint8_t { svalid, sremmed, sfaulty };

// The kinds with their chances (per 10,000 blocks) and the state a check
// gives them; bplain takes what is left.
struct kindrow {
    blockkind kind;
    unsigned weight;
    std::uint8_t state;
};

const kindrow kindrows[] = {
    {border, 300, svalid},      {bspaces, 300, svalid},     {bemptyo, 300, svalid},   {bemptythen, 30, svalid},
    {bpextra, 50, svalid},      {bpdegrees, 10, svalid},    {bunknownid, 60, svalid}, {bunknownflag, 20, svalid},
    {bnonameno, 40, svalid},    {bfooterin, 10, svalid},    {brem, 150, sremmed},     {bremfirst, 50, sremmed},
    {bremflags, 20, sremmed},   {berrthenrem, 20, sremmed}, {bnok, 60, sfaulty},      {bnop, 30, sfaulty},
    {bzerop, 50, sfaulty},      {bonenum, 20, sfaulty},     {bdupn, 40, sfaulty},     {bdupk, 20, sfaulty},
    {bremthenerr, 20, sfaulty}, {bglued, 40, sfaulty},
};

const kindrow plainrow = {bplain, 0, svalid};

const kindrow &pickkind() {
    unsigned r = rbelow(10000);
    for (const kindrow &k : kindrows) {
        if (r < k.weight) return k;
        r -= k.weight;
    }
    return plainrow;
}

void makerecord(record &r) {
    const town &t = towns[pick(mytowns)];
    // Within about 4 km: 0.036 degree of latitude, 0.056 of longitude.
    r.lat = t.lat * 1000 + std::int32_t(rbelow(720001)) - 360000;
    r.lon = t.lon * 1000 + std::int32_t(rbelow(1120001)) - 560000;
    const kind &k = pick(kinds);
    r.cat = k.cat;
    r.name = k.name;
    if (rchance(50)) {
        r.name += ' ';
        r.name += ownnames[pick(mynames)];
    }
    if (rchance(8)) {
        // A place name ending in its province, which a long point name loses.
        r.name += ' ';
        r.name += t.name;
        r.name += ' ';
        r.name += t.woj;
    }
    unsigned d = rbelow(10);
    if (d < 1) {
        r.desc = shortstr();
    } else {
        r.desc = address(streets[pick(mystreets)]);
        if (d >= 6) {
            r.desc += ", "_pl;
            r.desc += t.name;
        }
        if (d >= 8) {
            r.desc += ", "_pl;
            r.desc += pick(notes);
        }
    }
}

// The output of the part being written.
genout out;

void put(const char *s) { out.put(s); }
void put(std::string_view s) { out.put(s); }
void put(const shortstr &s) { out.put(s.view()); }
void endline() { out.put("\r\n"); }

// "ID VALUE" and the line end.
void field(std::string_view id, const shortstr &value) {
    put(id);
    put(" ");
    put(value);
    endline();
}

// A value as a hand-edited file has it: runs of blanks inside and after it.
shortstr spaced(const shortstr &v) {
    shortstr r;
    for (std::size_t i = 0; i < v.size(); i++) {
        r += v[i];
        if (v[i] == ' ' && rchance(30)) r += "  ";
    }
    r += "   ";
    return r;
}

void fieldp(const record &r) { field("p", numtext(std::uint64_t(r.lon)) + ' ' + numtext(std::uint64_t(r.lat))); }
void fieldk(const record &r) { field("k", r.cat); }
void fieldo(const record &r) { field("o", r.desc); }
void fieldn(const record &r) { field("n", r.name); }

// A name that is never empty, for the second n line of a duplicate. The own
// name is drawn before the kind, in a statement of its own: the operands of +
// are evaluated in no fixed order.
shortstr othername() {
    const shortstr &own = ownnames[pick(mynames)];
    return pick(kinds).name + ' ' + own;
}

void plainlines(const record &r) {
    fieldp(r);
    fieldk(r);
    fieldo(r);
    fieldn(r);
}

// The lines of one block of the given kind for part number no.
void writeblock(blockkind kind, std::int64_t no) {
    record r;
    makerecord(r);
    switch (kind) {
    case bplain: plainlines(r); break;
    case border: {
        // n p k o, o n k p or k n o p
        unsigned o = rbelow(3);
        if (o == 0) {
            fieldn(r);
            fieldp(r);
            fieldk(r);
            fieldo(r);
        } else if (o == 1) {
            fieldo(r);
            fieldn(r);
            fieldk(r);
            fieldp(r);
        } else {
            fieldk(r);
            fieldn(r);
            fieldo(r);
            fieldp(r);
        }
        break;
    }
    case bspaces:
        put("p   ");
        put(numtext(std::uint64_t(r.lon)));
        put("    ");
        put(numtext(std::uint64_t(r.lat)));
        put("  ");
        endline();
        field("k ", spaced(r.cat));
        field("o", spaced(r.desc));
        field("n  ", spaced(r.name));
        break;
    case bemptyo:
        fieldp(r);
        fieldk(r);
        field("o", shortstr());
        fieldn(r);
        break;
    case bemptythen:
        fieldp(r);
        field("o", shortstr());
        fieldk(r);
        fieldo(r);
        fieldn(r);
        break;
    case bpextra:
        put("p ");
        put(numtext(std::uint64_t(r.lon)));
        put(", ");
        put(numtext(std::uint64_t(r.lat)));
        put(" WGS84");
        endline();
        fieldk(r);
        fieldo(r);
        fieldn(r);
        break;
    case bpdegrees: {
        // 210122287 as 21.0122287
        shortstr lon = numtext(std::uint64_t(r.lon)), lat = numtext(std::uint64_t(r.lat));
        field("p", lon.sub(0, 2) + '.' + lon.sub(2) + ' ' + lat.sub(0, 2) + '.' + lat.sub(2));
        fieldk(r);
        fieldo(r);
        fieldn(r);
        break;
    }
    case bunknownid:
        fieldp(r);
        fieldk(r);
        put(pick(unknownlines));
        endline();
        fieldo(r);
        fieldn(r);
        break;
    case bunknownflag:
        plainlines(r);
        field("f", pick(unknownflags));
        break;
    case bnonameno:
        fieldp(r);
        fieldk(r);
        if (rchance(50)) {
            field("o", shortstr());
            field("n", shortstr());
        }
        break;
    case bfooterin:
        fieldp(r);
        fieldk(r);
        field("textbaseend part", numtext(std::uint64_t(no)));
        fieldo(r);
        fieldn(r);
        break;
    case brem:
        plainlines(r);
        field("f", "rem"_pl);
        break;
    case bremfirst:
        field("f", "rem"_pl);
        plainlines(r);
        break;
    case bremflags:
        fieldp(r);
        fieldk(r);
        field("f", "rem "_pl + pick(unknownflags));
        fieldo(r);
        fieldn(r);
        break;
    case berrthenrem:
        plainlines(r);
        field("n", othername());
        field("f", "rem"_pl);
        break;
    case bnok:
        fieldp(r);
        fieldo(r);
        fieldn(r);
        break;
    case bnop:
        fieldk(r);
        fieldo(r);
        fieldn(r);
        break;
    case bzerop:
        if (rchance(50)) field("p", "0 "_pl + numtext(std::uint64_t(r.lat)));
        else field("p", numtext(std::uint64_t(r.lon)) + " 0"_pl);
        fieldk(r);
        fieldo(r);
        fieldn(r);
        break;
    case bonenum:
        field("p", numtext(std::uint64_t(r.lon)));
        fieldk(r);
        fieldo(r);
        fieldn(r);
        break;
    case bdupn:
        plainlines(r);
        field("n", othername());
        break;
    case bdupk:
        fieldp(r);
        fieldk(r);
        fieldo(r);
        field("k", pick(kinds).cat);
        fieldn(r);
        break;
    case bremthenerr:
        field("f", "rem"_pl);
        plainlines(r);
        field("n", othername());
        break;
    case bglued: {
        plainlines(r);
        record s;
        makerecord(s);
        plainlines(s);
        break;
    }
    }
}

// The blank lines after a block: mostly one, now and then two or one of blanks.
void blanklines() {
    unsigned b = rbelow(100);
    if (b == 0) put("\r\n\r\n");
    else if (b == 1) put("   \r\n");
    else endline();
}

// Figures a check of the whole base gives.
struct figures {
    std::int64_t all = 0, remmed = 0, faulty = 0, valid = 0, missing = 0;
};

// Writes part number no with count blocks into dir; counted into fig when
// counted is true. False after a message when the part cannot be written.
bool writepart(const std::string &dir, std::int64_t no, int width, std::int64_t count, bool counted, figures &fig) {
    shortstr num = numtext(std::uint64_t(no));
    std::string path = dir + "/tba";
    for (std::size_t n = num.size(); n < std::size_t(width); n++) path += '0';
    path += num.str();
    path += ".txt";
    if (!out.open("mktba", path.c_str())) return false;

    field("textbase kwz part", num);
    unsigned h = rbelow(100);
    if (h < 10) field("korektor", pick(proofreaders));
    else field("korektor", shortstr());
    if (h >= 95) {
        put("uwagi: sprawdzone w terenie");
        endline();
    }
    endline();
    for (std::int64_t i = 0; i < count; i++) {
        const kindrow &k = pickkind();
        writeblock(k.kind, no);
        blanklines();
        if (!counted) continue;
        fig.all++;
        if (k.state == sremmed) fig.remmed++;
        else if (k.state == sfaulty) fig.faulty++;
        else fig.valid++;
    }
    field("textbaseend part", num);

    if (!out.close() || !out.commit()) {
        out.discard();
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    std::int64_t seed = 1, parts = 10, records = 100, width = 3, missing = 0;
    auto option = [&](std::string_view a, const char *v) {
        if (a == "--seed") return parsenum(v, 0, LLONG_MAX, seed);
        if (a == "--parts") return parsenum(v, 1, 1000000, parts);
        if (a == "--records") return parsenum(v, 0, 1000000, records);
        if (a == "--width") return parsenum(v, 1, 9, width);
        if (a == "--missing") return parsenum(v, 0, 1000000, missing);
        return false;
    };
    const char *dir = nullptr;
    if (!readargs(argc, argv, dir, option))
        return usage("mktba [--seed N] [--parts N] [--records N] [--width N] [--missing N] DIR");
    if (missing > 0 && parts < 2) {
        std::fprintf(stderr, "mktba: missing parts need at least 2 parts to lie between\n");
        return 1;
    }
    // The counters of a check are 32-bit.
    if (parts * records > INT32_MAX) {
        std::fprintf(stderr, "mktba: more than %d records\n", INT32_MAX);
        return 1;
    }
    if (::mkdir(dir, 0777) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "mktba: cannot create %s: %s\n", dir, std::strerror(errno));
        return 1;
    }

    rngstate = std::uint64_t(seed);
    // gaps[i]: part numbers left out right after the i-th part written.
    std::vector<std::uint32_t> gaps(std::size_t(parts), 0);
    for (std::int64_t i = 0; i < missing; i++) gaps[rbelow(unsigned(parts - 1))]++;

    // A check never searches beyond the largest number of the width.
    std::int64_t largest = 1;
    for (int i = 0; i < width; i++) largest *= 10;
    largest -= 1;

    figures fig;
    std::int64_t no = 1, gap = 0, beyond = 0;
    for (std::int64_t i = 0; i < parts; i++) {
        bool counted = no <= largest;
        if (counted) fig.missing += gap;
        else beyond++;
        if (!writepart(dir, no, int(width), records, counted, fig)) return 1;
        gap = gaps[std::size_t(i)];
        no += 1 + gap;
    }
    if (beyond)
        std::fprintf(stderr, "mktba: %lld parts numbered above %lld are beyond a check's reach and not counted\n",
                     (long long)beyond, (long long)largest);

    std::printf(
        "Wszystkich: %lld\nZaremowanych: %lld\nZawierających błędy: %lld\nPrawidłowych: %lld\n"
        "Brakujących części bazy: %lld\n",
        (long long)fig.all, (long long)fig.remmed, (long long)fig.faulty, (long long)fig.valid, (long long)fig.missing);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
