// Textbase generation from .uam files: how records are spread over parts and
// how the parts are named, the bytes of a part, the texts kept in textbase
// mode, the destination folder, failures of the folder, of a part file and of
// a write, closing during a run, and `trelik generate` with a check of what
// it made.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/shell.h"
#include "core/app.h"
#include "tests/childproc.h"
#include "tests/scripted/scripted.h"
#include "tests/testfiles.h"
#include "text/cp1250.h"
#include "text/strutil.h"
#include "textbase/tb.h"
#include "ui/tk.h"

namespace {

std::string cp(const std::string &utf8) { return cp1250fromutf8(utf8); }

void put32(std::string &s, std::size_t at, std::int32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = char(std::uint32_t(v) >> (8 * i));
}

// One 362-byte .uam record; texts given in UTF-8 go in as code page 1250.
std::string rec(std::int32_t x, std::int32_t y, const std::string &name, const std::string &desc = "", int katnum = 0,
                const std::string &own = "") {
    std::string r(362, '\0');
    put32(r, 0, x);
    put32(r, 4, y);
    auto slot = [&r](std::size_t at, const std::string &t) { std::memcpy(&r[at], t.data(), t.size()); };
    slot(9, cp(name));
    slot(73, cp(desc));
    r[329] = char(katnum);
    slot(330, cp(own));
    return r;
}

std::string uamfile(const std::vector<std::string> &recs) {
    std::string f = "\xBB\x22\xD5\x3F" + std::string(4, '\0');
    put32(f, 4, std::int32_t(recs.size()));
    for (auto &r : recs) f += r;
    return f;
}

// n records "Punkt i" (from first on) at one place, with no category and no
// description, optionally with a long description.
std::vector<std::string> points(int first, int n, const std::string &desc = "") {
    std::vector<std::string> v;
    for (int i = first; i < first + n; ++i) v.push_back(rec(637000, 486000, "Punkt " + std::to_string(i), desc));
    return v;
}

// The same records as generation writes them into a part.
std::string tbpoints(int first, int n, const std::string &desc = "") {
    std::string s;
    for (int i = first; i < first + n; ++i)
        s += "p 210062988 522229896\r\nk \r\no " + desc + "\r\nn Punkt " + std::to_string(i) + "\r\n\r\n";
    return s;
}
std::string head(int n) { return "textbase kwz part " + std::to_string(n) + "\r\nkorektor \r\n\r\n"; }
std::string foot(int n) { return "textbaseend part " + std::to_string(n) + "\r\n"; }
std::string tbname(int n) {
    char b[32];
    std::snprintf(b, sizeof b, "tba%03d.txt", n);
    return b;
}
// Whole records in a part's text: each one follows a blank line.
int recordsin(const std::string &part) {
    int n = 0;
    for (std::size_t at = 0; (at = part.find("\r\n\r\np ", at)) != std::string::npos; ++at) ++n;
    return n;
}
int filesin(const std::string &dir) {
    return int(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()));
}

const std::string nokat = "Nie można otworzyć pliku uamkateg.csv, niektóre kategorie będą pominięte|";

struct tbgen : ::testing::Test {
    tempdir t;
    homeenv h{t.path};
    std::string dest = t / "baza/";
    void SetUp() override {
        scriptreset();
        freshprogram();
        apptitle = "Trelik";
        destfolder = shortstr(dest);
    }
    // Generates from data; the pane lines joined by "|".
    std::string gen(const std::string &data) {
        writefile(t / "in.uam", data);
        scriptpick(t / "in.uam");
        generatetextbase();
        EXPECT_FALSE(textbasemode);
        return panes();
    }
    std::string panes() {
        std::string s;
        for (auto &e : transcript())
            if (e.rfind("pane: ", 0) == 0) s += e.substr(6) + "|";
        return s;
    }
    std::string part(int n) { return readfile(dest + tbname(n)); }
};

