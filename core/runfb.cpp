// Run feedback: every run gives the same signals, so a user who cannot see
// the screen hears and reads when a run starts, works and ends.

#include "core/runfb.h"

#include "core/app.h"
#include "sys/paths.h"
#include "ui/tk.h"

void resetrun() {
    errorflag = 0;
    writtencount = 0;
    skippedcount = 0;
}

void runstart() {
    busyflag = true;
    playsound(progdir() + "evproc.wav", true);
    menustatus("Przetwarzanie w toku..."_pl);
}

void runfinish() {
    menuclear();
    busyflag = false;
    playsoundsync(progdir() + "evproc.wav");
    playsound(progdir() + "evdone.wav", false);
}

void runcancelled() {
    report("Operacja anulowana"_pl);
    playsound(progdir() + "evcancel.wav", false);
}

// A run the user stopped by closing says so after its counts, so that the
// counts are not taken for those of a whole file.
void runstopped() {
    if (quitflag) report("Przetwarzanie przerwane"_pl);
}

shortstr yesnoword(bool b) { return b ? "tak"_pl : "nie"_pl; }
