// The grid-to-WGS84 transformation: the rounding rule as a table, the known
// grid points, failures, and agreement with PROJ's own cs2cs on random points
// across Poland.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "app/shell.h"
#include "core/app.h"
#include "poi/uamproj.h"
#include "tests/childproc.h"
#include "tests/scripted/scripted.h"
#include "ui/tk.h"

namespace {

TEST(uamproj, rounding) {
    struct row {
        double v;
        bool ok;
        std::int32_t units;
    };
    const row rows[] = {
        {189999999.5, true, 190000000},  // ties go to the even integer
        {189999998.5, true, 189999998},
        {189999998.4999, true, 189999998},
        {-0.5, true, 0},
        {-1.5, true, -2},
        {522229896.49, true, 522229896},
        {2147483647.4, true, 2147483647},
        {2147483647.5, false, 0},  // rounds to 2^31: does not fit
        {-2147483648.5, true, -2147483647 - 1},
        {-2147483649.0, false, 0},
        {HUGE_VAL, false, 0},
        {-HUGE_VAL, false, 0},
        {NAN, false, 0},
    };
    for (const row &r : rows) {
        std::int32_t u = 0;
        EXPECT_EQ(roundunits(r.v, u), r.ok) << r.v;
        if (r.ok) {
            EXPECT_EQ(u, r.units) << r.v;
        }
    }
    // Degrees are exact where they should be.
    std::int32_t u = 0;
    EXPECT_TRUE(radtounits(19 * M_PI / 180, u));
    EXPECT_EQ(u, 190000000);
    EXPECT_TRUE(radtounits(-M_PI, u));
    EXPECT_EQ(u, -1800000000);
}

struct projtest : ::testing::Test {
    void SetUp() override {
        scriptreset();
        freshprogram();
        ASSERT_TRUE(projinit());
    }
    void TearDown() override {
        projdone();
        EXPECT_FALSE(projheld());
    }
};

TEST_F(projtest, knowngridpoints) {
    struct row {
        std::int32_t x, y, lon, lat, tol;
    };
    const row rows[] = {
        {500000, -5300000, 190000000, 0, 0},          // the grid's origin
        {500000, 500000, 190000000, 523659476, 0},    // on the central meridian
        {637000, 486000, 210063000, 522230000, 200},  // Warsaw
    };
    for (const row &r : rows) {
        std::int32_t x = r.x, y = r.y;
        ASSERT_TRUE(projpoint(x, y)) << r.x << " " << r.y;
        EXPECT_NEAR(x, r.lon, r.tol) << r.x << " " << r.y;
        EXPECT_NEAR(y, r.lat, r.tol) << r.x << " " << r.y;
    }
    EXPECT_EQ(transcripttext(), "");
}

TEST_F(projtest, failedpointskeepstheirvaluesandsayso) {
    const std::int32_t bad[][2] = {{2000000000, 2000000000}, {-2147483647 - 1, 0}, {2147483647, -2147483647 - 1}};
    for (auto &b : bad) {
        std::int32_t x = b[0], y = b[1];
        scriptreset();
        EXPECT_FALSE(projpoint(x, y)) << b[0] << " " << b[1] << " gave " << x << " " << y;
        EXPECT_EQ(x, b[0]);
        EXPECT_EQ(y, b[1]);
        EXPECT_EQ(transcripttext(), "pane: Transformacja współrzędnych nie powiodła się\n");
        EXPECT_EQ(errorflag, 0);
    }
    // The systems still work after a failed point.
    std::int32_t x = 500000, y = -5300000;
    EXPECT_TRUE(projpoint(x, y));
    EXPECT_EQ(x, 190000000);
}

TEST_F(projtest, agreeswithcs2cs) {
    // Seeded grid points across Poland, with their expected results from cs2cs.
    std::string input;
    std::vector<std::pair<std::int32_t, std::int32_t>> pts;
    std::uint32_t s = 2026;
    auto next = [&s](std::uint32_t n) {
        s = s * 1664525u + 1013904223u;
        return (s >> 8) % n;
    };
    for (int i = 0; i < 400; ++i) {
        std::int32_t x = 160000 + std::int32_t(next(700000)), y = 130000 + std::int32_t(next(660000));
        pts.push_back({x, y});
        input += std::to_string(x) + " " + std::to_string(y) + "\n";
    }
    if (access("/usr/bin/cs2cs", X_OK) != 0) GTEST_SKIP() << "cs2cs is not installed (Debian package proj-bin)";
    child c =
        childrun({"/usr/bin/cs2cs", "-f", "%.10f", "+proj=tmerc", "+lat_0=0", "+lon_0=19", "+k=0.9993", "+x_0=500000",
                  "+y_0=-5300000", "+ellps=GRS80", "+units=m", "+to", "+proj=latlong", "+ellps=WGS84"},
                 {}, input, 30000);
    ASSERT_EQ(c.status, 0) << c.errtext;
    std::istringstream lines(c.outtext);
    for (auto [x0, y0] : pts) {
        double lon, lat, h;
        ASSERT_TRUE(lines >> lon >> lat >> h);
        std::int32_t x = x0, y = y0;
        ASSERT_TRUE(projpoint(x, y));
        EXPECT_LE(std::fabs(x - lon * 1e7), 1.0) << x0 << " " << y0;
        EXPECT_LE(std::fabs(y - lat * 1e7), 1.0) << x0 << " " << y0;
        EXPECT_GT(y, 485000000);
        EXPECT_LT(y, 552000000);
    }
}

}  // namespace
