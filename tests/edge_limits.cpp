// The arithmetic limits: point ids up to the largest 32-bit number (what is
// written, refused and saved, and the menu that sets them), coordinates at
// the ends of 32 bits in every input, part numbers at the widths' ends and at
// the largest part, and counts past 65,535.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "app/cli.h"
#include "app/shell.h"
#include "core/app.h"
#include "poi/input.h"
#include "tests/childproc.h"
#include "tests/clirun.h"
#include "tests/lscheck.h"
#include "tests/scripted/scripted.h"
#include "tests/testfiles.h"
#include "textbase/tb.h"
#include "ui/tk.h"

namespace {

using strings = std::vector<std::string>;

const std::string head5 = "OziExplorer Point File Version 1.0\r\nWGS 84\r\nr1\r\nr2\r\nr3\r\n";
const std::string toolarge = "Błąd: Id punktu osiągnął największą możliwą wartość. Ustaw mniejszy startowy id punktu.";
const std::string build = std::getenv("TRELIK_BUILD") ? std::getenv("TRELIK_BUILD") : ".";

std::string num(long long n) { return std::to_string(n); }

std::string le32(std::int32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = char(std::uint32_t(v) >> (8 * i));
    return s;
}

// trelik.cfg holding the next id, user id 1 and the output file.
std::string cfgimage(std::int32_t next, const std::string &out) {
    std::string s = le32(next) + le32(1) + char(out.size()) + out;
    s.resize(264, '\0');
    return s;
}
std::int32_t cfgnext(const std::string &cfg) {
    std::string s = readfile(cfg);
    std::int32_t v = 0;
    for (int i = 3; i >= 0 && s.size() == 264; --i) v = std::int32_t(std::uint32_t(v) << 8 | (unsigned char)s[i]);
    return s.size() == 264 ? v : -1;
}

// A 362-byte .uam record at grid metres x, y.
std::string uamrec(std::int32_t x, std::int32_t y, const std::string &name) {
    std::string r = le32(x) + le32(y) + std::string(354, '\0');
    r.replace(9, name.size(), name);
    return r;
}

std::string tbhead(long long n) { return "textbase kwz part " + num(n) + "\r\n\r\n"; }
std::string tbfoot(long long n) { return "textbaseend part " + num(n) + "\r\n"; }
const std::string tbrec = "p 210122287 522296756\r\nk apteka\r\nn Centrum\r\n\r\n";

struct limits : ::testing::Test {
    tempdir t;
    homeenv h{t.path};
    std::string cfg = t / "trelik.cfg", out = t / "wynik.txt";
    void SetUp() override { scriptreset(); }
};

// ---- Point ids ----

// The ids written from a start near the limit, by both converters: the
// largest id is never written (the next one would not fit), the run ends
// with the message, and trelik.cfg keeps the id that was next.
TEST_F(limits, idsupto2147483647) {
    writefile(t / "a.pnt", head5 + "52,21,,,A\r\n52,21,,,B\r\n52,21,,,C\r\n");
    writefile(t / "tba001.txt", tbhead(1) + tbrec + tbrec + tbrec + tbfoot(1));
    struct row {
        std::int32_t start;
        strings args;
        int written, code;
    };
    const row rows[] = {
        {2000000000, {"convert", t / "a.pnt"}, 3, 0},
        {2147483644, {"convert", t / "a.pnt"}, 3, 0},
        {2147483645, {"convert", t / "a.pnt"}, 2, 1},
        {2147483647, {"convert", t / "a.pnt"}, 0, 1},
        {2147483646, {"convert-textbase", t / "tba001.txt"}, 1, 1},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.args[0] + " from " + num(r.start));
        std::filesystem::remove(out);
        writefile(cfg, cfgimage(r.start, out));
        clirunresult c = clirun(r.args);
        EXPECT_EQ(c.code, r.code);
        EXPECT_EQ(lspoints(readfile(out), 1, r.start), r.written);
        EXPECT_EQ(c.out.find(toolarge) != std::string::npos, r.code == 1) << c.out;
        EXPECT_EQ(cfgnext(cfg), r.start + r.written);
    }
}

