// The category table of AutoMapa user points: category numbers to names,
// read from "uamkateg.csv" in the program's folder at the start of every
// AutoMapa run. The user writes the file; without it points simply carry no
// category name.
#pragma once

#include <cstdint>

#include "text/shortstr.h"

constexpr std::size_t katnamemax = 31;  // bytes of a category name kept
constexpr int katown = 99;              // the number of points that carry their own category name

extern shortstr kateg[256];  // name of each category number; empty when the file gives none

// Empties the table and fills it from the file. A line is "name,number": the
// name before the first comma (trailing blanks dropped, at most 31 bytes),
// the number after it; numbers outside 1..255 and 99 set nothing, and a
// later line with the same number wins. Lines without a comma are ignored.
// The file is code page 1250; a line written in UTF-8 is taken as UTF-8.
// A file that cannot be opened or read is told in the pane; the run goes on
// with what was read.
void katload();
// One line of the file, as katload takes it (exposed for the tests).
void katline(shortstr line);
