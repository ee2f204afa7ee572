// File and path helpers and the file-system edge. Every system call through
// which the program touches files lives in this file, so that another platform
// replaces only this file. Paths inside the program are code page 1250 texts;
// on Linux they become UTF-8 here, on Windows UTF-16 for the "W" functions.

#include "sys/paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "text/cp1250.h"
#include "text/strutil.h"

// ---- Program folder state ----
static shortstr pdir;           // the program's folder with a trailing separator; "" when unusable
static shortstr pdirerr;        // why pdir is empty (Polish, for the user); "" when it is usable
static bool pdirready = false;  // progdirinit has run

// ---- Taking paths apart ----

// "\", "/" and ":" separate path parts on every platform, so that paths of
// every origin are taken apart alike.
static bool issep(char c) { return c == '\\' || c == '/' || c == ':'; }

// Position (0-based) of the last separator, or -1; with dots, the last dot
// counts as well and whichever comes last wins.
static int lastsep(const shortstr &p, bool dots) {
    for (int i = int(p.size()) - 1; i >= 0; i--)
        if (issep(p[i]) || (dots && p[i] == '.')) return i;
    return -1;
}

shortstr dirpart(const shortstr &p) {
    int i = lastsep(p, false);
    return i < 0 ? shortstr() : p.sub(0, std::size_t(i) + 1);
}

shortstr nameof(const shortstr &p) {
    int i = lastsep(p, false);
    return pllower(i < 0 ? p : p.sub(std::size_t(i) + 1));
}

shortstr stripext(const shortstr &p) {
    if (p.size() < 3) return p;
    int i = lastsep(p, true);
    if (i >= 0 && p[i] == '.') return p.sub(0, std::size_t(i));
    return p;
}

shortstr extof(const shortstr &p) {
    if (p.size() < 3) return shortstr();
    int i = lastsep(p, true);
    if (i >= 0 && p[i] == '.') return pllower(p.sub(std::size_t(i)));
    return shortstr();
}

// ---- Conversion between the program's paths and the system's ----

std::string pathtosys(const shortstr &p) { return utf8fromcp1250(p.view()); }

#ifdef _WIN32
std::wstring pathtowide(const shortstr &p) {
    std::u16string u = utf16fromcp1250(p.view());
    return std::wstring(u.begin(), u.end());
}

