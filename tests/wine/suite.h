// The wine suite's pieces, shared by its tests (tests/wine_ui.cpp) and the
// window benchmark (bench/wine/winebench.cpp): a display and a wine prefix
// of their own, the test driver inside wine and the polling of its
// answers, one start of the program, the file dialogs.
#pragma once

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

// Named, not anonymous: each program uses only some of these.
namespace winesuite {

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
    "plik .wpt - oziexplorer waypoint file version 1.1\r\n"
    "pliki .uam - punkty użytkownika automapy\r\n"
    "pliki .gpx - punkty gpx 1.0 i 1.1\r\n"
    "pliki .kml - punkty placemark\r\n"
    "plik .csv - nazwa, szerokość i długość geograficzna\r\n"
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

}  // namespace winesuite

using namespace winesuite;
