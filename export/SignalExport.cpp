#include "export/SignalExport.h"

#include "edf/uEDF.h"
#include "edf/uEDFExportCheck.h"
#include "export/SampleText.h"

#include <cmath>
#include <cstdlib>
#include <optional>

namespace velastrin {

namespace {

void AppendQuotedEntry(std::string& Out, const char* Name, const std::string& Value,
                       const std::string& Separator) {
  Out += '"';
  Out += Name;
  Out += Value;
  Out += '"';
  Out += Separator;
}

} // namespace

TExportOptions ExportOptions(const std::string& Separator, const TFormatSettings& Settings) {
  TExportOptions Options;
  Options.Separator = Separator;
  Options.DecimalMark = Settings.DecimalSeparator;
  Options.ShortMonthNames = Settings.ShortMonthNames;
  return Options;
}

void OpenForExport(TEDFFile& File, const std::string& FileName, bool AcceptBDF) {
  File.SetFileName(FileName);
  File.SetReadOnly(true);
  File.SetStrict(false);
  File.SetAcceptBDF(AcceptBDF);
  File.SetActive(true);
}

std::string SampleFrequencyText(const TCustomEDFSignalInfo& Signal, const TCustomEDFFileInfo& Info,
                                char DecimalMark) {
  return NumberText(static_cast<long double>(Signal.NrSamples()) / Info.SampleRecDuration(),
                    DecimalMark);
}

std::string FormulaEntry(const TCustomEDFSignalInfo& Signal, char DecimalMark) {
  // Limits a decimal comma kept from the record are read as the export reads them.
  const double Physimin =
      static_cast<double>(PhysicalLimit(Signal, TSignalField::Physimin).value_or(0));
  const double Physimax =
      static_cast<double>(PhysicalLimit(Signal, TSignalField::Physimax).value_or(0));
  const int Digimin = Signal.Digimin();
  const int Digimax = Signal.Digimax();
  // Divided in extended precision, then kept as a double: the gain of the signal record
  // rounded to double.
  const double K = static_cast<double>(
      (static_cast<long double>(Physimax) - static_cast<long double>(Physimin)) /
      static_cast<long double>(Digimax - Digimin));
  std::string Out = "\"Physical value " + Signal.Physidim() + " = (ASCII";
  Out += Digimin < 0 ? "+" : "-";
  Out += std::to_string(std::abs(Digimin));
  Out += ")*";
  Out += K < 0 ? "(" + NumberText(K, DecimalMark) + ")" : NumberText(K, DecimalMark);
  if (Physimin >= 0)
    Out += "+";
  Out += NumberText(Physimin, DecimalMark);
  return Out;
}

std::string RecordingInfoEntries(TEDFFile& File, const TExportOptions& Options) {
  const TCustomEDFFileInfo& Info = *File.FileInfo();
  const std::string& S = Options.Separator;
  std::string Out;
  AppendQuotedEntry(Out, "FileName:", File.FileName(), S);
  AppendQuotedEntry(Out, "Patient:", Info.GetPatient(), S);
  AppendQuotedEntry(Out, "Recording:", Info.GetRecording(), S);
  AppendQuotedEntry(Out, "StartTime:", DateTimeText(Info.StartDateTime(), Options.ShortMonthNames),
                    S);
  AppendQuotedEntry(Out, "StopTime:", DateTimeText(Info.GetStopDateTime(), Options.ShortMonthNames),
                    S);
  return Out;
}

std::string SignalInfoEntries(TEDFFile& File, int SignalNumber, const TExportOptions& Options) {
  const TCustomEDFFileInfo& Info = *File.FileInfo();
  const TCustomEDFSignalInfo& Signal = *File.GetSignal(SignalNumber - 1);
  const std::string& S = Options.Separator;
  std::string Out;
  AppendQuotedEntry(Out, "SignalNumber:", std::to_string(SignalNumber), S);
  AppendQuotedEntry(Out, "SignalLabel:", Signal.SignalLabel(), S);
  AppendQuotedEntry(
      Out, "SampleFrequency:", SampleFrequencyText(Signal, Info, Options.DecimalMark) + "Hz", S);
  Out += FormulaEntry(Signal, Options.DecimalMark);
  return Out;
}

std::string SignalInfoText(TEDFFile& File, int SignalNumber, const TExportOptions& Options) {
  return RecordingInfoEntries(File, Options) + SignalInfoEntries(File, SignalNumber, Options);
}

void ExportSignalInfo(TEDFFile& File, int SignalNumber, const TExportOptions& Options,
                      TTextFileWriter& Writer) {
  Writer.Write(SignalInfoText(File, SignalNumber, Options));
}

namespace {

// The data file's loop for either sample width; Buffer is shared with the file object and
// sees every ReadRecord.
template <typename TBuffer>
bool WriteSamples(TEDFFile& File, const TBuffer& Buffer, int64_t B, std::size_t N,
                  const TExportOptions& Options, TTextFileWriter& Writer,
                  const TExportProgress& Progress) {
  const int64_t RecordCount = File.FileInfo()->NrDataRecords();
  std::optional<TSampleTextTable> OwnTable;
  const TSampleTextTable* Table = StandardSampleTextTable(Options.Separator);
  if (!Table)
    Table = &OwnTable.emplace(Options.Separator);
  constexpr bool Wide = sizeof(*Buffer.data()) == 4;
  const std::size_t PerValue = Wide ? Table->MaxBytesPerWideValue() : Table->MaxBytesPerValue();
  // Values go out in runs that fit the writer's buffer, one capacity check per run.
  const std::size_t RunLength = std::max<std::size_t>(1, Writer.BufferSize() / PerValue);

  for (int64_t n = 0; n < RecordCount; ++n) {
    if (Progress && !Progress(n, RecordCount))
      return false;
    File.ReadRecord(n);
    const auto* Samples = Buffer.data() + B;
    for (std::size_t Done = 0; Done < N;) {
      const std::size_t Run = std::min(RunLength, N - Done);
      char* Out = Writer.Reserve(Run * PerValue);
      Writer.Commit(Table->Append(Out, Samples + Done, Run));
      Done += Run;
    }
  }
  // Every value is followed by the separator but the very last one of the file.
  if (N > 0) {
    char* End = Writer.Reserve(0);
    Writer.Commit(End - Options.Separator.size());
  }
  return true;
}

} // namespace

bool ExportSignalData(TEDFFile& File, int SignalNumber, const TExportOptions& Options,
                      TTextFileWriter& Writer, const TExportProgress& Progress) {
  const int32_t Chosen = SignalNumber - 1;
  const int32_t SignalCount = File.FileInfo()->NrSignals();
  for (int32_t i = 0; i < SignalCount; ++i)
    if (i != Chosen)
      File.GetSignal(i)->SetReadData(false);
  const TCustomEDFSignalInfo& Signal = *File.GetSignal(Chosen);
  const auto N = static_cast<std::size_t>(std::max<int32_t>(Signal.NrSamples(), 0));
  const int64_t B = Signal.BufferOffset();
  const int64_t RecordCount = File.FileInfo()->NrDataRecords();
  if (RecordCount <= 0)
    return true;
  if (File.Format() == TEDFFormat::BDF)
    return WriteSamples(File, File.GetWideDataBuffer(), B, N, Options, Writer, Progress);
  return WriteSamples(File, File.GetDataBuffer(), B, N, Options, Writer, Progress);
}

} // namespace velastrin
