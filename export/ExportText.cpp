#include "export/ExportText.h"

#include "support/uOutputFiles.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace velastrin {

namespace {

constexpr int SignificantDigits = 15;
constexpr int ExponentDigits = 3;
constexpr int64_t MSecsPerDay = 86400000;

void AppendTwoDigits(std::string& S, unsigned Value) {
  S += static_cast<char>('0' + Value / 10 % 10);
  S += static_cast<char>('0' + Value % 10);
}

} // namespace

std::string NumberText(long double Value, char DecimalMark) {
  if (std::isnan(Value))
    return "NAN";
  if (std::isinf(Value))
    return Value < 0 ? "-INF" : "INF";
  if (Value == 0)
    return "0";

  // Rounds to 15 significant digits once; the notation is chosen from the rounded exponent,
  // so 9.999999999999999e14 becomes 1E015 and not 1000000000000000.
  char Buffer[64];
  const auto Result = std::to_chars(Buffer, Buffer + sizeof Buffer, Value,
                                    std::chars_format::scientific, SignificantDigits - 1);
  std::string_view Text(Buffer, static_cast<std::size_t>(Result.ptr - Buffer));
  const bool Negative = Text.front() == '-';
  if (Negative)
    Text.remove_prefix(1);
  const std::size_t EPos = Text.find('e');
  std::string Digits(1, Text[0]);
  if (EPos > 2)
    Digits.append(Text.substr(2, EPos - 2));
  while (Digits.size() > 1 && Digits.back() == '0')
    Digits.pop_back();
  std::string_view ExpText = Text.substr(EPos + 1);
  const bool NegativeExp = ExpText.front() == '-';
  if (ExpText.front() == '-' || ExpText.front() == '+')
    ExpText.remove_prefix(1);
  int Exponent = 0;
  std::from_chars(ExpText.data(), ExpText.data() + ExpText.size(), Exponent);
  if (NegativeExp)
    Exponent = -Exponent;

  std::string Out;
  if (Negative)
    Out += '-';
  if (Exponent >= -4 && Exponent < SignificantDigits) {
    if (Exponent >= 0) {
      const std::size_t IntDigits = static_cast<std::size_t>(Exponent) + 1;
      if (Digits.size() <= IntDigits) {
        Out += Digits;
        Out.append(IntDigits - Digits.size(), '0');
      } else {
        Out.append(Digits, 0, IntDigits);
        Out += DecimalMark;
        Out.append(Digits, IntDigits);
      }
    } else {
      Out += '0';
      Out += DecimalMark;
      Out.append(static_cast<std::size_t>(-Exponent - 1), '0');
      Out += Digits;
    }
    return Out;
  }
  Out += Digits[0];
  if (Digits.size() > 1) {
    Out += DecimalMark;
    Out.append(Digits, 1);
  }
  Out += 'E';
  if (Exponent < 0)
    Out += '-';
  std::string ExpDigits = std::to_string(std::abs(Exponent));
  if (ExpDigits.size() < ExponentDigits)
    Out.append(ExponentDigits - ExpDigits.size(), '0');
  Out += ExpDigits;
  return Out;
}

std::string NumberText(long double Value) {
  return NumberText(Value, FormatSettings().DecimalSeparator);
}

std::string DateTimeText(TDateTime Value) {
  return DateTimeText(Value, FormatSettings().ShortMonthNames);
}

std::string DateTimeText(TDateTime Value, const std::array<std::string, 12>& ShortMonthNames) {
  // The date part counts whole days toward zero and the time is the distance from it, as
  // the serial date-time defines; rounding to the millisecond may roll over to the next day.
  double Day = std::trunc(Value);
  int64_t MSec = std::llround(std::fabs(static_cast<long double>(Value) - Day) * MSecsPerDay);
  if (MSec >= MSecsPerDay) {
    MSec -= MSecsPerDay;
    Day += 1;
  }
  uint16_t Year = 0, Month = 0, DayOfMonth = 0;
  DecodeDate(Day, Year, Month, DayOfMonth);
  const int64_t Secs = MSec / 1000;

  std::string Out;
  Out.reserve(24);
  AppendTwoDigits(Out, DayOfMonth);
  Out += '.';
  if (Month >= 1 && Month <= 12)
    Out += ShortMonthNames[Month - 1];
  Out += '.';
  AppendTwoDigits(Out, Year / 100);
  AppendTwoDigits(Out, Year % 100);
  Out += ' ';
  AppendTwoDigits(Out, static_cast<unsigned>(Secs / 3600));
  Out += '.';
  AppendTwoDigits(Out, static_cast<unsigned>(Secs / 60 % 60));
  Out += '.';
  AppendTwoDigits(Out, static_cast<unsigned>(Secs % 60));
  return Out;
}

