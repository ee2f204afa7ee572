// The XML readers' faults and encodings, the GPX output (a whole file after
// every run, also a failed one) and UTF-8 lines for a UTF-8 Loadstone file.

#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

#include "app/shell.h"
#include "core/app.h"
#include "poi/convrun.h"
#include "tests/childproc.h"
#include "tests/scripted/scripted.h"
#include "tests/testfiles.h"
#include "text/cp1250.h"
#include "ui/tk.h"

namespace {

struct xmltest : ::testing::Test {
    tempdir t;
    homeenv h{t.path};
    void SetUp() override {
        scriptreset();
        freshprogram();
    }
    // Converts data as the file name into the output out; the pane lines
    // (UTF-8) after the start line.
    std::string convert(const std::string &data, const std::string &name, const std::string &out) {
        scriptreset();
        outputfile = shortstr(t / out);
        writefile(t / name, data);
        scriptpick(t / name);
        convertfile();
        std::string s;
        for (auto &e : transcript())
            if (e.rfind("pane: ", 0) == 0 && e.rfind("pane: rozpoczynam", 0) != 0) s += e.substr(6) + "|";
        return s;
    }
};

const std::string gpxhead = "<?xml version=\"1.0\"?><gpx xmlns=\"http://www.topografix.com/GPX/1/1\">";

TEST_F(xmltest, readersfaultsandencodings) {
    struct row {
        const char *name;
        std::string data, file;  // the input and its name
        std::string lines;       // the output's point lines up to the user id, UTF-8
        std::string pane;
    } rows[] = {
        {"prefixes, cmt, extensions, route points",
         "<?xml version=\"1.0\"?><g:gpx xmlns:g=\"x\"><g:wpt lat=\"1.5\" "
         "lon=\"2\"><g:name>A &amp; B</g:name><g:cmt>opis</g:cmt><g:extensions><g:name>nie</g:name></g:extensions>"
         "</g:wpt><g:rte><g:rtept lat=\"1\" lon=\"1\"><g:name>R</g:name></g:rtept></g:rte></g:gpx>",
         "a.gpx", "\"A B opis\",15000000,20000000", "Pominięto 0 wpisów|Przetworzono poprawnie 1 wpisów|"},
        {"windows-1250",
         "<?xml version=\"1.0\" encoding=\"windows-1250\"?><gpx><wpt lat=\"1\" lon=\"1\"><name>"
         "\xa3\xf3\x64\x9f</name></wpt></gpx>",
         "a.gpx", "\"Łódź\",10000000,10000000", "Pominięto 0 wpisów|Przetworzono poprawnie 1 wpisów|"},
        {"iso-8859-2",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-2\"?><gpx><wpt lat=\"1\" lon=\"1\"><name>"
         "\xa3\xf3\x64\xbc</name></wpt></gpx>",
         "a.gpx", "\"Łódź\",10000000,10000000", "Pominięto 0 wpisów|Przetworzono poprawnie 1 wpisów|"},
        {"encoding unknown", "<?xml version=\"1.0\" encoding=\"koi8-r\"?><gpx/>", "a.gpx", "",
         "Błąd: Nieobsługiwane kodowanie pliku: koi8-r|Pominięto 0 wpisów|Przetworzono poprawnie 0 wpisów|"},
        {"outside the globe", gpxhead + "\n<wpt lat=\"91\" lon=\"1\"><name>X</name></wpt></gpx>", "a.gpx", "",
         "Nieprawidłowe współrzędne w linii 2|Pominięto 1 wpisów|Przetworzono poprawnie 0 wpisów|"},
        {"cut off, the point before it kept",
         gpxhead + "<wpt lat=\"1\" lon=\"1\"><name>A</name></wpt>\n\n<wpt lat=", "a.gpx", "\"A\",10000000,10000000",
         "Błąd: Błąd w pliku XML w linii 3|Pominięto 0 wpisów|Przetworzono poprawnie 1 wpisów|"},
        {"no XML", "OziExplorer Point File Version 1.0\r\n", "a.gpx", "",
         "Błąd: Nieobsługiwany format pliku|Pominięto 0 wpisów|Przetworzono poprawnie 0 wpisów|"},
        {"another root", "<kml><Placemark/></kml>", "a.gpx", "",
         "Błąd: Nieobsługiwany format pliku|Pominięto 0 wpisów|Przetworzono poprawnie 0 wpisów|"},
        {"kml: markup, first point, no point",
         "<kml><Document><Placemark><name>Linia</name><LineString>"
         "<coordinates>1,2 3,4</coordinates></LineString></Placemark><Placemark><name>Bar</name><description>"
         "<![CDATA[<p>tani&nbsp;obiad &#322;</p>]]></description><MultiGeometry><Point><coordinates> 21.5, 52.25,"
         "100 </coordinates></Point><Point><coordinates>1,1</coordinates></Point></MultiGeometry></Placemark>"
         "</Document></kml>",
         "a.kml", "\"Bar tani obiad ł\",522500000,215000000", "Pominięto 0 wpisów|Przetworzono poprawnie 1 wpisów|"},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.name);
        std::remove((t / "o.txt").c_str());
        nextpointid = 1;
        EXPECT_EQ(convert(r.data, r.file, "o.txt"), r.pane);
        std::string o = utf8fromcp1250(readfile(t / "o.txt")), lines;
        for (std::size_t at = o.find("\r\n\"", 0); at != std::string::npos; at = o.find("\r\n\"", at + 1))
            lines += o.substr(at + 2, o.find(",0,0,0,", at) - at - 2);
        EXPECT_EQ(lines, r.lines);
    }
}

