// OziExplorer point file reader. The first eight fields of a point line are
// used: latitude, longitude, the rotation angle (ignored), the point's own
// name, three name parts (A, B, C) and a leading name part (D). The name is
// built from D, A, B and C; only when they give none is the point's own name
// used, so that a file written with the name alone converts too. A line with
// fewer fields ends its point where it ends: the missing fields are empty, so
// the next line is never taken into this point.

#include "poi/pnt.h"

#include <cstdint>
#include <cstring>

#include "core/app.h"
#include "poi/input.h"
#include "poi/lsout.h"
#include "text/bytes.h"
#include "text/strutil.h"
#include "ui/tk.h"

static shortstr pntfields[8];  // the first eight fields of the point line being read

// Bytes that end a run of plain field characters.
static constexpr struct fieldstops {
    bool stop[256]{};
    constexpr fieldstops() { stop[10] = stop[13] = stop[(unsigned char)','] = true; }
} fieldstop;

// Works on a plain buffer: this runs for every byte of a file.
void pntfield(shortstr &f) {
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

void ozihead(std::string_view kind, std::string_view version) {
    readline();
    shortstr line = trimboth(pllower(linebuf));
    shortstr w = popfirstword(line, uptoblank);
    if (w.view() != "oziexplorer") {
        showformaterror();
        return;
    }
    w = popfirstword(line, uptoblank);
    if (w.view() != kind) {
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
    if (w.view() != version) report("Nieobsługiwana wersja pliku: "_pl + w + " wyniki mogą być nieprawidłowe."_pl);
}

void pntheader() {
    ozihead("point", "1.0");
    if (errorflag) return;
    for (int i = 0; i < 4; ++i) readline();
}

bool pntcoord(std::string_view field, std::int32_t limit, std::int32_t &units) {
    const char *p = field.data(), *e = p + field.size();
    while (p < e && (*p == ' ' || *p == 9)) ++p;
    while (e > p && (e[-1] == ' ' || e[-1] == 9)) --e;
    bool neg = p < e && *p == '-';
    if (neg) ++p;
    std::int64_t whole = 0, frac = 0;
    int decimals = 0;
    bool big = false, past = false;  // past: a non-zero decimal after the seventh
    // The whole degrees, then after a dot the decimals; anything else (a
    // second dot too) is no number.
    const char *start = p;
    for (; p < e && unsigned(*p - '0') < 10; ++p) {
        if (whole < 100000) whole = whole * 10 + (*p - '0');
        else big = true;
    }
    std::ptrdiff_t digits = p - start;
    if (p < e) {
        if (*p != '.') return false;
        const char *first = ++p;
        for (; p < e && unsigned(*p - '0') < 10; ++p) {
            if (decimals < 7) {
                frac = frac * 10 + (*p - '0');
                ++decimals;
            } else if (*p != '0') {
                past = true;
            }
        }
        if (p < e) return false;
        digits += p - first;
    }
    if (digits == 0 || big) return false;
    for (; decimals < 7; ++decimals) frac *= 10;
    std::int64_t v = whole * 10000000 + frac;
    if (v > limit || (v == limit && past)) return false;
    units = std::int32_t(neg ? -v : v);
    return true;
}

// The view v in lower case, into to (at least v.size() bytes).
static std::string_view lowered(std::string_view v, char *to) {
    pllowerinto(v.data(), v.size(), to);
    return std::string_view(to, v.size());
}

// The point of a line from its first eight fields, trimmed (missing ones
// empty); line is the line's number in the file, for the report.
static void pntmake(const std::string_view *f, std::int32_t line) {
    // A point that would stand in a wrong place is not written at all.
    if (!pntcoord(f[0], pntlatmax, curpoi.lat) || !pntcoord(f[1], pntlonmax, curpoi.lon)) {
        report("Nieprawidłowe współrzędne w linii "_pl + numtostr(line));
        clearpoi();
        return;
    }
    // The leading part D is left out when it is a code ("0x...") or holds
    // part A already.
    char dlow[shortstr::maxlen], alow[shortstr::maxlen];
    std::string_view a = f[4], d = lowered(f[7], dlow);
    if (d.find("0x") != std::string_view::npos) d = {};
    if (!d.empty() && !a.empty() && d.find(lowered(a, alow)) != std::string_view::npos) d = {};
    // Joined into the point's name in place, cut at 255 bytes as a text is.
    shortstr &name = curpoi.name;
    std::size_t n = 0;
    for (std::string_view p : {d, f[4], f[5], f[6]}) {
        if (p.empty()) continue;
        if (n > 0 && n < shortstr::maxlen) name.buf[n++] = ' ';
        std::size_t k = p.size() < shortstr::maxlen - n ? p.size() : shortstr::maxlen - n;
        std::memcpy(name.buf + n, p.data(), k);
        n += k;
    }
    name.len = std::uint8_t(n);
    name.buf[n] = 0;
    cleanname(name);
    // No name from the parts: the point's own name field, cleaned alike.
    if (name.empty() && !f[3].empty()) {
        name.assign(f[3].data(), f[3].size());
        cleanname(name);
    }
    if (name.size() > lsnamemax) name.resize(lsnamemax);
}

// The fields of a whole point line that lies in the buffer (shorter than
// the compaction length, so no field is compacted), up to the eighth comma;
// the fields the line does not reach are made empty.
static void pntsplit(const char *p, const char *e, std::string_view *f) {
    // The eighth comma ends the eighth field.
    std::uint32_t comma[8];
    std::uint32_t commas = findeach(reinterpret_cast<const unsigned char *>(p), std::uint32_t(e - p), ',', comma, 8);
    for (std::uint32_t i = 0; i <= commas && i < 8; ++i) {
        const char *s = i == 0 ? p : p + comma[i - 1] + 1, *t = i < commas ? p + comma[i] : e;
        // The field without its blanks and tabs at either end.
        while (s < t && isblanktab(*s)) ++s;
        while (t > s && isblanktab(t[-1])) --t;
        f[i] = std::string_view(s, std::size_t(t - s));
    }
    for (std::uint32_t i = commas + 1; i < 8; ++i) f[i] = {};
}

bool pntpoint() {
    clearpoi();
    if (!inputok) return false;
    // Kept between lines: every line sets all eight, and a fresh array would
    // be zeroed at every line.
    static std::string_view f[8];
    // Whole lines in the buffer are taken apart where they lie; the rest go
    // through the character reader, with the same result.
    const std::uint8_t *run;
    std::uint32_t n;
    while (peekline(run, n)) {
        const char *p = reinterpret_cast<const char *>(run), *e = p + n;
        while (p < e && isblanktab(*p)) ++p;
        if (p == e) continue;  // a blank line: on to the next one
        if (*p != '-' && (*p < '0' || *p > '9')) return true;
        pntsplit(p, e, f);
        pntmake(f, linecount);
        return true;
    }
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
    shortstr *fs = pntfields;
    bool ended = false;
    for (int i = 0; i < 8; ++i) {
        fs[i].assign("", 0);
        if (!ended) {
            pntfield(fs[i]);
            ended = !inputok || curchar == 13;
        }
        f[i] = fs[i].view();
    }
    if (!ended) readline();  // fields after the eighth go with the rest of the line
    pntmake(f, line);
    return true;
}

void pntconvert() {
    inputtext();
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
