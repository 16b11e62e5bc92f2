// EDF+ annotations: the TAL grammar, the record onsets and the reader of a whole file.
#include "edf/uEDFPlus.h"

#include "edf/uEDFFieldKind.h"
#include "edf/uEDFFile.h"
#include "edf/uEDFHeader.h"
#include "support/udStr.h"

#include <unicode/utf8.h>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace velastrin {

namespace {

constexpr char TALEnd = 0x00;
constexpr char AnnotationEnd = 0x14;
constexpr char DurationMark = 0x15;

bool IsUTF8(std::string_view Text) {
  const auto* Bytes = reinterpret_cast<const uint8_t*>(Text.data());
  const auto Length = static_cast<int32_t>(Text.size());
  int32_t i = 0;
  while (i < Length) {
    UChar32 C = 0;
    U8_NEXT(Bytes, i, Length, C);
    if (C < 0)
      return false;
  }
  return true;
}

// Index of the first separator byte (0x00, 0x14 or 0x15) at or after From; Bytes.size() if none.
std::size_t NextSeparator(std::string_view Bytes, std::size_t From) {
  while (From < Bytes.size() && Bytes[From] != TALEnd && Bytes[From] != AnnotationEnd &&
         Bytes[From] != DurationMark)
    ++From;
  return From;
}

// The TAL grammar over one signal's bytes of one record. Every read is bounded by the view.
class TTALReader {
public:
  TTALReader(std::string_view Bytes, int64_t Record, int32_t Signal, bool TimeKeeping)
      : FBytes(Bytes), FRecord(Record), FSignal(Signal), FTimeKeeping(TimeKeeping) {}

  TEDFAnnotationList Read() {
    std::size_t Pos = 0;
    bool First = true;
    while (Pos < FBytes.size() && FBytes[Pos] != TALEnd) {
      if (!ReadTAL(Pos, First))
        return std::move(FList);
      First = false;
    }
    if (FTimeKeeping && First)
      Fault(Pos, TTALFault::NoTimeKeeping);
    // The unused rest of the signal's bytes is filled with 0x00.
    const std::size_t Stray = FBytes.find_first_not_of('\0', Pos);
    if (Stray != std::string_view::npos)
      Fault(Stray, TTALFault::BytesAfterEnd);
    return std::move(FList);
  }

private:
  void Fault(std::size_t Offset, TTALFault Kind) {
    FList.Faults.push_back({FRecord, FSignal, static_cast<int64_t>(Offset), 0, Kind});
  }

  // Reads one TAL starting at Pos (which holds neither the end nor the fill); on success Pos
  // is just past its closing 0x00. False after a fault.
  bool ReadTAL(std::size_t& Pos, bool First) {
    const std::size_t Start = Pos;
    if (FBytes[Pos] != '+' && FBytes[Pos] != '-') {
      Fault(Pos, TTALFault::OnsetSign);
      return false;
    }
    std::size_t End = NextSeparator(FBytes, Pos);
    if (End == FBytes.size()) {
      Fault(Start, TTALFault::PastEnd);
      return false;
    }
    TTALNumber Onset;
    if (!ParseTALNumber(FBytes.substr(Pos, End - Pos), true, Onset)) {
      Fault(Pos, TTALFault::OnsetNumber);
      return false;
    }
    Pos = End;
    std::optional<TTALNumber> Duration;
    if (FBytes[Pos] == DurationMark) {
      ++Pos;
      End = NextSeparator(FBytes, Pos);
      if (End == FBytes.size()) {
        Fault(Start, TTALFault::PastEnd);
        return false;
      }
      Duration.emplace();
      if (!ParseTALNumber(FBytes.substr(Pos, End - Pos), false, *Duration)) {
        Fault(Pos, TTALFault::DurationNumber);
        return false;
      }
      Pos = End;
    }
    if (FBytes[Pos] != AnnotationEnd) {
      Fault(Pos, TTALFault::MissingSeparator);
      return false;
    }
    ++Pos;

    const bool KeepsTime = FTimeKeeping && First;
    for (int Index = 0;; ++Index) {
      if (Pos >= FBytes.size()) {
        Fault(Start, TTALFault::PastEnd);
        return false;
      }
      if (FBytes[Pos] == TALEnd) {
        ++Pos;
        if (KeepsTime && Index == 0) // "+onset 0x14 0x00": no annotation at all
          Fault(Start, TTALFault::NoTimeKeeping);
        return true;
      }
      const std::size_t TextStart = Pos;
      End = FBytes.find_first_of(std::string_view("\x00\x14", 2), Pos);
      if (End == std::string_view::npos) {
        Fault(Start, TTALFault::PastEnd);
        return false;
      }
      if (FBytes[End] == TALEnd) {
        Fault(End, TTALFault::TextNotEnded);
        return false;
      }
      const std::string_view Text = FBytes.substr(TextStart, End - TextStart);
      Pos = End + 1;
      if (KeepsTime && Index == 0) {
        if (Text.empty()) {
          FList.RecordOnset = Onset;
          continue;
        }
        Fault(Start, TTALFault::NoTimeKeeping); // and the text is an ordinary annotation
      }
      if (Text.empty())
        continue;
      if (!IsUTF8(Text))
        Fault(TextStart, TTALFault::NotUTF8);
      FList.Annotations.push_back({Onset, Duration, std::string(Text), FSignal, FRecord});
    }
  }

