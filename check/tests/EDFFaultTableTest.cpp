// One row per header fault: bytes patched into a file our writer made, the finding expected,
// the verdict, and for files only lenient reading accepts, a repaired copy that strict reading
// and edflib both accept with every sample equal to the original's.
#include "CheckTestSupport.h"
#include "check/uEDFFindings.h"
#include "check/uEDFRepair.h"

#include <edflib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace velastrin {
namespace {

// Byte offset of a signal field in a two-signal header: block start B and width W written out
// here, apart from the library's own tables.
constexpr int64_t Sig(int64_t B, int64_t W, int64_t Signal) {
  return 256 + 2 * B + (Signal - 1) * W;
}

struct TFaultRow {
  const char* Name;
  int64_t PatchOffset; // -1: no patch
  std::string Bytes;
  int64_t SizeChange; // bytes appended (positive) or cut from the end (negative)
  const char* Field;  // expected finding; empty when none
  int32_t Signal;
  int64_t FieldOffset;
  const char* Problem; // part of the expected problem text
  bool Lenient;        // lenient reading accepts the field
  TEDFVerdict Verdict;
  const char* Check;                   // expected file check; empty when none
  TEDFFormat Format = TEDFFormat::EDF; // of the recording the row patches
};

void PrintTo(const TFaultRow& Row, std::ostream* Out) {
  *Out << Row.Name;
}

using enum TEDFVerdict;

const TFaultRow FaultRows[] = {
    {"StartTimeWithColons", 176, "10:20:30", 0, "StartTime", 0, 176, "time uses ':' instead of '.'",
     true, Lenient, ""},
    {"StartDateWithSlashes", 168, "01/02/03", 0, "StartDate", 0, 168,
     "date uses '/' instead of '.'", true, Lenient, ""},
    {"StartDateWithoutLeadingZeros", 168, "1.2.03  ", 0, "StartDate", 0, 168,
     "not in the form dd.mm.yy", true, Lenient, ""},
    {"DurationWithDecimalComma", 244, "1,0     ", 0, "SampleRecDuration", 0, 244, "decimal comma",
     true, Lenient, ""},
    {"RecordCountRightAligned", 236, "       3", 0, "NrDataRecords", 0, 236, "not left-aligned",
     true, Lenient, ""},
    {"SignalCountRightAligned", 252, "   2", 0, "NrSignals", 0, 252, "not left-aligned", true,
     Lenient, ""},
    {"PatientWithDegreeByte", 13, "\xB0", 0, "Patient", 0, 8, "byte 0xB0 is not printable ASCII",
     true, Lenient, ""},
    {"PatientWithLeadingBlank", 8, " ", 0, "Patient", 0, 8, "not left-aligned", true, Lenient, ""},
    {"ReservedWithLeadingBlank", 192, " EDF", 0, "Reserved", 0, 192, "not left-aligned", true,
     Lenient, ""},
    {"UnitInUtf8", Sig(96, 8, 2), "\xC2\xB5V", 0, "Physidim", 2, Sig(96, 8, 2),
     "2 bytes are not printable ASCII (first 0xC2)", true, Lenient, ""},
    {"TransducerWithControlByte", Sig(16, 80, 1) + 3, "\x01", 0, "Transducertype", 1,
     Sig(16, 80, 1), "byte 0x01 is not printable ASCII", true, Lenient, ""},
    {"LabelWithLeadingBlank", Sig(0, 16, 2), " EOG", 0, "SignalLabel", 2, Sig(0, 16, 2),
     "not left-aligned", true, Lenient, ""},
    {"DigiminWithFraction", Sig(120, 8, 1), "-32768.0", 0, "Digimin", 1, Sig(120, 8, 1),
     "written with a fraction", true, Lenient, ""},
    {"DigimaxRightAligned", Sig(128, 8, 2), "   32767", 0, "Digimax", 2, Sig(128, 8, 2),
     "not left-aligned", true, Lenient, ""},
    {"SamplesRightAligned", Sig(216, 8, 1), "      10", 0, "NrSamples", 1, Sig(216, 8, 1),
     "not left-aligned", true, Lenient, ""},
    {"RecordCountTooHigh", 236, "5       ", 0, "", 0, 0, "", true, Lenient, "record_count"},
    {"BytesLeftOver", -1, "", 7, "", 0, 0, "", true, Lenient, "trailing_bytes"},
    {"LastRecordCutShort", -1, "", -7, "", 0, 0, "", true, Lenient, "partial_record"},
    // Physical limits do not decide validity: strict reading refuses the field, the file stays
    // valid, and lenient reading reads the limit in the separators it shows.
    {"PhysimaxRightAligned", Sig(112, 8, 1), " 3276.7 ", 0, "Physimax", 1, Sig(112, 8, 1),
     "not left-aligned", true, Valid, ""},
    {"PhysiminWithDecimalComma", Sig(104, 8, 2), "-3276,8 ", 0, "Physimin", 2, Sig(104, 8, 2),
     "decimal comma", true, Valid, ""},
    {"RecordCountUnknown", 236, "-1      ", 0, "", 0, 0, "", true, Valid, "record_count"},
    {"VersionOne", 0, "1", 0, "Version", 0, 0, "version is \"1\", not \"0\"", false, Unreadable,
     ""},
    // A BDF version over an EDF file: read as BDF, whose reserved field names BDF, and whose
    // 3-byte samples make 2 whole records of the 3 stated.
    {"BdfVersionByte", 0,
     "\xFF"
     "BIOSEMI",
     0, "Reserved", 0, 192, "does not start with one of 24BIT,BDF+C,BDF+D", true, Lenient,
     "record_count"},
    {"EdfWithBdfReserved", 192, "24BIT", 0, "Reserved", 0, 192,
     "starts with \"24BIT\", which belongs to the other format", true, Lenient, ""},
    {"BdfWithEdfPlusReserved", 192, "EDF+C", 0, "Reserved", 0, 192,
     "starts with \"EDF+\", which belongs to the other format", true, Lenient, "", TEDFFormat::BDF},
    {"BdfValid", -1, "", 0, "", 0, 0, "", true, Valid, "", TEDFFormat::BDF},
    {"BdfLastSampleCutShort", -1, "", -1, "", 0, 0, "", true, Lenient, "partial_record",
     TEDFFormat::BDF},
    {"BdfDigimaxRightAligned", Sig(128, 8, 2), " 8388607", 0, "Digimax", 2, Sig(128, 8, 2),
     "not left-aligned", true, Lenient, "", TEDFFormat::BDF},
    {"BdfDigimaxOutOfRange", Sig(128, 8, 1), "8388608 ", 0, "Digimax", 1, Sig(128, 8, 1),
     "outside -8388608 to 8388607", false, Unreadable, "", TEDFFormat::BDF},
    {"BdfDigiminOutOfRange", Sig(120, 8, 2), "-9000000", 0, "Digimin", 2, Sig(120, 8, 2),
     "outside -8388608 to 8388607", false, Unreadable, "", TEDFFormat::BDF},
    {"HeaderSizeWrong", 184, "1024    ", 0, "HeaderBytes", 0, 184,
     "header size 1024 does not match 2 signals (768 expected)", false, Unreadable, ""},
    {"DigiminEqualsDigimax", Sig(120, 8, 2), "32767   ", 0, "Digimin", 2, Sig(120, 8, 2),
     "Digimin not below Digimax", false, Unreadable, ""},
    {"DigimaxOutOfRange", Sig(128, 8, 1), "40000   ", 0, "Digimax", 1, Sig(128, 8, 1),
     "outside -32768 to 32767", false, Unreadable, ""},
    {"NoSamples", Sig(216, 8, 2), "0       ", 0, "NrSamples", 2, Sig(216, 8, 2),
     "not greater than 0", false, Unreadable, ""},
    {"StartDateNoSuchDay", 168, "31.02.03", 0, "StartDate", 0, 168, "not a real date", false,
     Unreadable, ""},
    {"SignalCountLetters", 252, "x   ", 0, "NrSignals", 0, 252, "not an integer", false, Unreadable,
     ""},
};

const TEDFFinding* FindField(const TEDFFindings& F, const std::string& Field, int32_t Signal) {
  for (const TEDFFinding& Finding : F.Findings)
    if (Finding.Field == Field && Finding.Signal == Signal)
      return &Finding;
  return nullptr;
}

bool HasCheck(const TEDFFindings& F, const std::string& Check) {
  for (const TEDFFileCheck& C : F.Checks)
    if (C.Check == Check)
      return true;
  return false;
}

// Every sample of every signal as edflib reads them; empty when edflib refuses the file.
std::vector<std::vector<int32_t>> EdflibSamples(const std::string& Path) {
  edf_hdr_struct Header{};
  if (edfopen_file_readonly(Path.c_str(), &Header, EDFLIB_DO_NOT_READ_ANNOTATIONS) != 0) {
    ADD_FAILURE() << "edflib refuses " << Path << " (error " << Header.filetype << ")";
    return {};
  }
  std::vector<std::vector<int32_t>> Samples;
  for (int s = 0; s < Header.edfsignals; ++s) {
    std::vector<int> Read(static_cast<std::size_t>(Header.signalparam[s].smp_in_file));
    const int Got =
        edfread_digital_samples(Header.handle, s, static_cast<int>(Read.size()), Read.data());
    EXPECT_EQ(Got, static_cast<int>(Read.size()));
    Samples.emplace_back(Read.begin(), Read.end());
  }
  edfclose_file(Header.handle);
  return Samples;
}

// Samples clipped to the digital limits of each signal of the file at Path.
std::vector<std::vector<int32_t>> ClippedSamples(std::vector<std::vector<int32_t>> Samples,
                                                 const std::string& Path) {
  TEDFFile File;
  File.SetFileName(Path);
  File.SetReadOnly(true);
  File.SetAcceptBDF(true);
  File.Open();
  for (int32_t s = 0; s < File.SignalCount() && s < static_cast<int32_t>(Samples.size()); ++s)
    for (int32_t& V : Samples[static_cast<std::size_t>(s)])
      V = std::clamp(V, File.GetSignal(s)->Digimin(), File.GetSignal(s)->Digimax());
  return Samples;
}

class HeaderFault : public ::testing::TestWithParam<TFaultRow> {};

TEST_P(HeaderFault, IsFoundAndRepairedWhenLenient) {
  const TFaultRow& Row = GetParam();
  test::TTempDir Dir;
  std::filesystem::create_directory(Dir.File("in"));
  std::filesystem::create_directory(Dir.File("out"));
  const std::string Input = Dir.File("in/night.edf");
  test::MakeRecording(Input, 3, Row.Format);
  if (Row.PatchOffset >= 0)
    test::PatchBytes(Input, Row.PatchOffset, Row.Bytes);
  if (Row.SizeChange != 0)
    std::filesystem::resize_file(Input, std::filesystem::file_size(Input) + Row.SizeChange);

  const TEDFFindings F = CollectFindings(Input);
  EXPECT_EQ(F.Verdict, Row.Verdict) << VerdictName(F.Verdict);
  EXPECT_TRUE(F.Error.empty()) << F.Error;
  if (*Row.Field) {
    const TEDFFinding* Finding = FindField(F, Row.Field, Row.Signal);
    ASSERT_NE(Finding, nullptr) << Row.Field << " of signal " << Row.Signal << " not found";
    EXPECT_EQ(Finding->Offset, Row.FieldOffset);
    EXPECT_EQ(static_cast<int64_t>(Finding->Raw.size()), Finding->Width);
    EXPECT_NE(Finding->Problem.find(Row.Problem), std::string::npos) << Finding->Problem;
    EXPECT_EQ(Finding->Lenient, Row.Lenient);
    if (!Row.Lenient || !Trim(Finding->Raw).empty()) { // a blank field's value is blank
      EXPECT_EQ(Finding->Value.empty(), !Row.Lenient) << Finding->Value;
    }
  } else {
    EXPECT_TRUE(F.Findings.empty()) << F.Findings.front().Field;
  }
  if (*Row.Check) {
    EXPECT_TRUE(HasCheck(F, Row.Check)) << Row.Check;
  }

  const std::string Before = test::ReadBytes(Input);
  const TEDFRepair R = RepairFile(Input, Dir.File("out"));
  EXPECT_EQ(test::ReadBytes(Input), Before);
  const std::string Output = Dir.File("out/night.edf");
  if (Row.Verdict != Lenient) {
    EXPECT_EQ(R.Outcome, Row.Verdict == Valid ? TEDFRepairOutcome::AlreadyValid
                                              : TEDFRepairOutcome::Unreadable);
    EXPECT_TRUE(std::filesystem::is_empty(Dir.File("out")));
    return;
  }
  ASSERT_EQ(R.Outcome, TEDFRepairOutcome::Repaired) << R.Reason;
  EXPECT_EQ(R.Output, Output);
  const TEDFFindings Repaired = CollectFindings(Output);
  EXPECT_EQ(Repaired.Verdict, Valid);
  EXPECT_TRUE(Repaired.Findings.empty()) << Repaired.Findings.front().Field;
  EXPECT_TRUE(Repaired.Checks.empty()) << Repaired.Checks.front().Problem;
  if (*Row.Field) {
    EXPECT_TRUE(std::any_of(
        R.Changes.begin(), R.Changes.end(),
        [&](const TEDFChange& C) { return C.Field == Row.Field && C.Signal == Row.Signal; }))
        << "no change reported for " << Row.Field;
  }
  // Whole records only, every sample as it was, for us and for edflib.
  const auto Original = test::LenientSamples(Input);
  EXPECT_EQ(test::LenientSamples(Output), Original);
  // edflib gives samples clipped to the digital limits.
  EXPECT_EQ(EdflibSamples(Output), ClippedSamples(Original, Output));
  const int64_t RecordBytes = Row.Format == TEDFFormat::BDF ? 45 : 30;
  const int64_t Dropped = Row.SizeChange < 0 ? RecordBytes + Row.SizeChange : Row.SizeChange;
  if (Row.Name != std::string("BdfVersionByte")) { // 90 bytes: two whole 45-byte BDF records
    EXPECT_EQ(R.DroppedBytes, Dropped);
  }
  // Nothing temporary is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.File("out")),
                          std::filesystem::directory_iterator()),
            1);
}

