// Physical value texts map back to their digital value whatever the gain, and are the shortest
// that do; sample times are exact decimals.
#include "export/PhysicalText.h"
#include "export/SampleTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace velastrin {
namespace {

struct TGainCase {
  const char* Name;
  TCalibration Calibration;
};

void PrintTo(const TGainCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

// The reader's side, written out here: (x - Physimin) / gain + Digimin, rounded.
long long ReadBack(const TCalibration& C, const std::string& Text) {
  const double X = std::strtod(Text.c_str(), nullptr);
  const double K = static_cast<double>((C.Physimax - C.Physimin) / (C.Digimax - C.Digimin));
  return std::llround((X - static_cast<double>(C.Physimin)) / K + C.Digimin);
}

// The same in extended precision: a text exactly between two values reads back either way.
long long ReadBackExtended(const TCalibration& C, const std::string& Text) {
  const long double X = std::strtold(Text.c_str(), nullptr);
  return std::llround((X - C.Physimin) / ((C.Physimax - C.Physimin) / (C.Digimax - C.Digimin)) +
                      C.Digimin);
}

int SignificantDigits(const std::string& Text) {
  std::string Digits;
  for (const char C : Text.substr(0, Text.find('e')))
    if (C >= '0' && C <= '9')
      Digits += C;
  Digits.erase(0, Digits.find_first_not_of('0'));
  Digits.erase(Digits.find_last_not_of('0') + 1);
  return static_cast<int>(Digits.size());
}

class PhysicalRoundTrip : public ::testing::TestWithParam<TGainCase> {};

TEST_P(PhysicalRoundTrip, EveryTextMapsBackAndNoShorterRoundingDoes) {
  const TCalibration& C = GetParam().Calibration;
  for (int Digital = -32768; Digital <= 32767; Digital += 7) {
    const std::string Text = PhysicalValueText(C, Digital);
    ASSERT_EQ(ReadBack(C, Text), Digital) << Text;
    ASSERT_EQ(ReadBackExtended(C, Text), Digital) << Text;
    ASSERT_LE(Text.size(), PhysicalTextLength(C)) << Text;
    const int Digits = SignificantDigits(Text);
    if (Digits <= 1)
      continue;
    const long double Value = static_cast<long double>(Digital - C.Digimin) *
                                  ((C.Physimax - C.Physimin) / (C.Digimax - C.Digimin)) +
                              C.Physimin;
    char Shorter[64];
    std::snprintf(Shorter, sizeof Shorter, "%.*Le", Digits - 2, Value);
    EXPECT_TRUE(ReadBack(C, Shorter) != Digital || ReadBackExtended(C, Shorter) != Digital)
        << Text << " could be " << Shorter;
  }
}

INSTANTIATE_TEST_SUITE_P(
    PhysicalText, PhysicalRoundTrip,
    ::testing::Values(TGainCase{"TenthOfAMicrovolt", {-3276.8L, 3276.7L, -32768, 32767}},
                      TGainCase{"TwelveBitEeg", {-200, 200, -2048, 2047}},
                      TGainCase{"TinyGain", {0, 0.000001L, -32768, 32767}},
                      TGainCase{"HugeGain", {-9999999, 99999999, 0, 1}},
                      TGainCase{"LargeOffsetSmallSpan", {99999998, 99999999, -32768, 32767}},
                      TGainCase{"NegativeGain", {500, -500, -32768, 32767}},
                      TGainCase{"OffsetAboveZero", {36.5L, 42.1L, 0, 4095}}),
    [](const ::testing::TestParamInfo<TGainCase>& Info) { return std::string(Info.param.Name); });

struct TTextCase {
  TCalibration Calibration;
  int32_t Digital;
  const char* Text;
};

TEST(PhysicalText, ShortTextsOfKnownGains) {
  const TTextCase Cases[] = {
      {{-3276.8L, 3276.7L, -32768, 32767}, 1, "0.1"},
      {{-3276.8L, 3276.7L, -32768, 32767}, -32768, "-3276.8"},
      {{-2.048L, 2.047L, -2048, 2047}, 101, "0.101"},
      {{0, 100, 0, 1000}, 0, "0"},
      {{-9999999, 99999999, 0, 1}, 1, "100000000"}, // 1e8 is within half a step
      {{0, 0.000001L, 0, 10}, 3, "0.0000003"},
  };
  for (const TTextCase& C : Cases)
    EXPECT_EQ(PhysicalValueText(C.Calibration, C.Digital), C.Text);
}

struct TTimeCase {
  const char* Text;
  int64_t Nanoseconds;
  const char* Offset;
  const char* Clock; // from 2 Jan 2024 22:00:00
};

TEST(SampleTime, DecimalSecondsBothWays) {
  const TTimeCase Cases[] = {
      {"+0", 0, "0", "2024-01-02T22:00:00"},
      {"+12.5", 12'500'000'000, "12.5", "2024-01-02T22:00:12.5"},
      {"+0.00390625", 3'906'250, "0.00390625", "2024-01-02T22:00:00.003906"},
      {"-0.25", -250'000'000, "-0.25", "2024-01-02T21:59:59.75"},
      {"+7199.9999995", 7'199'999'999'500, "7199.9999995", "2024-01-03T00:00:00"},
      {"+86399.9999999", 86'399'999'999'900, "86399.9999999", "2024-01-03T22:00:00"},
      {"+1.0000000004", 1'000'000'000, "1", "2024-01-02T22:00:01"},
  };
  const TDateTime Start = EncodeDate(2024, 1, 2) + EncodeTime(22, 0, 0, 0);
  for (const TTimeCase& C : Cases) {
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
