#include "edf/uEDFExportCheck.h"

#include "edf/uEDFFile.h"
#include "edf/uEDFHeader.h"
#include "edf/uEDFLayout.h"
#include "support/uOutputFiles.h"

#include <cerrno>
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

std::string InputRefusal(const std::string& FileName) {
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
  if (Count == 1 && First == 0xFF)
    return "it is a BDF file (version byte 255); only EDF files can be exported";
  if (Status.st_size < EDFGeneralHeaderSize)
    return "the file is too short for an EDF header (" + std::to_string(Status.st_size) + " bytes)";

  try {
    TEDFFile File;
    File.SetFileName(FileName);
    File.SetReadOnly(true);
    File.SetStrict(false);
    File.SetActive(true);
    const TCustomEDFFileInfo& Info = *File.FileInfo();
    if (Info.FieldValid(TGeneralField::NrSignals) &&
        Status.st_size < EDFHeaderSize(Info.NrSignals()))
      return "the file ends inside its header (" + std::to_string(Status.st_size) + " of " +
             std::to_string(EDFHeaderSize(Info.NrSignals())) + " bytes)";
    return OpenFileRefusal(File);
  } catch (const std::exception& Error) {
    return std::string("the file cannot be read: ") + Error.what();
  }
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
