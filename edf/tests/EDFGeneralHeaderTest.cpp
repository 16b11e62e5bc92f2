// The general header record: per-field flags in strict and lenient loading, the start date
// and time repairs, the setters with their locks, and re-parsing under other settings.
#include "edf/uEDFHeader.h"

#include "EDFHeaderTestSupport.h"
#include "datetime/uHPDateTime.h"
#include "edf/uDataFile.h"

#include <gtest/gtest.h>

#include <tuple>

#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace velastrin {
namespace {

using test::DateSerial;
using test::InvalidFields;
using test::Names;
using test::TimeSerial;
using test::ValidGeneralRaw;
using GF = TGeneralField;

std::unique_ptr<TEDFFileInfo> Loaded(const TEDFRawGeneralHeader& Raw, bool Strict) {
  auto Info = std::make_unique<TEDFFileInfo>(nullptr);
  Info->StoreStrict(Strict);
  Info->LoadRawHeader(Raw);
  return Info;
}

TEST(EdfGeneralHeader, FreshRecordHasDefaultsAndNoValidField) {
  TEDFFileInfo Info(nullptr);
  EXPECT_TRUE(Info.Strict());
  EXPECT_FALSE(Info.Modified());
  EXPECT_FALSE(Info.DataExists());
  EXPECT_FALSE(Info.ReadOnly());
  EXPECT_EQ(Info.DecimalSeparator(), '.');
  EXPECT_EQ(Info.ThousandSeparator(), 0);
  EXPECT_EQ(InvalidFields(Info).size(), 10u);
  EXPECT_FALSE(Info.IsValid());
  EXPECT_EQ(Info.NrDataRecords(), 0);
  EXPECT_EQ(Info.RawHeader().Text(0), "");
}

TEST(EdfGeneralHeader, ConformingHeaderLoadsWithItsValuesInBothModes) {
  for (bool Strict : {true, false}) {
    SCOPED_TRACE(Strict ? "strict" : "lenient");
    auto Info = Loaded(
        ValidGeneralRaw({{GF::Patient, "P-4711 F 16.SEP.1987 Test_Name"}, {GF::Reserved, "EDF+C"}}),
        Strict);
    EXPECT_TRUE(Info->IsValid()) << Names(InvalidFields(*Info));
    EXPECT_FALSE(Info->Modified());
    EXPECT_EQ(Info->Version(), "0");
    EXPECT_EQ(Info->GetPatient(), "P-4711 F 16.SEP.1987 Test_Name");
    EXPECT_EQ(Info->PatientInfo().PatientName(), "Test Name");
    EXPECT_EQ(Info->GetRecording(), "Startdate X X X X");
    EXPECT_EQ(Info->RecordingInfo().RecordingDate(), -1.0);
    EXPECT_EQ(Info->Reserved(), "EDF+C");
    EXPECT_EQ(Info->StartDate(), DateSerial(2000, 1, 1));
    EXPECT_NEAR(Info->StartTime(), TimeSerial(12, 0, 0), 1e-9);
    EXPECT_NEAR(Info->StartDateTime(), DateSerial(2000, 1, 1) + 0.5, 1e-9);
    EXPECT_EQ(Info->HeaderBytes(), 768);
    EXPECT_EQ(Info->NrDataRecords(), 10);
    EXPECT_EQ(Info->SampleRecDuration(), 1.0L);
    EXPECT_EQ(Info->NrSignals(), 2);
    // The raw texts stay byte for byte, trailing blanks included.
    EXPECT_EQ(Info->RawHeader().Text(static_cast<int>(GF::NrSignals)), "2   ");
  }
}

// One or more fields changed from the conforming header; the fields expected invalid under
// strict and under lenient loading.
struct TFieldCase {
  const char* Name;
  std::vector<std::pair<GF, std::string>> Changes;
  std::set<GF> StrictInvalid;
  std::set<GF> LenientInvalid;
};

class EdfGeneralHeaderFlags : public testing::TestWithParam<TFieldCase> {};

TEST_P(EdfGeneralHeaderFlags, FollowTheFieldRules) {
  const TFieldCase& C = GetParam();
  TEDFRawGeneralHeader Raw = ValidGeneralRaw();
  for (const auto& [Field, Text] : C.Changes)
    Raw.SetText(static_cast<int>(Field), test::Field(Text, Raw.Width(static_cast<int>(Field))));
  auto Strict = Loaded(Raw, true);
  EXPECT_EQ(Names(InvalidFields(*Strict)), Names(C.StrictInvalid)) << "strict";
  EXPECT_EQ(Strict->IsValid(), C.StrictInvalid.empty());
  auto Lenient = Loaded(Raw, false);
  EXPECT_EQ(Names(InvalidFields(*Lenient)), Names(C.LenientInvalid)) << "lenient";
  EXPECT_EQ(Lenient->IsValid(), C.LenientInvalid.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Fields, EdfGeneralHeaderFlags,
    testing::Values(
        TFieldCase{"Conforming", {}, {}, {}},
        TFieldCase{"VersionWithLeadingBlank", {{GF::Version, " 0"}}, {GF::Version}, {GF::Version}},
        TFieldCase{"VersionOne", {{GF::Version, "1"}}, {GF::Version}, {GF::Version}},
        TFieldCase{"VersionBlank", {{GF::Version, ""}}, {GF::Version}, {GF::Version}},
        TFieldCase{"PatientWithLeadingBlank", {{GF::Patient, " P X X X"}}, {GF::Patient}, {}},
        TFieldCase{"PatientWithTab", {{GF::Patient, "P\tX X X"}}, {GF::Patient}, {}},
        TFieldCase{
            "PatientWithEightBitCharacter", {{GF::Patient, "P X X Ren\xe9"}}, {GF::Patient}, {}},
        TFieldCase{"PatientBlank", {{GF::Patient, ""}}, {}, {}},
        TFieldCase{"PatientOfNulBytes", {{GF::Patient, std::string(80, '\0')}}, {}, {}},
        TFieldCase{
            "RecordingWithLeadingBlank", {{GF::Recording, " Startdate"}}, {GF::Recording}, {}},
        TFieldCase{"ReservedWithLeadingBlank", {{GF::Reserved, " EDF+C"}}, {GF::Reserved}, {}},
        TFieldCase{"ReservedBlank", {{GF::Reserved, ""}}, {}, {}},
        TFieldCase{
            "StartDateMissingLeadingZeros", {{GF::StartDate, "1.2.03"}}, {GF::StartDate}, {}},
        TFieldCase{"StartDateWithSlashes", {{GF::StartDate, "01/02/03"}}, {GF::StartDate}, {}},
        TFieldCase{"StartDateWithBlankForZero", {{GF::StartDate, "01.02. 3"}}, {GF::StartDate}, {}},
        TFieldCase{"StartDateOfImpossibleDay",
                   {{GF::StartDate, "31.02.03"}},
                   {GF::StartDate},
                   {GF::StartDate}},
        TFieldCase{"StartDateBlank", {{GF::StartDate, ""}}, {GF::StartDate}, {GF::StartDate}},
        TFieldCase{
            "StartDateOfLetters", {{GF::StartDate, "ab.cd.ef"}}, {GF::StartDate}, {GF::StartDate}},
        TFieldCase{"StartDateWithFourDigitYear",
                   {{GF::StartDate, "1.2.2003"}},
                   {GF::StartDate},
                   {GF::StartDate}},
        TFieldCase{"StartTimeWithColons", {{GF::StartTime, "10:20:30"}}, {GF::StartTime}, {}},
        TFieldCase{
            "StartTimeMissingLeadingZero", {{GF::StartTime, "9.05.07"}}, {GF::StartTime}, {}},
        TFieldCase{"StartTimeHourTwentyFive",
                   {{GF::StartTime, "25.00.00"}},
                   {GF::StartTime},
                   {GF::StartTime}},
        TFieldCase{"StartTimeBlank", {{GF::StartTime, ""}}, {GF::StartTime}, {GF::StartTime}},
        TFieldCase{"HeaderBytesOffByOne",
                   {{GF::HeaderBytes, "767"}},
                   {GF::HeaderBytes},
                   {GF::HeaderBytes}},
        TFieldCase{"HeaderBytesWithLeadingBlank", {{GF::HeaderBytes, " 768"}}, {}, {}},
        TFieldCase{"HeaderBytesNotANumber",
                   {{GF::HeaderBytes, "abc"}},
                   {GF::HeaderBytes},
                   {GF::HeaderBytes}},
        TFieldCase{"NrSignalsNotANumber",
                   {{GF::NrSignals, "x"}},
                   {GF::NrSignals, GF::HeaderBytes},
                   {GF::NrSignals, GF::HeaderBytes}},
        TFieldCase{"NrSignalsNegative",
                   {{GF::NrSignals, "-1"}, {GF::HeaderBytes, "0"}},
                   {GF::NrSignals, GF::HeaderBytes},
                   {GF::NrSignals, GF::HeaderBytes}},
        TFieldCase{"NrSignalsWithLeadingBlank", {{GF::NrSignals, "   2"}}, {GF::NrSignals}, {}},
        TFieldCase{"NrSignalsZeroWithHeaderOf256",
                   {{GF::NrSignals, "0"}, {GF::HeaderBytes, "256"}},
                   {},
                   {}},
        TFieldCase{"NrDataRecordsUnknown", {{GF::NrDataRecords, "-1"}}, {}, {}},
        TFieldCase{"NrDataRecordsMinusTwo",
                   {{GF::NrDataRecords, "-2"}},
                   {GF::NrDataRecords},
                   {GF::NrDataRecords}},
        TFieldCase{"NrDataRecordsWithLeadingBlank",
                   {{GF::NrDataRecords, "  10"}},
                   {GF::NrDataRecords},
                   {}},
        TFieldCase{"NrDataRecordsFraction",
                   {{GF::NrDataRecords, "1.5"}},
                   {GF::NrDataRecords},
                   {GF::NrDataRecords}},
        TFieldCase{"NrDataRecordsEightDigits", {{GF::NrDataRecords, "99999999"}}, {}, {}},
        TFieldCase{"DurationZero",
                   {{GF::SampleRecDuration, "0"}},
                   {GF::SampleRecDuration},
                   {GF::SampleRecDuration}},
        TFieldCase{"DurationNegative",
                   {{GF::SampleRecDuration, "-1"}},
                   {GF::SampleRecDuration},
                   {GF::SampleRecDuration}},
        TFieldCase{"DurationWithCommaUnderPointSeparator",
                   {{GF::SampleRecDuration, "0,5"}},
                   {GF::SampleRecDuration},
                   {GF::SampleRecDuration}},
        TFieldCase{"DurationWithLeadingBlank",
                   {{GF::SampleRecDuration, " 0.5"}},
                   {GF::SampleRecDuration},
                   {}},
        TFieldCase{"DurationOverlongExponent",
                   {{GF::SampleRecDuration, "1e999999"}},
                   {GF::SampleRecDuration},
                   {GF::SampleRecDuration}},
        TFieldCase{"DurationFraction", {{GF::SampleRecDuration, "0.001"}}, {}, {}}),
    [](const testing::TestParamInfo<TFieldCase>& Info) { return Info.param.Name; });

// Start date texts: what is read, whatever the mode (strictness only judges the flag).
struct TDateCase {
  const char* Name;
  std::string Text;
  int Y;
  unsigned M;
  unsigned D;
};

class EdfStartDateText : public testing::TestWithParam<TDateCase> {};

TEST_P(EdfStartDateText, IsReadWithTheCenturyRuleAndRepairs) {
  const TDateCase& C = GetParam();
  for (bool Strict : {true, false}) {
    auto Info = Loaded(ValidGeneralRaw({{GF::StartDate, C.Text}}), Strict);
    EXPECT_EQ(Info->StartDate(), DateSerial(C.Y, C.M, C.D)) << (Strict ? "strict" : "lenient");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Dates, EdfStartDateText,
    testing::Values(TDateCase{"TwoThousandThree", "01.02.03", 2003, 2, 1},
                    TDateCase{"EightyFourIsTwentyEightyFour", "01.02.84", 2084, 2, 1},
                    TDateCase{"EightyFiveIsNineteenEightyFive", "01.02.85", 1985, 2, 1},
                    TDateCase{"NinetyNine", "31.12.99", 1999, 12, 31},
                    TDateCase{"DoubleZero", "29.02.00", 2000, 2, 29},
                    TDateCase{"MissingLeadingZeros", "1.2.03", 2003, 2, 1},
                    TDateCase{"DashesAndMissingZeros", "5-6-85", 1985, 6, 5},
                    TDateCase{"Slashes", "01/02/03", 2003, 2, 1},
                    TDateCase{"BlankForZero", "01.02. 3", 2003, 2, 1},
                    TDateCase{"LeadingBlanks", "  1.2.03", 2003, 2, 1},
                    // Any separator but a digit or blank, even one a number could start with.
                    TDateCase{"PlusSigns", "01+02+03", 2003, 2, 1},
                    TDateCase{"ControlCharacters",
                              "01\x01"
                              "02\x7F"
                              "03",
                              2003, 2, 1}),
    [](const testing::TestParamInfo<TDateCase>& Info) { return Info.param.Name; });

struct TTimeCase {
  const char* Name;
  std::string Text;
  int H;
  int M;
  int S;
};

class EdfStartTimeText : public testing::TestWithParam<TTimeCase> {};

TEST_P(EdfStartTimeText, IsReadWithRepairs) {
  const TTimeCase& C = GetParam();
  for (bool Strict : {true, false}) {
    auto Info = Loaded(ValidGeneralRaw({{GF::StartTime, C.Text}}), Strict);
    EXPECT_NEAR(Info->StartTime(), TimeSerial(C.H, C.M, C.S), 1e-9)
        << (Strict ? "strict" : "lenient");
  }
}

INSTANTIATE_TEST_SUITE_P(Times, EdfStartTimeText,
                         testing::Values(TTimeCase{"Dots", "10.20.30", 10, 20, 30},
                                         TTimeCase{"Colons", "10:20:30", 10, 20, 30},
                                         TTimeCase{"MissingLeadingZero", "9.05.07", 9, 5, 7},
                                         TTimeCase{"LastSecondOfTheDay", "23.59.59", 23, 59, 59},
                                         TTimeCase{"Midnight", "00.00.00", 0, 0, 0},
                                         TTimeCase{"BlankForZero", "10.20. 0", 10, 20, 0}),
                         [](const testing::TestParamInfo<TTimeCase>& Info) {
                           return Info.param.Name;
                         });

// Replaces the clock for one test and restores the system clock on every way out.
class TClockOverride {
public:
  explicit TClockOverride(double Now) {
    SetNowFunction([Now] { return Now; });
  }
  ~TClockOverride() { SetNowFunction({}); }
  TClockOverride(const TClockOverride&) = delete;
  TClockOverride& operator=(const TClockOverride&) = delete;
};

TEST(EdfGeneralHeader, CenturyRuleDoesNotDependOnTheClock) {
  for (int Year : {1990, 2026, 2070}) {
    TClockOverride Clock(DateSerial(Year, 6, 1));
    SCOPED_TRACE(Year);
    auto Info = Loaded(ValidGeneralRaw({{GF::StartDate, "29.02.00"}}), true);
    EXPECT_EQ(Info->StartDate(), DateSerial(2000, 2, 29));
    EXPECT_TRUE(Info->FieldValid(GF::StartDate));
    Info = Loaded(ValidGeneralRaw({{GF::StartDate, "01.02.84"}}), true);
    EXPECT_EQ(Info->StartDate(), DateSerial(2084, 2, 1));
    Info = Loaded(ValidGeneralRaw({{GF::StartDate, "31.12.85"}}), true);
    EXPECT_EQ(Info->StartDate(), DateSerial(1985, 12, 31));
    EXPECT_TRUE(Info->FieldValid(GF::StartDate));
  }
}

TEST(EdfGeneralHeader, NumbersDoNotDependOnTheProcessSeparators) {
  TSettingOverride<char> Decimal(&TFormatSettings::DecimalSeparator, ',');
  TSettingOverride<char> Thousand(&TFormatSettings::ThousandSeparator, '.');
  auto Info = Loaded(ValidGeneralRaw({{GF::SampleRecDuration, "0.5"}}), true);
  EXPECT_TRUE(Info->IsValid()) << Names(InvalidFields(*Info));
  EXPECT_EQ(Info->SampleRecDuration(), 0.5L);
  Info = Loaded(ValidGeneralRaw({{GF::SampleRecDuration, "0,5"}}), true);
  EXPECT_FALSE(Info->FieldValid(GF::SampleRecDuration));
}

TEST(EdfGeneralHeader, UnreadableStartDateAndTimeKeepThePreviousValues) {
  TEDFFileInfo Info(nullptr);
  Info.LoadRawHeader(ValidGeneralRaw({{GF::StartDate, "17.03.03"}, {GF::StartTime, "10.20.30"}}));
  const double Start = Info.StartDateTime();
  Info.LoadRawHeader(ValidGeneralRaw({{GF::StartDate, "31.02.03"}, {GF::StartTime, "25.00.00"}}));
  EXPECT_FALSE(Info.FieldValid(GF::StartDate));
  EXPECT_FALSE(Info.FieldValid(GF::StartTime));
  EXPECT_EQ(Info.StartDate(), DateSerial(2003, 3, 17));
  EXPECT_NEAR(Info.StartTime(), TimeSerial(10, 20, 30), 1e-9);
  EXPECT_EQ(Info.StartDateTime(), Start);
}

TEST(EdfGeneralHeader, UnreadableNumbersKeepThePreviousValues) {
  TEDFFileInfo Info(nullptr);
  Info.LoadRawHeader(ValidGeneralRaw({{GF::SampleRecDuration, "0.25"}}));
  Info.LoadRawHeader(ValidGeneralRaw({{GF::HeaderBytes, "x"},
                                      {GF::NrDataRecords, "1e3"},
                                      {GF::SampleRecDuration, "abc"},
                                      {GF::NrSignals, "?"}}));
  EXPECT_EQ(Info.HeaderBytes(), 768);
  EXPECT_EQ(Info.NrDataRecords(), 10);
  EXPECT_EQ(Info.SampleRecDuration(), 0.25L);
  EXPECT_EQ(Info.NrSignals(), 2);
  EXPECT_EQ(InvalidFields(Info), (std::set<GF>{GF::HeaderBytes, GF::NrDataRecords,
                                               GF::SampleRecDuration, GF::NrSignals}));
}

TEST(EdfGeneralHeader, HeaderBytesAsReadSurvivesAWrongSignalCount) {
  auto Info = Loaded(ValidGeneralRaw({{GF::HeaderBytes, "767"}}), true);
  EXPECT_EQ(Info->HeaderBytes(), 767);
  EXPECT_EQ(Info->NrSignals(), 2);
  EXPECT_TRUE(Info->FieldValid(GF::NrSignals));
}

TEST(EdfGeneralHeader, IdentificationWithImpossibleDateLoadsAndLeavesDateUnrecognised) {
  for (bool Strict : {true, false}) {
    auto Info = Loaded(ValidGeneralRaw({{GF::Patient, "P F 31.SEP.1987 Name"},
                                        {GF::Recording, "Startdate 32.JAN.2000 I T E"}}),
                       Strict);
    EXPECT_TRUE(Info->IsValid());
    EXPECT_EQ(Info->PatientInfo().BirthDate(), -1.0);
    EXPECT_EQ(Info->PatientInfo().PatientName(), "Name");
    EXPECT_EQ(Info->RecordingInfo().RecordingDate(), -1.0);
    EXPECT_EQ(Info->RecordingInfo().EquipmentCode(), "E");
    // Fields after the identification were loaded too.
    EXPECT_EQ(Info->NrSignals(), 2);
  }
}

TEST(EdfGeneralHeader, BlankPatientClearsTheSubFields) {
  TEDFFileInfo Info(nullptr);
  Info.LoadRawHeader(ValidGeneralRaw({{GF::Patient, "P-4711 F 16.SEP.1987 Name"}}));
  Info.LoadRawHeader(ValidGeneralRaw({{GF::Patient, ""}}));
  EXPECT_EQ(Info.GetPatient(), "");
  EXPECT_TRUE(Info.FieldValid(GF::Patient));
  EXPECT_EQ(Info.PatientInfo().HospitalCode(), "");
  EXPECT_EQ(Info.PatientInfo().BirthDate(), -1.0);
}

TEST(EdfGeneralHeader, StopDateTimeAddsRecordsTimesDuration) {
  auto Info = Loaded(ValidGeneralRaw(), true);
  EXPECT_NEAR(Info->GetStopDateTime(), DateSerial(2000, 1, 1) + TimeSerial(12, 0, 10), 1e-9);
  auto Half =
      Loaded(ValidGeneralRaw({{GF::NrDataRecords, "7201"}, {GF::SampleRecDuration, "0.5"}}), true);
  EXPECT_NEAR(Half->GetStopDateTime(), DateSerial(2000, 1, 1) + TimeSerial(13, 0, 0) + 0.5 / 86400,
              1e-9);
}

TEST(EdfGeneralHeader, StopDateTimeOfInvalidHeaderRaisesFieldValue) {
  auto Info = Loaded(ValidGeneralRaw({{GF::Version, "1"}}), true);
  try {
    (void)Info->GetStopDateTime();
    FAIL() << "no exception";
  } catch (const EDataFileFieldValue& E) {
    EXPECT_STREQ(E.what(), "Invalid field value(s)");
  }
  EXPECT_THROW((void)Info->GetHPStopDateTime(), EDataFileFieldValue);
}

TEST(EdfGeneralHeader, HighPrecisionStartAndStopCarryTheSerials) {
  auto Info = Loaded(ValidGeneralRaw({{GF::StartTime, "10.20.30"}}), true);
  EXPECT_DOUBLE_EQ(Info->GetHPStartDateTime()->GetDateTime(), Info->StartDateTime());
  EXPECT_NEAR(Info->GetHPStopDateTime()->GetDateTime(), Info->GetStopDateTime(), 1e-8);
  const double Later = DateSerial(2011, 5, 6) + TimeSerial(7, 8, 9);
  Info->SetHPStartDateTime(THPDateTime::Create(Later));
  EXPECT_NEAR(Info->StartDateTime(), Later, 1e-8);
  EXPECT_EQ(Info->StartDate(), DateSerial(2011, 5, 6));
  EXPECT_TRUE(Info->Modified());
}

TEST(EdfGeneralHeader, SetNrSignalsSetsTheHeaderSize) {
  TEDFFileInfo Info(nullptr);
  Info.SetNrSignals(3);
  EXPECT_EQ(Info.HeaderBytes(), 1024);
  EXPECT_TRUE(Info.FieldValid(GF::HeaderBytes));
  EXPECT_TRUE(Info.FieldValid(GF::NrSignals));
  Info.SetNrSignals(-1);
  EXPECT_EQ(Info.NrSignals(), -1);
  EXPECT_FALSE(Info.FieldValid(GF::NrSignals));
  EXPECT_EQ(Info.HeaderBytes(), 0);
  EXPECT_TRUE(Info.FieldValid(GF::HeaderBytes));
  Info.SetNrSignals(INT32_MAX); // a size beyond 32 bits is not stored wrapped around
  EXPECT_FALSE(Info.FieldValid(GF::HeaderBytes));
  EXPECT_LT(Info.HeaderBytes(), 0);
}

TEST(EdfGeneralHeader, LayoutFieldsAreLockedWhileDataExists) {
  auto Info = Loaded(ValidGeneralRaw(), true);
  Info->SetDataExists(true);
  for (auto Setter : std::vector<std::function<void()>>{[&] { Info->SetHeaderBytes(1024); },
                                                        [&] { Info->SetNrSignals(3); }}) {
    try {
      Setter();
      ADD_FAILURE() << "no exception";
    } catch (const EDataFileDataExists& E) {
      EXPECT_STREQ(E.what(), "Data file already contains data");
    }
  }
  EXPECT_EQ(Info->HeaderBytes(), 768);
  EXPECT_EQ(Info->NrSignals(), 2);
  EXPECT_TRUE(Info->IsValid());
  EXPECT_FALSE(Info->Modified());
  Info->SetNrDataRecords(11);
  EXPECT_EQ(Info->NrDataRecords(), 11);
  Info->SetPatient("Q");
  EXPECT_EQ(Info->GetPatient(), "Q");
}

// Every setter of a read-only record fails its assertion and changes nothing.
struct TSetterCase {
  const char* Name;
  std::function<void(TCustomEDFFileInfo&)> Set;
};

class EdfGeneralHeaderReadOnly : public testing::TestWithParam<TSetterCase> {};

TEST_P(EdfGeneralHeaderReadOnly, SetterAssertsAndChangesNothing) {
  auto Info = Loaded(ValidGeneralRaw(), true);
  Info->SetReadOnly(true);
  const std::set<GF> Before = InvalidFields(*Info);
  try {
    GetParam().Set(*Info);
    FAIL() << "no exception";
  } catch (const EAssertionFailed& E) {
    EXPECT_EQ(std::string(E.what()).rfind("Field is ReadOnly! (", 0), 0u) << E.what();
  }
  EXPECT_FALSE(Info->Modified());
  EXPECT_EQ(InvalidFields(*Info), Before);
  EXPECT_EQ(Info->Version(), "0");
  EXPECT_EQ(Info->GetPatient(), "X X X X");
  EXPECT_EQ(Info->GetRecording(), "Startdate X X X X");
  EXPECT_EQ(Info->Reserved(), "");
  EXPECT_EQ(Info->StartDate(), DateSerial(2000, 1, 1));
  EXPECT_NEAR(Info->StartDateTime(), DateSerial(2000, 1, 1) + 0.5, 1e-9);
  EXPECT_EQ(Info->HeaderBytes(), 768);
  EXPECT_EQ(Info->NrSignals(), 2);
  EXPECT_EQ(Info->NrDataRecords(), 10);
  EXPECT_EQ(Info->SampleRecDuration(), 1.0L);
}

INSTANTIATE_TEST_SUITE_P(
    Setters, EdfGeneralHeaderReadOnly,
    testing::Values(
        TSetterCase{"Version", [](TCustomEDFFileInfo& I) { I.SetVersion("1"); }},
        TSetterCase{"Patient", [](TCustomEDFFileInfo& I) { I.SetPatient("Q"); }},
        TSetterCase{"Recording", [](TCustomEDFFileInfo& I) { I.SetRecording("Q"); }},
        TSetterCase{"Reserved", [](TCustomEDFFileInfo& I) { I.SetReserved("Q"); }},
        TSetterCase{"StartDate", [](TCustomEDFFileInfo& I) { I.SetStartDate(5); }},
        TSetterCase{"StartTime", [](TCustomEDFFileInfo& I) { I.SetStartTime(0.25); }},
        TSetterCase{"StartDateTime", [](TCustomEDFFileInfo& I) { I.SetStartDateTime(5.25); }},
        TSetterCase{"HPStartDateTime",
                    [](TCustomEDFFileInfo& I) { I.SetHPStartDateTime(THPDateTime::Create(5.25)); }},
        TSetterCase{"StartDateText", [](TCustomEDFFileInfo& I) { I.SetStartDateText("02.03.04"); }},
        TSetterCase{"StartTimeText", [](TCustomEDFFileInfo& I) { I.SetStartTimeText("01.02.03"); }},
        TSetterCase{"HeaderBytes", [](TCustomEDFFileInfo& I) { I.SetHeaderBytes(1024); }},
        TSetterCase{"NrSignals", [](TCustomEDFFileInfo& I) { I.SetNrSignals(3); }},
        TSetterCase{"NrDataRecords", [](TCustomEDFFileInfo& I) { I.SetNrDataRecords(3); }},
        TSetterCase{"SampleRecDuration", [](TCustomEDFFileInfo& I) { I.SetSampleRecDuration(2); }}),
    [](const testing::TestParamInfo<TSetterCase>& Info) { return Info.param.Name; });

TEST(EdfGeneralHeader, ReadOnlyLoadReplacesRawTextsAndClearsFlagsBeforeAsserting) {
  TEDFFileInfo Info(nullptr);
  Info.SetReadOnly(true);
  const TEDFRawGeneralHeader Raw = ValidGeneralRaw();
  EXPECT_THROW(Info.LoadRawHeader(Raw), EAssertionFailed);
  EXPECT_TRUE(Info.RawHeader() == Raw);
  EXPECT_EQ(InvalidFields(Info).size(), 10u);
  EXPECT_THROW(Info.SetStrict(false), EAssertionFailed);
  EXPECT_THROW(Info.ParseRawHeader(), EAssertionFailed);
}

TEST(EdfGeneralHeader, SettersRaiseModifiedOnlyOnChange) {
  auto Info = Loaded(ValidGeneralRaw({{GF::Patient, "P"}}), true);
  Info->SetPatient("P   "); // the same text once trailing blanks are gone
  Info->SetNrSignals(2);
  Info->SetNrDataRecords(10);
  Info->SetSampleRecDuration(1);
  EXPECT_FALSE(Info->Modified());
  Info->SetSampleRecDuration(2);
  EXPECT_TRUE(Info->Modified());
  Info->SetSampleRecDuration(1); // a setter never lowers the flag
  EXPECT_TRUE(Info->Modified());
}

// Every free text setter judges a change on the text it stores, without trailing blanks.
TEST(EdfGeneralHeader, TextSettersAgreeOnWhatCountsAsModified) {
  using I = TCustomEDFFileInfo;
  test::ExpectSettersJudgeTrimmedText<I>([] { return Loaded(ValidGeneralRaw(), true); },
                                         {{"Version", &I::SetVersion, &I::Version},
                                          {"Patient", &I::SetPatient, &I::Patient},
                                          {"Recording", &I::SetRecording, &I::Recording},
                                          {"Reserved", &I::SetReserved, &I::Reserved}});
}

TEST(EdfGeneralHeader, TextSettersKeepLongTextsAndDropTrailingBlanks) {
  TEDFFileInfo Info(nullptr);
  const std::string Long(100, 'p');
  Info.SetPatient(Long + "  \t");
  EXPECT_EQ(Info.GetPatient(), Long);
  EXPECT_TRUE(Info.FieldValid(GF::Patient));
  Info.SetRecording("Startdate 02.MAR.2002 INV-77 TK Amp_2  ");
  EXPECT_EQ(Info.GetRecording(), "Startdate 02.MAR.2002 INV-77 TK Amp_2");
  EXPECT_EQ(Info.RecordingInfo().EquipmentCode(), "Amp 2");
  Info.SetVersion("0  ");
  EXPECT_EQ(Info.Version(), "0");
  EXPECT_TRUE(Info.FieldValid(GF::Version));
}

TEST(EdfGeneralHeader, StartDateAndTimeCombineOnlyWhileBothAreValid) {
  TEDFFileInfo Info(nullptr);
  Info.SetStartDate(100.75); // the fraction is dropped
  EXPECT_EQ(Info.StartDate(), 100.0);
  EXPECT_EQ(Info.StartDateTime(), 0.0); // no valid time yet
  Info.SetStartTime(3.25);              // whole days are dropped
  EXPECT_EQ(Info.StartTime(), 0.25);
  EXPECT_EQ(Info.StartDateTime(), 100.25);
  Info.SetStartTime(-0.5);
  EXPECT_FALSE(Info.FieldValid(GF::StartTime));
  EXPECT_EQ(Info.StartDateTime(), 100.25);
}

TEST(EdfGeneralHeader, NrDataRecordsSetOnBlankRawTextIsReadBackByReparse) {
  auto Info = Loaded(ValidGeneralRaw({{GF::NrDataRecords, ""}}), true);
  EXPECT_FALSE(Info->FieldValid(GF::NrDataRecords));
  Info->SetNrDataRecords(-1);
  EXPECT_EQ(Info->RawHeader().Text(static_cast<int>(GF::NrDataRecords)), "-1");
  Info->StoreNrDataRecords(25);
  Info->ParseRawHeader();
  EXPECT_EQ(Info->NrDataRecords(), -1);
  EXPECT_TRUE(Info->FieldValid(GF::NrDataRecords));
  // A text already there is not replaced.
  Info->SetNrDataRecords(5);
  EXPECT_EQ(Info->RawHeader().Text(static_cast<int>(GF::NrDataRecords)), "-1");
}

TEST(EdfGeneralHeader, StoreNrDataRecordsBypassesTheSetter) {
  auto Info = Loaded(ValidGeneralRaw(), true);
  Info->StoreNrDataRecords(-7);
  EXPECT_EQ(Info->NrDataRecords(), -7);
  EXPECT_TRUE(Info->FieldValid(GF::NrDataRecords));
  EXPECT_FALSE(Info->Modified());
}

// Re-parsing with another Strict or separator setting, on a record whose file holds data.
struct TReparseCase {
  const char* Name;
  std::vector<std::pair<GF, std::string>> Changes;
  bool LoadStrict;
  std::function<void(TCustomEDFFileInfo&)> Change;
  std::set<GF> InvalidBefore;
  std::set<GF> InvalidAfter;
};

class EdfGeneralHeaderReparse : public testing::TestWithParam<TReparseCase> {};

TEST_P(EdfGeneralHeaderReparse, GivesTheNewFlagsAndKeepsDataExists) {
  const TReparseCase& C = GetParam();
  TEDFRawGeneralHeader Raw = ValidGeneralRaw();
  for (const auto& [Field, Text] : C.Changes)
    Raw.SetText(static_cast<int>(Field), test::Field(Text, Raw.Width(static_cast<int>(Field))));
  auto Info = Loaded(Raw, C.LoadStrict);
  Info->SetDataExists(true);
  EXPECT_EQ(Names(InvalidFields(*Info)), Names(C.InvalidBefore));
  ASSERT_NO_THROW(C.Change(*Info));
  EXPECT_EQ(Names(InvalidFields(*Info)), Names(C.InvalidAfter));
  EXPECT_TRUE(Info->DataExists());
  EXPECT_FALSE(Info->Modified());
}

INSTANTIATE_TEST_SUITE_P(
    Settings, EdfGeneralHeaderReparse,
    testing::Values(
        TReparseCase{"LenientAfterStrict",
                     {{GF::StartDate, "1.2.03"}, {GF::NrSignals, " 2"}, {GF::Patient, " P"}},
                     true,
                     [](TCustomEDFFileInfo& I) { I.SetStrict(false); },
                     {GF::StartDate, GF::NrSignals, GF::Patient},
                     {}},
        TReparseCase{"StrictAfterLenient",
                     {{GF::StartTime, "10:20:30"}, {GF::NrDataRecords, " 10"}},
                     false,
                     [](TCustomEDFFileInfo& I) { I.SetStrict(true); },
                     {},
                     {GF::StartTime, GF::NrDataRecords}},
        TReparseCase{"CommaSeparatorStrict",
                     {{GF::SampleRecDuration, "0,5"}},
                     true,
                     [](TCustomEDFFileInfo& I) {
                       I.SetDecimalSeparator(',');
                       I.ParseRawHeader();
                     },
                     {GF::SampleRecDuration},
                     {}},
        TReparseCase{"PointAsThousandSeparator",
                     {{GF::SampleRecDuration, "0.5"}},
                     false,
                     [](TCustomEDFFileInfo& I) {
                       I.SetDecimalSeparator(',');
                       I.SetThousandSeparator('.');
                       I.ParseRawHeader();
                     },
                     {},
                     {GF::SampleRecDuration}},
        TReparseCase{"ThousandSeparator",
                     {{GF::SampleRecDuration, "1,000.5"}},
                     true,
                     [](TCustomEDFFileInfo& I) {
                       I.SetThousandSeparator(',');
                       I.ParseRawHeader();
                     },
                     {GF::SampleRecDuration},
                     {}}),
    [](const testing::TestParamInfo<TReparseCase>& Info) { return Info.param.Name; });

TEST(EdfGeneralHeader, CommaDurationReadsAsHalfASecond) {
  TEDFFileInfo Info(nullptr);
  Info.SetDecimalSeparator(',');
  Info.LoadRawHeader(ValidGeneralRaw({{GF::SampleRecDuration, "0,5"}}));
  EXPECT_EQ(Info.SampleRecDuration(), 0.5L);
  EXPECT_TRUE(Info.IsValid());
}

TEST(EdfGeneralHeader, LoadIntoRecordWithDataNeverMeetsTheLayoutLock) {
  TEDFFileInfo Info(nullptr);
  Info.SetDataExists(true);
  ASSERT_NO_THROW(
      Info.LoadRawHeader(ValidGeneralRaw({{GF::NrSignals, "3"}, {GF::HeaderBytes, "1024"}})));
  EXPECT_EQ(Info.NrSignals(), 3);
  EXPECT_TRUE(Info.IsValid());
  EXPECT_TRUE(Info.DataExists());
}

// Whatever a field holds, loading raises nothing, and strict loading never accepts a field
// that lenient loading refuses.
TEST(EdfGeneralHeader, GarbageInAnyFieldNeverRaises) {
  for (int Field = 0; Field < EDFFieldCount; ++Field)
    for (const std::string& Text : test::GarbageTexts()) {
      TEDFRawGeneralHeader Raw = ValidGeneralRaw();
      Raw.SetText(Field, Text);
      SCOPED_TRACE(std::string(GeneralHeaderFieldNames[Field]) + " <" + Text + ">");
      std::unique_ptr<TEDFFileInfo> Strict, Lenient;
      ASSERT_NO_THROW(Strict = Loaded(Raw, true));
      ASSERT_NO_THROW(Lenient = Loaded(Raw, false));
      for (int i = 0; i < EDFFieldCount; ++i)
        EXPECT_TRUE(!Strict->FieldValid(i) || Lenient->FieldValid(i)) << i;
      // Re-parsing the same texts gives the same flags.
      const std::set<GF> Before = InvalidFields(*Strict);
      Strict->ParseRawHeader();
      EXPECT_EQ(InvalidFields(*Strict), Before);
      if (Field != static_cast<int>(GF::Version) && Field != static_cast<int>(GF::Patient) &&
          Field != static_cast<int>(GF::Recording) && Field != static_cast<int>(GF::Reserved))
        continue;
      // Text fields do not touch the numbers.
      EXPECT_EQ(Strict->NrSignals(), 2);
      EXPECT_EQ(Strict->HeaderBytes(), 768);
    }
}

TEST(EdfGeneralHeader, FieldIndexOutsideTheHeaderRaisesListError) {
  TEDFFileInfo Info(nullptr);
  EXPECT_THROW((void)Info.FieldValid(10), EListError);
  EXPECT_THROW((void)Info.GetFieldValid(-1), EListError);
}

} // namespace
} // namespace velastrin
