// The tables of POI formats and the dispatch through them.

#include "poi/formats.h"

#include "core/app.h"
#include "poi/csv.h"
#include "poi/gpx.h"
#include "poi/gpxout.h"
#include "poi/input.h"
#include "poi/kml.h"
#include "poi/lsout.h"
#include "poi/pnt.h"
#include "poi/uam.h"
#include "poi/uamkat.h"
#include "poi/uamproj.h"
#include "poi/wpt.h"
#include "sys/paths.h"
#include "ui/tk.h"

poirec curpoi;  // the current point

void clearpoi() {
    // Emptied, not zeroed: it runs for every point read.
    curpoi.name.len = 0;
    curpoi.name.buf[0] = 0;
    curpoi.lat = 0;
    curpoi.lon = 0;
}

// The input formats, in the order the welcome text and the open dialog name
// them. The first is also the reader of files with any other extension.
const informat informats[] = {
    {".pnt", "plik .pnt - oziexplorer point file version 1"_pl, pntconvert},
    {".wpt", "plik .wpt - oziexplorer waypoint file version 1.1"_pl, wptconvert},
    {".uam", "pliki .uam - punkty użytkownika automapy"_pl, uamconvert},
    {".gpx", "pliki .gpx - punkty gpx 1.0 i 1.1"_pl, gpxconvert},
    {".kml", "pliki .kml - punkty placemark"_pl, kmlconvert},
    {".csv", "plik .csv - nazwa, szerokość i długość geograficzna"_pl, csvconvert},
};
const std::size_t informatcount = sizeof informats / sizeof informats[0];

const informat &informatof(const shortstr &path) {
    shortstr ext = extof(path);
    for (const informat &f : informats)
        if (ext.view() == f.ext) return f;
    return informats[0];
}

void informatfilter() {
    shortstr caption = "Pliki poi ("_pl, pattern;
    for (const informat &f : informats) {
        if (!pattern.empty()) {
            caption += ' ';
            pattern += ';';
        }
        caption += '*';
        caption += f.ext;
        pattern += '*';
        pattern += f.ext;
    }
    caption += ')';
    dlgfilter(caption, pattern);
}

// The output formats; the runs write through curout.
const outformat outformats[] = {
    {nullptr, ""_pl, lsopen, lswrite, lsclose, lsfailed, lsreset},  // Loadstone
    {".gpx", "GPX"_pl, gpxopen, gpxwrite, gpxclose, gpxfailed, gpxreset},
};
const std::size_t outformatcount = sizeof outformats / sizeof outformats[0];
const outformat *curout = &outformats[0];

bool openappendout(std::FILE *&f, bool &made, int &last) {
    int st = fsopenappend(outputfile, f, made, last);
    if (st == fsoutbusy) {
        showerror("Plik wynikowy jest używany przez inny proces: "_pl + outputfile);
        return false;
    }
    if (st == fsoutnotfile) {
        showerror("Plik wynikowy nie jest zwykłym plikiem: "_pl + outputfile);
        return false;
    }
    if (st != fsoutok) {
        if (fileexists(outputfile)) showerror("Nie można otworzyć do dopisywania pliku wynikowego "_pl + outputfile);
        else showerror("Nie można utworzyć pliku wynikowego "_pl + outputfile);
        return false;
    }
    return true;
}

const outformat &outformatof(const shortstr &path) {
    shortstr ext = extof(path);
    for (const outformat &f : outformats)
        if (f.ext && ext.view() == f.ext) return f;
    return outformats[0];
}

bool openoutput() {
    curout = &outformatof(outputfile);
    return curout->open();
}
void writepoint() { curout->write(); }
bool closeoutput() { return curout->close(); }
bool outputfailed() { return curout->failed(); }

void poireset() {
    inputreset();
    clearpoi();
    for (const outformat &f : outformats) f.reset();
    curout = &outformats[0];
    projdone();
    for (shortstr &k : kateg) k = shortstr();
    curuam = uamrec();
}
