// The desktop program and its batch mode, and the command-line subcommands.
#include "app/Main.h"
#include "cli/CommandLine.h"

#include <sys/stat.h>

namespace {

bool IsExistingFile(const char* Name) {
  struct stat Info {};
  return ::stat(Name, &Info) == 0 && S_ISREG(Info.st_mode);
}

} // namespace

int main(int argc, char** argv) {
  // Before any Qt object: a subcommand runs without a display and without the Qt platform.
  // A first parameter naming an existing file is always the desktop program's input file.
  if (argc > 1 && !IsExistingFile(argv[1]) && velastrin::cli::IsCommandLineTool(argv[1]))
    return velastrin::cli::RunCommandLine(argc, argv);
  return velastrin::RunProgram(argc, argv);
}
