// Fuzz target: a base of two parts converted as a whole, and for one input
// in four checked first, the counts compared, so that the footers, the
// search for the next part and the count control are reached. The input
// holds both parts, the second after the first "#part2#"; an input of odd
// length leaves part 2 missing (the second is tba3.txt).
#include "tests/fuzz/tbfuzz.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fz::start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::string_view in((const char *)data, size), second;
    std::size_t cut = in.find("#part2#");
    if (cut != std::string_view::npos) {
        second = in.substr(cut + 7);
        in = in.substr(0, cut);
    }
    std::remove((fz::dir + "tba2.txt").c_str());
    std::remove((fz::dir + "tba3.txt").c_str());
    fz::put("tba1.txt", in.data(), in.size());
    fz::put(size % 2 ? "tba3.txt" : "tba2.txt", second.data(), second.size());
    fz::checkandconvert("tba1.txt", true, fz::secondlook(data, size));
    return 0;
}
