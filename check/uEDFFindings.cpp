// The findings engine. The data model decides what strict and lenient reading accept; the words
// for a refused field come from the same field rule (edf/uEDFFieldKind.h) that refused it.
#include "check/uEDFFindings.h"

#include "edf/uEDF.h"
#include "edf/uEDFFieldKind.h"
#include "support/udStr.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <sys/stat.h>
#include <system_error>

namespace velastrin {

namespace {

bool IsAsciiPrintable(unsigned char Byte) {
  return Byte >= 32 && Byte <= 126;
}

// Shortest text that reads back as the same double; never the user's locale.
std::string NumberText(long double Value) {
  char Text[40];
  const auto Result = std::to_chars(Text, Text + sizeof Text, static_cast<double>(Value));
  return std::string(Text, Result.ptr);
}

// ---- Why a field was refused ----------------------------------------------------------------

// The words come from the reading rule that refused the field; the cross-field rules (header
// size, the order of the digital limits) add theirs.
std::string GeneralProblem(TGeneralField Field, const TCustomEDFFileInfo& Strict) {
  const auto Index = static_cast<int>(Field);
  const TEDFFieldReading R = ReadField(
      GeneralFields(Strict.Format())[static_cast<std::size_t>(Index)], Strict.RawHeader()[Index]);
  if (Field == TGeneralField::HeaderBytes && R.Problems.empty())
    return HeaderSizeProblem(static_cast<int64_t>(R.Number),
                             Strict.FieldValid(TGeneralField::NrSignals), Strict.NrSignals());
  return ProblemText(R.Problems);
}

std::string SignalProblem(TSignalField Field, const TEDFRawSignalHeader& Raw, TEDFFormat Format) {
  auto Reading = [&Raw, Format](TSignalField F) {
    return ReadField(SignalFields(Format)[static_cast<std::size_t>(F)], Raw[static_cast<int>(F)]);
  };
  TEDFFieldReading R = Reading(Field);
  if (Field == TSignalField::Digimin || Field == TSignalField::Digimax) {
    const TEDFFieldReading Min = Reading(TSignalField::Digimin);
    const TEDFFieldReading Max = Reading(TSignalField::Digimax);
    if (Min.Read && Max.Read) {
      const std::string Order = DigitalOrderProblem(Min.Number, Max.Number);
      if (!Order.empty())
        R.Problems.push_back(Order);
    }
  }
  return ProblemText(R.Problems);
}

// ---- What lenient reading took --------------------------------------------------------------

std::string DateText(TDateTime Date) {
  uint16_t Year = 0, Month = 0, Day = 0;
  DecodeDate(Date, Year, Month, Day);
  char Text[32];
  std::snprintf(Text, sizeof Text, "%04u-%02u-%02u", Year, Month, Day);
  return Text;
}

std::string TimeText(TDateTime Time) {
  uint16_t Hour = 0, Min = 0, Sec = 0, MSec = 0;
  DecodeTime(Time, Hour, Min, Sec, MSec);
  char Text[32];
  std::snprintf(Text, sizeof Text, "%02u:%02u:%02u", Hour, Min, Sec);
  return Text;
}

std::string GeneralValue(TGeneralField Field, const TCustomEDFFileInfo& Info) {
  const std::string& Raw = Info.RawHeader()[static_cast<int>(Field)];
  switch (Field) {
  case TGeneralField::Version:
    return EscapeBytes(Info.Version());
  case TGeneralField::Patient:
    return EscapeBytes(Info.Patient());
  case TGeneralField::Recording:
    return EscapeBytes(Info.Recording());
  case TGeneralField::Reserved:
    return EscapeBytes(Info.Reserved());
  case TGeneralField::StartDate:
    return DateText(Info.StartDate());
  case TGeneralField::StartTime:
    return TimeText(Info.StartTime());
  case TGeneralField::HeaderBytes:
    return std::to_string(Info.HeaderBytes());
  case TGeneralField::NrDataRecords: { // the record's own value is replaced by the derived count
    const TEDFFieldReading R = ReadField(GeneralHeaderFields[static_cast<int>(Field)], Raw);
    return R.Read ? std::to_string(R.Integer) : std::string();
  }
  case TGeneralField::SampleRecDuration:
    return NumberText(Info.SampleRecDuration());
  case TGeneralField::NrSignals:
    return std::to_string(Info.NrSignals());
  }
  return {};
}

std::string SignalValue(TSignalField Field, const TCustomEDFSignalInfo& Signal) {
  switch (Field) {
  case TSignalField::SignalLabel:
    return EscapeBytes(Signal.SignalLabel());
  case TSignalField::Transducertype:
    return EscapeBytes(Signal.Transducertype());
  case TSignalField::Physidim:
    return EscapeBytes(Signal.Physidim());
  case TSignalField::Physimin:
    return NumberText(Signal.Physimin());
  case TSignalField::Physimax:
    return NumberText(Signal.Physimax());
  case TSignalField::Digimin:
    return std::to_string(Signal.Digimin());
  case TSignalField::Digimax:
    return std::to_string(Signal.Digimax());
  case TSignalField::Prefilter:
    return EscapeBytes(Signal.Prefilter());
  case TSignalField::NrSamples:
    return std::to_string(Signal.NrSamples());
  case TSignalField::Reserved:
    return EscapeBytes(Signal.Reserved());
  }
  return {};
}

// ---- Opening ------------------------------------------------------------------------------

struct TReading {
  TEDFFile File;
  bool Valid = false;
};

void OpenFor(TReading& Reading, const std::string& FileName, bool Strict) {
  Reading.File.SetFileName(FileName);
  Reading.File.SetReadOnly(true);
  Reading.File.SetStrict(Strict);
  Reading.File.SetAcceptBDF(true);
  Reading.File.Open();
  try {
    Reading.Valid = Reading.File.IsValid();
  } catch (const EDataFile&) {
    Reading.Valid = false; // no buffer could be made for the layout
  }
}

TEDFKind KindOf(const TEDFFindings& F, const TCustomEDFFileInfo& Info) {
  if (F.FileSize < EDFGeneralHeaderSize)
    return TEDFKind::Unknown;
  const bool BDF = Info.Format() == TEDFFormat::BDF;
  switch (
      EDFPlusKindOf(Info.RawHeader()[static_cast<int>(TGeneralField::Reserved)], Info.Format())) {
  case TEDFPlusKind::Continuous:
    return BDF ? TEDFKind::BDFPlusC : TEDFKind::EDFPlusC;
  case TEDFPlusKind::Discontinuous:
    return BDF ? TEDFKind::BDFPlusD : TEDFKind::EDFPlusD;
  case TEDFPlusKind::None:
    break;
  }
  return BDF ? TEDFKind::BDF : TEDFKind::EDF;
}

void CollectGeneralFindings(TEDFFindings& F, const TCustomEDFFileInfo& Strict,
                            const TCustomEDFFileInfo& Lenient) {
  for (int Index = 0; Index < EDFFieldCount; ++Index) {
    if (Strict.FieldValid(Index))
      continue;
    const auto Field = static_cast<TGeneralField>(Index);
    const TEDFFieldDef& Def = GeneralHeaderFields[static_cast<std::size_t>(Index)];
    TEDFFinding Finding;
    Finding.Field = std::string(Def.Name);
    Finding.Offset = Def.Start;
    Finding.Width = Def.Width;
    Finding.Raw = Strict.RawHeader()[Index];
    Finding.Lenient = Lenient.FieldValid(Index);
    Finding.Problem = GeneralProblem(Field, Strict);
    if (Finding.Problem.empty())
      Finding.Problem = "refused by strict reading";
    if (Finding.Lenient)
      Finding.Value = GeneralValue(Field, Lenient);
    F.Findings.push_back(std::move(Finding));
  }
}

void CollectSignalFindings(TEDFFindings& F, const TCustomEDFFile& Lenient) {
  const int32_t Count = Lenient.SignalCount();
  // Each signal as strict reading parses it, also when strict reading made no signal records
  // because of a general-header field.
  std::vector<TEDFSignalInfo> Strict(static_cast<std::size_t>(Count));
  for (int32_t i = 0; i < Count; ++i) {
    TEDFSignalInfo& Signal = Strict[static_cast<std::size_t>(i)];
    Signal.SetRawHeader(Lenient.GetSignal(i)->RawHeader());
    Signal.StoreFormat(Lenient.Format());
    Signal.SetStrict(true); // stores and parses
  }
  for (int Index = 0; Index < EDFFieldCount; ++Index) {
    const auto Field = static_cast<TSignalField>(Index);
    for (int32_t i = 0; i < Count; ++i) {
      if (Strict[static_cast<std::size_t>(i)].FieldValid(Index))
        continue;
      const TCustomEDFSignalInfo& Loose = *Lenient.GetSignal(i);
      TEDFFinding Finding;
      Finding.Field = std::string(SignalHeaderFieldNames[static_cast<std::size_t>(Index)]);
      Finding.Signal = i + 1;
      Finding.Offset = SignalFieldOffset(Field, Count, i);
      Finding.Width = SignalFieldWidth(Field);
      Finding.Raw = Loose.RawHeader()[Index];
      Finding.Lenient = Loose.FieldValid(Index);
      Finding.Problem = SignalProblem(Field, Loose.RawHeader(), Lenient.Format());
      if (Finding.Problem.empty())
        Finding.Problem = "refused by strict reading";
      if (Finding.Lenient)
        Finding.Value = SignalValue(Field, Loose);
      // A physical limit is taken as the export takes it. One that lenient reading takes
      // does not count for validity; one that no reading takes does, in the export's words,
      // since the export refuses the signal for it.
      if (Field == TSignalField::Physimin || Field == TSignalField::Physimax) {
        const std::optional<long double> Limit = PhysicalLimit(Loose, Field);
        Finding.Lenient = Limit.has_value();
        Finding.Value = Limit ? NumberText(*Limit) : std::string();
        Finding.Counts = !Limit;
        if (!Limit) {
          const std::string Refusal = SignalRefusal(Lenient, i + 1);
          Finding.Problem += "; " + Refusal.substr(0, Refusal.find('\n'));
        }
      }
      F.Findings.push_back(std::move(Finding));
    }
  }
}

void CollectFileChecks(TEDFFindings& F, const TReading& Lenient) {
  const TCustomEDFFile& File = Lenient.File;
  const TCustomEDFFileInfo& Info = *File.FileInfo();
  const TEDFFieldReading Stated =
      ReadField(GeneralHeaderFields[static_cast<int>(TGeneralField::NrDataRecords)],
                Info.LoadedHeader()[static_cast<int>(TGeneralField::NrDataRecords)]);
  if (Stated.Read)
    F.RecordsStated = static_cast<int64_t>(Stated.Number);

  if (Info.FieldValid(TGeneralField::NrSignals)) {
    const int64_t Needed = EDFHeaderSize(Info.NrSignals());
    if (Info.NrSignals() == 0)
      F.Checks.push_back({"signals", "the header declares no signals"});
    else if (F.FileSize < Needed)
      F.Checks.push_back({"header_size", "the file holds " + CountText(F.FileSize, "byte") +
                                             ", fewer than the " + std::to_string(Needed) +
                                             " bytes of a header with " +
                                             CountText(Info.NrSignals(), "signal")});
  }
  if (!File.Valid() || File.RecordSamples() <= 0)
    return;

  F.HeaderBytes = Info.HeaderBytes();
  F.RecordBytes = File.SampleBytes() * File.RecordSamples();
  F.Records = Info.NrDataRecords();
  F.TrailingBytes = std::max<int64_t>(F.FileSize - F.HeaderBytes, 0) % F.RecordBytes;
  for (TEDFFileCheck& Check : RecordChecks(File, F.FileSize))
    F.Checks.push_back(std::move(Check));
}

void CollectValues(TEDFFindings& F, const TCustomEDFFile& File) {
  const TCustomEDFFileInfo& Info = *File.FileInfo();
  if (Info.FieldValid(TGeneralField::Version))
    F.Version = EscapeBytes(Info.Version()); // BDF's starts with the byte 255
  else if (F.FileSize >= EDFGeneralHeaderSize)
    F.Version = EscapeBytes(TrimRight(Info.RawHeader()[static_cast<int>(TGeneralField::Version)]));
  if (Info.FieldValid(TGeneralField::StartDate) && Info.FieldValid(TGeneralField::StartTime))
    F.Start = Info.StartDate() + Info.StartTime();
  const bool DurationKnown =
      Info.FieldValid(TGeneralField::SampleRecDuration) && Info.SampleRecDuration() > 0;
  if (DurationKnown)
    F.RecordDuration = Info.SampleRecDuration();
  if (Info.FieldValid(TGeneralField::NrSignals))
    F.NrSignals = Info.NrSignals();
  if (F.FileSize < EDFHeaderSize(File.SignalCount()))
    return; // the signal block is not there
  for (int32_t i = 0; i < File.SignalCount(); ++i) {
    const TCustomEDFSignalInfo& S = *File.GetSignal(i);
    TEDFSignalValues V;
    V.Label = EscapeBytes(S.SignalLabel());
    V.Transducer = EscapeBytes(S.Transducertype());
    V.Unit = EscapeBytes(S.Physidim());
    V.Prefilter = EscapeBytes(S.Prefilter());
    V.NrSamples = S.NrSamples();
    if (DurationKnown && S.FieldValid(TSignalField::NrSamples))
      V.Rate = S.NrSamples() / Info.SampleRecDuration();
    V.Digimin = S.Digimin();
    V.Digimax = S.Digimax();
    V.Physimin = PhysicalLimit(S, TSignalField::Physimin);
    V.Physimax = PhysicalLimit(S, TSignalField::Physimax);
    if (S.GainValid())
      V.Gain = S.Gain();
    else if (V.Physimin && V.Physimax && *V.Physimin != *V.Physimax && S.Digimin() < S.Digimax())
      V.Gain = (*V.Physimax - *V.Physimin) / (S.Digimax() - S.Digimin());
    V.Annotations = IsAnnotationLabel(S.SignalLabel());
    F.Signals.push_back(std::move(V));
  }
}

void CollectPlus(TEDFFindings& F, const TCustomEDFFile& Lenient) {
  const TEDFPlusRecording Plus = ReadEDFPlus(F.File);
  if (!Plus.Readable)
    return;
  TEDFPlusFindings P;
  P.Annotations = static_cast<int64_t>(Plus.Annotations.size());
  P.Records = Plus.NrDataRecords;
  P.RecordOnsets = Plus.RecordDeviations();
  P.ListFaults = Plus.Faults;
  // EDF+C allows no gap; EDF+D allows gaps but no record that starts before the one before it
  // ends (the export could not place its samples in time).
  const bool Continuous = F.Kind == TEDFKind::EDFPlusC || F.Kind == TEDFKind::BDFPlusC;
  std::vector<TEDFRecordDeviation> Failed = P.RecordOnsets;
  if (!Continuous)
    std::erase_if(Failed, [](const TEDFRecordDeviation& D) { return D.Difference() > 0; });
  if (!Failed.empty()) {
    const TEDFRecordDeviation& D = Failed.front();
    const bool One = Failed.size() == 1;
    F.Checks.push_back(
        {"record_onsets",
         CountText(static_cast<int64_t>(Failed.size()), "record") + " of this " +
             std::string(KindName(F.Kind)) + " file " +
             (Continuous
                  ? (One ? "does" : "do") + std::string(" not start one record duration "
                                                        "after the record before")
                  : (One ? "starts" : "start") + std::string(" before the record before ends")) +
             "; the first is record " + std::to_string(D.Record + 1) + " at " + D.Actual.Text +
             " s instead of " + NumberText(D.Expected) + " s"});
  }
  if (!P.ListFaults.empty()) {
    const TEDFPlusFault& Fault = P.ListFaults.front();
    F.Checks.push_back(
        {"annotation_lists",
         CountText(static_cast<int64_t>(P.ListFaults.size()), "damaged annotation list") +
             "; the first in signal " + std::to_string(Fault.Signal + 1) + ", record " +
             std::to_string(Fault.Record + 1) + ", at byte " + std::to_string(Fault.FilePosition) +
             ": " + Fault.Message()});
  }
  P.Conformance = EDFPlusConformance(Lenient);
  if (!P.Conformance.empty())
    F.Checks.push_back(
        {"edf_plus",
         CountText(static_cast<int64_t>(P.Conformance.size()), "EDF+ requirement") + " not met"});
  F.Plus = std::move(P);
}

// EDF+ lets a file of annotation signals only state a record duration of 0; strict reading of
// EDF refuses the duration, EDF+ does not. Such a file is judged without that one field.
bool IsZeroDurationAnnotationFile(const TEDFFindings& F, const TReading& Lenient) {
  if (!IsPlusKind(F.Kind))
    return false;
  const TCustomEDFFile& File = Lenient.File;
  const TCustomEDFFileInfo& Info = *File.FileInfo();
  const TEDFFieldReading Duration =
      ReadField(GeneralHeaderFields[static_cast<int>(TGeneralField::SampleRecDuration)],
                Info.RawHeader()[static_cast<int>(TGeneralField::SampleRecDuration)]);
  if (!Duration.Read || Duration.Number != 0 || File.SignalCount() == 0)
    return false;
  for (int Index = 0; Index < EDFFieldCount; ++Index)
    if (Index != static_cast<int>(TGeneralField::SampleRecDuration) && !Info.FieldValid(Index))
      return false;
  for (int32_t i = 0; i < File.SignalCount(); ++i)
    if (!File.GetSignal(i)->IsValid() || !IsAnnotationLabel(File.GetSignal(i)->SignalLabel()))
      return false;
  return true;
}

void Examine(TEDFFindings& F) {
  struct stat Info {};
  if (::stat(F.File.c_str(), &Info) != 0) {
    F.Error = "Cannot open file \"" + F.File + "\". " + std::generic_category().message(errno);
    return;
  }
  if (S_ISDIR(Info.st_mode)) {
    F.Error = "\"" + F.File + "\" is a folder, not a file";
    return;
  }
  if (!S_ISREG(Info.st_mode)) {
    F.Error = "\"" + F.File + "\" is not a regular file";
    return;
  }

  F.FileSize = Info.st_size;
  TReading Lenient;
  OpenFor(Lenient, F.File, false);
  F.LenientStatus = Lenient.File.Status();
  const TCustomEDFFileInfo& LenientInfo = *Lenient.File.FileInfo();
  F.Kind = KindOf(F, LenientInfo);
  if (F.FileSize < EDFGeneralHeaderSize) {
    // One line says it all; there is no header to judge field by field.
    F.Reason = ShortFileReason(F.FileSize);
    F.Verdict = TEDFVerdict::Unreadable;
    if (F.FileSize < EDFGeneralHeaderSize)
      F.Checks.push_back({"file_size", ShortFileReason(F.FileSize)});
    return;
  }
  TReading Strict;
  OpenFor(Strict, F.File, true);
  F.StrictStatus = Strict.File.Status();

  CollectGeneralFindings(F, *Strict.File.FileInfo(), LenientInfo);
  if (F.FileSize >= EDFHeaderSize(Lenient.File.SignalCount()))
    CollectSignalFindings(F, Lenient.File);
  CollectFileChecks(F, Lenient);
  CollectValues(F, Lenient.File);
  const bool ZeroDuration = IsZeroDurationAnnotationFile(F, Lenient);
  if (IsPlusKind(F.Kind))
    CollectPlus(F, Lenient.File);

  std::string Refusal = HeaderRefusal(Lenient.File, F.FileSize);
  bool StrictValid = Strict.Valid;
  if (ZeroDuration && F.Plus) {
    std::erase_if(F.Findings,
                  [](const TEDFFinding& Finding) { return Finding.Field == "SampleRecDuration"; });
    StrictValid = true;
    Refusal.clear();
    F.RecordDuration = 0;
    F.Records = F.Plus->Records;
  }
  // Strict reading lets every physical limit pass; one that no reading takes counts all the same.
  StrictValid =
      StrictValid && std::none_of(F.Findings.begin(), F.Findings.end(),
                                  [](const TEDFFinding& Finding) { return Finding.Counts; });
  std::size_t Failed = 0;
  for (const TEDFFileCheck& Check : F.Checks)
    Failed += Check.Fails ? 1 : 0;
  F.Verdict = FileVerdict(Refusal, StrictValid, Failed);
  if (F.Verdict == TEDFVerdict::Unreadable)
    F.Reason = Refusal.substr(0, Refusal.find('\n'));
}

} // namespace

std::string_view KindName(TEDFKind Kind) {
  switch (Kind) {
  case TEDFKind::Unknown:
    return "unknown";
  case TEDFKind::EDF:
    return "EDF";
  case TEDFKind::EDFPlusC:
    return "EDF+C";
  case TEDFKind::EDFPlusD:
    return "EDF+D";
  case TEDFKind::BDF:
    return "BDF";
  case TEDFKind::BDFPlusC:
    return "BDF+C";
  case TEDFKind::BDFPlusD:
    return "BDF+D";
  }
  return "unknown";
}

bool IsPlusKind(TEDFKind Kind) {
  return Kind == TEDFKind::EDFPlusC || Kind == TEDFKind::EDFPlusD || Kind == TEDFKind::BDFPlusC ||
         Kind == TEDFKind::BDFPlusD;
}

std::string EscapeBytes(std::string_view Bytes) {
  std::string Text;
  Text.reserve(Bytes.size());
  for (const char C : Bytes) {
    const auto Byte = static_cast<unsigned char>(C);
    if (C == '\\')
      Text += "\\\\";
    else if (IsAsciiPrintable(Byte))
      Text += C;
    else {
      char Hex[8];
      std::snprintf(Hex, sizeof Hex, "\\x%02X", Byte);
      Text += Hex;
    }
  }
  return Text;
}

std::string IsoDateTime(TDateTime Value) {
  return DateText(Value) + "T" + TimeText(Value);
}

TEDFFindings CollectFindings(const std::string& FileName) {
  TEDFFindings F;
  F.File = FileName;
  try {
    Examine(F);
  } catch (const std::exception& E) {
    // Whatever stopped the examination is the file's problem, reported like an open failure.
    F.Verdict = TEDFVerdict::Unreadable;
    F.Error = E.what();
  }
  return F;
}

} // namespace velastrin