  std::string_view FBytes;
  int64_t FRecord;
  int32_t FSignal;
  bool FTimeKeeping;
  TEDFAnnotationList FList;
};

// A record duration stated as 0 ("0", "0.000"), which EDF+ allows for annotation-only files.
bool IsZeroDuration(const std::string& Raw) {
  const std::string Text = Trim(Raw);
  TTALNumber Number;
  return ParseTALNumber(Text, false, Number) && Number.Value == 0;
}

} // namespace

TEDFPlusKind EDFPlusKindOf(std::string_view Reserved, TEDFFormat Format) {
  const bool BDF = Format == TEDFFormat::BDF;
  if (Reserved.starts_with(BDF ? "BDF+C" : "EDF+C"))
    return TEDFPlusKind::Continuous;
  if (Reserved.starts_with(BDF ? "BDF+D" : "EDF+D"))
    return TEDFPlusKind::Discontinuous;
  return TEDFPlusKind::None;
}

std::string EDFPlusKindName(TEDFPlusKind Kind, TEDFFormat Format) {
  const bool BDF = Format == TEDFFormat::BDF;
  switch (Kind) {
  case TEDFPlusKind::Continuous:
    return BDF ? "BDF+C" : "EDF+C";
  case TEDFPlusKind::Discontinuous:
    return BDF ? "BDF+D" : "EDF+D";
  case TEDFPlusKind::None:
    break;
  }
  return {};
}

std::string_view AnnotationLabel(TEDFFormat Format) {
  return Format == TEDFFormat::BDF ? BDFAnnotationsLabel : EDFAnnotationsLabel;
}

bool IsOwnAnnotationLabel(std::string_view Label, TEDFFormat Format) {
  while (!Label.empty() && static_cast<unsigned char>(Label.back()) <= ' ')
    Label.remove_suffix(1);
  return Label == AnnotationLabel(Format);
}

bool IsAnnotationLabel(std::string_view Label) {
  return IsOwnAnnotationLabel(Label, TEDFFormat::EDF) ||
         IsOwnAnnotationLabel(Label, TEDFFormat::BDF);
}

bool IsAnnotationSignal(const TCustomEDFFileInfo& Info, const TCustomEDFSignalInfo& Signal) {
  return EDFPlusKindOf(Info.Reserved(), Info.Format()) != TEDFPlusKind::None &&
         IsAnnotationLabel(Signal.SignalLabel());
}

bool ParseTALNumber(std::string_view Text, bool Signed, TTALNumber& Number) {
  std::size_t i = 0;
  if (Signed) {
    if (Text.empty() || (Text[0] != '+' && Text[0] != '-'))
      return false;
    i = 1;
  }
  const std::size_t IntStart = i;
  while (i < Text.size() && IsDigit(Text[i]))
    ++i;
  if (i == IntStart)
    return false;
  if (i < Text.size() && Text[i] == '.') {
    const std::size_t FracStart = ++i;
    while (i < Text.size() && IsDigit(Text[i]))
      ++i;
    if (i == FracStart)
      return false;
  }
  if (i != Text.size())
    return false;
  // from_chars takes no '+'; the digits are plain decimal, so nothing depends on the locale.
  long double Value = 0;
  const char* First = Text.data() + (Signed && Text[0] == '+' ? 1 : 0);
  const auto Result = std::from_chars(First, Text.data() + Text.size(), Value);
  if (Result.ec != std::errc() || !std::isfinite(Value))
    return false;
  Number.Text = std::string(Text);
  Number.Value = Value;
  return true;
}

