// The terminal toolkit: parsing of a typed choice, and the driver with its
// standard input and output replaced by a pipe and a file.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "text/cp1250.h"
#include "ui/console/tkconsole.h"
#include "ui/tk.h"

namespace {

namespace fs = std::filesystem;

shortstr cp(const std::string &utf8) { return shortstr(cp1250fromutf8(utf8)); }
std::string u8(const shortstr &s) { return utf8fromcp1250(s.view()); }

TEST(ConsoleParse, TypedChoices) {
    const struct {
        const char *typed;
        int kind;
        int value;
        const char *text;
    } rows[] = {
        {"", pickenter, 0, ""},
        {"  \t", pickenter, 0, ""},
        {"?", pickhelp, 0, "?"},
        {"3", picknumber, 3, "3"},
        {" 12 ", picknumber, 12, "12"},
        {"007", picknumber, 7, "7"},
        {"0", picknumber, 0, "0"},
        {"99999999999", picknumber, 2147483647, "99999999999"},
        {"k", pickhotkey, 11, ""},
        {"K", pickhotkey, 11, ""},
        {"alt+k", pickhotkey, 11, ""},
        {"Alt+K", pickhotkey, 11, ""},
        {"left", pickhotkey, 49, ""},
        {"alt+lewo", pickhotkey, 49, ""},
        {"alt+left", pickhotkey, 49, ""},
        {"sl", pickhotkey, 49, ""},
        {"alt+góra", pickhotkey, 51, ""},
        {"ALT+GÓRA", pickhotkey, 51, ""},
        {"alt+gora", pickhotkey, 51, ""},
        {"alt+dół", pickhotkey, 52, ""},
        {"alt+dol", pickhotkey, 52, ""},
        {"ctrl+1", pickhotkey, 28, ""},
        {"f1", pickhotkey, 37, ""},
        {"F1", pickhotkey, 37, ""},
        {"ctrl+f1", pickhotkey, 37, ""},
        {"ctrl+f12", pickhotkey, 48, ""},
        {"enter", pickhotkey, 53, ""},
        {"alt+enter", pickhotkey, 53, ""},
        {"ctrl+k", pickunknown, 0, "ctrl+k"},
        {"alt+1", pickunknown, 0, "alt+1"},
        {"alt+f1", pickunknown, 0, "alt+f1"},
        {"1.", pickunknown, 0, "1."},
        {"-1", pickunknown, 0, "-1"},
        {" bla bla ", pickunknown, 0, "bla bla"},
        {"f13", pickunknown, 0, "f13"},
        {"alt+", pickunknown, 0, "alt+"},
    };
    for (const auto &r : rows) {
        consolepick p = parsepick(cp(r.typed));
        EXPECT_EQ(p.kind, r.kind) << r.typed;
        if (r.kind == picknumber) {
            EXPECT_EQ(p.number, r.value) << r.typed;
        }
        if (r.kind == pickhotkey) {
            EXPECT_EQ(p.hotkey, r.value) << r.typed;
        } else {
            EXPECT_EQ(u8(p.text), r.text) << r.typed;
        }
    }
}

// A session of the terminal toolkit: standard input is a pipe holding the
// given bytes (ended unless keepopen), standard output a file read back.
struct session {
    int in[2] = {-1, -1};
    std::FILE *out = nullptr;

