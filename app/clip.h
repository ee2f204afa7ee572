// The output file offered to the clipboard as a file to paste: a file-drop
// list built in memory one name at a time and handed over in one step.
#pragma once

#include <cstdint>

#include "text/shortstr.h"

// The list being built: the 20-byte head, then the names, each ending with a
// 0 byte. Empty (length 0) at start and after every hand-over.
extern unsigned char *cliplist;
extern std::uint32_t cliplen;

void clipaddfile(const shortstr &path);  // appends a name, starting the list when it is empty
// Ends the list, offers it to the clipboard and empties it; true when the
// clipboard took it.
bool clipcommit();
