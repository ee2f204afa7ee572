// GPX reader. A waypoint's name is its "name", then the words of its "desc"
// (or of its "cmt" when it has no description) that the name lacks; its
// place the attributes "lat" and "lon" in decimal degrees. Only the children
// of "wpt" itself count: an "extensions" block may hold a "name" of its own.

#include "poi/gpx.h"

#include <string>

#include "poi/input.h"
#include "poi/xmlin.h"

// ---- Reader state ----
static int depth = 0;                // elements open inside the current wpt, itself counted; 0: none
static std::string name, desc, cmt;  // texts of the wpt's children
static std::string lat, lon;         // its attributes
static std::int32_t line = 0;        // the line where it starts

static void gpxstart(std::string_view el, const char **atts) {
    if (depth == 0) {
        if (el != "wpt") return;
        depth = 1;
        name.clear();
        desc.clear();
        cmt.clear();
        const char *a = xmlattr(atts, "lat"), *o = xmlattr(atts, "lon");
        lat = a ? a : "";
        lon = o ? o : "";
        line = xmlline();
        return;
    }
    if (++depth != 2) return;
    if (el == "name") xmlsink = &name;
    else if (el == "desc") xmlsink = &desc;
    else if (el == "cmt") xmlsink = &cmt;
}

static void gpxend(std::string_view) {
    if (depth == 0) return;
    if (depth == 2) xmlsink = nullptr;
    if (--depth > 0) return;
    xmlpoint(name, desc.empty() ? cmt : desc, lat, lon, line);
}

static const xmlformat gpx = {"gpx", gpxstart, gpxend};

void gpxconvert() {
    depth = 0;
    xmlconvert(gpx);
    depth = 0;
}