TEST_F(tbgen, partsizesandnames) {
    struct row {
        int records, size, first;
        std::vector<int> parts;
    };
    const row rows[] = {
        {250, 100, 1, {100, 100, 50}},
        {200, 100, 1, {100, 100, 0}},  // a last part with no record
        {0, 100, 1, {0}},
        {3, 1, 999, {1, 1, 1, 0}},  // tba999, tba1000 ... tba1002
        {5, 2000000000, 1000, {5}},
    };
    for (const row &r : rows) {
        std::filesystem::remove_all(dest);
        scriptreset();
        firstpart = r.first;
        partsize = r.size;
        std::string p = gen(uamfile(points(1, r.records)));
        SCOPED_TRACE(std::to_string(r.records) + " records from part " + std::to_string(r.first));
        EXPECT_EQ(p, "Rozpoczynam zapis uam do textbase|" + nokat + "zadeklarowano w pliku " +
                         std::to_string(r.records) + " rekordów|Zapisano " + std::to_string(r.records) + " rekordów|");
        EXPECT_EQ(transcripttext().find("sound"), std::string::npos);  // generation has no sounds
        int from = 1, n = r.first;
        for (int count : r.parts) {
            EXPECT_EQ(part(n), head(n) + tbpoints(from, count) + foot(n)) << tbname(n);
            from += count;
            ++n;
        }
        EXPECT_EQ(filesin(dest), int(r.parts.size()));
        EXPECT_EQ(firstpart, n);
    }
    EXPECT_TRUE(existsfile(dest + "tba1000.txt"));
    EXPECT_EQ(readfile(dest + "tba1000.txt").substr(0, 24), "textbase kwz part 1000\r\n");
}

TEST_F(tbgen, textsintextbasemode) {
    writefile(t / "uamkateg.csv", "Apteki,12\r\n");
    std::string d254(254, 'x');
    std::string p = gen(uamfile({
        rec(637000, 486000, "Apteka\r\nCentrum", "ul.\nMarszałkowska\r10", 12),
        // Every byte but line breaks stays: marks, tabs, the own category as written.
        rec(637000, 486000, "  \"Pod  Lipą\"\t(bar);  ", "", 99, "Bar-Kawiarnia"),
        rec(637000, 486000, "Plac", "", 12, "Parking"),  // an own name counts only with 99
        rec(637000, 486000, "Nieznana", "", 77),
        rec(2000000000, 2000000000, "Daleko"),  // cannot be transformed
        rec(637000, 486000, "", d254),
    }));
    EXPECT_EQ(p,
              "Rozpoczynam zapis uam do textbase|zadeklarowano w pliku 6 rekordów|"
              "Transformacja współrzędnych nie powiodła się|Zapisano 6 rekordów|");
    const std::string at = "p 210062988 522229896\r\n";
    EXPECT_EQ(part(1), head(1) + at + cp("k Apteki\r\no ul. Marszałkowska 10\r\nn Apteka Centrum\r\n\r\n") + at +
                           cp("k Bar-Kawiarnia\r\no \r\nn \"Pod Lipą\"\t(bar);\r\n\r\n") + at +
                           "k Apteki\r\no \r\nn Plac\r\n\r\n" + at + "k \r\no \r\nn Nieznana\r\n\r\n" +
                           "p 0 0\r\nk \r\no \r\nn Daleko\r\n\r\n" + at + "k \r\no " + d254 + "\r\nn \r\n\r\n" +
                           foot(1));
}

TEST_F(tbgen, destinationfolder) {
    // Empty: the folder tba beside the program, made when missing.
    destfolder = shortstr();
    gen(uamfile(points(1, 1)));
    EXPECT_EQ(destfolder.str(), t / "tba/");
    EXPECT_EQ(readfile(t / "tba/tba001.txt"), head(1) + tbpoints(1, 1) + foot(1));

    // Without its separator: one is added; a second generation continues
    // the numbering; the first part set back to 1 overwrites.
    destfolder = shortstr(t / "baza");
    firstpart = 1;
    partsize = 100;
    gen(uamfile(points(1, 150)));
    EXPECT_EQ(destfolder.str(), dest);
    gen(uamfile(points(151, 50)));
    EXPECT_EQ(part(3), head(3) + tbpoints(151, 50) + foot(3));
    EXPECT_EQ(firstpart, 4);
    firstpart = 1;
    gen(uamfile(points(500, 1)));
    EXPECT_EQ(part(1), head(1) + tbpoints(500, 1) + foot(1));
    EXPECT_EQ(part(2), head(2) + tbpoints(101, 50) + foot(2));
    EXPECT_EQ(firstpart, 2);
}

