// Saving trelik.cfg when the write is refused: a read-only program folder,
// and a disk that fills before, at or one byte before the end of the file.
// The old file stays byte for byte or the new one is whole; no trelik.tmp
// stays behind.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include <sys/stat.h>

#include "app/settings.h"
#include "core/app.h"
#include "sys/paths.h"
#include "tests/faults.h"
#include "tests/testfiles.h"

namespace {

std::string image(std::int32_t next, std::int32_t user, const std::string &path) {
    std::string s;
    for (std::int32_t v : {next, user})
        for (int i = 0; i < 4; ++i) s += char(std::uint32_t(v) >> (8 * i));
    s += char(path.size()) + path;
    s.resize(settingssize, '\0');
    return s;
}

TEST(settingsfault, oldfileornewfile) {
    struct row {
        const char *what;
        bool old;       // a trelik.cfg is there before
        bool readonly;  // the program folder is read-only
        rlim_t limit;   // bytes a file may reach; 0: no limit
        bool replaced;  // the new settings are saved
    };
    const row rows[] = {
        {"read-only folder, old file", true, true, 0, false},
        {"read-only folder, no file", false, true, 0, false},
        {"no room, no file", false, false, 100, false},
        {"room for one byte less", true, false, settingssize - 1, false},
        {"room for the whole file", true, false, settingssize, true},
    };
    const std::string old = image(17, 2, "/stary.txt"), now = image(99, 5, "/nowy.txt");
    for (const row &r : rows) {
        SCOPED_TRACE(r.what);
        tempdir t;
        homeenv h(t.path);
        progdirinit();
        const std::string cfg = t / "trelik.cfg";
        if (r.old) writefile(cfg, old);
        auto body = [&] {
            if (r.readonly) {
                ASSERT_EQ(chmod(t.path.c_str(), 0555), 0);
            }
            nextpointid = 99;
            userid = 5;
            outputfile = "/nowy.txt";
            {
                std::optional<fsizelimit> lim;
                if (r.limit) lim.emplace(r.limit);
                savesettings();
            }
            chmod(t.path.c_str(), 0755);
            if (r.replaced) {
                EXPECT_EQ(readfile(cfg), now);
            } else if (r.old) {
                EXPECT_EQ(readfile(cfg), old);
            } else {
                EXPECT_FALSE(existsfile(cfg));
            }
            EXPECT_FALSE(existsfile(t / "trelik.tmp"));
        };
        if (r.readonly) asuser(t.path, body);
        else body();
    }
    progdirinit();
}

}  // namespace
