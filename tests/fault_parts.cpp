// Textbase generation under faults of the system: a part that is a full
// device, no room for the first header, a read-only destination folder or
// parent, a folder made read-only between parts, and the folder removed
// while a part is written. Finished parts stay whole, the run ends at the
// fault with its reason, and the count says only what the parts hold.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "app/shell.h"
#include "core/app.h"
#include "poi/lsout.h"
#include "sys/paths.h"
#include "tests/childproc.h"
#include "tests/faults.h"
#include "tests/testfiles.h"
#include "textbase/tb.h"

namespace {

// 3000 records, made once; a part of 1000 of them passes 64 KB.
struct inputfile {
    tempdir t;
    std::string uam = t / "in.uam";
    inputfile() {
        chmod(t.path.c_str(), 0755);  // read by runs as nobody too
        child c =
            childrun({std::string(std::getenv("TRELIK_BUILD")) + "/mkuam", "--seed", "2", "--records", "3000", uam}, {},
                     "", 60000);
        if (c.status != 0) ADD_FAILURE() << "mkuam: " << c.errtext;
    }
};
const std::string &input() {
    static inputfile in;
    return in.uam;
}

std::string tbname(int n) {
    char b[32];
    std::snprintf(b, sizeof b, "tba%03d.txt", n);
    return b;
}

// The records of a part with its header and footer, -1 when either is
// missing or the text between them is not whole records.
int wholepart(const std::string &p, int n) {
    const std::string head = "textbase kwz part " + std::to_string(n) + "\r\nkorektor \r\n\r\n";
    const std::string foot = "textbaseend part " + std::to_string(n) + "\r\n";
    if (p.size() < head.size() + foot.size() || p.compare(0, head.size(), head) != 0 ||
        p.compare(p.size() - foot.size(), foot.size(), foot) != 0)
        return -1;
    std::string body = p.substr(head.size(), p.size() - head.size() - foot.size());
    if (!body.empty() && (body.rfind("p ", 0) != 0 || body.substr(body.size() - 4) != "\r\n\r\n")) return -1;
    int recs = body.empty() ? 0 : 1;
    for (std::size_t at = 0; (at = body.find("\r\n\r\np ", at)) != std::string::npos; ++at) ++recs;
    return recs;
}

struct partfault : ::testing::Test {
    tempdir t;
    homeenv h{t.path};
    void TearDown() override { progdirinit(); }
    // Generation from the input into dest, size records a part, hooked, from
    // a fresh program.
    void gen(const std::string &dest, int size, std::function<void(int)> hook = nullptr) {
        scriptreset();
        freshprogram();
        scripthook(std::move(hook));
        destfolder = shortstr(dest);
        partsize = size;
        scriptpick(input());
        generatetextbase();
    }
};

TEST_F(partfault, everyfault) {
    gen(t / "czysta/", 100);
    ASSERT_EQ(errorflag, 0);
    ASSERT_EQ(writtencount, 3000);
    const int fullpumps = pumps;

    enum fault { devfull, noroom, readonly, roparent, romid, gone };
    struct row {
        const char *what;
        fault f;
        int size;         // records a part
        std::string msg;  // after "Błąd: "; D stands for the destination folder
        int written;      // records the run reports and its whole parts hold
        bool asnobody;    // permission bits must count
    };
    const row rows[] = {
        {"the part is a full device", devfull, 100,
         "Nie można zapisać pliku części bazy Dtba001.txt (brak miejsca na dysku)", 0, false},
        {"no room for the first header", noroom, 100,
         "Nie można zapisać pliku części bazy Dtba001.txt (plik przekroczył największy dozwolony rozmiar)", 0, false},
        {"read-only folder", readonly, 100, "Nie można utworzyć pliku części bazy Dtba001.txt (brak prawa zapisu)", 0,
         true},
        {"read-only parent folder", roparent, 100, "Nie można utworzyć folderu D (brak prawa zapisu)", 0, true},
        {"folder made read-only once part 2 is open", romid, 100,
         "Nie można utworzyć pliku części bazy Dtba003.txt (brak prawa zapisu)", 200, true},
        {"folder removed once part 1 holds records", gone, 1000,
         "Nie można zapisać pliku części bazy Dtba001.txt (plik został usunięty w trakcie zapisu)", 0, false},
    };
    int i = 0;
    for (const row &r : rows) {
        SCOPED_TRACE(r.what);
        std::string top = t / ("r" + std::to_string(++i)), dest = top + "/baza/";
        std::filesystem::create_directories(dest);
        auto body = [&] {
            bool acted = false;
            std::function<void(int)> hook;
            if (r.f == devfull) {
                ASSERT_EQ(symlink("/dev/full", (dest + "tba001.txt").c_str()), 0);
            }
            if (r.f == readonly) {
                ASSERT_EQ(chmod(dest.c_str(), 0555), 0);
            }
            if (r.f == roparent) {
                std::filesystem::remove(dest);
                ASSERT_EQ(chmod(top.c_str(), 0555), 0);
            }
            if (r.f == romid)
                hook = [&](int) {
                    if (!acted && existsfile(dest + tbname(2))) acted = chmod(dest.c_str(), 0555) == 0;
                };
            if (r.f == gone)
                hook = [&](int) {
                    struct stat st;
                    if (!acted && stat((dest + tbname(1)).c_str(), &st) == 0 && st.st_size > 0)
                        acted = std::filesystem::remove_all(dest) > 0;
                };
            {
                std::optional<fsizelimit> lim;
                if (r.f == noroom) lim.emplace(20);  // the header is 34 bytes
                gen(dest, r.size, hook);
            }
            if (hook) {
                EXPECT_TRUE(acted);
            }
            std::string msg = r.msg;
            msg.replace(msg.find('D'), 1, dest);
            EXPECT_EQ(errorflag, 1);
            int at = errorshown(msg);
            std::vector<std::string> p = panelines();
            ASSERT_FALSE(p.empty());
            EXPECT_EQ(p.back(), "Zapisano " + std::to_string(r.written) + " rekordów");
            EXPECT_GT(int(p.size()) - 1, at);
            EXPECT_LT(pumps, fullpumps) << "the run went on after the fault";

            // Finished parts whole, nothing after them; the failed part
            // keeps no half record (here: nothing at all).
            int parts = r.written / r.size;
            for (int n = 1; n <= parts; ++n) EXPECT_EQ(wholepart(readfile(dest + tbname(n)), n), r.size) << n;
            if (r.f == noroom) {
                EXPECT_EQ(readfile(dest + tbname(1)), "");
            } else if (r.f != devfull) {
                EXPECT_FALSE(existsfile(dest + tbname(parts + 1)));
            }
            EXPECT_FALSE(existsfile(dest + tbname(parts + 2)));
            if (r.f == gone || r.f == roparent) {  // not made again
                EXPECT_FALSE(existsfile(dest));
            }
            EXPECT_EQ(firstpart, parts + 1);
        };
        if (r.asnobody) asuser(t.path, body);
        else body();
    }
}

}  // namespace