std::string SeparatorText(int Choice) {
  switch (static_cast<TSeparatorChoice>(Choice)) {
  case TSeparatorChoice::Space:
    return " ";
  case TSeparatorChoice::Comma:
    return ",";
  case TSeparatorChoice::Tab:
    return "\t";
  case TSeparatorChoice::CRLF:
    break;
  }
  return "\r\n";
}

// ---- TTextFileWriter ----------------------------------------------------------------------

TTextFileWriter::TTextFileWriter(const std::string& FileName, std::size_t BufferSize)
    : FFileName(FileName), FBuffer(BufferSize < 64 ? 64 : BufferSize) {
  FHandle = ::open(FileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (FHandle < 0)
    throw EFCreateError("Cannot create file \"" + FileName + "\". " + std::strerror(errno));
}

TTextFileWriter::TTextFileWriter(int Handle, const std::string& FileName, std::size_t BufferSize)
    : FFileName(FileName), FHandle(Handle), FBuffer(BufferSize < 64 ? 64 : BufferSize) {}

TTextFileWriter::~TTextFileWriter() {
  try {
    Close();
  } catch (...) {
    // The error that ended the export is already on its way; this one would hide it.
  }
}

void TTextFileWriter::WriteInteger(int64_t Value) {
  constexpr std::size_t MaxDigits = 20;
  if (FBuffer.size() - FUsed < MaxDigits)
    Flush();
  const auto Result = std::to_chars(FBuffer.data() + FUsed, FBuffer.data() + FBuffer.size(), Value);
  FUsed = static_cast<std::size_t>(Result.ptr - FBuffer.data());
}

void TTextFileWriter::WriteSamples(const int16_t* Samples, std::size_t Count,
                                   std::string_view Separator, bool Last) {
  constexpr std::size_t MaxSampleChars = 6; // "-32768"
  const std::size_t PerValue = MaxSampleChars + Separator.size();
  const std::size_t RunLength = std::max<std::size_t>(1, (FBuffer.size() - 1) / PerValue);
  std::size_t Done = 0;
  while (Done < Count) {
    const std::size_t Run = std::min(RunLength, Count - Done);
    if (FBuffer.size() - FUsed < Run * PerValue)
      Flush();
    char* Out = FBuffer.data() + FUsed;
    char* const End = FBuffer.data() + FBuffer.size();
    for (std::size_t i = Done; i < Done + Run; ++i) {
      Out = std::to_chars(Out, End, Samples[i]).ptr;
      if (!Last || i + 1 < Count) {
        if (Separator.size() == 1)
          *Out++ = Separator.front();
        else
          Out = std::copy(Separator.begin(), Separator.end(), Out);
      }
    }
    FUsed = static_cast<std::size_t>(Out - FBuffer.data());
    Done += Run;
  }
}

void TTextFileWriter::WriteSlow(std::string_view Text) {
  while (!Text.empty()) {
    if (FUsed == FBuffer.size())
      Flush();
    const std::size_t Part = std::min(Text.size(), FBuffer.size() - FUsed);
    Text.copy(FBuffer.data() + FUsed, Part);
    FUsed += Part;
    Text.remove_prefix(Part);
  }
}

void TTextFileWriter::Flush() {
  if (FHandle < 0)
    RaiseWriteError(EBADF);
  std::size_t Done = 0;
  while (Done < FUsed) {
    const ssize_t Written = ::write(FHandle, FBuffer.data() + Done, FUsed - Done);
    if (Written < 0) {
      if (errno == EINTR)
        continue;
      const int Error = errno;
      // Keep what did not go out yet at the front, so nothing is written twice.
      std::memmove(FBuffer.data(), FBuffer.data() + Done, FUsed - Done);
      FUsed -= Done;
      RaiseWriteError(Error);
    }
    Done += static_cast<std::size_t>(Written);
  }
  if (FWriteBack)
    StartWriteBack(FHandle, FWritten, FUsed);
  FWritten += FUsed;
  FUsed = 0;
}

void TTextFileWriter::Sync() {
  Flush();
  if (::fsync(FHandle) != 0)
    RaiseWriteError(errno);
}

void TTextFileWriter::Close() {
  if (FHandle < 0)
    return;
  try {
    Flush();
  } catch (const EWriteError&) { // the only failure of Flush; the handle goes all the same
    ::close(FHandle);
    FHandle = -1;
    throw;
  }
  const int Result = ::close(FHandle);
  FHandle = -1;
  if (Result != 0)
    RaiseWriteError(errno);
}

void TTextFileWriter::RaiseWriteError(int ErrorCode) const {
  throw EWriteError("Cannot write file \"" + FFileName + "\". " + std::strerror(ErrorCode));
}

} // namespace velastrin
