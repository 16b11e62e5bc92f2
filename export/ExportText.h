// The text forms of the export: number text, date-time text, the separators, and the
// buffered writer both output files go through.
#pragma once

#include "support/uSysUtils.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velastrin {

// General number text with at most 15 significant digits and no trailing zeros. Fixed
// notation for 0.0001 <= |Value| < 1e15 and for zero, otherwise scientific with an exponent
// of at least three digits ("9.15541313801785E-008", "1.5E020"). Never depends on the C
// library's locale; DecimalMark is the user's decimal separator.
std::string NumberText(long double Value, char DecimalMark);
// The same with FormatSettings().DecimalSeparator.
std::string NumberText(long double Value);

// "dd.MMM.yyyy hh.nn.ss" with the short month names of FormatSettings(), after rounding Value
// to the nearest millisecond; the fraction of the second is not shown.
std::string DateTimeText(TDateTime Value);
// The same with the given short month names (January first).
std::string DateTimeText(TDateTime Value, const std::array<std::string, 12>& ShortMonthNames);

// The separator choices of the export, in the order of the radio group.
enum class TSeparatorChoice : int { Space = 0, Comma = 1, Tab = 2, CRLF = 3 };
inline constexpr int SeparatorChoiceCount = 4;
// " ", ",", the tab character (code 9) or "\r\n". Choices outside 0..3 give CRLF.
std::string SeparatorText(int Choice);

// Creates or truncates a file and writes 8-bit text through a buffer of its own. Close()
// reports a failed flush; the destructor still flushes what it holds (best effort), so an
// export that stops keeps every value it wrote.
class TTextFileWriter {
public:
  // Raises EFCreateError "Cannot create file "%s". %s" when the file cannot be created.
  explicit TTextFileWriter(const std::string& FileName, std::size_t BufferSize = 1 << 18);
  // Writes to a descriptor opened for writing by the caller; the writer closes it. FileName
  // names it in error messages.
  TTextFileWriter(int Handle, const std::string& FileName, std::size_t BufferSize = 1 << 18);
  ~TTextFileWriter();
  TTextFileWriter(const TTextFileWriter&) = delete;
  TTextFileWriter& operator=(const TTextFileWriter&) = delete;

  void Write(std::string_view Text) {
    if (Text.size() > FBuffer.size() - FUsed)
      WriteSlow(Text);
    else {
      Text.copy(FBuffer.data() + FUsed, Text.size());
      FUsed += Text.size();
    }
  }
  // A decimal integer without leading zeros or blanks.
  void WriteInteger(int64_t Value);
  // Count samples as decimal integers, each followed by Separator except, when Last is set,
  // the last one. The export's inner loop: one capacity check per run of values.
  void WriteSamples(const int16_t* Samples, std::size_t Count, std::string_view Separator,
                    bool Last);
  // Room for Bytes more bytes (at most the buffer size), flushing first when needed; write
  // at most Bytes from the returned position on, then hand the new end to Commit.
  char* Reserve(std::size_t Bytes) {
    if (Bytes > FBuffer.size() - FUsed)
      Flush();
    return FBuffer.data() + FUsed;
  }
  void Commit(char* End) { FUsed = static_cast<std::size_t>(End - FBuffer.data()); }
  std::size_t BufferSize() const { return FBuffer.size(); }
  // Starts the disk's write-back of each block as it is handed to the system, for a file that
  // is waited for before it is renamed (TOutputFiles): the wait then finds little left to do.
  void SetWriteBack(bool Value) { FWriteBack = Value; }
  // Flushes and forces the bytes to the disk; raises EWriteError.
  void Sync();
  // Flushes and closes; raises EWriteError on a failed write. Idempotent.
  void Close();
  const std::string& FileName() const { return FFileName; }

private:
  void WriteSlow(std::string_view Text);
  void Flush();
  [[noreturn]] void RaiseWriteError(int ErrorCode) const;

  std::string FFileName;
  int FHandle = -1;
  std::vector<char> FBuffer;
  std::size_t FUsed = 0;
  uint64_t FWritten = 0; // bytes handed to the system so far
  bool FWriteBack = false;
};

} // namespace velastrin
