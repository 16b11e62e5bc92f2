#include "datetime/uTokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velastrin;

namespace {

struct ExpectedToken {
  TDateTimeTokenKind Kind;
  std::string Text;
  int32_t PositionAfter;
};

struct WalkRow {
  std::string Name;
  std::string Format;
  std::vector<ExpectedToken> Tokens;
  // State once First/Next has answered False.
  std::string EndToken;
  int32_t EndPosition;
};

void PrintTo(const WalkRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

class FormatTokenizerWalk : public testing::TestWithParam<WalkRow> {};

TEST_P(FormatTokenizerWalk, YieldsTheTokensKindsTextsAndPositions) {
  const WalkRow& Row = GetParam();
  TDateTimeFormatTokenizer Tokenizer;
  Tokenizer.SetText(Row.Format);
  bool More = Tokenizer.First();
  for (std::size_t i = 0; i < Row.Tokens.size(); ++i) {
    SCOPED_TRACE("token " + std::to_string(i + 1));
    ASSERT_TRUE(More);
    EXPECT_EQ(Tokenizer.Kind(), Row.Tokens[i].Kind);
    EXPECT_EQ(Tokenizer.Token(), Row.Tokens[i].Text);
    EXPECT_EQ(Tokenizer.Position(), Row.Tokens[i].PositionAfter);
    More = Tokenizer.Next();
  }
  EXPECT_FALSE(More);
  EXPECT_EQ(Tokenizer.Kind(), dtkNone);
  EXPECT_EQ(Tokenizer.Token(), Row.EndToken);
  EXPECT_EQ(Tokenizer.Position(), Row.EndPosition);
  // Reading on at the end of the text, or at a run that does not move, changes nothing.
  if (Row.EndToken.empty()) {
    EXPECT_FALSE(Tokenizer.Next());
    EXPECT_EQ(Tokenizer.Position(), Row.EndPosition);
  }
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, FormatTokenizerWalk,
    testing::Values(
        WalkRow{"EdfStartTime",
                "hh?nn?ss",
                {{dtkHour2, "HH", 3},
                 {dtkAnyChar, "?", 4},
                 {dtkMinute2, "NN", 6},
                 {dtkAnyChar, "?", 7},
                 {dtkSecond2, "SS", 9}},
                "",
                9},
        WalkRow{"DottedDate",
                "dd.MM.yyyy",
                {{dtkDay2, "DD", 3},
                 {dtkLiteral, ".", 4},
                 {dtkMonth2, "MM", 6},
                 {dtkLiteral, ".", 7},
                 {dtkYear4, "YYYY", 11}},
                "",
                11},
        WalkRow{"AmPmKeepsItsCase", "am/pm", {{dtkAmPm, "am/pm", 6}}, "", 6},
        WalkRow{"MixedCaseAmPmIsTheLocaleForm", "AmPm", {{dtkAmPmLocale, "AmPm", 5}}, "", 5},
        WalkRow{"APForm", "A/P", {{dtkAP, "A/P", 4}}, "", 4},
        WalkRow{"AmPmFormsInARow",
                "a/pAMPMAm/Pm",
                {{dtkAP, "a/p", 4}, {dtkAmPmLocale, "AMPM", 8}, {dtkAmPm, "Am/Pm", 13}},
                "",
                13},
        WalkRow{"AOfNoAmPmFormStops", "ax", {}, "", 1},
        WalkRow{"QuotedLiteralThenFormat",
                "'at' hh",
                {{dtkLiteral, "'at'", 5}, {dtkLiteral, " ", 6}, {dtkHour2, "HH", 8}},
                "",
                8},
        WalkRow{"UnterminatedQuoteGetsItsClosingQuote", "'at", {{dtkLiteral, "'at'", 4}}, "", 4},
        WalkRow{"DoubleQuotesHoldApostrophes",
                "\"it's\"h",
                {{dtkLiteral, "\"it's\"", 7}, {dtkHour, "H", 8}},
                "",
                8},
        WalkRow{"EmptyText", "", {}, "", 1},
        WalkRow{"ThreeYsAreReadButNotRecognised", "yyy", {}, "YYY", 4},
        WalkRow{"OneYIsNotAYear", "y", {}, "Y", 2},
        WalkRow{"TwoZsAreNotRecognised", "zz", {}, "ZZ", 3},
        WalkRow{"RunTooLongForItsRowStays", "ddddddd", {}, "", 1},
        WalkRow{"FiveMsStop", "mmmmm", {}, "", 1}, WalkRow{"SixSsStop", "ssssss", {}, "", 1},
        WalkRow{"ThreeHsStop", "hhh", {}, "", 1}, WalkRow{"ThreeNsStop", "nnn", {}, "", 1},
        WalkRow{"ThreeTsStop", "ttt", {}, "", 1}, WalkRow{"FiveYsStop", "yyyyy", {}, "", 1},
        WalkRow{"WalkEndsAtTheFirstUnrecognisedRun",
                "hh yyy nn",
                {{dtkHour2, "HH", 3}, {dtkLiteral, " ", 4}},
                "YYY",
                7},
        WalkRow{"RunsIgnoreCase", "Dd", {{dtkDay2, "DD", 3}}, "", 3},
        WalkRow{"EveryCIsOneToken", "cc", {{dtkDateTime, "C", 2}, {dtkDateTime, "C", 3}}, "", 3},
        WalkRow{"DayRuns",
                "d dd ddd dddd ddddd dddddd",
                {{dtkDay, "D", 2},
                 {dtkLiteral, " ", 3},
                 {dtkDay2, "DD", 5},
                 {dtkLiteral, " ", 6},
                 {dtkDayShort, "DDD", 9},
                 {dtkLiteral, " ", 10},
                 {dtkDayLong, "DDDD", 14},
                 {dtkLiteral, " ", 15},
                 {dtkShortDate, "DDDDD", 20},
                 {dtkLiteral, " ", 21},
                 {dtkLongDate, "DDDDDD", 27}},
                "",
                27},
        WalkRow{"MonthRuns",
                "m mm mmm mmmm",
                {{dtkMonth, "M", 2},
                 {dtkLiteral, " ", 3},
                 {dtkMonth2, "MM", 5},
                 {dtkLiteral, " ", 6},
                 {dtkMonthShort, "MMM", 9},
                 {dtkLiteral, " ", 10},
                 {dtkMonthLong, "MMMM", 14}},
                "",
                14},
        WalkRow{"SecondRuns",
                "s ss sss ssss sssss",
                {{dtkSecond, "S", 2},
                 {dtkLiteral, " ", 3},
                 {dtkSecond2, "SS", 5},
                 {dtkLiteral, " ", 6},
                 {dtkSecond3, "SSS", 9},
                 {dtkLiteral, " ", 10},
                 {dtkSecond4, "SSSS", 14},
                 {dtkLiteral, " ", 15},
                 {dtkSecond5, "SSSSS", 20}},
                "",
                20},
        WalkRow{"TimeYearAndMillisecondRuns",
                "h n t tt yy yyyy z zzz",
                {{dtkHour, "H", 2},
                 {dtkLiteral, " ", 3},
                 {dtkMinute, "N", 4},
                 {dtkLiteral, " ", 5},
                 {dtkShortTime, "T", 6},
                 {dtkLiteral, " ", 7},
                 {dtkLongTime, "TT", 9},
                 {dtkLiteral, " ", 10},
                 {dtkYear2, "YY", 12},
                 {dtkLiteral, " ", 13},
                 {dtkYear4, "YYYY", 17},
                 {dtkLiteral, " ", 18},
                 {dtkMSec, "Z", 19},
                 {dtkLiteral, " ", 20},
                 {dtkMSec3, "ZZZ", 23}},
                "",
                23},
        WalkRow{"Separators",
                "/:?x\xE9",
                {{dtkDateSep, "/", 2},
                 {dtkTimeSep, ":", 3},
                 {dtkAnyChar, "?", 4},
                 {dtkLiteral, "x", 5},
                 {dtkLiteral, "\xE9", 6}},
                "",
                6}),
    [](const testing::TestParamInfo<WalkRow>& Info) { return Info.param.Name; });

TEST(DateTimeTokenKind, NumbersAreFixed) {
  EXPECT_EQ(static_cast<int>(dtkNone), 0);
  EXPECT_EQ(static_cast<int>(dtkSecond2), 19);
  EXPECT_EQ(static_cast<int>(dtkSecond3), 20);
  EXPECT_EQ(static_cast<int>(dtkSecond5), 22);
  EXPECT_EQ(static_cast<int>(dtkMSec), 23);
  EXPECT_EQ(static_cast<int>(dtkAmPm), 27);
  EXPECT_EQ(static_cast<int>(dtkAmPmLocale), 29);
  EXPECT_EQ(static_cast<int>(dtkDateSep), 30);
  EXPECT_EQ(static_cast<int>(dtkLiteral), 33);
  EXPECT_EQ(sizeof(TDateTimeTokenKind), 1u);
}

TEST(FormatTokenizer, IsCreatedEmpty) {
  TDateTimeFormatTokenizer Tokenizer;
  EXPECT_EQ(Tokenizer.Position(), 0);
  EXPECT_EQ(Tokenizer.Text(), "");
  EXPECT_EQ(Tokenizer.Token(), "");
  EXPECT_EQ(Tokenizer.Kind(), dtkNone);
}

TEST(FormatTokenizer, FirstStartsOverAfterAWalk) {
  TDateTimeFormatTokenizer Tokenizer;
  Tokenizer.SetText("hh:nn");
  while (Tokenizer.Next()) {
  }
  ASSERT_TRUE(Tokenizer.First());
  EXPECT_EQ(Tokenizer.Kind(), dtkHour2);
  EXPECT_EQ(Tokenizer.Position(), 3);
}

TEST(FormatTokenizer, SetTextKeepsTheCurrentTokenUntilTheNextRead) {
  TDateTimeFormatTokenizer Tokenizer;
  Tokenizer.SetText("nn");
  ASSERT_TRUE(Tokenizer.First());
  Tokenizer.SetText("yyyy");
  EXPECT_EQ(Tokenizer.Position(), 1);
  EXPECT_EQ(Tokenizer.Kind(), dtkMinute2);
  EXPECT_EQ(Tokenizer.Token(), "NN");
  ASSERT_TRUE(Tokenizer.Next());
  EXPECT_EQ(Tokenizer.Kind(), dtkYear4);
}

TEST(StringTokenizerHelpers, PeekCharLooksAroundPositionAndAnswersZeroOutside) {
  TDateTimeFormatTokenizer Tokenizer;
  Tokenizer.SetText("abc");
  EXPECT_EQ(Tokenizer.PeekChar(0), 'a');
  EXPECT_EQ(Tokenizer.PeekChar(1), 'b');
  EXPECT_EQ(Tokenizer.PeekChar(2), 'c');
  EXPECT_EQ(Tokenizer.PeekChar(3), '\0');
  EXPECT_EQ(Tokenizer.PeekChar(-1), '\0');
  Tokenizer.SetPosition(3);
  EXPECT_EQ(Tokenizer.PeekChar(-2), 'a');
  EXPECT_EQ(Tokenizer.PeekChar(1), '\0');
}

TEST(StringTokenizerHelpers, RunLengthFoldsCaseOnlyWhenAsked) {
  TDateTimeFormatTokenizer Tokenizer;
  Tokenizer.SetText("dDdx");
  EXPECT_EQ(Tokenizer.RunLength(true), 3);
  EXPECT_EQ(Tokenizer.RunLength(false), 1);
  Tokenizer.SetPosition(4);
  EXPECT_EQ(Tokenizer.RunLength(true), 1);
  Tokenizer.SetPosition(5);
  EXPECT_EQ(Tokenizer.RunLength(true), 0);
  // Only ASCII letters fold: 0xE9 and 0xC9 are different characters.
  Tokenizer.SetText("\xE9\xC9");
  EXPECT_EQ(Tokenizer.RunLength(true), 1);
}

TEST(StringTokenizerHelpers, MatchCandidatesTakesTheFirstThatFits) {
  TDateTimeFormatTokenizer Tokenizer;
  Tokenizer.SetText("xAmPm");
  Tokenizer.SetPosition(2);
  const std::vector<std::string> Candidates{"AM/PM", "A/P", "AMPM", "AM"};
  EXPECT_EQ(Tokenizer.MatchCandidates(Candidates, true), 2);
  EXPECT_EQ(Tokenizer.MatchCandidates(Candidates, false), -1);
  EXPECT_EQ(Tokenizer.MatchCandidates({"Am", "AmPm"}, false), 0);
  // A candidate longer than the rest of the text never matches.
  EXPECT_EQ(Tokenizer.MatchCandidates({"AmPmX"}, true), -1);
  EXPECT_EQ(Tokenizer.MatchCandidates({}, true), -1);
}

TEST(FormatTokenizerHelpers, TokenFromRunCopiesTheRunUpperCased) {
  TDateTimeFormatTokenizer Tokenizer;
  Tokenizer.SetText("hHx");
  Tokenizer.TokenFromRun(true, {dtkHour, dtkHour2});
  EXPECT_EQ(Tokenizer.Kind(), dtkHour2);
  EXPECT_EQ(Tokenizer.Token(), "HH");
  EXPECT_EQ(Tokenizer.Position(), 3);

  Tokenizer.SetText("hHx");
  Tokenizer.TokenFromRun(false, {dtkHour, dtkHour2});
  EXPECT_EQ(Tokenizer.Kind(), dtkHour);
  EXPECT_EQ(Tokenizer.Token(), "h");
  EXPECT_EQ(Tokenizer.Position(), 2);

  Tokenizer.SetText("hhh");
  Tokenizer.TokenFromRun(true, {dtkHour, dtkHour2});
  EXPECT_EQ(Tokenizer.Kind(), dtkNone);
  EXPECT_EQ(Tokenizer.Token(), "");
  EXPECT_EQ(Tokenizer.Position(), 1);
}

TEST(FormatTokenizerHelpers, SetTokenAdvancesOnlyWhenAsked) {
  TDateTimeFormatTokenizer Tokenizer;
  Tokenizer.SetText("abcdef");
  Tokenizer.SetToken(dtkLiteral, "abc", false);
  EXPECT_EQ(Tokenizer.Position(), 1);
  EXPECT_EQ(Tokenizer.Token(), "abc");
  Tokenizer.SetToken(dtkLiteral, "abc", true);
  EXPECT_EQ(Tokenizer.Position(), 4);
  EXPECT_EQ(Tokenizer.Kind(), dtkLiteral);
}

TEST(FormatTokenizer, PriorStepsBackOneTokenAtATime) {
  TDateTimeFormatTokenizer Tokenizer;
  Tokenizer.SetText("'at' hh:nn");
  EXPECT_FALSE(Tokenizer.Prior()); // nothing read yet
  ASSERT_TRUE(Tokenizer.First());
  ASSERT_TRUE(Tokenizer.Next());
  ASSERT_TRUE(Tokenizer.Next());
  ASSERT_TRUE(Tokenizer.Next());
  ASSERT_EQ(Tokenizer.Kind(), dtkTimeSep);

  ASSERT_TRUE(Tokenizer.Prior());
  EXPECT_EQ(Tokenizer.Kind(), dtkHour2);
  EXPECT_EQ(Tokenizer.Position(), 8);
  ASSERT_TRUE(Tokenizer.Prior());
  EXPECT_EQ(Tokenizer.Kind(), dtkLiteral);
  EXPECT_EQ(Tokenizer.Token(), " ");
  ASSERT_TRUE(Tokenizer.Prior());
  EXPECT_EQ(Tokenizer.Token(), "'at'");
  EXPECT_EQ(Tokenizer.Position(), 5);
  EXPECT_FALSE(Tokenizer.Prior()); // the first token has none before it
  EXPECT_EQ(Tokenizer.Token(), "'at'");

  // Next goes forward again from the token Prior chose.
  ASSERT_TRUE(Tokenizer.Next());
  EXPECT_EQ(Tokenizer.Token(), " ");
}

TEST(FormatTokenizer, PriorAtTheEndGivesTheLastToken) {
  TDateTimeFormatTokenizer Tokenizer;
  Tokenizer.SetText("hh:nn");
  while (Tokenizer.Next()) {
  }
  ASSERT_TRUE(Tokenizer.Prior());
  EXPECT_EQ(Tokenizer.Kind(), dtkMinute2);
  EXPECT_EQ(Tokenizer.Position(), 6);
}

} // namespace
