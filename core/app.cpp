// The application state and the messages through which every part of the
// program reports.

#include "core/app.h"

#include "sys/paths.h"
#include "ui/tk.h"

// ---- Application state ----
shortstr outputfile;            // Loadstone output file every conversion appends to; kept in trelik.cfg
std::int32_t userid = 1;        // user id written into every Loadstone record; kept in trelik.cfg
std::int32_t nextpointid = 1;   // id of the next Loadstone record; the writer adds 1 per record; kept in trelik.cfg
int errorflag = 0;              // 1 once showerror ran, until the next resetrun; runs stop on it
std::int32_t writtencount = 0;  // records complete in their file, this run
std::int32_t skippedcount = 0;  // points with an empty name, this run

void appreset() {
    userid = 1;
    nextpointid = 1;
    errorflag = 0;
    writtencount = 0;
    skippedcount = 0;
    setdefaultoutput();
}

void report(const shortstr &t) { addline(t); }

void showerror(const shortstr &t) {
    shortstr line = "Błąd: "_pl + t;
    report(line);
    showinfo(line);
    errorflag = 1;
}

void showformaterror() { showerror("Nieobsługiwany format pliku"_pl); }

void setdefaultoutput() { outputfile = progdir() + "wynikowe poi dla loadstone.txt"; }
