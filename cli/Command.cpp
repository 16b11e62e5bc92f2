#include "cli/Command.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>

namespace velastrin::cli {

void TSubcommand::CheckAllInputs(const std::vector<TInput>& /*Inputs*/) {}

void TSubcommand::Prepare(const std::vector<TInput>& /*Inputs*/) {}

std::string TSubcommand::FailureOutput(const std::string& /*Path*/,
                                       const std::string& /*Reason*/) const {
  return {};
}

std::string TSubcommand::SummaryLine(std::size_t Done, std::size_t Failed) const {
  std::string Line = std::to_string(Done) + " " + DoneWord();
  if (Failed > 0)
    Line += ", " + std::to_string(Failed) + " failed";
  return Line;
}

int TSubcommand::ExitStatus(std::size_t Failed, std::size_t /*Total*/) const {
  return Failed == 0 ? CliStatus::Success : CliStatus::SomeFailed;
}

void TSubcommand::Counted(const TFileResult& /*Result*/) {}

TFileResult RunFile(TSubcommand& Command, const TInput& Input, TJobContext& Context) {
  if (!Input.Problem.empty())
    throw std::runtime_error(Input.Problem);
  TFileResult Result = Command.Run(Input, Context);
  if (Command.OutputsRequired() && Result.Outputs.empty())
    throw std::runtime_error("nothing was written");
  // Renamed a moment ago; anything else now under the name means the output was lost.
  for (const std::string& Output : Result.Outputs) {
    struct stat Info {};
    if (::stat(Output.c_str(), &Info) != 0)
      throw std::runtime_error("the output \"" + Output +
                               "\" is gone after it was written: " + std::strerror(errno));
    if (!S_ISREG(Info.st_mode))
      throw std::runtime_error("the output \"" + Output +
                               "\" is no longer a file after it was written");
  }
  return Result;
}

void MakeOutputFolder(const std::string& Folder) {
  std::error_code Error;
  std::filesystem::create_directories(Folder, Error);
  if (!Error && !std::filesystem::is_directory(Folder, Error))
    Error = std::make_error_code(std::errc::not_a_directory);
  if (Error)
    throw TUsageError("cannot make the output folder \"" + Folder + "\": " + Error.message() +
                      "; nothing written");
}

} // namespace velastrin::cli
