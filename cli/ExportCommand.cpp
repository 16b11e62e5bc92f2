#include "cli/ExportCommand.h"

#include "cli/AnnotationExport.h"
#include "cli/Inputs.h"
#include "edf/uEDF.h"
#include "edf/uEDFExportCheck.h"
#include "export/AnnotationTable.h"
#include "export/PhysicalText.h"
#include "export/TableExport.h"
#include "support/uOutputFiles.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <deque>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <utility>

namespace velastrin::cli {

namespace {

constexpr std::size_t DataWriterBufferSize = std::size_t{1} << 20;

std::string OutputName(const std::string& Input, const std::string& Folder,
                       const std::string& Ext) {
  const std::filesystem::path Beside = std::filesystem::path(Input).replace_extension(Ext);
  if (Folder.empty())
    return Beside.string();
  return (std::filesystem::path(Folder) / Beside.filename()).string();
}

// The refusal when outputs exist: the first few named, the rest counted.
std::string ExistingOutputs(const std::vector<std::string>& Names) {
  constexpr std::size_t Named = 5;
  std::string Text = Names.size() == 1 ? "the output " : "the outputs ";
  for (std::size_t i = 0; i < std::min(Names.size(), Named); ++i)
    Text += (i > 0 ? ", \"" : "\"") + Names[i] + "\"";
  if (Names.size() > Named)
    Text += " and " + std::to_string(Names.size() - Named) + " more";
  return Text + (Names.size() == 1 ? " exists" : " exist") +
         "; nothing written (--overwrite replaces them)";
}

bool AllDigits(const std::string& Text) {
  return !Text.empty() &&
         std::all_of(Text.begin(), Text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// One pair of output files of a recording: the values of ordinary signals (one signal, or
// several as columns) or the table of annotation signals.
struct TOutputPlan {
  std::string Info;
  std::string Data;
  bool Annotations = false;
  bool Columns = false;
  std::vector<int32_t> Signals; // 1-based
  std::string Warning;          // a label several signals share
};

struct TPlan {
  bool Resolved = false; // the outputs are known; otherwise Run finds them
  std::vector<TOutputPlan> Outputs;
};

template <typename T>
T Choice(const std::string& Word, std::initializer_list<std::pair<const char*, T>> Choices) {
  for (const auto& [Name, Value] : Choices)
    if (Word == Name)
      return Value;
  return Choices.begin()->second;
}

class TExportCommand : public TSubcommand {
public:
  std::string Name() const override { return "export"; }
  std::string Description() const override {
    return "Export one signal or more of each recording to NAME.txt and NAME.ascii";
  }
  std::string DoneWord() const override { return "exported"; }
  bool OutputsRequired() const override { return true; }

  void AddOptions(CLI::App& Command) override {
    Command
        .add_option("-s,--signal", FSignals,
                    "Signal number (1-based) or label, \"all\" for every signal; repeatable. An "
                    "EDF+ annotation signal, or \"annotations\" for all of them, gives a table of "
                    "its annotations. Several signals: NAME.N.txt and NAME.N.ascii, N the signal "
                    "number")
        ->required()
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->type_name("N|LABEL|all|annotations");
    Command
        .add_option("--values", FValues,
                    "digital: the samples as stored (default); physical: by the header's "
                    "formula, the shortest decimal text that maps back to the same sample")
        ->check(CLI::IsMember({"digital", "physical"}))
        ->type_name("digital|physical");
    Command
        .add_option("--time", FTime,
                    "A first column with each sample's time: seconds from the start (offset) "
                    "or local clock time yyyy-mm-ddThh:mm:ss.ffffff (clock); one sample a line. "
                    "EDF+ onsets come from the time-keeping annotations (default: none)")
        ->check(CLI::IsMember({"none", "offset", "clock"}))
        ->type_name("none|offset|clock");
    Command
        .add_option("--layout", FLayout,
                    "single: a file pair per signal (default); columns: one table of the chosen "
                    "signals, which must share one sample rate, a column each and a header row")
        ->check(CLI::IsMember({"single", "columns"}))
        ->type_name("single|columns");
    Command.add_flag("--header", FHeader, "A header row (label and unit) in the single layout too");
    Command
        .add_option("--sep", FSeparatorName,
                    "Separator between values (default: crlf); between the columns of a table, "
                    "crlf means a comma and lines end in CR LF")
        ->transform(CLI::IsMember({"space", "comma", "tab", "crlf"}, CLI::ignore_case))
        ->type_name("space|comma|tab|crlf");
    Command
        .add_option("-o,--out", FFolder, "Folder for the output files (default: beside each input)")
        ->type_name("DIR");
    Command.add_flag("--overwrite", FOverwrite,
                     "Replace output files that exist (else nothing is written)");
  }

  // Every output name once, and none of them an input, over the inputs of every shard; the
  // names that depend on a header (several signals, all, columns) are planned from it here.
  void CheckAllInputs(const std::vector<TInput>& Inputs) override {
    const bool NamesNeedHeader =
        FSignals.size() > 1 || FLayout == "columns" ||
        std::any_of(FSignals.begin(), FSignals.end(),
                    [](const std::string& Word) { return SameText(Word, AllSignalsWord); });
    std::map<std::string, std::size_t> Writers;
    for (std::size_t i = 0; i < Inputs.size(); ++i) {
      const TInput& Input = Inputs[i];
      TPlan Plan;
      if (NamesNeedHeader) {
        std::string Rates;
        try {
          TEDFFile File;
          OpenForExport(File, Input.Path, true);
          Plan = PlanOutputs(File, Input.Path, static_cast<int64_t>(Input.Size));
          for (const TOutputPlan& Output : Plan.Outputs)
            if (Output.Columns)
              Rates = RateMismatch(File, Output.Signals);
        } catch (const std::exception&) {
          Plan = {}; // Run reports it, in its own order
        }
        if (!Rates.empty())
          throw TUsageError("\"" + Input.Path + "\": --layout columns needs one sample rate, but " +
                            Rates + "; nothing written");
      } else {
        Plan.Outputs.push_back({InfoOutputName(Input.Path, FFolder),
                                DataOutputName(Input.Path, FFolder),
                                false,
                                false,
                                {},
                                ""});
      }
      for (const TOutputPlan& Planned : Plan.Outputs)
        for (const std::string& Output : {Planned.Info, Planned.Data}) {
          const auto [It, New] = Writers.emplace(NormalName(Output), i);
          if (!New)
            throw TUsageError("\"" + Inputs[It->second].Path + "\" and \"" + Input.Path +
                              "\" would both be exported to \"" + Output + "\"; nothing written");
          const auto Identity = FileIdentity(Output);
          if (!Identity)
            continue;
          for (const TInput& Other : Inputs)
            if (Other.Identity == *Identity)
              throw TUsageError("the output \"" + Output + "\" of \"" + Input.Path +
                                "\" is the input \"" + Other.Path + "\"; nothing written");
        }
      FPlans.emplace(Input.Path, std::move(Plan));
    }
  }

  // Existing outputs are looked for among this run's own inputs only: the tasks of a sharded
  // run may share one output folder.
  void Prepare(const std::vector<TInput>& Inputs) override {
    const int SeparatorChoice =
        Choice<int>(FSeparatorName, {{"crlf", 3}, {"space", 0}, {"comma", 1}, {"tab", 2}});
    FOptions.Text = ExportOptions(SeparatorText(SeparatorChoice), FormatSettings());
    FOptions.Values = Choice<TValueKind>(
        FValues, {{"digital", TValueKind::Digital}, {"physical", TValueKind::Physical}});
    FOptions.Time = Choice<TTimeColumn>(FTime, {{"none", TTimeColumn::None},
                                                {"offset", TTimeColumn::Offset},
                                                {"clock", TTimeColumn::Clock}});
    FOptions.Header = FHeader;

    std::vector<std::string> Existing;
    for (const TInput& Input : Inputs)
      for (const TOutputPlan& Planned : FPlans.at(Input.Path).Outputs)
        for (const std::string& Output : {Planned.Info, Planned.Data})
          if (FileIdentity(Output))
            Existing.push_back(Output);
    if (!Existing.empty() && !FOverwrite)
      throw TUsageError(ExistingOutputs(Existing));
    if (!FFolder.empty())
      MakeOutputFolder(FFolder);
  }

  TFileResult Run(const TInput& Input, TJobContext& Context) override {
    TEDFFile File;
    OpenForExport(File, Input.Path, true);
    const int64_t Size = static_cast<int64_t>(Input.Size);
    TPlan Plan = FPlans.at(Input.Path);
    if (!Plan.Resolved)
      Plan = PlanOutputs(File, Input.Path, Size);
    TFileResult Result;
    std::vector<std::string> Refusals;
    std::vector<TOutputPlan> Signals;
    std::vector<TOutputPlan> Annotations;
    for (TOutputPlan& Output : Plan.Outputs) {
      if (!Output.Warning.empty())
        Result.Warnings.push_back(Output.Warning);
      if (Output.Annotations) {
        Annotations.push_back(std::move(Output));
        continue;
      }
      std::erase_if(Output.Signals, [&](int32_t Number) {
        // The info file's formula needs both physical limits, whatever values are written.
        if (std::string Why = SignalRefusal(File, Number); !Why.empty()) {
          Refusals.push_back(std::move(Why));
          return true;
        }
        if (FOptions.Values != TValueKind::Physical)
          return false;
        const std::string Why = PhysicalRefusal(*File.GetSignal(Number - 1));
        if (!Why.empty())
          Refusals.push_back("signal " + std::to_string(Number) + " (" +
                             TrimRight(File.GetSignal(Number - 1)->SignalLabel()) +
                             ") refused for physical values: " + Why);
        return !Why.empty();
      });
      if (!Output.Signals.empty())
        Signals.push_back(std::move(Output));
    }
    if (Signals.empty() && Annotations.empty() && !Refusals.empty())
      throw std::runtime_error(JoinRefusals(Refusals, false));

    TOutputFiles Outputs;
    const std::size_t Count = Signals.size();
    // Enough to write in large runs; bounded over many signals to keep the memory small.
    const std::size_t BufferSize = std::clamp(MaxDataBuffers / std::max<std::size_t>(Count, 1),
                                              MinDataWriterBufferSize, DataWriterBufferSize);
    std::deque<TTextFileWriter> Writers;
    std::vector<TSignalTable> Tables;
    for (const TOutputPlan& Output : Signals) {
      TTextFileWriter& Info = Writers.emplace_back(Outputs.Create(Output.Info), Output.Info);
      TTextFileWriter& Data =
          Writers.emplace_back(Outputs.Create(Output.Data), Output.Data, BufferSize);
      Data.SetWriteBack(true); // every output is forced to the disk before its rename
      Tables.push_back({Output.Signals, Output.Columns, false, &Info, &Data});
    }
    // Annotation tables come from the same pass when the file object reads every record;
    // otherwise (an annotation-only file of record duration 0, say) the annotation reader.
    const bool InPass = !Annotations.empty() && AnnotationsInPass(File);
    for (const TOutputPlan& Output : Annotations) {
      TTextFileWriter& Info = Writers.emplace_back(Outputs.Create(Output.Info), Output.Info);
      TTextFileWriter& Data = Writers.emplace_back(Outputs.Create(Output.Data), Output.Data);
      if (InPass) {
        Tables.push_back({Output.Signals, false, true, &Info, &Data});
        continue;
      }
      std::vector<int32_t> Indexes;
      for (const int32_t Number : Output.Signals)
        Indexes.push_back(Number - 1);
      for (std::string& Warning :
           ExportAnnotationTable(Input.Path, Indexes, FOptions.Text.Separator, Info, Data))
        Result.Warnings.push_back(std::move(Warning));
    }
    if (!Tables.empty()) {
      const uint64_t RecordBytes = static_cast<uint64_t>(File.RecordSamples()) * File.SampleBytes();
      std::vector<std::string> ReadChecks; // found in the pass, named in the note
      for (std::string& Warning : ExportSignalTables(
               File, Tables, FOptions,
               [&](int64_t, int64_t) {
                 Context.AddBytes(RecordBytes);
                 return true;
               },
               &ReadChecks))
        Result.Warnings.push_back(std::move(Warning));
      if (!Signals.empty())
        if (std::string Note = LenientReadingNote(File, Size, Input.Path, ReadChecks);
            !Note.empty())
          Result.Warnings.insert(Result.Warnings.begin(), std::move(Note));
    }
    File.Close();
    if (Tables.empty())
      Context.AddBytes(Input.Size);
    for (TTextFileWriter& Writer : Writers)
      Writer.Close();
    Result.Outputs = Outputs.Commit();
    if (!Refusals.empty())
      throw std::runtime_error(JoinRefusals(Refusals, true));
    return Result;
  }

private:
  static constexpr std::size_t MaxDataBuffers = std::size_t{16} << 20;
  static constexpr std::size_t MinDataWriterBufferSize = std::size_t{64} << 10;

  static std::string JoinRefusals(const std::vector<std::string>& Refusals, bool OthersWritten) {
    std::string Text;
    for (const std::string& Refusal : Refusals)
      Text += (Text.empty() ? "" : "; ") + Refusal;
    return OthersWritten ? Text + "; the other outputs were written" : Text;
  }

  // What the --signal words name in the open File, and the file pairs they go to: with one
  // pair, the input's name with ".txt" and ".ascii"; with several, NAME.N.txt and
  // NAME.N.ascii (N the signal number, "annotations" for the table of them all), the columns
  // table keeping the plain names.
  TPlan PlanOutputs(TEDFFile& File, const std::string& Input, int64_t Size) const {
    bool HeaderChecked = false;
    // The refusals check names as well, before any ordinary signal is looked for: a file cut
    // short, an invalid header (with the fields to blame on further lines), a stop time the
    // date-time text cannot show.
    const auto CheckHeader = [&] {
      if (std::exchange(HeaderChecked, true))
        return;
      if (std::string Why = HeaderRefusal(File, Size); !Why.empty()) {
        while (Why.back() == '\n')
          Why.pop_back();
        throw std::runtime_error(Why);
      }
    };
    TPlan Plan;
    Plan.Resolved = true;
    std::vector<TOutputPlan>& Outputs = Plan.Outputs;
    const TCustomEDFFileInfo* Info = File.FileInfo();
    const auto Add = [&](std::vector<int32_t> Numbers, bool Annotations, std::string Warning) {
      for (const TOutputPlan& Output : Outputs)
        if (Output.Signals == Numbers && Output.Annotations == Annotations)
          return;
      Outputs.push_back({"", "", Annotations, false, std::move(Numbers), std::move(Warning)});
    };
    for (const std::string& Word : FSignals) {
      if (SameText(Word, AllSignalsWord)) {
        for (int32_t i = 0; i < File.SignalCount(); ++i) {
          const bool Annotations = Info && IsAnnotationSignal(*Info, *File.GetSignal(i));
          if (!Annotations)
            CheckHeader();
          Add({i + 1}, Annotations, "");
        }
        continue;
      }
      const TAnnotationChoice Annotations = ChooseAnnotations(File, Word);
      if (!Annotations.Signals.empty()) {
        std::vector<int32_t> Numbers;
        for (const int32_t Index : Annotations.Signals)
          Numbers.push_back(Index + 1);
        Add(Numbers, true, Annotations.Warning);
        continue;
      }
      CheckHeader();
      int Matches = 0;
      const int32_t Number = ChooseSignal(File, Word, Matches);
      Add({Number}, false,
          Matches > 1 ? std::to_string(Matches) + " signals are labelled \"" + Word +
                            "\"; signal " + std::to_string(Number) + " exported"
                      : "");
    }
    // Nothing named (no signal at all, as a file that is no recording reads): the file fails
    // with check's reason, or for having no signal.
    if (Outputs.empty()) {
      CheckHeader();
      throw std::runtime_error("the file has no signals; nothing written");
    }
    if (FLayout == "columns") {
      TOutputPlan Table;
      Table.Columns = true;
      std::vector<TOutputPlan> Others;
      for (TOutputPlan& Output : Outputs) {
        if (Output.Annotations) {
          Others.push_back(std::move(Output));
          continue;
        }
        Table.Signals.push_back(Output.Signals.front());
        if (Table.Warning.empty())
          Table.Warning = Output.Warning;
      }
      Outputs = std::move(Others);
      if (!Table.Signals.empty())
        Outputs.insert(Outputs.begin(), std::move(Table));
    }
    for (TOutputPlan& Output : Outputs) {
      std::string Suffix;
      if (Outputs.size() > 1 && !Output.Columns)
        Suffix = Output.Signals.size() == 1 ? "." + std::to_string(Output.Signals.front())
                                            : std::string(".") + AllAnnotationsWord;
      Output.Info = OutputName(Input, FFolder, Suffix + ".txt");
      Output.Data = OutputName(Input, FFolder, Suffix + ".ascii");
    }
    return Plan;
  }

  std::vector<std::string> FSignals;
  std::string FValues = "digital";
  std::string FTime = "none";
  std::string FLayout = "single";
  bool FHeader = false;
  std::string FSeparatorName = "crlf";
  std::string FFolder;
  bool FOverwrite = false;
  TTableOptions FOptions;
  std::map<std::string, TPlan> FPlans; // by input path; read-only while files run
};

} // namespace

std::unique_ptr<TSubcommand> MakeExportCommand() {
  return std::make_unique<TExportCommand>();
}

int32_t ChooseSignal(const TCustomEDFFile& File, const std::string& NumberOrLabel, int& Matches) {
  const int32_t Count = File.SignalCount();
  Matches = 0;
  if (AllDigits(NumberOrLabel)) {
    const long long Number = NumberOrLabel.size() > 9 ? 0 : std::stoll(NumberOrLabel);
    if (Number < 1 || Number > Count)
      throw std::runtime_error("signal number " + NumberOrLabel + " out of range: the file has " +
                               std::to_string(Count) + " signal" + (Count == 1 ? "" : "s"));
    Matches = 1;
    return static_cast<int32_t>(Number);
  }
  const std::string Wanted = TrimRight(NumberOrLabel);
  int32_t First = 0;
  for (int32_t i = 0; i < Count; ++i)
    if (SameText(TrimRight(File.GetSignal(i)->SignalLabel()), Wanted) && Matches++ == 0)
      First = i + 1;
  if (Matches == 0)
    throw std::runtime_error("no signal labelled \"" + NumberOrLabel + "\"");
  return First;
}

std::string InfoOutputName(const std::string& Input, const std::string& Folder) {
  return OutputName(Input, Folder, ".txt");
}

std::string DataOutputName(const std::string& Input, const std::string& Folder) {
  return OutputName(Input, Folder, ".ascii");
}

} // namespace velastrin::cli
