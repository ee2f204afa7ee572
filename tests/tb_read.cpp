// Reading a textbase, as `trelik check` and `trelik convert-textbase` do it:
// header checks, record errors and warnings, a part that ends inside a
// record, the search over parts, the record-count control, statistics and
// point names, parts of arbitrary bytes, and the two subcommands as a user
// runs them. Most runs are in-process (climain with the batch toolkit), so
// the sanitizers see the reader; the last group starts the real program.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "app/cli.h"
#include "tests/childproc.h"
#include "tests/clirun.h"
#include "tests/lscheck.h"
#include "tests/testfiles.h"
#include "text/cp1250.h"
#include "textbase/tb.h"

namespace {

using lines = std::vector<std::string>;

lines operator+(lines a, const lines &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string num(long long n) { return std::to_string(n); }
std::string cp(const std::string &utf8) { return cp1250fromutf8(utf8); }
std::string head(int n) { return "textbase kwz part " + num(n) + "\r\n\r\n"; }
std::string foot(int n) { return "textbaseend part " + num(n) + "\r\n"; }
const std::string rec = "p 210122287 522296756\r\nk apteka\r\nn Centrum\r\n\r\n";  // one valid record
const char *const eof = "Nieoczekiwany koniec pliku, prawdopodobnie plik uszkodzony";

// A part of count valid records, each 4 lines: the footer is line 3 + 4 * count.
std::string fullpart(int n, int count) {
    std::string s = head(n);
    for (int i = 0; i < count; i++) s += rec;
    return s + foot(n);
}

lines at(const std::string &file, int line, const std::string &msg) {
    return {"plik " + file + " linia " + num(line), msg};
}
lines fileerr(const std::string &file, const std::string &msg) { return {"Błąd w pliku " + file, msg}; }
lines notfound(int last) {
    return {"Nie znaleziono następnej części bazy. Ostatnia przetworzona część nr " + num(last)};
}
lines stats(int all, int rem, int bad, int ok, int missing = 0, int toolong = 0) {
    lines v = {"Zakończono", "Statystyka:", "Wszystkich: " + num(all)};
    if (toolong > 0) v.push_back("Za długich: " + num(toolong));
    return v + lines{"Zaremowanych: " + num(rem), "Zawierających błędy: " + num(bad), "Prawidłowych: " + num(ok),
                     "Brakujących części bazy: " + num(missing)};
}
lines counts(int good, int bad) {
    return {"Prawidłowych ilościowo części: " + num(good), "Nieprawidłowych ilościowo części: " + num(bad)};
}

lines drop1(lines v) { return lines(v.begin() + 1, v.end()); }

lines split(const std::string &s) {
    lines v;
    std::size_t from = 0, i;
    while ((i = s.find('\n', from)) != std::string::npos) {
        v.push_back(s.substr(from, i - from));
        from = i + 1;
    }
    if (from < s.size()) v.push_back(s.substr(from));
    return v;
}

// The number after "<label>: " in the pane lines, -1 when no such line.
int statof(const lines &v, const std::string &label) {
    for (const std::string &l : v)
        if (l.rfind(label + ": ", 0) == 0) return std::atoi(l.c_str() + label.size() + 2);
    return -1;
}

struct result {
    int code;
    lines out;  // pane lines
    std::string err;
};

struct tbread : ::testing::Test {
    tempdir t;
    homeenv h{t.path};
    std::string dir = t.path + "/";
    std::string out = t / "wynik.txt";
    void put(const std::string &name, const std::string &text) { ASSERT_TRUE(writefile(dir + name, text)); }
    // `trelik ARGS` in-process, through the batch toolkit.
    result run(std::vector<std::string> args) {
        clirunresult r = clirun(std::move(args));
        return {r.code, split(r.out), r.err};
    }
    result check(const std::string &first, std::vector<std::string> opts = {}) {
        opts.insert(opts.begin(), "check");
        opts.push_back(dir + first);
        return run(opts);
    }
    result convert(const std::string &first, std::vector<std::string> opts = {}) {
        opts.insert(opts.begin(), {"convert-textbase", "-o", out});
        opts.push_back(dir + first);
        return run(opts);
    }
    lines start(const std::string &name) { return {"Przetwarzam " + name + " w folderze " + dir}; }
};

// ---- Headers ----

TEST_F(tbread, headers) {
    // Rows: the start of tba005.txt -> its rejection (empty: accepted).
    const std::string f = "tba005.txt";
    const std::pair<std::string, lines> rows[] = {
        {"textbase kwz part 5\r\nkorektor Jan Nowak\r\nuwaga: sprawdzone do połowy\r\n\r\n", {}},
        {"textbase kwz part 005\r\n\r\n", {}},
        {"   \t textbase   kwz  part 5  \n\n", {}},
        {"textbase kwz part 5\r\n \t \r\n", {}},  // a line of blanks ends the header
        {"Textbase kwz part 5\r\n\r\n", fileerr(f, "brak sygnatury textbase")},
        {"", fileerr(f, "brak sygnatury textbase")},
        {"textbase kwzz part 5\r\n\r\n", fileerr(f, "To nie jest baza projektu kwz")},
        {"textbase\r\n\r\n", fileerr(f, "To nie jest baza projektu kwz")},
        {"textbase kwz Part 5\r\n\r\n", fileerr(f, "Nieprawidłowy format pliku")},
        {"textbase kwz part 06\r\n\r\n",
         fileerr(f, "Rozbieżność numeracji między nazwą pliku i nagłówkiem: deklarowana w nagłówku część \"06\"")},
        {"textbase kwz part\r\n\r\n",
         fileerr(f, "Rozbieżność numeracji między nazwą pliku i nagłówkiem: deklarowana w nagłówku część \"\"")},
        {"textbase kwz part 5\r\nkorektor \r\n", fileerr(f, eof)},
        {"textbase kwz part 5\r\nkorektor \r\ntextbaseend part 5\r\n", fileerr(f, eof)},
    };
    // Part 6 holds two records: when part 5 is rejected, the search goes on
    // there (part 5 is not counted as missing), and only part 6 is read.
    put("tba006.txt", head(6) + rec + rec + foot(6));
    for (auto &[text, report] : rows) {
        SCOPED_TRACE(text);
        bool accepted = report.empty();
        put(f, cp(text) + (accepted ? rec + foot(5) : ""));
        result res = check(f);
        EXPECT_EQ(res.code, 0) << res.err;
        EXPECT_EQ(res.out, start(f) + report + stats(accepted ? 1 : 2, 0, 0, accepted ? 1 : 2));
    }
}

// ---- Records ----

TEST_F(tbread, recorderrorsandwarnings) {
    struct row {
        const char *body;                                // record lines (line 3 on); a blank line and the footer follow
        std::vector<std::pair<int, const char *>> warn;  // line, message
        char state;                                      // v valid, r remmed, f faulty
    };
    const char *dupp = "Niedozwolone wielokrotne pole pozycji(p), prawdopodobnie połączone dwa rekordy";
    const char *dupk = "Niedozwolone wielokrotne pole kategorii";
    const char *dupo = "Niedozwolone wielokrotne pole opisu";
    const char *dupn = "Niedozwolone wielokrotne pole nazwy";
    const char *badp = "Błędna zawartość pola pozycji (p)";
    const char *nopos = "Nieprawidłowe współrzędne w poprzednim rekordzie";
    const char *nok = "Nieokreślono pola kategoria w poprzednim rekordzie";
    const row rows[] = {
        {"p 1 2\nk a\np 3 4\nn x\n", {{5, dupp}}, 'f'},
        {"p 1 2\nk a\nk b\nn x\n", {{5, dupk}}, 'f'},
        {"p 1 2\nk a\no b\no c\n", {{6, dupo}}, 'f'},
        {"n x\np 1 2\nn y\nk a\n", {{5, dupn}}, 'f'},
        {"p 0 522296756\nk a\nn x\n", {{3, badp}}, 'f'},
        {"p 210122287 0\nk a\nn x\n", {{3, badp}}, 'f'},
        {"p abc 522296756\nk a\nn x\n", {{3, badp}}, 'f'},
        {"p 210122287\nk a\nn x\n", {{3, badp}}, 'f'},
        {"p 99999999999 1\nk a\nn x\n", {{3, badp}}, 'f'},
        {"p 0 5\np 1 2\nk a\nn x\n", {{3, badp}}, 'f'},  // the second p replaces, no duplicate
        {"p 21.0122287 52.2296756\nk a\nn x\n", {}, 'v'},
        {"p 1 2 3\nk a\nn x\n", {}, 'v'},
        {"p -1 +2,5\nk a\nn x\n", {}, 'v'},
        {"n x\np 1 2\nk a\n", {}, 'v'},
        {"p   1    2  \nk    a  \nn   x    y  \n", {}, 'v'},
        {"p 1 2\nk a\no \no\no ul. Długa\nn y\n", {}, 'v'},
        {"p 1 2\nk a\nn x\nf rem\n", {}, 'r'},
        {"f rem xyz\np 1 2\n", {{3, "Nieznana flaga rekordu \"xyz\""}}, 'r'},
        {"f rem\np 1 2\nk a\nk b\n", {{6, dupk}}, 'f'},
        {"k a\nk b\nf rem\n", {{4, dupk}}, 'r'},
        {"p 1 2\nk a\nn x\nf xyz\n", {{6, "Nieznana flaga rekordu \"xyz\""}}, 'v'},
        {"P 1 2\nk a\nn x\n", {{3, "Nieznany identyfikator pola \"P\""}, {6, nopos}}, 'f'},
        {"p 1 2\nK a\nn x\n", {{4, "Nieznany identyfikator pola \"K\""}, {6, nok}}, 'f'},
        {"p\t1 2\nk a\nn x\n", {{3, "Nieznany identyfikator pola \"p\t1\""}, {6, nopos}}, 'f'},
        {"p 1 2\nk a\ntextbaseend part 1\nn x\n", {{5, "sygnatura końca części wewnątrz rekordu"}}, 'v'},
        {"p 1 2\nn x\n", {{5, nok}}, 'f'},
        {"k a\no b\n", {{5, nopos}}, 'f'},
        {"n x\n", {{4, nopos}, {4, nok}}, 'f'},
        {"p 1 2\nk a\n", {{5, "Brak pól nazwa i opis w poprzednim rekordzie"}}, 'v'},
        {"p 1 2\nk a\no b\nn c\np 3 4\nk d\no e\nn f\n", {{7, dupp}, {8, dupk}, {9, dupo}, {10, dupn}}, 'f'},
        {"\n \t\n\np 1 2\nk a\nn x\n", {}, 'v'},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.body);
        put("tba001.txt", "textbase kwz part 1\n\n" + cp(r.body) + "\ntextbaseend part 1\n");
        result res = check("tba001.txt");
        lines want = start("tba001.txt");
        for (auto &w : r.warn) want = want + at("tba001.txt", w.first, w.second);
        want = want + stats(1, r.state == 'r', r.state == 'f', r.state == 'v');
        EXPECT_EQ(res.code, 0);
        EXPECT_EQ(res.out, want);
    }
}

TEST_F(tbread, footers) {
    // Footer line 7; the part is closed and counted as usual.
    const std::pair<const char *, lines> rows[] = {
        {"textbaseend part 8\r\n",
         at("tba007.txt", 7, "Niezgodność numeru części w sygnaturze końca z nazwą. Numer w sygnaturze: 8")},
        {"textbaseend xyz 007\r\n", {}},
        {"textbaseend\r\n", at("tba007.txt", 7,
                               "Niezgodność numeru części w sygnaturze końca z nazwą. Numer w "
                               "sygnaturze: ")},
    };
    for (auto &r : rows) {
        SCOPED_TRACE(r.first);
        put("tba007.txt", head(7) + "p 1 2\r\nk a\r\nn x\r\n\r\n" + r.first);
        result res = check("tba007.txt", {"--count-mode", "different", "--expected", "1"});
        EXPECT_EQ(res.out, start("tba007.txt") + r.second + stats(1, 0, 0, 1) + counts(1, 0));
    }
}

// ---- A part that ends inside a record ----

TEST_F(tbread, partendinginsidearecord) {
    struct row {
        std::string text;  // the whole of tba001.txt
        lines report;      // after the start line, up to the statistics
        int faulty;
    };
    const lines ended = at("tba001.txt", 5, eof);
    const row rows[] = {
        {"textbase kwz part 1\r\n\r\np 1 2\r\nk a\r\nn x\r\n", ended, 0},
        {"textbase kwz part 1\r\n\r\np 1 2\r\nk a\r\nn x", ended, 0},
        {"textbase kwz part 1\n\np 1 2\nk a\nn x", ended, 0},
        {"textbase kwz part 1\r\rp 1 2\rk a\rn x\r", ended, 0},
        {"textbase kwz part 1\r\rp 1 2\rk a\rn x", ended, 0},
        {"textbase kwz part 1\n\np 1 2\nn x",
         at("tba001.txt", 4, "Nieokreślono pola kategoria w poprzednim rekordzie") + at("tba001.txt", 4, eof), 1},
        {"textbase kwz part 1\n\np 1 2\nk a\nn x\ntextbaseend part 1\n",
         at("tba001.txt", 6, "sygnatura końca części wewnątrz rekordu") + at("tba001.txt", 6, eof), 0},
        {"textbase kwz part 1\n\np 1 2\nk a\nn x\n\n", at("tba001.txt", 6, eof), 0},  // ends between records
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.text);
        put("tba001.txt", r.text);
        result res = check("tba001.txt");
        EXPECT_EQ(res.code, 0);
        EXPECT_EQ(res.out, start("tba001.txt") + r.report + stats(1, 0, r.faulty, 1 - r.faulty));
    }
}

