#include "cli/AnonymizeCommand.h"

#include "check/uEDFAnonymize.h"

#include <CLI/CLI.hpp>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <unistd.h>

namespace velastrin::cli {

namespace {

namespace fs = std::filesystem;

class TAnonymizeCommand : public TSubcommand {
public:
  std::string Name() const override { return "anonymize"; }
  std::string Description() const override {
    return "Write a de-identified copy of each recording, signal data unchanged";
  }
  std::string DoneWord() const override { return "anonymized"; }

  void AddOptions(CLI::App& Command) override {
    Command.add_option("-o,--out", FFolder, "Folder for the copies (never an input's)")
        ->required()
        ->type_name("DIR");
    CLI::Option* Subject =
        Command.add_option("--subject", FSettings.Subject, "Subject code for the patient field")
            ->type_name("ID");
    Command.add_option("--date", FDate, "Start date: keep, 1985 (01.01.85) or shift")
        ->check(CLI::IsMember({"keep", "1985", "shift"}))
        ->type_name("POLICY");
    Command.add_option("--seed", FSeed, "Seed of the drawn date shifts (default: random)");
    Command.add_option("--keep", FKeep, "Keep sex, birth-year (as 01-JAN-YYYY) or equipment")
        ->check(CLI::IsMember({"sex", "birth-year", "equipment"}))
        ->type_name("WHAT")
        ->allow_extra_args(false) // one word or list per --keep; the paths follow
        ->delimiter(',');
    Command.add_option("--time", FTime, "zero: start time 00.00.00 (default: kept)")
        ->check(CLI::IsMember({"keep", "zero"}));
    Command.add_option("--scrub", FScrub, "More words to scrub, one word or phrase a line")
        ->type_name("FILE");
    Command
        .add_option("--annotations", FAnnotations,
                    "scrub (default) or drop every annotation text (time-keeping kept)")
        ->check(CLI::IsMember({"scrub", "drop"}));
    Command.add_option("--map", FMap, "CSV input,subject,output[,shift_days]: subjects and names")
        ->type_name("FILE.csv")
        ->excludes(Subject);
    Command.add_flag("--json", FJson, "One JSON object per file and line instead of text");
    Command.footer(
        "Anonymize writes DIR/NAME for every file: patient field \"<subject> <sex> <birthdate>\n"
        "X\" (X unless kept), recording field \"Startdate <date> X X X\", the start date by the\n"
        "date policy (a shift is the same for every recording of one subject), the reserved\n"
        "field reduced to the EDF+ kind. Identifiers: each word of two letters or more of the\n"
        "patient field, its code, the birth date (also as yyyy-mm-dd, dd.mm.yyyy, dd/mm/yyyy),\n"
        "the recording field's hospital code, technician and equipment (unless kept) and the\n"
        "scrub list's lines. Signal-header texts and annotation texts lose them to X runs of\n"
        "the same length; the filler after each record's annotation lists becomes 0x00. Each\n"
        "copy is read again: its signal bytes must be the input's and no identifier may be\n"
        "left outside them (any letter case; ASCII, UTF-8, Latin-1), else no copy. Map\n"
        "shift_days: -1 to -3652, one per subject. Keys of --json: input, input_bytes, output,\n"
        "output_bytes, error, subject, date_shift_days, seed, fields_changed,\n"
        "signal_fields_scrubbed, annotations_scrubbed, annotation_filler_cleared,\n"
        "identifiers_searched, records, signals_sha256_input, signals_sha256_output. Old texts\n"
        "are never printed. Exit status: 0 every file anonymized, 1 at least one was not\n"
        "(nothing left for it), 2 bad arguments, map or scrub list, or a name clash (nothing\n"
        "written).");
  }

