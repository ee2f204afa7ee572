// The toolkit's platform-free half, driven through the scripted toolkit.

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "tests/scripted/scripted.h"
#include "text/cp1250.h"
#include "ui/tk.h"
#include "ui/tkdrv.h"

namespace {

std::string u8(const shortstr &s) { return utf8fromcp1250(s.view()); }
shortstr cp(const std::string &utf8) { return shortstr(cp1250fromutf8(utf8)); }

void start() {
    scriptreset();
    apptitle = "Tytul";
    guiinit();
}

bool has(const std::string &e) {
    for (const auto &l : transcript())
        if (l == e) return true;
    return false;
}

TEST(Hotkeys, CodesOfSpecTexts) {
    const struct {
        const char *spec;
        int code;
    } rows[] = {
        {"a", 1},    {"k", 11},    {"K", 11},     {"z", 26},    {"Z", 26},  {"0", 27},     {"9", 36},    {"f1", 37},
        {"f10", 46}, {"f12", 48},  {"sl", 49},    {"left", 49}, {"sp", 50}, {"right", 50}, {"sg", 51},   {"up", 51},
        {"sd", 52},  {"down", 52}, {"enter", 53}, {"F10", 0},   {"F1", 0},  {"Left", 0},   {"Enter", 0}, {"", 0},
        {"ab", 0},   {"f13", 0},   {"f0", 0},     {"!", 0},     {" ", 0},   {"k ", 0},     {"ą", 0},     {"alt+k", 0},
    };
    for (const auto &r : rows) EXPECT_EQ(hotkeycode(cp(r.spec)), r.code) << r.spec;
}

TEST(Hotkeys, SpokenNames) {
    const struct {
        int code;
        const char *name;
    } rows[] = {
        {1, "alt+a"},      {11, "alt+k"},    {26, "alt+z"},    {27, "ctrl+0"},    {36, "ctrl+9"},   {37, "ctrl+f1"},
        {46, "ctrl+f10"},  {48, "ctrl+f12"}, {49, "alt+lewo"}, {50, "alt+prawo"}, {51, "alt+góra"}, {52, "alt+dół"},
        {53, "alt+enter"}, {0, ""},          {54, ""},         {-1, ""},          {255, ""},
    };
    for (const auto &r : rows) EXPECT_EQ(u8(hotkeyname(r.code)), r.name) << r.code;
}

TEST(Menu, CaptionsCarryTheHotkeyName) {
    start();
    menuclear();
    EXPECT_EQ(menuadd("Bez", 0), 1);
    EXPECT_EQ(menuadd("Konwertuj do LS", hotkeycode("k")), 2);
    EXPECT_EQ(menuadd("Enter", 53), 3);
    EXPECT_EQ(menuadd("F", 37), 4);
    EXPECT_EQ(menuadd(shortstr(std::string(250, 'x')), 11), 5);
    menuselect(2);
    menuselect(0);  // changes nothing
    menuselect(6);  // no such item: nothing
    scriptchoose(1);
    menuwait();
    const std::vector<std::string> expect = {
        "menu: 1. Bez",
        "menu: 2. Konwertuj do LS - alt+k",
        "menu: 3. Enter - alt+enter",
        "menu: 4. F - ctrl+f1",
        "menu: 5. " + std::string(250, 'x') + " - al",
        "menusel: 2",
        "chosen: 1",
        "sound: event.wav",
        "clear",
    };
    EXPECT_EQ(transcript(), expect) << transcripttext();
}

TEST(Menu, FullListRefusesTheNextItem) {
    start();
    menuclear();
    for (int i = 1; i <= maxitems; i++) ASSERT_EQ(menuadd("x", 0), i);
    EXPECT_EQ(menuadd("x", 11), 0);
    EXPECT_EQ(itemcount, maxitems);
    EXPECT_EQ(itemhotkey[maxitems], 0);
    menuclear();
    EXPECT_EQ(itemcount, 0);
    EXPECT_EQ(menuadd("y", 0), 1);
}

TEST(Menu, HotkeyChoosesTheFirstItemCarryingIt) {
    start();
    menuclear();
    menuadd("a", 0);
    menuadd("b", hotkeycode("k"));
    menuadd("c", hotkeycode("k"));
    scripthotkey("k");
    menuwait();
    EXPECT_EQ(menuchoice, 2);
}

TEST(Menu, UnmatchedHotkeyBeepsAndWaitsOn) {
    start();
    menuclear();
    menuadd("a", hotkeycode("k"));
    menuadd("b", 0);
    scripthotkey("q");
    scripthotkey("left");
    scriptchoose(2);
    menuwait();
    EXPECT_EQ(menuchoice, 2);
    auto &t = transcript();
    EXPECT_EQ(std::count(t.begin(), t.end(), "beep"), 2) << transcripttext();
    // The status item has no hotkey and is never chosen.
    menustatus("Przetwarzanie w toku...");
    EXPECT_EQ(itemcount, 0);
    scripthotkey("k");
    menuwait();
    EXPECT_EQ(menuchoice, 0);
    EXPECT_TRUE(quitflag);
}

TEST(Menu, PaneIsEmptiedWhenTheWaitEnds) {
    start();
    addtext("pół"_pl);
    addtext("tora");
    newline();
    addline("b");
    menuclear();
    menuadd("a", 0);
    scriptchoose(1);
    menuwait();
    const std::vector<std::string> expect = {"pane: półtora", "pane: b",          "menu: 1. a", "menusel: 0",
                                             "chosen: 1",     "sound: event.wav", "clear"};
    EXPECT_EQ(transcript(), expect) << transcripttext();
}

TEST(Menu, AfterQuitOnlyPaneLinesAreShownAndWaitsEndAtOnce) {
    start();
    menuclear();
    menuadd("a", 0);
    menuwait();  // empty script: the script ends as a confirmed close
    EXPECT_TRUE(quitflag);
    EXPECT_EQ(menuchoice, 0);
    std::size_t n = transcript().size();
    addline("Przetworzono poprawnie 3 wpisów"_pl);  // a stopped run still reports
    menuclear();
    EXPECT_EQ(menuadd("b", 0), 1);  // the state still follows the calls
    scriptchoose(1);
    menuwait();
    EXPECT_EQ(menuchoice, 0);
    EXPECT_FALSE(askyesno("Czy?"));
    playsound("/x/evend.wav", false);  // sounds still play
    auto &t = transcript();
    ASSERT_EQ(t.size(), n + 2) << transcripttext();
    EXPECT_EQ(t[n], "pane: Przetworzono poprawnie 3 wpisów");
    EXPECT_EQ(t.back(), "sound: evend.wav");
    EXPECT_EQ(scriptleft(), 1);
}

TEST(Boxes, QuestionMarkAndCaptions) {
    scriptreset();
    apptitle = "Tytul";
    scriptno();
    askyesno("Bez okna");
    showinfo("Bez okna");
    guiinit();
    const struct {
        const char *text, *shown;
    } rows[] = {{"", "?"}, {"Abc", "Abc?"}, {"Abc?", "Abc?"}, {"Abc? ", "Abc? ?"}, {"?", "?"}};
    for (std::size_t i = 0; i < std::size(rows); i++) scriptyes();
    for (const auto &r : rows) EXPECT_TRUE(askyesno(r.text));
    showinfo("tekst");
    std::vector<std::string> expect = {"ask[Pytanie - Tytul]: Bez okna? -> nie", "info[Info - Tytul]: Bez okna"};
    for (const auto &r : rows) expect.push_back(std::string("ask[Pytanie]: ") + r.shown + " -> tak");
    expect.push_back("info[Info]: tekst");
    EXPECT_EQ(transcript(), expect) << transcripttext();
}

TEST(Input, ReadstrTrimsAndKeepsTheInitialTextOnCancel) {
    start();
    scripttype("  ab\t ");
    EXPECT_EQ(readstr("Podaj", " x "), "ab");
    EXPECT_EQ(opstatus, 0);
    EXPECT_EQ(dlgtitle, "Wprowadzanie danych");
    EXPECT_EQ(dlgprompt, "Podaj");
    scriptcancel();
    EXPECT_EQ(readstr("Podaj", " x "), "x");
    EXPECT_EQ(opstatus, 1);
    scripttype(std::string(300, 'z'));
    EXPECT_EQ(readstr("Podaj", "").str(), std::string(254, 'z'));
}

TEST(Input, ReadnumRangeAndDefault) {
    const std::string range = "info[Info]: Oczekiwano liczby z zakresu 1 do 10.";
    const struct {
        const char *typed;
        std::int32_t def, result;
        bool message;
    } rows[] = {
        {"0", 5, 5, true},           {"10", 5, 10, false},   {"1", 5, 1, false},      {"-3", 5, 5, true},
        {"7x", 5, 7, false},         {" 8 ", 5, 8, false},   {"abc", 5, 5, true},     {"11", 5, 5, true},
        {"99999999999", 5, 5, true}, {nullptr, 5, 5, false}, {nullptr, 12, 12, true},
    };
    for (const auto &r : rows) {
        start();
        if (r.typed) scripttype(r.typed);
        else scriptcancel();
        EXPECT_EQ(readnum("Liczba", r.def, 1, 10), r.result) << (r.typed ? r.typed : "anuluj");
        EXPECT_EQ(opstatus, r.typed ? 0 : 1);
        EXPECT_EQ(has(range), r.message) << transcripttext();
    }
    start();
    scripttype("abc");
    EXPECT_EQ(readnum("Id", 3, 1, 2000000000), 3);
    EXPECT_TRUE(has("info[Info]: Oczekiwano liczby z zakresu 1 do 2000000000."));
    EXPECT_TRUE(has("read[Wprowadzanie danych|Id]: 3 -> abc"));
}

TEST(Files, FilterListsByFlags) {
    const std::string own = std::string("Pliki poi (*.pnt *.uam)") + '\0' + "*.pnt;*.uam" + '\0' + '\0';
    const std::string tba = std::string("Pliki textbase (tba*.txt") + '\0' + "tba*.txt" + '\0' + '\0';
    const std::string two = std::string("A") + '\0' + "*.a" + '\0' + "B" + '\0' + "*.b" + '\0' + '\0' + "C" + '\0';
    const struct {
        std::uint32_t flags;
        std::string own;
        const char *list, *ext;
    } rows[] = {
        {fileown, own, "Pliki poi (*.pnt *.uam)=*.pnt;*.uam", ""},
        {fileown, tba, "Pliki textbase (tba*.txt=tba*.txt", ""},
        {fileown, two, "A=*.a|B=*.b", ""},
        {filetext, own, "Pliki tekstowe (*.txt)=*.txt", "txt"},
        {fileown | filetext, own, "Pliki tekstowe (*.txt)=*.txt|Pliki poi (*.pnt *.uam)=*.pnt;*.uam", "txt"},
        {fileown | filetext | filesound, own, "Pliki dźwiękowe (*.wav)=*.wav", "wav"},
        {fileall, own, "Wszystkie pliki (*.*)=*.*", ""},
        {filetext | fileall, own, "Pliki tekstowe (*.txt)=*.txt|Wszystkie pliki (*.*)=*.*", ""},
        {0, own, "", ""},
        {fileown, "", "", ""},
        {fileown, std::string("Bez wzorca") + '\0', "", ""},
    };
    for (const auto &r : rows) {
        filefilter ff[8];
        shortstr ext = "stare";
        int n = filefilters(r.flags, shortstr(r.own), ff, 8, ext);
        std::string got;
        for (int i = 0; i < n; i++) got += (i ? "|" : "") + u8(ff[i].desc) + "=" + u8(ff[i].pattern);
        EXPECT_EQ(got, r.list) << r.flags;
        EXPECT_EQ(u8(ext), r.ext) << r.flags;
    }
}

TEST(Shell, OpenwebSchemeAndQuestion) {
    const struct {
        const char *address, *opened;
    } rows[] = {
        {"example.org", "http://example.org"},
        {"http://example.org", "http://example.org"},
        {"https://example.org", "https://example.org"},
        {"ftp://example.org", "ftp://example.org"},
        {"HTTP://example.org", "http://HTTP://example.org"},
        {"Ftp://x", "http://Ftp://x"},
        {"http:/x", "http://http:/x"},
        {"", "http://"},
    };
    for (const auto &r : rows) {
        start();
        scriptyes();
        openweb(r.address);
        EXPECT_TRUE(has(std::string("ask[Pytanie]: Czy chcesz otworzyć w domyślnej przeglądarce www stronę "
                                    "internetową:\r\n") +
                        r.opened + "? -> tak"))
            << transcripttext();
        EXPECT_EQ(transcript().back(), std::string("shell: ") + r.opened);
    }
    start();
    scriptno();
    openweb("example.org");
    EXPECT_FALSE(transcript().back().starts_with("shell:"));
}

TEST(Shell, SendmailAsksThenOpensMailto) {
    start();
    scriptyes();
    sendmail("autor@example.org");
    scriptno();
    sendmail("autor@example.org");
    const std::string q =
        "ask[Pytanie]: Czy chcesz utworzyć w domyślnym programie pocztowym wiadomość email "
        "na adres autor@example.org? -> ";
    const std::vector<std::string> expect = {q + "tak", "shell: mailto:autor@example.org", q + "nie"};
    EXPECT_EQ(transcript(), expect) << transcripttext();
}

TEST(Closing, QuestionFollowsBusyState) {
    const struct {
        bool busy, yes;
        const char *question;
    } rows[] = {
        {false, true, "Czy na pewno chcesz zamknąć program?"},
        {false, false, "Czy na pewno chcesz zamknąć program?"},
        {true, true, "Czy przerwać aktualny proces i zakończyć program?"},
        {true, false, "Czy przerwać aktualny proces i zakończyć program?"},
    };
    for (const auto &r : rows) {
        start();
        busyflag = r.busy;
        scriptclose();
        r.yes ? scriptyes() : scriptno();
        pumpmessage();
        EXPECT_EQ(quitflag, r.yes);
        EXPECT_TRUE(has(std::string("ask[Pytanie]: ") + r.question + (r.yes ? " -> tak" : " -> nie")))
            << transcripttext();
        EXPECT_EQ(has("quit"), r.yes);
    }
}

TEST(Pumping, IdlepumpPumpsOncePerTenThousandCalls) {
    start();
    busyflag = true;
    scriptclose();
    scriptno();
    for (int i = 0; i < 9999; i++) idlepump();
    EXPECT_EQ(scriptleft(), 2);
    EXPECT_EQ(idlecount, 9999);
    idlepump();
    EXPECT_EQ(scriptleft(), 0);
    EXPECT_EQ(idlecount, 0);
    EXPECT_FALSE(quitflag);
    // After the close is confirmed nothing pumps any more.
    scriptclose();
    scriptyes();
    for (int i = 0; i < 10000; i++) idlepump();
    EXPECT_TRUE(quitflag);
    scriptclose();
    for (int i = 0; i < 30000; i++) idlepump();
    pumpmessage();
    EXPECT_EQ(scriptleft(), 1);
    EXPECT_EQ(idlecount, 0);
}

}  // namespace
