// The command line: the interactive start without arguments, and the
// framework of the subcommands (registry, option helpers, the batch run).
// Messages of this file go straight to standard error in UTF-8: they are
// about the command line itself, before or outside the toolkit.

#include "app/cli.h"

#include <cstdio>
#include <iostream>
#include <vector>

#include "app/settings.h"
#include "app/shell.h"
#include "core/app.h"
#include "sys/paths.h"
#include "text/strutil.h"
#include "ui/batch/tkbatch.h"
#include "ui/tk.h"

// The registering functions of app/clitable.h: declared by the first
// inclusion, listed by the second.
#define CLICMD(f) void f(CLI::App &top);
#include "app/clitable.h"
#undef CLICMD

static const clireg cmdtable[] = {
#define CLICMD(f) f,
#include "app/clitable.h"
#undef CLICMD
    nullptr,
};

// A checked option value waiting for start-up. Exactly one target is set.
struct clivalue {
    shortstr *text = nullptr;     // target of a path option
    std::int32_t *num = nullptr;  // target of a number or choice option
    bool *flag = nullptr;         // target of a flag
    shortstr textval;             // the path, code page 1250
    std::int32_t numval = 0;      // the number or the word's position
};

// A subcommand of the command line being read.
struct clisubrec {
    CLI::App *app;  // its CLI11 subcommand
    void (*run)();  // its operation
};

// ---- Command-line state: one command line at a time, reset by climain ----
static std::vector<clivalue> clivalues;       // checked option values waiting for start-up
static std::vector<shortstr> clifilelist;     // checked positional files, in order, for choosefile
static std::vector<std::int32_t> cliyeslist;  // ids of the questions the options answer Yes
static std::vector<clisubrec> clisubs;        // subcommands made by the registering functions
static std::vector<clireg> cliextra;          // registering functions added by cliregister

static const char *const helptext = "pokazuje ten opis i kończy";

void cliregister(clireg f) { cliextra.push_back(f); }

std::size_t clifilecount() { return clifilelist.size(); }

CLI::App *clisubcommand(CLI::App &top, const std::string &name, const std::string &desc, void (*run)()) {
    CLI::App *sub = top.add_subcommand(name, desc);
    sub->group("Polecenia");
    sub->option_defaults()->group("Opcje");
    sub->set_help_flag("-h,--help", helptext);
    clisubs.push_back({sub, run});
    return sub;
}

// ---- Checking values ----

static std::string utf8(const shortstr &s) { return utf8fromcp1250(s.view()); }

static bool convpath(const std::string &v, bool absolute, shortstr &out, shortstr &why) {
    return absolute ? abspathfromsys(v, out, why) : pathfromsys(v, out, why);
}

static CLI::Validator pathcheck(bool absolute) {
    return CLI::Validator(
        [absolute](std::string &v) -> std::string {
            shortstr p, why;
            if (v.empty()) return "Ścieżka jest pusta.";
            if (!convpath(v, absolute, p, why)) return utf8(why);
            return "";
        },
        "");
}

// A whole number written with digits only (and a sign); false for anything
// else, including numbers too large for 64 bits.
static bool parsenum(const std::string &v, std::int64_t &out) {
    std::size_t i = 0;
    bool neg = false;
    if (i < v.size() && (v[i] == '-' || v[i] == '+')) neg = v[i++] == '-';
    if (i == v.size() || v.size() - i > 18) return false;
    std::int64_t n = 0;
    for (; i < v.size(); i++) {
        if (v[i] < '0' || v[i] > '9') return false;
        n = n * 10 + (v[i] - '0');
    }
    out = neg ? -n : n;
    return true;
}

static CLI::Validator numcheck(std::int32_t min, std::int32_t max) {
    return CLI::Validator(
        [min, max](std::string &v) -> std::string {
            std::int64_t n;
            if (parsenum(v, n) && n >= min && n <= max) return "";
            return "oczekiwano liczby całkowitej z zakresu " + std::to_string(min) + " do " + std::to_string(max) +
                   ", podano: " + v;
        },
        "");
}

static int wordindex(const std::vector<std::string> &words, const std::string &v) {
    for (std::size_t i = 0; i < words.size(); i++)
        if (words[i] == v) return int(i);
    return -1;
}

// ---- Option helpers ----

CLI::Option *clipath(CLI::App *sub, const std::string &names, shortstr *target, const std::string &desc,
                     bool absolute) {
    return sub
        ->add_option_function<std::string>(
            names,
            [target, absolute](const std::string &v) {
                clivalue c;
                shortstr why;
                convpath(v, absolute, c.textval, why);
                c.text = target;
                clivalues.push_back(c);
            },
            desc)
        ->check(pathcheck(absolute))
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
        ->type_name("PLIK");
}

