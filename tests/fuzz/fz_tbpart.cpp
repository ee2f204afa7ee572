// Fuzz target: one textbase part converted on its own, and for one input
// in four also checked first, the counts of the two compared.
#include "tests/fuzz/tbfuzz.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fz::start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fz::put("tba1.txt", data, size);
    fz::checkandconvert("tba1.txt", false, fz::secondlook(data, size));
    return 0;
}
