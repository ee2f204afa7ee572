// The Loadstone writer. Lines are gathered in a buffer and written in large
// pieces; a line counts as written (writtencount, nextpointid) only once it is
// complete in the file. When the system refuses a write, a half line that
// reached the file is cut away again, so the file always ends with a whole
// line, and the ids of the lost lines are given out again by the next run.
// The two header lines of a new file stay only together; a file this run
// made that is left empty is removed, so that the next run makes it again
// with its header. A file deleted while it is written loses every line of
// the run.

#include "poi/lsout.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "app/paths.h"
#include "text/strutil.h"

const char lsheader[] = "table,point\r\nname,latitude,longitude,accuracy,satellites,priority,userid,id\r\n";

// ---- Writer state ----
poirec curpoi;                     // the current point
std::int32_t writtencount = 0;     // lines complete in the file, this run
std::int32_t skippedcount = 0;     // points with an empty name, this run

static std::FILE *outf = nullptr;          // the open output file, null between runs
static bool outfailed = false;             // a write failed in this run: nothing more is written
static bool needbreak = false;             // the existing file's last line has no line end yet
static std::int64_t filebase = 0;          // length of the file before the buffered bytes
static bool created = false;               // this run made the file
static bool dropfile = false;              // the file this run made holds nothing: removed at closing
static std::int32_t runlines = 0;          // point lines counted since openoutput
constexpr std::uint32_t outbufsize = 65536;
static char outbuf[outbufsize];            // bytes not yet handed to the file
static std::uint32_t outlen = 0;           // bytes in outbuf
constexpr std::uint32_t maxpending = 4096;
static std::uint32_t pointends[maxpending];  // offset in outbuf after each buffered point line
static std::uint32_t pending = 0;            // point lines in outbuf
static std::uint32_t headend = 0;            // offset in outbuf after the header, 0 when not in it

bool outputopen() { return outf != nullptr; }
bool outputfailed() { return outfailed; }

void clearpoi() {
    curpoi.name = shortstr();
    curpoi.lat = 0;
    curpoi.lon = 0;
}

// Hands the buffer to the file. On failure: the file is cut back to its last
// complete line, the lines that did not reach it are taken off the counts
// and ids, and the run ends with a message.
static bool flushout() {
    if (outfailed) return false;
    errno = 0;
    std::size_t done = outlen > 0 ? std::fwrite(outbuf, 1, outlen, outf) : 0;
    bool ok = done == outlen && std::fflush(outf) == 0;
    int err = errno;
    if (ok && fsunlinked(outf)) {
        // Written into a file nobody can reach any more.
        outfailed = true;
        writtencount -= runlines;
        nextpointid -= runlines;
        runlines = 0;
        outlen = pending = headend = 0;
        showerror("Nie można zapisać pliku wynikowego "_pl + outputfile +
                  " (plik został usunięty w trakcie zapisu)"_pl);
        return false;
    }
    if (ok) {
        filebase += outlen;
        outlen = 0;
        pending = 0;
        headend = 0;
        return true;
    }
    outfailed = true;
    // What reached the file: the system tells better than fwrite's count.
    std::int64_t have = fslength(outf);
    std::int64_t reached = have >= filebase ? have - filebase : std::int64_t(done);
    if (reached > std::int64_t(outlen)) reached = outlen;
    // Keep whole lines only.
    std::int64_t keep = 0;
    for (std::int64_t i = reached; i > 0; --i) {
        if (outbuf[i - 1] == '\n') {
            keep = i;
            break;
        }
    }
    if (keep < headend) keep = 0;  // half a header is no header
    if (keep < reached) fstruncate(outf, filebase + keep);
    if (created && filebase + keep == 0) dropfile = true;
    std::uint32_t kept = 0;
    while (kept < pending && pointends[kept] <= keep) ++kept;
    std::int32_t lost = std::int32_t(pending - kept);
    writtencount -= lost;
    nextpointid -= lost;
    runlines -= lost;
    outlen = 0;
    pending = 0;
    headend = 0;
    showerror("Nie można zapisać pliku wynikowego "_pl + outputfile + writereason(err));
    return false;
}

static void put(const char *p, std::uint32_t n) {
    if (outlen + n > outbufsize) flushout();
    if (outfailed) return;
    std::memcpy(outbuf + outlen, p, n);
    outlen += n;
}

