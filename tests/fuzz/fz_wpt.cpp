// Fuzz target: an OziExplorer waypoint file converted as from the conversion
// menu, then the Loadstone output checked line by line.
#include "poi/convrun.h"
#include "tests/fuzz/fuzz.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fz::start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fz::begin();
    fz::put("punkty.wpt", data, size);
    batchaddfile(fz::path("punkty.wpt"));
    convertfile();
    fz::checkoutput(1);
    fz::checkp(fz::panenum("Przetworzono poprawnie ") == writtencount || errorflag, "count line");
    fz::checkp(fz::panenum("Pominięto ") == skippedcount || errorflag, "skipped line");
    return 0;
}
