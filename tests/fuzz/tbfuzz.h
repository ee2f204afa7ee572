// Shared by the textbase fuzz targets: a check or conversion run as the
// command line starts it, and the rules its statistics must keep.
#pragma once

#include "tests/fuzz/fuzz.h"
#include "text/cp1250.h"
#include "textbase/tb.h"

namespace fz {

struct tbstats {
    long long all, remmed, faulty, valid;
};

// One run (tbcheck or tbconvert) from the part file name in the program
// folder; whole says whether the base goes on after that part.
inline tbstats tbrun(void (*run)(), const char *first, bool whole) {
    begin();
    batchaddfile(path(first));
    batchanswer(askwholebase, whole);
    run();
    tbstats s{panenum("Wszystkich: "), panenum("Zaremowanych: "), panenum("Zawierających błędy: "),
              panenum("Prawidłowych: ")};
    if (s.all >= 0) {
        checkp(s.all == s.remmed + s.faulty + s.valid, "every record in exactly one count");
        checkp(s.valid == writtencount, "valid count");
    }
    return s;
}

// The conversion of a base, whose file must hold exactly the records it
// counted valid as whole lines; with both, the check of the same base first,
// whose counts the conversion must repeat.
inline void checkandconvert(const char *first, bool whole, bool both) {
    warnlong = true;
    countmode = 3;
    expectedcount = 2;
    tbstats c{};
    if (both) c = tbrun(tbcheck, first, whole);
    tbstats v = tbrun(tbconvert, first, whole);
    checkoutput(1);
    if (both) check(c.all == v.all && c.valid == v.valid && c.faulty == v.faulty, "conversion counts as the check's");
    if (v.valid >= 0) check(v.valid == writtencount, "points written");
}

}  // namespace fz
