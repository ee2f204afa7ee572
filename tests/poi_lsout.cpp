// The Loadstone writer: header, appending, the line layout, skipped points,
// a last line left without its end, and writes the system refuses.

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <string>

#include <sys/resource.h>

#include "app/shell.h"
#include "core/app.h"
#include "poi/lsout.h"
#include "tests/lscheck.h"
#include "tests/scripted/scripted.h"
#include "tests/testfiles.h"
#include "text/cp1250.h"
#include "ui/tk.h"

namespace {

struct lsouttest : ::testing::Test {
    tempdir t;
    std::string out = t / "wynik.txt";
    void SetUp() override {
        scriptreset();
        freshprogram();
        outputfile = shortstr(out);
    }
    void TearDown() override { closeoutput(); }
    void point(const std::string &name, std::int32_t lat, std::int32_t lon) {
        clearpoi();
        curpoi.name = shortstr(cp1250fromutf8(name));
        curpoi.lat = lat;
        curpoi.lon = lon;
        writepoint();
    }
};

TEST_F(lsouttest, newfilegetsheaderandlines) {
    userid = 7;
    nextpointid = 17;
    ASSERT_TRUE(openoutput());
    point("apteka centrum", 522296756, 210122287);
    point("sydney", -338674000, 1512093000);
    ASSERT_TRUE(closeoutput());
    EXPECT_EQ(readfile(out), lsheadtext +
                                 "\"apteka centrum\",522296756,210122287,0,0,0,7,17\r\n"
                                 "\"sydney\",-338674000,1512093000,0,0,0,7,18\r\n");
    EXPECT_EQ(nextpointid, 19);
    EXPECT_EQ(writtencount, 2);
}

TEST_F(lsouttest, appendingrunscontinuetheids) {
    ASSERT_TRUE(openoutput());
    point("a", 1, 2);
    closeoutput();
    ASSERT_TRUE(openoutput());
    point("b", 3, 4);
    closeoutput();
    EXPECT_EQ(readfile(out), lsheadtext + "\"a\",1,2,0,0,0,1,1\r\n\"b\",3,4,0,0,0,1,2\r\n");

    // An existing empty file gets no header.
    writefile(out, "");
    ASSERT_TRUE(openoutput());
    point("c", 0, 0);
    closeoutput();
    EXPECT_EQ(readfile(out), "\"c\",0,0,0,0,0,1,3\r\n");
}

TEST_F(lsouttest, namesandskippedpoints) {
    ASSERT_TRUE(openoutput());
    point(std::string(80, 'n'), 1, 1);
    point("", 5, 5);
    point("ł", INT_MIN, INT_MAX);
    closeoutput();
    EXPECT_EQ(readfile(out), lsheadtext + "\"" + std::string(75, 'n') + "\",1,1,0,0,0,1,1\r\n" +
                                 "\"\xb3\",-2147483648,2147483647,0,0,0,1,2\r\n");
    EXPECT_EQ(skippedcount, 1);
    EXPECT_EQ(writtencount, 2);
    EXPECT_EQ(nextpointid, 3);
}

TEST_F(lsouttest, lastlinewithoutitsendisended) {
    writefile(out, "\"stary\",1,1,0,0,0,1,1");
    // A run that writes nothing leaves the file as it was.
    ASSERT_TRUE(openoutput());
    point("", 0, 0);
    closeoutput();
    EXPECT_EQ(readfile(out), "\"stary\",1,1,0,0,0,1,1");

    ASSERT_TRUE(openoutput());
    point("nowy", 2, 2);
    point("drugi", 3, 3);
    closeoutput();
    EXPECT_EQ(readfile(out), "\"stary\",1,1,0,0,0,1,1\r\n\"nowy\",2,2,0,0,0,1,1\r\n\"drugi\",3,3,0,0,0,1,2\r\n");
}

TEST_F(lsouttest, outputthatcannotbemade) {
    outputfile = shortstr(t / "brak/wynik.txt");
    EXPECT_FALSE(openoutput());
    EXPECT_EQ(errorflag, 1);
    EXPECT_EQ(transcript().front(), "pane: Błąd: Nie można utworzyć pliku wynikowego " + t.path + "/brak/wynik.txt");
}

TEST_F(lsouttest, fulldiskloseslinesfromthecounts) {
    outputfile = shortstr("/dev/full");
    ASSERT_TRUE(openoutput());
    point("a", 1, 1);
    EXPECT_FALSE(closeoutput());
    EXPECT_EQ(errorflag, 1);
    EXPECT_EQ(writtencount, 0);
    EXPECT_EQ(nextpointid, 1);
    EXPECT_EQ(transcript().front(), "pane: Błąd: Nie można zapisać pliku wynikowego /dev/full (brak miejsca na dysku)");
}

TEST_F(lsouttest, writefailureinthemiddlekeepswholelines) {
    // The file may grow to 100000 bytes; the rest of the run is refused.
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit lim = old;
    lim.rlim_cur = 100000;
    auto oldsig = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
    ASSERT_TRUE(openoutput());
    int handed = 0;
    for (int i = 0; i < 10000 && !errorflag; ++i, ++handed) point("punkt numer " + std::to_string(i), i, -i);
    closeoutput();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldsig);

    EXPECT_EQ(errorflag, 1);
    std::string data = readfile(out);
    ASSERT_LE(data.size(), 100000u);
    ASSERT_FALSE(data.empty());
    // Whole lines only, the last carrying the last id counted.
    int lines = lspoints(data, 1, 1);
    EXPECT_EQ(writtencount, lines);
    EXPECT_EQ(nextpointid, 1 + lines);
    EXPECT_LT(writtencount, handed);
}

TEST_F(lsouttest, idsneverwrap) {
    nextpointid = INT_MAX - 1;
    ASSERT_TRUE(openoutput());
    point("a", 1, 1);
    point("b", 1, 1);
    closeoutput();
    EXPECT_EQ(nextpointid, INT_MAX);
    EXPECT_EQ(writtencount, 1);
    EXPECT_EQ(errorflag, 1);
    EXPECT_EQ(readfile(out), lsheadtext + "\"a\",1,1,0,0,0,1,2147483646\r\n");
}

}  // namespace