// A header written under a comma locale: lenient reading guesses the comma from the duration and
// reads the physical limits with it; the copy has "." everywhere.
TEST(HeaderFaults, CommaHeaderIsRepairedWithPoints) {
  test::TTempDir Dir;
  std::filesystem::create_directory(Dir.File("in"));
  std::filesystem::create_directory(Dir.File("out"));
  const std::string Input = Dir.File("in/comma.edf");
  test::MakeRecording(Input);
  test::PatchBytes(Input, 244, "1,0     ");
  test::PatchBytes(Input, Sig(104, 8, 2), "-3276,8 ");
  const TEDFFindings F = CollectFindings(Input);
  EXPECT_EQ(F.Verdict, Lenient);
  const TEDFFinding* Physimin = FindField(F, "Physimin", 2);
  ASSERT_NE(Physimin, nullptr);
  EXPECT_TRUE(Physimin->Lenient);
  EXPECT_EQ(Physimin->Value, "-3276.8");

  const TEDFRepair R = RepairFile(Input, Dir.File("out"));
  ASSERT_EQ(R.Outcome, TEDFRepairOutcome::Repaired) << R.Reason;
  const std::string Output = Dir.File("out/comma.edf");
  EXPECT_EQ(test::ReadBytes(Output).substr(Sig(104, 8, 2), 8), "-3276.8 ");
  EXPECT_EQ(test::ReadBytes(Output).substr(244, 8), "1       ");
  EXPECT_EQ(EdflibSamples(Output), test::LenientSamples(Input));
}

INSTANTIATE_TEST_SUITE_P(Rows, HeaderFault, ::testing::ValuesIn(FaultRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

} // namespace
} // namespace velastrin
