// Fuzz target: a textbase generated from an AutoMapa file (three records a
// part), then checked as a whole: every record generated must be read back
// as one record, and every part must have its header and footer.
#include <filesystem>

#include "tests/fuzz/tbfuzz.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fz::start();
    fz::putkateg();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::error_code ec;
    std::filesystem::remove_all(fz::dir + "tba", ec);
    fz::begin();
    fz::put("punkty.uam", data, size);
    batchaddfile(fz::path("punkty.uam"));
    firstpart = 1;
    partsize = 3;
    destfolder = fz::path("tba/");
    generatetextbase();
    std::int32_t made = writtencount, parts = firstpart - 1;
    fz::checkp(errorflag || fz::panenum("Zapisano ") == made, "generated count line");
    if (errorflag) return 0;
    fz::checkp(parts == made / 3 + 1, "parts generated");
    if (parts > 9) return 0;
    // Renamed to one-digit numbers, so that the search after the last part
    // stays short.
    for (int n = 1; n <= parts; n++) {
        std::string from = fz::dir + "tba/tba00" + std::to_string(n) + ".txt";
        std::string to = fz::dir + "tba" + std::to_string(n) + ".txt";
        std::string part = fz::get("tba/tba00" + std::to_string(n) + ".txt");
        fz::check(part.rfind("textbase kwz part " + std::to_string(n) + "\r\n", 0) == 0, "part header");
        std::string foot = "textbaseend part " + std::to_string(n) + "\r\n";
        fz::check(part.size() >= foot.size() && part.compare(part.size() - foot.size(), foot.size(), foot) == 0,
                  "part footer");
        std::filesystem::rename(from, to, ec);
        if (ec) fz::fail("rename", to);
    }
    fz::tbstats s = fz::tbrun(tbcheck, "tba1.txt", true);
    fz::checkp(s.all == made, "generated records read back");
    for (int n = 1; n <= parts; n++) std::remove((fz::dir + "tba" + std::to_string(n) + ".txt").c_str());
    return 0;
}
