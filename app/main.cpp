// Trelik: without arguments the interactive program (the window on Windows,
// the terminal elsewhere), with arguments the command line.

#include "app/cli.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

// The Windows program is a window program, so Windows gives it no console of
// its own. Its command line is read as UTF-16 and handed on as UTF-8, the
// encoding of the command line everywhere in the program. Output goes where
// the starting program sent it (a file, a pipe), else to the console of the
// program that started it (cmd.exe), when there is one; without either it
// goes nowhere, and only the exit code tells how the run went.

static std::string utf8(const wchar_t *w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) return std::string();
    std::string s(std::size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, -1, s.data(), n, nullptr, nullptr);
    s.resize(std::size_t(n - 1));
    return s;
}

// The standard stream was given to the program (redirected, or a console
// handle passed on).
static bool given(DWORD which) {
    HANDLE h = GetStdHandle(which);
    return h && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

// Descriptor fd (1 or 2), and the C stream over it, write to the console.
static void toconsole(int fd, std::FILE *stream) {
    if (!std::freopen("CONOUT$", "w", stream)) return;
    if (_fileno(stream) != fd) _dup2(_fileno(stream), fd);
}

static bool isconsole(int fd) {
    DWORD mode;
    return GetConsoleMode(HANDLE(_get_osfhandle(fd)), &mode) != 0;
}

static UINT consolecp = 0;  // the console's output code page before the program changed it; 0 = untouched

static void consoleopen() {
    bool out = given(STD_OUTPUT_HANDLE), err = given(STD_ERROR_HANDLE);
    if ((!out || !err) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        if (!out) toconsole(1, stdout);
        if (!err) toconsole(2, stderr);
    }
    bool con1 = isconsole(1), con2 = isconsole(2);
    if (!con1 && !con2) return;
    // The program writes UTF-8. The console shows it as such while the
    // program runs (and gets its own code page back at the end) when the
    // bytes reach it unchanged: through the descriptors in binary mode, the
    // C++ streams included, without the C library's text conversions.
    UINT cp = GetConsoleOutputCP();
    if (cp != 0 && cp != CP_UTF8 && SetConsoleOutputCP(CP_UTF8)) consolecp = cp;
    if (con1) _setmode(1, _O_BINARY);
    if (con2) _setmode(2, _O_BINARY);
    std::ios::sync_with_stdio(false);
}

static void consoleclose() {
    std::cout.flush();
    std::cerr.flush();
    std::fflush(stdout);
    std::fflush(stderr);
    if (consolecp) SetConsoleOutputCP(consolecp);
}

int main(int, char **) {
    int n = 0;
    wchar_t **wargv = CommandLineToArgvW(GetCommandLineW(), &n);
    std::vector<std::string> args;
    for (int i = 0; wargv && i < n; i++) args.push_back(utf8(wargv[i]));
    if (wargv) LocalFree(wargv);
    if (args.empty()) args.push_back("trelik");
    std::vector<char *> argv;
    for (std::string &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    if (argv.size() > 2) consoleopen();
    int rc = climain(int(args.size()), argv.data(), tkinteractive());
    consoleclose();
    return rc;
}
#else
int main(int argc, char **argv) { return climain(argc, argv, tkinteractive()); }
#endif
