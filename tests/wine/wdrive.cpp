// Test driver for the Windows program, run under wine beside it. It reads the
// program's windows the way a screen reader does and presses real keys
// through the system's input queue, one command per line on standard input:
//
//   state CAPTION   the main window with that caption (not a dialog) and the
//                   dialog or message box in front of it: caption, pane text,
//                   list items and selection, focus, the box's texts,
//                   buttons, fields and drop-down lists
//   key SPEC        a key chord: "alt+k", "Return", "shift+Tab", "alt+Left"
//   type TEXT       the characters of TEXT typed one by one
//   click CAPTION N, dblclick CAPTION N
//                   one or two mouse clicks on item N of that window's list
//   clip            the CF_HDROP block on the clipboard: size, bytes, names
//   clipclear       empties the clipboard
//   shot CAPTION PATH   a PNG of that window as shown on the screen
//
// Arguments are separated by one tab. Each answer is a run of lines
// "name=value" (value in UTF-8, with "\\", "\r", "\n" and "\t" escaped)
// ended by a line ".". Nothing here waits for the program: the caller polls
// "state" until what it expects is shown or its time runs out.
#include <windows.h>
#include <gdiplus.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <io.h>

static std::string utf8(const std::wstring &w) {
    if (w.empty()) return "";
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(std::size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

static std::wstring wide(const std::string &s) {
    if (s.empty()) return L"";
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring w(std::size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), w.data(), n);
    return w;
}

static std::string answer;  // the lines of the answer being built

static void put(const char *name, const std::string &value) {
    answer += name;
    answer += '=';
    for (char c : value) {
        if (c == '\\') answer += "\\\\";
        else if (c == '\r') answer += "\\r";
        else if (c == '\n') answer += "\\n";
        else if (c == '\t') answer += "\\t";
        else answer += c;
    }
    answer += '\n';
}

static void put(const char *name, const std::wstring &value) { put(name, utf8(value)); }
static void put(const char *name, long long value) { put(name, std::to_string(value)); }

static std::wstring wintext(HWND w) {
    // WM_GETTEXT is carried across processes by the system.
    LRESULT n = SendMessageW(w, WM_GETTEXTLENGTH, 0, 0);
    std::wstring s(std::size_t(n) + 1, L'\0');
    LRESULT got = SendMessageW(w, WM_GETTEXT, WPARAM(n + 1), LPARAM(s.data()));
    s.resize(std::size_t(got < 0 ? 0 : got));
    return s;
}

static std::wstring wclass(HWND w) {
    wchar_t buf[256];
    int n = GetClassNameW(w, buf, 256);
    return std::wstring(buf, std::size_t(n > 0 ? n : 0));
}

static bool isclass(HWND w, const wchar_t *name) { return lstrcmpiW(wclass(w).c_str(), name) == 0; }

struct findmain {
    std::wstring caption;  // the caption looked for
    HWND found;            // the first visible top-level window with it that is no dialog
};

static BOOL CALLBACK findmainproc(HWND w, LPARAM lp) {
    auto *f = reinterpret_cast<findmain *>(lp);
    if (IsWindowVisible(w) && !isclass(w, L"#32770") && wintext(w) == f->caption) {
        f->found = w;
        return FALSE;
    }
    return TRUE;
}

static HWND mainwindow(const std::wstring &caption) {
    findmain f{caption, nullptr};
    EnumWindows(findmainproc, LPARAM(&f));
    return f.found;
}

static std::vector<HWND> children(HWND parent) {
    std::vector<HWND> all;
    EnumChildWindows(
        parent,
        [](HWND w, LPARAM lp) -> BOOL {
            reinterpret_cast<std::vector<HWND> *>(lp)->push_back(w);
            return TRUE;
        },
        LPARAM(&all));
    return all;
}

static HWND childof(HWND parent, const wchar_t *cls) {
    for (HWND w = GetWindow(parent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (isclass(w, cls)) return w;
    return nullptr;
}

struct findbox {
    DWORD thread;  // the program's window thread
    HWND main;     // its main window, not a box
    HWND found;    // the front-most other visible top-level window of that thread
};

static BOOL CALLBACK findboxproc(HWND w, LPARAM lp) {
    auto *f = reinterpret_cast<findbox *>(lp);
    if (w != f->main && IsWindowVisible(w) && GetWindowThreadProcessId(w, nullptr) == f->thread) {
        f->found = w;
        return FALSE;
    }
    return TRUE;
}

// A control as a screen reader names it: its class and its text.
static std::string describe(HWND w) { return utf8(wclass(w)) + ":" + utf8(wintext(w)); }

static void state(const std::wstring &caption) {
    HWND m = mainwindow(caption);
    put("main", m ? 1 : 0);
    if (!m) return;
    put("caption", wintext(m));
    put("maximized", IsZoomed(m) ? 1 : 0);
    HWND pane = childof(m, L"Edit"), list = childof(m, L"ListBox");
    if (pane) put("pane", wintext(pane));
    if (list) {
        LRESULT n = SendMessageW(list, LB_GETCOUNT, 0, 0);
        put("items", n);
        for (LRESULT i = 0; i < n; i++) {
            LRESULT len = SendMessageW(list, LB_GETTEXTLEN, WPARAM(i), 0);
            std::wstring s(std::size_t(len < 0 ? 0 : len) + 1, L'\0');
            LRESULT got = SendMessageW(list, LB_GETTEXT, WPARAM(i), LPARAM(s.data()));
            s.resize(std::size_t(got < 0 ? 0 : got));
            put("item", s);
        }
        put("sel", SendMessageW(list, LB_GETCURSEL, 0, 0) + 1);
    }
    DWORD thread = GetWindowThreadProcessId(m, nullptr);
    GUITHREADINFO gi{};
    gi.cbSize = sizeof gi;
    if (GetGUIThreadInfo(thread, &gi)) {
        HWND f = gi.hwndFocus;
        if (!f) put("focus", "none");
        else if (f == pane) put("focus", "pane");
        else if (f == list) put("focus", "list");
        else put("focus", describe(f));
        if (gi.hwndActive) put("active", wintext(gi.hwndActive));
        if (gi.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE)) put("menumode", 1);
        if (gi.hwndCapture) put("capture", describe(gi.hwndCapture));
    }
    HWND fg = GetForegroundWindow();
    if (fg) put("foreground", wintext(fg));
    findbox fb{thread, m, nullptr};
    EnumWindows(findboxproc, LPARAM(&fb));
    if (fb.found) {
        HWND b = fb.found;
        put("box", wintext(b));
        put("boxclass", wclass(b));
        for (HWND c : children(b)) {
            if (!IsWindowVisible(c)) continue;
            if (isclass(c, L"Static")) {
                std::wstring t = wintext(c);
                if (!t.empty()) put("boxtext", t);
            } else if (isclass(c, L"Button")) put("boxbutton", wintext(c));
            else if (isclass(c, L"Edit")) put("boxedit", wintext(c));
            else if (isclass(c, L"ComboBox")) {
                // "ID:item" for every item of a drop-down list (the file
                // types of a file dialog), "ID:text" for the selected one.
                std::string id = std::to_string(GetDlgCtrlID(c)) + ":";
                LRESULT n = SendMessageW(c, CB_GETCOUNT, 0, 0), sel = SendMessageW(c, CB_GETCURSEL, 0, 0);
                for (LRESULT i = 0; i < n; i++) {
                    LRESULT len = SendMessageW(c, CB_GETLBTEXTLEN, WPARAM(i), 0);
                    std::wstring s(std::size_t(len < 0 ? 0 : len) + 1, L'\0');
                    LRESULT got = SendMessageW(c, CB_GETLBTEXT, WPARAM(i), LPARAM(s.data()));
                    s.resize(std::size_t(got < 0 ? 0 : got));
                    put("boxcomboitem", id + utf8(s));
                    if (i == sel) put("boxcombo", id + utf8(s));
                }
            }
        }
        if (gi.hwndFocus && (gi.hwndFocus == b || IsChild(b, gi.hwndFocus))) put("boxfocus", describe(gi.hwndFocus));
    }
}

// Key names of the chords, as xdotool spells them.
static WORD vkey(const std::string &name) {
    static const struct {
        const char *name;
        WORD vk;
    } keys[] = {{"Return", VK_RETURN}, {"Escape", VK_ESCAPE}, {"Tab", VK_TAB},        {"Left", VK_LEFT},
                {"Right", VK_RIGHT},   {"Up", VK_UP},         {"Down", VK_DOWN},      {"Home", VK_HOME},
                {"End", VK_END},       {"space", VK_SPACE},   {"BackSpace", VK_BACK}, {"Delete", VK_DELETE}};
    for (auto &k : keys)
        if (name == k.name) return k.vk;
    if (name.size() == 1 && std::isalpha(static_cast<unsigned char>(name[0])))
        return WORD(std::toupper(static_cast<unsigned char>(name[0])));
    if (name.size() == 1 && std::isdigit(static_cast<unsigned char>(name[0]))) return WORD(name[0]);
    if ((name[0] == 'F' || name[0] == 'f') && name.size() <= 3) {
        int n = std::atoi(name.c_str() + 1);
        if (n >= 1 && n <= 12) return WORD(VK_F1 + n - 1);
    }
    return 0;
}

static INPUT keyinput(WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = WORD(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    if (vk == VK_LEFT || vk == VK_RIGHT || vk == VK_UP || vk == VK_DOWN || vk == VK_HOME || vk == VK_END ||
        vk == VK_DELETE)
        in.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    return in;
}

static bool key(const std::string &spec) {
    std::vector<WORD> mods;
    std::string rest = spec;
    for (;;) {
        std::size_t p = rest.find('+');
        if (p == std::string::npos || p + 1 == rest.size()) break;
        std::string m = rest.substr(0, p);
        if (m == "alt") mods.push_back(VK_MENU);
        else if (m == "ctrl") mods.push_back(VK_CONTROL);
        else if (m == "shift") mods.push_back(VK_SHIFT);
        else return false;
        rest = rest.substr(p + 1);
    }
    WORD vk = vkey(rest);
    if (!vk) return false;
    std::vector<INPUT> in;
    for (WORD m : mods) in.push_back(keyinput(m, false));
    in.push_back(keyinput(vk, false));
    in.push_back(keyinput(vk, true));
    for (auto i = mods.rbegin(); i != mods.rend(); ++i) in.push_back(keyinput(*i, true));
    return SendInput(UINT(in.size()), in.data(), sizeof(INPUT)) == in.size();
}

static bool type(const std::wstring &text) {
    std::vector<INPUT> in;
    for (wchar_t c : text) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wScan = c;
        i.ki.dwFlags = KEYEVENTF_UNICODE;
        in.push_back(i);
        i.ki.dwFlags |= KEYEVENTF_KEYUP;
        in.push_back(i);
    }
    return in.empty() || SendInput(UINT(in.size()), in.data(), sizeof(INPUT)) == in.size();
}

static bool click(const std::wstring &caption, int item, int times) {
    HWND m = mainwindow(caption);
    HWND list = m ? childof(m, L"ListBox") : nullptr;
    RECT r;
    if (!list || SendMessageW(list, LB_GETITEMRECT, WPARAM(item - 1), LPARAM(&r)) == LB_ERR) return false;
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(list, &p);
    // Absolute coordinates run from 0 to 65535 over the primary screen.
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    // Every event carries the position: under wine a pointer motion coming
    // back from the X server may move the cursor between events.
    INPUT mv{};
    mv.type = INPUT_MOUSE;
    mv.mi.dx = LONG((p.x * 65535LL + sw / 2) / (sw - 1));
    mv.mi.dy = LONG((p.y * 65535LL + sh / 2) / (sh - 1));
    mv.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    if (SendInput(1, &mv, sizeof(INPUT)) != 1) return false;
    // The move is settled once the system reports the cursor there.
    POINT c{};
    for (int i = 0; i < 100 && !(GetCursorPos(&c) && c.x == p.x && c.y == p.y); i++) Sleep(10);
    std::vector<INPUT> in;
    for (int i = 0; i < times; i++) {
        INPUT b = mv;
        b.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
        in.push_back(b);
        b.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
        in.push_back(b);
    }
    return SendInput(UINT(in.size()), in.data(), sizeof(INPUT)) == in.size();
}

static void clip() {
    // Another program may hold the clipboard for a moment: try a few times.
    bool open = false;
    for (int i = 0; i < 50 && !(open = OpenClipboard(nullptr)); i++) Sleep(20);
    if (!open) {
        put("error", "clipboard busy");
        return;
    }
    HANDLE h = GetClipboardData(CF_HDROP);
    if (!h) put("hdrop", "none");
    else {
        SIZE_T n = GlobalSize(h);
        auto *p = static_cast<const unsigned char *>(GlobalLock(h));
        put("hdrop", (long long)n);
        if (p) {
            static const char hex[] = "0123456789abcdef";
            std::string s;
            for (SIZE_T i = 0; i < n; i++) {
                s += hex[p[i] >> 4];
                s += hex[p[i] & 15];
            }
            put("bytes", s);
            // The names follow the head, each ending with a 0; an empty one ends the list.
            DWORD off = n >= 20 ? *reinterpret_cast<const DWORD *>(p) : DWORD(n);
            bool widenames = n >= 20 && *reinterpret_cast<const DWORD *>(p + 16) != 0;
            SIZE_T i = off;
            while (i < n) {
                if (widenames) {
                    std::wstring w;
                    while (i + 1 < n && (p[i] | p[i + 1])) {
                        w += wchar_t(p[i] | (p[i + 1] << 8));
                        i += 2;
                    }
                    i += 2;
                    if (w.empty()) break;
                    put("name", w);
                } else {
                    std::string a;
                    while (i < n && p[i]) a += char(p[i++]);
                    i++;
                    if (a.empty()) break;
                    // Narrow names are in the system's code page.
                    int k = MultiByteToWideChar(CP_ACP, 0, a.data(), int(a.size()), nullptr, 0);
                    std::wstring w(std::size_t(k), L'\0');
                    MultiByteToWideChar(CP_ACP, 0, a.data(), int(a.size()), w.data(), k);
                    put("name", w);
                }
            }
            GlobalUnlock(h);
        }
    }
    CloseClipboard();
}

static bool clipclear() {
    bool open = false;
    for (int i = 0; i < 50 && !(open = OpenClipboard(nullptr)); i++) Sleep(20);
    if (!open) return false;
    bool ok = EmptyClipboard();
    CloseClipboard();
    return ok;
}

static bool pngencoder(CLSID *id) {
    UINT n = 0, size = 0;
    if (Gdiplus::GetImageEncodersSize(&n, &size) != Gdiplus::Ok || size == 0) return false;
    std::vector<unsigned char> buf(size);
    auto *enc = reinterpret_cast<Gdiplus::ImageCodecInfo *>(buf.data());
    if (Gdiplus::GetImageEncoders(n, size, enc) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < n; i++)
        if (lstrcmpW(enc[i].MimeType, L"image/png") == 0) {
            *id = enc[i].Clsid;
            return true;
        }
    return false;
}

// Copies the main window's rectangle of the screen into a PNG file.
static bool shot(const std::wstring &caption, const std::wstring &path) {
    HWND m = mainwindow(caption);
    RECT r;
    if (!m || !GetWindowRect(m, &r)) return false;
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    if (r.right > sw) r.right = sw;
    if (r.bottom > sh) r.bottom = sh;
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    bool ok = BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    if (ok) {
        Gdiplus::GdiplusStartupInput si;
        ULONG_PTR token = 0;
        ok = Gdiplus::GdiplusStartup(&token, &si, nullptr) == Gdiplus::Ok;
        if (ok) {
            CLSID png;
            {
                Gdiplus::Bitmap image(bmp, nullptr);
                ok = pngencoder(&png) && image.Save(path.c_str(), &png, nullptr) == Gdiplus::Ok;
            }
            Gdiplus::GdiplusShutdown(token);
        }
    }
    DeleteObject(bmp);
    return ok;
}

static std::vector<std::string> split(const std::string &line) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t p = line.find('\t', start);
        parts.push_back(line.substr(start, p == std::string::npos ? std::string::npos : p - start));
        if (p == std::string::npos) break;
        start = p + 1;
    }
    return parts;
}

int main() {
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    std::string line;
    int c;
    for (;;) {
        line.clear();
        while ((c = std::getchar()) != EOF && c != '\n') line += char(c);
        if (c == EOF && line.empty()) break;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        auto a = split(line);
        answer.clear();
        const std::string &verb = a[0];
        std::string arg = a.size() > 1 ? a[1] : "";
        bool ok = true;
        if (verb == "state") state(wide(arg));
        else if (verb == "key") ok = key(arg);
        else if (verb == "type") ok = type(wide(arg));
        else if ((verb == "click" || verb == "dblclick") && a.size() > 2)
            ok = click(wide(arg), std::atoi(a[2].c_str()), verb == "click" ? 1 : 2);
        else if (verb == "clip") clip();
        else if (verb == "clipclear") ok = clipclear();
        else if (verb == "shot" && a.size() > 2) ok = shot(wide(arg), wide(a[2]));
        else if (verb == "quit") break;
        else ok = false;
        put("ok", ok ? 1 : 0);
        answer += ".\n";
        if (std::fwrite(answer.data(), 1, answer.size(), stdout) != answer.size() || std::fflush(stdout) != 0) return 1;
    }
    return 0;
}
