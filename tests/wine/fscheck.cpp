// The Windows file-system edge, run under wine: paths with Polish letters
// reach the system by their UTF-16 names, replacing renames, exclusive
// creation, length and truncation, deleting read-only files, full paths and
// the program's folder. Prints one line per failed check and exits with the
// number of failures (0 = all passed).

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sys/paths.h"
#include "text/cp1250.h"

static int failures = 0;

#define CHECK(cond)                                             \
    do {                                                        \
        if (!(cond)) {                                          \
            std::printf("FAIL line %d: %s\n", __LINE__, #cond); \
            failures++;                                         \
        }                                                       \
    } while (0)

static bool existsw(const std::wstring &w) { return GetFileAttributesW(w.c_str()) != INVALID_FILE_ATTRIBUTES; }

static std::string readall(const shortstr &p) {
    std::string s;
    if (std::FILE *f = fsopen(p, "rb")) {
        char b[256];
        std::size_t n;
        while ((n = std::fread(b, 1, sizeof b, f)) > 0) s.append(b, n);
        std::fclose(f);
    }
    return s;
}

static bool writeall(const shortstr &p, const std::string &s) {
    std::FILE *f = fsopen(p, "wb");
    if (!f) return false;
    bool ok = std::fwrite(s.data(), 1, s.size(), f) == s.size();
    return fsclosesync(f) == 0 && ok;
}

int main() {
    // A fresh folder with Polish letters in its name under the temporary folder.
    wchar_t tmp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, tmp);
    std::wstring wdir = std::wstring(tmp) + L"trelik \x017C\x00F3\x0142w " + std::to_wstring(GetCurrentProcessId());
    shortstr dir, why;
    CHECK(pathfromwide(wdir, dir, why));
    CHECK(fsmkdir(dir) == 0);
    CHECK(fsmkdir(dir) != 0);  // exists already
    CHECK(fileexists(dir));    // a folder counts as existing
    CHECK(existsw(wdir));

    // Files reach the system under their UTF-16 names.
    shortstr a = dir + "\\ąę.txt"_pl, b = dir + "\\b.txt";
    std::wstring wa = wdir + L"\\\x0105\x0119.txt";
    CHECK(writeall(a, "0123456789"));
    CHECK(existsw(wa));
    CHECK(fileexists(a));
    CHECK(readall(a) == "0123456789");

    // Length and truncation of an open file, with unwritten data flushed first.
    if (std::FILE *f = fsopen(a, "ab")) {
        std::fputs("abc", f);
        CHECK(fslength(f) == 13);
        CHECK(fstruncate(f, 4) == 0);
        CHECK(fslength(f) == 4);
        CHECK(fsclosesync(f) == 0);
    } else CHECK(!"fsopen append");
    CHECK(readall(a) == "0123");

    // Exclusive creation refuses an existing file.
    CHECK(fscreatenew(a) == nullptr);
    std::FILE *nf = fscreatenew(b);
    CHECK(nf != nullptr);
    if (nf) {
        std::fputs("nowy", nf);
        CHECK(fsclosesync(nf) == 0);
    }

    // A rename replaces the file it is renamed over.
    CHECK(fsrename(b, a) == 0);
    CHECK(!fileexists(b));
    CHECK(readall(a) == "nowy");

    // Deleting removes read-only marks first; a missing file gives an error.
    SetFileAttributesW(wa.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    CHECK(deletefile(a) == 0);
    CHECK(!existsw(wa));
    CHECK(deletefile(a) != 0);
    CHECK(!fileexists(""));

    // A path with a zero byte inside is never handed over (it would name another file).
    shortstr cut = dir + "\\x";
    cut += char(0);
    cut += "y";
    CHECK(fsopen(cut, "wb") == nullptr);
    CHECK(!existsw(wdir + L"\\x"));

    // Full paths: relative ones against the current folder, "." and ".."
    // resolved, "/" as "\"; refused with a reason when the code page cannot
    // hold them or they are too long.
    SetCurrentDirectoryW(wdir.c_str());
    shortstr full;
    CHECK(abspathfromsys("wynik.txt", full, why));
    CHECK(full == dir + "\\wynik.txt");
    CHECK(abspathfromsys("c:/x/../y.txt", full, why));
    CHECK(full == "c:\\y.txt");
    CHECK(!abspathfromsys("\xce\xa9.txt", full, why));  // a Greek letter
    CHECK(why.size() > 0);
    CHECK(!abspathfromsys("c:\\" + std::string(300, 'a'), full, why));
    CHECK(why.size() > 0);
    CHECK(!pathfromwide(std::wstring(L"c:\\\xD800.txt"), full, why));  // a lone surrogate

    // The program's folder: TRELIK_HOME (made absolute, ending with "\"),
    // else the folder of the program's own file.
    _wputenv(L"TRELIK_HOME=.");
    progdirinit();
    CHECK(progdir() == dir + "\\");
    _wputenv(L"TRELIK_HOME=");
    progdirinit();
    wchar_t exe[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring wexe = exe;
    shortstr exedir;
    CHECK(pathfromwide(wexe.substr(0, wexe.find_last_of(L'\\') + 1), exedir, why));
    CHECK(progdir() == exedir);
    CHECK(progdirerror().empty());

    SetCurrentDirectoryW(tmp);
    RemoveDirectoryW(wdir.c_str());
    std::printf("%s: %d failed\n", failures ? "FAIL" : "ok", failures);
    return failures;
}