    explicit session(const std::string &input, bool keepopen = false) {
        EXPECT_EQ(pipe(in), 0);
        EXPECT_EQ(write(in[1], input.data(), input.size()), ssize_t(input.size()));
        if (!keepopen) {
            close(in[1]);
            in[1] = -1;
        }
        out = std::tmpfile();
        consoleio(in[0], fileno(out));
        tkreset();
        tkuse(&consoledrv);
        apptitle = "Konwersja poi dla loadstone";
        guiinit();
    }
    ~session() {
        consoleio(0, 1);
        close(in[0]);
        if (in[1] >= 0) close(in[1]);
        std::fclose(out);
        tkreset();
    }
    std::string output() {
        std::string s;
        char b[4096];
        lseek(fileno(out), 0, SEEK_SET);
        ssize_t n;
        while ((n = read(fileno(out), b, sizeof b)) > 0) s.append(b, std::size_t(n));
        return s;
    }
};

void mainlike() {
    menuclear();
    menuadd("Konwertuj do LS", hotkeycode("k"));
    menuadd(cp("Sprawdź błędy w Textbase"), hotkeycode("s"));
    menuadd("Zamknij program", 0);
    menuselect(1);
}

const std::string menutext =
    "1. Konwertuj do LS - alt+k (zaznaczone)\n"
    "2. Sprawdź błędy w Textbase - alt+s\n"
    "3. Zamknij program\n";
const std::string ask = "Wybierz pozycję (Enter = 1): ";

TEST(Console, MenuIsPrintedAndAChoiceTaken) {
    const struct {
        const char *input;
        int choice;
        const char *said;
    } rows[] = {
        {"2\n", 2, "2\n"},
        {"\n", 1, "\n"},
        {"alt+s\n", 2, "alt+s\n"},
        {"q\n3\n", 3, "q\n\aBrak pozycji ze skrótem alt+q\nWybierz pozycję (Enter = 1): 3\n"},
        {"9\n0\n3\n", 3,
         "9\nNie ma pozycji o numerze 9\nWybierz pozycję (Enter = 1): 0\nNie ma pozycji o numerze 0\n"
         "Wybierz pozycję (Enter = 1): 3\n"},
        {"bla\n?\nk\n", 1,
         "bla\nNie rozumiem: bla (wpisz numer pozycji, skrót albo ? aby usłyszeć menu)\nWybierz pozycję (Enter = 1): "
         "?\n"},
        {"3\r\n", 3, "3\n"},
    };
    for (const auto &r : rows) {
        session s(r.input);
        addline("Witaj");
        mainlike();
        menuwait();
        EXPECT_EQ(menuchoice, r.choice) << r.input;
        EXPECT_FALSE(quitflag);
        std::string expect = "Witaj\n" + menutext + ask + r.said;
        if (std::string(r.input) == "bla\n?\nk\n") expect += menutext + ask + "k\n";
        EXPECT_EQ(s.output(), expect + "\n") << r.input;  // the pane is cleared: one empty line
    }
}

TEST(Console, NoSelectionPromptsWithoutDefault) {
    session s("\n2\n");
    menuclear();
    menuadd("a", 0);
    menuadd("b", 0);
    menuwait();
    EXPECT_EQ(menuchoice, 2);
    EXPECT_EQ(s.output(), "1. a\n2. b\nWybierz pozycję: \nWybierz pozycję: 2\n\n");
}

TEST(Console, EndOfInputAtAMenuClosesWithYes) {
    const struct {
        bool busy;
        const char *question;
    } rows[] = {
        {false, "Czy na pewno chcesz zamknąć program? (t/n): tak\n"},
        {true, "Czy przerwać aktualny proces i zakończyć program? (t/n): tak\n"},
    };
    for (const auto &r : rows) {
        session s("");
        busyflag = r.busy;
        mainlike();
        menuwait();
        EXPECT_TRUE(quitflag);
        EXPECT_EQ(menuchoice, 0);
        EXPECT_EQ(s.output(), menutext + ask + "\n" + r.question);
    }
}

TEST(Console, CtrlCAtAMenuAsksAtOnce) {
    session s("n\n3\n");
    mainlike();
    raise(SIGINT);
    menuwait();
    EXPECT_FALSE(quitflag);
    EXPECT_EQ(menuchoice, 3);
    EXPECT_EQ(s.output(), "Czy na pewno chcesz zamknąć program? (t/n): n\n" + menutext + ask + "3\n\n");
}

TEST(Console, CtrlCDuringARunWaitsForThePump) {
    session s("t\n");
    busyflag = true;
    raise(SIGINT);
    for (int i = 0; i < 9999; i++) idlepump();
    EXPECT_EQ(s.output(), "");
    idlepump();
    EXPECT_TRUE(quitflag);
    EXPECT_EQ(s.output(), "Czy przerwać aktualny proces i zakończyć program? (t/n): t\n");
}

// Ctrl+C at a question, a value prompt, a file prompt or a box asks the
// closing question at once; No asks the interrupted one again, Yes ends it
// unanswered.
TEST(Console, CtrlCAtAnyPromptAsksToCloseThenAsksAgain) {
    const std::string close = "Czy na pewno chcesz zamknąć program? (t/n): ";
    const std::string file = "Ścieżka pliku (Enter = anuluj, ? = lista plików): ";
    const struct {
        int kind;            // 0 yes/no, 1 readstr, 2 choosefile, 3 box
        const char *typed;   // after Ctrl+C
        bool quit;           // the closing question answered Yes
        const char *prompt;  // the interrupted prompt
    } rows[] = {
        {0, "n\nt\n", false, "Czy dopisać? (t/n): "},
        {1, "n\nxyz\n", false, "Folder docelowy (Enter = abc): "},
        {2, "n\n\n", false, nullptr},
        {3, "n\n\n", false, "Naciśnij Enter"},
        {0, "t\n", true, "Czy dopisać? (t/n): "},
        {1, "t\n", true, "Folder docelowy (Enter = abc): "},
    };
    for (const auto &r : rows) {
        session s("", true);
        pthread_t self = pthread_self();
        int in = s.in[1];
        std::string typed = r.typed;
        std::thread t([self, in, typed] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            pthread_kill(self, SIGINT);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            EXPECT_EQ(write(in, typed.data(), typed.size()), ssize_t(typed.size()));
        });
        bool yes = false;
        shortstr got;
        if (r.kind == 0) yes = askyesno(cp("Czy dopisać"));
        if (r.kind == 1) got = readstr("Folder docelowy", "abc");
        if (r.kind == 2) choosefile(fileall, 0);
        if (r.kind == 3) showinfo("x");
        t.join();
        std::string prompt = r.prompt ? r.prompt : file;
        std::string out = s.output();
        std::size_t at = out.find(prompt + "\n" + close);
        EXPECT_NE(at, std::string::npos) << out;
        EXPECT_EQ(quitflag, r.quit) << out;
        if (r.quit) {
            EXPECT_TRUE(out.ends_with(close + "t\n")) << out;
            EXPECT_FALSE(yes);
            if (r.kind == 1) {
                EXPECT_EQ(got, "abc");
            }
        } else {
            EXPECT_NE(out.find(close + "n\n" + prompt, at), std::string::npos) << out;
            EXPECT_EQ(yes, r.kind == 0);
            if (r.kind == 1) {
                EXPECT_EQ(got, "xyz");
            }
        }
    }
}

