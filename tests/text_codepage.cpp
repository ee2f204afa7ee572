// The Polish letters in 19 code pages: the table, conversion, detection and
// console output.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio_ext.h>
#include <unistd.h>

#include <cstdio>
#include <set>
#include <string>

#include "text/codepage.h"
#include "text/strutil.h"

namespace {

struct textenv : ::testing::Environment {
    void SetUp() override { textinit(); }
};
[[maybe_unused]] const auto *env = ::testing::AddGlobalTestEnvironment(new textenv);

std::string S(const shortstr &s) { return s.str(); }

std::string converted(const std::string &in, int from, int to) {
    shortstr s(in);
    convertpage(s, from, to);
    return S(s);
}

TEST(codepage, table_shape) {
    EXPECT_EQ(cplow, 0x80);
    EXPECT_EQ(cphigh, 0xFE);
    for (int p = 1; p <= cpcount; p++) {
        ASSERT_EQ(cptable[p].size(), 18u) << "page " << p;
        std::set<unsigned char> distinct(cptable[p].view().begin(), cptable[p].view().end());
        if (p > 1) {
            EXPECT_EQ(distinct.size(), 18u) << "page " << p;
        }
    }
    EXPECT_EQ(S(cptable[cpplain]), "ACELNOSZZacelnoszz");
    EXPECT_EQ(S(cptable[cpwin1250]), S("ĄĆĘŁŃÓŚŹŻąćęłńóśźż"_pl));
    // The Windows row read through the Unicode table of code page 1250.
    EXPECT_EQ(utf8fromcp1250(cptable[cpwin1250].view()), "ĄĆĘŁŃÓŚŹŻąćęłńóśźż");
}

TEST(codepage, every_page_converts_to_windows_and_back) {
    for (int p = 2; p <= cpcount; p++) {
        EXPECT_EQ(converted(S(cptable[p]), p, cpwin1250), S(cptable[cpwin1250])) << "page " << p;
        EXPECT_EQ(converted(S(cptable[cpwin1250]), cpwin1250, p), S(cptable[p])) << "page " << p;
        EXPECT_EQ(converted(S(cptable[p]), p, cpplain), "ACELNOSZZacelnoszz") << "page " << p;
    }
}

TEST(codepage, convertpage) {
    struct row {
        std::string in;
        int from, to;
        std::string out;
    };
    const row rows[] = {
        {"\xA3\xF3\x64\x9F\x2C\x20\xAF\xD3\xA3\x57", cpwin1250, cpplain, "Lodz, ZOLW"},
        {"\xB1 abc~\x7F", cpiso88592, cpwin1250, "\xB9 abc~\x7F"},
        {"\x9C\xA2\x64\xA6", cpmazovia, cpwin1250, "\xA3\xF3\x64\x9F"},
        {"\x80\xFF\x84", cpwin1250, cp852, "\x80\xFF\x84"},  // not letters of page 4
        {"LZ\xA3", cpplain, cpwin1250, "LZ\xA3"},            // never from page 1
        {"\xA3\xB9", cpwin1250, cpwin1250, "\xA3\xB9"},
        {"\xA3\xB9", 0, cpplain, "\xA3\xB9"},  // pages out of range
        {"\xA3\xB9", 20, cpplain, "\xA3\xB9"},
        {"\xA3\xB9", cpwin1250, 0, "\xA3\xB9"},
        {"\xA3\xB9", cpwin1250, 20, "\xA3\xB9"},
        {"\xA3\xB9", cpwin1250, -1, "\xA3\xB9"},
        {"", cpwin1250, cpplain, ""},
    };
    for (const row &r : rows) EXPECT_EQ(converted(r.in, r.from, r.to), r.out) << r.from << " -> " << r.to;

    // The lower half never changes, whatever the pages.
    std::string ascii;
    for (int b = 1; b < 0x80; b++) ascii += char(b);
    for (int from = 1; from <= cpcount; from++)
        for (int to = 1; to <= cpcount; to++) ASSERT_EQ(converted(ascii, from, to), ascii) << from << " -> " << to;
}

TEST(codepage, detection) {
    struct row {
        std::string in;
        int page;
    };
    const row rows[] = {
        {"Zazolc gesla jazn, no letter above 7F", 1},
        {"", 1},
        {"\x5a\x61\xbf\xf3\xb3\xe6\x20\x67\xea\x9c\x6c\xb9\x20\x6a\x61\x9f\xf1", 4},
        {"\x5a\x61\xbf\xf3\xb3\xe6\x20\x67\xea\xb6\x6c\xb1\x20\x6a\x61\xbc\xf1", 5},
        {"\x5a\x61\xbe\xa2\x88\x86\x20\x67\xa9\x98\x6c\xa5\x20\x6a\x61\xab\xe4", 2},
        {"\x5a\x61\xa7\xa2\x92\x8d\x20\x67\x91\x9e\x6c\x86\x20\x6a\x61\xa6\xa4", 3},
        {"\x5a\x61\xa7\xa2\x92\x87\x20\x67\x91\x9e\x6c\x86\x20\x6a\x61\xa6\xa4", 19},
        {"\x9c\xa2\x64\xa6", 3},  // Mazovia "Łódź": pages 3 and 19 tie, the lower wins
        {"a \xB9 b", 1},          // a one-byte word is passed over
    };
    for (const row &r : rows) {
        detectreset();
        detectadd(shortstr(r.in));
        EXPECT_EQ(detectpage(), r.page) << r.in;
        EXPECT_EQ(detectedpage, r.page) << r.in;
    }
}

TEST(codepage, detection_counts_and_reset) {
    detectreset();
    EXPECT_EQ(detectedpage, 0);
    detectadd("\xB9\xB9\xB9\xB9");  // a run of one byte counts once
    EXPECT_EQ(detectcount[cpwin1250], 1);
    detectadd("\xB9x\xB9");
    EXPECT_EQ(detectcount[cpwin1250], 3);
    EXPECT_EQ(detectcount[16], 3);  // B9 is also a letter of page 16
    EXPECT_EQ(detectpage(), cpwin1250);
    EXPECT_EQ(detectorder[0], cpwin1250);
    EXPECT_EQ(detectorder[1], 16);
    // Texts add up: ISO 8859-2 letters that no other page holds turn the
    // result round.
    detectadd("\xB6x\xBC x\xB6x\xBC");
    EXPECT_EQ(detectcount[cpiso88592], 4);
    EXPECT_EQ(detectpage(), cpiso88592);
    detectreset();
    EXPECT_EQ(detectedpage, 0);
    EXPECT_EQ(detectcount[cpwin1250], 0);
    for (int i = 0; i < cpcount - 1; i++) EXPECT_EQ(detectorder[i], i + 2);
    EXPECT_EQ(detectpage(), cpplain);
}

// Runs f with standard output sent to the file descriptor fd; gives what
// reached a temporary file when fd is -1.
template <class F>
std::string withstdout(int fd, F f) {
    std::fflush(stdout);
    FILE *tmp = fd < 0 ? std::tmpfile() : nullptr;
    int target = fd < 0 ? fileno(tmp) : fd;
    int saved = dup(1);
    dup2(target, 1);
    f();
    __fpurge(stdout);
    clearerr(stdout);
    dup2(saved, 1);
    close(saved);
    std::string got;
    if (tmp) {
        std::rewind(tmp);
        int c;
        while ((c = std::fgetc(tmp)) != EOF) got += char(c);
        std::fclose(tmp);
    }
    return got;
}

TEST(codepage, consolewrite) {
    int saved = consolepage;
    bool ok = false;
    // Mazovia "żółć" in the default plain letters, then in Windows-1250.
    EXPECT_EQ(withstdout(-1, [&] { ok = consolewrite("\xA7\xA2\x92\x8D!", true); }), "zolc!\n");
    EXPECT_TRUE(ok);
    consolepage = cpwin1250;
    EXPECT_EQ(withstdout(-1, [&] { ok = consolewrite("\xA7\xA2\x92\x8D", false); }), "\xBF\xF3\xB3\xE6");
    EXPECT_TRUE(ok);
    consolepage = saved;

    int full = open("/dev/full", O_WRONLY);
    if (full < 0) GTEST_SKIP() << "no /dev/full";
    withstdout(full, [&] { ok = consolewrite("lost", true); });
    close(full);
    EXPECT_FALSE(ok);
}

}  // namespace
