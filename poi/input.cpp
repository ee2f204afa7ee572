// The buffered input reader. A read error of the system is not taken for the
// end of the file: it is reported, so a run never ends quietly with half of
// a file converted.

#include "poi/input.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/app.h"
#include "sys/paths.h"
#include "text/bytes.h"
#include "text/strutil.h"
#include "ui/tk.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

// ---- Reader state ----
static std::FILE *infile = nullptr;      // the open input file, null when none
static shortstr inpath;                  // its path, for the read error message
static std::uint8_t buffer[inputchunk];  // the last chunk read
static std::uint16_t bufpos = 0;         // bytes of the buffer already delivered
static std::uint16_t bufcount = 0;       // valid bytes in the buffer
static bool waiting = false;             // a byte waits for the next readchar
static std::uint8_t waitbyte = 0;        // the waiting byte
static bool readfailed = false;          // the system reported a read error
static bool textin = false;              // the file is text whose encoding is told from its bytes
static bool atstart = false;             // no chunk of the file read yet (a byte order mark may come)
static int utfstate = utf8open;          // what the text's bytes told so far (utf8verdict)
static std::uint8_t carry[4];            // a UTF-8 sequence cut off by the end of the last chunk
static std::uint8_t carryn = 0;          // its bytes

std::uint8_t curchar = 0;
bool inputok = false;
std::int32_t linecount = 0;
shortstr linebuf;