CLI::Option *clinumber(CLI::App *sub, const std::string &names, std::int32_t *target, std::int32_t min,
                       std::int32_t max, const std::string &desc) {
    return sub
        ->add_option_function<std::string>(
            names,
            [target](const std::string &v) {
                std::int64_t n = 0;
                parsenum(v, n);
                clivalue c;
                c.num = target;
                c.numval = std::int32_t(n);
                clivalues.push_back(c);
            },
            desc)
        ->check(numcheck(min, max))
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
        ->type_name("LICZBA");
}

CLI::Option *clichoice(CLI::App *sub, const std::string &names, std::int32_t *target,
                       std::initializer_list<const char *> words, const std::string &desc) {
    std::vector<std::string> list(words.begin(), words.end());
    std::string all;
    for (const std::string &w : list) all += (all.empty() ? "" : "|") + w;
    return sub
        ->add_option_function<std::string>(
            names,
            [target, list](const std::string &v) {
                clivalue c;
                c.num = target;
                c.numval = wordindex(list, v);
                clivalues.push_back(c);
            },
            desc)
        ->check(CLI::Validator(
            [list, all](std::string &v) -> std::string {
                if (wordindex(list, v) >= 0) return "";
                return "oczekiwano jednego ze słów " + all + ", podano: " + v;
            },
            ""))
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
        ->type_name(all);
}

CLI::Option *cliflag(CLI::App *sub, const std::string &names, bool *target, const std::string &desc) {
    return sub->add_flag_callback(
        names,
        [target]() {
            clivalue c;
            c.flag = target;
            clivalues.push_back(c);
        },
        desc);
}

CLI::Option *cliyes(CLI::App *sub, const std::string &names, std::int32_t question, const std::string &desc) {
    return sub->add_flag_callback(
        names, [question]() { cliyeslist.push_back(question); }, desc);
}

CLI::Option *clifiles(CLI::App *sub, const std::string &name, const std::string &desc) {
    return sub
        ->add_option_function<std::vector<std::string>>(
            name,
            [](const std::vector<std::string> &v) {
                for (const std::string &s : v) {
                    shortstr p, why;
                    pathfromsys(s, p, why);
                    clifilelist.push_back(p);
                }
            },
            desc)
        ->check(pathcheck(false))
        ->type_name("");
}

CLI::Option *clioutput(CLI::App *sub) {
    return clipath(sub, "-o,--output", &outputfile,
                   "plik wynikowy dla Loadstone (zapamiętywany w trelik.cfg; punkty są do niego dopisywane)", true);
}

CLI::Option *cliuserid(CLI::App *sub) {
    return clinumber(sub, "-u,--user-id", &userid, minid, maxuserid, "id użytkownika (zapamiętywany w trelik.cfg)");
}

CLI::Option *clifirstid(CLI::App *sub) {
    return clinumber(sub, "-i,--first-id", &nextpointid, minid, maxid,
                     "id pierwszego zapisanego punktu (zapamiętywany w trelik.cfg, po konwersji zwiększony)");
}

// ---- Running ----

static void applyvalues() {
    for (const clivalue &c : clivalues) {
        if (c.text) *c.text = c.textval;
        if (c.num) *c.num = c.numval;
        if (c.flag) *c.flag = true;
    }
}

static int interactiverun(const tkdriver *d) {
    tkuse(d);
    settingsreset(false);
    if (!appstart()) return exiterror;
    playsound(progdir() + "evstart.wav", false);
    welcome();
    mainmenu();
    appstop();
    fsunlockfolder();
    return exitok;
}

// One operation through the batch toolkit. Besides an error the run
// reported, output that could not be written and an interruption (Ctrl+C)
// also mean the work was not done as asked, so they give exit code 1 too.
static int batchrun(void (*run)()) {
    tkuse(&batchdrv);
    batchreset();
    settingsreset(true);
    if (!appstart()) {
        batchflush();
        fsunlockfolder();
        return exiterror;
    }
    // Ids handed out by a run that cannot keep them would be handed out again
    // by the next one: such a run is not started.
    if (!settingswritable()) {
        batchflush();
        tellsettingsfailure();
        fsunlockfolder();
        return exiterror;
    }
    applyvalues();
    for (const shortstr &f : clifilelist) batchaddfile(f);
    for (std::int32_t q : cliyeslist) batchanswer(q, true);
    run();
    // The pane's lines out before a failure to save goes to standard error.
    batchflush();
    bool kept = keepsettings();
    fsunlockfolder();
    return errorflag || !kept || batchwritefailed() || batchinterrupted() ? exiterror : exitok;
}

