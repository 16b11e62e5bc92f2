// The signal header record: per-field flags in strict and lenient loading, the digital and
// physical limits under the record's separators, the gain, the setters with their locks, and
// the read-data notification.
#include "edf/uEDFHeader.h"

#include "EDFHeaderTestSupport.h"
#include "edf/uDataFile.h"

#include <gtest/gtest.h>

#include <tuple>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace velastrin {
namespace {

using test::InvalidFields;
using test::Names;
using test::ValidSignalRaw;
using SF = TSignalField;

struct TSeparators {
  char Decimal = '.';
  char Thousand = 0;
};

std::unique_ptr<TEDFSignalInfo> Loaded(const TEDFRawSignalHeader& Raw, bool Strict,
                                       TSeparators Sep = {}) {
  auto Info = std::make_unique<TEDFSignalInfo>();
  Info->SetStrict(Strict);
  Info->SetDecimalSeparator(Sep.Decimal);
  Info->SetThousandSeparator(Sep.Thousand);
  Info->LoadRawHeader(Raw);
  return Info;
}

// The gain from the limits, computed here with 64-bit integers for the digital range.
long double ExpectedGain(long double PMin, long double PMax, int DMin, int DMax) {
  return (PMax - PMin) / static_cast<long double>(static_cast<int64_t>(DMax) - DMin);
}

TEST(EdfSignalHeader, FreshRecordHasTheTextFlagsOnly) {
  TEDFSignalInfo Info;
  EXPECT_EQ(Names(InvalidFields(Info)),
            Names({SF::Physimin, SF::Physimax, SF::Digimin, SF::Digimax, SF::NrSamples}));
  EXPECT_FALSE(Info.IsValid());
  EXPECT_TRUE(Info.ReadData());
  EXPECT_TRUE(Info.Strict());
  EXPECT_FALSE(Info.GainValid());
  EXPECT_EQ(Info.DecimalSeparator(), '.');
  EXPECT_EQ(Info.ThousandSeparator(), 0);
  EXPECT_EQ(Info.Gain(), 0.0L);
}

TEST(EdfSignalHeader, ConformingHeaderLoadsWithItsValuesInBothModes) {
  for (bool Strict : {true, false}) {
    SCOPED_TRACE(Strict ? "strict" : "lenient");
    auto Info = Loaded(ValidSignalRaw(), Strict);
    EXPECT_TRUE(Info->IsValid()) << Names(InvalidFields(*Info));
    EXPECT_EQ(InvalidFields(*Info).size(), 0u);
    EXPECT_EQ(Info->SignalLabel(), "EEG Fpz-Cz");
    EXPECT_EQ(Info->Transducertype(), "AgAgCl electrode");
    EXPECT_EQ(Info->Physidim(), "uV");
    EXPECT_EQ(Info->Physimin(), -500.0L);
    EXPECT_EQ(Info->Physimax(), 500.0L);
    EXPECT_EQ(Info->Digimin(), -2048);
    EXPECT_EQ(Info->Digimax(), 2047);
    EXPECT_EQ(Info->Prefilter(), "HP:0.1Hz LP:75Hz");
    EXPECT_EQ(Info->NrSamples(), 100);
    EXPECT_EQ(Info->Reserved(), "");
    EXPECT_TRUE(Info->GainValid());
    EXPECT_EQ(Info->Gain(), 1000.0L / 4095.0L);
    EXPECT_FALSE(Info->Modified());
  }
}

struct TFieldCase {
  const char* Name;
  std::vector<std::pair<SF, std::string>> Changes;
  std::set<SF> StrictInvalid;
  std::set<SF> LenientInvalid;
  bool StrictGain;
  bool LenientGain;
  TSeparators Sep = {};
};

class EdfSignalHeaderFlags : public testing::TestWithParam<TFieldCase> {};

TEST_P(EdfSignalHeaderFlags, FollowTheFieldRules) {
  const TFieldCase& C = GetParam();
  TEDFRawSignalHeader Raw = ValidSignalRaw();
  for (const auto& [Field, Text] : C.Changes)
    Raw.SetText(static_cast<int>(Field), test::Field(Text, Raw.Width(static_cast<int>(Field))));
  auto Strict = Loaded(Raw, true, C.Sep);
  EXPECT_EQ(Names(InvalidFields(*Strict)), Names(C.StrictInvalid)) << "strict";
  EXPECT_EQ(Strict->GainValid(), C.StrictGain) << "strict";
  auto Lenient = Loaded(Raw, false, C.Sep);
  EXPECT_EQ(Names(InvalidFields(*Lenient)), Names(C.LenientInvalid)) << "lenient";
  EXPECT_EQ(Lenient->GainValid(), C.LenientGain) << "lenient";
  // The physical limits never count for the signal's validity.
  for (const auto& [Info, Invalid] :
       {std::pair{Strict.get(), C.StrictInvalid}, std::pair{Lenient.get(), C.LenientInvalid}}) {
    std::set<SF> Counting = Invalid;
    Counting.erase(SF::Physimin);
    Counting.erase(SF::Physimax);
    EXPECT_EQ(Info->IsValid(), Counting.empty());
  }
}

const TSeparators Comma{',', 0};
const TSeparators CommaAndPoint{',', '.'};

INSTANTIATE_TEST_SUITE_P(
    Fields, EdfSignalHeaderFlags,
    testing::Values(
        TFieldCase{"Conforming", {}, {}, {}, true, true},
        TFieldCase{"DigitalLimitsEqual",
                   {{SF::Digimin, "100"}, {SF::Digimax, "100"}},
                   {SF::Digimin, SF::Digimax},
                   {SF::Digimin, SF::Digimax},
                   false,
                   false},
        TFieldCase{"DigitalLimitsReversed",
                   {{SF::Digimin, "200"}, {SF::Digimax, "100"}},
                   {SF::Digimin, SF::Digimax},
                   {SF::Digimin, SF::Digimax},
                   false,
                   false},
        TFieldCase{"DigiminBelowSixteenBits",
                   {{SF::Digimin, "-32769"}},
                   {SF::Digimin},
                   {SF::Digimin},
                   false,
                   false},
        TFieldCase{"DigimaxAboveSixteenBits",
                   {{SF::Digimax, "32768"}},
                   {SF::Digimax},
                   {SF::Digimax},
                   false,
                   false},
        TFieldCase{"DigitalLimitsAtSixteenBitExtremes",
                   {{SF::Digimin, "-32768"}, {SF::Digimax, "32767"}},
                   {},
                   {},
                   true,
                   true},
        TFieldCase{
            "DigiminWithZeroFraction", {{SF::Digimin, "-2048.0"}}, {SF::Digimin}, {}, false, true},
        TFieldCase{"DigiminWithHalf",
                   {{SF::Digimin, "-2048.5"}},
                   {SF::Digimin},
                   {SF::Digimin},
                   false,
                   false},
        TFieldCase{"DigimaxWithZeroFractionOutOfRange",
                   {{SF::Digimax, "32768.0"}},
                   {SF::Digimax},
                   {SF::Digimax},
                   false,
                   false},
        TFieldCase{"DigimaxWithCommaZeroFraction",
                   {{SF::Digimax, "2047,0"}},
                   {SF::Physimin, SF::Physimax, SF::Digimax},
                   {},
                   false,
                   true,
                   Comma},
        TFieldCase{
            "DigiminWithLeadingBlank", {{SF::Digimin, " -2048"}}, {SF::Digimin}, {}, false, true},
        TFieldCase{"DigimaxNotANumber",
                   {{SF::Digimax, "max"}},
                   {SF::Digimax},
                   {SF::Digimax},
                   false,
                   false},
        TFieldCase{"PhysiminNotANumber",
                   {{SF::Physimin, "abc"}},
                   {SF::Physimin},
                   {SF::Physimin},
                   false,
                   false},
        TFieldCase{"PhysicalLimitsEqual",
                   {{SF::Physimin, "500"}, {SF::Physimax, "500"}},
                   {},
                   {},
                   false,
                   false},
        TFieldCase{"PhysicalLimitsReversed",
                   {{SF::Physimin, "500"}, {SF::Physimax, "-500"}},
                   {},
                   {},
                   true,
                   true},
        TFieldCase{"PhysimaxWithCommaUnderPoint",
                   {{SF::Physimax, "1,5"}},
                   {SF::Physimax},
                   {SF::Physimax},
                   false,
                   false},
        TFieldCase{"PhysimaxWithCommaUnderComma",
                   {{SF::Physimax, "1,5"}},
                   {SF::Physimin, SF::Physimax},
                   {},
                   false,
                   true,
                   Comma},
        TFieldCase{"PhysiminWithThousandsSeparator",
                   {{SF::Physimin, "-1.500,5"}},
                   {SF::Physimin, SF::Physimax},
                   {},
                   false,
                   true,
                   CommaAndPoint},
        TFieldCase{
            "PhysimaxWithLeadingBlank", {{SF::Physimax, " 500"}}, {SF::Physimax}, {}, false, true},
        TFieldCase{"PhysiminWithLeadingBlank", {{SF::Physimin, " -500"}}, {}, {}, true, true},
        TFieldCase{"PhysimaxOverlongExponent",
                   {{SF::Physimax, "1e999999"}},
                   {SF::Physimax},
                   {SF::Physimax},
                   false,
                   false},
        TFieldCase{
            "NrSamplesZero", {{SF::NrSamples, "0"}}, {SF::NrSamples}, {SF::NrSamples}, true, true},
        TFieldCase{"NrSamplesNegative",
                   {{SF::NrSamples, "-1"}},
                   {SF::NrSamples},
                   {SF::NrSamples},
                   true,
                   true},
        TFieldCase{"NrSamplesWithLeadingBlank",
                   {{SF::NrSamples, " 100"}},
                   {SF::NrSamples},
                   {},
                   true,
                   true},
        TFieldCase{"NrSamplesEightDigits", {{SF::NrSamples, "99999999"}}, {}, {}, true, true},
        TFieldCase{"NrSamplesFraction",
                   {{SF::NrSamples, "1.5"}},
                   {SF::NrSamples},
                   {SF::NrSamples},
                   true,
                   true},
        TFieldCase{"LabelWithLeadingBlank",
                   {{SF::SignalLabel, " EEG"}},
                   {SF::SignalLabel},
                   {},
                   true,
                   true},
        TFieldCase{"LabelEmpty", {{SF::SignalLabel, ""}}, {}, {}, true, true},
        TFieldCase{"LabelWithControlCharacter",
                   {{SF::SignalLabel, "EEG\x01x"}},
                   {SF::SignalLabel},
                   {},
                   true,
                   true},
        TFieldCase{"TransducerWithEightBitCharacter",
                   {{SF::Transducertype, "\xb5V probe"}},
                   {SF::Transducertype},
                   {},
                   true,
                   true},
        TFieldCase{
            "PhysidimWithLeadingBlank", {{SF::Physidim, " uV"}}, {SF::Physidim}, {}, true, true},
        TFieldCase{
            "PrefilterWithTab", {{SF::Prefilter, "HP\t0.1"}}, {SF::Prefilter}, {}, true, true},
        TFieldCase{
            "ReservedWithLeadingBlank", {{SF::Reserved, " r"}}, {SF::Reserved}, {}, true, true}),
    [](const testing::TestParamInfo<TFieldCase>& Info) { return Info.param.Name; });

TEST(EdfSignalHeader, NumbersDoNotDependOnTheProcessSeparators) {
  TSettingOverride<char> Decimal(&TFormatSettings::DecimalSeparator, ',');
  TSettingOverride<char> Thousand(&TFormatSettings::ThousandSeparator, '.');
  auto Info = Loaded(ValidSignalRaw({{SF::Physimin, "-500.5"}, {SF::Physimax, "1000"}}), true);
  EXPECT_TRUE(Info->GainValid());
  EXPECT_EQ(Info->Physimin(), -500.5L);
  EXPECT_EQ(Info->Physimax(), 1000.0L);
  EXPECT_EQ(Info->Gain(), ExpectedGain(-500.5L, 1000.0L, -2048, 2047));
  Info = Loaded(ValidSignalRaw({{SF::Physimax, "1,5"}}), true);
  EXPECT_FALSE(Info->GetFieldValid(static_cast<int>(SF::Physimax)));
  EXPECT_EQ(Info->Physimax(), 0.0L);
}

TEST(EdfSignalHeader, ReversedDigitalLimitsKeepTheirValues) {
  auto Info = Loaded(ValidSignalRaw({{SF::Digimin, "200"}, {SF::Digimax, "100"}}), true);
  EXPECT_EQ(Info->Digimin(), 200);
  EXPECT_EQ(Info->Digimax(), 100);
}

TEST(EdfSignalHeader, LenientDigitalLimitsAndSeparatedPhysicalLimitsGiveTheirValues) {
  auto Info = Loaded(ValidSignalRaw({{SF::Digimin, "-2.048,0"},
                                     {SF::Digimax, "2047,00"},
                                     {SF::Physimin, "-1.500,5"},
                                     {SF::Physimax, "1,5"}}),
                     false, CommaAndPoint);
  EXPECT_EQ(Info->Digimin(), -2048);
  EXPECT_EQ(Info->Digimax(), 2047);
  EXPECT_EQ(Info->Physimin(), -1500.5L);
  EXPECT_EQ(Info->Physimax(), 1.5L);
  EXPECT_TRUE(Info->GainValid());
  EXPECT_EQ(Info->Gain(), ExpectedGain(-1500.5L, 1.5L, -2048, 2047));
}

TEST(EdfSignalHeader, UnreadableNumbersKeepThePreviousValues) {
  TEDFSignalInfo Info;
  Info.LoadRawHeader(ValidSignalRaw());
  const long double Gain = Info.Gain();
  Info.LoadRawHeader(ValidSignalRaw({{SF::Physimin, "a"},
                                     {SF::Physimax, "b"},
                                     {SF::Digimin, "c"},
                                     {SF::Digimax, "d"},
                                     {SF::NrSamples, "e"}}));
  EXPECT_EQ(Info.Physimin(), -500.0L);
  EXPECT_EQ(Info.Physimax(), 500.0L);
  EXPECT_EQ(Info.Digimin(), -2048);
  EXPECT_EQ(Info.Digimax(), 2047);
  EXPECT_EQ(Info.NrSamples(), 100);
  EXPECT_FALSE(Info.GainValid());
  EXPECT_EQ(Info.Gain(), Gain);
  EXPECT_EQ(Names(InvalidFields(Info)),
            Names({SF::Physimin, SF::Physimax, SF::Digimin, SF::Digimax, SF::NrSamples}));
}

// The gain for pairs of 16-bit limits, the extremes included, against a 64-bit reference.
TEST(EdfSignalHeader, GainHasNoOverflowForAnyPairOfSixteenBitLimits) {
  std::vector<int> Limits{-32768, -32767, -1, 0, 1, 32766, 32767};
  for (int V = -32768; V <= 32767; V += 4099)
    Limits.push_back(V);
  TEDFSignalInfo Info;
  Info.SetPhysimin(-3200.5L);
  Info.SetPhysimax(3200.25L);
  for (int DMin : Limits)
    for (int DMax : Limits) {
      Info.SetDigimin(static_cast<int16_t>(DMin));
      Info.SetDigimax(static_cast<int16_t>(DMax));
      SCOPED_TRACE(std::to_string(DMin) + " " + std::to_string(DMax));
      ASSERT_EQ(Info.GainValid(), DMin != DMax);
      if (DMin != DMax) {
        ASSERT_EQ(Info.Gain(), ExpectedGain(-3200.5L, 3200.25L, DMin, DMax));
        ASSERT_EQ(Info.Gain() > 0, DMax > DMin);
      }
    }
}

TEST(EdfSignalHeader, InvalidLimitsLeaveThePreviousGain) {
  TEDFSignalInfo Info;
  Info.SetPhysimin(0);
  Info.SetPhysimax(10);
  Info.SetDigimin(0);
  Info.SetDigimax(100);
  EXPECT_EQ(Info.Gain(), 0.1L);
  Info.SetPhysimax(0);
  EXPECT_FALSE(Info.GainValid());
  EXPECT_EQ(Info.Gain(), 0.1L);
  Info.SetPhysimax(
      std::numeric_limits<long double>::infinity()); // beyond any field text: no infinite gain
  EXPECT_FALSE(Info.GainValid());
  EXPECT_EQ(Info.Gain(), 0.1L);
}

TEST(EdfSignalHeader, NrSamplesIsLockedWhileDataExistsButReadDataIsNot) {
  auto Info = Loaded(ValidSignalRaw(), true);
  Info->SetDataExists(true);
  int Calls = 0;
  Info->SetOnReadDataChanged([&](void*) { ++Calls; });
  try {
    Info->SetNrSamples(5);
    FAIL() << "no exception";
  } catch (const EDataFileDataExists& E) {
    EXPECT_STREQ(E.what(), "Data file already contains data");
  }
  EXPECT_EQ(Info->NrSamples(), 100);
  EXPECT_TRUE(Info->GetFieldValid(static_cast<int>(SF::NrSamples)));
  EXPECT_FALSE(Info->Modified());
  Info->SetReadData(false);
  EXPECT_FALSE(Info->ReadData());
  EXPECT_EQ(Calls, 1);
}

TEST(EdfSignalHeader, EverySetReadDataNotifiesWithTheRecordAsSender) {
  auto Info = Loaded(ValidSignalRaw(), true);
  std::vector<void*> Senders;
  Info->SetOnReadDataChanged([&](void* Sender) { Senders.push_back(Sender); });
  Info->SetReadData(true); // unchanged
  Info->SetReadData(true);
  Info->SetReadData(false);
  ASSERT_EQ(Senders.size(), 3u);
  for (void* Sender : Senders)
    EXPECT_EQ(static_cast<TCustomEDFSignalInfo*>(Sender), Info.get());
  EXPECT_FALSE(Info->Modified());
  Info->SetReadOnly(true);
  Info->SetReadData(true); // not a field setter: no read-only check
  EXPECT_EQ(Senders.size(), 4u);
}

TEST(EdfSignalHeader, SetReadDataWithoutHandlerJustStores) {
  TEDFSignalInfo Info;
  Info.SetReadData(false);
  EXPECT_FALSE(Info.ReadData());
}

struct TSetterCase {
  const char* Name;
  std::function<void(TCustomEDFSignalInfo&)> Set;
};

class EdfSignalHeaderReadOnly : public testing::TestWithParam<TSetterCase> {};

TEST_P(EdfSignalHeaderReadOnly, SetterAssertsAndChangesNothing) {
  auto Info = Loaded(ValidSignalRaw(), true);
  Info->SetReadOnly(true);
  try {
    GetParam().Set(*Info);
    FAIL() << "no exception";
  } catch (const EAssertionFailed& E) {
    EXPECT_EQ(std::string(E.what()).rfind("Field is ReadOnly! (", 0), 0u) << E.what();
  }
  EXPECT_FALSE(Info->Modified());
  EXPECT_TRUE(InvalidFields(*Info).empty());
  EXPECT_EQ(Info->SignalLabel(), "EEG Fpz-Cz");
  EXPECT_EQ(Info->Transducertype(), "AgAgCl electrode");
  EXPECT_EQ(Info->Physidim(), "uV");
  EXPECT_EQ(Info->Prefilter(), "HP:0.1Hz LP:75Hz");
  EXPECT_EQ(Info->Reserved(), "");
  EXPECT_EQ(Info->Physimin(), -500.0L);
  EXPECT_EQ(Info->Physimax(), 500.0L);
  EXPECT_EQ(Info->Digimin(), -2048);
  EXPECT_EQ(Info->Digimax(), 2047);
  EXPECT_EQ(Info->NrSamples(), 100);
  EXPECT_EQ(Info->Gain(), 1000.0L / 4095.0L);
}

INSTANTIATE_TEST_SUITE_P(
    Setters, EdfSignalHeaderReadOnly,
    testing::Values(
        TSetterCase{"SignalLabel", [](TCustomEDFSignalInfo& I) { I.SetSignalLabel("x"); }},
        TSetterCase{"Transducertype", [](TCustomEDFSignalInfo& I) { I.SetTransducertype("x"); }},
        TSetterCase{"Physidim", [](TCustomEDFSignalInfo& I) { I.SetPhysidim("x"); }},
        TSetterCase{"Prefilter", [](TCustomEDFSignalInfo& I) { I.SetPrefilter("x"); }},
        TSetterCase{"Reserved", [](TCustomEDFSignalInfo& I) { I.SetReserved("x"); }},
        TSetterCase{"Physimin", [](TCustomEDFSignalInfo& I) { I.SetPhysimin(1); }},
        TSetterCase{"Physimax", [](TCustomEDFSignalInfo& I) { I.SetPhysimax(1); }},
        TSetterCase{"Digimin", [](TCustomEDFSignalInfo& I) { I.SetDigimin(1); }},
        TSetterCase{"Digimax", [](TCustomEDFSignalInfo& I) { I.SetDigimax(1); }},
        TSetterCase{"NrSamples", [](TCustomEDFSignalInfo& I) { I.SetNrSamples(1); }}),
    [](const testing::TestParamInfo<TSetterCase>& Info) { return Info.param.Name; });

TEST(EdfSignalHeader, ReadOnlyLoadReplacesRawTextsAndClearsFlagsBeforeAsserting) {
  TEDFSignalInfo Info;
  Info.SetReadOnly(true);
  const TEDFRawSignalHeader Raw = ValidSignalRaw();
  EXPECT_THROW(Info.LoadRawHeader(Raw), EAssertionFailed);
  EXPECT_TRUE(Info.RawHeader() == Raw);
  EXPECT_EQ(InvalidFields(Info).size(), 10u);
  EXPECT_THROW(Info.SetStrict(false), EAssertionFailed);
  EXPECT_THROW(Info.ParseRawHeader(), EAssertionFailed);
}

// As in the general header: trailing blanks are padding, not a change.
TEST(EdfSignalHeader, TextSettersJudgeChangesWithoutTrailingBlanks) {
  using I = TCustomEDFSignalInfo;
  test::ExpectSettersJudgeTrimmedText<I>(
      [] { return Loaded(ValidSignalRaw(), true); },
      {{"SignalLabel", &I::SetSignalLabel, &I::SignalLabel},
       {"Transducertype", &I::SetTransducertype, &I::Transducertype},
       {"Physidim", &I::SetPhysidim, &I::Physidim},
       {"Prefilter", &I::SetPrefilter, &I::Prefilter},
       {"Reserved", &I::SetReserved, &I::Reserved}});
}

TEST(EdfSignalHeader, SettersStoreAnyValueAndRaiseModifiedOnlyOnChange) {
  auto Info = Loaded(ValidSignalRaw(), true);
  Info->SetSignalLabel("EEG Fpz-Cz");
  Info->SetNrSamples(100);
  Info->SetDigimin(-2048);
  Info->SetPhysimax(500);
  EXPECT_FALSE(Info->Modified());
  Info->SetDigimin(3000); // order of the limits is judged only at load
  EXPECT_TRUE(Info->Modified());
  EXPECT_TRUE(Info->GetFieldValid(static_cast<int>(SF::Digimin)));
  EXPECT_TRUE(Info->GainValid());
  EXPECT_LT(Info->Gain(), 0);
  const std::string Long(20, 'L');
  Info->SetSignalLabel(Long + "  ");
  EXPECT_EQ(Info->SignalLabel(), Long);
  Info->SetNrSamples(0);
  EXPECT_FALSE(Info->IsValid());
}

// Re-parsing with another Strict or separator setting, on a record whose file holds data.
struct TReparseCase {
  const char* Name;
  std::vector<std::pair<SF, std::string>> Changes;
  bool LoadStrict;
  std::function<void(TCustomEDFSignalInfo&)> Change;
  std::set<SF> InvalidBefore;
  std::set<SF> InvalidAfter;
};

class EdfSignalHeaderReparse : public testing::TestWithParam<TReparseCase> {};

TEST_P(EdfSignalHeaderReparse, GivesTheNewFlagsAndKeepsDataExists) {
  const TReparseCase& C = GetParam();
  TEDFRawSignalHeader Raw = ValidSignalRaw();
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
    Settings, EdfSignalHeaderReparse,
    testing::Values(
        TReparseCase{"LenientAfterStrictAcceptsZeroFraction",
                     {{SF::Digimin, "-2048.0"}, {SF::NrSamples, " 100"}, {SF::SignalLabel, " E"}},
                     true,
                     [](TCustomEDFSignalInfo& I) { I.SetStrict(false); },
                     {SF::Digimin, SF::NrSamples, SF::SignalLabel},
                     {}},
        TReparseCase{"StrictAfterLenient",
                     {{SF::Digimax, "2047.0"}, {SF::Physimax, " 500"}},
                     false,
                     [](TCustomEDFSignalInfo& I) { I.SetStrict(true); },
                     {},
                     {SF::Digimax, SF::Physimax}},
        TReparseCase{"CommaSeparatorLenient",
                     {{SF::Physimax, "1,5"}},
                     false,
                     [](TCustomEDFSignalInfo& I) {
                       I.SetDecimalSeparator(',');
                       I.ParseRawHeader();
                     },
                     {SF::Physimax},
                     {}},
        TReparseCase{"CommaSeparatorStrictRefusesBothPhysicalLimits",
                     {{SF::Physimax, "1,5"}},
                     true,
                     [](TCustomEDFSignalInfo& I) {
                       I.SetDecimalSeparator(',');
                       I.ParseRawHeader();
                     },
                     {SF::Physimax},
                     {SF::Physimin, SF::Physimax}},
        TReparseCase{"LenientDigitalLimitsMayCollide",
                     {{SF::Digimin, "5.0"}, {SF::Digimax, "3"}},
                     true,
                     [](TCustomEDFSignalInfo& I) { I.SetStrict(false); },
                     {SF::Digimin},
                     {SF::Digimin, SF::Digimax}}),
    [](const testing::TestParamInfo<TReparseCase>& Info) { return Info.param.Name; });

TEST(EdfSignalHeader, LoadIntoRecordWithDataNeverMeetsTheLayoutLock) {
  TEDFSignalInfo Info;
  Info.SetDataExists(true);
  ASSERT_NO_THROW(Info.LoadRawHeader(ValidSignalRaw({{SF::NrSamples, "7"}})));
  EXPECT_EQ(Info.NrSamples(), 7);
  EXPECT_TRUE(Info.DataExists());
}

TEST(EdfSignalHeader, GarbageInAnyFieldNeverRaises) {
  for (int Field = 0; Field < EDFFieldCount; ++Field)
    for (const std::string& Text : test::GarbageTexts())
      for (bool Strict : {true, false}) {
        TEDFRawSignalHeader Raw = ValidSignalRaw();
        Raw.SetText(Field, Text);
        SCOPED_TRACE(std::string(SignalHeaderFieldNames[Field]) + " <" + Text + ">");
        std::unique_ptr<TEDFSignalInfo> Info;
        ASSERT_NO_THROW(Info = Loaded(Raw, Strict));
        const std::set<SF> Before = InvalidFields(*Info);
        ASSERT_NO_THROW(Info->ParseRawHeader());
        EXPECT_EQ(InvalidFields(*Info), Before);
        // A gain, when there is one, is a finite number.
        if (Info->GainValid()) {
          EXPECT_TRUE(std::isfinite(Info->Gain()));
        }
      }
}

TEST(EdfSignalHeader, OffsetsAreStoredForTheFileObject) {
  TEDFSignalInfo Info;
  Info.SetRecordOffset(int64_t{1} << 40);
  Info.SetBufferOffset(-1);
  EXPECT_EQ(Info.RecordOffset(), int64_t{1} << 40);
  EXPECT_EQ(Info.BufferOffset(), -1);
}

TEST(EdfSignalHeader, FieldIndexOutsideTheHeaderRaisesListError) {
  TEDFSignalInfo Info;
  EXPECT_THROW((void)Info.GetFieldValid(10), EListError);
  EXPECT_THROW((void)Info.GetFieldValid(-1), EListError);
}

} // namespace
} // namespace velastrin
