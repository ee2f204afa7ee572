// GPX writer, through the whole-record writer: a point is one record (one
// wpt line). Appending to an existing file takes off its closing "</gpx>"
// (and the blanks and line ends after it: the only bytes of the file ever
// rewritten), writes the new points after what stands before it and puts
// the closing tag back at the end of the run, also when a write failed:
// then after the last whole point that reached the file. A file that does
// not end as a GPX file ends ("</gpx>", or "</wpt>" of a run cut off by a
// crash) is refused and left as it is. GPX has no point ids: nextpointid is
// left for the Loadstone files.

#include "poi/gpxout.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "core/app.h"
#include "core/recout.h"
#include "poi/formats.h"
#include "sys/paths.h"
#include "text/strutil.h"

static const char gpxhead[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<gpx version=\"1.1\" creator=\"Trelik\" xmlns=\"http://www.topografix.com/GPX/1/1\">\r\n";
static const char gpxfoot[] = "</gpx>\r\n";
constexpr std::uint32_t footlen = sizeof gpxfoot - 1;

// ---- Writer state ----
static recout out;                 // the output file of the run; out.f null between runs
static std::int32_t counted = 0;   // out.records already in writtencount
static std::int64_t runstart = 0;  // the file's length before this run's first byte

void gpxreset() {
    recreset(out);
    counted = 0;
    runstart = 0;
}

bool gpxfailed() { return out.failed; }

static void sync() {
    writtencount += out.records - counted;
    counted = out.records;
}

// Where the file's closing tag starts, -1 when it ends otherwise; a file
// that ends with a whole wpt (a run cut off) ends at its length.
static std::int64_t closingat(std::FILE *f) {
    std::int64_t len = fslength(f);
    if (len <= 0) return -1;
    char tail[256];
    std::int64_t from = len > std::int64_t(sizeof tail) ? len - std::int64_t(sizeof tail) : 0;
    std::int64_t got = fsreadat(f, from, tail, std::uint32_t(len - from));
    if (got != len - from) return -1;
    std::int64_t n = got;
    while (n > 0 && (tail[n - 1] == ' ' || tail[n - 1] == '\t' || tail[n - 1] == '\r' || tail[n - 1] == '\n')) --n;
    if (n >= 6 && std::memcmp(tail + n - 6, "</gpx>", 6) == 0) return from + n - 6;
    if (n >= 6 && std::memcmp(tail + n - 6, "</wpt>", 6) == 0) return len;
    return -1;
}

bool gpxopen() {
    counted = 0;
    if (out.f) recclose(out);
    out.failed = false;
    std::FILE *f;
    bool made;
    int last;
    if (!openappendout(f, made, last)) return false;
    runstart = 0;
    if (!made) {
        std::int64_t at = closingat(f);
        if (at < 0) {
            std::fclose(f);
            showerror("Plik wynikowy nie jest plikiem GPX: "_pl + outputfile);
            return false;
        }
        if (fstruncate(f, at) != 0) {
            std::fclose(f);
            showerror("Nie można otworzyć do dopisywania pliku wynikowego "_pl + outputfile);
            return false;
        }
        runstart = at;
    }
    recstart(out, f, outputfile, "Nie można zapisać pliku wynikowego "_pl, made);
    if (made) reclead(out, gpxhead, std::uint32_t(sizeof gpxhead - 1));
    return true;
}

// Degrees of a coordinate in 0.0000001-degree units, "-52.1234567"; the
// bytes written.
static std::uint32_t putdeg(char *p, std::int32_t units) {
    std::uint32_t n = 0;
    std::int64_t v = units;
    if (v < 0) {
        p[n++] = '-';
        v = -v;
    }
    n += putdec(p + n, std::int32_t(v / 10000000));
    p[n++] = '.';
    std::int64_t frac = v % 10000000;
    for (std::int64_t d = 1000000; d > 0; d /= 10) p[n++] = char('0' + frac / d % 10);
    return n;
}

void gpxwrite() {
    if (curpoi.name.empty()) {
        ++skippedcount;
        return;
    }
    if (!out.f || out.failed) return;
    // The name in UTF-8 with the five characters XML reserves escaped: at
    // most six bytes a character.
    char line[shortstr::maxlen * 6 + 96];
    std::uint32_t n = 0;
    auto put = [&](const char *s) {
        std::size_t k = std::strlen(s);
        std::memcpy(line + n, s, k);
        n += std::uint32_t(k);
    };
    put("  <wpt lat=\"");
    n += putdeg(line + n, curpoi.lat);
    put("\" lon=\"");
    n += putdeg(line + n, curpoi.lon);
    put("\"><name>");
    for (char c : curpoi.name.view()) {
        switch (c) {
        case '&': put("&amp;"); break;
        case '<': put("&lt;"); break;
        case '>': put("&gt;"); break;
        case '"': put("&quot;"); break;
        case '\'': put("&apos;"); break;
        default:
            // A control byte has no place in XML 1.0.
            if ((unsigned char)c < 0x20) line[n++] = ' ';
            else n += std::uint32_t(cp1250toutf8(c, line + n));
        }
    }
    put("</name></wpt>\r\n");
    recwrite(out, line, n);
    sync();
}

// After a failure the file ends after its last whole point: the closing tag
// is put back there, and when even that cannot be written the file goes
// back to what it was before the run (the closing tag fitted there).
static void closeagain() {
    if (!out.f || out.drop) return;
    std::int64_t len = fslength(out.f);
    if (len <= 0) return;
    if (std::fwrite(gpxfoot, 1, footlen, out.f) == footlen && std::fflush(out.f) == 0) return;
    fstruncate(out.f, runstart);
    out.records = 0;
    if (runstart == 0) {
        out.drop = true;  // this run made it: removed at closing, made again next time
        return;
    }
    std::fwrite(gpxfoot, 1, footlen, out.f);
    std::fflush(out.f);
}

bool gpxclose() {
    if (!out.f) return true;
    if (!out.failed) recput(out, gpxfoot, footlen);
    bool ok = recflush(out);
    if (out.failed) closeagain();
    ok = recclose(out) && ok;
    sync();
    return ok;
}
