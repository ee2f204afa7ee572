// The scripted toolkit: a queue of user actions fed to the program and a
// transcript of everything it showed. End-to-end tests drive every menu and
// run with it. Transcript entries are UTF-8, one per event:
//   "pane: <line>"                one finished pane line (addtext pieces joined at newline)
//   "clear"                       clearpane
//   "menu: <n>. <caption>"        one entry per item, written when menuwait starts,
//   "menusel: <n>"                then the selected item (0 = none)
//   "status: <text>"              menustatus
//   "chosen: <n>"                 menuwait returned with menuchoice n (0 when quitting)
//   "beep"                        a hotkey no item carries
//   "info[<caption>]: <text>"     showinfo
//   "ask[<caption>]: <text> -> tak|nie"
//   "read[<title>|<prompt>]: <initial> -> <result>|anuluj"
//   "file[<title>] <flags> <mode>: <path>|anuluj"
//   "sound: <file name>" / "soundloop: <file name>" / "soundsync: <file name>"
//   "shell: <target>"
//   "clip[<bytes>]: <name>|<name>..."  a file-drop block offered to the clipboard
//                                 (" -> brak schowka" after it when scriptnoclip)
//   "quit"                        quitflag became true
#pragma once

#include <string>
#include <vector>

#include "ui/tkdrv.h"

extern const tkdriver scripteddrv;

void scriptreset();                          // empty queue and transcript, toolkit state to start
void scriptchoose(int n);                    // menuwait: choose item n (as Enter on it)
void scripthotkey(const std::string &spec);  // menuwait: press a hotkey ("k", "left", "f1"...)
void scriptyes();                            // next askyesno: Yes
void scriptno();                             // next askyesno: No
void scripttype(const std::string &utf8);    // next readstr: type this text and OK
void scriptpick(const std::string &utf8);    // next choosefile: this path
void scriptcancel();                         // next readstr / choosefile: cancel
void scriptclose();                          // request closing: taken by the next menuwait or
                                             // pumpmessage; the closing question then takes
                                             // the next scriptyes / scriptno
void scriptnoclip();                         // the clipboard refuses (no clipboard)
int scriptleft();                            // actions not yet used

// When the queue is empty and the program waits for the user, the script has
// ended: menuwait sets quitflag (as a confirmed close), askyesno answers No,
// readstr and choosefile are cancelled; "end of script" is written.
const std::vector<std::string> &transcript();
std::string transcripttext();  // the transcript, one entry a line
