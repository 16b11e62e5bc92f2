// "velastrin check" on EDF+ files: the number of annotations in the headline, gaps of an EDF+D
// file as facts, the same gap in an EDF+C file as a failed check, and both in the JSON object.
#include "check/tests/CheckTestSupport.h"
#include "cli/tests/CliTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace velastrin::cli {
namespace {

using velastrin::testing::RunCli;
using velastrin::testing::TCliRun;
using namespace std::string_literals;

// One annotation signal of 20 bytes per record, byte by byte; records start at +0, +1, +5.
std::string GapFile(const std::string& Reserved) {
  return test::AnnotationRecordsBytes({.Reserved = Reserved}, {"+0\x14\x14\0+0\x14Lights off\x14"s,
                                                               "+1\x14\x14\0"s, "+5\x14\x14\0"s});
}

struct TKindRow {
  const char* Name;
  const char* Reserved;
  bool Failed; // record_onsets among the checks
};

class CheckEdfPlus : public ::testing::TestWithParam<TKindRow> {};

TEST_P(CheckEdfPlus, ReportsAnnotationsAndRecordGaps) {
  test::TTempDir Dir;
  const std::string Path = Dir.File("plus.edf");
  test::WriteBytes(Path, GapFile(GetParam().Reserved));
  const TCliRun Text = RunCli({"check", Path});
  EXPECT_NE(Text.Out.find(", 1 annotation)"), std::string::npos) << Text.Out;
  EXPECT_NE(Text.Out.find("  gap: record 3 starts at +5 s, 3 s after the end of record 2 (2 s)\n"),
            std::string::npos)
      << Text.Out;
  EXPECT_EQ(Text.Out.find("  record_onsets: ") != std::string::npos, GetParam().Failed) << Text.Out;
  const TCliRun Json = RunCli({"check", "--json", Path});
  const auto Object = nlohmann::json::parse(Json.Out);
  EXPECT_EQ(Object["edf_plus"]["annotations"], 1);
  EXPECT_EQ(Object["edf_plus"]["record_onsets"][0]["record"], 3);
}

INSTANTIATE_TEST_SUITE_P(Cli, CheckEdfPlus,
                         ::testing::Values(TKindRow{"Discontinuous", "EDF+D", false},
                                           TKindRow{"Continuous", "EDF+C", true}),
                         [](const auto& Info) { return std::string(Info.param.Name); });

} // namespace
} // namespace velastrin::cli
