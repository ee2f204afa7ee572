// The sample point files and their generators: each committed sample is exactly
// what its generator makes from its seed; the point-file sample converts
// completely through `trelik convert`, the point-file generator's two formats
// carry the same points, and the AutoMapa generator lays its records out right
// with points inside Poland.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <proj.h>
#include <sys/stat.h>

#include "tests/childproc.h"
#include "tests/lscheck.h"
#include "tests/testfiles.h"

namespace {

std::string builddir() { return std::getenv("TRELIK_BUILD"); }
// The source tree, as the build knows it.
std::string sourcedir() { return TRELIK_SOURCE_DIR; }
std::string sample() { return sourcedir() + "/samples/punkty.pnt"; }

// Runs a generator (mkpnt, mkuam) with the arguments; true when it succeeded.
bool maketool(const std::string &tool, std::vector<std::string> args) {
    args.insert(args.begin(), builddir() + "/" + tool);
    child c = childrun(args, {}, "", 60000);
    return c.status == 0;
}
bool mkpnt(std::vector<std::string> args) { return maketool("mkpnt", std::move(args)); }
bool mkuam(std::vector<std::string> args) { return maketool("mkuam", std::move(args)); }

std::int32_t le32(const std::string &s, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; i--) v = v << 8 | std::uint8_t(s[at + std::size_t(i)]);
    return std::int32_t(v);
}

// The lines of a CR LF text, without their line ends.
std::vector<std::string> crlflines(const std::string &text) {
    std::vector<std::string> r;
    std::size_t p = 0, e;
    while ((e = text.find("\r\n", p)) != std::string::npos) {
        r.push_back(text.substr(p, e - p));
        p = e + 2;
    }
    EXPECT_EQ(p, text.size()) << "text after the last line end";
    return r;
}

std::vector<std::string> fields(const std::string &line) {
    std::vector<std::string> r;
    std::stringstream s(line);
    std::string f;
    while (std::getline(s, f, ',')) r.push_back(f);
    return r;
}

