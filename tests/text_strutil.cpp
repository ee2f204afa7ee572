// Polish-aware string operations and the shortstr value type.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "text/bytes.h"
#include "text/strutil.h"

namespace {

struct textenv : ::testing::Environment {
    void SetUp() override { textinit(); }
};
[[maybe_unused]] const auto *env = ::testing::AddGlobalTestEnvironment(new textenv);

std::string S(const shortstr &s) { return s.str(); }

// Restores the clean-up settings that a test changes.
struct cleanguard {
    shortstr extra = extrachars;
    bool tb = textbasemode;
    ~cleanguard() {
        extrachars = extra;
        textbasemode = tb;
    }
};

TEST(shortstr, construction_cuts_at_255_bytes) {
    EXPECT_EQ(shortstr(std::string(300, 'x')).size(), 255u);
    EXPECT_EQ(shortstr(std::string(300, 'x').c_str()).size(), 255u);
    EXPECT_EQ(shortstr(std::string_view(std::string(256, 'y'))).view(), std::string(255, 'y'));
    EXPECT_EQ(shortstr(std::string(255, 'z')).size(), 255u);
    shortstr n(static_cast<const char *>(nullptr));
    EXPECT_TRUE(n.empty());
}

TEST(shortstr, concatenation_cuts_at_255_bytes) {
    shortstr a(std::string(200, 'a'));
    shortstr b(std::string(100, 'b'));
    shortstr c = a + b;
    EXPECT_EQ(S(c), std::string(200, 'a') + std::string(55, 'b'));
    EXPECT_EQ(c.c_str()[255], 0);

    shortstr d = a;
    d += d;  // joining a text to itself
    EXPECT_EQ(S(d), std::string(255, 'a'));

    d += 'x';
    d += "more";
    EXPECT_EQ(S(d), std::string(255, 'a'));

    EXPECT_EQ(S("ab" + shortstr("cd") + 'e'), "abcde");
    EXPECT_EQ(S(shortstr() + ""), "");
}

TEST(shortstr, polish_literal_is_stored_in_cp1250) {
    EXPECT_EQ(S("Łódź"_pl), "\xA3\xF3\x64\x9F");
    EXPECT_EQ(S("Zamknij program"_pl), "Zamknij program");
    EXPECT_EQ(S("ĄĆĘŁŃÓŚŹŻąćęłńóśźż"_pl), "\xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF\xB9\xE6\xEA\xB3\xF1\xF3\x9C\x9F\xBF");
}

TEST(strutil, strtonum) {
    struct row {
        std::string in;
        std::int32_t out;
    };
    const row rows[] = {
        {"0", 0},
        {"42", 42},
        {" 42", 42},
        {"\t \t42", 42},
        {"+42", 42},
        {"007", 7},
        {"-0", 0},
        {"-525000000", -525000000},
        // the 32-bit limits; anything beyond them is not cut or wrapped but 0
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"2147483648", 0},
        {"-2147483649", 0},
        {"99999999999", 0},
        {"4294967338", 0},
        {"99999999999abc", 0},
        {"00000000000000000000042", 42},
        // the valid beginning counts, the rest is dropped
        {"123abc", 123},
        {"12.5", 12},
        {"21.0122287", 21},
        {"522296756,", 522296756},
        {"42 ", 42},
        {"1 2", 1},
        {"1e5", 1},
        {"1f", 1},
        // no number at all
        {"", 0},
        {"   ", 0},
        {"abc", 0},
        {"-", 0},
        {"+", 0},
        {"- 5", 0},
        {"--5", 0},
        {"x1f", 0},
        // hexadecimal
        {"$1F", 31},
        {"$1f", 31},
        {"0x1f", 31},
        {"0X1F", 31},
        {"-$10", -16},
        {"-0x10", -16},
        {"+$a", 10},
        {"0x1g", 1},
        {"0x", 0},
        {"0xg", 0},
        {"$", 0},
        {"$g", 0},
        {"$7FFFFFFF", INT32_MAX},
        {"-$80000000", INT32_MIN},
        {"$80000000", 0},
        {"$FFFFFFFF", 0},
        {"0x100000000", 0},
        {std::string(255, '9'), 0},
        {std::string(254, '0') + "7", 7},
    };
    for (const row &r : rows) EXPECT_EQ(strtonum(shortstr(r.in)), r.out) << '"' << r.in << '"';
}

