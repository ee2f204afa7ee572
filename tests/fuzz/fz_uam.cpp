// Fuzz target: an AutoMapa user-point file converted to Loadstone points, as
// from the conversion menu, with a category table in the program folder.
#include "poi/convrun.h"
#include "tests/fuzz/fuzz.h"

static const char table[] = "Apteki,1\r\nBankomaty,2\r\nStacje paliw,7\r\nParkingi,12\r\nInne,99\r\n";

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fz::start();
    fz::put("uamkateg.csv", table, sizeof table - 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fz::begin();
    fz::put("punkty.uam", data, size);
    batchaddfile(fz::path("punkty.uam"));
    convertfile();
    fz::checkoutput(1);
    fz::checkp(fz::panenum("Przetworzono poprawnie ") == writtencount || errorflag, "count line");
    return 0;
}
