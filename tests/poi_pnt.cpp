// The point file reader and the conversion run, fed through the real run with
// the scripted toolkit: coordinates, header check, name building, odd lines
// and files of any bytes.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/shell.h"
#include "core/app.h"
#include "poi/convrun.h"
#include "poi/input.h"
#include "poi/lsout.h"
#include "poi/pnt.h"
#include "tests/lscheck.h"
#include "tests/scripted/scripted.h"
#include "tests/testfiles.h"
#include "text/cp1250.h"
#include "text/strutil.h"
#include "ui/tk.h"

namespace {

const std::string head5 = "OziExplorer Point File Version 1.0\r\nWGS 84\r\nr1\r\nr2\r\nr3\r\n";

// Field, whether it is a coordinate, and its units (latitude limit).
TEST(pntcoord, table) {
    struct row {
        const char *in;
        bool ok;
        std::int32_t out;
    };
    const row rows[] = {
        {"52.2296756", true, 522296756},
        {"-0.5", true, -5000000},
        {"21.01222878", true, 210122287},  // decimals past seven dropped
        {"18", true, 180000000},
        {" 52.1\t", true, 521000000},
        {"52.", true, 520000000},
        {".5", true, 5000000},
        {"-.5", true, -5000000},
        {"-0", true, 0},
        {"90", true, 900000000},
        {"-90.0000000", true, -900000000},
        {"90.00000000", true, 900000000},
        {"90.00000001", false, 0},  // over the pole by a dropped decimal
        {"90.0000001", false, 0},
        {"91", false, 0},
        {"0000000000052.5", true, 525000000},
        {"1e10", false, 0},
        {"52.1.2", false, 0},
        {"0x10", false, 0},
        {"+52", false, 0},
        {"", false, 0},
        {" ", false, 0},
        {".", false, 0},
        {"-", false, 0},
        {"12.5x", false, 0},
        {"5 2", false, 0},
        {"99999999999999999999", false, 0},
    };
    for (const row &r : rows) {
        std::int32_t v = 7;
        EXPECT_EQ(pntcoord(shortstr(r.in), pntlatmax, v), r.ok) << r.in;
        EXPECT_EQ(v, r.ok ? r.out : 7) << r.in;
    }
    std::int32_t v = 0;
    EXPECT_TRUE(pntcoord(shortstr("-180"), pntlonmax, v));
    EXPECT_EQ(v, -1800000000);
    EXPECT_TRUE(pntcoord(shortstr("180.0000000"), pntlonmax, v));
    EXPECT_FALSE(pntcoord(shortstr("180.0000001"), pntlonmax, v));
}

// The rule written out the long way: the shape checked by its characters,
// then seven decimals kept or filled in, the point removed, the number read
// and compared with the limit.
bool slowcoord(const shortstr &field, std::int32_t limit, std::int32_t &units) {
    std::string t(trimboth(field).view());
    std::string body = !t.empty() && t[0] == '-' ? t.substr(1) : t;
    if (body.find_first_not_of("0123456789.") != std::string::npos) return false;
    if (std::count(body.begin(), body.end(), '.') > 1 || body.find_first_of("0123456789") == std::string::npos)
        return false;
    std::size_t dot = body.find('.');
    std::string whole = body.substr(0, dot), frac = dot == std::string::npos ? "" : body.substr(dot + 1);
    bool past = frac.size() > 7 && frac.find_first_not_of('0', 7) != std::string::npos;
    frac = (frac + "0000000").substr(0, 7);
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    if (whole.size() > 4) return false;
    long long v = std::stoll("0" + whole) * 10000000 + std::stoll(frac);
    if (v > limit || (v == limit && past)) return false;
    units = std::int32_t(t[0] == '-' ? -v : v);
    return true;
}

TEST(pntcoord, agreeswiththerule) {
    const char alphabet[] = "0123456789.-.-0 x$";
    unsigned x = 7;
    for (int i = 0; i < 200000; ++i) {
        std::string s;
        x = x * 1103515245 + 12345;
        int len = int((x >> 16) % 16);
        for (int k = 0; k < len; ++k) {
            x = x * 1103515245 + 12345;
            unsigned r = (x >> 16) % 100;
            s += r < 70 ? char('0' + r % 10) : alphabet[r % (sizeof alphabet - 1)];
        }
        std::int32_t a = 5, b = 5;
        ASSERT_EQ(pntcoord(shortstr(s), pntlonmax, a), slowcoord(shortstr(s), pntlonmax, b)) << s;
        ASSERT_EQ(a, b) << s;
    }
}

struct pnttest : ::testing::Test {
    tempdir t;
    std::string out = t / "wynik.txt";
    homeenv h{t.path};
    void reset() {
        scriptreset();
        apptitle = "Trelik";
    }
    void SetUp() override {
        scriptreset();
        freshprogram();
        apptitle = "Trelik";
        outputfile = shortstr(out);
    }
    // Converts data (code page 1250 bytes) as the file name; gives the
    // output's point lines (the header taken off).
    std::string convert(const std::string &data, const std::string &name = "in.pnt") {
        writefile(t / name, data);
        scriptpick(t / name);
        convertfile();
        std::string o = readfile(out);
        if (o.rfind(lsheadtext, 0) == 0) o.erase(0, lsheadtext.size());
        return o;
    }
    bool has(const std::string &entry) {
        auto &tr = transcript();
        return std::find(tr.begin(), tr.end(), entry) != tr.end();
    }
    std::string counts() {
        std::string s;
        for (auto &e : transcript())
            if (e.rfind("pane: Pominięto", 0) == 0 || e.rfind("pane: Przetworzono", 0) == 0) s += e.substr(6) + "|";
        return s;
    }
};

TEST_F(pnttest, headerchecks) {
    struct row {
        const char *first;
        const char *message;
        bool converts;
    };
    const row rows[] = {
        {"OZIEXPLORER POINT FILE VERSION 1.0", nullptr, true},
        {"  OziExplorer   Point File Version 1.0  ", nullptr, true},
        {"OziExplorer Point File Version 1.1", "pane: Nieobsługiwana wersja pliku: 1.1 wyniki mogą być nieprawidłowe.",
         true},
        {"OziExplorer Waypoint File Version 1.1", "pane: Błąd: Nieobsługiwany typ pliku waypoint", false},
        {"Garmin Point File Version 1.0", "pane: Błąd: Nieobsługiwany format pliku", false},
        {"OziExplorer Point Data Version 1.0", "pane: Błąd: Nieobsługiwany format pliku", false},
        {"", "pane: Błąd: Nieobsługiwany format pliku", false},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.first);
        reset();
        std::remove(out.c_str());
        nextpointid = 1;
        std::string o = convert(std::string(r.first) + "\r\na\r\nb\r\nc\r\nd\r\n52,21,,,Punkt\r\n");
        if (r.message) {
            EXPECT_TRUE(has(r.message)) << transcripttext();
        }
        EXPECT_EQ(o, r.converts ? "\"Punkt\",520000000,210000000,0,0,0,1,1\r\n" : "");
        EXPECT_EQ(counts(), r.converts ? "Pominięto 0 wpisów|Przetworzono poprawnie 1 wpisów|"
                                       : "Pominięto 0 wpisów|Przetworzono poprawnie 0 wpisów|");
        EXPECT_EQ(errorflag, r.converts ? 0 : 1);
    }
}

