// The reader of point lists in CSV files (.csv), as spreadsheets and other
// programs write them: one point per line, a name and the two coordinates in
// decimal degrees, optionally a description, with a header line naming the
// columns or without one.
#pragma once

// The whole file: the first line (header or point), then every point to the
// writer, until the end, an error, or the program closing.
void csvconvert();
