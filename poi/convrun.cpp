// The conversion run, and the command line's `convert` that runs it once per
// file given.

#include "poi/convrun.h"

#include "app/app.h"
#include "app/cli.h"
#include "app/paths.h"
#include "app/runfb.h"
#include "poi/input.h"
#include "poi/lsout.h"
#include "poi/pnt.h"
#include "poi/uam.h"
#include "text/strutil.h"
#include "ui/tk.h"

static shortstr inputpath;  // the file chosen for this run

void convertfile() {
    dlgfilter("Pliki poi (*.pnt *.uam)"_pl, "*.pnt;*.uam");
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
    if (extof(inputpath).view() == ".uam") uamconvert();
    else pntconvert();
    runfinish();
    closeoutput();
    closeinput();
    report("Pominięto "_pl + numtostr(skippedcount) + " wpisów"_pl);
    report("Przetworzono poprawnie "_pl + numtostr(writtencount) + " wpisów"_pl);
}

// ---- Command line ----

// One run per file; the next file is still converted after an error, and
// the exit status tells that one of them failed.
static void convertall() {
    int failed = 0;
    for (std::size_t i = 0; i < clifilecount(); ++i) {
        convertfile();
        if (errorflag) failed = 1;
        if (quitflag) break;
    }
    errorflag = failed;
}

void convertcli(CLI::App &top) {
    CLI::App *c = clisubcommand(top, "convert",
                                "Konwertuje pliki poi (.pnt, .uam) i dopisuje je do pliku wynikowego", convertall);
    clioutput(c);
    cliuserid(c);
    clifirstid(c);
    clifiles(c, "FILE", "pliki .pnt lub .uam")->required();
}
