// Fuzz target: an AutoMapa user-point file converted to Loadstone points, as
// from the conversion menu, with a category table in the program folder.
#include "poi/convrun.h"
#include "tests/fuzz/fuzz.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fz::start();
    fz::putkateg();
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