TEST_F(pnttest, namesfromthefields) {
    struct row {
        std::string line;
        std::string written;  // empty: the point is skipped
    };
    const row rows[] = {
        {"52.5,21,x,y,Apteka,Centrum,Nocna,0x1F", "\"Apteka Centrum Nocna\",525000000,210000000"},
        {"52.5,21,x,y,Apteka,,,apteka dy\xbfurna", "\"Apteka\",525000000,210000000"},
        {"52.5,21,x,y,Sklep (nr 5),,,", "\"Sklep nr 5\",525000000,210000000"},
        {"52.5,21,x,y,Bar,Mleczny,,Kuchnia Domowa", "\"kuchnia domowa Bar Mleczny\",525000000,210000000"},
        {"52.5,21,x,y,\"A\";'B'[C]/D.e-f,,,", "\"A B C /D.e-f\",525000000,210000000"},
        {"-0.5 , 21.123456789 ,x,y, \xa3\xf3"
         "d\x9f ,,,",
         "\"\xa3\xf3"
         "d\x9f\",-5000000,211234567"},
        {"52,21,x,y,A,B,C,D,9,10,11,12", "\"d A B C\",520000000,210000000"},
        // Field 4, the point's own name, only when fields 5 to 8 give none.
        {"52.5,21,0,Ratusz", "\"Ratusz\",525000000,210000000"},
        {"52.5,21,0,Ratusz,,,,", "\"Ratusz\",525000000,210000000"},
        {"52.5,21,0,Ratusz,Apteka,,,", "\"Apteka\",525000000,210000000"},
        {"52.5,21,0,Ratusz,,,kawiarnia", "\"kawiarnia\",525000000,210000000"},
        {"52.5,21,0, (Stary) \"Rynek\" 5/7 ,;;;,,,0x1F", "\"Stary Rynek 5/7\",525000000,210000000"},
        {"52.5,21,0,;;;,,,", ""},
        {"52.5,21,0," + std::string(300, 'r'), "\"" + std::string(75, 'r') + "\",525000000,210000000"},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.line);
        std::remove(out.c_str());
        nextpointid = 1;
        std::string o = convert(head5 + r.line + "\r\n");
        EXPECT_EQ(o, r.written.empty() ? "" : r.written + ",0,0,0,1,1\r\n");
    }
}

