// File and path helpers, the program's own folder, and the file-system edge:
// paths are code page 1250 texts inside the program and become the system's
// own encoding only here.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "text/shortstr.h"

// The separator of paths the program builds. The path helpers accept "\", "/"
// and ":" as separators on every platform.
#ifdef _WIN32
constexpr char pathsep = '\\';
#else
constexpr char pathsep = '/';
#endif

shortstr dirpart(const shortstr &p);   // up to and including the last separator; "" if none
shortstr nameof(const shortstr &p);    // after the last separator, in lower case
shortstr stripext(const shortstr &p);  // without its extension
shortstr extof(const shortstr &p);     // extension with the dot, lower case; "" if none
bool fileexists(const shortstr &p);    // an existing file or folder
int deletefile(const shortstr &p);     // 0 when deleted, else the system's error number

// The program's own folder with a trailing separator: TRELIK_HOME when set
// (a relative one joined to the current folder), else the folder of the
// program's file. Empty when it cannot be had as a code page 1250 path of at
// most progdirmax bytes (progdirerror says why, in Polish). Computed by
// progdirinit (called at start-up, and again by tests after they change
// TRELIK_HOME); progdir() calls it on first use.
// progdirmax leaves room for the longest name the program keeps in its folder
// ("wynikowe poi dla loadstone.txt", 30 bytes): a longer folder would make
// its files' paths cut at 255 bytes and so name other files.
constexpr std::size_t progdirmax = 255 - 30;
void progdirinit();
const shortstr &progdir();
const shortstr &progdirerror();

// A path from the system (UTF-8 on Linux) into code page 1250. False, with a
// Polish reason in why, when it is longer than 255 bytes or holds a character
// the code page cannot hold: such a path is refused, never cut.
bool pathfromsys(const std::string &sys, shortstr &out, shortstr &why);
// The same for a path the user gave (command line): a relative one is first
// joined to the current folder, so that it still names the same file when it
// is stored (trelik.cfg) and used from another folder later.
bool abspathfromsys(const std::string &sys, shortstr &out, shortstr &why);
std::string pathtosys(const shortstr &p);
#ifdef _WIN32
// The same from the system's UTF-16 (file dialogs, the program's own file).
bool pathfromwide(std::wstring_view w, shortstr &out, shortstr &why);
// A path as the system's UTF-16 name, for the "W" functions.
std::wstring pathtowide(const shortstr &p);
#endif

#ifndef _WIN32
// Paths in the system's own encoding (UTF-8), as a person types them at the
// terminal, before they become the program's: they may still hold "." and
// ".." and be longer than the program keeps.
bool sysisdir(const std::string &p);   // an existing folder
bool sysexists(const std::string &p);  // an existing file or folder
std::string syscwd();                  // the current folder; "/" when it cannot be had
// p made absolute against base ("~" and "~/" against the home folder), "."
// and ".." removed lexically.
std::string sysfullpath(const std::string &p, const std::string &base);
std::string sysfolderof(const std::string &p);  // the folder part of an absolute path; "/" at the top
bool syshasext(const std::string &p);           // the last name has an extension (a dot not at its start)
#endif

// File-system calls taking code page 1250 paths.
std::FILE *fsopen(const shortstr &path, const char *mode);
int fsrename(const shortstr &from, const shortstr &to);  // 0 or the error number
int fsmkdir(const shortstr &path);                       // 0 or the error number
// A file that did not exist before, opened for writing ("wb"); null (errno
// set) when it exists already or cannot be made.
std::FILE *fscreatenew(const shortstr &path);
// Length of an open file in bytes, -1 when the system cannot tell.
std::int64_t fslength(std::FILE *f);
// Cuts an open file to size bytes (after flushing it); 0 or the error number.
int fstruncate(std::FILE *f, std::int64_t size);
// An open file that has lost its last name: it was deleted, or its folder
// was, while the program wrote it, and what it holds is gone with it. Never
// on Windows, where a file open for writing cannot be deleted.
bool fsunlinked(std::FILE *f);
// Up to n bytes of an open file from offset off, its position untouched
// (the writes of an output file go to its end in any case): the bytes read,
// fewer at the end of the file, -1 when it cannot be read.
std::int64_t fsreadat(std::FILE *f, std::int64_t off, void *buf, std::uint32_t n);
// An output file opened for appending, never truncated: made when it is
// missing (made true), refused unless it is a regular file or a character
// device (/dev/null, NUL), and, a regular file, held under an exclusive lock
// that the system releases when the file is closed or the program ends
// however it ends. The open never waits, so a FIFO without a reader is
// refused rather than hanging the program. last is the file's last byte
// before this run (-1 when it is empty or cannot be read). On fsoutfailed
// errno tells why.
enum : int { fsoutok, fsoutbusy, fsoutnotfile, fsoutfailed };
int fsopenappend(const shortstr &path, std::FILE *&f, bool &made, int &last);

// The names in a folder, as the system gives them (UTF-8), "." and ".."
// left out; false when the folder cannot be read.
bool fslistnames(const shortstr &dir, std::vector<std::string> &names);

// The program folder taken for this program: false when another running
// program holds it. A lock of the system (no file that a crash could leave
// behind), released by fsunlockfolder or when the program ends. A folder
// that cannot be opened is not held by anybody: true.
bool fslockfolder(const shortstr &dir);
void fsunlockfolder();

// Flushes, forces the data onto the disk and closes; 0, or the error number of
// the first step that failed (the file is closed in every case).
int fsclosesync(std::FILE *f);

// The cause of a failed write as a Polish phrase in brackets with a leading
// blank (" (brak miejsca na dysku)"), or "" when it says nothing useful.
shortstr writereason(int err);
