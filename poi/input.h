// The input reader shared by every reader of outside files: one file at a
// time, read in chunks of 10,000 bytes, with a character reader that folds
// CR LF, LF and CR into one line end (delivered as CR) and a line reader.
#pragma once

#include <cstdint>

#include "text/shortstr.h"

constexpr std::uint16_t inputchunk = 10000;  // bytes read from the file at a time

// ---- Character and line state, shared by the text readers ----
extern std::uint8_t curchar;    // the character the last readchar delivered; a line end is CR
extern bool inputok;            // the last readchar delivered a character (false: end of input)
extern std::int32_t linecount;  // line ends read so far in the open file
extern shortstr linebuf;        // result of readline; working text of the field readers

// One more line end in linecount, which stays at the largest 32-bit number
// rather than overflow (a file of 2^31 lines, or many files in one session).
inline void countline() {
    if (linecount < INT32_MAX) ++linecount;
}

// Opens path for reading and empties the buffer and the waiting byte. False
// when it cannot be opened (the caller reports it).
bool openinput(const shortstr &path);
void closeinput();  // closes the input file, if one is open
void inputreset();  // closed, and the character and line state to its start

// The open file is text, read in the encoding its bytes tell: called by a
// text reader before its first read. The textbase and binary files are read
// byte for byte.
void inputtext();
// The open file's text is UTF-8 (a byte order mark, or well-formed UTF-8
// with a multi-byte sequence where its first byte above 127 stands): the
// text readers then get it as code page 1250, a character the page cannot
// hold as its plain letter or "?". False for a code page 1250 file and for
// one with no byte above 127 so far.
bool inpututf8();

bool readbyte(std::uint8_t &b);                        // false at the end of the file
std::uint32_t readblock(void *dest, std::uint32_t n);  // bytes copied; fewer than n: end of file
// readblock for a reader that reads ahead of what it converts: a read error
// is not shown; inputfailed tells of it, and the reader shows it with
// showreadfailure once it has converted what it read before the error.
std::uint32_t readblockahead(void *dest, std::uint32_t n);
void showreadfailure();
void readchar();    // next character into curchar, inputok false at the end
void unreadchar();  // the next readchar delivers curchar again
void readline();    // the next line into linebuf (at most 255 bytes kept)

// The characters that readchar would deliver next, taken in one step: the
// run of bytes from the current place in the buffer up to (not including)
// the first byte marked in stop, the end of the buffered chunk, or the end
// of the file. CR and LF must be marked (line ends need readchar). run
// points at the bytes (valid until the next read); the result is their
// number, 0 when readchar must take the next character. curchar, inputok
// and idlepump are as after that many readchar calls.
std::uint32_t readrun(const std::uint8_t *&run, const bool *stop);

// The next line, taken whole from the buffer when it is shorter than
// peekmax bytes and its line end lies in the buffer too: line points at its
// bytes (valid until the next read), n is their number, and the line end is
// read with them, so that the state is that after readline. False, with
// nothing read, when readchar must take the next character (a waiting byte,
// a longer line, a line or a CR that reaches the end of the chunk, the end
// of the file).
constexpr std::uint32_t peekmax = 250;
bool peekline(const std::uint8_t *&line, std::uint32_t &n);

// Not used by the runs: the byte offset of the next byte the reader gives
// (a waiting byte not counted), and a seek to such an offset (false when the
// file cannot seek there).
std::int64_t inputoffset();
bool inputseek(std::int64_t offset);

// A read error of the system in the middle of the file: the reader reports
// it once with showerror (which ends the run) and then gives the end of the
// file. True from then until the next openinput.
bool inputfailed();
