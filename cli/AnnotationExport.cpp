#include "cli/AnnotationExport.h"

#include "cli/ExportCommand.h"
#include "edf/uEDF.h"
#include "edf/uEDFPlus.h"

#include <stdexcept>

namespace velastrin::cli {

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

} // namespace velastrin::cli
