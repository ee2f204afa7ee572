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

void lsreset() {
    recreset(out);
    needbreak = false;
    counted = 0;
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
    int st = fsopenappend(outputfile, f, made, last);
    if (st == fsoutbusy) {
        showerror("Plik wynikowy jest używany przez inny proces: "_pl + outputfile);
        return false;
    }
    if (st == fsoutnotfile) {
        showerror("Plik wynikowy nie jest zwykłym plikiem: "_pl + outputfile);
        return false;
    }
    if (st != fsoutok) {
        if (fileexists(outputfile)) showerror("Nie można otworzyć do dopisywania pliku wynikowego "_pl + outputfile);
        else showerror("Nie można utworzyć pliku wynikowego "_pl + outputfile);
        return false;
    }
    // The existing file's last byte tells whether its last line is ended.
    needbreak = last >= 0 && last != '\n' && last != '\r';
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
    char line[lsnamemax + 80];
    std::uint32_t n = 0;
    std::size_t namelen = curpoi.name.size() < lsnamemax ? curpoi.name.size() : lsnamemax;
    line[n++] = '"';
    // Always lsnamemax bytes (the text's buffer is longer), which the
    // compiler copies in a few moves; the bytes past the name are written
    // over or never written out.
    static_assert(sizeof curpoi.name.buf >= lsnamemax);
    std::memcpy(line + n, curpoi.name.data(), lsnamemax);
    n += std::uint32_t(namelen);
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
