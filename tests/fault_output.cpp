// The Loadstone output under faults of the system, in a .pnt, a .uam and a
// textbase conversion: a full device, no room even for the header, a disk
// that fills in the middle of a run, the output's folder removed while it is
// written, and a read-only folder; and `trelik convert` on a disk that fills.
// Whatever happens, the file holds whole lines only, the counts, the ids and
// trelik.cfg agree with it, and the run ends saying why.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "app/settings.h"
#include "app/shell.h"
#include "core/app.h"
#include "poi/convrun.h"
#include "poi/lsout.h"
#include "sys/paths.h"
#include "tests/childproc.h"
#include "tests/faults.h"
#include "tests/lscheck.h"
#include "tests/testfiles.h"
#include "textbase/tb.h"

namespace {

enum kind { pnt, uam, tba };
const char *const kindname[] = {"pnt", "uam", "textbase"};
enum fault { devfull, noroom, filling, gone, readonly };
const char *const faultname[] = {"/dev/full", "no room for the header", "disk fills", "folder removed",
                                 "read-only folder"};

constexpr std::int32_t user = 7, first = 1000;

std::string build() { return std::getenv("TRELIK_BUILD"); }

// The inputs, made once: 5000 points, 5000 records, a base of 40 parts of
// 100 records; each converts to 300-450 KB of output.
struct inputfiles {
    tempdir t;
    std::string pnt = t / "in.pnt", uam = t / "in.uam", base = t / "baza/";
    inputfiles() {
        chmod(t.path.c_str(), 0755);  // read by runs as nobody too
        const std::vector<std::vector<std::string>> tools = {
            {"mkpnt", "--seed", "1", "--points", "5000", pnt},
            {"mkuam", "--seed", "1", "--records", "5000", uam},
            {"mktba", "--seed", "1", "--parts", "40", base},
        };
        for (auto args : tools) {
            args[0] = build() + "/" + args[0];
            child c = childrun(args, {}, "", 60000);
            if (c.status != 0) ADD_FAILURE() << args[0] << ": " << c.errtext;
        }
    }
};
inputfiles &inputs() {
    static inputfiles in;
    return in;
}

std::string le32(std::int32_t v) {
    std::uint32_t u = std::uint32_t(v);
    return std::string{char(u), char(u >> 8), char(u >> 16), char(u >> 24)};
}

// The line with the count of written points a run of kind k ends with.
std::string countline(kind k, int n) {
    return k == tba ? "Prawidłowych: " + std::to_string(n) : "Przetworzono poprawnie " + std::to_string(n) + " wpisów";
}
bool iscountline(const std::string &l) {
    return l.rfind("Prawidłowych: ", 0) == 0 || l.rfind("Przetworzono poprawnie ", 0) == 0;
}

struct outfault : ::testing::Test {
    tempdir t;
    homeenv h{t.path};
    void TearDown() override { progdirinit(); }
    // One conversion of kind k into out from the scripted toolkit, hooked,
    // from a fresh program; a textbase conversion takes the whole base or
    // only its first part.
    void run(kind k, const std::string &out, std::function<void(int)> hook = nullptr, bool whole = true) {
        scriptreset();
        freshprogram();
        scripthook(std::move(hook));
        outputfile = shortstr(out);
        userid = user;
        nextpointid = first;
        if (k == tba) {
            scriptpick(inputs().base + "tba001.txt");
            if (whole) scriptyes();
            else scriptno();
            tbconvert();
        } else {
            scriptpick(k == pnt ? inputs().pnt : inputs().uam);
            convertfile();
        }
    }
};

TEST_F(outfault, everyfaulteverykind) {
    // A clean run of each kind: the points it writes and the pumps it takes.
    int total[3], fullpumps[3];
    for (kind k : {pnt, uam, tba}) {
        std::string out = t / "czysty.txt";
        run(k, out);
        ASSERT_EQ(errorflag, 0) << kindname[k];
        total[k] = lspoints(readfile(out), user, first);
        fullpumps[k] = pumps;
        EXPECT_EQ(writtencount, total[k]);
        std::filesystem::remove(out);
    }

    struct row {
        fault f;
        kind k;
        bool whole;  // textbase: the whole base; false: its first part, all of whose writes wait for the closing
    };
    std::vector<row> rows;
    for (fault f : {devfull, noroom, filling, gone, readonly})
        for (kind k : {pnt, uam, tba}) rows.push_back({f, k, true});
    rows.push_back({devfull, tba, false});
    rows.push_back({noroom, tba, false});

    int i = 0;
    for (const row &r : rows) {
        SCOPED_TRACE(std::string(faultname[r.f]) + ", " + kindname[r.k] + (r.whole ? "" : ", one part"));
        std::string dir = t / ("wy" + std::to_string(++i)), out = dir + "/wynik.txt";
        std::filesystem::create_directory(dir);
        auto body = [&] {
            int faultpump = 0;
            std::function<void(int)> hook;
            if (r.f == gone)
                hook = [&](int n) {
                    // Once lines have reached the file.
                    struct stat st;
                    if (faultpump == 0 && stat(out.c_str(), &st) == 0 && st.st_size > 0) {
                        std::filesystem::remove_all(dir);
                        faultpump = n;
                    }
                };
            if (r.f == readonly) {
                ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
            }
            {
                std::optional<fsizelimit> lim;
                if (r.f == noroom) lim.emplace(40);  // the header is 83 bytes
                if (r.f == filling) lim.emplace(100000);
                run(r.k, r.f == devfull ? "/dev/full" : out, hook, r.whole);
            }
            const std::string path = r.f == devfull ? "/dev/full" : out;
            const std::string msg[] = {
                "Nie można zapisać pliku wynikowego /dev/full (brak miejsca na dysku)",
                "Nie można zapisać pliku wynikowego " + path + " (plik przekroczył największy dozwolony rozmiar)",
                "Nie można zapisać pliku wynikowego " + path + " (plik przekroczył największy dozwolony rozmiar)",
                "Nie można zapisać pliku wynikowego " + path + " (plik został usunięty w trakcie zapisu)",
                "Nie można utworzyć pliku wynikowego " + path,
            };
            EXPECT_EQ(errorflag, 1);
            int at = errorshown(msg[r.f]);

            std::string data = readfile(out);
            int n = lspoints(data, user, first);
            if (r.f == filling) {
                EXPECT_GT(n, 0);
                EXPECT_LE(data.size(), 100000u);
            } else {
                // No file, not even an empty one that the next run would
                // take for an existing file and give no header.
                EXPECT_FALSE(existsfile(out));
            }
            if (r.f == gone) {
                EXPECT_GT(faultpump, 0);
                EXPECT_FALSE(existsfile(dir));  // not made again
            }
            EXPECT_LT(n, total[r.k]);
            if (r.whole) {
                EXPECT_LT(pumps, fullpumps[r.k]) << "the run went on after the fault";
            }
            EXPECT_EQ(writtencount, n);
            EXPECT_EQ(nextpointid, first + n);

            // The count, after the error, tells what the file holds; a run
            // that could not open its output shows none.
            std::vector<std::string> counts;
            int countat = -1;
            std::vector<std::string> p = panelines();
            for (std::size_t j = 0; j < p.size(); ++j)
                if (iscountline(p[j])) counts.push_back(p[j]), countat = int(j);
            if (r.f == readonly) {
                EXPECT_TRUE(counts.empty());
            } else {
                EXPECT_EQ(counts, std::vector<std::string>{countline(r.k, n)});
                EXPECT_GT(countat, at);
            }

            // trelik.cfg keeps the first id not in the file.
            savesettings();
            std::string cfg = readfile(t / "trelik.cfg");
            ASSERT_EQ(cfg.size(), std::size_t(settingssize));
            EXPECT_EQ(cfg.substr(0, 8), le32(first + n) + le32(user));
        };
        if (r.f == readonly) asuser(t.path, body);
        else body();
    }
}

// `trelik convert` and `trelik convert-textbase` on a disk that fills in the
// middle of the run: exit code 1, whole lines, the count and trelik.cfg as
// the file says, and the next run goes on with the first id not in the file.
TEST_F(outfault, commandlinedisk) {
    const std::string small = t / "maly.pnt";
    writefile(small, "OziExplorer Point File Version 1.0\r\nWGS 84\r\nr1\r\nr2\r\nr3\r\n52.5,21,,,A\r\n53,22,,,B\r\n");
    const std::vector<std::pair<std::string, std::string>> env = {{"TRELIK_HOME", t.path}};
    for (kind k : {pnt, uam, tba}) {
        SCOPED_TRACE(kindname[k]);
        const std::string out = t / (std::string("wynik-") + kindname[k] + ".txt");
        std::vector<std::string> args = {"convert"};
        if (k == tba) args = {"convert-textbase", "--all"};
        for (const std::string &a : {std::string("-o"), out, std::string("-u"), std::to_string(user), std::string("-i"),
                                     std::to_string(first)})
            args.push_back(a);
        args.push_back(k == pnt ? inputs().pnt : k == uam ? inputs().uam : inputs().base + "tba001.txt");
        // 75 or 150 KB, as the shell counts its blocks.
        std::string cmd = "trap '' XFSZ; ulimit -f 150; exec '" + build() + "/trelik'";
        for (const std::string &a : args) cmd += " '" + a + "'";
        child c = childrun({"/bin/sh", "-c", cmd}, env, "", 60000);
        EXPECT_EQ(c.status, 1) << c.outtext << c.errtext;
        int n = lspoints(readfile(out), user, first);
        EXPECT_GT(n, 0);
        EXPECT_NE(c.outtext.find("Błąd: Nie można zapisać pliku wynikowego " + out +
                                 " (plik przekroczył największy dozwolony rozmiar)\n"),
                  std::string::npos)
            << c.outtext;
        EXPECT_NE(c.outtext.find("\n" + countline(k, n) + "\n"), std::string::npos) << c.outtext;

        std::string cfg = readfile(t / "trelik.cfg");
        ASSERT_EQ(cfg.size(), std::size_t(settingssize));
        EXPECT_EQ(cfg.substr(0, 9 + out.size()), le32(first + n) + le32(user) + char(out.size()) + out);
        EXPECT_FALSE(existsfile(t / "trelik.tmp"));

        c = childrun({build() + "/trelik", "convert", small}, env, "", 30000);
        EXPECT_EQ(c.status, 0) << c.outtext << c.errtext;
        EXPECT_EQ(lspoints(readfile(out), user, first), n + 2);
    }
}

}  // namespace
