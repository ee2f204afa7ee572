// The AutoMapa reader: the category table's lines and file, the point names
// built from a record, and whole files through the conversion run: short and
// broken files, failed transformations, files of any bytes, closing during a
// run, and a generated file converted from the conversion menu.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "app/cli.h"
#include "app/shell.h"
#include "core/app.h"
#include "poi/convrun.h"
#include "poi/uam.h"
#include "poi/uamkat.h"
#include "poi/uamproj.h"
#include "tests/childproc.h"
#include "tests/faults.h"
#include "tests/lscheck.h"
#include "tests/scripted/scripted.h"
#include "tests/testfiles.h"
#include "text/cp1250.h"
#include "text/strutil.h"
#include "ui/tk.h"

namespace {

std::string cp(const std::string &utf8) { return cp1250fromutf8(utf8); }
std::string utf(const shortstr &s) { return utf8fromcp1250(s.view()); }

void put32(std::string &s, std::size_t at, std::int32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = char(std::uint32_t(v) >> (8 * i));
}

// One 362-byte record; texts are UTF-8 here and go in as code page 1250,
// each slot zero-filled after its text unless fill says otherwise.
std::string rec(std::int32_t x, std::int32_t y, const std::string &name, const std::string &desc, int katnum,
                const std::string &own = "", char fill = 0) {
    std::string r(362, fill);
    put32(r, 0, x);
    put32(r, 4, y);
    auto slot = [&r](std::size_t at, std::size_t size, const std::string &t) {
        std::string c = cp(t);
        std::memcpy(&r[at], c.data(), std::min(c.size(), size));
        if (c.size() < size) r[at + c.size()] = 0;
    };
    slot(9, 64, name);
    slot(73, 255, desc);
    r[329] = char(katnum);
    slot(330, 32, own);
    return r;
}

constexpr std::int32_t asmany = INT32_MIN;  // declared count: the number of records given
std::string uamfile(const std::vector<std::string> &recs, std::int32_t declared = asmany) {
    std::string f = "\xBB\x22\xD5\x3F" + std::string(4, '\0');
    put32(f, 4, declared == asmany ? std::int32_t(recs.size()) : declared);
    for (auto &r : recs) f += r;
    return f;
}

// Entries of the category table as "number=name" (UTF-8), in number order.
std::string katentries() {
    std::string s;
    for (int i = 0; i < 256; ++i)
        if (!kateg[i].empty()) s += std::to_string(i) + "=" + utf(kateg[i]) + ";";
    return s;
}

TEST(uamkat, lines) {
    struct row {
        const char *line;
        const char *entries;
    };
    const row rows[] = {
        {"Apteki,12", "12=Apteki;"},
        {" Apteki  nocne ,  13 ", "13=Apteki nocne;"},
        {"\tBanki\t,\t7", "7=Banki;"},
        {"Stacje,7x", "7=Stacje;"},
        {"Inne,99", ""},
        {"Zero,0", ""},
        {"Duże,256", ""},
        {"Inne,65548", ""},  // its low 16 bits would be 12
        {"Ujemne,-12", ""},
        {"Bar, pub,5", ""},  // the number is read from " pub,5"
        {"Bez przecinka 5", ""},
        {"Apteki,12,13", "12=Apteki;"},
        {"Szesnastkowo,$1F", "31=Szesnastkowo;"},
        {"Bardzo długa nazwa kategorii punktów,255", "255=Bardzo długa nazwa kategorii pu;"},
    };
    for (const row &r : rows) {
        for (auto &k : kateg) k = shortstr();
        katline(shortstr(cp(r.line)));
        EXPECT_EQ(katentries(), r.entries) << r.line;
    }
}

struct uamtest : ::testing::Test {
    tempdir t;
    homeenv h{t.path};
    std::string out = t / "wynik.txt";
    void reset() {
        scriptreset();
        apptitle = "Trelik";
        errorflag = 0;
    }
    void SetUp() override {
        scriptreset();
        freshprogram();
        apptitle = "Trelik";
        outputfile = shortstr(out);
    }
    // Converts data as the file name; gives the output's point lines.
    std::string convert(const std::string &data, const std::string &name = "in.uam") {
        std::remove(out.c_str());
        writefile(t / name, data);
        scriptpick(t / name);
        convertfile();
        EXPECT_FALSE(projheld());
        EXPECT_FALSE(busyflag);
        std::string o = readfile(out);
        if (o.rfind(lsheadtext, 0) == 0) o.erase(0, lsheadtext.size());
        return o;
    }
    bool has(const std::string &entry) {
        auto &tr = transcript();
        return std::find(tr.begin(), tr.end(), entry) != tr.end();
    }
    std::string panes() {
        std::string s;
        for (auto &e : transcript())
            if (e.rfind("pane: ", 0) == 0 && e.rfind("pane: rozpoczynam", 0) != 0) s += e.substr(6) + "|";
        return s;
    }
};

TEST_F(uamtest, categoryfile) {
    // Missing: the pane line, and an empty table.
    kateg[12] = "x";
    katload();
    EXPECT_EQ(katentries(), "");
    EXPECT_EQ(transcripttext(), "pane: Nie można otworzyć pliku uamkateg.csv, niektóre kategorie będą pominięte\n");

    // Every kind of line end, a later line winning, a line cut at 255 bytes,
    // a last line without its end; code page 1250 as it is.
    reset();
    writefile(t / "uamkateg.csv", cp("Apteki,12\r\nBanki,7\nPoczta,7\rSklep spożywczy,20\r\n") + std::string(300, 'x') +
                                      ",30\r\n" + "Żabka,21");
    katload();
    EXPECT_EQ(katentries(), "7=Poczta;12=Apteki;20=Sklep spożywczy;21=Żabka;");
    EXPECT_EQ(transcripttext(), "");

    // A file saved as UTF-8, with the byte order mark, gives the same names.
    writefile(t / "uamkateg.csv", "\xEF\xBB\xBFŻabka,21\r\nSklep spożywczy,20\r\n");
    katload();
    EXPECT_EQ(katentries(), "20=Sklep spożywczy;21=Żabka;");
}

TEST_F(uamtest, pointnames) {
    for (auto &k : kateg) k = shortstr();
    kateg[12] = cp("Apteka");
    kateg[5] = cp("Bankomaty");
    std::string full63(63, 'w');
    std::string longdesc;
    for (int i = 0; i < 30; ++i) longdesc += "słowo" + std::to_string(i) + " ";
    struct row {
        std::string raw;
        const char *name;
    };
    const row rows[] = {
        // Words already in the text (inside a longer word too) are dropped.
        {rec(0, 0, "Apteka Centrum", "Apteka czynna całą dobę", 12), "apteka centrum czynna cala dobe"},
        {rec(0, 0, "Bank Spółdzielczy", "", 5), "bankomaty spoldzielczy"},
        {rec(0, 0, "Plac Zamkowy", "", 99, "Parking"), "parking plac zamkowy"},
        // Own names count only with 99; an unknown category is empty.
        {rec(0, 0, "Plac", "", 12, "Parking"), "apteka plac"},
        {rec(0, 0, "Plac", "", 77), "plac"},
        {rec(0, 0, "", "", 0), ""},
        // Marks become blanks; capitals and Polish letters are made plain.
        {rec(0, 0, "ŁÓDŹ \"Kaliska\" (PKP)", "peron 1, wejście A", 99, "Dworzec-Główny"),
         "dworzec glowny lodz kaliska pkp peron 1 wejscie"},  // "a" is in "kaliska"
        // A full name slot without a zero byte, garbage after the zero bytes.
        {rec(0, 0, full63, "opis", 0, "", 'Q'), nullptr},
        // No words are appended once the text is longer than 100 bytes; the
        // name is cut at 75.
        {rec(0, 0, "Nazwa", longdesc, 0), nullptr},
    };
    for (const row &r : rows) {
        uamdecode(reinterpret_cast<const unsigned char *>(r.raw.data()));
        std::string n = utf(uamlsname());
        if (r.name) EXPECT_EQ(n, r.name);
        else if (r.raw[9] == 'w') EXPECT_EQ(n, full63 + " opis");
        else {
            EXPECT_EQ(n, "nazwa slowo0 slowo1 slowo2 slowo3 slowo4 slowo5 slowo6 slowo7 slowo8 slowo9");
            EXPECT_EQ(n.size(), 75u);
        }
    }
    // The text stops growing past 100 bytes before the cut.
    uamdecode(reinterpret_cast<const unsigned char *>(rows[8].raw.data()));
    EXPECT_EQ(curuam.desc.size(), shortstr(cp(longdesc)).size() - 1);

    // The conversion builds the name from the texts as they are in the file,
    // cleaning as it goes: the same name as from the cleaned texts, also with
    // tabs and kept marks, in textbase mode and for names past the cut.
    const std::string texts[][3] = {
        {"  Apteka\t", "a\tb  c\t \t", "\tkat\t"}, {"x.y, z", "  ..z  x.y ", ""},    {"", "\t\t", "  "},
        {"ab", longdesc + "\tkoniec\t", "kat"},    {"Ł.Ó.D.Ź", "łódź ŁÓDŹ", "Łódź"},
    };
    for (bool tbmode : {false, true})
        for (const char *extra : {"", ".", "\t"})
            for (auto &tx : texts) {
                textbasemode = tbmode;
                extrachars = shortstr(extra);
                curuam.name = shortstr(cp(tx[0]));
                curuam.desc = shortstr(cp(tx[1]));
                curuam.kat = shortstr(cp(tx[2]));
                shortstr raw = uamlsname();
                uamclean();
                EXPECT_EQ(utf(raw), utf(uamlsname())) << tx[0] << "|" << tx[1] << "|" << tbmode << extra;
            }
    textbasemode = false;
    extrachars = shortstr();
}

TEST_F(uamtest, shortandbrokenfiles) {
    std::string good = rec(637000, 486000, "Apteka Centrum", "", 0);
    struct row {
        std::string data;
        std::string panes;
        std::string lines;
    };
    const row rows[] = {
        // Signature and count only.
        {uamfile({}, 17), "zadeklarowano w pliku 17 rekordów|Pominięto 0 wpisów|Przetworzono poprawnie 0 wpisów|", ""},
        // Ends inside the count, inside or before the signature, or a wrong signature.
        {uamfile({}).substr(0, 6),
         "Błąd: Nieobsługiwany format pliku|Pominięto 0 wpisów|Przetworzono poprawnie 0 wpisów|", ""},
        {"\xBB\x22", "Błąd: Nieobsługiwany format pliku|Pominięto 0 wpisów|Przetworzono poprawnie 0 wpisów|", ""},
        {"", "Błąd: Nieobsługiwany format pliku|Pominięto 0 wpisów|Przetworzono poprawnie 0 wpisów|", ""},
        {"\xBB\x22\xD5\x3E" + std::string(4 + 362, '\0'),
         "Błąd: Nieobsługiwany format pliku|Pominięto 0 wpisów|Przetworzono poprawnie 0 wpisów|", ""},
        // A last record cut short is left out; the declared count is only shown.
        {uamfile({good, good}, -5).substr(0, 8 + 362 + 361),
         "zadeklarowano w pliku -5 rekordów|Pominięto 0 wpisów|Przetworzono poprawnie 1 wpisów|",
         "\"apteka centrum\",522229896,210062988,0,0,0,1,1\r\n"},
        // A point that cannot be transformed is not written but skipped.
        {uamfile({rec(2000000000, 2000000000, "Daleko", "", 0), good}),
         "zadeklarowano w pliku 2 rekordów|Transformacja współrzędnych nie powiodła się|Pominięto 1 wpisów|"
         "Przetworzono poprawnie 1 wpisów|",
         "\"apteka centrum\",522229896,210062988,0,0,0,1,1\r\n"},
    };
    // Many runs in a row, each ending its own way: convert() checks that
    // every one released the PROJ systems.
    for (int rep = 0; rep < 20; ++rep) {
        for (const row &r : rows) {
            reset();
            nextpointid = 1;
            std::string o = convert(r.data);
            // The category table is read before the signature is looked at.
            std::string nokat = "Nie można otworzyć pliku uamkateg.csv, niektóre kategorie będą pominięte|";
            EXPECT_EQ(panes(), nokat + r.panes) << transcripttext();
            EXPECT_EQ(o, r.lines);
            EXPECT_EQ(errorflag, r.panes.rfind("Błąd", 0) == 0 ? 1 : 0);
        }
    }
}

TEST_F(uamtest, filesofanybytes) {
    // Random records behind a good signature (huge and negative coordinates,
    // texts without zero bytes, any category), and random whole files: every
    // written line is a whole, well-formed record.
    std::uint32_t s = 99;
    auto next = [&s] {
        s = s * 1103515245u + 12345u;
        return s >> 8;
    };
    for (int round = 0; round < 6; ++round) {
        std::string body;
        int n = 50 + int(next() % 300);
        for (int i = 0; i < n * 362 + int(next() % 362); ++i) body += char(next());
        std::string data = round % 3 == 2 ? body : uamfile({}) + body;
        for (int i = 0; round % 3 == 1 && i + 8 <= int(body.size()); i += 362) {
            // Half the records near Poland, so that names get written.
            put32(data, 8 + i, std::int32_t(170000 + next() % 700000));
            put32(data, 12 + i, std::int32_t(130000 + next() % 660000));
        }
        reset();
        nextpointid = 1;
        convert(data, "los" + std::to_string(round) + ".uam");
        int lines = lspoints(readfile(out), 1, 1, [](const std::string &name) {
            EXPECT_EQ(name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789 "), std::string::npos) << name;
        });
        EXPECT_EQ(nextpointid, 1 + lines);
        if (round % 3 == 1) {
            EXPECT_GT(lines, 0);
        }
    }
}

TEST_F(uamtest, recordsreadaheadkeeptheirorder) {
    // Records are read and transformed in batches: points that cannot be
    // transformed at a batch's first and last record and across three
    // batches are told in turn, and the others written in file order.
    std::vector<std::string> recs;
    std::string expect;
    int id = 0;
    const int bad[] = {0, 1023, 1024, 2047, 2048, 3071};
    for (int i = 0; i < 3100; ++i) {
        bool off = std::find(std::begin(bad), std::end(bad), i) != std::end(bad);
        recs.push_back(rec(off ? 2000000000 : 637000, 486000, "P " + std::to_string(i), "", 0));
        if (!off)
            expect += "\"p " + std::to_string(i) + "\",522229896,210062988,0,0,0,1," + std::to_string(++id) + "\r\n";
    }
    nextpointid = 1;
    EXPECT_EQ(convert(uamfile(recs)), expect);
    EXPECT_EQ(
        std::count(transcript().begin(), transcript().end(), "pane: Transformacja współrzędnych nie powiodła się"), 6);

    // A read error in the middle of the file: every record read whole before
    // it is converted first, then the error is told. The error comes from
    // the input's descriptor made a folder's part-way through the run.
    std::string data = uamfile(std::vector<std::string>(4000, recs[1]));
    writefile(t / "blad.uam", data);
    long before = -1;
    reset();
    scripthook([&](int n) {
        if (n != 20) return;
        for (auto &e : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code ec;
            if (std::filesystem::read_symlink(e.path(), ec) != std::filesystem::path(t / "blad.uam")) continue;
            int fd = std::stoi(e.path().filename());
            before = lseek(fd, 0, SEEK_CUR);
            int dir = open(t.path.c_str(), O_RDONLY | O_DIRECTORY);
            dup2(dir, fd);
            close(dir);
        }
    });
    nextpointid = 1;
    std::remove(out.c_str());
    scriptpick(t / "blad.uam");
    convertfile();
    ASSERT_GT(before, 8);
    long whole = (before - 8) / 362;
    EXPECT_EQ(lspoints(readfile(out), 1, 1), whole);
    std::vector<std::string> p = panelines();
    int at = errorshown("Nie można odczytać pliku " + (t / "blad.uam"));
    ASSERT_GE(at, 0);
    EXPECT_EQ(p.back(), "Przetworzono poprawnie " + std::to_string(whole) + " wpisów");
    EXPECT_EQ(nextpointid, 1 + whole);
}

TEST_F(uamtest, extensionandclosing) {
    // The extension is compared in lower case.
    std::vector<std::string> recs;
    for (int i = 0; i < 3000; ++i) recs.push_back(rec(637000 + i, 486000, "Punkt " + std::to_string(i), "", 0));
    std::string data = uamfile(recs);
    EXPECT_EQ(convert(data.substr(0, 8 + 362), "PUNKTY.UAM"), "\"punkt 0\",522229896,210062988,0,0,0,1,1\r\n");

    // Closing during a run stops it at the next record, with whole lines.
    reset();
    nextpointid = 1;
    writefile(t / "duzy.uam", data);
    scriptpick(t / "duzy.uam");
    scriptclose();
    scriptyes();
    std::remove(out.c_str());
    convertfile();
    EXPECT_TRUE(quitflag);
    EXPECT_FALSE(projheld());
    std::string o = readfile(out);
    int lines = lspoints(o, 1, 1);
    EXPECT_GT(lines, 0);
    EXPECT_LT(lines, 3000);
    EXPECT_TRUE(has("pane: Przetworzono poprawnie " + std::to_string(lines) + " wpisów")) << transcripttext();
    EXPECT_EQ(nextpointid, 1 + lines);
    quitflag = false;
}

TEST_F(uamtest, generatedfilefromtheconversionmenu) {
    // A generated file with a category table, converted from the menus of the
    // whole program; then the same file through `trelik convert`.
    std::string build = std::getenv("TRELIK_BUILD");
    child g = childrun({build + "/mkuam", "--seed", "3", "--records", "500", t / "punkty.uam"}, {}, "", 60000);
    ASSERT_EQ(g.status, 0) << g.errtext;
    writefile(t / "uamkateg.csv", cp("Apteki,12\r\n Apteki  nocne ,  13 \r\nBankomaty,5\r\n"));
    std::string deflt = t / "wynikowe poi dla loadstone.txt";
    scripthotkey("k");
    scriptchoose(1);
    scriptpick(t / "punkty.uam");
    scripthotkey("left");
    scriptchoose(7);
    char name[] = "trelik";
    char *argv[] = {name, nullptr};
    EXPECT_EQ(climain(1, argv, &scripteddrv), 0);
    EXPECT_TRUE(has("pane: rozpoczynam konwersję " + t.path + "/punkty.uam"));
    EXPECT_TRUE(has("pane: zadeklarowano w pliku 500 rekordów"));
    EXPECT_FALSE(has("pane: Nie można otworzyć pliku uamkateg.csv, niektóre kategorie będą pominięte"));
    EXPECT_TRUE(has("pane: Przetworzono poprawnie 500 wpisów")) << transcripttext();
    EXPECT_FALSE(projheld());
    std::string o = readfile(deflt);
    EXPECT_EQ(lspoints(o, 1, 1), 500);

    child c = childrun({build + "/trelik", "convert", "-o", t / "cli.txt", "-i", "1", t / "punkty.uam"},
                       {{"TRELIK_HOME", t.path}}, "", 30000);
    EXPECT_EQ(c.status, 0) << c.outtext << c.errtext;
    EXPECT_EQ(readfile(t / "cli.txt"), o);
}

}  // namespace
