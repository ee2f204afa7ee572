// The command-line framework, through a subcommand that exists only here:
// exit codes, messages, option checks, and what reaches the run and
// trelik.cfg.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "app/cli.h"
#include "core/app.h"
#include "tests/clirun.h"
#include "tests/testfiles.h"
#include "text/cp1250.h"
#include "ui/tk.h"

namespace {

// ---- The test subcommand "probe" and what its run saw ----
shortstr probedir;                    // --dir
std::int32_t probenum;                // --num, 1..10
std::int32_t probemode;               // --mode off|fewer|more
bool probefail;                       // --fail: the run reports an error
int proberuns;                        // times the run started
std::vector<std::string> probefiles;  // paths the run's file dialogs got, UTF-8
bool probeasked;                      // the run's question was answered Yes

void proberun() {
    proberuns++;
    report("przebieg próbny"_pl);
    for (;;) {
        choosefile(fileall, 0);
        if (opstatus) break;
        probefiles.push_back(utf8fromcp1250(dlgtext.view()));
    }
    probeasked = askyesno("Czy wszystkie części?"_pl, askwholebase);
    if (probefail) showerror("coś poszło nie tak"_pl);
}

void probecli(CLI::App &top) {
    CLI::App *c = clisubcommand(top, "probe", "polecenie tylko dla testów", proberun);
    clioutput(c);
    cliuserid(c);
    clifirstid(c);
    clipath(c, "--dir", &probedir, "folder", false);
    clinumber(c, "--num", &probenum, 1, 10, "liczba");
    clichoice(c, "--mode", &probemode, {"off", "fewer", "more"}, "tryb");
    cliflag(c, "--fail", &probefail, "błąd w przebiegu");
    cliyes(c, "--all", askwholebase, "wszystkie części");
    clifiles(c, "FILE", "pliki");
}

struct result {
    int code;
    std::string out, err;
};

struct clitest : ::testing::Test {
    tempdir t;
    homeenv h{t.path};
    std::string cfg = t / "trelik.cfg";

    static void SetUpTestSuite() {
        static bool registered = false;
        if (!registered) cliregister(probecli);
        registered = true;
    }
    void SetUp() override {
        probedir = shortstr();
        probenum = 0;
        probemode = -1;
        probefail = false;
        proberuns = 0;
        probefiles.clear();
        probeasked = false;
    }
    result run(std::vector<std::string> args) {
        clirunresult r = clirun(std::move(args));
        return {r.code, r.out, r.err};
    }
};

TEST_F(clitest, badcommandlines) {
    struct row {
        std::vector<std::string> args;
        std::string msg;  // part of the message on standard error
    };
    const std::string longpath = "/" + std::string(255, 'a');
    const row rows[] = {
        {{"probe", "--bogus"}, "nieznana opcja lub nadmiarowy argument: --bogus"},
        {{"bogus"}, "nieznane polecenie: bogus"},
        {{"probe", "--num", "11"}, "z zakresu 1 do 10, podano: 11"},
        {{"probe", "--num", "0"}, "z zakresu 1 do 10"},
        {{"probe", "--num", "5x"}, "z zakresu 1 do 10, podano: 5x"},
        {{"probe", "--num", ""}, "z zakresu 1 do 10"},
        {{"probe", "-i", "0"}, "z zakresu 1 do 2000000000"},
        {{"probe", "-i", "2000000001"}, "z zakresu 1 do 2000000000"},
        {{"probe", "-u", "99999999999999999999"}, "z zakresu 1 do 65535"},
        {{"probe", "-u", "65536"}, "z zakresu 1 do 65535, podano: 65536"},
        {{"probe", "--mode", "a\x1b[2J"}, "podano: a?[2J"},  // an escape in an argument is not printed raw
        {{"probe", "--mode", "all"}, "off|fewer|more"},
        {{"probe", "--dir", longpath}, "za długa"},
        {{"probe", "-o", longpath}, "za długa"},
        {{"probe", "--dir", "/tmp/日本"}, "strony kodowej"},
        {{"probe", "/tmp/日本.pnt"}, "strony kodowej"},
        {{"probe", "--num"}, "--num"},
        {{"--bogus"}, "--bogus"},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.args.back());
        result res = run(r.args);
        EXPECT_EQ(res.code, 2);
        EXPECT_NE(res.err.find("trelik: "), std::string::npos) << res.err;
        EXPECT_NE(res.err.find(r.msg), std::string::npos) << res.err;
        EXPECT_NE(res.err.find("--help"), std::string::npos) << res.err;
        EXPECT_EQ(proberuns, 0);
        EXPECT_TRUE(res.out.empty()) << res.out;
    }
    // A bad command line changes no settings.
    EXPECT_FALSE(existsfile(cfg));
}

