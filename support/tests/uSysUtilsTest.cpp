#include "support/uSysUtils.h"

#include "SupportTestUtil.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace velastrin {
namespace {

using test::RowName;
using test::SettingsParamTest;
using test::SettingsTest;

// ---- Assertions -------------------------------------------------------------------------

TEST(Assertion, MessageNamesTextFileBaseNameAndLine) {
  try {
    AssertFailed("Field is ReadOnly!", "/src/edf/uEDF.cpp", 321);
    FAIL() << "no exception";
  } catch (const EAssertionFailed& E) {
    EXPECT_STREQ(E.what(), "Field is ReadOnly! (uEDF.cpp, line 321)");
  }
}

TEST(Assertion, MacroRaisesWithThisFileAndLine) {
  const int Line = __LINE__ + 2;
  try {
    VELASTRIN_ASSERT(1 + 1 == 3, "Invalid LCID");
    FAIL() << "no exception";
  } catch (const EAssertionFailed& E) {
    EXPECT_EQ(E.Message(), "Invalid LCID (uSysUtilsTest.cpp, line " + std::to_string(Line) + ")");
  }
  EXPECT_NO_THROW(VELASTRIN_ASSERT(true, "never"));
}

// ---- Date encoding ----------------------------------------------------------------------

struct SerialRow {
  std::string Name;
  int Year, Month, Day;
  double Serial;
};

class DateSerial : public ::testing::TestWithParam<SerialRow> {};

TEST_P(DateSerial, EncodesAndDecodesBothWays) {
  const auto& R = GetParam();
  EXPECT_DOUBLE_EQ(EncodeDate(R.Year, R.Month, R.Day), R.Serial);
  // Before the epoch the time is the absolute fraction, so 18:00 lies below the day.
  uint16_t Y = 0, M = 0, D = 0, H = 0, N = 0, S = 0, Z = 0;
  const double WithTime = R.Serial < 0 ? R.Serial - 0.75 : R.Serial + 0.75;
  DecodeDate(WithTime, Y, M, D);
  DecodeTime(WithTime, H, N, S, Z);
  EXPECT_EQ(H, 18);
  EXPECT_EQ(Y, R.Year);
  EXPECT_EQ(M, R.Month);
  EXPECT_EQ(D, R.Day);
}

INSTANTIATE_TEST_SUITE_P(KnownDays, DateSerial,
                         ::testing::Values(SerialRow{"Epoch", 1899, 12, 30, 0},
                                           SerialRow{"NewYear1900", 1900, 1, 1, 2},
                                           SerialRow{"Year2000", 2000, 1, 1, 36526},
                                           SerialRow{"FirstDay", 1, 1, 1, -693593},
                                           SerialRow{"LastDay", 9999, 12, 31, 2958465},
                                           SerialRow{"LeapDay2000", 2000, 2, 29, 36585}),
                         RowName());

struct ValidDateRow {
  std::string Name;
  int Year, Month, Day;
  bool Valid;
};

class DateValidity : public ::testing::TestWithParam<ValidDateRow> {};

TEST_P(DateValidity, TryEncodeDateAcceptsOnlyCalendarDates) {
  const auto& R = GetParam();
  TDateTime D = -1;
  EXPECT_EQ(TryEncodeDate(R.Year, R.Month, R.Day, D), R.Valid);
  if (!R.Valid) {
    EXPECT_EQ(D, -1) << "value touched on failure";
    EXPECT_THROW(EncodeDate(R.Year, R.Month, R.Day), EConvertError);
  }
}

INSTANTIATE_TEST_SUITE_P(Calendar, DateValidity,
                         ::testing::Values(ValidDateRow{"Feb29InLeapYear", 2004, 2, 29, true},
                                           ValidDateRow{"Feb29InCommonYear", 2003, 2, 29, false},
                                           ValidDateRow{"Feb29In1900", 1900, 2, 29, false},
                                           ValidDateRow{"Feb29In2000", 2000, 2, 29, true},
                                           ValidDateRow{"Year0", 0, 1, 1, false},
                                           ValidDateRow{"Year10000", 10000, 1, 1, false},
                                           ValidDateRow{"Month13", 2003, 13, 1, false},
                                           ValidDateRow{"Day0", 2003, 1, 0, false},
                                           ValidDateRow{"April31", 2003, 4, 31, false}),
                         RowName());

TEST(DateDecode, NegativeSerialKeepsTheTimeAsAbsoluteFraction) {
  uint16_t Y, M, D, H, N, S, Z;
  DecodeDate(-1.25, Y, M, D);
  DecodeTime(-1.25, H, N, S, Z);
  EXPECT_EQ(Y, 1899);
  EXPECT_EQ(M, 12);
  EXPECT_EQ(D, 29);
  EXPECT_EQ(H, 6);
  EXPECT_EQ(N, 0);
}

TEST(DateDecode, TimeRoundsToTheMillisecond) {
  uint16_t H, N, S, Z;
  DecodeTime(EncodeTime(23, 59, 59, 999), H, N, S, Z);
  EXPECT_EQ(H, 23);
  EXPECT_EQ(N, 59);
  EXPECT_EQ(S, 59);
  EXPECT_EQ(Z, 999);
  DecodeTime(0.5, H, N, S, Z);
  EXPECT_EQ(H, 12);
  EXPECT_EQ(N + S + Z, 0);
}

TEST(DateDecode, OutOfRangeSerialGivesZeros) {
  uint16_t Y = 1, M = 1, D = 1;
  DecodeDate(1e12, Y, M, D);
  EXPECT_EQ(Y + M + D, 0);
  DecodeDate(std::nan(""), Y, M, D);
  EXPECT_EQ(Y + M + D, 0);
}

TEST(DateDecode, DayOfWeekCountsFromSunday) {
  EXPECT_EQ(DayOfWeek(EncodeDate(2003, 3, 17)), 2); // a Monday
  EXPECT_EQ(DayOfWeek(0), 7);                       // 30 December 1899, a Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 24)), 1);
}

TEST(TimeEncode, RejectsOutOfRangeParts) {
  TDateTime T = 0;
  EXPECT_TRUE(TryEncodeTime(23, 59, 59, 999, T));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, T));
  EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0, T));
  EXPECT_FALSE(TryEncodeTime(0, 0, 60, 0, T));
  EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, T));
  EXPECT_FALSE(TryEncodeTime(-1, 0, 0, 0, T));
  EXPECT_THROW(EncodeTime(25, 0, 0, 0), EConvertError);
}

