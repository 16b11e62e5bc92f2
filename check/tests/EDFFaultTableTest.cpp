// One row per header fault: bytes patched into a file our writer made, the finding expected,
// the verdict, and for files only lenient reading accepts, a repaired copy that strict reading
// and edflib both accept with every sample equal to the original's.
#include "CheckTestSupport.h"
#include "EDFFaultRows.h"
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

using test::FaultRows;
using test::Sig;
using test::TFaultRow;
using enum TEDFVerdict;

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
    EXPECT_EQ(Finding->Value.empty(), !Row.Lenient || Trim(Finding->Raw).empty()) << Finding->Value;
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
  EXPECT_EQ(R.DroppedBytes, Row.SizeChange < 0 ? RecordBytes + Row.SizeChange : Row.SizeChange);
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
