// Reading and writing trelik.cfg.

#include "app/settings.h"

#include <cstdint>
#include <cstdio>

#include "core/app.h"
#include "sys/paths.h"
#include "text/bytes.h"

const shortstr settingsname = "trelik.cfg";
const shortstr settingstemp = "trelik.tmp";

// Full path of a file in the program's folder; false when there is no usable
// folder or the path would be cut (and so name another file).
static bool progfile(const shortstr &name, shortstr &out) {
    const shortstr &dir = progdir();
    if (dir.empty() || dir.size() + name.size() > shortstr::maxlen) return false;
    out = dir + name;
    return true;
}

void loadsettings() {
    shortstr path;
    if (!progfile(settingsname, path)) return;
    // Opened for reading and writing although nothing is written: a file that
    // may not be written counts as missing, and is then not replaced at saving.
    std::FILE *f = fsopen(path, "r+b");
    if (!f) return;
    // Each read starts where the previous one stopped, whether it got all its
    // bytes or not; only a field read whole is taken.
    unsigned char b[256];
    if (std::fread(b, 1, 4, f) == 4) nextpointid = getle32(b);
    if (std::fread(b, 1, 4, f) == 4) userid = getle32(b);
    if (std::fread(b, 1, 256, f) == 256) outputfile = shortstr((const char *)b + 1, b[0]);
    std::fclose(f);
}

void savesettings() {
    shortstr path, temp;
    if (!progfile(settingsname, path) || !progfile(settingstemp, temp)) return;
    // A trelik.cfg that cannot be opened for writing (read-only, a folder) is
    // left alone, as the program also ignored it when it started.
    if (fileexists(path)) {
        std::FILE *old = fsopen(path, "r+b");
        if (!old) return;
        std::fclose(old);
    }

    unsigned char b[settingssize] = {};
    putle32(b, nextpointid);
    putle32(b + 4, userid);
    b[8] = outputfile.len;
    for (std::size_t i = 0; i < outputfile.size(); i++) b[9 + i] = (unsigned char)outputfile[i];

    // The whole file is written under a new name and only then renamed over
    // the old one, so a full disk or a crash leaves either the old settings or
    // the new ones, never a cut file. A leftover from an interrupted save is
    // removed first.
    std::FILE *f = fscreatenew(temp);
    if (!f && fileexists(temp) && deletefile(temp) == 0) f = fscreatenew(temp);
    if (!f) return;
    bool ok = std::fwrite(b, 1, sizeof b, f) == sizeof b;
    ok = fsclosesync(f) == 0 && ok;
    if (!ok || fsrename(temp, path) != 0) deletefile(temp);
}
