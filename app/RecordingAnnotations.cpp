#include "app/RecordingAnnotations.h"

#include "export/AnnotationTable.h"

#include <algorithm>

namespace velastrin {

namespace {

std::string Counted(std::size_t Count, const char* One, const char* Many) {
  return std::to_string(Count) + " " + (Count == 1 ? One : Many);
}

std::string OneLine(std::string Cell) {
  std::replace_if(
      Cell.begin(), Cell.end(), [](char C) { return C == '\t' || C == '\r' || C == '\n'; }, ' ');
  return Cell;
}

} // namespace

std::string AnnotationOnsetText(TDateTime Start, const TTALNumber& Onset) {
  std::string Text = AnnotationClockTime(Start, Onset);
  if (Text.empty()) // beyond the calendar: the seconds the file gives
    return Onset.Text + " s";
  std::replace(Text.begin(), Text.end(), 'T', ' ');
  return Text;
}

std::string AnnotationSummary(const TEDFPlusRecording& Plus, std::size_t Count) {
  std::string Line = Counted(Count, "annotation", "annotations");
  if (const std::string Kind = EDFPlusKindName(Plus.Kind, Plus.Format); !Kind.empty())
    Line += ", " + Kind;
  if (Plus.Kind == TEDFPlusKind::Discontinuous) {
    std::size_t Gaps = 0;
    std::size_t Overlaps = 0;
    for (const TEDFRecordDeviation& D : Plus.RecordDeviations())
      ++(D.Difference() > 0 ? Gaps : Overlaps);
    Line += ", " + Counted(Gaps, "gap", "gaps");
    if (Overlaps > 0)
      Line += ", " + Counted(Overlaps, "overlap", "overlaps");
  }
  return Line;
}

std::string AnnotationDamage(const std::vector<TEDFPlusFault>& Faults) {
  if (Faults.empty())
    return {};
  const TEDFPlusFault& F = Faults.front();
  return Counted(Faults.size(), "damaged annotation list", "damaged annotation lists") +
         (Faults.size() == 1 ? " in" : "; the first in") + " signal " +
         std::to_string(F.Signal + 1) + ", record " + std::to_string(F.Record + 1) + ", at byte " +
         std::to_string(F.FilePosition) + ": " + F.Message();
}

std::vector<TRecordRun> RecordRuns(const TEDFPlusRecording& Plus) {
  std::vector<TRecordRun> Runs;
  if (Plus.NrDataRecords <= 0)
    return Runs;
  TRecordRun Run{0, Plus.NrDataRecords, 0};
  if (Plus.Kind != TEDFPlusKind::Discontinuous || Plus.RecordDuration <= 0)
    return {Run};
  if (!Plus.RecordOnsets.empty() && Plus.RecordOnsets.front())
    Run.Begin = static_cast<double>(Plus.RecordOnsets.front()->Value);
  for (const TEDFRecordDeviation& D : Plus.RecordDeviations()) {
    Run.EndRecord = D.Record;
    Runs.push_back(Run);
    Run = {D.Record, Plus.NrDataRecords, static_cast<double>(D.Actual.Value)};
  }
  Runs.push_back(Run);
  return Runs;
}

TRecordingAnnotations DescribeAnnotations(const TEDFPlusRecording& Plus, int32_t Signal) {
  TRecordingAnnotations Result;
  Result.RecordDuration = static_cast<double>(Plus.RecordDuration);
  Result.Runs = RecordRuns(Plus);
  for (const TRecordRun& Run : Result.Runs)
    Result.Seconds =
        std::max(Result.Seconds, Run.Begin + static_cast<double>(Run.EndRecord - Run.FirstRecord) *
                                                 Result.RecordDuration);

  if (Plus.IsAnnotationSignal(Signal)) {
    const std::vector<TEDFAnnotation> Own = Plus.InTimeOrder({Signal});
    Result.Rows.reserve(Own.size());
    for (const TEDFAnnotation& A : Own)
      Result.Rows.push_back({AnnotationOnsetText(Plus.StartDateTime, A.Onset),
                             A.Duration ? A.Duration->Text : std::string(), A.Text});
    Result.Summary = AnnotationSummary(Plus, Own.size());
    std::vector<TEDFPlusFault> Faults;
    std::copy_if(Plus.Faults.begin(), Plus.Faults.end(), std::back_inserter(Faults),
                 [Signal](const TEDFPlusFault& F) { return F.Signal == Signal; });
    Result.Damage = AnnotationDamage(Faults);
  }

  std::vector<TStageMark> Stages;
  for (const TEDFAnnotation& A : Plus.InTimeOrder()) {
    const double Onset = static_cast<double>(A.Onset.Value);
    const double Duration = A.Duration ? static_cast<double>(A.Duration->Value) : 0.0;
    if (const std::optional<TSleepStage> Stage = SleepStageOf(A.Text))
      Stages.push_back({Onset, Duration, *Stage});
    else
      Result.Events.push_back({Onset, Duration, A.Text});
  }
  Result.Stages = StageSpans(Stages, Result.Seconds);
  return Result;
}

std::string AnnotationRowsText(const std::vector<TAnnotationRow>& Rows,
                               const std::vector<std::size_t>& Selected) {
  std::string Text;
  for (const std::string_view Column : AnnotationColumns)
    Text += std::string(Text.empty() ? "" : "\t") + std::string(Column);
  Text += '\n';
  auto Add = [&](const TAnnotationRow& R) {
    Text += OneLine(R.Onset) + '\t' + OneLine(R.Duration) + '\t' + OneLine(R.Text) + '\n';
  };
  if (Selected.empty())
    std::for_each(Rows.begin(), Rows.end(), Add);
  for (const std::size_t Row : Selected)
    if (Row < Rows.size())
      Add(Rows[Row]);
  return Text;
}

} // namespace velastrin