const char gpsbabel[] = "/usr/bin/gpsbabel";

// The points GPSBabel reads from a GPX file, as lines of its CSV.
std::string gbread(const std::string &path) {
    child c =
        childrun({gpsbabel, "-i", "gpx", "-f", path, "-o", "unicsv,fields=name+lat+lon", "-F", "-"}, {}, "", 30000);
    EXPECT_EQ(c.status, 0) << c.errtext;
    return c.outtext;
}

TEST_F(xmltest, gpxoutputstayswhole) {
    std::string pnt = "OziExplorer Point File Version 1.0\r\nWGS 84\r\nr\r\nr\r\nr\r\n";
    for (int i = 0; i < 3000; ++i)
        pnt += "52." + std::to_string(1000 + i) + ",21.5,0,,Punkt <" + std::to_string(i) + "> & ż,,,\r\n";
    EXPECT_EQ(convert(pnt, "a.pnt", "o.GPX"), "Pominięto 0 wpisów|Przetworzono poprawnie 3000 wpisów|");
    EXPECT_EQ(nextpointid, 1);  // GPX has no ids: those of Loadstone files stay
    convert(pnt, "a.pnt", "o.GPX");
    std::string whole = readfile(t / "o.GPX");
    EXPECT_EQ(whole.substr(whole.size() - 8), "</gpx>\r\n");
    // A run that fails in the middle: the closing tag after the last whole point.
    {
        rlimit old, lim;
        getrlimit(RLIMIT_FSIZE, &old);
        lim = old;
        lim.rlim_cur = whole.size() + 100000;
        auto oldsig = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
        convert(pnt, "a.pnt", "o.GPX");
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldsig);
    }
    EXPECT_EQ(errorflag, 1);
    std::string after = readfile(t / "o.GPX");
    EXPECT_EQ(after.substr(0, whole.size() - 8), whole.substr(0, whole.size() - 8));
    EXPECT_EQ(after.substr(after.size() - 8), "</gpx>\r\n");
    std::size_t points = 0;
    for (std::size_t at = after.find("<wpt"); at != std::string::npos; at = after.find("<wpt", at + 1)) ++points;
    EXPECT_GT(points, 6000u);
    EXPECT_LT(points, 9000u);
    if (access(gpsbabel, X_OK) == 0) {
        std::string read = gbread(t / "o.GPX");
        EXPECT_EQ(std::count(read.begin(), read.end(), '\n'), long(points) + 1);  // and its header line
        EXPECT_NE(read.find("52.399900,21.500000,\"Punkt 2999 ż\""), std::string::npos) << read.substr(0, 300);
    }
    // A file that does not end as GPX is refused and left as it is.
    writefile(t / "x.gpx", "<gpx>");
    EXPECT_EQ(convert(pnt, "a.pnt", "x.gpx"), "Błąd: Plik wynikowy nie jest plikiem GPX: " + (t / "x.gpx") + "|");
    EXPECT_EQ(readfile(t / "x.gpx"), "<gpx>");
}

TEST_F(xmltest, utf8loadstonefilesgetutf8lines) {
    std::string name(80, 'x');
    name.replace(70, 10, "żżżżżżżżżż");  // the cut falls among two-byte letters
    std::string pnt = "OziExplorer Point File Version 1.0\r\nWGS 84\r\nr\r\nr\r\nr\r\n1,1,0,,Łódź,,,\r\n1,1,0,,";
    pnt = cp1250fromutf8(pnt + name + ",,,\r\n");
    struct row {
        std::string before, names;  // the file before the run, the names it gets (as bytes)
    } rows[] = {
        {"#!lsdb\n", "\"Łódź\"\"" + name.substr(0, 70) + "żżżżż\""},
        {"table,point\r\n\"Čakovec\",1,1\r\n", "\"Łódź\"\"" + name.substr(0, 70) + "żżżżż\""},
        {cp1250fromutf8("table,point\r\n\"Łódź\",1,1\r\n"),
         cp1250fromutf8("\"Łódź\"\"" + name.substr(0, 70) + "żżżżż\"")},
        {"table,point\r\n", cp1250fromutf8("\"Łódź\"\"" + name.substr(0, 70) + "żżżżż\"")},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.before);
        writefile(t / "ls.txt", r.before);
        convert(pnt, "a.pnt", "ls.txt");
        std::string o = readfile(t / "ls.txt").substr(r.before.size()), names;
        for (std::size_t at = o.find('"'); at != std::string::npos; at = o.find("\r\n\"", at + 1)) {
            std::size_t s = o[at] == '"' ? at : at + 2;
            names += o.substr(s, o.find("\",", s) - s + 1);
        }
        EXPECT_EQ(names, r.names);
    }
}

}  // namespace
