#include "export/SampleTime.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace velastrin {

namespace {

int64_t FloorDiv(int64_t A, int64_t B) {
  return A / B - ((A % B != 0) && ((A < 0) != (B < 0)));
}

// Digits of Value (0 < Value < Ticks) as a fraction of Ticks (10^k), trailing zeros dropped.
std::string FractionDigits(int64_t Value, int64_t Ticks) {
  std::string Digits;
  for (int64_t Unit = Ticks / 10; Unit > 0; Unit /= 10) {
    Digits += static_cast<char>('0' + Value / Unit % 10);
  }
  while (!Digits.empty() && Digits.back() == '0')
    Digits.pop_back();
  return Digits.empty() ? Digits : "." + Digits;
}

int64_t SerialSeconds(TDateTime Value) {
  return std::llround(Value * 86400.0);
}

// "yyyy-mm-ddThh:mm:ss" of a count of seconds since 30 December 1899.
std::string SerialSecondText(int64_t Seconds) {
  using namespace std::chrono;
  const sys_seconds When = sys_days{year{1899} / December / 30} + seconds{Seconds};
  const sys_days Day = floor<days>(When);
  const year_month_day Date{Day};
  const hh_mm_ss Time{When - Day};
  char Buffer[48];
  std::snprintf(Buffer, sizeof Buffer, "%04d-%02u-%02uT%02d:%02d:%02d", int(Date.year()),
                unsigned(Date.month()), unsigned(Date.day()), int(Time.hours().count()),
                int(Time.minutes().count()), int(Time.seconds().count()));
  return Buffer;
}

std::string StartClockText(int64_t StartSeconds, int64_t Nanoseconds) {
  const int64_t Micro = FloorDiv(Nanoseconds + 500, 1000);
  const int64_t Second = FloorDiv(Micro, 1'000'000);
  return SerialSecondText(StartSeconds + Second) +
         FractionDigits(Micro - Second * 1'000'000, 1'000'000);
}

} // namespace

bool TextNanoseconds(std::string_view Text, int64_t& Nanoseconds) {
  bool Negative = false;
  if (!Text.empty() && (Text[0] == '+' || Text[0] == '-')) {
    Negative = Text[0] == '-';
    Text.remove_prefix(1);
  }
  const std::size_t Point = Text.find('.');
  const std::string_view Whole = Text.substr(0, Point);
  std::string_view Fraction =
      Point == std::string_view::npos ? std::string_view() : Text.substr(Point + 1);
  int64_t Seconds = 0;
  if (Whole.empty() || Whole.size() > 10 ||
      std::from_chars(Whole.data(), Whole.data() + Whole.size(), Seconds).ptr !=
          Whole.data() + Whole.size())
    return false;
  int64_t Nano = 0;
  int64_t Unit = NanosecondsPerSecond;
  for (std::size_t i = 0; i < Fraction.size(); ++i) {
    const char C = Fraction[i];
    if (C < '0' || C > '9')
      return false;
    if (Unit > 1) {
      Unit /= 10;
      Nano += (C - '0') * Unit;
    } else if (i == 9 && C >= '5') {
      ++Nano; // rounded to the nearest nanosecond
    }
  }
  Nanoseconds = Seconds * NanosecondsPerSecond + Nano;
  if (Negative)
    Nanoseconds = -Nanoseconds;
  return true;
}

std::string OffsetText(int64_t Nanoseconds) {
  if (Nanoseconds < 0)
    return "-" + OffsetText(-Nanoseconds);
  return std::to_string(Nanoseconds / NanosecondsPerSecond) +
         FractionDigits(Nanoseconds % NanosecondsPerSecond, NanosecondsPerSecond);
}

std::string ClockText(TDateTime Start, int64_t Nanoseconds) {
  return StartClockText(SerialSeconds(Start), Nanoseconds);
}

