// The ids and the output file when the program is not alone or not treated
// kindly: two programs on one output file or one settings folder, a file
// size limit, a FIFO, settings that cannot be written, control bytes in
// names. The real program, as child processes.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/childproc.h"
#include "tests/clirun.h"
#include "tests/lscheck.h"
#include "tests/testfiles.h"

namespace {

using strings = std::vector<std::string>;
using envlist = std::vector<std::pair<std::string, std::string>>;

constexpr int timeoutms = 120000;
const std::string build = std::getenv("TRELIK_BUILD") ? std::getenv("TRELIK_BUILD") : ".";
const std::string head5 = "OziExplorer Point File Version 1.0\r\nWGS 84\r\nr1\r\nr2\r\nr3\r\n";

std::string points(int from, int n) {
    std::string s;
    for (int i = from; i < from + n; ++i)
        s += "52." + std::to_string(100000 + i) + ",21.5,,,Punkt,nr" + std::to_string(i) + "\r\n";
    return s;
}

// The next id kept in trelik.cfg; -1 when it is not 264 bytes.
long long cfgnext(const std::string &cfg) {
    std::string s = readfile(cfg);
    if (s.size() != 264) return -1;
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | (unsigned char)s[i];
    return std::int32_t(v);
}

// True once another process holds the file's lock.
bool lockedbyother(const std::string &path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool held = flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    close(fd);
    return held;
}

struct integrity : ::testing::Test {
    tempdir t;
    std::string home = t / "a", home2 = t / "b", out = t / "wynik.txt";
    void SetUp() override {
        std::filesystem::create_directory(home);
        std::filesystem::create_directory(home2);
    }
    child run(const std::string &h, strings args) {
        args.insert(args.begin(), build + "/trelik");
        return childrun(args, {{"TRELIK_HOME", h}}, "", timeoutms);
    }
};

// A run holds its output file and its settings folder for as long as it
// works: a second run into the same file (from another folder, by any
// conversion) or from the same folder stops before writing, and the first
// run's file holds its own points only, with one header and unique ids.
TEST_F(integrity, secondrunisrefusedwhileoneworks) {
    writefile(t / "b.pnt", head5 + points(0, 50));
    writefile(t / "tba001.txt",
              "textbase kwz part 1\r\nkorektor \r\n\r\np 210000000 520000000\r\nk apteka\r\nn X\r\n\r\n"
              "textbaseend part 1\r\n");
    struct row {
        const char *what;
        bool existing;    // the output file is there (empty) before the first run
        strings second;   // the second run's arguments
        bool samefolder;  // from the first run's settings folder
    };
    const row rows[] = {
        {"new file, .pnt", false, {"convert", "-o", out, t / "b.pnt"}, false},
        {"existing file, textbase", true, {"convert-textbase", "-o", out, t / "tba001.txt"}, false},
        {"same settings folder", false, {"convert", "-o", t / "inny.txt", t / "b.pnt"}, true},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.what);
        std::filesystem::remove(out);
        std::filesystem::remove(t / "a.pnt");
        if (r.existing) writefile(out, "");
        ASSERT_EQ(mkfifo((t / "a.pnt").c_str(), 0600), 0);
        // The first run reads a FIFO, so it waits, holding its files, until
        // the test writes the rest of its points.
        child a;
        ASSERT_TRUE(
            childstart(a, {build + "/trelik", "convert", "-o", out, "-i", "1", t / "a.pnt"}, {{"TRELIK_HOME", home}}));
        int fifo = open((t / "a.pnt").c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_GE(fifo, 0);
        std::string first = head5 + points(0, 20000);
        ASSERT_EQ(write(fifo, first.data(), 4096), 4096);
        auto deadline = childclock::now() + std::chrono::milliseconds(timeoutms);
        while (!lockedbyother(out) && childclock::now() < deadline) usleep(1000);
        ASSERT_TRUE(lockedbyother(out));

        child b = run(r.samefolder ? home : home2, r.second);
        EXPECT_EQ(b.status, 1);
        std::string told = r.samefolder ? "Program Trelik już działa z tym folderem ustawień: " + home + "/"
                                        : "Plik wynikowy jest używany przez inny proces: " + out;
        EXPECT_NE((b.outtext + b.errtext).find(told), std::string::npos) << b.outtext << b.errtext;
        EXPECT_FALSE(existsfile(t / "inny.txt"));

        ASSERT_EQ(write(fifo, first.data() + 4096, first.size() - 4096), ssize_t(first.size() - 4096));
        close(fifo);
        childfinish(a, "", timeoutms);
        EXPECT_EQ(a.status, 0) << a.errtext;
        std::string o = readfile(out);
        if (r.existing) o = lsheadtext + o;  // an existing file gets no header
        EXPECT_EQ(lspoints(o, 1, 1), 20000);
        EXPECT_EQ(cfgnext(home + "/trelik.cfg"), 20001);
    }
}

// The output is opened without waiting: a FIFO is refused at once; the
// character devices stay usable.
TEST_F(integrity, outputmustbeafileoradevice) {
    writefile(t / "b.pnt", head5 + points(0, 3));
    ASSERT_EQ(mkfifo(out.c_str(), 0600), 0);
    child c = run(home, {"convert", "-o", out, t / "b.pnt"});
    EXPECT_FALSE(c.timedout);
    EXPECT_EQ(c.status, 1);
    EXPECT_NE(c.outtext.find("Błąd: Plik wynikowy nie jest zwykłym plikiem: " + out), std::string::npos) << c.outtext;
    EXPECT_EQ(cfgnext(home + "/trelik.cfg"), 1);
    c = run(home, {"convert", "-o", "/dev/null", t / "b.pnt"});
    EXPECT_EQ(c.status, 0) << c.outtext;
    EXPECT_EQ(cfgnext(home + "/trelik.cfg"), 4);
}

// Over a file size limit the write fails instead of the program dying: the
// file ends with a whole line and trelik.cfg continues after it.
TEST_F(integrity, filesizelimitcutsbacktoawholeline) {
    writefile(t / "b.pnt", head5 + points(0, 20000));
    child c = childrun({"/bin/sh", "-c", "ulimit -f 200; exec \"$0\" \"$@\"", build + "/trelik", "convert", "-o", out,
                        "-i", "10", "-u", "65535", t / "b.pnt"},
                       {{"TRELIK_HOME", home}}, "", timeoutms);
    EXPECT_EQ(c.signal, 0);
    EXPECT_EQ(c.status, 1);
    EXPECT_NE(c.outtext.find("(plik przekroczył największy dozwolony rozmiar)"), std::string::npos) << c.outtext;
    std::string o = readfile(out);
    EXPECT_LE(o.size(), 200u * 512);
    int n = lspoints(o, 65535, 10);
    EXPECT_GT(n, 0);
    EXPECT_EQ(cfgnext(home + "/trelik.cfg"), 10 + n);
}

// Settings that cannot be kept: the command line does not start without a
// folder to keep them in, and says so when saving fails; a read-only
// trelik.cfg still gives its values. Folder permissions only stop an
// ordinary user: as root the runs go through setpriv as nobody.
TEST_F(integrity, settingsthatcannotbekept) {
    writefile(t / "b.pnt", head5 + points(0, 3));
    chmod(t.path.c_str(), 0777);
    chmod((t / "b.pnt").c_str(), 0644);
    strings asuser =
        geteuid() == 0 ? strings{"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"} : strings{};
    auto runas = [&](const std::string &h, const std::string &o) {
        strings a = asuser;
        for (std::string s : {build + "/trelik", std::string("convert"), std::string("-o"), o, t / "b.pnt"})
            a.push_back(s);
        return childrun(a, {{"TRELIK_HOME", h}}, "", timeoutms);
    };
    auto told = [](const std::string &h) {
        return "Nie można zapisać ustawień w pliku " + h + "/trelik.cfg. Identyfikatory punktów mogą się powtórzyć.";
    };
    std::string ro = t / "ro", rofile = t / "rofile";
    std::filesystem::create_directory(ro);
    std::filesystem::create_directory(rofile);
    chmod(ro.c_str(), 0555);
    chmod(rofile.c_str(), 0777);
    std::string image = std::string("\x64\0\0\0\x07\0\0\0", 8);  // next id 100, user 7, empty path
    image.resize(264, '\0');
    writefile(rofile + "/trelik.cfg", image);
    chmod((rofile + "/trelik.cfg").c_str(), 0444);

    for (const std::string &h : {t / "nie ma", ro}) {
        SCOPED_TRACE(h);
        child c = runas(h, t / "x.txt");
        EXPECT_EQ(c.status, 1);
        EXPECT_NE(c.errtext.find(told(h)), std::string::npos) << c.errtext;
        EXPECT_FALSE(existsfile(t / "x.txt"));
    }
    child c = runas(rofile, t / "y.txt");
    EXPECT_EQ(c.status, 1);
    EXPECT_EQ(lspoints(readfile(t / "y.txt"), 7, 100), 3);
    std::size_t at = c.errtext.find(told(rofile));
    EXPECT_NE(at, std::string::npos) << c.errtext;
    EXPECT_EQ(c.errtext.find(told(rofile), at + 1), std::string::npos) << "told once";
    EXPECT_EQ(readfile(rofile + "/trelik.cfg"), image);
}

// Every text reaches the terminal without control bytes, whatever its
// source: here a file name with an escape sequence and a line break.
TEST_F(integrity, controlbytesareshownasquestionmarks) {
    homeenv h{home};
    std::string bad = t / "x\x1b]0;t\x07\ny.pnt";
    clirunresult c = clirun({"convert", "-o", out, bad});
    EXPECT_EQ(c.code, 1);
    EXPECT_NE(c.out.find("Błąd: Nie można otworzyć pliku " + t.path + "/x?]0;t??y.pnt\n"), std::string::npos) << c.out;
    EXPECT_EQ((c.out + c.err).find_first_of("\x1b\x07"), std::string::npos);
}

}  // namespace
