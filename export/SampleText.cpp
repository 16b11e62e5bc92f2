#include "export/SampleText.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace velastrin {

namespace {

constexpr std::size_t ValueCount = 65536;
constexpr std::size_t MaxDigits = 6;     // "-32768"
constexpr std::size_t MaxWideDigits = 8; // "-8388608"

// An index for every value, so that the table is one array in value order.
inline std::size_t Index(int16_t Value) {
  return static_cast<uint16_t>(Value);
}

} // namespace

TSampleTextTable::TSampleTextTable(std::string_view Separator) : FSeparator(Separator) {
  const std::size_t Longest = MaxDigits + Separator.size();
  FStride = Longest <= 8 ? 8 : Longest <= 16 ? 16 : 0;
  if (FStride == 0) {
    FStride = Longest; // Append converts each value and copies the separator
    return;
  }
  FTexts.assign(ValueCount * FStride, '\0');
  FLengths.assign(ValueCount, 0);
  for (int Value = -32768; Value <= 32767; ++Value) {
    const std::size_t i = Index(static_cast<int16_t>(Value));
    char* Entry = FTexts.data() + i * FStride;
    char* End = std::to_chars(Entry, Entry + MaxDigits, Value).ptr;
    End = std::copy(Separator.begin(), Separator.end(), End);
    FLengths[i] = static_cast<uint8_t>(End - Entry);
  }
}

template <std::size_t Stride>
char* TSampleTextTable::AppendFixed(char* Out, const int16_t* Samples, std::size_t Count) const {
  const char* Texts = FTexts.data();
  const uint8_t* Lengths = FLengths.data();
  for (std::size_t k = 0; k < Count; ++k) {
    const std::size_t i = Index(Samples[k]);
    // Copies the whole entry: the bytes after the text are overwritten by the next value.
    std::memcpy(Out, Texts + i * Stride, Stride);
    Out += Lengths[i];
  }
  return Out;
}

char* TSampleTextTable::Append(char* Out, const int16_t* Samples, std::size_t Count) const {
  if (FTexts.empty()) {
    for (std::size_t k = 0; k < Count; ++k) {
      Out = std::to_chars(Out, Out + MaxDigits, Samples[k]).ptr;
      Out = std::copy(FSeparator.begin(), FSeparator.end(), Out);
    }
    return Out;
  }
  return FStride == 8 ? AppendFixed<8>(Out, Samples, Count) : AppendFixed<16>(Out, Samples, Count);
}

std::size_t TSampleTextTable::MaxBytesPerWideValue() const {
  return std::max(FStride, MaxWideDigits + FSeparator.size());
}

template <std::size_t Stride>
char* TSampleTextTable::AppendWideFixed(char* Out, const int32_t* Samples,
                                        std::size_t Count) const {
  const char* Texts = FTexts.data();
  const uint8_t* Lengths = FLengths.data();
  for (std::size_t k = 0; k < Count; ++k) {
    const int32_t Value = Samples[k];
    if (Value >= -32768 && Value <= 32767) {
      const std::size_t i = Index(static_cast<int16_t>(Value));
      std::memcpy(Out, Texts + i * Stride, Stride);
      Out += Lengths[i];
    } else {
      Out = std::to_chars(Out, Out + MaxWideDigits, Value).ptr;
      Out = std::copy(FSeparator.begin(), FSeparator.end(), Out);
    }
  }
  return Out;
}

char* TSampleTextTable::Append(char* Out, const int32_t* Samples, std::size_t Count) const {
  if (FTexts.empty()) {
    for (std::size_t k = 0; k < Count; ++k) {
      Out = std::to_chars(Out, Out + MaxWideDigits, Samples[k]).ptr;
      Out = std::copy(FSeparator.begin(), FSeparator.end(), Out);
    }
    return Out;
  }
  return FStride == 8 ? AppendWideFixed<8>(Out, Samples, Count)
                      : AppendWideFixed<16>(Out, Samples, Count);
}

const TSampleTextTable* StandardSampleTextTable(std::string_view Separator) {
  // Built on first use only: a program that never exports with a separator does not pay.
  if (Separator == " ") {
    static const TSampleTextTable Table(" ");
    return &Table;
  }
  if (Separator == ",") {
    static const TSampleTextTable Table(",");
    return &Table;
  }
  if (Separator == "\t") {
    static const TSampleTextTable Table("\t");
    return &Table;
  }
  if (Separator == "\r\n") {
    static const TSampleTextTable Table("\r\n");
    return &Table;
  }
  return nullptr;
}

} // namespace velastrin