TEST(strutil, numtostr_and_zeropad) {
    struct row {
        std::int32_t n;
        int width;
        std::string num, pad;
    };
    const row rows[] = {
        {0, 3, "0", "000"},
        {7, 3, "7", "007"},
        {1234, 3, "1234", "1234"},
        {-7, 3, "-7", "-7"},
        {5, 0, "5", "5"},
        {5, -4, "5", "5"},
        {INT32_MAX, 12, "2147483647", "002147483647"},
        {INT32_MIN, 20, "-2147483648", "-2147483648"},
        {1, 1000, "1", std::string(254, '0') + "1"},
    };
    for (const row &r : rows) {
        EXPECT_EQ(S(numtostr(r.n)), r.num) << r.n;
        EXPECT_EQ(S(zeropad(r.n, r.width)), r.pad) << r.n << " width " << r.width;
    }
    // Every number of digits, at both of its ends and of either sign.
    for (std::int64_t p = 1; p <= 1000000000; p *= 10)
        for (std::int64_t v : {p - 1, p, p + 1, 2 * p - 1, 2 * p})
            for (std::int64_t n : {v, -v}) EXPECT_EQ(S(numtostr(std::int32_t(n))), std::to_string(n));
}

TEST(strutil, trailing_digits_and_number) {
    struct row {
        std::string in;
        int digits;
        std::int32_t num;
    };
    const row rows[] = {
        {"tba12", 2, 12}, {"tba", 0, 0},    {"", 0, 0},
        {"12", 2, 12},    {"tba007", 3, 7}, {"a-5", 1, 5},
        {"1.5", 1, 5},    {"$10", 2, 10},   {"tba99999999999", 11, 0},
    };
    for (const row &r : rows) {
        EXPECT_EQ(trailingdigits(shortstr(r.in)), r.digits) << r.in;
        EXPECT_EQ(trailingnumber(shortstr(r.in)), r.num) << r.in;
    }
    EXPECT_EQ(lastchar(shortstr()), 0);
    EXPECT_EQ(lastchar("ab\xBF"), 0xBF);
}

TEST(strutil, case_mapping) {
    struct row {
        shortstr in, lower, upper;
    };
    const row rows[] = {
        {"ŁÓDŹ Ulica ŻYTNIA"_pl, "łódź ulica żytnia"_pl, "ŁÓDŹ ULICA ŻYTNIA"_pl},
        {"ÄÉäé"_pl, "ÄÉäé"_pl, "ÄÉäé"_pl},  // not in the Polish alphabet: left alone
        {"ĄĆĘŁŃÓŚŹŻ"_pl, "ąćęłńóśźż"_pl, "ĄĆĘŁŃÓŚŹŻ"_pl},
        {"ąćęłńóśźż"_pl, "ąćęłńóśźż"_pl, "ĄĆĘŁŃÓŚŹŻ"_pl},
        {"Abc 123 [_] \t~", "abc 123 [_] \t~", "ABC 123 [_] \t~"},
    };
    for (const row &r : rows) {
        EXPECT_EQ(S(pllower(r.in)), S(r.lower)) << r.in.c_str();
        EXPECT_EQ(S(plupper(r.in)), S(r.upper)) << r.in.c_str();
    }
    EXPECT_EQ(S(pllower(upperletters)), S(lowerletters));
    EXPECT_EQ(S(plupper(lowerletters)), S(upperletters));
    // Exactly the 35 capitals change; every other byte stays.
    int changed = 0;
    for (int b = 1; b < 256; b++) changed += pllower(shortstr(std::string(1, char(b)))).at(0) != b;
    EXPECT_EQ(changed, 35);
}

TEST(strutil, blanks) {
    struct row {
        std::string in, collapsed, left, right, both;
    };
    const row rows[] = {
        {"a   b", "a b", "a   b", "a   b", "a   b"},
        {"a\tb", "a\tb", "a\tb", "a\tb", "a\tb"},
        {"a \t  b", "a \t b", "a \t  b", "a \t  b", "a \t  b"},
        {" \t a  b \t ", " \t a b \t ", "a  b \t ", " \t a  b", "a  b"},
        {" \t\t  ", " \t\t ", "", "", ""},
        {"", "", "", "", ""},
    };
    for (const row &r : rows) {
        shortstr s(r.in);
        EXPECT_EQ(S(collapseblanks(s)), r.collapsed) << '"' << r.in << '"';
        EXPECT_EQ(S(trimleft(s)), r.left) << '"' << r.in << '"';
        EXPECT_EQ(S(trimright(s)), r.right) << '"' << r.in << '"';
        EXPECT_EQ(S(trimboth(s)), r.both) << '"' << r.in << '"';
    }
}