std::string TALFaultMessage(TTALFault Fault) {
  switch (Fault) {
  case TTALFault::OnsetSign:
    return "annotation list does not begin with '+' or '-'";
  case TTALFault::OnsetNumber:
    return "annotation onset is not a number";
  case TTALFault::DurationNumber:
    return "annotation duration is not a number";
  case TTALFault::MissingSeparator:
    return "annotation onset is not followed by 0x14";
  case TTALFault::PastEnd:
    return "annotation list runs past the end of the signal's bytes in the record";
  case TTALFault::TextNotEnded:
    return "annotation text ends without 0x14";
  case TTALFault::BytesAfterEnd:
    return "bytes other than 0x00 after the last annotation list";
  case TTALFault::NoTimeKeeping:
    return "record does not begin with a time-keeping annotation";
  case TTALFault::NotUTF8:
    return "annotation text is not UTF-8";
  }
  return "annotation list is malformed";
}

TEDFAnnotationList ParseAnnotationList(std::string_view Bytes, int64_t Record, int32_t Signal,
                                       bool TimeKeeping) {
  return TTALReader(Bytes, Record, Signal, TimeKeeping).Read();
}

bool TEDFPlusRecording::IsAnnotationSignal(int32_t Index) const {
  return std::find(AnnotationSignals.begin(), AnnotationSignals.end(), Index) !=
         AnnotationSignals.end();
}

std::vector<TEDFRecordDeviation> TEDFPlusRecording::RecordDeviations() const {
  std::vector<TEDFRecordDeviation> Deviations;
  if (RecordDuration <= 0)
    return Deviations;
  // Onsets are decimal texts and the duration a decimal field: anything below a nanosecond is
  // the binary rounding of the two, not a gap.
  constexpr long double Tolerance = 1e-9L;
  const std::optional<TTALNumber>* Previous = nullptr;
  for (std::size_t r = 0; r < RecordOnsets.size(); ++r) {
    const std::optional<TTALNumber>& Onset = RecordOnsets[r];
    if (Onset && Previous && *Previous) {
      const long double Expected = (*Previous)->Value + RecordDuration;
      if (std::fabs(Onset->Value - Expected) > Tolerance)
        Deviations.push_back({static_cast<int64_t>(r), Expected, *Onset});
    }
    Previous = &Onset;
  }
  return Deviations;
}

std::vector<TEDFAnnotation>
TEDFPlusRecording::InTimeOrder(const std::vector<int32_t>& Signals) const {
  std::vector<TEDFAnnotation> Result;
  for (const TEDFAnnotation& A : Annotations)
    if (Signals.empty() || std::find(Signals.begin(), Signals.end(), A.Signal) != Signals.end())
      Result.push_back(A);
  std::stable_sort(Result.begin(), Result.end(),
                   [](const TEDFAnnotation& A, const TEDFAnnotation& B) {
                     return A.Onset.Value < B.Onset.Value;
                   });
  return Result;
}

