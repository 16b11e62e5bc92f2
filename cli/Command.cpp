#include "cli/Command.h"

namespace velastrin::cli {

void TSubcommand::Prepare(const std::vector<TInput>& /*Inputs*/) {}

std::string TSubcommand::SummaryLine(std::size_t Done, std::size_t Failed) const {
  std::string Line = std::to_string(Done) + " " + DoneWord();
  if (Failed > 0)
    Line += ", " + std::to_string(Failed) + " failed";
  return Line;
}

int TSubcommand::ExitStatus(std::size_t Failed, std::size_t /*Total*/) const {
  return Failed == 0 ? CliStatus::Success : CliStatus::SomeFailed;
}

} // namespace velastrin::cli
