// OziExplorer waypoint file reader. Of the fields of a waypoint line (number,
// name, latitude, longitude, date, symbol, status, display format, colours,
// description, pointer direction, ..., altitude) the name, the two
// coordinates and the description are used: the point's name is the name
// and then the words of the description that it lacks.

#include "poi/wpt.h"

#include <cstdint>

#include "core/app.h"
#include "poi/coord.h"
#include "poi/formats.h"
#include "poi/input.h"
#include "poi/lsout.h"
#include "poi/pnt.h"
#include "text/strutil.h"
#include "ui/tk.h"

constexpr int wptfieldsused = 11;          // fields read of a line: up to the description
static shortstr wptfields[wptfieldsused];  // those fields of the waypoint line being read

// The datum line: the datum's name, up to a comma. Only WGS 84 (any case,
// with or without the blank) gives the coordinates the output means; any
// other would put every point in a wrong place, so the run is refused.
static void wptdatum() {
    readline();
    shortstr datum = linebuf;
    for (std::size_t i = 0; i < datum.size(); ++i)
        if (datum[i] == ',') {
            datum.resize(i);
            break;
        }
    datum = trimboth(datum);
    shortstr bare;
    for (std::size_t i = 0; i < datum.size(); ++i)
        if (!isblanktab(datum.at(i))) bare += datum[i];
    if (pllower(bare).view() != "wgs84") showerror("Nieobsługiwany układ odniesienia: "_pl + datum);
}

// OziExplorer writes byte 209 where a text had a comma, which would end the
// field. In a UTF-8 file the byte is part of a letter and stays.
static void wptcommas(shortstr &s) {
    if (inpututf8()) return;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (s.at(i) == 209) s[i] = ',';
}

// Clears curpoi and fills it from the next waypoint line; a line with wrong
// coordinates leaves it cleared. False when the input ended before a line
// began.
static bool wptpoint() {
    clearpoi();
    if (!inputok) return false;
    do readchar();
    while (inputok && (curchar == 9 || curchar == 32 || curchar == 13));
    if (!inputok) return false;
    std::int32_t line = linecount < INT32_MAX ? linecount + 1 : INT32_MAX;  // this line's number in the file
    unreadchar();

    // The fields up to the description; after a field that ended the line
    // the rest stay empty, and the fields after the description go with the
    // rest of the line.
    bool ended = false;
    for (shortstr &f : wptfields) {
        f = shortstr();
        if (!ended) {
            pntfield(f);
            ended = !inputok || curchar == 13;
        }
    }
    if (!ended) readline();

    if (!degunits(wptfields[2].view(), pntlatmax, curpoi.lat) ||
        !degunits(wptfields[3].view(), pntlonmax, curpoi.lon)) {
        report("Nieprawidłowe współrzędne w linii "_pl + numtostr(line));
        clearpoi();
        return true;
    }
    shortstr &name = curpoi.name, &desc = wptfields[10];
    name = wptfields[1];
    wptcommas(name);
    wptcommas(desc);
    addnewwords(name, desc.view());
    cleanname(name);
    if (name.size() > lsnamemax) name.resize(lsnamemax);
    return true;
}

void wptconvert() {
    inputtext();
    ozihead("waypoint", "1.1");
    if (errorflag) return;
    wptdatum();
    if (errorflag) return;
    readline();
    readline();
    busyflag = true;
    // The same clean-up as the point files: street numbers keep their marks.
    extrachars = "./-";
    for (;;) {
        if (wptpoint()) writepoint();
        if (quitflag || !inputok || errorflag) break;
    }
    busyflag = false;
    extrachars = shortstr();
}