// The conversion menu at the limit: it shows the saved id, a conversion is
// refused, and an id typed in the menu's range converts and is saved on.
TEST_F(limits, menuattheidlimit) {
    writefile(t / "a.pnt", head5 + "52,21,,,A\r\n");
    writefile(cfg, cfgimage(INT32_MAX, out));
    scriptchoose(1);  // Konwertuj do LS
    scriptchoose(1);  // Konwertuj plik
    scriptpick(t / "a.pnt");
    scriptchoose(5);  // Startowy id punktu
    scripttype("2000000000");
    scriptchoose(1);
    scriptpick(t / "a.pnt");
    char name[] = "trelik";
    char *argv[] = {name, nullptr};
    EXPECT_EQ(climain(1, argv, &scripteddrv), 0);
    std::string tr = transcripttext();
    EXPECT_NE(tr.find("menu: 5. Startowy id punktu: 2147483647 - zmień... - alt+i"), std::string::npos) << tr;
    EXPECT_NE(tr.find("pane: " + toolarge + "\n"), std::string::npos) << tr;
    EXPECT_NE(tr.find("pane: Przetworzono poprawnie 0 wpisów\n"), std::string::npos) << tr;
    EXPECT_NE(tr.find("read[Wprowadzanie danych|pierwszy id punktu]: 2147483647 -> 2000000000"), std::string::npos);
    EXPECT_EQ(readfile(out), lsheadtext + "\"A\",520000000,210000000,0,0,0,1,2000000000\r\n");
    EXPECT_EQ(cfgnext(cfg), 2000000001);
}

// ---- Coordinates at the ends of 32 bits ----

// Points off the globe, and coordinates that are no numbers, are refused
// with their line; the poles and the date line are points.
TEST_F(limits, pntcoordinates) {
    struct row {
        const char *lat, *lon, *out;  // out "": refused
    };
    const row rows[] = {
        {"90", "180", "900000000,1800000000"},
        {"-90.0000000", "-180", "-900000000,-1800000000"},
        {"-0.0000001", "0.0000001", "-1,1"},
        {"90.0000001", "0", ""},
        {"0", "-180.00000001", ""},
        {"91", "181", ""},
        {"214.7483648", "1", ""},
        {"1e10", "1", ""},
        {"52.1.2", "21", ""},
        {"0x10", "21", ""},
        {"52", "", ""},
    };
    std::string in = head5, expect = lsheadtext, told;
    int id = 1, skipped = 0;
    for (const row &r : rows) {
        in += std::string(r.lat) + "," + r.lon + ",,,P\r\n";
        if (*r.out) expect += "\"P\"," + std::string(r.out) + ",0,0,0,1," + num(id++) + "\r\n";
        else told += "Nieprawidłowe współrzędne w linii " + num(int(&r - rows) + 6) + "\n", ++skipped;
    }
    writefile(t / "a.pnt", in);
    clirunresult c = clirun({"convert", "-o", out, "-i", "1", t / "a.pnt"});
    EXPECT_EQ(c.code, 0) << c.out;
    EXPECT_NE(c.out.find(told + "Pominięto " + num(skipped) + " wpisów\n"), std::string::npos) << c.out;
    EXPECT_EQ(readfile(out), expect);
}

// Grid metres at the corners of 32 bits cannot be placed: skipped, told,
// never written; the declared count is shown as the file gives it.
TEST_F(limits, uamgridanddeclaredcounts) {
    const std::int32_t lo = INT32_MIN, hi = INT32_MAX;
    std::string recs = uamrec(hi, hi, "a") + uamrec(lo, lo, "b") + uamrec(hi, lo, "c") + uamrec(lo, hi, "d") +
                       uamrec(637000, 486000, "Punkt");
    const std::string fail = "Transformacja współrzędnych nie powiodła się\n";
    for (std::int32_t declared : {lo, hi, 70000}) {
        writefile(t / "a.uam", "\xBB\x22\xD5\x3F" + le32(declared) + recs);
        std::filesystem::remove(out);
        clirunresult c = clirun({"convert", "-o", out, "-i", "1", t / "a.uam"});
        EXPECT_EQ(c.code, 0);
        EXPECT_NE(c.out.find("zadeklarowano w pliku " + num(declared) + " rekordów\n" + fail + fail + fail + fail +
                             "Pominięto 4 wpisów\nPrzetworzono poprawnie 1 wpisów\n"),
                  std::string::npos)
            << c.out;
        EXPECT_EQ(readfile(out), lsheadtext + "\"punkt\",522229896,210062988,0,0,0,1,1\r\n");
    }
}