namespace {

// The header fields of Result, with each signal's samples per record in Samples, read as the
// export reads them. Returns the header's size in bytes.
int64_t ReadPlusHeader(const std::string& FileName, TEDFPlusRecording& Result,
                       std::vector<int64_t>& Samples) {
  // The header exactly as the export reads it; BDF+ carries its annotations as EDF+ does.
  TEDFFile File;
  File.SetFileName(FileName);
  File.SetReadOnly(true);
  File.SetStrict(false);
  File.SetAcceptBDF(true);
  File.Open();
  const TCustomEDFFileInfo& Info = *File.FileInfo();
  Result.Kind = EDFPlusKindOf(Info.Reserved(), Info.Format());
  Result.Format = File.Format();
  Result.Patient = Info.GetPatient();
  Result.Recording = Info.GetRecording();
  Result.StartDateTime = Info.StartDateTime();
  Result.RecordDuration = Info.SampleRecDuration();
  bool SignalsValid = File.SignalCount() > 0;
  bool AllAnnotations = true;
  for (int32_t i = 0; i < File.SignalCount(); ++i) {
    const TCustomEDFSignalInfo& Signal = *File.GetSignal(i);
    Result.Labels.push_back(Signal.SignalLabel());
    Samples.push_back(Signal.NrSamples());
    SignalsValid = SignalsValid && Signal.IsValid();
    const bool Annotation = IsAnnotationSignal(Info, Signal);
    if (Annotation)
      Result.AnnotationSignals.push_back(i);
    AllAnnotations = AllAnnotations && Annotation;
  }
  Result.Readable = File.Valid();
  if (!Result.Readable && Result.Kind != TEDFPlusKind::None && SignalsValid && AllAnnotations) {
    // Every general field but the duration must be valid, and the duration must be 0.
    bool OthersValid = true;
    for (int Field = 0; Field < EDFFieldCount; ++Field)
      if (Field != static_cast<int>(TGeneralField::SampleRecDuration))
        OthersValid = OthersValid && Info.FieldValid(Field);
    const std::string& Duration =
        Info.RawHeader()[static_cast<int>(TGeneralField::SampleRecDuration)];
    if (OthersValid && IsZeroDuration(Duration) &&
        static_cast<int64_t>(Samples.size()) == Info.NrSignals()) {
      Result.Readable = true;
      Result.RecordDuration = 0;
    }
  }
  return Info.HeaderBytes();
}

// Every record's annotation lists of Result's annotation signals, with their faults. False
// when Stop was requested before the last record.
bool ReadAnnotationLists(const std::string& FileName, int64_t HeaderBytes,
                         const std::vector<int64_t>& Samples, TEDFPlusRecording& Result,
                         std::stop_token Stop) {
  std::vector<int64_t> RecordOffset;
  int64_t RecordSamples = 0;
  for (const int64_t N : Samples) {
    RecordOffset.push_back(RecordSamples);
    RecordSamples += N;
  }
  TEDFFileStream Stream(FileName, TEDFFileStream::TMode::ReadShared);
  // As the file object counts: whole records from the file size.
  Result.NrDataRecords = RecordSamples > 0 ? std::max<int64_t>(Stream.Size() - HeaderBytes, 0) /
                                                 (SampleBytes(Result.Format) * RecordSamples)
                                           : 0;
  Result.RecordOnsets.resize(static_cast<std::size_t>(Result.NrDataRecords));
  std::string Bytes;
  for (int64_t r = 0; r < Result.NrDataRecords; ++r) {
    if (Stop.stop_requested())
      return false;
    bool First = true;
    for (const int32_t s : Result.AnnotationSignals) {
      const auto Index = static_cast<std::size_t>(s);
      const int64_t Position =
          HeaderBytes + SampleBytes(Result.Format) * (r * RecordSamples + RecordOffset[Index]);
      Bytes.assign(static_cast<std::size_t>(SampleBytes(Result.Format) * Samples[Index]), '\0');
      // A file cut short meanwhile leaves NULs, which read as the end of the list.
      Stream.ReadAt(Bytes.data(), Bytes.size(), Position);
      TEDFAnnotationList List = ParseAnnotationList(Bytes, r, s, First);
      if (First)
        Result.RecordOnsets[static_cast<std::size_t>(r)] = std::move(List.RecordOnset);
      First = false;
      for (TEDFAnnotation& A : List.Annotations)
        Result.Annotations.push_back(std::move(A));
      for (TEDFPlusFault& F : List.Faults) {
        F.FilePosition = Position + F.Offset;
        Result.Faults.push_back(F);
      }
    }
  }
  return true;
}

} // namespace

