// The Loadstone writer, through the whole-record writer: a point line counts
// as written (writtencount, nextpointid) once it is accepted, and comes off
// both again when a failure keeps it from the file, so the ids of lost lines
// are given out again by the next run. The two header lines of a new file
// stay only together; a file this run made that is left empty is removed, so
// that the next run makes it again with its header.

#include "poi/lsout.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/app.h"
#include "core/recout.h"
#include "sys/paths.h"
#include "text/strutil.h"

const char lsheader[] = "table,point\r\nname,latitude,longitude,accuracy,satellites,priority,userid,id\r\n";

// ---- Writer state ----
static recout out;                // the output file of the run; out.f null between runs
static bool needbreak = false;    // the existing file's last line has no line end yet
static std::int32_t counted = 0;  // out.records already in writtencount and nextpointid
static bool utf8 = false;         // the existing file is UTF-8 text: the new lines are too

void lsreset() {
    recreset(out);
    needbreak = false;
    counted = 0;
    utf8 = false;
}

bool lsfailed() { return out.failed; }

// Brings writtencount and nextpointid to the writer's count of accepted
// records: one up for a line taken, down by the lines a failure lost.
static void sync() {
    std::int32_t d = out.records - counted;
    writtencount += d;
    nextpointid += d;
    counted = out.records;
}

// An existing file is UTF-8 text when it is Loadstone's own export (its
// first line "#!lsdb") or its bytes are well-formed UTF-8 with a multi-byte
// sequence; read in pieces, and only until a byte settles it otherwise.
static bool isutf8(std::FILE *f) {
    static unsigned char b[65536];
    // Only the file's length is read: a device (/dev/zero) has none and
    // would give bytes for ever.
    std::int64_t at = 0, len = fslength(f);
    bool multi = false;
    while (at < len) {
        std::int64_t got = fsreadat(f, at, b, std::uint32_t(len - at < std::int64_t(sizeof b) ? len - at : sizeof b));
        if (got <= 0) return multi;
        if (at == 0 && got >= 6 && std::memcmp(b, "#!lsdb", 6) == 0) return true;
        std::size_t n = std::size_t(got), keep = got == std::int64_t(sizeof b) ? utf8cutoff(b, n) : 0;
        int v = utf8verdict(b, n - keep);
        if (v == utf8no) return false;
        multi = multi || v == utf8yes;
        at += std::int64_t(n - keep);
        if (got < std::int64_t(sizeof b)) return multi;
    }
    return multi;
}

bool lsopen() {
    needbreak = false;
    counted = 0;
    if (out.f) recclose(out);
    out.failed = false;
    // The file is only ever appended to, also when this run makes it, and
    // stays locked until the run closes it: two runs into one file would
    // tear each other's lines and give ids twice.
    std::FILE *f;
    bool made;
    int last;
    if (!openappendout(f, made, last)) return false;
    // The existing file's last byte tells whether its last line is ended.
    needbreak = last >= 0 && last != '\n' && last != '\r';
    utf8 = !made && isutf8(f);
    recstart(out, f, outputfile, "Nie można zapisać pliku wynikowego "_pl, made);
    if (made) reclead(out, lsheader, std::uint32_t(sizeof lsheader - 1));
    return true;
}

void lswrite() {
    if (curpoi.name.empty()) {
        ++skippedcount;
        return;
    }
    if (!out.f || out.failed) return;
    if (nextpointid == INT32_MAX) {
        // The next id would not fit; writing on would give two points one id.
        recflush(out);
        sync();
        showerror("Id punktu osiągnął największą możliwą wartość. Ustaw mniejszy startowy id punktu."_pl);
        out.failed = true;
        return;
    }
    char line[lsnamemax * 3 + 80];
    std::uint32_t n = 0;
    std::size_t namelen = curpoi.name.size() < lsnamemax ? curpoi.name.size() : lsnamemax;
    line[n++] = '"';
    if (utf8) {
        // The same characters in UTF-8: cut at lsnamemax characters, so
        // never inside a letter.
        for (std::size_t i = 0; i < namelen; ++i) n += std::uint32_t(cp1250toutf8(curpoi.name[i], line + n));
    } else {
        // Always lsnamemax bytes (the text's buffer is longer), which the
        // compiler copies in a few moves; the bytes past the name are
        // written over or never written out.
        static_assert(sizeof curpoi.name.buf >= lsnamemax);
        std::memcpy(line + n, curpoi.name.data(), lsnamemax);
        n += std::uint32_t(namelen);
    }
    line[n++] = '"';
    line[n++] = ',';
    n += putdec(line + n, curpoi.lat);
    line[n++] = ',';
    n += putdec(line + n, curpoi.lon);
    std::memcpy(line + n, ",0,0,0,", 7);
    n += 7;
    n += putdec(line + n, userid);
    line[n++] = ',';
    n += putdec(line + n, nextpointid);
    line[n++] = '\r';
    line[n++] = '\n';
    if (needbreak) {
        // The file's last line was left without its end; the first new line
        // must not be glued onto it.
        reclead(out, "\r\n", 2);
        needbreak = false;
    }
    recwrite(out, line, n);
    sync();
}

bool lsclose() {
    bool ok = recclose(out);
    sync();
    return ok;
}