TEST_F(limits, textbasepositions) {
    struct row {
        const char *p;
        const char *out;  // the point's latitude and longitude; "p" a bad p line, "range" off the globe
    };
    const row rows[] = {
        {"1800000000 -900000000", "-900000000,1800000000"},
        {"-1800000000 900000000", "900000000,-1800000000"},
        {"1800000001 1", "range"},
        {"1 -900000001", "range"},
        {"2147483647 -2147483648", "range"},
        {"2147483648 1", "p"},
        {"99999999999999999999 1", "p"},
    };
    std::string part = tbhead(1), expect = lsheadtext, warnings;
    int line = 2, id = 1, bad = 0;
    for (const row &r : rows) {
        part += "p " + std::string(r.p) + "\r\nk apteka\r\nn X\r\n\r\n";
        std::string out = r.out;
        if (out == "p") warnings += "plik tba001.txt linia " + num(line + 1) + "\nBłędna zawartość pola pozycji (p)\n";
        else if (out == "range")
            warnings +=
                "plik tba001.txt linia " + num(line + 4) + "\nNieprawidłowe współrzędne w poprzednim rekordzie\n";
        else expect += "\"apteka X\"," + out + ",0,0,0,1," + num(id++) + "\r\n";
        bad += out == "p" || out == "range";
        line += 4;
    }
    writefile(t / "tba001.txt", part + tbfoot(1));
    clirunresult c = clirun({"convert-textbase", "-o", out, "-i", "1", t / "tba001.txt"});
    EXPECT_EQ(c.code, 0);
    EXPECT_NE(c.out.find(warnings +
                         "Zakończono\nStatystyka:\nWszystkich: 7\nZaremowanych: 0\n"
                         "Zawierających błędy: " +
                         num(bad) + "\nPrawidłowych: 2\n"),
              std::string::npos)
        << c.out;
    EXPECT_EQ(readfile(out), expect);
}

// ---- Part numbers ----

TEST(partname, widths) {
    struct row {
        std::int32_t n;
        int width;
        const char *name;
    };
    const row rows[] = {
        {7, 1, "tba7.txt"},
        {7, 3, "tba007.txt"},
        {1000, 3, "tba1000.txt"},
        {999, 3, "tba999.txt"},
        {7, 10, "tba0000000007.txt"},
        {INT32_MAX, 1, "tba2147483647.txt"},
        {INT32_MAX, 10, "tba2147483647.txt"},
        {1, 9, "tba000000001.txt"},
    };
    for (const row &r : rows) EXPECT_EQ(partname(r.n, r.width).str(), r.name) << r.n << " width " << r.width;
}

// The search ends at the largest number the name's width holds, at the
// latest at 2147483647, without passing it; a name whose number does not fit
// 32 bits names no part.
TEST_F(limits, partsatthetop) {
    struct row {
        strings files;
        std::string first, between;
        int records, code;
    };
    const std::string none = "Nie znaleziono następnej części bazy. Ostatnia przetworzona część nr 2147483645\n";
    const row rows[] = {
        {{"tba998.txt", "tba999.txt", "tba1000.txt"}, "tba998.txt", "", 2, 0},
        {{"tba2147483646.txt", "tba2147483647.txt"}, "tba2147483646.txt", "", 2, 0},
        {{"tba02147483647.txt"}, "tba02147483647.txt", "", 1, 0},
        {{"tba2147483645.txt"}, "tba2147483645.txt", none, 1, 0},
        {{"tba2147483648.txt"}, "tba2147483648.txt", "", -1, 1},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.first);
        for (const auto &e : std::filesystem::directory_iterator(t.path))
            if (e.path().filename().string().rfind("tba", 0) == 0) std::filesystem::remove(e.path());
        for (const std::string &f : r.files) {
            long long n = std::atoll(f.c_str() + 3);
            writefile(t / f, tbhead(n) + tbrec + tbfoot(n));
        }
        clirunresult c = clirun({"check", "--all", t / r.first});
        EXPECT_EQ(c.code, r.code) << c.err;
        std::string expect = "Przetwarzam " + r.first + " w folderze " + t.path + "/\n" + r.between;
        if (r.records >= 0)
            expect += "Zakończono\nStatystyka:\nWszystkich: " + num(r.records) +
                      "\nZaremowanych: 0\n"
                      "Zawierających błędy: 0\nPrawidłowych: " +
                      num(r.records) + "\nBrakujących części bazy: 0\n";
        else EXPECT_NE(c.err.find("nie kończy się numerem części bazy"), std::string::npos) << c.err;
        EXPECT_EQ(c.out, expect);
    }
}

