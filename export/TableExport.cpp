#include "export/TableExport.h"

#include "edf/uEDF.h"
#include "edf/uEDFExportCheck.h"
#include "edf/uEDFPlus.h"
#include "export/AnnotationTable.h"
#include "export/PhysicalText.h"
#include "export/SampleText.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <deque>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <unordered_map>

namespace velastrin {

namespace {

static_assert(std::endian::native == std::endian::little,
              "annotation bytes are read from the sample buffer as the file holds them");

constexpr const char* LineBreak = "\r\n";
// A damaged or much interrupted file would otherwise bury the summary under its gaps.
constexpr std::size_t MaxListedGaps = 20;

// One record in the file object's buffer: int16_t samples of EDF, or int32_t of BDF.
struct TRecordSamples {
  const int16_t* Narrow = nullptr;
  const int32_t* Wide = nullptr;

  // The bytes of Count samples from Offset on as the file holds them (annotation lists):
  // BDF's are packed again into Scratch, three bytes a sample.
  std::string_view Bytes(int64_t Offset, std::size_t Count, std::string& Scratch) const {
    if (!Wide)
      return {reinterpret_cast<const char*>(Narrow + Offset), 2 * Count};
    Scratch.resize(3 * Count);
    for (std::size_t i = 0; i < Count; ++i) {
      const auto V = static_cast<uint32_t>(Wide[Offset + static_cast<int64_t>(i)]);
      Scratch[3 * i] = static_cast<char>(V & 0xFF);
      Scratch[3 * i + 1] = static_cast<char>((V >> 8) & 0xFF);
      Scratch[3 * i + 2] = static_cast<char>((V >> 16) & 0xFF);
    }
    return Scratch;
  }
};

struct TColumn {
  int32_t Index = 0; // 0-based
  int64_t Offset = 0;
  const TSampleTextTable* Texts = nullptr;
  int32_t Digimin = 0;
  int32_t Digimax = 0;
  int64_t Outside = 0; // samples outside Digimin..Digimax, counted for physical values
  std::string Suffix;
  // BDF's 24-bit values: a table of them all would hold 16 M texts, so each text is made when
  // its value first occurs and kept, as recordings use a small part of the range.
  std::optional<TPhysicalTexts> WidePhysical;
  std::unordered_map<int32_t, std::string> WideTexts;
};

// Bounds the kept texts of one column (about 40 MiB at most); past it, texts are made anew.
constexpr std::size_t MaxWideTexts = std::size_t{1} << 20;

struct TTableState {
  const TSignalTable* Table = nullptr;
  std::vector<int32_t> Annotations; // 0-based annotation signals of an annotation table
  std::vector<TColumn> Columns;
  std::optional<TSampleTimeText> Time;
  bool Rows = false; // one line per sample (time column or columns layout)
  std::size_t Samples = 0;
  std::size_t RowBytes = 0;
  bool Any = false;
};

// The text tables of one pass: the shared digital ones, and physical ones made once per
// calibration and suffix.
class TTextTables {
public:
  const TSampleTextTable& Get(const TCustomEDFSignalInfo& Signal, TValueKind Values,
                              const std::string& Suffix) {
    if (Values == TValueKind::Digital) {
      if (const TSampleTextTable* Shared = StandardSampleTextTable(Suffix))
        return *Shared;
    }
    const TCalibration Calibration = CalibrationOf(Signal);
    const bool Physical = Values == TValueKind::Physical;
    for (const TEntry& E : FEntries)
      if (E.Physical == Physical && E.Suffix == Suffix &&
          (!Physical || E.Calibration == Calibration))
        return E.Table;
    if (!Physical)
      return FEntries.emplace_back(TEntry{Calibration, Suffix, false, TSampleTextTable(Suffix)})
          .Table;
    return FEntries
        .emplace_back(TEntry{
            Calibration, Suffix, true,
            TSampleTextTable(
                Suffix,
                [Texts = TPhysicalTexts(Calibration)](int16_t Value) { return Texts.Text(Value); },
                PhysicalTextLength(Calibration) + Suffix.size())})
        .Table;
  }

private:
  struct TEntry {
    TCalibration Calibration;
    std::string Suffix;
    bool Physical;
    TSampleTextTable Table;
  };
  std::deque<TEntry> FEntries;
};

// The record duration to the nearest nanosecond.
int64_t RecordNanoseconds(const TCustomEDFFileInfo& Info) {
  return static_cast<int64_t>(std::llround(Info.SampleRecDuration() * NanosecondsPerSecond));
}

std::string SignalName(const TCustomEDFSignalInfo& Signal, int32_t Number) {
  return "signal " + std::to_string(Number) + " (" + TrimRight(Signal.SignalLabel()) + ")";
}

std::string HeaderRow(TEDFFile& File, const TTableState& State, const TTableOptions& Options) {
  const std::string S = ColumnSeparator(Options.Text.Separator);
  std::vector<std::string> Fields;
  if (Options.Time == TTimeColumn::Offset)
    Fields.push_back("Time (s)");
  else if (Options.Time == TTimeColumn::Clock)
    Fields.push_back("Time");
  for (const TColumn& C : State.Columns) {
    const TCustomEDFSignalInfo& Signal = *File.GetSignal(C.Index);
    Fields.push_back(TrimRight(Signal.SignalLabel()) + " (" +
                     (Options.Values == TValueKind::Physical ? TrimRight(Signal.Physidim())
                                                             : std::string("digital")) +
                     ")");
  }
  std::string Row;
  for (std::size_t i = 0; i < Fields.size(); ++i)
    Row += (i ? S : std::string()) + TableField(Fields[i], S);
  return Row + LineBreak;
}

struct TGap {
  int64_t Record = 0; // 0-based: the record after the gap
  int64_t Onset = 0;  // nanoseconds
  int64_t Length = 0; // negative for an overlap: the record starts before the one before ends
};

std::string GapsText(const std::vector<TGap>& Gaps, std::size_t Limit) {
  std::string Text;
  for (std::size_t i = 0; i < Gaps.size() && i < Limit; ++i)
    Text += (i ? "; " : "") + std::string("record ") + std::to_string(Gaps[i].Record + 1) + " at " +
            OffsetText(Gaps[i].Onset) +
            (Gaps[i].Length > 0
                 ? " s after a gap of " + OffsetText(Gaps[i].Length)
                 : " s, overlapping the record before by " + OffsetText(-Gaps[i].Length)) +
            " s";
  if (Gaps.size() > Limit)
    Text += "; " + std::to_string(Gaps.size() - Limit) + " more";
  return Text;
}

// The onsets of the records: from the time-keeping annotations of EDF+ files, from the
// index times the duration otherwise.
class TRecordOnsets {
public:
  // Samples: some table writes samples; annotation tables alone need no record times.
  TRecordOnsets(TEDFFile& File, TTimeColumn Time, bool Samples) : FTime(Time) {
    const TCustomEDFFileInfo& Info = *File.FileInfo();
    FKind = EDFPlusKindOf(Info.Reserved(), Info.Format());
    FFormat = Info.Format();
    FDuration = RecordNanoseconds(Info);
    if (FKind == TEDFPlusKind::None)
      return;
    for (int32_t i = 0; i < File.SignalCount() && FSignal < 0; ++i)
      if (IsAnnotationSignal(Info, *File.GetSignal(i)))
        FSignal = i;
    // EDF+C too: a record that does not follow the one before is a failed check to be named.
    if (!Samples)
      FSignal = -1;
    else if (FSignal < 0 && Time != TTimeColumn::None && FKind == TEDFPlusKind::Discontinuous)
      throw std::runtime_error("record 1 has no time-keeping annotation (the file has no "
                               "annotation signal): no time column for an " +
                               EDFPlusKindName(FKind, FFormat) + " file without it");
  }