// ---- Clock ------------------------------------------------------------------------------

TEST(Clock, ReplaceableNowDecidesTheCurrentYear) {
  SetNowFunction([] { return EncodeDate(1999, 6, 1); });
  EXPECT_EQ(CurrentYear(), 1999);
  SetNowFunction({});
  EXPECT_GE(CurrentYear(), 2024);
}

// ---- Date parse -------------------------------------------------------------------------

struct DateParseRow {
  std::string Name;
  std::string ShortDateFormat;
  char Separator;
  uint16_t Window;
  std::string Text;
  bool Valid;
  int Year, Month, Day;
};

class DateParse : public SettingsParamTest<DateParseRow> {};

TEST_P(DateParse, FollowsOrderSeparatorAndWindow) {
  const auto& R = GetParam();
  FormatSettings().ShortDateFormat = R.ShortDateFormat;
  FormatSettings().DateSeparator = R.Separator;
  FormatSettings().TwoDigitYearCenturyWindow = R.Window;
  TDateTime D = -12345;
  ASSERT_EQ(TryStrToDate(R.Text, D), R.Valid);
  if (R.Valid)
    EXPECT_EQ(D, EncodeDate(R.Year, R.Month, R.Day));
  else
    EXPECT_EQ(D, -12345);
  // The same settings given, with the process back at its defaults.
  const TFormatSettings Given = FormatSettings();
  FormatSettings() = TFormatSettings{};
  TDateTime G = -12345;
  EXPECT_EQ(TryStrToDate(R.Text, G, Given), R.Valid);
  EXPECT_EQ(G, D);
}

// The clock stands in 2026: with the window 50 two-digit years fall into 1976..2075.
INSTANTIATE_TEST_SUITE_P(
    Texts, DateParse,
    ::testing::Values(
        DateParseRow{"DayMonthYear", "dd/MM/yyyy", '/', 50, "17/03/2003", true, 2003, 3, 17},
        DateParseRow{"MonthDayYear", "M/d/yyyy", '/', 50, "3/17/2003", true, 2003, 3, 17},
        DateParseRow{"YearMonthDay", "yyyy/MM/dd", '/', 50, "2003/03/17", true, 2003, 3, 17},
        DateParseRow{"EraLetterMeansYearFirst", "ee/MM/dd", '/', 50, "2003/03/17", true, 2003, 3,
                     17},
        DateParseRow{"NoOrderLetterIsMonthFirst", "", '/', 50, "3/17/2003", true, 2003, 3, 17},
        DateParseRow{"DotSeparator", "dd.MM.yyyy", '.', 50, "17.03.2003", true, 2003, 3, 17},
        DateParseRow{"BlanksAroundParts", "dd/MM/yyyy", '/', 50, "  17 / 3 /2003 ", true, 2003, 3,
                     17},
        DateParseRow{"TwoNumbersMeanCurrentYear", "dd/MM/yyyy", '/', 50, "17/03", true, 2026, 3,
                     17},
        DateParseRow{"TwoNumbersMonthFirst", "MM/dd/yyyy", '/', 50, "03/17", true, 2026, 3, 17},
        DateParseRow{"TwoNumbersYearFirstFormat", "yyyy/MM/dd", '/', 50, "03/17", true, 2026, 3,
                     17},
        DateParseRow{"TwoDigitYearInWindow", "dd/MM/yy", '/', 50, "17/03/03", true, 2003, 3, 17},
        DateParseRow{"TwoDigitYearWindowStart", "dd/MM/yy", '/', 50, "01/01/76", true, 1976, 1, 1},
        DateParseRow{"TwoDigitYearWindowEnd", "dd/MM/yy", '/', 50, "31/12/75", true, 2075, 12, 31},
        DateParseRow{"OneDigitYear", "dd/MM/yy", '/', 50, "17/03/3", true, 2003, 3, 17},
        DateParseRow{"WindowZeroKeepsCentury", "dd/MM/yy", '/', 0, "17/03/99", true, 2099, 3, 17},
        DateParseRow{"ThreeDigitYearIsLiteral", "dd/MM/yyyy", '/', 50, "17/03/203", true, 203, 3,
                     17},
        DateParseRow{"YearFirstTwoDigits", "yy/MM/dd", '/', 50, "03/03/17", true, 2003, 3, 17},
        DateParseRow{"February30", "dd/MM/yyyy", '/', 50, "30/02/2003", false, 0, 0, 0},
        DateParseRow{"DayZero", "dd/MM/yyyy", '/', 50, "00/03/2003", false, 0, 0, 0},
        DateParseRow{"TrailingText", "dd/MM/yyyy", '/', 50, "17/03/2003x", false, 0, 0, 0},
        DateParseRow{"WrongSeparator", "dd/MM/yyyy", '/', 50, "17-03-2003", false, 0, 0, 0},
        DateParseRow{"OneNumber", "dd/MM/yyyy", '/', 50, "17", false, 0, 0, 0},
        DateParseRow{"DanglingSeparator", "dd/MM/yyyy", '/', 50, "17/03/", false, 0, 0, 0},
        DateParseRow{"FourNumbers", "dd/MM/yyyy", '/', 50, "17/03/2003/1", false, 0, 0, 0},
        DateParseRow{"OverlongYear", "dd/MM/yyyy", '/', 50, "17/03/120003", false, 0, 0, 0},
        DateParseRow{"Year10000", "dd/MM/yyyy", '/', 50, "17/03/10000", false, 0, 0, 0},
        DateParseRow{"Empty", "dd/MM/yyyy", '/', 50, "", false, 0, 0, 0},
        DateParseRow{"SignedNumber", "dd/MM/yyyy", '/', 50, "+17/03/2003", false, 0, 0, 0}),
    RowName());

