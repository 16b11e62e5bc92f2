// The desktop program is a program of its own beside the command-line front end, so that the
// commands never load Qt: the front end starts it in its own place for every command line
// that is not a command.
#pragma once

#include <filesystem>

namespace velastrin::cli {

// Where the desktop program is, given the running front end's file.
std::filesystem::path DesktopProgramPath(const std::filesystem::path& FrontEnd);

// Replaces this process by the desktop program with the very same parameters (argv[0] too:
// the application title comes from it). Returns only when that fails, after saying why on
// standard error, with the exit status of a program that did not start.
int StartDesktopProgram(char** argv);

} // namespace velastrin::cli
