// Application state and the shell's messages. One instance of each value,
// global, alive from start-up to shutdown; every part of the program reads and
// writes them directly.
#pragma once

#include <cstdint>

#include "text/shortstr.h"

extern shortstr outputfile;       // Loadstone output file; saved in trelik.cfg
extern std::int32_t userid;       // user id written into every record; saved in trelik.cfg
extern std::int32_t nextpointid;  // id of the next record written; saved in trelik.cfg
extern int errorflag;             // 1 after showerror until the next resetrun; runs stop on it

void report(const shortstr &t);     // one line in the text pane
void showerror(const shortstr &t);  // "Błąd: " + t in the pane and a box; errorflag := 1
void showformaterror();             // showerror("Nieobsługiwany format pliku")

void setdefaultoutput();  // outputfile := progdir + "wynikowe poi dla loadstone.txt"
void welcome();           // clearpane and the welcome text
void mainmenu();          // the main menu loop

// Start-up steps 1-5 shared by the interactive program and the command line:
// tables, apptitle, guiinit, default output, settings. False when the program
// cannot run (the reason has been shown).
bool appstart();
// Shutdown: settings saved, closing sound played to its end (when sounds play).
void appstop();
