// The textbase: a text database of points of interest kept as numbered part
// files (tba001.txt, tba002.txt ...) that people read and correct by hand.
// Generation writes parts from a .uam file; the check and conversion run
// reads them part by part, validates every record, reports each problem with
// file and line, and in conversion writes the valid records as Loadstone
// points.
//
// A part file, code page 1250, lines ended by CR LF when written (LF or CR
// alone also read):
//   textbase kwz part 7        signature: four words, number as written
//   korektor                   any further header lines, up to a blank line
//                              (blank line ends the header)
//   p 210122287 522296756      a record: one field a line (p position, k
//   k apteka                   category, o description, n name, f flags),
//   o ul. Marszałkowska 10     records separated by blank lines
//   n Apteka Centrum
//
//   textbaseend part 7         footer
//
// All state of the subsystem is declared here and defined in tb.cpp, global,
// alive for the program's lifetime; none of it is saved in trelik.cfg.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/shortstr.h"

// ---- Generation options and state ----
extern std::int32_t firstpart;   // number of the next part written; advances as parts are finished
extern std::int32_t partsize;    // records per part
extern shortstr destfolder;      // folder of the generated parts
extern std::int32_t genrecords;  // records written into the part now open

// ---- Reading state: part navigation ----
extern std::int32_t partno;        // part being read, or where the next search starts
extern std::uint8_t partwidth;     // digits of the part numbers in file names; 0 = no base chosen
extern shortstr partfolder;        // folder of the parts, with its separator (or empty)
extern shortstr partfile;          // name (no folder) of the part being read or last tried
extern bool partopen;              // a part is open and its header was accepted
extern std::int32_t partrecords;   // records read in the open part
extern bool multipart;             // after a part's footer go on with the next part
extern std::int32_t missingparts;  // part numbers skipped before a part found, this run
extern std::int32_t partsread;     // parts accepted by the search, this run
extern bool pathrefused;           // the last pick was refused: its part paths would pass 255 bytes

// The start of the last check (or conversion), for its repeat.
struct lastcheckrec {
    std::int32_t partno = 0;  // 0 = none
    shortstr folder;
    std::uint8_t width = 0;
    bool multipart = false;
};
extern lastcheckrec lastcheck;

// ---- Record reading and checking ----
struct tbarec {
    std::int32_t longitude = 0;  // first number of p; 0 = not given
    std::int32_t latitude = 0;   // second number of p; 0 = not given
    shortstr category;           // k; empty = not given
    shortstr name;               // n
    shortstr description;        // o
    std::uint8_t state = 0;      // tbvalid, tbremmed or tbfaulty
};
enum : std::uint8_t { tbvalid = 0, tbremmed = 1, tbfaulty = 2 };
extern tbarec curtba;  // the record just read

extern bool warnlong;               // report converted names longer than 75 bytes
extern std::uint8_t countmode;      // record-count control: bit 1 too few, bit 2 too many
extern std::int32_t expectedcount;  // records a part should hold
extern std::int32_t goodparts;      // parts that passed the count control, this run
extern std::int32_t badparts;       // parts that failed it, this run
extern std::int32_t toolongcount;   // valid records whose converted name was over 75 bytes

// ---- The run ----
enum : std::uint8_t { runnone = 0, runcheck = 1, runconvert = 2, runrepeat = 3 };
extern std::uint8_t runmode;

// Outcomes of readrecord.
enum tboutcome {
    tbrecord,    // a record was read (inputok false: the file ended inside it)
    tbnextpart,  // the part ended at its footer and the search for the next one ran
    tbend,       // the part ended at its footer and no part follows
    tbbroken,    // the file ended where a record or the footer should start
    tbstopped,   // the program is closing; a record begun is dropped, not counted
};

// ---- Generation (tbgen.cpp) ----
shortstr defaultdestfolder();  // "c:\textbase nowe\" on Windows, ~/textbase nowe/ elsewhere
void generatetextbase();       // the whole generation run, from the file dialog on
bool openpart();               // the part numbered firstpart created with its header; false after showerror
void closegenpart();           // footer, close, firstpart + 1 (does nothing when no part is open)
// curuam as one textbase record into the open part, counted in writtencount,
// then the part switch when the part is full.
void genrecord();
shortstr partname(std::int32_t n, int width);  // "tba" + n padded to width digits + ".txt"
void genreset();                               // no part open (one left open is closed unwritten)

// ---- Navigation (tbnav.cpp) ----
void checkheader();      // validates the header of the part just opened; closes it on failure
void findpart();         // from partno upward: the next part opened and accepted
void selectfirstpart();  // the start of a run: from the dialog, or from lastcheck in a repeat

// ---- Records (tbrec.cpp) ----
extern const char *const eofmessage;  // "Nieoczekiwany koniec pliku, prawdopodobnie plik uszkodzony"
// The next word of rest, taken off its front: blanks and tabs before it are
// skipped, it ends at a blank (a tab belongs to it), and the blanks and tabs
// after it go too.
std::string_view tbword(std::string_view &rest);
void fileerror(const shortstr &msg);    // "Błąd w pliku " + partfile, msg; opstatus := 1
void linewarning(const shortstr &msg);  // "plik " + partfile + " linia " + linecount, msg
void recorderror(const shortstr &msg);  // linewarning, then the record is faulty
tboutcome readrecord();
void checkrecord();
void closepart();                                // closes the part, applies the count control
void cutat(shortstr &s, const shortstr &piece);  // cut before piece (lower case), any case
void buildlsname();                              // curpoi from a valid curtba

// ---- The run (tbrun.cpp) ----
void textbaserun();  // the check or conversion run, steered by runmode
void tbcheck();      // the check: runmode 1
void tbrepeat();     // the repeat of the last check: runmode 3
void tbconvert();    // the conversion to Loadstone: runmode 2

// ---- Menus (tbmenu.cpp) ----
void tbinit();  // every option and state to its start value; called at start-up (tb.cpp)
void genmenu();
void checkmenu();
void countmodemenu();
shortstr countmodename(std::uint8_t mode);
