// Closing in the middle of every run: the run stops at the next record, what
// it wrote ends with a whole line and holds exactly the records before that
// one, the end-of-run counts are printed and trelik.cfg is saved. In-process
// with the scripted toolkit (a close request at every place of a textbase
// part), and the real program stopped by Ctrl+C: the command line's runs and
// a conversion in the terminal program.

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/cli.h"
#include "app/shell.h"
#include "core/app.h"
#include "tests/childproc.h"
#include "tests/lscheck.h"
#include "tests/scripted/scripted.h"
#include "tests/testfiles.h"
#include "textbase/tb.h"
#include "ui/tk.h"

namespace {

using strings = std::vector<std::string>;

const std::string build = std::getenv("TRELIK_BUILD") ? std::getenv("TRELIK_BUILD") : ".";

std::string num(long long n) { return std::to_string(n); }

// The next point id kept in trelik.cfg; -1 when the file is not 264 bytes.
long long cfgnextid(const std::string &cfg) {
    std::string s = readfile(cfg);
    std::uint32_t v = 0;
    for (int i = 3; i >= 0 && s.size() == 264; --i) v = v << 8 | (unsigned char)s[i];
    return s.size() == 264 ? std::int32_t(v) : -1;
}

// The number after "label" up to the end of its line; -1 when absent.
long long numafter(const std::string &text, const std::string &label) {
    std::size_t i = text.find(label);
    return i == std::string::npos ? -1 : std::atoll(text.c_str() + i + label.size());
}

// ---- Closing through the scripted toolkit at every place of a textbase ----

// A base of one-record parts, "Punkt i" in part i. The close request is taken
// at the first pumpmessage, after 10,000 characters read; bytes added to the
// first header move that place through every line of a part (its search,
// header, record and footer) as pad grows by one part's length.
constexpr int tbparts = 130;

// n with zeros before it up to width digits.
std::string padded(int n, std::size_t width) {
    std::string s = num(n);
    return std::string(s.size() < width ? width - s.size() : 0, '0') + s;
}
std::string tbname(int i) { return "tba" + padded(i, 3) + ".txt"; }

struct stopscripted : ::testing::Test {
    tempdir t;
    homeenv h{t.path};
    std::string dir = t.path + "/baza/";
    void part(int i, int pad) {
        writefile(dir + tbname(i), "textbase kwz part " + num(i) + "\r\nkorektor " + std::string(pad, 'x') +
                                       "\r\n\r\np 210122287 522296756\r\nk apteka\r\nn Punkt " + padded(i, 5) +
                                       "\r\n\r\ntextbaseend part " + num(i) + "\r\n");
    }
    void SetUp() override {
        std::filesystem::create_directory(dir);
        for (int i = 2; i <= tbparts; ++i) part(i, 0);
    }
    // The check (or the conversion) of the whole base with the count control
    // set to one record a part, closed when it has read 10,000 characters:
    // through the menus of the whole program, which saves trelik.cfg at its
    // end, or as the run alone (the saving costs a forced write to disk).
    std::string run(bool convert, bool whole) {
        scriptreset();
        if (whole) {
            scriptchoose(2);  // Sprawdź błędy w Textbase
            scriptchoose(3);  // Kontrola ilości rekordów
            scriptchoose(2);  // Ostrzegaj gdy mniej
            scriptchoose(4);  // Prawidłowa ilość rekordów w części
            scripttype("1");
            if (convert) {
                scriptchoose(5);  // back to the main menu
                scriptchoose(1);  // Konwertuj do LS
                scriptchoose(2);  // Konwertuj z Textbase
            } else {
                scriptchoose(1);  // Sprawdź...
            }
        }
        scriptpick(dir + "tba001.txt");
        scriptyes();  // the whole base
        scriptclose();
        scriptyes();
        if (whole) {
            char name[] = "trelik";
            char *argv[] = {name, nullptr};
            EXPECT_EQ(climain(1, argv, &scripteddrv), 0);
        } else {
            EXPECT_TRUE(appstart());
            countmode = 1;
            expectedcount = 1;
            convert ? tbconvert() : tbcheck();
        }
        EXPECT_EQ(scriptleft(), 0);
        std::string panes;
        for (const std::string &e : transcript())
            if (e.rfind("pane: ", 0) == 0) panes += e.substr(6) + "\n";
        return panes;
    }
};

TEST_F(stopscripted, textbasecheckandconversionstopbetweenrecords) {
    const std::string cfg = t / "trelik.cfg", out = t / "wynikowe poi dla loadstone.txt";
    for (int pad = 0; pad <= 100; ++pad) {
        part(1, pad);
        for (bool convert : {false, true}) {
            SCOPED_TRACE((convert ? "conversion, pad " : "check, pad ") + num(pad));
            std::filesystem::remove(out);
            std::filesystem::remove(cfg);
            bool whole = pad % 25 == 0;
            std::string p = run(convert, whole);
            ASSERT_TRUE(quitflag);
            EXPECT_NE(transcripttext().find("Czy przerwać aktualny proces i zakończyć program? -> tak"),
                      std::string::npos);
            // Only whole records count, each valid. Parts read to their
            // footer get a count verdict; the part the closing cut short gets
            // none (its record may be in, its footer not yet read).
            long long n = numafter(p, "\nWszystkich: "), good = numafter(p, "\nPrawidłowych ilościowo części: ");
            ASSERT_GT(n, 0) << p;
            ASSERT_LT(n, tbparts);
            EXPECT_TRUE(good == n || good == n - 1) << p;
            EXPECT_NE(p.find("\nZakończono\nStatystyka:\nWszystkich: " + num(n) +
                             "\nZaremowanych: 0\nZawierających błędy: 0\nPrawidłowych: " + num(n) +
                             "\nBrakujących części bazy: 0\nPrawidłowych ilościowo części: " + num(good) +
                             "\nNieprawidłowych ilościowo części: 0\n"),
                      std::string::npos)
                << p;
            EXPECT_EQ(p.find("plik tba"), std::string::npos) << p;
            EXPECT_EQ(p.find("Błąd"), std::string::npos) << p;
            if (convert) {
                std::string expect = lsheadtext;
                for (int i = 1; i <= n; ++i)
                    expect += "\"apteka Punkt " + padded(i, 5) + "\",522296756,210122287,0,0,0,1," + num(i) + "\r\n";
                EXPECT_EQ(readfile(out), expect);
            } else {
                EXPECT_FALSE(existsfile(out));
            }
            if (whole) {
                EXPECT_EQ(cfgnextid(cfg), convert ? 1 + n : 1);
            }
        }
    }
}

// ---- Ctrl+C to the real program ----

constexpr int timeoutms = 120000;  // generous for sanitized builds on a busy machine

// Inputs large enough that a run is still going when Ctrl+C comes, made once.
struct biginputs {
    tempdir t;
    std::string pnt = t / "duzy.pnt", uam = t / "duzy.uam", base = t / "baza/";
    std::string tbstats;  // the statistics of a check of the whole base, as mktba gives them
    biginputs() {
        child a = childrun({build + "/mkpnt", "--seed", "4", "--points", "300000", pnt}, {}, "", timeoutms);
        child b = childrun({build + "/mkuam", "--seed", "4", "--records", "100000", uam}, {}, "", timeoutms);
        child c =
            childrun({build + "/mktba", "--seed", "4", "--parts", "100", "--records", "1000", base}, {}, "", timeoutms);
        EXPECT_EQ(a.status + b.status + c.status, 0) << a.errtext << b.errtext << c.errtext;
        tbstats = c.outtext;
    }
};
const biginputs &big() {
    static biginputs b;
    return b;
}

struct stopsigint : ::testing::Test {
    tempdir t;
    std::string cfg = t / "trelik.cfg";
    std::vector<std::pair<std::string, std::string>> env() const { return {{"TRELIK_HOME", t.path}}; }
    child run(strings args) {
        args.insert(args.begin(), build + "/trelik");
        return childrun(args, env(), "", timeoutms);
    }
    // Starts the program, sends Ctrl+C as soon as ready() holds (the run has
    // begun writing), then answers the closing question when the terminal
    // program asks it, and reads to the end.
    child interrupt(strings args, const std::function<bool(const child &)> &ready, int sig = SIGINT) {
        args.insert(args.begin(), build + "/trelik");
        child c;
        EXPECT_TRUE(childstart(c, args, env()));
        if (args.size() == 1) {
            // The terminal program: Konwertuj do LS, Konwertuj plik, the file.
            std::string input = "1\n1\n" + big().pnt + "\n";
            EXPECT_EQ(write(c.in, input.data(), input.size()), ssize_t(input.size()));
        }
        auto deadline = childclock::now() + std::chrono::milliseconds(timeoutms);
        while (!ready(c) && childclock::now() < deadline && (c.out >= 0 || c.err >= 0))
            childpump(c, "", false, childclock::now() + std::chrono::milliseconds(10), [&] { return ready(c); });
        EXPECT_TRUE(ready(c) && kill(c.pid, sig) == 0) << "the run ended before the signal\n" << c.outtext;
        if (args.size() == 1) {
            EXPECT_TRUE(childwaitfor(c, "Czy przerwać aktualny proces i zakończyć program? (t/n): ", timeoutms))
                << c.outtext;
            childfinish(c, "t\n", timeoutms);
        } else {
            childfinish(c, "", timeoutms);
        }
        EXPECT_FALSE(c.timedout);
        EXPECT_EQ(c.signal, 0) << c.errtext;
        return c;
    }
    static std::function<bool(const child &)> grown(const std::string &path, std::size_t size) {
        return [path, size](const child &) {
            std::error_code ec;
            return std::filesystem::file_size(path, ec) > size && !ec;
        };
    }
};

// The conversions: what the interrupted run wrote is the beginning of what
// the whole run writes, cut after a whole line; the count printed is its
// number of lines and trelik.cfg continues the ids after the last of them.
// The interrupted run takes its output and first id from trelik.cfg.
TEST_F(stopsigint, conversionsstopwithwholelinesandsaveids) {
    struct row {
        std::string what;
        strings args;  // none: the terminal program converts the .pnt file from its menus
        std::string count;
        int sig = SIGINT;  // SIGTERM and SIGHUP (a kill, a closed session) stop the command line as Ctrl+C does
    };
    const row rows[] = {
        {".pnt", {"convert", big().pnt}, "\nPrzetworzono poprawnie "},
        {".pnt SIGTERM", {"convert", big().pnt}, "\nPrzetworzono poprawnie ", SIGTERM},
        {"textbase SIGHUP", {"convert-textbase", "--all", big().base + "tba001.txt"}, "\nPrawidłowych: ", SIGHUP},
        {".uam", {"convert", big().uam}, "\nPrzetworzono poprawnie "},
        {"textbase", {"convert-textbase", "--all", big().base + "tba001.txt"}, "\nPrawidłowych: "},
        {"terminal .pnt", {}, "\nPrzetworzono poprawnie "},
    };
    const std::string full = t / "full.txt", part = t / "part.txt";
    for (const row &r : rows) {
        SCOPED_TRACE(r.what);
        std::filesystem::remove(full);
        std::filesystem::remove(part);
        strings args = r.args.empty() ? strings{"convert", big().pnt} : r.args;
        args.insert(args.begin() + 1, {"-o", full, "-i", "500"});
        child f = run(args);
        ASSERT_EQ(f.status, 0) << f.errtext;
        long long total = numafter(f.outtext, r.count);

        std::string image = std::string("\xF4\x01\0\0\x01\0\0\0", 8) + char(part.size()) + part;  // 500, 1, part
        image.resize(264, '\0');
        writefile(cfg, image);
        child c = interrupt(r.args, grown(part, lsheadtext.size()), r.sig);
        EXPECT_EQ(c.status, r.args.empty() ? 0 : 1) << c.errtext;
        std::string o = readfile(part), whole = readfile(full);
        long long n = numafter(c.outtext, r.count);
        EXPECT_GT(n, 0) << c.outtext;
        EXPECT_LT(n, total);
        EXPECT_EQ(lspoints(o, 1, 500), n);
        EXPECT_EQ(o, whole.substr(0, o.size()));
        EXPECT_EQ(cfgnextid(cfg), 500 + n);
    }
}

// Generation: the parts before the last are whole, the last one is a
// beginning of its full text closed by its footer, and the count printed is
// the records in them.
TEST_F(stopsigint, generationclosesitslastpart) {
    std::string full = t / "full/", part = t / "part/";
    child f = run({"generate", "--part-size", "1000", "--dest", full, big().uam});
    ASSERT_EQ(f.status, 0) << f.errtext;
    std::filesystem::remove(cfg);
    child c = interrupt({"generate", "--part-size", "1000", "--dest", part, big().uam}, grown(part + "tba002.txt", 0));
    EXPECT_EQ(c.status, 1);
    long long n = numafter(c.outtext, "\nZapisano ");
    int parts = 0, records = 0;
    while (existsfile(part + tbname(parts + 1))) ++parts;
    ASSERT_GT(parts, 1);
    for (int i = 1; i <= parts; ++i) {
        std::string p = readfile(part + tbname(i)), w = readfile(full + tbname(i));
        std::string foot = "textbaseend part " + num(i) + "\r\n";
        for (std::size_t at = 0; (at = p.find("\r\n\r\np ", at)) != std::string::npos; ++at) ++records;
        if (i < parts) {
            EXPECT_EQ(p, w) << i;
        } else {
            ASSERT_EQ(p.substr(p.size() - foot.size()), foot);
            EXPECT_EQ(p.substr(0, p.size() - foot.size()), w.substr(0, p.size() - foot.size()));
        }
    }
    EXPECT_EQ(records, n);
    EXPECT_LT(n, 100000);
    EXPECT_EQ(cfgnextid(cfg), 1);
}

// The check: its reports are the beginning of the whole check's, then the
// statistics of the records read.
TEST_F(stopsigint, checkprintsthestatisticsofwhatitread) {
    strings args = {"check", "--all", big().base + "tba001.txt"};
    child f = run(args);
    ASSERT_EQ(f.status, 0) << f.errtext;
    child c = interrupt(args, [](const child &c) { return c.outtext.find("\nplik tba") != std::string::npos; });
    EXPECT_EQ(c.status, 1);
    std::size_t end = c.outtext.find("Zakończono\n");
    ASSERT_NE(end, std::string::npos) << c.outtext;
    EXPECT_EQ(c.outtext.substr(0, end), f.outtext.substr(0, end));
    long long all = numafter(c.outtext, "\nWszystkich: ");
    EXPECT_GT(all, 0);
    EXPECT_LT(all, numafter(big().tbstats, "Wszystkich: "));
    EXPECT_EQ(all, numafter(c.outtext, "\nZaremowanych: ") + numafter(c.outtext, "\nZawierających błędy: ") +
                       numafter(c.outtext, "\nPrawidłowych: "));
    // The counts are followed by the word that they are those of a stopped run.
    const std::string last = "\nBrakujących części bazy: 0\nPrzetwarzanie przerwane\n";
    EXPECT_EQ(c.outtext.substr(c.outtext.size() - last.size()), last);
    EXPECT_EQ(cfgnextid(cfg), 1);
}

}  // namespace
