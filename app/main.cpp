// Trelik: without arguments the interactive program in the terminal, with
// arguments the command line.

#include "app/cli.h"

int main(int argc, char **argv) { return climain(argc, argv, tkinteractive()); }
