#include "cli/DesktopProgram.h"

#include "cli/Command.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace velastrin::cli {

std::filesystem::path DesktopProgramPath(const std::filesystem::path& FrontEnd) {
  return (FrontEnd.parent_path() / VELASTRIN_DESKTOP_FROM_BIN / "velastrin-desktop")
      .lexically_normal();
}

int StartDesktopProgram(char** argv) {
  std::error_code Error;
  const std::filesystem::path FrontEnd = std::filesystem::read_symlink("/proc/self/exe", Error);
  const std::filesystem::path Desktop = DesktopProgramPath(FrontEnd);
  if (!Error)
    ::execv(Desktop.c_str(), argv);
  const int Reason = Error ? Error.value() : errno;
  std::fprintf(stderr, "velastrin: cannot start the desktop program \"%s\": %s\n", Desktop.c_str(),
               std::strerror(Reason));
  return CliStatus::NotStarted;
}

} // namespace velastrin::cli
