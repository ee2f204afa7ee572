// The textbase menus: generation with its options, the check with its
// options and the repeat of the last check, and the choice of the
// record-count control. Every option lives for the program's lifetime.

#include "core/app.h"
#include "core/runfb.h"
#include "text/strutil.h"
#include "textbase/tb.h"
#include "ui/tk.h"

// The record-count control modes by value.
static constexpr shortstr countmodenames[4] = {
    "wyłączona"_pl,
    "Ostrzegaj gdy mniej"_pl,
    "Ostrzegaj gdy więcej"_pl,
    "ostrzegaj gdy różne"_pl,
};

shortstr countmodename(std::uint8_t mode) { return mode < 4 ? countmodenames[mode] : shortstr(); }

void genmenu() {
    clearpane();
    addline("Ta opcja pozwala generować textbase z pliku .uam."_pl);
    addline("Ustaw niezbędne parametry i wybierz polecenie \"Generuj...\""_pl);
    for (;;) {
        menuclear();
        std::int32_t ifirst =
            menuadd("Numer pierwszej części: "_pl + numtostr(firstpart) + " - zmień..."_pl, hotkeycode("p"));
        std::int32_t isize =
            menuadd("Ilość rekordów w części: "_pl + numtostr(partsize) + " - zmień..."_pl, hotkeycode("i"));
        std::int32_t idest = menuadd("Folder docelowy: "_pl + destfolder + " - zmień..."_pl, hotkeycode("f"));
        std::int32_t igen = menuadd("Generuj textbase..."_pl, hotkeycode("g"));
        std::int32_t iback = menuadd("Wróć do głównego menu"_pl, hotkeycode("left"));
        menuselect(1);
        menuwait();
        std::int32_t choice = menuchoice;
        if (choice == 0) return;
        if (choice == ifirst) firstpart = readnum("Numer pierwszej części bazy"_pl, firstpart, 1, 2000000000);
        else if (choice == isize) partsize = readnum("ile rekordów w jednej części"_pl, partsize, 1, 2000000000);
        else if (choice == idest)
            destfolder = readfolder("Folder docelowy"_pl, destfolder, "folder tba obok programu"_pl);
        else if (choice == igen) generatetextbase();
        if (quitflag || choice == iback) {
            menuchoice = 0;
            return;
        }
    }
}

void checkmenu() {
    clearpane();
    addline(
        "Ustaw parametry kontroli błędów, następnie wybierz opcję \"sprawdź\", aby wskazać pierwszą część bazy "
        "do testu i rozpocząć proces."_pl);
    addline("Uwaga: Aby skonwertować textbase dla LS użyj opcji \"konwertuj do LS\" z głównego menu programu."_pl);
    for (;;) {
        menuclear();
        std::int32_t icheck = menuadd("Sprawdź..."_pl, hotkeycode("s"));
        std::int32_t irepeat = -1, iexpected = -1;
        if (lastcheck.partno > 0) irepeat = menuadd("Powturz ostatnie sprawdzenie"_pl, hotkeycode("p"));
        std::int32_t ilong =
            menuadd("Ostrzeżenia o zbyt długich nazwach: "_pl + yesnoword(warnlong) + " - Zmień"_pl, 0);
        std::int32_t imode = menuadd("Kontrola ilości rekordów: "_pl + countmodename(countmode) + " - Zmień"_pl, 0);
        if (countmode > 0)
            iexpected =
                menuadd("Prawidłowa ilość rekordów w części tba: "_pl + numtostr(expectedcount) + " - Zmień"_pl, 0);
        std::int32_t iback = menuadd("Powrót do głównego menu"_pl, hotkeycode("left"));
        menuselect(1);
        menuwait();
        std::int32_t choice = menuchoice;
        if (choice == icheck) tbcheck();
        else if (choice == irepeat) tbrepeat();
        else if (choice == ilong) warnlong = !warnlong;
        else if (choice == imode) countmodemenu();
        else if (choice == iexpected)
            expectedcount = readnum("Domyślna ilość rekordów w części: "_pl, expectedcount, 1, 1000000000);
        if (quitflag || choice == iback || choice == 0) {
            menuchoice = 0;
            return;
        }
    }
}

void countmodemenu() {
    clearpane();
    addline("Ustaw tryb sprawdzania ilości rekordów:"_pl);
    menuclear();
    for (std::uint8_t m = 0; m < 4; m++) menuadd(countmodename(m), 0);
    menuadd("Bez zmian"_pl, 0);
    menuselect(countmode + 1);
    menuwait();
    if (menuchoice >= 1 && menuchoice <= 4) countmode = std::uint8_t(menuchoice - 1);
    menuchoice = 0;
}