TEST(strutil, first_words) {
    struct row {
        shortstr in;
        int mode;
        shortstr word, rest;
    };
    const row rows[] = {
        {"  oziexplorer point", uptoblank, "oziexplorer", "point"},
        {"(abc) d", wordchars, "", "(abc) d"},
        {" \t(abc)", wordchars, "", "(abc)"},
        {"\t ab,cd", wordchars, "ab", ",cd"},
        {"ab\tcd ef", uptoblank, "ab\tcd", "ef"},
        {"żółw1 x"_pl, wordchars, "żółw1"_pl, "x"},
        {"äb"_pl, wordchars, "", "äb"_pl},
        {"a  \t b", uptoblank, "a", "b"},
        {"last", uptoblank, "last", ""},
        {"   ", uptoblank, "", ""},
        {"", wordchars, "", ""},
    };
    for (const row &r : rows) {
        EXPECT_EQ(S(firstword(r.in, r.mode)), S(r.word)) << r.in.c_str();
        shortstr s = r.in;
        EXPECT_EQ(S(popfirstword(s, r.mode)), S(r.word)) << r.in.c_str();
        EXPECT_EQ(S(s), S(r.rest)) << r.in.c_str();
    }
}

TEST(strutil, last_words) {
    struct row {
        shortstr in;
        int mode;
        shortstr word, rest;
    };
    const row rows[] = {
        {"oziexplorer point \t ", uptoblank, "point", "oziexplorer"},
        {"abc (def)", wordchars, "", "abc (def)"},
        {"abc (def)  ", wordchars, "", "abc (def)"},
        {"x ab\tcd", uptoblank, "ab\tcd", "x"},
        {"a,b", wordchars, "b", "a,"},
        {"ulica Żółta"_pl, wordchars, "Żółta"_pl, "ulica"},
        {"one", uptoblank, "one", ""},
        {" \t ", uptoblank, "", ""},
        {"", wordchars, "", ""},
    };
    for (const row &r : rows) {
        EXPECT_EQ(S(lastword(r.in, r.mode)), S(r.word)) << r.in.c_str();
        shortstr s = r.in;
        EXPECT_EQ(S(poplastword(s, r.mode)), S(r.word)) << r.in.c_str();
        EXPECT_EQ(S(s), S(r.rest)) << r.in.c_str();
    }
}

TEST(strutil, popping_words_until_empty_ends) {
    for (int mode : {wordchars, uptoblank}) {
        shortstr s("a b  c, d");
        int n = 0;
        while (n < 100 && !popfirstword(s, mode).empty()) n++;
        EXPECT_EQ(n, mode == wordchars ? 3 : 4);
        shortstr t("a b  c, d");
        n = 0;
        while (n < 100 && !poplastword(t, mode).empty()) n++;
        EXPECT_EQ(n, mode == wordchars ? 1 : 4);
    }
}

TEST(strutil, cleanname) {
    cleanguard g;
    struct row {
        shortstr in;
        shortstr extra;
        bool tb;
        shortstr out;
    };
    const row rows[] = {
        {"ul. Długa 5/7 (róg)"_pl, "./-", false, "ul. Długa 5/7 róg"_pl},
        {"ul. Długa 5/7 (róg)"_pl, "", false, "ul Długa 5 7 róg"_pl},
        {"ul. Długa 5/7 (róg)"_pl, "-/.", false, "ul. Długa 5/7 róg"_pl},
        {"Café \"x\",y\tz"_pl, "", false, "Caf x y z"},  // no quote or comma survives
        {"--", "", false, ""},
        {"", "", false, ""},
        {"\t a\r\nb  (c),\td \r\n", "", true, "a b (c),\td"},
        {"Łąka\r\r\n\"x\""_pl, "", true, "Łąka \"x\""_pl},
        {" \t \t x \t  y \t ", "", true, "x \t y"},
        {"\t a\t\tb  \t", "\t", false, "a\t\tb"},
    };
    for (const row &r : rows) {
        extrachars = r.extra;
        textbasemode = r.tb;
        shortstr s = r.in;
        cleanname(s);
        EXPECT_EQ(S(s), S(r.out)) << r.in.c_str() << " extra " << r.extra.c_str();
    }
}

TEST(strutil, comparisons) {
    struct row {
        shortstr a, b;
        int bytewise, polish;
    };
    const row rows[] = {
        {"", "", 0, 0},       {"", "a", 1, 1},        {"a", "", 2, 2},        {"abc", "abc", 0, 0}, {"ab", "abc", 1, 1},
        {"abd", "abc", 2, 2}, {"ą"_pl, "b", 2, 1},  // ą sorts between a and b
        {"ś"_pl, "t", 2, 1},  {"Ż"_pl, "a", 2, 1},  // capitals before small letters
        {"Ż"_pl, "[", 2, 1},  {"Z", "Ź"_pl, 1, 1},    {"ź"_pl, "ż"_pl, 1, 1}, {"a", "B", 2, 2},     {"{", "ż"_pl, 1, 2},
        {"~", "z", 2, 2},     {"é"_pl, "ą"_pl, 2, 2}, {"\xFF", "\xFE", 2, 2},  // the last byte still sorts last
        {"\xFF", "A", 2, 2},
    };
    for (const row &r : rows) {
        EXPECT_EQ(comparestr(r.a, r.b), r.bytewise) << r.a.c_str() << " | " << r.b.c_str();
        EXPECT_EQ(plcompare(r.a, r.b), r.polish) << r.a.c_str() << " | " << r.b.c_str();
    }
    std::vector<shortstr> names = {"ala", "Żory"_pl, "Zabrze", "Łódź"_pl, "Źródło"_pl, "Łomża"_pl, "Lublin"};
    std::sort(names.begin(), names.end(), [](const shortstr &a, const shortstr &b) { return plcompare(a, b) == 1; });
    std::vector<std::string> got;
    for (const shortstr &n : names) got.push_back(S(n));
    std::vector<std::string> want = {"Lublin",       S("Łomża"_pl), S("Łódź"_pl), "Zabrze",
                                     S("Źródło"_pl), S("Żory"_pl),  "ala"};
    EXPECT_EQ(got, want);
}

