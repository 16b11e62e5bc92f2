// The texts of all 65,536 sample values, each with its separator: the data file's inner loop
// becomes a table look-up and one fixed-size copy per value instead of a number conversion.
// The texts are the decimal integers, or any others given once per value (physical values).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velastrin {

class TSampleTextTable {
public:
  // Bytes AppendOne copies per value; the table ends in as many spare bytes.
  static constexpr std::size_t OneCopy = 32;

  // Separators of any length work; those of up to 10 characters take the table path.
  explicit TSampleTextTable(std::string_view Separator);
  // The text Text(Value) for every value, each followed by Separator, made when the value
  // first occurs (most signals use a small part of the range). Texts with their separator
  // may take up to MaxLength bytes; Append raises std::length_error for a longer one. Such a
  // table changes as it is used: one thread at a time.
  TSampleTextTable(std::string_view Separator, std::function<std::string(int16_t)> Text,
                   std::size_t MaxLength);

  // The most bytes Append writes per value, counting the slack of the fixed-size copies.
  std::size_t MaxBytesPerValue() const { return FStride; }
  const std::string& Separator() const { return FSeparator; }

  // Writes Count values as decimal integers, each followed by the separator, from Out on;
  // returns the new end. Out needs room for Count * MaxBytesPerValue() bytes.
  char* Append(char* Out, const int16_t* Samples, std::size_t Count) const;
  // The same for BDF's 24-bit samples: values in the 16-bit range take the table, the others
  // are converted. Only for a table of decimal integers (std::logic_error otherwise). Out needs
  // room for Count * MaxBytesPerWideValue() bytes.
  char* Append(char* Out, const int32_t* Samples, std::size_t Count) const;
  std::size_t MaxBytesPerWideValue() const;

  // One value as Append writes it, with a fixed-size copy where the entries allow: Out needs
  // room for OneValueBytes() bytes. The inner loop of lines of several columns.
  char* AppendOne(char* Out, int16_t Sample) const {
    const std::size_t i = static_cast<uint16_t>(Sample);
    if (FStride > OneCopy || FLengths.empty()) [[unlikely]]
      return Append(Out, &Sample, 1);
    if (FLengths[i] == 0) [[unlikely]]
      Make(i);
    std::memcpy(Out, FTexts.get() + i * FStride, OneCopy);
    return Out + FLengths[i];
  }
  std::size_t OneValueBytes() const { return std::max(FStride, OneCopy); }

  // The entries, for a loop that copies them itself (OneValueBytes() bytes each, then
  // Lengths[value] on): null Texts when the table has none that fit. An entry of length 0 is
  // made by MakeEntry first.
  struct TEntries {
    const char* Texts = nullptr;
    const uint8_t* Lengths = nullptr;
    std::size_t Stride = 0;
  };
  TEntries Entries() const {
    if (FStride > OneCopy || FLengths.empty())
      return {};
    return {FTexts.get(), FLengths.data(), FStride};
  }
  void MakeEntry(int16_t Value) const { Make(static_cast<uint16_t>(Value)); }

private:
  template <std::size_t Stride, bool Lazy>
  char* AppendFixed(char* Out, const int16_t* Samples, std::size_t Count) const;
  template <std::size_t Stride>
  char* AppendWideFixed(char* Out, const int32_t* Samples, std::size_t Count) const;
  void Make(std::size_t Index) const;

  std::string FSeparator;
  std::size_t FStride = 0;                   // bytes per entry: 8, 16, 32 or more
  std::function<std::string(int16_t)> FText; // set: entries are made as values occur
  // Left uninitialised: only the pages of values that occur are ever touched.
  std::unique_ptr<char[]> FTexts;
  mutable std::vector<uint8_t> FLengths; // 0: not made yet; empty: the conversion path
};

// A shared table for " ", ",", "\t" and "\r\n", built once on first use (from any thread);
// null for any other separator.
const TSampleTextTable* StandardSampleTextTable(std::string_view Separator);

} // namespace velastrin