TEST(tbgendefault, homefolder) {
    const char *old = std::getenv("HOME");
    std::string saved = old ? old : "";
    struct row {
        std::string home, dest;
    };  // home "-": unset
    const row rows[] = {
        {"/home/ola", "/home/ola/textbase nowe/"},
        {"/home/ola/", "/home/ola/textbase nowe/"},
        {"/home/Łucja", cp("/home/Łucja/textbase nowe/")},
        // Without a home folder the parts go beside the program.
        {"/home/日本", ""},
        {"-", ""},
        {"", ""},
        {"/" + std::string(250, 'h'), ""},
    };
    for (const row &r : rows) {
        if (r.home == "-") unsetenv("HOME");
        else setenv("HOME", r.home.c_str(), 1);
        EXPECT_EQ(defaultdestfolder().str(), r.dest) << r.home;
    }
    if (old) setenv("HOME", saved.c_str(), 1);
    else unsetenv("HOME");
}

TEST_F(tbgen, failures) {
    // The folder cannot be made: its parent is missing.
    destfolder = shortstr(t / "brak/baza/");
    std::string p = gen(uamfile(points(1, 5)));
    EXPECT_EQ(p.rfind("Rozpoczynam zapis uam do textbase|Błąd: Nie można utworzyć folderu " + t / "brak/baza/", 0), 0u)
        << p;
    EXPECT_NE(p.find("|Zapisano 0 rekordów|"), std::string::npos) << p;
    EXPECT_FALSE(existsfile(t / "brak"));
    EXPECT_EQ(firstpart, 1);
    EXPECT_EQ(errorflag, 1);

    // A part file cannot be made: part 1 stays whole, the run ends there.
    scriptreset();
    destfolder = shortstr(dest);
    std::filesystem::create_directories(dest + "tba002.txt");
    p = gen(uamfile(points(1, 250)));
    EXPECT_NE(p.find("|Błąd: Nie można utworzyć pliku części bazy " + dest + "tba002.txt"), std::string::npos) << p;
    EXPECT_NE(p.find("|Zapisano 100 rekordów|"), std::string::npos) << p;
    EXPECT_EQ(part(1), head(1) + tbpoints(1, 100) + foot(1));
    EXPECT_FALSE(existsfile(dest + "tba003.txt"));
    EXPECT_EQ(firstpart, 2);

    // A .uam file that cannot be opened: no part is touched.
    scriptreset();
    firstpart = 1;
    writefile(dest + "tba001.txt", "stara");
    scriptpick(t / "brak.uam");
    generatetextbase();
    EXPECT_EQ(panes(), "Błąd: Nie można otworzyć pliku " + t / "brak.uam|");
    EXPECT_EQ(part(1), "stara");
    EXPECT_EQ(firstpart, 1);

    // Not a .uam file: the first part is finished empty and counts.
    scriptreset();
    EXPECT_EQ(gen("to nie jest plik uam"),
              "Rozpoczynam zapis uam do textbase|" + nokat + "Błąd: Nieobsługiwany format pliku|Zapisano 0 rekordów|");
    EXPECT_EQ(part(1), head(1) + foot(1));
    EXPECT_EQ(firstpart, 2);

    // The dialog cancelled: one line, no sound, nothing written.
    scriptreset();
    scriptcancel();
    generatetextbase();
    EXPECT_EQ(transcripttext(), "file[Wskaż plik uam do przetworzenia] 2 0: anuluj\npane: Operacja anulowana\n");
    EXPECT_EQ(firstpart, 2);
    EXPECT_EQ(filesin(dest), 2);
}