TEST_F(tbread, partendinginsidearecordendsamultipartrun) {
    // Two records, the last without its line end; part 2 must not be read.
    put("tba001.txt", head(1) + "p 1 2\r\nk a\r\nn x\r\n\r\np 3 4\r\nk b\r\nn " + cp("Żółw"));
    put("tba002.txt", fullpart(2, 3));
    result res = check("tba001.txt", {"--all", "--count-mode", "fewer", "--expected", "3"});
    EXPECT_EQ(res.code, 0);
    EXPECT_EQ(res.out, start("tba001.txt") + at("tba001.txt", 9, eof) + lines{"Zakończono"} +
                           at("tba001.txt", 9, "Za mało rekordów w tej części: 2") + drop1(stats(2, 0, 0, 2)) +
                           counts(0, 1));

    res = convert("tba001.txt", {"--all", "-i", "10"});
    EXPECT_EQ(res.code, 0);
    EXPECT_EQ(res.out, start("tba001.txt") + at("tba001.txt", 9, eof) + stats(2, 0, 0, 2));
    EXPECT_EQ(readfile(out), lsheadtext + "\"a x\",2,1,0,0,0,1,10\r\n" + cp("\"b Żółw\",4,3,0,0,0,1,11\r\n"));
}

// ---- The search over parts ----

