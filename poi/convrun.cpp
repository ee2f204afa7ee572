// The conversion run: one POI file, read by the reader of its format, into
// the output.

#include "poi/convrun.h"

#include "core/app.h"
#include "core/runfb.h"
#include "poi/formats.h"
#include "poi/input.h"
#include "sys/paths.h"
#include "text/strutil.h"
#include "ui/tk.h"

static shortstr inputpath;  // the file chosen for this run

void convertfile() {
    informatfilter();
    dlgtitle = "Wybierz plik poi do konwersji"_pl;
    choosefile(fileown, 0);
    if (opstatus > 0) {
        runcancelled();
        return;
    }
    inputpath = dlgtext;
    resetrun();
    report("rozpoczynam konwersję "_pl + inputpath);
    if (!openinput(inputpath)) showerror("Nie można otworzyć pliku "_pl + inputpath);
    if (errorflag) {
        closeinput();
        return;
    }
    if (!openoutput()) {
        closeinput();
        return;
    }
    runstart();
    informatof(inputpath).convert();
    runfinish();
    closeoutput();
    closeinput();
    report("Pominięto "_pl + numtostr(skippedcount) + " wpisów"_pl);
    report("Przetworzono poprawnie "_pl + numtostr(writtencount) + " wpisów"_pl);
    runstopped();
}
