// The streaming XML reader shared by the GPX and KML readers: expat parses
// the open input chunk by chunk in the encoding the file declares (UTF-8,
// UTF-16, ISO-8859-1 and US-ASCII by expat itself, ISO-8859-2 and
// windows-1250 from our tables), so a file of any size is read in the same
// memory. A format says what to do at its elements; the point it makes goes
// through xmlpoint.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct xmlformat {
    const char *root;                                    // local name the root element must have
    void (*start)(std::string_view, const char **atts);  // an element opens: local name, attributes
    void (*end)(std::string_view);                       // an element closes: local name
};

// Where character data goes while a format collects it (null: nowhere), at
// most xmltextmax bytes of UTF-8 kept of each text, so that a huge text
// cannot grow the memory.
constexpr std::size_t xmltextmax = 1020;
extern std::string *xmlsink;

// Converts the whole open input with the format: a file whose root element
// is another, or that is no XML at all, gets showformaterror; an encoding we
// do not know "Nieobsługiwane kodowanie pliku: "; a malformed file, once its
// root was seen, "Błąd w pliku XML w linii N" (what was written stays).
void xmlconvert(const xmlformat &f);

// The line of the element being opened or closed, for reports.
std::int32_t xmlline();
// The value of attribute name among atts, or null.
const char *xmlattr(const char **atts, std::string_view name);

// Writes one point: name (UTF-8), then the words of more (UTF-8) it lacks,
// folded into code page 1250 and cleaned as point names are, cut to the
// Loadstone length; latitude and longitude as decimal degrees. Coordinates
// outside the globe or no number: the pane line "Nieprawidłowe współrzędne
// w linii " + line, and the point is skipped.
void xmlpoint(std::string_view name, std::string_view more, std::string_view lat, std::string_view lon,
              std::int32_t line);

// Text of an HTML description as plain words: tags become blanks, the
// common entities (&amp; &lt; &gt; &quot; &apos; &nbsp; and numbered ones)
// their characters. In place, in UTF-8.
void stripmarkup(std::string &s);