TEST_F(tbread, missingpartsandrejectedones) {
    put("tba001.txt", fullpart(1, 1));
    put("tba003.txt", "Textbase kwz part 3\r\n\r\n" + rec + foot(3));
    put("tba006.txt", fullpart(6, 2));
    std::filesystem::create_directory(dir + "tba005.txt");  // a folder is no part: missing, no read error
    result res = check("tba001.txt", {"--all"});
    EXPECT_EQ(res.code, 0);
    EXPECT_EQ(res.out, start("tba001.txt") + lines{"Brak części od 2 do 2"} +
                           fileerr("tba003.txt", "brak sygnatury textbase") + lines{"Brak części od 4 do 5"} +
                           notfound(6) + stats(3, 0, 0, 3, 3));
}

TEST_F(tbread, namesandwidths) {
    // Width 1: the search ends after tba9.txt without a message.
    put("tba7.txt", fullpart(7, 1));
    put("tba8.txt", fullpart(8, 1));
    put("tba9.txt", fullpart(9, 1));
    result res = check("tba7.txt", {"--all"});
    EXPECT_EQ(res.out, start("tba7.txt") + stats(3, 0, 0, 3));
    EXPECT_EQ(res.code, 0);

    // The pick names its folder and number only: tba003.txt is read.
    put("TBA003.TXT", fullpart(3, 2));
    put("tba003.txt", fullpart(3, 1));
    res = check("TBA003.TXT");
    EXPECT_EQ(res.out, start("tba003.txt") + stats(1, 0, 0, 1));
    EXPECT_EQ(lastcheck.partno, 3);
    EXPECT_EQ(lastcheck.width, 3);

    // No number at the end of the name: nothing is read.
    put("baza.txt", fullpart(1, 1));
    res = check("baza.txt", {"--all"});
    EXPECT_EQ(res.out, start("baza.txt"));
    EXPECT_EQ(lastcheck.partno, 0);
    EXPECT_EQ(res.code, 1);

    // The first part missing: the search goes upward only.
    put("tba001.txt", fullpart(1, 1));
    res = check("tba004.txt", {"--all"});
    EXPECT_EQ(res.out, start("tba004.txt") + notfound(3) + stats(0, 0, 0, 0));
    EXPECT_EQ(res.code, 1);
    EXPECT_NE(res.err.find("nie znaleziono żadnej części bazy"), std::string::npos) << res.err;
}

