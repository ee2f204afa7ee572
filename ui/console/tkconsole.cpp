// The terminal toolkit. Output goes out with write(2) as UTF-8, a whole line
// or prompt at a time. On a terminal, answers are typed through libedit: the
// line can be edited, the arrows recall earlier answers, Tab completes paths,
// and the key sequences terminals send for Alt+letter, Alt+arrows, Alt+Enter,
// F1 to F12 and Ctrl+digit choose a menu item at once, as the hotkey named
// in its caption. Piped input is read with read(2) into our own buffer, one
// line per answer, and each line taken is echoed after its prompt, so that a
// piped session reads as a dialogue. Either way UTF-8 becomes code page 1250.
//
// Closing: Ctrl+C (SIGINT), and the end of input at a menu, are the close
// request. At a menu, a question or any prompt the closing question is asked
// at once; when it is answered No, the interrupted question or prompt is
// asked again, so nothing is ever answered on the user's behalf. During a run
// the request waits for the next pumpmessage. Once standard input has ended
// (or the terminal is gone: SIGHUP, SIGTERM, output refused) the closing
// question counts as answered Yes, so the program always ends through its
// own shutdown, with the settings saved. Keys typed on a terminal while a run
// works are dropped before the next answer is read, and a line says so.

#include "ui/console/tkconsole.h"

#include <dirent.h>
#include <fcntl.h>
#include <histedit.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <csignal>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "sys/paths.h"
#include "text/cp1250.h"
#include "text/strutil.h"
#include "ui/console/sound.h"
#include "ui/tk.h"
#include "ui/tkterm.h"

