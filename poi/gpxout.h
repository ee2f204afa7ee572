// The GPX output: the writer of output files named *.gpx, the row "GPX" of
// the output formats (poi/formats.h). GPX 1.1 in UTF-8, one "wpt" a point
// with its name; the file is a whole GPX file after every run.
#pragma once

bool gpxopen();    // as openoutput: a new file gets the XML declaration and the opening gpx
void gpxwrite();   // as writepoint: one wpt
bool gpxclose();   // as closeoutput: the closing gpx after the new points
bool gpxfailed();  // as outputfailed
void gpxreset();   // no file open (one left open is closed unwritten), no failure