TEST_F(pnttest, oddlines) {
    std::string body =
        "52,21,,,Pierwszy\r\n"
        "\r\n"
        "   \t\r\n"
        "# komentarz\r\n"
        "komentarz,52,21\r\n"
        "52,21,,,;;;\r\n"    // name empty after the clean-up
        "53,22\r\n"          // short line: its point ends here
        "54,23,,,Drugi\r\n"  // ...and this one is not swallowed
        "55,24,,,Trzeci," +
        std::string(100000, 'z') +
        ",,,,\r\n"
        "  56,25,,,Czwarty";  // leading blanks, no line end
    std::string o = convert(head5 + body);
    EXPECT_EQ(o,
              "\"Pierwszy\",520000000,210000000,0,0,0,1,1\r\n"
              "\"Drugi\",540000000,230000000,0,0,0,1,2\r\n"
              "\"Trzeci " +
                  std::string(68, 'z') +
                  "\",550000000,240000000,0,0,0,1,3\r\n"
                  "\"Czwarty\",560000000,250000000,0,0,0,1,4\r\n");
    EXPECT_EQ(counts(), "Pominięto 4 wpisów|Przetworzono poprawnie 4 wpisów|");
    EXPECT_EQ(nextpointid, 5);
}

// Whole lines are taken apart where they lie in the buffer, the others
// character by character: wherever the 10,000-byte chunk boundary falls in
// the points (the header's last line padded to move it), the output and the
// pane are the same.
TEST_F(pnttest, pointsreadthesamewherevertheboundaryfalls) {
    const std::string body =
        "52.5,21,x,y,Apteka,Centrum,Nocna,0x1F\r\n"
        "\t \r"
        "52,21,x,y,A,B,C,D,9,10,11,12\n"
        "91,21,,,Poza\r\n"
        "52.5,21,x,y,Bar,Mleczny,,Kuchnia Domowa\r"
        "# komentarz\n"
        " -0.5 , 21.123456789 ,x,y, \xa3\xf3"
        "d\x9f ,,,\r\n"
        "53,22\r\r\n"
        "54,23,0, W\xb3"
        "asna nazwa ,,,\r\n"
        "52.5,21,x,y,Apteka,,,apteka dy\xbfurna";
    std::string first, firstpane;
    for (std::size_t pad = 9750; pad <= 10000; ++pad) {
        SCOPED_TRACE(pad);
        std::remove(out.c_str());
        reset();
        nextpointid = 1;
        std::string o = convert("OziExplorer Point File Version 1.0\r\nWGS 84\r\nr1\r\nr2\r\n" + std::string(pad, 'r') +
                                "\r\n" + body);
        std::string pane = transcripttext();
        if (first.empty()) {
            first = o;
            firstpane = pane;
            EXPECT_EQ(counts(), "Pominięto 3 wpisów|Przetworzono poprawnie 6 wpisów|");
            EXPECT_NE(o.find("\"W\xb3"
                             "asna nazwa\",540000000,230000000"),
                      std::string::npos);
        }
        ASSERT_EQ(o, first);
        ASSERT_EQ(pane, firstpane);
    }
}

