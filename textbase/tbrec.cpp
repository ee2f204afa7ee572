// Textbase records: reading one record field by field, checking it, the
// reports with part file and line, the end of a part with its record-count
// control, and the Loadstone name of a valid record.
//
// Lines are taken apart as views of the line buffer; only the field values
// that a record keeps are copied.

#include <cstring>

#include "core/app.h"
#include "poi/input.h"
#include "poi/lsout.h"
#include "text/bytes.h"
#include "text/strutil.h"
#include "textbase/tb.h"
#include "ui/tk.h"

std::string_view tbword(std::string_view &rest) {
    const char *p = rest.data(), *e = p + rest.size();
    while (p < e && isblanktab(*p)) ++p;
    const char *q = p;
    while (q < e && *q != ' ') ++q;
    std::string_view w(p, std::size_t(q - p));
    while (q < e && isblanktab(*q)) ++q;
    rest = std::string_view(q, std::size_t(e - q));
    return w;
}

// The next line without its trailing blanks and tabs: where it lies in the
// input's buffer when it lies there whole (good until the next read), else
// as readline keeps it in the line buffer.
static std::string_view nextline() {
    const std::uint8_t *run;
    std::uint32_t n;
    std::string_view v;
    if (peekline(run, n)) {
        v = std::string_view(reinterpret_cast<const char *>(run), n);
    } else {
        readline();
        v = linebuf.view();
    }
    while (!v.empty() && isblanktab(v.back())) v.remove_suffix(1);
    return v;
}

// v trimmed at both ends, every run of blanks made one blank, into dst.
static void setvalue(shortstr &dst, std::string_view v) {
    while (!v.empty() && isblanktab(v.front())) v.remove_prefix(1);
    while (!v.empty() && isblanktab(v.back())) v.remove_suffix(1);
    std::size_t n = 0;
    // Most values hold no two blanks together: copied whole.
    if (!holdsdoubleblank(reinterpret_cast<const unsigned char *>(v.data()), std::uint32_t(v.size()))) {
        n = v.size();
        std::memcpy(dst.buf, v.data(), n);
    } else {
        for (char c : v) {
            if (c == ' ' && n > 0 && dst.buf[n - 1] == ' ') continue;
            dst.buf[n++] = c;
        }
    }
    dst.len = std::uint8_t(n);
    dst.buf[n] = 0;
}

void fileerror(const shortstr &msg) {
    report("Błąd w pliku "_pl + partfile);
    report(msg);
    opstatus = 1;
}

void linewarning(const shortstr &msg) {
    report("plik "_pl + partfile + " linia "_pl + numtostr(linecount));
    report(msg);
}

void recorderror(const shortstr &msg) {
    linewarning(msg);
    curtba.state = tbfaulty;
}

static void quoted(shortstr &s, std::string_view w) {
    s += '"';
    s += w;
    s += '"';
}

// The errors of a text field given twice, made once: a text built at every
// field would cost more than the rest of its reading.
static constexpr shortstr twicekat = "Niedozwolone wielokrotne pole kategorii"_pl;
static constexpr shortstr twicedesc = "Niedozwolone wielokrotne pole opisu"_pl;
static constexpr shortstr twicename = "Niedozwolone wielokrotne pole nazwy"_pl;

// A text field (k, o, n): its value, or the error when the record has it already.
static void textfield(shortstr &dst, std::string_view value, const shortstr &twice) {
    if (!dst.empty()) recorderror(twice);
    else setvalue(dst, value);
}

// One field line of a record. The words of a value are the same before and
// after its blanks are collapsed, so p and f take theirs from the line.
static void readfield(std::string_view line) {
    std::string_view id = tbword(line);
    if (id.size() == 1) {
        switch (id[0]) {
        case 'p':
            if (curtba.longitude != 0 && curtba.latitude != 0) {
                recorderror("Niedozwolone wielokrotne pole pozycji(p), prawdopodobnie połączone dwa rekordy"_pl);
            } else {
                curtba.longitude = strtonum(tbword(line));
                curtba.latitude = strtonum(tbword(line));
                if (curtba.longitude == 0 || curtba.latitude == 0) recorderror("Błędna zawartość pola pozycji (p)"_pl);
            }
            return;
        case 'k': textfield(curtba.category, line, twicekat); return;
        case 'o': textfield(curtba.description, line, twicedesc); return;
        case 'n': textfield(curtba.name, line, twicename); return;
        case 'f':
            while (!line.empty()) {
                std::string_view w = tbword(line);
                if (w == "rem") {
                    curtba.state = tbremmed;
                } else {
                    shortstr m = "Nieznana flaga rekordu "_pl;
                    quoted(m, w);
                    linewarning(m);
                }
            }
            return;
        default: break;
        }
    }
    if (id == "textbaseend") {
        linewarning("sygnatura końca części wewnątrz rekordu"_pl);
    } else if (!id.empty()) {
        shortstr m = "Nieznany identyfikator pola "_pl;
        quoted(m, id);
        linewarning(m);
    }
}

