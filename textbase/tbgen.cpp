// Textbase generation: every record of a .uam file becomes one textbase
// record, and the records are spread over numbered part files of partsize
// records each.
//
// A part is written through the whole-record writer, and its records count
// in writtencount as it takes them. When the system refuses a write, the half
// record that reached the file is cut away again and its lost records come
// off the count, the part is closed without its footer (the check reports it
// as broken) and the run ends. Parts finished before stay as they are. A part
// deleted (or its folder) while it is written ends the run the same way, its
// records no longer counted.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/app.h"
#include "core/recout.h"
#include "core/runfb.h"
#include "poi/input.h"
#include "poi/uam.h"
#include "sys/paths.h"
#include "text/strutil.h"
#include "textbase/tb.h"
#include "ui/tk.h"

static recout gen;                   // the part file being written; gen.f null when none is open
static std::int32_t gencounted = 0;  // gen.records already in writtencount

shortstr defaultdestfolder() {
#ifdef _WIN32
    return "c:\\textbase nowe\\"_pl;
#else
    // The user's home folder; without one (or when it does not fit a path
    // of the program) the parts go beside the program.
    const char *home = std::getenv("HOME");
    shortstr h, why;
    if (!home || !*home || !pathfromsys(home, h, why)) return shortstr();
    if (lastchar(h) != '/') h += '/';
    if (h.size() + 15 > shortstr::maxlen) return shortstr();
    return h + "textbase nowe/"_pl;
#endif
}

shortstr partname(std::int32_t n, int width) { return "tba"_pl + zeropad(n, width) + ".txt"_pl; }

void genreset() {
    recreset(gen);
    gencounted = 0;
}

// Brings writtencount to the writer's count of accepted records of the part.
static void sync() {
    writtencount += gen.records - gencounted;
    gencounted = gen.records;
}

static void genput(const shortstr &s) { recput(gen, s.data(), s.size()); }

bool openpart() {
    if (destfolder.empty()) destfolder = progdir() + "tba"_pl + pathsep;
    unsigned char last = lastchar(destfolder);
    if (last != pathsep && last != '/') {
        if (destfolder.size() == shortstr::maxlen) {
            showerror("Ścieżka folderu docelowego jest za długa: ma więcej niż 255 znaków."_pl);
            return false;
        }
        destfolder += pathsep;
    }
    shortstr name = partname(firstpart, 3);
    if (destfolder.size() + name.size() > shortstr::maxlen) {
        showerror(
            "Ścieżka pliku części bazy byłaby dłuższa niż 255 znaków. Wybierz folder docelowy o krótszej "
            "ścieżce."_pl);
        return false;
    }
    shortstr path = destfolder + name;
    errno = 0;
    std::FILE *f = fsopen(path, "wb");
    if (!f && errno == ENOENT) {
        // The folder is made (one level) when the part cannot be made for
        // want of it: at the first part, or when it went during the run;
        // the other parts need no folder call.
        shortstr folder = destfolder;
        if (folder.size() > 1) droplastchar(folder);
        int err = fsmkdir(folder);
        if (err != 0 && !fileexists(folder)) {
            showerror("Nie można utworzyć folderu "_pl + destfolder + writereason(err));
            return false;
        }
        errno = 0;
        f = fsopen(path, "wb");
    }
    if (!f) {
        showerror("Nie można utworzyć pliku części bazy "_pl + path + writereason(errno));
        return false;
    }
    recstart(gen, f, path, "Nie można zapisać pliku części bazy "_pl, false);
    gencounted = 0;
    shortstr head = "textbase kwz part "_pl + numtostr(firstpart) + "\r\nkorektor \r\n\r\n"_pl;
    reclead(gen, head.data(), head.size());
    genrecords = 0;
    return true;
}

void closegenpart() {
    if (!gen.f) return;
    // A part whose write failed stays without its footer: the check reports
    // it as broken.
    bool failed = gen.failed;
    if (!failed) genput("textbaseend part "_pl + numtostr(firstpart) + "\r\n"_pl);
    bool ok = recclose(gen);
    sync();
    if (failed || !ok) return;
    if (firstpart == INT32_MAX) {
        // The next part would have no number; a later generation asks for a
        // new first part instead of overwriting this one.
        showerror("Numer części bazy osiągnął największą możliwą wartość. Ustaw mniejszy numer pierwszej części."_pl);
        return;
    }
    ++firstpart;
}

void genrecord() {
    if (!gen.f || gen.failed) return;
    uamclean();
    // A point the transformation could not place is written with position
    // 0 0: its grid metres are no longitude and latitude, and the check
    // reports the zero position, so the proofreader finds the record.
    std::int32_t lon = curuam.placed ? curuam.x : 0;
    std::int32_t lat = curuam.placed ? curuam.y : 0;
    char rec[4 * 260 + 32];
    std::size_t n = 0;
    auto add = [&](const char *p, std::size_t k) {
        std::memcpy(rec + n, p, k);
        n += k;
    };
    add("p ", 2);
    n += putdec(rec + n, lon);
    add(" ", 1);
    n += putdec(rec + n, lat);
    add("\r\nk ", 4);
    add(curuam.kat.data(), curuam.kat.size());
    add("\r\no ", 4);
    add(curuam.desc.data(), curuam.desc.size());
    add("\r\nn ", 4);
    add(curuam.name.data(), curuam.name.size());
    add("\r\n\r\n", 4);
    bool taken = recwrite(gen, rec, std::uint32_t(n));
    sync();
    if (!taken) return;
    if (++genrecords >= partsize) {
        closegenpart();
        if (!errorflag) openpart();
    }
}

void generatetextbase() {
    dlgtitle = "Wskaż plik uam do przetworzenia"_pl;
    dlgfilter("Pliki uam (*.uam)"_pl, "*.uam");
    choosefile(fileown, 0);
    if (opstatus > 0) {
        report("Operacja anulowana"_pl);
        return;
    }
    shortstr path = dlgtext;
    resetrun();
    if (!openinput(path)) showerror("Nie można otworzyć pliku "_pl + path);
    if (errorflag) return;
    if (firstpart == 0) firstpart = 1;
    if (partsize == 0) partsize = 100;
    genrecords = 0;
    report("Rozpoczynam zapis uam do textbase"_pl);
    if (openpart()) {
        textbasemode = true;
        if (uamstart()) {
            // The status item of every run, without its sounds: generation
            // plays none.
            busyflag = true;
            menustatus("Przetwarzanie w toku..."_pl);
            while (!quitflag && !errorflag && uamrecord()) genrecord();
            menuclear();
            busyflag = false;
            uamdone();
        }
        closegenpart();
    }
    closeinput();
    textbasemode = false;
    report("Zapisano "_pl + numtostr(writtencount) + " rekordów"_pl);
    runstopped();
}
