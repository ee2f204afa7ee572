// The Windows implementation of the toolkit: one maximised main window with
// the read-only text pane above and the choice list below, the message loop
// with the hotkey table and a 20 ms timer, the standard message boxes, the
// input dialog READSTRDLG, the common file dialogs, sounds, the shell's
// hand-offs and the clipboard. Texts are code page 1250 inside the program
// and reach Windows as UTF-16, through the "W" functions only.
#pragma once

#include "ui/tkdrv.h"

extern const tkdriver windrv;