TSampleTimeText::TSampleTimeText(TTimeColumn Kind, TDateTime Start, int64_t RecordNanoseconds,
                                 int32_t Samples, std::string_view Suffix)
    : FKind(Kind), FStartSeconds(SerialSeconds(Start)),
      FTicksPerSecond(Kind == TTimeColumn::Clock ? 1'000'000 : NanosecondsPerSecond),
      FSuffix(Suffix) {
  const auto N = static_cast<std::size_t>(std::max(Samples, 1));
  FOffsets.resize(N);
  for (std::size_t i = 0; i < N; ++i) {
    // i * duration / samples to the nearest nanosecond, in 128 bits against overflow.
    const __int128 Product = static_cast<__int128>(i) * RecordNanoseconds;
    FOffsets[i] = static_cast<int64_t>((2 * Product + static_cast<__int128>(N)) /
                                       (2 * static_cast<__int128>(N)));
  }
  FCarry.resize(N);
  FFractions.resize(N * FractionStride);
  FLengths.resize(N);
}

void TSampleTimeText::BeginRecord(int64_t OnsetNanoseconds) {
  FOnset = OnsetNanoseconds;
  if (OnsetNanoseconds < 0)
    return; // each sample on its own, signs and all
  FWhole = OnsetNanoseconds / NanosecondsPerSecond;
  const int64_t Rest = OnsetNanoseconds % NanosecondsPerSecond;
  if (Rest == FRest)
    return;
  FRest = Rest;
  const int64_t Divisor = NanosecondsPerSecond / FTicksPerSecond;
  for (std::size_t i = 0; i < FOffsets.size(); ++i) {
    const int64_t Ticks = (Rest + FOffsets[i] + Divisor / 2) / Divisor;
    FCarry[i] = Ticks / FTicksPerSecond;
    const std::string Text = FractionDigits(Ticks % FTicksPerSecond, FTicksPerSecond) + FSuffix;
    Text.copy(FFractions.data() + i * FractionStride, FractionStride);
    FLengths[i] = static_cast<uint8_t>(std::min(Text.size(), FractionStride));
  }
}

char* TSampleTimeText::AppendLines(char* Out, std::size_t From, std::size_t To,
                                   const TSampleTextTable& Values, const int16_t* Samples) {
  const TSampleTextTable::TEntries Entries = Values.Entries();
  if (FOnset < 0 || !Entries.Texts) {
    for (std::size_t i = From; i < To; ++i)
      Out = Values.AppendOne(Append(Out, static_cast<int32_t>(i)), Samples[i]);
    return Out;
  }
  // Stores through Out may alias any member: the loop works on copies.
  const int64_t* Carry = FCarry.data();
  const char* Fractions = FFractions.data();
  const uint8_t* FractionLengths = FLengths.data();
  const int64_t Whole = FWhole;
  int64_t Second = FSecond;
  char Text[sizeof FSecondText];
  std::memcpy(Text, FSecondText, sizeof Text);
  std::size_t TextLength = FSecondLength;
  for (std::size_t i = From; i < To; ++i) {
    if (Whole + Carry[i] != Second) [[unlikely]] {
      Second = Whole + Carry[i];
      NewSecond(Second);
      std::memcpy(Text, FSecondText, sizeof Text);
      TextLength = FSecondLength;
    }
    std::memcpy(Out, Text, sizeof Text);
    Out += TextLength;
    std::memcpy(Out, Fractions + i * FractionStride, FractionStride);
    Out += FractionLengths[i];
    const auto Value = static_cast<uint16_t>(Samples[i]);
    if (Entries.Lengths[Value] == 0) [[unlikely]]
      Values.MakeEntry(Samples[i]);
    std::memcpy(Out, Entries.Texts + Value * Entries.Stride, TSampleTextTable::OneCopy);
    Out += Entries.Lengths[Value];
  }
  return Out;
}

void TSampleTimeText::NewSecond(int64_t Second) {
  FSecond = Second;
  const std::string Text = FKind == TTimeColumn::Clock ? SerialSecondText(FStartSeconds + Second)
                                                       : std::to_string(Second);
  FSecondLength = Text.copy(FSecondText, sizeof FSecondText);
}

char* TSampleTimeText::AppendSigned(char* Out, std::size_t Sample) const {
  const int64_t Time = FOnset + FOffsets[Sample];
  const std::string Text =
      (FKind == TTimeColumn::Clock ? StartClockText(FStartSeconds, Time) : OffsetText(Time)) +
      FSuffix;
  return std::copy(Text.begin(), Text.end(), Out);
}

} // namespace velastrin
