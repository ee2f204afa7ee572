// The terminal toolkit. Input is read with read(2) into our own buffer, one
// line per answer, UTF-8 turned into code page 1250; output goes out with
// write(2) as UTF-8, a whole line or prompt at a time. When standard input is
// not a terminal, each line taken is echoed after its prompt, so that a piped
// session reads as a dialogue.
//
// Closing: Ctrl+C (SIGINT), and the end of input at a menu, are the close
// request. At a menu the closing question is asked at once; during a run the
// request waits for the next pumpmessage; at any other prompt Ctrl+C cancels
// that prompt and the request waits for the next menu or pumpmessage. Once
// standard input has ended (or the terminal is gone: SIGHUP, SIGTERM, output
// refused) the closing question counts as answered Yes, so the program always
// ends through its own shutdown, with the settings saved.

#include "ui/console/tkconsole.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "sys/paths.h"
#include "text/cp1250.h"
#include "text/strutil.h"
#include "ui/console/sound.h"
#include "ui/tk.h"
#include "ui/tkterm.h"

namespace {
namespace con {

enum { gotline, gotend, gotintr };  // what readline got

constexpr std::size_t inmax = 4096;  // longest input line kept; the rest of it is dropped

// ---- Terminal state ----
int infd = 0;                                      // where answers are read
int outfd = 1;                                     // where everything is printed
bool echo = true;                                  // infd is no terminal: echo each line taken
char inbuf[4096];                                  // bytes read and not yet taken
std::size_t inpos = 0, inlen = 0;                  // taken / read part of inbuf
bool inend = false;                                // read(2) reported the end of input (or an error)
bool gone = false;                                 // the terminal is gone: answer nothing more
std::string part;                                  // pane text not yet ended by a line break
bool printed = false;                              // something was printed since the last clearpane
std::vector<std::string> items;                    // captions of the list menu (code page 1250)
std::int32_t selected = 0;                         // selected item, 0 = none
std::chrono::steady_clock::time_point laststatus;  // when a status item was last printed
bool statusshown = false;                          // laststatus is set
bool closing = false;                              // the closing question is being asked
volatile std::sig_atomic_t closereq = 0;           // a close request waits to be answered
volatile std::sig_atomic_t hangup = 0;             // SIGHUP or SIGTERM arrived
int wake[2] = {-1, -1};                            // self-pipe: a signal handler wakes a waiting poll

void onsigint(int) {
    int e = errno;
    closereq = 1;
    if (wake[1] >= 0) (void)!write(wake[1], "i", 1);
    errno = e;
}

void onhangup(int) {
    int e = errno;
    hangup = 1;
    closereq = 1;
    if (wake[1] >= 0) (void)!write(wake[1], "h", 1);
    errno = e;
}

// Signals that came before a prompt do not cancel it.
void drainwake() {
    char b[64];
    while (wake[0] >= 0 && read(wake[0], b, sizeof b) > 0) {}
}

// ---- Output ----

void put(const std::string &utf8) {
    if (gone) return;
    if (!writeall(outfd, utf8)) {
        // Nobody can read the program any more: end it as a confirmed close.
        gone = true;
        closereq = 1;
    }
}

void line(const std::string &cp) {
    put(termtext(cp) + "\n");
    printed = true;
}

void prompt(const std::string &cp) {
    put(termtext(cp));
    printed = true;
}

void flushpart() {
    if (part.empty()) return;
    std::string l;
    l.swap(part);
    line(l);
}

// ---- Input ----

// One line of input, raw (UTF-8 as typed), without its line break.
int readline(std::string &l) {
    l.clear();
    for (;;) {
        if (gone || hangup) return gotend;
        while (inpos < inlen) {
            char c = inbuf[inpos++];
            if (c == '\n') {
                if (!l.empty() && l.back() == '\r') l.pop_back();
                for (char &x : l)
                    if (x == '\r') x = '?';
                return gotline;
            }
            // A control byte (a NUL would cut a path short) is taken as "?".
            if ((unsigned char)c < 0x20 && c != '\t' && c != '\r') c = '?';
            if (c == 0x7F) c = '?';
            if (l.size() < inmax) l += c;
        }
        if (inend) {
            for (char &x : l)
                if (x == '\r') x = '?';
            return l.empty() ? gotend : gotline;
        }
        pollfd p[2] = {{infd, POLLIN, 0}, {wake[0], POLLIN, 0}};
        int r = poll(p, wake[0] >= 0 ? 2 : 1, -1);
        if (r < 0) {
            if (errno == EINTR) continue;  // the handler has written to the self-pipe
            inend = true;
            continue;
        }
        if (wake[0] >= 0 && (p[1].revents & POLLIN)) {
            drainwake();
            l.clear();
            return hangup ? gotend : gotintr;
        }
        if (p[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) {
            ssize_t n = read(infd, inbuf, sizeof inbuf);
            if (n > 0) {
                inpos = 0;
                inlen = std::size_t(n);
            } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) inend = true;
        }
    }
}

// Reads one answer; echoes it (or ends the prompt's line) as needed.
int answer(std::string &l) {
    int r = readline(l);
    if (r == gotline) {
        if (echo) put(termtext(cp1250fromutf8(l)) + "\n");
    } else put("\n");
    return r;
}

std::string cpstr(const shortstr &s) { return s.str(); }

// ---- Closing ----

void closerequest() {
    closereq = 0;
    closing = true;
    closequestion();
    closing = false;
    closereq = 0;  // Ctrl+C at the closing question itself answers it No
}

// ---- Yes/No ----

enum { ansno, ansyes, ansintr };

// Asks until the answer is yes or no. The end of input answers No, except
// for the closing question, which it answers Yes; Ctrl+C cancels (ansintr).
int yesno(const std::string &q) {
    flushpart();
    drainwake();
    for (;;) {
        prompt(q + " (t/n): ");
        std::string raw;
        int r = readline(raw);
        if (r == gotend) {
            put(closing ? "tak\n" : "nie\n");
            return closing ? ansyes : ansno;
        }
        if (r == gotintr) {
            put("\n");
            return ansintr;
        }
        if (echo) put(termtext(cp1250fromutf8(raw)) + "\n");
        shortstr a = pllower(trimboth(shortstr(cp1250fromutf8(raw))));
        if (a == "t" || a == "tak" || a == "y" || a == "yes") return ansyes;
        if (a == "n" || a == "nie" || a == "no") return ansno;
        line("Wpisz t (tak) lub n (nie)");
    }
}

// ---- Paths ----

// The folder a file dialog starts in: dlgtext when it names a folder, its
// folder when it names a file (or a file still to be made), else the current one.
std::string startfolder() {
    std::string here = syscwd();
    if (dlgtext.empty()) return here;
    std::string p = sysfullpath(pathtosys(dlgtext), here);
    if (sysisdir(p)) return p;
    std::string f = sysfolderof(p);
    return sysisdir(f) ? f : here;
}

// ---- Driver entries ----

bool init() {
    static bool ready = false;
    if (!ready) {
        int p[2];
        if (pipe(p) == 0) {
            for (int fd : p) {
                fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
                fcntl(fd, F_SETFD, FD_CLOEXEC);
            }
            wake[0] = p[0];
            wake[1] = p[1];
        }
        std::atexit(flushpart);
        ready = true;
    }
    struct sigaction sa {};
    sigemptyset(&sa.sa_mask);
    sa.sa_handler = onsigint;
    sa.sa_flags = 0;  // no SA_RESTART: a waiting read or poll returns at once
    sigaction(SIGINT, &sa, nullptr);
    sa.sa_handler = onhangup;
    sa.sa_flags = SA_RESETHAND;  // a second one ends a program that stopped listening
    sigaction(SIGHUP, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);  // a closed output shows as a failed write
    std::signal(SIGXFSZ, SIG_IGN);  // over a file size limit a write fails (EFBIG), cut back to a whole record
    echo = !isatty(infd);
    return true;
}

void addtext(const shortstr &t) {
    panefeed(part, t);
    std::string l;
    while (takeline(part, l)) line(l);
}

void clearpane() {
    flushpart();
    if (!printed) return;
    put("\n");  // a new screen begins
    printed = false;
}

void listreset() {
    items.clear();
    selected = 0;
}

void listadd(const shortstr &c) { items.push_back(cpstr(c)); }
void listselect(std::int32_t n) { selected = n; }

void menustatus(const shortstr &t) {
    listreset();
    flushpart();
    auto now = std::chrono::steady_clock::now();
    if (statusshown && now - laststatus < std::chrono::seconds(1)) return;
    statusshown = true;
    laststatus = now;
    line(cpstr(t));
}

void printmenu() {
    for (std::size_t i = 0; i < items.size(); i++)
        line(std::to_string(i + 1) + ". " + items[i] + (std::int32_t(i + 1) == selected ? " (zaznaczone)" : ""));
}

void menuwait() {
    flushpart();
    drainwake();  // a request made before this menu is in closereq
    if (closereq) {
        closerequest();
        if (quitflag) return;
    }
    printmenu();
    while (menuchoice == 0 && !quitflag) {
        if (selected > 0) prompt(("Wybierz pozycję (Enter = "_pl).str() + std::to_string(selected) + "): ");
        else prompt(("Wybierz pozycję: "_pl).str());
        std::string raw;
        int r = answer(raw);
        if (r == gotend || r == gotintr) {
            closerequest();
            continue;
        }
        consolepick p = parsepick(shortstr(cp1250fromutf8(raw)));
        switch (p.kind) {
        case pickenter:
            if (selected > 0) menuchoice = selected;
            break;
        case pickhelp: printmenu(); break;
        case picknumber:
            if (p.number >= 1 && p.number <= std::int32_t(items.size()) && p.number <= itemcount) menuchoice = p.number;
            else line(("Nie ma pozycji o numerze "_pl).str() + cpstr(p.text));
            break;
        case pickhotkey:
            if (hotkeyresolve(p.hotkey) == 0) {
                put("\a");
                line(("Brak pozycji ze skrótem "_pl).str() + cpstr(hotkeyname(p.hotkey)));
            }
            break;
        default: line("Nie rozumiem: " + cpstr(p.text)); break;
        }
    }
    statusshown = false;  // the first status item of what follows is printed at once
}

void showinfo(const shortstr &t, const shortstr &caption) {
    flushpart();
    line(cpstr(caption) + ": " + cpstr(t));
    if (quitflag) return;  // the program is ending: nobody waits for Enter
    drainwake();
    prompt(("Naciśnij Enter"_pl).str());
    std::string raw;
    answer(raw);
}

bool askyesno(const shortstr &t, const shortstr &, std::int32_t) { return yesno(cpstr(t)) == ansyes; }

bool readstrdlg() {
    flushpart();
    drainwake();
    shortstr p = trimright(dlgprompt);
    while (p.size() > 0 && p.at(p.size() - 1) == ':') p = trimright(p.sub(0, p.size() - 1));
    std::string q = cpstr(p);
    if (!dlgtext.empty()) q += " (Enter = " + cpstr(dlgtext) + ")";
    prompt(q + ": ");
    std::string raw;
    if (answer(raw) != gotline) return false;
    shortstr typed(cp1250fromutf8(raw));
    if (!trimboth(typed).empty()) dlgtext = typed;
    return true;
}

void choosefile(std::uint32_t flags, std::uint8_t mode) {
    flushpart();
    filefilter ff[8];
    shortstr defext;
    int n = filefilters(flags, dlgprompt, ff, 8, defext);
    std::string base = startfolder();
    line(dlgtitle.empty() ? (mode == 0 ? "Otwórz plik"_pl : "Zapisz plik"_pl).str() : cpstr(dlgtitle));
    if (n > 0) {
        std::string types = ("Typy plików: "_pl).str();
        for (int i = 0; i < n; i++) types += (i ? ", " : "") + cpstr(ff[i].desc);
        line(types);
    }
    put("Folder: " + termtext(cp1250fromutf8(base)) + "\n");
    for (;;) {
        drainwake();
        prompt(("Ścieżka pliku (Enter = anuluj): "_pl).str());
        std::string raw;
        if (answer(raw) != gotline) break;
        // Blanks around the path and one pair of quotes (as some terminals
        // add when a file is dropped on them) are not part of it.
        std::size_t a = raw.find_first_not_of(" \t"), b = raw.find_last_not_of(" \t");
        raw = a == std::string::npos ? "" : raw.substr(a, b - a + 1);
        if (raw.size() >= 2 && (raw[0] == '\'' || raw[0] == '"') && raw.back() == raw[0])
            raw = raw.substr(1, raw.size() - 2);
        if (raw.empty()) break;
        std::string full = sysfullpath(raw, base);
        bool noext = !syshasext(full) && !defext.empty();
        if (noext && (mode != 0 || (!sysexists(full) && sysexists(full + "." + defext.str()))))
            full += "." + defext.str();
        // Refused, never cut: too long, or with characters the program cannot keep.
        shortstr cpath, why;
        if (!pathfromsys(full, cpath, why)) {
            line(cpstr(why));
            continue;
        }
        std::string cp = cpath.str();
        if (sysisdir(full)) {
            line("To jest folder, a nie plik: "_pl.str() + cp);
            continue;
        }
        if (mode == 0 && !sysexists(full)) {
            line("Nie ma takiego pliku: " + cp);
            continue;
        }
        if (mode != 0 && !sysisdir(sysfolderof(full))) {
            line("Nie ma takiego folderu: " + cp1250fromutf8(sysfolderof(full)));
            continue;
        }
        if (mode == 1 && sysexists(full)) {
            int a = yesno("Plik " + cp + (" już istnieje. Czy chcesz go zastąpić?"_pl).str());
            if (a == ansintr) break;  // Ctrl+C at the question cancels the dialog
            if (a == ansno) continue;
        }
        dlgtext = shortstr(cp);
        opstatus = 0;
        return;
    }
    opstatus = 1;
    dlgtext = shortstr();
}

bool stopsync() { return closereq != 0; }

void playsound(const shortstr &path, bool loop) { soundplay(pathtosys(path), loop); }

void playsoundsync(const shortstr &path) {
    flushpart();
    soundsync(pathtosys(path), stopsync);
}

// The full path of a program on PATH, or "" when it is not installed.
std::string findprog(const char *name) {
    const char *path = std::getenv("PATH");
    std::string s = path ? path : "/usr/bin:/bin";
    std::size_t i = 0;
    while (i <= s.size()) {
        std::size_t j = s.find(':', i);
        if (j == std::string::npos) j = s.size();
        std::string dir = s.substr(i, j - i);
        std::string f = (dir.empty() ? std::string(".") : dir) + "/" + name;
        if (access(f.c_str(), X_OK) == 0 && !sysisdir(f)) return f;
        i = j + 1;
    }
    return "";
}

// The address goes to xdg-open, started in the background (its output to
// /dev/null, not waited for: a second fork leaves it to init). Without
// xdg-open the address is printed, so the user can open it.
void shellopen(const shortstr &target) {
    flushpart();
    std::string prog = findprog("xdg-open");
    std::string t = pathtosys(target);
    if (!prog.empty()) {
        const char *argv[] = {prog.c_str(), t.c_str(), nullptr};
        pid_t pid = fork();
        if (pid == 0) {
            if (fork() == 0) {
                setsid();
                int nul = open("/dev/null", O_RDWR);
                if (nul >= 0) {
                    dup2(nul, 0);
                    dup2(nul, 1);
                    dup2(nul, 2);
                }
                execv(argv[0], (char *const *)argv);
            }
            _exit(0);
        }
        if (pid > 0) {
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
            return;
        }
    }
    line(cpstr(target));
}

void pumpmessage() {
    if (closereq) closerequest();
}

// A name of a file-drop block as a file: address, in UTF-8 with every byte
// outside the unreserved set percent-encoded.
std::string fileuri(std::string_view cpname) {
    std::string u8 = utf8fromcp1250(cpname);
    std::string abs = u8;
    if (abs.empty() || abs[0] != '/') {
        char buf[4096];
        if (getcwd(buf, sizeof buf)) abs = std::string(buf) + "/" + u8;
    }
    static const char hex[] = "0123456789ABCDEF";
    std::string out = "file://";
    for (unsigned char c : abs) {
        bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
                    c == '-' || c == '_' || c == '.' || c == '~';
        if (keep) {
            out += char(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// Runs argv with text on its standard input; true when it exits with 0.
bool pipeto(const std::vector<std::string> &args, const std::string &text) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    std::vector<const char *> argv;
    for (const std::string &a : args) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[0], 0);
        int nul = open("/dev/null", O_RDWR);
        if (nul >= 0) {
            dup2(nul, 1);
            dup2(nul, 2);
        }
        execv(argv[0], (char *const *)argv.data());
        _exit(127);
    }
    close(fds[0]);
    bool ok = pid > 0;
    if (ok) {
        // A tool that ends without reading its input makes the write fail;
        // it must not end this program, whoever has set up SIGPIPE.
        struct sigaction ignore {
        }, before{};
        ignore.sa_handler = SIG_IGN;
        sigaction(SIGPIPE, &ignore, &before);
        ok = writeall(fds[1], text);
        sigaction(SIGPIPE, &before, nullptr);
    }
    close(fds[1]);
    if (pid <= 0) return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return false;
    }
    return ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The desktop's clipboard takes the files as a text/uri-list, through
// wl-copy on Wayland or xclip on X; false when neither can be used.
bool clipdrop(const unsigned char *block, std::uint32_t len) {
    std::string list;
    std::uint32_t at = 20;
    while (at < len && block[at] != 0) {
        std::uint32_t end = at;
        while (end < len && block[end] != 0) ++end;
        list += fileuri(std::string_view(reinterpret_cast<const char *>(block + at), end - at)) + "\r\n";
        at = end + 1;
    }
    if (std::getenv("WAYLAND_DISPLAY")) {
        std::string prog = findprog("wl-copy");
        if (!prog.empty() && pipeto({prog, "--type", "text/uri-list"}, list)) return true;
    }
    if (std::getenv("DISPLAY")) {
        std::string prog = findprog("xclip");
        if (!prog.empty() && pipeto({prog, "-selection", "clipboard", "-t", "text/uri-list", "-i"}, list)) return true;
    }
    return false;
}

}  // namespace con
}  // namespace

using namespace con;

const tkdriver consoledrv = {
    .name = "console",
    .init = con::init,
    .addtext = con::addtext,
    .clearpane = con::clearpane,
    .listreset = con::listreset,
    .listadd = con::listadd,
    .listselect = con::listselect,
    .menustatus = con::menustatus,
    .menuwait = con::menuwait,
    .showinfo = con::showinfo,
    .askyesno = con::askyesno,
    .readstrdlg = con::readstrdlg,
    .choosefile = con::choosefile,
    .playsound = con::playsound,
    .playsoundsync = con::playsoundsync,
    .shellopen = con::shellopen,
    .pumpmessage = con::pumpmessage,
    .clipdrop = con::clipdrop,
};

void consoleio(int in, int out) {
    infd = in;
    outfd = out;
    echo = !isatty(infd);
    inpos = inlen = 0;
    inend = gone = false;
    part.clear();
    printed = false;
    items.clear();
    selected = 0;
    statusshown = false;
    closing = false;
    closereq = 0;
    hangup = 0;
    drainwake();
}

consolepick parsepick(const shortstr &typed) {
    consolepick p;
    shortstr t = trimboth(typed);
    p.text = t;
    if (t.empty()) {
        p.kind = pickenter;
        return p;
    }
    if (t == "?") {
        p.kind = pickhelp;
        return p;
    }
    bool digits = true;
    for (std::size_t i = 0; i < t.size(); i++)
        if (t.at(i) < '0' || t.at(i) > '9') digits = false;
    if (digits) {
        std::size_t z = 0;
        while (z + 1 < t.size() && t.at(z) == '0') z++;
        p.kind = picknumber;
        p.text = t.sub(z);
        p.number =
            p.text.size() > 10 ? 2147483647 : std::int32_t(std::min<long long>(std::stoll(p.text.str()), 2147483647));
        return p;
    }
    shortstr l = pllower(t);
    int code = hotkeycode(l);
    if (code == 0)
        for (int c = 1; c <= 53 && code == 0; c++)
            if (l == hotkeyname(c)) code = c;
    if (code == 0) {
        // "alt+left", "ctrl+f1" and the arrows without Polish letters
        // ("alt+gora", "alt+dol"): the modifier must be the key's own.
        std::string_view v = l.view();
        std::string_view mod = v.starts_with("alt+") ? "alt+" : v.starts_with("ctrl+") ? "ctrl+" : "";
        if (!mod.empty()) {
            shortstr rest(v.substr(mod.size()));
            int c = rest == "gora" ? 51 : rest == "dol" ? 52 : hotkeycode(rest);
            if (c > 0 && hotkeyname(c).view().starts_with(mod)) code = c;
        }
    }
    if (code > 0) {
        p.kind = pickhotkey;
        p.hotkey = code;
    }
    return p;
}

const tkdriver *tkinteractive() { return &consoledrv; }
