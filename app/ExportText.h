// The text forms of the export: number text, date-time text, the separators, and the
// buffered writer both output files go through.
#pragma once

#include "support/uSysUtils.h"

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
};

} // namespace velastrin
