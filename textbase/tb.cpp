// The textbase's state, in one place (tb.h says what each value is), and its
// reset.

#include "textbase/tb.h"

// ---- Generation ----
std::int32_t firstpart = 1;   // number of the next part written
std::int32_t partsize = 100;  // records per part
shortstr destfolder;          // folder of the generated parts
std::int32_t genrecords = 0;  // records in the part now open

// ---- Part navigation ----
std::int32_t partno = 0;        // part being read, or where the next search starts
std::uint8_t partwidth = 0;     // digits of the part numbers; 0 = no base chosen
shortstr partfolder;            // folder of the parts, with its separator
shortstr partfile;              // name of the part being read or last tried
bool partopen = false;          // a part is open and its header accepted
std::int32_t partrecords = 0;   // records read in the open part
bool multipart = false;         // go on with the next part after a footer
std::int32_t missingparts = 0;  // part numbers skipped, this run
std::int32_t partsread = 0;     // parts accepted, this run
bool pathrefused = false;       // the last pick was refused for its path length
lastcheckrec lastcheck;         // the start of the last check, for its repeat

// ---- Records ----
tbarec curtba;                     // the record just read
bool warnlong = false;             // report converted names over 75 bytes
std::uint8_t countmode = 0;        // record-count control: bit 1 too few, bit 2 too many
std::int32_t expectedcount = 100;  // records a part should hold
std::int32_t goodparts = 0;        // parts that passed the count control, this run
std::int32_t badparts = 0;         // parts that failed it, this run
std::int32_t toolongcount = 0;     // valid records whose converted name was too long

// ---- The run ----
std::uint8_t runmode = runnone;  // what the run does: check, convert or repeat

const char *const eofmessage = "Nieoczekiwany koniec pliku, prawdopodobnie plik uszkodzony";

void tbinit() {
    genreset();
    firstpart = 1;
    partsize = 100;
    destfolder = defaultdestfolder();
    genrecords = 0;
    partno = 0;
    partwidth = 0;
    partfolder = shortstr();
    partfile = shortstr();
    partopen = false;
    partrecords = 0;
    multipart = false;
    missingparts = 0;
    partsread = 0;
    pathrefused = false;
    lastcheck = lastcheckrec();
    curtba = tbarec();
    warnlong = false;
    countmode = 0;
    expectedcount = 100;
    goodparts = badparts = toolongcount = 0;
    runmode = runnone;
}
