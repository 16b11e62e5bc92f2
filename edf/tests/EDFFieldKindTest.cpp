// One row per field text: the raw bytes of a field, what strict and lenient reading make of
// them, the value taken and the words of the first problem.
#include "edf/uEDFFieldKind.h"

#include <gtest/gtest.h>

#include <string>

namespace velastrin {
namespace {

struct TKindRow {
  const char* Name;
  const TEDFFieldDef* Def;
  std::string Raw;
  bool Strict;
  bool Lenient;
  long double Number; // compared for number kinds that took a value
  const char* Problem;
  TEDFNumberFormat Format = {};
};

using GF = TGeneralField;
using SF = TSignalField;
using namespace std::string_literals;
constexpr TEDFNumberFormat Comma{',', 0}, CommaPoint{',', '.'};

// A field of the EDF layout (G, S) or of the BDF one (BG, BS).
const auto G = [](GF F) { return &GeneralHeaderFields[static_cast<std::size_t>(F)]; };
const auto S = [](SF F) { return &SignalHeaderFields[static_cast<std::size_t>(F)]; };
const auto BG = [](GF F) { return &BDFGeneralHeaderFields[static_cast<std::size_t>(F)]; };
const auto BS = [](SF F) { return &BDFSignalHeaderFields[static_cast<std::size_t>(F)]; };

const TKindRow KindRows[] = {
    {"VersionZero", G(GF::Version), "0       ", true, true, 0, ""},
    {"VersionRightAligned", G(GF::Version), " 0      ", false, false, 0, "not left-aligned"},
    {"VersionBdf", G(GF::Version), "\377BIOSEMI", false, false, 0, "a BDF file"},
    {"BdfVersionUnderBdf", BG(GF::Version), "\377BIOSEMI", true, true, 0, ""},
    {"BdfVersionMisspelt", BG(GF::Version), "\377BIOSEMX", false, false, 0,
     "version is \"\\xFFBIOSEMX\", not \"\\xFFBIOSEMI\""},
    {"EdfReservedWith24Bit", G(GF::Reserved), "24BIT", false, true, 0,
     "starts with \"24BIT\", which belongs to the other format"},
    {"BdfReserved24Bit", BG(GF::Reserved), "24BIT", true, true, 0, ""},
    {"BdfReservedPlusD", BG(GF::Reserved), "BDF+D more", true, true, 0, ""},
    {"BdfReservedEdfPlus", BG(GF::Reserved), "EDF+C", false, true, 0,
     "starts with \"EDF+\", which belongs to the other format"},
    {"BdfReservedBlank", BG(GF::Reserved), "    ", false, true, 0,
     "does not start with one of 24BIT,BDF+C,BDF+D"},
    {"BdfDigimaxBeyond16Bits", BS(SF::Digimax), "8388607 ", true, true, 8388607, ""},
    {"BdfDigiminBeyond24Bits", BS(SF::Digimin), "-8388609", false, false, 0,
     "outside -8388608 to 8388607"},
    {"PatientPlain", G(GF::Patient), "X M 01-JAN-2000 X", true, true, 0, ""},
    {"PatientUtf8", G(GF::Patient), "J\xC3\xBCrg", false, true, 0,
     "2 bytes are not printable ASCII (first 0xC3)"},
    {"ReservedIndented", G(GF::Reserved), " EDF+C", false, true, 0, "not left-aligned"},
    {"DatePlain", G(GF::StartDate), "01.02.03", true, true, 0, ""},
    {"DateSlashes", G(GF::StartDate), "01/02/03", false, true, 0, "date uses '/' instead of '.'"},
    // A NUL byte between day and month, as the field-kind fuzz target found.
    {"DateNulSeparator", G(GF::StartDate), "29.02\00084"s, false, true, 0,
     "date uses '\\x00' instead of '.'"},
    {"DateNoSuchDay", G(GF::StartDate), "31.02.03", false, false, 0, "not a real date"},
    {"TimeColons", G(GF::StartTime), "22:30:00", false, true, 0, "time uses ':' instead of '.'"},
    {"TimeEmpty", G(GF::StartTime), "        ", false, false, 0, "empty"},
    {"HeaderSizeIndented", G(GF::HeaderBytes), "     768", true, true, 768, ""},
    {"RecordsBelowUnknown", G(GF::NrDataRecords), "-2      ", false, false, -2, "below -1"},
    {"RecordsIndented", G(GF::NrDataRecords), "      22", false, true, 22, "not left-aligned"},
    {"SignalsLetters", G(GF::NrSignals), "x   ", false, false, 0, "not an integer"},
    {"SignalsNegative", G(GF::NrSignals), "-3  ", false, false, -3, "negative"},
    {"DurationComma", G(GF::SampleRecDuration), "0,5     ", false, false, 0, "decimal comma"},
    {"DurationCommaUnderComma", G(GF::SampleRecDuration), "0,5     ", true, true, 0.5L, "", Comma},
    {"DurationZero", G(GF::SampleRecDuration), "0       ", false, false, 0, "not greater than 0"},
    {"DurationOverlongExponent", G(GF::SampleRecDuration), "1e9999  ", false, false, 0,
     "not a number"},
    {"PhysiminIndented", S(SF::Physimin), "   -3125", true, true, -3125, ""},
    {"PhysimaxIndented", S(SF::Physimax), "    3125", false, true, 3125, "not left-aligned"},
    {"PhysiminCommaUnderComma", S(SF::Physimin), "-3125,5 ", false, true, -3125.5L, "decimal comma",
     Comma},
    {"PhysiminThousands", S(SF::Physimin), "-3.125,5", false, false, 0, "thousands separator"},
    // Under chosen separators strict reading refuses a physical limit even without any, and
    // says why.
    {"PhysimaxWholeUnderComma", S(SF::Physimax), "1       ", false, true, 1,
     "read with separators other than '.'", CommaPoint},
    {"PhysimaxPointUnderComma", S(SF::Physimax), "3276.7  ", false, true, 3276.7L,
     "read with separators other than '.'", Comma},
    {"DigiminFraction", S(SF::Digimin), "-32768.0", false, true, -32768,
     "not an integer (written with a fraction)"},
    {"DigimaxBeyond16Bits", S(SF::Digimax), "40000   ", false, false, 0, "outside -32768 to 32767"},
    {"DigimaxIndented", S(SF::Digimax), "   32767", false, true, 32767, "not left-aligned"},
    {"SamplesZero", S(SF::NrSamples), "0       ", false, false, 0, "not greater than 0"},
    {"SamplesHex", S(SF::NrSamples), "$10     ", true, true, 16, ""},
};

class FieldKind : public ::testing::TestWithParam<TKindRow> {};

TEST_P(FieldKind, ReadsAsBothReadingsDo) {
  const TKindRow& Row = GetParam();
  const TEDFFieldReading R = ReadField(*Row.Def, Row.Raw, Row.Format);
  EXPECT_EQ(R.Strict, Row.Strict);
  EXPECT_EQ(R.Lenient, Row.Lenient);
  const bool Numeric = Row.Def->Kind == TEDFFieldKind::Integer ||
                       Row.Def->Kind == TEDFFieldKind::Decimal ||
                       Row.Def->Kind == TEDFFieldKind::DigitalLimit;
  if (Numeric && R.Lenient) {
    EXPECT_EQ(R.Number, Row.Number);
  }
  // A field strict reading accepts has nothing to say; a refused one says why.
  EXPECT_EQ(R.Problems.empty(), R.Strict);
  EXPECT_NE(ProblemText(R.Problems).find(Row.Problem), std::string::npos)
      << ProblemText(R.Problems);
}

INSTANTIATE_TEST_SUITE_P(Rows, FieldKind, ::testing::ValuesIn(KindRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// What the writer stores reads back as the same value under strict reading.
TEST(FieldKindText, WrittenTextsReadBackStrictly) {
  const TEDFFieldDef& Duration = *G(GF::SampleRecDuration);
  const TEDFFieldReading R = ReadField(Duration, DecimalFieldText(Duration, 0.001L, {}));
  EXPECT_TRUE(R.Strict);
  EXPECT_EQ(static_cast<double>(R.Number), 0.001);
  EXPECT_TRUE(ReadField(*G(GF::StartDate), DateFieldText(36891)).Strict);
  EXPECT_TRUE(ReadField(*G(GF::StartTime), TimeFieldText(0.9375)).Strict);
  EXPECT_THROW(IntegerFieldText(*G(GF::NrSignals), 10000), EConvertError);
}

// A limit some 8-character text holds is written as a text that reads back to the same value;
// a value no such text holds keeps the general format's rounding.
TEST(FieldKindText, DecimalTextReadsBackToTheSameValueWhereAFieldCanHoldIt) {
  const TEDFFieldDef& Max = *S(SF::Physimax);
  const std::pair<const char*, const char*> Rows[] = {{"3276.E7", "3.276E10"},
                                                      {"-15E-301", "-15E-301"},
                                                      {"-1e300", "-1E+300"},
                                                      {"123.4567", "123.4567"},
                                                      {"-.000123", "-1.23E-4"}};
  for (const auto& [Raw, Written] : Rows) {
    const TEDFFieldReading R = ReadField(Max, Raw);
    EXPECT_EQ(DecimalFieldText(Max, R.Number, {}), Written) << Raw;
    EXPECT_EQ(ReadField(Max, Written).Number, R.Number) << Raw;
  }
  EXPECT_EQ(DecimalFieldText(Max, 1.0L / 3, {}), "0.333333");
  EXPECT_EQ(DecimalFieldText(Max, 3.276e10L, {',', 0}), "3,276E10");
}

// What EDF+ asks of the identification texts, against a start date of 1 February 2003.
struct TPlusIdentRow {
  const char* Name;
  bool Patient; // else the recording field
  std::string Text;
  const char* Problem; // empty: the text conforms
};

const TPlusIdentRow PlusIdentRows[] = {
    {"PatientConforms", true, "P-4711 F 16-SEP-1987 Test_Name extra", ""},
    {"PatientAllUnknown", true, "X X X X", ""},
    {"PatientFreeText", true, "John", "four EDF+ sub-fields"},
    {"PatientDoubleBlank", true, "P-4711  F 16-SEP-1987 Name", "four EDF+ sub-fields"},
    {"PatientSexUnknownLetter", true, "P-4711 Q X Name", "sex sub-field \"Q\""},
    {"PatientBirthdateWithDots", true, "P-4711 F 16.SEP.1987 Name", "birthdate sub-field"},
    {"RecordingConforms", false, "Startdate 01-FEB-2003 INV-77 TK Amp_2", ""},
    {"RecordingDateUnknown", false, "Startdate X X X X", ""},
    {"RecordingWithoutKeyword", false, "Recorded at home", "five EDF+ sub-fields"},
    {"RecordingOtherDay", false, "Startdate 02-MAR-2002 X X X", "disagrees with the start date"},
    {"RecordingNoSuchDay", false, "Startdate 31-FEB-2003 X X X", "is not dd-MMM-yyyy or X"},
};

class PlusIdentification : public ::testing::TestWithParam<TPlusIdentRow> {};

TEST_P(PlusIdentification, SaysWhatEdfPlusMisses) {
  const TPlusIdentRow& Row = GetParam();
  const std::string Text =
      ProblemText(Row.Patient ? EDFPlusPatientProblems(Row.Text)
                              : EDFPlusRecordingProblems(Row.Text, 37653)); // 1 February 2003
  // A conforming text draws no problem; another names what it misses.
  EXPECT_EQ(Text.empty(), !*Row.Problem) << Text;
  EXPECT_NE(Text.find(Row.Problem), std::string::npos) << Text;
}

INSTANTIATE_TEST_SUITE_P(Rows, PlusIdentification, ::testing::ValuesIn(PlusIdentRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

} // namespace
} // namespace velastrin
