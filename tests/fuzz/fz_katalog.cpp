// Fuzz target: the category table uamkateg.csv of any content, loaded as at
// the start of an AutoMapa run; every name kept must fit its limit and the
// numbers that may not be set stay empty.
#include "poi/uamkat.h"
#include "tests/fuzz/fuzz.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fz::start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fz::begin();
    fz::put("uamkateg.csv", data, size);
    katload();
    fz::check(kateg[0].empty() && kateg[katown].empty(), "category 0 or 99 set");
    for (const shortstr &k : kateg) fz::check(k.size() <= katnamemax, "category name too long");
    return 0;
}
