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

std::int32_t pntcoord(const shortstr &field) {
    // The usual case, a plain decimal number, straight from its digits.
    {
        const char *p = field.data(), *e = p + field.size();
        bool neg = p < e && *p == '-';
        if (neg) ++p;
        std::int64_t v = 0;
        int intdigits = 0, decimals = 0;
        while (p < e && *p >= '0' && *p <= '9' && intdigits < 10) v = v * 10 + (*p++ - '0'), ++intdigits;
        bool plain = intdigits > 0;
        if (plain && p < e && *p == '.') {
            ++p;
            while (p < e && *p >= '0' && *p <= '9') {
                if (decimals < 7) v = v * 10 + (*p - '0'), ++decimals;
                ++p;
            }
        }
        if (plain && p == e) {
            for (; decimals < 7; ++decimals) v *= 10;
            if (neg) v = -v;
            if (v >= INT32_MIN && v <= INT32_MAX) return std::int32_t(v);
        }
    }
    shortstr t = trimboth(field);
    std::size_t dot = t.view().find('.');
    if (dot == std::string_view::npos) {
        t += "0000000";
    } else {
        std::size_t d = t.size() - dot - 1;
        if (d > 7) t.resize(dot + 1 + 7);
        else t += std::string_view("0000000", 7 - d);
        t.erase(dot, 1);
    }
    return strtonum(t);
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

    curpoi.lat = pntcoord(f[0]);
    curpoi.lon = pntcoord(f[1]);
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
