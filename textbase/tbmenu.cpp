// The textbase menus. Until their items exist they go straight back to the
// main menu.

#include "textbase/tbmenu.h"

#include "ui/tk.h"

void checkmenu() { menuchoice = 0; }
void genmenu() { menuchoice = 0; }
