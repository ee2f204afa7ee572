// Running the real program as a child process with its standard streams
// piped, for the terminal tests and the start-up benchmark. Every wait has a
// deadline: a child that hangs is killed, so a hang fails instead of blocking.
#pragma once

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

struct child {
    pid_t pid = -1;         // the running child, -1 when none
    int in = -1;            // its standard input (our end), -1 once closed
    int out = -1;           // its standard output (our end), -1 at its end
    int err = -1;           // its standard error (our end), -1 at its end
    std::string outtext;    // everything read from its standard output so far
    std::string errtext;    // everything read from its standard error so far
    int status = -1;        // exit code once reaped; -1 while running, killed or signalled
    bool timedout = false;  // it had to be killed
    int signal = 0;         // the signal that ended it, 0 when it exited
};

using childclock = std::chrono::steady_clock;

// The current environment changed by env (name, value; an empty value
// removes the name), as "NAME=value" entries.
inline std::vector<std::string> childenviron(const std::vector<std::pair<std::string, std::string>> &env) {
    std::vector<std::string> envs;
    for (char **e = environ; *e; e++) {
        std::string s = *e;
        bool replaced = false;
        for (auto &kv : env)
            if (s.compare(0, kv.first.size() + 1, kv.first + "=") == 0) replaced = true;
        if (!replaced) envs.push_back(s);
    }
    for (auto &kv : env)
        if (!kv.second.empty()) envs.push_back(kv.first + "=" + kv.second);
    return envs;
}

// Starts argv[0] with the current environment changed by env (see childenviron).
inline bool childstart(child &c, const std::vector<std::string> &argv,
                       const std::vector<std::pair<std::string, std::string>> &env) {
    std::vector<std::string> envs = childenviron(env);
    std::vector<char *> ev, av;
    for (auto &s : envs) ev.push_back(s.data());
    ev.push_back(nullptr);
    std::vector<std::string> args = argv;
    for (auto &s : args) av.push_back(s.data());
    av.push_back(nullptr);

    int pin[2], pout[2], perr[2];
    if (pipe2(pin, O_CLOEXEC) != 0) return false;
    if (pipe2(pout, O_CLOEXEC) != 0) return false;
    if (pipe2(perr, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, pin[0], 0);
    posix_spawn_file_actions_adddup2(&fa, pout[1], 1);
    posix_spawn_file_actions_adddup2(&fa, perr[1], 2);
    int rc = posix_spawn(&c.pid, av[0], &fa, nullptr, av.data(), ev.data());
    posix_spawn_file_actions_destroy(&fa);
    close(pin[0]);
    close(pout[1]);
    close(perr[1]);
    c.in = pin[1];
    c.out = pout[0];
    c.err = perr[0];
    // Writing to a child that has gone must not kill the test with SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    if (rc != 0) {
        c.pid = -1;
        return false;
    }
    return true;
}

inline void childclosein(child &c) {
    if (c.in >= 0) close(c.in);
    c.in = -1;
}

// Moves data until the deadline: writes pending input (closing standard input
// after it when closein), reads both outputs. Stops early when stop() is true
// or both outputs have ended. False on the deadline.
template <class F>
inline bool childpump(child &c, std::string input, bool closein, childclock::time_point deadline, F stop) {
    std::size_t done = 0;
    if (input.empty() && closein) childclosein(c);
    while (!stop() && (c.out >= 0 || c.err >= 0)) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - childclock::now()).count();
        if (left <= 0) return false;
        pollfd p[3];
        int n = 0;
        if (c.out >= 0) p[n++] = {c.out, POLLIN, 0};
        if (c.err >= 0) p[n++] = {c.err, POLLIN, 0};
        if (c.in >= 0 && done < input.size()) p[n++] = {c.in, POLLOUT, 0};
        int r = poll(p, nfds_t(n), int(left));
        if (r < 0 && errno != EINTR) return false;
        for (int i = 0; i < n && r > 0; i++) {
            if (!p[i].revents) continue;
            if (p[i].fd == c.in) {
                ssize_t w = write(c.in, input.data() + done, input.size() - done);
                if (w > 0) done += std::size_t(w);
                if (w < 0 && errno != EINTR && errno != EAGAIN) done = input.size();  // the child is gone
                if (done == input.size() && closein) childclosein(c);
                continue;
            }
            char buf[4096];
            ssize_t k = read(p[i].fd, buf, sizeof buf);
            if (k > 0) (p[i].fd == c.out ? c.outtext : c.errtext).append(buf, std::size_t(k));
            else if (k == 0 || errno != EINTR) {
                close(p[i].fd);
                (p[i].fd == c.out ? c.out : c.err) = -1;
            }
        }
    }
    return true;
}

// Reads standard output until it holds text (true) or the deadline passes.
inline bool childwaitfor(child &c, const std::string &text, int timeoutms) {
    auto deadline = childclock::now() + std::chrono::milliseconds(timeoutms);
    childpump(c, "", false, deadline, [&] { return c.outtext.find(text) != std::string::npos; });
    return c.outtext.find(text) != std::string::npos;
}

// Sends input, closes standard input, reads everything and reaps the child,
// killing it when it is not done by the deadline. True when it ended in time.
inline bool childfinish(child &c, const std::string &input, int timeoutms) {
    auto deadline = childclock::now() + std::chrono::milliseconds(timeoutms);
    bool intime = childpump(c, input, true, deadline, [] { return false; });
    childclosein(c);
    int st = 0;
    if (c.pid > 0) {
        for (;;) {
            pid_t r = waitpid(c.pid, &st, WNOHANG);
            if (r == c.pid) break;
            if (r < 0 && errno != EINTR) break;
            if (childclock::now() >= deadline) {
                kill(c.pid, SIGKILL);
                waitpid(c.pid, &st, 0);
                intime = false;
                break;
            }
            usleep(1000);
        }
        if (!intime) c.timedout = true;
        if (WIFEXITED(st)) c.status = WEXITSTATUS(st);
        if (WIFSIGNALED(st)) c.signal = WTERMSIG(st);
        c.pid = -1;
    }
    if (c.out >= 0) close(c.out);
    if (c.err >= 0) close(c.err);
    c.out = c.err = -1;
    return intime;
}

// Runs a program to its end with the given input.
inline child childrun(const std::vector<std::string> &argv, const std::vector<std::pair<std::string, std::string>> &env,
                      const std::string &input, int timeoutms) {
    child c;
    if (childstart(c, argv, env)) childfinish(c, input, timeoutms);
    return c;
}
