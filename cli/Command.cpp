#include "cli/Command.h"

#include <filesystem>

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
