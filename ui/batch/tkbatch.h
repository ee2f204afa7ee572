// The command-line implementation of the toolkit: one operation run without
// prompts and without waiting. Pane lines go to standard output, message-box
// texts to standard error, both in UTF-8; files come from the command line
// and questions are answered from its options.
#pragma once

#include <cstdint>

#include "text/shortstr.h"
#include "ui/tkdrv.h"

extern const tkdriver batchdrv;

// The command line's side. Paths are code page 1250.
void batchaddfile(const shortstr &path);      // the next choosefile takes it (in order)
void batchanswer(std::int32_t id, bool yes);  // the question with this id (askyesno) gets yes/no
void batchreset();                            // no queued paths or answers, flags cleared, partial line dropped
void batchflush();        // prints a pane line still waiting for its line break, and the lines held back
bool batchwritefailed();  // standard output refused a pane line (closed pipe, full disk); writes the held lines first
bool batchinterrupted();  // Ctrl+C (SIGINT) arrived
void batchio(int outfd, int errfd);  // where pane lines and messages go (tests); 1 and 2 at start
