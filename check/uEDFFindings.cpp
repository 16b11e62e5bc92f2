// The findings engine. The data model decides what strict and lenient reading accept; this unit
// only looks at the raw texts again to say in words why a field was refused.
#include "check/uEDFFindings.h"

#include "edf/uEDF.h"
#include "support/udStr.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <sys/stat.h>
#include <system_error>

namespace velastrin {

namespace {

std::string Join(const std::vector<std::string>& Parts) {
  std::string Text;
  for (const std::string& Part : Parts)
    Text += (Text.empty() ? "" : "; ") + Part;
  return Text;
}

std::string HexByte(unsigned char Byte) {
  char Text[8];
  std::snprintf(Text, sizeof Text, "0x%02X", Byte);
  return Text;
}

bool IsAsciiPrintable(unsigned char Byte) {
  return Byte >= 32 && Byte <= 126;
}

bool HasChar(const std::string& S, char Ch) {
  return S.find(Ch) != std::string::npos;
}

// Shortest text that reads back as the same double; never the user's locale.
std::string NumberText(long double Value) {
  char Text[40];
  const auto Result = std::to_chars(Text, Text + sizeof Text, static_cast<double>(Value));
  return std::string(Text, Result.ptr);
}

bool ReadInt64(const std::string& Raw, int64_t& Value) {
  return IsInteger(Raw) && TryStrToInt64(Trim(Raw), Value);
}

// A number in the strict form: "." as decimal mark, no thousands separator. Parsed here
// without the library's separator routines, which also accept the process decimal mark.
bool ReadPlainNumber(const std::string& Trimmed, double& Value) {
  std::string_view Text = Trimmed;
  if (Text.starts_with('+'))
    Text.remove_prefix(1);
  if (Text.empty() || Text.front() == '+')
    return false;
  const auto Result = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  return Result.ec == std::errc() && Result.ptr == Text.data() + Text.size() &&
         std::isfinite(Value);
}

bool IsPlainNumber(const std::string& Trimmed) {
  double Value = 0;
  return ReadPlainNumber(Trimmed, Value);
}

// ---- Why a field was refused ----------------------------------------------------------------

// Free text: printable ASCII without leading blanks. Trailing blanks and controls are padding.
std::vector<std::string> TextProblems(const std::string& Raw) {
  std::vector<std::string> Problems;
  const std::string Stored = TrimRight(Raw);
  if (!IsLeftAligned(Stored))
    Problems.push_back("not left-aligned");
  int Count = 0;
  unsigned char First = 0;
  for (const char C : Stored) {
    const auto Byte = static_cast<unsigned char>(C);
    if (IsAsciiPrintable(Byte))
      continue;
    if (Count++ == 0)
      First = Byte;
  }
  if (Count == 1)
    Problems.push_back("byte " + HexByte(First) + " is not printable ASCII");
  else if (Count > 1)
    Problems.push_back(std::to_string(Count) + " bytes are not printable ASCII (first " +
                       HexByte(First) + ")");
  return Problems;
}

std::string SeparatorProblem(const std::string& Trimmed) {
  const bool Comma = HasChar(Trimmed, ',');
  const bool Point = HasChar(Trimmed, '.');
  if (Comma && !Point)
    return "decimal comma";
  if (Comma && Point)
    return "thousands separator";
  return "not a number";
}

// A decimal number (record duration, physical limits).
std::vector<std::string> DecimalProblems(const std::string& Raw, bool MustAlign) {
  const std::string T = Trim(Raw);
  if (T.empty())
    return {"empty"};
  std::vector<std::string> Problems;
  if (MustAlign && !IsLeftAligned(Raw))
    Problems.push_back("not left-aligned");
  if (!IsPlainNumber(T))
    Problems.push_back(SeparatorProblem(T));
  return Problems;
}

// An integer field; Minimum is the smallest value the field allows.
std::vector<std::string> IntegerProblems(const std::string& Raw, int64_t Minimum) {
  const std::string T = Trim(Raw);
  if (T.empty())
    return {"empty"};
  std::vector<std::string> Problems;
  if (!IsLeftAligned(Raw))
    Problems.push_back("not left-aligned");
  int64_t Value = 0;
  if (!ReadInt64(Raw, Value))
    Problems.push_back(IsPlainNumber(T) ? "not an integer (written with a fraction)"
                                        : "not an integer");
  else if (Value < Minimum)
    Problems.push_back(Minimum == 0   ? "negative"
                       : Minimum == 1 ? "not greater than 0"
                                      : "below " + std::to_string(Minimum));
  return Problems;
}

// A digital limit; the pair's order is judged by the caller.
std::vector<std::string> DigitalProblems(const std::string& Raw) {
  const std::string T = Trim(Raw);
  if (T.empty())
    return {"empty"};
  std::vector<std::string> Problems;
  if (!IsLeftAligned(Raw))
    Problems.push_back("not left-aligned");
  int64_t Value = 0;
  if (ReadInt64(Raw, Value)) {
    if (Value < -32768 || Value > 32767)
      Problems.push_back("outside -32768 to 32767");
  } else {
    Problems.push_back(IsPlainNumber(T) ? "not an integer (written with a fraction)"
                                        : "not an integer");
  }
  return Problems;
}

// "dd.mm.yy" or "hh.nn.ss": two digits per part, "." between them.
std::vector<std::string> DateTimeProblems(const std::string& Raw, bool IsTime, bool Lenient) {
  const std::string T = Trim(Raw);
  if (T.empty())
    return {"empty"};
  const char* What = IsTime ? "time" : "date";
  const char* Form = IsTime ? "hh.nn.ss" : "dd.mm.yy";
  std::vector<std::string> Problems;
  char Separator = 0;
  for (const char C : T)
    if (!IsDigit(C) && C != ' ' && C != '.' && Separator == 0)
      Separator = C;
  if (Separator != 0)
    Problems.push_back(std::string(What) + " uses '" + EscapeBytes(std::string(1, Separator)) +
                       "' instead of '.'");
  bool Shape = Raw.size() == 8;
  for (std::size_t i = 0; Shape && i < 8; ++i)
    Shape = (i == 2 || i == 5) ? !IsDigit(Raw[i]) : IsDigit(Raw[i]);
  if (!Shape)
    Problems.push_back(std::string("not in the form ") + Form + " (two digits per part)");
  if (!Lenient && Separator == 0 && Shape)
    Problems.push_back(std::string("not a real ") + What);
  else if (!Lenient)
    Problems.push_back(std::string("no ") + What + " even when read leniently");
  return Problems;
}

std::string GeneralProblem(TGeneralField Field, const TEDFRawGeneralHeader& Raw,
                           const TCustomEDFFileInfo& Strict, bool Lenient) {
  const std::string& Text = Raw[static_cast<int>(Field)];
  switch (Field) {
  case TGeneralField::Version:
    if (!Text.empty() && static_cast<unsigned char>(Text[0]) == 0xFF)
      return "version byte 255: a BDF file (24-bit samples), not read as EDF";
    if (Trim(Text) == "0")
      return "not left-aligned";
    return "version is \"" + EscapeBytes(TrimRight(Text)) + "\", not \"0\"";
  case TGeneralField::Patient:
  case TGeneralField::Recording:
  case TGeneralField::Reserved:
    return Join(TextProblems(Text));
  case TGeneralField::StartDate:
    return Join(DateTimeProblems(Text, false, Lenient));
  case TGeneralField::StartTime:
    return Join(DateTimeProblems(Text, true, Lenient));
  case TGeneralField::HeaderBytes: {
    std::vector<std::string> Problems = IntegerProblems(Text, 0);
    // Leading blanks are allowed in this one field.
    std::erase(Problems, std::string("not left-aligned"));
    if (!Problems.empty())
      return Join(Problems);
    if (!Strict.FieldValid(TGeneralField::NrSignals))
      return "cannot be checked: NrSignals is not valid";
    int64_t Value = 0;
    ReadInt64(Text, Value);
    const int64_t Expected = EDFHeaderSize(Strict.NrSignals());
    return "header size " + std::to_string(Value) + " does not match " +
           std::to_string(Strict.NrSignals()) + " signals (" + std::to_string(Expected) +
           " expected)";
  }
  case TGeneralField::NrDataRecords:
    return Join(IntegerProblems(Text, -1));
  case TGeneralField::SampleRecDuration: {
    std::vector<std::string> Problems = DecimalProblems(Text, true);
    double Value = 0;
    if (Problems.empty() && ReadPlainNumber(Trim(Text), Value) && Value <= 0)
      Problems.push_back("not greater than 0");
    return Join(Problems);
  }
  case TGeneralField::NrSignals:
    return Join(IntegerProblems(Text, 0));
  }
  return {};
}

// A digital limit as lenient reading takes it: an integer, or a number without fraction.
std::optional<long double> DigitalValue(const std::string& Raw) {
  int64_t Value = 0;
  if (ReadInt64(Raw, Value))
    return static_cast<long double>(Value);
  double V = 0;
  if (!ReadPlainNumber(Trim(Raw), V) || V != std::trunc(V))
    return std::nullopt;
  return V;
}

std::string SignalProblem(TSignalField Field, const TEDFRawSignalHeader& Raw) {
  const std::string& Text = Raw[static_cast<int>(Field)];
  switch (Field) {
  case TSignalField::SignalLabel:
  case TSignalField::Transducertype:
  case TSignalField::Physidim:
  case TSignalField::Prefilter:
  case TSignalField::Reserved:
    return Join(TextProblems(Text));
  case TSignalField::Physimin:
    return Join(DecimalProblems(Text, false));
  case TSignalField::Physimax:
    return Join(DecimalProblems(Text, true));
  case TSignalField::Digimin:
  case TSignalField::Digimax: {
    std::vector<std::string> Problems = DigitalProblems(Text);
    const auto Min = DigitalValue(Raw[static_cast<int>(TSignalField::Digimin)]);
    const auto Max = DigitalValue(Raw[static_cast<int>(TSignalField::Digimax)]);
    if (Min && Max && *Min >= *Max)
      Problems.push_back("Digimin not below Digimax (" + NumberText(*Min) + " and " +
                         NumberText(*Max) + ")");
    return Join(Problems);
  }
  case TSignalField::NrSamples:
    return Join(IntegerProblems(Text, 1));
  }
  return {};
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
  int64_t Value = 0;
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
  case TGeneralField::NrDataRecords: // the record's own value is replaced by the derived count
    return ReadInt64(Raw, Value) ? std::to_string(Value) : std::string();
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
  const std::string& Version = Info.RawHeader()[static_cast<int>(TGeneralField::Version)];
  if (!Version.empty() && static_cast<unsigned char>(Version[0]) == 0xFF)
    return TEDFKind::BDF;
  const std::string& Reserved = Info.RawHeader()[static_cast<int>(TGeneralField::Reserved)];
  if (Reserved.starts_with("EDF+C"))
    return TEDFKind::EDFPlusC;
  if (Reserved.starts_with("EDF+D"))
    return TEDFKind::EDFPlusD;
  return TEDFKind::EDF;
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
    Finding.Problem = GeneralProblem(Field, Strict.RawHeader(), Strict, Finding.Lenient);
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
    Signal.SetStrict(true); // stores and parses
  }
  for (int Index = 0; Index < EDFFieldCount; ++Index) {
    const auto Field = static_cast<TSignalField>(Index);
    for (int32_t i = 0; i < Count; ++i) {
      if (Strict[static_cast<std::size_t>(i)].FieldValid(Index))
        continue;
      const TCustomEDFSignalInfo& Loose = *Lenient.GetSignal(i);
      TEDFFinding Finding;
      Finding.Field = std::string(SignalHeaderFields[static_cast<std::size_t>(Index)].Name);
      Finding.Signal = i + 1;
      Finding.Offset = SignalFieldOffset(Field, Count, i);
      Finding.Width = SignalFieldWidth(Field);
      Finding.Raw = Loose.RawHeader()[Index];
      Finding.Lenient = Loose.FieldValid(Index);
      Finding.Problem = SignalProblem(Field, Loose.RawHeader());
      if (Finding.Problem.empty())
        Finding.Problem = "refused by strict reading";
      if (Finding.Lenient)
        Finding.Value = SignalValue(Field, Loose);
      Finding.Counts = Field != TSignalField::Physimin && Field != TSignalField::Physimax;
      F.Findings.push_back(std::move(Finding));
    }
  }
}

void CollectFileChecks(TEDFFindings& F, const TReading& Lenient) {
  const TCustomEDFFile& File = Lenient.File;
  const TCustomEDFFileInfo& Info = *File.FileInfo();
  int64_t Stated = 0;
  const bool HasStated =
      ReadInt64(Info.LoadedHeader()[static_cast<int>(TGeneralField::NrDataRecords)], Stated);
  if (HasStated)
    F.RecordsStated = Stated;

  if (Info.FieldValid(TGeneralField::NrSignals)) {
    const int64_t Needed = EDFHeaderSize(Info.NrSignals());
    if (Info.NrSignals() == 0)
      F.Checks.push_back({"signals", "the header declares no signals"});
    else if (F.FileSize < Needed)
      F.Checks.push_back({"header_size", "the file holds " + std::to_string(F.FileSize) +
                                             " bytes, fewer than the " + std::to_string(Needed) +
                                             " bytes of a header with " +
                                             std::to_string(Info.NrSignals()) + " signals"});
  }
  if (!File.Valid() || File.RecordSamples() <= 0)
    return;

  F.HeaderBytes = Info.HeaderBytes();
  F.RecordBytes = 2 * File.RecordSamples();
  F.Records = Info.NrDataRecords();
  const int64_t Data = std::max<int64_t>(F.FileSize - F.HeaderBytes, 0);
  const int64_t Whole = Data / F.RecordBytes;
  F.TrailingBytes = Data % F.RecordBytes;
  const std::string Holds = "the file holds " + std::to_string(Whole) + " whole records";
  if (HasStated && Stated < 0)
    F.Checks.push_back({"record_count", "the header gives the record count as " +
                                            std::to_string(Stated) + " (unknown); " + Holds});
  else if (HasStated && (Stated != Whole || F.TrailingBytes != 0))
    F.Checks.push_back(
        {"record_count", "the header states " + std::to_string(Stated) + " records; " + Holds});
  if (F.TrailingBytes > 0) {
    if (HasStated && Stated > Whole)
      F.Checks.push_back(
          {"partial_record", "the last record is cut short: " + std::to_string(F.TrailingBytes) +
                                 " of " + std::to_string(F.RecordBytes) + " bytes present, " +
                                 std::to_string(F.RecordBytes - F.TrailingBytes) + " missing"});
    else
      F.Checks.push_back({"trailing_bytes", std::to_string(F.TrailingBytes) +
                                                " bytes left over after the last whole record"});
  }
  if (F.LenientStatus & esRecordTooLarge)
    F.Checks.push_back({"record_size", "one data record takes " + std::to_string(F.RecordBytes) +
                                           " bytes, more than the " +
                                           std::to_string(EDFMaxRecordBytes) +
                                           " bytes EDF recommends"});
  if (F.LenientStatus & esRecordTooShort)
    F.Checks.push_back({"record_duration", "records last " + NumberText(Info.SampleRecDuration()) +
                                               " s although records of 1 s would stay within the " +
                                               std::to_string(EDFMaxRecordBytes) +
                                               " bytes EDF recommends"});
}

void CollectValues(TEDFFindings& F, const TCustomEDFFile& File) {
  const TCustomEDFFileInfo& Info = *File.FileInfo();
  if (Info.FieldValid(TGeneralField::Version))
    F.Version = Info.Version();
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
    if (S.FieldValid(TSignalField::Physimin))
      V.Physimin = S.Physimin();
    if (S.FieldValid(TSignalField::Physimax))
      V.Physimax = S.Physimax();
    if (S.GainValid())
      V.Gain = S.Gain();
    V.Annotations = IsAnnotationLabel(S.SignalLabel());
    F.Signals.push_back(std::move(V));
  }
}