static void clearstr(shortstr &s) {
    s.len = 0;
    s.buf[0] = 0;
}

tboutcome readrecord() {
    // Cleared field by field: a fresh record would zero every text buffer.
    curtba.longitude = curtba.latitude = 0;
    clearstr(curtba.category);
    clearstr(curtba.name);
    clearstr(curtba.description);
    curtba.state = tbvalid;
    std::string_view line;
    do {
        line = nextline();
    } while (line.empty() && inputok && !quitflag);
    // A last line without its line end counts as a line of its own.
    if (!line.empty() && !inputok) countline();

    std::string_view probe = line;
    if (tbword(probe) == "textbaseend") {
        tbword(probe);
        std::string_view num = tbword(probe);
        if (strtonum(num) != partno)
            linewarning("Niezgodność numeru części w sygnaturze końca z nazwą. Numer w sygnaturze: "_pl +
                        shortstr(num));
        bool last = partno == INT32_MAX;  // no part can follow
        closepart();
        if (!multipart || last) {
            inputok = false;
            return tbend;
        }
        findpart();
        return tbnextpart;
    }
    if (line.empty()) {
        if (quitflag && inputok) return tbstopped;
        linewarning(shortstr(eofmessage));
        return tbbroken;
    }
    // Every line of the record, also a last one that the end of the file
    // ended instead of a line end. When the program is closing, the record
    // being read is dropped whole: cut short it would be checked, counted and
    // converted as a record it is not.
    for (;;) {
        if (quitflag) return tbstopped;
        readfield(line);
        if (!inputok) break;
        line = nextline();
        if (line.empty()) break;
        if (!inputok) countline();
    }
    ++partrecords;
    return tbrecord;
}

void checkrecord() {
    if (curtba.state != tbvalid) return;
    // Zero, or off the globe (more than 180 degrees of longitude, 90 of latitude).
    if (curtba.longitude == 0 || curtba.latitude == 0 || curtba.longitude > 1800000000 ||
        curtba.longitude < -1800000000 || curtba.latitude > 900000000 || curtba.latitude < -900000000)
        recorderror("Nieprawidłowe współrzędne w poprzednim rekordzie"_pl);
    if (curtba.category.empty()) recorderror("Nieokreślono pola kategoria w poprzednim rekordzie"_pl);
    if (curtba.name.empty() && curtba.description.empty())
        linewarning("Brak pól nazwa i opis w poprzednim rekordzie"_pl);
}

void closepart() {
    if (!partopen) return;
    closeinput();
    partopen = false;
    if (partno < INT32_MAX) ++partno;
    if (countmode == 0) return;
    if ((countmode & 1) && partrecords < expectedcount) {
        ++badparts;
        linewarning("Za mało rekordów w tej części: "_pl + numtostr(partrecords));
    } else if ((countmode & 2) && partrecords > expectedcount) {
        linewarning("Za dużo rekordów w tej części: "_pl + numtostr(partrecords));
        ++badparts;
    } else {
        ++goodparts;
    }
}

void cutat(shortstr &s, const shortstr &piece) {
    std::size_t i = pllower(s).view().find(piece.view());
    if (i != std::string_view::npos) s.resize(i);
}

void buildlsname() {
    cleanname(curtba.category);
    cleanname(curtba.description);
    cleanname(curtba.name);
    if (curtba.category.size() + curtba.description.size() + curtba.name.size() + 2 > lsnamemax)
        cutat(curtba.name, "woj.");
    // Built in place; the cleaned texts hold single blanks only, so only an
    // empty one leaves two blanks side by side to be made one.
    shortstr &name = curpoi.name;
    clearstr(name);
    name += curtba.category;
    name += ' ';
    name += curtba.description;
    name += ' ';
    name += curtba.name;
    if (curtba.description.empty() || curtba.category.empty()) name = collapseblanks(name);
    curpoi.lat = curtba.latitude;
    curpoi.lon = curtba.longitude;
    if (warnlong && curpoi.name.size() > lsnamemax) {
        linewarning("Za długa nazwa po konwersji"_pl);
        report(curpoi.name.sub(0, lsnamemax));
        report("Rekord oryginalny:"_pl);
        report("Kategoria: "_pl + curtba.category);
        report("Opis: "_pl + curtba.description);
        report("Nazwa: "_pl + curtba.name);
        newline();
        ++toolongcount;
    }
}
