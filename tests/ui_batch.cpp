// The batch toolkit of the command line: output streams, queued files,
// registered answers, no waiting, Ctrl+C taken at the next pump.

#include <gtest/gtest.h>

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "text/cp1250.h"
#include "ui/batch/tkbatch.h"
#include "ui/tk.h"

namespace {

shortstr cp(const std::string &utf8) { return shortstr(cp1250fromutf8(utf8)); }

std::string readback(std::FILE *f) {
    std::string s;
    char b[4096];
    lseek(fileno(f), 0, SEEK_SET);
    ssize_t n;
    while ((n = read(fileno(f), b, sizeof b)) > 0) s.append(b, std::size_t(n));
    return s;
}

struct batchrun {
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    batchrun() {
        batchreset();
        batchio(fileno(out), fileno(err));
        tkreset();
        tkuse(&batchdrv);
        apptitle = "Konwersja poi dla loadstone";
        guiinit();
    }
    ~batchrun() {
        batchreset();
        batchio(1, 2);
        std::fclose(out);
        std::fclose(err);
        tkreset();
    }
};

TEST(Batch, PaneToStandardOutputMessagesToStandardError) {
    batchrun b;
    addtext(cp("Przetworzono "));
    addtext("5");
    EXPECT_EQ(readback(b.out), "");
    addline(cp(" wpisów"));
    addline(shortstr("\x1b]0;x\x07"));
    showinfo(cp("Błąd: brak pliku"));
    menustatus("Przetwarzanie w toku...");  // standard error is no terminal here: not shown
    addtext(cp("bez końca"));
    batchflush();
    EXPECT_EQ(readback(b.out), "Przetworzono 5 wpisów\n?]0;x?\nbez końca\n");
    EXPECT_EQ(readback(b.err), "Info: Błąd: brak pliku\n");
    EXPECT_FALSE(batchwritefailed());
}

TEST(Batch, LinesHeldBackForAFileKeepTheirPlaceAmongMessages) {
    // A file gets the pane's lines in blocks; with standard error sent to
    // the same file, every message still comes after the lines before it.
    batchrun b;
    batchio(fileno(b.out), fileno(b.out));
    std::string expect;
    for (int i = 0; i < 3000; ++i) {
        addline(shortstr("linia " + std::to_string(i)));
        expect += "linia " + std::to_string(i) + "\n";
        if (i % 1000 == 999) {
            showinfo(shortstr("po " + std::to_string(i)));
            expect += "Info: po " + std::to_string(i) + "\n";
        }
    }
    addline("koniec");
    EXPECT_FALSE(batchwritefailed());
    EXPECT_EQ(readback(b.out), expect + "koniec\n");
}

TEST(Batch, QuestionsAnsweredFromTheCommandLine) {
    batchrun b;
    batchanswer(3, true);
    batchanswer(4, true);
    batchanswer(4, false);
    EXPECT_TRUE(askyesno(cp("Czy nadpisać plik a"), 3));
    EXPECT_FALSE(askyesno(cp("Czy nadpisać plik b.txt"), 4));            // the last answer to an id counts
    EXPECT_FALSE(askyesno(cp("Czy na pewno chcesz zamknąć program?")));  // no id: never answered Yes
    EXPECT_EQ(readback(b.err),
              "Pytanie: Czy nadpisać plik a? tak\n"
              "Pytanie: Czy nadpisać plik b.txt? nie\n"
              "Pytanie: Czy na pewno chcesz zamknąć program? nie\n");
}

TEST(Batch, FilesComeFromTheQueueThenCancel) {
    batchrun b;
    batchaddfile("/d/a.pnt");
    batchaddfile("/d/b.uam");
    dlgtext = "/start";
    choosefile(fileown, 0);
    EXPECT_EQ(dlgtext, "/d/a.pnt");
    choosefile(filetext, 2);
    EXPECT_EQ(dlgtext, "/d/b.uam");
    EXPECT_EQ(opstatus, 0);
    choosefile(fileown, 0);
    EXPECT_EQ(opstatus, 1);
    EXPECT_EQ(dlgtext, "");
    EXPECT_EQ(readstr("Folder", "x"), "x");
    EXPECT_EQ(opstatus, 1);
}

TEST(Batch, MenuEndsTheProgramAndCtrlCStopsARun) {
    {
        batchrun b;
        raise(SIGINT);
        EXPECT_FALSE(quitflag);
        for (int i = 0; i < 10000; i++) idlepump();
        EXPECT_TRUE(quitflag);
        EXPECT_TRUE(batchinterrupted());
        EXPECT_EQ(readback(b.err), "");
    }
    batchrun b;
    menuclear();
    menuadd("a", 0);
    menuselect(1);
    menuwait();
    EXPECT_TRUE(quitflag);
    EXPECT_EQ(menuchoice, 0);
}

TEST(Batch, ClosedOutputIsReportedNotFatal) {
    batchrun b;
    int p[2];
    ASSERT_EQ(pipe(p), 0);
    close(p[0]);
    batchio(p[1], fileno(b.err));
    addline("a");
    addline("b");
    EXPECT_TRUE(batchwritefailed());
    close(p[1]);
}

}  // namespace
