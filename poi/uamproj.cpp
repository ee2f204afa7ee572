// PROJ is called through its current interface: each system is created from
// its definition string alone, with no PROJ database, so the program needs
// none of PROJ's data files. A point goes from the grid to geographic
// coordinates on GRS80 (inverse of the grid) and from there into the
// destination system (forward); neither system carries a datum shift.

#include "poi/uamproj.h"

#include <cmath>

#include <proj.h>

#include "core/app.h"
#include "text/strutil.h"

const char projsrcdef[] = "+proj=tmerc +lat_0=0 +lon_0=19 +k=0.9993 +x_0=500000 +y_0=-5300000 +ellps=GRS80 +units=m";
const char projdstdef[] = "+proj=latlong +ellps=WGS84";

// ---- Transformation state, held for one run ----
static PJ_CONTEXT *projctx = nullptr;  // PROJ's context of this run (own log level, own errors)
static PJ *projsrc = nullptr;          // the grid
static PJ *projdst = nullptr;          // WGS84

bool projheld() { return projctx || projsrc || projdst; }

void projdone() {
    if (projdst) proj_destroy(projdst);
    if (projsrc) proj_destroy(projsrc);
    if (projctx) proj_context_destroy(projctx);
    projdst = projsrc = nullptr;
    projctx = nullptr;
}

bool projinit() {
    projdone();
    projctx = proj_context_create();
    if (projctx) {
        // A failing point is told in the pane; PROJ's own messages would only
        // reach a console the user may not have.
        proj_log_level(projctx, PJ_LOG_NONE);
        projsrc = proj_create(projctx, projsrcdef);
        if (projsrc) projdst = proj_create(projctx, projdstdef);
    }
    if (projdst) return true;
    projdone();
    showerror("Nie można zainicjować modułu projekcji geograficznych"_pl);
    return false;
}

bool roundunits(double v, std::int32_t &units) {
    if (!std::isfinite(v)) return false;
    // The processor's own rounding: to nearest, ties to even.
    double r = std::nearbyint(v);
    if (r < -2147483648.0 || r > 2147483647.0) return false;
    units = std::int32_t(r);
    return true;
}

bool radtounits(double rad, std::int32_t &units) {
    static const long double degperrad = 180.0L / 3.141592653589793238462643383279502884L;
    double deg = double(rad * degperrad);
    double v = deg * 10000000.0;
    return roundunits(v, units);
}

bool projpoint(std::int32_t &x, std::int32_t &y) {
    if (!projdst) return false;
    if (projcalc(x, y)) return true;
    report("Transformacja współrzędnych nie powiodła się"_pl);
    return false;
}

bool projcalc(std::int32_t &x, std::int32_t &y) {
    if (!projdst) return false;
    proj_errno_reset(projsrc);
    proj_errno_reset(projdst);
    PJ_COORD c = proj_coord(double(x), double(y), 0, 0);
    c = proj_trans(projsrc, PJ_INV, c);
    if (std::isfinite(c.v[0]) && std::isfinite(c.v[1]) && !proj_errno(projsrc)) c = proj_trans(projdst, PJ_FWD, c);
    std::int32_t lon, lat;
    if (!std::isfinite(c.v[0]) || !std::isfinite(c.v[1]) || proj_errno(projsrc) || proj_errno(projdst) ||
        !radtounits(c.v[0], lon) || !radtounits(c.v[1], lat))
        return false;
    x = lon;
    y = lat;
    return true;
}