TEST(poisample, thesampleiswhatthegeneratormakes) {
    tempdir t;
    ASSERT_TRUE(mkpnt({"--seed", "10", "--points", "40", t / "a.pnt"}));
    std::string made = readfile(t / "a.pnt");
    EXPECT_EQ(readfile(sample()), made) << "samples/punkty.pnt differs from mkpnt --seed 10 --points 40";

    // Same seed, same bytes; another seed, other points.
    ASSERT_TRUE(mkpnt({"--seed", "10", "--points", "40", t / "b.pnt"}));
    EXPECT_EQ(readfile(t / "b.pnt"), made);
    ASSERT_TRUE(mkpnt({"--seed", "11", "--points", "40", t / "c.pnt"}));
    EXPECT_NE(readfile(t / "c.pnt"), made);

    // Bad arguments fail without leaving a file.
    EXPECT_FALSE(mkpnt({"--points", "x", t / "d.pnt"}));
    EXPECT_FALSE(mkpnt({"--format", "gpx", t / "d.pnt"}));
    EXPECT_FALSE(existsfile(t / "d.pnt"));

    // A full device fails the run and stays a device: it is written, never
    // replaced by a renamed file.
    EXPECT_FALSE(mkpnt({"--points", "10", "/dev/full"}));
    struct stat st;
    ASSERT_EQ(stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST(poisample, thesampleconvertscompletely) {
    tempdir t;
    std::string out = t / "wynik.txt";
    child c = childrun({builddir() + "/trelik", "convert", "-o", out, "-i", "1", sample()}, {{"TRELIK_HOME", t.path}},
                       "", 30000);
    EXPECT_EQ(c.status, 0) << c.outtext << c.errtext;
    EXPECT_NE(c.outtext.find("Pominięto 0 wpisów\nPrzetworzono poprawnie 40 wpisów\n"), std::string::npos) << c.outtext;

    EXPECT_EQ(lspoints(readfile(out), 1, 1), 40);
    std::vector<std::string> lines = crlflines(readfile(out));
    for (std::size_t i = 2; i < lines.size(); i++) {
        // Names without commas inside, coordinates inside Poland.
        std::vector<std::string> f = fields(lines[i]);
        ASSERT_EQ(f.size(), 8u) << lines[i];
        long lat = std::stol(f[1]), lon = std::stol(f[2]);
        EXPECT_TRUE(lat > 490000000 && lat < 549000000) << lines[i];
        EXPECT_TRUE(lon > 141000000 && lon < 241000000) << lines[i];
    }
}

TEST(poisample, bothformatscarrythesamepoints) {
    tempdir t;
    const int n = 2000;
    ASSERT_TRUE(mkpnt({"--seed", "3", "--points", std::to_string(n), t / "a.pnt"}));
    ASSERT_TRUE(mkpnt({"--seed", "3", "--points", std::to_string(n), "--format", "wpt", t / "a.wpt"}));
    std::string pnttext = readfile(t / "a.pnt");
    std::vector<std::string> pnt = crlflines(pnttext), wpt = crlflines(readfile(t / "a.wpt"));
    ASSERT_EQ(pnt.size(), 5u + n);
    ASSERT_EQ(wpt.size(), 4u + n);
    EXPECT_EQ(pnt[0], "OziExplorer Point File Version 1.0");
    EXPECT_EQ(wpt[0], "OziExplorer Waypoint File Version 1.1");

    // The benchmark's size: 70 to 110 bytes a point.
    EXPECT_GE(pnttext.size(), 70u * n);
    EXPECT_LE(pnttext.size(), 110u * n);

    for (int i = 0; i < n; i++) {
        std::vector<std::string> p = fields(pnt[5 + i]), w = fields(wpt[4 + i]);
        ASSERT_GE(p.size(), 7u) << pnt[5 + i];
        ASSERT_EQ(w.size(), 18u) << wpt[4 + i];
        EXPECT_EQ(w[0], std::to_string(i + 1));
        EXPECT_EQ(w[2], p[0]);
        EXPECT_EQ(w[3], p[1]);
        EXPECT_EQ(w[1], p[4]);
    }
}

TEST(poisample, theautomapasampleiswhatthegeneratormakes) {
    tempdir t;
    const std::size_t n = 40, reclen = 362;
    ASSERT_TRUE(mkuam({"--seed", "10", "--records", "40", "--pairs", t / "a.txt", t / "a.uam"}));
    std::string made = readfile(t / "a.uam");
    EXPECT_EQ(readfile(sourcedir() + "/samples/punkty.uam"), made)
        << "samples/punkty.uam differs from mkuam --seed 10 --records 40";

    // Same seed, same bytes; another seed, other records; --declared changes
    // only the count.
    ASSERT_TRUE(mkuam({"--seed", "10", "--records", "40", t / "b.uam"}));
    EXPECT_EQ(readfile(t / "b.uam"), made);
    ASSERT_TRUE(mkuam({"--seed", "11", "--records", "40", t / "c.uam"}));
    EXPECT_NE(readfile(t / "c.uam"), made);
    ASSERT_TRUE(mkuam({"--seed", "10", "--records", "40", "--declared", "-3", t / "d.uam"}));
    std::string declared = readfile(t / "d.uam");
    ASSERT_EQ(declared.size(), made.size());
    EXPECT_EQ(le32(declared, 4), -3);
    EXPECT_EQ(declared.substr(8), made.substr(8));

    // Bad arguments fail without leaving a file; so does a full device, which
    // stays a device.
    EXPECT_FALSE(mkuam({"--records", "-1", t / "e.uam"}));
    EXPECT_FALSE(mkuam({"--declared", "2147483648", t / "e.uam"}));
    EXPECT_FALSE(mkuam({"--pairs", t / "e.txt"}));
    EXPECT_FALSE(mkuam({"--records", "10", "--pairs", t / "e.txt", "/dev/full"}));
    for (const char *name : {"e.uam", "e.uam.part", "e.txt", "e.txt.part"}) EXPECT_FALSE(existsfile(t / name)) << name;
    struct stat st;
    ASSERT_EQ(stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));

    // Signature, count and records; the pairs are the records' integers.
    ASSERT_EQ(made.size(), 8 + n * reclen);
    EXPECT_EQ(made.substr(0, 4), "\xBB\x22\xD5\x3F");
    EXPECT_EQ(le32(made, 4), 40);
    std::stringstream pairs(readfile(t / "a.txt"));
    std::string line;
    std::size_t lines = 0;
    PJ_CONTEXT *ctx = proj_context_create();
    PJ *grid = proj_create(ctx,
                           "+proj=tmerc +lat_0=0 +lon_0=19 +k=0.9993 +x_0=500000 +y_0=-5300000 "
                           "+ellps=GRS80 +units=m");
    PJ *geo = proj_create(ctx, "+proj=latlong +ellps=WGS84");
    ASSERT_TRUE(grid && geo);
    while (std::getline(pairs, line)) {
        ASSERT_LT(lines, n);
        std::size_t at = 8 + lines * reclen;
        std::int32_t east = le32(made, at), north = le32(made, at + 4);
        EXPECT_EQ(line, std::to_string(east) + " " + std::to_string(north));
        PJ_COORD c = proj_trans(grid, PJ_INV, proj_coord(east, north, 0, 0));
        c = proj_trans(geo, PJ_FWD, c);
        double lon = c.v[0] * 180 / M_PI, lat = c.v[1] * 180 / M_PI;
        EXPECT_TRUE(lat > 49.0 && lat < 54.9 && lon > 14.1 && lon < 24.2)
            << "record " << lines << ": " << lat << " " << lon;
        lines++;
    }
    EXPECT_EQ(lines, n);
    proj_destroy(geo);
    proj_destroy(grid);
    proj_context_destroy(ctx);
}

}  // namespace
