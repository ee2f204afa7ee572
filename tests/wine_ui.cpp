// The Windows program under wine, on a virtual display of its own: what a
// screen reader finds in its windows after real key presses and clicks, the
// files it writes, its clipboard block, and PROJ giving the same numbers on
// both systems. Skipped (exit code 77) when the cross build is not there.
//
// The suite starts Xvfb on a free display number and keeps its own wine
// prefix in the build folder (made once, then reused). The test driver
// (tests/wine/wdrive.cpp) runs inside wine beside the program for the whole
// suite; every wait polls its answers until a deadline.

#include "tests/wine/suite.h"

namespace {

TEST_F(wintest, StartUpShowsTheMainMenuWithTheFocusInThePane) {
    ASSERT_NO_FATAL_FAILURE(start());
    answer a = state();
    EXPECT_EQ(a.get("caption"), title);
    EXPECT_EQ(a.get("maximized"), "1");
    EXPECT_EQ(a.get("pane"), welcome);
    EXPECT_EQ(a.get("sel"), "1");
    EXPECT_EQ(a.get("focus"), "pane");
    shot("main.png");

    // Tab and Shift+Tab both go from one control to the other.
    key("Tab");
    EXPECT_TRUE(waitfor("focus in the list", [](const answer &s) { return s.get("focus") == "list"; }));
    key("Tab");
    EXPECT_TRUE(waitfor("focus back in the pane", [](const answer &s) { return s.get("focus") == "pane"; }));
    key("shift+Tab");
    EXPECT_TRUE(waitfor("focus in the list", [](const answer &s) { return s.get("focus") == "list"; }));
    key("shift+Tab");
    EXPECT_TRUE(waitfor("focus back in the pane", [](const answer &s) { return s.get("focus") == "pane"; }));
    EXPECT_TRUE(inmain(state()));
}

TEST_F(wintest, HotkeyEnterAndDoubleClickChooseAndAltLeftGoesBack) {
    ASSERT_NO_FATAL_FAILURE(start());
    // Alt+K from the pane: the conversion menu, the focus moved to the list.
    key("alt+k");
    ASSERT_TRUE(waitfor("the conversion menu", [](const answer &a) { return inconv(a); }));
    answer a = state();
    EXPECT_EQ(a.get("focus"), "list");
    EXPECT_EQ(a.get("sel"), "1");
    EXPECT_EQ(a.all("item").back(), "Wróć do głównego menu - alt+lewo");
    EXPECT_EQ(a.get("pane").rfind("Ustaw parametry konwersji, a następnie wybierz polecenie \"konwertuj plik\"", 0), 0u)
        << a.get("pane");
    shot("convmenu.png");
    key("alt+Left");
    ASSERT_TRUE(waitfor("back in the main menu", [](const answer &s) { return inmain(s) && s.get("sel") == "1"; }));
    EXPECT_EQ(state().get("pane"), "");

    // Enter in the list chooses the selected item.
    key("Return");
    ASSERT_TRUE(waitfor("the conversion menu after Enter", [](const answer &s) { return inconv(s); }));
    key("alt+Left");
    ASSERT_TRUE(waitfor("back in the main menu", [](const answer &s) { return inmain(s); }));

    // A double click on an item chooses it.
    ASSERT_EQ(ask(std::string("dblclick\t") + title + "\t1").get("ok"), "1");
    ASSERT_TRUE(waitfor("the conversion menu after a double click", [](const answer &s) { return inconv(s); }));
    key("alt+Left");
    ASSERT_TRUE(waitfor("back in the main menu", [](const answer &s) { return inmain(s); }));

    // Alt+Q belongs to no item: nothing is chosen. The arrow key after it
    // shows that it has been handled, in order.
    key("alt+q");
    key("Down");
    ASSERT_TRUE(waitfor("item 2 selected", [](const answer &s) { return s.get("sel") == "2"; }));
    EXPECT_TRUE(inmain(state()));

    // Enter in the pane chooses nothing either.
    key("Tab");
    ASSERT_TRUE(waitfor("focus in the pane", [](const answer &s) { return s.get("focus") == "pane"; }));
    key("Return");
    key("Tab");
    ASSERT_TRUE(waitfor("focus in the list", [](const answer &s) { return s.get("focus") == "list"; }));
    a = state();
    EXPECT_TRUE(inmain(a)) << a.raw;
    EXPECT_EQ(a.get("sel"), "2");
}

TEST_F(wintest, EscAsksBeforeClosingAndYesSavesTheSettings) {
    ASSERT_NO_FATAL_FAILURE(start());
    auto question = [](const answer &a) {
        return a.get("box") == "Pytanie" && a.all("boxtext") == texts{"Czy na pewno chcesz zamknąć program?"} &&
               a.all("boxbutton").size() == 2;
    };
    key("Escape");
    ASSERT_TRUE(waitfor("the closing question", question));
    ASSERT_NO_FATAL_FAILURE(answerbox(2));  // No
    ASSERT_TRUE(waitfor("the question gone", nobox));
    key("Tab");
    ASSERT_TRUE(
        waitfor("the window still working", [](const answer &a) { return inmain(a) && a.get("focus") == "list"; }));
    EXPECT_FALSE(existsfile(t / "trelik.cfg"));

    key("Escape");
    ASSERT_TRUE(waitfor("the closing question again", question));
    ASSERT_NO_FATAL_FAILURE(answerbox(1));  // Yes
    EXPECT_EQ(finish(30000), 0);
    EXPECT_EQ(readfile(t / "trelik.cfg").size(), 264u);
}

TEST_F(wintest, UserIdDialogChecksTheRange) {
    ASSERT_NO_FATAL_FAILURE(start());
    key("alt+k");
    ASSERT_TRUE(waitfor("the conversion menu", [](const answer &a) { return inconv(a); }));
    const std::string id1 = "Id użytkownika: 1 - zmień... - alt+u";
    EXPECT_EQ(state().item(4), id1);

    auto dialog = [](const std::string &text) {
        return [text](const answer &a) {
            return a.get("box") == "Wprowadzanie danych" && a.all("boxtext") == texts{"Id użytkownika"} &&
                   a.all("boxbutton") == texts{"OK", "Anuluj"} && a.get("boxedit") == text &&
                   a.get("boxfocus").rfind("Edit:", 0) == 0;
        };
    };
    // 65536 does not fit Loadstone's 16-bit user id: the range message, and
    // the id stays.
    key("alt+u");
    ASSERT_TRUE(waitfor("the input dialog", dialog("1")));
    key("End");
    key("shift+Home");
    typetext("65536");
    ASSERT_TRUE(waitfor("65536 typed", dialog("65536")));
    key("Return");
    ASSERT_TRUE(waitfor("the range message", [](const answer &a) {
        return a.get("box") == "Info" && a.all("boxtext") == texts{"Oczekiwano liczby z zakresu 1 do 65535."};
    }));
    key("Return");
    ASSERT_TRUE(waitfor("the menu again", [&](const answer &a) { return nobox(a) && a.item(4) == id1; }));

    // 5 is taken and shown in the item's caption.
    key("alt+u");
    ASSERT_TRUE(waitfor("the input dialog", dialog("1")));
    key("End");
    key("shift+Home");
    typetext("5");
    ASSERT_TRUE(waitfor("5 typed", dialog("5")));
    key("Return");
    ASSERT_TRUE(waitfor("the new id in the menu", [](const answer &a) {
        return nobox(a) && a.item(4) == "Id użytkownika: 5 - zmień... - alt+u";
    }));

    // Esc cancels the dialog and keeps the id.
    key("alt+u");
    ASSERT_TRUE(waitfor("the input dialog", dialog("5")));
    typetext("7");
    key("Escape");
    ASSERT_TRUE(waitfor("the dialog gone", nobox));
    EXPECT_EQ(state().item(4), "Id użytkownika: 5 - zmień... - alt+u");
}

// Every sound the program asks for: the start, a selection moved by the
// user (but not by the program), a choice, the end; all but the last play
// on while the program goes on.
TEST_F(wintest, SoundsMarkTheStartSelectionChoicesAndTheEnd) {
    ASSERT_NO_FATAL_FAILURE(start(true));
    EXPECT_EQ(soundsafter(1), texts{"evstart.wav/3"});
    key("Tab");
    key("Down");
    ASSERT_TRUE(waitfor("item 2 selected", [](const answer &a) { return a.get("sel") == "2"; }));
    key("Up");
    ASSERT_TRUE(waitfor("item 1 selected", [](const answer &a) { return a.get("sel") == "1"; }));
    key("alt+k");
    ASSERT_TRUE(waitfor("the conversion menu", [](const answer &a) { return inconv(a); }));
    key("alt+Left");
    ASSERT_TRUE(waitfor("back in the main menu", [](const answer &a) { return inmain(a); }));
    key("Escape");
    ASSERT_TRUE(waitfor("the closing question", [](const answer &a) { return a.get("box") == "Pytanie"; }));
    ASSERT_NO_FATAL_FAILURE(answerbox(1));
    EXPECT_EQ(finish(30000), 0);
    EXPECT_EQ(soundsafter(6), (texts{"evstart.wav/3", "evselchg.wav/3", "evselchg.wav/3", "event.wav/3", "event.wav/3",
                                     "evend.wav/2"}));
}

// The mail and web items only ask; No hands nothing over. Closing the
// window (Alt+F4, as the close button) asks the closing question too.
TEST_F(wintest, MailAndWebAskFirstAndTheWindowCloseAsksToo) {
    ASSERT_NO_FATAL_FAILURE(start());
    auto asks = [](const std::string &lead) {
        return [lead](const answer &a) {
            if (a.get("box") != "Pytanie" || a.all("boxtext").size() != 1) return false;
            const std::string &q = a.all("boxtext")[0];
            return q.size() > lead.size() + 1 && q.compare(0, lead.size(), lead) == 0 && q.back() == '?' &&
                   q.find('?') == q.size() - 1;
        };
    };
    const std::string mail = "Czy chcesz utworzyć w domyślnym programie pocztowym wiadomość email na adres ";
    const std::string web = "Czy chcesz otworzyć w domyślnej przeglądarce www stronę internetową:\r\nhttp";
    ASSERT_EQ(ask(std::string("dblclick\t") + title + "\t5").get("ok"), "1");
    ASSERT_TRUE(waitfor("the mail question", asks(mail)));
    EXPECT_NE(state().all("boxtext")[0].find('@'), std::string::npos);
    ASSERT_NO_FATAL_FAILURE(answerbox(2));
    ASSERT_TRUE(waitfor("the main menu again", [](const answer &a) { return nobox(a) && inmain(a); }));
    for (const char *item : {"4", "6"}) {
        ASSERT_EQ(ask(std::string("dblclick\t") + title + "\t" + item).get("ok"), "1");
        ASSERT_TRUE(waitfor("the web question", asks(web))) << item;
        ASSERT_NO_FATAL_FAILURE(answerbox(2));
        ASSERT_TRUE(waitfor("the main menu again", [](const answer &a) { return nobox(a) && inmain(a); }));
    }

    auto question = [](const answer &a) {
        return a.get("box") == "Pytanie" && a.all("boxtext") == texts{"Czy na pewno chcesz zamknąć program?"};
    };
    key("alt+F4");
    ASSERT_TRUE(waitfor("the closing question", question));
    ASSERT_NO_FATAL_FAILURE(answerbox(2));
    ASSERT_TRUE(waitfor("the main menu again", [](const answer &a) { return nobox(a) && inmain(a); }));
    key("alt+F4");
    ASSERT_TRUE(waitfor("the closing question again", question));
    ASSERT_NO_FATAL_FAILURE(answerbox(1));
    EXPECT_EQ(finish(30000), 0);
    EXPECT_EQ(readfile(t / "trelik.cfg").size(), 264u);
}

TEST_F(convtest, PntFileThroughTheOpenDialogAndTheClipboardCopy) {
    std::string pnt = t / "punkty.pnt";
    std::filesystem::copy_file(source + "/samples/punkty.pnt", pnt);
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_NO_FATAL_FAILURE(setoutput());
    ASSERT_NO_FATAL_FAILURE(convert(pnt));
    ASSERT_TRUE(waitfor("the two count lines", [](const answer &a) {
        return nobox(a) &&
               a.get("pane").find("Pominięto 0 wpisów\r\nPrzetworzono poprawnie 40 wpisów\r\n") != std::string::npos;
    }));
    ASSERT_TRUE(waitfor("the menu with the output file's items", [](const answer &a) {
        return a.all("item").size() == 8 && a.item(5) == "Startowy id punktu: 41 - zmień... - alt+i";
    }));
    EXPECT_EQ(readfile(unixout()), expected({pnt}));

    // The clipboard holds the output file as a file-drop block.
    ASSERT_EQ(ask("clipclear").get("ok"), "1");
    key("alt+c");
    ASSERT_TRUE(waitfor("the confirmation", [](const answer &a) {
        return a.get("box") == "Info" &&
               a.all("boxtext") == texts{
                                       "Plik wynikowy został skopiowany do schowka. Możesz go wkleić w docelowej "
                                       "lokalizacji w Eksploratorze Windows lub innym programie do kopiowania "
                                       "plików."};
    }));
    answer c = ask("clip");
    EXPECT_EQ(c.get("hdrop"), "62");
    EXPECT_EQ(c.all("name"), texts{out});
    std::string hex;
    for (unsigned char ch : out) {
        static const char digits[] = "0123456789abcdef";
        hex += digits[ch >> 4];
        hex += digits[ch & 15];
    }
    EXPECT_EQ(c.get("bytes"), "14000000" + std::string(32, '0') + hex + "0000");
    key("Return");
    EXPECT_TRUE(waitfor("the confirmation closed", nobox));
}

// The output file's save dialog lists text files and appends ".txt"; a file
// that exists is taken without an overwrite question and with the warning
// that the points are appended to it, also after a cancelled dialog. A
// cancelled open dialog, and a path code page 1250 cannot hold or longer
// than 255 bytes, end with "Operacja anulowana". Paths with Polish letters reach trelik.cfg in code
// page 1250.
TEST_F(convtest, OutputAndOpenDialogsAndTheirCancelling) {
    std::string dir = winpath(t.path) + "\\";
    const std::string polish = "poi ąść.txt";
    ASSERT_TRUE(writefile(t / polish, "stare\r\n"));
    std::filesystem::copy_file(source + "/samples/punkty.pnt", t / "ж.pnt");
    ASSERT_NO_FATAL_FAILURE(start(true));
    key("alt+k");
    ASSERT_TRUE(waitfor("the conversion menu", [](const answer &a) { return inconv(a); }));
    auto outitem = [](const std::string &path) {
        return [path](const answer &a) {
            return nobox(a) && a.item(3) == "Plik wynikowy: " + path + " - zmień... - alt+w";
        };
    };
    const std::string appendnote =
        "Konwertowane poi zostaną dopisane do wskazanego pliku. Jeżeli nie jest to plik "
        "poi dla LS, przed rozpoczęciem konwersji ustaw inny plik, lub usuń z dysku "
        "wskazany.";
    auto note = [&](const answer &a) { return a.get("box") == "Info" && a.all("boxtext") == texts{appendnote}; };
    const std::string outtitle = "Ustaw plik wynikowy (jeśli nie istnieje zostanie utworzony)";

    // A new name without extension: ".txt" is added, and nothing is asked.
    key("alt+w");
    ASSERT_TRUE(waitfor("the output dialog listing text files", [&](const answer &a) {
        return a.get("box") == outtitle && filetypechosen(a) == texts{"Pliki tekstowe (*.txt)"} &&
               a.get("boxfocus").rfind("Edit:", 0) == 0;
    }));
    EXPECT_EQ(filetypes(state()), texts({"Pliki tekstowe (*.txt)", "Pliki GPX (*.gpx)"}));
    typetext(dir + "wynik");
    ASSERT_TRUE(
        waitfor("the typed name", [&](const answer &a) { return a.get("boxfocus") == "Edit:" + dir + "wynik"; }));
    key("Return");
    ASSERT_TRUE(waitfor("the new output file", outitem(dir + "wynik.txt")));
    EXPECT_EQ(state().all("item").size(), 6u);
    EXPECT_FALSE(existsfile(t / "wynik.txt"));

    // An existing file with Polish letters: no overwrite question, the note.
    ASSERT_NO_FATAL_FAILURE(choose("alt+w", outtitle, dir + polish));
    ASSERT_TRUE(waitfor("the note that points are appended", note));
    key("Return");
    ASSERT_TRUE(waitfor("the Polish output file", outitem(dir + polish)));
    EXPECT_EQ(state().all("item").size(), 8u);

    // Cancelled: the output file stays, and as it exists the note comes again.
    key("alt+w");
    ASSERT_TRUE(waitfor("the output dialog", [&](const answer &a) {
        return a.get("box") == outtitle && a.get("boxfocus").rfind("Edit:", 0) == 0;
    }));
    key("Escape");
    ASSERT_TRUE(waitfor("the note after cancelling", note));
    EXPECT_EQ(state().get("pane"), "Operacja anulowana\r\n");
    key("Return");
    ASSERT_TRUE(waitfor("the output file unchanged", outitem(dir + polish)));

    // The open dialog lists the point files only; cancelling it stops the run.
    key("alt+k");
    ASSERT_TRUE(waitfor("the open dialog", [](const answer &a) {
        return a.get("box") == "Wybierz plik poi do konwersji" &&
               filetypechosen(a) == texts{"Pliki poi (*.pnt *.wpt *.uam *.gpx *.kml *.csv)"} &&
               a.get("boxfocus").rfind("Edit:", 0) == 0;
    }));
    EXPECT_EQ(filetypes(state()), texts{"Pliki poi (*.pnt *.wpt *.uam *.gpx *.kml *.csv)"});
    key("Escape");
    ASSERT_TRUE(waitfor("the cancel notice", [](const answer &a) {
        return nobox(a) && inconv(a) && a.get("pane") == "Operacja anulowana\r\n";
    }));

    // A file whose name code page 1250 cannot hold is refused, not renamed.
    ASSERT_NO_FATAL_FAILURE(convert(t / "ж.pnt"));
    ASSERT_TRUE(waitfor("the refusal", [](const answer &a) {
        return a.get("box") == "Info" &&
               a.all("boxtext") == texts{"Ścieżka zawiera znaki spoza strony kodowej Windows-1250 (polskiej)."};
    }));
    key("Return");
    ASSERT_TRUE(waitfor("the cancel notice", [](const answer &a) {
        return nobox(a) && inconv(a) && a.get("pane") == "Operacja anulowana\r\n";
    }));
    EXPECT_EQ(readfile(t / polish), "stare\r\n");

    // So is a path longer than 255 bytes: here 258 (wine's own file dialog
    // fails on paths longer than 259).
    const std::size_t folder = 258 - winpath(t.path).size() - std::string("\\a\\punkty.pnt").size() + 1;
    std::string deep = t / std::string(folder, 'a');
    std::filesystem::create_directories(deep);
    std::filesystem::copy_file(source + "/samples/punkty.pnt", deep + "/punkty.pnt");
    ASSERT_EQ(winpath(deep + "/punkty.pnt").size(), 258u);
    ASSERT_NO_FATAL_FAILURE(convert(deep + "/punkty.pnt"));
    ASSERT_TRUE(waitfor("the refusal of the long path", [](const answer &a) {
        return a.get("box") == "Info" && a.all("boxtext") == texts{"Ścieżka jest za długa: ma więcej niż 255 znaków."};
    }));
    key("Return");
    ASSERT_TRUE(waitfor("the cancel notice", [](const answer &a) {
        return nobox(a) && inconv(a) && a.get("pane") == "Operacja anulowana\r\n";
    }));
    EXPECT_EQ(readfile(t / polish), "stare\r\n");

    key("Escape");
    ASSERT_TRUE(waitfor("the closing question", [](const answer &a) { return a.get("box") == "Pytanie"; }));
    ASSERT_NO_FATAL_FAILURE(answerbox(1));
    EXPECT_EQ(finish(30000), 0);
    // ą, ś and ć in code page 1250.
    std::string cp = dir + "poi \xB9\x9C\xE6.txt";
    std::string cfg = readfile(t / "trelik.cfg");
    ASSERT_EQ(cfg.size(), 264u);
    EXPECT_EQ(cfg.substr(8, 1 + cp.size()), std::string(1, char(cp.size())) + cp);
    EXPECT_EQ(soundsafter(13), (texts{"evstart.wav/3", "event.wav/3", "event.wav/3", "event.wav/3", "event.wav/3",
                                      "evcancel.wav/3", "event.wav/3", "evcancel.wav/3", "event.wav/3",
                                      "evcancel.wav/3", "event.wav/3", "evcancel.wav/3", "evend.wav/2"}));
}

// Closing during a long run asks whether to stop it: No lets the run go on,
// Yes (here through the window's close) stops it after a whole record, and
// the settings are saved with the next point id following the last record
// written. The selection sound stays silent while the run works.
TEST_F(convtest, ClosingDuringARunAsksAndYesStopsItWithTheSettingsSaved) {
    // The sample's points again and again: a run of many seconds, as the
    // window lets one message through every 10000 characters.
    std::string sample = readfile(source + "/samples/punkty.pnt");
    std::size_t first = 0;  // where the points start: after the five lines of the header
    for (int i = 0; i < 5 && first != std::string::npos; i++) first = sample.find('\n', first + (i > 0));
    ASSERT_NE(first, std::string::npos);
    std::string points = sample.substr(first + 1), big = sample.substr(0, first + 1);
    std::size_t perfile = 0;
    for (char c : points) perfile += c == '\n';
    const std::size_t copies = 2500;
    for (std::size_t i = 0; i < copies; i++) big += points;
    std::string pnt = t / "duzy.pnt";
    ASSERT_TRUE(writefile(pnt, big));

    std::error_code ec;
    ASSERT_NO_FATAL_FAILURE(start(true));
    ASSERT_NO_FATAL_FAILURE(setoutput());
    ASSERT_NO_FATAL_FAILURE(convert(pnt));
    auto running = [](const answer &a) { return a.all("item") == texts{"Przetwarzanie w toku..."}; };
    ASSERT_TRUE(waitfor("the run", running));
    // With nobody pressing anything, the run goes on all the same: the
    // window's timer keeps the message wait short.
    auto deadline = childclock::now() + std::chrono::seconds(15);
    while (std::filesystem::file_size(unixout(), ec) < 4 * 65536 && childclock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ASSERT_GE(std::filesystem::file_size(unixout(), ec), 4u * 65536) << "the run stands still";
    // Moving the selection while the run works makes no sound.
    key("Down");
    ASSERT_TRUE(
        waitfor("the status item selected", [&](const answer &a) { return running(a) && a.get("sel") == "1"; }));
    auto busyquestion = [](const answer &a) {
        return a.get("box") == "Pytanie" &&
               a.all("boxtext") == texts{"Czy przerwać aktualny proces i zakończyć program?"};
    };
    key("Escape");
    ASSERT_TRUE(waitfor("the question whether to stop the run", busyquestion));
    ASSERT_NO_FATAL_FAILURE(answerbox(2));
    ASSERT_TRUE(waitfor("the run going on", [&](const answer &a) { return nobox(a) && running(a); }));
    key("alt+F4");
    ASSERT_TRUE(waitfor("the question again", busyquestion));
    ASSERT_NO_FATAL_FAILURE(answerbox(1));
    EXPECT_EQ(finish(30000), 0);

    // Whole records only, the same as the Linux program writes, fewer than all.
    std::string got = readfile(unixout()), want = expected({pnt});
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(got.substr(got.size() - 2), "\r\n");
    EXPECT_EQ(want.compare(0, got.size(), got), 0) << "the output is not the start of the expected one";
    std::size_t lines = 0;
    for (char c : got) lines += c == '\n';
    ASSERT_GT(lines, 2u);
    EXPECT_LT(lines - 2, copies * perfile);
    std::string cfg = readfile(t / "trelik.cfg");
    ASSERT_EQ(cfg.size(), 264u);
    std::uint32_t next = 0;
    for (int i = 3; i >= 0; i--) next = next << 8 | (unsigned char)cfg[std::size_t(i)];
    EXPECT_EQ(next, lines - 2 + 1) << "the next point id follows the last record written";
    EXPECT_EQ(soundsafter(8), (texts{"evstart.wav/3", "event.wav/3", "event.wav/3", "event.wav/3", "evproc.wav/11",
                                     "evproc.wav/2", "evdone.wav/3", "evend.wav/2"}));
}

// A .uam file of two points in the grid of AutoMapa files.
std::string uamfile() {
    auto i32 = [](std::int32_t v) {
        std::string s(4, '\0');
        for (int i = 0; i < 4; i++) s[std::size_t(i)] = char((std::uint32_t(v) >> (8 * i)) & 0xff);
        return s;
    };
    auto slot = [](const std::string &text, std::size_t size) {
        std::string s = text;
        s.resize(size, '\0');
        return s;
    };
    auto record = [&](std::int32_t x, std::int32_t y, const std::string &name, const std::string &desc,
                      unsigned char cat, const std::string &own) {
        return i32(x) + i32(y) + std::string(1, '\0') + slot(name, 64) + slot(desc, 255) + std::string(1, '\0') +
               std::string(1, char(cat)) + slot(own, 32);
    };
    return "\xBB\x22\xD5\x3F" + i32(2) + record(637000, 486000, "Dworzec Centralny", "Kasy biletowe", 99, "Parking") +
           record(500000, 500000, "Rynek", "", 99, "Plac");
}

TEST_F(convtest, UamFileThroughTheOpenDialog) {
    std::string uam = t / "punkty.uam";
    ASSERT_TRUE(writefile(uam, uamfile()));
    ASSERT_NO_FATAL_FAILURE(start());
    ASSERT_NO_FATAL_FAILURE(setoutput());
    ASSERT_NO_FATAL_FAILURE(convert(uam));
    ASSERT_TRUE(waitfor("the count lines", [&](const answer &a) {
        return nobox(a) && a.get("pane").find("Przetworzono poprawnie ") != std::string::npos;
    })) << state().get("pane");
    EXPECT_NE(state().get("pane").find("zadeklarowano w pliku 2 rekordów\r\n"), std::string::npos);
    EXPECT_NE(state().get("pane").find("Pominięto 0 wpisów\r\nPrzetworzono poprawnie 2 wpisów\r\n"), std::string::npos)
        << state().get("pane");
    EXPECT_EQ(readfile(unixout()), expected({uam}));
}

// A textbase made from a .uam file through the generation menu, its folder
// typed into the input dialog, then checked from the check menu: the parts
// are those the Linux program generates, and the check ends with its
// statistics and offers its repeat.
TEST_F(convtest, TextbaseGeneratedAndCheckedThroughTheMenus) {
    std::string uam = t / "punkty.uam";
    ASSERT_TRUE(writefile(uam, uamfile()));
    std::string tb = winpath(t / "tb");
    ASSERT_NO_FATAL_FAILURE(start());
    // The generation item has no hotkey: the list gets the focus through the
    // check menu and back, then the arrow keys reach the item.
    auto checkmenu = [](const answer &a) {
        return nobox(a) &&
               a.all("item") == texts{"Sprawdź... - alt+s", "Ostrzeżenia o zbyt długich nazwach: nie - Zmień",
                                      "Kontrola ilości rekordów: wyłączona - Zmień",
                                      "Powrót do głównego menu - alt+lewo"};
    };
    key("alt+s");
    ASSERT_TRUE(waitfor("the check menu", checkmenu)) << state().raw;
    key("alt+Left");
    ASSERT_TRUE(waitfor("the main menu", [](const answer &a) { return nobox(a) && inmain(a); }));
    key("Down");
    key("Down");
    key("Return");
    auto genitems = [](const std::string &first, const std::string &folder) {
        return [=](const answer &a) {
            return nobox(a) && a.item(1) == "Numer pierwszej części: " + first + " - zmień... - alt+p" &&
                   a.item(3) == "Folder docelowy: " + folder + " - zmień... - alt+f";
        };
    };
    ASSERT_TRUE(waitfor("the generation menu", genitems("1", "c:\\textbase nowe\\"))) << state().raw;
    key("alt+f");
    ASSERT_TRUE(waitfor("the folder dialog", [](const answer &a) {
        return a.get("box") == "Wprowadzanie danych" && a.all("boxtext") == texts{"Folder docelowy"} &&
               a.get("boxedit") == "c:\\textbase nowe\\";
    }));
    key("End");
    key("shift+Home");
    typetext(tb);
    ASSERT_TRUE(waitfor("the folder typed", [&](const answer &a) { return a.get("boxedit") == tb; }));
    key("Return");
    ASSERT_TRUE(waitfor("the folder in the menu", genitems("1", tb)));
    ASSERT_NO_FATAL_FAILURE(choose("alt+g", "Wskaż plik uam do przetworzenia", winpath(uam)));
    ASSERT_TRUE(waitfor("the generation's end", genitems("2", tb + "\\"))) << state().get("pane");
    EXPECT_NE(state().get("pane").find("Rozpoczynam zapis uam do textbase\r\n"), std::string::npos);
    EXPECT_NE(state().get("pane").find("Zapisano 2 rekordów\r\n"), std::string::npos) << state().get("pane");
    {
        tempdir home;
        child c = childrun({build + "/trelik", "generate", "--dest", home / "tb", uam}, {{"TRELIK_HOME", home.path}},
                           "", 60000);
        ASSERT_EQ(c.status, 0) << c.outtext << c.errtext;
        EXPECT_EQ(readfile(t / "tb/tba001.txt"), readfile(home / "tb/tba001.txt"));
    }

    key("alt+Left");
    ASSERT_TRUE(waitfor("the main menu", [](const answer &a) { return nobox(a) && inmain(a); }));
    key("alt+s");
    ASSERT_TRUE(waitfor("the check menu again", checkmenu)) << state().raw;
    ASSERT_NO_FATAL_FAILURE(choose("alt+s", "Wskaż pierwszą część textbase do przetworzenia", tb + "\\tba001.txt"));
    ASSERT_TRUE(waitfor("the whole-base question", [](const answer &a) {
        return a.all("boxtext") ==
               texts{"Czy chcesz przetworzyć całą bazę od tej części (odpowiedź nie oznacza tylko wybraną część)?"};
    }));
    ASSERT_NO_FATAL_FAILURE(answerbox(1));
    ASSERT_TRUE(waitfor(
        "the repeat item",
        [](const answer &a) { return nobox(a) && a.item(2) == "Powturz ostatnie sprawdzenie - alt+p"; }, 60000))
        << state().get("pane");
    EXPECT_NE(state().get("pane").find("Przetwarzam tba001.txt w folderze " + tb +
                                       "\\\r\n"
                                       "Nie znaleziono następnej części bazy. Ostatnia przetworzona część nr 1\r\n"
                                       "Zakończono\r\nStatystyka:\r\nWszystkich: 2\r\nZaremowanych: 0\r\n"
                                       "Zawierających błędy: 0\r\nPrawidłowych: 2\r\nBrakujących części bazy: 0\r\n"),
              std::string::npos)
        << state().get("pane");
}

// PROJ inside the Windows program's build gives the numbers of Linux's PROJ.
TEST(winproj, SameNumbersAsOnLinux) {
    if (!S || !S->failure.empty()) GTEST_FAIL() << (S ? S->failure : "no suite");
    std::string exe = winbuild + "/wine/projcheck.exe", host = build + "/projcheck";
    ASSERT_TRUE(existsfile(exe)) << exe << " missing: make windows builds it with PROJ";
    ASSERT_TRUE(existsfile(host)) << host << " missing (libproj-dev)";
    child w = childrun({winecmd(), exe}, S->env, "", 60000);
    child l = childrun({host}, {{"PROJ_DATA", "/nonexistent"}, {"PROJ_LIB", "/nonexistent"}}, "", 60000);
    ASSERT_EQ(w.status, 0) << w.outtext << w.errtext;
    ASSERT_EQ(l.status, 0) << l.outtext << l.errtext;
    std::string wout;
    for (char c : w.outtext)
        if (c != '\r') wout += c;
    EXPECT_EQ(wout, l.outtext);
    EXPECT_NE(l.outtext.find("637000 486000 -> "), std::string::npos) << l.outtext;
}

// The command line from cmd.exe: "trelik" finds the console program
// trelik.com, which cmd.exe waits for; its lines, Polish letters included,
// come through the console's output, and the exit codes tell how it went.
TEST(wincli, ConvertFromCmd) {
    if (!S || !S->failure.empty()) GTEST_FAIL() << (S ? S->failure : "no suite");
    ASSERT_TRUE(existsfile(winbuild + "/trelik.com")) << "make windows builds trelik.com";
    tempdir t;
    std::filesystem::copy_file(programexe, t / "trelik.exe");
    std::filesystem::copy_file(winbuild + "/trelik.com", t / "trelik.com");
    writefile(t / "a.pnt",
              "OziExplorer Point File Version 1.0\r\nWGS 84\r\nr\r\nr\r\nr\r\n"
              "52.5,21,,,\xa3\xf3"
              "d\x9f,,,\r\n# uwaga\r\n");
    // Output goes to files: a wine helper process started on the way may keep
    // inherited pipes open long after the program has ended.
    struct result {
        int status;
        std::string outtext, errtext;
    };
    auto cmd = [&](const std::string &line) {
        std::string sh = "timeout 60 env";
        for (const auto &kv : S->env) sh += " '" + kv.first + "=" + kv.second + "'";
        sh +=
            " '" + winecmd() + "' cmd /c '" + line + "' > '" + t / "stdout" + "' 2> '" + t / "stderr" + "' < /dev/null";
        int rc = std::system(sh.c_str());
        return result{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, readfile(t / "stdout"), readfile(t / "stderr")};
    };
    std::string prog = winpath(t / "trelik");
    result c = cmd(prog + " convert -o " + winpath(t / "out.txt") + " -i 7 " + winpath(t / "a.pnt"));
    EXPECT_EQ(c.status, 0) << c.outtext << c.errtext;
    std::string out;
    for (char ch : c.outtext)
        if (ch != '\r') out += ch;
    EXPECT_EQ(out, "rozpoczynam konwersję " + winpath(t / "a.pnt") +
                       "\nPominięto 1 wpisów\nPrzetworzono poprawnie 1 wpisów\n");
    EXPECT_EQ(readfile(t / "out.txt"),
              "table,point\r\nname,latitude,longitude,accuracy,satellites,priority,userid,id\r\n"
              "\"\xa3\xf3"
              "d\x9f\",525000000,210000000,0,0,0,1,7\r\n");

    // A missing file: exit code 1; a bad option: exit code 2, said on standard error.
    c = cmd(prog + " convert " + winpath(t / "brak.pnt"));
    EXPECT_EQ(c.status, 1) << c.outtext << c.errtext;
    EXPECT_NE(c.outtext.find("Błąd: Nie można otworzyć pliku"), std::string::npos) << c.outtext;
    c = cmd(prog + " convert -i 0 " + winpath(t / "a.pnt"));
    EXPECT_EQ(c.status, 2);
    EXPECT_NE(c.errtext.find("oczekiwano liczby całkowitej z zakresu 1 do 2000000000"), std::string::npos) << c.errtext;
}

// Two trelik.com runs into one output file, each from its own settings
// folder: the second, started while the first writes, is refused before it
// writes, and the file holds the first run's points alone.
TEST(wincli, SecondRunIntoTheSameOutputIsRefused) {
    if (!S || !S->failure.empty()) GTEST_FAIL() << (S ? S->failure : "no suite");
    tempdir t;
    std::filesystem::copy_file(winbuild + "/trelik.com", t / "trelik.com");
    std::filesystem::create_directory(t / "a");
    std::filesystem::create_directory(t / "b");
    const int n = 2000000;
    std::string big = "OziExplorer Point File Version 1.0\r\nWGS 84\r\nr\r\nr\r\nr\r\n";
    big.reserve(std::size_t(n) * 32);
    for (int i = 0; i < n; ++i) big += "52.1234567,21.7654321,,,Punkt,n\r\n";
    writefile(t / "big.pnt", big);
    writefile(t / "small.pnt", "OziExplorer Point File Version 1.0\r\nWGS 84\r\nr\r\nr\r\nr\r\n52,21,,,Inny\r\n");
    std::string env = "env";
    for (const auto &kv : S->env) env += " '" + kv.first + "=" + kv.second + "'";
    auto prog = [&](const std::string &home, const std::string &in, const std::string &log) {
        return env + " TRELIK_HOME='" + winpath(t / home) + "' '" + winecmd() + "' '" + t / "trelik.com" +
               "' convert -o '" + winpath(t / "out.txt") + "' '" + winpath(t / in) + "' > '" + t / log +
               ".out' 2>&1 < /dev/null";
    };
    // The second starts once the first has written past the header (polled).
    std::string sh = "timeout 300 sh -c \"" + prog("a", "big.pnt", "first") + " & p=\\$!; " +
                     "while [ \\$(stat -c %s '" + t / "out.txt" + "' 2>/dev/null || echo 0) -le 100 ]; do " +
                     "kill -0 \\$p 2>/dev/null || break; sleep 0.02; done; " + prog("b", "small.pnt", "second") +
                     "; echo \\$? > '" + t / "second.rc" + "'; wait \\$p; echo \\$? > '" + t / "first.rc" + "'\"";
    ASSERT_EQ(std::system(sh.c_str()), 0) << sh;
    EXPECT_EQ(readfile(t / "first.rc"), "0\n") << readfile(t / "first.out");
    EXPECT_EQ(readfile(t / "second.rc"), "1\n") << readfile(t / "second.out");
    EXPECT_NE(
        readfile(t / "second.out").find("Plik wynikowy jest używany przez inny proces: " + winpath(t / "out.txt")),
        std::string::npos)
        << readfile(t / "second.out");
    std::string o = readfile(t / "out.txt");
    EXPECT_EQ(o.find("Inny"), std::string::npos);
    EXPECT_EQ(std::count(o.begin(), o.end(), '\n'), n + 2);
    EXPECT_TRUE(o.size() > 2 && o.compare(o.size() - 2, 2, "\r\n") == 0);
}

// The Windows file-system edge's own checks, run under wine.
TEST(winfs, FileSystemEdgeChecksPass) {
    if (!S || !S->failure.empty()) GTEST_FAIL() << (S ? S->failure : "no suite");
    std::string exe = winbuild + "/wine/fscheck.exe";
    ASSERT_TRUE(existsfile(exe)) << exe << " missing: make windows builds it";
    child c = childrun({winecmd(), exe}, S->env, "", 60000);
    EXPECT_EQ(c.status, 0) << c.outtext << c.errtext;
}

}  // namespace

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!existsfile(programexe)) {
        std::printf("%s not built (make windows): the Windows tests are skipped\n", programexe.c_str());
        return 77;
    }
    ::testing::AddGlobalTestEnvironment(new wineenv);
    return RUN_ALL_TESTS();
}