// A box that repeats the pane line just printed only waits for Enter.
TEST(Console, ABoxAfterItsOwnPaneLineSaysItOnce) {
    session s("\n\n");
    addline(cp("Błąd: zły plik"));
    showinfo(cp("Błąd: zły plik"));
    addline("inna");
    showinfo(cp("Błąd: zły plik"));
    EXPECT_EQ(s.output(), "Błąd: zły plik\nNaciśnij Enter\ninna\nInfo: Błąd: zły plik\nNaciśnij Enter\n");
}

TEST(Console, Utf8InAndOut) {
    session s(std::string("Zażółć 日本 ✓\na\0b\x1b\n", 27));
    addline(cp("Łódź"));
    addline(shortstr("a\x1b[2Jb\x81"));  // control bytes and an undefined byte never reach the terminal raw
    shortstr r = readstr("Nazwa", "");
    EXPECT_EQ(u8(r), "Zażółć ?? ?");
    EXPECT_EQ(readstr("Nazwa", "").str(), "a?b?");  // a typed NUL cannot cut a text short
    EXPECT_EQ(s.output(), "Łódź\na?[2Jb?\nNazwa: Zażółć ?? ?\nNazwa: a?b?\n");
}

TEST(Console, PaneLinesArePrintedWholeAndClearMarksOnce) {
    session s("");
    clearpane();
    addtext("ab");
    EXPECT_EQ(s.output(), "");
    addtext("c");
    newline();
    addtext("d\r\ne");
    clearpane();
    clearpane();
    EXPECT_EQ(s.output(), "abc\nd\ne\n\n");
}

TEST(Console, BoxesAndQuestions) {
    session s("\nx\nTAK\n");
    showinfo(cp("Błąd: coś"));
    EXPECT_TRUE(askyesno("Czy dalej"));
    EXPECT_FALSE(askyesno("Jeszcze"));  // input ended: No
    EXPECT_EQ(s.output(),
              "Info: Błąd: coś\nNaciśnij Enter\n"
              "Czy dalej? (t/n): x\nWpisz t (tak) lub n (nie)\nCzy dalej? (t/n): TAK\n"
              "Jeszcze? (t/n): nie\n");
}

