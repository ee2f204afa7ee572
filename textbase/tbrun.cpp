// The textbase run: from a chosen part, every record read, checked and
// counted, and in conversion written as a Loadstone point; at the end the
// statistics. The check, its repeat and the conversion are this one run.

#include <iostream>

#include "app/app.h"
#include "app/cli.h"
#include "app/runfb.h"
#include "poi/input.h"
#include "poi/lsout.h"
#include "text/strutil.h"
#include "textbase/tb.h"
#include "ui/tk.h"

std::uint8_t runmode = runnone;

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
            buildlsname();
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

// ---- Command line ----

static std::int32_t clicountmode = 0;  // --count-mode, as the position of its word

// A run that read no part did not do what was asked: the pane has said why
// (or, for a name without a part number, only which file it was).
static void checkread() {
    if (partsread > 0 || errorflag || quitflag) return;
    errorflag = 1;
    if (pathrefused)
        std::cerr << "trelik: ścieżki części bazy byłyby dłuższe niż 255 znaków; nic nie sprawdzono\n";
    else if (lastcheck.partno == 0)
        std::cerr << "trelik: nazwa wskazanego pliku nie kończy się numerem części bazy (od 1 do 2147483647); "
                     "nic nie sprawdzono\n";
    else
        std::cerr << "trelik: nie znaleziono żadnej części bazy; nic nie sprawdzono\n";
}

static void checkrun() {
    countmode = std::uint8_t(clicountmode);
    tbcheck();
    checkread();
}

static void convertrun() {
    tbconvert();
    checkread();
}

static const shortstr wholebase = "Czy chcesz przetworzyć całą bazę od tej części"_pl;

void checkcli(CLI::App &top) {
    clicountmode = 0;
    CLI::App *c = clisubcommand(top, "check", "Sprawdza błędy w częściach textbase", checkrun);
    cliyes(c, "--all", wholebase, "sprawdza całą bazę od wskazanej części (bez niej tylko wskazaną część)");
    cliflag(c, "--warn-long", &warnlong, "ostrzega o nazwach dłuższych niż 75 znaków po konwersji");
    clichoice(c, "--count-mode", &clicountmode, {"off", "fewer", "more", "different"},
              "kontrola ilości rekordów w części: off (wyłączona), fewer (gdy mniej), more (gdy więcej), "
              "different (gdy różna)");
    clinumber(c, "--expected", &expectedcount, 1, 1000000000, "prawidłowa ilość rekordów w części (domyślnie 100)");
    clifiles(c, "FIRSTPART", "pierwsza część bazy do sprawdzenia (np. tba001.txt)")->required()->expected(1);
}

void converttbcli(CLI::App &top) {
    CLI::App *c = clisubcommand(top, "convert-textbase",
                                "Konwertuje części textbase i dopisuje je do pliku wynikowego", convertrun);
    cliyes(c, "--all", wholebase, "konwertuje całą bazę od wskazanej części (bez niej tylko wskazaną część)");
    clioutput(c);
    cliuserid(c);
    clifirstid(c);
    clifiles(c, "FIRSTPART", "pierwsza część bazy do konwersji (np. tba001.txt)")->required()->expected(1);
}
