// Decimal degrees as written by the XML and CSV formats, into the
// 0.0000001-degree units of a point.
#pragma once

#include <cstdint>
#include <string_view>

// A coordinate in decimal degrees as 0.0000001-degree units, rounded half to
// even at the seventh decimal. The field, trimmed of blanks, tabs and line
// ends, is an optional sign, digits with at most one "." among or after them
// (at least one digit), and optionally an exponent ("e" or "E", a sign,
// digits). False, units untouched, for anything else and for a value outside
// -limit to limit units (both ends included, after rounding).
bool degunits(std::string_view field, std::int32_t limit, std::int32_t &units);
