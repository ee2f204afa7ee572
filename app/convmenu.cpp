// The POI conversion menu. Until its items exist it goes straight back to the
// main menu.

#include "app/convmenu.h"

#include "ui/tk.h"

void convmenu() { menuchoice = 0; }
