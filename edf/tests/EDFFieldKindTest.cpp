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

void PrintTo(const TKindRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

const TEDFFieldDef& G(TGeneralField Field) {
  return GeneralHeaderFields[static_cast<std::size_t>(Field)];
}
const TEDFFieldDef& S(TSignalField Field) {
  return SignalHeaderFields[static_cast<std::size_t>(Field)];
}

const TEDFFieldDef& BG(TGeneralField Field) {
  return BDFGeneralHeaderFields[static_cast<std::size_t>(Field)];
}
const TEDFFieldDef& BS(TSignalField Field) {
  return BDFSignalHeaderFields[static_cast<std::size_t>(Field)];
}

const TKindRow KindRows[] = {
    {"VersionZero", &G(TGeneralField::Version), "0       ", true, true, 0, ""},
    {"VersionRightAligned", &G(TGeneralField::Version), " 0      ", false, false, 0,
     "not left-aligned"},
    {"VersionBdf", &G(TGeneralField::Version),
     "\xFF"
     "BIOSEMI",
     false, false, 0, "a BDF file"},
    {"BdfVersionUnderBdf", &BG(TGeneralField::Version),
     "\xFF"
     "BIOSEMI",
     true, true, 0, ""},
    {"BdfVersionMisspelt", &BG(TGeneralField::Version),
     "\xFF"
     "BIOSEMX",
     false, false, 0, "version is \"\\xFFBIOSEMX\", not \"\\xFFBIOSEMI\""},
    {"EdfReservedWith24Bit", &G(TGeneralField::Reserved), "24BIT", false, true, 0,
     "starts with \"24BIT\", which belongs to the other format"},
    {"BdfReserved24Bit", &BG(TGeneralField::Reserved), "24BIT", true, true, 0, ""},
    {"BdfReservedPlusD", &BG(TGeneralField::Reserved), "BDF+D more", true, true, 0, ""},
    {"BdfReservedEdfPlus", &BG(TGeneralField::Reserved), "EDF+C", false, true, 0,
     "starts with \"EDF+\", which belongs to the other format"},
    {"BdfReservedBlank", &BG(TGeneralField::Reserved), "    ", false, true, 0,
     "does not start with one of 24BIT,BDF+C,BDF+D"},
    {"BdfDigimaxBeyond16Bits", &BS(TSignalField::Digimax), "8388607 ", true, true, 8388607, ""},
    {"BdfDigiminBeyond24Bits", &BS(TSignalField::Digimin), "-8388609", false, false, 0,
     "outside -8388608 to 8388607"},
    {"PatientPlain", &G(TGeneralField::Patient), "X M 01-JAN-2000 X", true, true, 0, ""},
    {"PatientUtf8", &G(TGeneralField::Patient), "J\xC3\xBCrg", false, true, 0,
     "2 bytes are not printable ASCII (first 0xC3)"},
    {"ReservedIndented", &G(TGeneralField::Reserved), " EDF+C", false, true, 0, "not left-aligned"},
    {"DatePlain", &G(TGeneralField::StartDate), "01.02.03", true, true, 0, ""},
    {"DateSlashes", &G(TGeneralField::StartDate), "01/02/03", false, true, 0,
     "date uses '/' instead of '.'"},
    // A NUL byte between day and month, as the field-kind fuzz target found.
    {"DateNulSeparator", &G(TGeneralField::StartDate),
     std::string("29.02\x00"
                 "84",
                 8),
     false, true, 0, "date uses '\\x00' instead of '.'"},
    {"DateNoSuchDay", &G(TGeneralField::StartDate), "31.02.03", false, false, 0, "not a real date"},
    {"TimeColons", &G(TGeneralField::StartTime), "22:30:00", false, true, 0,
     "time uses ':' instead of '.'"},
    {"TimeEmpty", &G(TGeneralField::StartTime), "        ", false, false, 0, "empty"},
    {"HeaderSizeIndented", &G(TGeneralField::HeaderBytes), "     768", true, true, 768, ""},
    {"RecordsBelowUnknown", &G(TGeneralField::NrDataRecords), "-2      ", false, false, -2,
     "below -1"},
    {"RecordsIndented", &G(TGeneralField::NrDataRecords), "      22", false, true, 22,
     "not left-aligned"},
    {"SignalsLetters", &G(TGeneralField::NrSignals), "x   ", false, false, 0, "not an integer"},
    {"SignalsNegative", &G(TGeneralField::NrSignals), "-3  ", false, false, -3, "negative"},
    {"DurationComma", &G(TGeneralField::SampleRecDuration), "0,5     ", false, false, 0,
     "decimal comma"},
    {"DurationCommaUnderComma",
     &G(TGeneralField::SampleRecDuration),
     "0,5     ",
     true,
     true,
     0.5L,
     "",
     {',', 0}},
    {"DurationZero", &G(TGeneralField::SampleRecDuration), "0       ", false, false, 0,
     "not greater than 0"},
    {"DurationOverlongExponent", &G(TGeneralField::SampleRecDuration), "1e9999  ", false, false, 0,
     "not a number"},
    {"PhysiminIndented", &S(TSignalField::Physimin), "   -3125", true, true, -3125, ""},
    {"PhysimaxIndented", &S(TSignalField::Physimax), "    3125", false, true, 3125,
     "not left-aligned"},
    {"PhysiminCommaUnderComma",
     &S(TSignalField::Physimin),
     "-3125,5 ",
     false,
     true,
     -3125.5L,
     "decimal comma",
     {',', 0}},
    {"PhysiminThousands", &S(TSignalField::Physimin), "-3.125,5", false, false, 0,
     "thousands separator"},
    // Under chosen separators strict reading refuses a physical limit even without any, and
    // says why.
    {"PhysimaxWholeUnderComma",
     &S(TSignalField::Physimax),
     "1       ",
     false,
     true,
     1,
     "read with separators other than '.'",
     {',', '.'}},
    {"PhysimaxPointUnderComma",
     &S(TSignalField::Physimax),
     "3276.7  ",
     false,
     true,
     3276.7L,
     "read with separators other than '.'",
     {',', 0}},
    {"DigiminFraction", &S(TSignalField::Digimin), "-32768.0", false, true, -32768,
     "not an integer (written with a fraction)"},
    {"DigimaxBeyond16Bits", &S(TSignalField::Digimax), "40000   ", false, false, 0,
     "outside -32768 to 32767"},
    {"DigimaxIndented", &S(TSignalField::Digimax), "   32767", false, true, 32767,
     "not left-aligned"},
    {"SamplesZero", &S(TSignalField::NrSamples), "0       ", false, false, 0, "not greater than 0"},
    {"SamplesHex", &S(TSignalField::NrSamples), "$10     ", true, true, 16, ""},
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
  const TEDFFieldDef& Duration = G(TGeneralField::SampleRecDuration);
  const TEDFFieldReading R = ReadField(Duration, DecimalFieldText(Duration, 0.001L, {}));
  EXPECT_TRUE(R.Strict);
  EXPECT_EQ(static_cast<double>(R.Number), 0.001);
  EXPECT_TRUE(ReadField(G(TGeneralField::StartDate), DateFieldText(36891)).Strict);
  EXPECT_TRUE(ReadField(G(TGeneralField::StartTime), TimeFieldText(0.9375)).Strict);
  EXPECT_THROW(IntegerFieldText(G(TGeneralField::NrSignals), 10000), EConvertError);
}

// What EDF+ asks of the identification texts, against a start date of 1 February 2003.
struct TPlusIdentRow {
  const char* Name;
  bool Patient; // else the recording field
  std::string Text;
  const char* Problem; // empty: the text conforms
};

void PrintTo(const TPlusIdentRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

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
  const std::vector<std::string> Problems =
      Row.Patient ? EDFPlusPatientProblems(Row.Text)
                  : EDFPlusRecordingProblems(Row.Text, 37653); // 1 February 2003
  if (!*Row.Problem) {
    EXPECT_TRUE(Problems.empty()) << ProblemText(Problems);
    return;
  }
  EXPECT_NE(ProblemText(Problems).find(Row.Problem), std::string::npos) << ProblemText(Problems);
}

INSTANTIATE_TEST_SUITE_P(Rows, PlusIdentification, ::testing::ValuesIn(PlusIdentRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

} // namespace
} // namespace velastrin
