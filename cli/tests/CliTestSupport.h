// Running the command-line tool in the tests: in-process with captured streams, or the built
// program as a child process without a display.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace velastrin::testing {

struct TCliRun {
  int Status = -1;
  std::string Out;
  std::string Err;
};

// RunCommandLine in-process with Args after the program name.
TCliRun RunCli(const std::vector<std::string>& Args);

// The program Exe with Args, without DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM, standard
// output and error captured. When SignalWhen is set, it is asked every millisecond while the
// child runs, and the child gets SIGTERM once it answers true.
// Status is the exit status, or 128 + the signal when it was killed by one. Cwd: the
// child's working folder (default: the test's).
TCliRun RunChild(const std::string& Exe, const std::vector<std::string>& Args,
                 const std::function<bool()>& SignalWhen = {}, const std::string& Cwd = "");

} // namespace velastrin::testing
