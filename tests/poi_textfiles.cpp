// The readers of OziExplorer waypoint files and of CSV point lists, fed
// through the real run with the scripted toolkit; and both fed with what
// GPSBabel writes for a list of points.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "app/shell.h"
#include "core/app.h"
#include "poi/convrun.h"
#include "tests/childproc.h"
#include "tests/lscheck.h"
#include "tests/scripted/scripted.h"
#include "tests/testfiles.h"
#include "text/cp1250.h"
#include "ui/tk.h"

namespace {

// UTF-8 test text as the code page 1250 bytes of a file.
std::string pl(const std::string &utf8) { return cp1250fromutf8(utf8); }

struct textfiletest : ::testing::Test {
    tempdir t;
    std::string out = t / "wynik.txt";
    homeenv h{t.path};
    void SetUp() override {
        scriptreset();
        freshprogram();
        apptitle = "Trelik";
        outputfile = shortstr(out);
    }
    // Converts data (code page 1250 bytes) as a fresh run of the file name;
    // gives the output's point lines (the header taken off).
    std::string convert(const std::string &data, const std::string &name) {
        scriptreset();
        apptitle = "Trelik";
        std::remove(out.c_str());
        nextpointid = 1;
        writefile(t / name, data);
        scriptpick(t / name);
        convertfile();
        EXPECT_FALSE(busyflag);
        std::string o = readfile(out);
        if (o.rfind(lsheadtext, 0) == 0) o.erase(0, lsheadtext.size());
        return o;
    }
    // The pane lines of the run (UTF-8) after its start line, but the counts.
    std::string pane() {
        std::string s;
        for (auto &e : transcript())
            if (e.rfind("pane: ", 0) == 0 && e.rfind("pane: rozpoczynam", 0) != 0) s += e.substr(6) + "|";
        return s;
    }
};

// ---- OziExplorer waypoint files ----

const std::string wpthead = "OziExplorer Waypoint File Version 1.1\r\nWGS 84\r\nReserved 2\r\nReserved 3\r\n";

// A waypoint line as OziExplorer writes it: number, name, coordinates, the
// rest of its fields with the altitude -777 (none).
std::string wpt(const std::string &name, const std::string &lat, const std::string &lon, const std::string &desc = "") {
    return "1," + name + "," + lat + "," + lon + ",,0,1,3,0,65535," + desc + ",0,0,0,-777,6,0,17\r\n";
}

const std::string counted0 = "Pominięto 0 wpisów|Przetworzono poprawnie 1 wpisów|";
const std::string skipped1 = "Pominięto 1 wpisów|Przetworzono poprawnie 0 wpisów|";

TEST_F(textfiletest, waypointnamesandcoordinates) {
    struct row {
        std::string line;     // the waypoint line, code page 1250
        std::string written;  // its output line up to the user id (UTF-8); empty: none
        std::string pane;     // the run's pane lines
    };
    const row rows[] = {
        {wpt("Apteka", "52.2296756", "21.0122287"), "\"Apteka\",522296756,210122287", counted0},
        {wpt("Bar", "-33.12345675", "-70.25"), "\"Bar\",-331234568,-702500000", counted0},  // half to even
        {wpt(pl("Apteka"), "52", "21", pl("apteka całodobowa ul. Długa 5/7")),
         "\"Apteka całodobowa ul Długa 5 7\",520000000,210000000", counted0},
        // Byte 209 stands for a comma in the name and the description.
        {wpt("Bar\xd1Mleczny", "52", "21", "bar\xd1mleczny\xd1 tani"), "\"Bar Mleczny tani\",520000000,210000000",
         counted0},
        {wpt(pl("Sklep 5/7 (nowy) \"Ela\""), "52", "21"), "\"Sklep 5/7 nowy Ela\",520000000,210000000", counted0},
        {"7 , Ratusz ,  50.1 , 19.9 \r\n", "\"Ratusz\",501000000,199000000", counted0},  // fields end early
        {"7,Ratusz,50.1,19.9", "\"Ratusz\",501000000,199000000", counted0},              // no line end
        {wpt(std::string(300, 'n'), "52", "21"), "\"" + std::string(75, 'n') + "\",520000000,210000000", counted0},
        {wpt("Daleko", "-90", "180"), "\"Daleko\",-900000000,1800000000", counted0},
        {wpt("Biegun", "90.0000001", "21"), "", "Nieprawidłowe współrzędne w linii 5|" + skipped1},
        {wpt("Poza", "52", "-180.00000006"), "", "Nieprawidłowe współrzędne w linii 5|" + skipped1},
        {"7,Krótka,52\r\n", "", "Nieprawidłowe współrzędne w linii 5|" + skipped1},
        {wpt("", "52", "21"), "", skipped1},
        {wpt(";;;", "52", "21", "(*)"), "", skipped1},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.line);
        std::string o = convert(wpthead + r.line, "punkty.wpt");
        EXPECT_EQ(utf8fromcp1250(o), r.written.empty() ? "" : r.written + ",0,0,0,1,1\r\n");
        EXPECT_EQ(pane(), r.pane);
        EXPECT_EQ(errorflag, 0);
    }
}

