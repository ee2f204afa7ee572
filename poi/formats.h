// The formats of POI files: the point that every reader fills and every
// writer consumes, the table of input formats and the table of output
// formats. A conversion run picks its reader from the input table by the
// file's extension, and writes through the output format in use.
//
// Adding an input format takes one file pair and one row of informats (in
// poi/formats.cpp). The pair's convert function reads the whole input that
// the run has opened (poi/input.h) and, for every point, clears curpoi,
// fills it and calls writepoint(); it returns at the end of the file, when
// errorflag is set or when quitflag is. A file of the wrong kind is told with
// showformaterror(). The welcome text, the open dialog's file list and the
// dispatch follow from the row.
//
// Adding an output format takes one file pair and one row of outformats: its
// open, write, close, failed and reset functions behave as openoutput,
// writepoint, closeoutput and outputfailed below say, counting
// writtencount, skippedcount and nextpointid (core/app.h) as they go.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "text/shortstr.h"

// The current point. Whoever starts a new point clears it first.
struct poirec {
    shortstr name;         // name as it will be written; empty: the reader produced no point
    std::int32_t lat = 0;  // WGS84 latitude in 0.0000001 degree, north positive
    std::int32_t lon = 0;  // WGS84 longitude in 0.0000001 degree, east positive
};
extern poirec curpoi;

void clearpoi();  // curpoi := empty name, coordinates 0

// ---- Input formats ----
struct informat {
    const char *ext;    // the extension of its files, lower case, with the dot: ".pnt"
    shortstr about;     // its line in the welcome text
    void (*convert)();  // the whole open input file, every point to writepoint
};
extern const informat informats[];
extern const std::size_t informatcount;

// The reader of a file: the row of its extension; a file whose extension no
// row has is read as the first row's kind (whose reader refuses it when its
// header says otherwise).
const informat &informatof(const shortstr &path);
// The open dialog's list of input files: one type, "Pliki poi (*.pnt *.wpt *.uam *.csv)",
// with every row's extension.
void informatfilter();

// ---- Output formats ----
struct outformat {
    const char *ext;   // the extension of its files, lower case, with the dot; null: every other file
    shortstr name;     // its name in the output file's menu item; empty for the first row
    bool (*open)();    // outputfile opened for a run
    void (*write)();   // curpoi as one record
    bool (*close)();   // the rest to the file, closed
    bool (*failed)();  // a write failed in this run
    void (*reset)();   // its state as at program start
};
extern const outformat outformats[];
extern const std::size_t outformatcount;
extern const outformat *curout;  // the output format of the runs; the first row at start

// The writer of a file: the row of its extension, else the first (Loadstone).
const outformat &outformatof(const shortstr &path);

// Opens outputfile for a run through the writer of its extension (curout):
// a missing file is created (with its header), an existing one is appended
// to. False after showerror when it can be neither created nor appended to.
bool openoutput();
// The writers' open of outputfile for appending (sys/paths.h fsopenappend),
// and the messages when it cannot be opened: false after showerror.
bool openappendout(std::FILE *&f, bool &made, int &last);
// Writes curpoi as one record, or counts it as skipped when its name is
// empty. A write the system refuses ends the run through showerror;
// writtencount and nextpointid then count only the records that are
// complete in the file.
void writepoint();
// Sends what is still buffered to the file and closes it; false after
// showerror when that fails. A file the run made that a failure left empty
// (not even its header) is removed. Does nothing when no output is open.
bool closeoutput();
bool outputfailed();  // a write failed in this run; the writer writes nothing more

// Every POI module's state as at program start: input reader, current point,
// output formats (curout the first again), PROJ released, category table
// and current .uam record empty.
void poireset();
