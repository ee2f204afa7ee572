// Fuzz target: the code page conversions. The first two bytes choose the
// pages of a letter-by-letter conversion; the rest is the text, taken both
// as code page 1250 and as what the system gives (UTF-8, UTF-16). The edge
// conversions must give back what they were given, and a path the program
// accepts must name the same file when handed back to the system.
#include "sys/paths.h"
#include "tests/fuzz/fuzz.h"
#include "text/codepage.h"
#include "text/cp1250.h"
#include "text/strutil.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fz::start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 2) return 0;
    int from = 1 + data[0] % cpcount, to = 1 + data[1] % cpcount;
    std::string_view text((const char *)data + 2, size - 2);

    // Letter by letter between pages, and the detection of a page.
    shortstr s(text);
    shortstr t = s;
    convertpage(t, from, to);
    fz::check(t.size() == s.size(), "conversion changed the length");
    detectreset();
    detectadd(s);
    detectadd(t);
    int page = detectpage();
    fz::check(page >= 1 && page <= cpcount, "detected page");

    // Code page 1250 out to UTF-8 and UTF-16 and back in: the same bytes, an
    // undefined byte as "?".
    std::string want(text);
    for (char &c : want)
        if (cp1250cp((unsigned char)c) == 0xFFFD) c = '?';
    fz::check(cp1250fromutf8(utf8fromcp1250(text)) == want, "UTF-8 round trip");
    fz::check(cp1250fromutf16(utf16fromcp1250(text)) == want, "UTF-16 round trip");

    // Text in from the system: never longer than what came in; when it fits
    // the code page, it goes back out unchanged.
    std::string in = cp1250fromutf8(text);
    fz::check(in.size() <= text.size(), "UTF-8 in grew");
    if (utf8fitscp1250(text)) fz::check(utf8fromcp1250(in) == text, "UTF-8 that fits changed");
    std::u16string wide(text.size() / 2, u'\0');
    std::memcpy(wide.data(), text.data(), wide.size() * 2);
    std::string inw = cp1250fromutf16(wide);
    fz::check(inw.size() <= wide.size(), "UTF-16 in grew");
    if (utf16fitscp1250(wide)) fz::check(utf16fromcp1250(inw) == wide, "UTF-16 that fits changed");

    // A path from the system is taken whole or refused, never cut or altered.
    shortstr p, why;
    if (pathfromsys(std::string(text), p, why)) fz::check(pathtosys(p) == text, "path altered");
    else fz::check(!why.empty(), "path refused without a reason");

    // The cleaning of names on texts of any bytes.
    cleanname(t);
    fz::check(t.size() <= s.size(), "cleaned name grew");
    return 0;
}
