// The program from start-up to shutdown, driven through the scripted toolkit:
// the welcome text, the main menu, its items, closing, and the messages.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/cli.h"
#include "app/shell.h"
#include "core/app.h"
#include "tests/scripted/scripted.h"
#include "tests/testfiles.h"
#include "text/cp1250.h"
#include "ui/tk.h"

namespace {

const std::vector<std::string> welcomelines = {
    "clear",
    "pane: ",
    "pane: Program przetwarza pliki poi (points of interest) w popularnych formatach do postaci pliku "
    "tekstowego, który można zaimportować do programu Loadstone GPS",
    "pane: Aktualnie obsługiwane formaty:",
    "pane: plik .pnt - oziexplorer point file version 1",
    "pane: plik .wpt - oziexplorer waypoint file version 1.1",
    "pane: pliki .uam - punkty użytkownika automapy",
    "pane: pliki .gpx - punkty gpx 1.0 i 1.1",
    "pane: pliki .kml - punkty placemark",
    "pane: plik .csv - nazwa, szerokość i długość geograficzna",
    "pane: Aby dokonać konwersji wybierz opcję \"konwertuj plik poi dla LS\"",
    "pane: ",
    "pane: Opcja \"generuj textbase z pliku uam\" pozwala wygenerować tekstową bazę danych dla projektu kwz "
    "z pliku .uam",
    "pane: ",
    "pane: Wybierz opcję z poniższej listy i zatwierdź ją Enterem lub dwuklikiem lewym przyciskiem myszy",
};

const std::vector<std::string> mainmenulines = {
    "menu: 1. Konwertuj do LS - alt+k",
    "menu: 2. Sprawdź błędy w Textbase - alt+s",
    "menu: 3. Generuj Textbase z pliku .uam",
    "menu: 4. Odwiedź polską stronę projektu Loadstone",
    "menu: 5. Napisz mail do autora programu Trelik...",
    "menu: 6. Odwiedź stronę domową autora programu Trelik",
    "menu: 7. Zamknij program",
    "menusel: 1",
};

std::vector<std::string> cat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> v;
    for (auto &p : parts) v.insert(v.end(), p.begin(), p.end());
    return v;
}

int countof(const std::string &entry) {
    auto &t = transcript();
    return int(std::count(t.begin(), t.end(), entry));
}

bool has(const std::string &entry) { return countof(entry) > 0; }

struct shelltest : ::testing::Test {
    tempdir t;
    homeenv h{t.path};
    std::string cfg = t / "trelik.cfg";
    void SetUp() override { scriptreset(); }
    // The interactive program, from start-up to exit, with the script queued.
    int runprogram() {
        char name[] = "trelik";
        char *argv[] = {name, nullptr};
        return climain(1, argv, &scripteddrv);
    }
};

TEST_F(shelltest, startandquit) {
    scriptchoose(7);
    EXPECT_EQ(runprogram(), 0);
    std::vector<std::string> expect = cat({
        {"sound: evstart.wav"},
        welcomelines,
        mainmenulines,
        {"chosen: 7", "sound: event.wav", "clear", "soundsync: evend.wav"},
    });
    EXPECT_EQ(transcript(), expect) << transcripttext();
    EXPECT_EQ(readfile(cfg).size(), 264u);
    EXPECT_EQ(scriptleft(), 0);
}

TEST_F(shelltest, closeconfirmed) {
    scriptclose();
    scriptyes();
    EXPECT_EQ(runprogram(), 0);
    std::vector<std::string> tail = {
        "menusel: 1",           "ask[Pytanie]: Czy na pewno chcesz zamknąć program? -> tak", "quit", "chosen: 0",
        "soundsync: evend.wav",
    };
    auto &tr = transcript();
    ASSERT_GE(tr.size(), tail.size());
    EXPECT_EQ(std::vector<std::string>(tr.end() - long(tail.size()), tr.end()), tail) << transcripttext();
    EXPECT_EQ(readfile(cfg).size(), 264u);
}

TEST_F(shelltest, closedeclined) {
    scriptclose();
    scriptno();
    scriptchoose(7);
    EXPECT_EQ(runprogram(), 0);
    EXPECT_TRUE(has("ask[Pytanie]: Czy na pewno chcesz zamknąć program? -> nie"));
    EXPECT_TRUE(has("chosen: 7"));
    EXPECT_FALSE(has("quit"));
}

// The end of the script at the main menu closes the program the same way,
// settings saved.
TEST_F(shelltest, scriptend) {
    EXPECT_EQ(runprogram(), 0);
    EXPECT_TRUE(has("end of script"));
    EXPECT_EQ(transcript().back(), "soundsync: evend.wav");
    EXPECT_EQ(readfile(cfg).size(), 264u);
}

