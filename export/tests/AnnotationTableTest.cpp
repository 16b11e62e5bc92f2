// The annotation table: clock times added exactly from onset digits, field quoting per
// separator, the lines and the information text.
#include "export/AnnotationTable.h"
#include "export/tests/ExportTestSupport.h"

#include <edflib.h>
#include <gtest/gtest.h>

#include <string>

namespace velastrin {
namespace {

TTALNumber Number(const std::string& Text, bool Signed = true) {
  TTALNumber N;
  EXPECT_TRUE(ParseTALNumber(Text, Signed, N)) << Text;
  return N;
}

TDateTime At(int Y, int M, int D, int h, int n, int s) {
  return EncodeDate(Y, M, D) + EncodeTime(h, n, s, 0);
}

struct TClockRow {
  std::string Name;
  TDateTime Start;
  std::string Onset;
  std::string Clock;
};

class ClockTime : public ::testing::TestWithParam<TClockRow> {};

TEST_P(ClockTime, AddsTheOnsetDigitsExactly) {
  const TClockRow& Row = GetParam();
  EXPECT_EQ(AnnotationClockTime(Row.Start, Number(Row.Onset)), Row.Clock);
}

const TDateTime Night = At(2026, 12, 7, 22, 30, 0);
const TClockRow ClockRows[] = {
    {"AtStart", Night, "+0", "2026-12-07T22:30:00"},
    {"PastMidnightWithFraction", Night, "+5400.25", "2026-12-08T00:00:00.25"},
    {"EveryFractionDigitKept", Night, "+0.1234567890123456789",
     "2026-12-07T22:30:00.1234567890123456789"},
    {"TrailingZerosKept", Night, "+1.500", "2026-12-07T22:30:01.500"},
    {"NegativeFraction", Night, "-0.25", "2026-12-07T22:29:59.75"},
    {"NegativeFractionKeepsWidth", Night, "-1.0500", "2026-12-07T22:29:58.9500"},
    {"NegativeZeroFraction", Night, "-2.000", "2026-12-07T22:29:58.000"},
    {"NegativeAcrossNewYear", At(2000, 1, 1, 0, 0, 0), "-1", "1999-12-31T23:59:59"},
    {"LeapDay", At(2024, 2, 28, 23, 59, 59), "+1", "2024-02-29T00:00:00"},
    {"TenDaysLater", Night, "+864000", "2026-12-17T22:30:00"},
    {"BeyondYear9999", Night, "+999999999999", ""},
    {"TooManyDigits", Night, "+1234567890123", ""},
};

INSTANTIATE_TEST_SUITE_P(Rows, ClockTime, ::testing::ValuesIn(ClockRows),
                         [](const auto& Info) { return Info.param.Name; });

struct TFieldRow {
  std::string Name;
  std::string Text;
  std::string Separator;
  std::string Field;
};

class Field : public ::testing::TestWithParam<TFieldRow> {};

TEST_P(Field, IsQuotedOnlyWhenItWouldSplit) {
  const TFieldRow& Row = GetParam();
  EXPECT_EQ(TableField(Row.Text, Row.Separator), Row.Field);
}

const TFieldRow FieldRows[] = {
    {"PlainStaysPlain", "Sleep stage W", ",", "Sleep stage W"},
    {"CommaQuoted", "Apnea, obstructive", ",", "\"Apnea, obstructive\""},
    {"QuoteDoubled", "say \"hi\"", ",", "\"say \"\"hi\"\"\""},
    {"LineBreakQuoted", "two\r\nlines", ",", "\"two\r\nlines\""},
    {"SpaceSeparatorQuotesBlanks", "Sleep stage W", " ", "\"Sleep stage W\""},
    {"CommaFineUnderSpace", "a,b", " ", "a,b"},
    {"BackspaceSeparator", "a\bb", "\b", "\"a\bb\""},
    {"CrlfSeparator", "a\r\nb", "\r\n", "\"a\r\nb\""},
    {"Empty", "", ",", ""},
};

INSTANTIATE_TEST_SUITE_P(Rows, Field, ::testing::ValuesIn(FieldRows),
                         [](const auto& Info) { return Info.param.Name; });

TEDFAnnotation Annotation(const std::string& Onset, std::optional<std::string> Duration,
                          const std::string& Text) {
  TEDFAnnotation A;
  A.Onset = Number(Onset);
  if (Duration)
    A.Duration = Number(*Duration, false);
  A.Text = Text;
  return A;
}

TEST(AnnotationTable, LinesGiveOnsetClockDurationAndText) {
  const TAnnotationTableFormat Csv;
  EXPECT_EQ(AnnotationTableLine(Annotation("+13.25", {}, "Lights off"), Night, Csv),
            "13.25,2026-12-07T22:30:13.25,,Lights off");
  EXPECT_EQ(AnnotationTableLine(Annotation("+30", "0", "Marker"), Night, Csv),
            "30,2026-12-07T22:30:30,0,Marker");
  EXPECT_EQ(AnnotationTableLine(Annotation("-0.5", "30.0", "Apnea, central"), Night, Csv),
            "-0.5,2026-12-07T22:29:59.5,30.0,\"Apnea, central\"");
  const TAnnotationTableFormat Tab{"\b", "\r\n"};
  EXPECT_EQ(
      AnnotationTable({Annotation("+0", "30", "W"), Annotation("+30", "30", "N1")}, Night, Tab),
      "0\b2026-12-07T22:30:00\b30\bW\r\n30\b2026-12-07T22:30:30\b30\bN1\r\n");
  EXPECT_EQ(AnnotationTable({}, Night, Csv), "");
}

TEST(AnnotationTable, InfoSaysItIsAnAnnotationTable) {
  TEDFPlusRecording Plus;
  Plus.FileName = "night.edf";
  Plus.Patient = "X F 01-JAN-1990 Seed";
  Plus.Recording = "Startdate 07-DEC-2026 X X X";
  Plus.StartDateTime = Night;
  Plus.Kind = TEDFPlusKind::Discontinuous;
  Plus.Labels = {"EEG", "EDF Annotations", "EDF Annotations"};
  Plus.AnnotationSignals = {1, 2};
  const std::string Info = AnnotationTableInfo(Plus, {1, 2}, 42, TAnnotationTableFormat{});
  EXPECT_EQ(Info, "\"FileName:night.edf\",\"Patient:X F 01-JAN-1990 Seed\","
                  "\"Recording:Startdate 07-DEC-2026 X X X\",\"StartTime:2026-12-07T22:30:00\","
                  "\"FileType:EDF+D\",\"SignalNumber:2 3\",\"SignalLabel:EDF Annotations\","
                  "\"Content:Annotation table: onset in seconds from StartTime, onset as clock "
                  "time, duration in seconds, text\",\"Annotations:42\"");
}

// A file edflib wrote, read by us and put in a table: two annotation signals merged in time
// order, every digit edflib gave, CSV quoting.
TEST(AnnotationTable, OfAnEdflibFileListsEveryAnnotationInTimeOrder) {
  testing::TTempDir Dir;
  const std::string Path = Dir.File("peer.edf");
  const int Handle = testing::OpenEdflibPlusFile(Path, 10, 22, 30, 120);
  // Onsets and durations in units of 100 microseconds; a negative duration is none.
  edfwrite_annotation_utf8(Handle, 0, -1, "Lights off");
  edfwrite_annotation_utf8(Handle, 300000, 300000, "Sleep stage W");
  edfwrite_annotation_utf8(Handle, 12345, 0, "Marker, zero duration");
  edfwrite_annotation_utf8(Handle, 600001, 5000, "Stadium N2 \xE2\x80\x93 \"Spindel\"");
  edfwrite_annotation_utf8(Handle, 300000, -1, "Same onset as W, written later");
  ASSERT_EQ(edfclose_file(Handle), 0);

  const TEDFPlusRecording Plus = ReadEDFPlus(Path);
  EXPECT_EQ(AnnotationTable(Plus.InTimeOrder(), Plus.StartDateTime, TAnnotationTableFormat{}),
            "0,2026-12-07T22:30:00,,Lights off\r\n"
            "1.2345,2026-12-07T22:30:01.2345,0,\"Marker, zero duration\"\r\n"
            "30,2026-12-07T22:30:30,30,Sleep stage W\r\n"
            "30,2026-12-07T22:30:30,,\"Same onset as W, written later\"\r\n"
            "60.0001,2026-12-07T22:31:00.0001,0.5000,"
            "\"Stadium N2 \xE2\x80\x93 \"\"Spindel\"\"\"\r\n");
}

} // namespace
} // namespace velastrin