TEST_F(tbread, partpathslongerthan255) {
    auto folder = [&](std::size_t len) {  // a folder whose path with its "/" is len bytes
        std::string f = dir + std::string(len - dir.size() - 1, 'd') + "/";
        std::filesystem::create_directory(f);
        return f;
    };
    std::string f245 = folder(245), f246 = folder(246);
    ASSERT_TRUE(writefile(f245 + "tba001.txt", fullpart(1, 1)));  // 255 bytes
    ASSERT_TRUE(writefile(f246 + "tba1.txt", fullpart(1, 2)));    // 254 bytes
    ASSERT_TRUE(writefile(f246 + "a001.txt", fullpart(1, 3)));    // tba001.txt here would be 256

    auto first = [](const std::string &line) { return lines{line.substr(0, 255)}; };  // a pane line holds 255
    result res = run({"check", f245 + "tba001.txt"});
    EXPECT_EQ(res.out, first("Przetwarzam tba001.txt w folderze " + f245) + stats(1, 0, 0, 1));
    res = run({"check", f246 + "tba1.txt"});
    EXPECT_EQ(res.out, first("Przetwarzam tba1.txt w folderze " + f246) + stats(2, 0, 0, 2));

    res = run({"check", f246 + "a001.txt"});
    EXPECT_EQ(res.out, first("Przetwarzam a001.txt w folderze " + f246) +
                           (lines{"Ścieżki części bazy w tym folderze byłyby dłuższe niż 255 znaków. Przenieś bazę do "
                                  "folderu o krótszej ścieżce."}));
    EXPECT_EQ(res.code, 1);
    // The name does end in a number: the closing message must not say otherwise.
    EXPECT_EQ(res.err.find("nie kończy się numerem"), std::string::npos) << res.err;
}

