// The desktop program and its batch mode, and the command-line subcommands.
#include "app/Main.h"
#include "cli/CommandLine.h"

#include <filesystem>

int main(int argc, char** argv) {
  // Before any Qt object: a subcommand runs without a display and without the Qt platform.
  // A first parameter naming an existing file is always the desktop program's input file.
  std::error_code Error;
  if (argc > 1 && !std::filesystem::is_regular_file(argv[1], Error) &&
      velastrin::cli::IsCommandLineTool(argv[1]))
    return velastrin::cli::RunCommandLine(argc, argv);
  return velastrin::RunProgram(argc, argv);
}
