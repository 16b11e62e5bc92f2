#include "cli/ExportCommand.h"

#include "cli/AnnotationExport.h"
#include "cli/AtomicOutput.h"
#include "cli/Inputs.h"
#include "edf/uEDF.h"
#include "edf/uEDFExportCheck.h"
#include "export/SignalExport.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <stdexcept>

namespace velastrin::cli {

namespace {

constexpr std::size_t DataWriterBufferSize = std::size_t{1} << 20;

std::string ChangeExtension(const std::string& Name, const std::string& Ext) {
  const std::size_t Dot = Name.find_last_of('.');
  const std::size_t Slash = Name.find_last_of('/');
  if (Dot == std::string::npos || (Slash != std::string::npos && Dot < Slash))
    return Name + Ext;
  return Name.substr(0, Dot) + Ext;
}

std::string OutputName(const std::string& Input, const std::string& Folder, const char* Ext) {
  const std::string Beside = ChangeExtension(Input, Ext);
  if (Folder.empty())
    return Beside;
  return (std::filesystem::path(Folder) / std::filesystem::path(Beside).filename()).string();
}

bool AllDigits(const std::string& Text) {
  return !Text.empty() &&
         std::all_of(Text.begin(), Text.end(), [](unsigned char c) { return std::isdigit(c); });
}

class TExportCommand : public TSubcommand {
public:
  std::string Name() const override { return "export"; }
  std::string Description() const override {
    return "Export one signal of each recording to NAME.txt and NAME.ascii";
  }
  std::string DoneWord() const override { return "exported"; }

  void AddOptions(CLI::App& Command) override {
    Command
        .add_option("-s,--signal", FSignal,
                    "Signal number (1-based) or label; an EDF+ annotation signal, or "
                    "\"annotations\" for all of them, gives a table of its annotations")
        ->required()
        ->type_name("N|LABEL|annotations");
    Command.add_option("--sep", FSeparatorName, "Separator between values (default: crlf)")
        ->check(CLI::IsMember({"space", "comma", "tab", "crlf"}))
        ->type_name("space|comma|tab|crlf");
    Command
        .add_option("-o,--out", FFolder, "Folder for the output files (default: beside each input)")
        ->type_name("DIR");
  }

  void Prepare(const std::vector<TInput>& Inputs) override {
    const char* Names[] = {"space", "comma", "tab", "crlf"};
    int Choice = 3;
    for (int i = 0; i < 4; ++i)
      if (FSeparatorName == Names[i])
        Choice = i;
    FOptions = ExportOptions(SeparatorText(Choice), FormatSettings());

    // Every output name once, and none of them an input: checked before anything is written.
    std::map<std::string, std::size_t> Writers;
    for (std::size_t i = 0; i < Inputs.size(); ++i) {
      const TInput& Input = Inputs[i];
      TPlan Plan{InfoOutputName(Input.Path, FFolder), DataOutputName(Input.Path, FFolder)};
      for (const std::string& Output : {Plan.Info, Plan.Data}) {
        const auto [It, New] = Writers.emplace(NormalName(Output), i);
        if (!New)
          throw TUsageError("\"" + Inputs[It->second].Path + "\" and \"" + Input.Path +
                            "\" would both be exported to \"" + Output + "\"; nothing written");
        const auto Existing = IdentityOf(Output);
        if (!Existing)
          continue;
        for (const TInput& Other : Inputs)
          if (Other.Identity == *Existing)
            throw TUsageError("the output \"" + Output + "\" of \"" + Input.Path +
                              "\" is the input \"" + Other.Path + "\"; nothing written");
      }
      FPlans.emplace(Input.Path, std::move(Plan));
    }
  }

  TFileResult Run(const TInput& Input, TJobContext& Context) override {
    const TPlan& Plan = FPlans.at(Input.Path);
    TEDFFile File;
    OpenForExport(File, Input.Path, true);
    // EDF+ annotations become a table; an annotation-only file need not be valid EDF for it.
    const TAnnotationChoice Annotations = ChooseAnnotations(File, FSignal);
    if (Annotations.Signals.empty())
      return ExportSignal(File, Input, Plan, Context);
    File.Close();
    TFileResult Result;
    if (!Annotations.Warning.empty())
      Result.Warnings.push_back(Annotations.Warning);
    for (std::string& Warning : ExportAnnotationTable(Input.Path, Annotations.Signals,
                                                      FOptions.Separator, Plan.Info, Plan.Data))
      Result.Warnings.push_back(std::move(Warning));
    Context.AddBytes(Input.Size);
    return Result;
  }

private:
  struct TPlan {
    std::string Info;
    std::string Data;
  };

  // The chosen signal of the open File to the plan's info and data files.
  TFileResult ExportSignal(TEDFFile& File, const TInput& Input, const TPlan& Plan,
                           TJobContext& Context) const {
    // The refusals check names as well: a file cut short, an invalid header (with the fields to
    // blame on further lines), a stop time the date-time text cannot show, a physical limit no
    // reading takes.
    const int64_t Size = static_cast<int64_t>(Input.Size);
    auto Refuse = [](std::string Why) {
      while (!Why.empty() && Why.back() == '\n')
        Why.pop_back();
      if (!Why.empty())
        throw std::runtime_error(Why);
    };
    Refuse(HeaderRefusal(File, Size));
    TFileResult Result;
    int Matches = 0;
    const int32_t Signal = ChooseSignal(File, FSignal, Matches);
    Refuse(SignalRefusal(File, Signal));
    if (std::string Note = LenientReadingNote(File, Size, Input.Path); !Note.empty())
      Result.Warnings.push_back(std::move(Note));
    if (Matches > 1)
      Result.Warnings.push_back(std::to_string(Matches) + " signals are labelled \"" + FSignal +
                                "\"; signal " + std::to_string(Signal) + " exported");

    TOutputFiles Outputs;
    {
      TTextFileWriter Writer(Outputs.Create(Plan.Info), Plan.Info);
      Writer.Write(SignalInfoText(File, Signal, FOptions));
      Writer.Close();
    }
    TTextFileWriter Writer(Outputs.Create(Plan.Data), Plan.Data, DataWriterBufferSize);
    const uint64_t RecordBytes = static_cast<uint64_t>(File.RecordSamples() * File.SampleBytes());
    ExportSignalData(File, Signal, FOptions, Writer, [&](int64_t, int64_t) {
      Context.AddBytes(RecordBytes);
      return true;
    });
    Writer.Close();
    Outputs.Commit();
    return Result;
  }

  std::string FSignal;
  std::string FSeparatorName = "crlf";
  std::string FFolder;
  TExportOptions FOptions;
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
