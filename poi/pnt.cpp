// OziExplorer point file reader. The first eight fields of a point line are
// used: latitude, longitude, two ignored fields, three name parts (A, B, C)
// and a leading name part (D). A line with fewer fields ends its point where
// it ends: the missing fields are empty, so the next line is never taken
// into this point.

#include "poi/pnt.h"

#include <cstdint>
#include <cstring>

#include "core/app.h"
#include "poi/input.h"
#include "poi/lsout.h"
#include "text/strutil.h"
#include "ui/tk.h"

// Reads one field into f, up to a comma or the line end (left in curchar),
// trimmed of blanks and tabs. Like a line, a field that reaches 250 bytes is
// compacted (leading blanks and tabs gone, runs of blanks made one) and
// keeps at most 255 bytes. Works on a plain buffer: this runs for every
// byte of a file.
static shortstr pntfields[8];  // the first eight fields of the point line being read

// Bytes that end a run of plain field characters.
static constexpr struct fieldstops {
    bool stop[256]{};
    constexpr fieldstops() { stop[10] = stop[13] = stop[(unsigned char)','] = true; }
} fieldstop;

static void readfield(shortstr &f) {
    char b[shortstr::maxlen + 1];
    std::size_t n = 0;
    // Adds one character under the field's rules.
    auto keep = [&](char c) {
        if (n == 250) {
            std::size_t i = 0, k = 0;
            while (i < n && (b[i] == ' ' || b[i] == 9)) ++i;
            for (; i < n; ++i)
                if (!(b[i] == ' ' && k > 0 && b[k - 1] == ' ')) b[k++] = b[i];
            n = k;
        }
        if (n < shortstr::maxlen) b[n++] = c;
    };
    for (;;) {
        const std::uint8_t *run;
        std::uint32_t got = readrun(run, fieldstop.stop);
        if (got > 0) {
            if (n + got < 250) {
                // Far from the compaction point: the run goes in as it is.
                std::memcpy(b + n, run, got);
                n += got;
            } else {
                for (std::uint32_t k = 0; k < got; ++k) keep(char(run[k]));
            }
            continue;
        }
        readchar();
        if (!inputok || curchar == ',' || curchar == 13) break;
        keep(char(curchar));
    }
    std::size_t i = 0;
    while (i < n && (b[i] == ' ' || b[i] == 9)) ++i;
    while (n > i && (b[n - 1] == ' ' || b[n - 1] == 9)) --n;
    f.assign(b + i, n - i);
}

void pntheader() {
    readline();
    shortstr line = trimboth(pllower(linebuf));
    shortstr w = popfirstword(line, uptoblank);
    if (w.view() != "oziexplorer") {
        showformaterror();
        return;
    }
    w = popfirstword(line, uptoblank);
    if (w.view() != "point") {
        showerror("Nieobsługiwany typ pliku "_pl + w);
        return;
    }
    w = popfirstword(line, uptoblank);
    if (w.view() != "file") {
        showformaterror();
        return;
    }
    w = popfirstword(line, uptoblank);
    if (w.view() != "version") {
        showformaterror();
        return;
    }
    w = popfirstword(line, uptoblank);
    if (w.view() != "1.0") report("Nieobsługiwana wersja pliku: "_pl + w + " wyniki mogą być nieprawidłowe."_pl);
    for (int i = 0; i < 4; ++i) readline();
}

bool pntcoord(const shortstr &field, std::int32_t limit, std::int32_t &units) {
    const char *p = field.data(), *e = p + field.size();
    while (p < e && (*p == ' ' || *p == 9)) ++p;
    while (e > p && (e[-1] == ' ' || e[-1] == 9)) --e;
    bool neg = p < e && *p == '-';
    if (neg) ++p;
    std::int64_t whole = 0, frac = 0;
    int digits = 0, decimals = 0;
    bool dot = false, big = false, past = false;  // past: a non-zero decimal after the seventh
    for (; p < e; ++p) {
        char c = *p;
        if (c == '.') {
            if (dot) return false;
            dot = true;
            continue;
        }
        if (c < '0' || c > '9') return false;
        ++digits;
        if (!dot) {
            if (whole < 100000) whole = whole * 10 + (c - '0');
            else big = true;
        } else if (decimals < 7) {
            frac = frac * 10 + (c - '0');
            ++decimals;
        } else if (c != '0') {
            past = true;
        }
    }
    if (digits == 0 || big) return false;
    for (; decimals < 7; ++decimals) frac *= 10;
    std::int64_t v = whole * 10000000 + frac;
    if (v > limit || (v == limit && past)) return false;
    units = std::int32_t(neg ? -v : v);
    return true;
}

bool pntpoint() {
    clearpoi();
    if (!inputok) return false;
    do readchar();
    while (inputok && (curchar == 9 || curchar == 32 || curchar == 13));
    if (!inputok) return false;
    if (curchar != '-' && (curchar < '0' || curchar > '9')) {
        readline();
        return true;
    }
    std::int32_t line = linecount < INT32_MAX ? linecount + 1 : INT32_MAX;  // this line's number in the file
    unreadchar();

    // Fields 1 to 8; after a field that ended the line the rest stay empty.
    shortstr *f = pntfields;
    for (int i = 0; i < 8; ++i) f[i].assign("", 0);
    bool ended = false;
    for (int i = 0; i < 8; ++i) {
        if (ended) break;
        readfield(f[i]);
        ended = !inputok || curchar == 13;
    }
    if (!ended) readline();  // fields after the eighth go with the rest of the line

    // A point that would stand in a wrong place is not written at all.
    if (!pntcoord(f[0], pntlatmax, curpoi.lat) || !pntcoord(f[1], pntlonmax, curpoi.lon)) {
        report("Nieprawidłowe współrzędne w linii "_pl + numtostr(line));
        clearpoi();
        return true;
    }
    const shortstr &a = f[4];
    shortstr d = pllower(f[7]);
    if (d.view().find("0x") != std::string_view::npos) d = shortstr();
    if (!a.empty() && d.view().find(pllower(a).view()) != std::string_view::npos) d = shortstr();
    shortstr name;
    for (const shortstr *p : {&d, &f[4], &f[5], &f[6]}) {
        if (p->empty()) continue;
        if (!name.empty()) name += ' ';
        name += *p;
    }
    cleanname(name);
    if (name.size() > lsnamemax) name.resize(lsnamemax);
    curpoi.name = name;
    return true;
}

void pntconvert() {
    pntheader();
    if (errorflag) return;
    busyflag = true;
    extrachars = "./-";
    for (;;) {
        if (pntpoint()) writepoint();
        if (quitflag || !inputok || errorflag) break;
    }
    busyflag = false;
    extrachars = shortstr();
}