TEST_F(textfiletest, waypointheaderanddatum) {
    struct row {
        std::string head;  // the first two lines
        std::string pane;  // the run's pane lines
        bool converts;
    };
    const row rows[] = {
        {"OziExplorer Waypoint File Version 1.1\r\nWGS 84", counted0, true},
        {" oziexplorer  WAYPOINT file version 1.1 \r\n wgs84 ", counted0, true},
        {"OziExplorer Waypoint File Version 1.1\r\nWgs 84,WGS 84", counted0, true},
        {"OziExplorer Waypoint File Version 1.0\r\nWGS 84",
         "Nieobsługiwana wersja pliku: 1.0 wyniki mogą być nieprawidłowe.|" + counted0, true},
        {"OziExplorer Waypoint File Version 1.1\r\nPulkovo 1942 (1)",
         "Błąd: Nieobsługiwany układ odniesienia: Pulkovo 1942 (1)|Pominięto 0 wpisów|Przetworzono poprawnie 0 wpisów|",
         false},
        {"OziExplorer Waypoint File Version 1.1\r\nWGS 72",
         "Błąd: Nieobsługiwany układ odniesienia: WGS 72|Pominięto 0 wpisów|Przetworzono poprawnie 0 wpisów|", false},
        {"OziExplorer Waypoint File Version 1.1\r\n",
         "Błąd: Nieobsługiwany układ odniesienia: |Pominięto 0 wpisów|Przetworzono poprawnie 0 wpisów|", false},
        {"OziExplorer Point File Version 1.0\r\nWGS 84",
         "Błąd: Nieobsługiwany typ pliku point|Pominięto 0 wpisów|Przetworzono poprawnie 0 wpisów|", false},
        {"Garmin Waypoint File\r\nWGS 84",
         "Błąd: Nieobsługiwany format pliku|Pominięto 0 wpisów|Przetworzono poprawnie 0 wpisów|", false},
        {"", "Błąd: Nieobsługiwany format pliku|Pominięto 0 wpisów|Przetworzono poprawnie 0 wpisów|", false},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.head);
        std::string o = convert(r.head + "\r\nr2\r\nr3\r\n" + wpt("Punkt", "52", "21"), "punkty.wpt");
        EXPECT_EQ(o, r.converts ? "\"Punkt\",520000000,210000000,0,0,0,1,1\r\n" : "");
        EXPECT_EQ(pane(), r.pane);
        EXPECT_EQ(errorflag, r.converts ? 0 : 1);
    }
}

// Line numbers count every line of the file; blank lines are no points.
TEST_F(textfiletest, waypointfileoflines) {
    std::string o =
        convert(wpthead + wpt("Pierwszy", "52", "21", "las " + std::string(1000, 'x')) + "\r\n  \t\r\n" +
                    wpt("Zły", "52", "x") + "\n" + wpt("Drugi", "53", "22") + "\r" + wpt("Trzeci", "54", "23"),
                "PUNKTY.WPT");
    EXPECT_EQ(o,
              "\"Pierwszy las\",520000000,210000000,0,0,0,1,1\r\n"
              "\"Drugi\",530000000,220000000,0,0,0,1,2\r\n"
              "\"Trzeci\",540000000,230000000,0,0,0,1,3\r\n");
    EXPECT_EQ(pane(), "Nieprawidłowe współrzędne w linii 8|Pominięto 1 wpisów|Przetworzono poprawnie 3 wpisów|");
}

TEST_F(textfiletest, waypointfilesofanybytes) {
    std::string garbage;
    unsigned x = 99;
    for (int i = 0; i < 100000; ++i) {
        x = x * 1103515245 + 12345;
        garbage += char(x >> 16);
    }
    for (const std::string &in : {garbage, wpthead + garbage, wpthead + std::string(3 * 1000 * 1000, ',')}) {
        convert(in, "punkty.wpt");
        EXPECT_EQ(nextpointid, 1 + lspoints(readfile(out), 1, 1));
    }
}

