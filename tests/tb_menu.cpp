// The textbase menus driven through the whole program with the scripted
// toolkit: the generation menu and its values, the check menu with its
// options and the count control menu, a check and its repeat, and the repeat
// after a conversion started from the conversion menu.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/cli.h"
#include "core/app.h"
#include "tests/childproc.h"
#include "tests/lscheck.h"
#include "tests/scripted/scripted.h"
#include "tests/testfiles.h"
#include "text/cp1250.h"

namespace {

// A part file with the given records (UTF-8 here, code page 1250 on disk).
std::string tbpart(int n, const std::string &records) {
    std::string k = std::to_string(n);
    return cp1250fromutf8("textbase kwz part " + k + "\r\nkorektor \r\n\r\n" + records + "textbaseend part " + k +
                          "\r\n");
}
const std::string good = "p 210000000 520000000\r\nk apteka\r\no ul. Kwiatowa 5\r\nn Pod Lipą\r\n\r\n";
const std::string bad = "p 210000000 0\r\nk bar\r\nn Pod Dębem\r\n\r\n";

struct tbmenus : ::testing::Test {
    tempdir t;
    homeenv h{t.path};
    std::string oldhome;
    void SetUp() override {
        // The default destination folder comes from HOME.
        const char *o = std::getenv("HOME");
        oldhome = o ? o : "";
        setenv("HOME", t.path.c_str(), 1);
        scriptreset();
    }
    void TearDown() override { setenv("HOME", oldhome.c_str(), 1); }
    int runprogram() {
        char name[] = "trelik";
        char *argv[] = {name, nullptr};
        return climain(1, argv, &scripteddrv);
    }
    const std::vector<std::string> &tr() { return transcript(); }
    int countof(const std::string &e) { return int(std::count(tr().begin(), tr().end(), e)); }
    // The list shown by the n-th menuwait (1-based): "N. caption" lines,
    // then its "menusel: N" line.
    std::vector<std::string> menu(int n) {
        std::vector<std::string> items;
        int seen = 0;
        for (std::size_t i = 0; i < tr().size(); ++i) {
            bool item = tr()[i].rfind("menu: ", 0) == 0;
            if (item && (i == 0 || tr()[i - 1].rfind("menu: ", 0) != 0)) ++seen;
            if (seen == n && item) items.push_back(tr()[i].substr(6));
            if (seen == n && tr()[i].rfind("menusel: ", 0) == 0) {
                items.push_back(tr()[i]);
                break;
            }
        }
        return items;
    }
    // The entries after the n-th one equal to from, up to (not with) the
    // next one starting with until.
    std::vector<std::string> after(const std::string &from, int n, const std::string &until) {
        std::vector<std::string> v;
        auto it = tr().begin();
        for (int i = 0; i < n && it != tr().end(); ++i) it = std::find(i ? it + 1 : it, tr().end(), from);
        if (it == tr().end()) return v;
        for (++it; it != tr().end() && it->rfind(until, 0) != 0; ++it) v.push_back(*it);
        return v;
    }
};

TEST_F(tbmenus, generationmenu) {
    std::string build = std::getenv("TRELIK_BUILD");
    ASSERT_EQ(childrun({build + "/mkuam", "--records", "5", t / "p.uam"}, {}, "", 30000).status, 0);
    scriptchoose(3);  // Generuj Textbase z pliku .uam
    scriptchoose(1);
    scripttype("0");
    scripthotkey("p");
    scripttype("2000000001");
    scriptchoose(2);
    scripttype("2");
    scriptchoose(3);
    scripttype("");  // the folder tba beside the program
    scripthotkey("g");
    scriptpick(t / "p.uam");
    scripthotkey("left");
    scriptchoose(7);
    EXPECT_EQ(runprogram(), 0);
    std::vector<std::string> start = {
        "1. Numer pierwszej części: 1 - zmień... - alt+p",
        "2. Ilość rekordów w części: 100 - zmień... - alt+i",
        "3. Folder docelowy: " + t.path + "/textbase nowe/ - zmień... - alt+f",
        "4. Generuj textbase... - alt+g",
        "5. Wróć do głównego menu - alt+lewo",
        "menusel: 1",
    };
    EXPECT_EQ(menu(2), start) << transcripttext();
    EXPECT_EQ(after("chosen: 3", 1, "menu: "),
              (std::vector<std::string>{"sound: event.wav", "clear", "clear",
                                        "pane: Ta opcja pozwala generować textbase z pliku .uam.",
                                        "pane: Ustaw niezbędne parametry i wybierz polecenie \"Generuj...\""}));
    // Both numbers out of range: the message, and the value stays.
    EXPECT_EQ(countof("info[Info]: Oczekiwano liczby z zakresu 1 do 2000000000."), 2);
    EXPECT_EQ(countof("read[Wprowadzanie danych|Numer pierwszej części bazy]: 1 -> 2000000001"), 1);
    EXPECT_EQ(menu(4), start);
    // After the generation: three parts, the next first part and the folder
    // it went to.
    std::vector<std::string> later = start;
    later[0] = "1. Numer pierwszej części: 4 - zmień... - alt+p";
    later[1] = "2. Ilość rekordów w części: 2 - zmień... - alt+i";
    later[2] = "3. Folder docelowy: " + t / "tba/ - zmień... - alt+f";
    EXPECT_EQ(menu(7), later);
    EXPECT_EQ(countof("pane: Zapisano 5 rekordów"), 1);
    EXPECT_EQ(menu(6)[2], "3. Folder docelowy:  - zmień... - alt+f");
    EXPECT_TRUE(existsfile(t / "tba/tba003.txt"));
    EXPECT_FALSE(existsfile(t / "tba/tba004.txt"));
    EXPECT_EQ(menu(8).front(), "1. Konwertuj do LS - alt+k");
    EXPECT_EQ(scriptleft(), 0);
}

TEST_F(tbmenus, checkmenuoptions) {
    scripthotkey("s");
    scriptchoose(2);  // long names: tak
    scriptchoose(2);  // and back to nie
    scriptchoose(3);
    scriptchoose(3);  // Ostrzegaj gdy więcej
    scriptchoose(3);
    scriptchoose(5);  // Bez zmian
    scriptchoose(3);
    scriptchoose(2);  // Ostrzegaj gdy mniej
    scriptchoose(4);
    scripttype("0");
    scriptchoose(4);
    scripttype("250");
    scriptchoose(1);
    scriptcancel();  // the check's dialog
    scripthotkey("left");
    scriptchoose(7);
    EXPECT_EQ(runprogram(), 0);
    const std::string back = "Powrót do głównego menu - alt+lewo";
    std::vector<std::string> start = {"1. Sprawdź... - alt+s", "2. Ostrzeżenia o zbyt długich nazwach: nie - Zmień",
                                      "3. Kontrola ilości rekordów: wyłączona - Zmień", "4. " + back, "menusel: 1"};
    EXPECT_EQ(menu(2), start) << transcripttext();
    EXPECT_EQ(menu(3)[1], "2. Ostrzeżenia o zbyt długich nazwach: tak - Zmień");
    EXPECT_EQ(menu(4), start);
    std::vector<std::string> modes = {"1. wyłączona",           "2. Ostrzegaj gdy mniej", "3. Ostrzegaj gdy więcej",
                                      "4. ostrzegaj gdy różne", "5. Bez zmian",           "menusel: 1"};
    EXPECT_EQ(menu(5), modes);
    std::vector<std::string> more = {"1. Sprawdź... - alt+s",
                                     "2. Ostrzeżenia o zbyt długich nazwach: nie - Zmień",
                                     "3. Kontrola ilości rekordów: Ostrzegaj gdy więcej - Zmień",
                                     "4. Prawidłowa ilość rekordów w części tba: 100 - Zmień",
                                     "5. " + back,
                                     "menusel: 1"};
    EXPECT_EQ(menu(6), more);
    modes.back() = "menusel: 3";
    EXPECT_EQ(menu(7), modes);
    EXPECT_EQ(menu(8), more);
    more[2] = "3. Kontrola ilości rekordów: Ostrzegaj gdy mniej - Zmień";
    EXPECT_EQ(menu(10), more);
    EXPECT_EQ(countof("info[Info]: Oczekiwano liczby z zakresu 1 do 1000000000."), 1);
    EXPECT_EQ(menu(11), more);
    more[3] = "4. Prawidłowa ilość rekordów w części tba: 250 - Zmień";
    EXPECT_EQ(menu(12), more);
    // The cancelled dialog: the line and the cancel sound; no run, no repeat item.
    EXPECT_EQ(after("chosen: 1", 1, "menu: "),
              (std::vector<std::string>{"sound: event.wav", "clear",
                                        "file[Wskaż pierwszą część textbase do przetworzenia] 2 0: anuluj",
                                        "pane: Operacja anulowana", "sound: evcancel.wav"}));
    EXPECT_EQ(menu(13), more);
    EXPECT_EQ(countof("pane: Statystyka:"), 0);
}

TEST_F(tbmenus, checkanditsrepeat) {
    std::filesystem::create_directories(t / "baza");
    writefile(t / "baza/tba001.txt", tbpart(1, good + bad + good));
    writefile(t / "baza/tba002.txt", tbpart(2, good));
    scripthotkey("s");
    scriptchoose(1);
    scriptpick(t / "baza/tba001.txt");
    scriptyes();
    scripthotkey("p");  // the repeat
    scripthotkey("left");
    scriptchoose(7);
    EXPECT_EQ(runprogram(), 0);
    EXPECT_EQ(menu(3)[1], "2. Powturz ostatnie sprawdzenie - alt+p") << transcripttext();
    std::vector<std::string> repeat = after("chosen: 2", 2, "menu: ");
    ASSERT_GE(repeat.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(repeat.begin(), repeat.begin() + 4),
              (std::vector<std::string>{"sound: event.wav", "clear",
                                        "pane: Powtarzam sprawdzenie na części 1 w folderze " + t / "baza/",
                                        "pane: Tryb wieloczęściowy: tak"}));
    for (auto &e : repeat) EXPECT_TRUE(e.rfind("file[", 0) != 0 && e.rfind("ask[", 0) != 0) << e;
    // Both runs read both parts alike.
    for (const char *s : {"pane: Wszystkich: 4", "pane: Zawierających błędy: 1", "pane: Prawidłowych: 3"})
        EXPECT_EQ(countof(s), 2) << s;
    EXPECT_NE(std::find(repeat.begin(), repeat.end(), "pane: Prawidłowych: 3"), repeat.end());
}

TEST_F(tbmenus, repeatafteraconversion) {
    std::filesystem::create_directories(t / "baza");
    writefile(t / "baza/tba005.txt", tbpart(5, good + bad));
    writefile(t / "baza/tba006.txt", tbpart(6, good + good));
    std::string out = t / "wynikowe poi dla loadstone.txt";
    scripthotkey("k");
    scripthotkey("t");  // Konwertuj z Textbase
    scriptpick(t / "baza/tba005.txt");
    scriptyes();
    scripthotkey("left");
    scripthotkey("s");
    scriptchoose(2);  // Powturz ostatnie sprawdzenie
    scripthotkey("left");
    scriptchoose(7);
    EXPECT_EQ(runprogram(), 0);
    std::string o = readfile(out);
    EXPECT_EQ(lspoints(o, 1, 1), 3) << o;
    EXPECT_NE(o.find(",520000000,210000000,0,0,0,1,3\r\n"), std::string::npos) << o;
    EXPECT_EQ(nextpointid, 4);  // the repeat wrote nothing
    std::vector<std::string> repeat = after("chosen: 2", 3, "menu: ");
    ASSERT_GE(repeat.size(), 4u) << transcripttext();
    EXPECT_EQ(std::vector<std::string>(repeat.begin(), repeat.begin() + 4),
              (std::vector<std::string>{"sound: event.wav", "clear",
                                        "pane: Powtarzam sprawdzenie na części 5 w folderze " + t / "baza/",
                                        "pane: Tryb wieloczęściowy: tak"}));
    EXPECT_NE(std::find(repeat.begin(), repeat.end(), "pane: Prawidłowych: 3"), repeat.end());
}

}  // namespace
