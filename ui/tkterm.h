// Text going out to a terminal, a pipe or a file: UTF-8 lines, written whole.
// Shared by the terminal and the command-line implementations of the toolkit.
#pragma once

#include <string>
#include <string_view>

#include "text/shortstr.h"

// Code page 1250 text as UTF-8 for output, one line or prompt (the caller
// adds the line break). Control characters other than tab become "?", a
// lone line feed or carriage return included, so a text from a file, a
// setting or a file name can never steer the terminal or split a message;
// only "\r\n", the break a box text of the program's own holds, stays a
// break.
std::string termtext(std::string_view cp);

// Writes all of s to the descriptor, going on after interrupting signals and
// partial writes. False when the descriptor refused it (closed pipe, full
// disk, terminal gone).
bool writeall(int fd, std::string_view s);

// Pane text arrives in pieces (addtext) and is printed one whole line at a
// time. panefeed appends a piece; takeline then gives each finished line
// (ended by "\r\n" or "\n") without its line break.
constexpr std::size_t partmax = 1000000;  // longest unfinished line kept
void panefeed(std::string &part, const shortstr &t);
bool takeline(std::string &part, std::string &line);