// The generator's waypoint file holds the points of its point file: every
// one converts, to the same place (the point file's reader drops decimals
// past the seventh, this one rounds them).
TEST_F(textfiletest, generatedwaypointsconvertlikepoints) {
    const std::string mkpnt = std::string(std::getenv("TRELIK_BUILD")) + "/mkpnt";
    for (const char *fmt : {"pnt", "wpt"}) {
        child c = childrun({mkpnt, "--seed", "3", "--points", "2000", "--format", fmt, t / (std::string("a.") + fmt)},
                           {}, "", 60000);
        ASSERT_EQ(c.status, 0) << c.errtext;
    }
    std::vector<std::pair<long, long>> at[2];
    for (int k = 0; k < 2; ++k) {
        std::string name = k == 0 ? "a.pnt" : "a.wpt";
        convert(readfile(t / name), name);
        EXPECT_EQ(pane(), "Pominięto 0 wpisów|Przetworzono poprawnie 2000 wpisów|") << name;
        lspoints(readfile(out), 1, 1);
        std::string o = readfile(out);
        for (std::size_t p = o.find("\",", lsheadtext.size()); p != std::string::npos; p = o.find("\",", p + 1)) {
            char *e;
            long lat = std::strtol(o.c_str() + p + 2, &e, 10);
            at[k].push_back({lat, std::strtol(e + 1, nullptr, 10)});
        }
    }
    ASSERT_EQ(at[0].size(), 2000u);
    ASSERT_EQ(at[1].size(), 2000u);
    for (std::size_t i = 0; i < 2000; ++i) {
        EXPECT_LE(std::abs(at[0][i].first - at[1][i].first), 1) << i;
        EXPECT_LE(std::abs(at[0][i].second - at[1][i].second), 1) << i;
    }
}

// ---- CSV point lists ----

// Output lines (UTF-8, each up to its user id) with the ids from 1.
std::string lines(const std::vector<std::string> &points) {
    std::string s;
    for (std::size_t i = 0; i < points.size(); ++i) s += points[i] + ",0,0,0,1," + std::to_string(i + 1) + "\r\n";
    return s;
}
std::string counted(int skipped, int written) {
    return "Pominięto " + std::to_string(skipped) + " wpisów|Przetworzono poprawnie " + std::to_string(written) +
           " wpisów|";
}

