// Fuzz target of the date-time text conversions, in memory. The first byte picks the case:
//   0: "format \n text": parsing never raises, and a text it takes gives fields in range;
//   1: a value and a complete format drawn from the bytes: the text the convertor writes reads
//      back to the value;
//   2: number text: an integer it takes prints back to the same value.
#include "datetime/uDateTime.h"
#include "fuzz/fuzz_support.h"
#include "support/uSysUtils.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using namespace velastrin;

bool IsNumberToken(TDateTimeTokenKind Kind) {
  return Kind == dtkDay || Kind == dtkDay2 || (Kind >= dtkMonth && Kind <= dtkMonth2) ||
         (Kind >= dtkYear2 && Kind <= dtkMSec3);
}

// Every number of the format is followed by something that is not a digit, so the digits a
// number is written with cannot run into the next one.
bool NumbersStandApart(const std::string& Format) {
  TDateTimeFormatTokenizer Tokenizer;
  Tokenizer.SetText(Format);
  bool AfterNumber = false;
  for (bool More = Tokenizer.First(); More; More = Tokenizer.Next()) {
    const TDateTimeTokenKind Kind = Tokenizer.Kind();
    if (Kind == dtkAnyChar || Kind == dtkDateTime || Kind == dtkShortTime || Kind == dtkLongTime ||
        Kind == dtkShortDate || Kind == dtkLongDate)
      return false;
    if (AfterNumber && (IsNumberToken(Kind) || Kind == dtkLiteral))
      return false;
    AfterNumber = IsNumberToken(Kind);
  }
  return true;
}

void ParseAnyText(std::string_view Input) {
  const size_t Split = Input.find('\n');
  if (Split == std::string_view::npos || Split > 64)
    return;
  TDateTimeStringConvertor Convertor;
  Convertor.SetFormat(std::string(Input.substr(0, Split)));
  if (!Convertor.IsFormatValid())
    return;
  Convertor.SetText(std::string(Input.substr(Split + 1)));
  if (!Convertor.TextValid())
    return;
  FUZZ_CHECK(std::isfinite(Convertor.DateTime()));
  FUZZ_CHECK(Convertor.Hour() < 24 && Convertor.Minute() < 60);
  FUZZ_CHECK(Convertor.Second() < 60 && Convertor.MSec() < 1000);

  // What a text gave, written under the same format, reads back to the same value.
  if (!NumbersStandApart(Convertor.Format()))
    return;
  const TDateTime Value = Convertor.DateTime();
  TDateTimeStringConvertor Writer;
  Writer.SetFormat(Convertor.Format());
  Writer.SetDateTime(Value);
  if (!Writer.TextValid())
    return; // no calendar date to write
  TDateTimeStringConvertor Reader;
  Reader.SetFormat(Convertor.Format());
  Reader.SetText(Writer.Text());
  if (!Reader.TextValid() || std::fabs(Reader.DateTime() - Value) > 1e-8) {
    std::fprintf(stderr, "format \"%s\" read \"%s\", wrote \"%s\"\n", Convertor.Format().c_str(),
                 Convertor.Text().c_str(), Writer.Text().c_str());
    FUZZ_CHECK(Reader.TextValid());
    FUZZ_CHECK(std::fabs(Reader.DateTime() - Value) <= 1e-8);
  }
}

// Takes the next byte of the input; 0 once it is used up.
class TByteSource {
public:
  explicit TByteSource(std::string_view Bytes) : FBytes(Bytes) {}
  uint8_t Next() { return FAt < FBytes.size() ? static_cast<uint8_t>(FBytes[FAt++]) : 0; }
  uint32_t Next32() {
    uint32_t Value = 0;
    for (int i = 0; i < 4; ++i)
      Value = Value << 8 | Next();
    return Value;
  }
  template <typename T, size_t N> const T& Pick(const std::array<T, N>& Choices) {
    return Choices[Next() % N];
  }

private:
  std::string_view FBytes;
  size_t FAt = 0;
};

void FormatAndReadBack(std::string_view Input) {
  TByteSource Source(Input);
  // 1 January 1900 .. 31 December 9999, to the millisecond.
  const int Day = 1 + static_cast<int>(Source.Next32() % 2958465);
  const int MSec = static_cast<int>(Source.Next32() % 86400000);
  const TDateTime Value = Day + MSec / 86400000.0;

  using TChoices = std::array<std::string_view, 4>;
  std::array<TChoices, 7> Fields{{{"d", "dd", "d", "dd"},
                                  {"m", "mm", "mmm", "mmmm"},
                                  {"yyyy", "yyyy", "yyyy", "yyyy"},
                                  {"h", "hh", "h", "hh"},
                                  {"n", "nn", "n", "nn"},
                                  {"s", "ss", "s", "ss"},
                                  {"z", "zzz", "z", "zzz"}}};
  // Numbers are read as whole digit runs, so something must stand between two fields.
  static constexpr std::array<std::string_view, 8> Between{" ",   "?", "/", ":",
                                                           "'x'", "-", ".", ","};
  static constexpr std::array<std::string_view, 4> AmPm{"", "am/pm", "a/p", "ampm"};
  for (size_t i = Fields.size() - 1; i > 0; --i)
    std::swap(Fields[i], Fields[Source.Next() % (i + 1)]);
  std::string Format;
  for (const TChoices& Field : Fields)
    Format += std::string(Source.Pick(Field)) + std::string(Source.Pick(Between));
  Format += Source.Pick(AmPm);

  TDateTimeStringConvertor Writer;
  Writer.SetFormat(Format);
  // "m" right after the hour means minutes; such a format has no month to read.
  if (Writer.Format().find('M') == std::string::npos)
    return;
  Writer.SetDateTime(Value);
  FUZZ_CHECK(Writer.TextValid());
  TDateTimeStringConvertor Reader;
  Reader.SetFormat(Format);
  Reader.SetText(Writer.Text());
  if (!Reader.TextValid() || std::fabs(Reader.DateTime() - Value) > 1e-8) {
    std::fprintf(stderr, "format \"%s\" wrote \"%s\"\n", Format.c_str(), Writer.Text().c_str());
    FUZZ_CHECK(Reader.TextValid());
    FUZZ_CHECK(std::fabs(Reader.DateTime() - Value) <= 1e-8);
  }
}

void ReadNumbers(std::string_view Input) {
  const std::string Text(Input.substr(0, 64));
  int32_t Int = 0;
  if (TryStrToInt(Text, Int)) {
    int32_t Again = 0;
    FUZZ_CHECK(TryStrToInt(std::to_string(Int), Again) && Again == Int);
  }
  int64_t Int64 = 0;
  if (TryStrToInt64(Text, Int64)) {
    int64_t Again = 0;
    FUZZ_CHECK(TryStrToInt64(std::to_string(Int64), Again) && Again == Int64);
  }
  long double Float = 0;
  if (TryStrToFloat(Text, Float, '.'))
    FUZZ_CHECK(!std::isnan(Float));
  if (TryStrToFloat(Text, Float, ','))
    FUZZ_CHECK(!std::isnan(Float));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size == 0)
    return 0;
  const std::string_view Input(reinterpret_cast<const char*>(Data) + 1, Size - 1);
  switch (Data[0] % 3) {
  case 0:
    ParseAnyText(Input);
    break;
  case 1:
    FormatAndReadBack(Input);
    break;
  default:
    ReadNumbers(Input);
    break;
  }
  return 0;
}
