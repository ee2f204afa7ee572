// CSV point list reader.
//
// The first line that is not blank decides the file's layout. Its separator
// is a semicolon when it has at least as many semicolons as commas outside
// quotes (a spreadsheet set to Polish writes "Apteka;52,2297;21,0122": as
// many decimal commas as separators), a comma otherwise; a spreadsheet's
// line "sep=;" before it names the separator instead. When it names the
// columns of the name and of the two coordinates (English or Polish names,
// any case, any order, a description column optional) it is the header;
// otherwise it is already a point, of the columns name, latitude, longitude
// (or latitude, longitude, name, when its first two fields are coordinates
// and the third is not). A first line of fewer than three fields, or with
// control bytes, is no point list at all.
//
// A field may be quoted ("..."; "" inside is one quote), and then holds
// separators. A line end ends the line even inside quotes: a quote left open
// cannot take the rest of the file into one field. Each field keeps at most
// 255 bytes and the rest of it is read past, so a long description never
// moves the columns after it. A coordinate may have a decimal comma.

#include "poi/csv.h"

#include <cstdint>
#include <cstring>

#include "core/app.h"
#include "poi/coord.h"
#include "poi/formats.h"
#include "poi/input.h"
#include "poi/lsout.h"
#include "poi/pnt.h"
#include "text/strutil.h"
#include "ui/tk.h"

// ---- The open file's layout ----
static char csvsep = ',';  // the field separator: ',' or ';'
static int csvname = 0;    // column of the name (from 0)
static int csvlat = 1;     // column of the latitude
static int csvlon = 2;     // column of the longitude
static int csvdesc = -1;   // column of the description; -1: none

// ---- The first line, read once to find the layout and again as fields ----
// Of a run of bytes between separators and quotes only the first 255 are
// kept, which keeps the first 255 bytes of every field whichever the
// separator, and the quotes as they were; a line of more separators and
// quotes than the buffer holds is cut.
static char firstline[4096];          // its bytes as kept
static std::uint32_t firstlen = 0;    // bytes in firstline
static std::uint32_t firstpos = 0;    // the next byte csvchar gives from it
static bool replaying = false;        // csvchar gives the first line's bytes
static std::int32_t firstlineno = 0;  // its number in the file

// The used fields of the line being read: name, latitude, longitude,
// description.
enum { slotname, slotlat, slotlon, slotdesc, slots };
static shortstr csvslot[slots];

// Bytes that end a run of plain field characters, for either separator.
struct csvstops {
    bool stop[256]{};
    constexpr csvstops(char sep) { stop[10] = stop[13] = stop[(unsigned char)'"'] = stop[(unsigned char)sep] = true; }
};
static constexpr csvstops commastop(','), semistop(';');

// The next character of the line into c; false at its end (a line end or
// the end of the input).
static bool csvchar(std::uint8_t &c) {
    if (replaying) {
        if (firstpos < firstlen) {
            c = std::uint8_t(firstline[firstpos++]);
            return true;
        }
        replaying = false;
        return false;
    }
    readchar();
    if (!inputok || curchar == 13) return false;
    c = curchar;
    return true;
}

// Reads the next field of the line into f, trimmed of blanks and tabs;
// false when it was the line's last field.
static bool csvfield(shortstr &f) {
    char b[shortstr::maxlen];
    std::size_t n = 0;
    bool quoted = false, lead = true;  // lead: only blanks and tabs so far
    auto add = [&](std::uint8_t c) {
        if (!isblanktab(c)) lead = false;
        if (n < sizeof b) b[n++] = char(c);
    };
    const bool *stop = csvsep == ';' ? semistop.stop : commastop.stop;
    bool more = false;
    for (;;) {
        const std::uint8_t *run;
        std::uint32_t got = replaying ? 0 : readrun(run, stop);
        if (got > 0) {
            for (std::uint32_t k = 0; k < got; ++k) add(run[k]);
            continue;
        }
        std::uint8_t c;
        if (!csvchar(c)) break;
        if (quoted) {
            if (c != '"') {
                add(c);
                continue;
            }
            // A doubled quote is one quote; a single one ends the quoted text.
            if (!csvchar(c)) break;
            if (c == '"') {
                add(c);
                continue;
            }
            quoted = false;
        }
        if (c == std::uint8_t(csvsep)) {
            more = true;
            break;
        }
        if (c == '"' && lead) {
            quoted = true;
            n = 0;
            continue;
        }
        add(c);
    }
    std::size_t i = 0;
    while (i < n && isblanktab(b[i])) ++i;
    while (n > i && isblanktab(b[n - 1])) --n;
    f.assign(b + i, n - i);
    return more;
}