  // Finds the annotation signal in the buffer, once the signals to read are settled.
  void Locate(TEDFFile& File) {
    if (FSignal < 0)
      return;
    FOffset = File.GetSignal(FSignal)->BufferOffset();
    FCount = static_cast<std::size_t>(std::max(File.GetSignal(FSignal)->NrSamples(), 0));
  }

  int32_t Signal() const { return FSignal; } // the annotation signal to read, or -1
  TEDFPlusKind Kind() const { return FKind; }
  TEDFFormat Format() const { return FFormat; }
  // Gaps and overlaps (negative lengths).
  const std::vector<TGap>& Gaps() const { return FGaps; }
  // "record_onsets" when a record of EDF+C does not follow the one before, or one of EDF+D
  // starts before the one before ends.
  std::vector<std::string> FailedChecks() const {
    const bool Fails = std::any_of(FGaps.begin(), FGaps.end(), [this](const TGap& Gap) {
      return Gap.Length < 0 || FKind == TEDFPlusKind::Continuous;
    });
    return Fails ? std::vector<std::string>{"record_onsets"} : std::vector<std::string>{};
  }
  const std::vector<int64_t>& Missing() const { return FMissing; }

  int64_t Next(int64_t Record, const TRecordSamples& Buffer) {
    int64_t Onset = Record * FDuration;
    if (FSignal >= 0) {
      const std::string_view Bytes = Buffer.Bytes(FOffset, FCount, FScratch);
      const TEDFAnnotationList List = ParseAnnotationList(Bytes, Record, FSignal, true);
      const int64_t Expected = Record == 0 ? 0 : FPrevious + FDuration;
      int64_t Found = 0;
      if (!List.RecordOnset || !TextNanoseconds(List.RecordOnset->Text, Found)) {
        if (FTime != TTimeColumn::None && FKind == TEDFPlusKind::Discontinuous)
          throw std::runtime_error("record " + std::to_string(Record + 1) +
                                   " has no time-keeping annotation: no time column for an " +
                                   EDFPlusKindName(FKind, FFormat) + " file without it");
        FMissing.push_back(Record);
        Onset = Expected;
      } else if (Record > 0 && Found < Expected && FTime != TTimeColumn::None) {
        throw std::runtime_error("record " + std::to_string(Record + 1) + " begins at " +
                                 OffsetText(Found) + " s, before record " + std::to_string(Record) +
                                 " ends at " + OffsetText(Expected) +
                                 " s: time-keeping goes backwards");
      } else {
        if (Record > 0 && Found != Expected)
          FGaps.push_back({Record, Found, Found - Expected});
        Onset = Found;
      }
      FPrevious = Onset;
    }
    return Onset;
  }

private:
  TTimeColumn FTime;
  TEDFPlusKind FKind = TEDFPlusKind::None;
  TEDFFormat FFormat = TEDFFormat::EDF;
  int64_t FDuration = 0;
  int32_t FSignal = -1;
  int64_t FOffset = 0;
  std::size_t FCount = 0; // samples of the annotation signal
  std::string FScratch;
  int64_t FPrevious = 0;
  std::vector<TGap> FGaps;
  std::vector<int64_t> FMissing;
};

// The annotation lists of the annotation signals that tables ask for, read from each record in
// the pass, in file order (record, then signal, then position) as the annotation reader
// lists them.
class TAnnotationCollector {
public:
  TAnnotationCollector(TEDFFile& File, const std::vector<int32_t>& Signals) : FSignals(Signals) {
    const TCustomEDFFileInfo& Info = *File.FileInfo();
    FPlus.FileName = File.FileName();
    FPlus.Kind = EDFPlusKindOf(Info.Reserved(), Info.Format());
    FPlus.Format = Info.Format();
    FPlus.Readable = true;
    FPlus.Patient = Info.GetPatient();
    FPlus.Recording = Info.GetRecording();
    FPlus.StartDateTime = Info.StartDateTime();
    FPlus.RecordDuration = Info.SampleRecDuration();
    FPlus.NrDataRecords = Info.NrDataRecords();
    int64_t Offset = 0;
    for (int32_t i = 0; i < File.SignalCount(); ++i) {
      const TCustomEDFSignalInfo& Signal = *File.GetSignal(i);
      FPlus.Labels.push_back(Signal.SignalLabel());
      if (IsAnnotationSignal(Info, Signal))
        FPlus.AnnotationSignals.push_back(i);
      FFileOffsets.push_back(Offset);
      Offset += std::max(Signal.NrSamples(), 0);
    }
    FRecordSamples = Offset;
    FHeaderBytes = Info.HeaderBytes();
  }