TEST_F(clitest, helpandversion) {
    result v = run({"--version"});
    EXPECT_EQ(v.code, 0);
    EXPECT_NE(v.out.find(std::string("trelik ") + TRELIK_VERSION), std::string::npos) << v.out;
    result h = run({"--help"});
    EXPECT_EQ(h.code, 0);
    EXPECT_NE(h.out.find("probe"), std::string::npos) << h.out;
    result sh = run({"probe", "--help"});
    EXPECT_EQ(sh.code, 0);
    EXPECT_NE(sh.out.find("--first-id"), std::string::npos) << sh.out;
    EXPECT_EQ(proberuns, 0);
}

TEST_F(clitest, runandexitcodes) {
    result ok = run({"probe"});
    EXPECT_EQ(ok.code, 0);
    EXPECT_EQ(proberuns, 1);
    EXPECT_NE(ok.out.find("przebieg próbny"), std::string::npos) << ok.out;
    EXPECT_EQ(readfile(cfg).size(), 264u);

    result bad = run({"probe", "--fail"});
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.out.find("Błąd: coś poszło nie tak"), std::string::npos) << bad.out;
    // The settings are saved after a failed run too.
    EXPECT_EQ(readfile(cfg).size(), 264u);
}

TEST_F(clitest, valuesreachrun) {
    char cwd[4096];
    ASSERT_TRUE(getcwd(cwd, sizeof cwd));
    result r = run({"probe", "--dir", "/tmp/zażółć", "--num", "10", "--mode", "more", "-u", "5", "-i", "17", "-o",
                    "wynik.txt", "--all", "a.pnt", "b/ż.uam"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(probedir, "/tmp/zażółć"_pl);
    EXPECT_EQ(probenum, 10);
    EXPECT_EQ(probemode, 2);
    EXPECT_EQ(userid, 5);
    EXPECT_EQ(nextpointid, 17);
    // The output file is kept as an absolute path, as it is stored.
    EXPECT_EQ(outputfile.str(), std::string(cwd) + "/wynik.txt");
    EXPECT_EQ(probefiles, (std::vector<std::string>{"a.pnt", "b/ż.uam"}));
    EXPECT_TRUE(probeasked);

    std::string s = readfile(cfg);
    ASSERT_EQ(s.size(), 264u);
    EXPECT_EQ(s.substr(0, 8), std::string("\x11\0\0\0\x05\0\0\0", 8));
    EXPECT_EQ(s.substr(9, std::size_t((unsigned char)s[8])), std::string(cwd) + "/wynik.txt");
}

// Options given win over trelik.cfg; values not given come from it.
TEST_F(clitest, optionsoversettings) {
    std::string old = std::string("\x03\0\0\0\x04\0\0\0", 8) + char(1) + "x";
    old.resize(264, '\0');
    writefile(cfg, old);
    result r = run({"probe", "-i", "20"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(nextpointid, 20);
    EXPECT_EQ(userid, 4);
    EXPECT_EQ(outputfile, "x");
    EXPECT_FALSE(probeasked);  // no --all: questions are answered No
}

}  // namespace
