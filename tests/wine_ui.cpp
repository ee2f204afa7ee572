// The Windows program under wine, on a virtual display of its own: what a
// screen reader finds in its windows after real key presses and clicks, the
// files it writes, its clipboard block, and PROJ giving the same numbers on
// both systems. Skipped (exit code 77) when the cross build is not there.
//
// The suite starts Xvfb on a free display number and keeps its own wine
// prefix in the build folder (made once, then reused). The test driver
// (tests/wine/wdrive.cpp) runs inside wine beside the program for the whole
// suite; every wait polls its answers until a deadline.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/childproc.h"
#include "tests/testfiles.h"

namespace {

using envlist = std::vector<std::pair<std::string, std::string>>;
using texts = std::vector<std::string>;

std::string envor(const char *name, const std::string &dflt) {
    const char *v = std::getenv(name);
    return v && *v ? v : dflt;
}

const std::string build = envor("TRELIK_BUILD", ".");
const std::string source = envor("TRELIK_SOURCE", "..");
const std::string winbuild = envor("TRELIK_WINBUILD", source + "/build-win");
const std::string programexe = winbuild + "/trelik.exe";
const std::string driverexe = winbuild + "/wine/wdrive.exe";
const std::string outdir = build + "/wine-output";  // screenshots and logs of the suite

const char *const title = "Konwersja poi dla loadstone";
const char *const sounds[] = {"evstart.wav",  "evend.wav", "evproc.wav",  "evdone.wav",
                              "evcancel.wav", "event.wav", "evselchg.wav"};

// The Windows name of a Unix path, as wine's drive Z: shows it.
std::string winpath(const std::string &p) {
    std::string w = "Z:" + p;
    for (char &c : w)
        if (c == '/') c = '\\';
    return w;
}

std::string winecmd() { return existsfile("/usr/bin/wine") ? "/usr/bin/wine" : "/usr/lib/wine/wine64"; }

std::vector<char *> cstrings(std::vector<std::string> &v) {
    std::vector<char *> p;
    for (auto &s : v) p.push_back(s.data());
    p.push_back(nullptr);
    return p;
}

// Starts a program with its output going to a log file; the pid, or -1.
pid_t spawnlog(const std::vector<std::string> &argv, const envlist &env, const std::string &log) {
    std::vector<std::string> envs = childenviron(env);
    std::vector<std::string> args = argv;
    auto av = cstrings(args), ev = cstrings(envs);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, av[0], &fa, nullptr, av.data(), ev.data());
    posix_spawn_file_actions_destroy(&fa);
    return rc == 0 ? pid : -1;
}

// Waits for a child's end until the deadline; its exit code, -1 when it was
// killed at the deadline or ended by a signal.
int reap(pid_t pid, int timeoutms) {
    auto deadline = childclock::now() + std::chrono::milliseconds(timeoutms);
    int st = 0;
    for (;;) {
        pid_t r = waitpid(pid, &st, WNOHANG);
        if (r == pid) return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        if (r < 0) return -1;
        if (childclock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &st, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// One answer of the driver: the values of each name, in order.
struct answer {
    std::map<std::string, std::vector<std::string>> v;
    std::string raw;  // the lines as received, for failure messages
    std::string get(const std::string &k) const {
        auto i = v.find(k);
        return i == v.end() || i->second.empty() ? "" : i->second[0];
    }
    const std::vector<std::string> &all(const std::string &k) const {
        static const std::vector<std::string> none;
        auto i = v.find(k);
        return i == v.end() ? none : i->second;
    }
    bool has(const std::string &k) const { return v.count(k) > 0; }
    std::string item(std::size_t n) const { return n >= 1 && n <= all("item").size() ? all("item")[n - 1] : ""; }
};

std::string unescape(const std::string &s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); i++) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        char c = s[++i];
        out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
    }
    return out;
}

