#include "cli/RepairCommand.h"

#include "check/uEDFRepair.h"
#include "check/uEDFReport.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <unistd.h>

namespace velastrin::cli {

namespace {

namespace fs = std::filesystem;

class TRepairCommand : public TSubcommand {
public:
  std::string Name() const override { return "repair"; }
  std::string Description() const override {
    return "Write a strictly conforming copy of each recording only lenient reading accepts";
  }
  std::string DoneWord() const override { return "repaired"; }

  void AddOptions(CLI::App& Command) override {
    Command.add_option("-o,--out", FFolder, "Folder for the repaired copies (never an input's)")
        ->required()
        ->type_name("DIR");
    Command.add_flag("--json", FJson, "One JSON object per file and line instead of text");
    Command.footer(
        "Repair writes DIR/NAME for every file only lenient reading accepts: each field strict\n"
        "reading refuses is written from the value lenient reading took, in the strict form;\n"
        "free text gets a printable form; the record count becomes that of the whole records\n"
        "present; the data records are copied as they are, a partial last record or bytes\n"
        "left over are dropped. Valid files are not copied; unreadable ones are skipped.\n"
        "Exit status: 0 every file valid or repaired, 1 at least one could not be, 2 bad\n"
        "arguments or a name clash (nothing written).\n\n" +
        JSONSchemaText());
  }

  // Over the inputs of every shard: two that share a name clash in any of them.
  void CheckAllInputs(const std::vector<TInput>& Inputs) override {
    std::vector<std::string> Paths;
    for (const TInput& Input : Inputs)
      Paths.push_back(Input.Path);
    const std::string Problem = CheckRepairTarget(Paths, FFolder);
    if (!Problem.empty())
      throw TUsageError(Problem + "; nothing written");
  }

  void Prepare(const std::vector<TInput>& /*Inputs*/) override { MakeOutputFolder(FFolder); }

  TFileResult Run(const TInput& Input, TJobContext& Context) override {
    TEDFRepair R;
    std::vector<std::string> Written;
    if (JudgeRepair(Input.Path, R)) {
      const std::string Target = (fs::path(FFolder) / fs::path(Input.Path).filename()).string();
      try {
        TOutputFiles Outputs;
        ::close(Outputs.Create(Target)); // the writer makes the file anew under this name
        WriteRepairedCopy(Input.Path, Outputs.TemporaryName(0), R);
        Written = Outputs.Commit();
        R.Outcome = TEDFRepairOutcome::Repaired;
        R.Output = Target;
      } catch (const std::exception& E) {
        R.Outcome = TEDFRepairOutcome::Failed;
        R.Reason = E.what();
        R.Changes.clear();
      }
    }
    Context.AddBytes(Input.Size);
    TFileResult Result;
    Result.Output = FJson ? RepairJson(R) + "\n" : RepairText(R);
    Result.Outputs = std::move(Written);
    Result.Kind = static_cast<int>(R.Outcome);
    return Result;
  }

  void Counted(const TFileResult& Result) override {
    switch (static_cast<TEDFRepairOutcome>(Result.Kind)) {
    case TEDFRepairOutcome::Repaired:
      ++FRepaired;
      break;
    case TEDFRepairOutcome::AlreadyValid:
      ++FValid;
      break;
    default:
      ++FNotRepaired;
      break;
    }
  }

  std::string FailureOutput(const std::string& Path, const std::string& Reason) const override {
    if (!FJson)
      return {};
    TEDFRepair R;
    R.Findings.File = Path;
    R.Findings.Error = Reason;
    R.Reason = Reason;
    return RepairJson(R) + "\n";
  }

  std::string SummaryLine(std::size_t /*Done*/, std::size_t Failed) const override {
    std::string Line = std::to_string(FRepaired) + " repaired, " + std::to_string(FValid) +
                       " already valid, " + std::to_string(FNotRepaired) + " not repaired";
    if (Failed > 0)
      Line += ", " + std::to_string(Failed) + " missing";
    return Line;
  }

  int ExitStatus(std::size_t Failed, std::size_t /*Total*/) const override {
    return Failed > 0 || FNotRepaired > 0 ? CliStatus::SomeFailed : CliStatus::Success;
  }

private:
  std::string FFolder;
  bool FJson = false;
  std::size_t FRepaired = 0; // counted on the main thread
  std::size_t FValid = 0;
  std::size_t FNotRepaired = 0;
};

} // namespace

std::unique_ptr<TSubcommand> MakeRepairCommand() {
  return std::make_unique<TRepairCommand>();
}

} // namespace velastrin::cli