TEST_F(pnttest, filesofanybytes) {
    std::string garbage;
    unsigned x = 12345;
    for (int i = 0; i < 200000; ++i) {
        x = x * 1103515245 + 12345;
        garbage += char(x >> 16);
    }
    const std::string inputs[] = {
        "",
        std::string("\0\0\0\0", 4),
        garbage,
        head5 + garbage,
        head5 + std::string(10 * 1000 * 1000, '7'),  // a 10 MB line without a line end
        head5 + "52,21,,,A\0B,\0,\r\n" + std::string(1, '\0') + "1,1,,,X\r\n",
    };
    for (const std::string &in : inputs) {
        std::remove(out.c_str());
        reset();
        convert(in);
        // Every written line is a whole, well-formed record.
        EXPECT_EQ(nextpointid, 1 + lspoints(readfile(out), 1, 1));
        nextpointid = 1;
    }
}

TEST_F(pnttest, runframeandextensions) {
    // A cancelled dialog: the notice and the cancel sound, nothing else.
    scriptcancel();
    convertfile();
    EXPECT_EQ(transcripttext(),
              "file[Wybierz plik poi do konwersji] 2 0: anuluj\npane: Operacja anulowana\nsound: evcancel.wav\n");
    EXPECT_FALSE(existsfile(out));

    // A text file is read as a point file and rejected by its header.
    reset();
    convert("zwykły tekst\r\n", "punkty.txt");
    EXPECT_TRUE(has("pane: Błąd: Nieobsługiwany format pliku"));

    // The whole frame of a run that works.
    reset();
    std::remove(out.c_str());
    convert(head5 + "52,21,,,A\r\nx\r\n", "PUNKTY.PNT");
    std::string expect = "file[Wybierz plik poi do konwersji] 2 0: " + t.path +
                         "/PUNKTY.PNT\n"
                         "pane: rozpoczynam konwersję " +
                         t.path +
                         "/PUNKTY.PNT\n"
                         "soundloop: evproc.wav\n"
                         "status: Przetwarzanie w toku...\n"
                         "soundsync: evproc.wav\n"
                         "sound: evdone.wav\n"
                         "pane: Pominięto 1 wpisów\n"
                         "pane: Przetworzono poprawnie 1 wpisów\n";
    EXPECT_EQ(transcripttext(), expect);
    EXPECT_FALSE(busyflag);

    // A missing file: the error, and the output is not touched.
    reset();
    std::remove(out.c_str());
    scriptpick(t / "brak.pnt");
    convertfile();
    EXPECT_TRUE(has("pane: Błąd: Nie można otworzyć pliku " + t.path + "/brak.pnt"));
    EXPECT_TRUE(has("info[Info - Trelik]: Błąd: Nie można otworzyć pliku " + t.path + "/brak.pnt")) << transcripttext();
    EXPECT_FALSE(existsfile(out));
}

TEST_F(pnttest, closingduringarunstopsatthenextpoint) {
    std::string body;
    for (int i = 0; i < 5000; ++i) body += "52,21,,,Punkt " + std::to_string(i) + "\r\n";
    writefile(t / "duzy.pnt", head5 + body);
    scriptpick(t / "duzy.pnt");
    scriptclose();
    scriptyes();
    convertfile();
    EXPECT_TRUE(quitflag);
    EXPECT_TRUE(has("ask[Pytanie - Trelik]: Czy przerwać aktualny proces i zakończyć program? -> tak"))
        << transcripttext();
    std::string o = readfile(out);
    int lines = lspoints(o, 1, 1);
    EXPECT_GT(lines, 0);
    EXPECT_LT(lines, 5000);
    EXPECT_TRUE(has("pane: Przetworzono poprawnie " + std::to_string(lines) + " wpisów"));
    EXPECT_EQ(nextpointid, 1 + lines);
    EXPECT_FALSE(busyflag);

    // Answered No: the run goes on to the end.
    reset();
    std::remove(out.c_str());
    nextpointid = 1;
    scriptpick(t / "duzy.pnt");
    scriptclose();
    scriptno();
    convertfile();
    EXPECT_FALSE(quitflag);
    EXPECT_TRUE(has("ask[Pytanie - Trelik]: Czy przerwać aktualny proces i zakończyć program? -> nie"));
    EXPECT_TRUE(has("pane: Przetworzono poprawnie 5000 wpisów"));
}

}  // namespace
