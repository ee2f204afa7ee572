// File and path helpers, the program's own folder, and the file-system edge:
// paths are code page 1250 texts inside the program and become the system's
// own encoding only here.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

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

// The program's own folder with a trailing separator: TRELIK_HOME when set,
// else the folder of the program's file. Empty when it cannot be had as a
// code page 1250 path of at most 255 bytes (progdirerror says why).
// Computed by progdirinit (called at start-up, and again by tests after they
// change TRELIK_HOME); progdir() calls it on first use.
void progdirinit();
const shortstr &progdir();
const shortstr &progdirerror();

// A path from the system (UTF-8 on Linux) into code page 1250. False, with a
// Polish reason in why, when it is longer than 255 bytes or holds a character
// the code page cannot hold: such a path is refused, never cut.
bool pathfromsys(const std::string &sys, shortstr &out, shortstr &why);
std::string pathtosys(const shortstr &p);

// File-system calls taking code page 1250 paths.
std::FILE *fsopen(const shortstr &path, const char *mode);
int fsrename(const shortstr &from, const shortstr &to);  // 0 or the error number
int fsmkdir(const shortstr &path);                         // 0 or the error number
