// Start-up time: from starting the real program until its main menu prompt is
// on its standard output (the moment a user can act), and the same path in
// process through the scripted toolkit. Target: under 50 ms.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include <unistd.h>

#include "app/shell.h"
#include "core/app.h"
#include "tests/childproc.h"
#include "tests/scripted/scripted.h"
#include "tests/testfiles.h"

namespace {

const std::string prompt = "Wybierz pozycję (Enter = 1): ";

// build/trelik: TRELIK_BUILD when set, else beside this benchmark.
std::string program() {
    if (const char *b = std::getenv("TRELIK_BUILD")) return std::string(b) + "/trelik";
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string self(exe, n > 0 ? std::size_t(n) : 0);
    return self.substr(0, self.rfind('/') + 1) + "trelik";
}

void terminalstartup(benchmark::State &st) {
    tempdir t;
    const std::string prog = program();
    for (auto _ : st) {
        auto start = childclock::now();
        child c;
        if (!childstart(c, {prog}, {{"TRELIK_HOME", t.path}})) {
            st.SkipWithError(("cannot start " + prog).c_str());
            break;
        }
        bool shown = childwaitfor(c, prompt, 10000);
        auto shownat = childclock::now();
        // End of input at the main menu closes the program; not timed.
        childfinish(c, "", 10000);
        if (!shown) {
            st.SkipWithError("the main menu prompt did not appear");
            break;
        }
        st.SetIterationTime(std::chrono::duration<double>(shownat - start).count());
    }
}
BENCHMARK(terminalstartup)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

// appstart, the welcome text and one build of the main menu; with an empty
// script the menu's wait ends at once.
void shellstartup(benchmark::State &st) {
    tempdir t;
    homeenv h(t.path);
    for (auto _ : st) {
        scriptreset();
        if (!appstart()) {
            st.SkipWithError("appstart failed");
            break;
        }
        welcome();
        mainmenu();
    }
}
BENCHMARK(shellstartup)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