// A coordinate field: decimal degrees, with a point or one decimal comma.
static bool csvcoord(const shortstr &field, std::int32_t limit, std::int32_t &units) {
    std::string_view v = field.view();
    std::size_t comma = v.find(',');
    if (comma == std::string_view::npos || v.find('.') != std::string_view::npos ||
        v.find(',', comma + 1) != std::string_view::npos)
        return degunits(v, limit, units);
    shortstr dotted = field;
    dotted[comma] = '.';
    return degunits(dotted.view(), limit, units);
}

// The point of the line whose fields are in csvslot; line is its number in
// the file, for the report.
static void csvmake(std::int32_t line) {
    // A point that would stand in a wrong place is not written at all.
    if (!csvcoord(csvslot[slotlat], pntlatmax, curpoi.lat) || !csvcoord(csvslot[slotlon], pntlonmax, curpoi.lon)) {
        report("Nieprawidłowe współrzędne w linii "_pl + numtostr(line));
        clearpoi();
        return;
    }
    shortstr &name = curpoi.name;
    name = csvslot[slotname];
    addnewwords(name, csvslot[slotdesc].view());
    cleanname(name);
    if (name.size() > lsnamemax) name.resize(lsnamemax);
}

// The slot of a column under the layout; nullptr for a column not used.
static shortstr *csvslotof(int col) {
    if (col == csvname) return &csvslot[slotname];
    if (col == csvlat) return &csvslot[slotlat];
    if (col == csvlon) return &csvslot[slotlon];
    if (col == csvdesc) return &csvslot[slotdesc];
    return nullptr;
}

// Reads the fields of the rest of the line into the slots (the others
// emptied); false when every field of the line was empty.
static bool csvline() {
    for (shortstr &s : csvslot) s.assign("", 0);
    shortstr other;  // a field of a column that is not used
    bool any = false, more = true;
    // The count stops short of wrapping: past the used columns it only
    // needs to stay past them.
    for (int col = 0; more; col = col < INT32_MAX ? col + 1 : col) {
        shortstr *slot = csvslotof(col);
        shortstr &f = slot ? *slot : other;
        more = csvfield(f);
        if (!f.empty()) any = true;
    }
    return any;
}

// Clears curpoi and fills it from the next line that is not empty; a line
// with wrong or missing coordinates leaves it cleared. False when the input
// ended before such a line.
static bool csvpoint() {
    for (;;) {
        clearpoi();
        if (!inputok) return false;
        std::int32_t line = linecount < INT32_MAX ? linecount + 1 : INT32_MAX;  // this line's number in the file
        if (!csvline()) continue;  // an empty line, or one of separators only
        csvmake(line);
        return true;
    }
}

// The names a header gives the used columns, lower case.
struct heading {
    shortstr word;  // the name
    int *column;    // the layout's column it names
};
static const heading headings[] = {
    {"name"_pl, &csvname},        {"nazwa"_pl, &csvname},    {"lat"_pl, &csvlat},     {"latitude"_pl, &csvlat},
    {"szerokość"_pl, &csvlat},    {"szerokosc"_pl, &csvlat}, {"lon"_pl, &csvlon},     {"lng"_pl, &csvlon},
    {"longitude"_pl, &csvlon},    {"długość"_pl, &csvlon},   {"dlugosc"_pl, &csvlon}, {"desc"_pl, &csvdesc},
    {"description"_pl, &csvdesc}, {"opis"_pl, &csvdesc},
};

