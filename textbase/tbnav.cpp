// Moving through a textbase: the choice of the first part, the search for the
// next existing part (numbers without a file are reported as missing), and
// the header check of each part before its records are read.

#include <algorithm>
#include <string>
#include <vector>

#include "core/app.h"
#include "core/runfb.h"
#include "poi/input.h"
#include "sys/paths.h"
#include "text/strutil.h"
#include "textbase/tb.h"
#include "ui/tk.h"

// ---- Part search state: the parts a folder holds, read once per run ----
// A search past the end of a base would try every number its width can
// hold; the folder is read at the first number without a file, and from then
// on the search steps at once to the next number it holds a file for, with
// the same messages in the same order.
static bool listread = false;                // the folder has been read in this run
static bool listok = false;                  // it could be read (else every number is opened)
static shortstr listfolder;                  // the folder read
static int listwidth = 0;                    // the digits of the names taken from it
static std::vector<std::int32_t> listparts;  // part numbers whose file it holds, sorted

// The part number of a file name "tba" + width digits + ".txt" (in any case
// on Windows, whose names are compared so), or -1.
static std::int64_t partnumberof(std::string_view name, int width) {
    if (name.size() != std::size_t(width) + 7) return -1;
    auto low = [](char c) {
#ifdef _WIN32
        return c >= 'A' && c <= 'Z' ? char(c + 32) : c;
#else
        return c;
#endif
    };
    for (int i = 0; i < 3; i++)
        if (low(name[std::size_t(i)]) != "tba"[i]) return -1;
    for (int i = 0; i < 4; i++)
        if (low(name[std::size_t(width + 3 + i)]) != ".txt"[i]) return -1;
    std::int64_t n = 0;
    for (int i = 3; i < width + 3; i++) {
        char c = name[std::size_t(i)];
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

// False only when the folder surely holds no file for part n.
static bool partmaybe(std::int64_t n) {
    if (!listread || listfolder != partfolder || listwidth != partwidth) {
        listread = true;
        listfolder = partfolder;
        listwidth = partwidth;
        listparts.clear();
        std::vector<std::string> names;
        listok = fslistnames(partfolder, names);
        for (const std::string &nm : names) {
            std::int64_t k = partnumberof(nm, partwidth);
            if (k >= 0 && k <= INT32_MAX) listparts.push_back(std::int32_t(k));
        }
        std::sort(listparts.begin(), listparts.end());
    }
    return !listok || std::binary_search(listparts.begin(), listparts.end(), std::int32_t(n));
}

// The largest part number that width digits can hold.
static std::int64_t largestpart(int width) {
    std::int64_t n = 1;
    for (int i = 0; i < width && n <= INT32_MAX; i++) n *= 10;
    return n - 1 > INT32_MAX ? INT32_MAX : n - 1;
}

void checkheader() {
    opstatus = 0;
    linecount = 0;
    readline();
    std::string_view rest = linebuf.view();
    std::string_view w = tbword(rest);
    shortstr msg;
    if (w != "textbase") msg = "brak sygnatury textbase"_pl;
    else if (tbword(rest) != "kwz") msg = "To nie jest baza projektu kwz"_pl;
    else if (tbword(rest) != "part") msg = "Nieprawidłowy format pliku"_pl;
    else {
        w = tbword(rest);
        if (strtonum(w) != partno)
            msg = "Rozbieżność numeracji między nazwą pliku i nagłówkiem: deklarowana w nagłówku część \""_pl +
                  shortstr(w) + "\"";
    }
    if (!msg.empty()) {
        fileerror(msg);
        closeinput();
        return;
    }
    // The rest of the header, whatever it says, up to its blank line.
    do readline();
    while (!trimboth(linebuf).empty() && !quitflag && inputok);
    if (!inputok) {
        fileerror(shortstr(eofmessage));
        closeinput();
    }
}

void findpart() {
    partopen = false;
    opstatus = 0;
    if (partwidth == 0) {
        fileerror("Próba szukania części niezainicjowanej bazy"_pl);
        return;
    }
    const std::int64_t largest = largestpart(partwidth);
    if (partno > largest) {
        opstatus = 1;
        inputok = false;
        return;
    }
    // Counted in 64 bits: the search may pass the largest 32-bit number.
    std::int64_t n = partno, from = partno;
    bool found = false;
    do {
        idlepump();
        menustatus("Szukam części "_pl + numtostr(std::int32_t(n)) + " textbase"_pl);
        partfile = partname(std::int32_t(n), partwidth);
        if (listread && !partmaybe(n)) {
            // The folder holds no file for n: on to the next number it holds
            // one for, or past the largest, in one step.
            auto next = std::upper_bound(listparts.begin(), listparts.end(), n);
            n = next == listparts.end() || *next > largest ? largest + 1 : *next;
            continue;
        }
        if (!openinput(partfolder + partfile)) {
            if (!listread) partmaybe(n);  // the first number without a file: the folder is read
            ++n;
            continue;
        }
        if (n > from) {
            missingparts += std::int32_t(n - from);
            report("Brak części od "_pl + numtostr(std::int32_t(from)) + " do "_pl + numtostr(std::int32_t(n - 1)));
        }
        from = n + 1;
        partno = std::int32_t(n);
        checkheader();
        if (opstatus > 0) {
            opstatus = 0;
            ++n;
            continue;
        }
        found = true;
    } while (!quitflag && n <= largest && !found);
    partno = std::int32_t(n > INT32_MAX ? INT32_MAX : n);
    if (quitflag && !found) {
        inputok = false;
        return;
    }
    if (!found) {
        report("Nie znaleziono następnej części bazy. Ostatnia przetworzona część nr "_pl +
               numtostr(std::int32_t(from - 1)));
        opstatus = 1;
        inputok = false;
        return;
    }
    opstatus = 0;
    menustatus("Przetwarzam część "_pl + numtostr(partno) + " textbase"_pl);
    partrecords = 0;
    partopen = true;
    ++partsread;
}

void selectfirstpart() {
    opstatus = 0;
    listread = false;  // a new run reads the folder again
    missingparts = goodparts = badparts = partsread = 0;
    pathrefused = false;
    if (runmode == runrepeat && lastcheck.partno > 0) {
        runmode = runcheck;
        partno = lastcheck.partno;
        partfolder = lastcheck.folder;
        partwidth = lastcheck.width;
        multipart = lastcheck.multipart;
        report("Powtarzam sprawdzenie na części "_pl + numtostr(partno) + " w folderze "_pl + partfolder);
        report("Tryb wieloczęściowy: "_pl + yesnoword(multipart));
        return;
    }
    dlgtitle = "Wskaż pierwszą część textbase do przetworzenia"_pl;
    dlgfilter("Pliki textbase (tba*.txt"_pl, "tba*.txt");
    choosefile(fileown, 0);
    partno = 0;
    partfolder = shortstr();
    partwidth = 0;
    if (opstatus > 0) {
        runcancelled();
        return;
    }
    lastcheck = lastcheckrec();
    multipart = askyesno(
        "Czy chcesz przetworzyć całą bazę od tej części (odpowiedź nie oznacza tylko wybraną część)?"_pl, askwholebase);
    shortstr path = dlgtext;
    partfolder = dirpart(path);
    shortstr name = nameof(path);
    report("Przetwarzam "_pl + name + " w folderze "_pl + partfolder);
    name = stripext(name);
    std::int32_t n = trailingnumber(name);
    if (n <= 0) return;
    int width = trailingdigits(name);
    // Every name the search builds ("tba", width digits, ".txt") must fit a
    // path whole, with the folder: a cut path would name another file.
    if (partfolder.size() + 7 + std::size_t(width) > shortstr::maxlen) {
        report(
            "Ścieżki części bazy w tym folderze byłyby dłuższe niż 255 znaków. Przenieś bazę do folderu o "
            "krótszej ścieżce."_pl);
        pathrefused = true;
        return;
    }
    partno = n;
    partwidth = std::uint8_t(width);
    lastcheck.partno = partno;
    lastcheck.folder = partfolder;
    lastcheck.width = partwidth;
    lastcheck.multipart = multipart;
}