TEST_F(textfiletest, csvlayouts) {
    struct row {
        std::string data;                 // the file, UTF-8 (made code page 1250)
        std::vector<std::string> points;  // its output lines up to the user id, UTF-8
        std::string pane;                 // the run's pane lines
    };
    const std::string longtext = "las " + std::string(600, 'x') + "," + std::string(600, 'y');
    const row rows[] = {
        // Headers: English or Polish names, any case and order, a description
        // column or none, other columns between.
        {"name,lat,lon\nApteka,52.1,21.2\n", {"\"Apteka\",521000000,212000000"}, counted(0, 1)},
        {"Latitude,Longitude,Name,Description\n52.1,21.2,Bar,bar mleczny\n",
         {"\"Bar mleczny\",521000000,212000000"},
         counted(0, 1)},
        {"No,LAT,Lng,Nazwa,Opis,Data\n1,-33.5,-70.25,Kościół,kościół parafialny,2024\n",
         {"\"Kościół parafialny\",-335000000,-702500000"},
         counted(0, 1)},
        {"nazwa,szerokosc,dlugosc\nA,1,2\n", {"\"A\",10000000,20000000"}, counted(0, 1)},
        {"DESCRIPTION,Longitude,Szerokość,Nazwa\nnocna,21,52,Apteka\n",
         {"\"Apteka nocna\",520000000,210000000"},
         counted(0, 1)},
        {" name , lat , lon \nA  ,  52.1 , 21.2  ", {"\"A\",521000000,212000000"}, counted(0, 1)},
        // No header: name, latitude, longitude; or latitude, longitude, name.
        {"Apteka,52.1,21.2\nBar,53,22.12345675\n",
         {"\"Apteka\",521000000,212000000", "\"Bar\",530000000,221234568"},
         counted(0, 2)},
        {"52.22968, 21.01223, Apteka\n-1,-2,Bar\n",
         {"\"Apteka\",522296800,210122300", "\"Bar\",-10000000,-20000000"},
         counted(0, 2)},
        {"x,y,z\nA,1,2\n", {"\"A\",10000000,20000000"}, "Nieprawidłowe współrzędne w linii 1|" + counted(1, 1)},
        // A spreadsheet set to Polish: semicolons, decimal commas.
        {"Apteka;52,2297;21,0122\r\nBar, pub;53,5;22\r\n",
         {"\"Apteka\",522297000,210122000", "\"Bar pub\",535000000,220000000"},
         counted(0, 2)},
        {"nazwa;szerokość;długość;opis\r\n\"Sklep; nocny\";52.5;21.5;czynny, do 22\r\n",
         {"\"Sklep nocny czynny do 22\",525000000,215000000"},
         counted(0, 1)},
        {"sep=;\r\nA,B,C;1;2\r\n", {"\"A B C\",10000000,20000000"}, counted(0, 1)},
        {"SEP=,\nA;1,5,2", {"\"A 1\",50000000,20000000"}, counted(0, 1)},
        // Quotes: separators and doubled quotes inside, a decimal comma.
        {"name,lat,lon,desc\n\"Bar \"\"Pod Lipą\"\", pub\",\"52.1\", 21.2 ,\"a, b\"\n",
         {"\"Bar Pod Lipą pub a b\",521000000,212000000"},
         counted(0, 1)},
        {"name,lat,lon\nA,\"52,5\",\"21,25\"\nB,\"52,5,1\",1\n",
         {"\"A\",525000000,212500000"},
         "Nieprawidłowe współrzędne w linii 3|" + counted(1, 1)},
        // A quote left open ends with its line.
        {"name,lat,lon,desc\nA,52,21,\"otwarty\nB,53,22\n",
         {"\"A otwarty\",520000000,210000000", "\"B\",530000000,220000000"},
         counted(0, 2)},
        // Long fields before the coordinates do not move them.
        {"desc,name,lat,lon\n\"" + longtext + "\",Park,52,21\n" + std::string(2000, 'z') + ",Las,53,22\n",
         {"\"Park las\",520000000,210000000", "\"Las\",530000000,220000000"},
         counted(0, 2)},
        {std::string(5000, 'n') + ",52,21\nB,53,22\n",
         {"\"" + std::string(75, 'n') + "\",520000000,210000000", "\"B\",530000000,220000000"},
         counted(0, 2)},
        // Blank lines and lines of separators only are no points; short
        // lines and bad coordinates are told with their line numbers.
        {"\r\n  \r\nname,lat,lon\r\n\r\n,,\r\n;;;;\r\nA,1,2\r\nB,52\r\nC\r\nD,91,0\rE,x,0\r\nF,1,2",
         {"\"A\",10000000,20000000", "\"F\",10000000,20000000"},
         "Nieprawidłowe współrzędne w linii 6|Nieprawidłowe współrzędne w linii 8|Nieprawidłowe współrzędne w linii "
         "9|Nieprawidłowe współrzędne w linii 10|Nieprawidłowe współrzędne w linii 11|" +
             counted(5, 2)},
        {"lat,lon,name\n52,21\n53,22,(;)\n54,23,OK\n", {"\"OK\",540000000,230000000"}, counted(2, 1)},
        // No point list at all.
        {"", {}, "Błąd: Nieobsługiwany format pliku|" + counted(0, 0)},
        {"\n \n", {}, "Błąd: Nieobsługiwany format pliku|" + counted(0, 0)},
        {"name;lat\nA;1\n", {}, "Błąd: Nieobsługiwany format pliku|" + counted(0, 0)},
        {"sep=;\n", {}, "Błąd: Nieobsługiwany format pliku|" + counted(0, 0)},
        {std::string("UAM\0,,,\x01\x02\n", 13), {}, "Błąd: Nieobsługiwany format pliku|" + counted(0, 0)},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.data.substr(0, 200));
        std::string o = convert(pl(r.data), "punkty.csv");
        EXPECT_EQ(utf8fromcp1250(o), lines(r.points));
        EXPECT_EQ(pane(), r.pane);
    }
    // A UTF-8 byte order mark left at the start does not hide the first name.
    EXPECT_EQ(convert("\xEF\xBB\xBFname,lat,lon\r\nA,1,2\r\n", "bom.csv"), lines({"\"A\",10000000,20000000"}));
}

TEST_F(textfiletest, csvfilesofanybytes) {
    std::string garbage = "name,lat,lon\n";
    unsigned x = 5;
    const char pick[] = ",;\"\"\r\n 0123456789.-ab";
    for (int i = 0; i < 200000; ++i) {
        x = x * 1103515245 + 12345;
        garbage += pick[(x >> 16) % (sizeof pick - 1)];
    }
    for (const std::string &in : {garbage, garbage.substr(13), std::string(3 * 1000 * 1000, ';')}) {
        convert(in, "punkty.csv");
        EXPECT_EQ(nextpointid, 1 + lspoints(readfile(out), 1, 1));
    }
}

