// The textbase menus behind the main menu's items 2 and 3.
#pragma once

void checkmenu();  // checking (and converting) a textbase; returns with menuchoice 0
void genmenu();    // generating a textbase from a .uam file; returns with menuchoice 0