  void Locate(TEDFFile& File) {
    FBufferOffsets.clear();
    for (const int32_t s : FSignals)
      FBufferOffsets.push_back(File.GetSignal(s)->BufferOffset());
  }

  void Read(TEDFFile& File, int64_t Record, const TRecordSamples& Buffer) {
    for (std::size_t k = 0; k < FSignals.size(); ++k) {
      const int32_t s = FSignals[k];
      const std::string_view Bytes = Buffer.Bytes(
          FBufferOffsets[k], static_cast<std::size_t>(std::max(File.GetSignal(s)->NrSamples(), 0)),
          FScratch);
      // The first annotation signal of the file carries the records' time-keeping.
      TEDFAnnotationList List =
          ParseAnnotationList(Bytes, Record, s, s == FPlus.AnnotationSignals.front());
      for (TEDFAnnotation& A : List.Annotations)
        FPlus.Annotations.push_back(std::move(A));
      const int64_t Position =
          FHeaderBytes + SampleBytes(FPlus.Format) *
                             (Record * FRecordSamples + FFileOffsets[static_cast<std::size_t>(s)]);
      for (TEDFPlusFault& F : List.Faults) {
        F.FilePosition = Position + F.Offset;
        FPlus.Faults.push_back(F);
      }
    }
  }