TEST_F(SettingsTest, StrToDateRaisesWithQuotedText) {
  try {
    StrToDate("31/31/2003");
    FAIL() << "no exception";
  } catch (const EConvertError& E) {
    EXPECT_STREQ(E.what(), "'31/31/2003' is not a valid date");
  }
}

// ---- Time parse -------------------------------------------------------------------------

struct TimeParseRow {
  std::string Name;
  std::string Text;
  bool Valid;
  int Hour, Min, Sec, MSec;
};

class TimeParse : public SettingsParamTest<TimeParseRow> {};

TEST_P(TimeParse, ReadsHourMinuteSecondAndDayPeriod) {
  const auto& R = GetParam();
  FormatSettings().TimeAMString = "vm";
  FormatSettings().TimePMString = "nm";
  TDateTime T = -7;
  ASSERT_EQ(TryStrToTime(R.Text, T), R.Valid);
  if (R.Valid)
    EXPECT_NEAR(T, EncodeTime(R.Hour, R.Min, R.Sec, R.MSec), 1e-12);
  else
    EXPECT_EQ(T, -7);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TimeParse,
    ::testing::Values(TimeParseRow{"HourMinuteSecond", "10:20:30", true, 10, 20, 30, 0},
                      TimeParseRow{"HourMinute", "10:20", true, 10, 20, 0, 0},
                      TimeParseRow{"HourOnly", "7", true, 7, 0, 0, 0},
                      TimeParseRow{"Milliseconds", "10:20:30.123", true, 10, 20, 30, 123},
                      TimeParseRow{"BlanksAround", "  10 : 20  ", true, 10, 20, 0, 0},
                      TimeParseRow{"PmAfter", "1:05 PM", true, 13, 5, 0, 0},
                      TimeParseRow{"PmBefore", "PM 1:05", true, 13, 5, 0, 0},
                      TimeParseRow{"PmLowerCase", "1:05pm", true, 13, 5, 0, 0},
                      TimeParseRow{"LocalePmText", "1:05 nm", true, 13, 5, 0, 0},
                      TimeParseRow{"LocaleAmText", "vm 11:05", true, 11, 5, 0, 0},
                      TimeParseRow{"TwelveAmIsMidnight", "12:00 AM", true, 0, 0, 0, 0},
                      TimeParseRow{"TwelvePmIsNoon", "12:00 PM", true, 12, 0, 0, 0},
                      TimeParseRow{"ZeroWithAm", "0:30 AM", false, 0, 0, 0, 0},
                      TimeParseRow{"ThirteenWithPm", "13:00 PM", false, 0, 0, 0, 0},
                      TimeParseRow{"Hour24", "24:00", false, 0, 0, 0, 0},
                      TimeParseRow{"Minute60", "10:60", false, 0, 0, 0, 0},
                      TimeParseRow{"Millisecond1000", "10:20:30.1000", false, 0, 0, 0, 0},
                      TimeParseRow{"TrailingText", "10:20:30 x", false, 0, 0, 0, 0},
                      TimeParseRow{"DanglingSeparator", "10:", false, 0, 0, 0, 0},
                      TimeParseRow{"Empty", "", false, 0, 0, 0, 0},
                      TimeParseRow{"AmPmBothSides", "AM 1:00 PM", false, 0, 0, 0, 0}),
    RowName());

TEST_F(SettingsTest, TimeParseUsesTheProcessSeparators) {
  FormatSettings().TimeSeparator = '.';
  FormatSettings().DecimalSeparator = ',';
  TDateTime T = 0;
  ASSERT_TRUE(TryStrToTime("10.20.30,5", T));
  EXPECT_NEAR(T, EncodeTime(10, 20, 30, 5), 1e-12);
  EXPECT_FALSE(TryStrToTime("10:20:30", T));
  EXPECT_THROW(StrToTime("10:20"), EConvertError);
}

// ---- Date-time formatting ---------------------------------------------------------------

struct FormatRow {
  std::string Name;
  std::string Format;
  std::string Expected;
};

