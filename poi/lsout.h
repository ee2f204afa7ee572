// The Loadstone output: the writer that appends each point to the output
// file as one line of Loadstone's text import format. It is the row
// "loadstone" of the output formats (poi/formats.h), through which the runs
// use it.
#pragma once

#include <cstdint>

#include "poi/formats.h"

constexpr std::size_t lsnamemax = 75;  // bytes of a name that reach the file

// The two header lines of a new file.
extern const char lsheader[];

bool lsopen();    // as openoutput: a new file gets the two header lines
void lswrite();   // as writepoint: one line "name",lat,lon,0,0,0,userid,id
bool lsclose();   // as closeoutput
bool lsfailed();  // as outputfailed
void lsreset();   // no file open (one left open is closed unwritten), no failure
