// The AutoMapa reader. Records are read whole, in batches (see "Reading
// ahead"); every record handed out counts as 362 characters read for
// idlepump, so the window stays responsive through long files as it does for
// text files.

#include "poi/uam.h"

#include <cstring>
#include <system_error>
#include <thread>

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

// The record's fields as they lie in it; the texts are not cleaned yet.
static void uamtake(const unsigned char *raw) {
    // Field by field: a fresh record would zero every text buffer first.
    curuam.x = getle32(raw + uameast);
    curuam.y = getle32(raw + uamnorth);
    curuam.placed = false;
    slottext(curuam.name, raw + uamname, uamnamelen);
    slottext(curuam.desc, raw + uamdesc, uamdesclen);
    curuam.katnum = raw[uamkatnum];
    if (curuam.katnum == katown) slottext(curuam.kat, raw + uamkatname, uamkatnamelen);
    else curuam.kat = kateg[curuam.katnum];
}

void uamclean() {
    cleanname(curuam.name);
    cleanname(curuam.kat);
    cleanname(curuam.desc);
}

void uamdecode(const unsigned char *raw) {
    uamtake(raw);
    uamclean();
}

// Where the Loadstone name ends in built: it starts at built's first byte
// that is no blank or tab (or, while built holds none, after the blank that
// comes before the next word) and is lsnamemax bytes long.
static std::size_t nameend(const shortstr &built) {
    std::size_t i = 0;
    while (i < built.size() && isblanktab(built.at(i))) ++i;
    return (i == built.size() ? i + 1 : i) + lsnamemax;
}

// Appends the words of text, as cleanname would leave it, to built, each in
// lower case after one blank, unless built holds it already (inside a longer
// word too); stops once built is longer than 100 bytes, or once it holds the
// whole Loadstone name, as a later word would only go past the name's end.
// Cleaning as the words are taken gives the same words as cleaning first:
// the clean-up changes only which bytes are blanks and how many of them
// stand together, and words end at a blank; so a text that is cleaned
// already gives the same words again.
static void addwords(shortstr &built, const shortstr &text, const unsigned char *low, std::size_t &end) {
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text.data()), *e = p + text.size();
    while (e > p && isblanktab(low[e[-1]])) --e;  // cleanname drops them at the end
    while (built.size() <= 100 && built.size() < end) {
        while (p < e && isblanktab(low[*p])) ++p;
        if (p == e) break;
        // The word cleaned and lowered with one look-up a byte.
        unsigned char w[shortstr::maxlen];
        std::uint32_t n = 0;
        for (unsigned char c; p < e && (c = low[*p]) != ' '; ++p) w[n++] = c;
        if (!holdspiece(reinterpret_cast<const unsigned char *>(built.data()), built.len, w, n)) {
            built += ' ';
            built.append(reinterpret_cast<const char *>(w), n);
            end = nameend(built);
        }
    }
}

shortstr uamlsname() {
    const unsigned char *low = cleanlowtable();
    shortstr built = curuam.kat;
    cleanname(built);
    pllowerinto(built.data(), built.size(), built.buf);
    std::size_t end = nameend(built);
    addwords(built, curuam.name, low, end);
    addwords(built, curuam.desc, low, end);
    std::string_view v = built.view();
    std::size_t b = v.find_first_not_of(" \t");
    v.remove_prefix(b == std::string_view::npos ? v.size() : b);
    shortstr name(v.substr(0, lsnamemax));
    convertpage(name, cpwin1250, cpplain);
    return name;
}

// ---- Reading ahead ----
// The records are read in batches. While the run converts the records of
// one batch, a thread of its own transforms the coordinates of the next:
// PROJ's work is a good part of a record's, and the two go on side by side.
// Only that thread uses the PROJ systems while it runs; everything else a
// record does (its reports, the pane, the window's messages) happens in the
// run's own thread when the record is handed out, in the order of the file.
constexpr std::uint32_t uambatchmax = 1024;  // records of a batch

struct uambatch {
    unsigned char raw[uambatchmax][uamreclen];  // the records as read
    std::int32_t x[uambatchmax];                // longitude once transformed, else the easting
    std::int32_t y[uambatchmax];                // latitude once transformed, else the northing
    bool placed[uambatchmax];                   // the transformation of the record succeeded
    std::uint32_t count;                        // records read into raw
    std::uint32_t next;                         // the next record to hand out
    bool failed;                                // the file could not be read after the last record
};

static uambatch uambatches[2];  // the batch handed out and the one being transformed
static int uamcur = 0;          // the batch handed out
static bool uamahead = false;   // the other batch is read and its transformation running (or done)
static bool uamended = false;   // the file gave its last record: nothing more to read
// The thread transforming the other batch; never destroyed, so that a
// program ending in the middle of a run is not stopped by a running one.
static std::thread &uamworker = *new std::thread;

static void uamtransform(uambatch *b) {
    for (std::uint32_t i = 0; i < b->count; ++i) {
        b->x[i] = getle32(b->raw[i] + uameast);
        b->y[i] = getle32(b->raw[i] + uamnorth);
        b->placed[i] = projcalc(b->x[i], b->y[i]);
    }
}

// Reads the next batch into the other slot and starts its transformation.
static void uamreadahead() {
    uambatch &b = uambatches[1 - uamcur];
    b.count = b.next = 0;
    b.failed = false;
    while (!uamended && b.count < uambatchmax) {
        if (readblockahead(b.raw[b.count], uamreclen) < uamreclen) {
            // A short last piece is no record.
            uamended = true;
            b.failed = inputfailed();
        } else {
            ++b.count;
        }
    }
    uamahead = true;
    try {
        uamworker = std::thread(uamtransform, &b);
    } catch (const std::system_error &) {
        uamtransform(&b);  // no thread to be had: transformed here
    }
}

static void uamjoin() {
    if (uamworker.joinable()) uamworker.join();
}

static void uamaheadreset() {
    uamjoin();
    uamcur = 0;
    uamahead = uamended = false;
    for (uambatch &b : uambatches) b.count = b.next = 0, b.failed = false;
}

bool uamrecord() {
    if (uambatches[uamcur].next == uambatches[uamcur].count) {
        if (uambatches[uamcur].failed) {
            // Everything read before the error is converted: now it is told.
            uambatches[uamcur].failed = false;
            showreadfailure();
            return false;
        }
        if (!uamahead) {
            if (uamended) return false;
            uamreadahead();
        }
        uamjoin();
        uamcur = 1 - uamcur;
        uamahead = false;
        if (!uamended) uamreadahead();
        if (uambatches[uamcur].count == 0) return uamrecord();
    }
    uambatch &b = uambatches[uamcur];
    std::uint32_t i = b.next++;
    idlepumpn(uamreclen);
    uamtake(b.raw[i]);
    curuam.placed = b.placed[i];
    if (curuam.placed) {
        curuam.x = b.x[i];
        curuam.y = b.y[i];
    } else if (projheld()) {
        report("Transformacja współrzędnych nie powiodła się"_pl);
    }
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
    uamaheadreset();
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

void uamdone() {
    uamaheadreset();
    projdone();
}

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
