// The reader of OziExplorer point files (.pnt): a five-line header, then one
// point per line, its fields separated by commas.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/shortstr.h"

// Checks the first line of an OziExplorer file on the open input: its words
// are "OziExplorer", kind, "File", "Version" and version, in any case.
// showformaterror for a file of another kind, showerror "Nieobsługiwany typ
// pliku" for another OziExplorer file, a pane line when only the version
// differs (the file is read on). kind and version are lower case.
void ozihead(std::string_view kind, std::string_view version);
// Reads one field of the open input into f, up to a comma or the line end
// (left in curchar), trimmed of blanks and tabs. Like a line, a field that
// reaches 250 bytes is compacted (leading blanks and tabs gone, runs of
// blanks made one) and keeps at most 255 bytes; the rest of a longer field
// is read past, so the fields after it keep their places.
void pntfield(shortstr &f);

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
