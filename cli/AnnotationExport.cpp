#include "cli/AnnotationExport.h"

#include "cli/Command.h"
#include "cli/ExportCommand.h"
#include "edf/uEDF.h"
#include "edf/uEDFPlus.h"
#include "export/AnnotationTable.h"
#include "export/ExportText.h"

#include <algorithm>
#include <stdexcept>

namespace velastrin::cli {

namespace {

// A damaged file would otherwise bury the summary under one warning per record.
constexpr std::size_t MaxFaultWarnings = 20;

void WriteWhole(TOutputFiles& Outputs, const std::string& Name, const std::string& Text) {
  TTextFileWriter Writer(Outputs.Create(Name), Name);
  Writer.Write(Text);
  Writer.Close();
}

} // namespace

TAnnotationChoice ChooseAnnotations(const TCustomEDFFile& File, const std::string& NumberOrLabel) {
  TAnnotationChoice Choice;
  const TCustomEDFFileInfo* Info = File.FileInfo();
  if (SameText(NumberOrLabel, AllAnnotationsWord)) {
    for (int32_t i = 0; Info && i < File.SignalCount(); ++i)
      if (IsAnnotationSignal(*Info, *File.GetSignal(i)))
        Choice.Signals.push_back(i);
    if (Choice.Signals.empty())
      throw std::runtime_error("no EDF+ annotation signal");
    return Choice;
  }
  int Matches = 0;
  int32_t Number = 0;
  try {
    Number = ChooseSignal(File, NumberOrLabel, Matches);
  } catch (const std::runtime_error&) {
    return Choice; // the ordinary export reports it, in its own order
  }
  if (!Info || !IsAnnotationSignal(*Info, *File.GetSignal(Number - 1)))
    return Choice;
  Choice.Signals.push_back(Number - 1);
  if (Matches > 1)
    Choice.Warning = std::to_string(Matches) + " signals are labelled \"" + NumberOrLabel +
                     "\"; signal " + std::to_string(Number) + " exported (--signal " +
                     AllAnnotationsWord + " takes them all)";
  return Choice;
}

std::vector<std::string> ExportAnnotationTable(const std::string& Input,
                                               const std::vector<int32_t>& Signals,
                                               const std::string& Separator,
                                               const std::string& InfoName,
                                               const std::string& DataName) {
  const TEDFPlusRecording Plus = ReadEDFPlus(Input);
  if (!Plus.Readable)
    throw std::runtime_error("not a valid EDF file");
  const TAnnotationTableFormat Format{Separator == "\r\n" ? "," : Separator, "\r\n"};
  const std::vector<TEDFAnnotation> List = Plus.InTimeOrder(Signals);

  TOutputFiles Outputs;
  WriteWhole(Outputs, InfoName, AnnotationTableInfo(Plus, Signals, List.size(), Format));
  WriteWhole(Outputs, DataName, AnnotationTable(List, Plus.StartDateTime, Format));
  Outputs.Commit();

  std::vector<std::string> Warnings;
  for (const TEDFPlusFault& Fault : Plus.Faults) {
    if (std::find(Signals.begin(), Signals.end(), Fault.Signal) == Signals.end())
      continue;
    if (Warnings.size() == MaxFaultWarnings) {
      Warnings.push_back("more damaged annotation lists not listed");
      break;
    }
    Warnings.push_back("signal " + std::to_string(Fault.Signal + 1) + ", record " +
                       std::to_string(Fault.Record + 1) + ", byte " +
                       std::to_string(Fault.FilePosition) + ": " + Fault.Message());
  }
  return Warnings;
}

} // namespace velastrin::cli
