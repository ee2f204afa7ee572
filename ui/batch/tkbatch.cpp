// The batch toolkit. Nothing here waits for a person: choosefile takes the
// paths queued by the command line (cancelled when none is left), askyesno
// answers from the answers registered by question id (No when none covers the question),
// readstr is cancelled, and menuwait ends the program, as there is no menu.
// Ctrl+C (and SIGTERM, SIGHUP) is taken at the next pumpmessage as a
// confirmed close, so a run stops at its next record and still finishes in
// order.

#include "ui/batch/tkbatch.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "ui/tk.h"
#include "ui/tkterm.h"

namespace {
namespace bt {

struct answer {
    std::int32_t id;  // the question it answers (askyesno's id)
    bool yes;         // the answer given to it
};

// ---- Batch state ----
std::deque<shortstr> files;             // paths for the coming choosefile calls, in order
std::vector<answer> answers;            // answers registered by the command line
std::string part;                       // pane text not yet ended by a line break
int outfd = 1;                          // pane lines (standard output)
int errfd = 2;                          // messages and status items (standard error)
bool outfailed = false;                 // standard output refused a line; no more are tried
std::string outbuf;                     // pane lines not yet written (see outline)
double lastout = -1;                    // monotonic time outbuf was last written; -1 = never
volatile std::sig_atomic_t sigint = 0;  // Ctrl+C arrived, not yet taken by pumpmessage
bool interrupted = false;               // Ctrl+C arrived during this run
double laststatus = -1;                 // monotonic time of the last status shown; -1 = none

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

void onsigint(int) { sigint = 1; }

// Whether a descriptor is a terminal, asked once per descriptor: a search
// over many parts gives a status item for every number it tries, and a check
// a pane line for every warning.
struct ttyanswer {
    int fd = -1;       // the descriptor asked about; -1 before the first question
    bool tty = false;  // its answer
};
ttyanswer outanswer, erranswer;  // of standard output and of standard error

bool istty(ttyanswer &a, int fd) {
    if (a.fd != fd) {
        a.fd = fd;
#ifdef _WIN32
        a.tty = _isatty(fd);
#else
        a.tty = isatty(fd);
#endif
    }
    return a.tty;
}

bool outtty() { return istty(outanswer, outfd); }
bool errtty() { return istty(erranswer, errfd); }

// Writes the pane lines held back.
void outwrite() {
    if (outbuf.empty()) return;
    if (!outfailed && !writeall(outfd, outbuf)) outfailed = true;
    outbuf.clear();
    lastout = now();
}

// A terminal gets every line at once. A file or a pipe gets them in blocks
// (a check with a hundred thousand warnings would otherwise spend more time
// in writes than in checking), at the latest a second after the last block,
// and always before anything goes to standard error, so that both streams
// sent to one file keep their order.
void outline(const std::string &line) {
    if (outfailed) return;
    outbuf += termtext(line);
    outbuf += '\n';
    if (outtty() || outbuf.size() >= 65536 || now() - lastout >= 1.0) outwrite();
}

void errline(const shortstr &t) {
    outwrite();
    writeall(errfd, termtext(t.view()) + "\n");
}

bool init() {
#ifndef _WIN32
    // A closed pipe on standard output must show as a failed write, not end
    // the program before its settings are saved.
    std::signal(SIGPIPE, SIG_IGN);
    // Over a file size limit a write fails (EFBIG) and the writer cuts the
    // file back to its last whole record, rather than the program dying in
    // the middle of a line.
    std::signal(SIGXFSZ, SIG_IGN);
    // Ctrl+C, and the end of a session or a kill: a confirmed close, so the
    // run stops at a whole record and the ids are kept.
    struct sigaction sa {};
    sa.sa_handler = onsigint;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND;  // a second one ends a program that stopped pumping
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
#else
    std::signal(SIGINT, onsigint);
#endif
    static bool flushatexit = false;  // an unfinished last line is printed when the program ends
    if (!flushatexit) std::atexit(batchflush);
    flushatexit = true;
    return true;
}

void addtext(const shortstr &t) {
    panefeed(part, t);
    std::string line;
    while (takeline(part, line)) outline(line);
}

void clearpane() { batchflush(); }
void listreset() {}
void listadd(const shortstr &) {}
void listselect(std::int32_t) {}

void menustatus(const shortstr &t) {
    if (!errtty()) return;
    double t0 = now();
    if (laststatus >= 0 && t0 - laststatus < 1.0) return;
    laststatus = t0;
    errline(t);
}

void menuwait() { quitflag = true; }

void showinfo(const shortstr &t, const shortstr &caption) {
    batchflush();
    errline(caption + ": " + t);
}

bool askyesno(const shortstr &t, const shortstr &caption, std::int32_t id) {
    batchflush();
    // The last answer registered for the id counts.
    bool yes = false;
    if (id != 0)
        for (const answer &a : answers)
            if (a.id == id) yes = a.yes;
    errline(caption + ": " + t + " " + (yes ? "tak" : "nie"));
    return yes;
}

bool readstrdlg() { return false; }

void choosefile(std::uint32_t, std::uint8_t) {
    if (files.empty()) {
        opstatus = 1;
        dlgtext = shortstr();
        return;
    }
    dlgtext = files.front();
    files.pop_front();
    opstatus = 0;
}

void playsound(const shortstr &, bool) {}
void playsoundsync(const shortstr &) {}
void shellopen(const shortstr &) {}

void pumpmessage() {
    // Lines held back while a run reads on without a new one.
    if (!outbuf.empty() && now() - lastout >= 1.0) outwrite();
    if (sigint) {
        sigint = 0;
        interrupted = true;
        quitflag = true;
    }
}

}  // namespace bt
}  // namespace

using namespace bt;

const tkdriver batchdrv = {
    .name = "batch",
    .init = bt::init,
    .addtext = bt::addtext,
    .clearpane = bt::clearpane,
    .listreset = bt::listreset,
    .listadd = bt::listadd,
    .listselect = bt::listselect,
    .menustatus = bt::menustatus,
    .menuwait = bt::menuwait,
    .showinfo = bt::showinfo,
    .askyesno = bt::askyesno,
    .readstrdlg = bt::readstrdlg,
    .choosefile = bt::choosefile,
    .playsound = bt::playsound,
    .playsoundsync = bt::playsoundsync,
    .shellopen = bt::shellopen,
    .pumpmessage = bt::pumpmessage,
    .clipdrop = nullptr,  // no clipboard on the command line
};

void batchaddfile(const shortstr &path) { files.push_back(path); }
void batchanswer(std::int32_t id, bool yes) { answers.push_back({id, yes}); }

void batchreset() {
    outwrite();
    files.clear();
    answers.clear();
    part.clear();
    outfailed = false;
    sigint = 0;
    interrupted = false;
    laststatus = -1;
}

void batchflush() {
    if (!part.empty()) {
        std::string line;
        line.swap(part);
        outline(line);
    }
    outwrite();
}

bool batchwritefailed() {
    outwrite();
    return outfailed;
}
bool batchinterrupted() { return interrupted; }

void batchio(int out, int err) {
    outwrite();
    outfd = out;
    errfd = err;
}
