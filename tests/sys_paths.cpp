// Path helpers, the program folder and the file-system edge.

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "sys/paths.h"
#include "tests/testfiles.h"
#include "text/cp1250.h"
#include "text/strutil.h"

namespace {

struct pathrow {
    const char *in, *dir, *name, *noext, *ext;
};

// Inputs with "\" and ":" as written on Windows; the same rows are checked
// again with "/" in place of "\".
const pathrow pathrows[] = {
    {"plik.txt", "", "plik.txt", "plik", ".txt"},
    {"c:", "c:", "", "c:", ""},
    {"c:\\a\\b.txt", "c:\\a\\", "b.txt", "c:\\a\\b", ".txt"},
    {"C:\\Baza\\TBA1.TXT", "C:\\Baza\\", "tba1.txt", "C:\\Baza\\TBA1", ".txt"},
    {"C:\\Dane\\PUNKTY.UAM", "C:\\Dane\\", "punkty.uam", "C:\\Dane\\PUNKTY", ".uam"},
    {"a.b", "", "a.b", "a", ".b"},
    {"ab.", "", "ab.", "ab", "."},
    {"ab", "", "ab", "ab", ""},
    {".txt", "", ".txt", "", ".txt"},
    {"c:\\x.y\\name", "c:\\x.y\\", "name", "c:\\x.y\\name", ""},
    {"c:\\dir\\", "c:\\dir\\", "", "c:\\dir\\", ""},
    {"", "", "", "", ""},
    {"a\\b", "a\\", "b", "a\\b", ""},
    {".", "", ".", ".", ""},
    {"x\\.a", "x\\", ".a", "x\\", ".a"},
};

std::string slashed(std::string s) {
    for (char &c : s)
        if (c == '\\') c = '/';
    return s;
}

void checkrow(const pathrow &r, bool slashes) {
    auto conv = [&](const char *s) { return slashes ? slashed(s) : std::string(s); };
    shortstr in = conv(r.in);
    SCOPED_TRACE(in.str());
    EXPECT_EQ(dirpart(in).str(), conv(r.dir));
    EXPECT_EQ(nameof(in).str(), conv(r.name));
    EXPECT_EQ(stripext(in).str(), conv(r.noext));
    EXPECT_EQ(extof(in).str(), conv(r.ext));
}

TEST(paths, takeapart) {
    textinit();
    for (const pathrow &r : pathrows) checkrow(r, false);
}

TEST(paths, takeapartslashes) {
    textinit();
    for (const pathrow &r : pathrows) checkrow(r, true);
}

TEST(paths, lowercasepolish) {
    textinit();
    shortstr p = "/dane/ŻÓŁW.ĄĘ"_pl;
    EXPECT_EQ(nameof(p), "żółw.ąę"_pl);
    EXPECT_EQ(extof(p), ".ąę"_pl);
    EXPECT_EQ(stripext(p), "/dane/ŻÓŁW"_pl);
}

TEST(paths, fileexists) {
    tempdir t;
    writefile(t / "f.txt", "x");
    EXPECT_FALSE(fileexists(""));
    EXPECT_TRUE(fileexists(shortstr(t.path)));
    EXPECT_TRUE(fileexists(shortstr(t.path + "/")));
    EXPECT_TRUE(fileexists(shortstr(t / "f.txt")));
    EXPECT_FALSE(fileexists(shortstr(t / "missing.txt")));
    // A zero byte inside a path must not let the system see only the part
    // before it (here: the existing folder).
    std::string withnul = t.path + std::string("\0junk", 5);
    EXPECT_FALSE(fileexists(shortstr(withnul)));
}

TEST(paths, deletefile) {
    tempdir t;
    std::string ro = t / "ro.txt";
    writefile(ro, "x");
    chmod(ro.c_str(), 0444);
    EXPECT_EQ(deletefile(shortstr(ro)), 0);
    EXPECT_FALSE(existsfile(ro));
    EXPECT_NE(deletefile(shortstr(t / "missing.txt")), 0);
    EXPECT_NE(deletefile(shortstr(t.path)), 0);  // a folder is not a file
    EXPECT_TRUE(existsfile(t.path));

    // Deleting a link removes the link and leaves its target as it was.
    std::string target = t / "target.txt", link = t / "link.txt";
    writefile(target, "x");
    chmod(target.c_str(), 0444);
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    EXPECT_EQ(deletefile(shortstr(link)), 0);
    struct stat st;
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
}

TEST(paths, fromsys) {
    struct row {
        std::string sys;
        bool ok;
        std::string cp;      // expected code page 1250 path when ok
        std::string reason;  // part of the reason (UTF-8) when refused
    };
    const std::string a255(255, 'a'), a256(256, 'a');
    std::string pl255, pl256;  // 255 / 256 Polish letters: 2 bytes each in UTF-8, 1 in code page 1250
    for (int i = 0; i < 255; i++) pl255 += "ż";
    pl256 = pl255 + "ż";
    const row rows[] = {
        {"/tmp/zażółć gęślą jaźń", true, "/tmp/zażółć gęślą jaźń"_pl.str(), ""},
        {a255, true, a255, ""},
        {pl255, true, std::string(255, char(0xBF)), ""},
        {"", true, "", ""},
        {a256, false, "", "za długa"},
        {pl256, false, "", "za długa"},
        {"/tmp/日本", false, "", "strony kodowej"},
        {"/tmp/\xff\xfe", false, "", "strony kodowej"},
        {std::string("/tmp/a\0b", 8), false, "", "kodzie 0"},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.sys);
        shortstr out = "stale", why = "stale";
        EXPECT_EQ(pathfromsys(r.sys, out, why), r.ok);
        if (r.ok) {
            EXPECT_EQ(out.str(), r.cp);
            EXPECT_TRUE(why.empty());
        } else {
            EXPECT_TRUE(out.empty());
            EXPECT_NE(utf8fromcp1250(why.view()).find(r.reason), std::string::npos) << utf8fromcp1250(why.view());
        }
    }
}