TEST_F(tbgen, longpaths) {
    // A folder of 245 bytes: tba999.txt fits 255 bytes, tba1000.txt would not
    // and is refused, never cut; the run ends there.
    dest = t.path + "/" + std::string(245 - t.path.size() - 2, 'a') + "/";
    destfolder = shortstr(dest);
    firstpart = 999;
    partsize = 1;
    std::string p = gen(uamfile(points(1, 3)));
    EXPECT_NE(p.find("|Błąd: Ścieżka pliku części bazy byłaby dłuższa niż 255 znaków. Wybierz folder docelowy o "
                     "krótszej ścieżce.|Zapisano 1 rekordów|"),
              std::string::npos)
        << p;
    EXPECT_EQ(part(999), head(999) + tbpoints(1, 1) + foot(999));
    EXPECT_EQ(filesin(dest), 1);
    EXPECT_EQ(firstpart, 1000);
}

TEST_F(tbgen, closingduringarun) {
    partsize = 1000;
    writefile(t / "in.uam", uamfile(points(1, 3000)));
    scriptpick(t / "in.uam");
    scriptclose();
    scriptyes();
    generatetextbase();
    EXPECT_TRUE(quitflag);
    EXPECT_FALSE(textbasemode);
    int n = recordsin(part(1));
    EXPECT_GT(n, 0);
    EXPECT_LT(n, 1000);
    EXPECT_EQ(part(1), head(1) + tbpoints(1, n) + foot(1));
    EXPECT_NE(panes().find("|Zapisano " + std::to_string(n) + " rekordów|"), std::string::npos) << panes();
    quitflag = false;
}

// ---- `trelik generate` ----

struct tbgencli : ::testing::Test {
    tempdir t;
    std::string build = std::getenv("TRELIK_BUILD");
    child run(std::vector<std::string> args, const std::string &shell = "") {
        args.insert(args.begin(), build + "/trelik");
        std::vector<std::pair<std::string, std::string>> env = {{"TRELIK_HOME", t.path}, {"HOME", t.path}};
        if (shell.empty()) return childrun(args, env, "", 60000);
        // The command under a shell prefix, with its arguments quoted.
        std::string cmd = shell + " exec";
        for (auto &a : args) cmd += " '" + a + "'";
        return childrun({"/bin/sh", "-c", cmd}, env, "", 60000);
    }
};

TEST_F(tbgencli, optionsandexitcodes) {
    writefile(t / "p.uam", uamfile(points(1, 3)));
    child c = run({"generate", "--first-part", "7", "--part-size", "2", "--dest", t / "out", t / "p.uam"});
    EXPECT_EQ(c.status, 0) << c.errtext;
    EXPECT_EQ(c.outtext,
              "Rozpoczynam zapis uam do textbase\nNie można otworzyć pliku uamkateg.csv, niektóre "
              "kategorie będą pominięte\nzadeklarowano w pliku 3 rekordów\nZapisano 3 rekordów\n");
    EXPECT_EQ(readfile(t / "out/tba007.txt"), head(7) + tbpoints(1, 2) + foot(7));
    EXPECT_EQ(readfile(t / "out/tba008.txt"), head(8) + tbpoints(3, 1) + foot(8));

    // Defaults: part 1 (not kept from the run before), 100 a part, ~/textbase nowe/.
    c = run({"generate", t / "p.uam"});
    EXPECT_EQ(c.status, 0) << c.errtext;
    EXPECT_EQ(readfile(t / "textbase nowe/tba001.txt"), head(1) + tbpoints(1, 3) + foot(1));

    const std::vector<std::vector<std::string>> bad = {
        {"--first-part", "0"}, {"--first-part", "2000000001"}, {"--part-size", "abc"},
        {"--part-size", "0"},  {"--part-size", "-5"},          {"--dest", std::string(300, 'd')},
    };
    for (auto &b : bad) {
        c = run({"generate", b[0], b[1], "--dest", t / "zle", t / "p.uam"});
        EXPECT_EQ(c.status, 2) << b[0] << " " << b[1];
    }
    EXPECT_EQ(run({"generate", "--dest", t / "zle"}).status, 2);  // no file
    EXPECT_FALSE(existsfile(t / "zle"));

    c = run({"generate", "--dest", t / "zle", t / "brak.uam"});
    EXPECT_EQ(c.status, 1);
    EXPECT_NE(c.outtext.find("Błąd: Nie można otworzyć pliku " + t / "brak.uam\n"), std::string::npos) << c.outtext;
    EXPECT_FALSE(existsfile(t / "zle"));
}

