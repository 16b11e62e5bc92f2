#include "export/SampleText.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <stdexcept>

namespace velastrin {

namespace {

constexpr std::size_t ValueCount = 65536;
constexpr std::size_t MaxDigits = 6; // "-32768"
// BDF's values have at most eight ("-8388608"); room is made for any 32-bit value.
constexpr std::size_t MaxWideDigits = 11; // "-2147483648"

// "0000" to "9999", for the values of BDF beyond the 16-bit table.
struct TFourDigits {
  char Text[10000][4];
  constexpr TFourDigits() : Text() {
    for (int i = 0; i < 10000; ++i) {
      Text[i][0] = static_cast<char>('0' + i / 1000);
      Text[i][1] = static_cast<char>('0' + i / 100 % 10);
      Text[i][2] = static_cast<char>('0' + i / 10 % 10);
      Text[i][3] = static_cast<char>('0' + i % 10);
    }
  }
};
constexpr TFourDigits FourDigits;

// A value of up to eight digits as two look-ups in place of a division per digit.
inline char* AppendWideDigits(char* Out, int32_t Value) {
  const uint32_t Magnitude =
      Value < 0 ? 0u - static_cast<uint32_t>(Value) : static_cast<uint32_t>(Value);
  if (Magnitude >= 100000000) [[unlikely]]
    return std::to_chars(Out, Out + MaxWideDigits, Value).ptr;
  *Out = '-';
  Out += Value < 0;
  const uint32_t High = Magnitude / 10000, Low = Magnitude % 10000;
  if (High > 0) {
    const int Skip = High < 10 ? 3 : High < 100 ? 2 : High < 1000 ? 1 : 0;
    std::memcpy(Out, FourDigits.Text[High], 4);
    std::memmove(Out, Out + Skip, 4); // drops the leading zeros
    Out += 4 - Skip;
    std::memcpy(Out, FourDigits.Text[Low], 4);
    return Out + 4;
  }
  const int Skip = Low < 10 ? 3 : Low < 100 ? 2 : Low < 1000 ? 1 : 0;
  std::memcpy(Out, FourDigits.Text[Low] + Skip, 4);
  return Out + 4 - Skip;
}

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
  FTexts.reset(new char[ValueCount * FStride + OneCopy]());
  FLengths.assign(ValueCount, 0);
  for (int Value = -32768; Value <= 32767; ++Value) {
    const std::size_t i = Index(static_cast<int16_t>(Value));
    char* Entry = FTexts.get() + i * FStride;
    char* End = std::to_chars(Entry, Entry + MaxDigits, Value).ptr;
    End = std::copy(Separator.begin(), Separator.end(), End);
    FLengths[i] = static_cast<uint8_t>(End - Entry);
  }
}

TSampleTextTable::TSampleTextTable(std::string_view Separator,
                                   std::function<std::string(int16_t)> Text, std::size_t MaxLength)
    : FSeparator(Separator), FText(std::move(Text)) {
  const std::size_t Longest = std::min<std::size_t>(std::max<std::size_t>(MaxLength, 1), 255);
  FStride = Longest <= 8 ? 8 : Longest <= 16 ? 16 : Longest <= 32 ? 32 : (Longest + 7) / 8 * 8;
  FTexts.reset(new char[ValueCount * FStride + OneCopy]);
  std::memset(FTexts.get() + ValueCount * FStride, 0, OneCopy);
  FLengths.assign(ValueCount, 0);
}

void TSampleTextTable::Make(std::size_t i) const {
  const std::string Entry = FText(static_cast<int16_t>(static_cast<uint16_t>(i))) + FSeparator;
  if (Entry.size() > FStride)
    throw std::length_error("value text \"" + Entry + "\" longer than its table's entries");
  char* Out = FTexts.get() + i * FStride;
  Entry.copy(Out, Entry.size());
  std::memset(Out + Entry.size(), 0, FStride - Entry.size()); // copied along as slack
  FLengths[i] = static_cast<uint8_t>(Entry.size());
}

template <std::size_t Stride, bool Lazy>
char* TSampleTextTable::AppendFixed(char* Out, const int16_t* Samples, std::size_t Count) const {
  const char* Texts = FTexts.get();
  const uint8_t* Lengths = FLengths.data();
  for (std::size_t k = 0; k < Count; ++k) {
    const std::size_t i = Index(Samples[k]);
    if constexpr (Lazy) {
      if (Lengths[i] == 0) [[unlikely]]
        Make(i);
    }
    // Copies the whole entry: the bytes after the text are overwritten by the next value.
    std::memcpy(Out, Texts + i * Stride, Stride);
    Out += Lengths[i];
  }
  return Out;
}

char* TSampleTextTable::Append(char* Out, const int16_t* Samples, std::size_t Count) const {
  if (FLengths.empty()) {
    for (std::size_t k = 0; k < Count; ++k) {
      Out = std::to_chars(Out, Out + MaxDigits, Samples[k]).ptr;
      Out = std::copy(FSeparator.begin(), FSeparator.end(), Out);
    }
    return Out;
  }
  if (FText) {
    switch (FStride) {
    case 8:
      return AppendFixed<8, true>(Out, Samples, Count);
    case 16:
      return AppendFixed<16, true>(Out, Samples, Count);
    case 32:
      return AppendFixed<32, true>(Out, Samples, Count);
    default:
      break;
    }
    for (std::size_t k = 0; k < Count; ++k) {
      const std::size_t i = Index(Samples[k]);
      if (FLengths[i] == 0)
        Make(i);
      std::memcpy(Out, FTexts.get() + i * FStride, FLengths[i]);
      Out += FLengths[i];
    }
    return Out;
  }
  return FStride == 8 ? AppendFixed<8, false>(Out, Samples, Count)
                      : AppendFixed<16, false>(Out, Samples, Count);
}

std::size_t TSampleTextTable::MaxBytesPerWideValue() const {
  return std::max(FStride, MaxWideDigits + FSeparator.size());
}

template <std::size_t Stride>
char* TSampleTextTable::AppendWideFixed(char* Out, const int32_t* Samples,
                                        std::size_t Count) const {
  const char* Texts = FTexts.get();
  const uint8_t* Lengths = FLengths.data();
  for (std::size_t k = 0; k < Count; ++k) {
    const int32_t Value = Samples[k];
    if (Value >= -32768 && Value <= 32767) {
      const std::size_t i = Index(static_cast<int16_t>(Value));
      std::memcpy(Out, Texts + i * Stride, Stride);
      Out += Lengths[i];
    } else {
      Out = AppendWideDigits(Out, Value);
      Out = std::copy(FSeparator.begin(), FSeparator.end(), Out);
    }
  }
  return Out;
}

char* TSampleTextTable::Append(char* Out, const int32_t* Samples, std::size_t Count) const {
  // A table of other texts (physical values) has none for values beyond 16 bits.
  if (FText)
    throw std::logic_error("24-bit values written through a table of value texts");
  if (FLengths.empty()) {
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