TEST(paths, abspath) {
    char cwd[PATH_MAX];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    shortstr out, why;
    ASSERT_TRUE(abspathfromsys("wynik.txt", out, why));
    EXPECT_EQ(out.str(), std::string(cwd) + "/wynik.txt");
    ASSERT_TRUE(abspathfromsys("/x/wynik.txt", out, why));
    EXPECT_EQ(out.str(), "/x/wynik.txt");
    // The joined path is what must fit.
    std::string rel(255 - std::string(cwd).size(), 'a');
    EXPECT_FALSE(abspathfromsys(rel, out, why));
}

// Polish names reach the disk as UTF-8 and come back.
TEST(paths, fsedge) {
    tempdir t;
    shortstr dir = shortstr(t.path) + "/żółw"_pl;
    EXPECT_EQ(fsmkdir(dir), 0);
    EXPECT_NE(fsmkdir(dir), 0);
    EXPECT_TRUE(existsfile(t / "żółw"));
    shortstr f = dir + "/ąę.txt"_pl;
    std::FILE *h = fsopen(f, "wb");
    ASSERT_TRUE(h);
    std::fputs("abc", h);
    std::fclose(h);
    EXPECT_EQ(readfile(t / "żółw/ąę.txt"), "abc");
    EXPECT_EQ(pathtosys(f), t / "żółw/ąę.txt");

    shortstr g = dir + "/nowy.txt";
    EXPECT_EQ(fsrename(f, g), 0);
    EXPECT_FALSE(fileexists(f));
    EXPECT_NE(fsrename(f, g), 0);

    // fscreatenew makes only a file that did not exist.
    EXPECT_EQ(fscreatenew(g), nullptr);
    shortstr n = dir + "/nowszy.txt";
    std::FILE *c = fscreatenew(n);
    ASSERT_TRUE(c);
    std::fputs("x", c);
    EXPECT_EQ(fsclosesync(c), 0);
    EXPECT_EQ(readfile(t / "żółw/nowszy.txt"), "x");
}

TEST(paths, progdir) {
    {
        homeenv h("/tmp/trelik home");
        progdirinit();
        EXPECT_EQ(progdir(), "/tmp/trelik home/");
        EXPECT_TRUE(progdirerror().empty());
    }
    {
        homeenv h("/tmp/żółw/");
        progdirinit();
        EXPECT_EQ(progdir(), "/tmp/żółw/"_pl);
    }
    {
        homeenv h("dane");
        progdirinit();
        char cwd[PATH_MAX];
        ASSERT_TRUE(getcwd(cwd, sizeof cwd));
        EXPECT_EQ(progdir().str(), std::string(cwd) + "/dane/");
    }
    struct bad {
        std::string home, reason;
    };
    const bad bads[] = {
        {"/tmp/日本", "strony kodowej"},
        {"/" + std::string(300, 'a'), "za długa"},
        // Room must be left for the names of the program's files.
        {"/" + std::string(progdirmax - 1, 'a'), "za długa"},
    };
    for (const bad &b : bads) {
        homeenv h(b.home);
        progdirinit();
        EXPECT_TRUE(progdir().empty());
        std::string why = utf8fromcp1250(progdirerror().view());
        EXPECT_NE(why.find("TRELIK_HOME"), std::string::npos) << why;
        EXPECT_NE(why.find(b.reason), std::string::npos) << why;
    }
    {
        homeenv h("/" + std::string(progdirmax - 2, 'a'));
        progdirinit();
        EXPECT_EQ(progdir().size(), progdirmax);
    }
    {
        // Without TRELIK_HOME: the folder of the program's own file.
        homeenv h("");
        unsetenv("TRELIK_HOME");
        progdirinit();
        char exe[PATH_MAX];
        ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
        ASSERT_GT(n, 0);
        std::string self(exe, std::size_t(n));
        EXPECT_EQ(progdir().str(), self.substr(0, self.rfind('/') + 1));
    }
    progdirinit();
}

}  // namespace
