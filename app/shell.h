// The application shell: the welcome text, the main menu, and the start-up
// and shutdown shared by the interactive program and the command line.
#pragma once

void welcome();   // clearpane and the welcome text
void mainmenu();  // the main menu loop

// Start-up steps 1-5 shared by the interactive program and the command line:
// tables, apptitle, guiinit, default output, settings. False when the program
// cannot run (the reason has been shown).
bool appstart();
// Shutdown: settings saved, closing sound played to its end (when sounds play).
void appstop();

// Every module's state as at a new start of the program, without the window
// and the settings file: toolkit, text tables, program folder, application
// state, input reader, writers, PROJ, textbase. For tests, which run many
// program starts in one process.
void freshprogram();