  const TEDFPlusRecording& Plus() const { return FPlus; }

private:
  std::vector<int32_t> FSignals; // 0-based, header order
  std::vector<int64_t> FBufferOffsets;
  std::vector<int64_t> FFileOffsets; // samples from the record's start, per signal
  int64_t FRecordSamples = 0;
  int64_t FHeaderBytes = 0;
  TEDFPlusRecording FPlus;
  std::string FScratch;
};

std::string InfoText(TEDFFile& File, const TTableState& State, const TTableOptions& Options,
                     const TRecordOnsets& Onsets) {
  const std::string& S = Options.Text.Separator;
  std::string Info = RecordingInfoEntries(File, Options.Text);
  for (std::size_t i = 0; i < State.Columns.size(); ++i)
    Info += (i ? "\"" + S : std::string()) +
            SignalInfoEntries(File, State.Columns[i].Index + 1, Options.Text);
  std::vector<std::string> More;
  if (Options.Values == TValueKind::Physical) {
    std::string Units;
    for (const TColumn& C : State.Columns)
      Units += (Units.empty() ? "" : " ") + TrimRight(File.GetSignal(C.Index)->Physidim());
    More.push_back("Values:physical, " + Units);
  }
  if (State.Table->Columns)
    More.push_back("Layout:columns, one line per sample, header row");
  if (Options.Time == TTimeColumn::Offset)
    More.push_back("Time:first column, seconds from StartTime");
  else if (Options.Time == TTimeColumn::Clock)
    More.push_back("Time:first column, local clock time");
  // An EDF+D file without an annotation signal cannot say where its gaps are.
  if (Onsets.Kind() == TEDFPlusKind::Discontinuous)
    More.push_back("Gaps:" + (Onsets.Signal() < 0     ? std::string("unknown, no time-keeping")
                              : Onsets.Gaps().empty() ? std::string("none")
                                                      : GapsText(Onsets.Gaps(), SIZE_MAX)));
  // The formula entry leaves its quote open, as the single export always wrote it; it is
  // closed when more entries follow.
  for (const std::string& Entry : More)
    Info += "\"" + S + "\"" + Entry;
  if (!More.empty() || State.Columns.size() > 1)
    Info += "\"";
  return Info;
}

void WriteRecord(TTableState& State, const int16_t* Buffer, TTextFileWriter& Writer, int64_t Onset,
                 bool CountOutside) {
  const std::size_t N = State.Samples;
  if (N == 0)
    return;
  State.Any = true;
  if (CountOutside)
    for (TColumn& C : State.Columns) {
      if (C.Digimin <= INT16_MIN && C.Digimax >= INT16_MAX)
        continue; // the full range: no sample can lie outside
      const int16_t* Samples = Buffer + C.Offset;
      int64_t Outside = 0;
      for (std::size_t i = 0; i < N; ++i)
        Outside += (Samples[i] < C.Digimin) | (Samples[i] > C.Digimax);
      C.Outside += Outside;
    }
  if (!State.Rows) {
    const TColumn& C = State.Columns.front();
    const std::size_t PerValue = C.Texts->MaxBytesPerValue();
    const std::size_t RunLength = std::max<std::size_t>(1, Writer.BufferSize() / PerValue);
    const int16_t* Samples = Buffer + C.Offset;
    for (std::size_t Done = 0; Done < N;) {
      const std::size_t Run = std::min(RunLength, N - Done);
      char* Out = Writer.Reserve(Run * PerValue);
      Writer.Commit(C.Texts->Append(Out, Samples + Done, Run));
      Done += Run;
    }
    return;
  }
  if (State.Time)
    State.Time->BeginRecord(Onset);
  const std::size_t RunLength = std::max<std::size_t>(1, Writer.BufferSize() / State.RowBytes);
  for (std::size_t Done = 0; Done < N;) {
    const std::size_t Run = std::min(RunLength, N - Done);
    char* Out = Writer.Reserve(Run * State.RowBytes);
    if (State.Time && State.Columns.size() == 1) { // the common case, in a loop of its own
      const TColumn& C = State.Columns.front();
      Writer.Commit(State.Time->AppendLines(Out, Done, Done + Run, *C.Texts, Buffer + C.Offset));
      Done += Run;
      continue;
    }
    for (std::size_t i = Done; i < Done + Run; ++i) {
      if (State.Time)
        Out = State.Time->Append(Out, static_cast<int32_t>(i));
      for (const TColumn& C : State.Columns)
        Out = C.Texts->AppendOne(Out, Buffer[C.Offset + static_cast<int64_t>(i)]);
    }
    Writer.Commit(Out);
    Done += Run;
  }
}

// One 24-bit value and its suffix.
void AppendWide(TTextFileWriter& Writer, TColumn& C, int32_t Value) {
  if (C.WidePhysical) {
    auto Found = C.WideTexts.find(Value);
    if (Found == C.WideTexts.end()) {
      if (C.WideTexts.size() >= MaxWideTexts)
        C.WideTexts.clear();
      Found = C.WideTexts.emplace(Value, C.WidePhysical->Text(Value)).first;
    }
    const std::string& Text = Found->second;
    char* Out = Writer.Reserve(Text.size() + C.Suffix.size());
    Out = std::copy(Text.begin(), Text.end(), Out);
    Writer.Commit(std::copy(C.Suffix.begin(), C.Suffix.end(), Out));
    return;
  }
  Writer.Commit(C.Texts->Append(Writer.Reserve(C.Texts->MaxBytesPerWideValue()), &Value, 1));
}

// WriteRecord for BDF's samples.
void WriteWideRecord(TTableState& State, const int32_t* Buffer, TTextFileWriter& Writer,
                     int64_t Onset, bool CountOutside) {
  const std::size_t N = State.Samples;
  if (N == 0)
    return;
  State.Any = true;
  if (CountOutside)
    for (TColumn& C : State.Columns) {
      const int32_t* Samples = Buffer + C.Offset;
      for (std::size_t i = 0; i < N; ++i)
        C.Outside += (Samples[i] < C.Digimin) | (Samples[i] > C.Digimax);
    }
  if (!State.Rows) {
    TColumn& C = State.Columns.front();
    const int32_t* Samples = Buffer + C.Offset;
    if (C.WidePhysical) {
      for (std::size_t i = 0; i < N; ++i)
        AppendWide(Writer, C, Samples[i]);
      return;
    }
    // Digital values in runs that fit the writer's buffer: one reservation a run, not a value.
    const std::size_t Per = C.Texts->MaxBytesPerWideValue();
    const std::size_t RunLength = std::max<std::size_t>(1, Writer.BufferSize() / Per);
    for (std::size_t Done = 0; Done < N;) {
      const std::size_t Run = std::min(RunLength, N - Done);
      Writer.Commit(C.Texts->Append(Writer.Reserve(Run * Per), Samples + Done, Run));
      Done += Run;
    }
    return;
  }
  if (State.Time)
    State.Time->BeginRecord(Onset);
  for (std::size_t i = 0; i < N; ++i) {
    if (State.Time)
      Writer.Commit(
          State.Time->Append(Writer.Reserve(State.Time->MaxBytes()), static_cast<int32_t>(i)));
    for (TColumn& C : State.Columns)
      AppendWide(Writer, C, Buffer[C.Offset + static_cast<int64_t>(i)]);
  }
}

} // namespace

bool AnnotationsInPass(TEDFFile& File) {
  const TCustomEDFFileInfo& Info = *File.FileInfo();
  if (!File.Valid() || File.RecordSamples() <= 0)
    return false;
  std::error_code Error;
  const auto Size = std::filesystem::file_size(File.FileName(), Error);
  if (Error)
    return false;
  const int64_t Whole = std::max<int64_t>(static_cast<int64_t>(Size) - Info.HeaderBytes(), 0) /
                        (File.SampleBytes() * File.RecordSamples());
  return Whole == Info.NrDataRecords();
}

std::string ColumnSeparator(const std::string& Separator) {
  return Separator == LineBreak ? "," : Separator;
}

std::string RateMismatch(TEDFFile& File, const std::vector<int32_t>& Signals) {
  bool Same = true;
  for (const int32_t Number : Signals)
    Same = Same && File.GetSignal(Number - 1)->NrSamples() ==
                       File.GetSignal(Signals.front() - 1)->NrSamples();
  if (Same)
    return {};
  std::string Text;
  for (const int32_t Number : Signals) {
    const TCustomEDFSignalInfo& Signal = *File.GetSignal(Number - 1);
    Text += (Text.empty() ? "" : ", ") + SignalName(Signal, Number) + " " +
            SampleFrequencyText(Signal, *File.FileInfo(), '.') + " Hz";
  }
  return Text;
}

std::vector<std::string> ExportSignalTables(TEDFFile& File, const std::vector<TSignalTable>& Tables,
                                            const TTableOptions& Options,
                                            const TExportProgress& Progress,
                                            std::vector<std::string>* FailedChecks) {
  const TCustomEDFFileInfo& Info = *File.FileInfo();
  const bool Physical = Options.Values == TValueKind::Physical;
  const bool Wide = File.Format() == TEDFFormat::BDF;
  TRecordOnsets Onsets(File, Options.Time,
                       std::any_of(Tables.begin(), Tables.end(),
                                   [](const TSignalTable& Table) { return !Table.Annotations; }));
  const std::string S = ColumnSeparator(Options.Text.Separator);
  TTextTables Texts;

  std::vector<bool> Needed(static_cast<std::size_t>(File.SignalCount()), false);
  if (Onsets.Signal() >= 0)
    Needed[static_cast<std::size_t>(Onsets.Signal())] = true;
  std::vector<TTableState> States;
  std::vector<int32_t> AnnotationSignals;
  for (const TSignalTable& Table : Tables) {
    if (Table.Annotations) {
      TTableState& State = States.emplace_back();
      State.Table = &Table;
      for (const int32_t Number : Table.Signals) {
        if (!IsAnnotationSignal(Info, *File.GetSignal(Number - 1)))
          throw std::invalid_argument("signal " + std::to_string(Number) +
                                      " is not an annotation signal");
        State.Annotations.push_back(Number - 1);
        AnnotationSignals.push_back(Number - 1);
        Needed[static_cast<std::size_t>(Number - 1)] = true;
      }
      continue;
    }
    if (Table.Columns && !RateMismatch(File, Table.Signals).empty())
      throw std::invalid_argument("signals of several sample rates in one table");
    TTableState& State = States.emplace_back();
    State.Table = &Table;
    State.Rows = Table.Columns || Options.Time != TTimeColumn::None;
    for (std::size_t k = 0; k < Table.Signals.size(); ++k) {
      const int32_t Index = Table.Signals[k] - 1;
      const TCustomEDFSignalInfo& Signal = *File.GetSignal(Index);
      if (Physical && !PhysicalRefusal(Signal).empty())
        throw std::invalid_argument(SignalName(Signal, Index + 1) + ": " + PhysicalRefusal(Signal));
      const bool Last = k + 1 == Table.Signals.size();
      const std::string Suffix = !State.Rows ? Options.Text.Separator : Last ? LineBreak : S;
      TColumn& C = State.Columns.emplace_back();
      C.Index = Index; // the offset once the signals to read are settled
      C.Digimin = Signal.Digimin();
      C.Digimax = Signal.Digimax();
      C.Suffix = Suffix;
      if (Wide && Physical)
        C.WidePhysical.emplace(CalibrationOf(Signal));
      else // BDF's digital values beyond 16 bits are converted as they come
        C.Texts = &Texts.Get(Signal, Options.Values, Suffix);
      State.Samples = static_cast<std::size_t>(std::max<int32_t>(Signal.NrSamples(), 0));
      State.RowBytes += Wide ? 0 : C.Texts->OneValueBytes();
      Needed[static_cast<std::size_t>(Index)] = true;
    }
    if (Options.Time != TTimeColumn::None) {
      State.Time.emplace(Options.Time, Info.StartDateTime(), RecordNanoseconds(Info),
                         static_cast<int32_t>(State.Samples), S);
      State.RowBytes += State.Time->MaxBytes();
    }
  }
  // Every signal that no table needs stays unread: the buffer holds only what is written.
  for (int32_t i = 0; i < File.SignalCount(); ++i)
    File.GetSignal(i)->SetReadData(Needed[static_cast<std::size_t>(i)]);
  // Offsets into the buffer count only the signals read.
  for (TTableState& State : States)
    for (TColumn& C : State.Columns)
      C.Offset = File.GetSignal(C.Index)->BufferOffset();
  Onsets.Locate(File);
  std::sort(AnnotationSignals.begin(), AnnotationSignals.end());
  AnnotationSignals.erase(std::unique(AnnotationSignals.begin(), AnnotationSignals.end()),
                          AnnotationSignals.end());
  std::optional<TAnnotationCollector> Collector;
  if (!AnnotationSignals.empty()) {
    Collector.emplace(File, AnnotationSignals);
    Collector->Locate(File);
  }

  for (TTableState& State : States)
    if (State.Annotations.empty() && (State.Table->Columns || Options.Header))
      State.Table->Data->Write(HeaderRow(File, State, Options));

  const int64_t RecordCount = Info.NrDataRecords();
  // Shared with the file object: they see every ReadRecord.
  const TDynSmallIntArray Buffer =
      RecordCount > 0 && !Wide ? File.GetDataBuffer() : TDynSmallIntArray();
  const TDynArray<int32_t> WideBuffer =
      RecordCount > 0 && Wide ? File.GetWideDataBuffer() : TDynArray<int32_t>();
  const TRecordSamples Record{Buffer.data(), Wide ? WideBuffer.data() : nullptr};
  for (int64_t n = 0; n < RecordCount; ++n) {
    if (Progress && !Progress(n, RecordCount))
      return {};
    File.ReadRecord(n);
    const int64_t Onset = Onsets.Next(n, Record);
    if (Collector)
      Collector->Read(File, n, Record);
    for (TTableState& State : States) {
      if (!State.Annotations.empty())
        continue;
      if (Wide)
        WriteWideRecord(State, WideBuffer.data(), *State.Table->Data, Onset, Physical);
      else
        WriteRecord(State, Buffer.data(), *State.Table->Data, Onset, Physical);
    }
  }
  // Without rows, every value is followed by the separator but the very last one of the file.
  for (TTableState& State : States)
    if (!State.Rows && State.Any) {
      TTextFileWriter& Writer = *State.Table->Data;
      Writer.Commit(Writer.Reserve(0) - Options.Text.Separator.size());
    }

  if (FailedChecks)
    *FailedChecks = Onsets.FailedChecks();
  std::vector<std::string> Warnings;
  for (TTableState& State : States) {
    if (!State.Annotations.empty()) {
      WriteAnnotationTable(Collector->Plus(), State.Annotations, Options.Text.Separator,
                           *State.Table->Info, *State.Table->Data);
      for (std::string& Warning :
           AnnotationFaultWarnings(Collector->Plus().Faults, State.Annotations))
        Warnings.push_back(std::move(Warning));
      continue;
    }
    State.Table->Info->Write(InfoText(File, State, Options, Onsets));
    for (const TColumn& C : State.Columns)
      if (C.Outside > 0)
        Warnings.push_back(SignalName(*File.GetSignal(C.Index), C.Index + 1) + ": " +
                           CountText(C.Outside, "sample") +
                           " outside the digital range, converted by the formula all the same");
  }
  const bool Samples = std::any_of(States.begin(), States.end(), [](const TTableState& State) {
    return State.Annotations.empty();
  });
  if (Samples && Onsets.Kind() == TEDFPlusKind::Discontinuous &&
      Options.Time == TTimeColumn::None && !Onsets.Gaps().empty())
    Warnings.push_back(EDFPlusKindName(TEDFPlusKind::Discontinuous, Onsets.Format()) +
                       ": the samples are not continuous; " +
                       GapsText(Onsets.Gaps(), MaxListedGaps));
  if (Samples && !Onsets.Missing().empty())
    Warnings.push_back(EDFPlusKindName(Onsets.Kind(), Onsets.Format()) + ": " +
                       CountText(static_cast<int64_t>(Onsets.Missing().size()), "record") +
                       " without a time-keeping annotation, the first record " +
                       std::to_string(Onsets.Missing().front() + 1) +
                       "; taken to follow the record before");
  return Warnings;
}

} // namespace velastrin
