// The Windows toolkit. The main window holds two child controls: the text
// pane (a read-only multi-line edit control) and the choice list (a list box).
// Both are subclassed so that Tab and Shift+Tab move the focus between them
// and Enter in the list chooses its selected item. Hotkeys come from the
// accelerator table HOTKEYACCEL, translated before any other handling of a
// pumped message. A menu waits for the next message; a run only takes one
// that is already waiting (PeekMessageW), so it never waits for the user
// and runs at the speed of the command line. The window's handlers only
// set flags (menuchoice, hotkeypending, quitflag); the application acts on
// them after the pump returns.
//
// Every text the program shows or hands over (window texts, list items,
// boxes, the input dialog, the file dialogs, sounds, shell calls, clipboard
// names) is code page 1250 inside and goes to Windows as UTF-16, so that
// Polish letters are right whatever the system's own code page is; what
// comes back (the input field, a chosen path) is converted into code page
// 1250, and a chosen path the code page cannot hold is refused.

#include "ui/win/tkwin.h"

#include <windows.h>
#include <commdlg.h>
#include <mmsystem.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstring>
#include <string>
#include <vector>

#include "sys/paths.h"
#include "text/cp1250.h"
#include "ui/tk.h"

namespace {
namespace gui {

// One child control of the main window.
struct wgtct {
    std::uint8_t kind;         // 1 = list box, 2 = edit control
    HWND wnd;                  // its window
    std::uint16_t x, y, w, h;  // rectangle last given by placecontrol, client pixels
};

// One control among which Tab moves the focus.
struct ctqrec {
    HWND wnd;         // the control
    WNDPROC oldproc;  // its own window procedure, which controlproc passes messages on to
};

enum : std::uint8_t { kindlist = 1, kindedit = 2 };
constexpr int maxcontrols = 100;                                          // entries of controltable and tabring
constexpr DWORD panestyle = ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY;  // 0x0844
constexpr WORD cmdclose = 100;                                            // accelerator command of Esc
constexpr WORD cmdhotkey = 1000;                                          // accelerator command of hotkey n is 1000 + n
constexpr int dlgprompt_id = 12, dlgfield_id = 13;                        // READSTRDLG's prompt and input field
constexpr std::size_t fieldroom = 255;  // characters taken from the input field, with the NUL
constexpr DWORD filebufchars = 1024;    // room for a chosen path (longer ones are refused)

// ---- Window state ----
HINSTANCE inst = nullptr;             // the program's module
std::wstring classname;               // window class name: apptitle when guiinit ran
std::wstring caption;                 // main window's caption: apptitle when guiinit ran
HWND mainwnd = nullptr;               // the main window; null until it is made
bool gone = false;                    // the main window has been destroyed
wgtct controltable[maxcontrols + 1];  // child controls, 1-based, in the order made
int controlcount = 0;                 // entries of controltable in use
ctqrec tabring[maxcontrols + 1];      // the Tab ring, 1-based
int ringcount = 0;                    // entries of tabring in use
int curcontrol = 0;                   // ring position that holds (or gets back) the focus; 0 = none
int listctl = 0;                      // controltable position of the list
int panectl = 0;                      // controltable position of the pane
DWORD extrastyle = 0;                 // styles added to the next control made; reset by createcontrol
void (*layouthandler)() = nullptr;    // called on WM_SIZE and WM_PAINT once layoutpanes has run
LRESULT (*msghook)(HWND, UINT, WPARAM, LPARAM) = nullptr;  // second stage of mainproc (cmdproc)
bool calldefault = true;                                   // the message being handled goes on to DefWindowProc
std::uint16_t clientw = 0, clienth = 0;                    // client size of the main window as layoutpanes last read it
HACCEL accel = nullptr;                                    // HOTKEYACCEL; null when it could not be loaded
MSG msg;                                                   // the message being pumped
std::wstring panepending;                                  // pane text added since it was last handed to the control
DWORD paneflushed = 0;                                     // GetTickCount of the last time it was handed over

// ---- Texts at the edge ----

std::wstring wtext(const shortstr &s) {
    std::u16string u = utf16fromcp1250(s.view());
    return std::wstring(u.begin(), u.end());
}

shortstr cptext(const wchar_t *w, std::size_t n) {
    return shortstr(cp1250fromutf16(std::u16string_view(reinterpret_cast<const char16_t *>(w), n)));
}

// Owner of boxes and dialogs: the main window while it exists.
HWND owner() { return mainwnd && !gone ? mainwnd : nullptr; }

HWND ctlwnd(int n) { return n >= 1 && n <= controlcount && !gone ? controltable[n].wnd : nullptr; }

// ---- Controls ----

LRESULT CALLBACK controlproc(HWND wnd, UINT m, WPARAM wp, LPARAM lp);

int createcontrol(std::uint8_t kind) {
    DWORD style = extrastyle | WS_CHILD | WS_BORDER;
    extrastyle = 0;
    const wchar_t *cls = nullptr;
    if (kind == kindlist) {
        cls = L"listbox";
        style |= LBS_NOTIFY;
    } else if (kind == kindedit) cls = L"edit";
    if (!cls || controlcount >= maxcontrols) return 0;
    HWND w = CreateWindowExW(0, cls, nullptr, style, 0, 0, 0, 0, mainwnd, nullptr, inst, nullptr);
    if (!w) return 0;
    controlcount++;
    controltable[controlcount] = {kind, w, 0, 0, 0, 0};
    return controlcount;
}

void placecontrol(int n, std::uint16_t x, std::uint16_t y, std::uint16_t w, std::uint16_t h) {
    if (n < 1 || n > controlcount) return;
    wgtct &c = controltable[n];
    c.x = x;
    c.y = y;
    c.w = w;
    c.h = h;
    MoveWindow(c.wnd, x, y, w, h, TRUE);
}

void showcontrol(int n) {
    HWND w = ctlwnd(n);
    if (!w) return;
    ShowWindow(w, SW_SHOW);
    UpdateWindow(w);
}

void subclasscontrol(int n) {
    HWND w = ctlwnd(n);
    if (!w || ringcount >= maxcontrols) return;
    ringcount++;
    tabring[ringcount].wnd = w;
    tabring[ringcount].oldproc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(w, GWLP_WNDPROC));
    SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(controlproc));
    if (curcontrol == 0) curcontrol = 1;
}

