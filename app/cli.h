// The command line. `trelik` alone starts the interactive program; `trelik
// SUBCOMMAND ...` runs one operation through the batch toolkit, with the same
// runs as the menus, reading and saving trelik.cfg as the program does.
//
// Adding a subcommand takes one registering function in app/clicmds.cpp and
// one line in app/clitable.h: CLICMD(convertcli). The registering function
// makes the subcommand with clisubcommand and declares its options with the
// helpers below; the run it names is one the conversions expose:
//
//   void convertcli(CLI::App &top) {
//       CLI::App *c = clisubcommand(top, "convert", "Konwertuje pliki poi ...", convertrun);
//       clioutput(c);
//       cliuserid(c);
//       clifirstid(c);
//       clifiles(c, "FILE", "pliki .pnt lub .uam")->required();
//   }
//
// Options are checked while the command line is read: a bad one ends the
// program with exit code 2 and a message on standard error before anything
// else happens. Checked values are applied after start-up, so they win over
// trelik.cfg; then the files are queued for choosefile, the run starts, and
// the settings are saved.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include <CLI/CLI.hpp>

#include "text/shortstr.h"
#include "ui/tkdrv.h"

// Exit codes of the program.
enum : int {
    exitok = 0,     // done
    exiterror = 1,  // the run reported an error (errorflag), or the program could not start
    exitusage = 2,  // bad command line
};

// Bounds of the point ids, as in the conversion menu (the user id's upper
// bound is maxuserid, app/settings.h).
constexpr std::int32_t minid = 1;
constexpr std::int32_t maxid = 2000000000;

// The program's entry: the interactive program through `interactive` when
// there are no arguments, else the command line. Gives the exit code.
int climain(int argc, char **argv, const tkdriver *interactive);

// A subcommand's registering function, listed in app/clitable.h.
using clireg = void (*)(CLI::App &top);

// Adds a registering function beyond those of app/clitable.h (for tests).
void cliregister(clireg f);

// Makes a subcommand whose operation is run(): called after start-up and the
// options, with the batch toolkit in use.
CLI::App *clisubcommand(CLI::App &top, const std::string &name, const std::string &desc, void (*run)());

// ---- Option helpers ----
// names are CLI11 option names ("-o,--output"); a name without a dash makes a
// positional argument. Each returns the CLI11 option for further settings
// (->required() and the like). An option given twice takes the last value.

// A path: converted from UTF-8 into code page 1250 and refused when it is
// longer than 255 bytes or holds characters the code page cannot hold. With
// absolute, a relative path is joined to the current folder first. The help
// text calls its value PLIK; ->type_name("FOLDER") for a folder.
CLI::Option *clipath(CLI::App *sub, const std::string &names, shortstr *target, const std::string &desc, bool absolute);
// A whole number in min..max; anything else is refused.
CLI::Option *clinumber(CLI::App *sub, const std::string &names, std::int32_t *target, std::int32_t min,
                       std::int32_t max, const std::string &desc);
// One word of a list; target takes its position in the list (0-based).
CLI::Option *clichoice(CLI::App *sub, const std::string &names, std::int32_t *target,
                       std::initializer_list<const char *> words, const std::string &desc);
// A flag; target becomes true when it is given.
CLI::Option *cliflag(CLI::App *sub, const std::string &names, bool *target, const std::string &desc);
// A flag that answers Yes, on the user's behalf, the question asked with
// this id (askyesno's id, core/app.h). Questions no flag covers are answered
// No.
CLI::Option *cliyes(CLI::App *sub, const std::string &names, std::int32_t question, const std::string &desc);
// Positional files, queued in order for the run's file dialogs (choosefile).
CLI::Option *clifiles(CLI::App *sub, const std::string &name, const std::string &desc);
// How many files the command line gave (for a run that takes them one by one).
std::size_t clifilecount();

// The shared options of the conversions.
CLI::Option *clioutput(CLI::App *sub);   // -o,--output OUTFILE: outputfile (made absolute)
CLI::Option *cliuserid(CLI::App *sub);   // -u,--user-id USERID: userid, 1..2000000000
CLI::Option *clifirstid(CLI::App *sub);  // -i,--first-id FIRSTID: nextpointid, 1..2000000000