namespace {
namespace con {

enum { gotline, gotend, gotintr, gothotkey };   // what an answer got
enum { askline, askmenu, askfile, askfolder };  // what the answer being read is for

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
std::string lastpane;                              // the pane line printed last, "" after any other output
std::vector<std::string> items;                    // captions of the list menu (code page 1250)
std::int32_t selected = 0;                         // selected item, 0 = none
std::chrono::steady_clock::time_point laststatus;  // when a status item was last printed
bool statusshown = false;                          // laststatus is set
bool closing = false;                              // the closing question is being asked
bool ranbusy = false;                              // a run worked since the last answer was read
bool muted = false;                                // the terminal's echo is off while a run works
termios mutedfrom{};                               // the terminal's settings before muting
volatile std::sig_atomic_t closereq = 0;           // a close request waits to be answered
volatile std::sig_atomic_t hangup = 0;             // SIGHUP or SIGTERM arrived
int wake[2] = {-1, -1};                            // self-pipe: a signal handler wakes a waiting poll

// ---- Line editor state (a terminal on both ends only) ----
EditLine *el = nullptr;          // libedit's editor, made at the first answer
History *hist = nullptr;         // answers typed this session, for the arrow keys
bool noeditor = false;           // the editor could not be made: read as from a pipe
std::string edprompt;            // the prompt libedit shows (UTF-8)
int askfor = askline;            // what the line being edited answers
int hotkeyhit = 0;               // hotkey code a key sequence chose at a menu; 0 = none
bool intrhit = false;            // Ctrl+C ended the line being edited
std::string compbase;            // folder relative paths count from, for Tab completion
std::vector<std::string> types;  // extensions of the dialog's types ("pnt"; "*" = every file)
std::string lasttab;             // the line at a Tab that completed nothing; a second one lists

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
    lastpane.clear();
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

void paneline(const std::string &cp) {
    line(cp);
    lastpane = cp.empty() ? std::string(1, '\0') : cp;
}

void flushpart() {
    if (part.empty()) return;
    std::string l;
    l.swap(part);
    paneline(l);
}

// ---- Input ----

enum { byteend = -1, byteintr = -2 };

// The next byte of input, waiting for it; byteend at the end of input,
// byteintr when Ctrl+C came first.
int getbyte() {
    for (;;) {
        if (gone || hangup) return byteend;
        if (inpos < inlen) return (unsigned char)inbuf[inpos++];
        if (inend) return byteend;
        pollfd p[2] = {{infd, POLLIN, 0}, {wake[0], POLLIN, 0}};
        int r = poll(p, wake[0] >= 0 ? 2 : 1, -1);
        if (r < 0) {
            if (errno == EINTR) continue;  // the handler has written to the self-pipe
            inend = true;
            continue;
        }
        if (wake[0] >= 0 && (p[1].revents & POLLIN)) {
            drainwake();
            return hangup ? byteend : byteintr;
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

// A line as typed, made safe: a control byte (a NUL would cut a path short,
// a carriage return would move the braille cursor) is taken as "?".
void saneline(std::string &l) {
    if (!l.empty() && l.back() == '\n') l.pop_back();
    if (!l.empty() && l.back() == '\r') l.pop_back();
    for (char &c : l)
        if (iscontrolbyte(c)) c = '?';
    if (l.size() > inmax) l.resize(inmax);
}

// One line of piped input, raw (UTF-8 as typed), without its line break.
int readline(std::string &l) {
    l.clear();
    for (;;) {
        int c = getbyte();
        if (c == byteintr) {
            l.clear();
            return gotintr;
        }
        if (c == byteend) {
            saneline(l);
            return l.empty() ? gotend : gotline;
        }
        if (c == '\n') {
            saneline(l);
            return gotline;
        }
        if (l.size() <= inmax) l += char(c);
    }
}

// Keys typed while a run worked were meant for a program that was not
// listening: on a terminal they are dropped (a choice or a Yes typed ahead
// could reset the output file), and a line says so. Piped input is a script
// and is read as it comes.
void unmute() {
    if (!muted) return;
    muted = false;
    tcsetattr(infd, TCSANOW, &mutedfrom);
}

// A run has begun working: on a terminal, keys typed now are not echoed
// among its messages (they will be dropped).
void runworks() {
    if (!busyflag) return;
    ranbusy = true;
    if (echo || muted || tcgetattr(infd, &mutedfrom) != 0) return;
    termios t = mutedfrom;
    t.c_lflag &= tcflag_t(~ECHO);
    muted = tcsetattr(infd, TCSANOW, &t) == 0;
}

void dropahead() {
    if (!ranbusy) return;
    ranbusy = false;
    unmute();
    if (echo) return;
    std::size_t n = inlen - inpos;
    inpos = inlen = 0;
    // The terminal holds an unfinished line back from read(2) until Enter;
    // without line mode for a moment every byte can be counted.
    termios t{};
    if (tcgetattr(infd, &t) == 0) {
        termios raw = t;
        raw.c_lflag &= tcflag_t(~(ICANON | ECHO));
        raw.c_cc[VMIN] = 0;
        raw.c_cc[VTIME] = 0;
        if (tcsetattr(infd, TCSANOW, &raw) == 0) {
            char b[256];
            ssize_t k;
            while ((k = read(infd, b, sizeof b)) > 0) n += std::size_t(k);
            tcsetattr(infd, TCSANOW, &t);
        }
    }
    tcflush(infd, TCIFLUSH);
    if (n > 0) line(("Pominięto klawisze naciśnięte w trakcie przetwarzania"_pl).str());
}

// ---- Line editor ----

std::vector<std::string> hotkeyseqs(int code);

// Whether a complete escape sequence stands for a key: one of the hotkeys,
// or one the editor itself knows (arrows, Home, End, Insert, Delete, Page
// Up and Down).
bool knownseq(const std::string &s) {
    static const std::vector<std::string> known = [] {
        std::vector<std::string> k = {"\033[A", "\033[B", "\033[C", "\033[D", "\033[H", "\033[F",
                                      "\033OA", "\033OB", "\033OC", "\033OD", "\033OH", "\033OF"};
        for (int i = 1; i <= 8; i++) k.push_back("\033[" + std::to_string(i) + "~");
        for (int code = 1; code <= 53; code++)
            for (const std::string &q : hotkeyseqs(code)) k.push_back(q);
        return k;
    }();
    return std::find(known.begin(), known.end(), s) != known.end();
}

// At an escape byte: when a whole CSI or SS3 sequence follows in the buffer
// (terminals send a key's sequence in one piece) and no key is known by it,
// it is dropped with a beep, so that its tail never lands in the line.
bool dropunknown() {
    std::size_t i = inpos;
    if (i >= inlen || (inbuf[i] != '[' && inbuf[i] != 'O')) return false;
    bool ss3 = inbuf[i] == 'O';
    i++;
    if (!ss3 && i < inlen && inbuf[i] == '[') i++;  // the Linux console's function keys: ESC [ [ A
    else if (!ss3)
        while (i < inlen && (unsigned char)inbuf[i] >= 0x20 && (unsigned char)inbuf[i] <= 0x3F) i++;
    else if (i < inlen && inbuf[i] >= '0' && inbuf[i] <= '9') i++;
    if (i >= inlen || (unsigned char)inbuf[i] < 0x40 || (unsigned char)inbuf[i] > 0x7E) return false;
    std::string seq = "\033" + std::string(inbuf + inpos, i + 1 - inpos);
    if (knownseq(seq)) return false;
    inpos = i + 1;
    put("\a");
    return true;
}

// libedit takes characters: our bytes, UTF-8, as wide characters. Ctrl+C
// ends the line as the end of input would, with intrhit set.
int edgetc(EditLine *, wchar_t *wc) {
    int c = getbyte();
    while (c == 0x1B && dropunknown()) c = getbyte();
    if (c == byteintr) intrhit = true;
    if (c < 0) return 0;
    int more = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
    std::uint32_t v = more == 1 ? c & 0x1F : more == 2 ? c & 0x0F : more == 3 ? c & 0x07 : std::uint32_t(c);
    if (more < 0) v = '?';
    for (int i = 0; i < more; i++) {
        if (inpos >= inlen || ((unsigned char)inbuf[inpos] & 0xC0) != 0x80) {
            v = '?';  // a sequence cut short, or one broken by another key
            break;
        }
        v = (v << 6) | ((unsigned char)inbuf[inpos++] & 0x3F);
    }
    *wc = wchar_t(v);
    return 1;
}

char *edpromptfn(EditLine *) { return edprompt.data(); }

// A key sequence bound to hotkey N: at a menu it chooses the item at once;
// anywhere else it is refused with a beep.
template <int N>
unsigned char edhotkey(EditLine *, int) {
    if (askfor != askmenu) return CC_ERROR;
    hotkeyhit = N;
    return CC_NEWLINE;
}

template <int... N>
constexpr auto hotkeyfns(std::integer_sequence<int, N...>) {
    return std::array<unsigned char (*)(EditLine *, int), sizeof...(N)>{edhotkey<N + 1>...};
}

// The sequences common terminals send for each hotkey: xterm and the
// VTE-based ones, the Linux console, rxvt, tmux and screen.
std::vector<std::string> hotkeyseqs(int code) {
    std::vector<std::string> s;
    if (code >= 1 && code <= 26) {
        s.push_back(std::string("\033") + char('a' + code - 1));
        s.push_back(std::string("\033") + char('A' + code - 1));
    } else if (code >= 27 && code <= 36) {
        std::string d = std::to_string('0' + code - 27);
        s.push_back("\033[27;5;" + d + "~");  // xterm's modifyOtherKeys
        s.push_back("\033[" + d + ";5u");     // the fixterms / CSI u form
    } else if (code >= 37 && code <= 48) {
        static const char *const csi[] = {"11", "12", "13", "14", "15", "17", "18", "19", "20", "21", "23", "24"};
        int f = code - 37;
        s.push_back(std::string("\033[") + csi[f] + "~");
        s.push_back(std::string("\033[") + csi[f] + ";5~");
        if (f < 4) {
            s.push_back(std::string("\033O") + char('P' + f));
            s.push_back(std::string("\033[1;5") + char('P' + f));
            s.push_back(std::string("\033O5") + char('P' + f));
        }
        if (f < 5) s.push_back(std::string("\033[[") + char('A' + f));  // the Linux console
    } else if (code >= 49 && code <= 52) {
        char a = "DCAB"[code - 49];
        s.push_back(std::string("\033[1;3") + a);
        s.push_back(std::string("\033\033[") + a);
        s.push_back(std::string("\033\033O") + a);
    } else if (code == 53) {
        s.push_back("\033\r");
        s.push_back("\033\n");
    }
    return s;
}

unsigned char edcomplete(EditLine *e, int);

// The editor, made on first use when both ends are terminals; null when
// answers are read as from a pipe.
EditLine *editor() {
    if (el || noeditor) return el;
    if (echo || !isatty(outfd)) {
        noeditor = true;
        return nullptr;
    }
    // libedit reads and shows UTF-8 only under a UTF-8 character type.
    if (!std::setlocale(LC_CTYPE, "")) std::setlocale(LC_CTYPE, "C.UTF-8");
    const char *cs = std::setlocale(LC_CTYPE, nullptr);
    if (!cs || (!std::string(cs).ends_with("UTF-8") && !std::string(cs).ends_with("utf8")))
        std::setlocale(LC_CTYPE, "C.UTF-8");
    FILE *fin = fdopen(dup(infd), "r");
    FILE *fout = fdopen(dup(outfd), "w");
    if (!fin || !fout) {
        if (fin) fclose(fin);
        if (fout) fclose(fout);
        noeditor = true;
        return nullptr;
    }
    el = el_init_fd("trelik", fin, fout, fout, infd, outfd, outfd);
    if (!el) {
        noeditor = true;
        return nullptr;
    }
    hist = history_init();
    HistEvent ev;
    history(hist, &ev, H_SETSIZE, 200);
    history(hist, &ev, H_SETUNIQUE, 1);
    el_set(el, EL_EDITOR, "emacs");
    el_set(el, EL_HIST, history, hist);
    el_set(el, EL_PROMPT, edpromptfn);
    el_set(el, EL_GETCFN, edgetc);
    el_set(el, EL_SIGNAL, 0);
    static const auto fns = hotkeyfns(std::make_integer_sequence<int, 53>());
    for (int code = 1; code <= 53; code++) {
        std::string name = "trelik-hotkey-" + std::to_string(code);
        el_set(el, EL_ADDFN, name.c_str(), "hotkey", fns[std::size_t(code - 1)]);
        for (const std::string &q : hotkeyseqs(code)) el_set(el, EL_BIND, q.c_str(), name.c_str(), nullptr);
    }
    el_set(el, EL_ADDFN, "trelik-complete", "complete a path", edcomplete);
    el_set(el, EL_BIND, "^I", "trelik-complete", nullptr);
    return el;
}

// One line from the editor; a hotkey's sequence ends it as gothotkey.
int editline(EditLine *e, std::string &l, const std::string &prefill) {
    hotkeyhit = 0;
    intrhit = false;
    lasttab.clear();
    if (!prefill.empty()) el_push(e, prefill.c_str());
    // The terminal leaves line mode before the prompt is shown, so that a key
    // pressed as soon as it is heard is not echoed twice.
    el_set(e, EL_PREP_TERM, 1);
    int n = 0;
    const char *s = el_gets(e, &n);
    l = s && n > 0 ? std::string(s, std::size_t(n)) : std::string();
    if (intrhit) {
        l.clear();
        return gotintr;
    }
    if (hotkeyhit) return gothotkey;
    if (!s) return gotend;
    saneline(l);
    if (!l.empty()) {
        HistEvent ev;
        history(hist, &ev, H_ENTER, l.c_str());
    }
    return gotline;
}

// Asks: prints the prompt (code page 1250) and reads one answer, raw UTF-8.
// A piped answer is echoed; at the end of input or after Ctrl+C nothing is
// printed, the caller ends the prompt's line. On a terminal the line may
// start with prefill (UTF-8), as an input field holds its current text.
int ask(const std::string &q, int kind, std::string &l, const std::string &prefill = "") {
    dropahead();
    askfor = kind;
    printed = true;
    if (EditLine *e = editor()) {
        edprompt = termtext(q);
        lastpane.clear();
        return editline(e, l, prefill);
    }
    put(termtext(q));
    int r = readline(l);
    if (r == gotline && echo) put(termtext(cp1250fromutf8(l)) + "\n");
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

// Ctrl+C at a prompt: the closing question now; true when the program is
// to end (the prompt then counts as cancelled), false to ask again.
bool intrclose() {
    put("\n");
    if (closing) return true;  // the closing question answers itself No
    closerequest();
    return quitflag;
}

// ---- Yes/No ----

enum { ansno, ansyes };

// Asks until the answer is yes or no. The end of input answers No, except
// for the closing question, which it answers Yes. Ctrl+C asks the closing
// question; when the program goes on, this question is asked again (and at
// the closing question itself it means No).
int yesno(const std::string &q) {
    flushpart();
    drainwake();
    for (;;) {
        std::string raw;
        int r = ask(q + " (t/n): ", askline, raw);
        if (r == gotend) {
            put(closing ? "tak\n" : "nie\n");
            return closing ? ansyes : ansno;
        }
        if (r == gotintr) {
            if (intrclose()) return ansno;
            continue;
        }
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

// A typed path without the blanks around it and one pair of quotes (as
// some terminals add when a file is dropped on them).
std::string typedpath(const std::string &raw) {
    std::size_t a = raw.find_first_not_of(" \t"), b = raw.find_last_not_of(" \t");
    std::string p = a == std::string::npos ? "" : raw.substr(a, b - a + 1);
    if (p.size() >= 2 && (p[0] == '\'' || p[0] == '"') && p.back() == p[0]) p = p.substr(1, p.size() - 2);
    return p;
}

std::string lowername(const std::string &utf8) { return pllower(shortstr(cp1250fromutf8(utf8))).str(); }

// A name's extension, lower case ("" when none).
std::string extlower(const std::string &name) {
    std::size_t d = name.rfind('.');
    return d == std::string::npos || d == 0 ? "" : lowername(name.substr(d + 1));
}

// The extensions of a dialog's types ("*.pnt;*.uam" -> pnt, uam; "*.*" -> *).
std::vector<std::string> typeexts(const filefilter *ff, int n) {
    std::vector<std::string> out;
    for (int i = 0; i < n; i++) {
        std::string p = ff[i].pattern.str();
        std::size_t a = 0;
        while (a <= p.size()) {
            std::size_t b = p.find(';', a);
            if (b == std::string::npos) b = p.size();
            std::string one = p.substr(a, b - a);
            if (one == "*.*" || one == "*") out.push_back("*");
            else if (one.starts_with("*.")) out.push_back(lowername(one.substr(2)));
            a = b + 1;
        }
    }
    return out;
}

bool oftype(const std::string &name, const std::vector<std::string> &exts) {
    std::string e = extlower(name);
    for (const std::string &x : exts)
        if (x == "*" || x == e) return true;
    return false;
}

struct entry {
    std::string name;  // UTF-8, as the file system has it
    bool dir;          // a folder
};

// A folder's entries, folders first, then files of the types, then the
// others (none when typesonly), each group by name; hidden ones only when
// asked for.
std::vector<entry> listfolder(const std::string &dir, const std::vector<std::string> &exts, bool typesonly,
                              bool hidden) {
    std::vector<entry> dirs, files, others;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *de = readdir(d)) {
            std::string n = de->d_name;
            if (n == "." || n == ".." || (n[0] == '.' && !hidden)) continue;
            std::string full = dir == "/" ? "/" + n : dir + "/" + n;
            if (sysisdir(full)) dirs.push_back({n, true});
            else if (oftype(n, exts)) files.push_back({n, false});
            else if (!typesonly) others.push_back({n, false});
        }
        closedir(d);
    }
    auto byname = [](const entry &a, const entry &b) { return a.name < b.name; };
    std::sort(dirs.begin(), dirs.end(), byname);
    std::sort(files.begin(), files.end(), byname);
    std::sort(others.begin(), others.end(), byname);
    dirs.insert(dirs.end(), files.begin(), files.end());
    dirs.insert(dirs.end(), others.begin(), others.end());
    return dirs;
}

// A path that does not exist as typed, found with its last name in
// another case ("TBA001.TXT" for "tba001.txt"); "" when there is none.
std::string caseless(const std::string &full) {
    std::string dir = sysfolderof(full), want = lowername(full.substr(full.rfind('/') + 1));
    for (const entry &e : listfolder(dir, {"*"}, false, true))
        if (lowername(e.name) == want) return dir == "/" ? "/" + e.name : dir + "/" + e.name;
    return "";
}

std::size_t utf8chars(const std::string &s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) n++;
    return n;
}

// Tab at a file or folder prompt: the path before the cursor is completed
// to what all its candidates share; a second Tab that completes nothing
// lists them, one plain line each (folders with "/" after them).
unsigned char edcomplete(EditLine *e, int) {
    if (askfor != askfile && askfor != askfolder) return CC_ERROR;
    const LineInfo *li = el_line(e);
    std::string before(li->buffer, std::size_t(li->cursor - li->buffer));
    std::string typed = before;
    std::size_t lead = typed.find_first_not_of(" \t\"'");
    typed = lead == std::string::npos ? "" : typed.substr(lead);
    std::size_t slash = typed.rfind('/');
    std::string dirtext = slash == std::string::npos ? "" : typed.substr(0, slash + 1);
    std::string stem = slash == std::string::npos ? typed : typed.substr(slash + 1);
    std::string dir = dirtext.empty() ? compbase : sysfullpath(dirtext, compbase);
    std::vector<entry> all = listfolder(dir, types, false, stem.starts_with("."));
    std::vector<entry> cand;
    for (const entry &x : all)
        if ((askfor != askfolder || x.dir) && x.name.starts_with(stem)) cand.push_back(x);
    bool folded = false;
    if (cand.empty()) {
        std::string want = lowername(stem);
        for (const entry &x : all)
            if ((askfor != askfolder || x.dir) && lowername(x.name).starts_with(want)) cand.push_back(x);
        folded = !cand.empty();
    }
    if (cand.empty()) return CC_ERROR;
    std::string common = cand[0].name;
    for (const entry &x : cand) {
        std::size_t k = 0;
        while (k < common.size() && k < x.name.size() && common[k] == x.name[k]) k++;
        common.resize(k);
    }
    while (!common.empty() && ((unsigned char)common.back() & 0xC0) == 0x80) common.pop_back();
    if ((unsigned char)(common.empty() ? 0 : common.back()) >= 0xC0) common.pop_back();
    std::string add = cand.size() == 1 ? cand[0].name + (cand[0].dir ? "/" : "") : common;
    if (folded || add.size() > stem.size()) {
        if (folded) {
            el_deletestr(e, int(utf8chars(stem)));
            el_insertstr(e, add.c_str());
        } else el_insertstr(e, add.substr(stem.size()).c_str());
        lasttab.clear();
        return CC_REFRESH;
    }
    if (lasttab != before) {
        lasttab = before;
        return CC_ERROR;
    }
    put("\n");
    for (const entry &x : cand) put(termtext(cp1250fromutf8(x.name + (x.dir ? "/" : ""))) + "\n");
    return CC_REDISPLAY;
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
        std::atexit(unmute);
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
    while (takeline(part, l)) paneline(l);
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
    runworks();
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
    dropahead();  // before the menu, so that its line comes first
    printmenu();
    while (menuchoice == 0 && !quitflag) {
        std::string q = selected > 0 ? ("Wybierz pozycję (Enter = "_pl).str() + std::to_string(selected) + "): "
                                     : ("Wybierz pozycję: "_pl).str();
        std::string raw;
        int r = ask(q, askmenu, raw);
        if (r == gotend || r == gotintr) {
            put("\n");
            closerequest();
            continue;
        }
        consolepick p;
        if (r == gothotkey) {
            put(termtext(cpstr(hotkeyname(hotkeyhit))) + "\n");
            p.kind = pickhotkey;
            p.hotkey = hotkeyhit;
        } else p = parsepick(shortstr(cp1250fromutf8(raw)));
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
        default:
            line("Nie rozumiem: " + cpstr(p.text) +
                 (" (wpisz numer pozycji, skrót albo ? aby usłyszeć menu)"_pl).str());
            break;
        }
    }
    statusshown = false;  // the first status item of what follows is printed at once
}

// A box says its text after its caption, unless the pane has just printed
// that very text as its last line: then only the prompt follows, so that a
// screen reader does not read the message twice.
void showinfo(const shortstr &t, const shortstr &caption) {
    flushpart();
    bool said = !lastpane.empty() && lastpane == cpstr(t);
    if (!said) line(cpstr(caption) + ": " + cpstr(t));
    if (quitflag) return;  // the program is ending: nobody waits for Enter
    drainwake();
    for (;;) {
        std::string raw;
        int r = ask(("Naciśnij Enter"_pl).str(), askline, raw);
        if (r == gotline || r == gotend) {
            if (r == gotend) put("\n");
            return;
        }
        if (r == gothotkey) put("\n");
        else if (intrclose()) return;
    }
}

bool askyesno(const shortstr &t, const shortstr &, std::int32_t) { return yesno(cpstr(t)) == ansyes; }

// A folder typed at readfolder's prompt, by the file prompts' rules: false
// (why said, asked again) when it cannot be kept or is a file.
bool takefolder(const std::string &raw, const std::string &base) {
    std::string p = typedpath(raw);
    if (p.empty()) {
        dlgtext = shortstr();
        return true;
    }
    std::string full = sysfullpath(p, base);
    shortstr cpath, why;
    if (!pathfromsys(full, cpath, why)) {
        line(cpstr(why));
        return false;
    }
    if (sysexists(full) && !sysisdir(full)) {
        line("To jest plik, a nie folder: " + cpstr(cpath));
        return false;
    }
    if (!sysisdir(sysfolderof(full))) {
        line("Nie ma takiego folderu: " + cp1250fromutf8(sysfolderof(full)));
        return false;
    }
    // The folder ends with its separator, as the program's own folders do.
    if (cpath.size() < shortstr::maxlen && cpath.at(cpath.size() - 1) != '/') cpath += '/';
    dlgtext = cpath;
    return true;
}

bool readstrdlg() {
    flushpart();
    drainwake();
    shortstr p = trimright(dlgprompt);
    while (p.size() > 0 && p.at(p.size() - 1) == ':') p = trimright(p.sub(0, p.size() - 1));
    std::string q = cpstr(p), base = syscwd();
    if (dlgfolder) {
        // What the line holds is the folder: on a terminal it starts with the
        // current one, to be kept with Enter or edited; an empty line has the
        // meaning the caller gives it.
        compbase = base;
        types.clear();
        put("Folder: " + termtext(cp1250fromutf8(base)) + "\n");
        q += " (pusty wiersz = " + cpstr(dlgempty) + ")";
    } else if (!dlgtext.empty()) q += " (Enter = " + cpstr(dlgtext) + ")";
    for (;;) {
        std::string raw;
        int r = ask(q + ": ", dlgfolder ? askfolder : askline, raw, dlgfolder ? utf8fromcp1250(dlgtext.view()) : "");
        if (r == gotintr) {
            if (intrclose()) return false;
            continue;
        }
        if (r != gotline) {
            put("\n");
            if (r == gotend) return false;
            continue;
        }
        if (dlgfolder) {
            if (takefolder(raw, base)) return true;
            continue;
        }
        shortstr typed(cp1250fromutf8(raw));
        if (!trimboth(typed).empty()) dlgtext = typed;
        return true;
    }
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
    std::vector<std::string> exts = typeexts(ff, n);
    std::vector<entry> shown;  // the entries of the last "?" listing, by number
    put("Folder: " + termtext(cp1250fromutf8(base)) + "\n");
    for (;;) {
        drainwake();
        compbase = base;
        types = exts;
        std::string raw;
        int r = ask(("Ścieżka pliku (Enter = anuluj, ? = lista plików): "_pl).str(), askfile, raw);
        if (r == gotintr) {
            if (intrclose()) break;
            continue;
        }
        if (r != gotline) {
            put("\n");
            if (r == gotend) break;
            continue;
        }
        raw = typedpath(raw);
        if (raw.empty()) break;
        if (raw == "?") {
            // The folder as numbered lines: up, its folders, the files of the
            // dialog's types.
            shown.clear();
            if (base != "/") shown.push_back({"..", true});
            for (const entry &e : listfolder(base, exts, true, false)) shown.push_back(e);
            if (shown.empty()) line("Folder jest pusty");
            for (std::size_t i = 0; i < shown.size(); i++)
                line(std::to_string(i + 1) + ". " + cp1250fromutf8(shown[i].name) + (shown[i].dir ? " (folder)" : ""));
            continue;
        }
        if (!shown.empty() && raw.find_first_not_of("0123456789") == std::string::npos && raw.size() < 7) {
            std::size_t k = std::stoul(raw);
            if (k >= 1 && k <= shown.size()) {
                entry e = shown[k - 1];
                shown.clear();
                if (e.dir) {
                    base = sysfullpath(e.name, base);
                    put("Folder: " + termtext(cp1250fromutf8(base)) + "\n");
                    continue;
                }
                raw = e.name;
            }
        }
        std::string full = sysfullpath(raw, base);
        if (mode == 0 && !sysexists(full)) {
            std::string other = caseless(full);
            if (!other.empty()) full = other;
        }
        // A folder is refused as itself, before any extension could turn
        // its name into that of a file beside it.
        bool dir = sysisdir(full);
        bool noext = !dir && !syshasext(full) && !defext.empty();
        if (noext && (mode != 0 || (!sysexists(full) && sysexists(full + "." + defext.str()))))
            full += "." + defext.str();
        if (noext && mode == 0 && !sysexists(full)) {
            std::string other = caseless(full + "." + defext.str());
            if (!other.empty()) full = other;
        }
        // Refused, never cut: too long, or with characters the program cannot keep.
        shortstr cpath, why;
        if (!pathfromsys(full, cpath, why)) {
            line(cpstr(why));
            continue;
        }
        std::string cp = cpath.str();
        if (dir || sysisdir(full)) {
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
            if (quitflag) break;
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
    runworks();
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
    unmute();
    infd = in;
    outfd = out;
    echo = !isatty(infd);
    inpos = inlen = 0;
    inend = gone = false;
    part.clear();
    printed = false;
    lastpane.clear();
    ranbusy = false;
    if (el) {
        el_end(el);
        history_end(hist);
        el = nullptr;
        hist = nullptr;
    }
    noeditor = false;
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
