// Physical value texts map back to their digital value whatever the gain, and are the shortest
// that do; sample times are exact decimals.
#include "export/PhysicalText.h"
#include "export/SampleTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

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
      EXPECT_TRUE(ReadBack<double>(C, Shorter) != Digital ||
                  ReadBack<long double>(C, Shorter) != Digital)
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
