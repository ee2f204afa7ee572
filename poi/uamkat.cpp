// The category table and its loader.

#include "poi/uamkat.h"

#include <cstdio>
#include <string>

#include "core/app.h"
#include "sys/paths.h"
#include "text/cp1250.h"
#include "text/strutil.h"

shortstr kateg[256];

void katline(shortstr line) {
    line = collapseblanks(trimboth(line));
    std::size_t comma = line.view().find(',');
    if (comma == std::string_view::npos) return;
    std::int32_t num = strtonum(line.sub(comma + 1));
    // A number outside the table sets nothing, also when some of its bits
    // would fall inside: the category would land under a number the user
    // never wrote.
    if (num < 1 || num > 255 || num == katown) return;
    kateg[num] = trimright(line.sub(0, comma)).sub(0, katnamemax);
}

// A raw line of the file into the table. Editors that save UTF-8 (with or
// without the byte order mark) are common, so a line that is well-formed
// UTF-8 and fits code page 1250 is converted first; a code page 1250 line
// with Polish letters is practically never well-formed UTF-8. Only the first
// 255 bytes of the line count.
static void katraw(const std::string &raw) {
    if (utf8fitscp1250(raw)) katline(shortstr(cp1250fromutf8(raw)));
    else katline(shortstr(raw));
}

void katload() {
    for (auto &k : kateg) k = shortstr();
    std::FILE *f = fsopen(progdir() + "uamkateg.csv", "rb");
    if (!f) {
        report("Nie można otworzyć pliku uamkateg.csv, niektóre kategorie będą pominięte"_pl);
        return;
    }
    // Read here rather than through the input reader, which holds the .uam
    // file of the run. Lines end with CR LF, LF or CR; a line is kept up to
    // 1,020 bytes, room for 255 characters of UTF-8.
    constexpr std::size_t rawmax = 1020;
    std::string raw;
    char buf[4096];
    bool first = true, aftercr = false, online = false;
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        std::size_t i = 0;
        if (first) {
            first = false;
            if (n >= 3 && (unsigned char)buf[0] == 0xEF && (unsigned char)buf[1] == 0xBB &&
                (unsigned char)buf[2] == 0xBF)
                i = 3;
        }
        for (; i < n; i++) {
            char c = buf[i];
            if (c == '\n' && aftercr) {
                aftercr = false;
                continue;
            }
            aftercr = c == '\r';
            if (c == '\r' || c == '\n') {
                katraw(raw);
                raw.clear();
                online = false;
                continue;
            }
            online = true;
            if (raw.size() < rawmax) raw += c;
        }
    }
    if (online) katraw(raw);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) report("Nie można odczytać pliku uamkateg.csv, niektóre kategorie będą pominięte"_pl);
}
