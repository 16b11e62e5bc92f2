#include "edf/uEDFExportCheck.h"

#include "edf/uEDFFieldKind.h"
#include "edf/uEDFFile.h"
#include "edf/uEDFHeader.h"
#include "edf/uEDFLayout.h"
#include "edf/uEDFPlus.h"
#include "support/uOutputFiles.h"
#include "support/udStr.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace velastrin {

namespace {

// A broken header can hold thousands of signals; a person needs the first few lines.
constexpr int MaxFieldLines = 20;

// Serial date-time bounds of the calendar the date-time text can show, both exclusive: the
// date part counts toward zero, so anything above -693594 is 1 January of year 1 or later;
// the text rounds to the millisecond, so the end lies half a millisecond before year 10000.
constexpr double BeforeCalendar = -693594;
constexpr double EndOfCalendar = 2958466 - 0.5 / 86400000.0;

std::string SystemReason(int Error) {
  return std::generic_category().message(Error);
}

// A raw field text as a person can read it: quoted, every byte outside printable ASCII as
// \xHH, so that blanks, NULs and stray bytes are all visible.
std::string QuotedRaw(const std::string& Raw) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  std::string Out = "\"";
  for (const char C : Raw) {
    const auto Byte = static_cast<unsigned char>(C);
    if (Byte == '"' || Byte == '\\') {
      Out += '\\';
      Out += C;
    } else if (Byte < 0x20 || Byte > 0x7E) {
      Out += "\\x";
      Out += Hex[Byte >> 4];
      Out += Hex[Byte & 0xF];
    } else {
      Out += C;
    }
  }
  return Out + '"';
}

class TFieldLines {
public:
  explicit TFieldLines(std::string& Out) : FOut(Out) {}
  ~TFieldLines() {
    if (FCount > MaxFieldLines)
      FOut += "\n  ... and " + std::to_string(FCount - MaxFieldLines) + " more fields";
  }
  TFieldLines(const TFieldLines&) = delete;
  TFieldLines& operator=(const TFieldLines&) = delete;

  // Signal is 1-based; 0 for the general header.
  void Add(std::string_view Field, int32_t Signal, const std::string& Raw) {
    if (++FCount > MaxFieldLines)
      return;
    FOut += "\n  ";
    if (Signal > 0)
      FOut += "signal " + std::to_string(Signal) + " ";
    FOut += "field ";
    FOut += Field;
    FOut += ": " + QuotedRaw(Raw);
  }

private:
  std::string& FOut;
  int FCount = 0;
};

std::string InvalidHeaderText(TCustomEDFFile& File) {
  std::string Out = "the header is not valid";
  const TCustomEDFFileInfo* Info = File.FileInfo();
  if (!Info)
    return Out;
  TFieldLines Lines(Out);
  for (int Index = 0; Index < EDFFieldCount; ++Index)
    if (!Info->FieldValid(Index))
      Lines.Add(GeneralHeaderFieldNames[static_cast<std::size_t>(Index)], 0,
                Info->RawHeader()[Index]);
  for (int32_t Signal = 0; Signal < File.SignalCount(); ++Signal) {
    const TCustomEDFSignalInfo& Record = *File.GetSignal(Signal);
    for (int Index = 0; Index < EDFFieldCount; ++Index) {
      // The physical limits only decide the gain; they do not make a signal invalid.
      const auto Field = static_cast<TSignalField>(Index);
      if (Field == TSignalField::Physimin || Field == TSignalField::Physimax)
        continue;
      if (!Record.FieldValid(Index))
        Lines.Add(SignalHeaderFieldNames[static_cast<std::size_t>(Index)], Signal + 1,
                  Record.RawHeader()[Index]);
    }
  }
  return Out;
}

bool InCalendar(double DateTime) {
  return std::isfinite(DateTime) && DateTime > BeforeCalendar && DateTime < EndOfCalendar;
}

} // namespace

std::string OpenFileRefusal(TCustomEDFFile& File) {
  if (!File.IsValid())
    return InvalidHeaderText(File);
  const TCustomEDFFileInfo& Info = *File.FileInfo();
  bool StopInCalendar = false;
  try {
    StopInCalendar = InCalendar(Info.GetStopDateTime());
  } catch (const std::exception&) {
    StopInCalendar = false;
  }
  if (!StopInCalendar) {
    std::string Out = "the stop time lies outside the calendar (years 1 to 9999)";
    TFieldLines Lines(Out);
    Lines.Add(GeneralHeaderFieldNames[static_cast<int>(TGeneralField::NrDataRecords)], 0,
              Info.RawHeader()[static_cast<int>(TGeneralField::NrDataRecords)]);
    Lines.Add(GeneralHeaderFieldNames[static_cast<int>(TGeneralField::SampleRecDuration)], 0,
              Info.RawHeader()[static_cast<int>(TGeneralField::SampleRecDuration)]);
    return Out;
  }
  return {};
}

