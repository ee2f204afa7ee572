// One conversion of one POI file into the Loadstone output.
#pragma once

// Asks for the file, converts it with the reader of its extension (the
// input formats of poi/formats.h) and reports the counts.
void convertfile();
