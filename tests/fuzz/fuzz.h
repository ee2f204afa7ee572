// Shared by the fuzz targets. Each target process starts the program once,
// as the command line does (batch toolkit, settings, tables), with its
// program folder in a private temporary folder and the pane going to a sink:
// a buffer in memory that the target reads back. Every input is written to a real file there
// and read through the program's own input reader, as a run reads a user's
// file; the checks after a run hold for any input, and a broken one aborts,
// which the fuzzer reports as a crash with its input.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/shell.h"
#include "core/app.h"
#include "core/runfb.h"
#include "poi/input.h"
#include "poi/lsout.h"
#include "text/cp1250.h"
#include "text/shortstr.h"
#include "ui/batch/tkbatch.h"
#include "ui/tk.h"
#include "ui/tkdrv.h"

namespace fz {

inline std::string dir;      // the program folder of this process, with its "/"
inline std::string panebuf;  // the pane since the run began, code page 1250
inline tkdriver sinkdrv;     // the batch toolkit with its pane replaced by panebuf
inline int nullfd = -1;      // message boxes go nowhere

inline void sinkadd(const shortstr &t) { panebuf.append(t.data(), t.size()); }
inline void sinkclear() { panebuf.clear(); }

// A broken rule: said on standard error, then abort so the fuzzer keeps the input.
[[noreturn]] inline void fail(const char *what, std::string_view detail = {}) {
    std::fprintf(stderr, "fuzz check failed: %s %.*s\n", what, int(detail.size()), detail.data());
    std::abort();
}
inline void check(bool ok, const char *what, std::string_view detail = {}) {
    if (!ok) fail(what, detail);
}

inline void removedir() {
    std::error_code ec;
    if (!dir.empty()) std::filesystem::remove_all(dir, ec);
}

// Once per process: the private program folder (in memory when /dev/shm is
// there, so that the file operations stay cheap), the batch toolkit with the
// pane in a memory file, and the program's start.
inline void start() {
    std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : (getenv("TMPDIR") ? getenv("TMPDIR") : "/tmp");
    std::string tmpl = base + "/trelik-fuzz-XXXXXX";
    if (!mkdtemp(tmpl.data())) fail("mkdtemp", tmpl);
    dir = tmpl + "/";
    std::atexit(removedir);
    setenv("TRELIK_HOME", dir.c_str(), 1);
    nullfd = open("/dev/null", O_WRONLY);
    if (nullfd < 0) fail("/dev/null");
    sinkdrv = batchdrv;
    sinkdrv.addtext = sinkadd;
    sinkdrv.clearpane = sinkclear;
    tkuse(&sinkdrv);
    batchreset();
    batchio(nullfd, nullfd);
    if (!appstart()) fail("appstart");
}

inline shortstr path(const char *name) { return shortstr((dir + name).c_str()); }

// Writes bytes to a file of the program folder, with plain system calls:
// this runs for every input.
inline void put(const std::string &name, const void *data, std::size_t size) {
    int fd = open((dir + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) fail("create", name);
    for (std::size_t done = 0; done < size;) {
        ssize_t n = write(fd, (const char *)data + done, size - done);
        if (n <= 0) fail("write", name);
        done += std::size_t(n);
    }
    close(fd);
}

// A category table in the program folder, for the AutoMapa targets.
inline void putkateg() {
    static const char table[] = "Apteki,1\r\nBankomaty,2\r\nStacje paliw,7\r\nParkingi,12\r\nInne,99\r\n";
    put("uamkateg.csv", table, sizeof table - 1);
}

inline std::string get(const std::string &name) {
    std::string s;
    int fd = open((dir + name).c_str(), O_RDONLY);
    if (fd < 0) return s;
    char b[65536];
    ssize_t n;
    while ((n = read(fd, b, sizeof b)) > 0) s.append(b, std::size_t(n));
    close(fd);
    return s;
}

// Before each run: the state a fresh run of the command line starts from, an
// empty pane, no output file yet.
inline void begin() {
    batchreset();
    panebuf.clear();
    errorflag = 0;
    quitflag = false;
    userid = 7;
    nextpointid = 1;
    outputfile = path("wynik.txt");
    std::remove((dir + "wynik.txt").c_str());
}

// The pane so far, UTF-8, one line per "\n".
inline std::string pane() { return utf8fromcp1250(panebuf); }

// A check whose failure shows the pane.
inline void checkp(bool ok, const char *what) {
    if (!ok) fail(what, pane());
}

// The number after label (UTF-8) at the start of a pane line; -1 when no
// line has it.
inline long long panenum(const std::string &label) {
    std::string l = cp1250fromutf8(label);
    for (std::size_t i = panebuf.find(l); i != std::string::npos; i = panebuf.find(l, i + 1))
        if (i == 0 || panebuf[i - 1] == '\n') return std::strtoll(panebuf.c_str() + i + l.size(), nullptr, 10);
    return -1;
}

// Whether an input gets the costlier second look of its target (a second
// run and the comparison of the two): one input in four, chosen by its
// bytes, so that an input kept by the fuzzer gets the same look each time.
inline bool secondlook(const std::uint8_t *data, std::size_t size) {
    std::uint32_t h = 2166136261u;
    for (std::size_t i = 0; i < size; i++) h = (h ^ data[i]) * 16777619u;
    return h % 4 == 0;
}

inline bool digits(std::string_view s, bool sign) {
    if (sign && !s.empty() && s[0] == '-') s.remove_prefix(1);
    if (s.empty() || s.size() > 11) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// The Loadstone output after a run: the two header lines, then exactly
// writtencount point lines, each whole (CR LF at its end, the quoted name
// without quotes or line breaks, the numbers, the user id) with ids
// following each other from the first; nextpointid is the id after the last.
inline void checkoutput(std::int32_t firstid) {
    std::string s = get("wynik.txt");
    if (s.empty()) {
        check(writtencount == 0, "no output file but points counted");
        check(nextpointid == firstid, "no output file but the id moved");
        return;
    }
    check(s.rfind(lsheader, 0) == 0, "output header");
    std::size_t at = std::strlen(lsheader);
    std::int64_t n = 0;
    while (at < s.size()) {
        std::size_t end = s.find("\r\n", at);
        check(end != std::string::npos, "half line at the end of the output");
        std::string_view line(s.data() + at, end - at);
        at = end + 2;
        check(line.size() >= 2 && line[0] == '"', "point line start", line);
        std::size_t q = line.find('"', 1);
        check(q != std::string_view::npos && q - 1 <= lsnamemax, "point name", line);
        std::string_view name = line.substr(1, q - 1), rest = line.substr(q + 1);
        check(name.find_first_of("\r\n") == std::string_view::npos, "line break in a name");
        const char *want[] = {"lat", "lon", "0", "0", "0", "user", "id"};
        for (const char *w : want) {
            check(!rest.empty() && rest[0] == ',', "field separator", line);
            rest.remove_prefix(1);
            std::size_t c = rest.find(',');
            std::string_view f = rest.substr(0, c);
            rest = c == std::string_view::npos ? std::string_view() : rest.substr(c);
            if (std::strcmp(w, "0") == 0) check(f == "0", "constant field", line);
            else check(digits(f, true), "number field", line);
            if (std::strcmp(w, "user") == 0) check(f == std::to_string(userid), "user id", line);
            if (std::strcmp(w, "id") == 0) check(f == std::to_string(firstid + n), "point id sequence", line);
        }
        check(rest.empty(), "extra fields", line);
        ++n;
    }
    check(n == writtencount, "written count", std::to_string(n) + " lines, " + std::to_string(writtencount));
    check(nextpointid == firstid + n, "next point id");
}

}  // namespace fz
