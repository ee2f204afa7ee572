// The AutoMapa reader. Records are read whole with readblock; every record
// counts as 362 characters read for idlepump, so the window stays responsive
// through long files as it does for text files.

#include "poi/uam.h"

#include <cstring>

#include "core/app.h"
#include "poi/formats.h"
#include "poi/input.h"
#include "poi/lsout.h"
#include "poi/uamkat.h"
#include "poi/uamproj.h"
#include "text/bytes.h"
#include "text/codepage.h"
#include "text/strutil.h"
#include "ui/tk.h"

const unsigned char uamsignature[4] = {0xBB, 0x22, 0xD5, 0x3F};

uamrec curuam;  // the record being converted

// Places of the fields in a record.
enum : std::uint32_t {
    uameast = 0,
    uamnorth = 4,
    uamname = 9,
    uamnamelen = 64,
    uamdesc = 73,
    uamdesclen = 255,
    uamkatnum = 329,
    uamkatname = 330,
    uamkatnamelen = 32,
};

// A text slot into t: up to the first zero byte, at most size - 1 bytes.
static void slottext(shortstr &t, const unsigned char *p, std::size_t size) {
    const void *z = std::memchr(p, 0, size - 1);
    std::size_t n = z ? std::size_t(static_cast<const unsigned char *>(z) - p) : size - 1;
    t.assign(reinterpret_cast<const char *>(p), n);
}

void uamdecode(const unsigned char *raw) {
    // Field by field: a fresh record would zero every text buffer first.
    curuam.x = getle32(raw + uameast);
    curuam.y = getle32(raw + uamnorth);
    curuam.placed = false;
    slottext(curuam.name, raw + uamname, uamnamelen);
    slottext(curuam.desc, raw + uamdesc, uamdesclen);
    curuam.katnum = raw[uamkatnum];
    if (curuam.katnum == katown) slottext(curuam.kat, raw + uamkatname, uamkatnamelen);
    else curuam.kat = kateg[curuam.katnum];
    cleanname(curuam.name);
    cleanname(curuam.kat);
    cleanname(curuam.desc);
}

// Appends the words of text to built, each in lower case after one blank,
// unless built holds it already (inside a longer word too); stops once built
// is longer than 100 bytes. Words end at a blank; blanks and tabs before a
// word are skipped.
static void addwords(shortstr &built, const shortstr &text) {
    // Lower case leaves blanks and tabs as they are, so the words are found
    // in the text itself and only those looked at are lowered.
    const char *p = text.data(), *e = p + text.size();
    while (built.size() <= 100) {
        while (p < e && (*p == ' ' || *p == '\t')) ++p;
        if (p == e) break;
        const char *q = static_cast<const char *>(std::memchr(p, ' ', std::size_t(e - p)));
        if (!q) q = e;
        std::size_t n = std::size_t(q - p);
        char low[shortstr::maxlen];
        pllowerinto(p, n, low);
        if (!holdspiece(reinterpret_cast<const unsigned char *>(built.data()), built.len,
                        reinterpret_cast<const unsigned char *>(low), std::uint32_t(n))) {
            built += ' ';
            built.append(low, n);
        }
        p = q;
    }
}

shortstr uamlsname() {
    shortstr built;
    built.len = curuam.kat.len;
    pllowerinto(curuam.kat.data(), curuam.kat.size(), built.buf);
    built.buf[built.len] = 0;
    addwords(built, curuam.name);
    addwords(built, curuam.desc);
    std::string_view v = built.view();
    std::size_t b = v.find_first_not_of(" \t");
    v.remove_prefix(b == std::string_view::npos ? v.size() : b);
    shortstr name(v.substr(0, lsnamemax));
    convertpage(name, cpwin1250, cpplain);
    return name;
}

bool uamrecord() {
    unsigned char raw[uamreclen];
    std::uint32_t got = readblock(raw, uamreclen);
    idlepumpn(got);
    if (got < uamreclen) return false;
    uamdecode(raw);
    curuam.placed = projpoint(curuam.x, curuam.y);
    return true;
}

// The record as a Loadstone point. A point whose coordinates could not be
// transformed is not written (its grid metres are no latitude and
// longitude): its empty name makes the writer count it as skipped.
static void uamlspoint() {
    clearpoi();
    if (!curuam.placed) return;
    curpoi.name = uamlsname();
    curpoi.lat = curuam.y;
    curpoi.lon = curuam.x;
}

bool uamstart() {
    if (!projinit()) return false;
    katload();
    // The signature and the declared count; every real file has both, so a
    // file that ends inside the count is no such file either.
    unsigned char head[8];
    if (readblock(head, 8) < 8 || std::memcmp(head, uamsignature, 4) != 0) {
        showformaterror();
        projdone();
        return false;
    }
    report("zadeklarowano w pliku "_pl + numtostr(getle32(head + 4)) + " rekordów"_pl);
    return true;
}

void uamdone() { projdone(); }

void uamconvert() {
    if (!uamstart()) return;
    busyflag = true;
    while (!quitflag && !errorflag && uamrecord()) {
        uamlspoint();
        writepoint();
    }
    busyflag = false;
    uamdone();
}