TEST_F(tbgencli, writethatfails) {
    // Writes beyond the file size limit fail (the shell counts blocks of 512
    // or 1024 bytes): in a part after a whole one, and in a part with 64 KiB
    // already written. The failed part keeps its header and whole records.
    struct row {
        int small, big, size;
        const char *limit;
    };
    const std::string o250(250, 'o');
    for (const row r : {row{150, 150, 150, "20"}, row{0, 1000, 1000, "200"}}) {
        std::filesystem::remove_all(t / "out");
        std::vector<std::string> recs = points(1, r.small), big = points(r.small + 1, r.big, o250);
        recs.insert(recs.end(), big.begin(), big.end());
        writefile(t / "p.uam", uamfile(recs));
        child c = run({"generate", "--part-size", std::to_string(r.size), "--dest", t / "out", t / "p.uam"},
                      std::string("trap '' XFSZ; ulimit -f ") + r.limit + ";");
        EXPECT_EQ(c.status, 1) << c.outtext << c.errtext;
        int f = r.small > 0 ? 2 : 1;
        EXPECT_NE(c.outtext.find("Błąd: Nie można zapisać pliku części bazy " + t / ("out/" + tbname(f))),
                  std::string::npos)
            << c.outtext;
        if (f == 2) {
            EXPECT_EQ(readfile(t / "out/tba001.txt"), head(1) + tbpoints(1, 150) + foot(1));
        }
        std::string p = readfile(t / ("out/" + tbname(f)));
        int n = recordsin(p);
        EXPECT_GT(n, f == 2 ? 0 : 200);
        EXPECT_LT(n, r.big);
        EXPECT_EQ(p, head(f) + tbpoints(r.small + 1, n, o250));
        EXPECT_NE(c.outtext.find("\nZapisano " + std::to_string(r.small + n) + " rekordów\n"), std::string::npos)
            << c.outtext;
        EXPECT_FALSE(existsfile(t / ("out/" + tbname(f + 1))));
    }
}

TEST_F(tbgencli, generatedbasechecks) {
    // A generated file with names for every category but 0: the check counts
    // every record, and its only complaint is the records without category.
    child g = childrun({build + "/mkuam", "--seed", "5", "--records", "250", t / "p.uam"}, {}, "", 60000);
    ASSERT_EQ(g.status, 0) << g.errtext;
    std::string kat;
    for (int i = 1; i < 256; ++i)
        if (i != 99) kat += "Kat" + std::to_string(i) + "," + std::to_string(i) + "\r\n";
    writefile(t / "uamkateg.csv", kat);
    child c = run({"generate", "--part-size", "100", "--dest", t / "out", t / "p.uam"});
    ASSERT_EQ(c.status, 0) << c.outtext << c.errtext;
    int nokat = 0;
    for (int i = 1; i <= 3; ++i) {
        std::string p = readfile(t / ("out/" + tbname(i)));
        for (std::size_t at = 0; (at = p.find("\r\nk \r\n", at)) != std::string::npos; ++at) ++nokat;
    }
    EXPECT_GT(nokat, 0);
    c = run({"check", "--all", t / "out/tba001.txt"});
    EXPECT_EQ(c.status, 0) << c.errtext;
    const std::string &o = c.outtext;
    EXPECT_NE(o.find("\nWszystkich: 250\nZaremowanych: 0\nZawierających błędy: " + std::to_string(nokat) +
                     "\nPrawidłowych: " + std::to_string(250 - nokat) + "\nBrakujących części bazy: 0\n"),
              std::string::npos)
        << o;
    for (std::size_t at = 0; (at = o.find("plik tba", at)) != std::string::npos; ++at) {
        std::size_t e = o.find('\n', at) + 1;
        std::string msg = o.substr(e, o.find('\n', e) - e);
        EXPECT_TRUE(msg == "Nieokreślono pola kategoria w poprzednim rekordzie" ||
                    msg == "Brak pól nazwa i opis w poprzednim rekordzie")
            << msg;
    }
}

}  // namespace
