// Fuzz target: a textbase generated from an AutoMapa file (three records a
// part). Every part must have its header and footer; for one input in four
// the base is then checked as a whole, and every record generated must be
// read back as one record. Parts of an earlier input stay in the folder, as
// old parts may in a user's folder; each generation writes its own anew.
#include "tests/fuzz/tbfuzz.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fz::start();
    fz::putkateg();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
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
    bool readback = parts <= 9 && fz::secondlook(data, size);
    for (int n = 1; n <= parts; n++) {
        std::string name = "tba/" + partname(n, 3).str();
        std::string part = fz::get(name);
        fz::check(part.rfind("textbase kwz part " + std::to_string(n) + "\r\n", 0) == 0, "part header", name);
        std::string foot = "textbaseend part " + std::to_string(n) + "\r\n";
        fz::check(part.size() >= foot.size() && part.compare(part.size() - foot.size(), foot.size(), foot) == 0,
                  "part footer", name);
        // Renamed to one-digit numbers, so that the search after the last
        // part stays short.
        if (readback && std::rename((fz::dir + name).c_str(), (fz::dir + partname(n, 1).str()).c_str()))
            fz::fail("rename", name);
    }
    if (!readback) return 0;
    fz::tbstats s = fz::tbrun(tbcheck, "tba1.txt", true);
    fz::checkp(s.all == made, "generated records read back");
    for (int n = 1; n <= parts; n++) std::remove((fz::dir + partname(n, 1).str()).c_str());
    return 0;
}
