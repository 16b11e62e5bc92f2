// The program's entry: the commands run here without Qt; every other command line goes to the
// desktop program and its batch mode.
#include "cli/CommandLine.h"
#include "cli/DesktopProgram.h"

#include <filesystem>

int main(int argc, char** argv) {
  // A first parameter naming an existing file is always the desktop program's input file.
  std::error_code Error;
  if (argc > 1 && !std::filesystem::is_regular_file(argv[1], Error) &&
      velastrin::cli::IsCommandLineTool(argv[1]))
    return velastrin::cli::RunCommandLine(argc, argv);
  return velastrin::cli::StartDesktopProgram(argv);
}
