// The reader of KML files: every Placemark with a Point is a point; a
// placemark of a line or an area only is passed over.
#pragma once

void kmlconvert();  // the whole open file, every point placemark to the writer
