// The terminal's clipboard: the files go to the desktop's clipboard tool as a
// text/uri-list, and without such a tool the copy is refused, not faked.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <sys/stat.h>

#include "tests/testfiles.h"
#include "ui/console/tkconsole.h"

namespace {

// Environment variables changed for a scope.
struct envset {
    std::string name, old;
    bool had;
    envset(const char *n, const char *value) : name(n) {
        const char *o = std::getenv(n);
        had = o != nullptr;
        if (o) old = o;
        if (value) setenv(n, value, 1);
        else unsetenv(n);
    }
    ~envset() {
        if (had) setenv(name.c_str(), old.c_str(), 1);
        else unsetenv(name.c_str());
    }
};

std::string block(const std::string &names) {
    std::string b(20, '\0');
    b[0] = 20;
    return b + names + std::string(1, '\0');
}

bool drop(const std::string &b) {
    return consoledrv.clipdrop(reinterpret_cast<const unsigned char *>(b.data()), std::uint32_t(b.size()));
}

TEST(consoleclipboard, handsauri) {
    tempdir t;
    // A stand-in for xclip that records its arguments and input.
    std::string tool = t / "xclip";
    writefile(tool, "#!/bin/sh\necho \"$@\" > " + t.path + "/args\ncat > " + t.path + "/input\n");
    chmod(tool.c_str(), 0755);
    envset path("PATH", (t.path + ":/usr/bin:/bin").c_str());
    envset display("DISPLAY", ":99");
    envset wayland("WAYLAND_DISPLAY", nullptr);
    // Two names; the second holds a Polish letter (code page 1250) and a blank.
    std::string names = std::string("/tmp/a.txt") + '\0' + "/tmp/\xbf\xf3\xb3w plik.txt" + '\0';
    EXPECT_TRUE(drop(block(names)));
    EXPECT_EQ(readfile(t / "args"), "-selection clipboard -t text/uri-list -i\n");
    EXPECT_EQ(readfile(t / "input"), "file:///tmp/a.txt\r\nfile:///tmp/%C5%BC%C3%B3%C5%82w%20plik.txt\r\n");
}

TEST(consoleclipboard, refusedwithoutatool) {
    tempdir t;
    envset path("PATH", t.path.c_str());  // no clipboard tool anywhere
    envset display("DISPLAY", ":99");
    envset wayland("WAYLAND_DISPLAY", "wayland-0");
    EXPECT_FALSE(drop(block("/tmp/a.txt" + std::string(1, '\0'))));

    // A tool that fails is no success either.
    writefile(t / "xclip", "#!/bin/sh\nexit 1\n");
    chmod((t / "xclip").c_str(), 0755);
    EXPECT_FALSE(drop(block("/tmp/a.txt" + std::string(1, '\0'))));

    envset nodisplay("DISPLAY", nullptr);
    envset nowayland("WAYLAND_DISPLAY", nullptr);
    writefile(t / "xclip", "#!/bin/sh\nexit 0\n");
    EXPECT_FALSE(drop(block("/tmp/a.txt" + std::string(1, '\0'))));
}

}  // namespace
