// The decimal texts of all 65,536 sample values, each with its separator: the data file's
// inner loop becomes a table look-up and one fixed-size copy per value instead of a number
// conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velastrin {

class TSampleTextTable {
public:
  // Separators of any length work; those of up to 10 characters take the table path.
  explicit TSampleTextTable(std::string_view Separator);

  // The most bytes Append writes per value, counting the slack of the fixed-size copies.
  std::size_t MaxBytesPerValue() const { return FStride; }
  const std::string& Separator() const { return FSeparator; }

  // Writes Count values as decimal integers, each followed by the separator, from Out on;
  // returns the new end. Out needs room for Count * MaxBytesPerValue() bytes.
  char* Append(char* Out, const int16_t* Samples, std::size_t Count) const;
  // The same for BDF's 24-bit samples: values in the 16-bit range take the table, the others
  // are converted. Out needs room for Count * MaxBytesPerWideValue() bytes.
  char* Append(char* Out, const int32_t* Samples, std::size_t Count) const;
  std::size_t MaxBytesPerWideValue() const;

private:
  template <std::size_t Stride>
  char* AppendFixed(char* Out, const int16_t* Samples, std::size_t Count) const;
  template <std::size_t Stride>
  char* AppendWideFixed(char* Out, const int32_t* Samples, std::size_t Count) const;

  std::string FSeparator;
  std::size_t FStride = 0; // bytes per entry: 8 or 16, or 0 for the conversion path
  std::vector<char> FTexts;
  std::vector<uint8_t> FLengths;
};

// A shared table for " ", ",", "\t" and "\r\n", built once on first use (from any thread);
// null for any other separator.
const TSampleTextTable* StandardSampleTextTable(std::string_view Separator);

} // namespace velastrin
