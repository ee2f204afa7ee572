// Textbase generation: every record of a .uam file becomes one textbase
// record, and the records are spread over numbered part files of partsize
// records each.
//
// A part is written through a buffer of our own. A record counts as written
// (writtencount) only once all of it is in the file; when the system refuses
// a write, the half record that reached the file is cut away again, the part
// is closed without its footer (the check reports it as broken) and the run
// ends. Parts finished before stay as they are. A part deleted (or its
// folder) while it is written ends the run the same way, its records no
// longer counted.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "app/cli.h"
#include "app/paths.h"
#include "app/runfb.h"
#include "poi/input.h"
#include "poi/lsout.h"
#include "poi/uam.h"
#include "text/strutil.h"
#include "textbase/tb.h"
#include "ui/tk.h"

// ---- Generation state ----
std::int32_t firstpart = 1;
std::int32_t partsize = 100;
shortstr destfolder;
std::int32_t genrecords = 0;

static std::FILE *genf = nullptr;         // the part file being written; null when none is open
static shortstr genpath;                  // its full path, for messages
static bool genfailed = false;            // a write of this part failed; nothing more is written
static std::int64_t genbase = 0;          // bytes of the part handed to the file so far
constexpr std::uint32_t genbufsize = 65536;
static char genbuf[genbufsize];           // bytes not yet handed to the file
static std::uint32_t genlen = 0;          // bytes in genbuf
constexpr std::uint32_t maxgenpending = 2048;
static std::uint32_t genends[maxgenpending];  // offset in genbuf after each buffered record
static std::uint32_t genpending = 0;          // records in genbuf
static std::uint32_t genhead = 0;             // offset in genbuf after the header, 0 when not in it
static std::int32_t gencounted = 0;           // records of the open part counted in writtencount

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

// A write the system refused: keeps the whole records that reached the file,
// counts them, closes the part and ends the run with a message.
static void genfail(std::uint32_t done, int err) {
    genfailed = true;
    std::int64_t have = fslength(genf);
    std::int64_t reached = have >= genbase ? have - genbase : std::int64_t(done);
    if (reached > std::int64_t(genlen)) reached = genlen;
    std::uint32_t keep = genhead <= reached ? genhead : 0;
    std::uint32_t kept = 0;
    while (kept < genpending && genends[kept] <= reached) keep = genends[kept++];
    if (keep < reached) fstruncate(genf, genbase + keep);
    writtencount += std::int32_t(kept);
    genlen = genpending = genhead = 0;
    std::fclose(genf);
    genf = nullptr;
    showerror("Nie można zapisać pliku części bazy "_pl + genpath + writereason(err));
}

// The open part was deleted while being written: none of its records is
// anywhere, and the run ends with a message.
static void genlost() {
    genfailed = true;
    writtencount -= gencounted;
    genlen = genpending = genhead = 0;
    std::fclose(genf);
    genf = nullptr;
    showerror("Nie można zapisać pliku części bazy "_pl + genpath +
              " (plik został usunięty w trakcie zapisu)"_pl);
}

// Hands the buffer to the file; false (after the message) when that failed.
static bool genflush() {
    if (!genf) return false;
    if (genlen == 0) return true;
    errno = 0;
    std::size_t done = std::fwrite(genbuf, 1, genlen, genf);
    if (done == genlen && std::fflush(genf) == 0) {
        if (fsunlinked(genf)) {
            genlost();
            return false;
        }
        genbase += genlen;
        writtencount += std::int32_t(genpending);
        gencounted += std::int32_t(genpending);
        genlen = genpending = genhead = 0;
        return true;
    }
    genfail(std::uint32_t(done), errno);
    return false;
}

static void genput(const char *p, std::size_t n) {
    if (genlen + n > genbufsize && !genflush()) return;
    std::memcpy(genbuf + genlen, p, n);
    genlen += std::uint32_t(n);
}

static void genput(const shortstr &s) { genput(s.data(), s.size()); }

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
        showerror("Ścieżka pliku części bazy byłaby dłuższa niż 255 znaków. Wybierz folder docelowy o krótszej "
                  "ścieżce."_pl);
        return false;
    }
    // One level of folder; a folder that is already there is what we want.
    shortstr folder = destfolder;
    if (folder.size() > 1) droplastchar(folder);
    int err = fsmkdir(folder);
    if (err != 0 && !fileexists(folder)) {
        showerror("Nie można utworzyć folderu "_pl + destfolder + writereason(err));
        return false;
    }
    genpath = destfolder + name;
    errno = 0;
    genf = fsopen(genpath, "wb");
    if (!genf) {
        showerror("Nie można utworzyć pliku części bazy "_pl + genpath + writereason(errno));
        return false;
    }
    std::setvbuf(genf, nullptr, _IONBF, 0);  // our buffer decides the pieces
    genfailed = false;
    genbase = 0;
    genlen = genpending = 0;
    gencounted = 0;
    genput("textbase kwz part "_pl + numtostr(firstpart) + "\r\nkorektor \r\n\r\n"_pl);
    genhead = genlen;
    genrecords = 0;
    return true;
}

void closegenpart() {
    if (!genf) return;
    genput("textbaseend part "_pl + numtostr(firstpart) + "\r\n"_pl);
    if (!genflush()) return;
    int err = std::fclose(genf);
    genf = nullptr;
    if (err != 0) {
        showerror("Nie można zapisać pliku części bazy "_pl + genpath + writereason(errno));
        return;
    }
    if (firstpart == INT32_MAX) {
        // The next part would have no number; a later generation asks for a
        // new first part instead of overwriting this one.
        showerror("Numer części bazy osiągnął największą możliwą wartość. Ustaw mniejszy numer pierwszej części."_pl);
        return;
    }
    ++firstpart;
}

// Decimal digits of n at p; the number of bytes.
static std::size_t putdec(char *p, std::int32_t n) {
    char tmp[12];
    std::size_t k = 0;
    std::uint32_t u = n < 0 ? 0u - std::uint32_t(n) : std::uint32_t(n);
    do tmp[k++] = char('0' + u % 10);
    while ((u /= 10) != 0);
    std::size_t len = 0;
    if (n < 0) p[len++] = '-';
    while (k > 0) p[len++] = tmp[--k];
    return len;
}

void genrecord() {
    if (!genf || genfailed) return;
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
    if (genpending == maxgenpending && !genflush()) return;
    genput(rec, n);
    if (!genf) return;
    genends[genpending++] = genlen;
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
        uamconvert();
        closegenpart();
    }
    closeinput();
    textbasemode = false;
    report("Zapisano "_pl + numtostr(writtencount) + " rekordów"_pl);
}

// ---- Command line ----

// The file comes from the command line through the file dialog's queue.
static void generaterun() { generatetextbase(); }

void generatecli(CLI::App &top) {
    CLI::App *c = clisubcommand(top, "generate", "Generuje części textbase z pliku .uam", generaterun);
    clinumber(c, "--first-part", &firstpart, 1, 2000000000, "numer pierwszej zapisanej części (domyślnie 1)");
    clinumber(c, "--part-size", &partsize, 1, 2000000000, "ilość rekordów w jednej części (domyślnie 100)");
    clipath(c, "--dest", &destfolder, "folder docelowy części (domyślnie ~/textbase nowe)", true)->type_name("FOLDER");
    clifiles(c, "FILE", "plik .uam")->required()->expected(1);
}
