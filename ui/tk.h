// The toolkit: the only way the application meets the user. The application
// is written against this header alone; which implementation stands behind it
// (Windows window, terminal, command-line batch, scripted tests) is decided by
// what is linked and by tkuse() at start-up.
#pragma once

#include <cstdint>

#include "text/shortstr.h"

// ---- Toolkit state (one instance each, alive from guiinit to the end) ----
extern shortstr apptitle;        // window caption; set by the application before guiinit
extern bool quitflag;            // the user confirmed closing (or the platform quit); never goes back
extern bool busyflag;            // a run is in progress: busy closing question, no selection sound
extern std::int32_t menuchoice;  // number of the item chosen by menuwait; 0 = none
extern std::uint16_t opstatus;   // 0 when readstr/choosefile opened its dialog, 1 when cancelled
extern shortstr dlgtitle;        // input dialog caption / file dialog title
extern shortstr dlgprompt;       // input dialog prompt / caller's filter list for choosefile
extern shortstr dlgtext;         // dialog's initial text or folder, then its result
constexpr std::int32_t maxitems = 15000;
extern std::int32_t itemcount;                 // items in the list menu, 0..15000
extern std::uint8_t itemhotkey[maxitems + 1];  // hotkey code of item n (1-based), 0 = none
extern std::int32_t idlecount;                 // idlepump calls since the last pumped message

// ---- Start-up ----
void guiinit();  // creates the main window (or its stand-in); ends the program if it cannot

// ---- Text pane ----
bool addtext(const shortstr &t);  // appends without a line break; always true
void newline();                   // appends "\r\n"
void addline(const shortstr &t);  // addtext, then newline
void clearpane();                 // empties the pane

// ---- List menu ----
void menuclear();                                           // no items; menuchoice and itemcount 0
std::int32_t menuadd(const shortstr &caption, int hotkey);  // item number, 0 when the list is full
void menuselect(std::int32_t n);                            // selects item n (1-based); n <= 0 does nothing
void menustatus(const shortstr &t);                         // the list holds only this status item
void menuwait();                                            // blocks until a choice or quitflag
int hotkeycode(const shortstr &spec);                       // "k" -> 11, "f10" -> 46, "left" -> 49 ...; 0 = none
shortstr hotkeyname(int code);                              // 11 -> "alt+k"; unknown -> ""

// ---- Message boxes (block until answered) ----
void showinfo(const shortstr &t);
// "?" appended unless the text ends with one. id names the question for
// answers given in advance (the command line's options); 0: none.
bool askyesno(const shortstr &t, std::int32_t id = 0);

// ---- Input ----
shortstr readstr(const shortstr &prompt, const shortstr &initial);
std::int32_t readnum(const shortstr &prompt, std::int32_t def, std::int32_t min, std::int32_t max);
// A folder, typed as readstr types a text; an empty answer is a value of its
// own, and emptymeans says what it stands for ("folder tba obok programu").
// Where paths are typed as text (the terminal) the answer keeps the rules of
// the file prompts: refused and asked again when too long or not storable,
// "~/" expanded, relative to the current folder, made absolute.
shortstr readfolder(const shortstr &prompt, const shortstr &initial, const shortstr &emptymeans);

// ---- Files ----
// Flags: 1 all files, 2 the caller's own list in dlgprompt, 4 text files, 8 sound files.
// Mode: 0 open an existing file, 1 save asking before overwrite, 2 save without asking.
enum : std::uint32_t { fileall = 1, fileown = 2, filetext = 4, filesound = 8 };
void choosefile(std::uint32_t flags, std::uint8_t mode);
// dlgprompt := a list of one file type for flag 2: its caption and its
// pattern, each ended by a 0 byte, and the empty caption that ends the list.
void dlgfilter(const shortstr &caption, const shortstr &pattern);

// ---- Sounds (full paths) ----
void playsound(const shortstr &path, bool loop);
void playsoundsync(const shortstr &path);

// ---- Mail and web ----
void sendmail(const shortstr &address);
void openweb(const shortstr &address);

// ---- Clipboard ----
// Offers files to the system's clipboard as files to paste. block is a
// file-drop list: a 20-byte head (first field 20, the other four 0, little
// endian) followed by the code page 1250 names, each ending with a 0 byte,
// and a final 0 byte. True when the clipboard took it; false when there is
// no clipboard the program can reach.
bool clipfiles(const unsigned char *block, std::uint32_t len);

// ---- Message pumping ----
void pumpmessage();
void idlepump();
void idlepumpn(std::uint32_t n);  // the same as n calls of idlepump, n at most 10000
