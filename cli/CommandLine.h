// The command-line tool's entry: "velastrin <subcommand> ...", "velastrin --help" and
// "velastrin --version". Runs without Qt: the front end "velastrin" calls it when
// IsCommandLineTool says so, and starts the desktop program otherwise.
#pragma once

#include "cli/Command.h"

#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace velastrin::cli {

// Where a run writes, and whether its standard error is a terminal (the progress line).
struct TConsole {
  std::ostream& Out;
  std::ostream& Err;
  bool ErrIsTerminal = false;
  std::istream* In = nullptr; // "--files-from -"; standard input when not set
};

// One of each subcommand, in the order "velastrin --help" lists them.
std::vector<std::unique_ptr<TSubcommand>> Subcommands();

// Whether a first parameter asks for the command-line tool: "--help", "--version", or a word
// of small letters (a subcommand, or a mistyped one, which is then named as unknown). The
// caller first lets an existing file of that name go to the desktop program.
bool IsCommandLineTool(const std::string& FirstParameter);

// Runs the command line Args (Args[0] is the program) and returns the exit status (CliStatus).
int RunCommandLine(const std::vector<std::string>& Args, const TConsole& Console);

// The same for main: standard output and error, the locale's number and month texts,
// Ctrl-C and SIGTERM removing every temporary file.
int RunCommandLine(int argc, char** argv);

} // namespace velastrin::cli
