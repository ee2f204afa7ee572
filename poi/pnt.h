// The reader of OziExplorer point files (.pnt): a five-line header, then one
// point per line, its fields separated by commas.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/shortstr.h"

// Checks the header on the open input: showerror when the file is of another
// kind (errorflag then ends the run), a pane line when only the version
// differs. Leaves the input at the first point line.
void pntheader();
// Clears curpoi and fills it from the next point line; a line that is no
// point line leaves it cleared. False when the input ended before a point
// line began (nothing to hand to the writer).
bool pntpoint();
// The whole file: header, then every point to the writer, until the end,
// an error, or the program closing.
void pntconvert();

// A coordinate field in decimal degrees as 0.0000001-degree units: seven
// decimals kept (more are dropped, fewer filled with zeros). False, units
// untouched, unless the field, trimmed of blanks and tabs, is an optional
// "-" and digits with at most one "." among or after them (at least one
// digit), lying within -limit to limit units, both ends included.
constexpr std::int32_t pntlatmax = 900000000;   // 90 degrees
constexpr std::int32_t pntlonmax = 1800000000;  // 180 degrees
bool pntcoord(std::string_view field, std::int32_t limit, std::int32_t &units);
inline bool pntcoord(const shortstr &field, std::int32_t limit, std::int32_t &units) {
    return pntcoord(field.view(), limit, units);
}