int ringpos(HWND w) {
    for (int i = 1; i <= ringcount; i++)
        if (tabring[i].wnd == w) return i;
    return 0;
}

void focuscontrol(int n) {
    HWND w = ctlwnd(n);
    if (!w) return;
    SetFocus(w);
    int i = ringpos(w);
    if (curcontrol > 0 && i > 0) curcontrol = i;
}

void focuscurrent() {
    if (curcontrol >= 1 && curcontrol <= ringcount && !gone) SetFocus(tabring[curcontrol].wnd);
}

// The pane takes the upper two thirds of the client area, the list the rest.
void layoutpanes() {
    if (!layouthandler) layouthandler = layoutpanes;
    RECT r;
    if (gone || !GetClientRect(mainwnd, &r)) return;
    clientw = std::uint16_t(r.right);
    clienth = std::uint16_t(r.bottom);
    if (clientw == 0 || clienth == 0) return;  // minimised: the controls keep their places
    std::uint16_t top = std::uint16_t(clienth / 3 * 2);
    placecontrol(panectl, 0, 0, clientw, top);
    placecontrol(listctl, 0, top, clientw, std::uint16_t(clienth - top));
}

// Tab and Shift+Tab move the focus around the ring and never reach the
// controls; Enter in the list (the only control with LBS_NOTIFY) chooses its
// selected item as a double click does.
LRESULT CALLBACK controlproc(HWND wnd, UINT m, WPARAM wp, LPARAM lp) {
    bool islist = (GetWindowLongPtrW(wnd, GWL_STYLE) & LBS_NOTIFY) != 0;
    if (m == WM_KEYDOWN && wp == VK_TAB) {
        if (curcontrol > 0 && ringcount > 0) {
            int i = ringpos(wnd);
            i += GetKeyState(VK_SHIFT) < 0 ? -1 : 1;
            if (i > ringcount) i = 1;
            if (i <= 0) i = ringcount;
            curcontrol = i;
            SetFocus(tabring[i].wnd);
        }
        return 0;
    }
    if (m == WM_KEYDOWN && wp == VK_RETURN && islist) {
        SendMessageW(mainwnd, WM_COMMAND, MAKEWPARAM(1, LBN_DBLCLK), reinterpret_cast<LPARAM>(wnd));
        return 0;
    }
    if (m == WM_KEYUP && (wp == VK_TAB || (wp == VK_RETURN && islist))) return 0;
    int i = ringpos(wnd);
    if (i == 0) return 0;
    return CallWindowProcW(tabring[i].oldproc, wnd, m, wp, lp);
}