class DateTimeFormatting : public SettingsParamTest<FormatRow> {};

// Monday 7 March 2005, 15:04:05.009
TEST_P(DateTimeFormatting, WritesEachToken) {
  const auto& R = GetParam();
  FormatSettings().DateSeparator = '-';
  FormatSettings().TimeSeparator = '.';
  const TDateTime V = EncodeDate(2005, 3, 7) + EncodeTime(15, 4, 5, 9);
  EXPECT_EQ(FormatDateTime(R.Format, V), R.Expected);
  const TFormatSettings Given = FormatSettings();
  FormatSettings() = TFormatSettings{};
  EXPECT_EQ(FormatDateTime(R.Format, V, Given), R.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, DateTimeFormatting,
    ::testing::Values(
        FormatRow{"DayMonthShort", "d m", "7 3"}, FormatRow{"DayMonthPadded", "dd mm", "07 03"},
        FormatRow{"Years", "yy yyyy", "05 2005"},
        FormatRow{"Names", "ddd dddd mmm mmmm", "Mon Monday Mar March"},
        FormatRow{"UpperCaseLetters", "DD-MM-YYYY", "07-03-2005"},
        FormatRow{"SeparatorsFromSettings", "dd/mm/yyyy hh:nn:ss", "07-03-2005 15.04.05"},
        FormatRow{"TimeShort", "h n s z", "15 4 5 9"},
        FormatRow{"TimePadded", "hh nn ss zzz", "15 04 05 009"},
        FormatRow{"MinuteAfterHour", "hh:mm", "15.04"}, FormatRow{"MonthWithoutHour", "mm", "03"},
        FormatRow{"QuotedLiterals", "'day' d \"hour\" h", "day 7 hour 15"},
        FormatRow{"UnclosedQuote", "d 'rest", "7 rest"},
        FormatRow{"AmPmLowerCase", "h:nn am/pm", "3.04 pm"},
        FormatRow{"AmPmUpperCase", "h:nn AM/PM", "3.04 PM"}, FormatRow{"APShort", "h a/p", "3 p"},
        FormatRow{"AmPmFromSettings", "hh ampm", "03 PM"}, FormatRow{"LiteralA", "a", "a"},
        FormatRow{"OtherCharactersStay", "d# x", "7# x"},
        FormatRow{"ShortDateToken", "ddddd", "3-7-2005"},
        FormatRow{"DateAndTimeToken", "c", "3-7-2005 3.04.05 PM"},
        FormatRow{"LongTimeToken", "tt", "3.04.05 PM"},
        FormatRow{"EmptyIsC", "", "3-7-2005 3.04.05 PM"}),
    RowName());

TEST_F(SettingsTest, TwelveHourClockShowsMidnightAsTwelve) {
  EXPECT_EQ(FormatDateTime("h ampm", EncodeTime(0, 30, 0, 0)), "12 AM");
  EXPECT_EQ(FormatDateTime("h ampm", EncodeTime(12, 30, 0, 0)), "12 PM");
  EXPECT_EQ(FormatDateTime("hh", EncodeTime(0, 30, 0, 0)), "00");
}

TEST_F(SettingsTest, YearsBelowOneThousandArePadded) {
  EXPECT_EQ(FormatDateTime("yyyy yy", EncodeDate(33, 1, 1)), "0033 33");
}

TEST_F(SettingsTest, DateTimeToStrLeavesOutMidnight) {
  FormatSettings().ShortDateFormat = "dd/mm/yyyy";
  FormatSettings().LongTimeFormat = "hh:nn:ss";
  FormatSettings().DateSeparator = '.';
  EXPECT_EQ(DateTimeToStr(EncodeDate(2003, 3, 17)), "17.03.2003");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2003, 3, 17) + EncodeTime(15, 5, 0, 0)),
            "17.03.2003 15:05:00");
}

TEST_F(SettingsTest, SelfReferencingFormatsStop) {
  FormatSettings().ShortDateFormat = "ddddd";
  EXPECT_NO_THROW(FormatDateTime("c", 1.5));
}

// ---- Floats -----------------------------------------------------------------------------

struct FloatRow {
  std::string Name;
  long double Value;
  TFloatFormat Format;
  int Precision, Digits;
  std::string Point; // expected with "." and ","
  std::string Comma; // expected with "," and "."
};

class FloatFormatting : public SettingsParamTest<FloatRow> {};

TEST_P(FloatFormatting, WritesUnderBothDecimalMarks) {
  const auto& R = GetParam();
  FormatSettings().DecimalSeparator = '.';
  FormatSettings().ThousandSeparator = ',';
  EXPECT_EQ(FloatToStrF(R.Value, R.Format, R.Precision, R.Digits), R.Point);
  FormatSettings().DecimalSeparator = ',';
  FormatSettings().ThousandSeparator = '.';
  EXPECT_EQ(FloatToStrF(R.Value, R.Format, R.Precision, R.Digits), R.Comma);
  const TFormatSettings Comma = FormatSettings();
  FormatSettings() = TFormatSettings{};
  EXPECT_EQ(FloatToStrF(R.Value, R.Format, R.Precision, R.Digits, Comma), R.Comma);
}

constexpr auto G = TFloatFormat::ffGeneral;
constexpr auto E = TFloatFormat::ffExponent;
constexpr auto F = TFloatFormat::ffFixed;
constexpr auto N = TFloatFormat::ffNumber;

