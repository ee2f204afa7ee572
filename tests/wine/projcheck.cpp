// Transforms grid points of the transverse Mercator system of AutoMapa files
// into WGS84 through PROJ and prints the results, so that the library linked
// into the Windows program can be compared with the Linux one: the same
// calls must give the same numbers. No PROJ database is used.
#include <cmath>
#include <cstdio>

#include <proj.h>

static const char *srcdef = "+proj=tmerc +lat_0=0 +lon_0=19 +k=0.9993 +x_0=500000 +y_0=-5300000 +ellps=GRS80 +units=m";
static const char *dstdef = "+proj=latlong +ellps=WGS84";

int main() {
    static const double pts[][2] = {{500000, -5300000}, {637000, 486000}, {500000, 500000}, {250000, 250000}};
    PJ_CONTEXT *ctx = proj_context_create();
    PJ *src = proj_create(ctx, srcdef);
    PJ *dst = proj_create(ctx, dstdef);
    if (!src || !dst) {
        std::printf("proj_create failed: %s\n", proj_context_errno_string(ctx, proj_context_errno(ctx)));
        return 1;
    }
    int rc = 0;
    for (auto &p : pts) {
        // Grid to geographic on the source ellipsoid, then into the
        // destination system; neither carries a datum shift.
        PJ_COORD c = proj_coord(p[0], p[1], 0, 0);
        c = proj_trans(src, PJ_INV, c);
        c = proj_trans(dst, PJ_FWD, c);
        if (c.v[0] == HUGE_VAL || proj_errno(src) || proj_errno(dst)) {
            std::printf("%.0f %.0f: proj_trans failed\n", p[0], p[1]);
            rc = 1;
            continue;
        }
        double lon = c.v[0] * 57.29577951308232 * 10000000.0, lat = c.v[1] * 57.29577951308232 * 10000000.0;
        std::printf("%.0f %.0f -> lon %.17g lat %.17g -> %ld %ld\n", p[0], p[1], c.v[0], c.v[1], std::lrint(lon),
                    std::lrint(lat));
    }
    proj_destroy(dst);
    proj_destroy(src);
    proj_context_destroy(ctx);
    return rc;
}
