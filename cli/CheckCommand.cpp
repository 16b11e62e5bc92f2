#include "cli/CheckCommand.h"

#include "check/uEDFFindings.h"
#include "check/uEDFReport.h"

#include <CLI/CLI.hpp>

#include <algorithm>

namespace velastrin::cli {

namespace {

class TCheckCommand : public TSubcommand {
public:
  std::string Name() const override { return "check"; }
  std::string Description() const override {
    return "Say what is wrong with each recording's header, field by field";
  }
  std::string DoneWord() const override { return "checked"; }

  void AddOptions(CLI::App& Command) override {
    Command.add_flag("--json", FJson, "One JSON object per file and line instead of text");
    Command.footer("Exit status: 0 every file valid, 1 at least one only lenient, 2 at least one\n"
                   "unreadable or missing, or bad arguments.\n\n" +
                   JSONSchemaText());
  }

  TFileResult Run(const TInput& Input, TJobContext& Context) override {
    const TEDFFindings F = CollectFindings(Input.Path);
    // Only the header is read; the rest counts as looked at through the file size.
    Context.AddBytes(Input.Size);
    TFileResult Result;
    Result.Output = FJson ? FindingsJson(F) + "\n" : FindingsText(F);
    Result.Kind = static_cast<int>(F.Verdict);
    return Result;
  }

  void Counted(const TFileResult& Result) override {
    switch (static_cast<TEDFVerdict>(Result.Kind)) {
    case TEDFVerdict::Valid:
      ++FValid;
      break;
    case TEDFVerdict::Lenient:
      ++FLenient;
      break;
    case TEDFVerdict::Unreadable:
      ++FUnreadable;
      break;
    }
  }

  std::string FailureOutput(const std::string& Path, const std::string& Reason) const override {
    if (!FJson)
      return {};
    TEDFFindings F;
    F.File = Path;
    F.Error = Reason;
    return FindingsJson(F) + "\n";
  }

  std::string SummaryLine(std::size_t Done, std::size_t Failed) const override {
    std::string Line = std::to_string(Done) + " checked: " + std::to_string(FValid) + " valid, " +
                       std::to_string(FLenient) + " lenient, " + std::to_string(FUnreadable) +
                       " unreadable";
    if (Failed > 0)
      Line += ", " + std::to_string(Failed) + " missing";
    return Line;
  }

  int ExitStatus(std::size_t Failed, std::size_t /*Total*/) const override {
    if (Failed > 0 || FUnreadable > 0)
      return CliStatus::NotStarted;
    return FLenient > 0 ? CliStatus::SomeFailed : CliStatus::Success;
  }

private:
  bool FJson = false;
  std::size_t FValid = 0; // counted on the main thread
  std::size_t FLenient = 0;
  std::size_t FUnreadable = 0;
};

} // namespace

std::unique_ptr<TSubcommand> MakeCheckCommand() {
  return std::make_unique<TCheckCommand>();
}

} // namespace velastrin::cli