// A header field that names a used column makes col that column, unless an
// earlier field named it.
static void csvheading(int col, const shortstr &field) {
    shortstr w = pllower(field);
    for (const heading &h : headings)
        if (w == h.word && *h.column < 0) *h.column = col;
}

// Reads the first line that is not blank into firstline, and chooses the
// separator from it; false when it is no line of a point list (control
// bytes in it). A UTF-8 byte order mark that the input left at the start of
// the file is dropped, and a spreadsheet's line "sep=;" (or "sep=,") names
// the separator of the lines after it.
static bool csvfirst() {
    char named = 0;  // the separator a "sep=" line named
    for (;;) {
        std::uint32_t commas = 0, semis = 0, solid = 0;  // solid: bytes other than blanks and tabs
        bool control = false, quoted = false;
        firstlen = 0;
        firstlineno = linecount < INT32_MAX ? linecount + 1 : INT32_MAX;
        std::uint32_t run = 0;  // bytes of the current run between separators and quotes
        for (;;) {
            readchar();
            if (!inputok || curchar == 13) break;
            char c = char(curchar);
            bool mark = c == '"' || c == ',' || c == ';';
            if (c == '"') quoted = !quoted;
            if (!quoted && c == ',') ++commas;
            if (!quoted && c == ';') ++semis;
            if (!isblanktab(c)) ++solid;
            run = mark ? 0 : run + 1;
            if (run <= shortstr::maxlen && firstlen < sizeof firstline) {
                if (iscontrolbyte(c)) control = true;
                firstline[firstlen++] = c;
            }
            if (firstlineno == 1 && firstlen == 3 && solid == 3 && std::memcmp(firstline, "\xEF\xBB\xBF", 3) == 0) {
                firstlen = run = solid = 0;
            }
        }
        if (solid == 0 && inputok) continue;  // a blank line
        shortstr line = pllower(trimboth(shortstr(firstline, firstlen < 255 ? firstlen : 255)));
        if ((line == "sep=;" || line == "sep=,") && !named && inputok) {
            named = line[4];
            continue;
        }
        csvsep = named ? named : semis > 0 && semis >= commas ? ';' : ',';
        return !control;
    }
}

void csvconvert() {
    inputtext();
    csvsep = ',';
    if (!csvfirst()) {
        showformaterror();
        return;
    }
    // The first line as fields: the columns it names, and its first three
    // fields in case it is a point.
    csvname = csvlat = csvlon = csvdesc = -1;
    replaying = true;
    firstpos = 0;
    shortstr first[3];
    int fields = 0;
    for (bool more = true; more; ++fields) {
        shortstr f;
        more = csvfield(f);
        if (fields < 3) first[fields] = f;
        csvheading(fields, f);
    }
    replaying = false;
    if (fields < 3) {
        showformaterror();
        return;
    }
    bool header = csvname >= 0 && csvlat >= 0 && csvlon >= 0;
    busyflag = true;
    // The same clean-up as the point files: street numbers keep their marks.
    extrachars = "./-";
    if (!header) {
        // No header: the first line is a point already.
        std::int32_t lat, lon;
        bool latfirst = csvcoord(first[0], pntlatmax, lat) && csvcoord(first[1], pntlonmax, lon) &&
                        !csvcoord(first[2], pntlonmax, lon);
        csvname = latfirst ? 2 : 0;
        csvlat = latfirst ? 0 : 1;
        csvlon = latfirst ? 1 : 2;
        csvdesc = -1;
        for (shortstr &s : csvslot) s.assign("", 0);
        for (int i = 0; i < 3; ++i) *csvslotof(i) = first[i];
        clearpoi();
        csvmake(firstlineno);
        writepoint();
    }
    while (!quitflag && inputok && !errorflag)
        if (csvpoint()) writepoint();
    busyflag = false;
    extrachars = shortstr();
}
