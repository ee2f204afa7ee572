// The real program in the terminal, with its standard input piped: what it
// prints, and that every way of leaving it saves trelik.cfg.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/childproc.h"
#include "tests/testfiles.h"

namespace {

constexpr int timeoutms = 20000;  // generous for sanitized builds on a busy machine

std::string program() {
    const char *b = std::getenv("TRELIK_BUILD");
    return std::string(b ? b : ".") + "/trelik";
}

// Each text in order, each after the one before.
::testing::AssertionResult inorder(const std::string &out, const std::vector<std::string> &texts) {
    std::size_t at = 0;
    for (const std::string &t : texts) {
        std::size_t i = out.find(t, at);
        if (i == std::string::npos)
            return ::testing::AssertionFailure() << "missing (in order): \"" << t << "\"\n--- output:\n" << out;
        at = i + t.size();
    }
    return ::testing::AssertionSuccess();
}

const std::vector<std::string> welcometexts = {
    "Program przetwarza pliki poi (points of interest) w popularnych formatach do postaci pliku tekstowego, "
    "który można zaimportować do programu Loadstone GPS\n",
    "Aktualnie obsługiwane formaty:\n",
    "plik .pnt - oziexplorer point file version 1\n",
    "plik .wpt - oziexplorer waypoint file version 1.1\n",
    "pliki .uam - punkty użytkownika automapy\n",
    "pliki .gpx - punkty gpx 1.0 i 1.1\n",
    "pliki .kml - punkty placemark\n",
    "plik .csv - nazwa, szerokość i długość geograficzna\n",
    "Aby dokonać konwersji wybierz opcję \"konwertuj plik poi dla LS\"\n",
    "\nOpcja \"generuj textbase z pliku uam\" pozwala wygenerować tekstową bazę danych dla projektu kwz z "
    "pliku .uam\n",
    "\nWybierz opcję z poniższej listy i zatwierdź ją Enterem lub dwuklikiem lewym przyciskiem myszy\n",
};

const std::vector<std::string> menutexts = {
    "1. Konwertuj do LS - alt+k",
    "2. Sprawdź błędy w Textbase - alt+s",
    "3. Generuj Textbase z pliku .uam",
    "4. Odwiedź polską stronę projektu Loadstone",
    "5. Napisz mail do autora programu Trelik...",
    "6. Odwiedź stronę domową autora programu Trelik",
    "7. Zamknij program",
    "Wybierz pozycję (Enter = 1): ",
};

struct terminaltest : ::testing::Test {
    tempdir t;
    std::string cfg = t / "trelik.cfg";
    child run(const std::string &input, std::vector<std::string> args = {}) {
        args.insert(args.begin(), program());
        child c = childrun(args, {{"TRELIK_HOME", t.path}}, input, timeoutms);
        EXPECT_FALSE(c.timedout) << "the program did not end; output:\n" << c.outtext;
        EXPECT_EQ(c.signal, 0) << "ended by a signal; stderr:\n" << c.errtext;
        return c;
    }
    // The settings file the program writes into a fresh folder.
    std::string freshcfg() {
        std::string path = t.path + "/wynikowe poi dla loadstone.txt";
        std::string s = std::string("\1\0\0\0\1\0\0\0", 8) + char(path.size()) + path;
        s.resize(264, '\0');
        return s;
    }
};

TEST_F(terminaltest, welcomeandquit) {
    child c = run("7\n");
    EXPECT_EQ(c.status, 0) << c.errtext;
    EXPECT_TRUE(inorder(c.outtext, welcometexts));
    EXPECT_TRUE(inorder(c.outtext, menutexts));
    EXPECT_EQ(readfile(cfg), freshcfg());
}

TEST_F(terminaltest, endofinput) {
    child c = run("");
    EXPECT_EQ(c.status, 0) << c.errtext;
    EXPECT_TRUE(inorder(c.outtext, menutexts));
    EXPECT_EQ(readfile(cfg), freshcfg());
}

TEST_F(terminaltest, settingssurvive) {
    std::string old = std::string("\x11\0\0\0\x02\0\0\0", 8) + char(5) + "a.txt";
    old.resize(264, '\0');
    writefile(cfg, old);
    child c = run("7\n");
    EXPECT_EQ(c.status, 0);
    EXPECT_EQ(readfile(cfg), old);
}

// Bytes the code page cannot hold, broken UTF-8, numbers out of range and
// unknown hotkeys are all survived; the program still ends on "7".
TEST_F(terminaltest, strangeinput) {
    std::string input = "\xff\xfe\n\xf0\x9f\x98\x80\n\xc5\n99\n-1\nzzz\n" + std::string(5000, 'x') + "\n" +
                        std::string("\0\n", 2) + "7\n";
    child c = run(input);
    EXPECT_EQ(c.status, 0) << c.errtext;
    EXPECT_EQ(readfile(cfg).size(), 264u);
}

TEST_F(terminaltest, commandline) {
    child v = run("", {"--version"});
    EXPECT_EQ(v.status, 0);
    EXPECT_NE(v.outtext.find(std::string("trelik ") + TRELIK_VERSION), std::string::npos) << v.outtext;
    child b = run("", {"no-such-command"});
    EXPECT_EQ(b.status, 2);
    EXPECT_NE(b.errtext.find("no-such-command"), std::string::npos) << b.errtext;
    EXPECT_FALSE(existsfile(cfg));
}

}  // namespace