// ---- Main window ----

// Second stage of mainproc: closing, the list's notifications, the hotkeys.
LRESULT cmdproc(HWND wnd, UINT m, WPARAM wp, LPARAM lp) {
    calldefault = true;
    if (m == WM_CLOSE) {
        // Yes lets the default processing destroy the window (WM_DESTROY
        // then sets quitflag); No keeps everything as it was.
        bool yes = closequestion();
        calldefault = yes;
    } else if (m == WM_COMMAND && lp != 0 && reinterpret_cast<HWND>(lp) == ctlwnd(listctl)) {
        WORD code = HIWORD(wp);
        if (code == LBN_DBLCLK) {
            LRESULT sel = SendMessageW(reinterpret_cast<HWND>(lp), LB_GETCURSEL, 0, 0);
            // Only a real item is a choice: not the status line of menustatus.
            if (sel != LB_ERR && sel + 1 <= itemcount) menuchoice = std::int32_t(sel + 1);
            calldefault = false;
        } else if (code == LBN_SELCHANGE && !busyflag) playsound(progdir() + "evselchg.wav", false);
    } else if (m == WM_COMMAND && lp == 0) {
        WORD id = LOWORD(wp);
        if (id == cmdclose) SendMessageW(wnd, WM_CLOSE, 0, 0);
        else if (id > cmdhotkey && id <= cmdhotkey + 255) hotkeypending = std::uint8_t(id - cmdhotkey);
    }
    return 0;
}

LRESULT CALLBACK mainproc(HWND wnd, UINT m, WPARAM wp, LPARAM lp) {
    calldefault = true;
    LRESULT result = 0;
    switch (m) {
    case WM_DESTROY:
        gone = true;
        quitflag = true;
        break;
    case WM_SIZE:
    case WM_PAINT:
        if (layouthandler) layouthandler();
        break;
    case WM_SETFOCUS:
        // Back to the pane or the list, wherever Tab, a hotkey or guiinit left it.
        focuscurrent();
        break;
    }
    if (msghook) result = msghook(wnd, m, wp, lp);
    if (calldefault) result = DefWindowProcW(wnd, m, wp, lp);
    return result;
}

// ---- Driver entries ----

