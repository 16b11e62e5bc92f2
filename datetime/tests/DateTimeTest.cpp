#include "datetime/uDateTime.h"

#include "support/uLocale.h"
#include "support/udroot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace velastrin;

namespace {

constexpr uint16_t Dutch = 0x0413;

// Milliseconds since midnight of a serial's time of day.
int64_t MSecOfDay(TDateTime Value) {
  const double Fraction = std::fabs(Value - std::trunc(Value));
  return std::llround(Fraction * 86400000.0);
}

TDateTime At(int Year, int Month, int Day, int Hour, int Minute, int Second, int MSec) {
  const TDateTime Date = EncodeDate(Year, Month, Day);
  const TDateTime Time = EncodeTime(Hour, Minute, Second, MSec);
  return Date < 0 ? Date - Time : Date + Time;
}

// Fixes the clock at 15 June of Year for the life of the guard.
class TFixedNow {
public:
  explicit TFixedNow(int Year) {
    const TDateTime Value = EncodeDate(Year, 6, 15) + 0.5;
    SetNowFunction([Value] { return Value; });
  }
  ~TFixedNow() { SetNowFunction({}); }
};

// ---- The EDF start time -----------------------------------------------------------------

struct StartTimeRow {
  std::string Name;
  std::string Text;
  bool Valid;
  int Hour, Minute, Second;
};

void PrintTo(const StartTimeRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

class EdfStartTime : public testing::TestWithParam<StartTimeRow> {};

TEST_P(EdfStartTime, ReadsUnderHhAnyNnAnySsWithTheDefaultLocale) {
  const StartTimeRow& Row = GetParam();
  const double Untouched = -12345.5;
  double Value = Untouched;
  EXPECT_EQ(TryStrToDateTimeFmt(Row.Text, "hh?nn?ss", Value, 0), Row.Valid);
  if (Row.Valid) {
    EXPECT_EQ(std::trunc(Value), 0.0) << "a time of day alone lies on day 0";
    EXPECT_EQ(MSecOfDay(Value), ((Row.Hour * 60 + Row.Minute) * 60 + Row.Second) * 1000LL);
  } else {
    EXPECT_EQ(Value, Untouched);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, EdfStartTime,
    testing::Values(StartTimeRow{"Dots", "10.20.30", true, 10, 20, 30},
                    StartTimeRow{"Colons", "10:20:30", true, 10, 20, 30},
                    StartTimeRow{"AnyCharacterSeparates",
                                 "23x59\xB5"
                                 "59",
                                 true, 23, 59, 59},
                    StartTimeRow{"Midnight", "00.00.00", true, 0, 0, 0},
                    StartTimeRow{"TrailingCharactersIgnored", "10.20.30xyz", true, 10, 20, 30},
                    StartTimeRow{"OneDigitHour", "5.20.30", false, 0, 0, 0},
                    StartTimeRow{"SixDigitsWithoutSeparators", "102030", false, 0, 0, 0},
                    StartTimeRow{"TwentyFiveOClock", "25.00.00", false, 0, 0, 0},
                    StartTimeRow{"SixtyMinutes", "10.60.00", false, 0, 0, 0},
                    StartTimeRow{"SixtySeconds", "10.20.60", false, 0, 0, 0},
                    StartTimeRow{"OneDigitSecond", "10.20.3", false, 0, 0, 0},
                    StartTimeRow{"SecondsMissing", "10.20", false, 0, 0, 0},
                    StartTimeRow{"SecondDigitsRunOn", "10.20.300", false, 0, 0, 0},
                    StartTimeRow{"LeadingBlank", " 10.20.30", false, 0, 0, 0},
                    StartTimeRow{"EightBitByteInADigitField", "1\xE9.20.30", false, 0, 0, 0},
                    StartTimeRow{"Blanks", "        ", false, 0, 0, 0},
                    StartTimeRow{"Empty", "", false, 0, 0, 0}),
    [](const testing::TestParamInfo<StartTimeRow>& Info) { return Info.param.Name; });

TEST(TryStrToDateTimeFmt, RaisesForAnLCIDThatIsNotInstalled) {
  const uint32_t Unknown = 0x7F7F;
  ASSERT_FALSE(IsValidLCID(Unknown));
  double Value = 0;
  try {
    TryStrToDateTimeFmt("10.20.30", "hh?nn?ss", Value, static_cast<int32_t>(Unknown));
    FAIL() << "no assertion failure";
  } catch (const EAssertionFailed& E) {
    EXPECT_EQ(std::string(E.what()).rfind("Invalid LCID (", 0), 0u) << E.what();
  }
  EXPECT_THROW(TryStrToDateTimeFmt("10.20.30", "hh?nn?ss", Value, -1), EAssertionFailed);
}

TEST(TryStrToDateTimeFmt, RaisesForAFormatThatCannotBeUsed) {
  for (const char* Format : {"sss", "hh:sss", "yyy", "ax", "ssss"}) {
    SCOPED_TRACE(Format);
    double Value = 0;
    try {
      TryStrToDateTimeFmt("10", Format, Value, 0);
      FAIL() << "no assertion failure";
    } catch (const EAssertionFailed& E) {
      EXPECT_EQ(std::string(E.what()).rfind("Invalid datetime format string (", 0), 0u) << E.what();
    }
  }
}

TEST(TryStrToDateTimeFmt, ReadsDutchMonthNames) {
  ASSERT_TRUE(IsValidLCID(Dutch));
  double Value = 0;
  ASSERT_TRUE(TryStrToDateTimeFmt("17 maart 2003", "d mmmm yyyy", Value, Dutch));
  EXPECT_EQ(Value, EncodeDate(2003, 3, 17));
  EXPECT_FALSE(TryStrToDateTimeFmt("17 march 2003", "d mmmm yyyy", Value, Dutch));
}

// ---- Format expansion and validity ------------------------------------------------------

struct ExpandRow {
  std::string Name;
  std::string Format;
  std::string Stored;
};

void PrintTo(const ExpandRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

class ConvertorSetFormat : public testing::TestWithParam<ExpandRow> {};

TEST_P(ConvertorSetFormat, StoresTheExpandedFormat) {
  TDateTimeStringConvertor Convertor;
  Convertor.SetFormat(GetParam().Format);
  EXPECT_EQ(Convertor.Format(), GetParam().Stored);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, ConvertorSetFormat,
    testing::Values(ExpandRow{"MinutesAfterHourAndTimeSeparator", "hh:mm", "HH:NN"},
                    ExpandRow{"MinutesAfterHourAndAnyChar", "hh?mm", "HH?NN"},
                    ExpandRow{"MinutesAfterHourAndDateSeparator", "h/m", "H/N"},
                    ExpandRow{"MonthAfterHourAndBlank", "hh mm", "HH MM"},
                    ExpandRow{"MonthAfterHourAndQuotedText", "hh'h'mm", "HH'h'MM"},
                    ExpandRow{"MonthWhenNoHourBefore", "dd:mm", "DD:MM"},
                    ExpandRow{"LongMonthStaysAfterHour", "hh:mmm", "HH:MMM"},
                    ExpandRow{"LettersUpperCased", "dd.mm.yyyy hh:nn:ss.zzz",
                              "DD.MM.YYYY HH:NN:SS.ZZZ"},
                    ExpandRow{"AmPmKeepsCase", "h:nn am/pm", "H:NN am/pm"},
                    ExpandRow{"QuotesKept", "'at' hh", "'at' HH"},
                    ExpandRow{"OtherLettersAsWritten", "hh x", "HH x"},
                    ExpandRow{"StopsAtUnrecognisedRun", "hh:nn yyy dd", "HH:NN "},
                    ExpandRow{"UnterminatedQuoteClosed", "hh 'x", "HH 'x'"}),
    [](const testing::TestParamInfo<ExpandRow>& Info) { return Info.param.Name; });

TEST(ConvertorExpandFormat, EmptyFormatIsTheProcessShortDateBlankLongTime) {
  TSettingOverride<std::string> Date(&TFormatSettings::ShortDateFormat, "dd-mm-yyyy");
  TSettingOverride<std::string> Time(&TFormatSettings::LongTimeFormat, "hh:mm:ss");
  TDateTimeStringConvertor Convertor;
  EXPECT_EQ(Convertor.ExpandFormat(""), "DD-MM-YYYY HH:NN:SS");
  Convertor.SetFormat("");
  EXPECT_EQ(Convertor.Format(), "DD-MM-YYYY HH:NN:SS");
}

TEST(ConvertorExpandFormat, CompositesUseTheLocaleFormatsOfTheConvertor) {
  TSettingOverride<std::string> Time(&TFormatSettings::LongTimeFormat, "hh:mm");
  TDateTimeStringConvertor Convertor;
  Convertor.SetLCID(Dutch);
  const TFormatSettings& Nl = Convertor.FormatSettings();
  EXPECT_EQ(Convertor.ExpandFormat("ddddd"), Convertor.ExpandFormat(Nl.ShortDateFormat));
  EXPECT_EQ(Convertor.ExpandFormat("dddddd"), Convertor.ExpandFormat(Nl.LongDateFormat));
  EXPECT_EQ(Convertor.ExpandFormat("t"), Convertor.ExpandFormat(Nl.ShortTimeFormat));
  EXPECT_EQ(Convertor.ExpandFormat("tt"), Convertor.ExpandFormat(Nl.LongTimeFormat));
  // "c": the convertor's short date with the process-wide long time.
  EXPECT_EQ(Convertor.ExpandFormat("c"), Convertor.ExpandFormat(Nl.ShortDateFormat) + " HH:NN");
  // A composite counts as the previous token: the month after it stays a month.
  EXPECT_EQ(Convertor.ExpandFormat("t mm").substr(Convertor.ExpandFormat("t").size()), " MM");
}

struct ValidityRow {
  std::string Name;
  std::string Format;
  bool Valid;
};

void PrintTo(const ValidityRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

class ConvertorIsFormatValid : public testing::TestWithParam<ValidityRow> {};

TEST_P(ConvertorIsFormatValid, AcceptsOnlySupportedTokens) {
  TDateTimeStringConvertor Convertor;
  Convertor.SetDateTime(At(2003, 3, 17, 10, 20, 30, 0));
  Convertor.SetFormat(GetParam().Format);
  EXPECT_EQ(Convertor.IsFormatValid(), GetParam().Valid);
  EXPECT_EQ(Convertor.TextValid(), GetParam().Valid);
  if (!GetParam().Valid) {
    EXPECT_EQ(Convertor.Text(), "");
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, ConvertorIsFormatValid,
                         testing::Values(ValidityRow{"Time", "hh:nn", true},
                                         ValidityRow{"ThreeSeconds", "sss", false},
                                         ValidityRow{"FiveSecondsLater", "hh:nn sssss", false},
                                         ValidityRow{"StartsWithThreeYs", "yyy", false},
                                         ValidityRow{"ThreeYsAfterAValidPart", "hh:nn yyy", true},
                                         ValidityRow{"LiteralOnly", "x", true},
                                         ValidityRow{"EmptyMeansTheDefault", "", true},
                                         ValidityRow{"StartsWithUnknownA", "ax hh", false}),
                         [](const testing::TestParamInfo<ValidityRow>& Info) {
                           return Info.param.Name;
                         });

// ---- Formatting ---------------------------------------------------------------------------

// Process-wide separators and AM/PM texts that differ from every default, so that the test
// sees which settings a token draws on.
class ProcessSettings {
public:
  TSettingOverride<char> DateSep{&TFormatSettings::DateSeparator, '-'};
  TSettingOverride<char> TimeSep{&TFormatSettings::TimeSeparator, '.'};
  TSettingOverride<std::string> Am{&TFormatSettings::TimeAMString, "vm"};
  TSettingOverride<std::string> Pm{&TFormatSettings::TimePMString, "nm"};
};

struct FormatRow {
  std::string Name;
  std::string Format;
  TDateTime Value;
  std::string Text;
};

void PrintTo(const FormatRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

class ConvertorFormats : public testing::TestWithParam<FormatRow> {};

TEST_P(ConvertorFormats, RendersEachToken) {
  ProcessSettings Settings;
  TDateTimeStringConvertor Convertor;
  Convertor.SetFormat(GetParam().Format);
  Convertor.SetDateTime(GetParam().Value);
  EXPECT_TRUE(Convertor.TextValid());
  EXPECT_EQ(Convertor.Text(), GetParam().Text);
  EXPECT_EQ(Convertor.DateTime(), GetParam().Value);
}

// 7 March 2003 was a Friday.
const TDateTime March7 = At(2003, 3, 7, 14, 5, 9, 45);

INSTANTIATE_TEST_SUITE_P(
    Tokens, ConvertorFormats,
    testing::Values(
        FormatRow{"Day", "d", March7, "7"}, FormatRow{"Day2", "dd", March7, "07"},
        FormatRow{"Month", "m", March7, "3"}, FormatRow{"Month2", "mm", March7, "03"},
        FormatRow{"Year2", "yy", March7, "03"}, FormatRow{"Year4", "yyyy", March7, "2003"},
        FormatRow{"Year4Padded", "yyyy", At(987, 1, 1, 0, 0, 0, 0), "0987"},
        FormatRow{"Hour", "h", March7, "14"},
        FormatRow{"HourNoLeadingZero", "h", At(2003, 3, 7, 4, 0, 0, 0), "4"},
        FormatRow{"Hour2", "hh", At(2003, 3, 7, 4, 0, 0, 0), "04"},
        FormatRow{"Minute", "n", March7, "5"}, FormatRow{"Minute2", "nn", March7, "05"},
        FormatRow{"Second", "s", March7, "9"}, FormatRow{"Second2", "ss", March7, "09"},
        FormatRow{"MSec", "z", March7, "45"}, FormatRow{"MSec3", "zzz", March7, "045"},
        FormatRow{"ProcessDateSeparator", "dd/mm/yyyy", March7, "07-03-2003"},
        FormatRow{"ProcessTimeSeparator", "hh:nn:ss", March7, "14.05.09"},
        FormatRow{"MinutesRule", "hh:mm", March7, "14.05"},
        FormatRow{"MonthAfterBlank", "hh mm", March7, "14 03"},
        FormatRow{"AnyChar", "hh?nn", March7, "14?05"},
        FormatRow{"QuotedLiterals", "'at' hh\"h\"", March7, "at 14h"},
        FormatRow{"PlainLiterals", "dd.mm", March7, "07.03"},
        FormatRow{"AmPmEvening", "hh:nn am/pm", At(2000, 1, 1, 22, 20, 0, 0), "10.20 pm"},
        FormatRow{"AmPmAfterMidnight", "hh:nn am/pm", At(2000, 1, 1, 0, 30, 0, 0), "00.30 am"},
        FormatRow{"AmPmNoon", "hh:nn AM/PM", At(2000, 1, 1, 12, 30, 0, 0), "12.30 PM"},
        FormatRow{"AmPmMixedCase", "h Am/pM", At(2000, 1, 1, 13, 0, 0, 0), "1 pM"},
        FormatRow{"APMorning", "h a/p", At(2000, 1, 1, 11, 0, 0, 0), "11 a"},
        FormatRow{"APEvening", "h A/P", At(2000, 1, 1, 23, 0, 0, 0), "11 P"},
        FormatRow{"ProcessAmPmTexts", "h ampm", At(2000, 1, 1, 13, 0, 0, 0), "1 nm"},
        FormatRow{"ProcessAmTextMorning", "h ampm", At(2000, 1, 1, 1, 0, 0, 0), "1 vm"},
        FormatRow{"HoursWithoutMarkerUnchanged", "hh", At(2000, 1, 1, 22, 0, 0, 0), "22"},
        FormatRow{"BeforeTheEpoch", "dd.mm.yyyy hh:nn", At(1850, 1, 1, 6, 0, 0, 0),
                  "01.01.1850 06.00"}),
    [](const testing::TestParamInfo<FormatRow>& Info) { return Info.param.Name; });

TEST(ConvertorFormats, DayAndMonthNamesComeFromTheLCID) {
  ASSERT_TRUE(IsValidLCID(Dutch));
  TDateTimeStringConvertor Convertor;
  Convertor.SetLCID(Dutch);
  Convertor.SetDateTime(March7);
  Convertor.SetFormat("dddd d mmmm yyyy");
  EXPECT_EQ(Convertor.Text(), "vrijdag 7 maart 2003");
  Convertor.SetFormat("ddd mmm");
  EXPECT_EQ(Convertor.Text(), GetShortDayNames(Dutch)[5] + " " + GetShortMonthNames(Dutch)[2]);

  TDateTimeStringConvertor Default;
  Default.SetDateTime(March7);
  Default.SetFormat("dddd mmmm");
  EXPECT_EQ(Default.Text(), GetLongDayNames(0)[5] + " " + GetLongMonthNames(0)[2]);
}

TEST(ConvertorFormats, SetLCIDDoesNotRenderAgain) {
  TDateTimeStringConvertor Convertor;
  Convertor.SetDateTime(March7);
  Convertor.SetFormat("mmmm");
  const std::string Before = Convertor.Text();
  Convertor.SetLCID(Dutch);
  EXPECT_EQ(Convertor.Text(), Before);
  EXPECT_EQ(Convertor.LCID(), Dutch);
  Convertor.SetDateTime(March7);
  EXPECT_EQ(Convertor.Text(), "maart");
}

TEST(ConvertorFormats, NameTokensRaiseForAnLCIDThatIsNotInstalled) {
  const uint16_t Unknown = 0x7F7F;
  ASSERT_FALSE(IsValidLCID(Unknown));
  TDateTimeStringConvertor Convertor;
  Convertor.SetLCID(Unknown);
  Convertor.SetFormat("dd.mm.yyyy hh:nn"); // no names: no failure
  EXPECT_TRUE(Convertor.TextValid());
  EXPECT_THROW(Convertor.SetFormat("dddd"), EAssertionFailed);
  Convertor.SetFormat("hh");
  Convertor.SetText("10"); // parsing without names does not raise either
  EXPECT_TRUE(Convertor.TextValid());
  EXPECT_THROW(Convertor.SetFormat("mmmm"), EAssertionFailed); // rendering needs the names
  EXPECT_THROW(Convertor.SetText("maart"), EAssertionFailed);
}

TEST(ConvertorFormats, AValueWithoutACalendarDateHasNoText) {
  TDateTimeStringConvertor Convertor;
  Convertor.SetFormat("dd.mm.yyyy");
  for (double Value : {std::numeric_limits<double>::quiet_NaN(),
                       std::numeric_limits<double>::infinity(), 2958466.0, -693594.0}) {
    SCOPED_TRACE(Value);
    Convertor.SetDateTime(At(2003, 3, 17, 0, 0, 0, 0));
    ASSERT_TRUE(Convertor.TextValid());
    Convertor.SetDateTime(Value);
    EXPECT_FALSE(Convertor.TextValid());
    EXPECT_EQ(Convertor.Text(), "");
  }
}

TEST(Convertor, StartsEmpty) {
  TDateTimeStringConvertor Convertor;
  EXPECT_EQ(Convertor.LCID(), 0);
  EXPECT_EQ(Convertor.DateTime(), 0.0);
  EXPECT_EQ(Convertor.Format(), "");
  EXPECT_EQ(Convertor.Text(), "");
  EXPECT_FALSE(Convertor.TextValid());
}

// ---- Parsing ------------------------------------------------------------------------------

struct ParseRow {
  std::string Name;
  std::string Format;
  std::string Text;
  bool Valid;
  TDateTime Value; // checked only when Valid
};

void PrintTo(const ParseRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

class ConvertorParses : public testing::TestWithParam<ParseRow> {};

TEST_P(ConvertorParses, JudgesTheTextAndEncodesTheFields) {
  ProcessSettings Settings;
  TDateTimeStringConvertor Convertor;
  Convertor.SetFormat(GetParam().Format);
  Convertor.SetText(GetParam().Text);
  EXPECT_EQ(Convertor.Text(), GetParam().Text);
  EXPECT_EQ(Convertor.TextValid(), GetParam().Valid);
  if (GetParam().Valid) {
    EXPECT_EQ(Convertor.DateTime(), GetParam().Value);
  }
}

const TDateTime Time1020 = EncodeTime(10, 20, 0, 0);

INSTANTIATE_TEST_SUITE_P(
    Texts, ConvertorParses,
    testing::Values(
        ParseRow{"DateOnlyGivesMidnight", "dd.mm.yyyy", "17.03.2003", true,
                 EncodeDate(2003, 3, 17)},
        ParseRow{"DateAndTime", "dd.mm.yyyy hh:nn:ss.zzz", "17.03.2003 10.20.30.125", true,
                 At(2003, 3, 17, 10, 20, 30, 125)},
        ParseRow{"NoLeadingZeros", "d.m.yyyy h:n:s.z", "7.3.2003 9.5.7.8", true,
                 At(2003, 3, 7, 9, 5, 7, 8)},
        ParseRow{"NotARealDateWithAValidTime", "dd.mm.yyyy hh:nn", "31.02.2003 10.00", false, 0},
        ParseRow{"RealDateWithAnInvalidTime", "dd.mm.yyyy hh:nn", "28.02.2003 25.00", false, 0},
        ParseRow{"YearZero", "yyyy", "0000", false, 0},
        ParseRow{"DayWithoutYear", "dd.mm", "17.03", false, 0},
        ParseRow{"PmAddsTwelve", "hh:nn am/pm", "10.20 pm", true, EncodeTime(22, 20, 0, 0)},
        ParseRow{"PmIgnoresCase", "hh:nn am/pm", "10.20 PM", true, EncodeTime(22, 20, 0, 0)},
        ParseRow{"TwelveAmStaysTwelve", "hh:nn am/pm", "12.00 AM", true, EncodeTime(12, 0, 0, 0)},
        ParseRow{"TwelvePmStaysTwelve", "hh:nn am/pm", "12.00 pm", true, EncodeTime(12, 0, 0, 0)},
        ParseRow{"AmKeepsMorning", "hh:nn am/pm", "10.20 am", true, Time1020},
        ParseRow{"NeitherAmNorPm", "hh:nn am/pm", "10.20 xm", false, 0},
        ParseRow{"PLetter", "hh:nn a/p", "10.20 p", true, EncodeTime(22, 20, 0, 0)},
        ParseRow{"ALetter", "hh:nn a/p", "10.20 A", true, Time1020},
        ParseRow{"ProcessPmText", "hh:nn ampm", "10.20 NM", true, EncodeTime(22, 20, 0, 0)},
        ParseRow{"ProcessAmText", "hh:nn ampm", "10.20 vm", true, Time1020},
        ParseRow{"EnglishPmIsNotTheProcessText", "hh:nn ampm", "10.20 pm", false, 0},
        ParseRow{"WrongWeekdayAccepted", "dddd dd/mm/yyyy", "Sunday 17-03-2003", true,
                 EncodeDate(2003, 3, 17)},
        ParseRow{"ShortWeekday", "ddd dd/mm/yyyy", "mon 17-03-2003", true, EncodeDate(2003, 3, 17)},
        ParseRow{"MonthNameIgnoresCase", "dd mmmm yyyy", "17 MARCH 2003", true,
                 EncodeDate(2003, 3, 17)},
        ParseRow{"ShortMonthName", "dd-mmm-yyyy", "17-Mar-2003", true, EncodeDate(2003, 3, 17)},
        ParseRow{"UnknownMonthName", "dd mmmm yyyy", "17 Maart 2003", false, 0},
        ParseRow{"ProcessDateSeparator", "dd/mm/yyyy", "17-03-2003", true, EncodeDate(2003, 3, 17)},
        ParseRow{"OtherDateSeparator", "dd/mm/yyyy", "17/03/2003", false, 0},
        ParseRow{"QuotedLiteralIgnoresCase", "'at' hh:nn", "AT 10.20", true, Time1020},
        ParseRow{"QuotedLiteralMissing", "'at' hh:nn", "at10.20", false, 0},
        ParseRow{"ThreeMillisecondDigitsRequired", "hh:nn:ss.zzz", "10.20.30.12", false, 0},
        ParseRow{"OneDigitDayUnderTwoDigitToken", "dd.mm.yyyy", "1.03.2003", false, 0},
        ParseRow{"YearDigitsRunOn", "dd.mm.yyyy", "17.03.20031", false, 0},
        ParseRow{"TrailingTextIgnored", "dd.mm.yyyy", "17.03.2003 and more", true,
                 EncodeDate(2003, 3, 17)},
        ParseRow{"EightBitByteForALiteral", "dd.mm.yyyy",
                 "17\xB7"
                 "03.2003",
                 false, 0},
        ParseRow{"EmptyText", "dd.mm.yyyy", "", false, 0},
        ParseRow{"AnyCharPastTheEnd", "hh:nn?", "10.20", true, Time1020},
        ParseRow{"DigitsAfterAnyCharPastTheEnd", "hh?nn", "10", false, 0},
        ParseRow{"BeforeTheEpoch", "dd.mm.yyyy hh:nn", "01.01.1850 06.00", true,
                 At(1850, 1, 1, 6, 0, 0, 0)}),
    [](const testing::TestParamInfo<ParseRow>& Info) { return Info.param.Name; });

TEST(ConvertorParses, ValidDateWithInvalidTimeKeepsTheDate) {
  TDateTimeStringConvertor Convertor;
  Convertor.SetFormat("dd.mm.yyyy hh:nn");
  Convertor.SetText("28.02.2003 25:00");
  EXPECT_FALSE(Convertor.TextValid());
  EXPECT_EQ(Convertor.DateTime(), EncodeDate(2003, 2, 28));
}

TEST(ConvertorParses, AnInvalidFormatLeavesTheTextInvalid) {
  TDateTimeStringConvertor Convertor;
  Convertor.SetFormat("sss");
  Convertor.SetText("10");
  EXPECT_FALSE(Convertor.TextValid());
  EXPECT_EQ(Convertor.Text(), "10");
}

TEST(ConvertorParses, APmMarkerDoesNotCarryOverToTheNextText) {
  TDateTimeStringConvertor Convertor;
  Convertor.SetFormat("hh:nn am/pm");
  Convertor.SetText("10:20 pm");
  ASSERT_TRUE(Convertor.PMMarker());
  Convertor.SetFormat("hh:nn");
  Convertor.SetText("10:20");
  ASSERT_TRUE(Convertor.TextValid());
  EXPECT_EQ(Convertor.DateTime(), Time1020);
  EXPECT_FALSE(Convertor.PMMarker());
}

TEST(ConvertorParses, ReadsTheFieldsAndTheWeekday) {
  TDateTimeStringConvertor Convertor;
  Convertor.SetFormat("ddd dd.mm.yyyy hh:nn:ss.zzz");
  Convertor.SetText("Sat 17.03.2003 10:20:30.125");
  ASSERT_TRUE(Convertor.TextValid());
  EXPECT_EQ(Convertor.DayOfWeek(), 7);
  EXPECT_EQ(Convertor.Year(), 2003);
  EXPECT_EQ(Convertor.Month(), 3);
  EXPECT_EQ(Convertor.Day(), 17);
  EXPECT_EQ(Convertor.Hour(), 10);
  EXPECT_EQ(Convertor.Minute(), 20);
  EXPECT_EQ(Convertor.Second(), 30);
  EXPECT_EQ(Convertor.MSec(), 125);
}

struct TwoDigitYearRow {
  std::string Name;
  int ThisYear;
  uint16_t Window;
  std::string Text;
  int Year;
};

void PrintTo(const TwoDigitYearRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

class ConvertorTwoDigitYear : public testing::TestWithParam<TwoDigitYearRow> {};

TEST_P(ConvertorTwoDigitYear, LandsInTheWindow) {
  const TwoDigitYearRow& Row = GetParam();
  TFixedNow Now(Row.ThisYear);
  TSettingOverride<uint16_t> Window(&TFormatSettings::TwoDigitYearCenturyWindow, Row.Window);
  TDateTimeStringConvertor Convertor;
  Convertor.SetFormat("dd.mm.yy");
  Convertor.SetText("01.01." + Row.Text);
  ASSERT_TRUE(Convertor.TextValid());
  EXPECT_EQ(Convertor.Year(), Row.Year);
  EXPECT_EQ(Convertor.DateTime(), EncodeDate(Row.Year, 1, 1));
}

INSTANTIATE_TEST_SUITE_P(
    Years, ConvertorTwoDigitYear,
    testing::Values(TwoDigitYearRow{"Window50Year2026Gives2075", 2026, 50, "75", 2075},
                    TwoDigitYearRow{"Window50Year2026Gives2010", 2026, 50, "10", 2010},
                    TwoDigitYearRow{"Window50Year2026Gives2085", 2026, 50, "85", 2085},
                    TwoDigitYearRow{"Window30Year2026Gives2000", 2026, 30, "00", 2000},
                    TwoDigitYearRow{"Window20Year2026RollsOver", 2026, 20, "05", 2105},
                    TwoDigitYearRow{"Window50Year2090Rolls10Over", 2090, 50, "10", 2110},
                    TwoDigitYearRow{"Window50Year2090Keeps40", 2090, 50, "40", 2040},
                    TwoDigitYearRow{"Window50Year2090Keeps75", 2090, 50, "75", 2075},
                    TwoDigitYearRow{"Window0Year2026Rolls25Over", 2026, 0, "25", 2125},
                    TwoDigitYearRow{"Window0Year2026Keeps26", 2026, 0, "26", 2026}),
    [](const testing::TestParamInfo<TwoDigitYearRow>& Info) { return Info.param.Name; });

TEST(ConvertorTwoDigitYear, FormatsTheYearModuloHundred) {
  TDateTimeStringConvertor Convertor;
  Convertor.SetFormat("yy");
  Convertor.SetDateTime(EncodeDate(2110, 5, 5));
  EXPECT_EQ(Convertor.Text(), "10");
}

// ---- Round trips ------------------------------------------------------------------------

struct RoundTripRow {
  std::string Name;
  uint16_t LCID;
  std::string Format;
};

void PrintTo(const RoundTripRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

class ConvertorRoundTrip : public testing::TestWithParam<RoundTripRow> {};

TEST_P(ConvertorRoundTrip, ParsesWhatItFormatted) {
  const RoundTripRow& Row = GetParam();
  ASSERT_TRUE(IsValidLCID(Row.LCID));
  TFixedNow Now(2026);
  TDateTimeStringConvertor Writer;
  TDateTimeStringConvertor Reader;
  Writer.SetLCID(Row.LCID);
  Reader.SetLCID(Row.LCID);
  Writer.SetFormat(Row.Format);
  Reader.SetFormat(Row.Format);
  ASSERT_TRUE(Writer.IsFormatValid());
  // Two-digit years read back into this century, so every value lies in it.
  const std::vector<TDateTime> Values{
      At(2001, 1, 1, 0, 0, 0, 0),        At(2003, 3, 7, 14, 5, 9, 45),
      At(2026, 12, 31, 23, 59, 59, 999), At(2000, 2, 29, 12, 0, 0, 0),
      At(2040, 7, 15, 0, 30, 0, 500),    At(2099, 9, 9, 11, 59, 1, 1),
  };
  for (TDateTime Value : Values) {
    Writer.SetDateTime(Value);
    ASSERT_TRUE(Writer.TextValid());
    SCOPED_TRACE("text \"" + Writer.Text() + "\"");
    Reader.SetText(Writer.Text());
    ASSERT_TRUE(Reader.TextValid());
    EXPECT_EQ(Reader.DateTime(), Value);
  }
}

std::vector<RoundTripRow> RoundTripRows() {
  const std::vector<std::pair<std::string, std::string>> Formats{
      {"Numbers", "dd.mm.yyyy hh:nn:ss.zzz"},
      {"NumbersWithoutLeadingZeros", "d/m/yyyy h:n:s.z"},
      {"TwoDigitYear", "yy-mm-dd hh?nn?ss?zzz"},
      {"LongNames", "dddd d mmmm yyyy, hh:nn:ss.zzz"},
      {"ShortNamesAndAmPm", "ddd dd mmm yyyy hh:nn:ss.zzz am/pm"},
      {"AP", "yyyy-mm-dd h:nn:ss.zzz A/P"},
      {"ProcessAmPm", "mmmm dd yyyy hh:nn:ss.zzz ampm"},
      {"QuotedLiterals", "'Date' dd/mm/yyyy \"time\" hh:nn:ss.zzz"},
      {"LocaleDateAndTime", "ddddd tt.zzz"},
      {"LocaleLongDate", "dddddd h:nn:ss.zzz"},
      {"DateTimeComposite", "c.zzz"},
      {"HourBeforeComposite", "hh?c.zzz"},
  };
  std::vector<RoundTripRow> Rows;
  for (const auto& [Name, Format] : Formats) {
    Rows.push_back({"C_" + Name, 0, Format});
    Rows.push_back({"Dutch_" + Name, Dutch, Format});
  }
  return Rows;
}

INSTANTIATE_TEST_SUITE_P(Locales, ConvertorRoundTrip, testing::ValuesIn(RoundTripRows()),
                         [](const testing::TestParamInfo<RoundTripRow>& Info) {
                           return Info.param.Name;
                         });

// ---- Registration ---------------------------------------------------------------------------

TEST(DateTimeUnit, RegistersOnce) {
  InitUnit_uDateTime();
  InitUnit_uDateTime();
  int Count = 0;
  for (const auto& Unit : UnitList()) {
    if (Unit->UnitName() != "uDateTime")
      continue;
    ++Count;
    EXPECT_EQ(Unit->UnitVersion(), "2.0");
    EXPECT_EQ(Unit->Author(), "Torvane");
    EXPECT_EQ(Unit->LastModified(), EncodeDate(2004, 2, 18) + EncodeTime(17, 6, 0, 0));
  }
  EXPECT_EQ(Count, 1);
}

} // namespace