bool openinput(const shortstr &path) {
    closeinput();
    infile = fsopen(path, "rb");
#ifndef _WIN32
    // A folder opens on Linux but cannot be read: it is no file to read.
    struct stat st;
    if (infile && fstat(fileno(infile), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(infile);
        infile = nullptr;
        errno = EISDIR;
    }
#endif
    bufpos = bufcount = 0;
    waiting = false;
    readfailed = false;
    textin = false;
    atstart = true;
    utfstate = utf8open;
    carryn = 0;
    linecount = 0;  // the line numbers of reports are those of this file
    inpath = path;
    return infile != nullptr;
}

void closeinput() {
    if (infile) std::fclose(infile);
    infile = nullptr;
    bufpos = bufcount = 0;
    waiting = false;
    textin = false;
    carryn = 0;
}

void inputreset() {
    closeinput();
    readfailed = false;
    inpath = shortstr();
    curchar = 0;
    inputok = false;
    linecount = 0;
    linebuf = shortstr();
}

bool inputfailed() { return readfailed; }

void inputtext() { textin = true; }

bool inpututf8() { return textin && utfstate == utf8yes; }

// A text chunk of n bytes in the buffer as the readers get it: a byte order
// mark at the file's start dropped, a UTF-8 text folded into code page 1250,
// a sequence cut off by the chunk's end kept for the next one (at the end of
// the file, last, it is given as it is). The new number of bytes.
static std::size_t textchunk(std::size_t n, bool last) {
    if (atstart) {
        atstart = false;
        if (n >= 3 && buffer[0] == 0xEF && buffer[1] == 0xBB && buffer[2] == 0xBF) {
            std::memmove(buffer, buffer + 3, n - 3);
            n -= 3;
            utfstate = utf8yes;
        }
    }
    if (utfstate == utf8no) return n;
    std::size_t keep = last ? 0 : utf8cutoff(buffer, n);
    if (utfstate == utf8open) utfstate = utf8verdict(buffer, n - keep);
    if (utfstate == utf8no) return n;  // code page 1250 from here on, the cut-off bytes too
    std::memcpy(carry, buffer + n - keep, keep);
    carryn = std::uint8_t(keep);
    n -= keep;
    if (utfstate == utf8open) return n;  // plain ASCII so far
    std::size_t used, made = utf8fold(buffer, n, used);
    // A sequence left unfinished by the end of the file stays as its bytes.
    std::memmove(buffer + made, buffer + used, n - used);
    return made + (n - used);
}

void showreadfailure() { showerror("Nie można odczytać pliku "_pl + inpath); }

// Refills the buffer; false when nothing more can be had. A read error is
// shown at once unless the reader shows it later (tell false).
static bool refill(bool tell = true) {
    bufpos = bufcount = 0;
    if (!infile || readfailed) return false;
    std::size_t have = carryn;
    std::memcpy(buffer, carry, have);
    carryn = 0;
    for (;;) {
        std::size_t n = std::fread(buffer + have, 1, inputchunk - have, infile);
        if (n == 0 && std::ferror(infile)) {
            readfailed = true;
            if (tell) showreadfailure();
            return false;
        }
        n += have;
        if (textin && n > 0) {
            std::size_t got = n - have;
            n = textchunk(n, got == 0 || std::feof(infile));
            // Only a cut-off sequence and nothing else: it waits for more.
            if (n == 0 && carryn > 0) {
                have = carryn;
                std::memcpy(buffer, carry, have);
                carryn = 0;
                continue;
            }
        }
        bufcount = std::uint16_t(n);
        return n > 0;
    }
}

bool readbyte(std::uint8_t &b) {
    if (bufpos >= bufcount && !refill()) return false;
    b = buffer[bufpos++];
    return true;
}

static std::uint32_t readblockas(void *dest, std::uint32_t n, bool tell) {
    auto *d = static_cast<std::uint8_t *>(dest);
    std::uint32_t got = 0;
    while (got < n) {
        if (bufpos >= bufcount && !refill(tell)) break;
        // Whole runs of the buffer at a time; the result is the same as
        // byte by byte.
        std::uint32_t take = std::uint32_t(bufcount - bufpos);
        if (take > n - got) take = n - got;
        std::memcpy(d + got, buffer + bufpos, take);
        bufpos = std::uint16_t(bufpos + take);
        got += take;
    }
    return got;
}

std::uint32_t readblock(void *dest, std::uint32_t n) { return readblockas(dest, n, true); }
std::uint32_t readblockahead(void *dest, std::uint32_t n) { return readblockas(dest, n, false); }

void readchar() {
    idlepump();
    std::uint8_t b;
    if (waiting) {
        waiting = false;
        b = waitbyte;
    } else if (!readbyte(b)) {
        inputok = false;
        return;
    }
    inputok = true;
    if (b == 10) {
        countline();
        b = 13;
    } else if (b == 13) {
        countline();
        std::uint8_t next;
        if (readbyte(next) && next != 10) {
            waiting = true;
            waitbyte = next;
        }
    }
    curchar = b;
}

std::uint32_t readrun(const std::uint8_t *&run, const bool *stop) {
    if (waiting) return 0;
    if (bufpos >= bufcount && !refill()) return 0;
    const std::uint8_t *b = buffer + bufpos, *e = buffer + bufcount, *q = b;
    while (q < e && !stop[*q]) ++q;
    std::uint32_t n = std::uint32_t(q - b);
    if (n == 0) return 0;
    run = b;
    bufpos = std::uint16_t(bufpos + n);
    curchar = q[-1];
    inputok = true;
    idlepumpn(n);
    return n;
}

bool peekline(const std::uint8_t *&line, std::uint32_t &n) {
    if (waiting) return false;
    if (bufpos >= bufcount && !refill()) return false;
    const std::uint8_t *b = buffer + bufpos;
    std::uint32_t avail = std::uint32_t(bufcount - bufpos);
    // Only the first peekmax bytes can hold the line end of such a line: the
    // search never runs through the rest of the buffer.
    std::uint32_t span = avail < peekmax ? avail : peekmax;
    std::uint32_t len = findeither(b, span, 13, 10), used = len + 1;
    if (len == span) return false;
    if (b[len] == 13) {
        // CR LF is one line end; a CR that ends the buffer leaves open
        // whether an LF follows, and readchar must find out.
        if (used == avail) return false;
        if (b[used] == 10) ++used;
    }
    countline();
    bufpos = std::uint16_t(bufpos + used);
    curchar = 13;
    inputok = true;
    idlepumpn(len + 1);
    line = b;
    n = len;
    return true;
}

void unreadchar() {
    waiting = true;
    waitbyte = curchar;
}

// Bytes that end a run of line characters.
static const struct linestops {
    bool stop[256] = {};
    constexpr linestops() { stop[10] = stop[13] = true; }
} linestop;

// Appends one character to linebuf: a line of exactly 250 bytes is first
// compacted (leading blanks and tabs removed, runs of blanks made one), and
// nothing is kept beyond 255 bytes.
static void lineadd(std::uint8_t c) {
    if (linebuf.len == 250) linebuf = collapseblanks(trimleft(linebuf));
    if (linebuf.len < shortstr::maxlen) linebuf += char(c);
}

void readline() {
    const std::uint8_t *run;
    std::uint32_t n;
    if (peekline(run, n)) {
        // Shorter than the compaction length: the line is kept as it is.
        linebuf.assign(reinterpret_cast<const char *>(run), n);
        return;
    }
    linebuf.len = 0;
    linebuf.buf[0] = 0;
    for (;;) {
        // Runs of line characters are taken whole; appending them in pieces
        // up to the 250th byte gives the same text as one at a time.
        n = readrun(run, linestop.stop);
        if (n > 0) {
            while (n > 0 && linebuf.len < 250) {
                std::uint32_t take = 250u - linebuf.len;
                if (take > n) take = n;
                linebuf.append(reinterpret_cast<const char *>(run), take);
                run += take;
                n -= take;
            }
            for (; n > 0 && linebuf.len < shortstr::maxlen; --n) lineadd(*run++);
            continue;
        }
        readchar();
        if (!inputok || curchar == 13) return;
        lineadd(curchar);
    }
}

std::int64_t inputoffset() {
    if (!infile) return 0;
    long long pos = ftello(infile);
    if (pos < 0) return -1;
    return std::int64_t(pos) - bufcount + bufpos;
}

bool inputseek(std::int64_t offset) {
    if (!infile || offset < 0) return false;
    waiting = false;
    long long filepos = ftello(infile);
    long long start = filepos - bufcount;
    if (filepos >= 0 && offset >= start && offset <= filepos) {
        bufpos = std::uint16_t(offset - start);
        return true;
    }
    bufpos = bufcount = 0;
    return fseeko(infile, off_t(offset), SEEK_SET) == 0;
}