INSTANTIATE_TEST_SUITE_P(
    Values, FloatFormatting,
    ::testing::Values(
        FloatRow{"GeneralZero", 0.0L, G, 15, 0, "0", "0"},
        FloatRow{"GeneralNegativeZero", -0.0L, G, 15, 0, "0", "0"},
        FloatRow{"GeneralFraction", 123.4567L, G, 15, 0, "123.4567", "123,4567"},
        FloatRow{"GeneralNegative", -1234.5L, G, 15, 0, "-1234.5", "-1234,5"},
        FloatRow{"GeneralNoThousands", 1234567.0L, G, 15, 0, "1234567", "1234567"},
        FloatRow{"GeneralRoundsToPrecision", 2.0L / 3, G, 3, 0, "0.667", "0,667"},
        FloatRow{"GeneralHalfGoesUp", 2.5L, G, 1, 0, "3", "3"},
        FloatRow{"GeneralCarryAddsDigit", 9.9999L, G, 3, 0, "10", "10"},
        FloatRow{"GeneralFifteenDigitInteger", 999999999999999.0L, G, 15, 0, "999999999999999",
                 "999999999999999"},
        FloatRow{"GeneralIntegerLongerThanPrecision", 1e15L, G, 15, 0, "1E+15", "1E+15"},
        FloatRow{"GeneralCarryPastPrecision", 999.6L, G, 3, 0, "1E+3", "1E+3"},
        FloatRow{"GeneralScientificFraction", 1.5e20L, G, 15, 3, "1.5E+020", "1,5E+020"},
        FloatRow{"GeneralSmallestFixed", 0.00001L, G, 15, 0, "0.00001", "0,00001"},
        FloatRow{"GeneralBelowFixed", 0.000009L, G, 15, 0, "9E-6", "9E-6"},
        FloatRow{"GeneralTinyWithDigits", -2.5e-10L, G, 15, 2, "-2.5E-10", "-2,5E-10"},
        FloatRow{"GeneralEighteenDigits", 0.1L, G, 18, 0, "0.1", "0,1"},
        FloatRow{"ExponentPadsMantissa", 1234.5L, E, 5, 3, "1.2345E+003", "1,2345E+003"},
        FloatRow{"ExponentNegative", -0.00012L, E, 3, 0, "-1.20E-4", "-1,20E-4"},
        FloatRow{"ExponentZero", 0.0L, E, 3, 2, "0.00E+00", "0,00E+00"},
        FloatRow{"FixedPadsDecimals", 1.5L, F, 15, 3, "1.500", "1,500"},
        FloatRow{"FixedRoundsHalfUp", 0.125L, F, 15, 2, "0.13", "0,13"},
        FloatRow{"FixedPrecisionLimitsDigits", 1.23456789L, F, 4, 6, "1.235000", "1,235000"},
        FloatRow{"FixedNoDecimals", 2.5L, F, 15, 0, "3", "3"},
        FloatRow{"FixedNegativeRoundsToZero", -0.001L, F, 15, 2, "0.00", "0,00"},
        FloatRow{"FixedSmallRoundsUp", 0.006L, F, 15, 2, "0.01", "0,01"},
        FloatRow{"FixedTooLongFallsBack", 1.5e20L, F, 15, 2, "1.5E+20", "1,5E+20"},
        FloatRow{"NumberGroupsThousands", 1234567.891L, N, 15, 2, "1,234,567.89", "1.234.567,89"},
        FloatRow{"NumberNegativeGroups", -123456.0L, N, 15, 0, "-123,456", "-123.456"},
        FloatRow{"NumberShortHasNoGroup", 123.0L, N, 15, 1, "123.0", "123,0"}),
    RowName());

TEST_F(SettingsTest, NonFiniteFloatsHaveNames) {
  EXPECT_EQ(FloatToStrF(std::nanl(""), G, 15, 0), "NAN");
  EXPECT_EQ(FloatToStrF(INFINITY, G, 15, 0), "INF");
  EXPECT_EQ(FloatToStrF(-INFINITY, F, 15, 2), "-INF");
}

TEST_F(SettingsTest, NumberWithoutThousandSeparatorHasNoGroups) {
  FormatSettings().ThousandSeparator = '\0';
  EXPECT_EQ(FloatToStrF(1234567.0L, N, 15, 0), "1234567");
}

struct FloatParseRow {
  std::string Name;
  char Decimal;
  std::string Text;
  bool Valid;
  long double Value;
};

class FloatParse : public SettingsParamTest<FloatParseRow> {};

