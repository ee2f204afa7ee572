// Reading and writing trelik.cfg.

#include "app/settings.h"

#include <cstdint>
#include <cstdio>

#include "core/app.h"
#include "sys/paths.h"
#include "text/bytes.h"
#include "ui/tkterm.h"

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

// ---- Settings state ----
static bool savetold = false;      // this program start has told of a failed save already
static bool savetostderr = false;  // the failure goes to standard error (command line), not the pane

void loadsettings() {
    shortstr path;
    if (!progfile(settingsname, path)) return;
    // Read access is all reading needs: a read-only file still gives its
    // values (and its ids go on from where they were).
    std::FILE *f = fsopen(path, "rb");
    if (!f) return;
    // Each read starts where the previous one stopped, whether it got all its
    // bytes or not; only a field read whole is taken, and only a value the
    // program could have written: anything else keeps the default. A next id
    // above the typed range is one that conversions reached.
    unsigned char b[256];
    if (std::fread(b, 1, 4, f) == 4) {
        std::int32_t v = getle32(b);
        if (v >= 1) nextpointid = v;
    }
    if (std::fread(b, 1, 4, f) == 4) {
        std::int32_t v = getle32(b);
        if (v >= 1 && v <= maxuserid) userid = v;
    }
    if (std::fread(b, 1, 256, f) == 256) outputfile = shortstr((const char *)b + 1, b[0]);
    std::fclose(f);
}

// A new trelik.tmp; a leftover from an interrupted save is removed first.
static std::FILE *newtemp(const shortstr &temp) {
    std::FILE *f = fscreatenew(temp);
    if (!f && fileexists(temp) && deletefile(temp) == 0) f = fscreatenew(temp);
    return f;
}

bool savesettings() {
    shortstr path, temp;
    if (!progfile(settingsname, path) || !progfile(settingstemp, temp)) return false;
    // A trelik.cfg that may not be written (read-only, a folder) is left
    // alone: the user made it so. Not saved, all the same.
    if (fileexists(path)) {
        std::FILE *old = fsopen(path, "r+b");
        if (!old) return false;
        std::fclose(old);
    }

    unsigned char b[settingssize] = {};
    putle32(b, nextpointid);
    putle32(b + 4, userid);
    b[8] = outputfile.len;
    for (std::size_t i = 0; i < outputfile.size(); i++) b[9 + i] = (unsigned char)outputfile[i];

    // The whole file is written under a new name and only then renamed over
    // the old one, so a full disk or a crash leaves either the old settings or
    // the new ones, never a cut file.
    std::FILE *f = newtemp(temp);
    if (!f) return false;
    bool ok = std::fwrite(b, 1, sizeof b, f) == sizeof b;
    ok = fsclosesync(f) == 0 && ok;
    if (ok && fsrename(temp, path) == 0) return true;
    deletefile(temp);
    return false;
}

shortstr settingsfailtext() {
    shortstr path;
    if (!progfile(settingsname, path)) path = progdir() + settingsname;
    return "Nie można zapisać ustawień w pliku "_pl + path + ". Identyfikatory punktów mogą się powtórzyć."_pl;
}

void settingsreset(bool tostderr) {
    savetold = false;
    savetostderr = tostderr;
}

void tellsettingsfailure() {
    if (savetold) return;
    savetold = true;
    if (savetostderr) writeall(2, termtext(settingsfailtext().view()) + "\n");
    else report(settingsfailtext());
}

bool keepsettings() {
    if (savesettings()) return true;
    tellsettingsfailure();
    return false;
}

bool settingswritable() {
    shortstr temp;
    if (!progfile(settingstemp, temp)) return false;
    std::FILE *f = newtemp(temp);
    if (!f) return false;
    std::fclose(f);
    return deletefile(temp) == 0;
}
