// The grid coordinates of AutoMapa files turned into WGS84 through PROJ: the
// two coordinate systems live for one run, each point is transformed alone.
#pragma once

#include <cstdint>

// The grid of AutoMapa files (transverse Mercator, central meridian 19 degrees
// east, GRS80, metres) and the destination, geographic WGS84.
extern const char projsrcdef[];
extern const char projdstdef[];

// Creates both systems. False after showerror when PROJ cannot create them;
// whatever was created is released again then.
bool projinit();
// x and y: easting and northing in whole metres on entry, longitude and
// latitude in 0.0000001 degree on exit. False (both left as they were) when
// PROJ cannot transform the point or the result does not fit 32 bits.
bool projpoint(std::int32_t &x, std::int32_t &y);
// projpoint without the report of a failure, for the thread that transforms
// the records read ahead (the only one using the systems while it runs).
bool projcalc(std::int32_t &x, std::int32_t &y);
// Releases both systems; harmless when none is held.
void projdone();
bool projheld();  // a system is held (between projinit and projdone)

// Radians as 0.0000001-degree units: the product with 180/pi taken in
// extended precision and stored as a double, times 10,000,000 stored as a
// double, rounded to the nearest integer with ties to even. False when the
// result is not finite or does not fit 32 bits.
bool radtounits(double rad, std::int32_t &units);
// The last step alone: a product already in units, rounded as above.
bool roundunits(double v, std::int32_t &units);
