// The POI conversion menu: the three values every conversion uses, the
// conversion of one file, the output file's choice, deletion and clipboard
// copy.

#include "app/convmenu.h"

#include "app/clip.h"
#include "app/settings.h"
#include "core/app.h"
#include "core/runfb.h"
#include "poi/convrun.h"
#include "poi/formats.h"
#include "sys/paths.h"
#include "text/strutil.h"
#include "textbase/tb.h"
#include "ui/tk.h"

static void convintro() {
    clearpane();
    addline(
        "Ustaw parametry konwersji, a następnie wybierz polecenie \"konwertuj plik\" dla rozpoczęcia "
        "przetwarzania"_pl);
    newline();
    addline("Uwagi:"_pl);
    addline(
        "Jeżeli wpisany plik wynikowy już istnieje, to wyniki zostaną do niego dodane, nawet jeśli nie "
        "jest to plik danych dla LS."_pl);
    addline(
        "Podany plik wynikowy, id użytkownika i startowy id punktu zostaną zapamiętane przy zamknięciu "
        "programu i przywrócone po jego ponownym otwarciu."_pl);
    addline(
        "Startowy id punktu zostanie odpowiednio zwiększony po zakończeniu każdej konwersji, nie trzeba "
        "poprawiać go ręcznie."_pl);
    newline();
    addline("Aby skonwertować do LS jedną lub wiele części Textbase, wybierz opcję \"konwertuj z textbase\""_pl);
    addline(
        "Ten typ konwersji został wyodrębniony do osobnej opcji ze względu na inne mechanizmy "
        "przetwarzania."_pl);
    newline();
}

// The output file dialog: a save dialog that never asks about overwriting,
// since the file is appended to.
static void chooseoutput() {
    dlgtitle = "Ustaw plik wynikowy (jeśli nie istnieje zostanie utworzony)"_pl;
    dlgtext = outputfile;
    dlgfilter("Pliki GPX (*.gpx)"_pl, "*.gpx");
    choosefile(filetext | fileown, 2);
    if (opstatus != 0) runcancelled();
    else outputfile = dlgtext;
    if (fileexists(outputfile))
        showinfo(
            "Konwertowane poi zostaną dopisane do wskazanego pliku. Jeżeli nie jest to plik poi dla LS, "
            "przed rozpoczęciem konwersji ustaw inny plik, lub usuń z dysku wskazany."_pl);
}

static void resetoutput() {
    if (!askyesno("Czy na pewno chcesz usunąć z dysku aktualny plik wynikowy?"_pl)) return;
    if (deletefile(outputfile) != 0) showinfo("Operacja nie powiodła się"_pl);
    else report("Usunięto plik wynikowy "_pl + outputfile);
}

static void copyoutput() {
    clipaddfile(outputfile);
    if (clipcommit())
        showinfo(
            "Plik wynikowy został skopiowany do schowka. Możesz go wkleić w docelowej lokalizacji w "
            "Eksploratorze Windows lub innym programie do kopiowania plików."_pl);
    else
        // Never announce a copy that did not happen.
        showinfo("Schowek systemowy nie jest dostępny, więc plik wynikowy nie został skopiowany."_pl);
}

void convmenu() {
    convintro();
    for (;;) {
        menuclear();
        std::int32_t iconv = menuadd("Konwertuj plik"_pl, hotkeycode("k"));
        std::int32_t itb = menuadd("Konwertuj z Textbase"_pl, hotkeycode("t"));
        // The format the runs will write, when it is not Loadstone's.
        const shortstr &fmt = outformatof(outputfile).name;
        shortstr outcap = fmt.empty() ? "Plik wynikowy: "_pl : "Plik wynikowy ("_pl + fmt + "): "_pl;
        std::int32_t iout = menuadd(outcap + outputfile + " - zmień..."_pl, hotkeycode("w"));
        std::int32_t iuser = menuadd("Id użytkownika: "_pl + numtostr(userid) + " - zmień..."_pl, hotkeycode("u"));
        std::int32_t iid =
            menuadd("Startowy id punktu: "_pl + numtostr(nextpointid) + " - zmień..."_pl, hotkeycode("i"));
        std::int32_t ireset = -1, iclip = -1;
        if (fileexists(outputfile)) {
            ireset = menuadd("Resetuj plik wynikowy "_pl + outputfile, hotkeycode("r"));
            iclip = menuadd("Kopiuj do schowka plik wynikowy"_pl, hotkeycode("c"));
        }
        std::int32_t iback = menuadd("Wróć do głównego menu"_pl, hotkeycode("left"));
        menuselect(1);
        menuwait();
        std::int32_t choice = menuchoice;
        if (choice == 0) return;
        std::int32_t before = nextpointid;
        if (choice == iconv) convertfile();
        else if (choice == itb) tbconvert();
        else if (choice == iout) chooseoutput();
        else if (choice == iuser) userid = readnum("Id użytkownika"_pl, userid, 1, maxuserid);
        else if (choice == iid) nextpointid = readnum("pierwszy id punktu"_pl, nextpointid, 1, 2000000000);
        else if (choice == ireset) resetoutput();
        else if (choice == iclip) copyoutput();
        // A run's ids are kept as soon as it ends, so that a crash or a power
        // cut later gives none of them twice.
        if (nextpointid != before) keepsettings();
        if (quitflag || choice == iback) {
            menuchoice = 0;
            return;
        }
    }
}