std::string InputRefusal(const std::string& FileName, bool AcceptBDF) {
  if (FileName.empty())
    return "no file name given";
  struct stat Status {};
  if (::stat(FileName.c_str(), &Status) != 0) {
    const int Error = errno;
    if (Error == ENOENT || Error == ENOTDIR)
      return "the file does not exist";
    return "the file cannot be examined: " + SystemReason(Error);
  }
  if (S_ISDIR(Status.st_mode))
    return "it is a folder, not a file";
  if (!S_ISREG(Status.st_mode))
    return "it is not a regular file";

  const int Handle = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (Handle < 0)
    return "the file cannot be read: " + SystemReason(errno);
  unsigned char First = 0;
  const ssize_t Count = ::read(Handle, &First, 1);
  const int ReadError = errno;
  ::close(Handle);
  if (Count < 0)
    return "the file cannot be read: " + SystemReason(ReadError);
  // BDF marks itself with the byte 255 where EDF has the digit "0".
  if (Count == 1 && First == 0xFF && !AcceptBDF)
    return std::string(BDFExportRefusal);
  if (Status.st_size < EDFGeneralHeaderSize)
    return ShortFileReason(Status.st_size);

  try {
    TEDFFile File;
    File.SetFileName(FileName);
    File.SetReadOnly(true);
    File.SetStrict(false);
    File.SetAcceptBDF(AcceptBDF);
    File.SetActive(true);
    return HeaderRefusal(File, Status.st_size);
  } catch (const std::exception& Error) {
    return std::string("the file cannot be read: ") + Error.what();
  }
}

std::string HeaderRefusal(TCustomEDFFile& File, int64_t FileSize) {
  if (FileSize < EDFGeneralHeaderSize)
    return ShortFileReason(FileSize);
  const TCustomEDFFileInfo& Info = *File.FileInfo();
  if (Info.FieldValid(TGeneralField::NrSignals) && FileSize < EDFHeaderSize(Info.NrSignals()))
    return "the file ends inside its header (" + std::to_string(FileSize) + " of " +
           std::to_string(EDFHeaderSize(Info.NrSignals())) + " bytes)";
  return OpenFileRefusal(File);
}

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

TEDFVerdict FileVerdict(const std::string& Refusal, bool StrictValid, std::size_t FailedChecks) {
  if (!Refusal.empty())
    return TEDFVerdict::Unreadable;
  return StrictValid && FailedChecks == 0 ? TEDFVerdict::Valid : TEDFVerdict::Lenient;
}

std::string ShortFileReason(int64_t FileSize) {
  return "the file holds " + CountText(FileSize, "byte") + ", fewer than the " +
         std::to_string(EDFGeneralHeaderSize) + " of a header";
}

std::string CountText(int64_t Count, std::string_view Noun) {
  return std::to_string(Count) + " " + std::string(Noun) + (Count == 1 ? "" : "s");
}

std::vector<TEDFFileCheck> RecordChecks(const TCustomEDFFile& File, int64_t FileSize) {
  std::vector<TEDFFileCheck> Checks;
  if (!File.Valid() || File.RecordSamples() <= 0)
    return Checks;
  const TCustomEDFFileInfo& Info = *File.FileInfo();
  int32_t Stated = 0;
  const std::string& StatedText =
      Info.LoadedHeader()[static_cast<int>(TGeneralField::NrDataRecords)];
  const TEDFFieldReading Count =
      ReadField(GeneralHeaderFields[static_cast<int>(TGeneralField::NrDataRecords)], StatedText);
  const bool HasStated = Count.Read;
  if (HasStated)
    Stated = static_cast<int32_t>(Count.Number);
  const int64_t RecordBytes = File.SampleBytes() * File.RecordSamples();
  const int64_t Data = std::max<int64_t>(FileSize - Info.HeaderBytes(), 0);
  const int64_t Whole = Data / RecordBytes;
  const int64_t Trailing = Data % RecordBytes;
  const std::string Holds = "the file holds " + CountText(Whole, "whole record");
  if (HasStated && Stated < 0)
    Checks.push_back(
        {"record_count",
         "the header gives the record count as " + std::to_string(Stated) + " (unknown); " + Holds,
         false});
  else if (HasStated && Stated != Whole)
    Checks.push_back(
        {"record_count", "the header states " + CountText(Stated, "record") + "; " + Holds});
  if (Trailing > 0) {
    if (HasStated && Stated > Whole)
      Checks.push_back(
          {"partial_record", "the last record is cut short: " + std::to_string(Trailing) + " of " +
                                 CountText(RecordBytes, "byte") + " present, " +
                                 std::to_string(RecordBytes - Trailing) + " missing"});
    else
      Checks.push_back({"trailing_bytes",
                        CountText(Trailing, "byte") + " left over after the last whole record"});
  }
  // Record size and duration are EDF's recommendations: reported, never a fault.
  if (File.Status() & esRecordTooLarge)
    Checks.push_back({"record_size",
                      "one data record takes " + CountText(RecordBytes, "byte") +
                          ", more than the " + std::to_string(EDFMaxRecordBytes) +
                          " bytes EDF recommends",
                      false});
  if (File.Status() & esRecordTooShort) {
    char Text[40];
    const auto Result =
        std::to_chars(Text, Text + sizeof Text, static_cast<double>(Info.SampleRecDuration()));
    Checks.push_back({"record_duration",
                      "records last " + std::string(Text, Result.ptr) +
                          " s although records of 1 s would stay within the " +
                          std::to_string(EDFMaxRecordBytes) + " bytes EDF recommends",
                      false});
  }
  return Checks;
}

