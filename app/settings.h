// The settings file trelik.cfg in the program's folder: the output file, the
// user id and the next point id, kept from one start of the program to the
// next. 264 bytes, no header:
//   0    4  nextpointid, 32-bit signed, little-endian
//   4    4  userid, 32-bit signed, little-endian
//   8    1  length L of the output file path (0..255)
//   9  255  the path, code page 1250; bytes after the first L carry no meaning
// Reading tells nothing: a missing, short or locked file, or a value out of
// its range, leaves the defaults. A save that fails leaves the old file as
// it was; keepsettings then tells the user, once per program start, that
// point ids may be given twice.
#pragma once

#include "text/shortstr.h"

constexpr int settingssize = 264;
extern const shortstr settingsname;  // "trelik.cfg"
extern const shortstr settingstemp;  // "trelik.tmp": the new file that replaces trelik.cfg when saving

constexpr std::int32_t maxuserid = 65535;  // Loadstone keeps the user id in 16 bits

void loadsettings();  // each field the file fully holds, in its range, replaces its current value
bool savesettings();  // writes all three values; never leaves a damaged trelik.cfg; false: not saved
// savesettings, and on the first failure of this program start the message
// of settingsfailtext in the pane (or on standard error, see settingsreset).
bool keepsettings();
shortstr settingsfailtext();        // "Nie można zapisać ustawień w pliku " + path + ". Identyfikatory ..."
void settingsreset(bool tostderr);  // nothing told yet; where keepsettings tells
void tellsettingsfailure();         // that message, once per program start, where settingsreset said
// Whether a file can be made in the program's folder (the command line
// refuses to run when its ids could not be kept).
bool settingswritable();