TEST_P(FloatParse, ReadsTheProcessDecimalMark) {
  const auto& R = GetParam();
  FormatSettings().DecimalSeparator = R.Decimal;
  long double V = -99;
  ASSERT_EQ(TryStrToFloat(R.Text, V), R.Valid);
  if (R.Valid)
    EXPECT_EQ(V, R.Value);
  else
    EXPECT_EQ(V, -99);
  FormatSettings().DecimalSeparator = R.Decimal == '.' ? ',' : '.';
  TFormatSettings Given;
  Given.DecimalSeparator = R.Decimal;
  long double G = -99;
  EXPECT_EQ(TryStrToFloat(R.Text, G, Given), R.Valid);
  EXPECT_EQ(G, V);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FloatParse,
    ::testing::Values(FloatParseRow{"Point", '.', "1.5", true, 1.5L},
                      FloatParseRow{"Comma", ',', "1,5", true, 1.5L},
                      FloatParseRow{"PointUnderComma", ',', "1.5", false, 0},
                      FloatParseRow{"CommaUnderPoint", '.', "1,5", false, 0},
                      FloatParseRow{"Blanks", '.', "  -2.25  ", true, -2.25L},
                      FloatParseRow{"PlusSign", '.', "+3", true, 3},
                      FloatParseRow{"LeadingMark", '.', ".5", true, 0.5L},
                      FloatParseRow{"TrailingMark", '.', "5.", true, 5},
                      FloatParseRow{"Exponent", ',', "1,5e3", true, 1500},
                      FloatParseRow{"NegativeExponent", '.', "25E-2", true, 0.25L},
                      FloatParseRow{"LongDigitRun", '.', "0.1000000000000000000000000000000001",
                                    true, 0.1L},
                      FloatParseRow{"Underflow", '.', "1e-99999", true, 0},
                      FloatParseRow{"Overflow", '.', "1e99999", false, 0},
                      FloatParseRow{"MarkOnly", '.', ".", false, 0},
                      FloatParseRow{"SignOnly", '.', "-", false, 0},
                      FloatParseRow{"ExponentWithoutDigits", '.', "1e", false, 0},
                      FloatParseRow{"TwoMarks", '.', "1.2.3", false, 0},
                      FloatParseRow{"InnerBlank", '.', "1 5", false, 0},
                      FloatParseRow{"Tab", '.', "\t1.5", false, 0},
                      FloatParseRow{"Empty", '.', "", false, 0},
                      FloatParseRow{"Hex", '.', "0x10", false, 0},
                      FloatParseRow{"Infinity", '.', "INF", false, 0},
                      FloatParseRow{"NulByte", '.', std::string("1\0", 2), false, 0}),
    RowName());

// Number text must not follow the C library's locale.
TEST_F(SettingsTest, NumbersIgnoreTheCLibraryLocale) {
  long double V = 0;
  bool Parsed = false;
  std::string Text, Small;
  bool Active = false;
  {
    test::TCommaCLocale Comma;
    Active = Comma.Active();
    Parsed = TryStrToFloat("1.5", V);
    Text = FloatToStrF(1234.5L, N, 15, 2);
    Small = FloatToStrF(2.5e-7L, G, 15, 0);
  }
  if (!Active)
    GTEST_SKIP() << "no comma locale could be installed";
  EXPECT_TRUE(Parsed);
  EXPECT_EQ(V, 1.5L);
  EXPECT_EQ(Text, "1,234.50");
  EXPECT_EQ(Small, "2.5E-7");
}

// ---- Integers ---------------------------------------------------------------------------

struct IntRow {
  std::string Name;
  std::string Text;
  bool Valid32;
  bool Valid64;
  int64_t Value;
};

class IntegerParse : public ::testing::TestWithParam<IntRow> {};

TEST_P(IntegerParse, FollowsThePlatformSyntax) {
  const auto& R = GetParam();
  int32_t V32 = 77;
  int64_t V64 = 77;
  EXPECT_EQ(TryStrToInt(R.Text, V32), R.Valid32);
  EXPECT_EQ(TryStrToInt64(R.Text, V64), R.Valid64);
  if (R.Valid32)
    EXPECT_EQ(V32, R.Value);
  else
    EXPECT_EQ(V32, 77);
  if (R.Valid64) {
    EXPECT_EQ(V64, R.Value);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IntegerParse,
    ::testing::Values(
        IntRow{"Plain", "42", true, true, 42}, IntRow{"LeadingBlanks", "   42", true, true, 42},
        IntRow{"TrailingBlank", "42 ", false, false, 0}, IntRow{"Negative", "-17", true, true, -17},
        IntRow{"Plus", "+17", true, true, 17}, IntRow{"Dollar", "$1F", true, true, 31},
        IntRow{"LowerX", "x1f", true, true, 31}, IntRow{"UpperX", "X10", true, true, 16},
        IntRow{"ZeroX", "0x10", true, true, 16}, IntRow{"ZeroUpperX", "0XfF", true, true, 255},
        IntRow{"NegativeHex", "-$10", true, true, -16},
        IntRow{"Int32Min", "-2147483648", true, true, -2147483648LL},
        IntRow{"Int32Max", "2147483647", true, true, 2147483647},
        IntRow{"AboveInt32", "2147483648", false, true, 2147483648LL},
        IntRow{"HexAboveInt32", "$FFFFFFFF", false, true, 4294967295LL},
        IntRow{"Int64Min", "-9223372036854775808", false, true, INT64_MIN},
        IntRow{"Int64Max", "9223372036854775807", false, true, INT64_MAX},
        IntRow{"AboveInt64", "9223372036854775808", false, false, 0},
        IntRow{"OverlongRun", std::string(400, '9'), false, false, 0},
        IntRow{"LeadingZeros", std::string(300, '0') + "5", true, true, 5},
        IntRow{"InnerBlank", "4 2", false, false, 0},
        IntRow{"TrailingLetter", "42a", false, false, 0}, IntRow{"Decimal", "1.0", false, false, 0},
        IntRow{"Empty", "", false, false, 0}, IntRow{"SignOnly", "-", false, false, 0},
        IntRow{"DollarOnly", "$", false, false, 0}, IntRow{"ZeroXOnly", "0x", false, false, 0},
        IntRow{"HexDigitWithoutPrefix", "1F", false, false, 0},
        IntRow{"DoubleSign", "--1", false, false, 0},
        IntRow{"NulByte",
               std::string("1\0"
                           "2",
                           3),
               false, false, 0},
        IntRow{"HighByte", "1\xB2", false, false, 0}, IntRow{"TabPrefix", "\t1", false, false, 0}),
    RowName());

TEST(IntegerText, IntToStrCoversTheRange) {
  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(-42), "-42");
  EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
}