bool init() {
    inst = GetModuleHandleW(nullptr);
    classname = wtext(apptitle);
    caption = wtext(apptitle);
    controlcount = ringcount = curcontrol = 0;
    listctl = panectl = 0;
    gone = false;
    // The shell's hand-offs may go through COM components.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    WNDCLASSW wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = mainproc;
    wc.hInstance = inst;
    wc.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));      // IDI_APPLICATION
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = classname.c_str();
    if (!RegisterClassW(&wc)) {
        ::showinfo("Nie można zarejestrować okna"_pl);
        return false;
    }
    HWND w = CreateWindowExW(0, classname.c_str(), caption.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, inst, nullptr);
    if (!w) {
        ::showinfo("Błąd: nie można utworzyć głównego okna"_pl);
        return false;
    }
    mainwnd = w;
    ShowWindow(mainwnd, SW_SHOW);
    UpdateWindow(mainwnd);

    accel = LoadAcceleratorsW(inst, L"HOTKEYACCEL");
    msghook = cmdproc;
    listctl = createcontrol(kindlist);
    extrastyle = panestyle;
    panectl = createcontrol(kindedit);
    subclasscontrol(panectl);  // ring position 1, where the focus starts
    subclasscontrol(listctl);  // ring position 2
    layoutpanes();
    showcontrol(listctl);
    showcontrol(panectl);
    focuscurrent();
    ShowWindow(mainwnd, SW_SHOWMAXIMIZED);
    UpdateWindow(mainwnd);
    if (HWND p = ctlwnd(panectl)) UpdateWindow(p);
    if (HWND l = ctlwnd(listctl)) UpdateWindow(l);
    if (HWND p = ctlwnd(panectl)) SendMessageW(p, EM_LIMITTEXT, panemax, 0);
    if (HWND p = ctlwnd(panectl)) SetWindowTextW(p, nullptr);
    return true;
}

// The text added since the last time goes to the pane in one piece, at its
// end, in place: the caret goes to the end and the empty selection there is
// replaced (the control cuts the text at its limit). Every insertion costs
// the control about the length of what it holds, so lines are gathered and
// handed over whenever the user can next look: before every menu, box and
// dialog, during a run every quarter of a second, and when much is waiting.
void paneflush() {
    paneflushed = GetTickCount();
    if (panepending.empty()) return;
    std::wstring w;
    w.swap(panepending);
    HWND p = ctlwnd(panectl);
    if (!p) return;
    int n = GetWindowTextLengthW(p);
    SendMessageW(p, EM_SETSEL, WPARAM(n), LPARAM(n));
    SendMessageW(p, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(w.c_str()));
}

constexpr std::size_t panebatch = 65536;  // characters gathered at most before they go to the pane

void addtext(const shortstr &t) {
    if (!ctlwnd(panectl)) return;
    panepending += wtext(t);
    if (panepending.size() >= panebatch) paneflush();
}

void clearpane() {
    panepending.clear();
    if (HWND p = ctlwnd(panectl)) SetWindowTextW(p, nullptr);
}

void listreset() {
    if (HWND l = ctlwnd(listctl)) SendMessageW(l, LB_RESETCONTENT, 0, 0);
}

void listadd(const shortstr &c) {
    HWND l = ctlwnd(listctl);
    if (!l) return;
    std::wstring w = wtext(c);
    SendMessageW(l, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w.c_str()));
}

void listselect(std::int32_t n) {
    if (HWND l = ctlwnd(listctl)) SendMessageW(l, LB_SETCURSEL, WPARAM(n - 1), 0);
}

void menustatus(const shortstr &t) {
    listreset();
    listadd(t);
}