// ---- The record-count control ----

TEST_F(tbread, countcontrol) {
    put("tba001.txt", fullpart(1, 99));  // footer line 399
    put("tba002.txt", fullpart(2, 100));
    put("tba003.txt", fullpart(3, 101));  // footer line 407
    const lines few = at("tba001.txt", 399, "Za mało rekordów w tej części: 99");
    const lines many = at("tba003.txt", 407, "Za dużo rekordów w tej części: 101");
    const struct {
        const char *mode;
        lines warn;
        lines tail;
    } rows[] = {
        {"off", {}, {}},
        {"fewer", few, counts(2, 1)},
        {"more", many, counts(2, 1)},
        {"different", few + many, counts(1, 2)},
    };
    for (auto &r : rows) {
        SCOPED_TRACE(r.mode);
        result res = check("tba001.txt", {"--all", "--count-mode", r.mode, "--expected", "100"});
        EXPECT_EQ(res.out, start("tba001.txt") + r.warn + notfound(3) + stats(300, 0, 0, 300) + r.tail);
    }

    // A part without its footer gets its warning after "Zakończono".
    put("tba001.txt", head(1) + rec + rec);  // ends after the blank line 10
    result res = check("tba001.txt", {"--all", "--count-mode", "different", "--expected", "3"});
    EXPECT_EQ(res.out, start("tba001.txt") + at("tba001.txt", 10, eof) + lines{"Zakończono"} +
                           at("tba001.txt", 10, "Za mało rekordów w tej części: 2") + drop1(stats(2, 0, 0, 2)) +
                           counts(0, 1));
}

// ---- Statistics, names and the conversion ----

TEST_F(tbread, statisticsandconversion) {
    put("tba001.txt", cp(head(1) +
                         "p 210122287 522296756\r\nk Apteka\r\no ul. \"Długa\", 5/7\r\n"
                         "n Łódź   Śródmieście (24h)\r\n\r\n"
                         "p 1 2\r\nk a\r\nn x\r\nf rem\r\n\r\n"
                         "p 1 2\r\nn x\r\n\r\n"
                         "p 21.0122287 52.2296756\r\nk Bar\r\no\r\nn  Rynek \r\n\r\n"
                         "p 3 4\r\nk Sklep\r\nn Radom woj. mazowieckie\r\n\r\n" +
                         foot(1)));
    result res = check("tba001.txt");
    const lines nok = at("tba001.txt", 15, "Nieokreślono pola kategoria w poprzednim rekordzie");
    EXPECT_EQ(res.out, start("tba001.txt") + nok + stats(5, 1, 1, 3));
    EXPECT_FALSE(existsfile(out));

    res = convert("tba001.txt", {"-u", "7", "-i", "100"});
    EXPECT_EQ(res.code, 0);
    EXPECT_EQ(res.out[res.out.size() - 2], "Prawidłowych: 3");
    EXPECT_EQ(
        readfile(out),
        lsheadtext + cp("\"Apteka ul. Długa 5/7 Łódź Śródmieście 24h\",522296756,210122287,0,0,0,7,100\r\n"
                        "\"Bar Rynek\",52,21,0,0,0,7,101\r\n\"Sklep Radom woj. mazowieckie\",4,3,0,0,0,7,102\r\n"));
}

