#include "export/ExportText.h"
#include "export/tests/ExportTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace velastrin {
namespace {

using testing::ReadFile;
using testing::TTempDir;

struct TNumberCase {
  const char* Name;
  long double Value;
  char DecimalMark;
  const char* Expected;
};

void PrintTo(const TNumberCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

class NumberTextCase : public ::testing::TestWithParam<TNumberCase> {};

TEST_P(NumberTextCase, FollowsTheGeneralFormat) {
  const TNumberCase& C = GetParam();
  EXPECT_EQ(NumberText(C.Value, C.DecimalMark), C.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    ExportText, NumberTextCase,
    ::testing::Values(
        TNumberCase{"Zero", 0.0L, '.', "0"},
        TNumberCase{"WholeNumberHasNoDecimalMark", 256.0L, '.', "256"},
        TNumberCase{"NegativeStartsWithMinus", -1.5L, '.', "-1.5"},
        TNumberCase{"GainOfTwelveBitRange", 1000.0L / 4095.0L, '.', "0.244200244200244"},
        TNumberCase{"NegativeGainOfFullRange", -200.0L / 65535.0L, '.', "-0.00305180437933928"},
        TNumberCase{"TenthHasNoTrailingZeros", 0.1L, '.', "0.1"},
        TNumberCase{"ThirdHasFifteenDigits", 1.0L / 3.0L, '.', "0.333333333333333"},
        TNumberCase{"TwoThirdsRoundsUp", 2.0L / 3.0L, '.', "0.666666666666667"},
        TNumberCase{"SmallestFixed", 0.0001L, '.', "0.0001"},
        TNumberCase{"BelowFixedIsScientific", 0.00009L, '.', "9E-005"},
        TNumberCase{"ScientificExample", 9.15541313801785e-8L, '.', "9.15541313801785E-008"},
        TNumberCase{"LargeScientificExample", 1.5e20L, '.', "1.5E020"},
        TNumberCase{"LargestFixed", 999999999999999.0L, '.', "999999999999999"},
        TNumberCase{"FromTenToTheFifteenScientific", 1e15L, '.', "1E015"},
        TNumberCase{"RoundingReachesTenToTheFifteen", 999999999999999.9L, '.', "1E015"},
        TNumberCase{"ManyDigitsRoundedToFifteen", 123456789012345678.0L, '.',
                    "1.23456789012346E017"},
        TNumberCase{"ThreeDigitExponentStays", 1e100L, '.', "1E100"},
        TNumberCase{"NegativeSmall", -1e-10L, '.', "-1E-010"},
        TNumberCase{"RoundsToOne", 0.99999999999999999L, '.', "1"},
        TNumberCase{"CommaDecimalMark", 0.5L, ',', "0,5"},
        TNumberCase{"CommaInScientific", 2.5e-5L, ',', "2,5E-005"},
        TNumberCase{"FractionalFrequency", 100.0L / 3.0L, '.', "33.3333333333333"}),
    [](const ::testing::TestParamInfo<TNumberCase>& Info) { return Info.param.Name; });

TEST(ExportText, NumberTextUsesTheUserDecimalSeparator) {
  TSettingOverride<char> Comma(&TFormatSettings::DecimalSeparator, ',');
  EXPECT_EQ(NumberText(12.75L), "12,75");
  EXPECT_EQ(NumberText(1.25e-7L), "1,25E-007");
}

TEST(ExportText, NumberTextOfNonFiniteValuesIsReadable) {
  EXPECT_EQ(NumberText(std::numeric_limits<long double>::infinity(), '.'), "INF");
  EXPECT_EQ(NumberText(-std::numeric_limits<long double>::infinity(), '.'), "-INF");
  EXPECT_EQ(NumberText(std::numeric_limits<long double>::quiet_NaN(), '.'), "NAN");
}

// Serial date-times counted by hand: 1 January 2000 is day 36526.
constexpr double Jan1st2000 = 36526;
constexpr double Mar5th2004 = 36526 + 4 * 365 + 1 + 31 + 29 + 4;
constexpr double MSec = 1.0 / 86400000.0;

struct TDateCase {
  const char* Name;
  double Value;
  const char* Expected;
};

void PrintTo(const TDateCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

class DateTimeTextCase : public ::testing::TestWithParam<TDateCase> {};

TEST_P(DateTimeTextCase, ShowsDayMonthNameYearAndTime) {
  EXPECT_EQ(DateTimeText(GetParam().Value), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    ExportText, DateTimeTextCase,
    ::testing::Values(
        TDateCase{"Example", Mar5th2004 + (13 * 3600 + 45 * 60 + 7) / 86400.0,
                  "05.Mar.2004 13.45.07"},
        TDateCase{"Midnight", Jan1st2000, "01.Jan.2000 00.00.00"},
        TDateCase{"FractionOfSecondIsNotShown", Jan1st2000 + (10 * 3600 + 1) / 86400.0 + 400 * MSec,
                  "01.Jan.2000 10.00.01"},
        TDateCase{"HalfMillisecondBelowNextSecondRoundsUp",
                  Jan1st2000 + (10 * 3600 + 1) / 86400.0 + 999.6 * MSec, "01.Jan.2000 10.00.02"},
        TDateCase{"RoundingRollsOverToTheNextDay", Jan1st2000 - 0.3 * MSec, "01.Jan.2000 00.00.00"},
        TDateCase{"LastSecondOfTheYear", Jan1st2000 - 1000 * MSec, "31.Dec.1999 23.59.59"}),
    [](const ::testing::TestParamInfo<TDateCase>& Info) { return Info.param.Name; });

TEST(ExportText, DateTimeTextUsesTheUserMonthNames) {
  auto Names = FormatSettings().ShortMonthNames;
  Names[2] = "Mrt";
  TSettingOverride<std::array<std::string, 12>> Dutch(&TFormatSettings::ShortMonthNames, Names);
  EXPECT_EQ(DateTimeText(Mar5th2004), "05.Mrt.2004 00.00.00");
}

TEST(ExportText, SeparatorsAreSpaceCommaTabAndCrLf) {
  EXPECT_EQ(SeparatorText(0), " ");
  EXPECT_EQ(SeparatorText(1), ",");
  EXPECT_EQ(SeparatorText(2), std::string(1, '\x09'));
  EXPECT_EQ(SeparatorText(3), "\r\n");
}

TEST(TextFileWriter, WritesTextAndIntegersAcrossBufferBoundaries) {
  TTempDir Dir;
  const std::string Name = Dir.File("out.txt");
  std::string Expected;
  {
    TTextFileWriter Writer(Name, 64); // small buffer: many flushes
    for (int i = -40000; i <= 40000; i += 7) {
      Writer.WriteInteger(i);
      Writer.Write(",");
      Expected += std::to_string(i) + ",";
    }
    const std::string Long(300, 'x');
    Writer.Write(Long);
    Expected += Long;
    Writer.Close();
  }
  EXPECT_EQ(ReadFile(Name), Expected);
}

struct TSamplesCase {
  const char* Name;
  std::size_t BufferSize;
  const char* Separator;
  bool Last;
};

void PrintTo(const TSamplesCase& Case, std::ostream* Out) {
  *Out << Case.Name;
}

class WriteSamplesCase : public ::testing::TestWithParam<TSamplesCase> {};

TEST_P(WriteSamplesCase, WritesEveryValueWithItsSeparator) {
  const TSamplesCase& C = GetParam();
  TTempDir Dir;
  const std::string Name = Dir.File("out.txt");
  std::vector<int16_t> Samples;
  for (int i = -32768; i <= 32767; i += 97)
    Samples.push_back(static_cast<int16_t>(i));
  Samples.push_back(-32768);
  Samples.push_back(32767);
  std::string Expected;
  for (std::size_t i = 0; i < Samples.size(); ++i) {
    Expected += std::to_string(Samples[i]);
    if (!C.Last || i + 1 < Samples.size())
      Expected += C.Separator;
  }
  TTextFileWriter Writer(Name, C.BufferSize);
  Writer.WriteSamples(Samples.data(), Samples.size(), C.Separator, C.Last);
  Writer.Close();
  EXPECT_EQ(ReadFile(Name), Expected);
}

INSTANTIATE_TEST_SUITE_P(TextFileWriter, WriteSamplesCase,
                         ::testing::Values(TSamplesCase{"CommaLast", 1 << 16, ",", true},
                                           TSamplesCase{"CrLfNotLast", 1 << 16, "\r\n", false},
                                           TSamplesCase{"TinyBufferCrLf", 64, "\r\n", true},
                                           TSamplesCase{"TinyBufferTab", 64, "\t", false}),
                         [](const ::testing::TestParamInfo<TSamplesCase>& Info) {
                           return std::string(Info.param.Name);
                         });

TEST(TextFileWriter, TruncatesAnExistingFile) {
  TTempDir Dir;
  const std::string Name = Dir.File("out.txt");
  testing::WriteFileBytes(Name, "old content that is longer");
  TTextFileWriter Writer(Name);
  Writer.Write("new");
  Writer.Close();
  EXPECT_EQ(ReadFile(Name), "new");
}

TEST(TextFileWriter, KeepsWhatWasWrittenWhenDestroyedWithoutClose) {
  TTempDir Dir;
  const std::string Name = Dir.File("out.txt");
  {
    TTextFileWriter Writer(Name);
    Writer.Write("12,");
  }
  EXPECT_EQ(ReadFile(Name), "12,");
}

TEST(TextFileWriter, MissingFolderFailsWithTheFileName) {
  TTempDir Dir;
  const std::string Name = Dir.File("missing/out.txt");
  try {
    TTextFileWriter Writer(Name);
    FAIL() << "no error";
  } catch (const EFCreateError& Error) {
    EXPECT_EQ(std::string(Error.what()).rfind("Cannot create file \"" + Name + "\". ", 0), 0u)
        << Error.what();
  }
}

TEST(TextFileWriter, FullDeviceFailsOnClose) {
  TTextFileWriter Writer("/dev/full");
  Writer.Write("1,2,3");
  EXPECT_THROW(Writer.Close(), EWriteError);
}

} // namespace
} // namespace velastrin
