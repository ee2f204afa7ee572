// The toolkit's platform-free half: its state, the hotkey vocabulary, the
// captions and questions, readnum, the file type list, the mail and web
// hand-offs, idlepump and the closing rules. What only a platform can do
// (show, wait, play, open) goes through the implementation chosen by tkuse.

#include "ui/tk.h"

#include <cstdlib>

#include "sys/paths.h"
#include "text/strutil.h"
#include "ui/batch/tkbatch.h"
#include "ui/tkdrv.h"

// ---- Toolkit state ----
shortstr apptitle;                      // caption of the main window; set before guiinit
bool quitflag = false;                  // closing confirmed (or platform quit); never goes back
bool busyflag = false;                  // a run is in progress (set by the application)
std::int32_t menuchoice = 0;            // item chosen by the last menuwait; 0 = none
std::uint16_t opstatus = 0;             // 1 when the last readstr/choosefile was cancelled
shortstr dlgtitle;                      // input dialog caption / file dialog title
shortstr dlgprompt;                     // input dialog prompt / caller's file type list
shortstr dlgtext;                       // dialog's initial text or folder, then its result
std::int32_t itemcount = 0;             // items in the list menu, 0..maxitems
std::uint8_t itemhotkey[maxitems + 1];  // hotkey code of item n, 0 = none (index 0 unused)
std::int32_t idlecount = 0;             // idlepump calls since the last pumped message
std::uint8_t hotkeypending = 0;         // hotkey delivered by the platform, not yet resolved
bool dlgfolder = false;                 // the input dialog asks for a folder (readfolder)
shortstr dlgempty;                      // while dlgfolder: what an empty folder stands for
const tkdriver *tkdrv = &batchdrv;      // the implementation in use (tkuse picks it)
static bool windowmade = false;         // guiinit made the main window (or stand-in)

void tkuse(const tkdriver *d) { tkdrv = d ? d : &batchdrv; }

bool tkwindow() { return windowmade; }

void tkreset() {
    apptitle = shortstr();
    quitflag = false;
    busyflag = false;
    menuchoice = 0;
    opstatus = 0;
    dlgtitle = dlgprompt = dlgtext = shortstr();
    itemcount = 0;
    for (auto &h : itemhotkey) h = 0;
    idlecount = 0;
    hotkeypending = 0;
    dlgfolder = false;
    dlgempty = shortstr();
    windowmade = false;
}

// ---- Start-up ----

void guiinit() {
    quitflag = false;
    idlecount = 0;
    hotkeypending = 0;
    if (!tkdrv->init()) std::exit(0);  // the implementation has shown why
    windowmade = true;
}

// ---- Text pane ----
// The pane keeps taking lines after the user has confirmed closing: a run
// that stops then still reports its counts, and an implementation whose
// window is gone simply shows nothing. Clearing and the list operations keep
// the toolkit's state but show nothing once closing is confirmed.

bool addtext(const shortstr &t) {
    if (t.size() > 0) tkdrv->addtext(t);
    return true;
}

void newline() { addtext("\r\n"); }

// A line's own text breaks no line: a control byte in it (a file name with
// a line break, an escape from a setting) shows as "?".
void addline(const shortstr &t) {
    shortstr l = t;
    for (std::size_t i = 0; i < l.size(); i++)
        if (iscontrolbyte(l[i])) l[i] = '?';
    addtext(l);
    newline();
}

void clearpane() {
    if (!quitflag) tkdrv->clearpane();
}

// ---- List menu ----

void menuclear() {
    menuchoice = 0;
    itemcount = 0;
    if (!quitflag) tkdrv->listreset();
}

std::int32_t menuadd(const shortstr &caption, int hotkey) {
    if (itemcount >= maxitems) return 0;
    itemcount++;
    shortstr c = caption;
    if (hotkey > 0) c += " - " + hotkeyname(hotkey);
    itemhotkey[itemcount] = (hotkey >= 1 && hotkey <= 53) ? std::uint8_t(hotkey) : 0;
    if (!quitflag) tkdrv->listadd(c);
    return itemcount;
}

void menuselect(std::int32_t n) {
    if (n <= 0 || n > itemcount || quitflag) return;
    tkdrv->listselect(n);
}

void menustatus(const shortstr &t) {
    menuchoice = 0;
    itemcount = 0;
    if (!quitflag) tkdrv->menustatus(t);
}

