// The reader of AutoMapa user-point files (.uam): a signature, a declared
// record count, then records of 362 bytes with grid coordinates, a name, a
// description and a category.
#pragma once

#include <cstdint>

#include "text/shortstr.h"

constexpr std::uint32_t uamreclen = 362;     // bytes of one record
extern const unsigned char uamsignature[4];  // BB 22 D5 3F

// One record as the reader took it. Texts are read from their slot up to the
// first zero byte (at most the slot's size minus one); uamclean cleans them.
struct uamrec {
    std::int32_t x = 0;       // easting in metres; longitude in 0.0000001 degree once transformed
    std::int32_t y = 0;       // northing in metres; latitude in 0.0000001 degree once transformed
    bool placed = false;      // the transformation succeeded: x and y are longitude and latitude
    std::uint8_t katnum = 0;  // category number; 99: the record's own category name
    shortstr name;            // at most 63 bytes
    shortstr desc;            // description, at most 254 bytes
    shortstr kat;             // the category text: own name (99) or the table's entry
};
extern uamrec curuam;

// Takes one raw record into curuam: texts from their slots, category text,
// the name clean-up; the coordinates stay in metres.
void uamdecode(const unsigned char *raw);
// The name clean-up of curuam's three texts.
void uamclean();
// The Loadstone point name of curuam: the category, then the words of the
// name and of the description that the text does not hold yet, in lower
// case, at most 75 bytes, Polish letters made plain.
shortstr uamlsname();
// Reads the next record into curuam, its texts as they are in the file (the
// Loadstone name cleans as it goes), and transforms its coordinates. False at
// the end of the file (a short last piece is ignored).
bool uamrecord();
// The start of a file: the PROJ systems and the category table set up, the
// signature checked and the declared count reported. False after showerror
// (the systems released again).
bool uamstart();
// The end of a file: the PROJ systems released.
void uamdone();
// The whole file: uamstart, every record to the output (writepoint) until
// the end, an error or the program closing, uamdone.
void uamconvert();
