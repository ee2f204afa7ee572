// The scripted toolkit: user actions come from a queue that a test fills, and
// everything shown goes into a transcript that the test reads back.

#include "tests/scripted/scripted.h"

#include <deque>

#include "text/cp1250.h"
#include "ui/tk.h"

namespace {
namespace scr {

enum actkind { actchoose, acthotkey, actyes, actno, acttype, actpick, actcancel, actclose };

struct action {
    actkind kind;
    int n = 0;         // item number (actchoose)
    std::string text;  // hotkey spec, typed text or path, UTF-8
};

// ---- Script state ----
std::deque<action> queue;        // actions not yet used, in order
std::vector<std::string> lines;  // the transcript, UTF-8
std::string part;                // pane text after the last finished line (code page 1250)
std::int32_t panelen = 0;        // characters in the pane since it was last emptied
std::vector<std::string> items;  // captions of the list, code page 1250
std::int32_t selected = 0;       // selected item, 0 = none
bool ended = false;              // "end of script" has been written
bool clipok = true;              // the clipboard takes what it is given

std::string utf(std::string_view cp) { return utf8fromcp1250(cp); }
std::string utf(const std::string &cp) { return utf8fromcp1250(cp); }
std::string utf(const shortstr &s) { return utf8fromcp1250(s.view()); }

void flushpart() {
    if (part.empty()) return;
    lines.push_back("pane: " + utf(part));
    part.clear();
}

void emit(const std::string &e) {
    flushpart();
    lines.push_back(e);
}

std::string describe(const action &a) {
    switch (a.kind) {
    case actchoose: return "choose " + std::to_string(a.n);
    case acthotkey: return "hotkey " + a.text;
    case actyes: return "tak";
    case actno: return "nie";
    case acttype: return "type " + a.text;
    case actpick: return "pick " + a.text;
    case actcancel: return "cancel";
    case actclose: return "close";
    }
    return "?";
}

// The next action when it is one of the kinds this wait takes. Actions of
// other kinds are written as unexpected and dropped. False: the script ended.
bool next(action &a, std::initializer_list<actkind> kinds) {
    while (!queue.empty()) {
        a = queue.front();
        queue.pop_front();
        for (actkind k : kinds)
            if (a.kind == k) return true;
        emit("unexpected: " + describe(a));
    }
    if (!ended) emit("end of script");
    ended = true;
    return false;
}

std::string filename(const shortstr &path) {
    std::string p = path.str();
    std::size_t s = p.find_last_of("/\\:");
    return utf(s == std::string::npos ? p : p.substr(s + 1));
}

void askclose() {
    if (closequestion()) emit("quit");
}

bool init() { return true; }

void addtext(const shortstr &t) {
    std::int32_t room = panemax - panelen;
    std::size_t n = t.size() < std::size_t(room) ? t.size() : std::size_t(room);
    panelen += std::int32_t(n);
    part.append(t.data(), n);
    std::size_t nl;
    while ((nl = part.find("\r\n")) != std::string::npos) {
        lines.push_back("pane: " + utf(std::string_view(part).substr(0, nl)));
        part.erase(0, nl + 2);
    }
}

void clearpane() {
    emit("clear");
    panelen = 0;
}

void listreset() {
    items.clear();
    selected = 0;
}

void listadd(const shortstr &c) { items.push_back(c.str()); }
void listselect(std::int32_t n) { selected = n; }

void menustatus(const shortstr &t) {
    listreset();
    emit("status: " + utf(t));
}

void menuwait() {
    for (std::size_t i = 0; i < items.size(); i++) emit("menu: " + std::to_string(i + 1) + ". " + utf(items[i]));
    emit("menusel: " + std::to_string(selected));
    while (menuchoice == 0 && !quitflag) {
        action a;
        if (!next(a, {actchoose, acthotkey, actclose})) {
            quitflag = true;
            emit("quit");
            break;
        }
        if (a.kind == actchoose) {
            if (a.n >= 1 && a.n <= itemcount) menuchoice = a.n;
            else emit("unexpected: " + describe(a));
        } else if (a.kind == acthotkey) {
            if (hotkeyresolve(hotkeycode(cp1250fromutf8(a.text))) == 0) emit("beep");
        } else askclose();
    }
    emit("chosen: " + std::to_string(quitflag ? 0 : menuchoice));
}

void showinfo(const shortstr &t, const shortstr &caption) { emit("info[" + utf(caption) + "]: " + utf(t)); }

bool askyesno(const shortstr &t, const shortstr &caption, std::int32_t) {
    action a;
    bool yes = next(a, {actyes, actno}) && a.kind == actyes;
    emit("ask[" + utf(caption) + "]: " + utf(t) + " -> " + (yes ? "tak" : "nie"));
    return yes;
}

bool readstrdlg() {
    std::string head = "read[" + utf(dlgtitle) + "|" + utf(dlgprompt) + "]: " + utf(dlgtext) + " -> ";
    action a;
    if (!next(a, {acttype, actcancel}) || a.kind == actcancel) {
        emit(head + "anuluj");
        return false;
    }
    dlgtext = shortstr(cp1250fromutf8(a.text));
    dlgtext.resize(254);
    emit(head + utf(dlgtext));
    return true;
}

void choosefile(std::uint32_t flags, std::uint8_t mode) {
    std::string head = "file[" + utf(dlgtitle) + "] " + std::to_string(flags) + " " + std::to_string(mode) + ": ";
    action a;
    if (!next(a, {actpick, actcancel}) || a.kind == actcancel) {
        opstatus = 1;
        dlgtext = shortstr();
        emit(head + "anuluj");
        return;
    }
    dlgtext = shortstr(cp1250fromutf8(a.text));
    opstatus = 0;
    emit(head + utf(dlgtext));
}

void playsound(const shortstr &path, bool loop) { emit((loop ? "soundloop: " : "sound: ") + filename(path)); }
void playsoundsync(const shortstr &path) { emit("soundsync: " + filename(path)); }
void shellopen(const shortstr &target) { emit("shell: " + utf(target)); }

// The names of a file-drop block, joined by "|".
bool clipdrop(const unsigned char *block, std::uint32_t len) {
    std::string names;
    std::uint32_t at = 20;
    bool first = true;
    while (at < len && block[at] != 0) {
        std::uint32_t end = at;
        while (end < len && block[end] != 0) ++end;
        if (!first) names += "|";
        names += utf(std::string_view(reinterpret_cast<const char *>(block + at), end - at));
        first = false;
        at = end + 1;
    }
    emit("clip[" + std::to_string(len) + "]: " + names + (clipok ? "" : " -> brak schowka"));
    return clipok;
}

void pumpmessage() {
    if (!queue.empty() && queue.front().kind == actclose) {
        queue.pop_front();
        askclose();
    }
}

}  // namespace scr
}  // namespace