void menuwait() {
    menuchoice = 0;
    hotkeypending = 0;  // a hotkey pressed while no menu waited is dropped
    if (!quitflag) tkdrv->menuwait();
    if (quitflag) menuchoice = 0;
    if (menuchoice > 0) playsound(progdir() + "event.wav", false);
    clearpane();
}

std::int32_t hotkeyresolve(int code) {
    hotkeypending = 0;
    if (code <= 0) return 0;
    for (std::int32_t i = 1; i <= itemcount; i++)
        if (itemhotkey[i] == code) {
            menuchoice = i;
            return i;
        }
    return 0;
}

// Spec texts of more than one character, in the order they are compared.
static const struct {
    const char *spec;
    int code;
} hotkeywords[] = {
    {"f1", 37}, {"f2", 38},    {"f3", 39},  {"f4", 40},  {"f5", 41},  {"f6", 42},   {"f7", 43},
    {"f8", 44}, {"f9", 45},    {"f10", 46}, {"f11", 47}, {"f12", 48}, {"sl", 49},   {"left", 49},
    {"sp", 50}, {"right", 50}, {"sg", 51},  {"up", 51},  {"sd", 52},  {"down", 52}, {"enter", 53},
};

int hotkeycode(const shortstr &spec) {
    if (spec.size() == 1) {
        unsigned char c = spec.at(0);
        if (c >= 'A' && c <= 'Z') return c - 'A' + 1;
        if (c >= 'a' && c <= 'z') return c - 'a' + 1;
        if (c >= '0' && c <= '9') return c - 21;
        return 0;
    }
    for (const auto &w : hotkeywords)
        if (spec == w.spec) return w.code;
    return 0;
}

shortstr hotkeyname(int code) {
    if (code >= 1 && code <= 26) return shortstr("alt+") + char(96 + code);
    if (code >= 27 && code <= 36) return shortstr("ctrl+") + char(21 + code);
    if (code >= 37 && code <= 48) return "ctrl+f" + numtostr(code - 36);
    switch (code) {
    case 49: return "alt+lewo";
    case 50: return "alt+prawo";
    case 51: return "alt+"_pl + "góra"_pl;
    case 52: return "alt+"_pl + "dół"_pl;
    case 53: return "alt+enter";
    }
    return shortstr();
}

// ---- Message boxes ----

void showinfo(const shortstr &t) {
    shortstr caption = "Info";
    if (!tkwindow()) caption += " - " + apptitle;
    tkdrv->showinfo(t, caption);
}

bool askyesno(const shortstr &t, std::int32_t id) {
    if (quitflag) return false;  // nobody is left to answer
    shortstr q = t;
    if (q.empty() || q.at(q.size() - 1) != '?') q += '?';
    shortstr caption = "Pytanie";
    if (!tkwindow()) caption += " - " + apptitle;
    return tkdrv->askyesno(q, caption, id);
}

// ---- Input ----

// The input dialog of readstr and readfolder; a folder's answer is kept
// whole (the implementation has refused what cannot be kept), a text's is
// what the field gives back, at most 254 characters.
static shortstr askdialog(const shortstr &prompt, const shortstr &initial, bool folder, const shortstr &emptymeans) {
    dlgtitle = "Wprowadzanie danych";
    dlgprompt = prompt;
    dlgtext = initial;
    dlgfolder = folder;
    dlgempty = emptymeans;
    opstatus = 0;
    bool ok = tkdrv->readstrdlg();
    dlgfolder = false;
    dlgempty = shortstr();
    if (!ok) {
        opstatus = 1;
        dlgtext = initial;
    } else if (!folder) dlgtext.resize(254);
    dlgtext = trimboth(dlgtext);
    return dlgtext;
}

shortstr readstr(const shortstr &prompt, const shortstr &initial) { return askdialog(prompt, initial, false, ""); }

shortstr readfolder(const shortstr &prompt, const shortstr &initial, const shortstr &emptymeans) {
    return askdialog(prompt, initial, true, emptymeans);
}

std::int32_t readnum(const shortstr &prompt, std::int32_t def, std::int32_t min, std::int32_t max) {
    shortstr t = readstr(prompt, numtostr(def));
    std::int32_t v = strtonum(t);
    if (v < min || v > max) {
        showinfo("Oczekiwano liczby z zakresu " + numtostr(min) + " do " + numtostr(max) + ".");
        return def;
    }
    return v;
}

// ---- Files ----