TEST(Console, StatusAtMostOnceASecond) {
    session s("1\n");
    menustatus("Przetwarzanie w toku...");
    menustatus(cp("Przetwarzam część 12 textbase"));
    EXPECT_EQ(itemcount, 0);
    mainlike();
    menuwait();
    menustatus("Znowu");  // the first status after a choice is printed at once
    EXPECT_EQ(s.output(), "Przetwarzanie w toku...\n" + menutext + ask + "1\n\nZnowu\n");
}

TEST(Console, MailWithoutXdgOpenPrintsTheAddress) {
    std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", "/nonexistent", 1);
    {
        session s("t\nn\n");
        sendmail("autor@example.org");
        openweb("example.org");
        EXPECT_EQ(s.output(),
                  "Czy chcesz utworzyć w domyślnym programie pocztowym wiadomość email na adres "
                  "autor@example.org? (t/n): t\nmailto:autor@example.org\n"
                  "Czy chcesz otworzyć w domyślnej przeglądarce www stronę internetową:\n"
                  "http://example.org? (t/n): n\n");
    }
    setenv("PATH", path.c_str(), 1);
}

TEST(Console, ClosedOutputEndsTheProgramAsAConfirmedClose) {
    session s("2\n");
    int p[2];
    ASSERT_EQ(pipe(p), 0);
    close(p[0]);
    consoleio(s.in[0], p[1]);
    mainlike();
    menuwait();
    EXPECT_TRUE(quitflag);
    close(p[1]);
}

TEST(Console, SoundsWithoutDeviceOrFileAreSilentAndQuick) {
    session s("");
    const char *build = std::getenv("TRELIK_BUILD");
    std::string wav = std::string(build ? build : ".") + "/event.wav";
    auto t0 = std::chrono::steady_clock::now();
    playsound("/nonexistent/evstart.wav", false);
    playsound(shortstr(wav), true);
    playsoundsync("/nonexistent/evend.wav");
    playsoundsync(shortstr(wav));  // with a device it plays to its end (a fraction of a second)
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(4));
    EXPECT_EQ(s.output(), "");
}

// ---- File dialog ----

struct folder {
    fs::path dir;
    folder() {
        char t[] = "/tmp/trelikuiXXXXXX";
        dir = mkdtemp(t);
        std::ofstream(dir / "a.pnt") << "x";
        fs::create_directory(dir / "sub");
    }
    ~folder() { fs::remove_all(dir); }
    std::string str() const { return dir.string(); }
};

TEST(ConsoleFiles, OpenRefusesMissingFilesAndFolders) {
    folder f;
    session s("nie.pnt\nsub\n./sub/../a.pnt\n");
    dlgtitle = "Wybierz plik poi do konwersji";
    dlgprompt = shortstr(std::string("Pliki poi (*.pnt *.uam)") + '\0' + "*.pnt;*.uam" + '\0' + '\0');
    dlgtext = shortstr(f.str());
    choosefile(fileown, 0);
    EXPECT_EQ(opstatus, 0);
    EXPECT_EQ(dlgtext.str(), f.str() + "/a.pnt");
    const std::string q = "Ścieżka pliku (Enter = anuluj, ? = lista plików): ";
    EXPECT_EQ(s.output(), "Wybierz plik poi do konwersji\nTypy plików: Pliki poi (*.pnt *.uam)\nFolder: " + f.str() +
                              "\n" + q + "nie.pnt\nNie ma takiego pliku: " + f.str() + "/nie.pnt\n" + q +
                              "sub\nTo jest folder, a nie plik: " + f.str() + "/sub\n" + q + "./sub/../a.pnt\n");
}

TEST(ConsoleFiles, StartFolderAndHome) {
    folder f;
    std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", f.str().c_str(), 1);
    {
        session s("~/a.pnt\n'a.pnt'\n");
        dlgtext = shortstr(f.str() + "/sub/nieistniejacy.txt");  // a file: its folder
        choosefile(fileall, 0);
        EXPECT_EQ(dlgtext.str(), f.str() + "/a.pnt");
        dlgtext = shortstr(f.str() + "/a.pnt");
        choosefile(fileall, 0);
        EXPECT_EQ(dlgtext.str(), f.str() + "/a.pnt");
        EXPECT_NE(s.output().find("Folder: " + f.str() + "/sub\n"), std::string::npos) << s.output();
    }
    setenv("HOME", home.c_str(), 1);
}

