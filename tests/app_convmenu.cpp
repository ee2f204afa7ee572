// The POI conversion menu driven through the whole program with the scripted
// toolkit: its items, a conversion, the output file's dialog, deletion and
// clipboard copy, number input, and the file-drop list itself.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/cli.h"
#include "app/clip.h"
#include "core/app.h"
#include "tests/scripted/scripted.h"
#include "tests/testfiles.h"
#include "text/cp1250.h"
#include "ui/tk.h"

namespace {

const std::string head5 = "OziExplorer Point File Version 1.0\r\nWGS 84\r\nr1\r\nr2\r\nr3\r\n";
const std::string info = "info[Info]: ";
const std::string appendwarning =
    "info[Info]: Konwertowane poi zostaną dopisane do wskazanego pliku. Jeżeli nie jest to plik poi dla LS, "
    "przed rozpoczęciem konwersji ustaw inny plik, lub usuń z dysku wskazany.";

struct convmenutest : ::testing::Test {
    tempdir t;
    homeenv h{t.path};
    std::string out = t / "wynikowe poi dla loadstone.txt";
    void SetUp() override { scriptreset(); }
    int runprogram() {
        char name[] = "trelik";
        char *argv[] = {name, nullptr};
        return climain(1, argv, &scripteddrv);
    }
    const std::vector<std::string> &tr() { return transcript(); }
    int countof(const std::string &e) { return int(std::count(tr().begin(), tr().end(), e)); }
    bool has(const std::string &e) { return countof(e) > 0; }
    // The list shown by the n-th menuwait (1-based), as "N. caption" lines.
    std::vector<std::string> menu(int n) {
        std::vector<std::string> items;
        int seen = 0;
        for (std::size_t i = 0; i < tr().size(); ++i) {
            if (tr()[i].rfind("menu: ", 0) != 0) continue;
            if (i == 0 || tr()[i - 1].rfind("menu: ", 0) != 0) ++seen;
            if (seen == n) items.push_back(tr()[i].substr(6));
        }
        return items;
    }
    // The entries after the first one equal to from, up to (not with) the
    // next one starting with until.
    std::vector<std::string> between(const std::string &from, const std::string &until) {
        auto it = std::find(tr().begin(), tr().end(), from);
        std::vector<std::string> v;
        if (it == tr().end()) return v;
        for (++it; it != tr().end() && it->rfind(until, 0) != 0; ++it) v.push_back(*it);
        return v;
    }
};

TEST_F(convmenutest, conversionandthemenugrowing) {
    writefile(t / "punkty.pnt", head5 + "52.1,21.2,,,Apteka\r\n53,22,,,;\r\n54,23,,,Bar\r\n");
    scripthotkey("k");  // main menu: Konwertuj do LS
    scriptchoose(1);    // Konwertuj plik
    scriptpick(t / "punkty.pnt");
    scriptchoose(6);  // Resetuj plik wynikowy
    scriptyes();
    scripthotkey("left");  // back
    scriptchoose(7);       // Zamknij program
    EXPECT_EQ(runprogram(), 0);

    std::vector<std::string> intro = between("chosen: 1", "menu: ");
    std::vector<std::string> expectintro = {
        "sound: event.wav",
        "clear",
        "clear",
        "pane: Ustaw parametry konwersji, a następnie wybierz polecenie \"konwertuj plik\" dla rozpoczęcia "
        "przetwarzania",
        "pane: ",
        "pane: Uwagi:",
        "pane: Jeżeli wpisany plik wynikowy już istnieje, to wyniki zostaną do niego dodane, nawet jeśli nie jest "
        "to plik danych dla LS.",
        "pane: Podany plik wynikowy, id użytkownika i startowy id punktu zostaną zapamiętane przy zamknięciu "
        "programu i przywrócone po jego ponownym otwarciu.",
        "pane: Startowy id punktu zostanie odpowiednio zwiększony po zakończeniu każdej konwersji, nie trzeba "
        "poprawiać go ręcznie.",
        "pane: ",
        "pane: Aby skonwertować do LS jedną lub wiele części Textbase, wybierz opcję \"konwertuj z textbase\"",
        "pane: Ten typ konwersji został wyodrębniony do osobnej opcji ze względu na inne mechanizmy "
        "przetwarzania.",
        "pane: ",
    };
    EXPECT_EQ(intro, expectintro) << transcripttext();

    std::vector<std::string> six = {
        "1. Konwertuj plik - alt+k",
        "2. Konwertuj z Textbase - alt+t",
        "3. Plik wynikowy: " + out + " - zmień... - alt+w",
        "4. Id użytkownika: 1 - zmień... - alt+u",
        "5. Startowy id punktu: 1 - zmień... - alt+i",
        "6. Wróć do głównego menu - alt+lewo",
    };
    EXPECT_EQ(menu(2), six);
    std::vector<std::string> eight = {
        "1. Konwertuj plik - alt+k",
        "2. Konwertuj z Textbase - alt+t",
        "3. Plik wynikowy: " + out + " - zmień... - alt+w",
        "4. Id użytkownika: 1 - zmień... - alt+u",
        "5. Startowy id punktu: 3 - zmień... - alt+i",
        "6. Resetuj plik wynikowy " + out + " - alt+r",
        "7. Kopiuj do schowka plik wynikowy - alt+c",
        "8. Wróć do głównego menu - alt+lewo",
    };
    EXPECT_EQ(menu(3), eight);
    std::vector<std::string> afterdelete = six;
    afterdelete[4] = "5. Startowy id punktu: 3 - zmień... - alt+i";
    EXPECT_EQ(menu(4), afterdelete);
    EXPECT_EQ(menu(5)[0], "1. Konwertuj do LS - alt+k");  // back in the main menu

    EXPECT_TRUE(has("pane: Pominięto 1 wpisów"));
    EXPECT_TRUE(has("pane: Przetworzono poprawnie 2 wpisów"));
    EXPECT_TRUE(has("ask[Pytanie]: Czy na pewno chcesz usunąć z dysku aktualny plik wynikowy? -> tak"));
    EXPECT_FALSE(existsfile(out));
    EXPECT_EQ(nextpointid, 3);
    EXPECT_EQ(scriptleft(), 0);
}

TEST_F(convmenutest, outputfiledialog) {
    std::string other = t / "inny.txt";
    scriptchoose(1);
    scriptchoose(3);
    scriptpick(other);  // a new file: no message
    scriptchoose(3);
    scriptpick(out);  // an existing file: the append warning
    scriptchoose(3);
    scriptcancel();  // cancelled while the output exists
    scriptchoose(8);
    scriptchoose(7);
    writefile(out, "");
    EXPECT_EQ(runprogram(), 0);
    std::string title = "file[Ustaw plik wynikowy (jeśli nie istnieje zostanie utworzony)] 6 2: ";
    EXPECT_EQ(between("chosen: 3", "menu: "), (std::vector<std::string>{"sound: event.wav", "clear", title + other}));
    auto it = std::find(tr().begin(), tr().end(), title + out);
    ASSERT_NE(it, tr().end());
    EXPECT_EQ(*(it + 1), appendwarning);
    it = std::find(tr().begin(), tr().end(), title + "anuluj");
    ASSERT_NE(it, tr().end());
    EXPECT_EQ(*(it + 1), "pane: Operacja anulowana");
    EXPECT_EQ(*(it + 2), "sound: evcancel.wav");
    EXPECT_EQ(*(it + 3), appendwarning);
    EXPECT_EQ(outputfile.view(), cp1250fromutf8(out));
}

TEST_F(convmenutest, numbersandtheirrange) {
    scriptchoose(1);
    scriptchoose(4);
    scripttype("0");
    scriptchoose(4);
    scripttype("abc");
    scriptchoose(4);
    scriptcancel();
    scriptchoose(4);
    scripttype("5xyz");
    scriptchoose(4);
    scripttype("65536");  // past Loadstone's 16-bit user id
    scriptchoose(4);
    scripttype("65535");
    scriptchoose(5);
    scripttype("2000000001");
    scriptchoose(5);
    scripttype("2000000000");
    scriptchoose(6);
    scriptchoose(7);
    EXPECT_EQ(runprogram(), 0);
    EXPECT_EQ(countof("info[Info]: Oczekiwano liczby z zakresu 1 do 65535."), 3);
    EXPECT_EQ(countof("info[Info]: Oczekiwano liczby z zakresu 1 do 2000000000."), 1);
    EXPECT_TRUE(has("read[Wprowadzanie danych|Id użytkownika]: 1 -> 0"));
    EXPECT_TRUE(has("read[Wprowadzanie danych|pierwszy id punktu]: 1 -> 2000000001"));
    EXPECT_EQ(menu(5)[3], "4. Id użytkownika: 1 - zmień... - alt+u");
    EXPECT_EQ(menu(6)[3], "4. Id użytkownika: 5 - zmień... - alt+u");
    EXPECT_EQ(menu(7)[3], "4. Id użytkownika: 5 - zmień... - alt+u");
    EXPECT_EQ(menu(8)[3], "4. Id użytkownika: 65535 - zmień... - alt+u");
    EXPECT_EQ(menu(10)[4], "5. Startowy id punktu: 2000000000 - zmień... - alt+i");
    EXPECT_EQ(userid, 65535);
    EXPECT_EQ(nextpointid, 2000000000);
}

TEST_F(convmenutest, clipboardanddeletion) {
    // A 40-byte path gives a 62-byte block.
    std::string dir = t / "d";
    std::string name(40 - dir.size() - 1, 'x');
    std::string path = dir + "/" + name;
    ASSERT_EQ(path.size(), 40u);
    mkdir(dir.c_str(), 0755);
    writefile(path, "x");
    scriptchoose(1);
    scriptchoose(3);
    scriptpick(path);
    scriptchoose(7);  // copy
    scriptchoose(7);  // copy again: a fresh list, the name once
    scriptchoose(6);  // delete: No
    scriptno();
    scriptchoose(8);
    scriptchoose(7);
    EXPECT_EQ(runprogram(), 0);
    EXPECT_TRUE(has("clip[62]: " + path)) << transcripttext();
    EXPECT_TRUE(
        has("info[Info]: Plik wynikowy został skopiowany do schowka. Możesz go wkleić w docelowej "
            "lokalizacji w Eksploratorze Windows lub innym programie do kopiowania plików."));
    EXPECT_TRUE(existsfile(path));
    EXPECT_EQ(countof("clip[62]: " + path), 2);  // a fresh list each time

    scriptreset();
    scriptnoclip();
    scriptchoose(1);
    scriptchoose(7);
    scriptchoose(8);
    scriptchoose(7);
    EXPECT_EQ(runprogram(), 0);
    EXPECT_TRUE(has("clip[62]: " + path + " -> brak schowka"));
    EXPECT_TRUE(has("info[Info]: Schowek systemowy nie jest dostępny, więc plik wynikowy nie został skopiowany."));

    // A deletion that fails: the output file is a folder here.
    scriptreset();
    scriptchoose(1);
    scriptchoose(3);
    scriptpick(dir);
    scriptchoose(6);
    scriptyes();
    scriptchoose(8);
    scriptchoose(7);
    EXPECT_EQ(runprogram(), 0);
    EXPECT_TRUE(has("info[Info]: Operacja nie powiodła się"));
    EXPECT_TRUE(existsfile(path));
}

TEST(cliplist, layout) {
    scriptreset();
    clipaddfile(shortstr(std::string(255, 'p')));
    ASSERT_EQ(cliplen, 256u + 20u);
    EXPECT_EQ(cliplist[0], 20);
    for (int i = 1; i < 20; ++i) EXPECT_EQ(cliplist[i], 0) << i;
    EXPECT_TRUE(clipcommit());
    EXPECT_EQ(transcript().back(), "clip[277]: " + std::string(255, 'p'));
    EXPECT_EQ(cliplen, 0u);
    EXPECT_EQ(cliplist, nullptr);

    clipaddfile(shortstr("a.txt"));
    clipaddfile(shortstr("b.txt"));
    clipcommit();
    EXPECT_EQ(transcript().back(), "clip[33]: a.txt|b.txt");
}

}  // namespace