// The state shared by the whole suite: display, wine prefix, driver.
struct suite {
    std::string display;                         // ":N" of our Xvfb
    pid_t xvfb = -1;                             // its pid
    std::string prefix = build + "/wineprefix";  // our wine prefix
    envlist env;                                 // the environment of every wine program
    child driver;                                // the test driver inside wine
    std::string failure;                         // why the set-up failed, empty when it worked
};

suite *S = nullptr;

// Runs a wine command to its end, its output in the suite's log.
int winerun(std::vector<std::string> args, int timeoutms) {
    args.insert(args.begin(), winecmd());
    pid_t pid = spawnlog(args, S->env, outdir + "/wine.log");
    return pid < 0 ? -1 : reap(pid, timeoutms);
}

int wineserver(const std::string &opt, int timeoutms) {
    pid_t pid =
        spawnlog({existsfile("/usr/bin/wineserver") ? "/usr/bin/wineserver" : "/usr/lib/wine/wineserver64", opt},
                 S->env, outdir + "/wine.log");
    return pid < 0 ? -1 : reap(pid, timeoutms);
}

bool startdisplay() {
    for (int n = 70; n < 100; n++) {
        std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
        std::string sock = "/tmp/.X11-unix/X" + std::to_string(n);
        if (existsfile(lock) || existsfile(sock)) continue;
        std::string d = ":" + std::to_string(n);
        pid_t pid =
            spawnlog({"/usr/bin/Xvfb", d, "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, {}, outdir + "/xvfb.log");
        if (pid < 0) return false;
        auto deadline = childclock::now() + std::chrono::seconds(15);
        bool up = false, died = false;
        while (childclock::now() < deadline) {
            if (existsfile(sock)) {
                up = true;
                break;
            }
            if (waitpid(pid, nullptr, WNOHANG) == pid) {
                died = true;  // the number was taken meanwhile
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (up) {
            S->display = d;
            S->xvfb = pid;
            return true;
        }
        if (!died) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    return false;
}

// The prefix is made once: a virtual desktop of the screen's size, so that
// windows are placed and maximised without a window manager, and no sound
// output (the machine has no sound card).
bool prepareprefix() {
    std::string ready = S->prefix + "/trelik-ready";
    if (existsfile(ready)) return true;
    std::filesystem::remove_all(S->prefix);
    if (winerun({"wineboot", "-i"}, 180000) != 0) return false;
    if (winerun({"reg", "add", "HKCU\\Software\\Wine\\Explorer", "/v", "Desktop", "/d", "Default", "/f"}, 60000) != 0)
        return false;
    if (winerun({"reg", "add", "HKCU\\Software\\Wine\\Explorer\\Desktops", "/v", "Default", "/d", "1024x768", "/f"},
                60000) != 0)
        return false;
    if (winerun({"reg", "add", "HKCU\\Software\\Wine\\Drivers", "/v", "Audio", "/d", "", "/f"}, 60000) != 0)
        return false;
    if (wineserver("-w", 60000) != 0) return false;
    return writefile(ready, "");
}

class wineenv : public ::testing::Environment {
public:
    void SetUp() override {
        S = new suite;
        std::filesystem::create_directories(outdir);
        if (!existsfile(driverexe)) {
            S->failure = driverexe + " is missing (make windows builds it)";
            return;
        }
        if (!existsfile("/usr/bin/Xvfb") || !existsfile(winecmd())) {
            S->failure = "wine or Xvfb is not installed (make test installs them)";
            return;
        }
        if (!startdisplay()) {
            S->failure = "no free display for Xvfb";
            return;
        }
        S->env = {
            {"DISPLAY", S->display}, {"WINEPREFIX", S->prefix},
            {"WINEDEBUG", "-all"},   {"WINEDLLOVERRIDES", "mscoree,mshtml="},  // no questions about Mono and Gecko
            {"LC_ALL", "C.UTF-8"},   {"TRELIK_HOME", ""}};
        auto t0 = childclock::now();
        wineserver("-k", 20000);  // a server left by an earlier run of this suite
        if (!prepareprefix()) {
            S->failure = "the wine prefix could not be made; see " + outdir + "/wine.log";
            return;
        }
        if (!childstart(S->driver, {winecmd(), driverexe}, S->env)) {
            S->failure = "the test driver did not start";
            return;
        }
        std::fprintf(stderr, "wine ready on display %s in %.1f s\n", S->display.c_str(),
                     std::chrono::duration<double>(childclock::now() - t0).count());
    }
    void TearDown() override {
        if (S->driver.pid > 0) childfinish(S->driver, "quit\n", 10000);
        wineserver("-k", 20000);
        if (S->xvfb > 0) {
            kill(S->xvfb, SIGTERM);
            reap(S->xvfb, 10000);
        }
        delete S;
        S = nullptr;
    }
};

// One command to the driver and its answer.
answer ask(const std::string &line) {
    answer a;
    child &d = S->driver;
    std::size_t start = d.outtext.size();
    if (d.in < 0) return a;
    std::string cmd = line + "\n";
    std::size_t done = 0;
    while (done < cmd.size()) {
        ssize_t w = write(d.in, cmd.data() + done, cmd.size() - done);
        if (w <= 0) return a;
        done += std::size_t(w);
    }
    auto ended = [&] {
        std::size_t n = d.outtext.size();
        return n >= start + 2 && d.outtext.compare(n - 2, 2, ".\n") == 0 &&
               (n == start + 2 || d.outtext[n - 3] == '\n');
    };
    childpump(d, "", false, childclock::now() + std::chrono::seconds(20), ended);
    a.raw = d.outtext.substr(start);
    std::size_t at = 0;
    while (at < a.raw.size()) {
        std::size_t e = a.raw.find('\n', at);
        if (e == std::string::npos) break;
        std::string l = a.raw.substr(at, e - at);
        at = e + 1;
        std::size_t eq = l.find('=');
        if (eq != std::string::npos) a.v[l.substr(0, eq)].push_back(unescape(l.substr(eq + 1)));
    }
    return a;
}

answer state() { return ask(std::string("state\t") + title); }

void key(const std::string &spec) { ASSERT_EQ(ask("key\t" + spec).get("ok"), "1") << spec; }
void typetext(const std::string &text) { ASSERT_EQ(ask("type\t" + text).get("ok"), "1") << text; }

// Polls the window state until it shows what pred wants (true) or the time
// runs out (false, with the last state in the failure message).
template <class P>
::testing::AssertionResult waitfor(const char *what, P pred, int timeoutms = 15000) {
    auto deadline = childclock::now() + std::chrono::milliseconds(timeoutms);
    answer a;
    for (;;) {
        a = state();
        if (pred(a)) return ::testing::AssertionSuccess();
        if (childclock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    return ::testing::AssertionFailure() << "timed out waiting for: " << what << "\n--- last state:\n" << a.raw;
}

// The key that answers a message box's button: the letter after "&" in its text.
std::string mnemonic(const std::string &button) {
    std::size_t i = button.find('&');
    return i == std::string::npos || i + 1 >= button.size() ? "" : std::string(1, char(std::tolower(button[i + 1])));
}

// The sounds a program asked for, in order, as the file name and the flags
// of the call in decimal ("evstart.wav/3"), read from winmm's trace in its
// log: a line with the flags when the call is made, and one with the sound's
// name when it starts to play, in the order of the calls (every call first
// stops the sound before it).
texts soundcalls(const std::string &logtext) {
    texts flags, names;
    std::size_t at = 0;
    while (at < logtext.size()) {
        std::size_t e = logtext.find('\n', at);
        if (e == std::string::npos) break;  // a line still being written
        std::string l = logtext.substr(at, e - at);
        at = e + 1;
        std::size_t f = l.find("fdwSound="), n = l.find("SoundName=L\"");
        if (l.find("MULTIMEDIA_PlaySound") != std::string::npos && f != std::string::npos)
            flags.push_back(std::to_string(std::stoul(l.substr(f + 9, 8), nullptr, 16)));
        else if (l.find("proc_PlaySound") != std::string::npos && n != std::string::npos) {
            std::string name = l.substr(n + 12);
            name = name.substr(0, name.find('"'));
            std::size_t slash = name.rfind('\\');
            names.push_back(slash == std::string::npos ? name : name.substr(slash + 1));
        }
    }
    texts calls;
    for (std::size_t i = 0; i < flags.size() && i < names.size(); i++) calls.push_back(names[i] + "/" + flags[i]);
    return calls;
}

const std::string welcome =
    "\r\nProgram przetwarza pliki poi (points of interest) w popularnych formatach do postaci pliku tekstowego, "
    "który można zaimportować do programu Loadstone GPS\r\n"
    "Aktualnie obsługiwane formaty:\r\n"
    "plik .pnt - oziexplorer point file version 1\r\n"
    "pliki .uam - punkty użytkownika automapy\r\n"
    "Aby dokonać konwersji wybierz opcję \"konwertuj plik poi dla LS\"\r\n"
    "\r\n"
    "Opcja \"generuj textbase z pliku uam\" pozwala wygenerować tekstową bazę danych dla projektu kwz z pliku "
    ".uam\r\n"
    "\r\n"
    "Wybierz opcję z poniższej listy i zatwierdź ją Enterem lub dwuklikiem lewym przyciskiem myszy\r\n";

const std::vector<std::string> mainitems = {
    "Konwertuj do LS - alt+k",
    "Sprawdź błędy w Textbase - alt+s",
    "Generuj Textbase z pliku .uam",
    "Odwiedź polską stronę projektu Loadstone",
    "Napisz mail do autora programu Trelik...",
    "Odwiedź stronę domową autora programu Trelik",
    "Zamknij program",
};

// The list of file types of a file dialog, which the driver gives as
// "ID:text" for the system's control id of that list (cmb1).
const std::string filetype = "1136:";
texts filetypes(const answer &a, const char *what = "boxcomboitem") {
    texts t;
    for (const std::string &i : a.all(what))
        if (i.rfind(filetype, 0) == 0) t.push_back(i.substr(filetype.size()));
    return t;
}
texts filetypechosen(const answer &a) { return filetypes(a, "boxcombo"); }

bool inmain(const answer &a) { return a.all("item") == mainitems; }
bool inconv(const answer &a) { return a.item(1) == "Konwertuj plik - alt+k"; }
bool nobox(const answer &a) { return a.get("main") == "1" && !a.has("box"); }

// One start of the program, in a folder of its own with its sounds.
struct wintest : ::testing::Test {
    tempdir t;
    pid_t pid = -1;
    std::string log;

    void SetUp() override {
        if (!S || !S->failure.empty()) GTEST_FAIL() << (S ? S->failure : "no suite");
    }
    void TearDown() override {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
    // With traced set, wine writes every sound the program asks for into its
    // log (see soundcalls).
    void start(bool traced = false) {
        std::filesystem::copy_file(programexe, t / "trelik.exe");
        for (const char *s : sounds)
            if (existsfile(winbuild + "/" + s)) std::filesystem::copy_file(winbuild + "/" + s, t / s);
        log = outdir + "/" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".log";
        std::remove(log.c_str());
        envlist env = S->env;
        if (traced)
            for (auto &kv : env)
                if (kv.first == "WINEDEBUG") kv.second = "-all,trace+winmm";
        pid = spawnlog({winecmd(), t / "trelik.exe"}, env, log);
        ASSERT_GT(pid, 0);
        ASSERT_TRUE(waitfor(
            "the main menu", [](const answer &a) { return inmain(a); }, 60000));
    }
    // The program's exit code, once it has ended; -1 if it did not.
    int finish(int timeoutms) {
        int rc = reap(pid, timeoutms);
        pid = -1;
        return rc;
    }
    // Answers the message box in front with its button number n (1 = Yes).
    void answerbox(std::size_t n) {
        answer a = state();
        ASSERT_GE(a.all("boxbutton").size(), n) << a.raw;
        std::string k = mnemonic(a.all("boxbutton")[n - 1]);
        ASSERT_FALSE(k.empty()) << a.raw;
        key(k);
    }
    // The sounds asked for so far, once there are at least n of them (or
    // the time is up): see soundcalls.
    texts soundsafter(std::size_t n) {
        auto deadline = childclock::now() + std::chrono::seconds(10);
        texts got;
        while ((got = soundcalls(readfile(log))).size() < n && childclock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        return got;
    }
    void shot(const std::string &name) {
        EXPECT_EQ(ask(std::string("shot\t") + title + "\t" + winpath(outdir + "/" + name)).get("ok"), "1");
        EXPECT_TRUE(existsfile(outdir + "/" + name));
    }
};

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

// The conversions go through the file dialogs, with paths typed into their
// name fields; the same conversion by the Linux program's command line gives
// the lines expected.
struct convtest : wintest {
    std::string out;  // the output file, a path of 40 bytes as Windows names it

    void SetUp() override {
        wintest::SetUp();
        std::string dir = winpath(t.path) + "\\";
        ASSERT_LT(dir.size() + 4, 40u) << dir;
        out = dir + std::string(40 - dir.size() - 4, 'w') + ".txt";
    }
    std::string unixout() const { return t / out.substr(out.rfind('\\') + 1); }

    // A file dialog with the title, the focus in its name field.
    void choose(const std::string &opener, const std::string &dlgtitle, const std::string &path) {
        key(opener);
        ASSERT_TRUE(waitfor(dlgtitle.c_str(), [&](const answer &a) {
            return a.get("box") == dlgtitle && a.get("boxfocus").rfind("Edit:", 0) == 0;
        }));
        typetext(path);
        ASSERT_TRUE(waitfor("the typed path", [&](const answer &a) { return a.get("boxfocus") == "Edit:" + path; }));
        key("Return");
    }
    void setoutput() {
        key("alt+k");
        ASSERT_TRUE(waitfor("the conversion menu", [](const answer &a) { return inconv(a); }));
        ASSERT_NO_FATAL_FAILURE(choose("alt+w", "Ustaw plik wynikowy (jeśli nie istnieje zostanie utworzony)", out));
        ASSERT_TRUE(waitfor("the new output file in the menu", [&](const answer &a) {
            return nobox(a) && a.item(3) == "Plik wynikowy: " + out + " - zmień... - alt+w";
        }));
    }
    void convert(const std::string &file) {
        ASSERT_NO_FATAL_FAILURE(choose("alt+k", "Wybierz plik poi do konwersji", winpath(file)));
    }
    // The Linux program's command line converting the same files.
    std::string expected(const std::vector<std::string> &files) {
        tempdir home;
        std::vector<std::string> argv = {build + "/trelik", "convert", "-o", home / "out.txt", "-u", "1", "-i", "1"};
        argv.insert(argv.end(), files.begin(), files.end());
        child c = childrun(argv, {{"TRELIK_HOME", home.path}}, "", 60000);
        EXPECT_EQ(c.status, 0) << c.outtext << c.errtext;
        return readfile(home / "out.txt");
    }
};

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
    EXPECT_EQ(filetypes(state()), texts{"Pliki tekstowe (*.txt)"});
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
               filetypechosen(a) == texts{"Pliki poi (*.pnt *.uam)"} && a.get("boxfocus").rfind("Edit:", 0) == 0;
    }));
    EXPECT_EQ(filetypes(state()), texts{"Pliki poi (*.pnt *.uam)"});
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