TEST(ConsoleFiles, LongOrForeignPathsAreRefusedNeverCut) {
    folder f;
    session s(std::string(300, 'x') + "\n日本.pnt\n");
    dlgtext = shortstr(f.str());
    choosefile(filetext, 2);
    EXPECT_EQ(opstatus, 1);
    EXPECT_EQ(dlgtext, "");
    std::string out = s.output();
    EXPECT_NE(out.find("Ścieżka jest za długa: ma więcej niż 255 znaków.\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Ścieżka zawiera znaki spoza strony kodowej Windows-1250 (polskiej).\n"), std::string::npos)
        << out;
    EXPECT_TRUE(out.ends_with("(Enter = anuluj, ? = lista plików): \n")) << out;
}

TEST(ConsoleFiles, SaveAddsTheExtensionAndAsksBeforeOverwriting) {
    folder f;
    session s("wynik\na.pnt\nn\nbrak/x.txt\na.pnt\nt\n");
    dlgtext = shortstr(f.str());
    choosefile(filetext, 2);
    EXPECT_EQ(dlgtext.str(), f.str() + "/wynik.txt");
    choosefile(filetext, 1);
    EXPECT_EQ(opstatus, 0);
    EXPECT_EQ(dlgtext.str(), f.str() + "/a.pnt");
    std::string out = s.output();
    EXPECT_NE(out.find("Typy plików: Pliki tekstowe (*.txt)\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Plik " + f.str() + "/a.pnt już istnieje. Czy chcesz go zastąpić? (t/n): n\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("Nie ma takiego folderu: " + f.str() + "/brak\n"), std::string::npos) << out;
}

// The folder prompt keeps the file prompts' rules: refused and asked again
// when the path cannot be kept or names a file, "~/" expanded, an empty line
// taken as the empty folder.
TEST(ConsoleFiles, FolderPromptKeepsThePathRules) {
    folder f;
    std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", f.str().c_str(), 1);
    session s("Москва\n" + std::string(300, 'x') + "\na.pnt\nbrak/x\n~/x\n\n");
    ASSERT_EQ(chdir(f.str().c_str()), 0);
    EXPECT_EQ(readfolder("Folder docelowy", "stary", "tba"), shortstr(f.str() + "/x/"));
    EXPECT_EQ(readfolder("Folder docelowy", "stary", "tba"), "");
    EXPECT_EQ(opstatus, 0);
    std::string out = s.output();
    for (const char *why : {"Ścieżka zawiera znaki spoza strony kodowej Windows-1250 (polskiej).\n",
                            "Ścieżka jest za długa: ma więcej niż 255 znaków.\n",
                            "To jest plik, a nie folder: ", "Nie ma takiego folderu: "})
        EXPECT_NE(out.find(why), std::string::npos) << why << "\n" << out;
    EXPECT_NE(out.find("Folder docelowy (pusty wiersz = tba): "), std::string::npos) << out;
    setenv("HOME", home.c_str(), 1);
    ASSERT_EQ(chdir("/"), 0);
}

// "?" lists the folder as numbered lines (up, folders, files of the types);
// a number picks an entry; a name in another case is found.
TEST(ConsoleFiles, ListingPicksByNumberAndNamesMatchInAnyCase) {
    folder f;
    std::ofstream(f.dir / "sub" / "B.PNT") << "x";
    std::ofstream(f.dir / "notes.txt") << "x";
    session s("?\n2\nb.pnt\n");
    dlgtext = shortstr(f.str());
    dlgfilter("Pliki pnt", "*.pnt");
    choosefile(fileown, 0);
    EXPECT_EQ(dlgtext.str(), f.str() + "/sub/B.PNT");
    EXPECT_NE(s.output().find("?\n1. .. (folder)\n2. sub (folder)\n3. a.pnt\n"), std::string::npos) << s.output();
    EXPECT_NE(s.output().find("2\nFolder: " + f.str() + "/sub\n"), std::string::npos) << s.output();
}

// A folder typed at a save prompt is refused, never turned into a file
// named like it.
TEST(ConsoleFiles, SaveRefusesAFolder) {
    folder f;
    session s("sub\n\n");
    dlgtext = shortstr(f.str());
    choosefile(filetext, 2);
    EXPECT_EQ(opstatus, 1);
    EXPECT_NE(s.output().find("To jest folder, a nie plik: " + f.str() + "/sub\n"), std::string::npos) << s.output();
}

}  // namespace
