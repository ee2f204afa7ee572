// The XML reader over expat. The input is fed in chunks of the shared
// reader's size; the parser is stopped at a whole point when the program
// closes or a write fails, and the run ends there as the other readers do.

#include "poi/xmlin.h"

#include <expat.h>

#include <cstring>

#include "core/app.h"
#include "poi/coord.h"
#include "poi/formats.h"
#include "poi/input.h"
#include "poi/lsout.h"
#include "poi/pnt.h"
#include "text/strutil.h"
#include "ui/tk.h"

// ---- Reader state ----
static XML_Parser parser = nullptr;     // the parser of the run, null between runs
static const xmlformat *fmt = nullptr;  // the format of the run
static bool rootseen = false;           // the root element was opened and is the format's
static shortstr badencoding;            // an encoding name the file declared that we cannot read
std::string *xmlsink = nullptr;

// Bytes 0x80..0xFF of ISO-8859-2 as code points (0x80..0x9F are themselves).
static const char16_t iso88592hi[96] = {
    0x00A0, 0x0104, 0x02D8, 0x0141, 0x00A4, 0x013D, 0x015A, 0x00A7, 0x00A8, 0x0160, 0x015E, 0x0164, 0x0179, 0x00AD,
    0x017D, 0x017B, 0x00B0, 0x0105, 0x02DB, 0x0142, 0x00B4, 0x013E, 0x015B, 0x02C7, 0x00B8, 0x0161, 0x015F, 0x0165,
    0x017A, 0x02DD, 0x017E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9,
    0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A,
    0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3,
    0x00F4, 0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// The encodings expat does not know itself: the byte table of each.
static int XMLCALL unknownencoding(void *, const XML_Char *name, XML_Encoding *info) {
    shortstr n = pllower(shortstr(name));
    bool iso = n.view() == "iso-8859-2" || n.view() == "iso8859-2" || n.view() == "latin2";
    bool win = n.view() == "windows-1250" || n.view() == "cp1250" || n.view() == "x-cp1250";
    if (!iso && !win) {
        badencoding = shortstr(cp1250fromutf8(name));
        return XML_STATUS_ERROR;
    }
    for (int b = 0; b < 256; ++b) {
        if (b < 0x80) info->map[b] = b;
        else if (iso) info->map[b] = b < 0xA0 ? b : iso88592hi[b - 0xA0];
        else info->map[b] = cp1250hi[b - 0x80] ? cp1250hi[b - 0x80] : -1;
    }
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
}

// The name without its namespace prefix.
static std::string_view localname(const XML_Char *name) {
    std::string_view v(name);
    std::size_t colon = v.rfind(':');
    return colon == std::string_view::npos ? v : v.substr(colon + 1);
}

static void XMLCALL onstart(void *, const XML_Char *name, const XML_Char **atts) {
    std::string_view local = localname(name);
    if (!rootseen) {
        if (local != fmt->root) {
            showformaterror();
            XML_StopParser(parser, XML_FALSE);
            return;
        }
        rootseen = true;
    }
    fmt->start(local, atts);
}

static void XMLCALL onend(void *, const XML_Char *name) {
    fmt->end(localname(name));
    if (quitflag || errorflag || outputfailed()) XML_StopParser(parser, XML_FALSE);
}

static void XMLCALL ontext(void *, const XML_Char *s, int len) {
    if (!xmlsink) return;
    std::size_t room = xmltextmax - xmlsink->size();
    if (room > 0) xmlsink->append(s, std::size_t(len) < room ? std::size_t(len) : room);
}

std::int32_t xmlline() {
    XML_Size l = parser ? XML_GetCurrentLineNumber(parser) : 0;
    return l > XML_Size(INT32_MAX) ? INT32_MAX : std::int32_t(l);
}

const char *xmlattr(const char **atts, std::string_view name) {
    for (; atts && atts[0]; atts += 2)
        if (localname(atts[0]) == name) return atts[1];
    return nullptr;
}

void xmlconvert(const xmlformat &f) {
    fmt = &f;
    rootseen = false;
    badencoding = shortstr();
    xmlsink = nullptr;
    parser = XML_ParserCreate(nullptr);
    if (!parser) {
        showerror("Brak pamięci"_pl);
        return;
    }
    XML_SetElementHandler(parser, onstart, onend);
    XML_SetCharacterDataHandler(parser, ontext);
    XML_SetUnknownEncodingHandler(parser, unknownencoding, nullptr);
    busyflag = true;
    extrachars = "./-";
    for (;;) {
        void *buf = XML_GetBuffer(parser, inputchunk);
        if (!buf) {
            showerror("Brak pamięci"_pl);
            break;
        }
        std::uint32_t n = readblock(buf, inputchunk);
        if (errorflag) break;  // a read error, shown
        idlepumpn(n);
        bool last = n < inputchunk;
        if (XML_ParseBuffer(parser, int(n), last) == XML_STATUS_ERROR) {
            // Stopped at a whole point (closing, a failed write), or the
            // format refused the file: already told.
            if (errorflag || XML_GetErrorCode(parser) == XML_ERROR_ABORTED) break;
            if (!badencoding.empty()) showerror("Nieobsługiwane kodowanie pliku: "_pl + badencoding);
            else if (!rootseen) showformaterror();
            else showerror("Błąd w pliku XML w linii "_pl + numtostr(xmlline()));
            break;
        }
        XML_ParsingStatus st;
        XML_GetParsingStatus(parser, &st);
        if (st.parsing != XML_PARSING || last || quitflag || errorflag) break;
    }
    // An empty file, or one that ends before its root: no XML of the kind.
    if (!rootseen && !errorflag && !quitflag) showformaterror();
    XML_ParserFree(parser);
    parser = nullptr;
    xmlsink = nullptr;
    busyflag = false;
    extrachars = shortstr();
}

void xmlpoint(std::string_view name, std::string_view more, std::string_view lat, std::string_view lon,
              std::int32_t line) {
    clearpoi();
    if (!degunits(lat, pntlatmax, curpoi.lat) || !degunits(lon, pntlonmax, curpoi.lon)) {
        report("Nieprawidłowe współrzędne w linii "_pl + numtostr(line));
        clearpoi();
        writepoint();
        return;
    }
    std::string n, m;
    utf8foldto(name, n, shortstr::maxlen);
    utf8foldto(more, m, xmltextmax);
    shortstr &s = curpoi.name;
    s = shortstr(n);
    addnewwords(s, m);
    cleanname(s);
    if (s.size() > lsnamemax) s.resize(lsnamemax);
    writepoint();
}

// The character of a numbered entity as UTF-8 (nothing for 0 or a value
// past Unicode).
static void pututf8(std::string &o, unsigned long cp) {
    if (cp == 0 || cp > 0x10FFFF) return;
    if (cp < 0x80) {
        o += char(cp);
    } else if (cp < 0x800) {
        o += char(0xC0 | (cp >> 6));
        o += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        o += char(0xE0 | (cp >> 12));
        o += char(0x80 | ((cp >> 6) & 0x3F));
        o += char(0x80 | (cp & 0x3F));
    } else {
        o += char(0xF0 | (cp >> 18));
        o += char(0x80 | ((cp >> 12) & 0x3F));
        o += char(0x80 | ((cp >> 6) & 0x3F));
        o += char(0x80 | (cp & 0x3F));
    }
}

void stripmarkup(std::string &s) {
    static const struct {
        const char *name, *text;
    } entities[] = {{"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", " "}};
    std::string o;
    o.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        char c = s[i];
        if (c == '<') {
            std::size_t e = s.find('>', i);
            if (e == std::string::npos) break;  // a tag cut off: the rest is markup
            o += ' ';
            i = e + 1;
            continue;
        }
        if (c == '&') {
            std::size_t e = s.find(';', i);
            if (e != std::string::npos && e - i <= 10) {
                std::string_view ent(s.data() + i + 1, e - i - 1);
                bool done = false;
                if (!ent.empty() && ent[0] == '#') {
                    bool hex = ent.size() > 1 && (ent[1] == 'x' || ent[1] == 'X');
                    std::string digits(ent.substr(hex ? 2 : 1));
                    char *end = nullptr;
                    unsigned long cp = digits.empty() ? 0 : std::strtoul(digits.c_str(), &end, hex ? 16 : 10);
                    if (end && *end == 0) {
                        pututf8(o, cp);
                        done = true;
                    }
                } else {
                    for (const auto &x : entities)
                        if (ent == x.name) {
                            o += x.text;
                            done = true;
                        }
                }
                if (done) {
                    i = e + 1;
                    continue;
                }
            }
        }
        o += c;
        ++i;
    }
    s.swap(o);
}
