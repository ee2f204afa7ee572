// The reader of GPX files (1.0 and 1.1): every waypoint ("wpt") is a point;
// route and track points are no points of interest and are passed over.
#pragma once

void gpxconvert();  // the whole open file, every waypoint to the writer