// ---- Against GPSBabel ----

const char gpsbabel[] = "/usr/bin/gpsbabel";

// Points as GPSBabel's universal CSV reads them (UTF-8), with the name and
// coordinates trelik gives them.
struct gbpoint {
    const char *name, *lat, *lon, *desc;  // GPSBabel's input
    const char *want;                     // the output line up to the user id
};
const gbpoint gbpoints[] = {
    {"Apteka Nocna", "52.229676", "21.012229", "czynna, całą dobę",
     "\"Apteka Nocna czynna całą dobę\",522296760,210122290"},
    {"Bar, Mleczny", "-33.5", "-70.25", "opis", "\"Bar Mleczny opis\",-335000000,-702500000"},
    {"Żabka", "50.06143", "19.93658", "", "\"Żabka\",500614300,199365800"},
    {"Ul. Długa 5/7", "0.000001", "179.999999", "", "\"Ul. Długa 5/7\",10,1799999990"},
    {"Kościół", "-89.999999", "-0.5", "Kościół parafialny", "\"Kościół parafialny\",-899999990,-5000000"},
};

// GPSBabel from the points' CSV to the format fmt (with its options), as
// the file name; false when it fails.
bool gbwrite(const tempdir &t, const std::string &fmt, const std::string &name) {
    std::string csv = "name,lat,lon,desc\n";
    for (const gbpoint &p : gbpoints) {
        std::string n = p.name, d = p.desc;
        csv += "\"" + n + "\"," + p.lat + "," + p.lon + ",\"" + d + "\"\n";
    }
    writefile(t / "gb.csv", csv);
    child c = childrun({gpsbabel, "-i", "unicsv", "-f", t / "gb.csv", "-o", fmt, "-F", t / name}, {}, "", 30000);
    EXPECT_EQ(c.status, 0) << c.errtext;
    return c.status == 0;
}

TEST_F(textfiletest, gpsbabelwaypoints) {
    if (access(gpsbabel, X_OK) != 0) GTEST_SKIP() << "no " << gpsbabel;
    ASSERT_TRUE(gbwrite(t, "ozi,codec=windows-1250", "gb.wpt"));
    std::string want;
    for (const gbpoint &p : gbpoints)
        want += std::string(p.want) + ",0,0,0,1," + std::to_string(&p - gbpoints + 1) + "\r\n";
    std::string data = readfile(t / "gb.wpt");
    EXPECT_EQ(utf8fromcp1250(convert(data, "gb.wpt")), want) << data;
    EXPECT_EQ(pane(), "Pominięto 0 wpisów|Przetworzono poprawnie 5 wpisów|");
}

TEST_F(textfiletest, gpsbabelcsv) {
    if (access(gpsbabel, X_OK) != 0) GTEST_SKIP() << "no " << gpsbabel;
    ASSERT_TRUE(gbwrite(t, "unicsv,codec=windows-1250", "gb.csv"));
    std::string want;
    for (const gbpoint &p : gbpoints)
        want += std::string(p.want) + ",0,0,0,1," + std::to_string(&p - gbpoints + 1) + "\r\n";
    std::string data = readfile(t / "gb.csv");
    EXPECT_EQ(utf8fromcp1250(convert(data, "gb.csv")), want) << data;
    EXPECT_EQ(pane(), "Pominięto 0 wpisów|Przetworzono poprawnie 5 wpisów|");
}

}  // namespace

namespace {

// The same points as GPSBabel writes them in GPX and KML, and in CSV as
// UTF-8: the same names and coordinates.
TEST_F(textfiletest, gpsbabelxmlandutf8) {
    if (access(gpsbabel, X_OK) != 0) GTEST_SKIP() << "no " << gpsbabel;
    std::string want;
    for (const gbpoint &p : gbpoints)
        want += std::string(p.want) + ",0,0,0,1," + std::to_string(&p - gbpoints + 1) + "\r\n";
    for (const char *name : {"gb.gpx", "gb.kml", "utf8.csv"}) {
        SCOPED_TRACE(name);
        std::string fmt = std::string(name).substr(std::string(name).find('.') + 1);
        ASSERT_TRUE(gbwrite(t, fmt == "csv" ? "unicsv" : fmt, name));
        std::string data = readfile(t / name);
        EXPECT_EQ(utf8fromcp1250(convert(data, name)), want) << data;
        EXPECT_EQ(pane(), "Pominięto 0 wpisów|Przetworzono poprawnie 5 wpisów|");
    }
}

}  // namespace
