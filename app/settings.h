// The settings file trelik.cfg in the program's folder: the output file, the
// user id and the next point id, kept from one start of the program to the
// next. 264 bytes, no header:
//   0    4  nextpointid, 32-bit signed, little-endian
//   4    4  userid, 32-bit signed, little-endian
//   8    1  length L of the output file path (0..255)
//   9  255  the path, code page 1250; bytes after the first L carry no meaning
// Neither operation tells the user anything: a missing, short, locked or
// unwritable file leaves the values (or the old file) as they were.
#pragma once

#include "text/shortstr.h"

constexpr int settingssize = 264;
extern const shortstr settingsname;  // "trelik.cfg"
extern const shortstr settingstemp;  // "trelik.tmp": the new file that replaces trelik.cfg when saving

void loadsettings();  // each field the file fully holds replaces its current value
void savesettings();  // writes all three values; never leaves a damaged trelik.cfg
