// The textbase run: from a chosen part, every record read, checked and
// counted, and in conversion written as a Loadstone point; at the end the
// statistics. The check, its repeat and the conversion are this one run.

#include "core/app.h"
#include "core/runfb.h"
#include "poi/input.h"
#include "poi/lsout.h"
#include "text/strutil.h"
#include "textbase/tb.h"
#include "ui/tk.h"

void textbaserun() {
    selectfirstpart();
    if (opstatus > 0 || partno == 0) return;
    findpart();
    if (runmode == runconvert && !openoutput()) {
        closeinput();
        partopen = false;
        return;
    }
    std::int32_t all = 0, remmed = 0, faulty = 0;
    toolongcount = 0;
    writtencount = 0;
    extrachars = "-/.";
    runstart();
    // A failed write of the output ends a conversion; an error shown before
    // the run (errorflag stays set until the next conversion) does not.
    while (!quitflag && inputok && !(runmode == runconvert && outputfailed())) {
        if (readrecord() != tbrecord) continue;
        ++all;
        checkrecord();
        if (curtba.state == tbremmed) {
            ++remmed;
        } else if (curtba.state == tbfaulty) {
            ++faulty;
        } else {
            // A check uses the point's name only to warn of a long one.
            if (runmode == runconvert || warnlong) buildlsname();
            if (runmode == runconvert) writepoint();
            else ++writtencount;
        }
        // The file ended inside this record: it was read, checked and
        // converted like any other, and the part has no footer.
        if (!inputok) linewarning(shortstr(eofmessage));
    }
    runfinish();
    // The output is closed before the statistics: a write that fails only
    // now takes its lines off the count of valid records shown below.
    if (runmode == runconvert) closeoutput();
    report("Zakończono"_pl);
    // A part left unfinished by the closing program gets no count verdict:
    // not all its records were read.
    if (quitflag && partopen) {
        closeinput();
        partopen = false;
    }
    closepart();
    report("Statystyka:"_pl);
    report("Wszystkich: "_pl + numtostr(all));
    if (toolongcount > 0) report("Za długich: "_pl + numtostr(toolongcount));
    report("Zaremowanych: "_pl + numtostr(remmed));
    report("Zawierających błędy: "_pl + numtostr(faulty));
    report("Prawidłowych: "_pl + numtostr(writtencount));
    report("Brakujących części bazy: "_pl + numtostr(missingparts));
    if (countmode > 0) {
        report("Prawidłowych ilościowo części: "_pl + numtostr(goodparts));
        report("Nieprawidłowych ilościowo części: "_pl + numtostr(badparts));
    }
    runstopped();
    extrachars = shortstr();
}

static void runas(std::uint8_t mode) {
    runmode = mode;
    textbaserun();
    runmode = runnone;
}

void tbcheck() { runas(runcheck); }
void tbrepeat() { runas(runrepeat); }
void tbconvert() { runas(runconvert); }
