// The POI conversion menu behind the main menu's "Konwertuj do LS".
#pragma once

void convmenu();  // returns when the user goes back or the program quits, with menuchoice 0