TEST_F(tbread, longnamesandthecutatwoj) {
    const std::string c40(40, 'k'), d20(20, 'o'), d40(40, 'o'), d254(254, 'd');
    put("tba001.txt", cp(head(1) + "p 1 2\r\nk " + c40 + "\r\no " + d20 + "\r\nn Warszawa woj. mazowieckie\r\n\r\n" +
                         "p 3 4\r\nk " + c40 + "\r\no " + d40 + "\r\nn Gdańsk WOJ. pomorskie\r\n\r\n" +
                         "p 5 6\r\nk k\r\no " + d254 + "\r\nn x\r\n\r\n" + foot(1)));
    // Line 12: 40 + 1 + 40 + 1 + "Gdańsk " = 89 bytes. Line 17: record 3, whose
    // o line of 256 bytes keeps 255.
    const std::string name2 = c40 + " " + d40 + " Gdańsk ";
    const std::string name3 = "k " + std::string(253, 'd') + " x";
    const lines report2 = {name2.substr(0, 75), "Rekord oryginalny:", "Kategoria: " + c40,
                           "Opis: " + d40,      "Nazwa: Gdańsk ",     ""};
    const lines report3 = {name3.substr(0, 75), "Rekord oryginalny:",
                           "Kategoria: k",      ("Opis: " + std::string(253, 'd')).substr(0, 255),
                           "Nazwa: x",          ""};  // a pane line: 255
    result res = check("tba001.txt", {"--warn-long"});
    EXPECT_EQ(res.out, start("tba001.txt") + at("tba001.txt", 12, "Za długa nazwa po konwersji") + report2 +
                           at("tba001.txt", 17, "Za długa nazwa po konwersji") + report3 + stats(3, 0, 0, 3, 0, 2));

    // Without --warn-long nothing is reported; the names are cut to 75 in the file.
    res = convert("tba001.txt");
    EXPECT_EQ(res.out, start("tba001.txt") + stats(3, 0, 0, 3));
    const std::string name1 = c40 + " " + d20 + " Warszawa ";  // 71 bytes, ending in a blank
    EXPECT_EQ(readfile(out), lsheadtext + "\"" + name1 + "\",2,1,0,0,0,1,1\r\n" + cp("\"" + name2.substr(0, 75)) +
                                 "\",4,3,0,0,0,1,2\r\n\"" + name3.substr(0, 75) + "\",6,5,0,0,0,1,3\r\n");
}

// ---- Parts of any bytes ----

TEST_F(tbread, oddbytes) {
    // NUL bytes are bytes like any other; the name takes them as blanks.
    const char raw[] = "p 1\0 2\r\nk a\0b\r\nn x\0y\r\n\r\n";
    put("tba001.txt", head(1) + std::string(raw, sizeof raw - 1) + foot(1));
    result res = convert("tba001.txt");
    EXPECT_EQ(res.out, start("tba001.txt") + stats(1, 0, 0, 1));
    EXPECT_EQ(readfile(out), lsheadtext + "\"a b x y\",2,1,0,0,0,1,1\r\n");

    // A line of 100,000 bytes keeps 255 of them; the next line is a line of its own.
    put("tba001.txt", head(1) + "p 1 2\r\nk a\r\nn " + std::string(100000, 'n') + "\r\no b\r\n\r\n" + foot(1));
    res = check("tba001.txt", {"--warn-long"});
    EXPECT_EQ(statof(res.out, "Prawidłowych"), 1);
    EXPECT_EQ(statof(res.out, "Za długich"), 1);
    EXPECT_NE(std::find(res.out.begin(), res.out.end(), "Nazwa: " + std::string(248, 'n')), res.out.end());
    EXPECT_NE(std::find(res.out.begin(), res.out.end(), "Opis: b"), res.out.end());

    // Headers that never end.
    std::string comments = "textbase kwz part 1\r\n";
    for (int i = 0; i < 30000; i++) comments += "korektor\r\n";
    for (const std::string &text : {comments, "textbase kwz part 1\r\n" + std::string(300000, 'x'),
                                    "textbase kwz part 1" + std::string(100000, ' ')}) {
        put("tba001.txt", text);
        res = check("tba001.txt");
        EXPECT_EQ(res.out, start("tba001.txt") + fileerr("tba001.txt", eof) + notfound(1) + stats(0, 0, 0, 0));
        EXPECT_EQ(res.code, 1);
    }
}

