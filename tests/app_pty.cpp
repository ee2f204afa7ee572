// The real program on a pseudo-terminal, as a screen-reader user meets it:
// keys as terminals send them, typing ahead during a run, Ctrl+C at a
// prompt, Tab completion. Every wait polls for a text, with a deadline.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/testfiles.h"

namespace {

struct ptyprog {
    pid_t pid = -1;
    int fd = -1;
    std::string out;     // everything the program printed
    std::size_t at = 0;  // where the next wait looks from
    explicit ptyprog(const std::string &home) {
        std::string prog = std::string(std::getenv("TRELIK_BUILD") ? std::getenv("TRELIK_BUILD") : ".") + "/trelik";
        pid = forkpty(&fd, nullptr, nullptr, nullptr);
        if (pid == 0) {
            setenv("TRELIK_HOME", home.c_str(), 1);
            setenv("TERM", "xterm", 1);
            execl(prog.c_str(), prog.c_str(), static_cast<char *>(nullptr));
            _exit(127);
        }
    }
    ~ptyprog() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (fd >= 0) close(fd);
    }
    // Reads until text appears after the last one waited for.
    bool waitfor(const std::string &text, int ms = 20000) {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            std::size_t i = out.find(text, at);
            if (i != std::string::npos) {
                at = i + text.size();
                return true;
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, int(left.count())) <= 0) continue;
            char b[4096];
            ssize_t n = read(fd, b, sizeof b);
            if (n <= 0) return false;
            for (ssize_t k = 0; k < n; k++)
                if (b[k] != '\r') out += b[k];  // the terminal's line ends: compared as "\n"
        }
    }
    void type(const std::string &keys) { ASSERT_EQ(write(fd, keys.data(), keys.size()), ssize_t(keys.size())); }
    // Types keys, then waits for what they bring.
    bool press(const std::string &keys, const std::string &text) {
        type(keys);
        return waitfor(text);
    }
};

const std::string prompt = "Wybierz pozycję (Enter = 1): ";
const std::string mainmenu = "1. Konwertuj do LS - alt+k";

// Each sequence chooses at once, as the hotkey it stands for; an unknown
// sequence chooses nothing and leaves nothing in the line.
TEST(pty, keysequenceschooseatonce) {
    tempdir t;
    ptyprog p(t.path);
    ASSERT_TRUE(p.waitfor(prompt)) << p.out;
    const struct {
        const char *keys, *then, *back;
    } rows[] = {
        {"\033k", "alt+k\n\n", "\033[1;3D"},                            // ESC-prefixed Alt+letter; CSI 1;3 arrow
        {"\033S", "alt+s\n\nUstaw parametry kontroli", "\033\033[D"},   // Alt+Shift; ESC-prefixed arrow
        {"\033OP", "Brak pozycji ze skrótem ctrl+f1", ""},              // SS3 F1: no item carries it
        {"\033[[A", "Brak pozycji ze skrótem ctrl+f1", ""},             // the Linux console's F1
        {"\033[15~", "Brak pozycji ze skrótem ctrl+f5", ""},            // CSI F5
        {"\033[99~2\r", "2\n\nUstaw parametry kontroli", "\033[1;3D"},  // unknown: dropped whole
    };
    for (const auto &r : rows) {
        p.type(r.keys);
        EXPECT_TRUE(p.waitfor(r.then)) << r.keys + 1 << "\n" << p.out;
        if (*r.back) {
            ASSERT_TRUE(p.waitfor("Wybierz pozycję")) << p.out;
            p.type(r.back);
            ASSERT_TRUE(p.waitfor(mainmenu)) << r.back + 1 << "\n" << p.out;
        }
        ASSERT_TRUE(p.waitfor(prompt)) << p.out;
    }
    EXPECT_EQ(p.out.find("99~"), std::string::npos) << p.out;
}

// Keys typed while a run works are dropped when it ends, with one line: the
// "Resetuj plik wynikowy" and "t" typed ahead delete nothing. The run reads
// a named pipe, so it lasts until the test has typed.
TEST(pty, typeaheadduringarunisdropped) {
    tempdir t;
    std::string fifo = t / "wolny.pnt";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ptyprog p(t.path);
    ASSERT_TRUE(p.waitfor(prompt));
    ASSERT_TRUE(p.press("\033k", "Wybierz pozycję"));
    ASSERT_TRUE(p.press("\033k", "Ścieżka pliku"));
    p.type(fifo + "\r");
    int w = open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(w, 0);
    const std::string head = "OziExplorer Point File Version 1.0\r\nWGS 84\r\nReserved 2\r\nReserved 3\r\nopis\r\n";
    ASSERT_EQ(write(w, head.data(), head.size()), ssize_t(head.size()));
    ASSERT_TRUE(p.waitfor("Przetwarzanie w toku")) << p.out;
    p.type("6\rt\r5");
    const std::string point = "52.2297,21.0122,1,45000.5,Apteka,ul. Prosta 1,Warszawa,apteka,0\r\n";
    ASSERT_EQ(write(w, point.data(), point.size()), ssize_t(point.size()));
    close(w);
    EXPECT_TRUE(p.waitfor("Przetworzono poprawnie 1 wpisów\nPominięto klawisze naciśnięte w trakcie przetwarzania\n"))
        << p.out;
    ASSERT_TRUE(p.waitfor("6. Resetuj plik wynikowy")) << p.out;
    ASSERT_TRUE(p.waitfor(prompt)) << p.out;
    struct stat st {};
    EXPECT_EQ(stat((t / "wynikowe poi dla loadstone.txt").c_str(), &st), 0);
    EXPECT_GT(st.st_size, 0);
    EXPECT_EQ(p.out.find("Czy na pewno chcesz usunąć"), std::string::npos) << p.out;
}

// Ctrl+C at a value prompt asks the closing question; No asks the prompt
// again. Tab completes a path and a second Tab lists what is left.
TEST(pty, ctrlcasksagainandtabcompletes) {
    tempdir t;
    std::ofstream(t / "punkty.pnt") << "x";
    std::ofstream(t / "punkty2.pnt") << "x";
    ptyprog p(t.path);
    ASSERT_TRUE(p.waitfor(prompt));
    ASSERT_TRUE(p.press("\033k", "Wybierz pozycję"));
    ASSERT_TRUE(p.press("\033u", "Id użytkownika (Enter = 1): "));
    EXPECT_TRUE(p.press("12\003", "Czy na pewno chcesz zamknąć program? (t/n): ")) << p.out;
    EXPECT_TRUE(p.press("n\r", "Id użytkownika (Enter = 1): ")) << p.out;
    ASSERT_TRUE(p.press("\r", "Wybierz pozycję"));
    ASSERT_TRUE(p.press("\033k", "Ścieżka pliku"));
    p.type(t / "pu\t");
    EXPECT_TRUE(p.waitfor("nkty")) << p.out;
    p.type("\t\t");
    EXPECT_TRUE(p.waitfor("\npunkty.pnt\npunkty2.pnt\n")) << p.out;
}

}  // namespace
