// The findings engine on EDF+ files: the number of annotations, record onsets that do not follow
// the record duration (facts of an EDF+D file, errors of an EDF+C file) and damaged annotation
// lists with record and byte, in the text report and the JSON object.
#include "CheckTestSupport.h"
#include "check/uEDFFindings.h"
#include "check/uEDFReport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace velastrin {
namespace {

using nlohmann::json;
using namespace std::string_literals;

// An EDF+ file of one annotation signal (10 samples, 20 bytes per record), byte by byte; each
// entry of Lists is one record's TAL bytes.
std::string PlusFile(const std::string& Reserved, const std::string& Duration,
                     const std::vector<std::string>& Lists) {
  return test::AnnotationRecordsBytes({.Reserved = Reserved, .Duration = Duration}, Lists);
}

TEDFFindings Findings(const std::string& Bytes, test::TTempDir& Dir) {
  const std::string Path = Dir.File("plus.edf");
  test::WriteBytes(Path, Bytes);
  return CollectFindings(Path);
}

bool HasCheck(const TEDFFindings& F, const std::string& Name) {
  return std::any_of(F.Checks.begin(), F.Checks.end(),
                     [&](const TEDFFileCheck& C) { return C.Check == Name; });
}

TEST(EdfPlusFindings, ContinuousFileCountsAnnotationsAndHasNoOnsetCheck) {
  test::TTempDir Dir;
  const TEDFFindings F = Findings(
      PlusFile("EDF+C", "1", {"+0\x14\x14\0+0.5\x14W\x14"s, "+1\x14\x14\0+1\x14N1\x14"s}), Dir);
  EXPECT_EQ(F.Kind, TEDFKind::EDFPlusC);
  ASSERT_TRUE(F.Plus.has_value());
  EXPECT_EQ(F.Plus->Annotations, 2);
  EXPECT_TRUE(F.Plus->RecordOnsets.empty());
  EXPECT_FALSE(HasCheck(F, "record_onsets"));
  EXPECT_NE(FindingsText(F).find(", 2 annotations)"), std::string::npos) << FindingsText(F);
  const json Object = json::parse(FindingsJson(F));
  EXPECT_EQ(Object["edf_plus"]["annotations"], 2);
  EXPECT_TRUE(Object["edf_plus"]["record_onsets"].empty());
}

struct TOnsetRow {
  const char* Name;
  const char* Reserved;
  bool Check; // record_onsets among the checks
};

class RecordOnsets : public ::testing::TestWithParam<TOnsetRow> {};

TEST_P(RecordOnsets, GapsAndOverlapsAreFactsOfEdfPlusDAndErrorsOfEdfPlusC) {
  test::TTempDir Dir;
  const TEDFFindings F =
      Findings(PlusFile(GetParam().Reserved, "1",
                        {"+0\x14\x14\0"s, "+1\x14\x14\0"s, "+5\x14\x14\0"s, "+5.5\x14\x14\0"s}),
               Dir);
  ASSERT_TRUE(F.Plus.has_value());
  ASSERT_EQ(F.Plus->RecordOnsets.size(), 2u);
  EXPECT_EQ(HasCheck(F, "record_onsets"), GetParam().Check);
  const std::string Text = FindingsText(F);
  EXPECT_NE(Text.find("  gap: record 3 starts at +5 s, 3 s after the end of record 2 (2 s)\n"),
            std::string::npos)
      << Text;
  EXPECT_NE(Text.find("  overlap: record 4 starts at +5.5 s, 0.5 s before the end of record 3 "
                      "(6 s)\n"),
            std::string::npos)
      << Text;
  const json Onsets = json::parse(FindingsJson(F))["edf_plus"]["record_onsets"];
  ASSERT_EQ(Onsets.size(), 2u);
  EXPECT_EQ(Onsets[0]["record"], 3);
  EXPECT_EQ(Onsets[0]["onset"], "+5");
  EXPECT_DOUBLE_EQ(Onsets[0]["difference"].get<double>(), 3.0);
  EXPECT_DOUBLE_EQ(Onsets[1]["difference"].get<double>(), -0.5);
}

INSTANTIATE_TEST_SUITE_P(Rows, RecordOnsets,
                         // EDF+D too: its gap is a fact, but record 4 overlaps record 3.
                         ::testing::Values(TOnsetRow{"Discontinuous", "EDF+D", true},
                                           TOnsetRow{"Continuous", "EDF+C", true}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

TEST(EdfPlusFindings, DamagedListIsACheckWithRecordAndByte) {
  test::TTempDir Dir;
  const TEDFFindings F = Findings(
      PlusFile("EDF+C", "1", {"+0\x14\x14\0"s, "+1\x14\x14\0+1\x14no end to this text"s}), Dir);
  ASSERT_TRUE(F.Plus.has_value());
  ASSERT_EQ(F.Plus->ListFaults.size(), 1u);
  // Header 512 bytes, records of 20 bytes; the list starts 5 bytes into record 2.
  const std::string Line = "annotation list: signal 1, record 2, byte 537: annotation list runs "
                           "past the end of the signal's bytes in the record";
  EXPECT_NE(FindingsText(F).find("  " + Line + "\n"), std::string::npos) << FindingsText(F);
  EXPECT_TRUE(HasCheck(F, "annotation_lists"));
  const json Faults = json::parse(FindingsJson(F))["edf_plus"]["annotation_faults"];
  ASSERT_EQ(Faults.size(), 1u);
  EXPECT_EQ(Faults[0]["record"], 2);
  EXPECT_EQ(Faults[0]["offset"], 537);
}

TEST(EdfPlusFindings, AnnotationOnlyFileWithZeroDurationIsCountedPlainEdfHasNone) {
  test::TTempDir Dir;
  const TEDFFindings Zero = Findings(PlusFile("EDF+C", "0", {"+0\x14\x14\0+0\x14W\x14"s}), Dir);
  ASSERT_TRUE(Zero.Plus.has_value());
  EXPECT_EQ(Zero.Plus->Annotations, 1);
  const TEDFFindings Plain = Findings(PlusFile("", "1", {"+0\x14\x14\0+0\x14W\x14"s}), Dir);
  EXPECT_FALSE(Plain.Plus.has_value());
  EXPECT_TRUE(json::parse(FindingsJson(Plain))["edf_plus"].is_null());
}

} // namespace
} // namespace velastrin
