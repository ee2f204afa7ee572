// One conversion of one POI file into the Loadstone output.
#pragma once

// Asks for the file, converts it by its extension (.uam: AutoMapa user
// points; anything else: OziExplorer point file) and reports the counts.
void convertfile();
