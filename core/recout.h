// Files written in whole records: the Loadstone output (a record is one
// point line) and the textbase parts (a record is one textbase record). Bytes
// are gathered in a buffer of our own and handed to the file in large pieces.
// A record counts as written once it is accepted; when the system refuses a
// write, the file is cut back to its last whole record, the records that did
// not reach it are taken off the count again, the failure is reported once
// (showerror) and nothing more is written to that file. A file deleted (or
// its folder) while it is written loses every record of it the same way.
#pragma once

#include <cstdint>
#include <cstdio>

#include "text/shortstr.h"

constexpr std::uint32_t recbufsize = 65536;    // bytes gathered before they go to the file
constexpr std::uint32_t recmaxpending = 4096;  // records gathered before they go to the file

struct recout {
    std::FILE *f = nullptr;             // the open file, unbuffered (our buffer decides the pieces); null when none
    shortstr path;                      // its path, for the messages
    shortstr lead;                      // the messages' start, before the path: "Nie można zapisać pliku wynikowego "
    bool failed = false;                // a write failed, or the file was lost: nothing more is written
    bool dropempty = false;             // this run made the file: removed at closing when a failure left it empty
    bool drop = false;                  // a failure left the file this run made empty: removed at closing
    std::int64_t base = 0;              // bytes in the file before those in buf
    std::int32_t records = 0;           // records accepted since the file was opened, less those lost
    std::uint32_t len = 0;              // bytes in buf
    std::uint32_t pending = 0;          // records in buf
    std::uint32_t head = 0;             // offset in buf after the lead-in bytes, 0 when none are in it
    char buf[recbufsize];               // bytes not yet handed to the file
    std::uint32_t ends[recmaxpending];  // offset in buf after each record in it
};

// Starts writing to the open file f (appended to, at its present end). made:
// this run created it, so a failure that leaves it empty removes it.
void recstart(recout &w, std::FILE *f, const shortstr &path, const shortstr &lead, bool made);
// Bytes before the first record (a header, the line end an existing file
// lacked): no record, and kept only whole. Only on an empty buffer.
void reclead(recout &w, const char *p, std::uint32_t n);
// One whole record; false when it was not taken (the file failed, now or
// before).
bool recwrite(recout &w, const char *p, std::uint32_t n);
// Bytes that belong to no record (a footer): cut away again if a failure
// comes before they are in the file.
void recput(recout &w, const char *p, std::uint32_t n);
// Hands the buffer to the file; false after a failure (now or before).
bool recflush(recout &w);
// No file (one left open is closed unwritten), no failure, nothing gathered.
void recreset(recout &w);
// Flushes and closes the file; false when that failed (reported). A file
// this run made that a failure left empty is removed. Does nothing when no
// file is open.
bool recclose(recout &w);
