// The subcommands of the command line, one line each, in the order of the
// help text: CLICMD(registering function). The function is declared by this
// line; it is defined in app/clicmds.cpp. See app/cli.h.
//
// Included twice by app/cli.cpp with different meanings of CLICMD.
CLICMD(convertcli)
CLICMD(converttbcli)
CLICMD(generatecli)
CLICMD(checkcli)