namespace {

// Shortest text that reads back as the same double; never the user's locale.
std::string LimitText(long double Value) {
  char Text[40];
  const auto Result = std::to_chars(Text, Text + sizeof Text, static_cast<double>(Value));
  return std::string(Text, Result.ptr);
}

// EDF+ asks of an annotation signal blank transducer, unit and prefilter texts and the full
// digital range of its format (16 bits, 24 for BDF+); the texts repair can blank, the range it
// cannot change under the data.
void AnnotationSignalConformance(const TCustomEDFFile& File, std::vector<TEDFPlusConformance>& C) {
  const TEDFFieldDef& Range = SignalFields(File.Format())[static_cast<int>(TSignalField::Digimin)];
  const auto Low = static_cast<int32_t>(Range.Minimum);
  const auto High = static_cast<int32_t>(Range.Maximum);
  for (int32_t i = 0; i < File.SignalCount(); ++i) {
    const TCustomEDFSignalInfo& S = *File.GetSignal(i);
    if (!IsAnnotationLabel(S.SignalLabel()))
      continue;
    if (!IsOwnAnnotationLabel(S.SignalLabel(), File.Format()))
      C.push_back({"SignalLabel", i + 1,
                   "the annotation signal of " +
                       std::string(File.Format() == TEDFFormat::BDF ? "a BDF+" : "an EDF+") +
                       " file is labelled \"" + std::string(AnnotationLabel(File.Format())) +
                       "\"; read as one all the same",
                   true});
    for (TSignalField Field :
         {TSignalField::Transducertype, TSignalField::Physidim, TSignalField::Prefilter})
      if (!Trim(S.RawHeader()[static_cast<int>(Field)]).empty())
        C.push_back({std::string(SignalHeaderFieldNames[static_cast<int>(Field)]), i + 1,
                     "an annotation signal leaves this field blank", true});
    if (S.Digimin() != Low || S.Digimax() != High)
      C.push_back({"Digimin", i + 1,
                   "an annotation signal has the digital limits " + std::to_string(Low) + " and " +
                       std::to_string(High) + ", not " + std::to_string(S.Digimin()) + " and " +
                       std::to_string(S.Digimax()),
                   false});
  }
}

} // namespace

std::vector<TEDFPlusConformance> EDFPlusConformance(const TCustomEDFFile& File) {
  std::vector<TEDFPlusConformance> C;
  const TCustomEDFFileInfo& Info = *File.FileInfo();
  bool Annotations = false;
  for (int32_t i = 0; i < File.SignalCount(); ++i)
    Annotations = Annotations || IsAnnotationSignal(Info, *File.GetSignal(i));
  // Without one the file has no time-keeping; edflib refuses it, the exports read it as plain
  // EDF.
  if (!Annotations)
    C.push_back({"Reserved", 0,
                 "the file says " +
                     EDFPlusKindName(EDFPlusKindOf(Info.Reserved(), Info.Format()), Info.Format()) +
                     " but holds no annotation signal (\"" +
                     std::string(AnnotationLabel(Info.Format())) +
                     "\"), which EDF+ asks for; read as plain " +
                     (Info.Format() == TEDFFormat::BDF ? "BDF" : "EDF"),
                 false});
  AnnotationSignalConformance(File, C);
  for (const std::string& Problem : EDFPlusPatientProblems(Info.Patient()))
    C.push_back({"Patient", 0, Problem, false});
  if (Info.FieldValid(TGeneralField::StartDate))
    for (const std::string& Problem : EDFPlusRecordingProblems(Info.Recording(), Info.StartDate()))
      C.push_back({"Recording", 0, Problem, false});
  for (int32_t i = 0; i < File.SignalCount(); ++i) {
    const TCustomEDFSignalInfo& S = *File.GetSignal(i);
    if (!IsAnnotationLabel(S.SignalLabel()) && S.FieldValid(TSignalField::Physimin) &&
        S.FieldValid(TSignalField::Physimax) && S.Physimin() == S.Physimax())
      C.push_back({"Physimax", i + 1,
                   "Physimin equals Physimax (" + LimitText(S.Physimin()) + "): no physical range",
                   false});
  }
  // EDF+ readers (edflib among them) refuse records shorter than a microsecond.
  const long double Duration = Info.SampleRecDuration();
  if (Info.FieldValid(TGeneralField::SampleRecDuration) && Duration > 0 && Duration < 1e-6L)
    C.push_back({"SampleRecDuration", 0,
                 "a record duration of " + LimitText(Duration) +
                     " s is shorter than the 0.000001 s EDF+ readers accept",
                 false});
  return C;
}

TEDFPlusReader::TEDFPlusReader(const std::string& FileName) {
  FHeader.FileName = FileName;
  FHeaderBytes = ReadPlusHeader(FileName, FHeader, FSamples);
}

std::optional<TEDFPlusRecording> TEDFPlusReader::Read(std::stop_token Stop) const {
  TEDFPlusRecording Result = FHeader;
  if (Result.Readable && !Result.AnnotationSignals.empty() &&
      !ReadAnnotationLists(Result.FileName, FHeaderBytes, FSamples, Result, Stop))
    return std::nullopt;
  return Result;
}

TEDFPlusRecording ReadEDFPlus(const std::string& FileName) {
  return *TEDFPlusReader(FileName).Read();
}

} // namespace velastrin
