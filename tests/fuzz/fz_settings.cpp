// Fuzz target: trelik.cfg of any content loaded at start-up, then saved and
// loaded again: the values must come back unchanged and the file must be
// whole.
#include "app/settings.h"
#include "tests/fuzz/fuzz.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fz::start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fz::begin();
    fz::put("trelik.cfg", data, size);
    loadsettings();
    std::int32_t id = nextpointid, user = userid;
    shortstr out = outputfile;
    savesettings();
    fz::check(fz::get("trelik.cfg").size() == std::size_t(settingssize), "saved settings size");
    nextpointid = userid = 0;
    outputfile = shortstr();
    loadsettings();
    fz::check(nextpointid == id && userid == user && outputfile == out, "settings round trip");
    return 0;
}
