// The Loadstone output: the current point that every reader fills, and the
// writer that appends it to the output file as one line of Loadstone's text
// import format.
#pragma once

#include <cstdint>

#include "text/shortstr.h"

// The current point. Whoever starts a new point clears it first.
struct poirec {
    shortstr name;           // name as it will be written; empty: the reader produced no point
    std::int32_t lat = 0;    // WGS84 latitude in 0.0000001 degree, north positive
    std::int32_t lon = 0;    // WGS84 longitude in 0.0000001 degree, east positive
};
extern poirec curpoi;

constexpr std::size_t lsnamemax = 75;  // bytes of a name that reach the file

extern std::int32_t writtencount;  // lines that reached the output file in this run
extern std::int32_t skippedcount;  // points rejected by the writer in this run (empty name)

void clearpoi();  // curpoi := empty name, coordinates 0

// Opens outputfile for a run: a missing file is created with the two header
// lines, an existing one is appended to. False after showerror when it can
// be neither created nor appended to.
bool openoutput();
// Writes curpoi as one line, or counts it as skipped when its name is empty.
// A write the system refuses ends the run through showerror; writtencount
// and nextpointid then count only the lines that are complete in the file.
void writepoint();
// Sends what is still buffered to the file and closes it; false after
// showerror when that fails. A file the run made that a failure left empty
// (not even its header) is removed. Does nothing when no output is open.
bool closeoutput();
bool outputopen();    // an output file is open
bool outputfailed();  // a write failed in this run; the writer writes nothing more

// The two header lines of a new file.
extern const char lsheader[];
