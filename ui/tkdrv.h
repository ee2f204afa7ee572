// What an implementation of the toolkit provides. The platform-free half of
// every operation (captions, hotkey table, readnum, the mail and web questions,
// the closing question, idlepump) lives in ui/tk.cpp and calls these entries;
// an implementation only does what its platform must. Not for the application.
#pragma once

#include <cstdint>

#include "text/shortstr.h"

struct tkdriver {
    const char *name;
    bool (*init)();                      // make the window; false: cannot (message already shown)
    void (*addtext)(const shortstr &t);  // append to the pane, no line break
    void (*clearpane)();
    void (*listreset)();                       // remove every list item
    void (*listadd)(const shortstr &caption);  // append one item (caption already complete)
    void (*listselect)(std::int32_t n);        // select item n (1..itemcount)
    void (*menustatus)(const shortstr &t);     // list reset to this one unselected status item
    void (*menuwait)();                        // wait until menuchoice != 0 or quitflag
    void (*showinfo)(const shortstr &t, const shortstr &caption);
    bool (*askyesno)(const shortstr &t, const shortstr &caption, std::int32_t id);  // true = Yes
    bool (*readstrdlg)();  // edit dlgtext (dlgtitle, dlgprompt shown); false = cancelled
    void (*choosefile)(std::uint32_t flags, std::uint8_t mode);  // sets dlgtext and opstatus
    void (*playsound)(const shortstr &path, bool loop);
    void (*playsoundsync)(const shortstr &path);
    void (*shellopen)(const shortstr &target);  // hand a mailto: or web address to the system
    void (*pumpmessage)();                      // let one user event through
    // place a file-drop block (see clipfiles) on the clipboard; true when
    // taken. Null: the platform has no clipboard (clipfiles gives false).
    bool (*clipdrop)(const unsigned char *block, std::uint32_t len);
};

// The implementation in use; set once, before guiinit.
extern const tkdriver *tkdrv;
void tkuse(const tkdriver *d);

// Shared pieces for implementations.
extern bool dlgfolder;                     // readstrdlg asks for a folder (readfolder); an empty answer is one
extern shortstr dlgempty;                  // while dlgfolder: what an empty folder stands for
extern std::uint8_t hotkeypending;         // hotkey received and not yet resolved; 0 = none
constexpr std::int32_t panemax = 1000000;  // characters a pane that keeps its text holds
bool tkwindow();                           // the main window (or stand-in) exists
// The first item carrying the code becomes menuchoice (and the pending hotkey
// is cleared); the result is its number, 0 when no item carries it (the
// implementation then beeps and waits on).
std::int32_t hotkeyresolve(int code);
shortstr closetext();  // the busy or idle closing question
bool closequestion();  // asks closetext(); Yes sets quitflag; true = Yes
void tkreset();        // every piece of toolkit state back to program start (tests)
// The file type list of choosefile: pairs "description", "pattern" built from
// the flags, and the default extension ("" when none).
struct filefilter {
    shortstr desc;
    shortstr pattern;
};
int filefilters(std::uint32_t flags, const shortstr &own, filefilter *out, int max, shortstr &defext);

// Implementations known to the program. The interactive one is defined by the
// implementation linked in (the terminal on Linux, the window on Windows).
const tkdriver *tkinteractive();
extern const tkdriver batchdrv;
