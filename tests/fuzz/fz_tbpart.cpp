// Fuzz target: one textbase part checked and converted on its own.
#include "tests/fuzz/tbfuzz.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fz::start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fz::put("tba1.txt", data, size);
    fz::checkandconvert("tba1.txt", false);
    return 0;
}