TEST_F(shelltest, webandmail) {
    struct row {
        int item;
        std::string ask, shell;
    };
    const row rows[] = {
        {4,
         "ask[Pytanie]: Czy chcesz otworzyć w domyślnej przeglądarce www stronę internetową:\r\n"
         "https://example.org/loadstone-pl/?",
         "shell: https://example.org/loadstone-pl/"},
        {5,
         "ask[Pytanie]: Czy chcesz utworzyć w domyślnym programie pocztowym wiadomość email na adres "
         "autor@example.org?",
         "shell: mailto:autor@example.org"},
        {6,
         "ask[Pytanie]: Czy chcesz otworzyć w domyślnej przeglądarce www stronę internetową:\r\n"
         "https://example.org/trelik/?",
         "shell: https://example.org/trelik/"},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.item);
        scriptreset();
        scriptchoose(r.item);
        scriptno();
        scriptchoose(r.item);
        scriptyes();
        scriptchoose(7);
        EXPECT_EQ(runprogram(), 0);
        EXPECT_EQ(countof(r.ask + " -> nie"), 1) << transcripttext();
        EXPECT_EQ(countof(r.ask + " -> tak"), 1);
        EXPECT_EQ(countof(r.shell), 1);
        // After each answer the main menu is back with its first item selected.
        EXPECT_EQ(countof("menu: 7. Zamknij program"), 3);
        EXPECT_EQ(countof("menusel: 1"), 3);
        EXPECT_EQ(scriptleft(), 0);
    }
}

// Items 1 to 3 lead to sub-menus that return to the main menu; a hotkey no
// item carries beeps and the menu waits on.
TEST_F(shelltest, submenusreturn) {
    scripthotkey("k");
    scripthotkey("left");  // back from the conversion menu
    scripthotkey("s");
    scripthotkey("left");  // back from the check menu
    scriptchoose(3);
    scripthotkey("left");  // back from the generation menu
    scripthotkey("z");
    scripthotkey("f1");
    scriptchoose(1);
    scriptchoose(6);
    scriptchoose(7);
    EXPECT_EQ(runprogram(), 0);
    for (const char *c : {"chosen: 1", "chosen: 2", "chosen: 3", "chosen: 6"}) EXPECT_TRUE(has(c)) << c;
    EXPECT_EQ(countof("beep"), 2);
    EXPECT_EQ(countof("menusel: 1"), 9);
    EXPECT_EQ(countof("menu: 1. Konwertuj do LS - alt+k"), 5);
    EXPECT_FALSE(has("end of script"));
    EXPECT_EQ(transcript().back(), "soundsync: evend.wav");
}

TEST_F(shelltest, settingskept) {
    // A trelik.cfg holding next point id 17 comes through a start and a quit
    // unchanged, and its values are in force while the program runs.
    std::string out = "/dane/wynik.txt";
    std::string old = std::string("\x11\0\0\0\x05\0\0\0", 8) + char(out.size()) + out;
    old.resize(264, '\0');
    writefile(cfg, old);
    scriptchoose(7);
    EXPECT_EQ(runprogram(), 0);
    EXPECT_EQ(nextpointid, 17);
    EXPECT_EQ(userid, 5);
    EXPECT_EQ(outputfile, "/dane/wynik.txt");
    EXPECT_EQ(readfile(cfg), old);
}

TEST_F(shelltest, unusablefolder) {
    homeenv bad("/tmp/日本");
    EXPECT_EQ(runprogram(), 1);
    EXPECT_TRUE(
        has("info[Info]: Błąd: Nie można użyć folderu wskazanego w zmiennej TRELIK_HOME. "
            "Ścieżka zawiera znaki spoza strony kodowej Windows-1250 (polskiej)."))
        << transcripttext();
    EXPECT_FALSE(has("menusel: 1"));
}

TEST_F(shelltest, messages) {
    ASSERT_TRUE(appstart());
    EXPECT_EQ(errorflag, 0);
    EXPECT_EQ(apptitle, "Konwersja poi dla loadstone");
    EXPECT_EQ(outputfile.str(), t.path + "/wynikowe poi dla loadstone.txt");

    // "Błąd: " and a 250-byte text make a line cut at exactly 255 bytes.
    shortstr longtext = shortstr(std::string(250, 'x'));
    showerror(longtext);
    std::string line = "Błąd: " + std::string(249, 'x');
    EXPECT_EQ(cp1250fromutf8(line).size(), 255u);
    EXPECT_TRUE(has("pane: " + line)) << transcripttext();
    EXPECT_TRUE(has("info[Info]: " + line));
    EXPECT_EQ(errorflag, 1);

    report("zwykły wiersz"_pl);
    showformaterror();
    auto &tr = transcript();
    std::vector<std::string> tail(tr.end() - 3, tr.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"pane: zwykły wiersz", "pane: Błąd: Nieobsługiwany format pliku",
                                              "info[Info]: Błąd: Nieobsługiwany format pliku"}));
}

}  // namespace
