// The input reader: line ends, line cutting and compaction, blocks, the
// buffer's chunk boundary, and read errors.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/shell.h"
#include "core/app.h"
#include "poi/input.h"
#include "tests/scripted/scripted.h"
#include "tests/testfiles.h"
#include "text/cp1250.h"
#include "ui/tk.h"

namespace {

struct inputtest : ::testing::Test {
    tempdir t;
    void SetUp() override {
        scriptreset();
        freshprogram();
    }
    void TearDown() override { closeinput(); }
    bool open(const std::string &data) {
        writefile(t / "in.txt", data);
        linecount = 0;
        return openinput(shortstr(t / "in.txt"));
    }
    // Every line readline gives until the end of the input.
    std::vector<std::string> lines() {
        std::vector<std::string> v;
        for (;;) {
            readline();
            if (!inputok && linebuf.empty()) break;
            v.push_back(std::string(linebuf.view()));
            if (!inputok) break;
        }
        return v;
    }
};

TEST_F(inputtest, threelineendsgivethesamelines) {
    struct row {
        const char *name;
        std::string data;
    };
    const row rows[] = {
        {"crlf", "ab\r\n\r\ncd\r\nef\r\n"},
        {"lf", "ab\n\ncd\nef\n"},
        {"cr", "ab\r\rcd\ref\r"},
        {"mixed", "ab\r\n\ncd\ref\n"},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(open(r.data));
        EXPECT_EQ(lines(), (std::vector<std::string>{"ab", "", "cd", "ef"}));
        EXPECT_EQ(linecount, 4);
    }
}

TEST_F(inputtest, endsoffile) {
    // Last line without a line end: delivered, then an empty line and the end.
    ASSERT_TRUE(open("ab\r\ncd"));
    readline();
    EXPECT_EQ(linebuf.view(), "ab");
    readline();
    EXPECT_EQ(linebuf.view(), "cd");
    EXPECT_FALSE(inputok);
    readline();
    EXPECT_TRUE(linebuf.empty());
    EXPECT_FALSE(inputok);

    // A file ending in a lone CR.
    ASSERT_TRUE(open("ab\r"));
    readline();
    EXPECT_EQ(linebuf.view(), "ab");
    EXPECT_TRUE(inputok);
    readchar();
    EXPECT_FALSE(inputok);

    // An empty file.
    ASSERT_TRUE(open(""));
    readchar();
    EXPECT_FALSE(inputok);
}

TEST_F(inputtest, longlinesarecutandcompacted) {
    std::string longline(300, 'x');
    ASSERT_TRUE(open(longline + "\r\nnext\r\n"));
    readline();
    EXPECT_EQ(linebuf.size(), 255u);
    readline();
    EXPECT_EQ(linebuf.view(), "next");

    // Blanks before byte 250 are compacted away, so more of the line fits.
    std::string spaced = "  " + std::string(100, 'a') + "     " + std::string(143, 'b') + std::string(20, 'c');
    ASSERT_TRUE(open(spaced + "\n"));
    readline();
    EXPECT_EQ(linebuf.size(), 255u);
    EXPECT_EQ(linebuf.view().substr(0, 101), std::string(100, 'a') + " ");
    EXPECT_EQ(linebuf.view().substr(244), std::string(11, 'c'));
}

TEST_F(inputtest, crlfacrossthechunkboundary) {
    // The CR is the last byte of the first chunk and the LF the first of the
    // second: still one line end.
    std::string data = std::string(inputchunk - 1, 'a') + "\r\nb\n";
    ASSERT_TRUE(open(data));
    EXPECT_EQ(lines(), (std::vector<std::string>{std::string(255, 'a'), "b"}));
    EXPECT_EQ(linecount, 2);
}

TEST_F(inputtest, blocksandbytes) {
    std::string data(28 * 362 + 100, 'q');  // crosses the chunk boundary
    ASSERT_TRUE(open(data));
    std::vector<char> buf(362);
    EXPECT_EQ(readblock(buf.data(), 362), 362u);
    for (int i = 0; i < 27; ++i) readblock(buf.data(), 362);  // 28 * 362 = 10136 bytes
    EXPECT_EQ(readblock(buf.data(), 362), 100u);              // 100 left
    std::uint8_t b;
    EXPECT_FALSE(readbyte(b));
}

TEST_F(inputtest, unreadcharandseek) {
    ASSERT_TRUE(open("xyz\n"));
    readchar();
    EXPECT_EQ(curchar, 'x');
    unreadchar();
    readchar();
    EXPECT_EQ(curchar, 'x');
    readchar();
    EXPECT_EQ(curchar, 'y');
    EXPECT_EQ(inputoffset(), 2);
    EXPECT_TRUE(inputseek(0));
    readline();
    EXPECT_EQ(linebuf.view(), "xyz");
}

TEST_F(inputtest, missingfileandreaderror) {
    EXPECT_FALSE(openinput(shortstr(t / "nothere.txt")));
    EXPECT_EQ(errorflag, 0);  // the caller reports it

    // A folder is no file to read.
    EXPECT_FALSE(openinput(shortstr(t.path)));
    EXPECT_EQ(errorflag, 0);

    // A file that opens but cannot be read (the process's own memory at
    // offset 0 gives an input/output error): reported, not taken for an
    // empty file.
    ASSERT_TRUE(openinput("/proc/self/mem"));
    readline();
    EXPECT_FALSE(inputok);
    EXPECT_TRUE(inputfailed());
    EXPECT_EQ(errorflag, 1);
    EXPECT_EQ(transcript().front(), "pane: Błąd: Nie można odczytać pliku /proc/self/mem");
}

}  // namespace

namespace {

// A text file's encoding is told by its bytes: UTF-8 (by its byte order mark
// or a well-formed multi-byte sequence) reaches the readers as code page
// 1250, also where a sequence is cut by the chunk boundary; anything else is
// delivered byte for byte.
TEST_F(inputtest, textencodingfromthebytes) {
    const std::string pad(inputchunk - 1, 'a');  // puts the next byte at the chunk's end
    struct row {
        const char *name;
        std::string data, want;  // want in UTF-8, as the code page 1250 result reads
        bool utf8;
    } rows[] = {
        {"utf-8", "Łódź Köln x\xcc\x81", "Łódź Koln x", true},
        {"bom",
         "\xef\xbb\xbf"
         "abc",
         "abc", true},
        {"cp1250", "\xa3\xf3\x64\x9f", "Łódź", false},
        {"cut at the chunk end", pad + "ł", pad + "ł", true},
        {"ascii before", std::string(3 * inputchunk, 'b') + "ż", std::string(3 * inputchunk, 'b') + "ż", true},
        // A stray byte in a later chunk is kept as code page 1250's.
        {"malformed later", "ż" + pad + "\xb3", "ż" + pad + "ł", true},
        {"cut at the file end", "ab\xc5", "abĹ", false},
        {"cp1250 after utf-8-looking ascii", "ab\xb3\xc5\xbc", "abłĹĽ", false},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(open(r.data));
        inputtext();
        std::string got;
        for (readchar(); inputok; readchar()) got += char(curchar);
        EXPECT_EQ(utf8fromcp1250(got), r.want);
        EXPECT_EQ(inpututf8(), r.utf8);
    }
    // A binary reader gets the bytes as they are.
    ASSERT_TRUE(open("\xef\xbb\xbf\xc5\x82"));
    std::uint8_t raw[8];
    EXPECT_EQ(readblock(raw, 8), 5u);
    EXPECT_FALSE(inpututf8());
}

}  // namespace
