// Patient and recording identification: sub-fields, the space character, "X" for absent
// values and dd.MMM.yyyy dates under the process-wide short month names.
#include "edf/uEDFHeader.h"

#include "EDFHeaderTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace velastrin {
namespace {

using test::DateSerial;

struct TDate {
  int Y = 0; // 0: the date is -1 (absent or not recognised)
  unsigned M = 0;
  unsigned D = 0;
  double Serial() const { return Y == 0 ? -1.0 : DateSerial(Y, M, D); }
};

struct TPatientCase {
  const char* Name;
  std::string Text;
  std::string HospitalCode;
  char Sex;
  TDate BirthDate;
  std::string PatientName;
  std::string Additional;
};

class PatientParse : public testing::TestWithParam<TPatientCase> {};

TEST_P(PatientParse, GivesTheSubFields) {
  const TPatientCase& C = GetParam();
  TEDFPatientInfo Info;
  ASSERT_NO_THROW(Info.Parse(C.Text));
  EXPECT_EQ(Info.Identification(), C.Text);
  EXPECT_EQ(Info.HospitalCode(), C.HospitalCode);
  EXPECT_EQ(Info.Sex(), C.Sex);
  EXPECT_EQ(Info.BirthDate(), C.BirthDate.Serial());
  EXPECT_EQ(Info.PatientName(), C.PatientName);
  EXPECT_EQ(Info.Additional(), C.Additional);
}

INSTANTIATE_TEST_SUITE_P(
    Identification, PatientParse,
    testing::Values(
        TPatientCase{"StructuredText",
                     "P-4711 F 16.SEP.1987 Test_Name extra info",
                     "P-4711",
                     'F',
                     {1987, 9, 16},
                     "Test Name",
                     "extra info"},
        TPatientCase{"AllAbsent", "X X X X", "", 0, {}, "", ""},
        TPatientCase{"LowerCaseAbsentMarks", "x x x x", "", 0, {}, "", ""},
        TPatientCase{"DoubleBlankGivesEmptySexSubField", "123  M", "123", 0, {}, "", ""},
        TPatientCase{"LowerCaseSex", "A m", "A", 'M', {}, "", ""},
        TPatientCase{"SexOfTwoLettersIsNone", "A FM", "A", 0, {}, "", ""},
        TPatientCase{"DashSeparatedDateNotRecognised", "A F 16-SEP-1987 N", "A", 'F', {}, "N", ""},
        TPatientCase{
            "LowerCaseMonthRecognised", "A F 16.sep.1987 N", "A", 'F', {1987, 9, 16}, "N", ""},
        TPatientCase{"DayZeroNotRecognised", "A F 00.SEP.1987 N", "A", 'F', {}, "N", ""},
        TPatientCase{"DayOfLettersNotRecognised", "A F AB.SEP.1987 N", "A", 'F', {}, "N", ""},
        TPatientCase{"YearZeroNotRecognised", "A F 01.JAN.0000 N", "A", 'F', {}, "N", ""},
        TPatientCase{"ShortYearNotRecognised", "A F 01.JAN.87 N", "A", 'F', {}, "N", ""},
        TPatientCase{"UnknownMonthNotRecognised", "A F 01.XYZ.1987 N", "A", 'F', {}, "N", ""},
        // A day the month does not have must not stop the parse: it is not recognised.
        TPatientCase{
            "DayBeyondMonthNotRecognised", "A F 31.SEP.1987 N rest", "A", 'F', {}, "N", "rest"},
        TPatientCase{"DayThirtyTwoNotRecognised", "A M 32.JAN.2000 N", "A", 'M', {}, "N", ""},
        TPatientCase{
            "LeapDayOfCommonYearNotRecognised", "A M 29.FEB.1999 N", "A", 'M', {}, "N", ""},
        TPatientCase{"LeapDayOfLeapYear", "A M 29.FEB.2000 N", "A", 'M', {2000, 2, 29}, "N", ""},
        TPatientCase{"EmptyText", "", "", 0, {}, "", ""},
        TPatientCase{"UnstructuredTextIsSplitAtBlanks",
                     "John Smith, born in Leiden",
                     "John",
                     0,
                     {},
                     "in",
                     "Leiden"},
        TPatientCase{"NameMarkWithSpaceStaysText", "A F X X_", "A", 'F', {}, "X ", ""},
        TPatientCase{"SpaceCharInEveryTextSubField",
                     "a_b F 02.JAN.1990 c__d x",
                     "a b",
                     'F',
                     {1990, 1, 2},
                     "c  d",
                     "x"},
        TPatientCase{
            "RestKeepsItsOwnBlanks", "A F X N  two  blanks ", "A", 'F', {}, "N", " two  blanks "}),
    [](const testing::TestParamInfo<TPatientCase>& Info) { return Info.param.Name; });

struct TRecordingCase {
  const char* Name;
  std::string Text;
  TDate RecordingDate;
  std::string InvestigationCode;
  std::string TechnicianCode;
  std::string EquipmentCode;
  std::string Additional;
};

class RecordingParse : public testing::TestWithParam<TRecordingCase> {};

TEST_P(RecordingParse, GivesTheSubFields) {
  const TRecordingCase& C = GetParam();
  TEDFRecordingInfo Info;
  ASSERT_NO_THROW(Info.Parse(C.Text));
  EXPECT_EQ(Info.RecordingDate(), C.RecordingDate.Serial());
  EXPECT_EQ(Info.InvestigationCode(), C.InvestigationCode);
  EXPECT_EQ(Info.TechnicianCode(), C.TechnicianCode);
  EXPECT_EQ(Info.EquipmentCode(), C.EquipmentCode);
  EXPECT_EQ(Info.Additional(), C.Additional);
}

INSTANTIATE_TEST_SUITE_P(
    Identification, RecordingParse,
    testing::Values(
        TRecordingCase{"StructuredText",
                       "Startdate 02.MAR.2002 INV-77 TK Amp_2",
                       {2002, 3, 2},
                       "INV-77",
                       "TK",
                       "Amp 2",
                       ""},
        TRecordingCase{"KeywordAlone", "Startdate", {}, "", "", "", ""},
        TRecordingCase{
            "NoKeywordKeepsWholeText", "Recorded at home", {}, "", "", "", "Recorded at home"},
        TRecordingCase{"EmptyText", "", {}, "", "", "", ""},
        TRecordingCase{"AllAbsent", "STARTDATE X X X X", {}, "", "", "", ""},
        TRecordingCase{"RestAfterEquipment",
                       "startdate 01.DEC.1999 a b c more  here",
                       {1999, 12, 1},
                       "a",
                       "b",
                       "c",
                       "more  here"},
        TRecordingCase{
            "DayBeyondMonthNotRecognised", "Startdate 31.APR.2001 I T E", {}, "I", "T", "E", ""},
        TRecordingCase{"DateWithSpaceChar", "Startdate 01_JAN_2001 I", {}, "I", "", "", ""}),
    [](const testing::TestParamInfo<TRecordingCase>& Info) { return Info.param.Name; });

TEST(Identification, DatesAreZeroAndSpaceCharUnderscoreBeforeTheFirstParse) {
  TEDFPatientInfo Patient;
  TEDFRecordingInfo Recording;
  EXPECT_EQ(Patient.BirthDate(), 0.0);
  EXPECT_EQ(Recording.RecordingDate(), 0.0);
  EXPECT_EQ(Patient.SpaceChar(), '_');
  EXPECT_EQ(Recording.SpaceChar(), '_');
}

TEST(Identification, EachParseReplacesEverySubField) {
  TEDFPatientInfo Patient;
  Patient.Parse("P-4711 F 16.SEP.1987 Test_Name extra info");
  Patient.Parse("Q");
  EXPECT_EQ(Patient.HospitalCode(), "Q");
  EXPECT_EQ(Patient.Sex(), 0);
  EXPECT_EQ(Patient.BirthDate(), -1.0);
  EXPECT_EQ(Patient.PatientName(), "");
  EXPECT_EQ(Patient.Additional(), "");

  TEDFRecordingInfo Recording;
  Recording.Parse("Startdate 02.MAR.2002 INV-77 TK Amp_2 more");
  Recording.Parse("Startdate");
  EXPECT_EQ(Recording.RecordingDate(), -1.0);
  EXPECT_EQ(Recording.InvestigationCode(), "");
  EXPECT_EQ(Recording.Additional(), "");
}

TEST(Identification, MonthNamesComeFromTheProcessFormatSettings) {
  const std::array<std::string, 12> Dutch{"jan", "feb", "mrt", "apr", "mei", "jun",
                                          "jul", "aug", "sep", "okt", "nov", "dec"};
  TSettingOverride<std::array<std::string, 12>> Names(&TFormatSettings::ShortMonthNames, Dutch);
  TEDFPatientInfo Patient;
  Patient.Parse("A F 16.MRT.1987 N");
  EXPECT_EQ(Patient.BirthDate(), DateSerial(1987, 3, 16));
  Patient.Parse("A F 16.MAR.1987 N");
  EXPECT_EQ(Patient.BirthDate(), -1.0);
  TEDFRecordingInfo Recording;
  Recording.Parse("Startdate 03.okt.2010 I");
  EXPECT_EQ(Recording.RecordingDate(), DateSerial(2010, 10, 3));
}

TEST(Identification, DateSubFieldNeedsElevenCharactersWithDotsAtThreeAndSeven) {
  EXPECT_EQ(EDFIdentificationDate("16.SEP.1987"), DateSerial(1987, 9, 16));
  EXPECT_EQ(EDFIdentificationDate("16.SEP.19870"), -1.0);
  EXPECT_EQ(EDFIdentificationDate("6.SEP.1987"), -1.0);
  EXPECT_EQ(EDFIdentificationDate("16/SEP.1987"), -1.0);
  EXPECT_EQ(EDFIdentificationDate("16.SEP/1987"), -1.0);
  EXPECT_EQ(EDFIdentificationDate(std::string("16.SEP.1987\0", 12)), -1.0);
}

} // namespace
} // namespace velastrin