TEST_F(tbread, randombytesneverbreaktherun) {
    // Lines made of good field lines, whole records, blank lines, footers,
    // and pieces of the format mixed with random bytes, under any of the
    // three line ends.
    static const char *const good[] = {
        "p 210122287 522296756",
        "k apteka",
        "o ul. D\xb3uga 5",
        "n Centrum woj. x",
        "f rem",
        "",
        "",
        "",
        " \t",
        "textbaseend part 3",
        "textbaseend",
        "\np 1 2\nk a\n",
        "\r\np 210122287 522296756\r\nk apteki drogerie i sklepy zielarskie\r\no ul. Marsza\xb3kowska 10 lok. 5\r\n"
        "n Apteka Centrum Warszawa woj. mazowieckie\r\n"};
    static const char *const tokens[] = {
        "p ",
        "k ",
        "o ",
        "n ",
        "f ",
        "rem ",
        "xyz",
        "textbaseend part ",
        "textbase kwz part ",
        "1",
        "007",
        "210122287 ",
        "-5",
        "99999999999",
        " ",
        "   ",
        "\t",
        "woj.",
        "\"",
        ",",
        "\xb3\xf3\xbf",
        "\x81\x98",
        "P ",
        "\x7f",
    };
    static const char *const ends[] = {"\r\n", "\n", "\r"};
    auto pick = [](std::mt19937 &g, auto &list) { return list[g() % (sizeof list / sizeof *list)]; };
    for (unsigned seed = 1; seed <= 6; seed++) {
        SCOPED_TRACE(seed);
        std::mt19937 g(seed);
        for (int p = 1; p <= 8; p++) {
            std::string s = g() % 4 ? head(p) : "";
            for (int n = int(g() % 300); n > 0; n--) {
                if (g() % 4) {
                    s += pick(g, good);
                } else {
                    for (int k = int(g() % 8); k > 0; k--) s += g() % 4 ? pick(g, tokens) : std::string(1, char(g()));
                    if (g() % 50 == 0) s += std::string(g() % 2000, char(g()));
                }
                s += pick(g, ends);
            }
            if (g() % 4) s += foot(p);
            put("tba00" + num(p) + ".txt", s);
        }
        result res = check("tba001.txt", {"--all", "--warn-long", "--count-mode", "different", "--expected", "3"});
        ASSERT_GE(res.out.size(), 7u);
        EXPECT_TRUE(res.code == 0 || res.code == 1);
        int all = statof(res.out, "Wszystkich");
        EXPECT_EQ(all, statof(res.out, "Zaremowanych") + statof(res.out, "Zawierających błędy") +
                           statof(res.out, "Prawidłowych"));
        EXPECT_GE(statof(res.out, "Nieprawidłowych ilościowo części"), 0);

        std::filesystem::remove(out);
        result conv = convert("tba001.txt", {"--all", "-i", "1"});
        EXPECT_EQ(statof(conv.out, "Wszystkich"), all);
        EXPECT_EQ(lspoints(readfile(out), 1, 1), statof(conv.out, "Prawidłowych"));
    }
}

// ---- The subcommands as a user runs them ----

struct tbcli : tbread {
    std::string prog = std::string(std::getenv("TRELIK_BUILD")) + "/trelik";
    child exec(std::vector<std::string> args) {
        args.insert(args.begin(), prog);
        return childrun(args, {{"TRELIK_HOME", t.path}}, "", 30000);
    }
};