// UTF-8 and UTF-16 as the system converts them; a malformed sequence becomes
// U+FFFD, which no code page 1250 path can hold.
static std::wstring widefromutf8(const std::string &s) {
    if (s.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring w(std::size_t(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), w.data(), n);
    return w;
}

static std::string utf8fromwide(std::wstring_view w) {
    if (w.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(std::size_t(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

bool pathfromwide(std::wstring_view w, shortstr &out, shortstr &why) { return pathfromsys(utf8fromwide(w), out, why); }

// The system's name of a path, false when the path cannot be given to the
// system as it is: a zero byte would silently cut it and so name another file.
static bool sysname(const shortstr &p, std::wstring &out) {
    if (p.view().find('\0') != std::string_view::npos) {
        errno = EINVAL;
        return false;
    }
    out = pathtowide(p);
    return true;
}

// The error number of the last failed system call; never 0.
static int lasterror() {
    DWORD e = GetLastError();
    return e ? int(e) : EIO;
}
#else
// The system's name of a path, false when the path cannot be given to the
// system as it is: a zero byte would silently cut it and so name another file.
static bool sysname(const shortstr &p, std::string &out) {
    if (p.view().find('\0') != std::string_view::npos) {
        errno = EINVAL;
        return false;
    }
    out = pathtosys(p);
    return true;
}
#endif

bool pathfromsys(const std::string &sys, shortstr &out, shortstr &why) {
    out = shortstr();
    why = shortstr();
    if (sys.find('\0') != std::string::npos) {
        why = "Ścieżka zawiera niedozwolony znak o kodzie 0."_pl;
        return false;
    }
    if (!utf8fitscp1250(sys)) {
        why = "Ścieżka zawiera znaki spoza strony kodowej Windows-1250 (polskiej)."_pl;
        return false;
    }
    std::string cp = cp1250fromutf8(sys);
    if (cp.size() > shortstr::maxlen) {
        why = "Ścieżka jest za długa: ma więcej niż 255 znaków."_pl;
        return false;
    }
    out = shortstr(cp);
    return true;
}

#ifdef _WIN32
// The system makes the path full: relative to the current folder, to the
// current folder of its drive ("c:plik") or to the root of the current drive
// ("\\plik"); "." and ".." are resolved and "/" becomes "\\".
bool abspathfromsys(const std::string &sys, shortstr &out, shortstr &why) {
    if (sys.empty() || sys.find('\0') != std::string::npos || !utf8fitscp1250(sys))
        return pathfromsys(sys, out, why);  // refused, with its reason
    std::wstring w = widefromutf8(sys);
    std::wstring full(512, L'\0');
    for (;;) {
        DWORD n = GetFullPathNameW(w.c_str(), DWORD(full.size()), full.data(), nullptr);
        if (n == 0) {
            out = shortstr();
            why = "Nie można ustalić bieżącego folderu."_pl;
            return false;
        }
        if (n < full.size()) {
            full.resize(n);
            break;
        }
        full.resize(n + 1);
    }
    return pathfromwide(full, out, why);
}
#else
bool abspathfromsys(const std::string &sys, shortstr &out, shortstr &why) {
    if (sys.empty() || sys[0] == '/') return pathfromsys(sys, out, why);
    char buf[PATH_MAX];
    if (!getcwd(buf, sizeof buf)) {
        out = shortstr();
        why = "Nie można ustalić bieżącego folderu."_pl;
        return false;
    }
    std::string full = buf;
    if (full.empty() || full.back() != '/') full += '/';
    full += sys;
    return pathfromsys(full, out, why);
}
#endif

// ---- Program folder ----

void progdirinit() {
    pdirready = true;
    pdir = shortstr();
    pdirerr = shortstr();

    std::string sys;
    bool fromenv = false;
#ifdef _WIN32
    const wchar_t *home = _wgetenv(L"TRELIK_HOME");
    if (home && *home) {
        sys = utf8fromwide(home);
        fromenv = true;
    } else {
        // The folder of the program's own file.
        std::wstring buf(260, L'\0');
        for (;;) {
            DWORD n = GetModuleFileNameW(nullptr, buf.data(), DWORD(buf.size()));
            if (n == 0) {
                pdirerr = "Nie można ustalić folderu programu."_pl;
                return;
            }
            if (n < buf.size()) {
                buf.resize(n);
                break;
            }
            buf.resize(buf.size() * 2);
        }
        std::size_t slash = buf.find_last_of(L"\\/");
        sys = slash == std::wstring::npos ? std::string() : utf8fromwide(std::wstring_view(buf).substr(0, slash));
    }
    if (sys.empty() || (sys.back() != '\\' && sys.back() != '/')) sys += pathsep;
#else
    const char *home = std::getenv("TRELIK_HOME");
    if (home && *home) {
        sys = home;
        fromenv = true;
    } else {
        // The folder of the program's own file.
        std::string buf(256, '\0');
        for (;;) {
            ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
            if (n < 0) {
                pdirerr = "Nie można ustalić folderu programu."_pl;
                return;
            }
            if (std::size_t(n) < buf.size()) {
                buf.resize(std::size_t(n));
                break;
            }
            buf.resize(buf.size() * 2);
        }
        std::size_t slash = buf.rfind('/');
        sys = slash == std::string::npos ? std::string() : buf.substr(0, slash);
    }
    if (sys.empty() || sys.back() != '/') sys += '/';
#endif

    shortstr lead = fromenv ? "Nie można użyć folderu wskazanego w zmiennej TRELIK_HOME. "_pl
                            : "Nie można użyć folderu programu. "_pl;
    // A relative TRELIK_HOME is taken from the current folder now, so that
    // the paths built on it (the default output file, kept in trelik.cfg)
    // stay right wherever the program is started next.
    shortstr dir, why;
    if (!abspathfromsys(sys, dir, why)) {
        pdirerr = lead + why;
        return;
    }
    if (dir.size() > progdirmax) {
        pdirerr =
            lead + "Ścieżka jest za długa: ma więcej niż "_pl + numtostr(std::int32_t(progdirmax)) + " znaków."_pl;
        return;
    }
    pdir = dir;
}

const shortstr &progdir() {
    if (!pdirready) progdirinit();
    return pdir;
}

const shortstr &progdirerror() {
    if (!pdirready) progdirinit();
    return pdirerr;
}

// ---- Files ----

#ifdef _WIN32
bool fileexists(const shortstr &p) {
    std::wstring s;
    if (p.empty() || !sysname(p, s)) return false;
    return GetFileAttributesW(s.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int deletefile(const shortstr &p) {
    std::wstring s;
    if (!sysname(p, s)) return EINVAL;
    // The archive mark alone: read-only, hidden and system marks must not
    // stop the deletion.
    SetFileAttributesW(s.c_str(), FILE_ATTRIBUTE_ARCHIVE);
    if (!DeleteFileW(s.c_str())) return lasterror();
    return 0;
}

std::FILE *fsopen(const shortstr &path, const char *mode) {
    std::wstring s;
    if (!sysname(path, s)) return nullptr;
    // "N": the handle is not inherited by programs started from here.
    std::wstring m(mode, mode + std::char_traits<char>::length(mode));
    m += L'N';
    return _wfopen(s.c_str(), m.c_str());
}

int fsrename(const shortstr &from, const shortstr &to) {
    std::wstring a, b;
    if (!sysname(from, a) || !sysname(to, b)) return EINVAL;
    if (!MoveFileExW(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return lasterror();
    return 0;
}

int fsmkdir(const shortstr &path) {
    std::wstring s;
    if (!sysname(path, s)) return EINVAL;
    if (!CreateDirectoryW(s.c_str(), nullptr)) return lasterror();
    return 0;
}

std::FILE *fscreatenew(const shortstr &path) {
    std::wstring s;
    if (!sysname(path, s)) return nullptr;
    int fd = _wopen(s.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE *f = _fdopen(fd, "wb");
    if (!f) {
        int e = errno;
        _close(fd);
        _wunlink(s.c_str());
        errno = e;
    }
    return f;
}

std::int64_t fslength(std::FILE *f) {
    if (std::fflush(f) != 0) return -1;
    __int64 n = _filelengthi64(_fileno(f));
    return n < 0 ? -1 : std::int64_t(n);
}

int fstruncate(std::FILE *f, std::int64_t size) {
    if (std::fflush(f) != 0) return errno ? errno : EIO;
    if (int e = _chsize_s(_fileno(f), size)) return e;
    return 0;
}

bool fsunlinked(std::FILE *) { return false; }

std::int64_t fsreadat(std::FILE *f, std::int64_t off, void *buf, std::uint32_t n) {
    if (std::fflush(f) != 0) return -1;
    HANDLE h = HANDLE(_get_osfhandle(_fileno(f)));
    if (h == INVALID_HANDLE_VALUE) return -1;
    OVERLAPPED at{};
    at.Offset = DWORD(std::uint64_t(off));
    at.OffsetHigh = DWORD(std::uint64_t(off) >> 32);
    DWORD got = 0;
    if (!ReadFile(h, buf, n, &got, &at)) return GetLastError() == ERROR_HANDLE_EOF ? 0 : -1;
    return got;
}

int fsopenappend(const shortstr &path, std::FILE *&f, bool &made, int &last) {
    f = nullptr;
    made = false;
    last = -1;
    std::wstring s;
    if (!sysname(path, s)) return fsoutfailed;
    DWORD attr = GetFileAttributesW(s.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY)) return fsoutnotfile;
    // Nobody else may write the file while it is open (two runs starting
    // together: the second's open fails at once, as a sharing violation), and
    // CREATE_NEW first, so that exactly one of them makes it.
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_DELETE;
    bool readable = true;
    HANDLE h = CreateFileW(s.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h != INVALID_HANDLE_VALUE) made = true;
    else if (GetLastError() == ERROR_FILE_EXISTS) {
        h = CreateFileW(s.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
            readable = false;
            h = CreateFileW(s.c_str(), GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0, nullptr);
        }
    }
    if (h == INVALID_HANDLE_VALUE) {
        DWORD e = GetLastError();
        if (e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION) return fsoutbusy;
        errno = e == ERROR_ACCESS_DENIED ? EACCES : e == ERROR_PATH_NOT_FOUND ? ENOENT : EIO;
        return fsoutfailed;
    }
    DWORD type = GetFileType(h);
    if (type != FILE_TYPE_DISK && type != FILE_TYPE_CHAR) {
        CloseHandle(h);
        return fsoutnotfile;
    }
    if (type == FILE_TYPE_DISK) {
        // The whole file and everything it may grow to, for as long as the
        // handle is open.
        OVERLAPPED ov{};
        if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &ov) &&
            GetLastError() == ERROR_LOCK_VIOLATION) {
            CloseHandle(h);
            return fsoutbusy;
        }
        LARGE_INTEGER size;
        if (readable && GetFileSizeEx(h, &size) && size.QuadPart > 0) {
            OVERLAPPED at{};
            ULONGLONG off = ULONGLONG(size.QuadPart - 1);
            at.Offset = DWORD(off);
            at.OffsetHigh = DWORD(off >> 32);
            unsigned char c;
            DWORD got = 0;
            if (ReadFile(h, &c, 1, &got, &at) && got == 1) last = c;
        }
    }
    int fd = _open_osfhandle(intptr_t(h), _O_APPEND | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        if (made) DeleteFileW(s.c_str());
        errno = EIO;
        return fsoutfailed;
    }
    f = _fdopen(fd, readable ? "a+b" : "ab");
    if (!f) {
        _close(fd);
        if (made) DeleteFileW(s.c_str());
        errno = EIO;
        return fsoutfailed;
    }
    return fsoutok;
}

bool fslistnames(const shortstr &dir, std::vector<std::string> &names) {
    names.clear();
    std::wstring s;
    if (!sysname(dir, s)) return false;
    if (!s.empty() && s.back() != L'\\' && s.back() != L'/') s += L'\\';
    s += L'*';
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(s.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        std::wstring_view n = fd.cFileName;
        if (n != L"." && n != L"..") names.push_back(utf8fromwide(n));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return true;
}

// ---- Program folder lock state ----
static HANDLE foldermutex = nullptr;  // the named mutex that marks the folder taken; null when none
static shortstr folderheld;           // its path, as given to fslockfolder

// The folder is marked by a named mutex, a kernel object the system removes
// with the last program holding it. Its name comes from the folder's final
// path (links and short names resolved), in upper case as the file system
// compares names.
bool fslockfolder(const shortstr &dir) {
    if (foldermutex && folderheld == dir) return true;
    fsunlockfolder();
    std::wstring s;
    if (!sysname(dir, s)) return true;
    HANDLE d = CreateFileW(s.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (d == INVALID_HANDLE_VALUE) return true;
    std::wstring full(1024, L'\0');
    DWORD n = GetFinalPathNameByHandleW(d, full.data(), DWORD(full.size()), 0);
    CloseHandle(d);
    if (n > 0 && n < full.size()) full.resize(n);
    else full = s;
    CharUpperBuffW(full.data(), DWORD(full.size()));
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a over the UTF-16 units
    for (wchar_t c : full) hash = (hash ^ std::uint64_t(c)) * 1099511628211ull;
    std::wstring name = L"Local\\trelik-";
    for (int i = 60; i >= 0; i -= 4) name += L"0123456789abcdef"[(hash >> i) & 15];
    HANDLE m = CreateMutexW(nullptr, FALSE, name.c_str());
    if (!m) return true;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(m);
        return false;
    }
    foldermutex = m;
    folderheld = dir;
    return true;
}

void fsunlockfolder() {
    if (foldermutex) CloseHandle(foldermutex);
    foldermutex = nullptr;
    folderheld = shortstr();
}

int fsclosesync(std::FILE *f) {
    int err = 0;
    if (std::fflush(f) != 0) err = errno ? errno : EIO;
    if (!err && !FlushFileBuffers(HANDLE(_get_osfhandle(_fileno(f))))) err = lasterror();
    if (std::fclose(f) != 0 && !err) err = errno ? errno : EIO;
    return err;
}
#else
bool sysisdir(const std::string &p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool sysexists(const std::string &p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0;
}

std::string syscwd() {
    std::string buf(4096, '\0');
    if (!getcwd(buf.data(), buf.size())) return "/";
    buf.resize(buf.find('\0'));
    return buf;
}

std::string sysfullpath(const std::string &p, const std::string &base) {
    std::string s = p;
    if (s == "~" || s.starts_with("~/")) {
        const char *home = std::getenv("HOME");
        s = std::string(home && *home ? home : "/") + "/" + s.substr(s.size() > 1 ? 2 : 1);
    } else if (!s.starts_with("/")) {
        s = base + "/" + s;
    }
    std::vector<std::string> parts;
    std::size_t i = 0;
    while (i <= s.size()) {
        std::size_t j = s.find('/', i);
        if (j == std::string::npos) j = s.size();
        std::string c = s.substr(i, j - i);
        if (c == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!c.empty() && c != ".") {
            parts.push_back(c);
        }
        i = j + 1;
    }
    std::string out;
    for (const std::string &c : parts) out += "/" + c;
    return out.empty() ? "/" : out;
}

std::string sysfolderof(const std::string &p) {
    std::size_t s = p.rfind('/');
    return s == 0 || s == std::string::npos ? "/" : p.substr(0, s);
}

bool syshasext(const std::string &p) {
    std::size_t s = p.rfind('/');
    std::string name = s == std::string::npos ? p : p.substr(s + 1);
    std::size_t d = name.rfind('.');
    return d != std::string::npos && d > 0;
}

bool fileexists(const shortstr &p) {
    std::string s;
    if (p.empty() || !sysname(p, s)) return false;
    return sysexists(s);
}

int deletefile(const shortstr &p) {
    std::string s;
    if (!sysname(p, s)) return EINVAL;
    // Make the file writable first, as a read-only mark must not stop the
    // deletion. Only a plain file itself: the target of a link stays as it is.
    struct stat st;
    if (lstat(s.c_str(), &st) == 0 && S_ISREG(st.st_mode)) chmod(s.c_str(), st.st_mode | S_IWUSR);
    if (unlink(s.c_str()) != 0) return errno ? errno : EIO;
    return 0;
}

std::FILE *fsopen(const shortstr &path, const char *mode) {
    std::string s;
    if (!sysname(path, s)) return nullptr;
    // "e": the descriptor is not inherited by programs started from here.
    std::string m = mode;
    m += 'e';
    return std::fopen(s.c_str(), m.c_str());
}

int fsrename(const shortstr &from, const shortstr &to) {
    std::string a, b;
    if (!sysname(from, a) || !sysname(to, b)) return EINVAL;
    if (std::rename(a.c_str(), b.c_str()) != 0) return errno ? errno : EIO;
    return 0;
}

int fsmkdir(const shortstr &path) {
    std::string s;
    if (!sysname(path, s)) return EINVAL;
    if (mkdir(s.c_str(), 0777) != 0) return errno ? errno : EIO;
    return 0;
}

std::FILE *fscreatenew(const shortstr &path) {
    std::string s;
    if (!sysname(path, s)) return nullptr;
    int fd = open(s.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    std::FILE *f = fdopen(fd, "wb");
    if (!f) {
        int e = errno;
        close(fd);
        unlink(s.c_str());
        errno = e;
    }
    return f;
}

std::int64_t fslength(std::FILE *f) {
    struct stat st;
    if (std::fflush(f) != 0 || fstat(fileno(f), &st) != 0) return -1;
    return std::int64_t(st.st_size);
}

int fstruncate(std::FILE *f, std::int64_t size) {
    if (std::fflush(f) != 0) return errno ? errno : EIO;
    if (ftruncate(fileno(f), off_t(size)) != 0) return errno ? errno : EIO;
    return 0;
}

bool fsunlinked(std::FILE *f) {
    struct stat st;
    return fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 0;
}

std::int64_t fsreadat(std::FILE *f, std::int64_t off, void *buf, std::uint32_t n) {
    if (std::fflush(f) != 0) return -1;
    ssize_t got;
    do got = pread(fileno(f), buf, n, off_t(off));
    while (got < 0 && errno == EINTR);
    return got;
}

int fsclosesync(std::FILE *f) {
    int err = 0;
    if (std::fflush(f) != 0) err = errno ? errno : EIO;
    if (!err && fsync(fileno(f)) != 0) err = errno ? errno : EIO;
    if (std::fclose(f) != 0 && !err) err = errno ? errno : EIO;
    return err;
}
// A new file at s made nameless (O_TMPFILE), locked, and only then linked
// in under s. -1 with errno EEXIST when s exists, another errno when the
// file system or /proc cannot do it.
static int createlocked(const std::string &s) {
    std::size_t slash = s.rfind('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : s.substr(0, slash);
    int fd = open(dir.c_str(), O_TMPFILE | O_RDWR | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) return -1;
    std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (flock(fd, LOCK_EX) != 0 || linkat(AT_FDCWD, self.c_str(), AT_FDCWD, s.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        int e = errno;
        close(fd);
        errno = e;
        return -1;
    }
    return fd;
}

int fsopenappend(const shortstr &path, std::FILE *&f, bool &made, int &last) {
    f = nullptr;
    made = false;
    last = -1;
    std::string s;
    if (!sysname(path, s)) return fsoutfailed;
    struct stat st;
    if (stat(s.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISCHR(st.st_mode)) return fsoutnotfile;
    // O_NONBLOCK: opening a FIFO must not wait for a reader. A new file is
    // made so that exactly one of two runs starting together makes it, and
    // already locked when it gets its name (so the other never takes it for
    // an existing file); O_EXCL where the file system cannot do that.
    const int how = O_APPEND | O_NONBLOCK | O_CLOEXEC;
    bool readable = true;
    int fd = createlocked(s);
    if (fd >= 0) made = true;
    else if (errno != EEXIST) {
        fd = open(s.c_str(), O_RDWR | how | O_CREAT | O_EXCL, 0666);
        if (fd >= 0) made = true;
    }
    if (fd < 0 && errno == EEXIST) {
        fd = open(s.c_str(), O_RDWR | how);
        if (fd < 0 && errno == EACCES) {  // may be written but not read
            readable = false;
            fd = open(s.c_str(), O_WRONLY | how);
        }
    }
    if (fd < 0) return errno == ENXIO ? fsoutnotfile : fsoutfailed;
    if (fstat(fd, &st) != 0 || (!S_ISREG(st.st_mode) && !S_ISCHR(st.st_mode))) {
        close(fd);
        return fsoutnotfile;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    // A device is shared by nature (two runs into /dev/null are fine); a file
    // system that has no locks leaves the file unlocked rather than unusable.
    if (S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        close(fd);
        return fsoutbusy;
    }
    if (S_ISREG(st.st_mode) && readable && fstat(fd, &st) == 0 && st.st_size > 0) {
        unsigned char c;
        if (pread(fd, &c, 1, st.st_size - 1) == 1) last = c;
    }
    f = fdopen(fd, readable ? "a+b" : "ab");
    if (!f) {
        int e = errno;
        close(fd);
        if (made) unlink(s.c_str());
        errno = e;
        return fsoutfailed;
    }
    return fsoutok;
}

bool fslistnames(const shortstr &dir, std::vector<std::string> &names) {
    names.clear();
    std::string s;
    if (!sysname(dir, s)) return false;
    DIR *d = opendir(s.empty() ? "." : s.c_str());
    if (!d) return false;
    while (dirent *e = readdir(d)) {
        std::string_view n = e->d_name;
        if (n != "." && n != "..") names.emplace_back(n);
    }
    closedir(d);
    return true;
}

// ---- Program folder lock state ----
static int folderfd = -1;    // the locked folder, open; -1 when none is held
static shortstr folderheld;  // its path, as given to fslockfolder

bool fslockfolder(const shortstr &dir) {
    if (folderfd >= 0 && folderheld == dir) return true;
    fsunlockfolder();
    std::string s;
    if (!sysname(dir, s)) return true;
    int fd = open(s.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return true;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int e = errno;
        close(fd);
        return e != EWOULDBLOCK;
    }
    folderfd = fd;
    folderheld = dir;
    return true;
}

void fsunlockfolder() {
    if (folderfd >= 0) close(folderfd);
    folderfd = -1;
    folderheld = shortstr();
}
#endif

// The reason of a failed write, for the message.
shortstr writereason(int err) {
    if (err == ENOSPC) return " (brak miejsca na dysku)"_pl;
#ifdef EDQUOT
    if (err == EDQUOT) return " (przekroczony przydział miejsca na dysku)"_pl;
#endif
    if (err == EROFS || err == EACCES || err == EPERM) return " (brak prawa zapisu)"_pl;
    if (err == ENOENT) return " (nie ma folderu, w którym miałby się znaleźć)"_pl;
    if (err == EFBIG) return " (plik przekroczył największy dozwolony rozmiar)"_pl;
    return shortstr();
}
