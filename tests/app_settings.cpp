// The settings file trelik.cfg: reading every length and content, writing
// the exact layout, and saving without ever damaging the old file.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdint>
#include <string>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/settings.h"
#include "app/shell.h"
#include "core/app.h"
#include "sys/paths.h"
#include "tests/testfiles.h"

namespace {

std::string le32(std::int32_t v) {
    std::uint32_t u = std::uint32_t(v);
    return std::string{char(u), char(u >> 8), char(u >> 16), char(u >> 24)};
}

// A settings file image: the two numbers, the length byte and the path
// field filled up to 255 bytes with fill.
std::string image(std::int32_t next, std::int32_t user, const std::string &path, char fill = 0) {
    std::string s = le32(next) + le32(user) + char(path.size()) + path;
    s.resize(264, fill);
    return s;
}

struct settingstest : ::testing::Test {
    tempdir t;
    homeenv h{t.path};
    std::string cfg = t / "trelik.cfg";
    shortstr defout;
    void SetUp() override {
        freshprogram();
        defout = outputfile;
    }
    void TearDown() override { progdirinit(); }
};

TEST_F(settingstest, defaultoutput) { EXPECT_EQ(outputfile.str(), t.path + "/wynikowe poi dla loadstone.txt"); }

TEST_F(settingstest, loadlengths) {
    const std::string full = image(17, 42, "/dane/wynik.txt", 'z');
    struct row {
        const char *what;
        std::string file;  // contents; "-" for no file
        std::int32_t next, user;
        std::string out;  // "" = the default output file, "<empty>" = empty
    };
    const row rows[] = {
        {"no file", "-", 1, 1, ""},
        {"empty", "", 1, 1, ""},
        {"4 bytes", full.substr(0, 4), 17, 1, ""},
        {"6 bytes", full.substr(0, 6), 17, 1, ""},
        {"8 bytes", full.substr(0, 8), 17, 42, ""},
        {"263 bytes", full.substr(0, 263), 17, 42, ""},
        {"264 bytes", full, 17, 42, "/dane/wynik.txt"},
        {"longer", full + std::string(100, 'q'), 17, 42, "/dane/wynik.txt"},
        // Values out of their ranges keep the default, each on its own.
        {"negative and zero", image(-5, 0, "x"), 1, 1, "x"},
        {"empty path", image(3, 4, ""), 3, 4, "<empty>"},
        {"extremes", image(INT32_MIN, INT32_MAX, std::string(255, 'p')), 1, 1, std::string(255, 'p')},
        {"largest", image(INT32_MAX, 65535, "x"), INT32_MAX, 65535, "x"},
        {"user past 16 bits", image(9, 65536, "x"), 9, 1, "x"},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.what);
        freshprogram();
        unlink(cfg.c_str());
        if (r.file != "-") writefile(cfg, r.file);
        loadsettings();
        EXPECT_EQ(nextpointid, r.next);
        EXPECT_EQ(userid, r.user);
        EXPECT_EQ(outputfile.str(), r.out.empty() ? defout.str() : r.out == "<empty>" ? "" : r.out);
    }
}

TEST_F(settingstest, savelayout) {
    nextpointid = 0x01020304;
    userid = -2;
    outputfile = "/dane/żółw.txt"_pl;
    savesettings();
    std::string s = readfile(cfg);
    ASSERT_EQ(s.size(), 264u);
    EXPECT_EQ(s, image(0x01020304, -2, "/dane/żółw.txt"_pl.str()));
    EXPECT_FALSE(existsfile(t / "trelik.tmp"));
}

TEST_F(settingstest, roundtrip) {
    // A file holding next point id 17 survives a load and a save unchanged.
    const std::string old = image(17, 1, outputfile.str());
    writefile(cfg, old);
    nextpointid = 1;
    loadsettings();
    EXPECT_EQ(nextpointid, 17);
    savesettings();
    EXPECT_EQ(readfile(cfg), old);
}

TEST_F(settingstest, longerfileshrinks) {
    writefile(cfg, image(5, 6, "a") + std::string(50, 'x'));
    loadsettings();
    savesettings();
    EXPECT_EQ(readfile(cfg), image(5, 6, "a"));
}

TEST_F(settingstest, leftovertempreplaced) {
    writefile(t / "trelik.tmp", "stale");
    nextpointid = 9;
    savesettings();
    EXPECT_EQ(readfile(cfg).size(), 264u);
    EXPECT_FALSE(existsfile(t / "trelik.tmp"));
}

// The new file cannot be made (its name is taken by a folder): the old file
// stays whole.
TEST_F(settingstest, cannotcreatekeepsold) {
    const std::string old = image(17, 2, "stary");
    writefile(cfg, old);
    ASSERT_EQ(mkdir((t / "trelik.tmp").c_str(), 0755), 0);
    nextpointid = 99;
    savesettings();
    EXPECT_EQ(readfile(cfg), old);
}

// The disk fills while writing: the old file stays whole and the partial
// new one is removed.
TEST_F(settingstest, writefailurekeepsold) {
    const std::string old = image(17, 2, "stary");
    writefile(cfg, old);
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    auto oldsig = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    nextpointid = 99;
    savesettings();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldsig);
    EXPECT_EQ(readfile(cfg), old);
    EXPECT_FALSE(existsfile(t / "trelik.tmp"));
}

TEST_F(settingstest, cfgfolderignored) {
    ASSERT_EQ(mkdir(cfg.c_str(), 0755), 0);
    nextpointid = 5;
    loadsettings();
    EXPECT_EQ(nextpointid, 5);
    savesettings();
    struct stat st;
    ASSERT_EQ(stat(cfg.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_FALSE(existsfile(t / "trelik.tmp"));
}

TEST_F(settingstest, missingfoldersilent) {
    homeenv gone(t / "nie ma");
    progdirinit();
    nextpointid = 5;
    loadsettings();
    savesettings();
    EXPECT_EQ(nextpointid, 5);
    EXPECT_FALSE(existsfile(t / "nie ma"));
}

// A read-only file gives its values; saving leaves it and says it failed.
TEST_F(settingstest, readonlyfileisreadnotreplaced) {
    const std::string old = image(17, 2, "stary");
    writefile(cfg, old);
    chmod(cfg.c_str(), 0444);
    auto check = [&] {
        loadsettings();
        bool ok = nextpointid == 17 && userid == 2 && outputfile.view() == "stary";
        nextpointid = 30;
        ok = !savesettings() && ok;
        return ok && readfile(cfg) == old;
    };
    if (geteuid() != 0) {
        EXPECT_TRUE(check());
        return;
    }
    // Root may write any file: check it as an ordinary user in a child.
    chmod(t.path.c_str(), 0777);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
        _exit(check() ? 0 : 1);
    }
    int st = 0;
    ASSERT_EQ(waitpid(pid, &st, 0), pid);
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 0) << "2: could not become an ordinary user";
}

}  // namespace