TEST_F(limits, generationstopsatthelargestpart) {
    writefile(t / "a.uam", "\xBB\x22\xD5\x3F" + le32(3) + uamrec(637000, 486000, "A") + uamrec(637000, 486000, "B") +
                               uamrec(637000, 486000, "C"));
    apptitle = "Trelik";
    ASSERT_TRUE(appstart());
    destfolder = shortstr(t / "baza/");
    firstpart = INT32_MAX - 1;
    partsize = 1;
    scriptpick(t / "a.uam");
    generatetextbase();
    std::string tr = transcripttext();
    EXPECT_NE(tr.find("pane: Błąd: Numer części bazy osiągnął największą możliwą wartość. Ustaw mniejszy numer "
                      "pierwszej części.\n"),
              std::string::npos)
        << tr;
    EXPECT_NE(tr.find("pane: Zapisano 2 rekordów\n"), std::string::npos) << tr;
    EXPECT_EQ(readfile(t / "baza/tba2147483647.txt"),
              "textbase kwz part 2147483647\r\nkorektor \r\n\r\np 210062988 522229896\r\nk \r\no \r\nn B\r\n\r\n" +
                  tbfoot(INT32_MAX));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(t / "baza"), {}), 2);
    EXPECT_EQ(firstpart, INT32_MAX);
}

// ---- Counts past 65,535 ----

TEST_F(limits, seventythousandpoints) {
    child g = childrun({build + "/mkpnt", "--seed", "2", "--points", "70000", t / "a.pnt"}, {}, "", 60000);
    ASSERT_EQ(g.status, 0) << g.errtext;
    child c = childrun({build + "/trelik", "convert", "-o", out, t / "a.pnt"}, {{"TRELIK_HOME", t.path}}, "", 60000);
    EXPECT_EQ(c.status, 0) << c.errtext;
    EXPECT_NE(c.outtext.find("\nPominięto 0 wpisów\nPrzetworzono poprawnie 70000 wpisów\n"), std::string::npos)
        << c.outtext;
    EXPECT_EQ(lspoints(readfile(out), 1, 1), 70000);
    EXPECT_EQ(cfgnext(cfg), 70001);
}

// A part of 70,000 records: line numbers past 65,535 in the reports, the
// count control's figure, and every record converted.
TEST_F(limits, seventythousandrecordsinapart) {
    std::string part = tbhead(1);
    for (int i = 1; i < 70000; ++i) part += tbrec;
    part += "p 210122287 522296756\r\nn Centrum\r\n\r\n";  // the last one without its category
    writefile(t / "tba001.txt", part + tbfoot(1));
    clirunresult c = clirun({"check", "--count-mode", "fewer", "--expected", "70001", t / "tba001.txt"});
    EXPECT_EQ(c.code, 0);
    EXPECT_NE(c.out.find("\nplik tba001.txt linia 280001\nNieokreślono pola kategoria w poprzednim rekordzie\n"
                         "plik tba001.txt linia 280002\nZa mało rekordów w tej części: 70000\nZakończono\n"
                         "Statystyka:\nWszystkich: 70000\nZaremowanych: 0\nZawierających błędy: 1\n"
                         "Prawidłowych: 69999\n"),
              std::string::npos)
        << c.out.substr(c.out.size() > 600 ? c.out.size() - 600 : 0);
    c = clirun({"convert-textbase", "-o", out, "-i", "1", t / "tba001.txt"});
    EXPECT_EQ(c.code, 0);
    EXPECT_EQ(lspoints(readfile(out), 1, 1), 69999);
    EXPECT_EQ(cfgnext(cfg), 70000);
}

// The line counter stays at the largest number instead of overflowing.
TEST_F(limits, linecounterstopsatthelimit) {
    writefile(t / "a.txt", "a\r\nb\nc\rd\r\n");
    ASSERT_TRUE(openinput(shortstr(t / "a.txt")));
    linecount = INT32_MAX - 2;
    for (int i = 0; i < 4; ++i) readline();
    closeinput();
    EXPECT_EQ(linecount, INT32_MAX);
}

}  // namespace
