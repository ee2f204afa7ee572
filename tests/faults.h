// Shared pieces of the fault tests: a file size limit on the test's own
// process, a hook that acts in the middle of a run, what a run showed, and a
// piece of a test run as an ordinary user so that permission bits count.
#pragma once

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/scripted/scripted.h"
#include "ui/tk.h"

// While it lives, writes to regular files beyond bytes fail with EFBIG
// (SIGXFSZ ignored), as on a disk that fills there.
struct fsizelimit {
    rlimit old{};
    void (*oldsig)(int) = SIG_DFL;
    explicit fsizelimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old);
        oldsig = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim = old;
        lim.rlim_cur = bytes;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
    }
    ~fsizelimit() {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldsig);
    }
};

// The scripted toolkit with a hook on pumpmessage, which the readers call
// every 10000 bytes (or record bytes) of input: hook(n) runs at the n-th
// call of the run, before the toolkit's own work.
inline std::function<void(int)> pumphook;
inline int pumps = 0;
inline void hookedpump() {
    ++pumps;
    if (pumphook) pumphook(pumps);
    scripteddrv.pumpmessage();
}
// After scriptreset: the hook for the next run (an empty one only counts).
inline void scripthook(std::function<void(int)> hook) {
    static tkdriver drv;
    drv = scripteddrv;
    drv.pumpmessage = hookedpump;
    pumps = 0;
    pumphook = std::move(hook);
    tkuse(&drv);
}

// The pane lines of the transcript.
inline std::vector<std::string> panelines() {
    std::vector<std::string> v;
    for (const std::string &e : transcript())
        if (e.rfind("pane: ", 0) == 0) v.push_back(e.substr(6));
    return v;
}

// The error shown as a run reports it: "Błąd: " + msg once in the pane and
// once in a message box. Its place among the pane lines, -1 when missing.
inline int errorshown(const std::string &msg) {
    const std::string line = "Błąd: " + msg;
    int boxes = 0;
    for (const std::string &e : transcript())
        if (e.rfind("info[", 0) == 0 && e.size() > line.size() &&
            e.compare(e.size() - line.size() - 3, std::string::npos, "]: " + line) == 0)
            ++boxes;
    EXPECT_EQ(boxes, 1) << "message box: " << line;
    std::vector<std::string> p = panelines();
    int at = -1, n = 0;
    for (std::size_t i = 0; i < p.size(); ++i)
        if (p[i] == line) at = int(i), ++n;
    EXPECT_EQ(n, 1) << "pane: " << line;
    return at;
}

// Failures the running test has had so far.
inline int failuresnow() {
    const ::testing::TestResult *r = ::testing::UnitTest::GetInstance()->current_test_info()->result();
    int n = 0;
    for (int i = 0; i < r->total_part_count(); ++i)
        if (r->GetTestPartResult(i).failed()) ++n;
    return n;
}

// Runs body as an ordinary user, so that permission bits stop writes: as it
// is when the test is not root, else in a child process as nobody, the
// folder handed over to nobody first. The body's failures fail the test.
inline void asuser(const std::string &folder, const std::function<void()> &body) {
    if (geteuid() != 0) {
        body();
        return;
    }
    std::error_code ec;
    for (auto &e : std::filesystem::recursive_directory_iterator(folder, ec)) lchown(e.path().c_str(), 65534, 65534);
    ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
    std::fflush(stdout);
    const int before = failuresnow();
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
        body();
        std::fflush(stdout);
        _exit(failuresnow() > before ? 1 : 0);
    }
    int st = 0;
    ASSERT_EQ(waitpid(pid, &st, 0), pid);
    ASSERT_TRUE(WIFEXITED(st)) << "signal " << (WIFSIGNALED(st) ? WTERMSIG(st) : 0);
    EXPECT_EQ(WEXITSTATUS(st), 0) << "1: the body failed as nobody (above); 3: could not become nobody";
}