std::string LenientReadingNote(const TCustomEDFFile& File, int64_t FileSize,
                               const std::string& FileName,
                               const std::vector<std::string>& ReadChecks) {
  const TCustomEDFFileInfo& Info = *File.FileInfo();
  int64_t Fields = 0;
  const TEDFFormat Format = File.Format();
  for (int Index = 0; Index < EDFFieldCount; ++Index)
    if (!ReadField(GeneralFields(Format)[static_cast<std::size_t>(Index)],
                   Info.LoadedHeader()[Index])
             .Strict)
      ++Fields;
  for (int32_t i = 0; i < File.SignalCount(); ++i)
    for (int Index = 0; Index < EDFFieldCount; ++Index) {
      const auto Field = static_cast<TSignalField>(Index);
      const TCustomEDFSignalInfo& Signal = *File.GetSignal(i);
      if (Field == TSignalField::Physimin || Field == TSignalField::Physimax)
        Fields += PhysicalLimit(Signal, Field) ? 0 : 1;
      else if (!ReadField(SignalFields(Format)[static_cast<std::size_t>(Index)],
                          Signal.RawHeader()[Index])
                    .Strict)
        ++Fields;
    }
  std::string Parts = Fields > 0 ? CountText(Fields, "header field") : std::string();
  for (const TEDFFileCheck& Check : RecordChecks(File, FileSize))
    if (Check.Fails)
      Parts += (Parts.empty() ? "" : ", ") + Check.Check;
  if (EDFPlusKindOf(Info.Reserved(), Format) != TEDFPlusKind::None &&
      !EDFPlusConformance(File).empty())
    Parts += (Parts.empty() ? "" : ", ") + std::string("edf_plus");
  for (const std::string& Check : ReadChecks)
    Parts += (Parts.empty() ? "" : ", ") + Check;
  if (Parts.empty())
    return {};
  return "read leniently: " + Parts + "; see velastrin check " + FileName;
}

std::optional<long double> PhysicalLimit(const TCustomEDFSignalInfo& Signal, TSignalField Field) {
  const auto Index = static_cast<int>(Field);
  if (Signal.FieldValid(Index))
    return Field == TSignalField::Physimin ? Signal.Physimin() : Signal.Physimax();
  const std::string& Raw = Signal.RawHeader()[Index];
  const TEDFFieldReading R = ReadField(SignalHeaderFields[static_cast<std::size_t>(Index)], Raw,
                                       GuessNumberFormat(Trim(Raw)));
  if (!R.Read)
    return std::nullopt;
  return R.Number;
}

std::string SignalRefusal(const TCustomEDFFile& File, int SignalNumber) {
  if (SignalNumber < 1 || SignalNumber > File.SignalCount())
    return {};
  const TCustomEDFSignalInfo& Signal = *File.GetSignal(SignalNumber - 1);
  std::string Out;
  for (TSignalField Field : {TSignalField::Physimin, TSignalField::Physimax}) {
    if (PhysicalLimit(Signal, Field))
      continue;
    const auto Index = static_cast<int>(Field);
    if (Out.empty())
      Out = "the physical limits of signal " + std::to_string(SignalNumber) +
            " cannot be read, so the formula to physical values is unknown";
    Out += "\n  signal " + std::to_string(SignalNumber) + " field " +
           std::string(SignalHeaderFieldNames[static_cast<std::size_t>(Index)]) + ": " +
           QuotedRaw(Signal.RawHeader()[Index]);
  }
  return Out;
}

std::string OutputClash(const std::string& InputName, const std::string& InfoName,
                        const std::string& DataName) {
  if (SameFile(InfoName, InputName))
    return "The information file \"" + InfoName + "\" is the input file \"" + InputName +
           "\"; nothing was written";
  if (SameFile(DataName, InputName))
    return "The data file \"" + DataName + "\" is the input file \"" + InputName +
           "\"; nothing was written";
  bool Same = SameFile(InfoName, DataName);
  if (!Same) {
    // Two names of one file that does not exist yet: the second output would replace the
    // first. Links among missing files are no concern: nothing exists to lose.
    std::error_code Error;
    const auto CanonicalInfo = std::filesystem::weakly_canonical(InfoName, Error);
    const auto CanonicalData =
        Error ? std::filesystem::path() : std::filesystem::weakly_canonical(DataName, Error);
    Same = !Error && !CanonicalInfo.empty() && CanonicalInfo == CanonicalData;
  }
  if (Same)
    return "The information file \"" + InfoName + "\" and the data file \"" + DataName +
           "\" are the same file; nothing was written";
  return {};
}

} // namespace velastrin
