// `trelik convert` as a user runs it: output, exit codes, ids continuing
// through trelik.cfg, files that fail beside files that convert, and an
// output that cannot be written.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/childproc.h"
#include "tests/testfiles.h"

namespace {

const std::string head5 = "OziExplorer Point File Version 1.0\r\nWGS 84\r\nr1\r\nr2\r\nr3\r\n";

struct convertcli : ::testing::Test {
    tempdir t;
    std::string prog = std::string(std::getenv("TRELIK_BUILD")) + "/trelik";
    child run(std::vector<std::string> args) {
        args.insert(args.begin(), prog);
        return childrun(args, {{"TRELIK_HOME", t.path}}, "", 30000);
    }
};

TEST_F(convertcli, convertsandcontinuestheids) {
    writefile(t / "a.pnt", head5 + "52.5,21,,,Apteka\r\n# uwaga\r\n53,22,,,Bar\r\n");
    std::string out = t / "wynik.txt";
    child c = run({"convert", "-o", out, "-u", "7", "-i", "100", t / "a.pnt"});
    EXPECT_EQ(c.status, 0) << c.errtext;
    EXPECT_EQ(c.outtext, "rozpoczynam konwersję " + t.path +
                             "/a.pnt\nPominięto 1 wpisów\n"
                             "Przetworzono poprawnie 2 wpisów\n");
    EXPECT_EQ(readfile(out), lsheadtext +
                                 "\"Apteka\",525000000,210000000,0,0,0,7,100\r\n"
                                 "\"Bar\",530000000,220000000,0,0,0,7,101\r\n");

    // The next run takes the output, user id and next id from trelik.cfg.
    c = run({"convert", t / "a.pnt"});
    EXPECT_EQ(c.status, 0) << c.errtext;
    std::string o = readfile(out);
    EXPECT_EQ(o.substr(o.size() - 39), "\"Bar\",530000000,220000000,0,0,0,7,103\r\n");
}

TEST_F(convertcli, failedfilesdonotstoptheothers) {
    writefile(t / "a.pnt", head5 + "52,21,,,A\r\n");
    writefile(t / "b.uam", "xxxx");
    writefile(t / "c.pnt", "OziExplorer Waypoint File Version 1.1\r\n");
    std::string out = t / "wynik.txt";
    child c = run({"convert", "-o", out, "brak.pnt", t / "b.uam", t / "c.pnt", t / "a.pnt"});
    EXPECT_EQ(c.status, 1);
    EXPECT_NE(c.outtext.find("rozpoczynam konwersję brak.pnt\nBłąd: Nie można otworzyć pliku brak.pnt\n"),
              std::string::npos)
        << c.outtext;
    EXPECT_NE(c.outtext.find("Błąd: Nieobsługiwany format pliku\n"), std::string::npos);
    EXPECT_NE(c.outtext.find("Błąd: Nieobsługiwany typ pliku waypoint\n"), std::string::npos);
    const std::string last = "Przetworzono poprawnie 1 wpisów\n";
    EXPECT_EQ(c.outtext.substr(c.outtext.size() - last.size()), last);
    EXPECT_EQ(readfile(out), lsheadtext + "\"A\",520000000,210000000,0,0,0,1,1\r\n");
}

TEST_F(convertcli, outputthatcannotbewritten) {
    writefile(t / "a.pnt", head5 + "52,21,,,A\r\n");
    child c = run({"convert", "-o", "/dev/full", t / "a.pnt"});
    EXPECT_EQ(c.status, 1);
    EXPECT_NE(c.outtext.find("Błąd: Nie można zapisać pliku wynikowego /dev/full (brak miejsca na dysku)\n"),
              std::string::npos)
        << c.outtext;
    EXPECT_NE(c.outtext.find("Przetworzono poprawnie 0 wpisów\n"), std::string::npos);

    // The ids did not advance: the next run into a good file starts at 1.
    std::string out = t / "wynik.txt";
    c = run({"convert", "-o", out, t / "a.pnt"});
    EXPECT_EQ(readfile(out), lsheadtext + "\"A\",520000000,210000000,0,0,0,1,1\r\n");

    // A folder that does not exist.
    c = run({"convert", "-o", t / "brak/wynik.txt", t / "a.pnt"});
    EXPECT_EQ(c.status, 1);
    EXPECT_NE(c.outtext.find("Błąd: Nie można utworzyć pliku wynikowego " + t.path + "/brak/wynik.txt\n"),
              std::string::npos)
        << c.outtext;
}

}  // namespace
