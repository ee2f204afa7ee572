// The reader of OziExplorer waypoint files (.wpt): a four-line header (the
// file's kind and version, the datum, two reserved lines), then one waypoint
// per line, its fields separated by commas.
#pragma once

// The whole file: header, then every waypoint to the writer, until the end,
// an error, or the program closing.
void wptconvert();
