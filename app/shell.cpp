// The application shell: the welcome text, the main menu, and the start-up
// and shutdown shared by the interactive program and the command line.

#include "app/shell.h"

#include "app/convmenu.h"
#include "app/settings.h"
#include "core/app.h"
#include "poi/formats.h"
#include "sys/paths.h"
#include "text/strutil.h"
#include "textbase/tb.h"
#include "ui/tk.h"
#include "ui/tkdrv.h"

// ---- Addresses offered in the main menu (placeholders until the real ones are known) ----
static const shortstr loadstoneweb = "https://example.org/loadstone-pl/";  // Polish page about Loadstone
static const shortstr authormail = "autor@example.org";                    // the author's e-mail
static const shortstr authorweb = "https://example.org/trelik/";           // the author's home page

void welcome() {
    clearpane();
    addline(""_pl);
    addline(
        "Program przetwarza pliki poi (points of interest) w popularnych formatach do postaci "
        "pliku tekstowego, który można zaimportować do programu Loadstone GPS"_pl);
    addline("Aktualnie obsługiwane formaty:"_pl);
    for (std::size_t i = 0; i < informatcount; i++) addline(informats[i].about);
    addline("Aby dokonać konwersji wybierz opcję \"konwertuj plik poi dla LS\""_pl);
    newline();
    addline(
        "Opcja \"generuj textbase z pliku uam\" pozwala wygenerować tekstową bazę danych dla "
        "projektu kwz z pliku .uam"_pl);
    newline();
    addline(
        "Wybierz opcję z poniższej listy i zatwierdź ją Enterem lub dwuklikiem lewym "
        "przyciskiem myszy"_pl);
}

void mainmenu() {
    for (;;) {
        menuclear();
        std::int32_t iconv = menuadd("Konwertuj do LS"_pl, hotkeycode("k"));
        std::int32_t icheck = menuadd("Sprawdź błędy w Textbase"_pl, hotkeycode("s"));
        std::int32_t igen = menuadd("Generuj Textbase z pliku .uam"_pl, 0);
        std::int32_t iweb = menuadd("Odwiedź polską stronę projektu Loadstone"_pl, 0);
        std::int32_t imail = menuadd("Napisz mail do autora programu Trelik..."_pl, 0);
        std::int32_t ihome = menuadd("Odwiedź stronę domową autora programu Trelik"_pl, 0);
        std::int32_t iquit = menuadd("Zamknij program"_pl, 0);
        menuselect(1);
        menuwait();

        // The choice made here decides whether the loop ends; whatever a
        // sub-menu leaves in menuchoice does not count.
        std::int32_t choice = menuchoice;
        if (choice > 0) {
            if (choice == iconv) convmenu();
            else if (choice == icheck) checkmenu();
            else if (choice == igen) genmenu();
            else if (choice == iweb) openweb(loadstoneweb);
            else if (choice == imail) sendmail(authormail);
            else if (choice == ihome) openweb(authorweb);
        }
        if (quitflag || choice == iquit) return;
    }
}

bool appstart() {
    textinit();
    apptitle = "Konwersja poi dla loadstone"_pl;
    guiinit();
    // The program's folder holds its settings, sounds and default output; the
    // program cannot run without it.
    progdirinit();
    if (progdir().empty()) {
        showerror(progdirerror());
        return false;
    }
    // One program at a time per folder: two would give the same ids.
    if (!fslockfolder(progdir())) {
        showerror("Program Trelik już działa z tym folderem ustawień: "_pl + progdir());
        return false;
    }
    appreset();
    tbinit();
    loadsettings();
    return true;
}

void freshprogram() {
    tkreset();
    textinit();
    progdirinit();
    appreset();
    poireset();
    tbinit();
    settingsreset(false);
    fsunlockfolder();
}

void appstop() {
    keepsettings();
    playsoundsync(progdir() + "evend.wav");
}