  void CheckAllInputs(const std::vector<TInput>& Inputs) override {
    FSettings.Date = FDate == "keep"    ? TDatePolicy::Keep
                     : FDate == "shift" ? TDatePolicy::Shift
                                        : TDatePolicy::Fixed1985;
    for (const std::string& Keep : FKeep) {
      FSettings.KeepSex |= Keep == "sex";
      FSettings.KeepBirthYear |= Keep == "birth-year";
      FSettings.KeepEquipment |= Keep == "equipment";
    }
    FSettings.ZeroTime = FTime == "zero";
    FSettings.DropAnnotations = FAnnotations == "drop";
    if (!std::all_of(FSettings.Subject.begin(), FSettings.Subject.end(),
                     [](unsigned char c) { return c > 32 && c < 127; }))
      throw TUsageError("the subject code must be printable ASCII without blanks");
    if (FSeed)
      FSettings.Seed = *FSeed;
    else
      FSettings.Seed = (uint64_t{std::random_device{}()} << 32) ^ std::random_device{}();
    if (!FScrub.empty()) {
      std::ifstream List(FScrub, std::ios::binary);
      if (!List)
        throw TUsageError("cannot read the scrub list \"" + FScrub + "\"; nothing written");
      try {
        FSettings.ScrubWords = ReadScrubList(List, FScrub);
      } catch (const std::runtime_error& E) {
        throw TUsageError(std::string(E.what()) + "; nothing written");
      }
    }
    std::vector<TAnonymizeMapRow> Rows;
    if (!FMap.empty()) {
      std::ifstream Map(FMap, std::ios::binary);
      if (!Map)
        throw TUsageError("cannot read the map \"" + FMap + "\"; nothing written");
      try {
        Rows = ReadAnonymizeMap(Map, FMap);
      } catch (const std::runtime_error& E) {
        throw TUsageError(std::string(E.what()) + "; nothing written");
      }
    }
    // Each input's row, by the file it names (however the path was written).
    std::vector<std::pair<TFileIdentity, const TAnonymizeMapRow*>> ByFile;
    for (const TAnonymizeMapRow& Row : Rows) {
      const auto Identity = FileIdentity(Row.Input);
      if (!Identity)
        throw TUsageError(FMap + ", line " + std::to_string(Row.Line) + ": no file \"" + Row.Input +
                          "\"; nothing written");
      ByFile.emplace_back(*Identity, &Row);
    }
    const auto Out = FileIdentity(FFolder);
    std::map<std::string, std::string> Targets;
    for (const TInput& Input : Inputs) {
      TPlan Plan;
      Plan.Target = (fs::path(FFolder) / fs::path(Input.Path).filename()).string();
      if (!Rows.empty()) {
        const auto Row = std::find_if(ByFile.begin(), ByFile.end(),
                                      [&](const auto& R) { return R.first == Input.Identity; });
        if (Row == ByFile.end())
          throw TUsageError("the map \"" + FMap + "\" has no row for the input \"" + Input.Path +
                            "\"; nothing written");
        Plan.Target = (fs::path(FFolder) / Row->second->Output).string();
        Plan.Subject = Row->second->Subject;
        Plan.ShiftDays = Row->second->ShiftDays;
      }
      // No copy may land in an input's folder, nor on an input.
      for (fs::path Folder = fs::path(Plan.Target).parent_path(); Out && !Folder.empty();
           Folder = Folder.parent_path()) {
        const fs::path Parent = fs::path(Input.Path).parent_path();
        if (FileIdentity(Folder.string()) == FileIdentity(Parent.empty() ? "." : Parent.string()))
          throw TUsageError("the output folder \"" + Folder.string() + "\" holds the input \"" +
                            Input.Path + "\"; anonymize never writes beside its inputs");
        if (Folder == fs::path(FFolder) || Folder == Folder.parent_path())
          break;
      }
      for (const TInput& Other : Inputs)
        if (FileIdentity(Plan.Target) == Other.Identity)
          throw TUsageError("the output \"" + Plan.Target + "\" is an input; nothing written");
      const auto [Where, Fresh] = Targets.emplace(Plan.Target, Input.Path);
      if (!Fresh)
        throw TUsageError("the inputs \"" + Where->second + "\" and \"" + Input.Path +
                          "\" would both be written to \"" + Plan.Target + "\"; nothing written");
      FPlans.emplace(Input.Path, Plan);
    }
  }

  void Prepare(const std::vector<TInput>& Inputs) override {
    MakeOutputFolder(FFolder);
    for (const TInput& Input : Inputs)
      MakeOutputFolder(fs::path(FPlans.at(Input.Path).Target).parent_path().string());
  }

  TFileResult Run(const TInput& Input, TJobContext& Context) override {
    const TPlan& Plan = FPlans.at(Input.Path);
    TAnonymizeSettings Settings = FSettings;
    if (!Plan.Subject.empty())
      Settings.Subject = Plan.Subject;
    Settings.ShiftDays = Plan.ShiftDays;
    TAnonymizeResult Result;
    std::vector<std::string> Written;
    {
      TOutputFiles Outputs;
      ::close(Outputs.Create(Plan.Target)); // the engine writes the file under this name
      WriteAnonymizedCopy(Input.Path, Outputs.TemporaryName(0), Settings, Result);
      // The folder was checked before; the name may have been linked to an input since.
      if (SameFile(Plan.Target, Input.Path))
        throw std::runtime_error("\"" + Plan.Target + "\" is the input itself");
      Written = Outputs.Commit();
    }
    Context.AddBytes(Input.Size);
    TFileResult Done;
    Done.Output =
        FJson ? AnonymizeJson(Input.Path, Plan.Target, &Result, {}, SeedOf(Plan, Result)) + "\n"
              : AnonymizeText(Input.Path, Plan.Target, Result);
    Done.Outputs = std::move(Written);
    return Done;
  }

  bool OutputsRequired() const override { return true; }

  std::string FailureOutput(const std::string& Path, const std::string& Reason) const override {
    return FJson ? AnonymizeJson(Path, {}, nullptr, Reason, std::nullopt) + "\n" : std::string();
  }

private:
  struct TPlan {
    std::string Target;
    std::string Subject;
    std::optional<int64_t> ShiftDays;
  };
  // The seed is part of the audit only for a shift it drew.
  std::optional<uint64_t> SeedOf(const TPlan& Plan, const TAnonymizeResult& Result) const {
    return Result.ShiftDays && !Plan.ShiftDays ? std::optional(FSettings.Seed) : std::nullopt;
  }

  std::string FFolder;
  std::string FDate = "1985";
  std::optional<uint64_t> FSeed;
  std::vector<std::string> FKeep;
  std::string FTime = "keep";
  std::string FScrub;
  std::string FAnnotations = "scrub";
  std::string FMap;
  bool FJson = false;
  TAnonymizeSettings FSettings;
  std::map<std::string, TPlan> FPlans; // by input path; read-only once the jobs run
};

} // namespace

std::unique_ptr<TSubcommand> MakeAnonymizeCommand() {
  return std::make_unique<TAnonymizeCommand>();
}

} // namespace velastrin::cli