// ---- Text helpers -----------------------------------------------------------------------

TEST(TextHelpers, TrimRemovesControlCharactersButNotHighBytes) {
  EXPECT_EQ(Trim(std::string("\t\0 ab c\r\n", 9)), "ab c");
  EXPECT_EQ(TrimLeft("  a  "), "a  ");
  EXPECT_EQ(TrimRight("  a  "), "  a");
  EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");
  EXPECT_EQ(Trim("   "), "");
}

TEST(TextHelpers, ZeroPaddedPadsTheDigitsAfterTheSign) {
  EXPECT_EQ(ZeroPadded(7, 2), "07");
  EXPECT_EQ(ZeroPadded(7, 0), "7");
  EXPECT_EQ(ZeroPadded(123, 2), "123"); // never cut
  EXPECT_EQ(ZeroPadded(0, 3), "000");
  EXPECT_EQ(ZeroPadded(-5, 3), "-005");
  EXPECT_EQ(ZeroPadded(INT64_MIN, 0), "-9223372036854775808");
}

TEST(TextHelpers, CaseRoutinesTouchOnlyAsciiLetters) {
  EXPECT_EQ(UpperCase("abz\xE4[1"), "ABZ\xE4[1");
  EXPECT_EQ(LowerCase("ABZ\xC4@"), "abz\xC4@");
  EXPECT_TRUE(SameText("Info", "INFO"));
  EXPECT_FALSE(SameText("Info", "Inf"));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("b", "A"), 0);
  EXPECT_LT(CompareText("ab", "abc"), 0);
  EXPECT_EQ(CompareText("aBc", "AbC"), 0);
}

// ---- Command line -----------------------------------------------------------------------

TEST(CommandLine, ParametersAndSwitches) {
  SetCommandLine({"/usr/bin/velastrin", "night.edf", "-Info", "/COMMA", "-", "/"});
  EXPECT_EQ(ParamCount(), 5);
  EXPECT_EQ(ParamStr(0), "/usr/bin/velastrin");
  EXPECT_EQ(ParamStr(1), "night.edf");
  EXPECT_EQ(ParamStr(6), "");
  EXPECT_EQ(ParamStr(-1), "");
  EXPECT_TRUE(FindCmdLineSwitch("info"));
  EXPECT_TRUE(FindCmdLineSwitch("comma"));
  EXPECT_FALSE(FindCmdLineSwitch("comma", false));
  EXPECT_TRUE(FindCmdLineSwitch("COMMA", false));
  EXPECT_FALSE(FindCmdLineSwitch("night.edf"));
  EXPECT_FALSE(FindCmdLineSwitch("inf"));
  EXPECT_FALSE(FindCmdLineSwitch(""));
  const char* Argv[] = {"prog", "/BATCH"};
  SetCommandLine(2, Argv);
  EXPECT_EQ(ParamCount(), 1);
  EXPECT_TRUE(FindCmdLineSwitch("batch"));
  EXPECT_FALSE(FindCmdLineSwitch("info"));
  SetCommandLine(std::vector<std::string>{});
  EXPECT_EQ(ParamCount(), 0);
  EXPECT_EQ(ParamStr(0), "");
}

// ---- Locale settings --------------------------------------------------------------------

TEST(LocaleSettings, CAndPosixGiveTheEnglishDefaults) {
  for (const char* Name : {"", "C", "POSIX", "C.UTF-8"}) {
    const TFormatSettings S = GetLocaleFormatSettingsByName(Name);
    EXPECT_EQ(S.DecimalSeparator, '.') << Name;
    EXPECT_EQ(S.ShortMonthNames[0], "Jan") << Name;
    EXPECT_EQ(S.LongDayNames[0], "Sunday") << Name;
    EXPECT_EQ(S.TwoDigitYearCenturyWindow, 50) << Name;
  }
}

TEST(LocaleSettings, GermanHasCommaDotsAndUtf8Names) {
  const TFormatSettings S = GetLocaleFormatSettingsByName("de_DE.UTF-8");
  EXPECT_EQ(S.DecimalSeparator, ',');
  EXPECT_EQ(S.ThousandSeparator, '.');
  EXPECT_EQ(S.DateSeparator, '.');
  EXPECT_EQ(S.LongMonthNames[2], "M\xC3\xA4rz");
  EXPECT_EQ(S.LongDayNames[0], "Sonntag");
  EXPECT_EQ(S.LongDayNames[6], "Samstag");
  // Day first, then month, four-digit year.
  EXPECT_EQ(S.ShortDateFormat.find_first_of("dDmMyY"), S.ShortDateFormat.find_first_of("dD"));
  EXPECT_NE(S.ShortDateFormat.find("yyyy"), std::string::npos);
  EXPECT_EQ(S.LongTimeFormat, "hh:nn:ss");
}