TEST_F(tbcli, checkandconverttextbase) {
    put("tba001.txt", head(1) + rec + "p 1 2\r\nn x\r\n\r\n" + foot(1));
    put("tba002.txt", fullpart(2, 3));
    child c = exec({"check", dir + "tba001.txt"});
    EXPECT_EQ(c.status, 0) << c.errtext;
    EXPECT_EQ(c.outtext, "Przetwarzam tba001.txt w folderze " + dir +
                             "\nplik tba001.txt linia 9\n"
                             "Nieokreślono pola kategoria w poprzednim rekordzie\nZakończono\nStatystyka:\n"
                             "Wszystkich: 2\nZaremowanych: 0\nZawierających błędy: 1\nPrawidłowych: 1\n"
                             "Brakujących części bazy: 0\n");

    c = exec({"check", "--all", "--count-mode", "fewer", "--expected", "3", dir + "tba001.txt"});
    EXPECT_EQ(c.status, 0);
    lines o = split(c.outtext);
    EXPECT_EQ(lines(o.begin() + 3, o.begin() + 5), at("tba001.txt", 10, "Za mało rekordów w tej części: 2"));
    EXPECT_EQ(lines(o.end() - 2, o.end()), counts(1, 1));

    c = exec({"convert-textbase", "--all", "-o", out, "-u", "5", "-i", "20", dir + "tba001.txt"});
    EXPECT_EQ(c.status, 0) << c.errtext;
    std::string line = "\"apteka Centrum\",522296756,210122287,0,0,0,5,";
    EXPECT_EQ(readfile(out), lsheadtext + line + "20\r\n" + line + "21\r\n" + line + "22\r\n" + line + "23\r\n");
    EXPECT_NE(c.outtext.find("\nPrawidłowych: 4\n"), std::string::npos) << c.outtext;
    c = exec({"convert-textbase", dir + "tba002.txt"});  // output, user and next id from trelik.cfg
    EXPECT_EQ(readfile(out).substr(readfile(out).size() - line.size() - 4), line + "26\r\n");
}

// A seeded base of every kind of record, with missing parts: the check
// counts what its generator says it made.
TEST_F(tbcli, generatedbasechecksasitsgeneratorsays) {
    std::string base = dir + "baza/";
    child g = childrun(
        {std::string(std::getenv("TRELIK_BUILD")) + "/mktba", "--seed", "3", "--parts", "12", "--missing", "2", base},
        {}, "", 30000);
    ASSERT_EQ(g.status, 0) << g.errtext;
    child c = exec({"check", "--all", "--count-mode", "different", "--expected", "100", base + "tba001.txt"});
    EXPECT_EQ(c.status, 0) << c.errtext;
    lines o = split(c.outtext);
    ASSERT_GE(o.size(), 8u) << c.outtext;
    lines figures(o.end() - 7, o.end() - 2);
    EXPECT_EQ(figures, split(g.outtext)) << c.outtext;
    EXPECT_EQ(lines(o.end() - 2, o.end()), counts(12, 0));
}

TEST_F(tbcli, exitcodes) {
    put("tba001.txt", fullpart(1, 1));
    const struct {
        std::vector<std::string> args;
        int code;
        std::string err;  // part of standard error
    } rows[] = {
        {{"check", dir + "tba001.txt"}, 0, ""},
        {{"check", dir + "tba005.txt"}, 1, "nie znaleziono żadnej części bazy"},
        {{"check", dir + "baza.txt"}, 1, "nie kończy się numerem"},
        {{"convert-textbase", "-o", "/dev/full", dir + "tba001.txt"}, 1, "/dev/full"},
        {{"convert-textbase", "-o", dir + "brak/x.txt", dir + "tba001.txt"}, 1, "brak/x.txt"},
        {{"check", "--count-mode", "all", dir + "tba001.txt"}, 2, "off|fewer|more|different"},
        {{"check", "--count-mode", "fewer", "--expected", "0", dir + "tba001.txt"}, 2, "--expected"},
        {{"check"}, 2, "FIRSTPART"},
        {{"convert-textbase", "--warn-long", dir + "tba001.txt"}, 2, "--warn-long"},
        {{"check", dir + "tba001.txt", dir + "tba002.txt"}, 2, "trelik check --help"},
    };
    for (auto &r : rows) {
        SCOPED_TRACE(r.args.back());
        child c = exec(r.args);
        EXPECT_EQ(c.status, r.code) << c.outtext << c.errtext;
        EXPECT_NE(c.errtext.find(r.err), std::string::npos) << c.errtext;
    }
}

}  // namespace