using namespace scr;

const tkdriver scripteddrv = {
    .name = "scripted",
    .init = scr::init,
    .addtext = scr::addtext,
    .clearpane = scr::clearpane,
    .listreset = scr::listreset,
    .listadd = scr::listadd,
    .listselect = scr::listselect,
    .menustatus = scr::menustatus,
    .menuwait = scr::menuwait,
    .showinfo = scr::showinfo,
    .askyesno = scr::askyesno,
    .readstrdlg = scr::readstrdlg,
    .choosefile = scr::choosefile,
    .playsound = scr::playsound,
    .playsoundsync = scr::playsoundsync,
    .shellopen = scr::shellopen,
    .pumpmessage = scr::pumpmessage,
    .clipdrop = scr::clipdrop,
};

void scriptreset() {
    tkreset();
    tkuse(&scripteddrv);
    queue.clear();
    lines.clear();
    part.clear();
    panelen = 0;
    items.clear();
    selected = 0;
    ended = false;
    clipok = true;
}

void scriptchoose(int n) { queue.push_back({actchoose, n, {}}); }
void scripthotkey(const std::string &spec) { queue.push_back({acthotkey, 0, spec}); }
void scriptyes() { queue.push_back({actyes, 0, {}}); }
void scriptno() { queue.push_back({actno, 0, {}}); }
void scripttype(const std::string &utf8) { queue.push_back({acttype, 0, utf8}); }
void scriptpick(const std::string &utf8) { queue.push_back({actpick, 0, utf8}); }
void scriptcancel() { queue.push_back({actcancel, 0, {}}); }
void scriptclose() { queue.push_back({actclose, 0, {}}); }
void scriptnoclip() { clipok = false; }
int scriptleft() { return int(queue.size()); }

const std::vector<std::string> &transcript() {
    flushpart();
    return lines;
}

std::string transcripttext() {
    std::string s;
    for (const std::string &l : transcript()) s += l + "\n";
    return s;
}