// The text after the first occurrence of mark in s, or "" when it is absent.
static std::string after(const std::string &s, const std::string &mark) {
    std::size_t i = s.find(mark);
    return i == std::string::npos ? std::string() : s.substr(i + mark.size());
}

// A bad command line: one line saying what is wrong, one saying where help is.
static int usageerror(const CLI::ParseError &e, const CLI::App *sub, const CLI::App &top) {
    std::string what = e.what();
    std::string msg;
    if (dynamic_cast<const CLI::ExtrasError *>(&e)) {
        // The arguments left over, in the order they were typed.
        std::vector<std::string> rest = (sub ? sub : &top)->remaining(true);
        std::string list;
        for (const std::string &a : rest) list += (list.empty() ? "" : " ") + a;
        if (list.empty()) list = after(what, "expected: ");
        if (!sub && !rest.empty() && rest[0].rfind("-", 0) != 0) msg = "nieznane polecenie: " + rest[0];
        else msg = "nieznana opcja lub nadmiarowy argument: " + list;
    } else if (dynamic_cast<const CLI::RequiredError *>(&e)) {
        std::size_t i = what.find(" is required");
        if (what.rfind("A subcommand", 0) == 0) msg = "brak polecenia";
        else if (i != std::string::npos) msg = "brak wymaganego argumentu: " + what.substr(0, i);
        else msg = "brak wymaganego argumentu (" + what + ")";
    } else if (dynamic_cast<const CLI::ValidationError *>(&e)) {
        msg = what;
    } else if (dynamic_cast<const CLI::ArgumentMismatch *>(&e)) {
        msg = "brak wartości opcji " + what.substr(0, what.find(':'));
    } else {
        msg = "błędny wiersz poleceń (" + what + ")";
    }
    // The arguments quoted in the message may hold control bytes (an escape,
    // a line break in a file name): they are shown as "?".
    for (char &c : msg)
        if (iscontrolbyte(c)) c = '?';
    std::string help = sub ? "trelik " + sub->get_name() + " --help" : "trelik --help";
    std::cerr << "trelik: " << msg << "\nOpis użycia: " << help << "\n";
    std::cerr.flush();
    return exitusage;
}

int climain(int argc, char **argv, const tkdriver *interactive) {
    if (argc <= 1) return interactiverun(interactive);

    clivalues.clear();
    clifilelist.clear();
    cliyeslist.clear();
    clisubs.clear();

#ifdef _WIN32
    const char *bare = "Uruchomiony bez argumentów otwiera okno programu, z menu.";
#else
    const char *bare = "Uruchomiony bez argumentów działa w terminalu, z menu.";
#endif
    CLI::App top(std::string("Trelik: konwersja punktów poi dla programu Loadstone GPS.\n") + bare, "trelik");
    // The help text in Polish: its labels (subcommands take the formatter
    // made here) and the group names of options and subcommands.
    auto fmt = top.get_formatter();
    fmt->label("Usage", "Użycie");
    fmt->label("OPTIONS", "OPCJE");
    fmt->label("SUBCOMMAND", "POLECENIE");
    fmt->label("SUBCOMMANDS", "POLECENIA");
    fmt->label("Positionals", "Argumenty");
    fmt->label("REQUIRED", "WYMAGANE");
    top.option_defaults()->group("Opcje");
    top.set_help_flag("-h,--help", helptext);
    top.set_version_flag("--version", std::string("trelik ") + TRELIK_VERSION, "pokazuje wersję programu i kończy");
    top.require_subcommand(0, 1);

    for (const clireg *r = cmdtable; *r; r++) (*r)(top);
    for (clireg r : cliextra) r(top);

    try {
        top.parse(argc, argv);
    } catch (const CLI::Success &e) {
        return top.exit(e);  // --help, --version: printed on standard output
    } catch (const CLI::ParseError &e) {
        const CLI::App *where = nullptr;
        for (const clisubrec &s : clisubs)
            if (s.app->parsed()) where = s.app;
        return usageerror(e, where, top);
    }

    for (const clisubrec &s : clisubs)
        if (s.app->parsed()) return batchrun(s.run);
    std::cerr << "trelik: brak polecenia\nOpis użycia: trelik --help\n";
    return exitusage;
}
