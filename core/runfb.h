// The frame of a run: counters and error flag reset, the processing sound and
// status item while it works, the closing sounds, the cancel notice, and the
// words "tak" and "nie" for option captions.
#pragma once

#include "text/shortstr.h"

void resetrun();             // errorflag, written and skipped counts := 0
void runstart();             // busy, looping processing sound, status item "Przetwarzanie w toku..."
void runfinish();            // list emptied, not busy, last processing sound to its end, done sound
void runcancelled();         // "Operacja anulowana" and the cancel sound
void runstopped();           // after a run's count lines: "Przetwarzanie przerwane" when a confirmed close stopped it
shortstr yesnoword(bool b);  // "tak" or "nie"