TEST(strutil, replaceall) {
    struct row {
        std::string in, pat, rep, out;
    };
    const row rows[] = {
        {"a.b.c", ".", "-", "a-b-c"},
        {"abXab", "ab", "abc", "abcXabc"},  // the replacement holds the pattern
        {"aXa", "a", "aa", "aaXaa"},
        {"aabb", "ab", "", "ab"},
        {"aaa", "aa", "b", "ba"},
        {"abc", "", "x", "abc"},
        {"abc", "d", "x", "abc"},
        {"", "a", "b", ""},
        {"xyz", "xyz", "", ""},
        {std::string(200, 'a'), "a", "bb", std::string(255, 'b')},  // growth is cut at 255
    };
    for (const row &r : rows) {
        shortstr s(r.in);
        replaceall(s, shortstr(r.pat), shortstr(r.rep));
        EXPECT_EQ(S(s), r.out) << r.in << " / " << r.pat << " / " << r.rep;
    }
}

TEST(strutil, positions_and_ends) {
    struct posrow {
        std::string pat, s;
        int pos;
    };
    const posrow rows[] = {
        {"a", "banana", 6},      {"an", "banana", 4},      {"x", "banana", 0}, {"", "banana", 0},
        {"banana", "banana", 1}, {"bananas", "banana", 0}, {"a", "", 0},
    };
    for (const posrow &r : rows) EXPECT_EQ(lastpos(shortstr(r.pat), shortstr(r.s)), r.pos) << r.pat << " in " << r.s;

    struct startrow {
        std::string s, prefix;
        bool yes;
    };
    const startrow starts[] = {
        {"textbaseend 1 2", "textbaseend", true},
        {"text", "textbaseend", false},
        {"abc", "abd", false},
        {"abc", "", true},
        {"", "", true},
        {"", "a", false},
    };
    for (const startrow &r : starts)
        EXPECT_EQ(startswith(shortstr(r.s), shortstr(r.prefix)), r.yes) << r.s << " / " << r.prefix;

    EXPECT_EQ(S(reversestr("abc")), "cba");
    EXPECT_EQ(S(reversestr("")), "");
    EXPECT_EQ(S(reversestr(shortstr(std::string(254, 'a') + "b"))), "b" + std::string(254, 'a'));

    shortstr s("ab");
    droplastchar(s);
    EXPECT_EQ(S(s), "a");
    droplastchar(s);
    droplastchar(s);
    EXPECT_EQ(S(s), "");
}

}  // namespace

// The byte searches of the readers agree with plain searches, on every
// length around the sixteen-byte steps and with the bytes at every place.
TEST(bytes, searchesagreewithplainones) {
    unsigned x = 7;
    auto next = [&] { return (x = x * 1103515245 + 12345) >> 16; };
    for (int round = 0; round < 4000; ++round) {
        std::string h(next() % 70, 'a');
        for (char &c : h) c = "ab ,\r\n"[next() % 6];
        const auto *p = reinterpret_cast<const unsigned char *>(h.data());
        std::uint32_t n = std::uint32_t(h.size());
        SCOPED_TRACE(h);
        ASSERT_EQ(findeither(p, n, 13, 10), std::min<std::size_t>(h.find_first_of("\r\n"), n));
        std::uint32_t at[8], want = 0;
        std::uint32_t got = findeach(p, n, ',', at, 8);
        for (std::size_t i = h.find(','); i != std::string::npos && want < 8; i = h.find(',', i + 1))
            ASSERT_EQ(at[want++], i);
        ASSERT_EQ(got, want);
        std::string w(1 + next() % 4, 'a');
        for (char &c : w) c = "ab "[next() % 3];
        ASSERT_EQ(holdspiece(p, n, reinterpret_cast<const unsigned char *>(w.data()), std::uint32_t(w.size())),
                  h.find(w) != std::string::npos)
            << w;
        ASSERT_EQ(holdsdoubleblank(p, n), h.find("  ") != std::string::npos);
    }
}