// The fetched message to its window, through the hotkeys first.
void dispatch() {
    if (!accel || gone || !TranslateAcceleratorW(mainwnd, accel, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// During a run: one waiting message is let through, and when none waits the
// run goes on at once (a run must never wait for the user).
void pumpmessage() {
    if (GetTickCount() - paneflushed >= 250) paneflush();
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return;
    if (msg.message == WM_QUIT) {
        quitflag = true;
        return;
    }
    dispatch();
}

// At a menu: waits for the next message and lets it through.
void waitmessage() {
    BOOL r = GetMessageW(&msg, nullptr, 0, 0);
    if (r == 0 || r == -1) {  // WM_QUIT, or the thread cannot fetch messages at all
        quitflag = true;
        return;
    }
    dispatch();
}

// Waits for Enter, a double click or a hotkey. A hotkey no item carries
// beeps and the wait goes on; one that an item carries chooses it and puts
// the focus into the list.
void menuwait() {
    paneflush();
    while (menuchoice == 0 && !quitflag) {
        waitmessage();
        if (hotkeypending > 0) {
            if (hotkeyresolve(hotkeypending) > 0) focuscontrol(listctl);
            else MessageBeep(0);
        }
    }
}

void showinfo(const shortstr &t, const shortstr &cap) {
    paneflush();
    MessageBoxW(owner(), wtext(t).c_str(), wtext(cap).c_str(), MB_OK | MB_ICONINFORMATION);
}

bool askyesno(const shortstr &t, const shortstr &cap, std::int32_t) {
    paneflush();
    return MessageBoxW(owner(), wtext(t).c_str(), wtext(cap).c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

INT_PTR CALLBACK readstrproc(HWND dlg, UINT m, WPARAM wp, LPARAM) {
    if (m == WM_INITDIALOG) {
        SetWindowTextW(dlg, wtext(dlgtitle).c_str());
        SetDlgItemTextW(dlg, dlgprompt_id, wtext(dlgprompt).c_str());
        SetDlgItemTextW(dlg, dlgfield_id, wtext(dlgtext).c_str());
        return TRUE;  // the dialog manager puts the focus into the input field
    }
    if (m == WM_COMMAND && LOWORD(wp) == IDOK) {
        wchar_t buf[fieldroom] = {};
        UINT n = GetDlgItemTextW(dlg, dlgfield_id, buf, int(fieldroom));
        dlgtext = cptext(buf, n);
        EndDialog(dlg, 1);
        return TRUE;
    }
    if (m == WM_COMMAND && LOWORD(wp) == IDCANCEL) {
        EndDialog(dlg, 0);
        return TRUE;
    }
    return FALSE;
}

// False only when the user cancelled; a dialog that could not be made leaves
// dlgtext as it was and counts as confirmed.
bool readstrdlg() {
    paneflush();
    INT_PTR r = DialogBoxParamW(inst, L"READSTRDLG", owner(), readstrproc, 0);
    return r != 0;
}

void choosefile(std::uint32_t flags, std::uint8_t mode) {
    paneflush();
    filefilter ff[16];
    shortstr defext;
    int n = filefilters(flags, dlgprompt, ff, 16, defext);
    std::wstring filter;
    for (int i = 0; i < n; i++) {
        filter += wtext(ff[i].desc);
        filter += L'\0';
        filter += wtext(ff[i].pattern);
        filter += L'\0';
    }
    filter += L'\0';  // with the string's own terminator: the list ends with two NULs
    std::wstring title = wtext(dlgtitle), folder = wtext(dlgtext), ext = wtext(defext);
    std::vector<wchar_t> file(filebufchars, L'\0');

    OPENFILENAMEW ofn;
    std::memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    ofn.hwndOwner = owner();
    ofn.lpstrFilter = n > 0 ? filter.c_str() : nullptr;
    ofn.nFilterIndex = 0;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = filebufchars;
    ofn.lpstrInitialDir = dlgtext.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = dlgtitle.empty() ? nullptr : title.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY;
    if (mode == 0) ofn.Flags |= OFN_FILEMUSTEXIST;
    if (mode == 1) ofn.Flags |= OFN_OVERWRITEPROMPT;
    ofn.lpstrDefExt = ext.c_str();

    BOOL ok = mode == 0 ? GetOpenFileNameW(&ofn) : GetSaveFileNameW(&ofn);
    shortstr path, why;
    if (ok) {
        file.back() = L'\0';
        // Refused, never cut or changed: a path longer than 255 bytes or with
        // characters code page 1250 cannot hold would name another file.
        if (pathfromwide(std::wstring_view(file.data()), path, why)) {
            dlgtext = path;
            opstatus = 0;
            return;
        }
        ::showinfo(why);
    } else if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
        ::showinfo("Ścieżka jest za długa: ma więcej niż 255 znaków."_pl);
    opstatus = 1;
    dlgtext = shortstr();
}

// Starting a sound cuts off the one that plays (the looping one included);
// with SND_NODEFAULT a missing file plays nothing at all.
void playsound(const shortstr &path, bool loop) {
    UINT f = SND_ASYNC | SND_NODEFAULT;
    if (loop) f |= SND_LOOP;
    sndPlaySoundW(wtext(path).c_str(), f);
}

void playsoundsync(const shortstr &path) {
    paneflush();
    sndPlaySoundW(wtext(path).c_str(), SND_SYNC | SND_NODEFAULT);
}

// The folder and the parameters go as empty texts, not as missing ones.
void shellopen(const shortstr &target) {
    ShellExecuteW(owner(), L"OPEN", wtext(target).c_str(), L"", L"", SW_SHOWMAXIMIZED);
}

// A file-drop block with UTF-16 names in place of the code page 1250 ones.
std::vector<unsigned char> wideblock(const unsigned char *block, std::uint32_t len) {
    std::vector<unsigned char> out(block, block + 20);
    out[16] = 1;  // names are wide characters
    auto put16 = [&out](char16_t c) {
        out.push_back((unsigned char)(c & 0xFF));
        out.push_back((unsigned char)(c >> 8));
    };
    std::uint32_t at = 20;
    while (at < len && block[at] != 0) {
        std::uint32_t end = at;
        while (end < len && block[end] != 0) end++;
        for (char16_t c : utf16fromcp1250(std::string_view(reinterpret_cast<const char *>(block + at), end - at)))
            put16(c);
        put16(0);
        at = end + 1;
    }
    put16(0);
    return out;
}

// The clipboard takes the block in the file-drop format. Names are code page
// 1250 bytes, which Windows reads in its own code page: where that is not
// 1250 and a name holds a byte above 0x7F, the names go as UTF-16 instead.
// The main window owns the clipboard content (a clipboard opened without an
// owner need not accept data).
bool clipdrop(const unsigned char *block, std::uint32_t len) {
    if (len < 22) return false;
    std::vector<unsigned char> data(block, block + len);
    bool high = false;
    for (std::uint32_t i = 20; i < len; i++)
        if (block[i] >= 0x80) high = true;
    if (high && GetACP() != 1250) data = wideblock(block, len);

    if (!OpenClipboard(owner())) return false;
    EmptyClipboard();
    bool taken = false;
    if (HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, data.size())) {
        if (void *p = GlobalLock(h)) {
            std::memcpy(p, data.data(), data.size());
            GlobalUnlock(h);
            taken = SetClipboardData(CF_HDROP, h) != nullptr;
        }
        if (!taken) GlobalFree(h);  // the clipboard did not take it: it is still ours
    }
    CloseClipboard();
    return taken;
}

}  // namespace gui
}  // namespace

const tkdriver windrv = {
    .name = "window",
    .init = gui::init,
    .addtext = gui::addtext,
    .clearpane = gui::clearpane,
    .listreset = gui::listreset,
    .listadd = gui::listadd,
    .listselect = gui::listselect,
    .menustatus = gui::menustatus,
    .menuwait = gui::menuwait,
    .showinfo = gui::showinfo,
    .askyesno = gui::askyesno,
    .readstrdlg = gui::readstrdlg,
    .choosefile = gui::choosefile,
    .playsound = gui::playsound,
    .playsoundsync = gui::playsoundsync,
    .shellopen = gui::shellopen,
    .pumpmessage = gui::pumpmessage,
    .clipdrop = gui::clipdrop,
};

const tkdriver *tkinteractive() { return &windrv; }