void CollectPlus(TEDFFindings& F) {
  const TEDFPlusRecording Plus = ReadEDFPlus(F.File);
  if (!Plus.Readable)
    return;
  TEDFPlusFindings P;
  P.Annotations = static_cast<int64_t>(Plus.Annotations.size());
  P.RecordOnsets = Plus.RecordDeviations();
  P.ListFaults = Plus.Faults;
  if (F.Kind == TEDFKind::EDFPlusC && !P.RecordOnsets.empty()) {
    const TEDFRecordDeviation& D = P.RecordOnsets.front();
    F.Checks.push_back({"record_onsets", std::to_string(P.RecordOnsets.size()) +
                                             " records of this EDF+C file do not start one record "
                                             "duration after the record before; the first is "
                                             "record " +
                                             std::to_string(D.Record + 1) + " at " + D.Actual.Text +
                                             " s instead of " + NumberText(D.Expected) + " s"});
  }
  if (!P.ListFaults.empty()) {
    const TEDFPlusFault& Fault = P.ListFaults.front();
    F.Checks.push_back(
        {"annotation_lists",
         std::to_string(P.ListFaults.size()) + " damaged annotation lists; the first in signal " +
             std::to_string(Fault.Signal + 1) + ", record " + std::to_string(Fault.Record + 1) +
             ", at byte " + std::to_string(Fault.FilePosition) + ": " + Fault.Message()});
  }
  F.Plus = std::move(P);
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
  TReading Strict;
  OpenFor(Strict, F.File, true);
  TReading Lenient;
  OpenFor(Lenient, F.File, false);
  F.StrictStatus = Strict.File.Status();
  F.LenientStatus = Lenient.File.Status();
  F.Verdict = Strict.Valid    ? TEDFVerdict::Valid
              : Lenient.Valid ? TEDFVerdict::Lenient
                              : TEDFVerdict::Unreadable;
  const TCustomEDFFileInfo& LenientInfo = *Lenient.File.FileInfo();
  F.Kind = KindOf(F, LenientInfo);

  if (F.FileSize < EDFGeneralHeaderSize) {
    F.Checks.push_back({"file_size", "the file holds " + std::to_string(F.FileSize) +
                                         " bytes, fewer than the 256 of a general header"});
    return;
  }
  CollectGeneralFindings(F, *Strict.File.FileInfo(), LenientInfo);
  if (F.FileSize >= EDFHeaderSize(Lenient.File.SignalCount()))
    CollectSignalFindings(F, Lenient.File);
  CollectFileChecks(F, Lenient);
  CollectValues(F, Lenient.File);
  if (F.Kind == TEDFKind::EDFPlusC || F.Kind == TEDFKind::EDFPlusD)
    CollectPlus(F);
}

} // namespace

std::string_view VerdictName(TEDFVerdict Verdict) {
  switch (Verdict) {
  case TEDFVerdict::Valid:
    return "valid";
  case TEDFVerdict::Lenient:
    return "lenient";
  case TEDFVerdict::Unreadable:
    return "unreadable";
  }
  return "unreadable";
}

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
  }
  return "unknown";
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
