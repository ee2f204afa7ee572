// KML reader. A placemark's name is its "name", then the words of its
// "description" (HTML as My Maps writes it: tags and entities removed) that
// the name lacks; its place the first "coordinates" inside a "Point", as
// longitude, latitude and an optional altitude.

#include "poi/kml.h"

#include <string>

#include "poi/xmlin.h"

// ---- Reader state ----
static int depth = 0;            // elements open inside the current Placemark, itself counted; 0: none
static int pointdepth = 0;       // depth of the Point being read inside it; 0: none
static bool havecoords = false;  // the placemark's first point was read
static std::string name, desc;   // texts of the placemark's children
static std::string coords;       // the text of its first point's coordinates
static std::int32_t line = 0;    // the line where it starts

static void kmlstart(std::string_view el, const char **) {
    if (depth == 0) {
        if (el != "Placemark") return;
        depth = 1;
        pointdepth = 0;
        havecoords = false;
        name.clear();
        desc.clear();
        coords.clear();
        line = xmlline();
        return;
    }
    ++depth;
    if (depth == 2 && el == "name") xmlsink = &name;
    else if (depth == 2 && el == "description") xmlsink = &desc;
    else if (el == "Point" && pointdepth == 0 && !havecoords) pointdepth = depth;
    else if (el == "coordinates" && pointdepth > 0 && !havecoords) xmlsink = &coords;
}

static void kmlend(std::string_view el) {
    if (depth == 0) return;
    if (xmlsink == &coords && el == "coordinates") havecoords = true;
    if (depth == 2 || el == "coordinates") xmlsink = nullptr;
    if (depth == pointdepth) pointdepth = 0;
    if (--depth > 0 || !havecoords) return;
    // "lon,lat[,alt]", blanks allowed around the numbers.
    std::string_view c(coords);
    std::size_t a = c.find(','), b = a == std::string_view::npos ? a : c.find(',', a + 1);
    std::string_view lon = c.substr(0, a),
                     lat = a == std::string_view::npos ? std::string_view() : c.substr(a + 1, b - a - 1);
    stripmarkup(desc);
    xmlpoint(name, desc, lat, lon, line);
}

static const xmlformat kml = {"kml", kmlstart, kmlend};

void kmlconvert() {
    depth = pointdepth = 0;
    xmlconvert(kml);
    depth = pointdepth = 0;
}