void dlgfilter(const shortstr &caption, const shortstr &pattern) {
    dlgprompt = caption;
    dlgprompt += char(0);
    dlgprompt += pattern;
    dlgprompt += char(0);
    dlgprompt += char(0);
}

void choosefile(std::uint32_t flags, std::uint8_t mode) {
    opstatus = 0;
    tkdrv->choosefile(flags, mode);
    if (opstatus != 0) {
        opstatus = 1;
        dlgtext = shortstr();
    }
}

static shortstr nulended(shortstr s) { return s += char(0); }

// The list is built as the one byte string the system's dialogs take
// (description NUL pattern NUL ..., each step cut at 255 bytes), then split
// into its pairs; a description left without its pattern by the cut is dropped.
int filefilters(std::uint32_t flags, const shortstr &own, filefilter *out, int max, shortstr &defext) {
    shortstr list;
    defext = shortstr();
    if (flags & fileown) {
        // The caller's list ends at its first empty description.
        std::size_t end = 0;
        while (end < own.size() && own.at(end) != 0) {
            while (end < own.size() && own.at(end) != 0) end++;  // description
            if (end < own.size()) end++;
            while (end < own.size() && own.at(end) != 0) end++;  // pattern
            if (end < own.size()) end++;
        }
        list = own.sub(0, end);
    }
    if (flags & filetext) {
        // Text files first, the caller's types beside them.
        list = nulended("Pliki tekstowe (*.txt)") + nulended("*.txt") + list;
        defext = "txt";
    }
    if (flags & filesound) {
        list = nulended("Pliki dźwiękowe (*.wav)"_pl) + nulended("*.wav");
        defext = "wav";
    }
    if (flags & fileall) {
        list += nulended("Wszystkie pliki (*.*)") + nulended("*.*");
        defext = shortstr();
    }
    int n = 0;
    std::size_t i = 0;
    while (i < list.size() && n < max) {
        std::size_t a = i;
        while (i < list.size() && list.at(i) != 0) i++;
        shortstr desc = list.sub(a, i - a);
        if (desc.empty() || i >= list.size()) break;  // end of list, or no pattern left
        i++;
        std::size_t b = i;
        while (i < list.size() && list.at(i) != 0) i++;
        shortstr pat = list.sub(b, i - b);
        if (i < list.size()) i++;
        if (pat.empty()) break;
        out[n].desc = desc;
        out[n].pattern = pat;
        n++;
    }
    return n;
}

// ---- Sounds ----

void playsound(const shortstr &path, bool loop) { tkdrv->playsound(path, loop); }
void playsoundsync(const shortstr &path) { tkdrv->playsoundsync(path); }

// ---- Mail and web ----

void sendmail(const shortstr &address) {
    if (askyesno("Czy chcesz utworzyć w domyślnym programie pocztowym wiadomość email na adres "_pl + address))
        tkdrv->shellopen("mailto:" + address);
}

void openweb(const shortstr &address) {
    shortstr a = address;
    std::string_view v = a.view();
    if (!v.starts_with("http://") && !v.starts_with("https://") && !v.starts_with("ftp://")) a = "http://" + address;
    if (askyesno("Czy chcesz otworzyć w domyślnej przeglądarce www stronę internetową:\r\n"_pl + a))
        tkdrv->shellopen(a);
}

// ---- Clipboard ----

bool clipfiles(const unsigned char *block, std::uint32_t len) {
    if (!tkdrv->clipdrop) return false;
    return tkdrv->clipdrop(block, len);
}

// ---- Message pumping ----

void pumpmessage() {
    if (quitflag) return;
    tkdrv->pumpmessage();
}

void idlepump() {
    if (quitflag) return;
    if (++idlecount >= 10000) {
        pumpmessage();
        idlecount = 0;
    }
}

void idlepumpn(std::uint32_t n) {
    if (quitflag || n == 0) return;
    idlecount += std::int32_t(n);
    if (idlecount >= 10000) {
        // The call that reached 10000 pumps and starts the count again; the
        // calls after it count from 0.
        idlecount -= 10000;
        pumpmessage();
    }
}

// ---- Closing ----

shortstr closetext() {
    return busyflag ? "Czy przerwać aktualny proces i zakończyć program?"_pl
                    : "Czy na pewno chcesz zamknąć program?"_pl;
}

bool closequestion() {
    if (quitflag) return true;
    if (!askyesno(closetext())) return false;
    quitflag = true;
    return true;
}
