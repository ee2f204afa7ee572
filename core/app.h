// What every run shares: the application state, the messages through which
// every part of the program reports, and the ids of the questions that a
// command line may answer in advance. One instance of each value, global,
// alive from start-up to shutdown; every part of the program reads and writes
// them directly.
#pragma once

#include <cstdint>

#include "text/shortstr.h"

// ---- Application state ----
extern shortstr outputfile;        // Loadstone output file; saved in trelik.cfg
extern std::int32_t userid;        // user id written into every record; saved in trelik.cfg
extern std::int32_t nextpointid;   // id of the next record written; saved in trelik.cfg
extern int errorflag;              // 1 after showerror until the next resetrun; runs stop on it
extern std::int32_t writtencount;  // records that reached their file in this run
extern std::int32_t skippedcount;  // points a conversion left out in this run (empty name)

// Every value above to its start: user and point id 1, no error, counts 0,
// the default output file.
void appreset();

// ---- Messages ----
void report(const shortstr &t);     // one line in the text pane
void showerror(const shortstr &t);  // "Błąd: " + t in the pane and a box; errorflag := 1
void showformaterror();             // showerror("Nieobsługiwany format pliku")

void setdefaultoutput();  // outputfile := progdir + "wynikowe poi dla loadstone.txt"

// ---- Questions ----
// Ids of the questions that the command line can answer with an option
// (askyesno's id); a question without one is answered No there.
enum : std::int32_t {
    asknone = 0,       // a question no option answers
    askwholebase = 1,  // the textbase run: the whole base from the chosen part?
};
