// Physical value texts map back to their digital value whatever the gain, and are the shortest
// that do; sample times are exact decimals.
#include "export/PhysicalText.h"
#include "export/SampleTime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

namespace velastrin {
namespace {

// The reader's side, written out here in double and in extended precision (a text exactly
// between two values reads back either way): (x - Physimin) / gain + Digimin, rounded.
template <typename T> long long ReadBack(const TCalibration& C, const std::string& Text) {
  const T X = static_cast<T>(sizeof(T) == sizeof(double) ? std::strtod(Text.c_str(), nullptr)
                                                         : std::strtold(Text.c_str(), nullptr));
  const T K = static_cast<T>((C.Physimax - C.Physimin) / (C.Digimax - C.Digimin));
  return std::llround((X - static_cast<T>(C.Physimin)) / K + C.Digimin);
}

int SignificantDigits(std::string Text) {
  Text = Text.substr(0, Text.find('e'));
  std::erase_if(Text, [](const char C) { return C < '0' || C > '9'; });
  const std::size_t First = Text.find_first_not_of('0');
  return First == std::string::npos ? 0 : static_cast<int>(Text.find_last_not_of('0') + 1 - First);
}

// A decimal as Mantissa * 10^Exponent, exactly: a text as written, a limit as the shortest text
// its long double reads back from (the header's own text, for a limit of up to 18 digits).
struct TExactDecimal {
  __int128 Mantissa = 0;
  int Exponent = 0;
};

TExactDecimal ExactDecimal(std::string Text) {
  TExactDecimal D;
  const std::size_t E = Text.find_first_of("eE");
  if (E != std::string::npos) {
    D.Exponent = std::stoi(Text.substr(E + 1));
    Text.resize(E);
  }
  const bool Negative = !Text.empty() && Text[0] == '-';
  for (std::size_t i = Negative ? 1 : 0, Point = Text.find('.'); i < Text.size(); ++i)
    if (Text[i] != '.') {
      D.Mantissa = D.Mantissa * 10 + (Text[i] - '0');
      D.Exponent -= Point != std::string::npos && i > Point;
    }
  D.Mantissa = Negative ? -D.Mantissa : D.Mantissa;
  return D;
}

// Whether Text lies strictly inside the interval of Digital, in exact integer arithmetic:
// |2 ((x - Physimin) (Digimax - Digimin) - (Digital - Digimin) (Physimax - Physimin))| below
// |Physimax - Physimin|. Empty when the numbers need more than 128 bits.
std::optional<bool> ExactlyInside(const TCalibration& C, int32_t Digital, const std::string& Text) {
  char Buffer[64];
  const auto Limit = [&](long double V) {
    return ExactDecimal(std::string(Buffer, std::to_chars(Buffer, Buffer + 64, V).ptr));
  };
  TExactDecimal Parts[] = {ExactDecimal(Text), Limit(C.Physimin), Limit(C.Physimax)};
  const int Scale = std::min({Parts[0].Exponent, Parts[1].Exponent, Parts[2].Exponent});
  for (TExactDecimal& P : Parts)
    for (; P.Exponent > Scale; --P.Exponent) {
      if (P.Mantissa > (__int128{1} << 90) || P.Mantissa < -(__int128{1} << 90))
        return std::nullopt;
      P.Mantissa *= 10;
    }
  const __int128 X = Parts[0].Mantissa, Min = Parts[1].Mantissa, Span = Parts[2].Mantissa - Min;
  const __int128 Twice = 2 * ((X - Min) * (C.Digimax - C.Digimin) - (Digital - C.Digimin) * Span);
  return (Twice < 0 ? -Twice : Twice) < (Span < 0 ? -Span : Span);
}

// Whether Text reads back to Digital in double and in long double, rounded half to even, by
// floor(x + 0.5) and half away from zero.
bool EveryReaderMapsBack(const TCalibration& C, int32_t Digital, const std::string& Text) {
  const auto MapsBack = [&]<typename T>(T) {
    const T X = static_cast<T>(sizeof(T) == sizeof(double) ? std::strtod(Text.c_str(), nullptr)
                                                           : std::strtold(Text.c_str(), nullptr));
    const T Min = static_cast<T>(C.Physimin);
    const T U =
        (X - Min) / ((static_cast<T>(C.Physimax) - Min) / (C.Digimax - C.Digimin)) + C.Digimin;
    return std::nearbyint(U) == Digital && std::floor(U + T(0.5)) == Digital &&
           std::round(U) == Digital;
  };
  return MapsBack(0.0) && MapsBack(0.0L);
}

// Every 16-bit value, and for 24 bits the ends, the values around zero and a sparse sample: each
// text maps back for every reader, lies strictly inside its interval and fits its table.
TEST(PhysicalText, EveryTextMapsBackUnderEveryRoundingAndReader) {
  const std::pair<const char*, TCalibration> Gains[] = {
      {"BundledSample", {-200, 200, -2048, 2047}},
      {"TenthOfAMicrovolt", {-3276.8L, 3276.7L, -32768, 32767}},
      {"TwelveBitOverRange", {0, 400, 0, 4095}},
      {"BdfAwkward", {-3.3L, 3.3L, -8388608, 8388607}},
      {"Huge", {-1e300L, 1e300L, -32768, 32767}},
      {"Tiny", {0, 1e-300L, -32768, 32767}}};
  for (const auto& [Name, C] : Gains) {
    const bool Wide = C.Digimax - C.Digimin > 65535;
    for (int32_t Digital = Wide ? C.Digimin : -32768; Digital <= (Wide ? C.Digimax : 32767);
         Digital += Wide && std::abs(Digital) > 3000 && Digital < C.Digimax - 4099 ? 4099 : 1) {
      const std::string Text = PhysicalValueText(C, Digital);
      ASSERT_TRUE(EveryReaderMapsBack(C, Digital, Text) &&
                  ExactlyInside(C, Digital, Text).value_or(true))
          << Name << ' ' << Digital << ' ' << Text;
      ASSERT_TRUE(Wide || Text.size() <= PhysicalTextLength(C)) << Name << ' ' << Text;
    }
  }
}

TEST(PhysicalText, EveryTextMapsBackAndNoShorterRoundingDoes) {
  const std::pair<const char*, TCalibration> Gains[] = {
      {"TenthOfAMicrovolt", {-3276.8L, 3276.7L, -32768, 32767}},
      {"TwelveBitEeg", {-200, 200, -2048, 2047}},
      {"TinyGain", {0, 0.000001L, -32768, 32767}},
      {"HugeGain", {-9999999, 99999999, 0, 1}},
      {"LargeOffsetSmallSpan", {99999998, 99999999, -32768, 32767}},
      {"NegativeGain", {500, -500, -32768, 32767}},
      {"OffsetAboveZero", {36.5L, 42.1L, 0, 4095}}};
  for (const auto& [Name, C] : Gains)
    for (int Digital = -32768; Digital <= 32767; Digital += 7) {
      const std::string Text = PhysicalValueText(C, Digital);
      ASSERT_EQ(ReadBack<double>(C, Text), Digital) << Name << ' ' << Text;
      ASSERT_EQ(ReadBack<long double>(C, Text), Digital) << Name << ' ' << Text;
      ASSERT_LE(Text.size(), PhysicalTextLength(C)) << Name << ' ' << Text;
      const int Digits = SignificantDigits(Text);
      if (Digits <= 1)
        continue;
      const long double Value = static_cast<long double>(Digital - C.Digimin) *
                                    ((C.Physimax - C.Physimin) / (C.Digimax - C.Digimin)) +
                                C.Physimin;
      char Shorter[64];
      std::snprintf(Shorter, sizeof Shorter, "%.*Le", Digits - 2, Value);
      // A shorter text that maps back in both precisions is an end of the interval.
      EXPECT_TRUE(ReadBack<double>(C, Shorter) != Digital ||
                  ReadBack<long double>(C, Shorter) != Digital ||
                  ExactlyInside(C, Digital, Shorter) == false)
          << Name << ' ' << Text << " could be " << Shorter;
    }
}

TEST(PhysicalText, ShortTextsOfKnownGains) {
  const struct {
    TCalibration Calibration;
    int32_t Digital;
    const char* Text;
  } Cases[] = {
      {{-3276.8L, 3276.7L, -32768, 32767}, 1, "0.1"},
      {{-3276.8L, 3276.7L, -32768, 32767}, -32768, "-3276.8"},
      {{0, 100, 0, 1000}, 0, "0"},
      {{-9999999, 99999999, 0, 1}, 1, "100000000"}, // 1e8 is within half a step
      {{0, 0.000001L, 0, 10}, 3, "0.0000003"},
      {{-200, 200, -2048, 2047}, -1, "-0.05"}, // "0" and "80" are ends of the intervals
      {{-200, 200, -2048, 2047}, 819, "80.05"},
      {{-1e300L, 1e300L, -32768, 32767}, -32768, "-1e+300"}, // exponent form beyond 1e21
      {{0, 1e-300L, 0, 10}, 3, "3e-301"},
  };
  for (const auto& C : Cases)
    EXPECT_EQ(PhysicalValueText(C.Calibration, C.Digital), C.Text);
}

TEST(SampleTime, DecimalSecondsBothWays) {
  const struct {
    const char* Text;
    int64_t Nanoseconds;
    const char* Offset;
    const char* Clock; // from 2 Jan 2024 22:00:00
  } Cases[] = {
      {"+0", 0, "0", "2024-01-02T22:00:00"},
      {"+12.5", 12'500'000'000, "12.5", "2024-01-02T22:00:12.5"},
      {"+0.00390625", 3'906'250, "0.00390625", "2024-01-02T22:00:00.003906"},
      {"-0.25", -250'000'000, "-0.25", "2024-01-02T21:59:59.75"},
      {"+7199.9999995", 7'199'999'999'500, "7199.9999995", "2024-01-03T00:00:00"},
      {"+1.0000000004", 1'000'000'000, "1", "2024-01-02T22:00:01"},
  };
  const TDateTime Start = EncodeDate(2024, 1, 2) + EncodeTime(22, 0, 0, 0);
  for (const auto& C : Cases) {
    int64_t Nanoseconds = -1;
    ASSERT_TRUE(TextNanoseconds(C.Text, Nanoseconds)) << C.Text;
    EXPECT_EQ(Nanoseconds, C.Nanoseconds) << C.Text;
    EXPECT_EQ(OffsetText(Nanoseconds), C.Offset);
    EXPECT_EQ(ClockText(Start, Nanoseconds), C.Clock);
  }
  for (int64_t Ignored = 0; const char* Bad : {"+1.2.3", "", "1e5", "+12345678901"})
    EXPECT_FALSE(TextNanoseconds(Bad, Ignored)) << Bad;
}

// 256 samples in a second: the fractions are exact binary eighths; 3 in a second repeat
// a third to the nanosecond; records at any fraction of a second.
TEST(SampleTime, SamplesOfARecordFollowItsOnset) {
  struct TRow {
    TTimeColumn Kind;
    int64_t Duration;
    int32_t Samples;
    int64_t Onset;
    int32_t Sample;
    const char* Text;
  } Rows[] = {
      {TTimeColumn::Offset, 1'000'000'000, 256, 5'000'000'000, 1, "5.00390625,"},
      {TTimeColumn::Offset, 1'000'000'000, 3, 0, 1, "0.333333333,"},
      {TTimeColumn::Offset, 1'000'000'000, 3, 0, 2, "0.666666667,"},
      {TTimeColumn::Offset, 500'000'000, 2, 1'750'000'000, 1, "2,"},
      {TTimeColumn::Offset, 1'000'000'000, 4, -500'000'000, 1, "-0.25,"},
      {TTimeColumn::Clock, 1'000'000'000, 3, 0, 2, "2024-01-02T22:00:00.666667,"},
      {TTimeColumn::Clock, 1'000'000'000, 4, -500'000'000, 3, "2024-01-02T22:00:00.25,"},
  };
  const TDateTime Start = EncodeDate(2024, 1, 2) + EncodeTime(22, 0, 0, 0);
  for (const TRow& R : Rows) {
    TSampleTimeText Times(R.Kind, Start, R.Duration, R.Samples, ",");
    Times.BeginRecord(R.Onset);
    std::string Out(Times.MaxBytes() + 16, '\0');
    Out.resize(static_cast<std::size_t>(Times.Append(Out.data(), R.Sample) - Out.data()));
    EXPECT_EQ(Out, R.Text);
  }
}

} // namespace
} // namespace velastrin
