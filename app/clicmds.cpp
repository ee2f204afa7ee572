// The subcommands of the command line, each with its options, and the runs
// they start: the same runs as the menus, steered by the options instead of
// the dialogs. Listed in app/clitable.h.

#include <iostream>

#include "app/cli.h"
#include "app/settings.h"
#include "core/app.h"
#include "poi/convrun.h"
#include "textbase/tb.h"
#include "ui/tk.h"

// ---- convert ----

// One run per file; the next file is still converted after an error, and
// the exit status tells that one of them failed. The ids a file used are
// kept before the next file starts.
static void convertall() {
    int failed = 0;
    for (std::size_t i = 0; i < clifilecount(); ++i) {
        std::int32_t before = nextpointid;
        convertfile();
        if (errorflag) failed = 1;
        if (nextpointid != before && !keepsettings()) failed = 1;
        if (quitflag) break;
    }
    errorflag = failed;
}

void convertcli(CLI::App &top) {
    CLI::App *c = clisubcommand(
        top, "convert", "Konwertuje pliki poi (.pnt, .wpt, .uam, .gpx, .kml, .csv) i dopisuje je do pliku wynikowego",
        convertall);
    clioutput(c);
    cliuserid(c);
    clifirstid(c);
    clifiles(c, "FILE", "pliki .pnt, .wpt, .uam, .gpx, .kml lub .csv")->required();
}

// ---- check, convert-textbase ----

static std::int32_t clicountmode = 0;  // --count-mode, as the position of its word

// A run that read no part did not do what was asked: the pane has said why
// (or, for a name without a part number, only which file it was).
static void checkread() {
    if (partsread > 0 || errorflag || quitflag) return;
    errorflag = 1;
    if (pathrefused) std::cerr << "trelik: ścieżki części bazy byłyby dłuższe niż 255 znaków; nic nie sprawdzono\n";
    else if (lastcheck.partno == 0)
        std::cerr << "trelik: nazwa wskazanego pliku nie kończy się numerem części bazy (od 1 do 2147483647); "
                     "nic nie sprawdzono\n";
    else std::cerr << "trelik: nie znaleziono żadnej części bazy; nic nie sprawdzono\n";
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

void checkcli(CLI::App &top) {
    clicountmode = 0;
    CLI::App *c = clisubcommand(top, "check", "Sprawdza błędy w częściach textbase", checkrun);
    cliyes(c, "--all", askwholebase, "sprawdza całą bazę od wskazanej części (bez niej tylko wskazaną część)");
    cliflag(c, "--warn-long", &warnlong, "ostrzega o nazwach dłuższych niż 75 znaków po konwersji");
    clichoice(c, "--count-mode", &clicountmode, {"off", "fewer", "more", "different"},
              "kontrola ilości rekordów w części: off (wyłączona), fewer (gdy mniej), more (gdy więcej), "
              "different (gdy różna)");
    clinumber(c, "--expected", &expectedcount, 1, 1000000000, "prawidłowa ilość rekordów w części (domyślnie 100)");
    clifiles(c, "FIRSTPART", "pierwsza część bazy do sprawdzenia (np. tba001.txt)")->required()->expected(1);
}

void converttbcli(CLI::App &top) {
    CLI::App *c = clisubcommand(top, "convert-textbase", "Konwertuje części textbase i dopisuje je do pliku wynikowego",
                                convertrun);
    cliyes(c, "--all", askwholebase, "konwertuje całą bazę od wskazanej części (bez niej tylko wskazaną część)");
    clioutput(c);
    cliuserid(c);
    clifirstid(c);
    clifiles(c, "FIRSTPART", "pierwsza część bazy do konwersji (np. tba001.txt)")->required()->expected(1);
}

// ---- generate ----

// The file comes from the command line through the file dialog's queue.
static void generaterun() { generatetextbase(); }

void generatecli(CLI::App &top) {
    CLI::App *c = clisubcommand(top, "generate", "Generuje części textbase z pliku .uam", generaterun);
    clinumber(c, "--first-part", &firstpart, 1, 2000000000, "numer pierwszej zapisanej części (domyślnie 1)");
    clinumber(c, "--part-size", &partsize, 1, 2000000000, "ilość rekordów w jednej części (domyślnie 100)");
    clipath(c, "--dest", &destfolder, "folder docelowy części (domyślnie ~/textbase nowe)", true)->type_name("FOLDER");
    clifiles(c, "FILE", "plik .uam")->required()->expected(1);
}
