// The 18 Polish letters with diacritics in 19 code pages, conversion between
// the pages letter by letter, and detection of a text's page.
#pragma once

#include <cstdint>

#include "text/shortstr.h"

constexpr int cpcount = 19;
enum : int {
    cpplain = 1,  // letters without diacritics (a target only)
    cp852 = 2,
    cpmazovia = 3,
    cpwin1250 = 4,
    cpiso88592 = 5,
};

// Row p (1..19): the letters Ą Ć Ę Ł Ń Ó Ś Ź Ż ą ć ę ł ń ó ś ź ż in page p.
extern const shortstr cptable[cpcount + 1];
extern unsigned char cplow, cphigh;  // lowest and highest byte of pages 2..19 (set by textinit)

// Derives cplow and cphigh and resets the detection; called by textinit.
void cpinit();

unsigned char convertchar(unsigned char c, int from, int to);
void convertpage(shortstr &s, int from, int to);

// Detection state.
extern std::int32_t detectcount[cpcount + 1];  // letters counted per page 2..19
extern std::uint8_t detectorder[cpcount - 1];  // pages 2..19, most likely first after detectsort
extern std::uint8_t detectedpage;              // 0 until a detection ran
void detectreset();
void detectadd(const shortstr &s);  // counts the letters of a text
int detectpage();                   // orders the pages and gives the detected one (1 = no Polish letter)

// Console output of a text held in page 3, converted to consolepage.
// Gives false when standard output did not take it all.
extern int consolepage;  // initially 1
bool consolewrite(const shortstr &s, bool endline);
