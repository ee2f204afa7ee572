// The terminal implementation of the toolkit: line-oriented, for screen
// readers and braille displays. Every pane line is printed once as a UTF-8
// line, nothing is redrawn, and output is flushed at every line and prompt,
// so the program also works with its input and output piped.
#pragma once

#include <cstdint>

#include "text/shortstr.h"
#include "ui/tkdrv.h"

extern const tkdriver consoledrv;

// Where the terminal reads and writes (0 and 1 at start); also forgets any
// buffered input, the end of input and a pending close request. For tests.
void consoleio(int infd, int outfd);

// What a line typed at a menu asks for.
enum : int {
    pickenter,    // empty line: the selected item, as Enter in the list
    pickhelp,     // "?": print the menu again
    picknumber,   // an item number (number; text holds the digits without leading zeros)
    pickhotkey,   // a hotkey by its spec or spoken name (hotkey holds its code)
    pickunknown,  // anything else (text holds the typed text, trimmed)
};
struct consolepick {
    int kind = pickunknown;
    std::int32_t number = 0;  // the item number, 2147483647 when too large to hold
    int hotkey = 0;           // hotkey code 1..53
    shortstr text;            // as said above
};
consolepick parsepick(const shortstr &typed);