TEST(LocaleSettings, AmericanEnglishIsMonthFirstWithDayPeriod) {
  const TFormatSettings S = GetLocaleFormatSettingsByName("en_US");
  EXPECT_EQ(S.ShortDateFormat, "M/d/yyyy");
  EXPECT_EQ(S.LongTimeFormat, "h:nn:ss AMPM");
  EXPECT_EQ(S.TimeAMString, "AM");
  EXPECT_EQ(S.LongMonthNames[11], "December");
}

TEST(LocaleSettings, FormatsFromIcuDriveTheDateParse) {
  test::TSettingsScope Scope;
  FormatSettings() = GetLocaleFormatSettingsByName("de_DE");
  TDateTime D = 0;
  ASSERT_TRUE(TryStrToDate("17.03.2003", D));
  EXPECT_EQ(D, EncodeDate(2003, 3, 17));
  EXPECT_EQ(DateTimeToStr(D + EncodeTime(15, 5, 0, 0)), "17.03.2003 15:05:00");
  long double V = 0;
  ASSERT_TRUE(TryStrToFloat("1,25", V));
  EXPECT_EQ(V, 1.25L);
}

TEST(LocaleSettings, LcidsMapThroughIcu) {
  EXPECT_TRUE(IsLCIDKnown(0));
  EXPECT_TRUE(IsLCIDKnown(0x0407)); // German (Germany)
  EXPECT_TRUE(IsLCIDKnown(0x0413)); // Dutch (Netherlands)
  EXPECT_FALSE(IsLCIDKnown(0x12345678));
  EXPECT_EQ(GetLocaleFormatSettings(0x0413).LongMonthNames[2], "maart");
  EXPECT_EQ(GetLocaleFormatSettings(0x0407).DecimalSeparator, ',');
  EXPECT_EQ(GetLocaleFormatSettings(0x12345678).ShortMonthNames[0], "Jan");
}

TEST(LocaleSettings, DefaultLcidsAreTheProcessSettings) {
  test::TSettingsScope Scope;
  FormatSettings().LongMonthNames[0] = "Primo";
  for (uint32_t Lcid : {0x0u, 0x0400u, 0x0800u}) {
    EXPECT_TRUE(IsLCIDKnown(Lcid)) << Lcid;
    EXPECT_EQ(GetLocaleFormatSettings(Lcid).LongMonthNames[0], "Primo") << Lcid;
  }
}

// Environment variables for the length of one test.
class TEnvScope {
public:
  TEnvScope() {
    for (const char* N : Names) {
      const char* V = std::getenv(N);
      FSaved.emplace_back(V != nullptr, V ? V : "");
    }
  }
  ~TEnvScope() {
    for (std::size_t I = 0; I < std::size(Names); ++I)
      if (FSaved[I].first)
        setenv(Names[I], FSaved[I].second.c_str(), 1);
      else
        unsetenv(Names[I]);
  }
  void Set(const char* Name, const char* Value) {
    if (Value)
      setenv(Name, Value, 1);
    else
      unsetenv(Name);
  }

private:
  static constexpr const char* Names[] = {"LC_ALL", "LC_TIME", "LC_NUMERIC", "LANG"};
  std::vector<std::pair<bool, std::string>> FSaved;
};

struct EnvRow {
  std::string Name;
  const char* All;
  const char* Time;
  const char* Numeric;
  const char* Lang;
  std::string March;
  char Decimal;
};

class EnvironmentLocale : public SettingsParamTest<EnvRow> {};

TEST_P(EnvironmentLocale, PicksTimeAndNumericSources) {
  const auto& R = GetParam();
  TEnvScope Env;
  Env.Set("LC_ALL", R.All);
  Env.Set("LC_TIME", R.Time);
  Env.Set("LC_NUMERIC", R.Numeric);
  Env.Set("LANG", R.Lang);
  InitFormatSettingsFromEnvironment();
  EXPECT_EQ(FormatSettings().LongMonthNames[2], R.March);
  EXPECT_EQ(FormatSettings().DecimalSeparator, R.Decimal);
}

INSTANTIATE_TEST_SUITE_P(
    Variables, EnvironmentLocale,
    ::testing::Values(EnvRow{"NothingSetIsEnglish", nullptr, nullptr, nullptr, nullptr, "March",
                             '.'},
                      EnvRow{"AllWins", "de_DE.UTF-8", "C", "C", "C", "M\xC3\xA4rz", ','},
                      EnvRow{"AllC", "C", "de_DE.UTF-8", "de_DE.UTF-8", "de_DE", "March", '.'},
                      EnvRow{"LangAlone", nullptr, nullptr, nullptr, "nl_NL.UTF-8", "maart", ','},
                      EnvRow{"TimeAndNumericSeparately", nullptr, "de_DE.UTF-8", "C", "fr_FR",
                             "M\xC3\xA4rz", '.'},
                      EnvRow{"NumericFromLang", nullptr, "C", nullptr, "de_DE.UTF-8", "March", ','},
                      EnvRow{"Posix", "POSIX", nullptr, nullptr, nullptr, "March", '.'}),
    RowName());

TEST(LocaleSettings, SettingOverrideRestoresOnException) {
  test::TSettingsScope Scope;
  try {
    TSettingOverride<char> Guard(&TFormatSettings::DecimalSeparator, ',');
    EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
    throw EConvertError("x");
  } catch (const EConvertError&) {
  }
  EXPECT_EQ(FormatSettings().DecimalSeparator, '.');
}

} // namespace
} // namespace velastrin
