#include "support/udStr.h"

#include "SupportTestUtil.h"

#include <gtest/gtest.h>

#include <random>

namespace velastrin {
namespace {

using test::RowName;
using test::SettingsParamTest;
using test::SettingsTest;

// ---- Integer checks ---------------------------------------------------------------------

struct IntCheckRow {
  std::string Name;
  std::string Text;
  bool Integer, SmallInt, Word;
};

class IntegerChecks : public ::testing::TestWithParam<IntCheckRow> {};

TEST_P(IntegerChecks, AnswerPerRange) {
  const auto& R = GetParam();
  EXPECT_EQ(IsInteger(R.Text), R.Integer);
  EXPECT_EQ(IsSmallInt(R.Text), R.SmallInt);
  EXPECT_EQ(IsWord(R.Text), R.Word);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IntegerChecks,
    ::testing::Values(
        IntCheckRow{"BlanksAround", "  12  ", true, true, true},
        IntCheckRow{"ControlCharactersAround", "\t12\r\n", true, true, true},
        IntCheckRow{"Int32Min", "-2147483648", true, false, false},
        IntCheckRow{"Int32Max", "2147483647", true, false, false},
        IntCheckRow{"AboveInt32", "2147483648", false, false, false},
        IntCheckRow{"BelowInt32", "-2147483649", false, false, false},
        IntCheckRow{"Decimal", "1.0", false, false, false},
        IntCheckRow{"Hex", "$10", true, true, true},
        IntCheckRow{"HexZeroX", "0xFFFF", true, false, true},
        IntCheckRow{"SmallIntMax", "32767", true, true, true},
        IntCheckRow{"AboveSmallInt", "32768", true, false, true},
        IntCheckRow{"SmallIntMin", "-32768", true, true, false},
        IntCheckRow{"BelowSmallInt", "-32769", true, false, false},
        IntCheckRow{"WordMax", "65535", true, false, true},
        IntCheckRow{"AboveWord", "65536", true, false, false},
        IntCheckRow{"MinusOne", "-1", true, true, false},
        IntCheckRow{"MinusZero", "-0", true, true, true},
        IntCheckRow{"InnerBlank", "4 2", false, false, false},
        IntCheckRow{"TrailingLetter", "42a", false, false, false},
        IntCheckRow{"BlankAfterSign", "- 1", false, false, false},
        IntCheckRow{"Empty", "", false, false, false},
        IntCheckRow{"OnlyBlanks", "   ", false, false, false},
        IntCheckRow{"SignOnly", "+", false, false, false},
        IntCheckRow{"LeadingNulIsTrimmed",
                    std::string("\0"
                                "12",
                                3),
                    true, true, true},
        IntCheckRow{"InnerNul",
                    std::string("1\0"
                                "2",
                                3),
                    false, false, false},
        IntCheckRow{"Latin1Superscript", "\xB9", false, false, false},
        IntCheckRow{"FullwidthDigits", "\xEF\xBC\x91\xEF\xBC\x92", false, false, false},
        IntCheckRow{"OverlongDigitRun", std::string(60, '9'), false, false, false},
        IntCheckRow{"OverlongHexRun", "$" + std::string(40, 'F'), false, false, false},
        IntCheckRow{"ManyLeadingZeros", std::string(200, '0') + "7", true, true, true}),
    RowName());

// ---- IsFloat ----------------------------------------------------------------------------

struct FloatCheckRow {
  std::string Name;
  std::string Text;
  bool WithPoint; // process decimal separator "."
  bool WithComma; // process decimal separator ","
};

class FloatCheck : public SettingsParamTest<FloatCheckRow> {};

TEST_P(FloatCheck, DependsOnTheProcessDecimalSeparator) {
  const auto& R = GetParam();
  FormatSettings().DecimalSeparator = '.';
  EXPECT_EQ(IsFloat(R.Text), R.WithPoint) << "under .";
  FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(IsFloat(R.Text), R.WithComma) << "under ,";
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
  // Given settings win over the process settings (now ",").
  const TFormatSettings Point;
  EXPECT_EQ(IsFloat(R.Text, Point), R.WithPoint) << "given .";
  FormatSettings().DecimalSeparator = '.';
  TFormatSettings Comma;
  Comma.DecimalSeparator = ',';
  EXPECT_EQ(IsFloat(R.Text, Comma), R.WithComma) << "given ,";
}

INSTANTIATE_TEST_SUITE_P(Texts, FloatCheck,
                         ::testing::Values(FloatCheckRow{"PointFraction", "1.5", true, false},
                                           FloatCheckRow{"CommaFraction", "1,5", false, true},
                                           FloatCheckRow{"Integer", "15", true, true},
                                           FloatCheckRow{"HexInteger", "$F", false, false},
                                           FloatCheckRow{"ExponentWithoutMark", "1e5", true, false},
                                           FloatCheckRow{"CommaWithExponent", "1,5e3", false, true},
                                           FloatCheckRow{"Blanks", "  1.5 ", true, false},
                                           FloatCheckRow{"ControlBlanks", "\t-2,5\n", false, true},
                                           FloatCheckRow{"LeadingMark", "-.5", true, false},
                                           FloatCheckRow{"LeadingComma", "-,5", false, true},
                                           FloatCheckRow{"TrailingMark", "1.", true, false},
                                           FloatCheckRow{"MarkOnly", ".", false, false},
                                           FloatCheckRow{"Empty", "", false, false},
                                           FloatCheckRow{"TwoPoints", "1.5.6", false, false},
                                           FloatCheckRow{"TwoCommas", "1,5,6", false, false},
                                           FloatCheckRow{"Overflow", "1e99999", false, false},
                                           FloatCheckRow{"HugeButFinite",
                                                         "1" + std::string(400, '0'), true, false},
                                           FloatCheckRow{"InnerNul",
                                                         std::string("1\0"
                                                                     "5",
                                                                     3),
                                                         false, false},
                                           FloatCheckRow{"HighByte",
                                                         "1\xB7"
                                                         "5",
                                                         false, false},
                                           FloatCheckRow{"ExponentSignOnly", "1e+", false, false}),
                         RowName());

// ---- IsFloatSep -------------------------------------------------------------------------

struct FloatSepRow {
  std::string Name;
  std::string Text;
  char Dec, Thou;
  bool WithPoint, WithComma;
};

class FloatSepCheck : public SettingsParamTest<FloatSepRow> {};

TEST_P(FloatSepCheck, ChecksGroupingAndOrder) {
  const auto& R = GetParam();
  FormatSettings().DecimalSeparator = '.';
  EXPECT_EQ(IsFloatSep(R.Text, R.Dec, R.Thou), R.WithPoint) << "under .";
  FormatSettings().DecimalSeparator = ',';
  EXPECT_EQ(IsFloatSep(R.Text, R.Dec, R.Thou), R.WithComma) << "under ,";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FloatSepCheck,
    ::testing::Values(FloatSepRow{"EuropeanGrouped", "1.234,5", ',', '.', true, true},
                      FloatSepRow{"ThousandsAfterDecimal", "1,234.5", ',', '.', false, false},
                      FloatSepRow{"BadGroup", "12.34", ',', '.', false, false},
                      FloatSepRow{"GroupTooLong", "1.2345", ',', '.', false, false},
                      FloatSepRow{"GroupingOptional", "1234,5", ',', '.', true, true},
                      FloatSepRow{"SeparatorAfterLastDecimal", "1.234,5.6", ',', '.', false, false},
                      FloatSepRow{"TwoGroups", "1.234.567", ',', '.', true, true},
                      FloatSepRow{"MinusAtGroupEdge", "-123.456", ',', '.', true, true},
                      FloatSepRow{"PlusAtGroupEdge", "+123.456", ',', '.', false, false},
                      FloatSepRow{"SignedGrouped", "-1.234,5", ',', '.', true, true},
                      FloatSepRow{"GroupAtTextStart", ".123", ',', '.', true, true},
                      FloatSepRow{"DoubledSeparator", "1..234", ',', '.', false, false},
                      FloatSepRow{"AmericanGrouped", "1,234.5", '.', ',', true, true},
                      FloatSepRow{"BlankGrouping", " 1 234 567,25 ", ',', ' ', true, true},
                      FloatSepRow{"TwoDecimals", "1,2,3", ',', '.', false, false},
                      FloatSepRow{"NoThousandsSeparator", "1234.5", '.', '\0', true, true},
                      FloatSepRow{"ProcessMarkStandsLiterally", "1.5", ',', '\0', true, false},
                      FloatSepRow{"BothSwitchedOff", "1.5", '\0', '\0', true, false},
                      FloatSepRow{"NulIsNoSeparator",
                                  std::string("1\0"
                                              "5",
                                              3),
                                  '\0', '\0', false, false},
                      FloatSepRow{"Empty", "", ',', '.', false, false},
                      FloatSepRow{"LettersOnly", "abc", ',', '.', false, false},
                      FloatSepRow{"GroupedWithExponent", "1.234,5e2", ',', '.', true, true}),
    RowName());

TEST_F(SettingsTest, StrToFloatSepIgnoresTheProcessSeparator) {
  for (char Process : {'.', ','}) {
    FormatSettings().DecimalSeparator = Process;
    EXPECT_EQ(StrToFloatSep("1.234,5", ',', '.'), 1234.5L) << Process;
    EXPECT_EQ(StrToFloatSep("  -1,234,567.25 ", '.', ','), -1234567.25L) << Process;
    EXPECT_EQ(StrToFloatSep("42", '.', ','), 42.0L) << Process;
  }
}

TEST_F(SettingsTest, StrToFloatSepRaisesInvalidFloatFormat) {
  for (const std::string Text : {"12.34", "", "abc", "1.234,5.6"}) {
    try {
      StrToFloatSep(Text, ',', '.');
      ADD_FAILURE() << "no exception for " << Text;
    } catch (const EConvertError& E) {
      EXPECT_STREQ(E.what(), "Invalid Float Format");
    }
  }
}

// ---- DetectFloatSeparators --------------------------------------------------------------

struct DetectRow {
  std::string Name;
  std::string Text;
  char DecIn, ThouIn;
  bool PreferLast;
  bool Raises;
  bool Result;
  char DecOut, ThouOut;
};

class DetectSeparators : public SettingsParamTest<DetectRow> {};

TEST_P(DetectSeparators, GuessesOnlyOpenSeparators) {
  const auto& R = GetParam();
  char Dec = R.DecIn, Thou = R.ThouIn;
  if (R.Raises) {
    try {
      DetectFloatSeparators(R.Text, Dec, Thou, R.PreferLast);
      ADD_FAILURE() << "no exception";
    } catch (const EConvertError& E) {
      EXPECT_STREQ(E.what(), "Invalid Float Format");
    }
  } else {
    EXPECT_EQ(DetectFloatSeparators(R.Text, Dec, Thou, R.PreferLast), R.Result);
  }
  EXPECT_EQ(Dec, R.DecOut);
  EXPECT_EQ(Thou, R.ThouOut);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DetectSeparators,
    ::testing::Values(
        DetectRow{"DecimalOnly", "1234.5", 0, 0, false, false, false, '.', 0},
        DetectRow{"BothAmerican", "1,234.5", 0, 0, false, false, true, '.', ','},
        DetectRow{"BothEuropean", "1.234.567,89", 0, 0, false, false, true, ',', '.'},
        DetectRow{"AmbiguousGroupLeftOpen", "1,234", 0, 0, false, false, false, 0, ','},
        DetectRow{"AmbiguousPreferLast", "1,234", 0, 0, true, false, false, ',', 0},
        DetectRow{"RepeatedSeparatorIsThousands", "1.234.567", 0, 0, false, false, false, 0, '.'},
        DetectRow{"ShortFractionIsDecimal", "12,5", 0, 0, false, false, false, ',', 0},
        DetectRow{"FarSeparatorIsDecimal", "12345,678", 0, 0, false, false, false, ',', 0},
        DetectRow{"LeadingMarkRaisesAfterGuess", ".5", 0, 0, false, true, false, '.', 0},
        DetectRow{"LetterFirstRaises", "abc", 0, 0, false, true, false, 0, 0},
        DetectRow{"OddDistanceRaisesAfterGuess", "1,23.5", 0, 0, false, true, false, '.', 0},
        DetectRow{"GivenDecimalKept", "1.234,5", ',', 0, false, false, true, ',', '.'},
        DetectRow{"GivenThousandsKept", "1 234,5", 0, ' ', false, false, true, ',', ' '},
        DetectRow{"LastEqualsThousands", "1,234", 0, ',', true, false, false, 0, ','},
        DetectRow{"SignsAndExponentSkipped", "-1,234.5e-3", 0, 0, false, false, true, '.', ','},
        DetectRow{"BrokenGroupGuessesNothing", "1,2,34", 0, 0, false, false, false, 0, 0},
        DetectRow{"BlanksAroundIgnored", "  1,234.5  ", 0, 0, false, false, true, '.', ','},
        DetectRow{"IntegerGuessesNothing", "12345", 0, 0, false, false, false, 0, 0},
        DetectRow{"EmptyGuessesNothing", "", 0, 0, false, false, false, 0, 0},
        DetectRow{"BothGivenUnchanged", "xyz", '.', ',', false, false, true, '.', ','}),
    RowName());

// ---- FloatToStrFSep / FloatToStrMaxLen --------------------------------------------------

TEST_F(SettingsTest, FloatToStrFSepUsesGivenSeparatorsAndRestores) {
  EXPECT_EQ(FloatToStrFSep(1234.5L, TFloatFormat::ffNumber, 15, 2, ',', '.'), "1.234,50");
  EXPECT_EQ(FloatToStrFSep(1234.5L, TFloatFormat::ffNumber, 15, 2, '\0', ' '), "1 234.50");
  EXPECT_EQ(FloatToStrFSep(1234.5L, TFloatFormat::ffNumber, 15, 1, ',', '\0'), "1234,5");
  EXPECT_EQ(FloatToStrFSep(0.25L, TFloatFormat::ffGeneral, 15, 0, ';', '.'), "0;25");
  EXPECT_EQ(FormatSettings().DecimalSeparator, '.');
  EXPECT_EQ(FormatSettings().ThousandSeparator, ',');
}

struct MaxLenRow {
  std::string Name;
  long double Value;
  char Dec;
  int MaxLen;
  std::string Expected; // empty: the text cannot fit
};

class FloatMaxLen : public SettingsParamTest<MaxLenRow> {};

TEST_P(FloatMaxLen, FitsTheLongestPrecision) {
  const auto& R = GetParam();
  FormatSettings().DecimalSeparator = R.Dec == '.' ? ',' : '.'; // must not matter
  const char Before = FormatSettings().DecimalSeparator;
  if (R.Expected.empty()) {
    try {
      FloatToStrMaxLen(R.Value, R.Dec, '\0', R.MaxLen);
      ADD_FAILURE() << "no exception";
    } catch (const EConvertError& E) {
      EXPECT_STREQ(E.what(), "String exceeds max string length");
    }
  } else {
    const std::string T = FloatToStrMaxLen(R.Value, R.Dec, '\0', R.MaxLen);
    EXPECT_EQ(T, R.Expected);
    EXPECT_LE(static_cast<int>(T.size()), R.MaxLen);
  }
  EXPECT_EQ(FormatSettings().DecimalSeparator, Before);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FloatMaxLen,
    ::testing::Values(
        MaxLenRow{"RoundsIntoFive", 123.4567L, '.', 5, "123.5"},
        MaxLenRow{"FitsWhole", 123.4567L, ',', 8, "123,4567"},
        MaxLenRow{"IntegerPartOnly", 123.4567L, '.', 3, "123"},
        MaxLenRow{"IntegerTooLong", 123.4567L, '.', 2, ""}, MaxLenRow{"Zero", 0.0L, '.', 1, "0"},
        MaxLenRow{"NegativeTooLong", -0.5L, '.', 2, ""},
        MaxLenRow{"Scientific", 1e20L, '.', 5, "1E+20"},
        MaxLenRow{"EightDigitInteger", 12345678.0L, '.', 8, "12345678"},
        MaxLenRow{"NineDigitInteger", 123456789.0L, '.', 8, "1.235E+8"},
        MaxLenRow{"SmallFraction", 0.000123L, '.', 6, "0.0001"},
        MaxLenRow{"EdfFieldWidth", -3276.8L, '.', 8, "-3276.8"},
        MaxLenRow{"PrecisionCappedAtEighteen", 1.0L / 3, '.', 30, "0." + std::string(18, '3')},
        MaxLenRow{"NoRoom", 1.0L, '.', 0, ""}, MaxLenRow{"NegativeRoom", 1.0L, '.', -4, ""}),
    RowName());

// ---- Date texts -------------------------------------------------------------------------

struct DateFmtRow {
  std::string Name;
  std::string Text;
  std::string Fmt;
  bool Valid;
};

class DateFmtCheck : public SettingsParamTest<DateFmtRow> {};

TEST_P(DateFmtCheck, MatchesTheFormatExactly) {
  const auto& R = GetParam();
  const TFormatSettings Before = FormatSettings();
  EXPECT_EQ(IsValidDateFmt(R.Text, R.Fmt), R.Valid);
  EXPECT_EQ(FormatSettings().ShortDateFormat, Before.ShortDateFormat);
  EXPECT_EQ(FormatSettings().DateSeparator, Before.DateSeparator);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DateFmtCheck,
    ::testing::Values(DateFmtRow{"EdfStartDate", "17.03.03", "dd.mm.yy", true},
                      DateFmtRow{"MissingLeadingZero", "17.3.03", "dd.mm.yy", false},
                      DateFmtRow{"February31", "31.02.03", "dd.mm.yy", false},
                      DateFmtRow{"LeapDay", "29.02.04", "dd.mm.yy", true},
                      DateFmtRow{"NoLeapDay", "29.02.03", "dd.mm.yy", false},
                      DateFmtRow{"WildcardSlash", "17/03/03", "dd?mm?yy", true},
                      DateFmtRow{"WildcardDash", "17-03-03", "dd?mm?yy", true},
                      DateFmtRow{"WildcardMixed", "17:03.03", "dd?mm?yy", true},
                      DateFmtRow{"WildcardFourDigitYear", "17:03:2003", "dd?mm?yyyy", true},
                      DateFmtRow{"FourDigitsForTwo", "17.03.2003", "dd.mm.yy", false},
                      DateFmtRow{"TwoDigitsForFour", "17.03.03", "dd.mm.yyyy", false},
                      DateFmtRow{"SeparatorMismatch", "17.03.03", "dd-mm-yy", false},
                      DateFmtRow{"LeadingBlank", " 17.03.03", "dd.mm.yy", false},
                      DateFmtRow{"TrailingBlank", "17.03.03 ", "dd.mm.yy", false},
                      DateFmtRow{"Empty", "", "dd.mm.yy", false},
                      DateFmtRow{"Blanks", "   ", "dd.mm.yy", false},
                      DateFmtRow{"MonthFirst", "03.17.03", "mm.dd.yy", true},
                      DateFmtRow{"YearFirst", "2003-03-17", "yyyy-mm-dd", true},
                      DateFmtRow{"UpperCaseFormat", "17.03.03", "DD.MM.YY", true},
                      DateFmtRow{"ShortDayMonth", "1.3.03", "d.m.yy", true},
                      DateFmtRow{"PaddedForShort", "01.3.03", "d.m.yy", false},
                      DateFmtRow{"NoYearMeansThisYear", "17.03", "dd.mm", true},
                      DateFmtRow{"WindowUpperEnd", "17.03.75", "dd.mm.yy", true},
                      DateFmtRow{"TrailingLetter", "17.03.03x", "dd.mm.yy", false},
                      DateFmtRow{"InnerBlank", "17. 03.03", "dd.mm.yy", false},
                      DateFmtRow{"NulByte",
                                 std::string("17.03\0"
                                             "03",
                                             8),
                                 "dd.mm.yy", false},
                      DateFmtRow{"HighByteSeparators",
                                 "17\xB7"
                                 "03\xB7"
                                 "03",
                                 "dd.mm.yy", false},
                      DateFmtRow{"HighByteWildcards",
                                 "17\xB7"
                                 "03\xB7"
                                 "03",
                                 "dd?mm?yy", true},
                      DateFmtRow{"OverlongDigits", std::string(300, '1'), "dd.mm.yy", false},
                      DateFmtRow{"EmptyFormat", "17.03.03", "", false},
                      DateFmtRow{"MonthNamesCannotParse", "17-Mar-03", "dd-mmm-yy", false}),
    RowName());

TEST_F(SettingsTest, DateFmtSlashWritesTheProcessDateSeparator) {
  FormatSettings().DateSeparator = '.';
  EXPECT_TRUE(IsValidDateFmt("17.03.2003", "dd/mm/yyyy"));
  EXPECT_FALSE(IsValidDateFmt("17/03/2003", "dd/mm/yyyy"));
  EXPECT_TRUE(IsValidDateFmt("17/03/2003", "dd?mm?yyyy"));
}

TEST_F(SettingsTest, DateFmtSlashWritesTheGivenDateSeparator) {
  TFormatSettings Dots;
  Dots.DateSeparator = '.';
  EXPECT_TRUE(IsValidDateFmt("17.03.2003", "dd/mm/yyyy", Dots));
  EXPECT_FALSE(IsValidDateFmt("17/03/2003", "dd/mm/yyyy", Dots));
  EXPECT_EQ(StrToDateFmt("17.03.2003", "dd/mm/yyyy", Dots), EncodeDate(2003, 3, 17));
  EXPECT_FALSE(IsValidDateFmt("17.03.2003", "dd/mm/yyyy")); // the process still has "/"
}

TEST_F(SettingsTest, StrToDateFmtConvertsValidTexts) {
  EXPECT_EQ(StrToDateFmt("17:03:2003", "dd?mm?yyyy"), EncodeDate(2003, 3, 17));
  EXPECT_EQ(StrToDateFmt("17.03.03", "dd.mm.yy"), EncodeDate(2003, 3, 17));
  EXPECT_EQ(StrToDateFmt("03/17/99", "mm/dd/yy"), EncodeDate(1999, 3, 17));
  EXPECT_THROW(StrToDateFmt("2003 03 17", "yyyy mm dd"), EConvertError);
}

TEST_F(SettingsTest, StrToDateFmtRaisesAndRestoresTheShortDateFormat) {
  FormatSettings().ShortDateFormat = "yyyy/mm/dd";
  try {
    StrToDateFmt("17.3.03", "dd.mm.yy");
    FAIL() << "no exception";
  } catch (const EConvertError& E) {
    EXPECT_STREQ(E.what(), "17.3.03 is not a valid date");
  }
  EXPECT_EQ(FormatSettings().ShortDateFormat, "yyyy/mm/dd");
}

// ---- Time texts -------------------------------------------------------------------------

struct TimeFmtRow {
  std::string Name;
  std::string Text;
  std::string Fmt;
  bool Valid;
};

class TimeFmtCheck : public SettingsParamTest<TimeFmtRow> {};

TEST_P(TimeFmtCheck, MatchesTheFormatExactly) {
  const auto& R = GetParam();
  const TFormatSettings Before = FormatSettings();
  EXPECT_EQ(IsValidTimeFmt(R.Text, R.Fmt), R.Valid);
  EXPECT_EQ(IsValidTimeFmt(R.Text, R.Fmt, Before), R.Valid);
  EXPECT_EQ(FormatSettings().LongTimeFormat, Before.LongTimeFormat);
  EXPECT_EQ(FormatSettings().DecimalSeparator, Before.DecimalSeparator);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TimeFmtCheck,
    ::testing::Values(TimeFmtRow{"EdfStartTime", "10.20.30", "hh.nn.ss", true},
                      TimeFmtRow{"MissingLeadingZero", "10.2.30", "hh.nn.ss", false},
                      TimeFmtRow{"WrongSeparator", "10:20:30", "hh.nn.ss", false},
                      TimeFmtRow{"Hour25", "25.00.00", "hh.nn.ss", false},
                      TimeFmtRow{"Colons", "10:20:30", "hh:nn:ss", true},
                      TimeFmtRow{"WildcardColons", "10:20:30", "hh?nn?ss", true},
                      TimeFmtRow{"WildcardDots", "10.20.30", "hh?nn?ss", true},
                      TimeFmtRow{"WildcardDashes", "10-20-30", "hh?nn?ss", true},
                      TimeFmtRow{"MinuteAfterHour", "10:20", "hh:mm", true},
                      TimeFmtRow{"Milliseconds", "10:20:30.123", "hh:nn:ss.zzz", true},
                      TimeFmtRow{"ShortMilliseconds", "10:20:30.12", "hh:nn:ss.zzz", false},
                      TimeFmtRow{"DayPeriod", "10:20 PM", "hh:nn AMPM", true},
                      TimeFmtRow{"DayPeriodMissing", "22:20", "hh:nn AMPM", false},
                      TimeFmtRow{"LowerDayPeriod", "10:20 pm", "hh:nn am/pm", true},
                      TimeFmtRow{"ShortHour", "9:05", "h:nn", true},
                      TimeFmtRow{"PaddedShortHour", "09:05", "h:nn", false},
                      TimeFmtRow{"Empty", "", "hh:nn", false},
                      TimeFmtRow{"Blanks", "  ", "hh:nn", false},
                      TimeFmtRow{"LeadingBlank", " 10:20", "hh:nn", false},
                      TimeFmtRow{"Minute60", "10.60.00", "hh.nn.ss", false},
                      TimeFmtRow{"NulByte",
                                 std::string("10.20\0"
                                             "30",
                                             8),
                                 "hh.nn.ss", false},
                      TimeFmtRow{"Letters", "ab.cd.ef", "hh.nn.ss", false},
                      TimeFmtRow{"OverlongDigits", std::string(100, '0'), "hh.nn.ss", false}),
    RowName());

TEST_F(SettingsTest, TimeFmtMillisecondsIgnoreTheCommaDecimalMark) {
  FormatSettings().DecimalSeparator = ',';
  EXPECT_TRUE(IsValidTimeFmt("10:20:30.123", "hh:nn:ss.zzz"));
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
}

TEST_F(SettingsTest, TimeFmtUnderGivenDotTimeSeparator) {
  TFormatSettings Dots;
  Dots.TimeSeparator = '.';
  EXPECT_TRUE(IsValidTimeFmt("10.20.30", "hh:nn:ss", Dots));
  EXPECT_FALSE(IsValidTimeFmt("10:20:30", "hh:nn:ss", Dots));
  EXPECT_FALSE(IsValidTimeFmt("10.20.30", "hh:nn:ss")); // the process still has ":"
}

TEST_F(SettingsTest, TimeFmtUnderDotTimeSeparator) {
  FormatSettings().TimeSeparator = '.';
  EXPECT_TRUE(IsValidTimeFmt("10.20.30", "hh:nn:ss"));
  EXPECT_TRUE(IsValidTimeFmt("10.20.30", "hh?nn?ss"));
  EXPECT_FALSE(IsValidTimeFmt("10:20:30", "hh:nn:ss"));
}

// ---- Fields and words -------------------------------------------------------------------

TEST(Fields, CharStringSpacesAndPadRight) {
  EXPECT_EQ(CharString('x', 3), "xxx");
  EXPECT_EQ(CharString('x', 0), "");
  EXPECT_EQ(Spaces(-3), "");
  EXPECT_EQ(Spaces(2), "  ");
  EXPECT_EQ(PadRight("abc", 5), "abc  ");
  EXPECT_EQ(PadRight("abcdef", 4), "abcd");
  EXPECT_EQ(PadRight("abc", 3), "abc");
  EXPECT_EQ(PadRight("", 2), "  ");
  EXPECT_EQ(PadRight("abc", 0), "");
  EXPECT_EQ(PadRight("abc", -1), "");
  EXPECT_EQ(PadRight(std::string("a\0", 2), 3), std::string("a\0 ", 3));
}

struct AlignRow {
  std::string Name;
  std::string Text;
  bool LeftAligned;
  bool Printable;
};

class FieldShape : public ::testing::TestWithParam<AlignRow> {};

TEST_P(FieldShape, AlignmentAndPrintability) {
  const auto& R = GetParam();
  EXPECT_EQ(IsLeftAligned(R.Text), R.LeftAligned);
  EXPECT_EQ(IsPrintable(R.Text), R.Printable);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, FieldShape,
    ::testing::Values(AlignRow{"TrailingBlanks", "abc   ", true, true},
                      AlignRow{"LeadingBlanks", "   abc", false, true},
                      AlignRow{"Empty", "", true, true}, AlignRow{"AllBlank", "    ", true, true},
                      AlignRow{"Tab", "a\tb", true, false},
                      AlignRow{"LeadingTab", "\tab", false, false},
                      AlignRow{"TrailingNul", std::string("ab\0", 3), true, false},
                      AlignRow{"LeadingNul",
                               std::string("\0"
                                           "ab",
                                           3),
                               false, false},
                      AlignRow{"Tilde", "~", true, true}, AlignRow{"Delete", "a\x7F", true, false},
                      AlignRow{"HighByte", "\xE9t\xE9", true, false},
                      AlignRow{"LeadingHighByte", "\xA0x", true, false}),
    RowName());

TEST(Fields, IsDigitOnlyAsciiDigits) {
  for (int C = -128; C < 128; ++C)
    EXPECT_EQ(IsDigit(static_cast<char>(C)), C >= '0' && C <= '9') << C;
}

std::vector<std::string> AllTokens(std::string S, const std::string& Delimiters) {
  std::vector<std::string> Tokens;
  while (!S.empty()) {
    std::string Token = "unset";
    const std::size_t Before = S.size();
    ExtractToken(S, Delimiters, Token);
    EXPECT_LT(S.size(), Before);
    Tokens.push_back(Token);
  }
  return Tokens;
}

TEST(Words, ExtractTokenSplitsEdfSubfields) {
  using V = std::vector<std::string>;
  EXPECT_EQ(AllTokens("X M 01-JAN-1990 Name", " "), (V{"X", "M", "01-JAN-1990", "Name"}));
  EXPECT_EQ(AllTokens("A  B", " "), (V{"A", "", "B"}));
  EXPECT_EQ(AllTokens("a;b,c", ",;"), (V{"a", "b", "c"}));
  EXPECT_EQ(AllTokens(",x", ","), (V{"", "x"}));
  EXPECT_EQ(AllTokens(" a , b ", ","), (V{"a", "b"}));
  EXPECT_EQ(AllTokens("abc", ""), (V{"abc"}));
  EXPECT_EQ(AllTokens(std::string("a\0b", 3), std::string("\0", 1)), (V{"a", "b"}));
}

TEST(Words, ExtractTokenOnTrailingDelimiterLeavesEmptyText) {
  std::string S = "a ";
  std::string Token;
  ExtractToken(S, " ", Token);
  EXPECT_EQ(Token, "a");
  EXPECT_EQ(S, "");
  ExtractToken(S, " ", Token);
  EXPECT_EQ(Token, "");
  EXPECT_EQ(S, "");
}

struct QuotedRow {
  std::string Name;
  std::string Text;
  bool AddQuotes;
  std::string Quoted;
  std::string Rest;
};

class Quoted : public ::testing::TestWithParam<QuotedRow> {};

TEST_P(Quoted, ExtractsTheFirstQuotedPart) {
  const auto& R = GetParam();
  std::string S = R.Text;
  std::string Q = "unset";
  ExtractQuoted(S, R.AddQuotes, Q);
  EXPECT_EQ(Q, R.Quoted);
  EXPECT_EQ(S, R.Rest);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Quoted,
    ::testing::Values(QuotedRow{"Middle", "say \"hello\" world", false, "hello", "world"},
                      QuotedRow{"AddQuotes", "say \"hi\" x", true, "\"hi\"", "x"},
                      QuotedRow{"Unclosed", "a \"abc", false, "abc", ""},
                      QuotedRow{"NoQuote", "no quotes", false, "", "no quotes"},
                      QuotedRow{"ClosingAtEnd", "x\"a\"", false, "a", ""},
                      QuotedRow{"AdjacentQuotes", "\"a\"\"b\"", false, "a", "b\""},
                      QuotedRow{"EmptyQuoted", "\"\"rest", true, "\"\"", "est"},
                      QuotedRow{"Empty", "", false, "", ""}),
    RowName());

TEST(Words, QuoteStrWrapsInDoubleQuotes) {
  EXPECT_EQ(QuoteStr("a b"), "\"a b\"");
  EXPECT_EQ(QuoteStr(""), "\"\"");
}

// ---- Scanning ---------------------------------------------------------------------------

struct ScanRow {
  std::string Name;
  std::string Text;
  int Pos;
  std::string CharSet;
  int MinLen, MaxLen;
  bool Result;
  std::string Token;
  int NewPos;
};

class ScanSet : public ::testing::TestWithParam<ScanRow> {};

TEST_P(ScanSet, TakesTheWholeRunOrNothing) {
  const auto& R = GetParam();
  int Pos = R.Pos;
  std::string Token = "unset";
  EXPECT_EQ(ScanCharSet(R.Text, Pos, R.CharSet, Token, R.MinLen, R.MaxLen), R.Result);
  EXPECT_EQ(Token, R.Result ? R.Token : "unset");
  EXPECT_EQ(Pos, R.Result ? R.NewPos : R.Pos);
}

const std::string Digits = "0123456789";

INSTANTIATE_TEST_SUITE_P(
    Texts, ScanSet,
    ::testing::Values(ScanRow{"DigitRun", "abc123def", 4, Digits, -1, -1, true, "123", 7},
                      ScanRow{"RunLongerThanMax", "abc123def", 4, Digits, -1, 2, false, "", 0},
                      ScanRow{"RunShorterThanMin", "abc123def", 4, Digits, 4, -1, false, "", 0},
                      ScanRow{"ExactBounds", "abc123def", 4, Digits, 3, 3, true, "123", 7},
                      ScanRow{"EmptyRun", "abc123def", 1, Digits, -1, -1, false, "", 0},
                      ScanRow{"EmptyRunMinZero", "abc123def", 1, Digits, 0, -1, false, "", 0},
                      ScanRow{"EmptySetTakesAll", "abc", 2, "", -1, -1, true, "bc", 4},
                      ScanRow{"RunToEnd", "ab12", 3, Digits, -1, -1, true, "12", 5},
                      ScanRow{"PosZero", "123", 0, Digits, -1, -1, false, "", 0},
                      ScanRow{"PosNegative", "123", -5, Digits, -1, -1, false, "", 0},
                      ScanRow{"PosPastEnd", "123", 4, Digits, -1, -1, false, "", 0},
                      ScanRow{"EmptyText", "", 1, "", -1, -1, false, "", 0},
                      ScanRow{"NulInSet", std::string("a\0\0b", 4), 2, std::string("\0", 1), -1, -1,
                              true, std::string("\0\0", 2), 4}),
    RowName());

TEST(Scanning, ScanNumberReadsWordsOnly) {
  int Pos = 2;
  uint16_t V = 7;
  EXPECT_TRUE(ScanNumber("x65535y", Pos, V, -1, -1));
  EXPECT_EQ(V, 65535);
  EXPECT_EQ(Pos, 7);

  struct Case {
    const char* Text;
    int MaxLen;
  };
  for (const Case C :
       {Case{"65536", -1}, Case{"1+2", -1}, Case{"12", 1}, Case{"-1", -1}, Case{"abc", -1}}) {
    Pos = 1;
    V = 7;
    EXPECT_FALSE(ScanNumber(C.Text, Pos, V, -1, C.MaxLen)) << C.Text;
    EXPECT_EQ(Pos, 1) << C.Text;
    EXPECT_EQ(V, 7) << C.Text;
  }
  Pos = 1;
  EXPECT_TRUE(ScanNumber("+12:30", Pos, V, 1, 3));
  EXPECT_EQ(V, 12);
  EXPECT_EQ(Pos, 4);
  Pos = 1;
  EXPECT_TRUE(ScanNumber(std::string(30, '0') + "42", Pos, V, -1, -1));
  EXPECT_EQ(V, 42);
}

TEST(Scanning, MatchTextComparesAtPosition) {
  int Pos = 7;
  EXPECT_TRUE(MatchText("Hello World", Pos, "world", true));
  EXPECT_EQ(Pos, 12);
  Pos = 7;
  EXPECT_FALSE(MatchText("Hello World", Pos, "world", false));
  EXPECT_EQ(Pos, 7);
  EXPECT_TRUE(MatchText("Hello World", Pos, "World", false));
  Pos = 3;
  EXPECT_TRUE(MatchText("abc", Pos, "", false));
  EXPECT_EQ(Pos, 3);
  Pos = 3;
  EXPECT_FALSE(MatchText("abc", Pos, "cd", true));
  Pos = 0;
  EXPECT_FALSE(MatchText("abc", Pos, "a", true));
  Pos = 4;
  EXPECT_FALSE(MatchText("abc", Pos, "a", true));
}

TEST(Scanning, MatchTextFoldsUtf8Case) {
  int Pos = 1;
  EXPECT_TRUE(MatchText("M\xC3\x84RZ 2003", Pos, "m\xC3\xA4rz", true)); // MÄRZ / märz
  EXPECT_EQ(Pos, 6);
  Pos = 1;
  EXPECT_FALSE(MatchText("M\xC3\x84RZ", Pos, "m\xC3\xA4rz", false));
  // Invalid UTF-8 (Latin-1 bytes) compares byte for byte.
  Pos = 1;
  EXPECT_FALSE(MatchText("\xC4", Pos, "\xE4", true));
  EXPECT_TRUE(MatchText("\xFF", Pos, "\xFF", true));
}

TEST(Scanning, MatchOneOfTakesTheFirstCandidateInOrder) {
  const TDynStringArray Months{"Jan", "January", "Feb"};
  int Index = 9, Pos = 1;
  EXPECT_TRUE(MatchOneOf(Months, "january", Index, Pos));
  EXPECT_EQ(Index, 0);
  EXPECT_EQ(Pos, 4);
  Pos = 4;
  EXPECT_TRUE(MatchOneOf(Months, "17-FEB-2003", Index, Pos));
  EXPECT_EQ(Index, 2);
  EXPECT_EQ(Pos, 7);
  Pos = 1;
  EXPECT_FALSE(MatchOneOf(Months, "Mar", Index, Pos));
  EXPECT_EQ(Pos, 1);
  EXPECT_FALSE(MatchOneOf(TDynStringArray{}, "Mar", Index, Pos));
}

struct DelimitedRow {
  std::string Name;
  std::string Text;
  int Pos;
  bool Keep;
  std::string Result;
  int NewPos;
};

class Delimited : public ::testing::TestWithParam<DelimitedRow> {};

TEST_P(Delimited, ExtractsBetweenOpenAndClose) {
  const auto& R = GetParam();
  int Pos = R.Pos;
  std::string Result = "unset";
  ExtractDelimited(R.Text, '(', ')', Result, R.Keep, Pos);
  EXPECT_EQ(Result, R.Result);
  EXPECT_EQ(Pos, R.NewPos);
}

INSTANTIATE_TEST_SUITE_P(Texts, Delimited,
                         ::testing::Values(DelimitedRow{"Closed", "a(bc)d", 1, false, "bc", 6},
                                           DelimitedRow{"KeepDelims", "a(bc)d", 1, true, "(bc)", 6},
                                           DelimitedRow{"Unclosed", "a(bc", 1, false, "bc", 5},
                                           DelimitedRow{"UnclosedKeep", "a(bc", 1, true, "(bc)", 5},
                                           DelimitedRow{"NoOpenAfterPos", "a(bc)d", 3, false, "",
                                                        3},
                                           DelimitedRow{"PosZero", "a(bc)", 0, false, "", 0},
                                           DelimitedRow{"PosPastEnd", "a(bc)", 6, false, "", 6},
                                           DelimitedRow{"SecondGroup", "(a)(b)", 4, false, "b", 7},
                                           DelimitedRow{"EmptyGroup", "()x", 1, false, "", 3}),
                         RowName());

// ---- Check routines never raise ---------------------------------------------------------

TEST_F(SettingsTest, CheckRoutinesSurviveRandomBytes) {
  std::mt19937 Random(20030317);
  std::uniform_int_distribution<int> Byte(0, 255), Length(0, 24), Pick(0, 9);
  const std::string Alphabet = " 0123456789.,:-+$xXeE?dmyhnsz/";
  const TFormatSettings Before = FormatSettings();
  for (int I = 0; I < 4000; ++I) {
    std::string S;
    const int L = Length(Random);
    for (int J = 0; J < L; ++J)
      S += Pick(Random) < 7 ? Alphabet[static_cast<std::size_t>(Byte(Random)) % Alphabet.size()]
                            : static_cast<char>(Byte(Random));
    const std::string Fmt = S.substr(0, S.size() / 2);
    const char Dec = S.empty() ? '\0' : S[0];
    const char Thou = S.size() < 2 ? '\0' : S[1];
    EXPECT_NO_THROW({
      IsInteger(S);
      IsSmallInt(S);
      IsWord(S);
      IsFloat(S);
      IsFloatSep(S, Dec, Thou);
      IsFloatSep(S, ',', '.');
      IsValidDateFmt(S, "dd.mm.yy");
      IsValidDateFmt(S, Fmt);
      IsValidTimeFmt(S, "hh?nn?ss");
      IsValidTimeFmt(S, Fmt);
      IsLeftAligned(S);
      IsPrintable(S);
    }) << testing::PrintToString(S);
    // Conversions either convert or raise the conversion error.
    try {
      char D = 0, T = 0;
      DetectFloatSeparators(S, D, T, I % 2 == 0);
      StrToFloatSep(S, ',', '.');
      StrToDateFmt(S, Fmt);
    } catch (const EConvertError&) {
    }
  }
  EXPECT_EQ(FormatSettings().ShortDateFormat, Before.ShortDateFormat);
  EXPECT_EQ(FormatSettings().LongTimeFormat, Before.LongTimeFormat);
  EXPECT_EQ(FormatSettings().DecimalSeparator, Before.DecimalSeparator);
  EXPECT_EQ(FormatSettings().ThousandSeparator, Before.ThousandSeparator);
}

// Under a C library locale with a comma the routines keep their own separators.
TEST_F(SettingsTest, NumberChecksIgnoreTheCLibraryLocale) {
  bool Active = false, Float = false, Sep = false;
  long double V = 0;
  std::string Text;
  {
    test::TCommaCLocale Comma;
    Active = Comma.Active();
    Float = IsFloat("1.5");
    Sep = IsFloatSep("1.234,5", ',', '.');
    V = StrToFloatSep("1.234,5", ',', '.');
    Text = FloatToStrMaxLen(123.4567L, '.', '\0', 5);
  }
  if (!Active)
    GTEST_SKIP() << "no comma locale could be installed";
  EXPECT_TRUE(Float);
  EXPECT_TRUE(Sep);
  EXPECT_EQ(V, 1234.5L);
  EXPECT_EQ(Text, "123.5");
}

} // namespace
} // namespace velastrin