bool openoutput() {
    outfailed = false;
    needbreak = false;
    outlen = pending = headend = 0;
    filebase = 0;
    created = dropfile = false;
    runlines = 0;
    if (outf) {
        std::fclose(outf);
        outf = nullptr;
    }
    if (fileexists(outputfile)) {
        // An existing file is never rewritten, only appended to. Its last
        // byte tells whether its last line is ended.
        if (std::FILE *r = fsopen(outputfile, "rb")) {
            if (std::fseek(r, -1, SEEK_END) == 0) {
                int c = std::fgetc(r);
                needbreak = c != EOF && c != '\n' && c != '\r';
            }
            std::fclose(r);
        }
        outf = fsopen(outputfile, "ab");
        if (!outf) {
            showerror("Nie można otworzyć do dopisywania pliku wynikowego "_pl + outputfile);
            return false;
        }
    } else {
        outf = fscreatenew(outputfile);
        if (!outf) {
            showerror("Nie można utworzyć pliku wynikowego "_pl + outputfile);
            return false;
        }
        created = true;
        put(lsheader, std::uint32_t(sizeof lsheader - 1));
        headend = outlen;
    }
    // Our own buffer decides the pieces; the stream passes them on unchanged.
    std::setvbuf(outf, nullptr, _IONBF, 0);
    std::int64_t len = fslength(outf);
    filebase = len > 0 ? len : 0;
    return true;
}

// Decimal digits of n into p; the number of bytes. Two digits a step.
static std::uint32_t putnum(char *p, std::int32_t n) {
    static const char pairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    std::uint32_t u = n < 0 ? 0u - std::uint32_t(n) : std::uint32_t(n);
    std::uint32_t len = 0;
    if (n < 0) p[len++] = '-';
    std::uint32_t digits = 1;
    for (std::uint32_t v = u; v >= 10; v /= 10) ++digits;
    len += digits;
    char *q = p + len;  // filled from the last digit backwards
    while (u >= 100) {
        std::uint32_t r = u % 100;
        u /= 100;
        *--q = pairs[2 * r + 1];
        *--q = pairs[2 * r];
    }
    if (u >= 10) {
        *--q = pairs[2 * u + 1];
        *--q = pairs[2 * u];
    } else {
        *--q = char('0' + u);
    }
    return len;
}

void writepoint() {
    if (curpoi.name.empty()) {
        ++skippedcount;
        return;
    }
    if (!outf || outfailed) return;
    if (nextpointid == INT32_MAX) {
        // The next id would not fit; writing on would give two points one id.
        flushout();
        showerror("Id punktu osiągnął największą możliwą wartość. Ustaw mniejszy startowy id punktu."_pl);
        outfailed = true;
        return;
    }
    char line[lsnamemax + 80];
    std::uint32_t n = 0;
    std::size_t namelen = curpoi.name.size() < lsnamemax ? curpoi.name.size() : lsnamemax;
    line[n++] = '"';
    std::memcpy(line + n, curpoi.name.data(), namelen);
    n += std::uint32_t(namelen);
    line[n++] = '"';
    line[n++] = ',';
    n += putnum(line + n, curpoi.lat);
    line[n++] = ',';
    n += putnum(line + n, curpoi.lon);
    std::memcpy(line + n, ",0,0,0,", 7);
    n += 7;
    n += putnum(line + n, userid);
    line[n++] = ',';
    n += putnum(line + n, nextpointid);
    line[n++] = '\r';
    line[n++] = '\n';
    if (needbreak) {
        // The file's last line was left without its end; the first new line
        // must not be glued onto it.
        put("\r\n", 2);
        needbreak = false;
    }
    if (pending == maxpending) flushout();
    put(line, n);
    if (outfailed) return;
    pointends[pending++] = outlen;
    ++writtencount;
    ++nextpointid;
    ++runlines;
}

bool closeoutput() {
    if (!outf) return true;
    bool ok = flushout();
    if (std::fclose(outf) != 0 && ok) {
        ok = false;
        showerror("Nie można zapisać pliku wynikowego "_pl + outputfile + writereason(errno));
    }
    outf = nullptr;
    if (dropfile) deletefile(outputfile);
    dropfile = false;
    return ok;
}
